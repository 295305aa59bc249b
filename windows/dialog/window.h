// The settings dialog's window over Win32: the window, its panels and
// controls. The panels are child windows that keep their shading in a bitmap
// of their own; the option marks and the labels are drawn by the panel that
// holds them, as a form toolkit's windowless controls are; the buttons are
// owner-drawn so they can carry their face colour. How it is built and laid
// out is in settings_dialog.cpp, what its windows do with messages in
// messages.cpp.
#pragma once

#include <windows.h>

#include <algorithm>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "dialog/dialog.h"
#include "windows/dialog/layout.h"
#include "windows/dialog/look.h"
#include "windows/dialog/parts.h"
#include "windows/dialog/file_chooser.h"
#include "platform/geometry.h"
#include "windows/system/dib.h"
#include "windows/system/picture.h"
#include "windows/system/text.h"
#include "windows/system/window.h"
#include "windows/system/worker.h"
#include "windows/resources/resources.h"

namespace lumora {

namespace dialog_classes {
inline constexpr wchar_t kWindow[] = L"Lumora.Settings";
inline constexpr wchar_t kPanel[] = L"Lumora.Settings.Panel";
inline constexpr wchar_t kEarth[] = L"Lumora.Settings.Earth";
inline constexpr wchar_t kChoice[] = L"Lumora.Settings.MusicChoice";
inline constexpr UINT_PTR kAnimationTimer = 1;
inline constexpr UINT kAnimationMs = 100;
} // namespace dialog_classes

// The window's code reads the layout's names as its own: it lives beside them.
namespace dialog_layout {

class Win32Dialog final : public DialogHost {
public:
    Win32Dialog(const platform::Platform& platform, const Settings& settings, const win32::Imaging& imaging)
        : imaging_(imaging), dialog_(platform, *this, settings) {
        contents_.address = win32::Widen(SettingsDialog::kAddress);
    }

    ~Win32Dialog() override {
        wakes_.Clear();
        win32::DestroyOwnedWindow(parts_.window);
        // The classes hold the icons, which go with this object.
        for (const wchar_t* name : {dialog_classes::kWindow, dialog_classes::kPanel, dialog_classes::kEarth, dialog_classes::kChoice})
            ::UnregisterClassW(name, ::GetModuleHandleW(nullptr));
    }

    Win32Dialog(const Win32Dialog&) = delete;
    Win32Dialog& operator=(const Win32Dialog&) = delete;

    void RunModal();

    // DialogHost ---------------------------------------------------------------
    // The frame of today's Windows is not the 3 and 19 pixels the panel's +6
    // and +25 once assumed: the platform says what holds the panel exactly, at
    // the dialog's scale. The place is worked out in twips, as it always was.
    void PlaceWindow(int clientWidth, int clientHeight) override;

    void SetMark(int index, bool on) override {
        contents_.marks[static_cast<std::size_t>(index)] = on;
        // The marks lie under the music choice's window, which shows them.
        ::InvalidateRect(parts_.choice, nullptr, FALSE);
    }
    void EnableRepeat(bool enabled) override { ::EnableWindow(parts_.repeat, enabled); }
    void EnableFileButton(bool enabled) override { ::EnableWindow(parts_.chooseFile, enabled); }
    void SetRepeatText(const std::string& text) override { ::SetWindowTextW(parts_.repeat, win32::Widen(text).c_str()); }
    std::string RepeatText() override {
        const int length = ::GetWindowTextLengthW(parts_.repeat);
        std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
        ::GetWindowTextW(parts_.repeat, text.data(), length + 1);
        text.resize(static_cast<std::size_t>(length));
        return win32::Narrow(text);
    }
    void AddRepeatEntry(const std::string& text) override {
        const std::wstring entry = win32::Widen(text);
        ::SendMessageW(parts_.repeat, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.c_str()));
    }
    void SetFileCaption(const std::string& text) override {
        contents_.fileCaption = win32::Widen(text);
        ::InvalidateRect(parts_.inner, &geometry_.fileLabel, FALSE);
    }
    void GiveHandPointer(Control control) override { hand_.insert(control); }
    void Focus(Control control) override {
        focusTarget_ = control;
        if (::IsWindowVisible(parts_.window)) ::SetFocus(WindowOf(control));
    }

