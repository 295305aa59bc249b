// DLLs that a start need not load, or that not every Windows has: loaded from
// the system folder only, so that a DLL of the same name put beside the program
// (a Downloads folder) or in the current folder is never run.
#pragma once

#include <windows.h>

#include <string>

namespace lumora::win32 {

// Takes the program's own folder and the current folder out of the search for
// every DLL loaded by name from now on, the system's own loads included.
inline void RestrictDllSearchToSystem() {
    using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
    HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
    // GetProcAddress returns a generic function pointer; the real type is named here.
    auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesFunction>(
        reinterpret_cast<void*>(::GetProcAddress(kernel, "SetDefaultDllDirectories")));
    if (setDefault != nullptr) setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
    // Where that is missing, this at least drops the current folder.
    ::SetDllDirectoryW(L"");
}

// The DLL of this name from the system folder; nullptr when it is not there.
inline HMODULE LoadSystemLibrary(const wchar_t* name) {
    if (HMODULE loaded = ::GetModuleHandleW(name)) return loaded;
    if (HMODULE module = ::LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) return module;
    // Systems without the search flags turn it away: name the full path instead.
    wchar_t folder[MAX_PATH] = L"";
    const UINT length = ::GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return nullptr;
    const std::wstring path = std::wstring(folder, length) + L"\\" + name;
    return ::LoadLibraryW(path.c_str());
}

// The function, looked up when first needed; nullptr when the DLL or the
// function is missing. The DLL stays loaded for the rest of the run.
template <typename Function>
Function LoadFunction(const wchar_t* library, const char* name) {
    HMODULE module = LoadSystemLibrary(library);
    if (module == nullptr) return nullptr;
    // GetProcAddress returns a generic function pointer; the caller names the real type.
    return reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

} // namespace lumora::win32
