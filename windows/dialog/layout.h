// Where everything of the settings dialog stands, and its colours. The places
// are given for 96 DPI, in pixels inside the panel that holds each part, and
// scaled to the DPI of the monitor the dialog stands on: the form toolkit the
// dialog was made for laid it out in twips, which grow with the system's DPI.
#pragma once

#include <windows.h>

namespace lumora::dialog_layout {

inline constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
inline constexpr COLORREF kButtonFace = RGB(192, 192, 255);
inline constexpr COLORREF kLightText = RGB(224, 224, 224);
inline constexpr int kBaseDpi = 96;

enum ControlId { kIdRepeat = 101, kIdChooseFile, kIdCancel, kIdSave };

inline const wchar_t* const kChoiceCaptions[3] = {L"無し", L"音楽CD", L"MP3、WAV"};

// Every place of the dialog at one DPI.
struct Geometry {
    int dpi = kBaseDpi;
    RECT outerPanel{};  // in the window's client area
    RECT innerPanel{};  // in the outer panel
    RECT earth{};       // in the window's client area, over both panels
    SIZE earthFrame{};  // what one frame of the Earth covers
    // In the inner panel, in the order of the music kinds they choose.
    RECT marks[3]{};
    RECT choiceLabels[3]{};
    RECT repeatLabel{};
    RECT groupLabel{};
    RECT fileLabel{};
    RECT repeatBox{};
    RECT chooseFileButton{};
    // In the outer panel.
    RECT cancelButton{};
    RECT saveButton{};
    POINT link{};
    RECT byLine{};
    int focusInset = 4; // how far the focus rectangle lies inside a button's edge
};

inline int ScaleLength(int length, int dpi) { return ::MulDiv(length, dpi, kBaseDpi); }

inline RECT ScaleRect(const RECT& r, int dpi) {
    return RECT{ScaleLength(r.left, dpi), ScaleLength(r.top, dpi), ScaleLength(r.right, dpi),
                ScaleLength(r.bottom, dpi)};
}

inline Geometry GeometryFor(int dpi) {
    if (dpi <= 0) dpi = kBaseDpi;
    const auto at = [dpi](LONG left, LONG top, LONG width, LONG height) {
        return ScaleRect(RECT{left, top, left + width, top + height}, dpi);
    };
    Geometry g;
    g.dpi = dpi;
    g.outerPanel = at(0, 0, 461, 225);
    g.innerPanel = at(12, 16, 433, 149);
    g.earth = at(244, 28, 188, 85);
    g.earthFrame = SIZE{ScaleLength(180, dpi), ScaleLength(85, dpi)};
    const LONG markTops[3] = {60, 40, 80};
    const LONG labelWidths[3] = {23, 43, 60};
    for (int i = 0; i < 3; ++i) {
        g.marks[i] = at(16, markTops[i], 13, 13);
        g.choiceLabels[i] = at(32, markTops[i], labelWidths[i], 13);
    }
    g.repeatLabel = at(140, 40, 66, 13);
    g.groupLabel = at(16, 20, 40, 13); // wide enough for "・BGM" in the label font
    g.fileLabel = at(96, 104, 325, 29);
    g.repeatBox = at(96, 36, 41, 200);
    g.chooseFileButton = at(96, 76, 29, 21);
    g.cancelButton = at(268, 180, 85, 25);
    g.saveButton = at(356, 180, 89, 25);
    g.link = POINT{ScaleLength(12, dpi), ScaleLength(192, dpi)};
    g.byLine = at(12, 176, 300, 14);
    g.focusInset = ScaleLength(4, dpi);
    return g;
}

inline bool Inside(const RECT& r, POINT p) {
    return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

inline int Width(const RECT& r) { return r.right - r.left; }
inline int Height(const RECT& r) { return r.bottom - r.top; }

// The music kind whose mark or label holds the point of the inner panel; -1
// for none.
inline int MusicKindAt(const Geometry& g, POINT p) {
    for (int i = 0; i < 3; ++i)
        if (Inside(g.marks[i], p) || Inside(g.choiceLabels[i], p)) return i;
    return -1;
}

// The marks and their labels, all three: the music choice's own window.
inline RECT MusicChoiceArea(const Geometry& g) {
    RECT area = g.marks[0];
    for (int i = 0; i < 3; ++i) {
        ::UnionRect(&area, &area, &g.marks[i]);
        ::UnionRect(&area, &area, &g.choiceLabels[i]);
    }
    return area;
}

// The dialog's windows: the window itself, its two panels and its controls.
struct DialogWindows {
    HWND window = nullptr;
    HWND outer = nullptr;  // the outer panel, filling the window
    HWND inner = nullptr;  // the inner panel, holding the music choice
    HWND choice = nullptr; // the music choice: the marks and their labels as one stop
    HWND repeat = nullptr;
    HWND chooseFile = nullptr;
    HWND cancel = nullptr;
    HWND save = nullptr;
    HWND earth = nullptr;
};

} // namespace lumora::dialog_layout
