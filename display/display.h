// The display form: the full-screen shower of shooting stars, its input and
// its exit. Plain C++: the window, the bitmap and the timers are reached
// through DisplayHost, which display_win32.cpp implements over Win32.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "display/random.h"
#include "music/music.h"
#include "platform/platform.h"

namespace lumora {

struct Star {
    double X = 0;
    double Y = 0;
    double X0 = 0;
    double Y0 = 0;
    std::int32_t Color = 0; // red in the lowest byte, then green, then blue
    double DX = 0;
    double DY = 0;
};

// The pixels of the drawing surface: rows top-down, 0x00RRGGBB each, as a
// 32-bit DIB section holds them. stride is in pixels.
struct PixelView {
    std::uint32_t* bits = nullptr;
    int width = 0;
    int height = 0;
    std::ptrdiff_t stride = 0;
};

struct ScreenMetrics {
    int widthPixels = 0;
    int heightPixels = 0;
    float twipsPerPixelX = 15;
    float twipsPerPixelY = 15;
};

enum DisplayTimer { kTimer1 = 1, kTimer2 = 2, kTimer3 = 3, kTimer4 = 4 };

// What the window toolkit does for the display form.
class DisplayHost {
public:
    virtual ~DisplayHost() = default;
    virtual ScreenMetrics Screen() = 0;
    // The form's outer rectangle, in pixels.
    virtual void PlaceForm(int left, int top, int width, int height) = 0;
    // Gives the drawing surface this size at (0, 0), all black, and returns its pixels.
    virtual PixelView SizeDisplay(int width, int height) = 0;
    virtual void ShowNormal() = 0;
    // SetWindowPos(form, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE).
    virtual std::int32_t SetTopmost() = 0;
    virtual void EnableTimer(DisplayTimer timer, bool enabled) = 0;
    // Shows the surface's pixels on screen after a frame.
    virtual void Present() = 0;
    // Runs the window events already queued.
    virtual void DoEvents() = 0;
    // VerifyScreenSavePwd with the form's window; nonzero when accepted.
    virtual std::int32_t VerifyPassword() = 0;
    virtual void Unload() = 0;
    virtual void EndProcess() = 0;
};

class DisplayForm {
public:
    static constexpr std::int32_t kDefaultStars = 1000;

    DisplayForm(const platform::Platform& platform, DisplayHost& host, RandomSource& random);

    void Form_Load();
    void Timer1_Timer();
    void Timer2_Timer();
    void Timer3_Timer();
    void Timer4_Timer();
    void Display_MouseDown();
    void Form_MouseDown();
    void Display_MouseMove(float x, float y);
    void Form_KeyDown(int keyCode);
    void Form_Unload() {}
    // Ends the process, or returns false when the password was refused (or a
    // quit is already under way further up the stack).
    bool Saver_Quit();

    void Stars_Frame();
    void Star_Plot(double x, double y, std::int32_t arm, std::int32_t core);

    // State, open to the host and the tests.
    std::int32_t Star_Count = 0;
    int Display_Width = 0; // the surface's scale size, in pixels
    int Display_Height = 0;
    std::vector<Star> Stars;
    bool First_Frame = false;
    double Radiant_X = 0;
    double Radiant_Y = 0;
    std::int32_t Start_Tick = 0;
    std::int32_t Seed_Count = 0;
    struct {
        float Start_X = 0;
        float Start_Y = 0;
        bool Taken = false;
    } Mouse_Start;
    bool timerEnabled[5] = {};
    PixelView display;
    Music music;

private:
    std::int32_t RandomColor(double scale, double offset);
    void EnableTimer(DisplayTimer timer, bool enabled);
    void ScatterStars();
    void MoveStars();

    const platform::Platform& platform_;
    DisplayHost& host_;
    RandomSource& random_;
    bool quitting_ = false;
};

} // namespace lumora
