#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "common/ByteCursor.h"
#include "panelhost/Image.h"

namespace {

using tavrix::panel::decodePackedDib;
using tavrix::panel::rgb;

// A 3 x 2 bitmap, palette of 3: bottom row indices {0,1,2}, top row {2,1,0}.
std::vector<std::uint8_t> goodDib() {
    std::vector<std::uint8_t> b(40 + 3 * 4 + 2 * 4, 0);
    tavrix::storeLe32(&b[0], 40);
    tavrix::storeLe32(&b[4], 3);
    tavrix::storeLe32(&b[8], 2);
    tavrix::storeLe16(&b[12], 1);
    tavrix::storeLe16(&b[14], 8);
    tavrix::storeLe32(&b[32], 3);
    const std::uint8_t palette[] = {0, 0, 0, 0, 5, 5, 5, 0, 0xA3, 0xB2, 0xC1, 0};  // blue, green, red, 0
    std::memcpy(&b[40], palette, sizeof palette);
    const std::uint8_t rows[] = {0, 1, 2, 0, 2, 1, 0, 0};
    std::memcpy(&b[52], rows, sizeof rows);
    return b;
}

TEST(Dib, DecodesBottomUpRowsThroughThePalette) {
    auto result = decodePackedDib(goodDib());
    ASSERT_TRUE(result.image) << result.error;
    const auto& img = *result.image;
    EXPECT_EQ(img.width, 3);
    EXPECT_EQ(img.height, 2);
    EXPECT_EQ(img.at(0, 1), 0u);  // bottom row first in the file
    EXPECT_EQ(img.at(2, 1), rgb(0xC1, 0xB2, 0xA3));
    EXPECT_EQ(img.at(0, 0), rgb(0xC1, 0xB2, 0xA3));
    EXPECT_EQ(img.at(1, 0), rgb(5, 5, 5));
}

TEST(Dib, EncodedBmpRoundTripsThroughTheDecoder) {
    tavrix::panel::Image img{2, 2, {rgb(1, 2, 3), rgb(4, 5, 6), rgb(7, 8, 9), rgb(10, 11, 12)}};
    auto file = tavrix::panel::encodeBmp24(img);
    ASSERT_GE(file.size(), 54u + 2 * 8u);
    EXPECT_EQ(file[0], 'B');
    EXPECT_EQ(file[28], 24);
    // Bottom-up: the file's first pixel row is the image's last.
    EXPECT_EQ(file[54], 9);
    EXPECT_EQ(file[55], 8);
    EXPECT_EQ(file[56], 7);
}

struct Damage {
    const char* name;
    void (*apply)(std::vector<std::uint8_t>&);
};

class DamagedDib : public testing::TestWithParam<Damage> {};

TEST_P(DamagedDib, IsRefusedWithAReason) {
    auto bytes = goodDib();
    GetParam().apply(bytes);
    auto result = decodePackedDib(bytes);
    EXPECT_FALSE(result.image);
    EXPECT_FALSE(result.error.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, DamagedDib,
    testing::Values(Damage{"Empty", [](auto& b) { b.clear(); }},
                    Damage{"TruncatedHeader", [](auto& b) { b.resize(20); }},
                    Damage{"OtherHeaderSize", [](auto& b) { tavrix::storeLe32(&b[0], 108); }},
                    Damage{"TwentyFourBits", [](auto& b) { tavrix::storeLe16(&b[14], 24); }},
                    Damage{"Compressed", [](auto& b) { tavrix::storeLe32(&b[16], 1); }},
                    Damage{"ZeroWidth", [](auto& b) { tavrix::storeLe32(&b[4], 0); }},
                    Damage{"TopDown", [](auto& b) { tavrix::storeLe32(&b[8], 0xFFFFFFFEu); }},
                    Damage{"Huge", [](auto& b) { tavrix::storeLe32(&b[4], 0x7FFFFFFF); }},
                    Damage{"PaletteTooLarge", [](auto& b) { tavrix::storeLe32(&b[32], 257); }},
                    Damage{"TruncatedPalette", [](auto& b) { b.resize(46); }},
                    Damage{"TruncatedPixels", [](auto& b) { b.resize(b.size() - 1); }},
                    Damage{"IndexOutsidePalette", [](auto& b) { b[53] = 3; }}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
