// Windows' music devices: MCI's command strings and the sound player.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace lumora::platform {

class Mci {
public:
    virtual ~Mci() = default;
    // mciSendString with no callback window. With a buffer, `length` characters
    // are offered to the platform: `buffer` holds the buffer's text (up to its
    // first NUL) and comes back with what the platform left there; it keeps its
    // text when the platform writes nothing. Returns 0 or an MCI error code.
    virtual std::int32_t SendString(const std::string& command, std::string* buffer,
                                    std::size_t length) = 0;
    // mciGetErrorString into a buffer of `length` characters, the same way;
    // nonzero when the platform could describe the code.
    virtual std::int32_t GetErrorString(std::int32_t code, std::string& buffer,
                                        std::size_t length) = 0;
};

// How a sound file is played.
struct SoundRequest {
    bool loop = false;     // over and over until stopped
    bool silentIfUnplayable = false; // never the system's default sound instead
};

class Sound {
public:
    virtual ~Sound() = default;
    // waveOutGetNumDevs.
    virtual std::int32_t WaveOutDevices() = 0;
    // Plays a sound file in the background as asked; false when the player
    // refused it.
    virtual bool Play(const std::string& file, const SoundRequest& request) = 0;
    // Stops what plays.
    virtual void Stop() = 0;
};

} // namespace lumora::platform
