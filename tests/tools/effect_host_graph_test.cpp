// effect-host graph: the PNG it writes is a valid file (chunk CRCs, zlib stream, Adler-32) whose
// pixels show the graph.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/effect_host_runner.h"

namespace {

uint32_t BigEndian(const std::string& bytes, size_t at)
{
    return (static_cast<uint32_t>(static_cast<uint8_t>(bytes[at])) << 24) |
           (static_cast<uint32_t>(static_cast<uint8_t>(bytes[at + 1])) << 16) |
           (static_cast<uint32_t>(static_cast<uint8_t>(bytes[at + 2])) << 8) | static_cast<uint8_t>(bytes[at + 3]);
}

uint32_t Crc32(const std::string& bytes, size_t from, size_t length)
{
    uint32_t c = 0xffffffffu;
    for (size_t i = from; i < from + length; ++i) {
        c ^= static_cast<uint8_t>(bytes[i]);
        for (int k = 0; k < 8; ++k)
            c = (c >> 1) ^ (0xedb88320u & (0u - (c & 1)));
    }
    return ~c;
}

struct Png {
    uint32_t width = 0, height = 0;
    std::string header;
    std::vector<uint8_t> raw;  // filter byte and RGB per row
};

// Reads the chunks, checking every CRC, and inflates the stored-only zlib stream.
testing::AssertionResult ParsePng(const std::string& file, Png& png)
{
    if (file.compare(0, 8, "\x89PNG\r\n\x1a\n", 8) != 0)
        return testing::AssertionFailure() << "no PNG signature";
    std::string zlib;
    size_t at = 8;
    std::string last;
    while (at + 12 <= file.size()) {
        const uint32_t length = BigEndian(file, at);
        const std::string type = file.substr(at + 4, 4);
        if (at + 12 + length > file.size())
            return testing::AssertionFailure() << type << " runs past the end";
        if (Crc32(file, at + 4, length + 4) != BigEndian(file, at + 8 + length))
            return testing::AssertionFailure() << "bad CRC in " << type;
        if (type == "IHDR")
            png.header = file.substr(at + 8, length);
        if (type == "IDAT")
            zlib += file.substr(at + 8, length);
        last = type;
        at += 12 + length;
    }
    if (last != "IEND" || at != file.size())
        return testing::AssertionFailure() << "the file does not end with IEND";
    if (png.header.size() != 13 || png.header.substr(8) != std::string("\x08\x02\x00\x00\x00", 5))
        return testing::AssertionFailure() << "not an 8-bit RGB header";
    png.width = BigEndian(png.header, 0);
    png.height = BigEndian(png.header, 4);
    if (zlib.size() < 6 || (static_cast<uint8_t>(zlib[0]) * 256 + static_cast<uint8_t>(zlib[1])) % 31 != 0)
        return testing::AssertionFailure() << "bad zlib header";
    size_t z = 2;
    bool final = false;
    while (!final) {
        if (z + 5 > zlib.size())
            return testing::AssertionFailure() << "deflate stream cut short";
        final = zlib[z] & 1;
        const uint16_t length = static_cast<uint8_t>(zlib[z + 1]) | static_cast<uint8_t>(zlib[z + 2]) << 8;
        const uint16_t inverse = static_cast<uint8_t>(zlib[z + 3]) | static_cast<uint8_t>(zlib[z + 4]) << 8;
        if ((zlib[z] & 6) != 0 || static_cast<uint16_t>(~length) != inverse)
            return testing::AssertionFailure() << "not a stored block";
        const auto block = zlib.begin() + static_cast<std::ptrdiff_t>(z + 5);
        png.raw.insert(png.raw.end(), block, block + static_cast<std::ptrdiff_t>(length));
        z += 5 + length;
    }
    uint32_t a = 1, b = 0;
    for (uint8_t byte : png.raw) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    if (z + 4 != zlib.size() || BigEndian(zlib, z) != ((b << 16) | a))
        return testing::AssertionFailure() << "bad Adler-32";
    if (png.raw.size() != png.height * (1 + 3 * png.width))
        return testing::AssertionFailure() << "image data of " << png.raw.size() << " bytes";
    return testing::AssertionSuccess();
}

uint32_t PixelAt(const Png& png, uint32_t x, uint32_t y)
{
    const size_t at = y * (1 + 3 * png.width) + 1 + 3 * x;
    return png.raw[at] << 16 | png.raw[at + 1] << 8 | png.raw[at + 2];
}

TEST(EffectHostGraphTest, WritesAValidPngOfTheDefaultGraph)
{
    const std::string folder = ScratchFolder("graph");
    const RunResult run = RunEffectHost("graph \"" + folder + "graph.png\"");
    ASSERT_EQ(0u, run.exitCode) << run.output;
    Png png;
    ASSERT_TRUE(ParsePng(ReadFile(folder + "graph.png"), png));
    // The graph's own size in the settings window: 153 x 118 dialog units.
    EXPECT_GT(png.width, png.height);
    EXPECT_GT(png.height, 150u);
    int curve = 0, grid = 0;
    for (uint32_t y = 0; y < png.height; ++y) {
        EXPECT_EQ(0, png.raw[y * (1 + 3 * png.width)]) << "row " << y;
        for (uint32_t x = 0; x < png.width; ++x) {
            curve += PixelAt(png, x, y) == 0x003200;
            grid += PixelAt(png, x, y) == 0x969696;
        }
    }
    EXPECT_GT(curve, 150);
    EXPECT_GT(grid, 500);
    EXPECT_EQ(0x000000u, PixelAt(png, 0, 100));  // the inner frame
    EXPECT_EQ(0xffffffu, PixelAt(png, png.width - 1, 100));
}

TEST(EffectHostGraphTest, LargePicturesSpanSeveralStoredBlocksAndBadSizesAreRefused)
{
    const std::string folder = ScratchFolder("graph-large");
    const RunResult run = RunEffectHost("graph \"" + folder + "large.png\" --width 700 --height 500 --cutoff 200");
    ASSERT_EQ(0u, run.exitCode) << run.output;
    Png png;
    ASSERT_TRUE(ParsePng(ReadFile(folder + "large.png"), png));
    EXPECT_EQ(700u, png.width);
    EXPECT_EQ(500u, png.height);

    for (const char* bad : {"--width 0", "--height 5000", "--bogus 1"}) {
        SCOPED_TRACE(bad);
        const RunResult refused = RunEffectHost("graph \"" + folder + "bad.png\" " + bad);
        EXPECT_EQ(2u, refused.exitCode) << refused.output;
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((folder + "bad.png").c_str()));
    }
}

}  // namespace
