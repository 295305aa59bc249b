// The entry procedure: refuse a second instance, read the switch, load the
// settings where the mode needs them, and hand over to exactly one window.
#pragma once

#include <functional>

#include "platform/platform.h"

namespace lumora {

inline constexpr const char* kDisplayTitle = "Lumora_Main";
inline constexpr const char* kDialogTitle = "ルモラの設定";

// The windows Main can hand over to. The real program wires them to the
// preview, the display and the settings dialog; the tests to recorders.
struct Forms {
    std::function<void(platform::WindowHandle pane)> previewAttach;
    std::function<void()> displayLoad;
    std::function<void()> dialogShowModal; // returns when the dialog has closed
};

enum class MainResult {
    EndProcess,  // stop at once: no further handler runs
    KeepRunning, // a form is loaded and lives on the message loop
};

MainResult Main(const platform::Platform& platform, const Forms& forms);

// True when GetVersionEx answers exactly 1 with the NT platform id (2).
bool OS_IsNT(platform::Saver& saver);

// Tells the platform whether a screen saver runs: finished = false marks it
// running, true marks it stopped.
void Saver_SetRunning(platform::Saver& saver, bool finished);

} // namespace lumora
