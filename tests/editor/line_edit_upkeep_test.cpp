// Line edits that work out only what they change, held against the whole computation.
//   LineEditUpkeep.RandomEditsMatchTheWholeRecalculation  a long random run of line commands,
//       undo and redo, tax and layout changes on two documents, one working out every line
//       after each edit: the XML texts and totals agree after every step
//   LineEditUpkeep.AnEditWorksOutOnlyTheLinesItMoves  a line added, undone and redone shows
//       the totals and no other line's figures
//   LineEditUpkeep.PageMatchesAWholeRenderAfterRandomEdits  the same commands on a shown
//       page, changed in place: laid out, it is the page a whole render gives (two layouts)
//   LineEditUpkeep.ALongPageScrolledPaintsInPlaceAsAWholeRenderDoes  lines added and removed
//       on a long page shown from its middle take no whole layout, and the screen painted
//       then (only the rows it shows drawn) is the screen a whole render paints
//   LineEditUpkeep.ALongDocumentKeptAsTextShowsWhatThePageLaidOutWholeShows  random edits on
//       a document long enough for its page to keep the lines out of view as text: the page
//       and the screen are those of the page laid out whole
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "../document/SalesDocumentFixture.h"
#include "../document/StylesheetTestSupport.h"
#include "document/HtmlView.h"
#include "editor/LineItemCommands.h"
#include "platform/htmlview/HtmlControl.h"
#include "platform/htmlview/HtmlPage.h"
#include "platform/user/Paint.h"
#include "platform/user/Screen.h"

namespace {

// Random line commands, the same for every document they are played on.
class RandomEdits {
 public:
  // No line is deleted or cut while the document has `keepLines` lines or fewer.
  explicit RandomEdits(unsigned seed, LONG keepLines = 0) : m_random(seed), m_keepLines(keepLines) {}
  // How many steps changed the tax (and showed the document again, as the tax command does).
  int HeaderSteps() const { return m_headerSteps; }

  // `steps` steps on a shown document, each painted as the message loop would: what a step
  // does not draw again stays.
  void Play(CSalesDocument& doc, CCommandProcessor& history, CHtmlView& view, int steps) {
    for (int step = 0; step < steps; ++step) {
      Step({&doc}, {&history});
      UpdateWindow(view.GetInnerWindow());
    }
  }
  // One step on each document (each with its own history).
  void Step(std::vector<CSalesDocument*> docs, std::vector<CCommandProcessor*> histories) {
    const int what = Pick(100);
    const LONG lines = docs[0]->GetXmlDocument().GetLineCount();
    CBstr key;
    if (lines > 0) docs[0]->GetXmlDocument().GetLineKeyAt(Pick(lines), &key);
    // New lines go before a line now and then.
    const CBstr before = Pick(3) == 0 ? key : CBstr();
    if (what < 35 || lines == 0 || (what < 72 && what >= 55 && lines <= m_keepLines)) {
      const unsigned recordSeed = m_random();
      const int recalc = Pick(10) == 0 ? 0 : 1;
      for (size_t i = 0; i < docs.size(); ++i) {
        docs[i]->SetCurrentLineKey(before);
        Run(*histories[i],
            std::make_unique<CAddLineItemCommand>(*docs[i], nullptr, nullptr, Record(recordSeed),
                                                  CAddLineItemCommand::Placing{.render = true, .recalc = recalc}));
      }
    } else if (what < 55) {
      const unsigned editSeed = m_random();
      for (size_t i = 0; i < docs.size(); ++i)
        Run(*histories[i], std::make_unique<CEditLineItemCommand>(
                               *docs[i], nullptr, nullptr, key, u'Q',
                               [editSeed](CDbRecord& line, WCHAR) { return Edit(line, editSeed); }));
    } else if (what < 68) {
      for (size_t i = 0; i < docs.size(); ++i)
        Run(*histories[i], std::make_unique<CDeleteLineItemCommand>(*docs[i], key));
    } else if (what < 72) {
      for (size_t i = 0; i < docs.size(); ++i) {
        Run(*histories[i], std::make_unique<CCutLineItemCommand>(*docs[i], key));
        docs[i]->SetCurrentLineKey(before);
        Run(*histories[i], std::make_unique<CPasteLineItemCommand>(*docs[i]));
      }
    } else if (what < 86) {
      for (CCommandProcessor* history : histories) history->Undo();
    } else if (what < 96) {
      for (CCommandProcessor* history : histories) history->Redo();
    } else {
      const std::u16string rate = Pick(2) ? u"8.25%" : u"5%";
      // As the tax command does: the header changed, the page is shown again.
      ++m_headerSteps;
      for (CSalesDocument* doc : docs) {
        doc->SetTax(CBstr(u"State"), CBstr(rate), CBstr(u""), true);
        doc->Render(RenderMode::KeepPosition, -1);
      }
    }
  }

