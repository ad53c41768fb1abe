// The scanner and card-reader drivers against the scanner libraries and the printer's
// stand-ins: a code written into the scanner's device file, a swipe in a printer's reply
// file.
//   ScannerDrivers.*  each make loads, opens, scans, reads and unloads; missing libraries
//                     and exports, failing calls, continuous mode, the Symbol label buffer
//   CardReaders.*     Citizen and Zebra swipes, no swipe, damaged tracks, closing
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "../core/LanguageLibraryFixture.h"
#include "devices/CardReaders.h"
#include "devices/DeviceBox.h"
#include "devices/ScannerDrivers.h"
#include "platform/platform.h"
#include "platform/printing/PrintEngines.h"
#include "platform/testing/MessageBoxScript.h"
#include "platform/testing/Eventually.h"
#include "resources/resource_ids.h"

namespace {

using platform::testing::MessageBoxScript;

class InputDeviceTest : public slateway::testing::LanguageLibraryTest {
 protected:
  void SetUp() override {
    LanguageLibraryTest::SetUp();
    WriteText(u"\\Windows\\Scanner.txt", "");
    window = CreateWindowExW(0, u"STATIC", u"Notify", WS_VISIBLE, 0, 0, 240, 320, nullptr, nullptr, nullptr, nullptr);
  }
  void TearDown() override {
    DestroyWindow(window);
    LanguageLibraryTest::TearDown();
  }
  void Install(const char* built, const char* as) {
    std::filesystem::path target = Root() / "Windows" / as;
    std::filesystem::create_directories(target.parent_path());
    std::filesystem::copy_file(std::filesystem::path(SLATEWAY_SCANNER_LIBRARIES) / built, target,
                               std::filesystem::copy_options::overwrite_existing);
  }
  void Scan(const std::string& line) {
    std::ofstream(Linux(u"\\Windows\\Scanner.txt"), std::ios::app) << line;
  }
  // Waits (in real time: the library's watcher reads the file) for `message`.
  bool WaitFor(UINT message, MSG& got) {
    return platform::testing::Eventually([&] { return PeekMessageW(&got, window, message, message, PM_REMOVE); });
  }
  bool Pending(UINT message) {
    MSG m;
    return PeekMessageW(&m, window, message, message, PM_REMOVE) != 0;
  }

