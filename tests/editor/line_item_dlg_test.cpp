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
#include "HistoryWindow.h"
#include "../core/FieldFormTyping.h"
#include "core/ResourceText.h"
#include "core/DialogTitleBar.h"
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
  void SetUp() override {
    SalesDocumentTest::SetUp();
    stores = &UseStoreLists();
    InstallServices();
    doc = Make();
    doc->InitNew(4, kDocInvoice);
    doc->SetUseSalesTax(true);
  }
  void TearDown() override {
    history.Clear();
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
  // The labels the "Invoice Item" form shows for the line (hidden rows show none).
  std::vector<std::u16string> Labels(CDbRecord& line, int* labelWidth = nullptr) {
    std::vector<std::u16string> labels;
    UiScript ui;
    ui.ExpectDialog(IDD_FIELD_FORM, [&](DialogDriver& d) {
      auto list = d.ListView(IDC_FORM_LIST);
      for (int r = 0; r < list.Count(); ++r) labels.push_back(list.Text(r, 1));
      if (labelWidth) *labelWidth = int(SendMessageW(list.Window(), LVM_GETCOLUMNWIDTH, 1, 0));
      d.Cancel();
    });
    CLineItemDlg dialog(GetResourceInstance(), nullptr, u'N', line, *doc, &stores->store);
    EXPECT_EQ(dialog.DoModal(), 0);
    return labels;
  }
  // Edits the line with the key through the edit command; `act` works the form.
  bool EditLine(const CBstr& key, WCHAR column, std::function<void(DialogDriver&)> act) {
    UiScript ui;
    ui.ExpectDialog(IDD_FIELD_FORM, std::move(act));
    history.Submit(std::make_unique<CEditLineItemCommand>(
        *doc, nullptr, nullptr, key, column, [&](CDbRecord& line, WCHAR letter) {
          CLineItemDlg dialog(GetResourceInstance(), nullptr, letter, line, *doc, &stores->store);
          return dialog.DoModal() == 1;
        }));
    return history.ExecutePending();
  }
  CBstr Add(std::unique_ptr<CDbRecord> line) {
    CDbRecord* added = line.get();
    history.Submit(std::make_unique<CAddLineItemCommand>(*doc, nullptr, nullptr, std::move(line), true, true, false, 1));
    EXPECT_TRUE(history.ExecutePending());
    return CBstr(added->FieldView(kLineFieldKey));
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
  std::unique_ptr<CSalesDocument> doc;
};

TEST_F(LineItemForms, InvoiceItemRowsFollowTheLineType) {
  int width = 0;
  auto discount = Line(u"Discount", u"", u"-5.00");
  EXPECT_EQ(Labels(*discount, &width),
            (std::vector<std::u16string>{u"Type:", u"Name:", u"Description:", u"", u"", u"Amount or %:", u"Tax Code:"}));
  EXPECT_EQ(width, 92);
  doc->SetUseSalesTax(false);
  auto service = Item(u"Service", u"Survey");
  EXPECT_EQ(Labels(*service, &width),
            (std::vector<std::u16string>{u"Quantity:", u"Name:", u"Description:", u"", u"", u"Sales price:", u""}));
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
  EXPECT_EQ(Labels(*part), (std::vector<std::u16string>{u"Quantity:", u"Name:", u"Description:", u"", u"",
                                                         u"Sales price:", u"Cost:", u"Tax Code:", u"Serviced:",
                                                         u"Colour:"}));

  const std::pair<WCHAR, int> partFocus[] = {{u'Q', 0}, {u'N', 1}, {u'D', 2}, {u'P', 5}, {u'T', 7},
                                             {u'S', 8}, {u'C', 9}, {u'E', -1}, {u'X', -1}};
  for (auto [letter, row] : partFocus)
    EXPECT_EQ(CLineItemDlg(GetResourceInstance(), nullptr, letter, *part, *doc, nullptr).FocusRow(), row) << char(letter);
  const std::pair<WCHAR, int> discountFocus[] = {{u'D', -1}, {u'Q', -1}, {u'P', 5}, {u'T', 6}};
  for (auto [letter, row] : discountFocus)
    EXPECT_EQ(CLineItemDlg(GetResourceInstance(), nullptr, letter, *discount, *doc, nullptr).FocusRow(), row)
        << char(letter);
}

TEST_F(LineItemForms, InvoiceItemOffersEveryTaxCodeOrNon) {
  auto choices = [&](CItemStore* store) {
    std::vector<std::u16string> texts;
    UiScript ui;
    ui.ExpectDialog(IDD_FIELD_FORM, [&](DialogDriver& d) {
      SendMessageW(d.Window(), CFieldForm::kStartEditor, 0, 6);
      HWND combo = GetFocus();
      for (int i = 0; i < int(SendMessageW(combo, CB_GETCOUNT, 0, 0)); ++i) {
        WCHAR text[64] = {};
        SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
        texts.emplace_back(text);
      }
      SendMessageW(combo, CB_SHOWDROPDOWN, FALSE, 0);
      d.Cancel();
    });
    auto discount = Line(u"Discount", u"", u"5%");
    CLineItemDlg(GetResourceInstance(), nullptr, u'N', *discount, *doc, store).DoModal();
    return texts;
  };
  EXPECT_EQ(choices(&stores->store), std::vector<std::u16string>{u"Non"});
  for (int i = 0; i < 20; ++i) {
    std::u16string name = u"C" + platform::ToUtf16(std::to_string(10 + i));
    stores->codes.AddTaxCode(name, u"", NewListId().view(), u"true", u"", u"", false);
  }
  std::vector<std::u16string> all = choices(&stores->store);
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
  ASSERT_TRUE(EditLine(discountKey, u'P', [](DialogDriver& d) {
    d.Type(u"10%");
    d.Ok();
  }));
  ASSERT_TRUE(EditLine(paymentKey, u'P', [](DialogDriver& d) {
    d.Type(u"25");
    d.Ok();
  }));
  EXPECT_EQ(Lines(), u"Cable 2 12.50;Discount line  -10.00%;Payment line  -25.00;");
  EXPECT_EQ(LineAt(*doc, 0).description.str(), u"Grey\r\nIndoor");
  EXPECT_EQ(LineAt(*doc, 1).total.str(), u"(2.50)");
  // Cancel keeps the line as it was and leaves the history alone.
  EXPECT_FALSE(EditLine(cableKey, u'N', [](DialogDriver& d) {
    d.Type(u"Rope");
    d.Cancel();
  }));
  EXPECT_EQ(LineAt(*doc, 0).name.str(), u"Cable");
  EXPECT_EQ(history.GetUndoCount(), 6u);

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
  editor_test::HistoryWindow owner(history);
  std::vector<std::unique_ptr<CDbRecord>> items;
  items.push_back(Item(u"Service", u"Survey", u"80.00"));
  items.push_back(Line(u"Subtotal", u"", u""));
  items.push_back(Item(u"Service", u"Travel"));
  items.push_back(Item(u"Non-inventory Part", u"Socket"));
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
  CAddLineItemsDlg dialog(GetResourceInstance(), &stores->store, nullptr, owner, *doc, std::move(items), false, true,
                          false, 1, CBstr());
  EXPECT_EQ(dialog.Run(), 0);
  EXPECT_EQ(headings, (std::vector<std::u16string>{u"Adding Item 1 of 3", u"Adding Item 2 of 3", u"Adding Item 3 of 3"}));
  EXPECT_EQ(Lines(), u"Survey 3 80.00;Subtotal line  ;");
  EXPECT_EQ(history.GetUndoCount(), 2u) << "each line is its own step";
}

TEST_F(LineItemForms, AddItemRowsFollowTheDocumentAndTheTitleOkAccepts) {
  editor_test::HistoryWindow owner(history);
  stores->levels.AddPriceLevel(u"Gold", NewListId().view(), u"", u"", u"", u"-10");
  CListCache fields(&stores->store);
  fields.AddItemField(u"Colour", NewListId().view(), u"", u"");
  m_settings->SetFlag(kDocInvoice, 51, 1);
  m_settings->SetFlag(kDocCreditMemo, 51, 1);
  m_settings->SetFlag(kDocInvoice, 79, 1);
  m_settings->SetFlag(kDocCreditMemo, 79, 1);
  auto run = [&](std::unique_ptr<CDbRecord> item, std::function<void(DialogDriver&)> act) {
    std::vector<std::unique_ptr<CDbRecord>> items;
    items.push_back(std::move(item));
    UiScript ui;
    ui.ExpectDialog(IDD_ADD_LINE_ITEM, std::move(act));
    return CAddLineItemsDlg(GetResourceInstance(), &stores->store, nullptr, owner, *doc, std::move(items), false,
                            true, false, 1, CBstr(u"Gold"))
        .Run();
  };
  auto labels = [](DialogDriver& d) {
    std::vector<std::u16string> texts;
    for (int r = 5; r < d.ListView(IDC_FORM_LIST).Count(); ++r)
      texts.push_back(d.ListView(IDC_FORM_LIST).Text(r, 1) + d.ListView(IDC_FORM_LIST).Text(r, 2));
    return texts;
  };
  EXPECT_EQ(run(Item(u"Service", u"Survey"), [&](DialogDriver& d) {
              EXPECT_EQ(d.Text(IDC_DIALOG_HEADING), u"Add Invoice Item");
              EXPECT_EQ(labels(d), (std::vector<std::u16string>{u"Amount:20.00", u"Serviced:3/10/2026",
                                                                u"Price Level:Gold", u"Colour:"}));
              TypeIntoField(d, d.Window(), 8, u"Red");
              d.Press(kTitleOkButtonId);
            }),
            1);
  const CLineItemTexts added = LineAt(*doc, 0);
  EXPECT_EQ(added.price.str() + u" " + added.priceLevel.str() + u" " + added.customName1.str() + u"=" +
                added.customValue1.str(),
            u"18.00 Gold Colour=Red");
  // A payment has no price level; a credit memo no service date.
  doc->SetDocType(kDocCreditMemo);
  run(Item(u"Payment", u"Deposit"), [&](DialogDriver& d) {
    EXPECT_EQ(labels(d), (std::vector<std::u16string>{u"Amount:20.00", u"Colour:"}));
    d.Cancel();
  });
  EXPECT_EQ(doc->GetXmlDocument().CountElements(u"LINEITEM"), 1);
}

TEST_F(LineItemForms, AddItemsOfAdjustmentsOnlyShowsNoForm) {
  editor_test::HistoryWindow owner(history);
  std::vector<std::unique_ptr<CDbRecord>> items;
  items.push_back(Line(u"Discount", u"", u"5%"));
  items.push_back(Line(u"Subtotal", u"", u""));
  CAddLineItemsDlg dialog(GetResourceInstance(), &stores->store, nullptr, owner, *doc, std::move(items), false, true,
                          false, 0, CBstr());
  EXPECT_EQ(dialog.Run(), 1);
  EXPECT_EQ(doc->GetXmlDocument().CountElements(u"LINEITEM"), 2);
}

}  // namespace
