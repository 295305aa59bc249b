#include "startup/hack_options.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "text/numbers.h"
#include "text/text.h"

namespace lumora {
namespace {

// XScreenSaver's options that every hack takes; a value after those that have one.
constexpr std::string_view kStandardWithValue[] = {"-visual"};
constexpr std::string_view kStandardAlone[] = {"-install", "-noinstall", "-mono", "-pair"};

bool IsOneOf(std::string_view option, const std::string_view* first, const std::string_view* last) {
    return std::find(first, last, option) != last;
}

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

// An unsigned whole number written in full, in decimal or (after "0x") in hexadecimal.
std::optional<unsigned long> WholeNumber(std::string_view text, bool hexAllowed) {
    text = Trimmed(text);
    int base = 10;
    if (hexAllowed && text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
        base = 16;
    }
    // from_chars would take a sign; a window or a track has none.
    if (text.empty() || text.front() == '+' || text.front() == '-') return std::nullopt;
    unsigned long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

// An X window id as XScreenSaver writes them ("0x2a00007") or in decimal; 0 is no window.
std::optional<unsigned long> WindowId(std::string_view text) {
    std::optional<unsigned long> id = WholeNumber(text, true);
    if (id && *id == 0) return std::nullopt;
    return id;
}

std::optional<MusicKind> MusicChoice(const std::string& text) {
    const std::string word = AsciiUpper(std::string(Trimmed(text)));
    if (word == "NONE") return MusicKind::NoMusic;
    if (word == "CD") return MusicKind::AudioCd;
    if (word == "FILE") return MusicKind::SoundFile;
    return std::nullopt;
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

// Digits from `at` on; false when there are none.
bool ReadNumber(const std::string& text, std::size_t& at, int& number) {
    const std::size_t from = at;
    long long value = 0;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9' && at - from < 6)
        value = value * 10 + (text[at++] - '0');
    number = static_cast<int>(value);
    return at > from && (at == text.size() || text[at] < '0' || text[at] > '9');
}

} // namespace

const char* const kHackUsage =
    "usage: lumora [options]\n"
    "  -root                 the screen saver's window ($XSCREENSAVER_WINDOW), else the whole screen\n"
    "  -window               a window of its own\n"
    "  -window-id ID         that X window, in decimal or 0x hexadecimal\n"
    "  -music none|cd|file   the music: none, the audio CD, or the file of -file\n"
    "  -track N              the CD track to play again and again, 1 to 99 (0: the whole disc)\n"
    "  -file PATH            the music file\n"
    "  -device PATH          the CD drive or a disc image's .cue (else the system's)\n"
    "  -display NAME         the X display to draw on\n"
    "  -geometry WxH+X+Y     the size and place of -window's window\n"
    "  -fps                  the frame rate in the bottom left corner (-no-fps: not)\n"
    "  -help                 this text\n"
    "Without -music, ~/.config/lumora/lumora.ini decides. On Wayland, without -root and\n"
    "-window-id, it covers every output. -install, -noinstall, -mono, -visual V and -pair\n"
    "are taken and mean nothing here. Two dashes serve as one.\n";

HackOptions ParseHackOptions(const std::vector<std::string>& arguments, std::string_view daemonWindow,
                             std::vector<std::string>& complaints) {
    HackOptions options;
    std::optional<unsigned long> daemon;
    if (!daemonWindow.empty()) {
        daemon = WindowId(daemonWindow);
        if (daemon) {
            options.target = HackTarget::GivenWindow;
            options.window = *daemon;
        } else {
            complaints.push_back("$XSCREENSAVER_WINDOW " + Quoted(std::string(daemonWindow)) +
                                 " is no X window id: ignored");
        }
    }

    for (std::size_t i = 0; i < arguments.size(); ++i) {
        std::string option = arguments[i];
        if (option.rfind("--", 0) == 0) option.erase(0, 1);
        // The options that take a value; the value is the next argument, whatever it is.
        const bool takesValue = option == "-window-id" || option == "-music" || option == "-track" ||
                                option == "-file" || option == "-device" || option == "-display" ||
                                option == "-geometry";
        if (takesValue && i + 1 == arguments.size()) {
            const char* what = option == "-window-id" ? "an X window id"
                               : option == "-music"   ? "none, cd or file"
                               : option == "-track"   ? "a track number"
                               : option == "-display" ? "an X display's name"
                               : option == "-geometry" ? "a size and place, WIDTHxHEIGHT+X+Y"
                               : option == "-device"  ? "a CD drive or a disc image"
                                                      : "a file's path";
            complaints.push_back(option + " needs " + what + " after it: ignored");
            break;
        }
        if (option == "-root") {
            options.target = daemon ? HackTarget::GivenWindow : HackTarget::Root;
            options.window = daemon.value_or(0);
        } else if (option == "-window") {
            options.target = HackTarget::OwnWindow;
            options.window = 0;
        } else if (option == "-window-id") {
            const std::string& value = arguments[++i];
            if (std::optional<unsigned long> id = WindowId(value)) {
                options.target = HackTarget::GivenWindow;
                options.window = *id;
            } else {
                complaints.push_back("-window-id " + Quoted(value) + " is no X window id: ignored");
            }
        } else if (option == "-music") {
            const std::string& value = arguments[++i];
            if (std::optional<MusicKind> kind = MusicChoice(value)) {
                options.music = kind;
            } else {
                complaints.push_back("-music takes none, cd or file, not " + Quoted(value) + ": ignored");
            }
        } else if (option == "-track") {
            const std::string& value = arguments[++i];
            const std::optional<unsigned long> track = WholeNumber(value, false);
            if (track && *track <= static_cast<unsigned long>(kLastCdTrack)) {
                options.track = static_cast<std::int16_t>(*track);
            } else {
                complaints.push_back("-track takes a CD track from 1 to " + std::to_string(kLastCdTrack) +
                                     " (0 for none), not " + Quoted(value) + ": ignored");
            }
        } else if (option == "-file") {
            options.file = arguments[++i];
        } else if (option == "-device") {
            options.device = arguments[++i];
        } else if (option == "-display") {
            options.display = arguments[++i];
        } else if (option == "-geometry") {
            options.geometry = arguments[++i];
        } else if (option == "-fps" || option == "-no-fps") {
            options.fps = option == "-fps";
        } else if (option == "-help" || option == "-h") {
            options.help = true;
        } else if (IsOneOf(option, std::begin(kStandardAlone), std::end(kStandardAlone))) {
            // Nothing to do: this program installs no colormap and draws in colour on any TrueColor screen.
        } else if (IsOneOf(option, std::begin(kStandardWithValue), std::end(kStandardWithValue))) {
            if (i + 1 < arguments.size()) ++i;
        } else {
            // A word after an unknown option is its value: one complaint for both, not two.
            std::string unknown = arguments[i];
            if (option.size() > 1 && option[0] == '-' && i + 1 < arguments.size() && !arguments[i + 1].empty() &&
                arguments[i + 1][0] != '-')
                unknown += " " + arguments[++i];
            complaints.push_back("unknown option " + Quoted(unknown) + " ignored (lumora -help lists the options)");
        }
    }
    return options;
}

Settings WithOptions(Settings settings, const HackOptions& options) {
    // A settings program gives the whole choice: a -music without -track or
    // -file means the whole disc and no file, not lumora.ini's (a settings
    // program leaves out a value that is its default).
    if (options.music) settings = Settings{*options.music, 0, ""};
    if (options.track) settings.repeatTrack = *options.track;
    if (options.file) settings.musicFile = *options.file;
    return settings;
}

Settings WithMusicFileReadable(Settings settings, const std::string& unreadable, std::vector<std::string>& complaints) {
    const bool none = settings.musicFile.empty();
    if (!none && unreadable.empty()) return settings;
    if (settings.music == MusicKind::SoundFile) {
        complaints.push_back(none ? "music from a file, but no file is set (-file PATH): no music"
                                  : "the music file " + Quoted(settings.musicFile) + " cannot be read (" + unreadable +
                                        "): no music");
        settings.music = MusicKind::NoMusic;
    }
    settings.musicFile.clear();
    return settings;
}

Settings LoadStoredSettingsTelling(platform::Profile& profile, const SettingsFile& file,
                                   std::vector<std::string>& complaints) {
    const Settings settings = LoadStoredSettings(profile, file);
    for (const char* key : {kKeyKind, kKeyLoop}) {
        const std::string text = ReadProfileValue(profile, kSettingsSection, key, file);
        const std::optional<double> number = ParseNumber(text);
        if (!text.empty() && (!number || !RoundToInt16(std::floor(*number))))
            complaints.push_back(file.path + ": " + key + "=" + text + " is no number that fits: read as 0");
    }
    const auto kind = static_cast<int>(settings.music);
    if (kind < 0 || kind > 2)
        complaints.push_back(file.path + ": " + kKeyKind + "=" + std::to_string(kind) +
                             " is no music kind (0 none, 1 CD, 2 sound file): no music");
    return settings;
}

std::optional<WindowGeometry> ParseGeometry(const std::string& text) {
    WindowGeometry geometry;
    std::size_t at = text.rfind('=', 0) == 0 ? 1 : 0;
    const std::size_t start = at;
    if (at < text.size() && text[at] >= '0' && text[at] <= '9') {
        if (!ReadNumber(text, at, geometry.width)) return std::nullopt;
        if (at < text.size() && (text[at] == 'x' || text[at] == 'X')) {
            ++at;
            if (!ReadNumber(text, at, geometry.height)) return std::nullopt;
        }
    }
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
        geometry.fromRight = text[at++] == '-';
        if (!ReadNumber(text, at, geometry.x) || at == text.size() || (text[at] != '+' && text[at] != '-'))
            return std::nullopt;
        geometry.fromBottom = text[at++] == '-';
        if (!ReadNumber(text, at, geometry.y)) return std::nullopt;
        geometry.placed = true;
    }
    if (at != text.size() || at == start) return std::nullopt;
    return geometry;
}

} // namespace lumora