    std::int32_t GetCursorPos(std::int32_t& x, std::int32_t& y) override {
        POINT p{};
        const BOOL ok = ::GetCursorPos(&p);
        x = p.x;
        y = p.y;
        return ok;
    }
    Rect WindowRect() override {
        RECT r{};
        ::GetWindowRect(parts_.window, &r);
        return {r.left, r.top, r.right, r.bottom};
    }
    void DrawAnimatedRects(const Rect& from, const Rect& to) override {
        const RECT a{from.left, from.top, from.right, from.bottom};
        const RECT b{to.left, to.top, to.right, to.bottom};
        ::DrawAnimatedRects(parts_.window, IDANI_CAPTION, &a, &b);
    }
    void EnableTimer(bool enabled) override {
        if (enabled)
            ::SetTimer(parts_.window, dialog_classes::kAnimationTimer, dialog_classes::kAnimationMs, nullptr);
        else
            ::KillTimer(parts_.window, dialog_classes::kAnimationTimer);
    }

    void ClearEarth() override { earthImage_.Clear(); }
    std::int32_t PaintEarthFrame(int frame) override {
        const win32::Picture& picture = look_->earth[static_cast<std::size_t>(frame)];
        if (picture.Empty()) return 0;
        DrawPicture(earthImage_.Dc(), RECT{0, 0, geometry_.earthFrame.cx, geometry_.earthFrame.cy}, picture,
                    SRCPAINT);
        return 1;
    }
    void RefreshEarth() override {
        ::InvalidateRect(parts_.earth, nullptr, FALSE);
        ::UpdateWindow(parts_.earth);
    }

    OpenFileAnswer OpenFile(const std::vector<FileFilter>& filters, const std::string& title) override {
        return ChooseFile(parts_.window, filters, title);
    }
    void SetScreenPointer(bool hourglass) override {
        waiting_ = hourglass;
        ::SetCursor(::LoadCursorW(nullptr, hourglass ? IDC_WAIT : IDC_ARROW));
    }
    void OpenDocument(const std::string& address) override {
        using ShellExecuteW = HINSTANCE(WINAPI*)(HWND, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR, INT);
        if (auto execute = win32::LoadFunction<ShellExecuteW>(L"shell32.dll", "ShellExecuteW"))
            execute(parts_.window, L"open", win32::Widen(address).c_str(), L"", L"", SW_SHOWNORMAL);
    }
    void RunInBackground(std::function<void()> work, std::function<void()> done) override {
        if (!worker_) {
            wakes_.Set(parts_.window);
            worker_ = std::make_unique<win32::Worker>(wakes_);
        }
        worker_->Post(std::move(work), std::move(done));
    }
    void ShowMessage(const std::string& text) override {
        ::MessageBoxW(parts_.window, win32::Widen(text).c_str(), L"ルモラ", MB_OK | MB_ICONEXCLAMATION);
    }
    void Close() override {
        if (closing_ || parts_.window == nullptr) return;
        closing_ = true;
        dialog_.OnClose();
        ::DestroyWindow(parts_.window);
    }

private:
    // One whole pixel row of a bitmap.
    static void FillRow(const win32::DibSection& image, int y, std::int32_t color) {
        if (image.Empty() || y < 0 || y >= image.Height()) return;
        std::uint32_t* row = image.Bits() + static_cast<std::ptrdiff_t>(y) * image.Width();
        std::fill_n(row, image.Width(), ColorToPixel(color));
    }

    // Twips per pixel at the dialog's DPI: the unit its layout rules measure in.
    float Twips() const { return 1440.0f / static_cast<float>(geometry_.dpi); }

    // Both panels' shading, into their retained images.
    void ShadePanels() {
        const auto fill = [](const win32::DibSection& image, const std::vector<std::int32_t>& colors) {
            for (std::size_t y = 0; y < colors.size(); ++y) FillRow(image, static_cast<int>(y), colors[y]);
        };
        fill(outerShading_, ShadeRows(Height(geometry_.outerPanel), Twips()));
        fill(innerShading_, ShadeRows(Height(geometry_.innerPanel), 1.0f));
    }

    bool Create();

    // Places and sizes every part for this DPI, with fonts, pictures and
    // retained images made for it.
    void LayOut(int dpi);

