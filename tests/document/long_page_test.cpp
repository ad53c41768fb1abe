// A long table's sections kept as text while out of view, held against the same page laid
// out whole.
//   HtmlSourceTest.*  the text read without building it: runs found only where every
//       section ends plainly, elements found by id, sections split, cells' texts told
//   LongPage.DrawsWhatTheWholePageDraws  wherever it is shown, and after changes made to
//       sections kept as text and laid out (one widening a column), the page draws and
//       dumps as the page laid out whole, and keeps far sections as text
//   LongPage.ARunItCannotKeepExactlyIsLaidOutWhole  a cell spanning rows far down: every
//       section is laid out, and the page draws as the page laid out whole
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "PagePixels.h"
#include "platform/htmlview/HtmlPage.h"
#include "platform/htmlview/HtmlSource.h"

namespace {

using platform::htmlview::HtmlPage;
namespace hv = platform::htmlview;

TEST(HtmlSourceTest, RunsAreFoundOnlyWhereEverySectionEndsPlainly) {
  const std::string row = "<tr><td id=a>1</td><td>x</td></tr>";
  auto sections = [&](int n, const std::string& one) {
    std::string text;
    for (int i = 0; i < n; ++i) text += one + "\n";
    return text;
  };
  const std::string plain = "<tbody>" + row + "</tbody>";
  struct Case {
    std::string html;
    size_t runs;
    size_t sectionsInFirst;
  } cases[] = {
      {"<table><tr><th>H</th></tr>" + sections(5, plain) + "</table>", 1, 5},
      {"<TABLE>" + sections(5, "<TBODY ID='s'><TR><TD>A</TD></TR></TBODY>") + "</TABLE>", 1, 5},
      {"<table>" + sections(2, plain) + "<tr><td>x</td></tr>" + sections(5, plain) + "</table>", 1, 5},
      {"<table>" + sections(4, plain) + "</table>", 0, 0},                      // too short
      {"<table>" + sections(5, "<tbody><tr><td>1</td></tbody>") + "</table>", 0, 0},  // a row left open
      {"<table>" + sections(5, "<tbody><tr><td><img src=a.png></td></tr></tbody>") + "</table>", 0, 0},
      {"<table>" + sections(5, "<tbody><tr><td id='a&amp;b'>1</td></tr></tbody>") + "</table>", 0, 0},
      {"<p>" + sections(5, plain) + "</p>", 0, 0},  // sections outside a table
      {"<table>" + plain + "x" + sections(5, plain) + "</table>", 1, 5},
      {"<table><tr><td><table>" + sections(6, plain) + "</table></td></tr></table>", 1, 6},
      {"<table><!--" + sections(6, plain) + "--></table>", 0, 0},
      {"<table>" + sections(5, "<tbody><tr><td><table><tbody><tr><td>in</td></tr></tbody></table></td></tr></tbody>") +
           "</table>",
       1, 5},
  };
  for (const Case& c : cases) {
    const std::vector<hv::SectionRun> runs = hv::FindSectionRuns(c.html, 5);
    ASSERT_EQ(runs.size(), c.runs) << c.html;
    if (c.runs == 0) continue;
    EXPECT_EQ(runs[0].sections.size(), c.sectionsInFirst) << c.html;
    for (const auto& [begin, end] : runs[0].sections) {
      EXPECT_EQ(c.html.compare(begin, 6, "<tbody") == 0 || c.html.compare(begin, 6, "<TBODY") == 0, true);
      EXPECT_TRUE(hv::SplitSections(c.html.substr(begin, end - begin)).has_value());
    }
  }
}

TEST(HtmlSourceTest, ElementsAreFoundByIdAndCellsTold) {
  const std::string plain =
      "<tbody id=r><tr><td id=d class='x'><a href='1,D'><span id=\"q\">Part &amp; 7, twelve</span></a></td>"
      "<td colspan=2 id=t>12.35<br></td></tr></tbody>";
  const std::string s = plain + "<tbody><tr><td id=open><p>x</td></tr></tbody>";
  auto inner = [&](const char* id) {
    const auto at = hv::FindById(s, id);
    return at ? s.substr(at->innerBegin, at->innerEnd - at->innerBegin) : std::string("-");
  };
  EXPECT_EQ(inner("q"), "Part &amp; 7, twelve");
  EXPECT_EQ(inner("t"), "12.35<br>");
  EXPECT_EQ(inner("open"), "-") << "its content does not end plainly";
  EXPECT_EQ(inner("none"), "-");
  const auto whole = hv::FindById(s, "r");
  ASSERT_TRUE(whole);
  EXPECT_EQ(whole->outerBegin, 0u);
  EXPECT_EQ(whole->outerEnd, plain.size());
  EXPECT_EQ(hv::IdsIn(s), (std::vector<std::string>{"r", "d", "q", "t", "open"}));
  const std::vector<hv::CellText> cells = hv::CellTextsOf(plain);
  ASSERT_EQ(cells.size(), 2u);
  EXPECT_EQ(cells[0].length, 16);  // "Part & 7, twelve", the entity one character
  EXPECT_EQ(cells[0].longestWord, 6);
  EXPECT_EQ(cells[1].colspan, 2);
  EXPECT_EQ(hv::CellTextsOf("<tbody><tr><td>a</td></tr><tr><td>bb</td></tr></tbody>")[1].row, 1);
  EXPECT_FALSE(hv::SplitSections(s).has_value()) << "a section not read plainly";
  EXPECT_FALSE(hv::SplitSections(plain + "<p>after</p>").has_value());
  EXPECT_EQ(hv::SplitSections("  " + plain + "\n<tbody></tbody> ")->size(), 2u);
}

// A document's page: a heading row, then sections of lines of every shape the document
// layouts make: one row of four cells, a label across the columns, two rows with the
// description across both.
std::string LongPageHtml(int sections) {
  std::string html =
      "<html><head><style>BODY{margin:4px;font:9pt sans-serif}TABLE{border-collapse:collapse;width:100%}"
      "TD,TH{vertical-align:top;padding:1px 3px;text-align:left;word-wrap:break-word}.n{text-align:right;"
      "white-space:nowrap}.ln TD{border-bottom:1px solid #ddd}.ln TH{border-bottom:1px solid #000}</style></head>"
      "<body><p>Invoice</p><table class=ln><tr><th>Description</th><th class=n>Qty</th><th class=n>Rate</th>"
      "<th class=n>Amount</th></tr>\n";
  for (int i = 0; i < sections; ++i) {
    const std::string n = std::to_string(i);
    std::string words;
    for (int w = 0; w < 3 + (i * 7) % 19; ++w) words += (w % 5 ? " bracket" : " galvanised");
    if (i % 23 == 5)
      html += "<tbody id=s" + n + "><tr><td colspan=4 id=l" + n + "><b>Label " + n + "</b></td></tr></tbody>\n";
    else if (i % 17 == 3)
      html += "<tbody id=s" + n + "><tr><td colspan=4 id=d" + n + ">Part " + n + words + "</td></tr><tr><td>" + n +
              " x 2</td><td></td><td></td><td class=n id=c" + n + ">2.50</td></tr></tbody>\n";
    else
      html += "<tbody id=s" + n + "><tr><td id=d" + n + "><a href='" + n + ",D'>Part " + n + words +
              "</a></td><td class=n>" + std::to_string(1 + i % 7) + "</td><td class=n>12.35</td><td class=n id=c" + n +
              ">" + std::to_string(12 * (1 + i % 7)) + ".35</td></tr></tbody>\n";
  }
  return html + "</table><p>Total</p></body></html>";
}

std::vector<unsigned char> Pixels(HtmlPage& page, int top, int rows) { return page_test::DrawnPixels(page, 240, top, rows); }

class LongPage : public ::testing::Test {
 protected:
  void SetUp() override {
    whole.SetLongRun(0);
    const std::string html = LongPageHtml(400);
    kept.Load(html);
    whole.Load(html);
    kept.Layout(232);
    whole.Layout(232);
  }
  // Both pages drawn from page row `top` down a screen alike, and alike in size.
  void ExpectAlike(int top, const std::string& where) {
    SCOPED_TRACE(where);
    ASSERT_EQ(kept.Height(), whole.Height());
    EXPECT_EQ(kept.Width(), whole.Width());
    EXPECT_TRUE(Pixels(kept, top, 320) == Pixels(whole, top, 320)) << "from " << top;
  }
  // The top of section `n`'s first cell, as the page laid out whole has it.
  int TopOf(int n) {
    const int top = whole.AnchorTop("d" + std::to_string(n));
    return top >= 0 ? top : whole.AnchorTop("l" + std::to_string(n));
  }
  // The same change made to both: kept as text in one where it is kept there.
  void Change(const std::string& id, HtmlPage::TextChange change, const std::string& html) {
    if (kept.IsKeptAsText(id))
      ASSERT_TRUE(kept.ChangeKeptText(id, change, html));
    else
      ASSERT_TRUE(Apply(kept, id, change, html));
    ASSERT_TRUE(Apply(whole, id, change, html));
    kept.Layout(232);
    whole.Layout(232);
  }
  static bool Apply(HtmlPage& page, const std::string& id, HtmlPage::TextChange change, const std::string& html) {
    litehtml::element::ptr element = page.ElementById(id);
    if (!element) return false;
    switch (change) {
      case HtmlPage::TextChange::kContent: page.SetElementContent(element, html); return true;
      case HtmlPage::TextChange::kReplace: return page.ReplaceElement(element, html);
      case HtmlPage::TextChange::kBefore: return page.InsertBeside(element, html, false);
      case HtmlPage::TextChange::kAfter: return page.InsertBeside(element, html, true);
      case HtmlPage::TextChange::kRemove: return page.RemoveElement(element);
    }
    return false;
  }
  HtmlPage kept, whole;
};

TEST_F(LongPage, DrawsWhatTheWholePageDraws) {
  EXPECT_TRUE(kept.IsKeptAsText("c300")) << "far from the top, kept as text";
  EXPECT_FALSE(whole.IsKeptAsText("c300"));
  ExpectAlike(0, "the top");
  ExpectAlike(TopOf(200) - 7, "the middle");
  EXPECT_FALSE(kept.IsKeptAsText("c200")) << "laid out once shown";
  ExpectAlike(whole.Height() - 320, "the end");

  // Changes to sections kept as text and laid out alike; a wide amount widens its column
  // for every line.
  const int middle = TopOf(250) - 40;
  ASSERT_TRUE(kept.IsKeptAsText("c330"));
  Change("c330", HtmlPage::TextChange::kContent, "1,234,567.89");
  ExpectAlike(middle, "a column widened by a line kept as text");
  ExpectAlike(TopOf(330) - 100, "the widened line");
  ASSERT_TRUE(kept.IsKeptAsText("s120"));
  Change("s120", HtmlPage::TextChange::kReplace,
         "<tbody id=s120><tr><td colspan=4 id=l120>A label in place of a line</td></tr></tbody>");
  Change("s121", HtmlPage::TextChange::kAfter,
         "<tbody id=n1><tr><td id=dn1>New line</td><td>1</td><td>2.00</td><td id=cn1>2.00</td></tr></tbody>");
  Change("s122", HtmlPage::TextChange::kRemove, "");
  Change("d123", HtmlPage::TextChange::kContent, "A description now long enough to take three rows of the page");
  ExpectAlike(TopOf(119) - 10, "lines kept as text changed");
  // The same changes where the sections are laid out.
  Change("c125", HtmlPage::TextChange::kContent, "7.77");
  Change("s126", HtmlPage::TextChange::kRemove, "");
  Change("s127", HtmlPage::TextChange::kBefore,
         "<tbody id=n2><tr><td id=dn2>Another</td><td>1</td><td>2.00</td><td id=cn2>2.00</td></tr></tbody>");
  ExpectAlike(TopOf(119) - 10, "lines laid out changed");
  // Shown again far away, the changed sections are kept as text again, and come back as
  // they were changed.
  ExpectAlike(whole.Height() - 320, "the end again");
  EXPECT_TRUE(kept.IsKeptAsText("cn2"));
  ExpectAlike(TopOf(119) - 10, "the changed lines again");
  EXPECT_EQ(kept.Dump(), whole.Dump());
}

TEST(LongPageRuns, ARunItCannotKeepExactlyIsLaidOutWhole) {
  std::string html = LongPageHtml(300);
  const std::string spanning = "<tbody id=s250><tr><td rowspan=2>Two</td><td>1</td><td>2</td><td>3</td></tr>"
                               "<tr><td></td><td></td><td></td></tr></tbody>";
  const size_t at = html.find("<tbody id=s250>");
  html.replace(at, html.find("</tbody>", at) + 8 - at, spanning);
  HtmlPage kept, whole;
  whole.SetLongRun(0);
  kept.Load(html);
  whole.Load(html);
  kept.Layout(232);
  whole.Layout(232);
  EXPECT_FALSE(kept.IsKeptAsText("c200"));
  ASSERT_EQ(kept.Height(), whole.Height());
  const int top = whole.AnchorTop("d249");
  EXPECT_TRUE(Pixels(kept, top, 320) == Pixels(whole, top, 320));
}

}  // namespace
