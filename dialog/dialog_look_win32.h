// What the settings dialog is drawn with: its fonts, the buttons' face, the
// pictures and pointers, each made once for the dialog's life.
#pragma once

#include <windows.h>

#include <array>
#include <string>

#include "dialog/dialog.h"
#include "platform/win32/dib_win32.h"
#include "platform/win32/handles_win32.h"
#include "platform/win32/picture_win32.h"

namespace lumora {

struct DialogLook {
    // Fonts, pictures and pointers; the Earth's frames come later (DecodeEarth).
    DialogLook();

    win32::Font buttonFont;
    win32::Font labelFont;
    win32::Font linkFont;
    win32::Font dotsFont; // the "..." button's
    win32::Brush buttonFace;
    win32::Cursor hand;
    win32::Icon icon;
    win32::Icon smallIcon;
    win32::Picture markOn;
    win32::Picture markOff;
    std::array<win32::Picture, SettingsDialog::kFrames> earth;

    // The 24 frames take the longest to decode of everything the dialog shows.
    void DecodeEarth();
};

// What the panels show besides their shading.
struct PanelContents {
    std::array<bool, 3> marks{};
    std::wstring fileCaption;
    std::wstring address;
    RECT linkRect{};
};

// The outer panel: its shading, the link and the by-line.
void PaintOuterPanel(HDC dc, const RECT& area, const win32::DibSection& shading, const DialogLook& look,
                     const PanelContents& contents);

// The inner panel: its shading, the marks and the labels of the music choice.
void PaintInnerPanel(HDC dc, const RECT& area, const win32::DibSection& shading, const DialogLook& look,
                     const PanelContents& contents);

// One of the owner-drawn buttons, in the face colour, its caption centred.
void DrawButton(const DRAWITEMSTRUCT& item, const DialogLook& look);

} // namespace lumora
