// Stand-in until the settings are read: the options only, no settings file.
#include "platform/x11/hack_setup_x11.h"

#include <cstdlib>
#include <string>

namespace lumora::x11 {

HackSetup ReadHackSetup(int argc, char** argv, std::FILE* complaints) {
    HackSetup setup;
    if (const char* given = std::getenv("XSCREENSAVER_WINDOW"); given != nullptr && *given != '\0') {
        setup.target = Target::GivenWindow;
        setup.window = std::strtoul(given, nullptr, 0);
    }
    for (int i = 1; i < argc; ++i) {
        std::string option = argv[i];
        if (option.rfind("--", 0) == 0) option.erase(0, 1);
        const bool valued = i + 1 < argc;
        if (option == "-root") {
            setup.target = Target::Root;
        } else if (option == "-window") {
            setup.target = Target::OwnWindow;
        } else if (option == "-window-id" && valued) {
            setup.target = Target::GivenWindow;
            setup.window = std::strtoul(argv[++i], nullptr, 0);
        } else if (option == "-music" && valued) {
            const std::string kind = argv[++i];
            setup.settings.music = kind == "cd" ? MusicKind::AudioCd : kind == "file" ? MusicKind::SoundFile : MusicKind{};
        } else if (option == "-track" && valued) {
            setup.settings.repeatTrack = static_cast<std::int16_t>(std::atoi(argv[++i]));
        } else if (option == "-file" && valued) {
            setup.settings.musicFile = argv[++i];
        } else {
            std::fprintf(complaints, "lumora: unknown option %s\n", argv[i]);
        }
    }
    return setup;
}

} // namespace lumora::x11
