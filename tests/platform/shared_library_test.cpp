// Libraries of code loaded at run time: LoadLibraryW opens a shared object of this
// system, GetProcAddress finds its functions, and what they do lands in this process's
// own platform state.
//
// Groups:
//   SharedLibrary.*   one platform per process; names, handles, missing libraries and exports
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/testing/DeviceFixture.h"

namespace {

using WriteMarker = LONG (*)(LPCWSTR);
using CreateLabel = HWND (*)(HWND, LPCWSTR);
using CountWindows = int (*)();

class SharedLibrary : public platform::testing::DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    std::filesystem::path target = Linux(u"\\Windows\\StateProbe.dll.so");
    std::filesystem::create_directories(target.parent_path());
    std::filesystem::copy_file(SLATEWAY_STATE_PROBE_LIBRARY, target);
  }
  void TearDown() override {
    EXPECT_EQ(platform::LoadedModuleCount(), 0) << "a module was left loaded";
    DeviceTest::TearDown();
  }
};

TEST_F(SharedLibrary, ItsFunctionsWorkOnTheProcesssRegistryAndWindows) {
  HMODULE probe = LoadLibraryW(u"\\Windows\\StateProbe.dll");
  ASSERT_NE(probe, nullptr);
  auto writeMarker = reinterpret_cast<WriteMarker>(GetProcAddress(probe, "ProbeWriteMarker"));
  auto createLabel = reinterpret_cast<CreateLabel>(GetProcAddressW(probe, u"ProbeCreateLabel"));
  auto countWindows = reinterpret_cast<CountWindows>(GetProcAddress(probe, "ProbeLiveWindowCount"));
  ASSERT_TRUE(writeMarker && createLabel && countWindows);

  ASSERT_EQ(writeMarker(u"from the library"), ERROR_SUCCESS);
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"Software\\Probe", 0, 0, &key), ERROR_SUCCESS);
  WCHAR value[64] = {};
  DWORD size = sizeof value;
  EXPECT_EQ(RegQueryValueExW(key, u"Marker", nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size),
            ERROR_SUCCESS);
  EXPECT_EQ(std::u16string(value), u"from the library");
  RegCloseKey(key);

  HWND parent = CreateWindowExW(0, u"STATIC", u"Host", WS_VISIBLE, 0, 0, 200, 100, nullptr, nullptr, nullptr,
                                nullptr);
  HWND label = createLabel(parent, u"Made over there");
  ASSERT_TRUE(IsWindow(label));
  EXPECT_EQ(GetParent(label), parent);
  WCHAR text[32] = {};
  GetWindowTextW(label, text, 32);
  EXPECT_EQ(std::u16string(text), u"Made over there");
  EXPECT_EQ(platform::LiveWindowCount(), 2);
  EXPECT_EQ(countWindows(), 2);
  DestroyWindow(parent);
  EXPECT_FALSE(IsWindow(label)) << "the library's window is a child like any other";
  EXPECT_EQ(countWindows(), 0);
  EXPECT_TRUE(FreeLibrary(probe));
}

TEST_F(SharedLibrary, IsFoundByItsHandheldNameAndCountedPerUse) {
  HMODULE first = LoadLibraryW(u"\\windows\\stateprobe.DLL");
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(LoadLibraryW(u"StateProbe.dll"), first) << "a bare name is looked for in \\Windows";
  EXPECT_EQ(GetModuleHandleW(u"StateProbe.dll"), first);
  WCHAR path[64] = {};
  GetModuleFileNameW(first, path, 64);
  EXPECT_EQ(std::u16string(path), u"\\Windows\\StateProbe.dll");
  EXPECT_EQ(FindResourceW(first, MAKEINTRESOURCEW(1), RT_STRING), nullptr) << "a library of code has no resources";
  EXPECT_TRUE(FreeLibrary(first));
  EXPECT_EQ(platform::LoadedModuleCount(), 1);
  EXPECT_TRUE(FreeLibrary(first));
}

TEST_F(SharedLibrary, MissingLibrariesAndExportsFailCleanly) {
  SetLastError(0);
  EXPECT_EQ(LoadLibraryW(u"\\Windows\\ScanAPI.dll"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
  WriteText(u"\\Windows\\Broken.dll.so", std::string("\x7f" "ELF but nothing more"));
  EXPECT_EQ(LoadLibraryW(u"\\Windows\\Broken.dll"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_BAD_FORMAT);

  HMODULE probe = LoadLibraryW(u"\\Windows\\StateProbe.dll");
  ASSERT_NE(probe, nullptr);
  // The platform's functions are reachable from the library but are not its exports.
  for (const char* name : {"ProbeNoSuchFunction", "RegSetValueExW", "probewritemarker", ""}) {
    SetLastError(0);
    EXPECT_EQ(GetProcAddress(probe, name), nullptr) << name;
    EXPECT_EQ(GetLastError(), ERROR_PROC_NOT_FOUND) << name;
  }
  SetLastError(0);
  EXPECT_EQ(GetProcAddress(probe, reinterpret_cast<LPCSTR>(static_cast<ULONG_PTR>(2))), nullptr)
      << "exports are found by name only";
  EXPECT_EQ(GetLastError(), ERROR_PROC_NOT_FOUND);
  FreeLibrary(probe);
  EXPECT_EQ(GetProcAddress(probe, "ProbeWriteMarker"), nullptr) << "a freed module";
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);

  // The resource library goes through the same call and exports nothing.
  std::filesystem::copy_file(SLATEWAY_RESOURCE_LIBRARY, Linux(u"\\Windows\\QVNLANGUAGE.DLL"));
  HMODULE resources = LoadLibraryW(u"QVNLANGUAGE.DLL");
  ASSERT_NE(resources, nullptr);
  WCHAR path[64] = {};
  GetModuleFileNameW(resources, path, 64);
  EXPECT_EQ(std::u16string(path), u"\\Windows\\QVNLANGUAGE.DLL");
  EXPECT_EQ(GetProcAddress(resources, "ProbeWriteMarker"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_PROC_NOT_FOUND);
  FreeLibrary(resources);
}

}  // namespace
