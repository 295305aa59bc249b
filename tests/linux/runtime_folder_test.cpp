#include "linux/runtime_folder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

namespace lumora::linux_desktop {
namespace {

TEST(RuntimeFolder, OnlyAFolderOfTheUsersOwnThatNobodyElseMayEnterIsTaken) {
    namespace fs = std::filesystem;
    const fs::path base = fs::path(::testing::TempDir()) / "lumora-runtime-test";
    const fs::path folder = base / std::to_string(getuid());
    // What is made at /run/user/UID: a folder, a link to one, or nothing; its mode.
    enum Made { Folder, Link, Nothing };
    const struct {
        Made made;
        mode_t mode;
        bool taken;
    } cases[] = {{Folder, 0700, true}, {Folder, 0750, false}, {Folder, 0705, false}, {Link, 0700, false},
                 {Nothing, 0, false}};
    for (const auto& c : cases) {
        fs::remove_all(base);
        fs::create_directories(base / "real");
        chmod((base / "real").c_str(), c.mode);
        if (c.made == Folder) fs::rename(base / "real", folder);
        if (c.made == Link) fs::create_directory_symlink(base / "real", folder);
        EXPECT_EQ(UsersRuntimeFolder(base.string(), getuid()), c.taken ? folder.string() : "")
            << "made " << c.made << ", mode " << std::oct << c.mode;
    }
    fs::remove_all(base);
}

} // namespace
} // namespace lumora::linux_desktop
