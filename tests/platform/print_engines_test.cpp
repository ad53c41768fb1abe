// The printing engines behind their ProgIDs: registration, the graphic engine's position
// rules and page output, a failing printer, and the text engine on a pseudo-terminal.
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <fstream>

#include "platform/module/Module.h"
#include "platform/printing/PrintEngines.h"
#include "platform/registry/RegKeyHandle.h"
#include "platform/testing/DeviceFixture.h"

namespace {

using platform::printing::PrintOp;

class PrintEngines : public platform::testing::DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    platform::printing::ResetConditions();
    platform::printing::ClearRecordedOps();
    ASSERT_EQ(RegisterPrintEngineClasses(), S_OK);
  }
  void TearDown() override {
    if (m_printer) m_printer->Release();
    platform::printing::ResetConditions();
    DeviceTest::TearDown();
  }
  CPrinterCE* Printer() {
    void* object = nullptr;
    EXPECT_EQ(CoCreateInstance(CLSID_PrinterCE, nullptr, CLSCTX_ALL, IID_IPrinterCE, &object), S_OK);
    return m_printer = static_cast<CPrinterCE*>(object);
  }
  CPrinterCE* m_printer = nullptr;
};

TEST_F(PrintEngines, ClassesAreFoundByProgIdUntilUnregistered) {
  CLSID clsid{};
  ASSERT_EQ(CLSIDFromProgID(kAsciiCEProgId, &clsid), S_OK);
  EXPECT_TRUE(clsid == CLSID_AsciiCE);
  void* object = nullptr;
  EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_IPrinterCE, &object), E_NOINTERFACE);
  ASSERT_EQ(UnregisterPrintEngineClasses(), S_OK);
  EXPECT_EQ(CLSIDFromProgID(kPrinterCEProgId, &clsid), CO_E_CLASSSTRING);
  EXPECT_EQ(CoCreateInstance(CLSID_PrinterCE, nullptr, CLSCTX_ALL, IID_IPrinterCE, &object), REGDB_E_CLASSNOTREG);
  EXPECT_EQ(object, nullptr);
}

TEST_F(PrintEngines, TheInstalledModuleRegistersAndUnregistersTheClasses) {
  ASSERT_EQ(UnregisterPrintEngineClasses(), S_OK);
  std::filesystem::path target = Linux(u"\\Windows\\PREngineCE.dll.so");
  std::filesystem::create_directories(target.parent_path());
  std::filesystem::copy_file(SLATEWAY_PRINT_ENGINE_MODULE, target);
  HMODULE module = LoadLibraryW(u"\\Windows\\PREngineCE.dll");
  ASSERT_NE(module, nullptr);
  using Entry = HRESULT (*)();
  auto registerServer = reinterpret_cast<Entry>(GetProcAddress(module, "DllRegisterServer"));
  auto unregisterServer = reinterpret_cast<Entry>(GetProcAddress(module, "DllUnregisterServer"));
  ASSERT_TRUE(registerServer && unregisterServer);
  CLSID clsid{};
  EXPECT_EQ(registerServer(), S_OK);
  EXPECT_EQ(CLSIDFromProgID(kPrinterCEProgId, &clsid), S_OK);
  EXPECT_EQ(unregisterServer(), S_OK);
  EXPECT_EQ(CLSIDFromProgID(kPrinterCEProgId, &clsid), CO_E_CLASSSTRING);
  FreeLibrary(module);
}

TEST_F(PrintEngines, TextWithoutYGoesToTheNextLineAndNewPageStartsAtTheTop) {
  CPrinterCE* printer = Printer();
  printer->SetFontSize(12);
  printer->DrawText(u"first", 1.0f, 2.0f, std::nullopt);
  printer->DrawText(u"second", 1.0f, std::nullopt, std::nullopt);
  const auto& ops = platform::printing::RecordedOps();
  ASSERT_EQ(ops.size(), 2u);
  EXPECT_FLOAT_EQ(ops[1].y, ops[0].y2);
  printer->NewPage();
  float y = -1;
  printer->GetCurrentY(&y);
  EXPECT_EQ(y, 0.0f);
  printer->DrawText(u"third", std::nullopt, std::nullopt, std::nullopt);
  EXPECT_EQ(platform::printing::RecordedOps().back().page, 2);
  printer->EndDocument();
  std::u16string file = platform::printing::LastOutputFile();
  ASSERT_TRUE(file.starts_with(u"\\Printer Output\\Print 2026-03-10 093000"));
  EXPECT_EQ(ReadText(file).substr(0, 5), "%PDF-");
}

TEST_F(PrintEngines, AFailedPrinterStaysFailedAndItsJobLeavesNoFile) {
  platform::printing::Conditions().failAfterSteps = 1;
  CPrinterCE* printer = Printer();
  printer->DrawText(u"drawn", 0.0f, 0.0f, std::nullopt);
  printer->DrawText(u"not drawn", 0.0f, 1.0f, std::nullopt);
  printer->DrawLine(0, 0, 1, 1, std::nullopt, std::nullopt);
  LONG status = 0;
  printer->GetStatus(&status);
  EXPECT_EQ(status, kPrinterNotReady);
  EXPECT_EQ(platform::printing::RecordedOps().size(), 1u);
  printer->EndDocument();
  printer->GetStatus(&status);
  EXPECT_EQ(status, kPrinterNotReady);
  EXPECT_TRUE(platform::printing::LastOutputFile().empty());
  EXPECT_FALSE(std::filesystem::exists(Linux(u"\\Printer Output")));
}

TEST_F(PrintEngines, TextEngineTalksToASerialDevice) {
  int master = posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_GE(master, 0);
  ASSERT_EQ(grantpt(master), 0);
  ASSERT_EQ(unlockpt(master), 0);
  std::u16string device = platform::ToUtf16(ptsname(master));
  {
    CRegKeyHandle key;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"Software\\PrEngineCE\\Ports", 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, key.put(), nullptr),
              ERROR_SUCCESS);
    RegSetValueExW(key.get(), u"7", 0, REG_SZ, reinterpret_cast<const BYTE*>(device.c_str()),
                   static_cast<DWORD>((device.size() + 1) * sizeof(WCHAR)));
  }
  void* object = nullptr;
  ASSERT_EQ(CoCreateInstance(CLSID_AsciiCE, nullptr, CLSCTX_ALL, IID_IAsciiCE, &object), S_OK);
  auto* text = static_cast<CAsciiCE*>(object);
  LONG result = 0, written = 0, count = 0;
  text->OpenPort(7, -1, 0, 512, &result);
  ASSERT_EQ(result, -1);
  text->WriteBytes(reinterpret_cast<const BYTE*>("PRINT\r\n"), 7, &written);
  EXPECT_EQ(written, 7);
  char buffer[16] = {};
  pollfd wait{master, POLLIN, 0};
  ASSERT_EQ(poll(&wait, 1, 2000), 1);
  EXPECT_EQ(std::string(buffer, static_cast<size_t>(read(master, buffer, sizeof buffer))), "PRINT\r\n");

  std::u16string reply;
  text->ReadBytes(255, 0, 0, 50, &result, &count, &reply);
  EXPECT_EQ(count, 0) << "nothing came within the time-out";
  ASSERT_EQ(write(master, "T1:%B41?", 8), 8);
  text->ReadBytes(255, 0, 0, 2000, &result, &count, &reply);
  EXPECT_EQ(reply, u"T1:%B41?");
  text->Release();
  close(master);
}

}  // namespace
