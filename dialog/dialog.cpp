#include "dialog/dialog.h"

#include <cmath>
#include <optional>

#include "text/numbers.h"

namespace lumora {

namespace {

constexpr const char* kFilter = "BGMﾌｧｲﾙ (MP3 WAV)";
constexpr const char* kPattern = "*.MP3;*.WAV";
constexpr const char* kOpenTitle = "ﾌｧｲﾙを開く";
constexpr int kRepeatEntries = 31; // the empty text, then 1 to 30
constexpr const char* kSaveFailed = "設定を保存できませんでした。";
// A write the system took without complaint, yet the file did not hold it after
// (a full disk does that).
constexpr const char* kNotReadBack = "書き込んだ内容を確かめられませんでした。";

// The mark of a music kind, or -1 for a kind that is no option.
int MarkOf(MusicKind kind) {
    const int index = static_cast<int>(kind);
    return index >= 0 && index <= 2 ? index : -1;
}

} // namespace

std::string FormatTrack(long value) { return value == 0 ? "" : std::to_string(value); }

std::int16_t ParseRepeatTrack(const std::string& text) {
    std::optional<double> number = ParseNumber(text);
    if (!number) return 0;
    return RoundToInt16(*number).value_or(0);
}

void PlaceDialog(double screenWidth, double screenHeight, double outerWidth, double outerHeight,
                 std::int32_t& left, std::int32_t& top) {
    // Rounded first, then divided with the quotient cut toward zero.
    left = static_cast<std::int32_t>(std::nearbyint(screenWidth - outerWidth)) / 2;
    top = static_cast<std::int32_t>(std::nearbyint(screenHeight - outerHeight)) / 3;
}

std::int32_t ShadeColor(double y, double height) {
    const double k = height / 3.142; // 3.142, not pi: the last row comes out black
    const int v = k == 0 ? 0 : static_cast<int>(std::nearbyint(std::fabs(std::sin(y / k)) * 220));
    return MakeColor(v, v, v + 30);
}

void SettingsDialog::Open() {
    double outerWidth = 0;
    double outerHeight = 0;
    host_.OuterSizeFor(kPanelWidth, kPanelHeight, outerWidth, outerHeight);
    host_.SizeWindow(outerWidth, outerHeight);
    const DialogScreen screen = host_.Screen();
    std::int32_t left = 0;
    std::int32_t top = 0;
    PlaceDialog(screen.widthTwips, screen.heightTwips, outerWidth, outerHeight, left, top);
    host_.MoveWindow(left, top);

    ShowSettings();

    for (Control control : {Control::NoneMark, Control::CdMark, Control::FileMark, Control::NoneLabel,
                            Control::CdLabel, Control::FileLabel, Control::ChooseFileButton,
                            Control::CancelButton, Control::SaveButton, Control::Link})
        host_.GiveHandPointer(control);

    std::int32_t x = 0;
    std::int32_t y = 0;
    const bool known = host_.GetCursorPos(x, y) != 0;
    zoomX_ = known ? x : 0;
    zoomY_ = known ? y : 0;
    ZoomOpen();

    frame_ = 0;
    host_.EnableTimer(true);
}

void SettingsDialog::ShowSettings() {
    for (int index = 0; index < 3; ++index) host_.SetMark(index, false);
    host_.EnableFileButton(false);
    host_.EnableRepeat(false);
    // A kind that is no option marks nothing and enables nothing.
    if (const int mark = MarkOf(settings_.music); mark >= 0) host_.SetMark(mark, true);
    if (settings_.music == MusicKind::AudioCd) host_.EnableRepeat(true);
    if (settings_.music == MusicKind::SoundFile) host_.EnableFileButton(true);
    host_.SetRepeatText(FormatTrack(settings_.repeatTrack));
    for (int entry = 0; entry < kRepeatEntries; ++entry) host_.AddRepeatEntry(FormatTrack(entry));
    host_.SetFileCaption(settings_.musicFile);
}

void SettingsDialog::OnMusicChoice(MusicKind kind) {
    const int mark = MarkOf(kind);
    if (mark < 0) return;
    host_.EnableFileButton(false);
    host_.EnableRepeat(false);
    for (int index = 0; index < 3; ++index) host_.SetMark(index, false);
    host_.SetMark(mark, true);
    if (kind == MusicKind::AudioCd) host_.EnableRepeat(true);
    if (kind == MusicKind::SoundFile) host_.EnableFileButton(true);
    settings_.music = kind;
}

void SettingsDialog::OnChooseFile() {
    const OpenFileAnswer answer = host_.OpenFile(std::string(kFilter) + '\0' + kPattern + '\0', kOpenTitle);
    if (answer.result > 0) {
        settings_.musicFile = answer.path;
        host_.SetFileCaption(settings_.musicFile);
    }
}

bool SettingsDialog::Save() {
    settings_.repeatTrack = ParseRepeatTrack(host_.RepeatText());
    const SaveOutcome outcome = SaveSettings(platform_, settings_);
    if (outcome.saved) return true;
    std::string message = kSaveFailed;
    for (const SaveAttempt& attempt : outcome.failures) {
        message += "\n\n" + attempt.folder + "\n";
        message += attempt.error != 0 ? platform_.files.DescribeError(attempt.error) : kNotReadBack;
    }
    host_.ShowMessage(message);
    return false;
}

void SettingsDialog::OnSave() {
    if (Save()) host_.Close();
}

void SettingsDialog::OnCancel() { host_.Close(); }

void SettingsDialog::OnLink() {
    host_.SetScreenPointer(true);
    host_.OpenDocument(kAddress);
    host_.SetScreenPointer(false);
}

void SettingsDialog::OnClose() { ZoomClose(); }

void SettingsDialog::ZoomOpen() {
    const Rect point{zoomX_, zoomY_, zoomX_, zoomY_};
    host_.DrawAnimatedRects(point, host_.WindowRect());
}

void SettingsDialog::ZoomClose() {
    const Rect point{zoomX_, zoomY_, zoomX_, zoomY_};
    host_.DrawAnimatedRects(host_.WindowRect(), point);
}

void SettingsDialog::Shade(Panel panel) {
    const PanelSize size = host_.InnerSize(panel);
    const double rows = std::nearbyint(size.height);
    for (double y = 0; y <= rows; ++y) host_.DrawRow(panel, y, size.width, ShadeColor(y, size.height));
}

void SettingsDialog::OnResize() {
    Shade(Panel::Outer);
    Shade(Panel::Inner);
}

void SettingsDialog::OnAnimationTimer() {
    host_.ClearEarth();
    host_.PaintEarthFrame(frame_);
    host_.RefreshEarth();
    if (++frame_ > kFrames - 1) frame_ = 0;
}

} // namespace lumora
