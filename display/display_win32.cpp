// The display form: a black window over the whole screen, above every ordinary
// window, that ends the screen saver on a click, a key or a real mouse move.
#include "display/display_win32.h"

#include <windows.h>
#include <windowsx.h>

#include "startup/command_line.h"
#include "startup/startup.h"

namespace lumora {
namespace {

struct DisplayForm {
    const platform::Platform* platform = nullptr;
    bool havePosition = false;
    POINT firstPosition{};
    bool quitting = false;
};

void Saver_Quit(DisplayForm& form, HWND window) {
    if (form.quitting) return;
    form.quitting = true;
    // Undo what start-up did for the run mode only, read again from the command line.
    if (Mode_Letter(Argument_Text(form.platform->process.CommandLine())) == "S") {
        Saver_SetRunning(form.platform->saver, true);
        form.platform->cursor.Show(true);
    }
    ::DestroyWindow(window);
    ::ExitProcess(0);
}

LRESULT CALLBACK DisplayProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* form = reinterpret_cast<DisplayForm*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    switch (message) {
    case WM_NCCREATE: {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        break;
    }
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        if (form != nullptr) Saver_Quit(*form, window);
        return 0;
    case WM_MOUSEMOVE: {
        if (form == nullptr) break;
        POINT position{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        if (!form->havePosition) {
            form->havePosition = true;
            form->firstPosition = position;
        } else if (position.x != form->firstPosition.x && position.y != form->firstPosition.y) {
            Saver_Quit(*form, window);
        }
        return 0;
    }
    case WM_DESTROY:
        delete form;
        ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        ::PostQuitMessage(0);
        return 0;
    default:
        break;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

void Display_Load(const platform::Platform& platform) {
    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = DisplayProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = L"Lumora_S";
    ::RegisterClassExW(&windowClass);

    auto* form = new DisplayForm{};
    form->platform = &platform;
    HWND window = ::CreateWindowExW(WS_EX_TOPMOST, L"Lumora_S", L"Lumora_Main", WS_POPUP, 0, 0,
                                    ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN),
                                    nullptr, nullptr, instance, form);
    if (window == nullptr) {
        delete form;
        ::PostQuitMessage(0);
        return;
    }
    ::ShowWindow(window, SW_SHOWNORMAL);
    ::SetForegroundWindow(window);
}

} // namespace lumora
