// The settings dialog over Win32. The panels are child windows that keep their
// shading in a bitmap of their own; the option marks and the labels are drawn
// by the panel that holds them, as a form toolkit's windowless controls are;
// the buttons are owner-drawn so they can carry their face colour.
#include "dialog/dialog_win32.h"

#include <windows.h>
#include <commdlg.h>
#include <ole2.h>
#include <shellapi.h>

#include <array>
#include <cmath>
#include <set>

#include "dialog/dialog.h"
#include "platform/win32/picture_win32.h"
#include "platform/win32/library_win32.h"
#include "platform/win32/text_win32.h"
#include "platform/win32/window_win32.h"
#include "startup/resources.h"

namespace lumora {
namespace {

constexpr wchar_t kFormClass[] = L"Lumora_P";
constexpr wchar_t kPanelClass[] = L"Lumora_P_Panel";
constexpr wchar_t kDisplayClass[] = L"Lumora_P_Display";
constexpr UINT_PTR kTimer1 = 1;
constexpr DWORD kFormStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr COLORREF kButtonFace = RGB(192, 192, 255);
constexpr COLORREF kLightText = RGB(224, 224, 224);
enum ControlId { kIdRepeat = 101, kIdBgm, kIdCancel, kIdSet };

// Positions and sizes in pixels, inside the panel that holds them.
constexpr RECT kMarks[3] = {{16, 60, 29, 73}, {16, 40, 29, 53}, {16, 80, 29, 93}};
constexpr RECT kBgmLabels[3] = {{32, 60, 55, 73}, {32, 40, 75, 53}, {32, 80, 92, 93}};
const wchar_t* const kBgmCaptions[3] = {L"無し", L"音楽CD", L"MP3、WAV"};
constexpr RECT kRepeatLabel = {140, 40, 206, 53};
constexpr RECT kGroupLabel = {16, 20, 47, 32};
constexpr RECT kFileLabel = {96, 104, 421, 133};
constexpr POINT kUrlLabel = {12, 192};
constexpr POINT kByLine = {12, 176};

// A picture box's retained image: a bitmap with its own memory DC.
class Retained {
public:
    Retained() = default;
    Retained(const Retained&) = delete;
    Retained& operator=(const Retained&) = delete;
    ~Retained() {
        if (dc_ != nullptr) {
            ::SelectObject(dc_, original_);
            ::DeleteDC(dc_);
        }
        if (bitmap_ != nullptr) ::DeleteObject(bitmap_);
    }

    void Create(int width, int height) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        bitmap_ = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        if (bitmap_ == nullptr || bits == nullptr) return;
        dc_ = ::CreateCompatibleDC(nullptr);
        original_ = ::SelectObject(dc_, bitmap_);
        bits_ = static_cast<std::uint32_t*>(bits);
        width_ = width;
        height_ = height;
    }

    // One pixel row in a colour given with red in the lowest byte.
    void FillRow(int y, int width, std::int32_t color) {
        if (bits_ == nullptr || y < 0 || y >= height_) return;
        const auto c = static_cast<std::uint32_t>(color);
        const std::uint32_t pixel = ((c & 0xFFu) << 16) | (c & 0xFF00u) | ((c >> 16) & 0xFFu);
        std::uint32_t* row = bits_ + static_cast<std::ptrdiff_t>(y) * width_;
        for (int x = 0; x < width_ && x <= width; ++x) row[x] = pixel;
    }

    void Clear() {
        if (bits_ != nullptr) std::fill(bits_, bits_ + static_cast<std::ptrdiff_t>(width_) * height_, 0u);
    }

    void Show(HDC target, const RECT& area) const {
        if (dc_ != nullptr)
            ::BitBlt(target, area.left, area.top, area.right - area.left, area.bottom - area.top, dc_,
                     area.left, area.top, SRCCOPY);
    }

