// Starts two programs back to back, as a double click or two impatient clicks
// on "Settings" do, and tells how many Lumora windows came of it.
//
//   double_start "COMMAND LINE" ["SECOND COMMAND LINE"]
//
// Starts the first command line and, without waiting, the second (or the first
// again). Then waits until one of the two has ended and a Lumora window stands
// (10 s at most each), and a moment more for a window that is late. Prints
// "dialogs=N displays=N ended=N" (top-level windows titled "ルモラの設定" and
// "Lumora_Main", processes ended by then), closes those windows with WM_CLOSE,
// and ends whatever of the two is still running after 10 s more.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

struct Count {
    int dialogs = 0;
    int displays = 0;
    bool close = false;
};

BOOL CALLBACK CountWindow(HWND window, LPARAM param) {
    auto* count = reinterpret_cast<Count*>(param);
    wchar_t title[64] = L"";
    ::GetWindowTextW(window, title, 64);
    const bool dialog = std::wcscmp(title, L"ルモラの設定") == 0;
    const bool display = std::wcscmp(title, L"Lumora_Main") == 0;
    count->dialogs += dialog;
    count->displays += display;
    if (count->close && (dialog || display)) ::PostMessageW(window, WM_CLOSE, 0, 0);
    return TRUE;
}

Count Windows(bool close) {
    Count count;
    count.close = close;
    ::EnumWindows(CountWindow, reinterpret_cast<LPARAM>(&count));
    return count;
}

HANDLE Start(const wchar_t* commandLine) {
    std::wstring line = commandLine; // CreateProcessW may write into it
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          &process)) {
        std::printf("error=CreateProcess:%lu\n", ::GetLastError());
        return nullptr;
    }
    ::CloseHandle(process.hThread);
    return process.hProcess;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 2 && argc != 3) {
        std::printf("usage: double_start \"COMMAND LINE\" [\"SECOND COMMAND LINE\"]\n");
        return 2;
    }
    HANDLE processes[2] = {Start(argv[1]), Start(argv[argc - 1])};
    if (processes[0] == nullptr || processes[1] == nullptr) {
        // Whatever did start must not stay behind and take the next attempt's turn.
        for (HANDLE process : processes) {
            if (process == nullptr) continue;
            ::TerminateProcess(process, 1);
            ::WaitForSingleObject(process, 10000);
            ::CloseHandle(process);
        }
        return 1;
    }

    ::WaitForMultipleObjects(2, processes, FALSE, 10000);
    for (int waited = 0; waited < 10000; waited += 50) {
        const Count now = Windows(false);
        if (now.dialogs + now.displays > 0) break;
        ::Sleep(50);
    }
    ::Sleep(1000); // a second window would be on its way by now
    const Count count = Windows(false);
    int ended = 0;
    for (HANDLE process : processes) ended += ::WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
    std::printf("dialogs=%d displays=%d ended=%d\n", count.dialogs, count.displays, ended);
    std::fflush(stdout);

    Windows(true);
    if (::WaitForMultipleObjects(2, processes, TRUE, 10000) != WAIT_OBJECT_0) {
        for (HANDLE process : processes) ::TerminateProcess(process, 1);
        std::printf("terminated\n");
    }
    for (HANDLE process : processes) ::CloseHandle(process);
    return 0;
}
