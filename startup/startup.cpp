#include "startup/startup.h"

#include <optional>

#include "startup/command_line.h"
#include "startup/screen_saver.h"

namespace lumora {

namespace {

// The modes whose window must be the only one: a second dialog would hold
// settings read before the first one saved, and undo the user's choice.
bool OpensDisplayOrDialog(Mode mode) {
    return mode == Mode::Saver || mode == Mode::NoSwitch || mode == Mode::Configure;
}

} // namespace

Launch Start(const platform::Platform& platform) {
    const Switch given = ParseSwitch(platform.process.CommandLine(), platform.process.ProgramPaths());
    // Claimed before anything else: two starts in the same instant both pass the
    // window look-ups below, which only see windows that already stand.
    if (OpensDisplayOrDialog(given.mode) && !platform.process.ClaimSingleInstance())
        return {};

    // Both look-ups always run, so a dialog hidden behind a display is seen too.
    // They still guard against copies of the program that claim nothing.
    const bool displayOpen = platform.windows.TopLevelWindowExists(kDisplayTitle);
    const bool dialogOpen = platform.windows.TopLevelWindowExists(kDialogTitle);
    if (displayOpen || dialogOpen) return {};

    if (given.mode == Mode::Preview) {
        Launch preview;
        preview.window = Launch::Window::Preview;
        preview.pane = LenientHandle(given.handleText);
        return preview;
    }

    // The music file is looked at later, where a slow answer holds up no window.
    Launch launch;
    launch.settings = LoadStoredSettings(platform);

    switch (given.mode) {
    case Mode::ChangePassword:
        if (!IsNtFamily(platform.saver)) {
            // Without a number there is no owner to hang the platform's dialog on,
            // and a guessed one could belong to anybody: change nothing.
            if (std::optional<std::int32_t> owner = StrictHandle(given.handleText))
                platform.saver.ChangePassword("SCRSAVE", *owner, 0, 0);
        }
        break;
    case Mode::Configure:
        launch.window = Launch::Window::SettingsDialog;
        return launch;
    case Mode::Saver:
        platform.cursor.Show(false);
        MarkScreenSaverRunning(platform.saver, true);
        // Only Windows' own run switch makes it the system's screen saver: the
        // mouse ends it, and the old family wants its password first.
        launch.rules.mouseMoveEnds = true;
        launch.rules.systemTakesPart = true;
        launch.rules.asksPassword = !IsNtFamily(platform.saver);
        launch.window = Launch::Window::Saver;
        return launch;
    case Mode::NoSwitch:
        launch.window = Launch::Window::Saver;
        return launch;
    case Mode::Preview:
    case Mode::Unknown:
        break;
    }
    return launch; // no window: the program ends
}

} // namespace lumora
