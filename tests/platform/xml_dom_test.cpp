// XML DOM and XSL transformation.
//   XmlDomLoad.*       loading texts, bytes and files; parse errors with reason and line;
//                      damaged and hostile inputs (no entity, DTD or network is fetched)
//   XmlDomTree.*       selecting, walking, creating, inserting, moving and removing nodes;
//                      attributes and texts; handles on removed nodes
//   XmlDomSave.*       serialisation and atomic saving
//   XmlDomTransform.*  stylesheets to text; stylesheets that try to reach files
#include <filesystem>
#include <string>

#include "platform/testing/DeviceFixture.h"
#include "platform/xml/XmlDom.h"

namespace {

using platform::testing::DeviceTest;

std::u16string Text(const CXmlDomNode& node) {
  CBstr t;
  EXPECT_EQ(node.get_text(&t), S_OK);
  return t.str();
}

std::u16string Name(const CXmlDomNode& node) {
  CBstr t;
  EXPECT_EQ(node.get_nodeName(&t), S_OK);
  return t.str();
}

std::u16string Xml(const CXmlDomDocument& doc) {
  CBstr t;
  EXPECT_EQ(doc.get_xml(&t), S_OK);
  return t.str();
}

LONG Length(const CXmlDomNodeList& list) {
  LONG n = -1;
  EXPECT_EQ(list.get_length(&n), S_OK);
  return n;
}

CXmlDomNode Select(const CXmlDomNode& from, std::u16string_view query) {
  CXmlDomNode n;
  from.selectSingleNode(query, &n);
  return n;
}

class XmlDomLoad : public DeviceTest {};
class XmlDomTree : public DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    ASSERT_EQ(doc.loadXML(u"<?xml version=\"1.0\"?><DOC ID=\"7\"><A>one</A><B><A>two</A><C x=\"1\"/></B><A>three</A></DOC>"),
              S_OK);
    ASSERT_EQ(doc.get_documentElement(&root), S_OK);
  }
  CXmlDomDocument doc;
  CXmlDomNode root;
};
class XmlDomSave : public DeviceTest {};
class XmlDomTransform : public DeviceTest {};

// ---- Loading -------------------------------------------------------------------------------

TEST_F(XmlDomLoad, AcceptsTextWithOrWithoutDeclarationAndKeepsNonAsciiText) {
  CXmlDomDocument doc;
  EXPECT_EQ(doc.loadXML(u"<R>caf\u00e9 \u20ac \U0001F600</R>"), S_OK);
  EXPECT_EQ(doc.get_parseError().errorCode, 0);
  EXPECT_EQ(Text(doc), u"caf\u00e9 \u20ac \U0001F600");
  // A declared single-byte encoding does not apply to a text that is already decoded.
  EXPECT_EQ(doc.loadXML(u"<?xml version=\"1.0\" encoding=\"windows-1252\"?><R>\u00e9\u20ac</R>"), S_OK);
  EXPECT_EQ(Text(doc), u"\u00e9\u20ac");
}

TEST_F(XmlDomLoad, BytesHonourTheDeclaredEncodingAndDefaultToUtf8) {
  CXmlDomDocument doc;
  EXPECT_EQ(doc.loadBytes("<?xml version=\"1.0\" encoding=\"windows-1252\"?><R>\xe9\x80</R>"), S_OK);
  EXPECT_EQ(Text(doc), u"\u00e9\u20ac");
  EXPECT_EQ(doc.loadBytes("<?xml version=\"1.0\"?><R>\xc3\xa9</R>"), S_OK);
  EXPECT_EQ(Text(doc), u"\u00e9");
  EXPECT_EQ(doc.loadBytes("\xef\xbb\xbf<R>x</R>"), S_OK) << "a UTF-8 byte-order mark";
}

struct DamagedCase {
  const char* what;
  std::string bytes;
};