    HDC Dc() const { return dc_; }

private:
    HBITMAP bitmap_ = nullptr;
    HDC dc_ = nullptr;
    HGDIOBJ original_ = nullptr;
    std::uint32_t* bits_ = nullptr;
    int width_ = 0;
    int height_ = 0;
};

HFONT Font(const wchar_t* face, int tenthsOfPoints, bool bold, bool underline, BYTE charset) {
    HDC screen = ::GetDC(nullptr);
    const int height = -::MulDiv(tenthsOfPoints, ::GetDeviceCaps(screen, LOGPIXELSY), 720);
    ::ReleaseDC(nullptr, screen);
    return ::CreateFontW(height, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, underline, FALSE, charset,
                         OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                         DEFAULT_PITCH | FF_DONTCARE, face);
}

bool Inside(const RECT& r, POINT p) { return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom; }

class Win32Dialog final : public DialogHost {
public:
    explicit Win32Dialog(const platform::Platform& platform) : form_(platform, *this) {
        const win32::TwipsPerPixel twips = win32::ScreenTwipsPerPixel();
        twipsX_ = twips.x;
        twipsY_ = twips.y;
        buttonFont_ = Font(L"ＭＳ Ｐゴシック", 98, false, false, SHIFTJIS_CHARSET);
        labelFont_ = Font(L"ＭＳ Ｐゴシック", 90, false, false, SHIFTJIS_CHARSET);
        urlFont_ = Font(L"ＭＳ Ｐゴシック", 98, false, true, SHIFTJIS_CHARSET);
        dotsFont_ = Font(L"Times New Roman", 98, true, false, ANSI_CHARSET);
        faceBrush_ = ::CreateSolidBrush(kButtonFace);
    }

    ~Win32Dialog() override {
        for (HGDIOBJ object : {static_cast<HGDIOBJ>(buttonFont_), static_cast<HGDIOBJ>(labelFont_),
                               static_cast<HGDIOBJ>(urlFont_), static_cast<HGDIOBJ>(dotsFont_),
                               static_cast<HGDIOBJ>(faceBrush_)})
            if (object != nullptr) ::DeleteObject(object);
    }

    Win32Dialog(const Win32Dialog&) = delete;
    Win32Dialog& operator=(const Win32Dialog&) = delete;

