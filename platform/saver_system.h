// What a Windows screen saver tells the system and asks of it: the cursor, the
// running flag, the version, and the old family's password change.
#pragma once

#include <cstdint>
#include <string>

#include "platform/process.h"

namespace lumora::platform {

class Cursor {
public:
    virtual ~Cursor() = default;
    // ShowCursor: returns the new display count.
    virtual int Show(bool show) = 0;
};

struct VersionAnswer {
    std::int32_t result = 0;      // what GetVersionEx returned
    std::uint32_t platformId = 0; // only meaningful when result is nonzero
};

class Saver {
public:
    virtual ~Saver() = default;
    // GetVersionEx on a zeroed record whose size field is 148.
    virtual VersionAnswer QueryVersion() = 0;
    // SystemParametersInfo(SPI_SETSCREENSAVERRUNNING, param, NULL, 0).
    virtual void SetScreenSaverRunning(std::uint32_t param) = 0;
    // PwdChangePasswordA from mpr.dll, looked up when called; absent on most
    // systems, in which case nothing happens.
    virtual void ChangePassword(const std::string& registryKey, WindowHandle owner,
                                std::uint32_t reserved1, std::uint32_t reserved2) = 0;
};

} // namespace lumora::platform
