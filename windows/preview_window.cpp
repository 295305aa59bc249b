// The preview over Win32: a window that becomes a child of the control panel's
// pane, holding one child, the picture, drawn stretched to its size.
#include "windows/preview_window.h"

#include <windows.h>
#include <cmath>

#include "platform/geometry.h"
#include "windows/system/com.h"
#include "windows/system/picture.h"
#include "windows/system/window.h"
#include "startup/preview.h"
#include "windows/resources/resources.h"

namespace lumora {
namespace {

constexpr wchar_t kWindowClass[] = L"Lumora.Preview";
constexpr wchar_t kPictureClass[] = L"Lumora.Preview.Picture";
constexpr UINT_PTR kPaneWatch = 1;
constexpr UINT kPaneWatchMs = 250;


class Win32Preview final : public PreviewWindow, public PreviewHost {
public:
    Win32Preview(platform::WindowHandle pane, const win32::Imaging& imaging)
        : pane_(pane), twips_(win32::ScreenTwipsPerPixel()), imaging_(imaging) {}

    ~Win32Preview() override {
        win32::DestroyOwnedWindow(watcher_);
        win32::DestroyOwnedWindow(window_);
    }

    Win32Preview(const Win32Preview&) = delete;
    Win32Preview& operator=(const Win32Preview&) = delete;

    bool Created() const { return window_ != nullptr; }

    // PreviewHost ---------------------------------------------------------------
    PaneFacts DescribePane(platform::WindowHandle pane) override {
        PaneFacts facts;
        HWND window = win32::ToWindow(pane);
        facts.exists = window != nullptr && ::IsWindow(window);
        if (!facts.exists) return facts;
        facts.isDesktop = window == ::GetDesktopWindow() || window == ::GetShellWindow();
        facts.visible = ::IsWindowVisible(window) != FALSE;
        RECT r{};
        ::GetWindowRect(window, &r);
        facts.rect = {r.left, r.top, r.right, r.bottom};
        facts.screen = win32::VirtualScreen();
        return facts;
    }

    bool PaneRect(platform::WindowHandle pane, Rect& rect) override {
        RECT r{};
        if (!::GetWindowRect(win32::ToWindow(pane), &r)) return false;
        rect = Rect{r.left, r.top, r.right, r.bottom};
        return true;
    }

    void Create() override {
        picture_ = imaging_.Decode(LUMORA_JPEG_PREVIEW);
        const auto black = static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH));
        win32::RegisterWindowClass(kWindowClass, win32::OwnedProcedure<Win32Preview, &Win32Preview::OnMessage>,
                                   {0, black});
        win32::RegisterWindowClass(kPictureClass,
                                   win32::OwnedProcedure<Win32Preview, &Win32Preview::OnPictureMessage>, {0, black});
        window_ = win32::CreateOwnedWindow(0, kWindowClass, L"Preview Window", WS_POPUP | WS_CLIPCHILDREN, nullptr,
                                           this);
        if (window_ != nullptr) {
            image_ = win32::CreateOwnedWindow(0, kPictureClass, L"", WS_CHILD | WS_VISIBLE, window_, this);
            ::MoveWindow(image_, 0, 0, picture_.Width(), picture_.Height(), FALSE);
        }
    }

    void SetKind(WindowKind kind) override {
        // A popup stays tied to its owner, so the popup bit goes as the child bit comes.
        const LONG style = ::GetWindowLongA(window_, GWL_STYLE);
        ::SetWindowLongA(window_, GWL_STYLE,
                         kind == WindowKind::Child ? (style | WS_CHILD) & ~static_cast<LONG>(WS_POPUP)
                                                   : (style | static_cast<LONG>(WS_POPUP)) & ~WS_CHILD);
    }
    void SetParent(platform::WindowHandle pane) override { ::SetParent(window_, win32::ToWindow(pane)); }
    void Fill(const Rect& pane) override {
        // Laid out in twips, as the preview always has been: at a scale whose
        // twips per pixel are not whole, the picture comes out a fraction smaller.
        const win32::PreviewLayout size = win32::LayOutPreview(pane, twips_.x, twips_.y);
        ::MoveWindow(window_, 0, 0, win32::TwipsToPixels(size.widthTwips, twips_.x),
                     win32::TwipsToPixels(size.heightTwips, twips_.y), TRUE);
        ::MoveWindow(image_, 0, 0, static_cast<int>(std::lround(size.pictureWidth)),
                     static_cast<int>(std::lround(size.pictureHeight)), TRUE);
    }
    void Show() override {
        ::ShowWindow(window_, SW_SHOW);
        // The control panel may take the pane away without a word to us; when its
        // process ends, our window can go with it unannounced. So the watch lives
        // in a window of its own that nothing else can destroy.
        watcher_ = win32::CreateOwnedWindow(0, kWindowClass, L"", 0, HWND_MESSAGE, this);
        if (watcher_ != nullptr) ::SetTimer(watcher_, kPaneWatch, kPaneWatchMs, nullptr);
    }
    bool PostClose() override { return ::PostMessageA(window_, WM_CLOSE, 0, 0) != FALSE; }

private:
    void WatchPane() {
        // A pane that is hidden is as good as gone: the control panel has moved on.
        HWND pane = win32::ToWindow(pane_);
        if (::IsWindow(pane) && ::IsWindowVisible(pane) && window_ != nullptr && ::IsWindow(window_)) return;
        ::KillTimer(watcher_, kPaneWatch);
        if (window_ != nullptr && ::IsWindow(window_)) {
            ClosePreview(*this);
        } else {
            window_ = nullptr; // gone without a word: no window is left
            ::PostQuitMessage(0);
        }
    }

    LRESULT OnMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        switch (message) {
        case WM_TIMER:
            if (wParam == kPaneWatch && window == watcher_) WatchPane();
            return 0;
        case WM_CLOSE:
            ::DestroyWindow(window);
            return 0;
        case WM_DESTROY:
            // Destroyed with the pane, or closed: no window is left, so the process ends.
            if (window == window_) {
                window_ = nullptr;
                ::PostQuitMessage(0);
            }
            return 0;
        default:
            return ::DefWindowProcW(window, message, wParam, lParam);
        }
    }

    LRESULT OnPictureMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_ERASEBKGND) return 1;
        if (message != WM_PAINT) return ::DefWindowProcW(window, message, wParam, lParam);
        const win32::PaintScope paint(window);
        RECT client{};
        ::GetClientRect(window, &client);
        if (!picture_.Empty()) {
            ::SetStretchBltMode(paint.Dc(), HALFTONE);
            ::SetBrushOrgEx(paint.Dc(), 0, 0, nullptr);
            ::StretchBlt(paint.Dc(), 0, 0, client.right, client.bottom, picture_.Dc(), 0, 0, picture_.Width(),
                         picture_.Height(), SRCCOPY);
        } else {
            ::FillRect(paint.Dc(), &client, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
        }
        return 0;
    }

    platform::WindowHandle pane_;
    const win32::TwipsPerPixel twips_;
    const win32::Imaging& imaging_;
    win32::Picture picture_;
    HWND window_ = nullptr;
    HWND image_ = nullptr;
    HWND watcher_ = nullptr;
};

} // namespace

std::unique_ptr<PreviewWindow> OpenPreview(platform::WindowHandle pane, const win32::Imaging& imaging) {
    auto preview = std::make_unique<Win32Preview>(pane, imaging);
    if (!AttachPreview(*preview, pane) || !preview->Created()) return nullptr;
    return preview;
}

} // namespace lumora
