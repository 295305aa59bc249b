// The preview form over Win32: a window that becomes a child of the control
// panel's pane, holding one child, the picture, drawn stretched to its size.
#include "startup/preview_win32.h"

#include <windows.h>
#include <ole2.h>

#include <cmath>

#include "platform/win32/picture_win32.h"
#include "platform/win32/window_win32.h"
#include "startup/preview.h"
#include "startup/resources.h"

namespace lumora {
namespace {

constexpr wchar_t kFormClass[] = L"Lumora_R";
constexpr wchar_t kPictureClass[] = L"Lumora_R_Img_Prev";
constexpr UINT_PTR kPaneWatch = 1;
constexpr UINT kPaneWatchMs = 250;

HWND ToWindow(platform::WindowHandle handle) {
    return reinterpret_cast<HWND>(static_cast<INT_PTR>(handle));
}

int Pixels(std::int32_t twips, float twipsPerPixel) {
    return twipsPerPixel == 0.0f ? 0 : static_cast<int>(std::lround(twips / static_cast<double>(twipsPerPixel)));
}

class Win32Preview final : public PreviewWindow, public PreviewHost {
public:
    explicit Win32Preview(platform::WindowHandle pane) : pane_(pane) {
        const win32::TwipsPerPixel twips = win32::ScreenTwipsPerPixel();
        twipsX_ = twips.x;
        twipsY_ = twips.y;
    }

    ~Win32Preview() override {
        if (watcher_ != nullptr) ::DestroyWindow(watcher_);
        if (form_ != nullptr) {
            ::SetWindowLongPtrW(form_, GWLP_USERDATA, 0);
            ::DestroyWindow(form_);
        }
    }

    Win32Preview(const Win32Preview&) = delete;
    Win32Preview& operator=(const Win32Preview&) = delete;

    bool Loaded() const { return form_ != nullptr; }

    // PreviewHost ---------------------------------------------------------------
    std::int32_t GetPaneRect(platform::WindowHandle pane, PaneRect& rect) override {
        RECT r{};
        const BOOL ok = ::GetWindowRect(ToWindow(pane), &r);
        if (ok) rect = PaneRect{r.left, r.top, r.right, r.bottom};
        return ok;
    }
    float TwipsPerPixelX() override { return twipsX_; }
    float TwipsPerPixelY() override { return twipsY_; }

    void LoadForm() override {
        picture_ = win32::Picture::FromResource(LUMORA_JPEG_PREVIEW);
        HINSTANCE instance = ::GetModuleHandleW(nullptr);
        WNDCLASSW formClass{};
        formClass.lpfnWndProc = FormProc;
        formClass.hInstance = instance;
        formClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
        formClass.hbrBackground = static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH));
        formClass.lpszClassName = kFormClass;
        ::RegisterClassW(&formClass);
        WNDCLASSW pictureClass = formClass;
        pictureClass.lpfnWndProc = PictureProc;
        pictureClass.lpszClassName = kPictureClass;
        ::RegisterClassW(&pictureClass);

        form_ = ::CreateWindowExW(0, kFormClass, L"Preview Window", WS_POPUP | WS_CLIPCHILDREN, 0, 0, 0,
                                  0, nullptr, nullptr, instance, this);
        if (form_ != nullptr)
            image_ = ::CreateWindowExW(0, kPictureClass, L"", WS_CHILD | WS_VISIBLE, 0, 0,
                                       picture_.Width(), picture_.Height(), form_, nullptr, instance,
                                       this);
    }

