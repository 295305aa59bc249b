// The executable's entry: the real platform, the real forms, then the message
// loop for as long as a form lives.
#include <windows.h>

#include "dialog/dialog_win32.h"
#include "display/display_win32.h"
#include "platform/win32/win32_platform.h"
#include "startup/preview_win32.h"
#include "startup/startup.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    static lumora::win32::Win32Platform system;
    static const lumora::platform::Platform platform = system.Seams();

    // The form that Main opens lives here, for as long as the message loop runs.
    std::unique_ptr<lumora::DisplayWindow> display;
    std::unique_ptr<lumora::PreviewWindow> preview;
    bool displayFailed = false;
    bool previewFailed = false;

    lumora::Forms forms;
    forms.previewAttach = [&](lumora::platform::WindowHandle pane) {
        preview = lumora::Preview_Open(pane);
        previewFailed = preview == nullptr;
    };
    forms.displayLoad = [&] {
        display = lumora::Display_Load(platform);
        displayFailed = display == nullptr;
    };
    forms.dialogShowModal = [] { lumora::Dialog_ShowModal(platform); };

    if (lumora::Main(platform, forms) == lumora::MainResult::EndProcess || displayFailed ||
        previewFailed)
        return 0;

    MSG message;
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
    return 0;
}
