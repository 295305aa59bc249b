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

#include <array>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <set>

#include "dialog/dialog.h"
#include "dialog/dialog_layout_win32.h"
#include "dialog/dialog_look_win32.h"
#include "platform/geometry.h"
#include "platform/win32/accessible_win32.h"
#include "platform/win32/dib_win32.h"
#include "platform/win32/library_win32.h"
#include "platform/win32/text_win32.h"
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

// One pixel row of a bitmap, from its left edge to `width` inclusive.
void FillRow(const win32::DibSection& image, int y, int width, std::int32_t color) {
    if (image.Empty() || y < 0 || y >= image.Height()) return;
    const std::uint32_t pixel = ColorToPixel(color);
    std::uint32_t* row = image.Bits() + static_cast<std::ptrdiff_t>(y) * image.Width();
    for (int x = 0; x < image.Width() && x <= width; ++x) row[x] = pixel;
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
        win32::DestroyOwnedWindow(window_);
        // The classes hold the icons, which go with this object.
        for (const wchar_t* name : {kWindowClass, kPanelClass, kEarthClass, kChoiceClass})
            ::UnregisterClassW(name, ::GetModuleHandleW(nullptr));
    }

    Win32Dialog(const Win32Dialog&) = delete;
    Win32Dialog& operator=(const Win32Dialog&) = delete;

    void RunModal() {
        if (!Create()) return;
        dialog_.Open();
        ::ShowWindow(window_, SW_SHOWNORMAL);
        ::UpdateWindow(window_);
        ::SetFocus(WindowOf(focusTarget_));
        // Nothing shows the Earth before the first tick, 100 ms after opening, so
        // its frames are decoded once the window stands drawn, before any tick.
        look_->DecodeEarth();
        ReportLayout();
        MSG message;
        while (!done_ && ::GetMessageW(&message, nullptr, 0, 0) > 0) {
            // Enter presses the button that has the focus, as Space does: neither
            // button is the default, so nothing else would.
            if (message.message == WM_KEYDOWN && message.wParam == VK_RETURN && IsButton(::GetFocus())) {
                ::SendMessageW(::GetFocus(), BM_CLICK, 0, 0);
                continue;
            }
            // Tab moves the focus through the controls in their order.
            if (::IsDialogMessageW(window_, &message)) continue;
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
    }

    // DialogHost ---------------------------------------------------------------
    DialogScreen Screen() override {
        return {::GetSystemMetrics(SM_CXSCREEN) * static_cast<double>(Twips()),
                ::GetSystemMetrics(SM_CYSCREEN) * static_cast<double>(Twips()), Twips(), Twips()};
    }

    // The frame of today's Windows is not the 3 and 19 pixels the panel's
    // +6 and +25 once assumed: ask the platform what holds the panel exactly,
    // at the dialog's scale.
    void OuterSizeFor(int clientWidth, int clientHeight, double& width, double& height) override {
        const RECT r = OuterRect(clientWidth, clientHeight);
        width = Width(r) * static_cast<double>(Twips());
        height = Height(r) * static_cast<double>(Twips());
    }
    void SizeWindow(double width, double height) override {
        ::SetWindowPos(window_, nullptr, 0, 0, win32::TwipsToPixels(width, Twips()), win32::TwipsToPixels(height, Twips()),
                       SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    void MoveWindow(std::int32_t left, std::int32_t top) override {
        ::SetWindowPos(window_, nullptr, win32::TwipsToPixels(left, Twips()), win32::TwipsToPixels(top, Twips()), 0, 0,
                       SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }

    void SetMark(int index, bool on) override {
        contents_.marks[static_cast<std::size_t>(index)] = on;
        // The marks lie under the music choice's window, which shows them.
        ::InvalidateRect(choice_, nullptr, FALSE);
    }
    void EnableRepeat(bool enabled) override { ::EnableWindow(repeat_, enabled); }
    void EnableFileButton(bool enabled) override { ::EnableWindow(chooseFile_, enabled); }
    void SetRepeatText(const std::string& text) override { ::SetWindowTextW(repeat_, win32::Widen(text).c_str()); }
    std::string RepeatText() override {
        const int length = ::GetWindowTextLengthW(repeat_);
        std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
        ::GetWindowTextW(repeat_, text.data(), length + 1);
        text.resize(static_cast<std::size_t>(length));
        return win32::Narrow(text);
    }
    void AddRepeatEntry(const std::string& text) override {
        const std::wstring entry = win32::Widen(text);
        ::SendMessageW(repeat_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.c_str()));
    }
    void SetFileCaption(const std::string& text) override {
        contents_.fileCaption = win32::Widen(text);
        ::InvalidateRect(inner_, &geometry_.fileLabel, FALSE);
    }
    void GiveHandPointer(Control control) override { hand_.insert(control); }
    void Focus(Control control) override {
        focusTarget_ = control;
        if (::IsWindowVisible(window_)) ::SetFocus(WindowOf(control));
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
        ::GetWindowRect(window_, &r);
        return {r.left, r.top, r.right, r.bottom};
    }
    void DrawAnimatedRects(const Rect& from, const Rect& to) override {
        const RECT a{from.left, from.top, from.right, from.bottom};
        const RECT b{to.left, to.top, to.right, to.bottom};
        ::DrawAnimatedRects(window_, IDANI_CAPTION, &a, &b);
    }
    void EnableTimer(bool enabled) override {
        if (enabled)
            ::SetTimer(window_, kAnimationTimer, kAnimationMs, nullptr);
        else
            ::KillTimer(window_, kAnimationTimer);
    }

    PanelSize InnerSize(Panel panel) override {
        if (panel == Panel::Outer)
            return {Width(geometry_.outerPanel) * static_cast<double>(Twips()),
                    Height(geometry_.outerPanel) * static_cast<double>(Twips())};
        return {static_cast<double>(Width(geometry_.innerPanel)), static_cast<double>(Height(geometry_.innerPanel))};
    }
    // The outer panel measures in twips, the inner one in pixels.
    void DrawRow(Panel panel, double y, double width, std::int32_t color) override {
        if (panel == Panel::Outer)
            FillRow(outerShading_, static_cast<int>(std::floor(y / static_cast<double>(Twips()))),
                    static_cast<int>(std::floor(width / static_cast<double>(Twips()))), color);
        else
            FillRow(innerShading_, static_cast<int>(std::floor(y)), static_cast<int>(std::floor(width)), color);
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
        ::InvalidateRect(earth_, nullptr, FALSE);
        ::UpdateWindow(earth_);
    }

    OpenFileAnswer OpenFile(const std::string& filter, const std::string& title) override {
        std::array<wchar_t, 256> file{};
        std::array<wchar_t, 256> fileTitle{};
        const std::wstring wideFilter = win32::Widen(filter) + L'\0';
        const std::wstring wideTitle = win32::Widen(title);
        OPENFILENAMEW record{};
        // The short record of Windows 95 and NT 4: Windows and Wine turn other
        // sizes of it away.
        record.lStructSize = OPENFILENAME_SIZE_VERSION_400W;
        record.hwndOwner = window_;
        record.hInstance = ::GetModuleHandleW(nullptr);
        record.lpstrFilter = wideFilter.c_str();
        record.lpstrFile = file.data();
        record.nMaxFile = 255;
        record.lpstrFileTitle = fileTitle.data();
        record.nMaxFileTitle = 255;
        record.lpstrTitle = wideTitle.c_str();
        // Windows tells the user in its own words when a typed name does not exist.
        record.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST;
        OpenFileAnswer answer;
        // The file chooser and the browser hand-off are used at most once a run:
        // their DLLs (and all they pull in) load then, not with every start.
        using GetOpenFileNameW = BOOL(WINAPI*)(OPENFILENAMEW*);
        if (auto open = win32::LoadFunction<GetOpenFileNameW>(L"comdlg32.dll", "GetOpenFileNameW"))
            answer.result = open(&record);
        if (answer.result > 0) answer.path = win32::Narrow(file.data());
        return answer;
    }
    void SetScreenPointer(bool hourglass) override {
        waiting_ = hourglass;
        ::SetCursor(::LoadCursorW(nullptr, hourglass ? IDC_WAIT : IDC_ARROW));
    }
    void OpenDocument(const std::string& address) override {
        using ShellExecuteW = HINSTANCE(WINAPI*)(HWND, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR, INT);
        if (auto execute = win32::LoadFunction<ShellExecuteW>(L"shell32.dll", "ShellExecuteW"))
            execute(window_, L"open", win32::Widen(address).c_str(), L"", L"", SW_SHOWNORMAL);
    }
    void RunInBackground(std::function<void()> work, std::function<void()> done) override {
        if (!worker_) worker_ = std::make_unique<win32::Worker>(window_);
        worker_->Post(std::move(work), std::move(done));
    }
    void ShowMessage(const std::string& text) override {
        ::MessageBoxW(window_, win32::Widen(text).c_str(), L"ルモラ", MB_OK | MB_ICONEXCLAMATION);
    }
    void Close() override {
        if (closing_ || window_ == nullptr) return;
        closing_ = true;
        dialog_.OnClose();
        ::DestroyWindow(window_);
    }

private:
    // Twips per pixel at the dialog's DPI: the unit the dialog's own logic measures in.
    float Twips() const { return 1440.0f / static_cast<float>(geometry_.dpi); }

    bool Create() {
        win32::RegisterWindowClass(kWindowClass, win32::OwnedProcedure<Win32Dialog, &Win32Dialog::OnMessage>,
                                   {0, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1), icon_.Get(), smallIcon_.Get()});
        win32::RegisterWindowClass(kPanelClass, win32::OwnedProcedure<Win32Dialog, &Win32Dialog::OnPanelMessage>);
        win32::RegisterWindowClass(kEarthClass, win32::OwnedProcedure<Win32Dialog, &Win32Dialog::OnEarthMessage>);
        win32::RegisterWindowClass(kChoiceClass, win32::OwnedProcedure<Win32Dialog, &Win32Dialog::OnChoiceMessage>);

        window_ = win32::CreateOwnedWindow(0, kWindowClass, L"ルモラの設定", kWindowStyle, nullptr, this);
        if (window_ == nullptr) return false;
        constexpr DWORD panel = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
        outer_ = win32::CreateOwnedWindow(WS_EX_CONTROLPARENT, kPanelClass, L"", panel, window_, this);
        // Created in the focus order: the music choice, the repeat box, "...",
        // then the two buttons.
        inner_ = win32::CreateOwnedWindow(WS_EX_CONTROLPARENT, kPanelClass, L"", panel, outer_, this);
        choice_ = win32::CreateOwnedWindow(0, kChoiceClass, L"・BGM", WS_CHILD | WS_VISIBLE | WS_TABSTOP, inner_, this);
        repeat_ = win32::CreateOwnedWindow(
            0, L"COMBOBOX", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL,
            inner_, nullptr, kIdRepeat);
        chooseFile_ = Button(inner_, L"...", kIdChooseFile);
        cancel_ = Button(outer_, L"ｷｬﾝｾﾙ", kIdCancel);
        save_ = Button(outer_, L"設定", kIdSave);
        earth_ = win32::CreateOwnedWindow(0, kEarthClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, window_, this);
        if (outer_ == nullptr || inner_ == nullptr || choice_ == nullptr || repeat_ == nullptr || earth_ == nullptr)
            return false;
        LayOut(win32::WindowDpi(window_));
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

        Place(outer_, geometry_.outerPanel);
        Place(inner_, geometry_.innerPanel);
        Place(choice_, ChoiceArea());
        Place(repeat_, geometry_.repeatBox);
        Place(chooseFile_, geometry_.chooseFileButton);
        Place(cancel_, geometry_.cancelButton);
        Place(save_, geometry_.saveButton);
        Place(earth_, geometry_.earth);
        // The Earth lies over both panels.
        ::SetWindowPos(earth_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        ::SendMessageW(repeat_, WM_SETFONT, reinterpret_cast<WPARAM>(look_->buttonFont.Get()), TRUE);
        // The link is sized to its text; clicks and the hand pointer use its rectangle.
        contents_.linkRect = RECT{geometry_.link.x, geometry_.link.y, geometry_.link.x, geometry_.link.y};
        if (win32::WindowDc dc(outer_); dc.Get() != nullptr) {
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
        ::SetWindowPos(window_, nullptr, suggested.left, suggested.top, Width(outer), Height(outer),
                       SWP_NOZORDER | SWP_NOACTIVATE);
        dialog_.OnResize();
        ::InvalidateRect(window_, nullptr, TRUE);
        ::RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_FRAME);
        ReportLayout();
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

    // For the end-to-end tests: where every part stands, in the window's client
    // area, and how large its text is in its font, written where the
    // LUMORA_LAYOUT_REPORT variable says.
    void ReportLayout() {
        if (layoutReport_.empty()) return;
        std::string report = "dpi " + std::to_string(geometry_.dpi) + "\n";
        RECT client{};
        ::GetClientRect(window_, &client);
        report += "client 0 0 " + std::to_string(client.right) + " " + std::to_string(client.bottom) + "\n";
        win32::WindowDc dc(window_);
        const auto line = [&](const char* name, HWND parent, RECT place, const std::wstring& text, HFONT font) {
            ::MapWindowPoints(parent, window_, reinterpret_cast<POINT*>(&place), 2);
            SIZE extent{0, 0};
            if (!text.empty() && font != nullptr) {
                win32::Selected selected(dc.Get(), font);
                RECT measured{0, 0, 0, 0};
                ::DrawTextW(dc.Get(), text.c_str(), -1, &measured, DT_CALCRECT | DT_NOPREFIX | DT_SINGLELINE);
                extent = SIZE{measured.right, measured.bottom};
            }
            report += std::string(name) + " " + std::to_string(place.left) + " " + std::to_string(place.top) + " " +
                      std::to_string(place.right) + " " + std::to_string(place.bottom) + " " +
                      std::to_string(extent.cx) + " " + std::to_string(extent.cy) + "\n";
        };
        const HFONT label = look_->labelFont.Get();
        const HFONT button = look_->buttonFont.Get();
        line("outer", window_, geometry_.outerPanel, L"", nullptr);
        line("inner", outer_, geometry_.innerPanel, L"", nullptr);
        line("earth", window_, geometry_.earth, L"", nullptr);
        const char* marks[3] = {"mark0", "mark1", "mark2"};
        const char* labels[3] = {"label0", "label1", "label2"};
        for (int i = 0; i < 3; ++i) {
            line(marks[i], inner_, geometry_.marks[i], L"", nullptr);
            line(labels[i], inner_, geometry_.choiceLabels[i], kChoiceCaptions[i], label);
        }
        line("repeatLabel", inner_, geometry_.repeatLabel, L"曲目をﾘﾋﾟｰﾄ", label);
        line("groupLabel", inner_, geometry_.groupLabel, L"・BGM", label);
        line("fileLabel", inner_, geometry_.fileLabel, L"", nullptr);
        line("repeatBox", inner_, geometry_.repeatBox, L"", nullptr);
        line("chooseFile", inner_, geometry_.chooseFileButton, L"...", look_->dotsFont.Get());
        line("cancel", outer_, geometry_.cancelButton, L"ｷｬﾝｾﾙ", button);
        line("save", outer_, geometry_.saveButton, L"設定", button);
        line("link", outer_, contents_.linkRect, contents_.address, look_->linkFont.Get());
        line("byLine", outer_, geometry_.byLine, win32::Widen(SettingsDialog::kByLine), label);
        RECT box{};
        ::GetWindowRect(repeat_, &box);
        ::MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&box), 2);
        report += "repeatBoxShown " + std::to_string(box.left) + " " + std::to_string(box.top) + " " +
                  std::to_string(box.right) + " " + std::to_string(box.bottom) + " 0 0\n";
        const win32::FileHandle file(::CreateFileW(win32::Widen(layoutReport_).c_str(), GENERIC_WRITE, 0, nullptr,
                                                   CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) return;
        DWORD written = 0;
        ::WriteFile(file.Get(), report.data(), static_cast<DWORD>(report.size()), &written, nullptr);
    }

    static HWND Button(HWND parent, const wchar_t* caption, int id) {
        return win32::CreateOwnedWindow(0, L"BUTTON", caption, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW,
                                        parent, nullptr, id);
    }

    // The marks and their labels, all three: the music choice's own window.
    RECT ChoiceArea() const {
        RECT area = geometry_.marks[0];
        for (int i = 0; i < 3; ++i) {
            ::UnionRect(&area, &area, &geometry_.marks[i]);
            ::UnionRect(&area, &area, &geometry_.choiceLabels[i]);
        }
        return area;
    }

    HWND WindowOf(Control control) const {
        switch (control) {
        case Control::RepeatBox: return repeat_;
        case Control::ChooseFileButton: return chooseFile_;
        case Control::SaveButton: return save_;
        case Control::MusicChoice: return choice_;
        default: return cancel_;
        }
    }

    // What a screen reader hears of the drawn parts: the choices as option
    // buttons, the labels as text, the link as a link.
    win32::AccessibleDescription DescribeChoice() {
        win32::AccessibleDescription d;
        d.name = L"・BGM";
        d.role = ROLE_SYSTEM_GROUPING;
        RECT place{};
        ::GetWindowRect(choice_, &place);
        ::MapWindowPoints(nullptr, inner_, reinterpret_cast<POINT*>(&place), 2);
        const bool focused = ::GetFocus() == choice_;
        for (int kind : {1, 0, 2}) { // as they stand, top to bottom
            win32::AccessiblePart part;
            part.name = kChoiceCaptions[kind];
            part.role = ROLE_SYSTEM_RADIOBUTTON;
            const bool chosen = contents_.marks[static_cast<std::size_t>(kind)];
            part.state = STATE_SYSTEM_FOCUSABLE | (chosen ? STATE_SYSTEM_CHECKED : 0) |
                         (chosen && focused ? STATE_SYSTEM_FOCUSED : 0);
            ::UnionRect(&part.place, &geometry_.marks[kind], &geometry_.choiceLabels[kind]);
            ::OffsetRect(&part.place, -place.left, -place.top);
            part.defaultAction = L"選択";
            part.doDefaultAction = [this, kind] { dialog_.OnMusicChoice(static_cast<MusicKind>(kind)); };
            d.parts.push_back(std::move(part));
        }
        return d;
    }

    win32::AccessibleDescription DescribePanel(HWND panel) {
        win32::AccessibleDescription d;
        d.role = ROLE_SYSTEM_CLIENT;
        const auto text = [&d](std::wstring name, const RECT& place) {
            win32::AccessiblePart part;
            part.name = std::move(name);
            part.role = ROLE_SYSTEM_STATICTEXT;
            part.state = STATE_SYSTEM_READONLY;
            part.place = place;
            d.parts.push_back(std::move(part));
        };
        if (panel == inner_) {
            text(L"・BGM", geometry_.groupLabel);
            text(L"曲目をﾘﾋﾟｰﾄ", geometry_.repeatLabel);
            if (!contents_.fileCaption.empty()) text(contents_.fileCaption, geometry_.fileLabel);
            d.children = {choice_, repeat_, chooseFile_};
            return d;
        }
        win32::AccessiblePart link;
        link.name = contents_.address;
        link.role = ROLE_SYSTEM_LINK;
        link.state = STATE_SYSTEM_LINKED;
        link.place = contents_.linkRect;
        link.defaultAction = L"開く";
        link.doDefaultAction = [this] { dialog_.OnLink(); };
        d.parts.push_back(std::move(link));
        text(win32::Widen(SettingsDialog::kByLine), geometry_.byLine);
        d.children = {inner_, cancel_, save_};
        return d;
    }

    bool IsButton(HWND window) const {
        return window != nullptr && (window == chooseFile_ || window == cancel_ || window == save_);
    }

    bool HandOver(HWND panel, POINT p) const {
        if (panel == inner_) {
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
        if (button == chooseFile_) return hand_.count(Control::ChooseFileButton) != 0;
        if (button == cancel_) return hand_.count(Control::CancelButton) != 0;
        if (button == save_) return hand_.count(Control::SaveButton) != 0;
        return false;
    }

    void OnPanelButtonDown(HWND panel, POINT p) {
        if (panel != inner_) return;
        for (int i = 0; i < 3; ++i)
            if (Inside(geometry_.marks[i], p) || Inside(geometry_.choiceLabels[i], p))
                dialog_.OnMusicChoice(static_cast<MusicKind>(i));
    }

    void Paint(HWND panel, HDC dc, const RECT& area) {
        if (panel == outer_)
            PaintOuterPanel(dc, area, outerShading_, *look_, geometry_, contents_);
        else
            PaintInnerPanel(dc, area, innerShading_, *look_, geometry_, contents_);
    }

    LRESULT OnMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        switch (message) {
        case WM_SIZE:
            if (!outerShading_.Empty()) {
                dialog_.OnResize();
                ::InvalidateRect(outer_, nullptr, FALSE);
                ::RedrawWindow(inner_, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
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
            window_ = nullptr;
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
            if (window == outer_ && Inside(contents_.linkRect, PointOf(lParam))) dialog_.OnLink();
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
            ::MapWindowPoints(window, inner_, &p, 1);
            OnPanelButtonDown(inner_, p);
            return 0;
        }
        case WM_SETCURSOR: {
            POINT p{};
            ::GetCursorPos(&p);
            ::ScreenToClient(inner_, &p);
            if (HandOver(inner_, p) && look_->hand) {
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
            ::MapWindowPoints(nullptr, inner_, reinterpret_cast<POINT*>(&place), 2);
            POINT origin{};
            ::SetViewportOrgEx(dc, -place.left, -place.top, &origin);
            RECT area = paint.Area();
            ::OffsetRect(&area, place.left, place.top);
            Paint(inner_, dc, area);
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
    HWND window_ = nullptr;
    HWND outer_ = nullptr;
    HWND inner_ = nullptr;
    HWND earth_ = nullptr;
    HWND repeat_ = nullptr;
    HWND chooseFile_ = nullptr;
    HWND cancel_ = nullptr;
    HWND save_ = nullptr;
    HWND choice_ = nullptr;
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
