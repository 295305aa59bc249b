// Start-up: refuse a second instance, read the switch once, load the settings
// where the mode needs them, and say which one window opens.
#pragma once

#include "display/saver_session.h"
#include "platform/platform.h"
#include "settings/settings.h"

namespace lumora {

inline constexpr const char* kDisplayTitle = "Lumora_Main";
inline constexpr const char* kDialogTitle = "ルモラの設定";

// What start-up decided: the one window the program opens now, if any.
struct Launch {
    enum class Window {
        Nothing,        // nothing to open: the program ends
        Preview,        // the still picture in the pane
        Saver,          // the shower, for as long as the message loop runs
        SettingsDialog, // the dialog, which returns when it has closed
    };
    Window window = Window::Nothing;
    Settings settings;                  // for the saver and the dialog
    SessionRules rules;                 // the saver's, from its switch
    platform::WindowHandle pane = 0;    // for the preview
};

Launch Start(const platform::Platform& platform);

} // namespace lumora
