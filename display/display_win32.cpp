// The saver's window over Win32: a borderless top-level window ("Lumora_Main")
// holding one child, the drawing surface, whose pixels live in a DIB section
// that the shower's frames write straight into and one block copy shows. It
// wires the shower, the session and their timers to the window, and nothing else.
#include "display/display_win32.h"

#include <windows.h>
#include <windowsx.h>

#include "display/random.h"
#include "display/saver_session.h"
#include "display/shower.h"
#include "music/music.h"
#include "platform/win32/dib_win32.h"
#include "platform/win32/library_win32.h"
#include "platform/win32/twips_win32.h"
#include "platform/win32/window_win32.h"
#include "platform/win32/worker_win32.h"

namespace lumora {
namespace {

constexpr wchar_t kWindowClass[] = L"Lumora.Saver";
constexpr wchar_t kSurfaceClass[] = L"Lumora.Saver.Surface";

// The timers' ids: the shower's two, then the session's; 0 is no timer.
constexpr UINT_PTR kFrameTimer = 1;
constexpr UINT_PTR kJumpTimer = 2;
constexpr UINT_PTR kFirstSessionTimer = 3;

UINT_PTR TimerId(SessionTimer timer) { return kFirstSessionTimer + static_cast<UINT_PTR>(timer); }

Key KeyOf(WPARAM virtualKey) {
    if (virtualKey == VK_LEFT) return Key::PreviousTrack;
    if (virtualKey == VK_RIGHT) return Key::NextTrack;
    return Key::Other;
}

class Win32Display final : public DisplayWindow, public SessionHost {
public:
    Win32Display(const platform::Platform& platform, const Settings& settings, Mode mode)
        : platform_(platform),
          shower_(random_),
          player_(platform, settings),
          session_(platform, *this, player_, settings, mode) {}

    ~Win32Display() override { win32::DestroyOwnedWindow(window_); }

    Win32Display(const Win32Display&) = delete;
    Win32Display& operator=(const Win32Display&) = delete;

    bool Create() {
        win32::RegisterWindowClass(kWindowClass, win32::OwnedProcedure<Win32Display, &Win32Display::OnMessage>);
        // CS_OWNDC: the surface's DC is its own for its whole life, so a frame
        // need not ask for it (a trip to the window server under Wine).
        win32::RegisterWindowClass(kSurfaceClass, win32::OwnedProcedure<Win32Display, &Win32Display::OnSurfaceMessage>,
                                   {CS_OWNDC});
        window_ = win32::CreateOwnedWindow(0, kWindowClass, L"Lumora_Main", WS_POPUP | WS_CLIPCHILDREN, nullptr, this);
        if (window_ == nullptr) return false;
        surface_ = win32::CreateOwnedWindow(0, kSurfaceClass, L"", WS_CHILD | WS_VISIBLE, window_, this);
        if (surface_ == nullptr) return false;
        surfaceDc_ = ::GetDC(surface_);
        return true;
    }

