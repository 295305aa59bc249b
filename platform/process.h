// The program's own process on Windows: its command line and paths, the
// user's folders, its one instance, and the other windows it must not start beside.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace lumora::platform {

// Window handles travel as the 32-bit numbers the command line carries; the
// Win32 side sign-extends them, as Windows does for handles passed between
// 32-bit and 64-bit processes.
using WindowHandle = std::int32_t;

class Windows {
public:
    virtual ~Windows() = default;
    // A top-level window with exactly this title exists (FindWindow, no class name).
    virtual bool TopLevelWindowExists(const std::string& title) = 0;
};

enum class KnownFolder {
    RoamingAppData, // %APPDATA%: the user's settings that travel with them
    LocalAppData,   // %LOCALAPPDATA%: this machine's, where Windows' VirtualStore is
};

class Process {
public:
    virtual ~Process() = default;
    // The whole command line, program name included.
    virtual std::string CommandLine() = 0;
    // The executable's own path, in every form Windows may have started it by:
    // the long one and the short (8.3) one.
    virtual std::vector<std::string> ProgramPaths() = 0;
    // The folder of the executable, without a trailing separator except at a
    // drive's root ("C:\").
    virtual std::string ProgramFolder() = 0;
    // The folder, without a trailing separator; "" when the system has none.
    virtual std::string FolderOf(KnownFolder folder) = 0;
    // Claims the one instance of the saver or its settings dialog that may run
    // in this session, for the rest of the process's life; false when another
    // process holds it.
    virtual bool ClaimSingleInstance() = 0;
};

} // namespace lumora::platform
