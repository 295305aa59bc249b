#include "linux/runtime_folder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

namespace lumora::linux_desktop {
namespace {

TEST(RuntimeFolder, OnlyAFolderOfTheUsersOwnThatNobodyElseMayEnterIsTaken) {
    namespace fs = std::filesystem;
    const uid_t me = getuid();
    const std::string name = std::to_string(me);
    struct Case {
        const char* what;
        void (*make)(const fs::path& folder);
        bool taken;
    };
    const Case cases[] = {
        {"the user's own, closed to others",
         [](const fs::path& f) { fs::create_directory(f); chmod(f.c_str(), 0700); }, true},
        {"open to the group", [](const fs::path& f) { fs::create_directory(f); chmod(f.c_str(), 0750); }, false},
        {"open to all", [](const fs::path& f) { fs::create_directory(f); chmod(f.c_str(), 0755); }, false},
        {"a link to the user's folder", [](const fs::path& f) {
             fs::create_directory(f.string() + ".real");
             chmod((f.string() + ".real").c_str(), 0700);
             fs::create_directory_symlink(f.string() + ".real", f);
         }, false},
        {"a file", [](const fs::path& f) { std::fclose(std::fopen(f.c_str(), "w")); chmod(f.c_str(), 0600); }, false},
        {"missing", [](const fs::path&) {}, false},
    };
    for (const Case& c : cases) {
        const fs::path base = fs::path(::testing::TempDir()) / "lumora-runtime-test";
        fs::remove_all(base);
        fs::create_directories(base);
        c.make(base / name);
        EXPECT_EQ(UsersRuntimeFolder(base.string(), me), c.taken ? (base / name).string() : "") << c.what;
        fs::remove_all(base);
    }
}

} // namespace
} // namespace lumora::linux_desktop
