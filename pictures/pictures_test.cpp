// The committed pictures are the generator's output: regenerating them must
// give the same bytes, and each file must be what Windows and the program
// expect to load.

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include <unistd.h>

#include "generator/canvas.h"
#include "generator/jpeg.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

Bytes Read(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

unsigned Le16(const Bytes& b, std::size_t at) { return b.at(at) | (b.at(at + 1) << 8u); }
unsigned long Le32(const Bytes& b, std::size_t at) { return Le16(b, at) | (static_cast<unsigned long>(Le16(b, at + 2)) << 16); }
unsigned Be16(const Bytes& b, std::size_t at) { return (b.at(at) << 8u) | b.at(at + 1); }

std::vector<std::string> PictureNames() {
    std::vector<std::string> names = {"preview.jpg", "lumora.ico", "hand.cur", "option_on.jpg",
                                      "option_off.jpg", "option_on_2x.jpg", "option_off_2x.jpg"};
    for (const char* suffix : {"", "_2x"})
        for (int i = 0; i < 24; ++i)
            names.push_back("earth_" + std::string(i < 10 ? "0" : "") + std::to_string(i) + suffix + ".jpg");
    return names;
}

const fs::path kCommitted = LUMORA_PICTURES_DIR;
fs::path fresh; // this run's output, made once for all the tests

class Pictures : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        std::string pattern = (fs::temp_directory_path() / "lumora-pictures-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        fresh = pattern;
        const std::string command = std::string("\"") + LUMORA_PICTURES_EXE + "\" \"" + fresh.string() + "\"";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
    }
    static void TearDownTestSuite() { fs::remove_all(fresh); }
};

TEST_F(Pictures, CommittedFilesAreExactlyWhatTheGeneratorWrites) {
    std::set<std::string> written;
    for (const auto& entry : fs::directory_iterator(fresh)) written.insert(entry.path().filename().string());
    const std::vector<std::string> names = PictureNames();
    EXPECT_EQ(written, std::set<std::string>(names.begin(), names.end()));

    for (const std::string& name : names) {
        const Bytes committed = Read(kCommitted / name);
        ASSERT_FALSE(committed.empty()) << name << " is not committed beside the generator";
        EXPECT_TRUE(committed == Read(fresh / name)) << name << " differs: run lumora_pictures "
                                                      << kCommitted.string() << " and commit the result";
    }
    // A picture the generator no longer makes must not linger in the folder.
    for (const auto& entry : fs::directory_iterator(kCommitted)) {
        const std::string ext = entry.path().extension().string();
        if (ext == ".jpg" || ext == ".ico" || ext == ".cur") {
            EXPECT_TRUE(written.count(entry.path().filename().string())) << entry.path() << " is stale";
        }
    }
}

// Walks the marker segments up to the scan, checks each the program relies on,
// and that the coded data stuffs every 0xFF so no false marker ends it early.
void ExpectBaselineJfif(const std::string& name, unsigned width, unsigned height) {
    SCOPED_TRACE(name);
    const Bytes b = Read(fresh / name);
    ASSERT_GE(b.size(), 4u);
    ASSERT_EQ(Be16(b, 0), 0xFFD8u);
    ASSERT_EQ(Be16(b, b.size() - 2), 0xFFD9u);
    std::size_t at = 2;
    bool sawJfif = false;
    bool sawFrame = false;
    for (;;) {
        ASSERT_LT(at + 4, b.size());
        ASSERT_EQ(b[at], 0xFF);
        const std::uint8_t marker = b[at + 1];
        const std::size_t length = Be16(b, at + 2);
        if (at == 2) {
            ASSERT_EQ(marker, 0xE0) << "APP0 must come first";
            EXPECT_EQ(std::string(b.begin() + 6, b.begin() + 11), std::string("JFIF\0", 5));
            sawJfif = true;
        }
        ASSERT_NE(marker, 0xC2) << "progressive";
        if (marker == 0xC0) {
            EXPECT_EQ(b.at(at + 4), 8);
            EXPECT_EQ(Be16(b, at + 5), height);
            EXPECT_EQ(Be16(b, at + 7), width);
            EXPECT_EQ(b.at(at + 9), 3);
            // Every component at full resolution: a one-pixel star keeps its colour.
            for (std::size_t c = 0; c < 3; ++c) EXPECT_EQ(b.at(at + 11 + 3 * c), 0x11) << "component " << c;
            sawFrame = true;
        }
        at += 2 + length;
        if (marker == 0xDA) break;
    }
    EXPECT_TRUE(sawJfif);
    EXPECT_TRUE(sawFrame);
    for (std::size_t i = at; i + 2 < b.size(); ++i) {
        if (b[i] == 0xFF) {
            ASSERT_EQ(b[i + 1], 0x00) << "unstuffed 0xFF at " << i;
        }
    }
}

