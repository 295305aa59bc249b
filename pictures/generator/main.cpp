// lumora_pictures OUTDIR: writes every picture of the screen saver into OUTDIR.
// The output is the same, byte for byte, on every run.

#include <cstdint>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "jpeg.h"
#include "pictures.h"

namespace {

using lumora::pictures::EncodeJpeg;

void Write(const std::string& folder, const std::string& name,
           const std::vector<std::uint8_t>& bytes) {
    const std::string path = folder + "/" + name;
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    file.close();
    // A half-written picture would be committed as if it were whole.
    if (!file) throw std::runtime_error("cannot write " + path);
}

std::string Two(int n) {
    return std::string(1, static_cast<char>('0' + n / 10)) + static_cast<char>('0' + n % 10);
}

} // namespace

int main(int argc, char** argv) {
    namespace pics = lumora::pictures;
    if (argc != 2) {
        std::fprintf(stderr, "usage: lumora_pictures OUTDIR\n");
        return 2;
    }
    const std::string folder = argv[1];
    try {
        std::filesystem::create_directories(folder);
        Write(folder, "preview.jpg", EncodeJpeg(pics::DrawPreview(), 95));
        Write(folder, "lumora.ico", pics::EncodeIcon(pics::DrawShootingStarIcon()));
        Write(folder, "hand.cur",
              pics::EncodeCursor(pics::DrawHandCursor(), pics::kHandHotspotX, pics::kHandHotspotY));
        for (int scale : pics::kScales) {
            const std::string suffix = scale == 1 ? "" : "_" + std::to_string(scale) + "x";
            // The marks are tiny and sit on a flat panel: any ringing would show.
            Write(folder, "option_on" + suffix + ".jpg", EncodeJpeg(pics::DrawOptionMark(true, scale), 100));
            Write(folder, "option_off" + suffix + ".jpg", EncodeJpeg(pics::DrawOptionMark(false, scale), 100));
            for (int frame = 0; frame < pics::kEarthFrames; ++frame)
                Write(folder, "earth_" + Two(frame) + suffix + ".jpg",
                      EncodeJpeg(pics::DrawEarth(frame, scale), 92));
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "lumora_pictures: %s\n", error.what());
        return 1;
    }
    return 0;
}
