#include "startup/startup.h"

#include <optional>

#include "settings/settings.h"
#include "startup/command_line.h"

namespace lumora {
namespace {

constexpr std::uint32_t kPlatformNT = 2;
// A 16-bit True widened with its sign, as the platform receives it.
constexpr std::uint32_t kWideTrue = 0xFFFFFFFFu;

} // namespace

bool OS_IsNT(platform::Saver& saver) {
    platform::VersionAnswer answer = saver.QueryVersion();
    return answer.result == 1 && answer.platformId == kPlatformNT;
}

void Saver_SetRunning(platform::Saver& saver, bool finished) {
    saver.SetScreenSaverRunning(finished ? 0u : kWideTrue);
}

MainResult Main(const platform::Platform& platform, const Forms& forms) {
    // Both look-ups always run, so a dialog hidden behind a display is seen too.
    const bool displayOpen = platform.windows.TopLevelWindowExists(kDisplayTitle);
    const bool dialogOpen = platform.windows.TopLevelWindowExists(kDialogTitle);
    if (displayOpen || dialogOpen) return MainResult::EndProcess;

    const std::string arguments = Argument_Text(platform.process.CommandLine());
    const std::string mode = Mode_Letter(arguments);

    if (mode == "P") {
        forms.previewAttach(Handle_Lenient(Handle_Text(arguments)));
        return MainResult::KeepRunning;
    }

    Settings_Load(platform);

    if (mode == "A") {
        if (!OS_IsNT(platform.saver)) {
            // Without a number there is no owner to hang the platform's dialog on,
            // and a guessed one could belong to anybody: change nothing.
            if (std::optional<std::int32_t> owner = Handle_Strict(Handle_Text(arguments)))
                platform.saver.ChangePassword("SCRSAVE", *owner, 0, 0);
        }
        return MainResult::EndProcess;
    }

    if (mode == "C") {
        forms.dialogShowModal();
        return MainResult::EndProcess;
    }

    if (!arguments.empty() && mode != "S") return MainResult::EndProcess;

    if (mode == "S") {
        platform.cursor.Show(false);
        Saver_SetRunning(platform.saver, false);
    }
    forms.displayLoad();
    return MainResult::KeepRunning;
}

} // namespace lumora
