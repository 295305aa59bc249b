// A stand-in for a DLL that someone put beside the program (a Downloads folder
// holding a "winmm.dll"). Built under a system DLL's name, it leaves a file
// beside itself, its own name with ".loaded" added, in every process that loads
// it, holding that process's command line: the tests look for that file.
#include <windows.h>

// The C runtime's entry calls DllMain by its C name.
extern "C" BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    wchar_t marker[MAX_PATH + 16] = L"";
    const DWORD length = ::GetModuleFileNameW(self, marker, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return TRUE;
    ::lstrcatW(marker, L".loaded");
    HANDLE file = ::CreateFileW(marker, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return TRUE;
    const wchar_t* line = ::GetCommandLineW();
    DWORD written = 0;
    ::WriteFile(file, line, static_cast<DWORD>(::lstrlenW(line)) * sizeof(wchar_t), &written, nullptr);
    ::WriteFile(file, L"\n", sizeof(wchar_t), &written, nullptr);
    ::CloseHandle(file);
    return TRUE;
}
