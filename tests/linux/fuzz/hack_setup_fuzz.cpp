// Splits arbitrary bytes at their NULs into $XSCREENSAVER_WINDOW and the
// hack's argv and checks what its set-up makes of them, without a settings
// file: beside the shared checks, a CD track a disc can have and a music kind
// there is.
#include <stdlib.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "startup/hack_options.h"
#include "tests/linux/fuzz/hack_run.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // A path that is never there: the options alone decide, over the defaults.
    setenv("XDG_CONFIG_HOME", "/nonexistent", 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace lumora;
    // Every option and its value fit in far less; longer inputs only slow each run down.
    if (size > 512) return 0;
    std::vector<std::string> words(1);
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == '\0')
            words.emplace_back();
        else
            words.back() += static_cast<char>(data[i]);
    }
    if (words.front().empty())
        unsetenv("XSCREENSAVER_WINDOW");
    else
        setenv("XSCREENSAVER_WINDOW", words.front().c_str(), 1);
    words.erase(words.begin());

    const Settings settings = fuzz::RunHackSetup(words).settings;
    if (settings.repeatTrack < 0 || settings.repeatTrack > kLastCdTrack) std::abort();
    const int kind = static_cast<int>(settings.music);
    if (kind < 0 || kind > 2) std::abort();
    return 0;
}
