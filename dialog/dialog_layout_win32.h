// Where everything of the settings dialog stands, and its colours: pixels
// inside the panel that holds each part.
#pragma once

#include <windows.h>

namespace lumora::dialog_layout {

inline constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
inline constexpr COLORREF kButtonFace = RGB(192, 192, 255);
inline constexpr COLORREF kLightText = RGB(224, 224, 224);

enum ControlId { kIdRepeat = 101, kIdChooseFile, kIdCancel, kIdSave };

// The inner panel, inside the outer one.
inline constexpr RECT kInnerPanel = {12, 16, 12 + 433, 16 + 149};
// The turning Earth's picture, over both panels; its frames are 180x85.
inline constexpr RECT kEarth = {244, 28, 244 + 188, 28 + 85};
inline constexpr int kEarthFrameWidth = 180;
inline constexpr int kEarthFrameHeight = 85;

// In the inner panel, in the order of the music kinds they choose.
inline constexpr RECT kMarks[3] = {{16, 60, 29, 73}, {16, 40, 29, 53}, {16, 80, 29, 93}};
inline constexpr int kMarkSize = 13;
inline constexpr RECT kChoiceLabels[3] = {{32, 60, 55, 73}, {32, 40, 75, 53}, {32, 80, 92, 93}};
inline const wchar_t* const kChoiceCaptions[3] = {L"無し", L"音楽CD", L"MP3、WAV"};
inline constexpr RECT kRepeatLabel = {140, 40, 206, 53};
inline constexpr RECT kGroupLabel = {16, 20, 47, 32};
inline constexpr RECT kFileLabel = {96, 104, 421, 133};
inline constexpr RECT kRepeatBox = {96, 36, 96 + 41, 36 + 200};
inline constexpr RECT kChooseFileButton = {96, 76, 96 + 29, 76 + 21};

// In the outer panel.
inline constexpr RECT kCancelButton = {268, 180, 268 + 85, 180 + 25};
inline constexpr RECT kSaveButton = {356, 180, 356 + 89, 180 + 25};
inline constexpr POINT kLink = {12, 192};
inline constexpr RECT kByLine = {12, 176, 12 + 300, 176 + 14};

inline bool Inside(const RECT& r, POINT p) {
    return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

} // namespace lumora::dialog_layout