  HWND window = nullptr;
};

std::unique_ptr<CInputDevice> Make(std::u16string_view make, HWND window, BYTE continuous = 0) {
  return CreateScannerDriver(make, nullptr, window, continuous, 1);
}

class ScannerDrivers : public InputDeviceTest, public ::testing::WithParamInterface<const char16_t*> {};

TEST_P(ScannerDrivers, LoadOpenScanReadAndUnload) {
  auto scanner = Make(GetParam(), window);
  ASSERT_TRUE(scanner);
  EXPECT_EQ(scanner->GetQtyPrompt(), 1);
  ASSERT_TRUE(scanner->Load());
  ASSERT_TRUE(scanner->Open(window));
  EXPECT_TRUE(scanner->Open(window)) << "an open scanner answers at once";
  for (const char* code : {"0123456789012", "ABC-77"}) {
    Scan(std::string(code) + "\r\n");
    ASSERT_TRUE(scanner->Trigger(1));
    MSG data;
    ASSERT_TRUE(WaitFor(kMsgScanData, data)) << code;
    std::u16string text;
    ASSERT_TRUE(scanner->GetData(data.wParam, data.lParam, window, text));
    EXPECT_EQ(text, platform::ToUtf16(code));
  }
  EXPECT_FALSE(Pending(kMsgStartNextScan)) << "not continuous";
  EXPECT_TRUE(scanner->Close(1));
  EXPECT_FALSE(scanner->Close(1));
  scanner->Unload();
  EXPECT_EQ(platform::LoadedModuleCount(), 1) << "only the language library is left";
  // Loaded again after a suspend, the scanner works as before.
  ASSERT_TRUE(scanner->Load());
  ASSERT_TRUE(scanner->Open(window));
  Scan("42\n");
  scanner->Trigger(1);
  MSG data;
  ASSERT_TRUE(WaitFor(kMsgScanData, data));
}

TEST_P(ScannerDrivers, ContinuousModeAsksForTheNextScan) {
  auto scanner = Make(GetParam(), window, 1);
  ASSERT_TRUE(scanner->Load() && scanner->Open(window));
  Scan("7\n");
  scanner->Trigger(1);
  MSG data;
  ASSERT_TRUE(WaitFor(kMsgScanData, data));
  std::u16string text;
  ASSERT_TRUE(scanner->GetData(data.wParam, data.lParam, window, text));
  EXPECT_TRUE(Pending(kMsgStartNextScan));
  // Turning continuous scanning on starts a scan for the scanners that wait for a trigger.
  scanner->SetContinuous(0);
  scanner->SetContinuous(1);
  EXPECT_EQ(Pending(kMsgStartNextScan), scanner->GetKind() != kDeviceSocketScanner);
}

INSTANTIATE_TEST_SUITE_P(Makes, ScannerDrivers, ::testing::Values(u"Socket", u"Symbol", u"Grabba"));

TEST_F(InputDeviceTest, MissingLibraryOrExportIsToldAndLeavesTheDriverUnloaded) {
  std::filesystem::remove(Root() / "Windows" / "Grabba.dll.so");
  // A library without the Socket entry points stands where the Socket library should be.
  Install("ScnAPI32.dll.so", "ScanAPI.dll.so");
  MessageBoxScript boxes;
  boxes.Expect(u"Failed to load the Grabba scanner library. Please install the Grabba driver and try again.")
      .Caption(u"Slateway");
  boxes.Expect(u"Failed to acquire Socket Scanner function(s). Please contact Technical Support");
  auto grabba = Make(u"Grabba", window);
  EXPECT_FALSE(grabba->Load());
  auto socket = Make(u"Socket", window);
  EXPECT_FALSE(socket->Load());
  EXPECT_FALSE(socket->Open(window));
  EXPECT_FALSE(socket->Trigger(1));
  EXPECT_EQ(platform::LoadedModuleCount(), 1);
  EXPECT_EQ(boxes.Pending(), 0u);
  socket.reset();  // nothing of the library is called
  EXPECT_FALSE(Make(u"None", window));
}

TEST_F(InputDeviceTest, SocketWithoutAScannerSaysWhatTheLibraryReports) {
  std::filesystem::remove(Linux(u"\\Windows\\Scanner.txt"));
  MessageBoxScript boxes;
  boxes.Expect(u"A scanner error has occured.  The Socket library function 'ScanOpenDevice' reports: 'No scanner is "
               u"attached'. Try soft-resetting the device if the problem persists.");
  auto scanner = Make(u"Socket", window);
  ASSERT_TRUE(scanner->Load());
  EXPECT_FALSE(scanner->Open(window));
  EXPECT_FALSE(scanner->Trigger(1));
}

TEST_F(InputDeviceTest, SymbolReportsADeviceThatFailsWhileReading) {
  auto scanner = Make(u"Symbol", window);
  ASSERT_TRUE(scanner->Load() && scanner->Open(window));
  std::filesystem::remove(Linux(u"\\Windows\\Scanner.txt"));
  MSG data;
  ASSERT_TRUE(WaitFor(kMsgScanData, data));
  MessageBoxScript boxes;
  boxes.Expect(u"Symbol Scanner device failure");
  std::u16string text;
  EXPECT_FALSE(scanner->GetData(data.wParam, data.lParam, window, text));
  EXPECT_TRUE(text.empty());
}

// ---- Card readers ------------------------------------------------------------------------

class CardReaders : public InputDeviceTest {
 protected:
  void SetUp() override {
    InputDeviceTest::SetUp();
    platform::printing::ResetConditions();
  }
};

TEST_F(CardReaders, CitizenReadsTheFirstTrackOfEachSwipe) {
  WriteText(u"\\Printer Output\\COM1.txt.reply",
            "%B4111111111111111^DOE/JOHN   ^25121010000?\n%B5500^SHORT^2?\nno marks at all\n");
  auto reader = CreateCardReaderDriver(u"Citizen", nullptr, window);
  CCardFields card;
  EXPECT_FALSE(reader->ReadCard(card)) << "not open";
  EXPECT_TRUE(reader->Load());
  ASSERT_TRUE(reader->Open(window));
  ASSERT_TRUE(reader->ReadCard(card));
  EXPECT_EQ(card.cardNumber.str(), u"4111111111111111");
  EXPECT_EQ(card.holderName.str(), u"DOE/JOHN");
  EXPECT_EQ(card.expiryYear.str(), u"25");
  EXPECT_EQ(card.expiryMonth.str(), u"12");
  EXPECT_EQ(card.trackText.str(), u"B4111111111111111^DOE/JOHN   ^25121010000");
  CCardFields none;
  EXPECT_FALSE(reader->ReadCard(none)) << "a short expiry";
  EXPECT_FALSE(reader->ReadCard(none)) << "no separators";
  EXPECT_FALSE(reader->ReadCard(none)) << "no swipe";
  EXPECT_TRUE(none.cardNumber.IsEmpty());
  EXPECT_TRUE(reader->Close(1));
  EXPECT_FALSE(reader->ReadCard(card));
}

TEST_F(CardReaders, ZebraAsksForTheTracksAndBeepsOrCancels) {
  WriteText(u"\\Printer Output\\Port3.txt", "");
  WriteText(u"\\Printer Output\\Port3.txt.reply",
            "T1:%B4111111111111111^DOE/JOHN ^2604101?\r\nT2:;4111111111111111=2604101?\r\n");
  auto reader = CreateCardReaderDriver(u"Zebra", nullptr, window);
  ASSERT_TRUE(reader->Open(window));
  CCardFields card;
  ASSERT_TRUE(reader->ReadCard(card));
  EXPECT_EQ(card.cardNumber.str(), u"4111111111111111");
  EXPECT_EQ(card.expiryMonth.str(), u"04");
  EXPECT_EQ(card.trackText.str(), u"B4111111111111111^DOE/JOHN ^2604101");
  EXPECT_EQ(ReadText(u"\\Printer Output\\Port3.txt"), "! UTILITIESMCR 120 T1 T2BEEP 1");
  // The replies are used up: ten reads find nothing, and the read is called off.
  EXPECT_FALSE(reader->ReadCard(card));
  EXPECT_EQ(ReadText(u"\\Printer Output\\Port3.txt"),
            "! UTILITIESMCR 120 T1 T2BEEP 1! UTILITIESMCR 120 T1 T2! UTILITIESMCR-CANPRINT");
  EXPECT_TRUE(reader->Release());
  EXPECT_FALSE(reader->ReadCard(card));
  EXPECT_FALSE(reader->Close(1));
}

TEST_F(CardReaders, ZebraThatCannotReachItsPortSaysSo) {
  platform::printing::Conditions().createResult = E_FAIL;
  MessageBoxScript boxes;
  boxes.ExpectAny();
  boxes.Expect(u"Connection to Zebra Mag Card Reader failed. Make sure the device is on, and the port is configured "
               u"properly.");
  auto reader = CreateCardReaderDriver(u"Zebra", nullptr, window);
  EXPECT_FALSE(reader->Open(window));
  CCardFields card;
  EXPECT_FALSE(reader->ReadCard(card));
  platform::printing::ResetConditions();
}

}  // namespace

