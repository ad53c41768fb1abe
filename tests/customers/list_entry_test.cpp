// The list entry form and the item entry dialog: rows by type, what goes back into the
// record, and the Inventory tab.
#include <gtest/gtest.h>

#include "CustomerScreensFixture.h"
#include "core/CustomSettings.h"
#include "core/Preferences.h"
#include "customers/ItemEntryDlg.h"
#include "customers/ListEntryForm.h"
#include "datastore/DbRecord.h"
#include "datastore/ListCache.h"
#include "resources/resource_ids.h"

namespace customers_test {
namespace {

using platform::testing::DialogDriver;

class ListEntryTest : public CustomerScreensTest {
 protected:
  // The labels of the rows the type shows (inactive rows left out).
  std::vector<std::u16string> Shown(std::u16string type) {
    CListEntryRows rows(record, std::move(type), 0, &Store(), m_settings.get());
    CFieldFormModel form;
    rows.Build(form);
    std::vector<std::u16string> labels;
    for (int i = 0; i < form.FieldCount(); ++i) {
      const FormField* field = form.Field(i);
      if (!(field->flags & kFlagHidden) && !field->label.IsEmpty()) labels.push_back(field->label.str());
    }
    return labels;
  }
  using Labels = std::vector<std::u16string>;

  CDbRecord record;
};

TEST_F(ListEntryTest, EachTypeShowsItsOwnRows) {
  EXPECT_EQ(Shown(u"Vendors"), (Labels{u"Type:", u"Name:"}));
  EXPECT_EQ(Shown(u"Job Types"), (Labels{u"Type:", u"Name:", u"Desc:"}));
  EXPECT_EQ(Shown(u"Terms"), (Labels{u"Type:", u"Name:", u"Days till due:"}));
  EXPECT_EQ(Shown(u"Sales Reps"), (Labels{u"Type:", u"Initials:", u"Name:"}));
  EXPECT_EQ(Shown(u"Service"), (Labels{u"Type:", u"Name:", u"Desc:", u"Rate:", u"Tax Code:", u"Account:"}));
  EXPECT_EQ(Shown(u"Inventory Part"),
            (Labels{u"Type:", u"Name:", u"Desc:", u"Sales price:", u"Cost:", u"Tax Code:", u"Account:"}));
  EXPECT_EQ(Shown(u"Discount"),
            (Labels{u"Type:", u"Name:", u"Desc:", u"Discount($/%):", u"Tax Code:", u"Account:"}));
  EXPECT_EQ(Shown(u"Sales Tax Item"), (Labels{u"Type:", u"Name:", u"Desc:", u"Amount:", u"Agency:"}));
  EXPECT_EQ(Shown(u"Payment"),
            (Labels{u"Type:", u"Name:", u"Desc:", u"Amount:", u"Method:", u"Deposit:"}));
}

TEST_F(ListEntryTest, RowsGoBackIntoTheirFields) {
  record.SetField(kFieldTaxable, u"Tax");
  CListEntryRows tax(record, u"Sales Tax Item", 0, &Store(), m_settings.get());
  CFieldFormModel form;
  tax.Build(form);
  EXPECT_EQ(form.Field(6)->flags & kFlagEditable, kFlagEditable);
  EXPECT_NE(form.Field(6)->flags & kFlagHidden, 0u);  // Taxable: never edited
  form.Field(1)->value = CBstr(u"County");
  form.Field(5)->value = CBstr(u"2.5");
  form.Field(6)->value = CBstr(u"No");
  form.Field(8)->value = CBstr(u"State Board");
  tax.WriteBack(form);
  EXPECT_EQ(record.FieldView(kFieldListType), u"Sales Tax Item");
  EXPECT_EQ(record.FieldView(kFieldName), u"County");
  EXPECT_EQ(record.FieldView(kFieldSalesAmount), u"2.5");
  EXPECT_EQ(record.FieldView(kFieldTaxable), u"Tax");  // not written back
  EXPECT_EQ(record.FieldView(kFieldVendor), u"State Board");

  CListEntryRows part(record, u"Inventory Part", 0, &Store(), m_settings.get());
  CFieldFormModel partForm;
  part.Build(partForm);
  partForm.Field(6)->value = CBstr(u"3.10");  // Cost
  partForm.Field(7)->value = CBstr(u"Non");   // Tax Code, one row further down
  part.WriteBack(partForm);
  EXPECT_EQ(record.FieldView(kFieldPurchaseCost), u"3.10");
  EXPECT_EQ(record.FieldView(kFieldTaxable), u"Non");
}

TEST_F(ListEntryTest, ALongMessageIsNamedByItsFirstWords) {
  EXPECT_EQ(ShortMessageName(u"Thank you for your business!"), u"Thank you for your business!");
  const std::u16string forty = u"Thank you for your business, see you soon";
  ASSERT_EQ(forty.size(), 41u);
  EXPECT_EQ(ShortMessageName(forty), forty.substr(0, 28) + u"...");
}

TEST_F(ListEntryTest, CustomFieldsNeedANameAndTheirFlag) {
  CListCache cache(&Store());
  ASSERT_EQ(cache.AddItemField(u"Colour", u"", u"", u""), 1);
  m_settings->SetFlag(0, 81, 1);  // the second field's flag: it has no name
  EXPECT_EQ(Shown(u"Service").size(), 6u);
  m_settings->SetFlag(0, 79, 1);
  Labels labels = Shown(u"Service");
  ASSERT_EQ(labels.size(), 7u);
  EXPECT_EQ(labels.back(), u"Colour:");
}

TEST_F(ListEntryTest, ACancelledFormLeavesTheRecordAlone) {
  record.SetField(kFieldName, u"Net 30");
  CListEntryForm entry(GetResourceInstance(), nullptr, &Store(), record, u"Terms", 0);
  platform::testing::UiScript ui;
  ui.ExpectDialog(IDD_FIELD_FORM, [&](DialogDriver& d) {
    entry.Form().Model().Field(1)->value = CBstr(u"Net 45");
    d.Cancel();
  });
  EXPECT_EQ(entry.Run(), CFieldFormModel::kEndCancelled);
  EXPECT_EQ(record.FieldView(kFieldName), u"Net 30");
}

class ItemEntryTest : public ListEntryTest {
 protected:
  // Runs the dialog on the type; `act` acts in it before Done or Cancel.
  INT_PTR Run(std::u16string type, std::function<void(DialogDriver&, CItemEntryDlg&)> act) {
    CItemEntryDlg dialog(GetResourceInstance(), nullptr, &Store(), record, std::move(type), false, 0);
    platform::testing::UiScript ui;
    ui.ExpectDialog(IDD_TABBED_FORM, [&](DialogDriver& d) { act(d, dialog); });
    return dialog.DoModal();
  }
  static std::vector<std::u16string> Tabs(DialogDriver& d) {
    return d.Tabs(full_screen::CPageTabs::kTabControlId).Texts();
  }
};

TEST_F(ItemEntryTest, InventoryTabOnlyWhileTrackedAndForInventoryTypes) {
  Run(u"Inventory Part", [](DialogDriver& d, CItemEntryDlg&) {
    EXPECT_EQ(Tabs(d), (Labels{u"Details"}));
    d.Cancel();
  });
  CPreferences().SetDword(u"TrackInventory", 1);  // Track Inventory: Yes on Options' Other page
  Run(u"Service", [](DialogDriver& d, CItemEntryDlg&) {
    EXPECT_EQ(Tabs(d), (Labels{u"Details"}));
    d.Cancel();
  });
  Run(u"Inventory Assembly", [](DialogDriver& d, CItemEntryDlg& dialog) {
    EXPECT_EQ(Tabs(d), (Labels{u"Details", u"Inventory"}));
    EXPECT_EQ(dialog.Inventory()->Model().Field(1)->label.view(), u"Build Point:");
    // The type changes away from inventory: the tab goes at once.
    SendMessageW(d.Window(), kMsgItemTypeChosen, 0, reinterpret_cast<LPARAM>(u"Service"));
    EXPECT_EQ(Tabs(d), (Labels{u"Details"}));
    SendMessageW(d.Window(), kMsgItemTypeChosen, 0, reinterpret_cast<LPARAM>(u"Inventory Part"));
    EXPECT_EQ(Tabs(d), (Labels{u"Details", u"Inventory"}));
    d.Cancel();
  });
}

TEST_F(ItemEntryTest, QuantitiesAreSavedAndTheLastTabIsRemembered) {
  CPreferences().SetDword(u"TrackInventory", 1);  // Track Inventory: Yes on Options' Other page
  CItemEntryDlg::SetLastTab(CItemEntryDlg::kDetailsTab);
  record.SetField(kFieldName, u"Mulch");
  record.SetQuantity(kQuantityOnHand, 4);
  const INT_PTR done = Run(u"Inventory Part", [](DialogDriver& d, CItemEntryDlg& dialog) {
    EXPECT_EQ(dialog.Inventory()->Model().Field(1)->label.view(), u"Reorder Point:");
    EXPECT_EQ(dialog.Inventory()->Model().Field(0)->value.view(), u"4");
    d.Tabs(full_screen::CPageTabs::kTabControlId).Tap(u"Inventory");
    dialog.Inventory()->Model().Field(0)->value = CBstr(u"12 bags");
    dialog.Inventory()->Model().Field(1)->value = CBstr(u"none");
    d.Ok();
  });
  EXPECT_EQ(done, 1);
  EXPECT_EQ(record.GetQuantity(kQuantityOnHand), 12);
  EXPECT_EQ(record.GetQuantity(kReorderPoint), 0);
  EXPECT_EQ(CItemEntryDlg::LastTab(), CItemEntryDlg::kInventoryTab);
  Run(u"Inventory Part", [](DialogDriver& d, CItemEntryDlg&) {
    EXPECT_EQ(d.Tabs(full_screen::CPageTabs::kTabControlId).Current(), CItemEntryDlg::kInventoryTab);
    d.Cancel();
  });
  Run(u"Service", [](DialogDriver& d, CItemEntryDlg&) {
    EXPECT_EQ(d.Tabs(full_screen::CPageTabs::kTabControlId).Current(), CItemEntryDlg::kDetailsTab);
    d.Cancel();
  });
}

}  // namespace
}  // namespace customers_test
