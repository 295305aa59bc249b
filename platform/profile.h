// The settings file's keys, read and written as Windows' profile functions
// do; every edition reads its settings through this.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace lumora::platform {

// How a settings file keeps its text: in the system's ANSI code page (the
// file beside the program, as it has always been), or as UTF-16 with a byte-
// order mark, which holds any path.
enum class ProfileText { Ansi, Unicode };

class Profile {
public:
    virtual ~Profile() = default;
    // GetPrivateProfileString with an empty default into a buffer of bufferBytes
    // (counted in the ANSI code page for an ANSI file, in UTF-8 otherwise): at
    // most bufferBytes - 1 bytes come back. Missing file, section or key read as "".
    virtual std::string Read(const std::string& section, const std::string& key,
                             const std::string& path, std::size_t bufferBytes, ProfileText text) = 0;
    // WritePrivateProfileString: creates the file, section and key as needed.
    // Returns the platform's result, nonzero on success.
    virtual std::int32_t Write(const std::string& section, const std::string& key,
                               const std::string& value, const std::string& path, ProfileText text) = 0;
};

} // namespace lumora::platform
