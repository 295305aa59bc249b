// Loads a DLL by its bare name, as a program that trusts the usual search does,
// and prints where it came from:
//
//   dll_loader NAME   "loaded=PATH" or "failed=ERROR"
//
// Next to a planted DLL it shows whether this Wine takes a DLL from the
// program's own folder at all, which the tests that expect Lumora not to need.
#include <windows.h>

#include <cstdio>

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) return 2;
    HMODULE module = ::LoadLibraryW(argv[1]);
    if (module == nullptr) {
        std::printf("failed=%lu\n", ::GetLastError());
        return 1;
    }
    wchar_t path[MAX_PATH] = L"";
    ::GetModuleFileNameW(module, path, MAX_PATH);
    char utf8[4 * MAX_PATH] = "";
    ::WideCharToMultiByte(CP_UTF8, 0, path, -1, utf8, sizeof utf8, nullptr, nullptr);
    std::printf("loaded=%s\n", utf8);
    return 0;
}
