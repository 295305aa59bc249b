#include "linux/runtime_folder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

namespace lumora::linux_desktop {

std::string UsersRuntimeFolder(const std::string& base, uid_t user) {
    const std::string folder = base + "/" + std::to_string(user);
    struct stat status {};
    if (lstat(folder.c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) return "";
    if (status.st_uid != user || (status.st_mode & (S_IRWXG | S_IRWXO)) != 0) return "";
    return folder;
}

void FindRuntimeFolder() {
    const char* named = std::getenv("XDG_RUNTIME_DIR");
    if (named != nullptr && *named != '\0') return;
    const std::string folder = UsersRuntimeFolder("/run/user", getuid());
    if (!folder.empty()) setenv("XDG_RUNTIME_DIR", folder.c_str(), 1);
}

} // namespace lumora::linux_desktop