    std::int32_t GetStyle() override { return ::GetWindowLongA(form_, GWL_STYLE); }
    std::int32_t SetStyle(std::int32_t style) override {
        return ::SetWindowLongA(form_, GWL_STYLE, style);
    }
    void SetParent(platform::WindowHandle pane) override { ::SetParent(form_, ToWindow(pane)); }
    void MoveForm(std::int32_t left, std::int32_t top, std::int32_t width, std::int32_t height) override {
        ::MoveWindow(form_, Pixels(left, twipsX_), Pixels(top, twipsY_), Pixels(width, twipsX_),
                     Pixels(height, twipsY_), TRUE);
    }
    void SizePicture(float width, float height) override {
        ::MoveWindow(image_, 0, 0, static_cast<int>(std::lround(width)),
                     static_cast<int>(std::lround(height)), TRUE);
    }
    void Show() override {
        ::ShowWindow(form_, SW_SHOW);
        // The control panel may take the pane away without a word to us; when its
        // process ends, our form can go with it unannounced. So the watch lives in
        // a window of its own that nothing else can destroy.
        watcher_ = ::CreateWindowExW(0, kFormClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                     ::GetModuleHandleW(nullptr), this);
        if (watcher_ != nullptr) ::SetTimer(watcher_, kPaneWatch, kPaneWatchMs, nullptr);
    }
    platform::WindowHandle GetOwner() override {
        return static_cast<platform::WindowHandle>(
            reinterpret_cast<INT_PTR>(::GetWindow(form_, GW_OWNER)));
    }
    std::int32_t PostClose() override { return ::PostMessageA(form_, WM_CLOSE, 0, 0); }

private:
    void WatchPane() {
        if (::IsWindow(ToWindow(pane_)) && form_ != nullptr && ::IsWindow(form_)) return;
        ::KillTimer(watcher_, kPaneWatch);
        if (form_ != nullptr && ::IsWindow(form_)) {
            Preview_Unload(*this);
        } else {
            form_ = nullptr; // gone without a word: no form is left
            ::PostQuitMessage(0);
        }
    }

    static LRESULT CALLBACK FormProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        Win32Preview* self = win32::WindowOwner<Win32Preview>(window, message, lParam);
        switch (message) {
        case WM_TIMER:
            if (self != nullptr && wParam == kPaneWatch && window == self->watcher_) self->WatchPane();
            return 0;
        case WM_CLOSE:
            ::DestroyWindow(window);
            return 0;
        case WM_DESTROY:
            // Destroyed with the pane, or closed: no form is left, so the process ends.
            if (self != nullptr && window == self->form_) {
                self->form_ = nullptr;
                ::PostQuitMessage(0);
            }
            return 0;
        default:
            return ::DefWindowProcW(window, message, wParam, lParam);
        }
    }

    static LRESULT CALLBACK PictureProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        Win32Preview* self = win32::WindowOwner<Win32Preview>(window, message, lParam);
        if (message == WM_PAINT && self != nullptr) {
            PAINTSTRUCT paint;
            HDC dc = ::BeginPaint(window, &paint);
            RECT client{};
            ::GetClientRect(window, &client);
            if (!self->picture_.Empty()) {
                ::SetStretchBltMode(dc, HALFTONE);
                ::SetBrushOrgEx(dc, 0, 0, nullptr);
                ::StretchBlt(dc, 0, 0, client.right, client.bottom, self->picture_.Dc(), 0, 0,
                             self->picture_.Width(), self->picture_.Height(), SRCCOPY);
            } else {
                ::FillRect(dc, &client, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
            }
            ::EndPaint(window, &paint);
            return 0;
        }
        if (message == WM_ERASEBKGND) return 1;
        return ::DefWindowProcW(window, message, wParam, lParam);
    }

    platform::WindowHandle pane_;
    float twipsX_ = 15;
    float twipsY_ = 15;
    win32::Picture picture_;
    HWND form_ = nullptr;
    HWND image_ = nullptr;
    HWND watcher_ = nullptr;
};

} // namespace

std::unique_ptr<PreviewWindow> Preview_Open(platform::WindowHandle pane) {
    // COM, single-threaded, for the picture decoder (and the file chooser).
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    auto preview = std::make_unique<Win32Preview>(pane);
    Preview_Attach(*preview, pane);
    if (!preview->Loaded()) return nullptr;
    return preview;
}

} // namespace lumora
