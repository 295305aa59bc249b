// The settings dialog: the music choice with its picture-drawn option marks,
// the repeat box and the file chooser, the shaded panels, the turning Earth,
// and the zoom out of and back into the pointer. Plain C++: the windows are
// reached through DialogHost, which the Windows edition (windows/dialog/) implements.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "lumora_version.h"
#include "platform/geometry.h"
#include "platform/platform.h"
#include "settings/settings.h"

namespace lumora {

// The dialog's parts that the user acts on. The first three marks and labels
// are in the order of the music kinds they choose.
enum class Control {
    NoneMark, CdMark, FileMark, NoneLabel, CdLabel, FileLabel,
    ChooseFileButton, CancelButton, SaveButton, Link,
    RepeatBox,   // the CD track to repeat
    MusicChoice, // the three marks as one group for the keyboard
};

// One entry of the file chooser's list of kinds: what the user reads, and the
// names it shows (patterns separated by ";").
struct FileFilter {
    std::string description;
    std::string patterns;
};

struct OpenFileAnswer {
    std::int32_t result = 0; // GetOpenFileName's
    std::string path;        // the file buffer up to its first NUL
};

// What the window system does for the dialog.
class DialogHost {
public:
    virtual ~DialogHost() = default;
    // Sizes the window for a client area of this many pixels (at 96 DPI) and
    // puts it centred across the screen, a third of the free height down.
    virtual void PlaceWindow(int clientWidth, int clientHeight) = 0;

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

    virtual void ClearEarth() = 0;
    // Paints one frame of the turning Earth over the picture (OR-ed, 180x85 at 0,0).
    virtual std::int32_t PaintEarthFrame(int frame) = 0;
    virtual void RefreshEarth() = 0;

    // The file chooser with the dialog as owner, these kinds of file and this
    // title; only a file that exists can be chosen.
    virtual OpenFileAnswer OpenFile(const std::vector<FileFilter>& filters, const std::string& title) = 0;
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

// The shading colour of row y of a panel whose inner height is H.
std::int32_t ShadeColor(double y, double height);

// The shading of a panel of `rows` pixel rows, its rule stepping `stepsPerRow`
// to a pixel row (the outer panel's rule was written in twips, so its rows
// take the colour of the last twip that falls in them): each row's colour.
std::vector<std::int32_t> ShadeRows(int rows, float stepsPerRow);

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
