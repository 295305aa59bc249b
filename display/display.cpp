#include "display/display.h"

#include <cmath>
#include <string>

#include "settings/settings.h"
#include "startup/command_line.h"
#include "startup/startup.h"

namespace lumora {
namespace {

constexpr std::int32_t kWhite = 0xFFFFFF;
constexpr int kKeyLeft = 37;
constexpr int kKeyRight = 39;

// A colour value (red in the lowest byte) as the bitmap stores it (blue lowest).
std::uint32_t ToPixel(std::int32_t color) {
    auto c = static_cast<std::uint32_t>(color);
    return ((c & 0xFFu) << 16) | (c & 0xFF00u) | ((c >> 16) & 0xFFu);
}

int Nearest(double value) { return static_cast<int>(std::nearbyint(value)); }

std::int32_t Colour(int red, int green, int blue) {
    auto clamp = [](int component) { return component > 255 ? 255 : component; };
    return clamp(red) + 256 * clamp(green) + 65536 * clamp(blue);
}

void Put(const PixelView& view, int x, int y, std::uint32_t pixel) {
    if (x >= 0 && y >= 0 && x < view.width && y < view.height)
        view.bits[static_cast<std::ptrdiff_t>(y) * view.stride + x] = pixel;
}

// A coordinate belongs to the pixel whose square holds its single-precision
// value: its floor. Erasing and drawing both come through Plot, so an erase
// removes exactly the pixels that the draw set, and no pixel off the surface is
// ever written.
struct Target {
    explicit Target(const PixelView& pixels)
        : view(pixels),
          right(static_cast<float>(pixels.width - 1)),
          bottom(static_cast<float>(pixels.height - 1)) {}
    PixelView view;
    float right;  // a plus whose centre is left of this and of `bottom`, and at
    float bottom; // least 1 from the top left, lies wholly on the surface
};

// A plus at or over the border, or far out: each pixel on its own.
[[gnu::noinline]] void PlotAtBorder(const PixelView& view, float x, float y, std::uint32_t arm,
                                    std::uint32_t core) {
    // Far out (or not a number): nothing of it can touch the surface, and its
    // coordinates may not even fit an int.
    if (view.bits == nullptr || !(x >= -2.0f && y >= -2.0f && x < static_cast<float>(view.width) + 2.0f &&
                                  y < static_cast<float>(view.height) + 2.0f))
        return;
    const int px = static_cast<int>(std::floor(x));
    const int py = static_cast<int>(std::floor(y));
    Put(view, px, py, core);
    Put(view, px + 1, py, arm);
    Put(view, px, py + 1, arm);
    Put(view, px, py - 1, arm);
    Put(view, px - 1, py, arm);
}

inline void Plot(const Target& target, double x, double y, std::uint32_t arm, std::uint32_t core) {
    const float fx = static_cast<float>(x);
    const float fy = static_cast<float>(y);
    if (fx >= 1.0f && fy >= 1.0f && fx < target.right && fy < target.bottom) {
        // Positive here, so truncation is the floor.
        const std::ptrdiff_t stride = target.view.stride;
        std::uint32_t* centre = target.view.bits + static_cast<std::ptrdiff_t>(fy) * stride +
                                static_cast<std::ptrdiff_t>(fx);
        centre[0] = core;
        centre[1] = arm;
        centre[stride] = arm;
        centre[-stride] = arm;
        centre[-1] = arm;
    } else {
        PlotAtBorder(target.view, fx, fy, arm, core);
    }
}

} // namespace

DisplayForm::DisplayForm(const platform::Platform& platform, DisplayHost& host, RandomSource& random)
    : music(platform), platform_(platform), host_(host), random_(random) {}

void DisplayForm::EnableTimer(DisplayTimer timer, bool enabled) {
    timerEnabled[timer] = enabled;
    host_.EnableTimer(timer, enabled);
}

void DisplayForm::Form_Load() {
    const ScreenMetrics screen = host_.Screen();
    host_.PlaceForm(0, 0, screen.widthPixels, screen.heightPixels);

    // The surface in pixels, from the screen in twips. Should the twips per pixel
    // round to nothing, the step falls back to the screen's own pixels.
    auto pixels = [](int screenPixels, float twipsPerPixel) {
        const int perPixel = Nearest(static_cast<double>(twipsPerPixel));
        return perPixel == 0 ? screenPixels : Nearest(screenPixels * static_cast<double>(twipsPerPixel)) / perPixel;
    };
    Display_Width = pixels(screen.widthPixels, screen.twipsPerPixelX);
    Display_Height = pixels(screen.heightPixels, screen.twipsPerPixelY);
    display = host_.SizeDisplay(Display_Width, Display_Height);

    if (Star_Count == 0) Star_Count = kDefaultStars;
    Stars.assign(static_cast<std::size_t>(Star_Count) + 1, Star{});
    First_Frame = true;

    Start_Tick = static_cast<std::int32_t>(platform_.clock.TickCount());
    random_.Seed(Start_Tick);
    Seed_Count = Nearest(10.0 * static_cast<double>(random_.Next()) + 1.0);
    while (Seed_Count != 0) {
        random_.Seed(static_cast<std::int32_t>(platform_.clock.TickCount()));
        --Seed_Count;
    }

    Radiant_X = Display_Width / 2;
    Radiant_Y = Display_Height / 2;

    // The music: whatever it achieves, its watch timer runs and copes.
    if (BGM_Kind == 1) {
        music.CD_Open();
        EnableTimer(kTimer2, true);
    } else if (BGM_Kind == 2) {
        const std::string type = Sound_FileType(BGM_File);
        if (type == "WAV") music.WAV_Play();
        if (type == "MP3") {
            music.MP3_Play();
            EnableTimer(kTimer1, true);
        }
    }

    host_.ShowNormal();
    Last_Result = host_.SetTopmost();
    EnableTimer(kTimer3, true);
    EnableTimer(kTimer4, true);
}

void DisplayForm::Timer1_Timer() { music.MP3_Watch(); }

void DisplayForm::Timer2_Timer() {
    music.CD_Watch();
    // Once the drive cannot be read the watch stops for good.
    if (!music.CD_Watching) EnableTimer(kTimer2, false);
}

void DisplayForm::Timer3_Timer() { Stars_Frame(); }

void DisplayForm::Star_Plot(double x, double y, std::int32_t arm, std::int32_t core) {
    Plot(Target(display), x, y, ToPixel(arm), ToPixel(core));
}

std::int32_t DisplayForm::RandomColor(double scale, double offset) {
    const int red = Nearest(scale * static_cast<double>(random_.Next()) + offset);
    const int green = Nearest(scale * static_cast<double>(random_.Next()) + offset);
    const int blue = Nearest(scale * static_cast<double>(random_.Next()) + offset);
    return Colour(red, green, blue);
}

void DisplayForm::Stars_Frame() {
    if (First_Frame) {
        ScatterStars();
        First_Frame = false;
    } else {
        MoveStars();
    }
}

void DisplayForm::ScatterStars() {
    const float width = static_cast<float>(Display_Width);
    const float height = static_cast<float>(Display_Height);
    for (std::size_t i = 1; i < Stars.size(); ++i) {
        Star& star = Stars[i];
        // The point is drawn in single precision, as the surface's scale is.
        const double px = static_cast<double>(random_.Next() * width);
        const double py = static_cast<double>(random_.Next() * height);
        const double rx = px - Radiant_X;
        const double ry = py - Radiant_Y;
        const double sy = ry < 0 ? -1.0 : 1.0;
        const double sx = rx < 0 ? -1.0 : 1.0;
        double ax = std::fabs(rx);
        double ay = std::fabs(ry);
        if (ax == 0) ax = 1;
        if (ay == 0) ay = 1;
        star.DX = sx * ax / ay;
        star.DY = sy * ay / ax;
        star.Color = RandomColor(128, 128);
        star.X = Radiant_X + sx * ax;
        star.Y = Radiant_Y + sy * ay;
        star.X0 = star.X;
        star.Y0 = star.Y;
        Star_Plot(star.X, star.Y, star.Color, kWhite);
    }
}

void DisplayForm::MoveStars() {
    const float right = static_cast<float>(Display_Width + 5);
    const float bottom = static_cast<float>(Display_Height + 5);
    const std::uint32_t white = ToPixel(kWhite);
    // A local copy: pixel stores could otherwise alias the view's own fields,
    // and the compiler would read them again after every pixel.
    const Target target(display);
    Star* const stars = Stars.data();
    const std::size_t count = Stars.size();
    for (std::size_t i = 1; i < count; ++i) {
        Star& star = stars[i];
        Plot(target, star.X, star.Y, 0, 0);
        star.X += star.DX;
        star.Y += star.DY;
        if (static_cast<float>(star.Y) > bottom || static_cast<float>(star.X) > right ||
            star.X < -5 || star.Y < -5) {
            star.X = Radiant_X;
            star.Y = Radiant_Y;
            star.Color = RandomColor(256, 0);
        }
        Plot(target, star.X, star.Y, ToPixel(star.Color), white);
    }
}

void DisplayForm::Timer4_Timer() {
    const int mx = Nearest(Display_Width) / 5;
    const int my = Nearest(Display_Height) / 5;
    // The time of day as a single-precision number, fractions and all.
    random_.Seed(static_cast<double>(static_cast<float>(platform_.clock.SecondsSinceMidnight())));
    Radiant_X = std::floor(mx + (Display_Width - 2.0 * mx + 1) * static_cast<double>(random_.Next()));
    Radiant_Y = std::floor(my + (Display_Height - 2.0 * my + 1) * static_cast<double>(random_.Next()));
}

void DisplayForm::Display_MouseDown() { Saver_Quit(); }

void DisplayForm::Form_MouseDown() { Saver_Quit(); }

void DisplayForm::Display_MouseMove(float x, float y) {
    // Started without a switch (a test run from the desktop), the mouse may rest anywhere.
    if (Argument_Text(platform_.process.CommandLine()).empty()) return;
    if (!Mouse_Start.Taken) {
        Mouse_Start.Start_X = x;
        Mouse_Start.Start_Y = y;
        Mouse_Start.Taken = true;
        return;
    }
    if (x != Mouse_Start.Start_X && y != Mouse_Start.Start_Y) {
        if (!Saver_Quit()) Mouse_Start.Taken = false;
    }
}

void DisplayForm::Form_KeyDown(int keyCode) {
    if (BGM_Kind == 1 && keyCode == kKeyLeft) {
        music.CD_PrevTrack();
    } else if (BGM_Kind == 1 && keyCode == kKeyRight) {
        music.CD_NextTrack();
    } else {
        Saver_Quit();
    }
}

bool DisplayForm::Saver_Quit() {
    // The events run below may ask to quit again; only the first asking counts,
    // so the password is never asked twice for one quit.
    if (quitting_) return false;
    quitting_ = true;
    host_.DoEvents();

    const bool runMode = Mode_Letter(Argument_Text(platform_.process.CommandLine())) == "S";
    if (runMode && !OS_IsNT(platform_.saver)) {
        platform_.cursor.Show(true);
        if (host_.VerifyPassword() == 0) {
            platform_.cursor.Show(false);
            quitting_ = false;
            return false;
        }
    }

    if (timerEnabled[kTimer2]) {
        EnableTimer(kTimer2, false);
        music.CD_Close();
    }
    if (BGM_Kind == 2) {
        const std::string type = Sound_FileType(BGM_File);
        if (type == "WAV") music.WAV_Stop();
        if (type == "MP3") music.MP3_Close();
    }

    if (runMode) {
        Saver_SetRunning(platform_.saver, true);
        platform_.cursor.Show(true);
    }
    host_.Unload();
    host_.EndProcess();
    return true;
}

} // namespace lumora
