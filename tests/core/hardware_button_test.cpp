// Taking an application button from the shell by the name the shell shows for it, and
// letting it go again.
#include <string>
#include <vector>

#include "core/HardwareButton.h"
#include "platform/registry/Registry.h"
#include "platform/shell/Shell.h"
#include "InstalledDeviceFixture.h"
#include "platform/user/Window.h"

namespace {

std::vector<std::pair<WPARAM, LPARAM>> g_hotKeys;

LRESULT HotKeyTarget(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_HOTKEY) g_hotKeys.emplace_back(w, l);
  return DefWindowProcW(h, m, w, l);
}

// The installed device, with the shell's buttons the device comes with.
class HardwareButton : public slateway::testing::InstalledDeviceTest {
 protected:
  void SetUp() override {
    InstalledDeviceTest::SetUp();
    g_hotKeys.clear();
    WNDCLASSW wc{};
    wc.lpfnWndProc = HotKeyTarget;
    wc.lpszClassName = u"HotKeyTarget";
    RegisterClassW(&wc);
    m_window = CreateWindowExW(0, u"HotKeyTarget", u"", WS_VISIBLE, 0, 0, 240, 320, nullptr, nullptr, nullptr,
                               nullptr);
  }
  void TearDown() override {
    DestroyWindow(m_window);
    EXPECT_EQ(platform::LiveWindowCount(), 0);
    InstalledDeviceTest::TearDown();
  }
  static void Name(int entry, std::u16string name) {
    HKEY key = nullptr;
    DWORD disposition = 0;
    std::u16string path = u"Software\\Microsoft\\Shell\\Keys\\40C" + std::u16string(1, u'0' + entry);
    RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, 0, nullptr, &key, &disposition);
    RegSetValueExW(key, u"Name", 0, REG_SZ, reinterpret_cast<const BYTE*>(name.c_str()),
                   static_cast<DWORD>((name.size() + 1) * sizeof(WCHAR)));
    RegCloseKey(key);
  }
  size_t HotKeysAfterPressing(UINT vk) {
    g_hotKeys.clear();
    platform::PressKey(vk);
    platform::PumpMessages();
    return g_hotKeys.size();
  }
  HWND m_window = nullptr;
};

TEST_F(HardwareButton, ListsTheShellsEntriesInOrder) {
  Name(3, u"Scan");
  CHardwareButton button;
  CBstr name;
  CBstr reset;
  ASSERT_TRUE(button.GetFirstKey(name, reset));
  EXPECT_EQ(name.view(), u"Button 1");
  EXPECT_EQ(reset.view(), u"\\Windows\\Start Menu\\Programs\\Calendar.lnk");
  std::vector<std::u16string> names{name.str()};
  while (button.GetNextKey(name, reset)) names.push_back(name.str());
  ASSERT_EQ(names.size(), 8u);
  EXPECT_EQ(names[2], u"Scan");
  EXPECT_EQ(names[7], u"Button 8");
  ASSERT_TRUE(button.GetFirstKey(name, reset));  // starts over
  EXPECT_EQ(name.view(), u"Button 1");
}

TEST_F(HardwareButton, BindsTheNamedButtonAndDeliversItsHotKey) {
  Name(3, u"Scan");
  CHardwareButton().BindButton(m_window, CBstr(u"Scan (left side)"), false);
  ASSERT_EQ(HotKeysAfterPressing(195), 2u);
  EXPECT_EQ(g_hotKeys[0].first, 195u);
  EXPECT_EQ(g_hotKeys[1].second, MAKELPARAM(MOD_WIN | MOD_KEYUP, 195));
  EXPECT_EQ(HotKeysAfterPressing(194), 0u);  // other buttons stay the shell's
  CHardwareButton::UnbindAll(m_window);
  EXPECT_EQ(HotKeysAfterPressing(195), 0u) << "a window going away keeps no button";
}

TEST_F(HardwareButton, CaseMattersAndReleaseOnlyRegistersNothing) {
  Name(3, u"Scan");
  CHardwareButton button;
  button.BindButton(m_window, CBstr(u"scan"), false);
  EXPECT_EQ(HotKeysAfterPressing(195), 0u);
  EXPECT_FALSE(RegisterHotKey(m_window, 195, CHardwareButton::kModifiers, 195));  // still the shell's

  button.BindButton(m_window, CBstr(u"Scan"), true);
  EXPECT_EQ(HotKeysAfterPressing(195), 0u);
  EXPECT_TRUE(RegisterHotKey(m_window, 195, CHardwareButton::kModifiers, 195));  // let go by the shell
}

TEST_F(HardwareButton, EntriesBeyondTheEighthAreNeverBound) {
  Name(9, u"Ninth");
  CHardwareButton().BindButton(m_window, CBstr(u"Ninth"), false);
  for (UINT vk = 193; vk <= 201; ++vk) EXPECT_EQ(HotKeysAfterPressing(vk), 0u) << vk;
}

}  // namespace
