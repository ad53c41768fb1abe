// wsprintfW and the typed, bounded formatter.
//
// Groups:
//   Wsprintf.*     the conversions the program uses, table-driven, and the output limit
//   FormatWide.*   typed arguments: missing or mismatched arguments, cutting
#include <gtest/gtest.h>

#include <string>

#include "platform/base/Base.h"
#include "platform/base/Format.h"

namespace {

std::string Utf8(const std::u16string& text) { return platform::ToUtf8(text); }

template <typename... Args>
std::u16string Sprintf(LPCWSTR format, Args... args) {
  WCHAR buffer[1025];
  int length = wsprintfW(buffer, format, args...);
  EXPECT_EQ(buffer[length], u'\0');
  return std::u16string(buffer, static_cast<size_t>(length));
}

TEST(Wsprintf, ConvertsTextsAndNumbers) {
  EXPECT_EQ(Utf8(Sprintf(u"Error updating %s.", u"Acme Ltd")), "Error updating Acme Ltd.");
  EXPECT_EQ(Utf8(Sprintf(u"%d|%i|%ld", -42, 7, LONG{-2147483647 - 1})), "-42|7|-2147483648");
  EXPECT_EQ(Utf8(Sprintf(u"%u|%lu", DWORD{4294967295u}, DWORD{0})), "4294967295|0");
  EXPECT_EQ(Utf8(Sprintf(u"%x|%lx|%X", 255, DWORD{0x80070057u}, 0xABCu)), "ff|80070057|ABC");
  EXPECT_EQ(Utf8(Sprintf(u"%02x%02x%02x", 0, 10, 255)), "000aff");
  EXPECT_EQ(Utf8(Sprintf(u"100%% sure")), "100% sure");
  EXPECT_EQ(Utf8(Sprintf(u"CEMAPI: FAILED(%x) at %hs:%d\n", 0x80004005u, "VOMAPI", 12)),
            "CEMAPI: FAILED(80004005) at VOMAPI:12\n");
  EXPECT_EQ(Utf8(Sprintf(u"%hs", "Z\xC3\xBCrich")), "Z\xC3\xBCrich") << "narrow texts are UTF-8";
  EXPECT_EQ(Utf8(Sprintf(u"%ls and %S", u"wide", "narrow")), "wide and narrow");
  EXPECT_EQ(Utf8(Sprintf(u"[%c%hc]", u'w', 'n')), "[wn]");
  EXPECT_EQ(Utf8(Sprintf(u"%I64d|%I64u", -5LL, 18446744073709551615ULL)), "-5|18446744073709551615");
}

TEST(Wsprintf, HonoursWidthPrecisionAndFlags) {
  struct Case {
    LPCWSTR format;
    int value;
    const char* expected;
  } cases[] = {
      {u"[%5d]", 42, "[   42]"},   {u"[%-5d]", 42, "[42   ]"}, {u"[%05d]", -42, "[-0042]"},
      {u"[%+d]", 42, "[+42]"},     {u"[% d]", 42, "[ 42]"},    {u"[%.4d]", 42, "[0042]"},
      {u"[%#x]", 255, "[0xff]"},   {u"[%1d]", 12345, "[12345]"}, {u"[%hd]", 70000, "[4464]"},
  };
  for (const Case& c : cases) EXPECT_EQ(Utf8(Sprintf(c.format, c.value)), c.expected) << Utf8(c.format);
  EXPECT_EQ(Utf8(Sprintf(u"[%.3s][%6s][%-6s]", u"abcdef", u"ab", u"ab")), "[abc][    ab][ab    ]");
}

TEST(Wsprintf, UnknownConversionsAndNullTextsStayVisible) {
  EXPECT_EQ(Utf8(Sprintf(u"%s", static_cast<LPCWSTR>(nullptr))), "(null)");
  EXPECT_EQ(Utf8(Sprintf(u"%f and %q", 1)), "%f and %q");
  EXPECT_EQ(Utf8(Sprintf(u"ends with %")), "ends with %");
}

TEST(Wsprintf, NeverWritesPastA1024CharacterBuffer) {
  std::u16string longText(2000, u'a');
  WCHAR buffer[1025];
  buffer[1024] = u'x';
  EXPECT_EQ(wsprintfW(buffer, u"%s!", longText.c_str()), 1023);
  EXPECT_EQ(buffer[1023], u'\0');
  EXPECT_EQ(buffer[1022], u'a');
  EXPECT_EQ(buffer[1024], u'x');
}

TEST(FormatWide, MissingOrMismatchedArgumentsPrintNothing) {
  // A format from outside asks for more than the caller gives: nothing is read past the
  // arguments.
  EXPECT_EQ(Utf8(platform::FormatWide(u"%s, %s and %d", {u"one"})), "one,  and ");
  // A number where a text is asked for prints nothing; a text where a number is, 0.
  EXPECT_EQ(Utf8(platform::FormatWide(u"[%s][%d]", {5, u"text"})), "[][0]");
  EXPECT_EQ(Utf8(platform::FormatWide(u"%ld-%lu-%x", {DWORD{5}, DWORD{6}, 255})), "5-6-ff");
  std::u16string owned = u"owned";
  EXPECT_EQ(Utf8(platform::FormatWide(u"%s %hs", {owned, "narrow"})), "owned narrow");
}

TEST(FormatWide, CutsAtTheLimitWithoutSplittingPairs) {
  EXPECT_EQ(Utf8(platform::FormatWide(u"Error updating %s.", {u"A long customer name"}, 20)),
            "Error updating A lon");
  // U+1F600 is a surrogate pair; a cut through it drops the lone high half.
  std::u16string emoji = u"ab\U0001F600";
  EXPECT_EQ(platform::FormatWide(u"%s", {emoji}, 3), u"ab");
  EXPECT_EQ(platform::FormatWide(u"%s", {emoji}, 4), emoji);

  WCHAR buffer[6];
  EXPECT_EQ(platform::FormatWideInto(buffer, 6, u"%d%d", {123, 456}), 5);
  EXPECT_EQ(std::u16string(buffer), u"12345");
}

}  // namespace
