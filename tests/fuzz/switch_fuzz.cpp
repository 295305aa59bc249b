// Feeds arbitrary command lines to start-up and checks that exactly the mode the
// switch names is reached, with the cursor and the running flag touched only
// in the run mode.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "tests/support/fake_platform.h"
#include "startup/command_line.h"
#include "startup/startup.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace lumora;
    const std::string commandLine(reinterpret_cast<const char*>(data), size);

    const std::string arguments = ArgumentText(commandLine);
    const std::string mode = ModeLetter(arguments);
    const std::string handle = HandleText(arguments);
    if (arguments.size() > commandLine.size()) std::abort();
    if (handle.size() > arguments.size() ||
        arguments.compare(arguments.size() - handle.size(), handle.size(), handle) != 0)
        std::abort();
    (void)LenientHandle(handle);
    (void)StrictHandle(handle);

    fake::FakePlatform fake;
    fake.commandLine = commandLine;
    fake.version = {1, static_cast<std::uint32_t>(size % 3)};
    const Launch launch = Start(fake.Seams());
    const char* opened = "";
    switch (launch.window) {
    case Launch::Window::Nothing: break;
    case Launch::Window::Preview: opened = "P"; break;
    case Launch::Window::Saver: opened = "S"; break;
    case Launch::Window::SettingsDialog: opened = "C"; break;
    }

    auto called = [&](const char* prefix) {
        return std::any_of(fake.calls.begin(), fake.calls.end(),
                           [&](const std::string& c) { return c.rfind(prefix, 0) == 0; });
    };
    const bool display = mode == "S" || arguments.empty();
    const std::string expected = mode == "P" || mode == "C" ? mode : display ? "S" : "";
    if (opened != expected) std::abort();
    if (called("ShowCursor") != (mode == "S")) std::abort();
    if (called("SystemParametersInfo") != (mode == "S")) std::abort();
    if (called("GetPrivateProfileString") == (mode == "P")) std::abort();
    if (called("PwdChangePassword") && mode != "A") std::abort();
    return 0;
}