 private:
  int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(m_random); }

  static void Run(CCommandProcessor& history, std::unique_ptr<CEditCommand> command) {
    history.Submit(std::move(command));
    history.ExecutePending();
  }

  // Every kind of line, with the texts that round, drift or read oddly.
  static std::unique_ptr<CDbRecord> Record(unsigned seed) {
    std::mt19937 r(seed);
    auto pick = [&](std::initializer_list<const char16_t*> texts) {
      return std::u16string(texts.begin()[std::uniform_int_distribution<size_t>(0, texts.size() - 1)(r)]);
    };
    const std::u16string type =
        pick({u"Service", u"Service", u"Inventory Part", u"Subtotal", u"Discount", u"Sales Tax Item", u"Payment",
              u"QVNLABEL"});
    std::u16string price;
    if (type == u"Discount" || type == u"Sales Tax Item")
      price = pick({u"10%", u"2.5%", u"5", u"-1.25", u"1,000"});
    else if (type == u"Payment")
      price = pick({u"25", u"-10", u"(30.00)", u"1,250.50"});
    else
      price = pick({u"12.35", u"1.005", u"0", u"", u"0.125", u"1,234.50", u"99.99"});
    auto record = sales_test::SalesDocumentTest::Line(type, pick({u"1", u"2", u"3", u"1.5", u"", u"0"}), price,
                                                      pick({u"Tax", u"Non"}));
    record->SetField(0, u"{ITEM}");  // a new record's list id is a fresh GUID: the same on every document
    return record;
  }

  static bool Edit(CDbRecord& line, unsigned seed) {
    std::mt19937 r(seed);
    switch (std::uniform_int_distribution<int>(0, 4)(r)) {
      case 0: line.SetField(kLineFieldQuantity, std::u16string(r() % 2 ? u"4" : u"0.333")); break;
      case 1: line.SetField(kLineFieldPrice, std::u16string(r() % 2 ? u"7.777" : u"15%")); break;
      case 2: line.SetField(kLineFieldTaxable, std::u16string(r() % 2 ? u"Tax" : u"Non")); break;
      case 3: line.SetField(kLineFieldType, std::u16string(r() % 2 ? u"Discount" : u"Service")); break;
      default: line.SetField(kLineFieldName, std::u16string(u"renamed")); break;
    }
    return true;
  }

  std::mt19937 m_random;
  LONG m_keepLines;
  int m_headerSteps = 0;
};

// Counts the page's whole renders.
class CountingView : public CHtmlView {
 public:
  CountingView(HWND owner, CXmlDocument& xml, int* renders) : CHtmlView(nullptr, owner, xml), m_renders(renders) {}
  void Render(RenderMode mode, int position) override {
    ++*m_renders;
    CHtmlView::Render(mode, position);
  }

 private:
  int* m_renders;
};

class LineEditUpkeep : public sales_test::SalesDocumentTest {
 protected:
  void SetUp() override {
    SalesDocumentTest::SetUp();
    InstallServices();
  }
  // A screen-sized editor window; the pages of its documents count their whole renders.
  static HWND CountingEditor(int* renders) {
    platform::SetScreenSize(240, 320);
    WNDCLASSW wc;
    wc.lpfnWndProc = DefWindowProcW;
    wc.lpszClassName = u"UpkeepEditor";
    RegisterClassW(&wc);
    SetDocumentViewFactory([renders](HWND parent, CSalesDocument& doc) {
      return std::make_unique<CountingView>(parent, doc.GetXmlDocument(), renders);
    });
    return CreateWindowExW(0, u"UpkeepEditor", u"", WS_POPUP | WS_VISIBLE, 0, 0, 240, 320, nullptr, nullptr, nullptr,
                           nullptr);
  }
  std::unique_ptr<CSalesDocument> Invoice(HWND parent, bool page, int style) {
    auto doc = std::make_unique<CSalesDocument>(parent, parent, style, page, m_settings.get());
    EXPECT_TRUE(doc->GetXmlDocument().LoadXmlText(platform::ToUtf16(sales_test::kNewDocument)));
    doc->SetVersion(4);
    doc->SetTax(CBstr(u"State"), CBstr(u"8.25%"), CBstr(u""), false);
    doc->RebuildStylesheet();
    return doc;
  }
  // The page's pixels as the window holds them, not painted again.
  static std::vector<COLORREF> PagePixels(HWND inner) {
    RECT client{};
    GetClientRect(inner, &client);
    HDC dc = GetDC(inner);
    std::vector<COLORREF> pixels;
    for (int y = 0; y < client.bottom; ++y)
      for (int x = 0; x < client.right; ++x) pixels.push_back(GetPixel(dc, x, y));
    ReleaseDC(inner, dc);
    return pixels;
  }
  // Edits shown in place (painted as they came) leave the page and the screen exactly as
  // a whole render of the document, scrolled to the same place, shows them.
  // `laidOutWhole`: the whole render lays out every line, none kept as text.
  static void ExpectTheWholeRendersPageAndScreen(CSalesDocument& doc, CHtmlView& view, bool laidOutWhole = false) {
    HWND inner = view.GetInnerWindow();
    UpdateWindow(inner);
    const std::vector<COLORREF> shown = PagePixels(inner);
    const std::string inPlace = platform::HtmlPageDump(view.GetControl());
    SCROLLINFO at;
    at.fMask = SIF_POS;
    at.nPos = GetScrollPos(inner, SB_VERT);
    if (laidOutWhole) platform::SetHtmlLongRun(view.GetControl(), 0);
    doc.Render(RenderMode::KeepPosition, -1);
    if (laidOutWhole) platform::SetHtmlLongRun(view.GetControl(), platform::htmlview::HtmlPage::kLongRun);
    SetScrollInfo(inner, SB_VERT, &at, TRUE);
    InvalidateRect(inner, nullptr, TRUE);
    UpdateWindow(inner);
    EXPECT_EQ(inPlace, platform::HtmlPageDump(view.GetControl()));
    EXPECT_TRUE(shown == PagePixels(inner)) << "the screens differ";
  }
  static std::u16string Xml(CSalesDocument& doc) {
    CBstr xml;
    doc.GetXmlDocument().GetDataDocument()->get_xml(&xml);
    return xml.str();
  }
};

