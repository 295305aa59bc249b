// The display form over Win32: a borderless top-level window ("Lumora_Main")
// holding one child, the drawing surface, whose pixels live in a DIB section
// that the frames write straight into and one block copy shows.
#include "display/display_win32.h"

#include <windows.h>
#include <windowsx.h>

#include "display/display.h"
#include "display/random.h"
#include "platform/win32/library_win32.h"
#include "platform/win32/window_win32.h"

namespace lumora {
namespace {

constexpr wchar_t kFormClass[] = L"Lumora_S";
constexpr wchar_t kSurfaceClass[] = L"Lumora_S_Display";

UINT Interval(DisplayTimer timer) {
    switch (timer) {
    case kTimer1: return 1000;
    case kTimer2: return 200;
    case kTimer3: return 10;
    case kTimer4: return 5000;
    }
    return 1000;
}

class Win32Display final : public DisplayWindow, public DisplayHost {
public:
    explicit Win32Display(const platform::Platform& platform) : form_(platform, *this, random_) {}

    ~Win32Display() override {
        if (window_ != nullptr) {
            ::SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
            ::DestroyWindow(window_);
        }
        if (memory_ != nullptr) {
            ::SelectObject(memory_, original_);
            ::DeleteDC(memory_);
        }
        if (bitmap_ != nullptr) ::DeleteObject(bitmap_);
    }

    Win32Display(const Win32Display&) = delete;
    Win32Display& operator=(const Win32Display&) = delete;

    bool Create() {
        HINSTANCE instance = ::GetModuleHandleW(nullptr);
        WNDCLASSEXW formClass{};
        formClass.cbSize = sizeof(formClass);
        formClass.lpfnWndProc = FormProc;
        formClass.hInstance = instance;
        formClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
        formClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        formClass.lpszClassName = kFormClass;
        ::RegisterClassExW(&formClass);

        WNDCLASSEXW surfaceClass = formClass;
        surfaceClass.style = CS_OWNDC;
        surfaceClass.lpfnWndProc = SurfaceProc;
        surfaceClass.hbrBackground = nullptr;
        surfaceClass.lpszClassName = kSurfaceClass;
        ::RegisterClassExW(&surfaceClass);

        window_ = ::CreateWindowExW(0, kFormClass, L"Lumora_Main", WS_POPUP | WS_CLIPCHILDREN, 0, 0,
                                    0, 0, nullptr, nullptr, instance, this);
        if (window_ == nullptr) return false;
        surface_ = ::CreateWindowExW(0, kSurfaceClass, L"", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0,
                                     window_, nullptr, instance, this);
        if (surface_ == nullptr) return false;
        // CS_OWNDC: the surface's DC is its own for its whole life, so a frame
        // need not ask for it (a trip to the window server under Wine).
        surfaceDC_ = ::GetDC(surface_);
        return true;
    }

    DisplayForm& Form() { return form_; }
    std::uint64_t FramesShown() const override { return frames_; }

    // DisplayHost ---------------------------------------------------------------
    ScreenMetrics Screen() override {
        ScreenMetrics metrics;
        metrics.widthPixels = ::GetSystemMetrics(SM_CXSCREEN);
        metrics.heightPixels = ::GetSystemMetrics(SM_CYSCREEN);
        const win32::TwipsPerPixel twips = win32::ScreenTwipsPerPixel();
        metrics.twipsPerPixelX = twips.x;
        metrics.twipsPerPixelY = twips.y;
        return metrics;
    }

    void PlaceForm(int left, int top, int width, int height) override {
        ::MoveWindow(window_, left, top, width, height, FALSE);
    }

    PixelView SizeDisplay(int width, int height) override {
        ::MoveWindow(surface_, 0, 0, width, height, FALSE);
        if (width <= 0 || height <= 0) return {};
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height; // rows top-down, like the surface's coordinates
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        // A new DIB section starts all zero: black.
        HBITMAP bitmap = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        if (bitmap == nullptr || bits == nullptr) return {};
        if (memory_ == nullptr) {
            memory_ = ::CreateCompatibleDC(nullptr);
            original_ = ::SelectObject(memory_, bitmap);
        } else {
            ::SelectObject(memory_, bitmap);
            ::DeleteObject(bitmap_);
        }
        bitmap_ = bitmap;
        width_ = width;
        height_ = height;
        return PixelView{static_cast<std::uint32_t*>(bits), width, height, width};
    }

    void ShowNormal() override {
        ::ShowWindow(window_, SW_SHOWNORMAL);
        ::UpdateWindow(window_);
    }

