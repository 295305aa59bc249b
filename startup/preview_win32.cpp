#include "startup/preview_win32.h"

#include <windows.h>

namespace lumora {

// The preview form is not built yet: with no form loaded there is nothing to
// live for, so the process ends as it would once the form is unloaded.
void Preview_Attach(platform::WindowHandle) { ::PostQuitMessage(0); }

} // namespace lumora
