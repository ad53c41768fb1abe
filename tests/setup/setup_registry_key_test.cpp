// CSetupRegistryKey and the Preferences helpers: texts stored with their terminator and
// read whole however long, empty texts, defaults written back only for missing values, and
// a key that cannot be opened.
#include <string>

#include "tests/setup/SetupFixture.h"

namespace {

using SetupRegistryKey = setup_test::SetupTest;

TEST_F(SetupRegistryKey, StoresTextsWithTheirTerminatorAndReadsThemWhole) {
  CSetupRegistryKey key;
  ASSERT_TRUE(key.SetString(u"Name", u"abc"));
  HKEY raw = nullptr;
  DWORD size = 0;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, kSetupRootKey, 0, KEY_READ, &raw), ERROR_SUCCESS);
  EXPECT_EQ(RegQueryValueExW(raw, u"Name", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
  RegCloseKey(raw);
  EXPECT_EQ(size, 8u) << "three characters and the null";

  ASSERT_TRUE(key.SetString(u"Longest", std::u16string(259, u'x')));
  ASSERT_TRUE(key.SetString(u"TooLong", std::u16string(260, u'x')));
  ASSERT_TRUE(key.SetString(u"Empty", u""));
  std::u16string text = u"default";
  EXPECT_TRUE(key.GetString(u"Empty", text));
  EXPECT_EQ(text, u"default");
  EXPECT_TRUE(key.GetString(u"Longest", text));
  EXPECT_EQ(text.size(), 259u);
  EXPECT_TRUE(key.GetString(u"TooLong", text));
  EXPECT_EQ(text, std::u16string(260, u'x'));
  EXPECT_FALSE(key.GetString(u"Missing", text));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));

  // A missing preference gets its default written back (a long stored one: SetupSteps).
  EXPECT_EQ(GetPreferenceString(*OpenPreferencesKey(), pref::kImagePath, text), 0);
  EXPECT_EQ(Preference(u"ImagePath"), text);
}

TEST_F(SetupRegistryKey, KeyThatCannotBeOpenedFailsEveryCall) {
  std::u16string deep = u"Software";
  for (int i = 0; i < 40; ++i) deep += u"\\Level";
  CSetupRegistryKey key(HKEY_CURRENT_USER, deep.c_str());
  std::u16string text;
  EXPECT_FALSE(key.SetString(u"B", u"b"));
  EXPECT_FALSE(key.GetString(u"B", text));
}

}  // namespace
