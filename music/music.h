// Background music: the audio CD, or an MP3 or WAV file played over and over,
// through the platform's MCI command strings and its sound player.
#pragma once

#include <cstdint>
#include <string>

#include "platform/platform.h"

namespace lumora {

// "WAV", "MP3" or anything else: the last three characters of the file's name,
// upper-cased (the whole name when shorter). No dot is looked for.
std::string Sound_FileType(const std::string& file);

// The music of one run, with the buffers its commands share.
class Music {
public:
    explicit Music(const platform::Platform& platform) : platform_(platform) {}

    // The MCI command layer.
    std::int32_t MCI_Send(const std::string& command, std::string& reply);
    std::string MCI_Query(const std::string& command);
    std::int32_t CD_Play(const std::string& device, const std::string& start, const std::string& end);

    // The CD player.
    void CD_Open();
    void CD_Watch();
    void CD_PrevTrack();
    void CD_NextTrack();
    void CD_Close();

    // The sound-file player.
    void MP3_Play();
    bool MP3_IsPlaying();
    void MP3_Watch();
    void MP3_Close();
    void WAV_Play();
    void WAV_Stop();

    // Buffers handed to the platform: reused by every call, never cleared.
    static constexpr std::size_t kReplyLength = 512;
    static constexpr std::size_t kErrorLength = 256;
    static constexpr std::size_t kCdModeLength = 255; // of a 256-character buffer
    static constexpr std::size_t kMp3ModeLength = 30;
    std::string MCI_ReplyBuf;
    std::string MCI_ErrorBuf;
    std::string MCI_Reply;
    bool CD_Watching = false;
    std::string CD_ModeBuf;
    std::string MP3_ModeBuf;

private:
    void CD_Step(int direction);

    const platform::Platform& platform_;
};

} // namespace lumora
