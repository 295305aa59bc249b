// The saver's window over Win32: a borderless top-level window ("Lumora_Main")
// holding one child, the drawing surface, whose pixels live in a DIB section
// that the shower's steps write straight into and one block copy shows. It
// drives the run from one timer and hands it the input, and nothing else.
#include "windows/saver_window.h"

#include <windows.h>
#include <windowsx.h>

#include <functional>

#include "display/saver_run.h"
#include "music/music.h"
#include "windows/system/dib.h"
#include "windows/system/library.h"
#include "windows/system/twips.h"
#include "windows/system/seams.h"
#include "windows/system/window.h"
#include "windows/system/worker.h"

namespace lumora {
namespace {

constexpr wchar_t kWindowClass[] = L"Lumora.Saver";
constexpr wchar_t kSurfaceClass[] = L"Lumora.Saver.Surface";

// The run's one timer: it comes back every step, the shortest of the run's
// periods, and the run tells what is due.
constexpr UINT_PTR kRunTimer = 1;

Key KeyOf(WPARAM virtualKey) {
    if (virtualKey == VK_LEFT) return Key::PreviousTrack;
    if (virtualKey == VK_RIGHT) return Key::NextTrack;
    return Key::Other;
}

// The music as the saver's thread owns it: the MCI devices and the sound
// player over seams of its own, so that a thread left behind in a device
// finds everything it uses alive, whatever has ended meanwhile.
class OwnMusic final : public MusicPlayer {
public:
    explicit OwnMusic(const Settings& settings) : music_(system_.Seams(), settings) {}
    MusicStarted Start(const std::function<bool()>& stillWanted) override { return music_.Start(stillWanted); }
    void Stop(const MusicStarted& started) override { music_.Stop(started); }
    void KeepFilePlaying() override { music_.KeepFilePlaying(); }
    bool KeepCdPlaying() override { return music_.KeepCdPlaying(); }
    void StepTracks(int steps) override { music_.StepTracks(steps); }

private:
    win32::Win32Platform system_; // before the music, which uses it
    Music music_;
};

class Win32Display final : public DisplayWindow, public SessionHost {
public:
    Win32Display(const platform::Platform& platform, const Settings& settings, const SessionRules& rules)
        : run_(platform, *this, std::make_unique<OwnMusic>(settings), musicWakes_.Waker(), settings, rules, false) {}

    ~Win32Display() override {
        musicWakes_.Clear();
        win32::DestroyOwnedWindow(window_);
    }

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
        musicWakes_.Set(window_);
        surface_ = win32::CreateOwnedWindow(0, kSurfaceClass, L"", WS_CHILD | WS_VISIBLE, window_, this);
        if (surface_ == nullptr) return false;
        surfaceDc_ = ::GetDC(surface_);
        return true;
    }

    // Covers every monitor, seeds the shower and starts the run's timer. The
    // music starts once the first frames are on screen.
    void Start() {
        LayOut();
        run_.Start();
        ::ShowWindow(window_, SW_SHOWNORMAL);
        ::UpdateWindow(window_);
        ::SetWindowPos(window_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
        ::SetTimer(window_, kRunTimer, Shower::kFrameIntervalMs, nullptr);
    }

    std::uint64_t FramesShown() const override { return frames_; }
    void RequestQuit() override { run_.Session().Quit(); }
    bool Ended() const override { return run_.Session().Ended(); }

    // SessionHost ---------------------------------------------------------------
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

    void Close() override {
        musicWakes_.Clear();
        win32::DestroyOwnedWindow(window_);
    }

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
        run_.Stars().LayOut(surface, fields);
    }

    void OnTimer() {
        if (!run_.RunDue()) return;
        if (!pixels_.Empty() && surfaceDc_ != nullptr) {
            for (const Rect& area : run_.Stars().Areas())
                pixels_.Show(surfaceDc_, RECT{area.left, area.top, area.right, area.bottom});
            ++frames_;
        }
        run_.Shown();
    }

    // Input from either window; true when the message was input.
    bool OnInput(UINT message, WPARAM wParam, LPARAM lParam, bool surface) {
        switch (message) {
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
            // Every key reaches the session, whichever window has the focus.
            run_.Session().OnKey(KeyOf(wParam));
            return true;
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
        case WM_XBUTTONDOWN:
            run_.Session().OnClick();
            return true;
        case WM_MOUSEMOVE:
            // Only the surface's movements count: it covers the whole window.
            if (surface)
                run_.Session().OnMouseMove(static_cast<float>(GET_X_LPARAM(lParam)), static_cast<float>(GET_Y_LPARAM(lParam)));
            return true;
        default:
            return false;
        }
    }

    LRESULT OnMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (OnInput(message, wParam, lParam, false)) return 0;
        switch (message) {
        case WM_TIMER:
            if (wParam == kRunTimer) OnTimer();
            return 0;
        case WM_ERASEBKGND:
            return 1; // the surface covers the window
        case win32::kWorkDone:
            run_.Music().Deliver();
            return 0;
        case WM_CLOSE:
            run_.Session().Quit();
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

    win32::WakeTarget musicWakes_; // before the run, whose music thread wakes it; the window is made later
    SaverRun run_;
    HWND window_ = nullptr;
    HWND surface_ = nullptr;
    HDC surfaceDc_ = nullptr; // the surface's own (CS_OWNDC): never released
    win32::DibSection pixels_;
    std::uint64_t frames_ = 0;
};

} // namespace

std::unique_ptr<DisplayWindow> OpenDisplay(const platform::Platform& platform, const Settings& settings,
                                           const SessionRules& rules) {
    auto display = std::make_unique<Win32Display>(platform, settings, rules);
    if (!display->Create()) return nullptr;
    display->Start();
    return display;
}

} // namespace lumora
