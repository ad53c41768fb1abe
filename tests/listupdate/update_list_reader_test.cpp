// The update-list reader: loading (encodings, damaged and hostile files), the version
// check, OPTIONS, and the record walks.
#include <fstream>

#include "ListUpdateFixture.h"

namespace {

using listupdate_test::ListUpdateTest;
using UpdateListReader = ListUpdateTest;

// UTF-16LE bytes of a text, with or without the byte-order mark.
std::string Utf16Bytes(std::u16string_view text, bool bom) {
  std::string bytes = bom ? std::string("\xFF\xFE", 2) : std::string();
  for (char16_t c : text) bytes += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
  return bytes;
}

TEST_F(UpdateListReader, LoadsBothEncodingsAndRefusesDamagedOrHostileBytesSilently) {
  CUpdateListReader reader(nullptr);
  std::u16string doc = CUpdateListWriter().Text();
  for (bool bom : {true, false}) {
    std::string bytes = Utf16Bytes(doc, bom);
    EXPECT_EQ(reader.LoadBytes(bytes.data(), bytes.size()), 1);
    EXPECT_EQ(reader.CheckVersion(kUpdateListVersion), kVersionSame);
  }
  const std::u16string bad[] = {
      u"",
      doc.substr(0, doc.size() / 2),  // truncated
      u"<!DOCTYPE a [<!ENTITY x \"xx\"><!ENTITY y \"&x;&x;&x;\">]><VENDELSOFTWARE>&y;</VENDELSOFTWARE>",
      u"<!DOCTYPE a SYSTEM \"file:///etc/passwd\"><VENDELSOFTWARE/>",
  };
  for (const auto& text : bad) {
    std::string bytes = Utf16Bytes(text, true);
    EXPECT_EQ(reader.LoadBytes(bytes.data(), bytes.size()), 0);
    EXPECT_TRUE(reader.ParseFailed());
  }
  // A file read is left where it is (the job removes it), known as read even when it was
  // no update list; a missing one says so.
  std::ofstream(Linux(File(u"NWQItems.xml"))) << "garbage";
  EXPECT_EQ(reader.LoadFile(File(u"NWQItems.xml")), 0);
  ASSERT_TRUE(reader.LoadedFile());
  EXPECT_EQ(reader.LoadedFile()->size, 7u);
  ASSERT_TRUE(std::filesystem::remove(Linux(File(u"NWQItems.xml"))));
  boxes.Expect(u"Could not open file '" + File(u"NWQItems.xml") +
               u"'.  It may be too large or missing. Update has been aborted.")
      .Caption(u"Slateway");
  EXPECT_EQ(reader.LoadFile(File(u"NWQItems.xml")), 0);
  EXPECT_FALSE(reader.ParseFailed());
  EXPECT_FALSE(reader.LoadedFile());
  // Too large is said as such (no want of memory), and the file stays unread.
  std::ofstream(Linux(File(u"NWQItems.xml"))).close();
  std::filesystem::resize_file(Linux(File(u"NWQItems.xml")), 65u * 1024 * 1024);
  boxes.Expect(u"The update list " + File(u"NWQItems.xml") +
               u" is too large to be read (65 MB; an update list may hold at most 64 MB).  It was kept as it was: "
               u"send a smaller list from the desktop.")
      .Caption(u"Slateway");
  EXPECT_EQ(reader.LoadFile(File(u"NWQItems.xml")), 0);
  EXPECT_TRUE(std::filesystem::exists(Linux(File(u"NWQItems.xml"))));
}

TEST_F(UpdateListReader, VersionIsANumberAndIdentityAnywhere) {
  struct Case {
    std::u16string text;
    int expected;
  } cases[] = {
      {CUpdateListWriter(u"4.50").Text(), kVersionSame},
      {CUpdateListWriter(u"5").Text(), kVersionNewer},
      {CUpdateListWriter(u"4.1").Text(), kVersionOlder},
      {CUpdateListWriter(u"").Text(), kVersionOlder},
      {u"<X><DATABASE Version='4.5'/><Y><VENDELINVOICE/></Y><VENDELSOFTWARE/></X>", kVersionSame},
      {u"<VENDELSOFTWARE><DATABASE Version='4.5'/></VENDELSOFTWARE>", kVersionUnknown},
  };
  UseLocale(u"de-DE");  // "." groups thousands there; the version is still 4.5
  for (const auto& c : cases) {
    CUpdateListReader reader(nullptr);
    std::string bytes = Utf16Bytes(c.text, true);
    ASSERT_EQ(reader.LoadBytes(bytes.data(), bytes.size()), 1);
    EXPECT_EQ(reader.CheckVersion(kUpdateListVersion), c.expected) << platform::ToUtf8(c.text);
  }
}

TEST_F(UpdateListReader, OptionsTakeOnlyYesInAnyCase) {
  CUpdateListWriter file;
  file.Option("CLEAR_ITEM_LIST", u" yEs ");
  file.Option("CLEAR_CUSTOMER_LIST", u"Y");
  file.Option("OVERWRITE_ITEMS", u"TRUE");
  file.Option("RO_SIGNED", u"YES");
  std::string bytes = Utf16Bytes(file.Text(), true);
  CUpdateListReader reader(nullptr);
  ASSERT_EQ(reader.LoadBytes(bytes.data(), bytes.size()), 1);
  EXPECT_TRUE(reader.GetClearItemList());
  EXPECT_FALSE(reader.GetClearCustomerList());
  EXPECT_FALSE(reader.GetOverwriteItems());
  EXPECT_TRUE(reader.GetRoSigned());
  EXPECT_TRUE(reader.GetDisplayProductCosts());  // absent: its default
  EXPECT_TRUE(reader.GetOverwriteCustomers());
}

TEST_F(UpdateListReader, ItemsKeepTwoCustomFieldsAndGroupLinesOnlyForGroups) {
  std::u16string text =
      u"<R><ITEMTYPE LINEITEMS='true' ORDER='2'>Service</ITEMTYPE><ITEMTYPE ORDER='x'>Part</ITEMTYPE>"
      u"<ITEMTYPE>Stops</ITEMTYPE><ITEMTYPE LINEITEMS='true'>Never</ITEMTYPE>"
      u"<ITEM><LISTID> 1 </LISTID><TYPE>group</TYPE><GROUPITEMS><L><LISTID>9</LISTID></L></GROUPITEMS>"
      u"<CUSTOM><F><NAME>A</NAME><VALUE>a</VALUE></F> <F><NAME>B</NAME><VALUE>b</VALUE></F>"
      u"<F><NAME>C</NAME><VALUE>c</VALUE></F></CUSTOM></ITEM>"
      u"<ITEM><TYPE>Group</TYPE><GROUPITEMS> <L><LISTID>9</LISTID><QUANTITY>2</QUANTITY></L></GROUPITEMS></ITEM></R>";
  std::string bytes = Utf16Bytes(text, false);
  CUpdateListReader reader(nullptr);
  ASSERT_EQ(reader.LoadBytes(bytes.data(), bytes.size()), 1);
  std::u16string name;
  bool lineItems = false;
  int order = 0;
  ASSERT_EQ(reader.FirstItemType(name, lineItems, order), 1);
  EXPECT_TRUE(name == u"Service" && lineItems && order == 2);
  ASSERT_EQ(reader.NextItemType(name, lineItems, order), 1);
  EXPECT_TRUE(name == u"Part" && !lineItems && order == 0);
  EXPECT_EQ(reader.NextItemType(name, lineItems, order), 0);  // no attribute ends the types

  UpdateItemRecord item;
  std::u16string id, full, quantity;
  ASSERT_EQ(reader.FirstItem(item), 1);
  EXPECT_EQ(item[kUpdListID], u"1");
  EXPECT_EQ(item[kUpdCustom2Name] + item[kUpdCustom2Value], u"Bb");
  EXPECT_EQ(reader.FirstGroupLine(id, full, quantity), 0);  // "group" is no group
  ASSERT_EQ(reader.NextItem(item), 1);
  EXPECT_TRUE(item[kUpdListID].empty() && item[kUpdCustom1Name].empty());
  ASSERT_EQ(reader.FirstGroupLine(id, full, quantity), 1);
  EXPECT_EQ(id + quantity, u"92");
  EXPECT_EQ(reader.NextGroupLine(id, full, quantity), 0);
  EXPECT_EQ(reader.NextItem(item), 0);
}

}  // namespace