    void RunModal() {
        if (!Create()) return;
        form_.Form_Load();
        ::ShowWindow(window_, SW_SHOWNORMAL);
        ::UpdateWindow(window_);
        // The 24 frames take the longest to decode. Nothing shows them before the
        // first tick, 100 ms after loading, so they are decoded once the window
        // stands drawn, before any tick can come.
        for (int i = 0; i < DialogForm::kFrames; ++i)
            frames_[static_cast<std::size_t>(i)] = win32::Picture::FromResource(LUMORA_JPEG_EARTH_FIRST + i);
        MSG message;
        while (!done_ && ::GetMessageW(&message, nullptr, 0, 0) > 0) {
            // Tab moves the focus through the controls in their order.
            if (::IsDialogMessageW(window_, &message)) continue;
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
    }

    // DialogHost ---------------------------------------------------------------
    DialogScreen Screen() override {
        return {::GetSystemMetrics(SM_CXSCREEN) * static_cast<double>(twipsX_),
                ::GetSystemMetrics(SM_CYSCREEN) * static_cast<double>(twipsY_), twipsX_, twipsY_};
    }

    // The frame of today's Windows is not the 3 and 19 pixels the panel's
    // +6 and +25 once assumed: ask the platform what holds the panel exactly.
    void OuterSizeFor(int clientWidth, int clientHeight, double& width, double& height) override {
        RECT r{0, 0, clientWidth, clientHeight};
        ::AdjustWindowRectEx(&r, kFormStyle, FALSE, 0);
        width = (r.right - r.left) * static_cast<double>(twipsX_);
        height = (r.bottom - r.top) * static_cast<double>(twipsY_);
    }
    void SizeForm(double width, double height) override {
        ::SetWindowPos(window_, nullptr, 0, 0, Pixels(width, twipsX_), Pixels(height, twipsY_),
                       SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    void MoveForm(std::int32_t left, std::int32_t top) override {
        ::SetWindowPos(window_, nullptr, Pixels(left, twipsX_), Pixels(top, twipsY_), 0, 0,
                       SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }

    void SetMark(int index, bool on) override {
        marks_[static_cast<std::size_t>(index)] = on;
        ::InvalidateRect(panelD_, &kMarks[index], FALSE);
    }
    void EnableRepeat(bool enabled) override { ::EnableWindow(repeat_, enabled); }
    void EnableFileButton(bool enabled) override { ::EnableWindow(buttonBgm_, enabled); }
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
        fileCaption_ = win32::Widen(text);
        ::InvalidateRect(panelD_, &kFileLabel, FALSE);
    }
    void GiveHandPointer(Control control) override { hand_.insert(control); }

    std::int32_t GetCursorPos(std::int32_t& x, std::int32_t& y) override {
        POINT p{};
        const BOOL ok = ::GetCursorPos(&p);
        x = p.x;
        y = p.y;
        return ok;
    }
    ScreenRect WindowRect() override {
        RECT r{};
        ::GetWindowRect(window_, &r);
        return {r.left, r.top, r.right, r.bottom};
    }
    void DrawAnimatedRects(const ScreenRect& from, const ScreenRect& to) override {
        const RECT a{from.left, from.top, from.right, from.bottom};
        const RECT b{to.left, to.top, to.right, to.bottom};
        ::DrawAnimatedRects(window_, IDANI_CAPTION, &a, &b);
    }
    void EnableTimer(bool enabled) override {
        if (enabled)
            ::SetTimer(window_, kTimer1, 100, nullptr);
        else
            ::KillTimer(window_, kTimer1);
    }

    PanelSize InnerSize(Panel panel) override {
        if (panel == Panel::Pic_C)
            return {DialogForm::kPanelWidth * static_cast<double>(twipsX_), DialogForm::kPanelHeight * static_cast<double>(twipsY_)};
        return {433, 149};
    }
    void DrawRow(Panel panel, double y, double width, std::int32_t color) override {
        if (panel == Panel::Pic_C)
            imageC_.FillRow(static_cast<int>(std::floor(y / static_cast<double>(twipsY_))),
                            static_cast<int>(std::floor(width / static_cast<double>(twipsX_))), color);
        else
            imageD_.FillRow(static_cast<int>(std::floor(y)), static_cast<int>(std::floor(width)), color);
    }

    void ClearDisplay() override { imageDisplay_.Clear(); }
    std::int32_t PaintFrame(int frame) override {
        const win32::Picture& picture = frames_[static_cast<std::size_t>(frame)];
        if (picture.Empty()) return 0;
        return ::BitBlt(imageDisplay_.Dc(), 0, 0, 180, 85, picture.Dc(), 0, 0, SRCPAINT);
    }
    void RefreshDisplay() override {
        ::InvalidateRect(display_, nullptr, FALSE);
        ::UpdateWindow(display_);
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
        record.Flags = 0;
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
    void Unload() override {
        if (unloading_ || window_ == nullptr) return;
        unloading_ = true;
        form_.Form_Unload();
        ::DestroyWindow(window_);
    }

private:
    static int Pixels(double twips, float twipsPerPixel) {
        return static_cast<int>(std::lround(twips / static_cast<double>(twipsPerPixel)));
    }

    bool Create() {
        HINSTANCE instance = ::GetModuleHandleW(nullptr);
        handCursor_ = static_cast<HCURSOR>(
            ::LoadImageW(instance, MAKEINTRESOURCEW(LUMORA_HAND_CURSOR), IMAGE_CURSOR, 32, 32, 0));
        WNDCLASSEXW formClass{};
        formClass.cbSize = sizeof(formClass);
        formClass.lpfnWndProc = FormProc;
        formClass.hInstance = instance;
        formClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
        formClass.hIcon = static_cast<HICON>(
            ::LoadImageW(instance, MAKEINTRESOURCEW(LUMORA_ICON), IMAGE_ICON, 32, 32, 0));
        formClass.hIconSm = static_cast<HICON>(
            ::LoadImageW(instance, MAKEINTRESOURCEW(LUMORA_ICON), IMAGE_ICON, 16, 16, 0));
        formClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        formClass.lpszClassName = kFormClass;
        ::RegisterClassExW(&formClass);
        WNDCLASSEXW panelClass = formClass;
        panelClass.lpfnWndProc = PanelProc;
        panelClass.hbrBackground = nullptr;
        panelClass.hIcon = panelClass.hIconSm = nullptr;
        panelClass.lpszClassName = kPanelClass;
        ::RegisterClassExW(&panelClass);
        WNDCLASSEXW displayClass = panelClass;
        displayClass.lpfnWndProc = DisplayProc;
        displayClass.lpszClassName = kDisplayClass;
        ::RegisterClassExW(&displayClass);

        // The pictures are decoded once; the hidden picture stores need no window.
        optionOn_ = win32::Picture::FromResource(LUMORA_JPEG_OPTION_ON);
        optionOff_ = win32::Picture::FromResource(LUMORA_JPEG_OPTION_OFF);
        imageC_.Create(DialogForm::kPanelWidth, DialogForm::kPanelHeight);
        imageD_.Create(433, 149);
        imageDisplay_.Create(188, 85);

        window_ = ::CreateWindowExW(0, kFormClass, L"ルモラの設定", kFormStyle, 0, 0, 0, 0, nullptr,
                                    nullptr, instance, this);
        if (window_ == nullptr) return false;
        constexpr DWORD panel = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
        panelC_ = ::CreateWindowExW(WS_EX_CONTROLPARENT, kPanelClass, L"", panel, 0, 0,
                                    DialogForm::kPanelWidth, DialogForm::kPanelHeight, window_, nullptr,
                                    instance, this);
        // Created in the focus order: the repeat box, "...", then the two buttons.
        panelD_ = ::CreateWindowExW(WS_EX_CONTROLPARENT, kPanelClass, L"", panel, 12, 16, 433, 149,
                                    panelC_, nullptr, instance, this);
        repeat_ = ::CreateWindowExW(0, L"COMBOBOX", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL |
                                        CBS_DROPDOWN | CBS_AUTOHSCROLL,
                                    96, 36, 41, 200, panelD_, reinterpret_cast<HMENU>(kIdRepeat), instance,
                                    nullptr);
        buttonBgm_ = Button(panelD_, L"...", 96, 76, 29, 21, kIdBgm);
        buttonCancel_ = Button(panelC_, L"ｷｬﾝｾﾙ", 268, 180, 85, 25, kIdCancel);
        buttonSet_ = Button(panelC_, L"設定", 356, 180, 89, 25, kIdSet);
        display_ = ::CreateWindowExW(0, kDisplayClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 244,
                                     28, 188, 85, window_, nullptr, instance, this);
        // The animation lies over both panels.
        ::SetWindowPos(display_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        ::SendMessageW(repeat_, WM_SETFONT, reinterpret_cast<WPARAM>(buttonFont_), FALSE);
        // The link label is sized to its text; clicks and the hand pointer use its rectangle.
        urlRect_ = RECT{kUrlLabel.x, kUrlLabel.y, kUrlLabel.x, kUrlLabel.y};
        if (HDC dc = ::GetDC(panelC_)) {
            HGDIOBJ font = ::SelectObject(dc, urlFont_);
            ::DrawTextW(dc, address_.c_str(), -1, &urlRect_, DT_CALCRECT | DT_NOPREFIX | DT_SINGLELINE);
            ::SelectObject(dc, font);
            ::ReleaseDC(panelC_, dc);
        }
        return panelC_ != nullptr && panelD_ != nullptr && repeat_ != nullptr && display_ != nullptr;
    }

    HWND Button(HWND parent, const wchar_t* caption, int x, int y, int w, int h, int id) {
        return ::CreateWindowExW(0, L"BUTTON", caption, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW, x,
                                 y, w, h, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                 ::GetModuleHandleW(nullptr), nullptr);
    }

    static Win32Dialog* Adopt(HWND window, UINT message, LPARAM lParam) {
        return win32::WindowOwner<Win32Dialog>(window, message, lParam);
    }

    static LRESULT CALLBACK FormProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        Win32Dialog* self = Adopt(window, message, lParam);
        if (self == nullptr) return ::DefWindowProcW(window, message, wParam, lParam);
        switch (message) {
        case WM_SIZE:
            if (self->imageC_.Dc() != nullptr) {
                self->form_.Form_Resize();
                ::InvalidateRect(self->panelC_, nullptr, FALSE);
                ::InvalidateRect(self->panelD_, nullptr, FALSE);
            }
            return 0;
        case WM_TIMER:
            if (wParam == kTimer1) self->form_.Timer1_Timer();
            return 0;
        case WM_CLOSE:
            self->Unload(); // the close box: like "ｷｬﾝｾﾙ", nothing is saved
            return 0;
        case WM_DESTROY:
            ::KillTimer(window, kTimer1);
            self->window_ = nullptr;
            self->done_ = true;
            return 0;
        default:
            return ::DefWindowProcW(window, message, wParam, lParam);
        }
    }

    bool HandAt(HWND panel, POINT p) const {
        if (panel == panelD_) {
            for (int i = 0; i < 3; ++i) {
                if (Inside(kMarks[i], p) && hand_.count(static_cast<Control>(static_cast<int>(Control::Img_BGM0) + i))) return true;
                if (Inside(kBgmLabels[i], p) && hand_.count(static_cast<Control>(static_cast<int>(Control::lbl_BGM0) + i))) return true;
            }
            return false;
        }
        return Inside(urlRect_, p) && hand_.count(Control::lbl_URL) != 0;
    }

    void PanelMouseDown(HWND panel, POINT p) {
        if (panel != panelD_) return;
        for (int i = 0; i < 3; ++i) {
            if (Inside(kMarks[i], p)) form_.Img_BGM_MouseDown(i);
            else if (Inside(kBgmLabels[i], p)) form_.lbl_BGM_MouseDown(i);
        }
    }

    void DrawLabel(HDC dc, const wchar_t* text, RECT area, HFONT font, COLORREF color, UINT flags) {
        ::SelectObject(dc, font);
        ::SetTextColor(dc, color);
        ::DrawTextW(dc, text, -1, &area, flags | DT_NOPREFIX);
    }

    void PaintPanel(HWND panel, HDC dc, const RECT& area) {
        ::SetBkMode(dc, TRANSPARENT);
        const COLORREF text = ::GetSysColor(COLOR_BTNTEXT);
        if (panel == panelC_) {
            imageC_.Show(dc, area);
            DrawLabel(dc, address_.c_str(), urlRect_, urlFont_, kLightText, DT_SINGLELINE);
            const std::wstring byLine = win32::Widen(DialogForm::kByLine);
            RECT by{kByLine.x, kByLine.y, kByLine.x + 300, kByLine.y + 14};
            DrawLabel(dc, byLine.c_str(), by, labelFont_, kLightText, DT_SINGLELINE | DT_NOCLIP);
            return;
        }
        imageD_.Show(dc, area);
        for (int i = 0; i < 3; ++i) {
            const win32::Picture& mark = marks_[static_cast<std::size_t>(i)] ? optionOn_ : optionOff_;
            if (!mark.Empty())
                ::BitBlt(dc, kMarks[i].left, kMarks[i].top, 13, 13, mark.Dc(), 0, 0, SRCCOPY);
            DrawLabel(dc, kBgmCaptions[i], kBgmLabels[i], labelFont_, text, DT_SINGLELINE | DT_NOCLIP);
        }
        DrawLabel(dc, L"曲目をﾘﾋﾟｰﾄ", kRepeatLabel, labelFont_, text, DT_SINGLELINE | DT_NOCLIP);
        DrawLabel(dc, L"・BGM", kGroupLabel, labelFont_, text, DT_SINGLELINE | DT_NOCLIP);
        DrawLabel(dc, fileCaption_.c_str(), kFileLabel, labelFont_, text, DT_WORDBREAK | DT_EDITCONTROL);
    }

    void DrawButton(const DRAWITEMSTRUCT& item) {
        RECT r = item.rcItem;
        const bool pressed = (item.itemState & ODS_SELECTED) != 0;
        const bool disabled = (item.itemState & ODS_DISABLED) != 0;
        ::FillRect(item.hDC, &r, faceBrush_);
        ::DrawEdge(item.hDC, &r, pressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
        wchar_t caption[32] = L"";
        ::GetWindowTextW(item.hwndItem, caption, 32);
        ::SetBkMode(item.hDC, TRANSPARENT);
        ::SelectObject(item.hDC, item.CtlID == kIdBgm ? dotsFont_ : buttonFont_);
        RECT text = r;
        if (pressed) ::OffsetRect(&text, 1, 1);
        if (disabled) {
            ::SetTextColor(item.hDC, ::GetSysColor(COLOR_3DHILIGHT));
            RECT shadow = text;
            ::OffsetRect(&shadow, 1, 1);
            ::DrawTextW(item.hDC, caption, -1, &shadow, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        }
        ::SetTextColor(item.hDC, ::GetSysColor(disabled ? COLOR_GRAYTEXT : COLOR_BTNTEXT));
        ::DrawTextW(item.hDC, caption, -1, &text, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        if ((item.itemState & ODS_FOCUS) != 0) {
            ::InflateRect(&r, -4, -4);
            ::DrawFocusRect(item.hDC, &r);
        }
    }

    static LRESULT CALLBACK PanelProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        Win32Dialog* self = Adopt(window, message, lParam);
        if (self == nullptr) return ::DefWindowProcW(window, message, wParam, lParam);
        switch (message) {
        case WM_PAINT: {
            PAINTSTRUCT paint;
            HDC dc = ::BeginPaint(window, &paint);
            self->PaintPanel(window, dc, paint.rcPaint);
            ::EndPaint(window, &paint);
            return 0;
        }
        case WM_ERASEBKGND:
            return 1;
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
            self->PanelMouseDown(window, POINT{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))});
            return 0;
        case WM_LBUTTONUP:
            if (window == self->panelC_ &&
                Inside(self->urlRect_, POINT{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))}))
                self->form_.lbl_URL_Click();
            return 0;
        case WM_SETCURSOR: {
            if (self->waiting_) {
                ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
                return TRUE;
            }
            const HWND under = reinterpret_cast<HWND>(wParam);
            bool hand = false;
            if (under == self->buttonBgm_) hand = self->hand_.count(Control::Cmd_BGM) != 0;
            else if (under == self->buttonCancel_) hand = self->hand_.count(Control::Cmd_Can) != 0;
            else if (under == self->buttonSet_) hand = self->hand_.count(Control::Cmd_Set) != 0;
            else if (under == window) {
                POINT p{};
                ::GetCursorPos(&p);
                ::ScreenToClient(window, &p);
                hand = self->HandAt(window, p);
            }
            if (hand && self->handCursor_ != nullptr) {
                ::SetCursor(self->handCursor_);
                return TRUE;
            }
            return ::DefWindowProcW(window, message, wParam, lParam);
        }
        case WM_DRAWITEM:
            self->DrawButton(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
            return TRUE;
        case WM_COMMAND:
            if (HIWORD(wParam) == BN_CLICKED) {
                switch (LOWORD(wParam)) {
                case kIdSet: self->form_.Cmd_Set_Click(); break;
                case kIdCancel: self->form_.Cmd_Can_Click(); break;
                case kIdBgm: self->form_.Cmd_BGM_Click(); break;
                default: break;
                }
            }
            return 0;
        default:
            return ::DefWindowProcW(window, message, wParam, lParam);
        }
    }

    static LRESULT CALLBACK DisplayProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        Win32Dialog* self = Adopt(window, message, lParam);
        if (self != nullptr && message == WM_PAINT) {
            PAINTSTRUCT paint;
            HDC dc = ::BeginPaint(window, &paint);
            self->imageDisplay_.Show(dc, paint.rcPaint);
            ::EndPaint(window, &paint);
            return 0;
        }
        if (message == WM_ERASEBKGND) return 1;
        return ::DefWindowProcW(window, message, wParam, lParam);
    }

    DialogForm form_;
    float twipsX_ = 15;
    float twipsY_ = 15;
    HWND window_ = nullptr;
    HWND panelC_ = nullptr;
    HWND panelD_ = nullptr;
    HWND display_ = nullptr;
    HWND repeat_ = nullptr;
    HWND buttonBgm_ = nullptr;
    HWND buttonCancel_ = nullptr;
    HWND buttonSet_ = nullptr;
    HFONT buttonFont_ = nullptr;
    HFONT labelFont_ = nullptr;
    HFONT urlFont_ = nullptr;
    HFONT dotsFont_ = nullptr;
    HBRUSH faceBrush_ = nullptr;
    HCURSOR handCursor_ = nullptr;
    Retained imageC_;
    Retained imageD_;
    Retained imageDisplay_;
    win32::Picture optionOn_;
    win32::Picture optionOff_;
    std::array<win32::Picture, DialogForm::kFrames> frames_;
    std::array<bool, 3> marks_{};
    std::set<Control> hand_;
    std::wstring fileCaption_;
    const std::wstring address_ = win32::Widen(DialogForm::kAddress);
    RECT urlRect_{};
    bool waiting_ = false;
    bool unloading_ = false;
    bool done_ = false;
};

} // namespace

void Dialog_ShowModal(const platform::Platform& platform) {
    // COM, single-threaded, for the picture decoder (and the file chooser).
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    Win32Dialog dialog(platform);
    dialog.RunModal();
}

} // namespace lumora
