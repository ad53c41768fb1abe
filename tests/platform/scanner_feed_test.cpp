// The scanner's device file and the printer's card-read escape.
//   ScannerFeed.*      one scan per whole line written after opening; blank lines, a line
//                      still being written, an emptied file; the watcher and a lost device
//   PrinterContext.*   the default printer's names, its escapes and their refusals
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

#include "platform/platform.h"
#include "platform/printing/PageSetup.h"
#include "platform/scanners/ScannerFeed.h"
#include "platform/testing/DeviceFixture.h"
#include "platform/testing/Eventually.h"

namespace {

using platform::scanners::CCodeFeed;

class ScannerFeed : public platform::testing::DeviceTest {
 protected:
  void Append(const std::string& bytes) {
    std::ofstream(Linux(u"\\Windows\\Scanner.txt"), std::ios::app | std::ios::binary) << bytes;
  }
};

TEST_F(ScannerFeed, ReadsEachWholeLineWrittenAfterOpeningOnce) {
  CCodeFeed feed;
  EXPECT_FALSE(feed.Open()) << "no device file, no scanner";
  WriteText(u"\\Windows\\Scanner.txt", "old\n");
  ASSERT_TRUE(feed.Open());
  std::u16string code;
  EXPECT_FALSE(feed.Next(code)) << "what was there before is no scan";
  Append("\n\r\n12345\r\n678");
  ASSERT_TRUE(feed.Next(code));
  EXPECT_EQ(code, u"12345");
  EXPECT_FALSE(feed.Next(code)) << "a line still being written waits";
  Append("9\n");
  ASSERT_TRUE(feed.Next(code));
  EXPECT_EQ(code, u"6789");
  WriteText(u"\\Windows\\Scanner.txt", "é1\n");  // emptied and written again
  ASSERT_TRUE(feed.Next(code));
  EXPECT_EQ(code, u"\u00e91");
}

TEST_F(ScannerFeed, WatcherHandsOnCodesWhileArmedAndTellsALostDevice) {
  WriteText(u"\\Windows\\Scanner.txt", "");
  CCodeFeed feed;
  ASSERT_TRUE(feed.Open());
  std::atomic<int> codes{0}, lost{0};
  feed.Watch([&](const std::u16string&) { return ++codes < 2; }, [&] { ++lost; });
  Append("1\n");
  std::this_thread::sleep_for(std::chrono::milliseconds(150));
  EXPECT_EQ(codes, 0) << "not armed";
  feed.Arm(true);
  platform::testing::Eventually([&] { return codes >= 1; });
  EXPECT_EQ(codes, 1);
  Append("2\n3\n");
  EXPECT_TRUE(feed.PollNow());
  EXPECT_FALSE(feed.PollNow()) << "the second code disarmed the feed";
  feed.Arm(true);
  std::filesystem::remove(Linux(u"\\Windows\\Scanner.txt"));
  EXPECT_FALSE(feed.PollNow());
  EXPECT_FALSE(feed.PollNow());
  EXPECT_EQ(lost, 1);
  feed.Close();
}

using PrinterContext = platform::testing::DeviceTest;

TEST_F(PrinterContext, DefaultPrinterAnswersTheCardReadEscapeOnly) {
  PAGESETUPDLGW setup{};
  setup.lStructSize = sizeof setup;
  setup.Flags = 0x11B;
  EXPECT_FALSE(PageSetupDlgW(&setup)) << "the dialog itself is not offered";
  setup.Flags = 0x51B;
  ASSERT_TRUE(PageSetupDlgW(&setup));
  auto* names = static_cast<const DEVNAMES*>(GlobalLock(setup.hDevNames));
  auto* text = reinterpret_cast<const WCHAR*>(names);
  EXPECT_EQ(std::u16string(text + names->wDeviceOffset), u"Citizen CMP-10");
  HDC dc = CreateDCW(text + names->wDriverOffset, text + names->wDeviceOffset, text + names->wOutputOffset,
                     GlobalLock(setup.hDevMode));
  GlobalFree(setup.hDevNames);
  GlobalFree(setup.hDevMode);
  ASSERT_TRUE(dc);

  WriteText(u"\\Printer Output\\COM1.txt.reply", "%B41^A B^2501?\n");
  DWORD asked = 7000, other = 6999;
  EXPECT_EQ(ExtEscape(dc, QUERYESCSUPPORT, 4, reinterpret_cast<LPCSTR>(&asked), 0, nullptr), 1);
  EXPECT_EQ(ExtEscape(dc, QUERYESCSUPPORT, 4, reinterpret_cast<LPCSTR>(&other), 0, nullptr), 0);
  BYTE reply[8];
  CardReadRequest request{reply, sizeof reply, 12};
  EXPECT_EQ(ExtEscape(dc, kCardReadEscape, sizeof request, reinterpret_cast<LPCSTR>(&request), 0, nullptr), -1)
      << "an unknown command";
  request.command = kCardReadCommand;
  EXPECT_EQ(ExtEscape(dc, kCardReadEscape, sizeof request, reinterpret_cast<LPCSTR>(&request), 0, nullptr), 7);
  EXPECT_STREQ(reinterpret_cast<const char*>(reply), "%B41^A ") << "cut to the buffer, null-terminated";
  EXPECT_EQ(ExtEscape(dc, kCardReadEscape, sizeof request, reinterpret_cast<LPCSTR>(&request), 0, nullptr), 0);
  EXPECT_TRUE(DeleteDC(dc));
  HDC screen = CreateCompatibleDC(nullptr);
  EXPECT_EQ(ExtEscape(screen, QUERYESCSUPPORT, 4, reinterpret_cast<LPCSTR>(&asked), 0, nullptr), -1);
  DeleteDC(screen);
}

}  // namespace
