// The display over Win32: a borderless top-level window ("Lumora_Main") holding
// one child, the drawing surface, whose pixels live in a DIB section that the
// frames write straight into and one block copy shows.
#include "display/display_win32.h"

#include <windows.h>
#include <windowsx.h>

#include "display/display.h"
#include "display/random.h"
#include "platform/win32/dib_win32.h"
#include "platform/win32/library_win32.h"
#include "platform/win32/window_win32.h"
#include "platform/win32/worker_win32.h"

namespace lumora {
namespace {

constexpr wchar_t kWindowClass[] = L"Lumora_S";
constexpr wchar_t kSurfaceClass[] = L"Lumora_S_Display";

UINT_PTR TimerId(DisplayTimer timer) { return static_cast<UINT_PTR>(timer) + 1; }

UINT Interval(DisplayTimer timer) {
    switch (timer) {
    case DisplayTimer::FileMusicWatch: return 1000;
    case DisplayTimer::CdWatch: return 200;
    case DisplayTimer::Frame: return 10;
    case DisplayTimer::RadiantJump: return 5000;
    case DisplayTimer::MusicDeadline: return StarDisplay::kMusicGiveUpMs;
    }
    return 1000;
}

class Win32Display final : public DisplayWindow, public DisplayHost {
public:
    Win32Display(const platform::Platform& platform, const Settings& settings, Mode mode)
        : display_(platform, *this, random_, settings, mode) {}

    ~Win32Display() override { win32::DestroyOwnedWindow(window_); }

    Win32Display(const Win32Display&) = delete;
    Win32Display& operator=(const Win32Display&) = delete;

    bool Create() {
        win32::RegisterWindowClass(kWindowClass, WindowProc);
        // CS_OWNDC: the surface's DC is its own for its whole life, so a frame
        // need not ask for it (a trip to the window server under Wine).
        win32::RegisterWindowClass(kSurfaceClass, SurfaceProc, {CS_OWNDC});
        HINSTANCE instance = ::GetModuleHandleW(nullptr);
        window_ = ::CreateWindowExW(0, kWindowClass, L"Lumora_Main", WS_POPUP | WS_CLIPCHILDREN, 0, 0,
                                    0, 0, nullptr, nullptr, instance, this);
        if (window_ == nullptr) return false;
        surface_ = ::CreateWindowExW(0, kSurfaceClass, L"", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, window_,
                                     nullptr, instance, this);
        if (surface_ == nullptr) return false;
        surfaceDc_ = ::GetDC(surface_);
        return true;
    }

    StarDisplay& Display() { return display_; }
    std::uint64_t FramesShown() const override { return frames_; }
    void RequestQuit() override { display_.Quit(); }

    // DisplayHost ---------------------------------------------------------------
    ScreenMetrics Screen() override {
        ScreenMetrics metrics;
        const int left = ::GetSystemMetrics(SM_XVIRTUALSCREEN);
        const int top = ::GetSystemMetrics(SM_YVIRTUALSCREEN);
        metrics.bounds = {left, top, left + ::GetSystemMetrics(SM_CXVIRTUALSCREEN),
                          top + ::GetSystemMetrics(SM_CYVIRTUALSCREEN)};
        metrics.monitors = win32::Monitors();
        const win32::TwipsPerPixel twips = win32::ScreenTwipsPerPixel();
        metrics.twipsPerPixelX = twips.x;
        metrics.twipsPerPixelY = twips.y;
        return metrics;
    }

    void PlaceWindow(int left, int top, int width, int height) override {
        ::MoveWindow(window_, left, top, width, height, FALSE);
    }

    PixelView SizeSurface(int width, int height) override {
        ::MoveWindow(surface_, 0, 0, width, height, FALSE);
        if (!pixels_.Create(width, height)) return {};
        return PixelView{pixels_.Bits(), width, height, width};
    }

    void Show() override {
        ::ShowWindow(window_, SW_SHOWNORMAL);
        ::UpdateWindow(window_);
    }

