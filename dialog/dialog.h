// The settings dialog: the music choice with its picture-drawn option marks,
// the repeat box and the file chooser, the shaded panels, the turning Earth,
// and the zoom out of and back into the pointer. Plain C++: the windows are
// reached through DialogHost, which dialog_win32.cpp implements over Win32.
#pragma once

#include <cstdint>
#include <string>

#include "platform/platform.h"

namespace lumora {

struct ScreenRect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
};

enum class Panel { Pic_C, Pic_D };

// The controls that can show the hand pointer.
enum class Control { Img_BGM0, Img_BGM1, Img_BGM2, lbl_BGM0, lbl_BGM1, lbl_BGM2, Cmd_BGM, Cmd_Can, Cmd_Set, lbl_URL };

struct PanelSize {
    double width = 0;  // inner size in the panel's own unit
    double height = 0;
};

struct DialogScreen {
    double widthTwips = 0;
    double heightTwips = 0;
    float twipsPerPixelX = 15;
    float twipsPerPixelY = 15;
};

struct OpenFileAnswer {
    std::int32_t result = 0; // GetOpenFileName's
    std::string path;        // the file buffer up to its first NUL
};

// What the window toolkit does for the dialog.
class DialogHost {
public:
    virtual ~DialogHost() = default;
    virtual DialogScreen Screen() = 0;
    // The outer size the window needs for its client area to hold the panel
    // of this many pixels, in twips.
    virtual void OuterSizeFor(int clientWidth, int clientHeight, double& widthTwips, double& heightTwips) = 0;
    virtual void SizeForm(double widthTwips, double heightTwips) = 0;
    virtual void MoveForm(std::int32_t leftTwips, std::int32_t topTwips) = 0;

    virtual void SetMark(int index, bool on) = 0;
    virtual void EnableRepeat(bool enabled) = 0;
    virtual void EnableFileButton(bool enabled) = 0;
    virtual void SetRepeatText(const std::string& text) = 0;
    virtual std::string RepeatText() = 0;
    virtual void AddRepeatEntry(const std::string& text) = 0;
    virtual void SetFileCaption(const std::string& text) = 0;
    virtual void GiveHandPointer(Control control) = 0;

    virtual std::int32_t GetCursorPos(std::int32_t& x, std::int32_t& y) = 0;
    virtual ScreenRect WindowRect() = 0;
    virtual void DrawAnimatedRects(const ScreenRect& from, const ScreenRect& to) = 0; // IDANI_CAPTION
    virtual void EnableTimer(bool enabled) = 0;

    virtual PanelSize InnerSize(Panel panel) = 0;
    // A line one pixel wide from (0, y) to (width, y), in the panel's own unit,
    // into its retained image.
    virtual void DrawRow(Panel panel, double y, double width, std::int32_t color) = 0;

    virtual void ClearDisplay() = 0;
    // BitBlt(Display, 0, 0, 180, 85, frame, 0, 0, SRCPAINT).
    virtual std::int32_t PaintFrame(int frame) = 0;
    virtual void RefreshDisplay() = 0;

    // GetOpenFileName with the dialog as owner, the filter, the title, the
    // 255-character buffers, flags 0 and the old record size.
    virtual OpenFileAnswer OpenFile(const std::string& filter, const std::string& title) = 0;
    virtual void SetScreenPointer(bool hourglass) = 0;
    virtual void OpenDocument(const std::string& address) = 0; // ShellExecute "open"
    virtual void Unload() = 0;
};

// "##": the number's digits, a minus sign when negative, nothing at all for 0.
std::string Format_Hash(long value);

// The repeat box's text as a track: a number rounded to the nearest whole one
// (halves to even); anything else, and a number no 16-bit track can hold, is 0.
std::int16_t Repeat_Track(const std::string& text);

// Where the window goes: centred across, a third of the free height down, in
// twips; negative when the screen is smaller than the window.
void Dialog_Place(double screenWidth, double screenHeight, double outerWidth, double outerHeight,
                  std::int32_t& left, std::int32_t& top);

// The shading colour of row y of a panel whose inner height is H.
std::int32_t Shade_Color(double y, double height);

class DialogForm {
public:
    static constexpr int kPanelWidth = 461; // Pic_C, pixels
    static constexpr int kPanelHeight = 225;
    static constexpr int kFrames = 24;

    DialogForm(const platform::Platform& platform, DialogHost& host) : platform_(platform), host_(host) {}

    void Form_Load();
    void Form_Resize();
    void Form_Unload();
    void Timer1_Timer();
    void Img_BGM_MouseDown(int index);
    void lbl_BGM_MouseDown(int index);
    void Cmd_Set_Click();
    void Cmd_Can_Click();
    void Cmd_BGM_Click();
    void lbl_URL_Click();
    void Select_BGM_File();
    void Settings_Save();
    void Zoom_Open();
    void Zoom_Close();

    std::int32_t Zoom_X = 0;
    std::int32_t Zoom_Y = 0;
    std::int16_t Frame_No = 0;

    static const char* const kAddress;
    static const char* const kByLine;

private:
    void ShowSettings();
    void Select(int index);
    void Shade(Panel panel);

    const platform::Platform& platform_;
    DialogHost& host_;
};

} // namespace lumora
