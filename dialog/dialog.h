// The settings dialog: the music choice with its picture-drawn option marks,
// the repeat box and the file chooser, the shaded panels, the turning Earth,
// and the zoom out of and back into the pointer. Plain C++: the windows are
// reached through DialogHost, which dialog_win32.cpp implements over Win32.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>

#include "lumora_version.h"
#include "platform/geometry.h"
#include "platform/platform.h"
#include "settings/settings.h"

namespace lumora {

// The two shaded panels: the outer one fills the window, the inner one holds
// the music choice.
enum class Panel { Outer, Inner };

// The dialog's parts that the user acts on. The first three marks and labels
// are in the order of the music kinds they choose.
enum class Control {
    NoneMark, CdMark, FileMark, NoneLabel, CdLabel, FileLabel,
    ChooseFileButton, CancelButton, SaveButton, Link,
    RepeatBox,   // the CD track to repeat
    MusicChoice, // the three marks as one group for the keyboard
};

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

// What the window system does for the dialog.
class DialogHost {
public:
    virtual ~DialogHost() = default;
    virtual DialogScreen Screen() = 0;
    // The outer size the window needs for its client area to hold the panel
    // of this many pixels, in twips.
    virtual void OuterSizeFor(int clientWidth, int clientHeight, double& widthTwips, double& heightTwips) = 0;
    virtual void SizeWindow(double widthTwips, double heightTwips) = 0;
    virtual void MoveWindow(std::int32_t leftTwips, std::int32_t topTwips) = 0;

    virtual void SetMark(int index, bool on) = 0;
    virtual void EnableRepeat(bool enabled) = 0;
    virtual void EnableFileButton(bool enabled) = 0;
    virtual void SetRepeatText(const std::string& text) = 0;
    virtual std::string RepeatText() = 0;
    virtual void AddRepeatEntry(const std::string& text) = 0;
    virtual void SetFileCaption(const std::string& text) = 0;
    virtual void GiveHandPointer(Control control) = 0;
    // Gives the keyboard focus to a control (once the window is shown).
    virtual void Focus(Control control) = 0;

    virtual std::int32_t GetCursorPos(std::int32_t& x, std::int32_t& y) = 0;
    virtual Rect WindowRect() = 0;
    virtual void DrawAnimatedRects(const Rect& from, const Rect& to) = 0; // IDANI_CAPTION
    virtual void EnableTimer(bool enabled) = 0;

    virtual PanelSize InnerSize(Panel panel) = 0;
    // A line one pixel wide from (0, y) to (width, y), in the panel's own unit,
    // into its retained image.
    virtual void DrawRow(Panel panel, double y, double width, std::int32_t color) = 0;

    virtual void ClearEarth() = 0;
    // Paints one frame of the turning Earth over the picture (OR-ed, 180x85 at 0,0).
    virtual std::int32_t PaintEarthFrame(int frame) = 0;
    virtual void RefreshEarth() = 0;

    // GetOpenFileName with the dialog as owner, the filter, the title, the
    // 255-character buffers and the old record size; only a file that exists
    // can be chosen.
    virtual OpenFileAnswer OpenFile(const std::string& filter, const std::string& title) = 0;
    virtual void SetScreenPointer(bool hourglass) = 0;
    virtual void OpenDocument(const std::string& address) = 0; // ShellExecute "open"
    // A message over the dialog, which waits until the user has read it.
    virtual void ShowMessage(const std::string& text) = 0;
    // Runs `work` on a thread of its own, then `done` on the dialog's thread as
    // one of its events; `done` is dropped when the dialog has gone by then.
    virtual void RunInBackground(std::function<void()> work, std::function<void()> done) = 0;
    virtual void Close() = 0;
};

// The repeat box's way of showing a track: the number's digits, a minus sign
// when negative, nothing at all for 0.
std::string FormatTrack(long value);

// The repeat box's text as a track: a number rounded to the nearest whole one
// (halves to even); anything else, and a number no 16-bit track can hold, is 0.
// Digits, signs, the point and blanks typed full width (as a Japanese input
// method does) count as their ASCII forms, as Windows' own conversion of text
// to a number takes them on Japanese systems.
std::int16_t ParseRepeatTrack(const std::string& text);

// Where the window goes: centred across, a third of the free height down, in
// twips; negative when the screen is smaller than the window.
void PlaceDialog(double screenWidth, double screenHeight, double outerWidth, double outerHeight,
                 std::int32_t& left, std::int32_t& top);

// The shading colour of row y of a panel whose inner height is H.
std::int32_t ShadeColor(double y, double height);

class SettingsDialog {
public:
    static constexpr int kPanelWidth = 461; // the outer panel, pixels
    static constexpr int kPanelHeight = 225;
    static constexpr int kFrames = 24;

    static constexpr const char* kAddress = "https://lumora.example/";
    static constexpr const char* kByLine = "Lumora Project  Ver. " LUMORA_VERSION;

    // The dialog edits its own copy of the settings; only saving hands it on.
    SettingsDialog(const platform::Platform& platform, DialogHost& host, Settings settings)
        : platform_(platform), host_(host), settings_(std::move(settings)) {}

    // Sizes, places and fills the window, then zooms it out of the pointer. The
    // stored music file is looked at afterwards, in the background: a share
    // that does not answer must not keep the dialog from the screen.
    void Open();
    void OnResize();
    // Zooms the window back into where the pointer was on opening.
    void OnClose();
    void OnAnimationTimer();
    // A mark or its label was pressed, with any button.
    void OnMusicChoice(MusicKind kind);
    // An arrow key in the music choice: the next choice down (+1) or up (-1),
    // in the order they stand, round from the last to the first.
    void OnMusicChoiceKey(int step);
    // Saves and closes; when the settings could be saved nowhere, says so and
    // stays open with the user's choice.
    void OnSave();
    void OnCancel();
    void OnChooseFile();
    void OnLink();

    // The settings as the dialog holds them now.
    const Settings& Current() const { return settings_; }

private:
    void ShowSettings();
    void ShowChoice(MusicKind kind);
    void OnMusicFileChecked(const std::string& file, bool exists);
    void Shade(Panel panel);
    bool Save();
    void ZoomOpen();
    void ZoomClose();

    const platform::Platform& platform_;
    DialogHost& host_;
    Settings settings_;
    std::int32_t zoomX_ = 0; // where the pointer was on opening
    std::int32_t zoomY_ = 0;
    int frame_ = 0;
    bool choiceMade_ = false; // the user has chosen a kind since opening
};

} // namespace lumora
