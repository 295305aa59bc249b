// Start-up: refuse a second instance, read the switch once, load the settings
// where the mode needs them, and hand over to exactly one window.
#pragma once

#include <functional>

#include "platform/platform.h"
#include "settings/settings.h"
#include "startup/command_line.h"

namespace lumora {

inline constexpr const char* kDisplayTitle = "Lumora_Main";
inline constexpr const char* kDialogTitle = "ルモラの設定";

// The windows start-up can hand over to. The program wires them to the preview,
// the display and the settings dialog; the tests to recorders.
struct Forms {
    std::function<void(platform::WindowHandle pane)> openPreview;
    std::function<void(const Settings& settings, Mode mode)> openDisplay;
    std::function<void(const Settings& settings)> showDialog; // returns when the dialog has closed
};

enum class AfterStart {
    EndProcess,     // stop at once: no further handler runs
    RunMessageLoop, // a form is open and lives on the message loop
};

AfterStart Start(const platform::Platform& platform, const Forms& forms);

} // namespace lumora
