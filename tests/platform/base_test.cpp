// Base: code-page conversion, BSTR layout and ownership, local memory, GUID texts.
#include <cstring>

#include "platform/testing/DeviceFixture.h"

namespace {

using Base = platform::testing::DeviceTest;

TEST_F(Base, ConversionRoundTripsEveryPlaneAndCountsTheTerminatorWhenAsked) {
  const std::u16string text = u"Caf\x00e9 \x20ac \U0001F600 end";
  int bytes = WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  ASSERT_EQ(bytes, static_cast<int>(std::strlen("Caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80 end")) + 1);
  std::string narrow(bytes, '\0');
  ASSERT_EQ(WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, narrow.data(), bytes, nullptr, nullptr), bytes);
  int chars = MultiByteToWideChar(CP_ACP, 0, narrow.c_str(), -1, nullptr, 0);
  ASSERT_EQ(chars, static_cast<int>(text.size()) + 1);
  std::u16string back(chars, u'\0');
  ASSERT_EQ(MultiByteToWideChar(CP_UTF8, 0, narrow.c_str(), -1, back.data(), chars), chars);
  EXPECT_EQ(back.c_str(), text);

  char small[4];
  EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, small, sizeof small, nullptr, nullptr), 0);
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
}

TEST_F(Base, BrokenInputBecomesReplacementCharacters) {
  EXPECT_EQ(platform::ToUtf16("a\xff" "b\xc3"), u"a\xfffd" u"b\xfffd");
  EXPECT_EQ(platform::ToUtf16("\xc0\xaf"), u"\xfffd\xfffd") << "overlong forms are refused";
  EXPECT_EQ(platform::ToUtf8(std::u16string(1, char16_t(0xD800)) + u"x"), "\xef\xbf\xbdx");
}

TEST_F(Base, StrictUtf8KeepsEveryWellFormedTextAndRefusesHalfPairs) {
  std::string out = "old";
  ASSERT_TRUE(platform::ToUtf8Strict(std::u16string(u"a\0\u00e9\u65e5\U0001F600z", 7), out));
  EXPECT_EQ(out, std::string("a\0\xc3\xa9\xe6\x97\xa5\xf0\x9f\x98\x80z", 12));
  EXPECT_EQ(platform::ToUtf16(out), std::u16string(u"a\0\u00e9\u65e5\U0001F600z", 7));
  ASSERT_TRUE(platform::ToUtf8Strict(u"", out));
  EXPECT_EQ(out, "");
  std::u16string longText = std::u16string(3000, u'\u00e9') + u"\U0001F600" + std::u16string(2000, u'x');
  ASSERT_TRUE(platform::ToUtf8Strict(longText, out));
  EXPECT_EQ(out.size(), 6000u + 4u + 2000u);
  EXPECT_EQ(platform::ToUtf16(out), longText);
  for (std::u16string half : {u"\xD83D", u"x\xDE00", u"\xD83Dx", u"\xDE00\xD83D"})
    EXPECT_FALSE(platform::ToUtf8Strict(half, out)) << half.size();
}

TEST_F(Base, BstrKeepsItsByteLengthAndEmbeddedNulls) {
  const WCHAR withNull[] = {u'a', 0, u'b'};
  BSTR s = SysAllocStringLen(withNull, 3);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(SysStringLen(s), 3u);
  EXPECT_EQ(SysStringByteLen(s), 6u);
  EXPECT_EQ(s[3], 0) << "terminated after its length";
  DWORD prefix;
  std::memcpy(&prefix, reinterpret_cast<BYTE*>(s) - 4, 4);
  EXPECT_EQ(prefix, 6u);
  SysFreeString(s);
  EXPECT_EQ(SysAllocString(nullptr), nullptr);
  EXPECT_EQ(SysStringLen(nullptr), 0u);

  CBstr copy(std::u16string_view(withNull, 3));
  CBstr second = copy;
  EXPECT_EQ(second.Length(), 3u);
  EXPECT_EQ(second, copy);
  EXPECT_TRUE(CBstr().IsNull());
  EXPECT_EQ(CBstr().view(), u"");
}

TEST_F(Base, AFailedTextAllocationRaisesOutOfMemory) {
  platform::InjectFault(platform::Fault::TextAllocation);
  EXPECT_EQ(SysAllocString(u"x"), nullptr);
  platform::InjectFault(platform::Fault::TextAllocation);
  try {
    CBstr fails(u"text");
    FAIL() << "no exception";
  } catch (const platform::HResultError& e) {
    EXPECT_EQ(e.Code(), E_OUTOFMEMORY);
  }
}

