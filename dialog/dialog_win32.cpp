// The settings dialog over Win32: the window, its panels and controls, and the
// window procedures that turn Windows' messages into the dialog's events. The
// panels are child windows that keep their shading in a bitmap of their own;
// the option marks and the labels are drawn by the panel that holds them, as a
// form toolkit's windowless controls are; the buttons are owner-drawn so they
// can carry their face colour.
#include "dialog/dialog_win32.h"

#include <windows.h>
#include <commdlg.h>
#include <oleacc.h>
#include <shellapi.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <set>

#include "dialog/dialog.h"
#include "dialog/dialog_layout_win32.h"
#include "dialog/dialog_look_win32.h"
#include "dialog/dialog_parts_win32.h"
#include "dialog/file_chooser_win32.h"
#include "platform/geometry.h"
#include "platform/win32/accessible_win32.h"
#include "platform/win32/dib_win32.h"
#include "platform/win32/library_win32.h"
#include "platform/win32/text_win32.h"
#include "platform/win32/twips_win32.h"
#include "platform/win32/window_win32.h"
#include "platform/win32/worker_win32.h"
#include "startup/resources.h"

namespace lumora {
namespace {

using namespace dialog_layout;

constexpr wchar_t kWindowClass[] = L"Lumora.Settings";
constexpr wchar_t kPanelClass[] = L"Lumora.Settings.Panel";
constexpr wchar_t kEarthClass[] = L"Lumora.Settings.Earth";
constexpr wchar_t kChoiceClass[] = L"Lumora.Settings.MusicChoice";
constexpr UINT_PTR kAnimationTimer = 1;
constexpr UINT kAnimationMs = 100;

// One whole pixel row of a bitmap.
void FillRow(const win32::DibSection& image, int y, std::int32_t color) {
    if (image.Empty() || y < 0 || y >= image.Height()) return;
    std::uint32_t* row = image.Bits() + static_cast<std::ptrdiff_t>(y) * image.Width();
    std::fill_n(row, image.Width(), ColorToPixel(color));
}

POINT PointOf(LPARAM lParam) {
    return POINT{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
}

class Win32Dialog final : public DialogHost {
public:
    Win32Dialog(const platform::Platform& platform, const Settings& settings, const win32::Imaging& imaging)
        : imaging_(imaging), dialog_(platform, *this, settings) {
        contents_.address = win32::Widen(SettingsDialog::kAddress);
        const char* report = std::getenv("LUMORA_LAYOUT_REPORT");
        if (report != nullptr) layoutReport_ = report;
    }

    ~Win32Dialog() override {
        win32::DestroyOwnedWindow(parts_.window);
        // The classes hold the icons, which go with this object.
        for (const wchar_t* name : {kWindowClass, kPanelClass, kEarthClass, kChoiceClass})
            ::UnregisterClassW(name, ::GetModuleHandleW(nullptr));
    }

    Win32Dialog(const Win32Dialog&) = delete;
    Win32Dialog& operator=(const Win32Dialog&) = delete;

    void RunModal() {
        if (!Create()) return;
        dialog_.Open();
        ::ShowWindow(parts_.window, SW_SHOWNORMAL);
        ::UpdateWindow(parts_.window);
        ::SetFocus(WindowOf(focusTarget_));
        // Nothing shows the Earth before the first tick, 100 ms after opening, so
        // its frames are decoded once the window stands drawn, before any tick.
        look_->DecodeEarth();
        ReportDialogLayout(layoutReport_, parts_, geometry_, *look_, contents_);
        MSG message;
        while (!done_ && ::GetMessageW(&message, nullptr, 0, 0) > 0) {
            // Enter presses the button that has the focus, as Space does: neither
            // button is the default, so nothing else would.
            if (message.message == WM_KEYDOWN && message.wParam == VK_RETURN && IsButton(::GetFocus())) {
                ::SendMessageW(::GetFocus(), BM_CLICK, 0, 0);
                continue;
            }
            // Tab moves the focus through the controls in their order.
            if (::IsDialogMessageW(parts_.window, &message)) continue;
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
    }

    // DialogHost ---------------------------------------------------------------
    // The frame of today's Windows is not the 3 and 19 pixels the panel's +6
    // and +25 once assumed: the platform says what holds the panel exactly, at
    // the dialog's scale. The place is worked out in twips, as it always was.
    void PlaceWindow(int clientWidth, int clientHeight) override {
        const float twips = Twips();
        const RECT r = OuterRect(clientWidth, clientHeight);
        const double width = Width(r) * static_cast<double>(twips);
        const double height = Height(r) * static_cast<double>(twips);
        std::int32_t left = 0;
        std::int32_t top = 0;
        win32::PlaceDialog(::GetSystemMetrics(SM_CXSCREEN) * static_cast<double>(twips),
                           ::GetSystemMetrics(SM_CYSCREEN) * static_cast<double>(twips), width, height, left, top);
        ::SetWindowPos(parts_.window, nullptr, win32::TwipsToPixels(left, twips), win32::TwipsToPixels(top, twips),
                       win32::TwipsToPixels(width, twips), win32::TwipsToPixels(height, twips),
                       SWP_NOZORDER | SWP_NOACTIVATE);
    }

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
            ::SetTimer(parts_.window, kAnimationTimer, kAnimationMs, nullptr);
        else
            ::KillTimer(parts_.window, kAnimationTimer);
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
        if (!worker_) worker_ = std::make_unique<win32::Worker>(parts_.window);
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

    bool Create() {
        win32::RegisterWindowClass(kWindowClass, win32::OwnedProcedure<Win32Dialog, &Win32Dialog::OnMessage>,
                                   {0, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1), icon_.Get(), smallIcon_.Get()});
        win32::RegisterWindowClass(kPanelClass, win32::OwnedProcedure<Win32Dialog, &Win32Dialog::OnPanelMessage>);
        win32::RegisterWindowClass(kEarthClass, win32::OwnedProcedure<Win32Dialog, &Win32Dialog::OnEarthMessage>);
        win32::RegisterWindowClass(kChoiceClass, win32::OwnedProcedure<Win32Dialog, &Win32Dialog::OnChoiceMessage>);

        parts_.window = win32::CreateOwnedWindow(0, kWindowClass, L"ルモラの設定", kWindowStyle, nullptr, this);
        if (parts_.window == nullptr) return false;
        constexpr DWORD panel = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
        parts_.outer = win32::CreateOwnedWindow(WS_EX_CONTROLPARENT, kPanelClass, L"", panel, parts_.window, this);
        // Created in the focus order: the music choice, the repeat box, "...",
        // then the two buttons.
        parts_.inner = win32::CreateOwnedWindow(WS_EX_CONTROLPARENT, kPanelClass, L"", panel, parts_.outer, this);
        parts_.choice = win32::CreateOwnedWindow(0, kChoiceClass, L"・BGM", WS_CHILD | WS_VISIBLE | WS_TABSTOP, parts_.inner, this);
        parts_.repeat = win32::CreateOwnedWindow(
            0, L"COMBOBOX", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL,
            parts_.inner, nullptr, kIdRepeat);
        parts_.chooseFile = Button(parts_.inner, L"...", kIdChooseFile);
        parts_.cancel = Button(parts_.outer, L"ｷｬﾝｾﾙ", kIdCancel);
        parts_.save = Button(parts_.outer, L"設定", kIdSave);
        parts_.earth = win32::CreateOwnedWindow(0, kEarthClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, parts_.window, this);
        if (parts_.outer == nullptr || parts_.inner == nullptr || parts_.choice == nullptr || parts_.repeat == nullptr || parts_.earth == nullptr)
            return false;
        LayOut(win32::WindowDpi(parts_.window));
        return true;
    }

    // Places and sizes every part for this DPI, with fonts, pictures and
    // retained images made for it.
    void LayOut(int dpi) {
        geometry_ = dialog_layout::GeometryFor(dpi);
        const bool earthDecoded = look_ && !look_->earth.front().Empty();
        look_ = std::make_unique<DialogLook>(geometry_.dpi, imaging_);
        if (earthDecoded) look_->DecodeEarth();

        outerShading_.Create(Width(geometry_.outerPanel), Height(geometry_.outerPanel));
        innerShading_.Create(Width(geometry_.innerPanel), Height(geometry_.innerPanel));
        earthImage_.Create(Width(geometry_.earth), Height(geometry_.earth));

        Place(parts_.outer, geometry_.outerPanel);
        Place(parts_.inner, geometry_.innerPanel);
        Place(parts_.choice, MusicChoiceArea(geometry_));
        Place(parts_.repeat, geometry_.repeatBox);
        Place(parts_.chooseFile, geometry_.chooseFileButton);
        Place(parts_.cancel, geometry_.cancelButton);
        Place(parts_.save, geometry_.saveButton);
        Place(parts_.earth, geometry_.earth);
        // The Earth lies over both panels.
        ::SetWindowPos(parts_.earth, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        ::SendMessageW(parts_.repeat, WM_SETFONT, reinterpret_cast<WPARAM>(look_->buttonFont.Get()), TRUE);
        // The link is sized to its text; clicks and the hand pointer use its rectangle.
        contents_.linkRect = RECT{geometry_.link.x, geometry_.link.y, geometry_.link.x, geometry_.link.y};
        if (win32::WindowDc dc(parts_.outer); dc.Get() != nullptr) {
            win32::Selected font(dc.Get(), look_->linkFont.Get());
            ::DrawTextW(dc.Get(), contents_.address.c_str(), -1, &contents_.linkRect,
                        DT_CALCRECT | DT_NOPREFIX | DT_SINGLELINE);
        }
    }

    // A move to a monitor of another scale: everything is laid out again, in
    // the place Windows suggests.
    void OnDpiChanged(int dpi, const RECT& suggested) {
        // The window keeps its own size at the new DPI and only takes the
        // corner: a place that would leave its caption off every monitor (one
        // far out, or merely touching the screen) is no place for it.
        const RECT outer = OuterRect(SettingsDialog::kPanelWidth, SettingsDialog::kPanelHeight, dpi);
        const Rect caption{suggested.left, suggested.top, suggested.left + Width(outer), suggested.top - outer.top};
        if (!CaptionReachable(caption, win32::Monitors())) return;
        LayOut(dpi);
        ::SetWindowPos(parts_.window, nullptr, suggested.left, suggested.top, Width(outer), Height(outer),
                       SWP_NOZORDER | SWP_NOACTIVATE);
        ShadePanels();
        ::InvalidateRect(parts_.window, nullptr, TRUE);
        ::RedrawWindow(parts_.window, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_FRAME);
        ReportDialogLayout(layoutReport_, parts_, geometry_, *look_, contents_);
    }

    // The window's outer rectangle, the client area at (0, 0), for a client area
    // of this size at 96 DPI.
    RECT OuterRect(int clientWidth, int clientHeight) const {
        return OuterRect(clientWidth, clientHeight, geometry_.dpi);
    }
    static RECT OuterRect(int clientWidth, int clientHeight, int dpi) {
        RECT r{0, 0, dialog_layout::ScaleLength(clientWidth, dpi), dialog_layout::ScaleLength(clientHeight, dpi)};
        using AdjustForDpi = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
        // GetProcAddress returns a generic function pointer; the real type is named here.
        const auto adjust = reinterpret_cast<AdjustForDpi>(reinterpret_cast<void*>(
            ::GetProcAddress(::GetModuleHandleW(L"user32.dll"), "AdjustWindowRectExForDpi")));
        if (adjust != nullptr)
            adjust(&r, kWindowStyle, FALSE, 0, static_cast<UINT>(dpi));
        else
            ::AdjustWindowRectEx(&r, kWindowStyle, FALSE, 0);
        return r;
    }

    static void Place(HWND window, const RECT& place) {
        ::SetWindowPos(window, nullptr, place.left, place.top, Width(place), Height(place),
                       SWP_NOZORDER | SWP_NOACTIVATE);
    }

    static HWND Button(HWND parent, const wchar_t* caption, int id) {
        return win32::CreateOwnedWindow(0, L"BUTTON", caption, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW,
                                        parent, nullptr, id);
    }

    HWND WindowOf(Control control) const {
        switch (control) {
        case Control::RepeatBox: return parts_.repeat;
        case Control::ChooseFileButton: return parts_.chooseFile;
        case Control::SaveButton: return parts_.save;
        case Control::MusicChoice: return parts_.choice;
        default: return parts_.cancel;
        }
    }

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

    bool HandOver(HWND panel, POINT p) const {
        if (panel == parts_.inner) {
            for (int i = 0; i < 3; ++i) {
                if (Inside(geometry_.marks[i], p) &&
                    hand_.count(static_cast<Control>(static_cast<int>(Control::NoneMark) + i)))
                    return true;
                if (Inside(geometry_.choiceLabels[i], p) &&
                    hand_.count(static_cast<Control>(static_cast<int>(Control::NoneLabel) + i)))
                    return true;
            }
            return false;
        }
        return Inside(contents_.linkRect, p) && hand_.count(Control::Link) != 0;
    }

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

    LRESULT OnMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        switch (message) {
        case WM_SIZE:
            if (!outerShading_.Empty()) {
                ShadePanels();
                ::InvalidateRect(parts_.outer, nullptr, FALSE);
                ::RedrawWindow(parts_.inner, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
            }
            return 0;
        case WM_TIMER:
            if (wParam == kAnimationTimer) dialog_.OnAnimationTimer();
            return 0;
        case win32::kWorkDone:
            if (worker_) worker_->Deliver();
            return 0;
        case WM_ACTIVATE:
            // Coming back to the dialog brings the focus back to where it was.
            if (LOWORD(wParam) == WA_INACTIVE) {
                HWND focus = ::GetFocus();
                if (focus != nullptr && ::IsChild(window, focus)) lastFocus_ = focus;
                return 0;
            }
            return ::DefWindowProcW(window, message, wParam, lParam);
        case WM_SETFOCUS:
            ::SetFocus(lastFocus_ != nullptr && ::IsWindow(lastFocus_) ? lastFocus_
                                                                                    : WindowOf(focusTarget_));
            return 0;
        case WM_DPICHANGED: {
            RECT place{};
            if (win32::ProposedPlaceForDpi(window, wParam, lParam, place)) OnDpiChanged(HIWORD(wParam), place);
            return 0;
        }
        case WM_CLOSE:
            Close(); // the close box: like "ｷｬﾝｾﾙ", nothing is saved
            return 0;
        case WM_DESTROY:
            ::KillTimer(window, kAnimationTimer);
            parts_.window = nullptr;
            done_ = true;
            // A close sent from another process (an installer asking the dialog
            // to make way) arrives inside GetMessage, which would go on waiting
            // for a posted message that never comes: wake it.
            ::PostMessageW(nullptr, WM_NULL, 0, 0);
            return 0;
        default:
            return ::DefWindowProcW(window, message, wParam, lParam);
        }
    }

    LRESULT OnPanelMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        switch (message) {
        case WM_PAINT: {
            const win32::PaintScope paint(window);
            Paint(window, paint.Dc(), paint.Area());
            return 0;
        }
        case WM_GETOBJECT:
            if (LRESULT answer = win32::AnswerGetObject(window, wParam, lParam,
                                                        [this, window] { return DescribePanel(window); }))
                return answer;
            return ::DefWindowProcW(window, message, wParam, lParam);
        case WM_ERASEBKGND:
            return 1;
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
            OnPanelButtonDown(window, PointOf(lParam));
            return 0;
        case WM_LBUTTONUP:
            if (window == parts_.outer && Inside(contents_.linkRect, PointOf(lParam))) dialog_.OnLink();
            return 0;
        case WM_SETCURSOR: {
            if (waiting_) {
                ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
                return TRUE;
            }
            const HWND under = reinterpret_cast<HWND>(wParam);
            bool hand = HandOverButton(under);
            if (under == window) {
                POINT p{};
                ::GetCursorPos(&p);
                ::ScreenToClient(window, &p);
                hand = HandOver(window, p);
            }
            if (hand && look_->hand) {
                ::SetCursor(look_->hand.Get());
                return TRUE;
            }
            return ::DefWindowProcW(window, message, wParam, lParam);
        }
        case WM_DRAWITEM:
            DrawButton(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam), *look_, geometry_);
            return TRUE;
        case WM_COMMAND:
            if (HIWORD(wParam) == BN_CLICKED) {
                switch (LOWORD(wParam)) {
                case kIdSave: dialog_.OnSave(); break;
                case kIdCancel: dialog_.OnCancel(); break;
                case kIdChooseFile: dialog_.OnChooseFile(); break;
                default: break;
                }
            }
            return 0;
        default:
            return ::DefWindowProcW(window, message, wParam, lParam);
        }
    }

    // The music choice: one stop for Tab; the arrows move the choice, as in a
    // group of option buttons. It shows the panel under it, and a focus frame
    // round the chosen label while it has the focus.
    LRESULT OnChoiceMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        switch (message) {
        case WM_GETDLGCODE:
            return DLGC_WANTARROWS;
        case WM_GETOBJECT:
            if (LRESULT answer = win32::AnswerGetObject(window, wParam, lParam, [this] { return DescribeChoice(); }))
                return answer;
            return ::DefWindowProcW(window, message, wParam, lParam);
        case WM_KEYDOWN:
            if (wParam == VK_DOWN || wParam == VK_RIGHT) dialog_.OnMusicChoiceKey(+1);
            if (wParam == VK_UP || wParam == VK_LEFT) dialog_.OnMusicChoiceKey(-1);
            return 0;
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
            ::InvalidateRect(window, nullptr, FALSE);
            return 0;
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN: {
            // A click on the marks is the panel's, as it always was.
            POINT p = PointOf(lParam);
            ::MapWindowPoints(window, parts_.inner, &p, 1);
            OnPanelButtonDown(parts_.inner, p);
            return 0;
        }
        case WM_SETCURSOR: {
            POINT p{};
            ::GetCursorPos(&p);
            ::ScreenToClient(parts_.inner, &p);
            if (HandOver(parts_.inner, p) && look_->hand) {
                ::SetCursor(look_->hand.Get());
                return TRUE;
            }
            return ::DefWindowProcW(window, message, wParam, lParam);
        }
        case WM_PAINT: {
            const win32::PaintScope paint(window);
            HDC dc = paint.Dc();
            // The panel's own drawing, moved so that its coordinates line up.
            RECT place{};
            ::GetWindowRect(window, &place);
            ::MapWindowPoints(nullptr, parts_.inner, reinterpret_cast<POINT*>(&place), 2);
            POINT origin{};
            ::SetViewportOrgEx(dc, -place.left, -place.top, &origin);
            RECT area = paint.Area();
            ::OffsetRect(&area, place.left, place.top);
            Paint(parts_.inner, dc, area);
            if (::GetFocus() == window) {
                const int chosen = static_cast<int>(dialog_.Current().music);
                if (chosen >= 0 && chosen <= 2) {
                    RECT frame = geometry_.choiceLabels[chosen];
                    ::InflateRect(&frame, 1, 1);
                    ::DrawFocusRect(dc, &frame);
                }
            }
            ::SetViewportOrgEx(dc, origin.x, origin.y, nullptr);
            return 0;
        }
        case WM_ERASEBKGND:
            return 1;
        default:
            return ::DefWindowProcW(window, message, wParam, lParam);
        }
    }

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
    std::string layoutReport_;
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
    std::unique_ptr<win32::Worker> worker_; // made with the first background work
};

} // namespace

void ShowSettingsDialog(const platform::Platform& platform, const Settings& settings,
                        const win32::Imaging& imaging) {
    Win32Dialog dialog(platform, settings, imaging);
    dialog.RunModal();
}

} // namespace lumora