    std::int32_t SetTopmost() override {
        return ::SetWindowPos(window_, HWND_TOPMOST, 0, 0, 0, 0,
                              SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
    }

    void EnableTimer(DisplayTimer timer, bool enabled) override {
        if (enabled)
            ::SetTimer(window_, static_cast<UINT_PTR>(timer), Interval(timer), nullptr);
        else
            ::KillTimer(window_, static_cast<UINT_PTR>(timer));
    }

    void Present() override {
        if (memory_ == nullptr || surfaceDC_ == nullptr) return;
        ::BitBlt(surfaceDC_, 0, 0, width_, height_, memory_, 0, 0, SRCCOPY);
        ++frames_;
    }

    void DoEvents() override {
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                ::PostQuitMessage(static_cast<int>(message.wParam));
                break;
            }
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
    }

    std::int32_t VerifyPassword() override {
        using VerifyScreenSavePwd = BOOL(WINAPI*)(HWND);
        auto verify = win32::LoadFunction<VerifyScreenSavePwd>(L"password.cpl", "VerifyScreenSavePwd");
        // Without the platform's checker there is no password to ask for; refusing
        // would leave the user no way out of the screen saver.
        return verify == nullptr ? 1 : verify(window_);
    }

    void Unload() override {
        form_.Form_Unload();
        HWND window = window_;
        window_ = nullptr;
        ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        ::DestroyWindow(window);
    }

    void EndProcess() override { ::ExitProcess(0); }

private:
    static bool Input(Win32Display* self, UINT message, WPARAM wParam, LPARAM lParam, bool surface) {
        switch (message) {
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
            // Every key reaches the form first, whichever window has the focus.
            self->form_.Form_KeyDown(static_cast<int>(wParam));
            return true;
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
        case WM_XBUTTONDOWN:
            if (surface)
                self->form_.Display_MouseDown();
            else
                self->form_.Form_MouseDown();
            return true;
        case WM_MOUSEMOVE:
            if (surface)
                self->form_.Display_MouseMove(static_cast<float>(GET_X_LPARAM(lParam)),
                                              static_cast<float>(GET_Y_LPARAM(lParam)));
            return true;
        default:
            return false;
        }
    }

    static LRESULT CALLBACK FormProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        Win32Display* self = win32::WindowOwner<Win32Display>(window, message, lParam);
        if (self == nullptr) return ::DefWindowProcW(window, message, wParam, lParam);
        if (Input(self, message, wParam, lParam, false)) return 0;
        switch (message) {
        case WM_TIMER:
            switch (wParam) {
            case kTimer3:
                self->form_.Timer3_Timer();
                self->Present();
                return 0;
            case kTimer4:
                self->form_.Timer4_Timer();
                return 0;
            case kTimer1:
                self->form_.Timer1_Timer();
                return 0;
            case kTimer2:
                self->form_.Timer2_Timer();
                return 0;
            default:
                return 0;
            }
        case WM_ERASEBKGND:
            return 1; // the surface covers the form
        case WM_CLOSE:
            self->form_.Saver_Quit();
            return 0;
        default:
            return ::DefWindowProcW(window, message, wParam, lParam);
        }
    }

    static LRESULT CALLBACK SurfaceProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        Win32Display* self = win32::WindowOwner<Win32Display>(window, message, lParam);
        if (self == nullptr) return ::DefWindowProcW(window, message, wParam, lParam);
        if (Input(self, message, wParam, lParam, true)) return 0;
        switch (message) {
        case WM_PAINT: {
            PAINTSTRUCT paint;
            HDC dc = ::BeginPaint(window, &paint);
            if (self->memory_ != nullptr) {
                const RECT& r = paint.rcPaint;
                ::BitBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, self->memory_,
                         r.left, r.top, SRCCOPY);
            } else {
                ::FillRect(dc, &paint.rcPaint, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
            }
            ::EndPaint(window, &paint);
            return 0;
        }
        case WM_ERASEBKGND:
            return 1;
        default:
            return ::DefWindowProcW(window, message, wParam, lParam);
        }
    }

    Random random_;
    DisplayForm form_;
    HWND window_ = nullptr;
    HWND surface_ = nullptr;
    HDC surfaceDC_ = nullptr;
    HDC memory_ = nullptr;
    HGDIOBJ original_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    int width_ = 0;
    int height_ = 0;
    std::uint64_t frames_ = 0;
};

} // namespace

std::unique_ptr<DisplayWindow> Display_Load(const platform::Platform& platform) {
    auto display = std::make_unique<Win32Display>(platform);
    if (!display->Create()) return nullptr;
    display->Form().Form_Load();
    return display;
}

} // namespace lumora
