// The application buttons: held by the shell until the program takes one through the
// system library's UnregisterFunc1, then delivered as hot keys.
#include <vector>

#include "platform/module/Module.h"
#include "platform/registry/Registry.h"
#include "platform/shell/Shell.h"
#include "platform/testing/DeviceFixture.h"
#include "platform/user/Window.h"

namespace {

using HotKeys = platform::testing::DeviceTest;

std::vector<std::pair<WPARAM, LPARAM>> g_hotKeys;
std::vector<WPARAM> g_keys;

LRESULT TargetProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_HOTKEY) g_hotKeys.emplace_back(w, l);
  if (m == WM_KEYDOWN) g_keys.push_back(w);
  return DefWindowProcW(h, m, w, l);
}

TEST_F(HotKeys, AButtonReachesTheProgramOnlyAfterTheShellLetsItGo) {
  g_hotKeys.clear();
  g_keys.clear();
  WNDCLASSW wc;
  wc.lpfnWndProc = TargetProc;
  wc.lpszClassName = u"Target";
  RegisterClassW(&wc);
  HWND target = CreateWindowExW(0, u"Target", u"", WS_VISIBLE, 0, 0, 240, 320, nullptr, nullptr, nullptr, nullptr);
  SetFocus(target);
  constexpr UINT kWinKeyUp = MOD_WIN | MOD_KEYUP;

  EXPECT_FALSE(RegisterHotKey(target, 194, kWinKeyUp, 194));
  EXPECT_EQ(GetLastError(), ERROR_HOTKEY_ALREADY_REGISTERED);
  platform::PressKey(194);
  platform::PumpMessages();
  EXPECT_TRUE(g_hotKeys.empty());
  EXPECT_TRUE(g_keys.empty());  // the shell's, not the program's

  HMODULE coredll = LoadLibraryW(u"coredll.dll");
  ASSERT_NE(coredll, nullptr);
  EXPECT_EQ(LoadLibraryW(u"\\Windows\\COREDLL.DLL"), coredll);
  auto release = reinterpret_cast<BOOL (*)(UINT, int)>(GetProcAddress(coredll, "UnregisterFunc1"));
  ASSERT_NE(release, nullptr);
  EXPECT_EQ(GetProcAddress(coredll, "NoSuchFunction"), nullptr);
  ASSERT_TRUE(release(kWinKeyUp, 194));
  ASSERT_TRUE(RegisterHotKey(target, 194, kWinKeyUp, 194));
  platform::PressKey(194);
  platform::PumpMessages();
  ASSERT_EQ(g_hotKeys.size(), 2u);  // down, then up with the key-up bit
  EXPECT_EQ(g_hotKeys[0].first, 194u);
  EXPECT_EQ(g_hotKeys[0].second, MAKELPARAM(MOD_WIN, 194));
  EXPECT_EQ(g_hotKeys[1].second, MAKELPARAM(MOD_WIN | MOD_KEYUP, 194));

  // A button the shell let go but nobody registered goes to the focus as a key.
  release(kWinKeyUp, 195);
  platform::PressKey(195);
  platform::PumpMessages();
  EXPECT_EQ(g_keys, (std::vector<WPARAM>{195}));
  FreeLibrary(coredll);
  FreeLibrary(coredll);
  DestroyWindow(target);
}

}  // namespace

namespace {

TEST_F(HotKeys, TheShellListsItsButtonsAndKeepsNamesAlreadyGiven) {
  HKEY key = nullptr;
  DWORD disposition = 0;
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"Software\\Microsoft\\Shell\\Keys\\40C2", 0, nullptr, 0, 0, nullptr,
                            &key, &disposition),
            static_cast<LONG>(ERROR_SUCCESS));
  std::u16string scan = u"Scan";
  RegSetValueExW(key, u"Name", 0, REG_SZ, reinterpret_cast<const BYTE*>(scan.c_str()), 10);
  RegCloseKey(key);
  ASSERT_TRUE(platform::InstallHardwareKeyEntries());
  auto name = [](const char16_t* path) {
    WCHAR text[32] = {};
    DWORD size = sizeof(text);
    HKEY k = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, 0, &k) != ERROR_SUCCESS) return std::u16string(u"<none>");
    RegQueryValueExW(k, u"Name", nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size);
    RegCloseKey(k);
    return std::u16string(text);
  };
  EXPECT_EQ(name(u"Software\\Microsoft\\Shell\\Keys\\40C1"), u"Button 1");
  EXPECT_EQ(name(u"Software\\Microsoft\\Shell\\Keys\\40C2"), u"Scan");
  EXPECT_EQ(name(u"Software\\Microsoft\\Shell\\Keys\\40C8"), u"Button 8");
  EXPECT_EQ(name(u"Software\\Microsoft\\Shell\\Keys\\40C9"), u"<none>");
}

}  // namespace
