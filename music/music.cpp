#include "music/music.h"

#include <optional>

#include "settings/numbers.h"
#include "settings/settings.h"
#include "settings/text.h"

namespace lumora {
namespace {

constexpr const char* kNoCommand = "コマンド文字列が指定されていません";
constexpr const char* kNoErrorText = "Error (文字列が取れません)";
constexpr std::uint32_t kSndAsyncLoop = 1 | 8;

bool ContainsErr(const std::string& text) { return AsciiUpper(text).find("ERR") != std::string::npos; }

bool StartsWith(const std::string& buffer, const char* word) { return buffer.rfind(word, 0) == 0; }

} // namespace

std::string Sound_FileType(const std::string& file) {
    // Characters, not bytes: step back over UTF-8 continuation bytes.
    std::size_t start = file.size();
    for (int characters = 0; characters < 3 && start > 0; ++characters) {
        --start;
        while (start > 0 && IsContinuation(file[start])) --start;
    }
    return AsciiUpper(file.substr(start));
}

// The MCI command layer ------------------------------------------------------

std::int32_t Music::MCI_Send(const std::string& command, std::string& reply) {
    if (command.empty()) {
        reply = kNoCommand;
        return -1;
    }
    const std::int32_t result = platform_.mci.SendString(command, &MCI_ReplyBuf, kReplyLength);
    if (result == 0) {
        reply = MCI_ReplyBuf;
        return 0;
    }
    reply = platform_.mci.GetErrorString(result, MCI_ErrorBuf, kErrorLength) != 0 ? MCI_ErrorBuf
                                                                                  : kNoErrorText;
    return result;
}

std::string Music::MCI_Query(const std::string& command) {
    const std::int32_t result = MCI_Send(command, MCI_Reply);
    return result == 0 ? MCI_Reply : "Error:" + std::to_string(result);
}

std::int32_t Music::CD_Play(const std::string& device, const std::string& start, const std::string& end) {
    std::string command = "play " + device;
    if (!start.empty()) command += " from " + start;
    if (!end.empty()) command += " to " + end;
    return MCI_Send(command, MCI_Reply);
}

// The CD player --------------------------------------------------------------

void Music::CD_Open() {
    platform_.mci.SendString("open cdaudio", nullptr, 0);
    platform_.mci.SendString("set cdaudio time format tmsf", nullptr, 0);
}

void Music::CD_Watch() {
    CD_Watching = true;
    const std::string currentTrack = MCI_Query("status cdaudio current track");
    if (ContainsErr(currentTrack)) {
        CD_Watching = false;
        return;
    }
    if (ContainsErr(MCI_Query("status cdaudio number of tracks"))) {
        CD_Watching = false;
        return;
    }
    platform_.mci.SendString("status cdaudio mode", &CD_ModeBuf, kCdModeLength);
    const bool stopped = StartsWith(CD_ModeBuf, "stopped");

    if (BGM_Loop != 0) {
        // A track reply that is no number ends the watch, as any failure here does.
        std::optional<double> track = Number_Parse(currentTrack);
        if (!track) {
            CD_Watching = false;
            return;
        }
        if (stopped || *track != BGM_Loop) {
            const std::string position =
                MCI_Query("status cdaudio position track " + std::to_string(BGM_Loop));
            CD_Play("cdaudio", position, "");
        }
    } else if (stopped) {
        CD_Play("cdaudio", "", "");
    }
}

// Every step runs whatever the one before it gave: an unreadable track counts
// as 0, and a position that is an error text is sent on for the device to refuse.
void Music::CD_Step(int direction) {
    std::int16_t track = 0;
    if (std::optional<std::int16_t> read =
            Round_Int16(Number_Leading(MCI_Query("status cdaudio current track"))))
        track = *read;
    const int target = track + direction;
    const std::string position = MCI_Query("status cdaudio position track " + std::to_string(target));
    CD_Play("cdaudio", position, "");
}

void Music::CD_PrevTrack() { CD_Step(-1); }

void Music::CD_NextTrack() { CD_Step(+1); }

void Music::CD_Close() {
    platform_.mci.SendString("stop cdaudio", nullptr, 0);
    platform_.mci.SendString("close cdaudio", nullptr, 0);
}

// The sound-file player ------------------------------------------------------

void Music::MP3_Play() {
    // The quotes carry a path with blanks; a quote inside the path would end it
    // early and let the rest be read as more of the command. Windows allows no
    // such name, so such a setting can only be damage: play nothing.
    if (BGM_File.find('"') != std::string::npos) return;
    const std::string open = "open \"" + BGM_File + "\" type MPEGVideo Alias MP3Play";
    if (platform_.mci.SendString(open, nullptr, 0) == 0)
        platform_.mci.SendString("play MP3Play", nullptr, 0);
}

bool Music::MP3_IsPlaying() {
    platform_.mci.SendString("status MP3Play mode", &MP3_ModeBuf, kMp3ModeLength);
    return StartsWith(MP3_ModeBuf, "playing");
}

void Music::MP3_Watch() {
    if (MP3_IsPlaying()) return;
    platform_.mci.SendString("stop MP3Play", nullptr, 0);
    platform_.mci.SendString("play MP3Play from 0", nullptr, 0);
}

void Music::MP3_Close() {
    platform_.mci.SendString("stop MP3Play", nullptr, 0);
    platform_.mci.SendString("close MP3Play", nullptr, 0);
}

void Music::WAV_Play() {
    if (platform_.sound.WaveOutDevices() <= 0) return;
    platform_.sound.Play(&BGM_File, kSndAsyncLoop);
}

void Music::WAV_Stop() { platform_.sound.Play(nullptr, 0); }

} // namespace lumora
