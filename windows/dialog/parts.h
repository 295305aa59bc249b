// The settings dialog's drawn parts as other programs read them: what a screen
// reader hears of them (the choices as option buttons, the labels as text, the
// link as a link) and where each stands.
#pragma once

#include <windows.h>

#include <functional>

#include "dialog/dialog.h"
#include "windows/dialog/layout.h"
#include "windows/dialog/look.h"
#include "windows/system/accessible.h"

namespace lumora {

// The music choice: a group of three option buttons, as they stand.
win32::AccessibleDescription DescribeMusicChoice(const dialog_layout::DialogWindows& parts, const dialog_layout::Geometry& geometry,
                                                 const PanelContents& contents,
                                                 const std::function<void(MusicKind)>& choose);

// A panel: its drawn labels, and the outer one's link and by-line.
win32::AccessibleDescription DescribeDialogPanel(HWND panel, const dialog_layout::DialogWindows& parts,
                                                 const dialog_layout::Geometry& geometry,
                                                 const PanelContents& contents, const std::function<void()>& openLink);

} // namespace lumora