TEST_F(LineEditUpkeep, RandomEditsMatchTheWholeRecalculation) {
  auto upkept = Invoice(nullptr, false, 4);
  auto whole = Invoice(nullptr, false, 4);
  whole->SetIncrementalTotals(false);
  CCommandProcessor upkeptHistory(kDocumentHistoryDepth), wholeHistory(kDocumentHistoryDepth);
  RandomEdits edits(20260310);
  for (int step = 0; step < 600; ++step) {
    // The line tax column comes and goes: every line's figures depend on it.
    if (step % 150 == 75) m_settings->SetFlag(kDocInvoice, kRowLineTotalOnScreen, step % 300 == 75 ? 1 : 0);
    edits.Step({upkept.get(), whole.get()}, {&upkeptHistory, &wholeHistory});
    ASSERT_EQ(Xml(*upkept), Xml(*whole)) << "step " << step;
    ASSERT_EQ(upkept->GetSubtotalText().str() + upkept->GetTaxText().str() + upkept->GetTotalText().str() +
                  upkept->GetTotalQuantityText().str(),
              whole->GetSubtotalText().str() + whole->GetTaxText().str() + whole->GetTotalText().str() +
                  whole->GetTotalQuantityText().str())
        << "step " << step;
  }
  EXPECT_GT(upkept->GetXmlDocument().GetLineCount(), 10) << "the run built a document";
  upkeptHistory.Clear();
  wholeHistory.Clear();
}

TEST_F(LineEditUpkeep, AnEditWorksOutOnlyTheLinesItMoves) {
  sales_test::PageLog log;
  ViewInto(&log);
  m_settings->SetFlag(kDocInvoice, kRowLineTotalOnScreen, 0);  // no line tax cells
  auto doc = Invoice(nullptr, true, 4);
  for (int line = 0; line < 30; ++line) doc->AddLineItem(*Line(u"Service", u"2", u"1.25", u"Tax"), true, false, 0);
  doc->RecalcTotals();
  EXPECT_EQ(log.updates.size(), 30u + 4u) << "the whole computation shows every line total and the four totals";
  log.updates.clear();
  CCommandProcessor history(kDocumentHistoryDepth);
  history.Submit(
      std::make_unique<CAddLineItemCommand>(*doc, nullptr, nullptr, Line(u"Service", u"1", u"10", u"Tax"),
                                            CAddLineItemCommand::Placing{.render = true, .atEnd = true, .recalc = 1}));
  ASSERT_TRUE(history.ExecutePending());
  history.Undo();
  history.Redo();
  // Three recalculations, each showing the four totals and no line total.
  EXPECT_EQ(log.updates.size(), 3u * 4u);
  EXPECT_EQ(log.Last(u"AJIDSubtotal"), u"$85.00");
  EXPECT_EQ(doc->GetTotalText().str(), u"$92.01");
  history.Clear();
}

