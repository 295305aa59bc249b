// The system's file chooser, for the one file the settings dialog asks for.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "dialog/dialog.h"

namespace lumora {

// Shows the chooser over `owner` with these kinds of file and this title, the
// 255-character buffers and the old record size; only a file that exists can
// be chosen.
OpenFileAnswer ChooseFile(HWND owner, const std::vector<FileFilter>& filters, const std::string& title);

} // namespace lumora