    // A move to a monitor of another scale: everything is laid out again, in
    // the place Windows suggests.
    void OnDpiChanged(int dpi, const RECT& suggested);

    // The window's outer rectangle, the client area at (0, 0), for a client area
    // of this size at 96 DPI.
    RECT OuterRect(int clientWidth, int clientHeight) const {
        return OuterRect(clientWidth, clientHeight, geometry_.dpi);
    }
    static RECT OuterRect(int clientWidth, int clientHeight, int dpi);

    static void Place(HWND window, const RECT& place) {
        ::SetWindowPos(window, nullptr, place.left, place.top, Width(place), Height(place),
                       SWP_NOZORDER | SWP_NOACTIVATE);
    }

    static HWND Button(HWND parent, const wchar_t* caption, int id) {
        return win32::CreateOwnedWindow(0, L"BUTTON", caption, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW,
                                        parent, nullptr, id);
    }

    HWND WindowOf(Control control) const;

    win32::AccessibleDescription DescribeChoice() {
        return DescribeMusicChoice(parts_, geometry_, contents_,
                                   [this](MusicKind kind) { dialog_.OnMusicChoice(kind); });
    }
    win32::AccessibleDescription DescribePanel(HWND panel) {
        return DescribeDialogPanel(panel, parts_, geometry_, contents_, [this] { dialog_.OnLink(); });
    }

    bool IsButton(HWND window) const {
        return window != nullptr && (window == parts_.chooseFile || window == parts_.cancel || window == parts_.save);
    }

    bool HandOver(HWND panel, POINT p) const;

    bool HandOverButton(HWND button) const {
        if (button == parts_.chooseFile) return hand_.count(Control::ChooseFileButton) != 0;
        if (button == parts_.cancel) return hand_.count(Control::CancelButton) != 0;
        if (button == parts_.save) return hand_.count(Control::SaveButton) != 0;
        return false;
    }

    void OnPanelButtonDown(HWND panel, POINT p) {
        if (panel != parts_.inner) return;
        if (const int kind = MusicKindAt(geometry_, p); kind >= 0) dialog_.OnMusicChoice(static_cast<MusicKind>(kind));
    }

    void Paint(HWND panel, HDC dc, const RECT& area) {
        if (panel == parts_.outer)
            PaintOuterPanel(dc, area, outerShading_, *look_, geometry_, contents_);
        else
            PaintInnerPanel(dc, area, innerShading_, *look_, geometry_, contents_);
    }

    LRESULT OnMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    LRESULT OnPanelMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    // The music choice: one stop for Tab; the arrows move the choice, as in a
    // group of option buttons. It shows the panel under it, and a focus frame
    // round the chosen label while it has the focus.
    LRESULT OnChoiceMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    LRESULT OnEarthMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_ERASEBKGND) return 1;
        if (message != WM_PAINT) return ::DefWindowProcW(window, message, wParam, lParam);
        const win32::PaintScope paint(window);
        earthImage_.Show(paint.Dc(), paint.Area());
        return 0;
    }

    // The window class holds the icons for as long as it is registered.
    win32::Icon icon_{static_cast<HICON>(::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(LUMORA_ICON),
                                                      IMAGE_ICON, 32, 32, 0))};
    win32::Icon smallIcon_{static_cast<HICON>(::LoadImageW(
        ::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(LUMORA_ICON), IMAGE_ICON, 16, 16, 0))};
    const win32::Imaging& imaging_;
    dialog_layout::Geometry geometry_ = dialog_layout::GeometryFor(dialog_layout::kBaseDpi);
    std::unique_ptr<DialogLook> look_;
    SettingsDialog dialog_;
    DialogWindows parts_;
    Control focusTarget_ = Control::CancelButton;
    HWND lastFocus_ = nullptr;
    win32::DibSection outerShading_;
    win32::DibSection innerShading_;
    win32::DibSection earthImage_;
    PanelContents contents_;
    std::set<Control> hand_;
    bool waiting_ = false;
    bool closing_ = false;
    bool done_ = false;
    win32::WakeTarget wakes_;
    std::unique_ptr<win32::Worker> worker_; // made with the first background work
};

} // namespace dialog_layout

using dialog_layout::Win32Dialog;

} // namespace lumora