// Faults armed one after another each fire when their turn comes, however the others
// were spent or re-armed, and none fires once they are cleared.
TEST_F(Base, InjectedFaultsFireInTurnAndStopWhenCleared) {
  platform::InjectFault(platform::Fault::Allocation, 1, 1);
  platform::InjectFault(platform::Fault::TextAllocation, 0, 1);
  platform::InjectFault(platform::Fault::TextAllocation, 0, 1);  // re-armed, still one
  EXPECT_EQ(SysAllocString(u"x"), nullptr);
  BSTR kept = SysAllocString(u"y");
  EXPECT_NE(kept, nullptr);
  SysFreeString(kept);
  HLOCAL first = LocalAlloc(LMEM_FIXED, 8);
  EXPECT_NE(first, nullptr);
  EXPECT_EQ(LocalAlloc(LMEM_FIXED, 8), nullptr);
  LocalFree(first);
  platform::InjectFault(platform::Fault::Allocation, 0, 5);
  platform::ClearFaults();
  HLOCAL after = LocalAlloc(LMEM_FIXED, 8);
  EXPECT_NE(after, nullptr);
  LocalFree(after);
}

TEST_F(Base, LocalReAllocZeroFillsGrowthAndKeepsTheOldBlockOnFailure) {
  auto* p = static_cast<BYTE*>(LocalAlloc(LHND, 4));
  ASSERT_NE(p, nullptr);
  std::memset(p, 0xAB, 4);
  platform::InjectFault(platform::Fault::Allocation);
  EXPECT_EQ(LocalReAlloc(p, 64, LMEM_MOVEABLE | LMEM_ZEROINIT), nullptr);
  EXPECT_EQ(p[3], 0xAB);
  p = static_cast<BYTE*>(LocalReAlloc(p, 64, LMEM_MOVEABLE | LMEM_ZEROINIT));
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(LocalSize(p), 64u);
  EXPECT_EQ(p[3], 0xAB);
  EXPECT_EQ(p[63], 0);
  LocalFree(p);
}

TEST_F(Base, LocalMemoryRefusesSizesNoBlockCanHold) {
  for (SIZE_T bytes : {SIZE_MAX, SIZE_MAX - 8}) {
    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(LocalAlloc(LPTR, bytes), nullptr) << bytes;
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
  }
  auto* p = static_cast<BYTE*>(LocalAlloc(LPTR, 4));
  ASSERT_NE(p, nullptr);
  p[0] = 0x5A;
  EXPECT_EQ(LocalReAlloc(p, SIZE_MAX - 4, LMEM_MOVEABLE | LMEM_ZEROINIT), nullptr);
  EXPECT_EQ(LocalSize(p), 4u);
  EXPECT_EQ(p[0], 0x5A);
  LocalFree(p);
}

TEST_F(Base, GuidTextsAreUpperCaseBracedAndParseBack) {
  GUID g;
  g.Data1 = 0x1234abcd;
  g.Data2 = 0xef01;
  g.Data3 = 0x0203;
  const BYTE tail[8] = {0xa0, 0xb1, 0xc2, 0xd3, 0xe4, 0xf5, 0x06, 0x17};
  std::memcpy(g.Data4, tail, 8);
  WCHAR text[39];
  EXPECT_EQ(StringFromGUID2(g, text, 38), 0) << "needs room for the null";
  ASSERT_EQ(StringFromGUID2(g, text, 39), 39);
  EXPECT_EQ(std::u16string(text), u"{1234ABCD-EF01-0203-A0B1-C2D3E4F50617}");
  GUID back;
  ASSERT_EQ(CLSIDFromString(text, &back), S_OK);
  EXPECT_TRUE(back == g);
  EXPECT_EQ(CLSIDFromString(u"{1234ABCD-EF01-0203-A0B1-C2D3E4F5061}", &back), E_INVALIDARG);

  GUID a, b;
  CoCreateGuid(&a);
  CoCreateGuid(&b);
  EXPECT_FALSE(a == b);
  EXPECT_EQ(a.Data3 >> 12, 4) << "random identifiers carry version 4";
}

TEST_F(Base, CaseFoldingCoversAccentedLatinGreekAndCyrillic) {
  EXPECT_TRUE(platform::EqualsIgnoreCase(u"\x00e9t\x00e9 \x0161 \x03b1 \x0434", u"\x00c9T\x00c9 \x0160 \x0391 \x0414"));
  EXPECT_FALSE(platform::EqualsIgnoreCase(u"\x00d7", u"\x00f7")) << "multiplication and division signs are not a pair";
  EXPECT_LT(platform::CompareIgnoreCase(u"alpha", u"BETA"), 0);
  EXPECT_EQ(platform::UpperCase(u'\x00ff'), u'\x0178');
  EXPECT_EQ(platform::LowerCase(u'\x0139'), u'\x013a');
}

}  // namespace
