// Plays a sound the way a program may, for the tests that need to know what
// the system itself does with a name or a file:
//
//   sound_player FLAGS NAME MS   PlaySoundW(NAME, NULL, FLAGS) with FLAGS in hex,
//                                prints "result=N", waits MS, then stops the sound
//   sound_player --mci FILE MS   opens FILE through MCI as MPEGVideo and plays it,
//                                prints "open=CODE ms=N" (N: how long the open
//                                took), waits MS, then stops and closes it
#include <windows.h>
#include <mmsystem.h>

#include <cstdio>
#include <cwchar>
#include <string>

int wmain(int argc, wchar_t** argv) {
    if (argc != 4) return 2;
    const DWORD wait = static_cast<DWORD>(std::wcstoul(argv[3], nullptr, 10));
    if (std::wcscmp(argv[1], L"--mci") == 0) {
        const std::wstring open = std::wstring(L"open \"") + argv[2] + L"\" type MPEGVideo alias Song";
        const DWORD started = ::GetTickCount();
        const MCIERROR result = ::mciSendStringW(open.c_str(), nullptr, 0, nullptr);
        std::printf("open=%lu ms=%lu\n", static_cast<unsigned long>(result),
                    static_cast<unsigned long>(::GetTickCount() - started));
        std::fflush(stdout);
        if (result != 0) return 1;
        ::mciSendStringW(L"play Song", nullptr, 0, nullptr);
        ::Sleep(wait);
        ::mciSendStringW(L"stop Song", nullptr, 0, nullptr);
        ::mciSendStringW(L"close Song", nullptr, 0, nullptr);
        return 0;
    }
    const DWORD flags = static_cast<DWORD>(std::wcstoul(argv[1], nullptr, 16));
    const BOOL result = ::PlaySoundW(argv[2], nullptr, flags);
    std::printf("result=%d\n", result);
    std::fflush(stdout);
    ::Sleep(wait);
    ::PlaySoundW(nullptr, nullptr, 0);
    return 0;
}
