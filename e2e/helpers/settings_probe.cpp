// Drives the real settings routines over the real Win32 platform from the tests:
// it reads and writes the settings file beside itself, exactly as Lumora.scr
// does beside itself, and prints what it found as UTF-8 lines.
//
//   settings_probe load                      kind, loop and file after loading, from
//                                            wherever the program would load them
//   settings_probe save KIND LOOP FILE       the three writes the dialog makes
//   settings_probe write KEY VALUE           one write, then its result
//   settings_probe acp                       the ANSI code page in force
//   settings_probe sound                     how many wave output devices there are
//   settings_probe save-ansi KIND LOOP FILE  the same three writes through the ANSI
//                                            functions, to compare the bytes
#include <windows.h>

#include <cwchar>
#include <string>
#include <utility>

#include "windows/system/text.h"
#include "windows/system/seams.h"
#include "text/numbers.h"
#include "settings/settings.h"

namespace {

std::string Ansi(const std::wstring& wide) {
    int bytes = ::WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string ansi(static_cast<std::size_t>(bytes), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, ansi.data(), bytes, nullptr, nullptr);
    ansi.pop_back();
    return ansi;
}

void Print(const std::string& text) {
    DWORD written = 0;
    ::WriteFile(::GetStdHandle(STD_OUTPUT_HANDLE), text.data(), static_cast<DWORD>(text.size()),
                &written, nullptr);
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    using namespace lumora;
    win32::Win32Platform system;
    const platform::Platform seams = system.Seams();
    const std::string path = SettingsFilePath(seams.process);
    const SettingsFile beside{path, platform::ProfileText::Ansi};
    const std::string command = argc > 1 ? win32::Narrow(argv[1]) : "";

    if (command == "load" && argc == 2) {
        const Settings loaded = LoadSettings(seams);
        Print("kind=" + std::to_string(static_cast<int>(loaded.music)) +
              "\nloop=" + std::to_string(loaded.repeatTrack) + "\nfile=" + loaded.musicFile + "\n");
        return 0;
    }
    if (command == "save" && argc == 5) {
        auto number = [](const wchar_t* text) {
            return RoundToInt16(ParseNumber(win32::Narrow(text)).value_or(0)).value_or(0);
        };
        // The last write's result, as the dialog's save ends with it.
        std::int32_t result = 0;
        result = WriteProfileValue(seams.profile, kSettingsSection, kKeyKind, SignColumn(number(argv[2])), beside);
        result = WriteProfileValue(seams.profile, kSettingsSection, kKeyLoop, SignColumn(number(argv[3])), beside);
        result = WriteProfileValue(seams.profile, kSettingsSection, kKeyFile, win32::Narrow(argv[4]), beside);
        Print("result=" + std::to_string(result) + "\n");
        return 0;
    }
    if (command == "write" && argc == 4) {
        const std::int32_t result = WriteProfileValue(seams.profile, kSettingsSection,
                                                      win32::Narrow(argv[2]), win32::Narrow(argv[3]), beside);
        Print("result=" + std::to_string(result) + "\n");
        return 0;
    }
    if (command == "save-ansi" && argc == 5) {
        const std::string ansiPath = Ansi(win32::Widen(path));
        const std::string section = Ansi(win32::Widen(kSettingsSection));
        const std::pair<const char*, std::string> writes[] = {
            {kKeyKind, SignColumn(std::wcstol(argv[2], nullptr, 10))},
            {kKeyLoop, SignColumn(std::wcstol(argv[3], nullptr, 10))},
            {kKeyFile, Ansi(argv[4])},
        };
        for (const auto& [key, value] : writes)
            ::WritePrivateProfileStringA(section.c_str(), Ansi(win32::Widen(key)).c_str(),
                                         value.c_str(), ansiPath.c_str());
        return 0;
    }
    if (command == "sound" && argc == 2) {
        Print("devices=" + std::to_string(system.WaveOutDevices()) + "\n");
        return 0;
    }
    if (command == "acp" && argc == 2) {
        Print("acp=" + std::to_string(::GetACP()) + "\n");
        return 0;
    }
    Print("usage: settings_probe acp | load | save KIND LOOP FILE | write KEY VALUE\n");
    return 2;
}
