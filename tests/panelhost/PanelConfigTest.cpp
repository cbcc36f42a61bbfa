// panel.cfg as the host reads it: windows, titles, sizes and gauge lines, and
// the lines it cannot read.
#include "panelhost/PanelConfig.h"

#include <gtest/gtest.h>

namespace {

using namespace tavrix::panel;

TEST(PanelConfig, ReadsWindowsTitlesAndGauges) {
    const PanelConfig config = parsePanelConfig(
        "; an aircraft\r\n"
        "[Window Titles]\r\nWindow00=Main Panel\r\nwindow01 = Radios\r\n\r\n"
        "[Window00]\r\nfile = panel.bmp\r\nsize_mm=720,260\r\n"
        "gauge00=Drelmo!Drelmo, 40, 40, 180\r\nGAUGE01= Kelvor ! Kelvor ,262,58\r\n"
        "[WINDOW01]\r\nsize_mm=300\r\ngauge00=Kelvor!Kelvor, 1, 2, 30, 40\r\n"
        "[Window02]\r\nfile=empty.bmp\r\n"  // no gauges: left out
        "[Views]\r\ngauge00=Drelmo!Drelmo, 0, 0\r\n");
    EXPECT_TRUE(config.problems.empty());
    ASSERT_EQ(config.windows.size(), 2u);
    const ConfigWindow& main = config.windows[0];
    EXPECT_EQ(main.title, "Main Panel");
    EXPECT_EQ(main.background, "panel.bmp");
    EXPECT_EQ(main.width, 720);
    EXPECT_EQ(main.height, 260);
    ASSERT_EQ(main.gauges.size(), 2u);
    EXPECT_EQ(main.gauges[0].module, "Drelmo");
    EXPECT_EQ(main.gauges[0].name, "Drelmo");
    EXPECT_EQ(main.gauges[0].width, 180);
    EXPECT_EQ(main.gauges[1].key, "GAUGE01");
    EXPECT_EQ(main.gauges[1].module, "Kelvor");
    EXPECT_EQ(main.gauges[1].left, 262);
    EXPECT_EQ(main.gauges[1].width, 0);  // the header's default
    const ConfigWindow& radios = config.windows[1];
    EXPECT_EQ(radios.title, "Radios");
    EXPECT_EQ(radios.width, 300);
    EXPECT_EQ(radios.height, 0);
    EXPECT_EQ(radios.gauges[0].height, 40);
}

TEST(PanelConfig, TellsTheLinesItCannotRead) {
    const PanelConfig config = parsePanelConfig(
        "[Window00]\n"
        "size_mm=wide\n"
        "gauge00=Drelmo, 1, 2\n"
        "gauge01=Drelmo!Drelmo, 1\n"
        "gauge02=Drelmo!Drelmo, -5, 2\n"
        "gauge03=Kelvor!Kelvor, 1, 2, 0\n"
        "gauge04=!Kelvor, 1, 2\n"
        "gauge05=Kelvor!Kelvor, 1, 2, 3, 4, 5\n"
        "gauge06=Kelvor!Kelvor, 10, 20\n");
    ASSERT_EQ(config.problems.size(), 7u);
    EXPECT_EQ(config.problems[0], "[Window00] size_mm: not a width[, height] in pixels: wide");
    EXPECT_EQ(config.problems[1], "[Window00] gauge00: not module!gauge: Drelmo");
    EXPECT_EQ(config.problems[5], "[Window00] gauge04: not module!gauge: !Kelvor");
    for (std::size_t i : {2, 3, 4, 6})
        EXPECT_NE(config.problems[i].find("not module!gauge, left, top"), std::string::npos)
            << config.problems[i];
    ASSERT_EQ(config.windows.size(), 1u);
    ASSERT_EQ(config.windows[0].gauges.size(), 1u);
    EXPECT_EQ(config.windows[0].gauges[0].key, "gauge06");
}

}  // namespace
