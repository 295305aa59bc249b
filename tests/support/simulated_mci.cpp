#include "tests/support/simulated_mci.h"

#include <cstdio>
#include <cstdlib>

namespace lumora::fake {
namespace {

bool Consume(std::string& text, const std::string& prefix) {
    if (text.rfind(prefix, 0) != 0) return false;
    text.erase(0, prefix.size());
    return true;
}

// "tt:mm:ss:ff", as the device reports and accepts positions in tmsf.
bool ParseTmsf(const std::string& text, int& track, int& ms) {
    int t = 0, m = 0, s = 0, f = 0;
    char tail = 0;
    if (std::sscanf(text.c_str(), "%d:%d:%d:%d%c", &t, &m, &s, &f, &tail) != 4) return false;
    track = t;
    ms = (m * 60 + s) * 1000 + f * 1000 / 75;
    return true;
}

} // namespace

int SimulatedMci::TrackStartMs(int track) const {
    int start = 0;
    for (int i = 1; i < track; ++i) start += trackSeconds[static_cast<std::size_t>(i - 1)] * 1000;
    return start;
}

int SimulatedMci::DiscLengthMs() const { return TrackStartMs(static_cast<int>(trackSeconds.size()) + 1); }

int SimulatedMci::CurrentTrack() const {
    if (trackSeconds.empty()) return 0;
    for (int track = static_cast<int>(trackSeconds.size()); track >= 1; --track)
        if (cdPositionMs >= TrackStartMs(track)) return track;
    return 1;
}

void SimulatedMci::Advance(int milliseconds) {
    if (cdPlaying) {
        cdPositionMs += milliseconds;
        if (cdPositionMs >= DiscLengthMs()) {
            // At the end of the disc the drive stops and goes back to the start.
            cdPlaying = false;
            cdPositionMs = 0;
        }
    }
    if (mp3Playing) {
        mp3PositionMs += milliseconds;
        if (mp3PositionMs >= mp3LengthMs) {
            mp3Playing = false;
            mp3PositionMs = mp3LengthMs;
        }
    }
}

std::int32_t SimulatedMci::SendString(const std::string& command, std::string* buffer,
                                      std::size_t length) {
    log_("mci: " + command);
    busyMs += answerMs;
    std::string reply;
    std::string rest = command;
    std::int32_t result = kUnrecognizedCommand;
    if (rest.find("cdaudio") != std::string::npos) {
        result = Cd(rest, reply);
    } else if (rest.find("MP3Play") != std::string::npos) {
        result = Mp3(rest, reply);
    }
    // Like the platform: a reply (or the empty text) lands in the buffer only on success.
    if (buffer != nullptr && length > 0 && result == 0) *buffer = reply.substr(0, length - 1);
    return result;
}

std::int32_t SimulatedMci::Cd(const std::string& command, std::string& reply) {
    if (!drivePresent) return command == "close cdaudio" ? kInvalidDeviceName : kCannotLoadDriver;
    if (command == "open cdaudio") {
        cdOpen = true;
        return 0;
    }
    if (!cdOpen) return kInvalidDeviceName;
    std::string rest = command;
    if (rest == "set cdaudio time format tmsf") return 0;
    if (rest == "close cdaudio") {
        cdOpen = false;
        cdPlaying = false;
        return 0;
    }
    if (rest == "stop cdaudio") {
        cdPlaying = false;
        return 0;
    }
    if (trackSeconds.empty()) return kDeviceNotReady;
    if (rest == "status cdaudio current track") {
        reply = currentTrackOverride.empty() ? std::to_string(CurrentTrack()) : currentTrackOverride;
        return 0;
    }
    if (rest == "status cdaudio number of tracks") {
        reply = std::to_string(trackSeconds.size());
        return 0;
    }
    if (rest == "status cdaudio mode") {
        reply = cdPlaying ? "playing" : "stopped";
        return 0;
    }
    if (Consume(rest, "status cdaudio position track ")) {
        char* end = nullptr;
        long track = std::strtol(rest.c_str(), &end, 10);
        if (end == rest.c_str() || *end != '\0') return kUnrecognizedCommand;
        if (track < 1 || track > static_cast<long>(trackSeconds.size())) return kOutOfRange;
        char text[32];
        std::snprintf(text, sizeof text, "%02ld:00:00:00", track);
        reply = text;
        return 0;
    }
    if (rest == "play cdaudio") {
        cdPlaying = true;
        return 0;
    }
    if (Consume(rest, "play cdaudio from ")) {
        int track = 0;
        int ms = 0;
        if (!ParseTmsf(rest, track, ms)) return kBadTimeFormat;
        if (track < 1 || track > static_cast<int>(trackSeconds.size())) return kOutOfRange;
        cdPositionMs = TrackStartMs(track) + ms;
        cdPlaying = true;
        return 0;
    }
    return kUnrecognizedCommand;
}

std::int32_t SimulatedMci::Mp3(const std::string& command, std::string& reply) {
    std::string rest = command;
    if (Consume(rest, "open \"")) {
        const std::string suffix = "\" type MPEGVideo Alias MP3Play";
        if (rest.size() < suffix.size() || rest.compare(rest.size() - suffix.size(), suffix.size(), suffix) != 0)
            return kUnrecognizedCommand;
        const std::string path = rest.substr(0, rest.size() - suffix.size());
        auto file = mp3Files.find(path);
        if (file == mp3Files.end() || mp3Open) return kInternal;
        mp3Open = true;
        mp3LengthMs = file->second;
        mp3PositionMs = 0;
        return 0;
    }
    if (!mp3Open) return kInvalidDeviceName;
    if (command == "play MP3Play") {
        mp3Playing = mp3PositionMs < mp3LengthMs;
        return 0;
    }
    if (command == "play MP3Play from 0") {
        mp3PositionMs = 0;
        mp3Playing = mp3LengthMs > 0;
        return 0;
    }
    if (command == "status MP3Play mode") {
        reply = !mp3ModeOverride.empty() ? mp3ModeOverride : mp3Playing ? "playing" : "stopped";
        return 0;
    }
    if (command == "stop MP3Play") {
        mp3Playing = false;
        return 0;
    }
    if (command == "close MP3Play") {
        mp3Open = false;
        mp3Playing = false;
        return 0;
    }
    return kUnrecognizedCommand;
}

std::int32_t SimulatedMci::GetErrorString(std::int32_t code, std::string& buffer, std::size_t length) {
    for (std::int32_t unknown : undescribed)
        if (unknown == code) return 0;
    std::string text = "MCI error " + std::to_string(code) + ".";
    buffer = text.substr(0, length - 1);
    return 1;
}

} // namespace lumora::fake