    std::int32_t MakeTopmost() override {
        return ::SetWindowPos(window_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
    }

    void EnableTimer(DisplayTimer timer, bool enabled) override {
        if (enabled)
            ::SetTimer(window_, TimerId(timer), Interval(timer), nullptr);
        else
            ::KillTimer(window_, TimerId(timer));
    }

    void Present(const std::vector<Rect>& areas) override {
        if (pixels_.Empty() || surfaceDc_ == nullptr) return;
        for (const Rect& area : areas) pixels_.Show(surfaceDc_, RECT{area.left, area.top, area.right, area.bottom});
        ++frames_;
    }

    bool RunWaitingEvent() override {
        MSG message;
        if (!::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) return false;
        if (message.message == WM_QUIT) {
            // Left for the message loop, which ends the display through its quit.
            ::PostQuitMessage(static_cast<int>(message.wParam));
            return false;
        }
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
        return true;
    }

    std::int32_t VerifyPassword() override {
        using VerifyScreenSavePwd = BOOL(WINAPI*)(HWND);
        auto verify = win32::LoadFunction<VerifyScreenSavePwd>(L"password.cpl", "VerifyScreenSavePwd");
        // Without the platform's checker there is no password to ask for; refusing
        // would leave the user no way out of the screen saver.
        return verify == nullptr ? 1 : verify(window_);
    }

    void RunOnMusicThread(std::function<void()> work, std::function<void()> done) override {
        if (!music_) music_ = std::make_unique<win32::Worker>(window_);
        music_->Post(std::move(work), std::move(done));
    }

    bool WaitForMusicThread(int milliseconds) override {
        return !music_ || music_->WaitIdle(static_cast<DWORD>(milliseconds));
    }

    void DropWaitingMusicWork() override {
        if (music_) music_->DropWaiting();
    }

    void Close() override { win32::DestroyOwnedWindow(window_); }

    void EndProcess() override { ::ExitProcess(0); }

private:
    static bool Input(Win32Display* self, UINT message, WPARAM wParam, LPARAM lParam, bool surface) {
        switch (message) {
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
            // Every key reaches the display, whichever window has the focus.
            self->display_.OnKey(static_cast<int>(wParam));
            return true;
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
        case WM_XBUTTONDOWN:
            self->display_.OnClick();
            return true;
        case WM_MOUSEMOVE:
            // Only the surface's movements count: it covers the whole window.
            if (surface)
                self->display_.OnMouseMove(static_cast<float>(GET_X_LPARAM(lParam)),
                                           static_cast<float>(GET_Y_LPARAM(lParam)));
            return true;
        default:
            return false;
        }
    }

    void OnTimer(WPARAM id) {
        // A timer's id is its number plus one: 0 is no timer.
        if (id >= 1 && id <= kDisplayTimers) display_.OnTimer(static_cast<DisplayTimer>(id - 1));
    }

    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        Win32Display* self = win32::WindowOwner<Win32Display>(window, message, lParam);
        if (self == nullptr) return ::DefWindowProcW(window, message, wParam, lParam);
        if (Input(self, message, wParam, lParam, false)) return 0;
        switch (message) {
        case WM_TIMER:
            self->OnTimer(wParam);
            return 0;
        case WM_ERASEBKGND:
            return 1; // the surface covers the window
        case win32::kWorkDone:
            if (self->music_) self->music_->Deliver(lParam);
            return 0;
        case WM_CLOSE:
            self->display_.Quit();
            return 0;
        case WM_DISPLAYCHANGE:
            self->display_.OnDisplayChange();
            ::InvalidateRect(self->surface_, nullptr, FALSE);
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
            if (!self->pixels_.Empty())
                self->pixels_.Show(dc, paint.rcPaint);
            else
                ::FillRect(dc, &paint.rcPaint, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
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
    StarDisplay display_;
    HWND window_ = nullptr;
    HWND surface_ = nullptr;
    HDC surfaceDc_ = nullptr; // the surface's own (CS_OWNDC): never released
    win32::DibSection pixels_;
    std::uint64_t frames_ = 0;
    std::unique_ptr<win32::Worker> music_; // made with the first music work
};

} // namespace

std::unique_ptr<DisplayWindow> OpenDisplay(const platform::Platform& platform, const Settings& settings,
                                           Mode mode) {
    auto display = std::make_unique<Win32Display>(platform, settings, mode);
    if (!display->Create()) return nullptr;
    display->Display().Start();
    return display;
}

} // namespace lumora
