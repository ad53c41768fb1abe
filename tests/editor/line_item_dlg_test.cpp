// The line item forms driven through their dialogs, on a real document and item store.
//   LineItemForms.InvoiceItem*  rows and label width by line type, focus by column letter,
//                               values read back by type (through the edit command)
//   LineItemForms.AddItems*     one form per item, adjustments added without one, Add /
//                               Skip / Cancel, rows by document type, the title-row OK
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "../document/SalesDocumentFixture.h"
#include "../core/FieldFormTyping.h"
#include "HistoryWindow.h"
#include "core/DialogTitleBar.h"
#include "core/ResourceText.h"
#include "datastore/ListCache.h"
#include "editor/LineItemCommands.h"
#include "editor/LineItemDlg.h"
#include "resources/resource_ids.h"

namespace {

using platform::testing::DialogDriver;
using platform::testing::UiScript;
using slateway::testing::TypeIntoField;

class LineItemForms : public sales_test::SalesDocumentTest {
 protected:
  using Records = std::vector<std::unique_ptr<CDbRecord>>;
  void SetUp() override {
    SalesDocumentTest::SetUp();
    stores = &UseStoreLists();
    InstallServices();
    doc = Make();
    doc->InitNew(4, kDocInvoice);
    doc->SetUseSalesTax(true);
    owner = std::make_unique<editor_test::HistoryWindow>(history);
  }
  void TearDown() override {
    history.Clear();
    owner.reset();
    doc.reset();
    SalesDocumentTest::TearDown();
  }
  static std::unique_ptr<CDbRecord> Item(std::u16string_view type, std::u16string_view name,
                                         std::u16string_view amount = u"20.00") {
    auto item = Line(type, u"1", u"", u"Tax");
    item->SetField(kLineFieldName, name);
    item->SetField(kFieldSalesAmount, amount);
    return item;
  }
  // The rows the form shows from `from` on, "label" or "label value", joined by "|".
  static std::u16string Shown(DialogDriver& d, int from = 0, bool values = false) {
    std::u16string text;
    auto list = d.ListView(IDC_FORM_LIST);
    for (int r = from; r < list.Count(); ++r)
      text += (r > from ? u"|" : u"") + list.Text(r, 1) + (values ? u" " + list.Text(r, 2) : u"");
    return text;
  }
  std::u16string Labels(CDbRecord& line, int* labelWidth = nullptr) {
    std::u16string labels;
    UiScript ui;
    ui.ExpectDialog(IDD_FIELD_FORM, [&](DialogDriver& d) {
      labels = Shown(d);
      if (labelWidth) *labelWidth = int(SendMessageW(d.Control(IDC_FORM_LIST), LVM_GETCOLUMNWIDTH, 1, 0));
      d.Cancel();
    });
    EXPECT_EQ(CLineItemDlg(GetResourceInstance(), nullptr, u'N', line, *doc, &stores->store).DoModal(), 0);
    return labels;
  }
  // Edits the line with the key through the edit command; `act` works the form.
  bool EditLine(const CBstr& key, WCHAR column, std::function<void(DialogDriver&)> act) {
    UiScript ui;
    ui.ExpectDialog(IDD_FIELD_FORM, std::move(act));
    history.Submit(std::make_unique<CEditLineItemCommand>(
        *doc, nullptr, nullptr, key, column, [&](CDbRecord& line, WCHAR letter) {
          return CLineItemDlg(GetResourceInstance(), nullptr, letter, line, *doc, &stores->store).DoModal() == 1;
        }));
    return history.ExecutePending();
  }
  CBstr Add(std::unique_ptr<CDbRecord> line) {
    EXPECT_TRUE(doc->AddLineItem(*line, true, false, 1));
    return CBstr(line->FieldView(kLineFieldKey));
  }
  // The "Add Invoice Item" run over the records, with the customer's price level.
  template <class... R>
  INT_PTR AddItems(const CBstr& level, R... records) {
    Records items;
    (items.push_back(std::move(records)), ...);
    return CAddLineItemsDlg(GetResourceInstance(), &stores->store, nullptr, *owner, *doc, std::move(items), false, true,
                            false, 1, level)
        .Run();
  }
  std::u16string Lines() {
    std::u16string text;
    for (LONG i = 0; i < doc->GetXmlDocument().CountElements(u"LINEITEM"); ++i) {
      CLineItemTexts line = LineAt(*doc, i);
      text += line.name.str() + u" " + line.quantity.str() + u" " + line.price.str() + u";";
    }
    return text;
  }

