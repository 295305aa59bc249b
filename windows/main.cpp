// The executable's entry: the real platform, the real windows, then the message
// loop for as long as a window lives.
#include <windows.h>

#include <memory>
#include <optional>

#include "windows/dialog/settings_dialog.h"
#include "windows/saver_window.h"
#include "windows/system/com.h"
#include "windows/system/library.h"
#include "windows/system/seams.h"
#include "windows/system/window.h"
#include "windows/preview_window.h"
#include "startup/startup.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    // First of all: no DLL is ever taken from beside the program.
    lumora::win32::RestrictDllSearchToSystem();
    lumora::win32::DeclarePerMonitorDpiAwareness();
    lumora::win32::Win32Platform system;
    const lumora::platform::Platform platform = system.Seams();

    // What start-up opens lives here, for as long as the message loop runs.
    std::optional<lumora::win32::ComApartment> com; // pictures and the file chooser
    std::optional<lumora::win32::Imaging> imaging;  // let go before the apartment
    std::unique_ptr<lumora::DisplayWindow> display;
    std::unique_ptr<lumora::PreviewWindow> preview;

    const lumora::Launch launch = lumora::Start(platform);
    switch (launch.window) {
    case lumora::Launch::Window::Nothing:
        return 0;
    case lumora::Launch::Window::Preview:
        com.emplace();
        imaging.emplace();
        preview = lumora::OpenPreview(launch.pane, *imaging);
        if (!preview) return 0;
        break;
    case lumora::Launch::Window::Saver:
        display = lumora::OpenDisplay(platform, launch.settings, launch.rules);
        if (!display) return 0;
        break;
    case lumora::Launch::Window::SettingsDialog:
        com.emplace();
        imaging.emplace();
        lumora::ShowSettingsDialog(platform, launch.settings, *imaging);
        return 0;
    }

    MSG message;
    for (;;) {
        const BOOL got = ::GetMessageW(&message, nullptr, 0, 0);
        if (got == -1) break;
        if (got == 0) {
            // A quit that the saver did not ask for (another program's) ends it
            // through its own quit, so the music stops and the cursor comes back
            // (or, with a refused password, it goes on).
            if (display && !display->Ended()) {
                display->RequestQuit();
                continue;
            }
            break;
        }
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
    return 0;
}