namespace {

TEST_F(InputDeviceTest, DeviceBoxShowsItsTextAndAdvances) {
  CDeviceBox box(window, u"Starting Grabba scanner...", 4);
  ASSERT_TRUE(IsWindowVisible(box.GetWindow()));
  WCHAR text[64] = {};
  GetDlgItemTextW(box.GetWindow(), IDC_DEVICE_BOX_TEXT, text, 64);
  EXPECT_EQ(std::u16string(text), u"Starting Grabba scanner...");
  box.Step();
  box.Step();
  EXPECT_EQ(SendDlgItemMessageW(box.GetWindow(), IDC_PROGRESS_BAR, PBM_GETPOS, 0, 0), 2);
}

}  // namespace

namespace {

// The Symbol label buffer as the library hands it over: header words and the text.
std::string Label(DWORD headerSize, DWORD offset, DWORD status, std::u16string_view text) {
  std::string bytes(7095, '\0');
  auto put = [&](size_t word, DWORD value) { std::memcpy(bytes.data() + word * 4, &value, 4); };
  put(1, headerSize);
  put(3, offset);
  put(6, status);
  size_t at = offset < 16 || headerSize < 16 ? 148 : offset;
  for (size_t i = 0; i < text.size() && at + i * 2 + 1 < bytes.size(); ++i)
    std::memcpy(bytes.data() + at + i * 2, &text[i], 2);
  return bytes;
}

int g_triggerStatus = 0;
LRESULT CountTriggerStatus(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kMsgTriggerStatus) ++g_triggerStatus;
  return DefWindowProcW(window, message, wParam, lParam);
}

