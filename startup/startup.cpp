#include "startup/startup.h"

#include <optional>

#include "platform/screen_saver.h"

namespace lumora {

AfterStart Start(const platform::Platform& platform, const Forms& forms) {
    // Both look-ups always run, so a dialog hidden behind a display is seen too.
    const bool displayOpen = platform.windows.TopLevelWindowExists(kDisplayTitle);
    const bool dialogOpen = platform.windows.TopLevelWindowExists(kDialogTitle);
    if (displayOpen || dialogOpen) return AfterStart::EndProcess;

    const Switch given = ParseSwitch(platform.process.CommandLine());

    if (given.mode == Mode::Preview) {
        forms.openPreview(LenientHandle(given.handleText));
        return AfterStart::RunMessageLoop;
    }

    const Settings settings =
        LoadSettings(platform.profile, platform.files, SettingsFilePath(platform.process));

    switch (given.mode) {
    case Mode::ChangePassword:
        if (!IsNtFamily(platform.saver)) {
            // Without a number there is no owner to hang the platform's dialog on,
            // and a guessed one could belong to anybody: change nothing.
            if (std::optional<std::int32_t> owner = StrictHandle(given.handleText))
                platform.saver.ChangePassword("SCRSAVE", *owner, 0, 0);
        }
        return AfterStart::EndProcess;
    case Mode::Configure:
        forms.showDialog(settings);
        return AfterStart::EndProcess;
    case Mode::Saver:
        platform.cursor.Show(false);
        MarkScreenSaverRunning(platform.saver, true);
        forms.openDisplay(settings, given.mode);
        return AfterStart::RunMessageLoop;
    case Mode::NoSwitch:
        forms.openDisplay(settings, given.mode);
        return AfterStart::RunMessageLoop;
    case Mode::Preview:
    case Mode::Unknown:
        break;
    }
    return AfterStart::EndProcess;
}

} // namespace lumora
