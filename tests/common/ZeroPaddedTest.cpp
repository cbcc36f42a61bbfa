// Numbers written out for names and stamps, against what the C library's
// formatter writes for the same value and width.
#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <string>

#include "common/support/ZeroPadded.h"

namespace {

std::string printed(const char* format, std::uint64_t value, int width) {
    char text[64];
    std::snprintf(text, sizeof text, format, width, value);
    return text;
}

TEST(ZeroPadded, WritesWhatPrintfWritesInDecimalAndHex) {
    const std::uint64_t values[] = {0,   1,    9,      10,      99,          100,
                                    999, 1000, 0xFFFF, 0xFFFFF, 4294967295u, UINT64_MAX};
    for (const std::uint64_t value : values) {
        for (int width : {1, 2, 3, 5, 12, 25}) {
            SCOPED_TRACE(std::to_string(value) + " in " + std::to_string(width));
            EXPECT_EQ(tavrix::zeroPadded(value, width), printed("%0*" PRIu64, value, width));
            EXPECT_EQ(tavrix::zeroPadded(value, width, 16), printed("%0*" PRIx64, value, width));
        }
    }
}

TEST(ZeroPadded, OtherBasesAndTheDefaultWidth) {
    EXPECT_EQ(tavrix::zeroPadded(5, 8, 2), "00000101");
    EXPECT_EQ(tavrix::zeroPadded(8, 1, 8), "10");
    EXPECT_EQ(tavrix::zeroPadded(0), "0");
    EXPECT_EQ(tavrix::zeroPadded(1234567), "1234567");
}

}  // namespace
