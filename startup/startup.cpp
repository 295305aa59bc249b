#include "startup/startup.h"

#include <optional>

#include "platform/screen_saver.h"

namespace lumora {

namespace {

// The modes whose window must be the only one: a second dialog would hold
// settings read before the first one saved, and undo the user's choice.
bool OpensDisplayOrDialog(Mode mode) {
    return mode == Mode::Saver || mode == Mode::NoSwitch || mode == Mode::Configure;
}

} // namespace

AfterStart Start(const platform::Platform& platform, const Forms& forms) {
    const Switch given = ParseSwitch(platform.process.CommandLine());
    // Claimed before anything else: two starts in the same instant both pass the
    // window look-ups below, which only see windows that already stand.
    if (OpensDisplayOrDialog(given.mode) && !platform.process.ClaimSingleInstance())
        return AfterStart::EndProcess;

    // Both look-ups always run, so a dialog hidden behind a display is seen too.
    // They still guard against copies of the program that claim nothing.
    const bool displayOpen = platform.windows.TopLevelWindowExists(kDisplayTitle);
    const bool dialogOpen = platform.windows.TopLevelWindowExists(kDialogTitle);
    if (displayOpen || dialogOpen) return AfterStart::EndProcess;

    if (given.mode == Mode::Preview) {
        forms.openPreview(LenientHandle(given.handleText));
        return AfterStart::RunMessageLoop;
    }

    const Settings settings = LoadSettings(platform);

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
