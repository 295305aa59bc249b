// What the settings dialog is drawn with at one DPI: its fonts, the buttons'
// face, the pictures and pointers, each made once for that DPI.
#pragma once

#include <windows.h>

#include <array>
#include <string>

#include "dialog/dialog.h"
#include "windows/dialog/layout.h"
#include "windows/system/dib.h"
#include "windows/system/handles.h"
#include "windows/system/picture.h"

namespace lumora {

struct DialogLook {
    // Fonts, pictures and pointers for the DPI; the Earth's frames come later
    // (DecodeEarth). The pictures are the set drawn nearer that scale: 1x or 2x.
    DialogLook(int dpi, const win32::Imaging& imaging);

    int pictureScale = 1;
    win32::Font buttonFont;
    win32::Font labelFont;
    win32::Font linkFont;
    win32::Font dotsFont; // the "..." button's
    win32::Brush buttonFace;
    win32::Cursor hand;
    win32::Picture markOn;
    win32::Picture markOff;
    std::array<win32::Picture, SettingsDialog::kFrames> earth;

    // The 24 frames take the longest to decode of everything the dialog shows.
    void DecodeEarth();

private:
    const win32::Imaging& imaging_;
};

// What the panels show besides their shading.
struct PanelContents {
    std::array<bool, 3> marks{};
    std::wstring fileCaption;
    std::wstring address;
    RECT linkRect{};
};

// Copies a picture onto the target at the given size: as it is when the sizes
// agree, smoothly scaled when not.
void DrawPicture(HDC target, const RECT& place, const win32::Picture& picture, DWORD operation);

// The outer panel: its shading, the link and the by-line.
void PaintOuterPanel(HDC dc, const RECT& area, const win32::DibSection& shading, const DialogLook& look,
                     const dialog_layout::Geometry& geometry, const PanelContents& contents);

// The inner panel: its shading, the marks and the labels of the music choice.
void PaintInnerPanel(HDC dc, const RECT& area, const win32::DibSection& shading, const DialogLook& look,
                     const dialog_layout::Geometry& geometry, const PanelContents& contents);

// One of the owner-drawn buttons, in the face colour, its caption centred.
void DrawButton(const DRAWITEMSTRUCT& item, const DialogLook& look, const dialog_layout::Geometry& geometry);

} // namespace lumora
