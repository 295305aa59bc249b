// Starts a program from a command line taken exactly as given, the way the
// control panel and shell links do, so that an unquoted path with blanks
// reaches the program as it is. (Python would quote it.)
//
//   launcher [--app PATH] LINE [MS]  starts LINE with CreateProcessW, prints
//                                    "pid=N", waits at most MS (30000) for it to
//                                    end, then prints "exit=CODE", or "timeout"
//                                    and ends it
//   launcher --short PATH            prints "short=PATH" in the 8.3 form, or
//                                    "short=" when the file system has none
//   launcher ... --echo              prints "line=" and the command line it got
//
// Without --app, the program is found from LINE alone (no application name).
// Windows then hands LINE over untouched; Wine puts quotes around the program's
// path first. With --app the line reaches the program untouched under Wine too.
//
// The program runs in a job that ends with the launcher, so a test that gives
// up on the launcher leaves no program behind.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

void PrintUtf8(const char* key, const std::wstring& text) {
    char utf8[8192] = "";
    ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, utf8, sizeof utf8, nullptr, nullptr);
    std::printf("%s=%s\n", key, utf8);
    std::fflush(stdout);
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    // Last, for the C runtime splits an unquoted path with blanks into many.
    if (argc >= 2 && std::wcscmp(argv[argc - 1], L"--echo") == 0) {
        PrintUtf8("line", ::GetCommandLineW());
        return 0;
    }
    if (argc == 3 && std::wcscmp(argv[1], L"--short") == 0) {
        wchar_t shortPath[MAX_PATH] = L"";
        const DWORD length = ::GetShortPathNameW(argv[2], shortPath, MAX_PATH);
        PrintUtf8("short", length > 0 && length < MAX_PATH ? shortPath : L"");
        return 0;
    }
    int next = 1;
    const wchar_t* application = nullptr;
    if (argc > 3 && std::wcscmp(argv[1], L"--app") == 0) {
        application = argv[2];
        next = 3;
    }
    if (argc != next + 1 && argc != next + 2) return 2;
    const DWORD wait = argc == next + 2 ? static_cast<DWORD>(std::wcstoul(argv[next + 1], nullptr, 10)) : 30000;
    // CreateProcessW may write into the line it is given.
    std::wstring line = argv[next];
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    HANDLE job = ::CreateJobObjectW(nullptr, nullptr);
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (job != nullptr)
        ::SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits);
    // The handles are inherited so that what the program prints lands in this
    // program's output.
    if (!::CreateProcessW(application, line.data(), nullptr, nullptr, TRUE, CREATE_SUSPENDED, nullptr, nullptr,
                          &startup, &process)) {
        std::printf("failed=%lu\n", ::GetLastError());
        return 1;
    }
    if (job != nullptr) ::AssignProcessToJobObject(job, process.hProcess);
    ::ResumeThread(process.hThread);
    std::printf("pid=%lu\n", process.dwProcessId);
    std::fflush(stdout);
    if (::WaitForSingleObject(process.hProcess, wait) == WAIT_OBJECT_0) {
        DWORD code = 0;
        ::GetExitCodeProcess(process.hProcess, &code);
        std::printf("exit=%lu\n", code);
    } else {
        ::TerminateProcess(process.hProcess, 1);
        std::printf("timeout\n");
    }
    std::fflush(stdout);
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    return 0;
}
