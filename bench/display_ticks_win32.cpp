// Runs the real display form (the same code as Lumora.scr /s, without the
// switch, so the mouse cannot end it) and prints, once a second, how many
// frames it has shown and its working set. Ends after the seconds given.
//   display_ticks.exe [SECONDS]
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cwchar>

#include "windows/saver_window.h"
#include "windows/system/seams.h"

int wmain(int argc, wchar_t** argv) {
    const long seconds = argc > 1 ? std::wcstol(argv[1], nullptr, 10) : 12;
    lumora::win32::Win32Platform system;
    const lumora::platform::Platform platform = system.Seams();
    std::unique_ptr<lumora::DisplayWindow> display =
        lumora::OpenDisplay(platform, lumora::Settings{}, lumora::SessionRules{});
    if (display == nullptr) return 1;

    const DWORD start = ::GetTickCount();
    const UINT_PTR report = ::SetTimer(nullptr, 0, 1000, nullptr);
    MSG message;
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (message.message == WM_TIMER && message.hwnd == nullptr && message.wParam == report) {
            PROCESS_MEMORY_COUNTERS memory{};
            memory.cb = sizeof(memory);
            ::K32GetProcessMemoryInfo(::GetCurrentProcess(), &memory, sizeof(memory));
            const DWORD elapsed = ::GetTickCount() - start;
            std::printf("ms=%lu frames=%llu working_set_kb=%llu\n", static_cast<unsigned long>(elapsed),
                        static_cast<unsigned long long>(display->FramesShown()),
                        static_cast<unsigned long long>(memory.WorkingSetSize / 1024));
            std::fflush(stdout);
            if (elapsed >= static_cast<DWORD>(seconds) * 1000) break;
            continue;
        }
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
    return 0;
}