// The header comes from outside the program: only a text that lies inside the buffer is read.
TEST_F(InputDeviceTest, SymbolReadsOnlyALabelThatLiesInsideItsBuffer) {
  Install("LabelScanner.so", "ScnAPI32.dll.so");
  WNDCLASSW wc{};
  wc.lpfnWndProc = CountTriggerStatus;
  wc.lpszClassName = u"LabelNotify";
  RegisterClassW(&wc);
  HWND notify = CreateWindowExW(0, u"LabelNotify", u"", WS_VISIBLE, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  std::string blank(7095, 'A');
  struct Case {
    std::string bytes;
    const char16_t* text;
  } cases[] = {
      {Label(148, 148, 0, u"5012345678900"), u"5012345678900"},
      {Label(12, 9999, 0, u"SHORT"), u"SHORT"},           // a short header: the text at 148
      {Label(148, 7094, 0, u"X"), u""},                    // starts past the last whole character
      {Label(148, 200000, 0, u"X"), u""},                  // far outside
      {blank.replace(4, 4, std::string("\x94\0\0\0", 4)).replace(12, 4, std::string("\x94\0\0\0", 4))
           .replace(24, 4, std::string(4, '\0')), u""},    // no terminator anywhere
      {Label(148, 148, CSymbolScanner::kStatusNoData, u"X"), u""},
      {Label(148, 148, CSymbolScanner::kStatusTriggerEvent, u"X"), u""},
  };
  // Each read copies the label file when it is issued: the next case is written before
  // the data call that issues the next read.
  WriteText(u"\\Windows\\Label.bin", cases[0].bytes);
  CSymbolScanner scanner(nullptr, notify, 0, 0);
  ASSERT_TRUE(scanner.Load() && scanner.Open(notify));
  for (size_t i = 0; i < std::size(cases); ++i) {
    if (i + 1 < std::size(cases)) WriteText(u"\\Windows\\Label.bin", cases[i + 1].bytes);
    std::u16string text = u"stale";
    bool got = scanner.GetData(0, 0, notify, text);
    EXPECT_EQ(got, !text.empty());
    EXPECT_EQ(text, cases[i].text) << i;
  }
  EXPECT_EQ(g_triggerStatus, 1);
  scanner.Unload();
  DestroyWindow(notify);
}

}  // namespace