  sales_test::StoreLists* stores = nullptr;
  CCommandProcessor history{kDocumentHistoryDepth};
  std::unique_ptr<editor_test::HistoryWindow> owner;
  std::unique_ptr<CSalesDocument> doc;
};

TEST_F(LineItemForms, InvoiceItemRowsFollowTheLineType) {
  int width = 0;
  auto discount = Line(u"Discount", u"", u"-5.00");
  EXPECT_EQ(Labels(*discount, &width), u"Type:|Name:|Description:|||Amount or %:|Tax Code:");
  EXPECT_EQ(width, 92);
  doc->SetUseSalesTax(false);
  auto service = Item(u"Service", u"Survey");
  EXPECT_EQ(Labels(*service, &width), u"Quantity:|Name:|Description:|||Sales price:|");
  EXPECT_EQ(width, 80);
  // Cost for an inventory part; the service date and a captioned custom field when the
  // invoice shows their columns; a custom field without caption never.
  doc->SetUseSalesTax(true);
  m_settings->SetFlag(kDocInvoice, 52, 1);
  m_settings->SetCaption(kDocInvoice, 37, u"Colour");
  m_settings->SetFlag(kDocInvoice, 80, 1);
  m_settings->SetCaption(kDocInvoice, 38, u"");
  m_settings->SetFlag(kDocInvoice, 81, 1);
  auto part = Item(u"Inventory Part", u"Cable");
  EXPECT_EQ(Labels(*part), u"Quantity:|Name:|Description:|||Sales price:|Cost:|Tax Code:|Serviced:|Colour:");

  auto focus = [&](CDbRecord& line, WCHAR letter) {
    return CLineItemDlg(GetResourceInstance(), nullptr, letter, line, *doc, nullptr).FocusRow();
  };
  const std::pair<WCHAR, int> partFocus[] = {{u'Q', 0}, {u'N', 1}, {u'D', 2}, {u'P', 5}, {u'T', 7},
                                             {u'S', 8}, {u'C', 9}, {u'E', -1}, {u'X', -1}};
  for (auto [letter, row] : partFocus) EXPECT_EQ(focus(*part, letter), row) << char(letter);
  const std::pair<WCHAR, int> discountFocus[] = {{u'D', -1}, {u'Q', -1}, {u'P', 5}, {u'T', 6}};
  for (auto [letter, row] : discountFocus) EXPECT_EQ(focus(*discount, letter), row) << char(letter);
}

TEST_F(LineItemForms, InvoiceItemOffersEveryTaxCodeOrNon) {
  auto choices = [&]() {
    std::vector<std::u16string> texts;
    UiScript ui;
    ui.ExpectDialog(IDD_FIELD_FORM, [&](DialogDriver& d) {
      SendMessageW(d.Window(), kMsgStartEditor, 0, 6);
      HWND combo = GetFocus();
      WCHAR text[64] = {};
      for (int i = 0; SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text)) > 0; ++i) texts.emplace_back(text);
      SendMessageW(combo, CB_SHOWDROPDOWN, FALSE, 0);
      d.Cancel();
    });
    auto discount = Line(u"Discount", u"", u"5%");
    CLineItemDlg(GetResourceInstance(), nullptr, u'N', *discount, *doc, &stores->store).DoModal();
    return texts;
  };
  EXPECT_EQ(choices(), std::vector<std::u16string>{u"Non"});
  for (int i = 10; i < 30; ++i)
    stores->codes.AddTaxCode(u"C" + platform::ToUtf16(std::to_string(i)), u"", NewListId().view(), u"true", u"", u"",
                             false);
  std::vector<std::u16string> all = choices();
  ASSERT_EQ(all.size(), 20u) << "codes beyond the fifteenth are offered too";
  EXPECT_EQ(all.back(), u"C29");
}

