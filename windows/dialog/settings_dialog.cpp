// How the settings dialog's window is built, laid out for its DPI and placed,
// and the entry that shows it.
#include "windows/dialog/settings_dialog.h"

#include "windows/dialog/window.h"
#include "windows/system/twips.h"

namespace lumora {

using namespace dialog_layout;

void Win32Dialog::RunModal() {
    if (!Create()) return;
    dialog_.Open();
    ::ShowWindow(parts_.window, SW_SHOWNORMAL);
    ::UpdateWindow(parts_.window);
    ::SetFocus(WindowOf(focusTarget_));
    // Nothing shows the Earth before the first tick, 100 ms after opening, so
    // its frames are decoded once the window stands drawn, before any tick.
    look_->DecodeEarth();
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

void Win32Dialog::PlaceWindow(int clientWidth, int clientHeight) {
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

bool Win32Dialog::Create() {
    win32::RegisterWindowClass(dialog_classes::kWindow, win32::OwnedProcedure<Win32Dialog, &Win32Dialog::OnMessage>,
                               {0, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1), icon_.Get(), smallIcon_.Get()});
    win32::RegisterWindowClass(dialog_classes::kPanel, win32::OwnedProcedure<Win32Dialog, &Win32Dialog::OnPanelMessage>);
    win32::RegisterWindowClass(dialog_classes::kEarth, win32::OwnedProcedure<Win32Dialog, &Win32Dialog::OnEarthMessage>);
    win32::RegisterWindowClass(dialog_classes::kChoice, win32::OwnedProcedure<Win32Dialog, &Win32Dialog::OnChoiceMessage>);

    parts_.window = win32::CreateOwnedWindow(0, dialog_classes::kWindow, L"ルモラの設定", kWindowStyle, nullptr, this);
    if (parts_.window == nullptr) return false;
    constexpr DWORD panel = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
    parts_.outer = win32::CreateOwnedWindow(WS_EX_CONTROLPARENT, dialog_classes::kPanel, L"", panel, parts_.window, this);
    // Created in the focus order: the music choice, the repeat box, "...",
    // then the two buttons.
    parts_.inner = win32::CreateOwnedWindow(WS_EX_CONTROLPARENT, dialog_classes::kPanel, L"", panel, parts_.outer, this);
    parts_.choice = win32::CreateOwnedWindow(0, dialog_classes::kChoice, L"・BGM", WS_CHILD | WS_VISIBLE | WS_TABSTOP, parts_.inner, this);
    parts_.repeat = win32::CreateOwnedWindow(
        0, L"COMBOBOX", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL,
        parts_.inner, nullptr, kIdRepeat);
    parts_.chooseFile = Button(parts_.inner, L"...", kIdChooseFile);
    parts_.cancel = Button(parts_.outer, L"ｷｬﾝｾﾙ", kIdCancel);
    parts_.save = Button(parts_.outer, L"設定", kIdSave);
    parts_.earth = win32::CreateOwnedWindow(0, dialog_classes::kEarth, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, parts_.window, this);
    if (parts_.outer == nullptr || parts_.inner == nullptr || parts_.choice == nullptr || parts_.repeat == nullptr || parts_.earth == nullptr)
        return false;
    LayOut(win32::WindowDpi(parts_.window));
    return true;
}

void Win32Dialog::LayOut(int dpi) {
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

void Win32Dialog::OnDpiChanged(int dpi, const RECT& suggested) {
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
}

RECT Win32Dialog::OuterRect(int clientWidth, int clientHeight, int dpi) {
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

HWND Win32Dialog::WindowOf(Control control) const {
    switch (control) {
    case Control::RepeatBox: return parts_.repeat;
    case Control::ChooseFileButton: return parts_.chooseFile;
    case Control::SaveButton: return parts_.save;
    case Control::MusicChoice: return parts_.choice;
    default: return parts_.cancel;
    }
}

bool Win32Dialog::HandOver(HWND panel, POINT p) const {
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

void ShowSettingsDialog(const platform::Platform& platform, const Settings& settings,
                        const win32::Imaging& imaging) {
    Win32Dialog dialog(platform, settings, imaging);
    dialog.RunModal();
}

} // namespace lumora
