// Drives the real settings routines over the real Win32 platform from the tests:
// it reads and writes the settings file beside itself, exactly as Lumora.scr
// does beside itself, and prints what it found as UTF-8 lines.
//
//   settings_probe load                      kind, loop and file after loading
//   settings_probe save KIND LOOP FILE       the three writes the dialog makes
//   settings_probe write KEY VALUE           one write, then Last_Result
//   settings_probe acp                       the ANSI code page in force
//   settings_probe sound                     how many wave output devices there are
//   settings_probe save-ansi KIND LOOP FILE  the same three writes through the ANSI
//                                            functions, to compare the bytes
#include <windows.h>

#include <cwchar>
#include <string>
#include <utility>

#include "platform/win32/text_win32.h"
#include "platform/win32/win32_platform.h"
#include "settings/numbers.h"
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
    const std::string path = Settings_FilePath(seams.process);
    const std::string command = argc > 1 ? win32::Narrow(argv[1]) : "";

    if (command == "load" && argc == 2) {
        Settings_Load(seams);
        Print("kind=" + std::to_string(BGM_Kind) + "\nloop=" + std::to_string(BGM_Loop) +
              "\nfile=" + BGM_File + "\n");
        return 0;
    }
    if (command == "save" && argc == 5) {
        auto number = [](const wchar_t* text) {
            return Round_Int16(Number_Parse(win32::Narrow(text)).value_or(0)).value_or(0);
        };
        Ini_Write(seams.profile, kSettingsSection, kKeyKind, Sign_Column(number(argv[2])), path);
        Ini_Write(seams.profile, kSettingsSection, kKeyLoop, Sign_Column(number(argv[3])), path);
        Ini_Write(seams.profile, kSettingsSection, kKeyFile, win32::Narrow(argv[4]), path);
        Print("result=" + std::to_string(Last_Result) + "\n");
        return 0;
    }
    if (command == "write" && argc == 4) {
        Ini_Write(seams.profile, kSettingsSection, win32::Narrow(argv[2]), win32::Narrow(argv[3]),
                  path);
        Print("result=" + std::to_string(Last_Result) + "\n");
        return 0;
    }
    if (command == "save-ansi" && argc == 5) {
        const std::string ansiPath = Ansi(win32::Widen(path));
        const std::string section = Ansi(win32::Widen(kSettingsSection));
        const std::pair<const char*, std::string> writes[] = {
            {kKeyKind, Sign_Column(std::wcstol(argv[2], nullptr, 10))},
            {kKeyLoop, Sign_Column(std::wcstol(argv[3], nullptr, 10))},
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
