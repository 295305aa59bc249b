#include "music/music.h"

#include <optional>

#include "text/numbers.h"
#include "text/text.h"

namespace lumora {
namespace {

constexpr const char* kNoCommand = "コマンド文字列が指定されていません";
constexpr const char* kNoErrorText = "Error (文字列が取れません)";

bool ContainsErr(const std::string& text) { return AsciiUpper(text).find("ERR") != std::string::npos; }

bool StartsWith(const std::string& buffer, const char* word) { return buffer.rfind(word, 0) == 0; }

} // namespace

SoundFileType TypeOfSoundFile(const std::string& file) {
    // Characters, not bytes: step back over UTF-8 continuation bytes.
    std::size_t start = file.size();
    for (int characters = 0; characters < 3 && start > 0; ++characters) {
        --start;
        while (start > 0 && IsContinuation(file[start])) --start;
    }
    const std::string last = AsciiUpper(file.substr(start));
    return last == "WAV" ? SoundFileType::Wav : last == "MP3" ? SoundFileType::Mp3 : SoundFileType::Other;
}

MusicStarted Music::Start(const std::function<bool()>& stillWanted) {
    MusicStarted started;
    if (settings_.music == MusicKind::AudioCd) {
        started.cdOpened = OpenCd();
        started.playing = MusicPlaying::AudioCd;
    } else if (settings_.music == MusicKind::SoundFile && FileExists(platform_.files, settings_.musicFile)) {
        switch (TypeOfSoundFile(settings_.musicFile)) {
        case SoundFileType::Wav:
            if (PlayWav(stillWanted)) started.playing = MusicPlaying::LoopingFile;
            break;
        case SoundFileType::Mp3:
            PlayMp3(stillWanted);
            started.playing = MusicPlaying::WatchedFile;
            break;
        case SoundFileType::Other: break;
        }
    }
    return started;
}

void Music::Stop(const MusicStarted& started) {
    // The CD is stopped whenever its device opened, whatever its watch found
    // since: a disc must not play on after the saver.
    if (started.cdOpened) CloseCd();
    if (started.playing == MusicPlaying::LoopingFile) StopWav();
    if (started.playing == MusicPlaying::WatchedFile) CloseMp3();
}

// The MCI command layer ------------------------------------------------------

std::int32_t Music::Send(const std::string& command, std::string& reply) {
    if (command.empty()) {
        reply = kNoCommand;
        return -1;
    }
    const std::int32_t result = platform_.mci.SendString(command, &replyBuffer_, kReplyLength);
    if (result == 0) {
        reply = replyBuffer_;
        return 0;
    }
    reply = platform_.mci.GetErrorString(result, errorBuffer_, kErrorLength) != 0 ? errorBuffer_
                                                                                  : kNoErrorText;
    return result;
}

std::string Music::Query(const std::string& command) {
    const std::int32_t result = Send(command, reply_);
    return result == 0 ? reply_ : "Error:" + std::to_string(result);
}

std::int32_t Music::PlayCd(const std::string& device, const std::string& start, const std::string& end) {
    std::string command = "play " + device;
    if (!start.empty()) command += " from " + start;
    if (!end.empty()) command += " to " + end;
    return Send(command, reply_);
}

// The CD player --------------------------------------------------------------

bool Music::OpenCd() {
    const bool opened = platform_.mci.SendString("open cdaudio", nullptr, 0) == 0;
    platform_.mci.SendString("set cdaudio time format tmsf", nullptr, 0);
    return opened;
}

bool Music::WatchCd() {
    const std::string currentTrack = Query("status cdaudio current track");
    if (ContainsErr(currentTrack)) return false;
    if (ContainsErr(Query("status cdaudio number of tracks"))) return false;
    platform_.mci.SendString("status cdaudio mode", &cdMode_, kCdModeLength);
    const bool stopped = StartsWith(cdMode_, "stopped");

    const std::int16_t repeat = settings_.repeatTrack;
    if (repeat != 0) {
        // A track reply that is no number ends the watch, as any failure here does.
        std::optional<double> track = ParseNumber(currentTrack);
        if (!track) return false;
        if (stopped || *track != repeat) {
            const std::string position =
                Query("status cdaudio position track " + std::to_string(repeat));
            PlayCd("cdaudio", position, "");
        }
    } else if (stopped) {
        PlayCd("cdaudio", "", "");
    }
    return true;
}

// Every step runs whatever the one before it gave: an unreadable track counts
// as 0, and a position that is an error text is sent on for the device to refuse.
void Music::StepTracks(int steps) {
    std::int16_t track = 0;
    if (std::optional<std::int16_t> read =
            RoundToInt16(LeadingNumber(Query("status cdaudio current track"))))
        track = *read;
    const int target = track + steps;
    const std::string position = Query("status cdaudio position track " + std::to_string(target));
    PlayCd("cdaudio", position, "");
}

void Music::CloseCd() {
    platform_.mci.SendString("stop cdaudio", nullptr, 0);
    platform_.mci.SendString("close cdaudio", nullptr, 0);
}

// The sound-file player ------------------------------------------------------

void Music::PlayMp3(const std::function<bool()>& stillWanted) {
    // The quotes carry a path with blanks; a quote inside the path would end it
    // early and let the rest be read as more of the command. Windows allows no
    // such name, so such a setting can only be damage: play nothing.
    if (settings_.musicFile.find('"') != std::string::npos) return;
    const std::string open = "open \"" + settings_.musicFile + "\" type MPEGVideo Alias MP3Play";
    if (platform_.mci.SendString(open, nullptr, 0) != 0) return;
    // An open can take long; a start given up meanwhile closes without a sound.
    if (stillWanted && !stillWanted()) {
        platform_.mci.SendString("close MP3Play", nullptr, 0);
        return;
    }
    platform_.mci.SendString("play MP3Play", nullptr, 0);
}

bool Music::Mp3Playing() {
    platform_.mci.SendString("status MP3Play mode", &mp3Mode_, kMp3ModeLength);
    return StartsWith(mp3Mode_, "playing");
}

void Music::WatchMp3() {
    if (Mp3Playing()) return;
    platform_.mci.SendString("stop MP3Play", nullptr, 0);
    platform_.mci.SendString("play MP3Play from 0", nullptr, 0);
}

void Music::CloseMp3() {
    platform_.mci.SendString("stop MP3Play", nullptr, 0);
    platform_.mci.SendString("close MP3Play", nullptr, 0);
}

bool Music::PlayWav(const std::function<bool()>& stillWanted) {
    if (stillWanted && !stillWanted()) return false;
    // The first call into the multimedia library loads it and wakes the sound
    // system, slow on a cold machine: the start may be given up meanwhile.
    const bool device = platform_.sound.WaveOutDevices() > 0;
    if (stillWanted && !stillWanted()) return false;
    // Over and over, and silence (never the system's default sound) for a file
    // the player cannot play.
    if (device) platform_.sound.Play(settings_.musicFile, platform::SoundRequest{true, true});
    return true;
}

void Music::StopWav() { platform_.sound.Stop(); }

} // namespace lumora