TEST_F(LineItemForms, InvoiceItemReadsBackByType) {
  auto cable = Item(u"Service", u"Cable");
  cable->SetField(kLineFieldPrice, u"50.00");
  cable->SetField(kLineFieldQuantity, u"2");
  const CBstr cableKey = Add(std::move(cable));
  const CBstr discountKey = Add(Line(u"Discount", u"", u"-5.00"));
  const CBstr paymentKey = Add(Line(u"Payment", u"", u"-1.00"));

  ASSERT_TRUE(EditLine(cableKey, u'P', [](DialogDriver& d) {
    WCHAR focused[32] = {};
    GetWindowTextW(GetFocus(), focused, 32);
    EXPECT_EQ(std::u16string(focused), u"50.00") << "the price row has the focus";
    d.Type(u"12.5");
    TypeIntoField(d, d.Window(), 2, u"Grey\rIndoor");
    d.Ok();
  }));
  ASSERT_TRUE(EditLine(discountKey, u'P', [](DialogDriver& d) { d.Type(u"10%").Ok(); }));
  ASSERT_TRUE(EditLine(paymentKey, u'P', [](DialogDriver& d) { d.Type(u"25").Ok(); }));
  EXPECT_EQ(Lines(), u"Cable 2 12.50;Discount line  -10.00%;Payment line  -25.00;");
  EXPECT_EQ(LineAt(*doc, 0).description.str(), u"Grey\r\nIndoor");
  EXPECT_EQ(LineAt(*doc, 1).total.str(), u"(2.50)");
  // Cancel keeps the line as it was and leaves the history alone.
  EXPECT_FALSE(EditLine(cableKey, u'N', [](DialogDriver& d) { d.Type(u"Rope").Cancel(); }));
  EXPECT_EQ(LineAt(*doc, 0).name.str(), u"Cable");
  EXPECT_EQ(history.GetUndoCount(), 3u);

  // A renamed line loses its item id; one that keeps its name keeps it. A price left
  // empty is asked for before the form ends.
  for (const char16_t* name : {u"Cable", u"Rope"}) {
    auto line = Item(u"Service", u"Cable");
    line->SetField(0, u"{ITEM-7}");
    UiScript ui;
    ui.ExpectDialog(IDD_FIELD_FORM, [&](DialogDriver& d) {
      d.Type(name);
      TypeIntoField(d, d.Window(), 0, u"4");
      d.Ok();
      TypeIntoField(d, d.Window(), 5, u"7.5");
      d.Ok();
    });
    ui.ExpectMessageBox(u"'Sales price' is a required field.", IDOK);
    EXPECT_EQ(CLineItemDlg(GetResourceInstance(), nullptr, u'N', *line, *doc, nullptr).DoModal(), 1);
    EXPECT_EQ(line->FieldView(0), name == std::u16string_view(u"Cable") ? u"{ITEM-7}" : u"");
    EXPECT_EQ(line->FieldView(kLineFieldQuantity), u"4");
  }
}

TEST_F(LineItemForms, AddItemsAsksForEachItemAndKeepsWhatWasAccepted) {
  std::vector<std::u16string> headings;
  UiScript ui;
  ui.ExpectDialog(IDD_ADD_LINE_ITEMS, [&](DialogDriver& d) {
    headings.push_back(d.Text(IDC_DIALOG_HEADING));
    TypeIntoField(d, d.Window(), 0, u"3");
    d.Press(IDC_FORM_EXTRA1);  // Add
    headings.push_back(d.Text(IDC_DIALOG_HEADING));
    EXPECT_EQ(d.ListView(IDC_FORM_LIST).Text(1, 2), u"Travel");
    d.Press(IDC_FORM_EXTRA2);  // Skip
    headings.push_back(d.Text(IDC_DIALOG_HEADING));
    d.Cancel();
  });
  EXPECT_EQ(AddItems(CBstr(), Item(u"Service", u"Survey", u"80.00"), Line(u"Subtotal", u"", u""),
                     Item(u"Service", u"Travel"), Item(u"Non-inventory Part", u"Socket")),
            0);
  EXPECT_EQ(headings, (std::vector<std::u16string>{u"Adding Item 1 of 3", u"Adding Item 2 of 3", u"Adding Item 3 of 3"}));
  EXPECT_EQ(Lines(), u"Survey 3 80.00;Subtotal line  ;");
  EXPECT_EQ(history.GetUndoCount(), 2u) << "each line is its own step";
  // Nothing but adjustments: added without a form.
  EXPECT_EQ(AddItems(CBstr(), Line(u"Discount", u"", u"5%"), Line(u"Subtotal", u"", u"")), 1);
  EXPECT_EQ(history.GetUndoCount(), 4u);
}

