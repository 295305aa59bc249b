// The seams through which the subsystems reach the operating system.
//
// Nothing here includes <windows.h>: the subsystems are plain C++ that the native
// build compiles and the unit tests drive through the fakes in tests/support/.
// Text crossing these seams is UTF-8; the Win32 side converts at the boundary.
#pragma once

#include <cstddef>
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

// The system's code of the last failure, 0 when there was none.
using ErrorCode = std::uint32_t;

class Files {
public:
    virtual ~Files() = default;
    // The path names a file (not a folder) that can be opened for reading now.
    virtual bool CanOpenForReading(const std::string& path) = 0;
    // A file (not a folder) is there, whatever may be done with it.
    virtual bool Exists(const std::string& path) = 0;
    // The folder is there afterwards (made when missing; its parent must exist).
    virtual bool MakeFolder(const std::string& path) = 0;
    // Copies a file over another, which may exist; the copy is writable.
    virtual bool Copy(const std::string& from, const std::string& to) = 0;
    // Makes a new file holding exactly these bytes, replacing one that exists.
    virtual bool WriteNew(const std::string& path, const std::string& bytes) = 0;
    // Has the file's contents written through to the disk (not only handed to
    // the system's cache), so that they survive a power cut.
    virtual bool Flush(const std::string& path) = 0;
    // Puts `from` in the place of `to` in one step.
    virtual bool Replace(const std::string& from, const std::string& to) = 0;
    virtual void Remove(const std::string& path) = 0;
    // Why the last of the calls above, or the last profile write, failed.
    virtual ErrorCode LastError() = 0;
    // The system's own words for a failure, in the user's language.
    virtual std::string DescribeError(ErrorCode code) = 0;
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

class Clock {
public:
    virtual ~Clock() = default;
    // GetTickCount: milliseconds since the system started, wrapping.
    virtual std::uint32_t TickCount() = 0;
    // The local time of day in seconds since midnight, with fractions.
    virtual double SecondsSinceMidnight() = 0;
};

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

// The set of seams one run of the program uses.
struct Platform {
    Windows& windows;
    Cursor& cursor;
    Saver& saver;
    Profile& profile;
    Files& files;
    Process& process;
    Clock& clock;
    Mci& mci;
    Sound& sound;
};

} // namespace lumora::platform
