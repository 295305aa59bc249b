#include "dialog/dialog.h"

#include <cmath>
#include <memory>
#include <optional>

#include "text/numbers.h"
#include "text/text.h"

namespace lumora {

namespace {

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

namespace {

// Full-width digits, signs, point and blanks as their ASCII forms.
std::string HalfWidthNumber(const std::string& text) {
    std::string half;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t next = NextCharacter(text, i);
        const std::string character = text.substr(i, next - i);
        i = next;
        // U+FF10..U+FF19 are EF BC 90..99 in UTF-8.
        if (character.size() == 3 && character[0] == '\xEF' && character[1] == '\xBC' &&
            static_cast<unsigned char>(character[2]) >= 0x90 && static_cast<unsigned char>(character[2]) <= 0x99) {
            half += static_cast<char>('0' + (static_cast<unsigned char>(character[2]) - 0x90));
        } else if (character == "\xEF\xBC\x8B") { // ＋
            half += '+';
        } else if (character == "\xEF\xBC\x8D" || character == "\xE2\x88\x92") { // － and the minus sign
            half += '-';
        } else if (character == "\xEF\xBC\x8E") { // ．
            half += '.';
        } else if (character == "\xE3\x80\x80") { // the ideographic space
            half += ' ';
        } else {
            half += character;
        }
    }
    return half;
}

} // namespace

std::int16_t ParseRepeatTrack(const std::string& text) {
    std::optional<double> number = ParseNumber(HalfWidthNumber(text));
    if (!number) return 0;
    return RoundToInt16(*number).value_or(0);
}

std::int32_t ShadeColor(double y, double height) {
    const double k = height / 3.142; // 3.142, not pi: the last row comes out black
    const int v = k == 0 ? 0 : static_cast<int>(std::nearbyint(std::fabs(std::sin(y / k)) * 220));
    return MakeColor(v, v, v + 30);
}

std::vector<std::int32_t> ShadeRows(int rows, float stepsPerRow) {
    std::vector<std::int32_t> colors(static_cast<std::size_t>(rows > 0 ? rows : 0), 0);
    const double steps = static_cast<double>(stepsPerRow);
    const double height = rows * steps;
    const double last = std::nearbyint(height);
    for (double y = 0; y <= last; ++y) {
        const int row = static_cast<int>(std::floor(steps == 0 ? y : y / steps));
        if (row >= 0 && row < rows) colors[static_cast<std::size_t>(row)] = ShadeColor(y, height);
    }
    return colors;
}

void SettingsDialog::Open() {
    host_.PlaceWindow(kPanelWidth, kPanelHeight);

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

    // The first of the dialog's stops that is enabled takes the focus, so that
    // typing goes somewhere at once.
    host_.Focus(settings_.music == MusicKind::AudioCd     ? Control::RepeatBox
                : settings_.music == MusicKind::SoundFile ? Control::ChooseFileButton
                                                          : Control::CancelButton);

    if (!settings_.musicFile.empty()) {
        const std::string file = settings_.musicFile;
        auto exists = std::make_shared<bool>(false);
        platform::Files* files = &platform_.files;
        host_.RunInBackground([files, file, exists] { *exists = FileExists(*files, file); },
                              [this, file, exists] { OnMusicFileChecked(file, *exists); });
    }
}

// What loading has always done with a file that cannot be opened, done once the
// dialog stands: the path goes, and with it the sound-file kind, unless the
// user has made a choice of their own meanwhile.
void SettingsDialog::OnMusicFileChecked(const std::string& file, bool exists) {
    if (exists || settings_.musicFile != file) return;
    settings_.musicFile.clear();
    host_.SetFileCaption("");
    if (!choiceMade_ && settings_.music == MusicKind::SoundFile) {
        ShowChoice(MusicKind::NoMusic);
        settings_.music = MusicKind::NoMusic;
    }
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
    if (MarkOf(kind) < 0) return;
    ShowChoice(kind);
    settings_.music = kind;
    choiceMade_ = true;
}

void SettingsDialog::OnMusicChoiceKey(int step) {
    // As they stand, top to bottom.
    constexpr MusicKind kOrder[3] = {MusicKind::AudioCd, MusicKind::NoMusic, MusicKind::SoundFile};
    int at = -1;
    for (int i = 0; i < 3; ++i)
        if (kOrder[i] == settings_.music) at = i;
    // From a kind that is no option, down starts at the top and up at the bottom.
    const int next = at < 0 ? (step > 0 ? 0 : 2) : ((at + step) % 3 + 3) % 3;
    OnMusicChoice(kOrder[next]);
}

void SettingsDialog::ShowChoice(MusicKind kind) {
    host_.EnableFileButton(false);
    host_.EnableRepeat(false);
    for (int index = 0; index < 3; ++index) host_.SetMark(index, false);
    host_.SetMark(MarkOf(kind), true);
    if (kind == MusicKind::AudioCd) host_.EnableRepeat(true);
    if (kind == MusicKind::SoundFile) host_.EnableFileButton(true);
}

void SettingsDialog::OnChooseFile() {
    // Opening the chooser is a choice: the check of the stored file may end
    // while it is open (its own loop runs the dialog's events) and must then
    // leave the kind to the user.
    choiceMade_ = true;
    const OpenFileAnswer answer = host_.OpenFile({{"BGMﾌｧｲﾙ (MP3 WAV)", "*.MP3;*.WAV"}}, kOpenTitle);
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

void SettingsDialog::OnAnimationTimer() {
    host_.ClearEarth();
    host_.PaintEarthFrame(frame_);
    host_.RefreshEarth();
    if (++frame_ > kFrames - 1) frame_ = 0;
}

} // namespace lumora
