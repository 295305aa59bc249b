// The settings dialog's parts that other programs read: what a screen reader
// hears of the drawn parts (the choices as option buttons, the labels as text,
// the link as a link), and where every part stands, for the end-to-end tests.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "dialog/dialog.h"
#include "dialog/dialog_layout_win32.h"
#include "dialog/dialog_look_win32.h"
#include "platform/win32/accessible_win32.h"

namespace lumora {

// The music choice: a group of three option buttons, as they stand.
win32::AccessibleDescription DescribeMusicChoice(const dialog_layout::DialogWindows& parts, const dialog_layout::Geometry& geometry,
                                                 const PanelContents& contents,
                                                 const std::function<void(MusicKind)>& choose);

// A panel: its drawn labels, and the outer one's link and by-line.
win32::AccessibleDescription DescribeDialogPanel(HWND panel, const dialog_layout::DialogWindows& parts,
                                                 const dialog_layout::Geometry& geometry,
                                                 const PanelContents& contents, const std::function<void()>& openLink);

// Writes where every part stands, in the window's client area, and how large
// its text is in its font, to `path`; nothing when the path is empty.
void ReportDialogLayout(const std::string& path, const dialog_layout::DialogWindows& parts, const dialog_layout::Geometry& geometry,
                        const DialogLook& look, const PanelContents& contents);

} // namespace lumora