TEST_F(LineEditUpkeep, PageMatchesAWholeRenderAfterRandomEdits) {
  int renders = 0;
  HWND editor = CountingEditor(&renders);
  // The column layout (one row a line) and the two-row layout of style 1.
  for (int style : {4, 1}) {
    SCOPED_TRACE(testing::Message() << "style " << style);
    auto doc = Invoice(editor, true, style);
    auto* view = static_cast<CHtmlView*>(doc->GetView());
    CCommandProcessor history(kDocumentHistoryDepth);
    RandomEdits edits(77 + style, 4);
    for (int line = 0; line < 6; ++line) doc->AddLineItem(*Line(u"Service", u"1", u"2.50"), true, false, 1);
    for (int round = 0; round < 3; ++round) {
      doc->Render(RenderMode::ScrollToTop, -1);
      // Renders other than the tax steps' own.
      auto ownRenders = [&] { return renders - edits.HeaderSteps(); };
      const int rendersBefore = ownRenders();
      edits.Play(*doc, history, *view, 40);
      doc->ShowChanges();
      EXPECT_EQ(ownRenders(), rendersBefore) << "round " << round << ": every line edit was shown in place";
      SCOPED_TRACE(testing::Message() << "round " << round);
      ExpectTheWholeRendersPageAndScreen(*doc, *view);
    }
    history.Clear();
  }
  DestroyWindow(editor);
}

TEST_F(LineEditUpkeep, ALongPageScrolledPaintsInPlaceAsAWholeRenderDoes) {
  int renders = 0;
  HWND editor = CountingEditor(&renders);
  auto doc = Invoice(editor, true, 1);
  auto* view = static_cast<CHtmlView*>(doc->GetView());
  for (int line = 0; line < 60; ++line)
    doc->AddLineItem(*Line(line % 7 ? u"Service" : u"Subtotal", u"2", u"1.25"), true, false, 0);
  doc->RecalcTotals();
  doc->Render(RenderMode::ScrollToTop, -1);
  for (int page = 0; page < 8; ++page) SendMessageW(view->GetInnerWindow(), WM_VSCROLL, SB_PAGEDOWN, 0);
  UpdateWindow(view->GetInnerWindow());
  const int layouts = platform::HtmlLayoutCount(view->GetControl());
  const int rendersBefore = renders;

  CCommandProcessor history(kDocumentHistoryDepth);
  auto run = [&](std::unique_ptr<CEditCommand> command) {
    history.Submit(std::move(command));
    ASSERT_TRUE(history.ExecutePending());
    UpdateWindow(view->GetInnerWindow());
  };
  auto keyAt = [&](LONG index) {
    CBstr key;
    doc->GetXmlDocument().GetLineKeyAt(index, &key);
    return key;
  };
  doc->SetCurrentLineKey(keyAt(30));  // before the screen's rows
  run(std::make_unique<CAddLineItemCommand>(*doc, nullptr, nullptr, Line(u"Service", u"3", u"4.50"),
                                            CAddLineItemCommand::Placing{.render = true, .recalc = 1}));
  run(std::make_unique<CDeleteLineItemCommand>(*doc, keyAt(12)));
  doc->SetCurrentLineKey(CBstr());
  run(std::make_unique<CAddLineItemCommand>(*doc, nullptr, nullptr, Line(u"Service", u"1", u"9.99"),
                                            CAddLineItemCommand::Placing{.render = true, .recalc = 1}));
  history.Undo();
  history.Redo();
  UpdateWindow(view->GetInnerWindow());
  EXPECT_EQ(renders, rendersBefore) << "shown in place";
  EXPECT_EQ(platform::HtmlLayoutCount(view->GetControl()), layouts) << "no whole layout";
  ExpectTheWholeRendersPageAndScreen(*doc, *view);
  history.Clear();
  DestroyWindow(editor);
}

TEST_F(LineEditUpkeep, ALongDocumentKeptAsTextShowsWhatThePageLaidOutWholeShows) {
  int renders = 0;
  HWND editor = CountingEditor(&renders);
  for (int style : {4, 1}) {
    SCOPED_TRACE(testing::Message() << "style " << style);
    auto doc = Invoice(editor, true, style);
    auto* view = static_cast<CHtmlView*>(doc->GetView());
    for (int line = 0; line < 260; ++line)
      doc->AddLineItem(*Line(line % 9 ? u"Service" : u"Subtotal", u"2", u"1.25"), true, false, 0);
    doc->RecalcTotals();
    doc->Render(RenderMode::ScrollToTop, -1);
    for (int page = 0; page < 12; ++page) SendMessageW(view->GetInnerWindow(), WM_VSCROLL, SB_PAGEDOWN, 0);
    UpdateWindow(view->GetInnerWindow());
    // Most edits fall on lines kept as text.
    CCommandProcessor history(kDocumentHistoryDepth);
    RandomEdits edits(91 + style, 200);
    edits.Play(*doc, history, *view, 60);
    doc->ShowChanges();
    ExpectTheWholeRendersPageAndScreen(*doc, *view, true);
    history.Clear();
  }
  DestroyWindow(editor);
}

}  // namespace
