// Interface sizes and screen shape, and the on-line help.
//
// Groups:
//   UiMetrics.*   the size table at 240x320 and 480x640, screen-dependent sizes, shapes
//   Help.*        topic anchors, the viewer launch, the help file's anchors
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "LanguageLibraryFixture.h"
#include "core/Help.h"
#include "core/ScreenResolution.h"
#include "platform/gdi/Gdi.h"
#include "platform/testing/MessageBoxScript.h"

namespace {

using slateway::testing::LanguageLibraryTest;

// The interface sizes, normal and high resolution, by groups of ids that share them.
struct MetricRow {
  std::vector<int> ids;
  int normal;
  int high;
};
const std::vector<MetricRow> kMetricTable = {
    {{0, 13}, 4, 4},        {{1}, 16, 16},          {{2, 48}, 18, 36},     {{3, 9}, 240, 480},
    {{4, 5}, 80, 160},      {{6}, 2, 2},            {{7}, 0, 0},           {{8}, 20, 40},
    {{10}, 98, 196},        {{11}, 26, 52},         {{12, 14, 30, 31}, 48, 96},
    {{15, 54}, 100, 200},   {{16, 17, 25, 35, 38, 42, 50, 55}, 16, 32},
    {{19}, 22, 44},         {{20, 29}, 20, 40},     {{21, 34, 58}, 32, 64}, {{24}, 1, 2},
    {{26}, 15, 30},         {{27}, 114, 293},       {{28}, 116, 294},      {{32, 33}, 13, 26},
    {{36}, 54, 108},        {{37}, 23, 46},         {{39}, 6, 12},         {{40}, 4, 8},
    {{41}, 14, 28},         {{43, 44, 45, 46}, 0, 0}, {{47}, 12, 24},      {{49}, 28, 56},
    {{51}, 126, 270},       {{52}, 98, 190},        {{53}, 64, 190},       {{56}, 40, 80},
    {{57}, 29, 58},         {{59}, 135, 270},       {{60}, 178, 356},      {{61}, 220, 440},
};

// ---- UiMetrics -------------------------------------------------------------------------

TEST_F(LanguageLibraryTest, UiMetricsTableAtBothResolutions) {
  for (bool high : {false, true}) {
    platform::SetScreenProfile(high ? platform::ScreenProfile::Portrait480x640
                                    : platform::ScreenProfile::Portrait240x320);
    SetHighResolution(IsHighResolutionScreen());
    ASSERT_EQ(IsHighResolution(), high);
    int covered = 0;
    for (const MetricRow& row : kMetricTable) {
      for (int id : row.ids) {
        EXPECT_EQ(GetUiMetric(id, nullptr), high ? row.high : row.normal) << "id " << id << (high ? " high" : "");
        ++covered;
      }
    }
    EXPECT_EQ(covered, 59) << "every table id but the screen-dependent 18, 22 and 23";
    // 18: 14 on a normal screen, the scroll-bar width on a high-resolution one.
    EXPECT_EQ(GetUiMetric(18, nullptr), high ? GetSystemMetrics(SM_CXHSCROLL) : 14);
    const int live = platform::LiveGdiObjectCount();
    EXPECT_EQ(GetUiMetric(22, nullptr), high ? 480 : 240);
    EXPECT_EQ(GetUiMetric(23, nullptr), high ? 640 : 320);
    EXPECT_EQ(platform::LiveGdiObjectCount(), live) << "the window's context is given back";
    for (int id : {62, 63, 1000, -1}) EXPECT_EQ(GetUiMetric(id, nullptr), 0) << "id " << id;
  }
}

TEST_F(LanguageLibraryTest, UiMetricsScreenShapes) {
  struct Case {
    platform::ScreenProfile profile;
    bool landscape, square, high;
  } cases[] = {
      {platform::ScreenProfile::Portrait240x320, false, false, false},
      {platform::ScreenProfile::Portrait480x640, false, false, true},
      {platform::ScreenProfile::Landscape640x480, true, false, true},
      {platform::ScreenProfile::Wide800x480, true, false, true},
  };
  for (const Case& c : cases) {
    platform::SetScreenProfile(c.profile);
    EXPECT_EQ(IsLandscapeScreen(), c.landscape);
    EXPECT_EQ(IsSquareScreen(), c.square);
    EXPECT_EQ(IsHighResolutionScreen(), c.high);
  }
  platform::SetScreenSize(240, 240);
  EXPECT_TRUE(IsSquareScreen());
  EXPECT_FALSE(IsLandscapeScreen());
  EXPECT_FALSE(IsHighResolutionScreen());
  platform::SetScreenSize(480, 480);
  EXPECT_FALSE(IsHighResolutionScreen()) << "only 640 or 800 pixels make a high-resolution screen";
}

TEST_F(LanguageLibraryTest, UiMetricsOsVersion) {
  platform::SetOsVersion(4, 21);
  EXPECT_FALSE(IsOsVersion5OrLater());
  platform::SetOsVersion(5, 0);
  EXPECT_TRUE(IsOsVersion5OrLater());
  platform::SetOsVersion(6, 1);
  EXPECT_TRUE(IsOsVersion5OrLater());
}

// ---- Help ------------------------------------------------------------------------------

const std::vector<std::pair<int, std::u16string>> kTopics = {
    {0, u"Main_Contents"},   {7, u"Main_Contents"}, {1, u"line_new"},      {2, u"howto_line"},
    {3, u"howto_inv"},       {5, u"cust_options"},  {6, u"inv_print"},     {11, u"Main_head_logo"},
    {17, u"head_comp"},      {20, u"head_terms"},   {21, u"invlist_html"}, {22, u"head_title"},
    {4, u"Main_Contents"},   {8, u"Main_Contents"}, {16, u"Main_Contents"}, {18, u"Main_Contents"},
    {23, u"Main_Contents"},  {99, u"Main_Contents"}, {-1, u"Main_Contents"},
};

TEST_F(LanguageLibraryTest, HelpStartsTheViewerAtTheTopic) {
  for (const auto& [topic, anchor] : kTopics) {
    platform::ClearProcessLaunches();
    ShowHelp(topic);
    std::vector<platform::ProcessLaunch> launches = platform::ProcessLaunches();
    ASSERT_EQ(launches.size(), 1u) << "topic " << topic;
    EXPECT_EQ(launches[0].application, u"peghelp.exe");
    EXPECT_EQ(platform::ToUtf8(launches[0].commandLine), platform::ToUtf8(u"file:Slateway.htm#" + anchor))
        << "topic " << topic;
  }
}

TEST_F(LanguageLibraryTest, HelpViewerThatCannotStartIsNotReported) {
  platform::SetProcessLauncher([](const platform::ProcessLaunch&) { return ERROR_FILE_NOT_FOUND; });
  platform::testing::MessageBoxScript boxes;  // any box would fail the test
  ShowHelp(3);
  EXPECT_EQ(platform::ProcessLaunches().size(), 1u);
}

TEST_F(LanguageLibraryTest, HelpFileHoldsEveryAnchor) {
  std::ifstream in(Linux(u"\\Program Files\\Slateway\\Slateway.htm"));
  ASSERT_TRUE(in) << "the installation placed no Slateway.htm in the program folder";
  std::stringstream html;
  html << in.rdbuf();
  for (const auto& [topic, anchor] : kTopics) {
    std::string target = "name=\"" + platform::ToUtf8(anchor) + "\"";
    EXPECT_NE(html.str().find(target), std::string::npos) << target;
  }
}

}  // namespace
