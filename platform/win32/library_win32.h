// Functions of DLLs that a start need not load, or that not every Windows has.
#pragma once

#include <windows.h>

namespace lumora::win32 {

// The function, looked up when first needed; nullptr when the DLL or the
// function is missing. The DLL stays loaded for the rest of the run.
template <typename Function>
Function LoadFunction(const wchar_t* library, const char* name) {
    HMODULE module = ::GetModuleHandleW(library);
    if (module == nullptr) module = ::LoadLibraryW(library);
    if (module == nullptr) return nullptr;
    // GetProcAddress returns a generic function pointer; the caller names the real type.
    return reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

} // namespace lumora::win32