TEST_F(Pictures, JpegsAreBaselineJfifOfTheirSizes) {
    ExpectBaselineJfif("preview.jpg", 152, 112);
    ExpectBaselineJfif("option_on.jpg", 13, 13);
    ExpectBaselineJfif("option_off.jpg", 13, 13);
    ExpectBaselineJfif("option_on_2x.jpg", 26, 26);
    ExpectBaselineJfif("option_off_2x.jpg", 26, 26);
    for (int i = 0; i < 24; ++i) {
        const std::string frame = "earth_" + std::string(i < 10 ? "0" : "") + std::to_string(i);
        ExpectBaselineJfif(frame + ".jpg", 180, 85);
        ExpectBaselineJfif(frame + "_2x.jpg", 360, 170);
    }
}

// A directory entry with its image, as Windows reads it.
struct Entry {
    unsigned width, height, colours, planesOrHotX, bitsOrHotY;
    std::size_t size, offset;
};

std::vector<Entry> Directory(const Bytes& b, unsigned type) {
    EXPECT_EQ(Le16(b, 0), 0u);
    EXPECT_EQ(Le16(b, 2), type);
    std::vector<Entry> entries;
    for (unsigned i = 0; i < Le16(b, 4); ++i) {
        const std::size_t e = 6 + 16 * i;
        entries.push_back({b.at(e), b.at(e + 1), b.at(e + 2), Le16(b, e + 4), Le16(b, e + 6),
                           Le32(b, e + 8), Le32(b, e + 12)});
        EXPECT_LE(entries.back().offset + entries.back().size, b.size());
    }
    return entries;
}

// Whether the screen shows through at (x, y): the AND mask, bottom-up rows.
bool Transparent(const Bytes& b, const Entry& e, unsigned bits, unsigned x, unsigned y) {
    const std::size_t colours = std::size_t{1} << bits;
    const std::size_t xorRow = (e.width * bits + 31) / 32 * 4;
    const std::size_t andRow = (e.width + 31) / 32 * 4;
    const std::size_t mask = e.offset + 40 + 4 * colours + xorRow * e.height;
    EXPECT_EQ(e.size, 40 + 4 * colours + (xorRow + andRow) * e.height);
    return (b.at(mask + (e.height - 1 - y) * andRow + x / 8) >> (7 - x % 8)) & 1u;
}

void ExpectDib(const Bytes& b, const Entry& e, unsigned bits) {
    EXPECT_EQ(Le32(b, e.offset), 40u);
    EXPECT_EQ(Le32(b, e.offset + 4), e.width);
    EXPECT_EQ(Le32(b, e.offset + 8), 2 * e.height); // colour bitmap and mask
    EXPECT_EQ(Le16(b, e.offset + 14), bits);
}

TEST_F(Pictures, IconHolds256ColourImagesWithATransparentSurround) {
    const Bytes b = Read(fresh / "lumora.ico");
    const std::vector<Entry> entries = Directory(b, 1);
    std::set<unsigned> sizes;
    for (const Entry& e : entries) {
        SCOPED_TRACE(e.width);
        EXPECT_EQ(e.width, e.height);
        EXPECT_EQ(e.colours, 0u); // 0 stands for 256
        EXPECT_EQ(e.bitsOrHotY, 8u);
        ExpectDib(b, e, 8);
        EXPECT_TRUE(Transparent(b, e, 8, 0, 0));
        EXPECT_FALSE(Transparent(b, e, 8, e.width * 2 / 3, e.height / 3)) << "the star itself";
        sizes.insert(e.width);
    }
    EXPECT_EQ(sizes, (std::set<unsigned>{16, 32, 48}));
}

TEST_F(Pictures, HandCursorIsMonochromeWithItsHotSpotOnTheFingertip) {
    const Bytes b = Read(fresh / "hand.cur");
    const std::vector<Entry> entries = Directory(b, 2);
    ASSERT_EQ(entries.size(), 1u);
    const Entry& e = entries[0];
    EXPECT_EQ(e.width, 32u);
    EXPECT_EQ(e.height, 32u);
    EXPECT_EQ(e.colours, 2u);
    EXPECT_EQ(e.planesOrHotX, 12u);
    EXPECT_EQ(e.bitsOrHotY, 10u);
    ExpectDib(b, e, 1);
    EXPECT_FALSE(Transparent(b, e, 1, 12, 10));
    EXPECT_TRUE(Transparent(b, e, 1, 12, 9)) << "nothing of the hand above its tip";
}

// libjpeg's own answer to a fault is to end the process; the generator must
// get an exception it can report instead, and the encoder must work on after it.
TEST(Jpeg, LibjpegRefusalsArriveAsExceptions) {
    using lumora::pictures::EncodeJpeg;
    using lumora::pictures::Image;
    EXPECT_THROW(EncodeJpeg(Image(0, 0), 90), std::runtime_error);
    EXPECT_THROW(EncodeJpeg(Image(65501, 1), 90), std::runtime_error); // past libjpeg's 65500
    const Bytes bytes = EncodeJpeg(Image(9, 9, {10, 200, 30}), 90);
    ASSERT_GE(bytes.size(), 4u);
    EXPECT_EQ(Be16(bytes, 0), 0xFFD8u);
    EXPECT_EQ(Be16(bytes, bytes.size() - 2), 0xFFD9u);
}

} // namespace