namespace {

// Texts keep every character (beyond ASCII, beyond the first plane, escaped, in CDATA), an
// element's text is its own text, however it is split by children, followed by theirs,
// and a file with half a surrogate pair is no text at all.
TEST_F(UpdateListReader, TextsKeepEveryCharacterInTheirOrderAndHalfPairsAreRefused) {
  std::u16string text =
      u"<R><N>\u00e9\u65e5\u672c \U0001F600 O&apos;Hara &amp; <![CDATA[<b>]]></N>"
      u"<M><N> own <C>child</C>more <C>two</C> end </N></M></R>";
  std::string bytes = Utf16Bytes(text, true);
  CUpdateListReader reader(nullptr);
  ASSERT_EQ(reader.LoadBytes(bytes.data(), bytes.size()), 1);
  ASSERT_EQ(reader.FirstRecord(u"R"), 1);
  EXPECT_EQ(reader.RecordText("N"), u"\u00e9\u65e5\u672c \U0001F600 O'Hara & <b>");
  ASSERT_EQ(reader.FirstRecord(u"M"), 1);
  EXPECT_EQ(reader.RecordText("N"), u"own more  end childtwo");
  for (std::u16string half : {u"<R>\xD83D</R>", u"<R>\xDE00 </R>", u"<R>a\xD83D"}) {
    bytes = Utf16Bytes(half, false);
    EXPECT_EQ(reader.LoadBytes(bytes.data(), bytes.size()), 0);
    EXPECT_TRUE(reader.ParseFailed());
  }
}

}  // namespace
