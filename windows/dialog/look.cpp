#include "windows/dialog/look.h"

#include "windows/system/text.h"
#include "windows/resources/resources.h"

namespace lumora {
namespace {

using namespace dialog_layout;

HFONT MakeFont(const wchar_t* face, int tenthsOfPoints, bool bold, bool underline, BYTE charset, int dpi) {
    const int height = -::MulDiv(tenthsOfPoints, dpi, 720);
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

// The picture set nearer the scale; halfway between takes the larger, which
// scales down more cleanly than the smaller scales up.
int PictureScaleFor(int dpi) { return dpi * 2 >= kBaseDpi * 3 ? 2 : 1; }

} // namespace

DialogLook::DialogLook(int dpi, const win32::Imaging& imaging)
    : pictureScale(PictureScaleFor(dpi)),
      buttonFont(MakeFont(L"ＭＳ Ｐゴシック", 98, false, false, SHIFTJIS_CHARSET, dpi)),
      labelFont(MakeFont(L"ＭＳ Ｐゴシック", 90, false, false, SHIFTJIS_CHARSET, dpi)),
      linkFont(MakeFont(L"ＭＳ Ｐゴシック", 98, false, true, SHIFTJIS_CHARSET, dpi)),
      dotsFont(MakeFont(L"Times New Roman", 98, true, false, ANSI_CHARSET, dpi)),
      buttonFace(::CreateSolidBrush(kButtonFace)),
      hand(LoadOwnImage<HCURSOR>(LUMORA_HAND_CURSOR, IMAGE_CURSOR, 32)),
      markOn(imaging.Decode(pictureScale == 2 ? LUMORA_JPEG_OPTION_ON_2X : LUMORA_JPEG_OPTION_ON)),
      markOff(imaging.Decode(pictureScale == 2 ? LUMORA_JPEG_OPTION_OFF_2X : LUMORA_JPEG_OPTION_OFF)),
      imaging_(imaging) {}

void DialogLook::DecodeEarth() {
    const int first = pictureScale == 2 ? LUMORA_JPEG_EARTH_2X_FIRST : LUMORA_JPEG_EARTH_FIRST;
    for (int i = 0; i < SettingsDialog::kFrames; ++i)
        earth[static_cast<std::size_t>(i)] = imaging_.Decode(first + i);
}

void DrawPicture(HDC target, const RECT& place, const win32::Picture& picture, DWORD operation) {
    if (picture.Empty()) return;
    const int width = Width(place);
    const int height = Height(place);
    if (width == picture.Width() && height == picture.Height()) {
        ::BitBlt(target, place.left, place.top, width, height, picture.Dc(), 0, 0, operation);
        return;
    }
    const int previous = ::SetStretchBltMode(target, HALFTONE);
    ::SetBrushOrgEx(target, 0, 0, nullptr);
    ::StretchBlt(target, place.left, place.top, width, height, picture.Dc(), 0, 0, picture.Width(),
                 picture.Height(), operation);
    ::SetStretchBltMode(target, previous);
}

void PaintOuterPanel(HDC dc, const RECT& area, const win32::DibSection& shading, const DialogLook& look,
                     const Geometry& geometry, const PanelContents& contents) {
    ::SetBkMode(dc, TRANSPARENT);
    shading.Show(dc, area);
    DrawLabel(dc, contents.address.c_str(), contents.linkRect, look.linkFont.Get(), kLightText,
              DT_SINGLELINE);
    const std::wstring byLine = win32::Widen(SettingsDialog::kByLine);
    DrawLabel(dc, byLine.c_str(), geometry.byLine, look.labelFont.Get(), kLightText, DT_SINGLELINE | DT_NOCLIP);
}

void PaintInnerPanel(HDC dc, const RECT& area, const win32::DibSection& shading, const DialogLook& look,
                     const Geometry& geometry, const PanelContents& contents) {
    ::SetBkMode(dc, TRANSPARENT);
    shading.Show(dc, area);
    const COLORREF text = ::GetSysColor(COLOR_BTNTEXT);
    const HFONT font = look.labelFont.Get();
    for (std::size_t i = 0; i < 3; ++i) {
        DrawPicture(dc, geometry.marks[i], contents.marks[i] ? look.markOn : look.markOff, SRCCOPY);
        DrawLabel(dc, kChoiceCaptions[i], geometry.choiceLabels[i], font, text, DT_SINGLELINE | DT_NOCLIP);
    }
    DrawLabel(dc, L"曲目をﾘﾋﾟｰﾄ", geometry.repeatLabel, font, text, DT_SINGLELINE | DT_NOCLIP);
    DrawLabel(dc, L"・BGM", geometry.groupLabel, font, text, DT_SINGLELINE | DT_NOCLIP);
    DrawLabel(dc, contents.fileCaption.c_str(), geometry.fileLabel, font, text, DT_WORDBREAK | DT_EDITCONTROL);
}

void DrawButton(const DRAWITEMSTRUCT& item, const DialogLook& look, const Geometry& geometry) {
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
        ::InflateRect(&r, -geometry.focusInset, -geometry.focusInset);
        ::DrawFocusRect(item.hDC, &r);
    }
}

} // namespace lumora
