#include "linux/music_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>

namespace lumora::linux_desktop {

std::string MusicLockPath() {
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime != nullptr && *runtime == '/')
        return std::string(runtime) + "/lumora-music.lock";
    return "/tmp/lumora-music-" + std::to_string(::getuid()) + ".lock";
}

bool OneMusicAmongHacks::TryClaim() {
    if (lock_) return true;
    // Never through a link: in a folder others may write, a link could point
    // the open at a file of theirs.
    UniqueFd file(::open(lockPath_.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600));
    struct stat status {};
    if (!file || ::fstat(file.Get(), &status) != 0 || status.st_uid != ::getuid()) return true;
    if (::flock(file.Get(), LOCK_EX | LOCK_NB) != 0) return false;
    lock_ = std::move(file);
    return true;
}

MusicStarted OneMusicAmongHacks::Start(const std::function<bool()>& stillWanted) {
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::milliseconds(kClaimWaitMs);
    while (!TryClaim()) {
        if (std::chrono::steady_clock::now() >= giveUp || (stillWanted && !stillWanted())) return {};
        std::this_thread::sleep_for(std::chrono::milliseconds(kClaimRetryMs));
    }
    return player_->Start(stillWanted);
}

} // namespace lumora::linux_desktop
