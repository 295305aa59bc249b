// What the Linux targets share: the hack's set-up run on words as its argv,
// with what it tells standard error caught. Whatever bytes the options and
// the file held, each complaint is one "lumora: " line, a given window has an
// id and a sound file a file.
#pragma once

#include <stdio.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "linux/setup.h"

namespace lumora::fuzz {

// The memory stream the complaints are written into, and its text.
class CaughtText {
public:
    CaughtText() : stream_(open_memstream(&text_, &size_)) {
        if (stream_ == nullptr) std::abort();
    }
    ~CaughtText() {
        Close();
        std::free(text_);
    }
    CaughtText(const CaughtText&) = delete;
    CaughtText& operator=(const CaughtText&) = delete;
    FILE* Stream() const { return stream_; }
    std::string Take() {
        Close();
        return std::string(text_, size_);
    }

private:
    void Close() {
        if (stream_ != nullptr) std::fclose(stream_);
        stream_ = nullptr;
    }
    char* text_ = nullptr;
    std::size_t size_ = 0;
    FILE* stream_;
};

inline linux_desktop::HackSetup RunHackSetup(std::vector<std::string> words) {
    words.insert(words.begin(), "lumora");
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);

    CaughtText caught;
    const linux_desktop::HackSetup setup =
        linux_desktop::ReadHackSetup(static_cast<int>(words.size()), argv.data(), caught.Stream());
    const std::string complaints = caught.Take();

    for (std::size_t line = 0; line < complaints.size();) {
        const std::size_t end = complaints.find('\n', line);
        if (end == std::string::npos || complaints.compare(line, 8, "lumora: ") != 0) std::abort();
        for (std::size_t i = line; i < end; ++i)
            if (static_cast<unsigned char>(complaints[i]) < 0x20) std::abort();
        line = end + 1;
    }
    if ((setup.target == HackTarget::GivenWindow) != (setup.window != 0)) std::abort();
    if (setup.settings.music == MusicKind::SoundFile && setup.settings.musicFile.empty()) std::abort();
    return setup;
}

} // namespace lumora::fuzz
