// Walks the accessible tree of the top-level window with the given title, as a
// screen reader would, and prints one line per object: its depth, role, name
// and state, as UTF-8.
//   accessible_walk.exe TITLE
#include <windows.h>
#include <oleacc.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

// The identifier of IAccessible, named here: MinGW's oleacc import library
// hands out the address of a thunk under its usual name instead.
constexpr IID kIAccessible = {0x618736E0, 0x3C3D, 0x11CF, {0x81, 0x0C, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};

std::string Utf8(const wchar_t* text, int length = -1) {
    if (text == nullptr) return "";
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text, length, out.data(), size, nullptr, nullptr);
    if (length < 0 && !out.empty()) out.pop_back();
    return out;
}

void Print(const std::string& line) {
    DWORD written = 0;
    ::WriteFile(::GetStdHandle(STD_OUTPUT_HANDLE), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

void Describe(IAccessible* object, VARIANT child, int depth) {
    BSTR name = nullptr;
    object->get_accName(child, &name);
    VARIANT role;
    ::VariantInit(&role);
    object->get_accRole(child, &role);
    VARIANT state;
    ::VariantInit(&state);
    object->get_accState(child, &state);
    wchar_t roleText[128] = L"";
    if (role.vt == VT_I4) ::GetRoleTextW(static_cast<DWORD>(role.lVal), roleText, 128);
    Print(std::to_string(depth) + "\t" + std::to_string(role.vt == VT_I4 ? role.lVal : -1) + "\t" + Utf8(roleText) +
          "\t" + Utf8(name) + "\t" + std::to_string(state.vt == VT_I4 ? state.lVal : 0) + "\n");
    ::SysFreeString(name);
}

// The window's client object and its simple parts; then each child window the
// same way. A screen reader reaches every window's client object so, and Wine's
// own window objects, which would join them up, answer nothing more.
void Walk(HWND window, int depth) {
    IAccessible* object = nullptr;
    if (SUCCEEDED(::AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT), kIAccessible,
                                               reinterpret_cast<void**>(&object))) &&
        object != nullptr) {
        VARIANT self;
        self.vt = VT_I4;
        self.lVal = CHILDID_SELF;
        Describe(object, self, depth);
        long count = 0;
        if (SUCCEEDED(object->get_accChildCount(&count)) && count > 0) {
            std::vector<VARIANT> children(static_cast<std::size_t>(count));
            long got = 0;
            if (SUCCEEDED(::AccessibleChildren(object, 0, count, children.data(), &got))) {
                for (long i = 0; i < got; ++i) {
                    VARIANT& child = children[static_cast<std::size_t>(i)];
                    if (child.vt == VT_I4) Describe(object, child, depth + 1);
                    ::VariantClear(&child);
                }
            }
        }
        object->Release();
    } else {
        Print(std::to_string(depth) + "\t-1\t\t(no object)\t0\n");
    }
    for (HWND child = ::GetWindow(window, GW_CHILD); child != nullptr; child = ::GetWindow(child, GW_HWNDNEXT))
        Walk(child, depth + 1);
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) return 2;
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    HWND window = ::FindWindowW(nullptr, argv[1]);
    if (window == nullptr) {
        Print("no such window\n");
        return 1;
    }
    Walk(window, 0);
    ::CoUninitialize();
    return 0;
}
