#include "dialog/dialog_win32.h"

namespace lumora {

// The settings dialog is not built yet: the configure mode ends as if the
// user had closed it without saving.
void Dialog_ShowModal(const platform::Platform&) {}

} // namespace lumora