TEST_F(LineItemForms, AddItemRowsFollowTheDocumentAndTheTitleOkAccepts) {
  stores->levels.AddPriceLevel(u"Gold", NewListId().view(), u"", u"", u"", u"-10");
  CListCache(&stores->store).AddItemField(u"Colour", NewListId().view(), u"", u"");
  for (int type : {kDocInvoice, kDocCreditMemo}) {
    m_settings->SetFlag(type, 51, 1);
    m_settings->SetFlag(type, 79, 1);
  }
  UiScript ui;
  ui.ExpectDialog(IDD_ADD_LINE_ITEM, [&](DialogDriver& d) {
    EXPECT_EQ(d.Text(IDC_DIALOG_HEADING), u"Add Invoice Item");
    EXPECT_EQ(Shown(d, 5, true), u"Amount: 20.00|Serviced: 3/10/2026|Price Level: Gold|Colour: ");
    TypeIntoField(d, d.Window(), 8, u"Red");
    d.Press(kTitleOkButtonId);
  });
  EXPECT_EQ(AddItems(CBstr(u"Gold"), Item(u"Service", u"Survey")), 1);
  const CLineItemTexts added = LineAt(*doc, 0);
  EXPECT_EQ(added.price.str() + u" " + added.priceLevel.str() + u" " + added.customName1.str() + u"=" +
                added.customValue1.str(),
            u"18.00 Gold Colour=Red");
  // A payment has no price level; a credit memo no service date.
  doc->SetDocType(kDocCreditMemo);
  ui.ExpectDialog(IDD_ADD_LINE_ITEM, [&](DialogDriver& d) {
    EXPECT_EQ(Shown(d, 5), u"Amount:|Colour:");
    d.Cancel();
  });
  EXPECT_EQ(AddItems(CBstr(u"Gold"), Item(u"Payment", u"Deposit")), 0);
  EXPECT_EQ(doc->GetXmlDocument().CountElements(u"LINEITEM"), 1);
}

// A line starts with its item's own custom values (or empty ones), with a form or without, and
// neither becomes a unit of measure.
TEST_F(LineItemForms, ALineStartsWithItsItemsOwnCustomValues) {
  CListCache(&stores->store).AddItemField(u"Colour", NewListId().view(), u"", u"");
  m_settings->SetFlag(kDocInvoice, 79, 1);  // Customize: Custom 1 on screen
  auto stored = [&](const char16_t* name, const char16_t* colour, const char16_t* size) {
    auto item = Item(u"Service", name);
    item->SetField(kFieldCustomValue1, colour);
    item->SetField(kFieldCustomValue2, size);
    EXPECT_EQ(stores->store.AddItem(nullptr, *item, CItemStore::OnDuplicate::Insert), 1);
    return stores->store.GetItem(*item, false);
  };
  std::vector<std::u16string> shown;
  UiScript ui;
  for (int form = 0; form < 2; ++form)
    ui.ExpectDialog(IDD_ADD_LINE_ITEM, [&](DialogDriver& d) {
      shown.push_back(Shown(d, 7, true));
      d.Press(kTitleOkButtonId);
    });
  EXPECT_EQ(AddItems(CBstr(), stored(u"Survey", u"Red", u"Large")), 1);
  EXPECT_EQ(AddItems(CBstr(), stored(u"Travel", u"", u"")), 1);
  EXPECT_EQ(shown, (std::vector<std::u16string>{u"Colour: Red", u"Colour: "}));
  Add(stored(u"Crate", u"Blue", u""));  // without a form, as a scanned item
  std::u16string customs;
  for (LONG i = 0; i < 3; ++i) {
    const CLineItemTexts l = LineAt(*doc, i);
    customs += l.customValue1.str() + u" " + l.customValue2.str() + u" [" + l.unitOfMeasure.str() + u"];";
  }
  EXPECT_EQ(customs, u"Red Large [];  [];Blue  [];");
}

}  // namespace