    // Covers every monitor, seeds the shower and starts its timers. The music
    // starts once the first frames are on screen.
    void Start() {
        LayOut();
        shower_.Seed([this] { return platform_.clock.TickCount(); });
        ::ShowWindow(window_, SW_SHOWNORMAL);
        ::UpdateWindow(window_);
        ::SetWindowPos(window_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
        ::SetTimer(window_, kFrameTimer, Shower::kFrameIntervalMs, nullptr);
        ::SetTimer(window_, kJumpTimer, Shower::kJumpIntervalMs, nullptr);
    }

    std::uint64_t FramesShown() const override { return frames_; }
    void RequestQuit() override { session_.Quit(); }
    bool Ended() const override { return session_.Ended(); }

    // SessionHost ---------------------------------------------------------------
    void EnableTimer(SessionTimer timer, bool enabled) override {
        if (enabled)
            ::SetTimer(window_, TimerId(timer), static_cast<UINT>(SaverSession::IntervalMs(timer)), nullptr);
        else
            ::KillTimer(window_, TimerId(timer));
    }

    bool RunWaitingEvent() override {
        MSG message;
        if (!::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) return false;
        if (message.message == WM_QUIT) {
            // Left for the message loop, which ends the saver through its quit.
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
        return !music_ || music_->WaitIdle(milliseconds);
    }

    void DropWaitingMusicWork() override {
        if (music_) music_->DropWaiting();
    }

    void Close() override { win32::DestroyOwnedWindow(window_); }

    void End() override { ::PostQuitMessage(0); }

private:
    // The shower's fields: each monitor at its place within the window, laid
    // out for its size measured through twips.
    void LayOut() {
        const Rect bounds = win32::VirtualScreen();
        std::vector<Rect> monitors = win32::Monitors();
        if (monitors.empty()) monitors = {bounds};
        const win32::TwipsPerPixel twips = win32::ScreenTwipsPerPixel();
        const int width = bounds.right - bounds.left;
        const int height = bounds.bottom - bounds.top;
        ::MoveWindow(window_, bounds.left, bounds.top, width, height, FALSE);
        ::MoveWindow(surface_, 0, 0, width, height, FALSE);
        PixelView surface;
        if (pixels_.Create(width, height)) surface = PixelView{pixels_.Bits(), width, height, width};
        std::vector<Rect> fields;
        for (const Rect& monitor : monitors) {
            const int left = monitor.left - bounds.left;
            const int top = monitor.top - bounds.top;
            fields.push_back({left, top, left + win32::PixelsThroughTwips(monitor.right - monitor.left, twips.x),
                              top + win32::PixelsThroughTwips(monitor.bottom - monitor.top, twips.y)});
        }
        shower_.LayOut(surface, fields);
    }

    void OnFrame() {
        shower_.Frame();
        if (!pixels_.Empty() && surfaceDc_ != nullptr) {
            for (const Rect& area : shower_.Areas())
                pixels_.Show(surfaceDc_, RECT{area.left, area.top, area.right, area.bottom});
            ++frames_;
        }
        session_.OnFrameShown();
    }

    void OnTimer(WPARAM id) {
        if (id == kFrameTimer) {
            OnFrame();
        } else if (id == kJumpTimer) {
            shower_.JumpRadiant(platform_.clock.SecondsSinceMidnight());
        } else if (id >= kFirstSessionTimer && id < kFirstSessionTimer + kSessionTimers) {
            session_.OnTimer(static_cast<SessionTimer>(id - kFirstSessionTimer));
        }
    }

    // Input from either window; true when the message was input.
    bool OnInput(UINT message, WPARAM wParam, LPARAM lParam, bool surface) {
        switch (message) {
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
            // Every key reaches the session, whichever window has the focus.
            session_.OnKey(KeyOf(wParam));
            return true;
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
        case WM_XBUTTONDOWN:
            session_.OnClick();
            return true;
        case WM_MOUSEMOVE:
            // Only the surface's movements count: it covers the whole window.
            if (surface)
                session_.OnMouseMove(static_cast<float>(GET_X_LPARAM(lParam)), static_cast<float>(GET_Y_LPARAM(lParam)));
            return true;
        default:
            return false;
        }
    }

    LRESULT OnMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (OnInput(message, wParam, lParam, false)) return 0;
        switch (message) {
        case WM_TIMER:
            OnTimer(wParam);
            return 0;
        case WM_ERASEBKGND:
            return 1; // the surface covers the window
        case win32::kWorkDone:
            if (music_) music_->Deliver();
            return 0;
        case WM_CLOSE:
            session_.Quit();
            return 0;
        case WM_DISPLAYCHANGE:
            LayOut();
            ::InvalidateRect(surface_, nullptr, FALSE);
            return 0;
        default:
            return ::DefWindowProcW(window, message, wParam, lParam);
        }
    }

    LRESULT OnSurfaceMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (OnInput(message, wParam, lParam, true)) return 0;
        switch (message) {
        case WM_PAINT: {
            const win32::PaintScope paint(window);
            if (!pixels_.Empty())
                pixels_.Show(paint.Dc(), paint.Area());
            else
                ::FillRect(paint.Dc(), &paint.Area(), static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
            return 0;
        }
        case WM_ERASEBKGND:
            return 1;
        default:
            return ::DefWindowProcW(window, message, wParam, lParam);
        }
    }

    const platform::Platform& platform_;
    Random random_;
    Shower shower_;
    Music player_; // the MCI devices and the sound player, used on the music's thread
    SaverSession session_;
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
    display->Start();
    return display;
}

} // namespace lumora