TEST_F(XmlDomLoad, DamagedInputGivesAParseErrorWithReasonAndLineAndAnEmptyDocument) {
  const DamagedCase cases[] = {
      {"empty", ""},
      {"truncated", "<?xml version=\"1.0\"?>\n<DOC>\n<A>one</A>\n<B>"},
      {"not XML", "Hello, this is a plain letter.\n"},
      {"two roots", "<A/><B/>"},
      {"bad entity", "<R>&nope;</R>"},
      {"binary", std::string("\x00\x01\x02\xff\xfe<R>", 8)},
      {"unclosed attribute", "<R a=\"x></R>"},
      {"declaration only", "<?xml version=\"1.0\"?>"},
      {"broken UTF-8", "<R>\xc3</R>"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    CXmlDomDocument doc;
    ASSERT_EQ(doc.loadXML(u"<OLD/>"), S_OK);
    EXPECT_EQ(doc.loadBytes(c.bytes), S_FALSE);
    EXPECT_NE(doc.get_parseError().errorCode, 0);
    EXPECT_FALSE(doc.get_parseError().reason.empty());
    EXPECT_GE(doc.get_parseError().line, 1);
    CXmlDomNode root;
    EXPECT_EQ(doc.get_documentElement(&root), S_FALSE);
    EXPECT_EQ(Xml(doc), u"");
  }
  CXmlDomDocument doc;
  EXPECT_EQ(doc.loadBytes("<?xml version=\"1.0\"?>\n<DOC>\n<A>one</A>\n<B></C>\n</DOC>"), S_FALSE);
  EXPECT_EQ(doc.get_parseError().line, 4) << "the line of the mismatched end tag";
}

TEST_F(XmlDomLoad, HugeAttributeIsRefusedCleanlyAndALargeOneReadsWhole) {
  std::string big(20 * 1024 * 1024, 'x');
  CXmlDomDocument doc;
  HRESULT hr = doc.loadBytes("<R a=\"" + big + "\"/>");
  // Without the huge-document switch the library refuses values above its limit.
  EXPECT_EQ(hr, S_FALSE);
  EXPECT_FALSE(doc.get_parseError().reason.empty());
  std::string ok(100 * 1000, 'y');
  ASSERT_EQ(doc.loadBytes("<R a=\"" + ok + "\"/>"), S_OK);
  CXmlDomNode root;
  doc.get_documentElement(&root);
  CBstr value;
  EXPECT_EQ(root.getAttribute(u"a", &value), S_OK);
  EXPECT_EQ(value.Length(), ok.size());
}

TEST_F(XmlDomLoad, ExternalEntitiesAndDtdsAreNeitherFetchedNorExpanded) {
  WriteText(u"\\secret.txt", "TOPSECRET");
  WriteText(u"\\evil.dtd", "<!ENTITY leak \"TOPSECRET-FROM-DTD\">");
  std::string secret = (Root() / "secret.txt").string();
  std::string dtd = (Root() / "evil.dtd").string();
  const std::string inputs[] = {
      "<?xml version=\"1.0\"?><!DOCTYPE R [<!ENTITY x SYSTEM \"file://" + secret + "\">]><R>&x;</R>",
      "<?xml version=\"1.0\"?><!DOCTYPE R [<!ENTITY x SYSTEM \"" + secret + "\">]><R>&x;</R>",
      "<?xml version=\"1.0\"?><!DOCTYPE R SYSTEM \"file://" + dtd + "\"><R>&leak;</R>",
      "<?xml version=\"1.0\"?><!DOCTYPE R [<!ENTITY % p SYSTEM \"file://" + dtd + "\"> %p;]><R>&leak;</R>",
      "<?xml version=\"1.0\"?><!DOCTYPE R [<!ENTITY x SYSTEM \"http://127.0.0.1:9/x\">]><R>&x;</R>",
  };
  for (const auto& input : inputs) {
    SCOPED_TRACE(input);
    CXmlDomDocument doc;
    // The document loads, each outside reference reading as nothing, and what is written
    // back loads again.
    ASSERT_EQ(doc.loadBytes(input), S_OK);
    EXPECT_EQ(Xml(doc).find(u"TOPSECRET"), std::u16string::npos);
    EXPECT_EQ(Text(doc), u"");
    std::string saved;
    ASSERT_EQ(doc.GetXmlBytes(&saved), S_OK);
    CXmlDomDocument again;
    EXPECT_EQ(again.loadBytes(saved), S_OK) << saved;
  }
}

TEST_F(XmlDomLoad, NestedEntityExpansionDoesNotBlowUp) {
  std::string laughs = "<?xml version=\"1.0\"?><!DOCTYPE R [<!ENTITY a \"aaaaaaaaaa\">";
  char prev = 'a';
  for (char c = 'b'; c <= 'k'; ++c) {
    laughs += std::string("<!ENTITY ") + c + " \"";
    for (int i = 0; i < 10; ++i) laughs += std::string("&") + prev + ";";
    laughs += "\">";
    prev = c;
  }
  laughs += "]><R>&k;</R>";
  // One large entity used many times grows as fast without any nesting.
  std::string wide = "<?xml version=\"1.0\"?><!DOCTYPE R [<!ENTITY a \"" + std::string(50000, 'a') + "\">]><R>";
  for (int i = 0; i < 50000; ++i) wide += "&a;";
  wide += "</R>";
  for (const std::string& input : {laughs, wide}) {
    CXmlDomDocument doc;
    if (doc.loadBytes(input) == S_OK) {
      EXPECT_LT(Text(doc).size(), 20u * 1000 * 1000);
    } else {
      EXPECT_FALSE(doc.get_parseError().reason.empty());
    }
  }
}

TEST_F(XmlDomLoad, FileLoadReadsDeviceFilesAndReportsMissingOnes) {
  WriteText(u"\\My Documents\\a.xml", "<?xml version=\"1.0\"?><R>file</R>");
  CXmlDomDocument doc;
  EXPECT_EQ(doc.load(u"\\my documents\\A.XML"), S_OK);
  EXPECT_EQ(Text(doc), u"file");
  EXPECT_EQ(doc.load(u"\\My Documents\\missing.xml"), S_FALSE);
  EXPECT_EQ(doc.get_parseError().errorCode, HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(platform::OpenKernelHandleCount(), 0);
}

TEST_F(XmlDomLoad, WhitespaceBetweenElementsIsDroppedUnlessAskedToKeep) {
  const char16_t* text = u"<R>\n  <A> </A>\n  <B>x</B>\n</R>";
  CXmlDomDocument doc;
  ASSERT_EQ(doc.loadXML(text), S_OK);
  CXmlDomNode root;
  doc.get_documentElement(&root);
  CXmlDomNodeList children;
  root.get_childNodes(&children);
  EXPECT_EQ(Length(children), 2);
  EXPECT_EQ(Text(Select(root, u"A")), u" ") << "a value of blanks is data";
  doc.put_preserveWhiteSpace(true);
  ASSERT_EQ(doc.loadXML(text), S_OK);
  doc.get_documentElement(&root);
  root.get_childNodes(&children);
  EXPECT_EQ(Length(children), 5);
}

// ---- The tree --------------------------------------------------------------------------------

TEST_F(XmlDomTree, ElementsByTagNameComeInDocumentOrder) {
  CXmlDomNodeList list;
  ASSERT_EQ(doc.getElementsByTagName(u"A", &list), S_OK);
  ASSERT_EQ(Length(list), 3);
  CXmlDomNode n;
  const char16_t* expected[] = {u"one", u"two", u"three"};
  for (const char16_t* e : expected) {
    ASSERT_EQ(list.nextNode(&n), S_OK);
    EXPECT_EQ(Text(n), e);
  }
  EXPECT_EQ(list.nextNode(&n), S_FALSE);
  EXPECT_TRUE(n.IsNull());
  EXPECT_EQ(list.get_item(3, &n), S_FALSE);
  EXPECT_EQ(list.get_item(-1, &n), S_FALSE);
  list.reset();
  EXPECT_EQ(list.nextNode(&n), S_OK);
  EXPECT_EQ(doc.getElementsByTagName(u"DOC", &list), S_OK);
  EXPECT_EQ(Length(list), 1) << "from the document the root counts";
  EXPECT_EQ(doc.getElementsByTagName(u"a", &list), S_OK);
  EXPECT_EQ(Length(list), 0) << "names compare exactly";
  EXPECT_EQ(doc.getElementsByTagName(u"*", &list), S_OK);
  EXPECT_EQ(Length(list), 6);
}

TEST_F(XmlDomTree, ElementsByTagNameMatchPrefixedAndNonLatinNamesWhole) {
  ASSERT_EQ(doc.loadXML(u"<?xml version=\"1.0\"?><DOC xmlns:q=\"urn:q\"><q:A/><A/><qq:A xmlns:qq=\"urn:qq\"/>"
                        u"<Ærø/><Ærøx/></DOC>"),
            S_OK);
  CXmlDomNodeList list;
  const std::pair<std::u16string, int> cases[] = {
      {u"q:A", 1}, {u"A", 1}, {u"qq:A", 1}, {u"q:", 0}, {u":A", 0}, {u"Ærø", 1}, {std::u16string(u"\xD800"), 0}};
  for (const auto& [tag, count] : cases) {
    ASSERT_EQ(doc.getElementsByTagName(tag, &list), S_OK);
    EXPECT_EQ(Length(list), count) << platform::ToUtf8(tag);
  }
}

TEST_F(XmlDomTree, XPathSelectsChildrenPathsAndAttributes) {
  EXPECT_EQ(Text(Select(root, u"A")), u"one");
  EXPECT_EQ(Text(Select(root, u"B/A")), u"two");
  EXPECT_EQ(Text(Select(doc, u"(//A)[last()]")), u"three");
  EXPECT_EQ(Text(Select(root, u"@ID")), u"7");
  EXPECT_EQ(Name(Select(doc, u"/DOC/B/C")), u"C");
  CXmlDomNode none;
  EXPECT_EQ(root.selectSingleNode(u"MISSING", &none), S_FALSE);
  EXPECT_TRUE(none.IsNull());
  CXmlDomNodeList list;
  EXPECT_EQ(root.selectNodes(u"//A", &list), S_OK);
  EXPECT_EQ(Length(list), 3);
  for (const char16_t* bad : {u"", u"((", u"A[", u"count(A)", u"///"}) {
    SCOPED_TRACE(std::string(bad, bad + std::char_traits<char16_t>::length(bad)));
    EXPECT_EQ(root.selectSingleNode(bad, &none), E_FAIL);
  }
}

TEST_F(XmlDomTree, AttributesReadWriteAndRemove) {
  CBstr value;
  EXPECT_EQ(root.getAttribute(u"ID", &value), S_OK);
  EXPECT_EQ(value.str(), u"7");
  EXPECT_EQ(root.getAttribute(u"NOPE", &value), S_FALSE);
  EXPECT_TRUE(value.IsNull());
  EXPECT_EQ(root.setAttribute(u"NOTES", u"a & b <br> \"c\""), S_OK);
  EXPECT_EQ(root.getAttribute(u"NOTES", &value), S_OK);
  EXPECT_EQ(value.str(), u"a & b <br> \"c\"") << "values are stored as text, not parsed";
  EXPECT_EQ(root.setAttribute(u"ID", u""), S_OK);
  EXPECT_EQ(root.getAttribute(u"ID", &value), S_OK);
  EXPECT_TRUE(!value.IsNull() && value.IsEmpty());
  EXPECT_EQ(root.setAttribute(u"1bad name", u"x"), E_INVALIDARG);
  CXmlDomNamedNodeMap map;
  ASSERT_EQ(root.get_attributes(&map), S_OK);
  LONG n = 0;
  map.get_length(&n);
  EXPECT_EQ(n, 2);
  CXmlDomNode attr;
  EXPECT_EQ(map.getNamedItem(u"NOTES", &attr), S_OK);
  EXPECT_EQ(root.removeAttribute(u"NOTES"), S_OK);
  EXPECT_EQ(root.removeAttribute(u"NOTES"), S_FALSE);
  EXPECT_EQ(Text(attr), u"a & b <br> \"c\"") << "a removed attribute stays readable";
  EXPECT_EQ(root.getAttribute(u"NOTES", &value), S_FALSE);
  CXmlDomDocument reread;
  ASSERT_EQ(reread.loadXML(Xml(doc)), S_OK);
  EXPECT_EQ(Xml(reread), Xml(doc));
}

TEST_F(XmlDomTree, CreateAppendInsertAndRemoveBuildTheExpectedTree) {
  CXmlDomNode line, text, first;
  ASSERT_EQ(doc.createElement(u"LINEITEM", &line), S_OK);
  ASSERT_EQ(doc.createTextNode(u"x < y & z", &text), S_OK);
  ASSERT_EQ(line.appendChild(text), S_OK);
  ASSERT_EQ(root.appendChild(line), S_OK);
  first = Select(root, u"A");
  CXmlDomNode before;
  ASSERT_EQ(doc.createElement(u"FIRST", &before), S_OK);
  ASSERT_EQ(root.insertBefore(before, first), S_OK);
  CXmlDomNodeList children;
  root.get_childNodes(&children);
  std::u16string names;
  for (CXmlDomNode c; children.nextNode(&c) == S_OK;) names += Name(c) + u",";
  EXPECT_EQ(names, u"FIRST,A,B,A,LINEITEM,");
  EXPECT_EQ(Text(Select(root, u"LINEITEM")), u"x < y & z");
  // Adjacent text nodes stay separate nodes (no merge frees a node behind a handle).
  CXmlDomNode more;
  doc.createTextNode(u"!", &more);
  ASSERT_EQ(line.appendChild(more), S_OK);
  EXPECT_EQ(Text(text), u"x < y & z");
  EXPECT_EQ(Text(line), u"x < y & z!");
  // Moving: appending a node that is in the tree moves it.
  ASSERT_EQ(root.appendChild(first), S_OK);
  root.get_childNodes(&children);
  names.clear();
  for (CXmlDomNode c; children.nextNode(&c) == S_OK;) names += Name(c) + u",";
  EXPECT_EQ(names, u"FIRST,B,A,LINEITEM,A,");
  // Removing keeps the node usable and insertable.
  CXmlDomNode removed;
  ASSERT_EQ(root.removeChild(line, &removed), S_OK);
  EXPECT_EQ(removed, line);
  EXPECT_EQ(Text(removed), u"x < y & z!");
  CXmlDomNode parent;
  EXPECT_EQ(removed.get_parentNode(&parent), S_FALSE);
  EXPECT_EQ(root.removeChild(line), E_INVALIDARG) << "no longer a child";
  ASSERT_EQ(root.insertBefore(line, Select(root, u"B")), S_OK);
  EXPECT_EQ(Name(Select(root, u"*[2]")), u"LINEITEM");
}

TEST_F(XmlDomTree, RefusesCyclesForeignNodesAndASecondRoot) {
  CXmlDomNode b = Select(root, u"B"), c = Select(root, u"B/C");
  EXPECT_EQ(c.appendChild(b), E_FAIL) << "a node cannot go below its own descendant";
  EXPECT_EQ(b.appendChild(b), E_FAIL);
  CXmlDomDocument other;
  CXmlDomNode foreign;
  other.createElement(u"X", &foreign);
  EXPECT_EQ(root.appendChild(foreign), E_INVALIDARG);
  CXmlDomNode second;
  doc.createElement(u"SECOND", &second);
  EXPECT_EQ(doc.appendChild(second), E_FAIL);
  CXmlDomNode text;
  doc.createTextNode(u"t", &text);
  EXPECT_EQ(doc.appendChild(text), E_FAIL);
  EXPECT_EQ(text.appendChild(second), E_FAIL) << "a text node holds no children";
  EXPECT_EQ(doc.createElement(u"bad name", &second), E_INVALIDARG);
  EXPECT_EQ(doc.createElement(u"", &second), E_INVALIDARG);
  CXmlDomNode null;
  EXPECT_EQ(null.get_text(nullptr), E_POINTER);
  CBstr t;
  EXPECT_EQ(null.get_text(&t), E_POINTER);
  EXPECT_EQ(root.appendChild(null), E_POINTER);
}

TEST_F(XmlDomTree, NewDocumentTakesItsRootFromAppendChild) {
  CXmlDomDocument fresh;
  EXPECT_EQ(Xml(fresh), u"");
  CXmlDomNode r, child;
  ASSERT_EQ(fresh.createElement(u"REPORT", &r), S_OK);
  ASSERT_EQ(fresh.appendChild(r), S_OK);
  fresh.createElement(u"TITLE", &child);
  r.appendChild(child);
  child.put_text(u"Sales");
  CXmlDomNode got;
  ASSERT_EQ(fresh.get_documentElement(&got), S_OK);
  EXPECT_EQ(got, r);
  CXmlDomDocument reread;
  ASSERT_EQ(reread.loadXML(Xml(fresh)), S_OK);
  EXPECT_EQ(Text(Select(reread, u"/REPORT/TITLE")), u"Sales");
}

TEST_F(XmlDomTree, PutTextReplacesChildrenAndOldHandlesStayValid) {
  CXmlDomNode b = Select(root, u"B");
  CXmlDomNode inner = Select(b, u"A");
  ASSERT_EQ(b.put_text(u"flat"), S_OK);
  EXPECT_EQ(Text(b), u"flat");
  EXPECT_EQ(Text(inner), u"two");
  CXmlDomNodeList list;
  b.get_childNodes(&list);
  EXPECT_EQ(Length(list), 1);
}

TEST_F(XmlDomTree, NodesOutliveAReloadOfTheirDocument) {
  CXmlDomNode a = Select(root, u"A");
  ASSERT_EQ(doc.loadXML(u"<NEW/>"), S_OK);
  EXPECT_EQ(Text(a), u"one");
  CXmlDomNode newRoot;
  doc.get_documentElement(&newRoot);
  EXPECT_EQ(newRoot.appendChild(a), E_INVALIDARG) << "a node of the old tree is foreign now";
  CXmlDomNode orphan;
  doc.createElement(u"LOOSE", &orphan);  // never inserted: freed with the document
}

// ---- Saving ------------------------------------------------------------------------------------

TEST_F(XmlDomSave, SaveWritesUtf8WithDeclarationAndRoundTrips) {
  CXmlDomDocument doc;
  ASSERT_EQ(doc.loadXML(u"<?xml version=\"1.0\" encoding=\"windows-1252\"?><R N=\"\u00e9 &amp; &lt;\">\u20ac<C/></R>"), S_OK);
  ASSERT_EQ(doc.save(u"\\out.xml"), S_OK);
  std::string bytes = ReadText(u"\\out.xml");
  EXPECT_EQ(bytes.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>", 0), 0u) << bytes;
  EXPECT_NE(bytes.find("\xe2\x82\xac"), std::string::npos) << "the euro sign as UTF-8";
  CXmlDomDocument back;
  ASSERT_EQ(back.load(u"\\out.xml"), S_OK);
  EXPECT_EQ(Xml(back), Xml(doc));
  CBstr n;
  CXmlDomNode r;
  back.get_documentElement(&r);
  r.getAttribute(u"N", &n);
  EXPECT_EQ(n.str(), u"\u00e9 & <");
}

TEST_F(XmlDomSave, TextsXmlCannotHoldKeepTheirRestAndTheDocumentReadsBack) {
  CXmlDomDocument doc;
  ASSERT_EQ(doc.loadXML(u"<R><C/></R>"), S_OK);
  CXmlDomNode r, c;
  doc.get_documentElement(&r);
  r.selectSingleNode(u"C", &c);
  const std::u16string text(u"A\0B\x01" u"C\tD\uFFFF", 8);
  ASSERT_EQ(c.put_text(text), S_OK);
  ASSERT_EQ(r.setAttribute(u"N", text), S_OK);
  ASSERT_EQ(doc.save(u"\\out.xml"), S_OK);
  CXmlDomDocument back;
  ASSERT_EQ(back.load(u"\\out.xml"), S_OK);
  CBstr value, attribute;
  back.get_documentElement(&r);
  r.get_text(&value);
  r.getAttribute(u"N", &attribute);
  EXPECT_EQ(value.str(), u"A\uFFFDB\uFFFDC\tD\uFFFD");
  EXPECT_EQ(attribute.str(), u"A\uFFFDB\uFFFDC\tD\uFFFD");
}

TEST_F(XmlDomSave, FailedSaveLeavesTheOldFileWhole) {
  WriteText(u"\\out.xml", "<OLD/>");
  CXmlDomDocument doc;
  doc.loadXML(u"<NEW/>");
  platform::InjectFault(platform::Fault::FileRename);
  EXPECT_EQ(doc.save(u"\\out.xml"), E_FAIL);
  EXPECT_EQ(ReadText(u"\\out.xml"), "<OLD/>");
  EXPECT_EQ(doc.save(u"\\No Such Folder\\out.xml"), E_FAIL);
  EXPECT_EQ(doc.save(u"\\out.xml"), S_OK);
  EXPECT_NE(ReadText(u"\\out.xml").find("<NEW/>"), std::string::npos);
  size_t files = 0;
  for (auto& e : std::filesystem::directory_iterator(Root())) files += e.is_regular_file();
  EXPECT_EQ(files, 1u) << "no temporary file is left behind";
}

// ---- Transformation ----------------------------------------------------------------------------

const char16_t* kData = u"<?xml version=\"1.0\"?><DOC ID=\"12\"><LINEITEM ID=\"1\"><NAME>Bolt</NAME></LINEITEM>"
                        u"<LINEITEM ID=\"2\"><NAME>Nut &amp; washer</NAME></LINEITEM></DOC>";

TEST_F(XmlDomTransform, HtmlAndTextOutputs) {
  CXmlDomDocument data, sheet;
  ASSERT_EQ(data.loadXML(kData), S_OK);
  ASSERT_EQ(sheet.loadXML(
                u"<?xml version=\"1.0\"?><xsl:stylesheet version=\"1.0\" xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\">"
                u"<xsl:output method=\"html\" encoding=\"ISO-8859-1\"/>"
                u"<xsl:template match=\"/DOC\"><html><body><p id=\"AJIDTotal\">No. <xsl:value-of select=\"@ID\"/></p>"
                u"<xsl:for-each select=\"LINEITEM\"><div id=\"AJIDLT{@ID}\"><xsl:value-of select=\"NAME\"/> \u20ac</div>"
                u"</xsl:for-each></body></html></xsl:template></xsl:stylesheet>"),
            S_OK);
  CBstr html;
  ASSERT_EQ(data.transformNode(sheet, &html), S_OK) << platform::ToUtf8(data.GetTransformError());
  std::u16string h = html.str();
  EXPECT_NE(h.find(u"<p id=\"AJIDTotal\">No. 12</p>"), std::u16string::npos);
  EXPECT_NE(h.find(u"<div id=\"AJIDLT2\">Nut &amp; washer \u20ac</div>"), std::u16string::npos) << platform::ToUtf8(h);

  ASSERT_EQ(sheet.loadXML(u"<xsl:stylesheet version=\"1.0\" xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\">"
                          u"<xsl:output method=\"text\"/><xsl:template match=\"/\"><xsl:for-each select=\"//NAME\">"
                          u"\"<xsl:value-of select=\".\"/>\",</xsl:for-each></xsl:template></xsl:stylesheet>"),
            S_OK);
  ASSERT_EQ(data.transformNode(sheet, &html), S_OK);
  EXPECT_EQ(html.str(), u"\"Bolt\",\"Nut & washer\",");
}

TEST_F(XmlDomTransform, NotAStylesheetOrAnEmptyDocumentFails) {
  CXmlDomDocument data, sheet;
  ASSERT_EQ(data.loadXML(kData), S_OK);
  CBstr out;
  EXPECT_EQ(data.transformNode(sheet, &out), E_FAIL) << "empty stylesheet";
  ASSERT_EQ(sheet.loadXML(u"<NOTXSL/>"), S_OK);
  EXPECT_EQ(data.transformNode(sheet, &out), E_FAIL);
  EXPECT_FALSE(data.GetTransformError().empty());
  ASSERT_EQ(sheet.loadXML(u"<xsl:stylesheet version=\"1.0\" xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\">"
                          u"<xsl:template match=\"/\"><xsl:value-of select=\"((\"/></xsl:template></xsl:stylesheet>"),
            S_OK);
  EXPECT_EQ(data.transformNode(sheet, &out), E_FAIL) << "a broken expression";
  ASSERT_EQ(sheet.loadXML(u"<xsl:stylesheet version=\"1.0\" xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\">"
                          u"<xsl:template name=\"loop\"><xsl:call-template name=\"loop\"/></xsl:template>"
                          u"<xsl:template match=\"/\"><xsl:call-template name=\"loop\"/></xsl:template></xsl:stylesheet>"),
            S_OK);
  EXPECT_EQ(data.transformNode(sheet, &out), E_FAIL) << "endless recursion is stopped";
}

// A stylesheet read once gives what reading it for each transformation gives, and keeps
// the stylesheet as it was read; one that is not a stylesheet fails with the same reason.
TEST_F(XmlDomTransform, AStylesheetReadOnceTransformsAsItStoodWhenRead) {
  const std::u16string head =
      u"<xsl:stylesheet version=\"1.0\" xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\"><xsl:output method=\"text\"/>";
  CXmlDomDocument data, sheet;
  ASSERT_EQ(data.loadXML(kData), S_OK);
  ASSERT_EQ(sheet.loadXML(head + u"<xsl:template match=\"/\"><xsl:value-of select=\"count(//NAME)\"/>"
                                 u"</xsl:template></xsl:stylesheet>"),
            S_OK);
  CXslTransform once;
  ASSERT_EQ(once.Load(sheet), S_OK);
  CBstr eachTime, readOnce;
  ASSERT_EQ(data.transformNode(sheet, &eachTime), S_OK);
  for (int i = 0; i < 2; ++i) {
    ASSERT_EQ(data.transformNode(once, &readOnce), S_OK);
    EXPECT_EQ(readOnce.str(), eachTime.str());
  }
  EXPECT_EQ(readOnce.str(), u"2");
  ASSERT_EQ(sheet.loadXML(head + u"<xsl:template match=\"/\">new</xsl:template></xsl:stylesheet>"), S_OK);
  ASSERT_EQ(data.transformNode(once, &readOnce), S_OK);
  EXPECT_EQ(readOnce.str(), u"2") << "the stylesheet as it was read";
  ASSERT_EQ(once.Load(sheet), S_OK);
  ASSERT_EQ(data.transformNode(once, &readOnce), S_OK);
  EXPECT_EQ(readOnce.str(), u"new");

  ASSERT_EQ(sheet.loadXML(u"<NOTXSL/>"), S_OK);
  EXPECT_EQ(once.Load(sheet), E_FAIL);
  EXPECT_FALSE(once.IsLoaded());
  EXPECT_EQ(data.transformNode(sheet, &eachTime), E_FAIL);
  const std::u16string reason = data.GetTransformError();
  EXPECT_EQ(data.transformNode(once, &readOnce), E_FAIL);
  EXPECT_FALSE(reason.empty());
  EXPECT_EQ(data.GetTransformError(), reason);
  EXPECT_EQ(once.GetError(), reason);
}

TEST_F(XmlDomTransform, StylesheetsCannotReadOrWriteFiles) {
  WriteText(u"\\secret.xml", "<S>TOPSECRET</S>");
  std::string secret = (Root() / "secret.xml").string();
  std::string target = (Root() / "written.txt").string();
  std::u16string head = u"<xsl:stylesheet version=\"1.0\" xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\" "
                        u"xmlns:exsl=\"http://exslt.org/common\" extension-element-prefixes=\"exsl\">";
  const std::u16string bodies[] = {
      u"<xsl:template match=\"/\"><xsl:value-of select=\"document('" + platform::ToUtf16(secret) + u"')\"/></xsl:template>",
      u"<xsl:template match=\"/\"><xsl:value-of select=\"document('file://" + platform::ToUtf16(secret) +
          u"')\"/></xsl:template>",
      u"<xsl:template match=\"/\"><xsl:document href=\"" + platform::ToUtf16(target) +
          u"\">x</xsl:document></xsl:template>",
      u"<xsl:template match=\"/\"><exsl:document href=\"" + platform::ToUtf16(target) +
          u"\">x</exsl:document></xsl:template>",
      u"<xsl:template match=\"/\"><xsl:result-document href=\"" + platform::ToUtf16(target) +
          u"\">x</xsl:result-document></xsl:template>",
      u"<xsl:include href=\"" + platform::ToUtf16(secret) + u"\"/><xsl:template match=\"/\">x</xsl:template>",
      u"<xsl:template match=\"/\"><xsl:value-of select=\"document('http://127.0.0.1:9/x')\"/></xsl:template>",
  };
  CXmlDomDocument data, sheet;
  ASSERT_EQ(data.loadXML(kData), S_OK);
  for (const auto& body : bodies) {
    SCOPED_TRACE(platform::ToUtf8(body));
    ASSERT_EQ(sheet.loadXML(head + body + u"</xsl:stylesheet>"), S_OK);
    CBstr out;
    EXPECT_EQ(data.transformNode(sheet, &out), E_FAIL);
    EXPECT_EQ(out.view().find(u"TOPSECRET"), std::u16string_view::npos);
    EXPECT_FALSE(std::filesystem::exists(target));
  }
}

}  // namespace
