#include "dialog/dialog_look_win32.h"

#include "dialog/dialog_layout_win32.h"
#include "platform/win32/text_win32.h"
#include "startup/resources.h"

namespace lumora {
namespace {

using namespace dialog_layout;

HFONT MakeFont(const wchar_t* face, int tenthsOfPoints, bool bold, bool underline, BYTE charset) {
    HDC screen = ::GetDC(nullptr);
    const int height = -::MulDiv(tenthsOfPoints, ::GetDeviceCaps(screen, LOGPIXELSY), 720);
    ::ReleaseDC(nullptr, screen);
    return ::CreateFontW(height, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, underline, FALSE, charset,
                         OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                         DEFAULT_PITCH | FF_DONTCARE, face);
}

template <typename Handle>
Handle LoadOwnImage(int id, UINT type, int size) {
    return static_cast<Handle>(
        ::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), type, size, size, 0));
}

void DrawLabel(HDC dc, const wchar_t* text, RECT area, HFONT font, COLORREF color, UINT flags) {
    win32::Selected selected(dc, font);
    ::SetTextColor(dc, color);
    ::DrawTextW(dc, text, -1, &area, flags | DT_NOPREFIX);
}

} // namespace

DialogLook::DialogLook()
    : buttonFont(MakeFont(L"ＭＳ Ｐゴシック", 98, false, false, SHIFTJIS_CHARSET)),
      labelFont(MakeFont(L"ＭＳ Ｐゴシック", 90, false, false, SHIFTJIS_CHARSET)),
      linkFont(MakeFont(L"ＭＳ Ｐゴシック", 98, false, true, SHIFTJIS_CHARSET)),
      dotsFont(MakeFont(L"Times New Roman", 98, true, false, ANSI_CHARSET)),
      buttonFace(::CreateSolidBrush(kButtonFace)),
      hand(LoadOwnImage<HCURSOR>(LUMORA_HAND_CURSOR, IMAGE_CURSOR, 32)),
      icon(LoadOwnImage<HICON>(LUMORA_ICON, IMAGE_ICON, 32)),
      smallIcon(LoadOwnImage<HICON>(LUMORA_ICON, IMAGE_ICON, 16)),
      markOn(win32::Picture::FromResource(LUMORA_JPEG_OPTION_ON)),
      markOff(win32::Picture::FromResource(LUMORA_JPEG_OPTION_OFF)) {}

void DialogLook::DecodeEarth() {
    for (int i = 0; i < SettingsDialog::kFrames; ++i)
        earth[static_cast<std::size_t>(i)] = win32::Picture::FromResource(LUMORA_JPEG_EARTH_FIRST + i);
}

void PaintOuterPanel(HDC dc, const RECT& area, const win32::DibSection& shading, const DialogLook& look,
                     const PanelContents& contents) {
    ::SetBkMode(dc, TRANSPARENT);
    shading.Show(dc, area);
    DrawLabel(dc, contents.address.c_str(), contents.linkRect, look.linkFont.Get(), kLightText,
              DT_SINGLELINE);
    const std::wstring byLine = win32::Widen(SettingsDialog::kByLine);
    DrawLabel(dc, byLine.c_str(), kByLine, look.labelFont.Get(), kLightText, DT_SINGLELINE | DT_NOCLIP);
}

void PaintInnerPanel(HDC dc, const RECT& area, const win32::DibSection& shading, const DialogLook& look,
                     const PanelContents& contents) {
    ::SetBkMode(dc, TRANSPARENT);
    shading.Show(dc, area);
    const COLORREF text = ::GetSysColor(COLOR_BTNTEXT);
    const HFONT font = look.labelFont.Get();
    for (std::size_t i = 0; i < 3; ++i) {
        const win32::Picture& mark = contents.marks[i] ? look.markOn : look.markOff;
        if (!mark.Empty())
            ::BitBlt(dc, kMarks[i].left, kMarks[i].top, kMarkSize, kMarkSize, mark.Dc(), 0, 0, SRCCOPY);
        DrawLabel(dc, kChoiceCaptions[i], kChoiceLabels[i], font, text, DT_SINGLELINE | DT_NOCLIP);
    }
    DrawLabel(dc, L"曲目をﾘﾋﾟｰﾄ", kRepeatLabel, font, text, DT_SINGLELINE | DT_NOCLIP);
    DrawLabel(dc, L"・BGM", kGroupLabel, font, text, DT_SINGLELINE | DT_NOCLIP);
    DrawLabel(dc, contents.fileCaption.c_str(), kFileLabel, font, text, DT_WORDBREAK | DT_EDITCONTROL);
}

void DrawButton(const DRAWITEMSTRUCT& item, const DialogLook& look) {
    RECT r = item.rcItem;
    const bool pressed = (item.itemState & ODS_SELECTED) != 0;
    const bool disabled = (item.itemState & ODS_DISABLED) != 0;
    ::FillRect(item.hDC, &r, look.buttonFace.Get());
    ::DrawEdge(item.hDC, &r, pressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
    wchar_t caption[32] = L"";
    ::GetWindowTextW(item.hwndItem, caption, 32);
    ::SetBkMode(item.hDC, TRANSPARENT);
    win32::Selected font(item.hDC, item.CtlID == kIdChooseFile ? look.dotsFont.Get() : look.buttonFont.Get());
    RECT text = r;
    if (pressed) ::OffsetRect(&text, 1, 1);
    if (disabled) {
        // Engraved, as a disabled caption is drawn: a light copy one pixel down and right.
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

} // namespace lumora
