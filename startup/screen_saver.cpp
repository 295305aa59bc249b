#include "startup/screen_saver.h"

namespace lumora {
namespace {

constexpr std::uint32_t kPlatformNT = 2;
// A 16-bit True widened with its sign, as the platform has always received it.
constexpr std::uint32_t kWideTrue = 0xFFFFFFFFu;

} // namespace

bool IsNtFamily(platform::Saver& saver) {
    const platform::VersionAnswer answer = saver.QueryVersion();
    return answer.result == 1 && answer.platformId == kPlatformNT;
}

void MarkScreenSaverRunning(platform::Saver& saver, bool running) {
    saver.SetScreenSaverRunning(running ? kWideTrue : 0u);
}

} // namespace lumora
