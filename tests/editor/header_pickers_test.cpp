// The header-field forms and the job and company dialogs, run as the user runs them over
// a real item store: choices come from the stored lists, OK hands back the choice,
// Cancel changes nothing, and what a form cannot take is refused.
#include <gtest/gtest.h>

#include <filesystem>

#include "../core/FieldFormTyping.h"
#include "../document/SalesDocumentFixture.h"
#include "core/CompanyInfo.h"
#include "core/Preferences.h"
#include "datastore/ListAccessor.h"
#include "datastore/NamedList.h"
#include "document/JobRecord.h"
#include "document/ShipToAddress.h"
#include "editor/HeaderPickers.h"
#include "editor/JobCompanyDlg.h"
#include "platform/gdi/ScreenSize.h"
#include "platform/testing/UiScript.h"
#include "resources/resource_ids.h"

namespace {

using platform::testing::DialogDriver;
using platform::testing::UiScript;
using slateway::testing::ChooseInOpenList;
using slateway::testing::TapFieldRow;
using slateway::testing::TypeIntoField;

class HeaderPickers : public sales_test::SalesDocumentTest {
 protected:
  void SetUp() override {
    SalesDocumentTest::SetUp();
    stored = &UseStoreLists();
  }
  CItemStore* Store() { return &stored->store; }
  HINSTANCE Resources() { return GetResourceInstance(); }
  void AddTax(std::u16string_view name, std::u16string_view rate, std::u16string_view vendor) {
    auto record = CDbRecord::CDbRecordOfType(kObjectItem, -1);
    record->SetField(kFieldName, name);
    record->SetField(kFieldListType, u"Sales Tax Item");
    record->SetField(kFieldParent, u"Sales Tax Item");
    record->SetField(kFieldSalesAmount, rate);
    record->SetField(kFieldVendor, vendor);
    ASSERT_EQ(Store()->AddItem(nullptr, *record, CItemStore::OnDuplicate::Refuse), 1);
  }
  // Runs `form` with `act` acting in its dialog.
  template <typename Form>
  INT_PTR Run(Form& form, std::function<void(DialogDriver&)> act, int templateId = IDD_FIELD_FORM) {
    UiScript ui;
    ui.ExpectDialog(templateId, std::move(act));
    return form.DoModal();
  }
  static std::u16string Row(CFieldForm& form, int index) { return form.Model().Field(index)->value.str(); }

  sales_test::StoreLists* stored = nullptr;
};

TEST_F(HeaderPickers, NameListsOfferTheStoredNamesAndHandBackTheChoice) {
  ASSERT_EQ(stored->terms.AddTerm(u"Net 15", u"", u"15", u"", u""), 1);
  ASSERT_EQ(stored->terms.AddTerm(u"Net 30", u"", u"30", u"", u""), 1);
  CTermsPicker terms(Resources(), nullptr, Store(), CBstr(u""));
  EXPECT_EQ(Row(terms.Form(), 0), u"Select Invoice Terms");
  EXPECT_EQ(Run(terms, [&](DialogDriver& d) {
    EXPECT_EQ(d.Text(IDC_DIALOG_HEADING), u"Terms of Payment");
    SendMessageW(d.Window(), kMsgStartEditor, 0, 0);
    ChooseInOpenList(d, terms.Form().EditorWindow(), 1);
    d.Ok();
  }), 1);
  CBstr text;
  terms.GetText(text);
  EXPECT_EQ(text.str(), u"Net 30");

  // More than a drop-down holds: the first 64 in name order; Cancel keeps the value.
  CShippingMethodsList ways(Store());
  for (int i = 0; i < 70; ++i) ways.AddEntry(u"Way " + std::u16string(1, u'A' + i / 10) + char16_t(u'0' + i % 10), u"", u"", u"", u"", true);
  CShipViaPicker shipVia(Resources(), nullptr, Store(), CBstr(u"Courier"));
  EXPECT_EQ(shipVia.Choices().count, 64);
  EXPECT_EQ(shipVia.Choices().first[63].str(), u"Way G3");
  EXPECT_EQ(Run(shipVia, [&](DialogDriver& d) {
    SendMessageW(d.Window(), kMsgStartEditor, 0, 0);
    ChooseInOpenList(d, shipVia.Form().EditorWindow(), 2);
    d.Cancel();
  }), 0);
  shipVia.GetText(text);
  EXPECT_EQ(text.str(), u"Courier");

  CPaymentMethodsList(Store()).AddEntry(u"Check", u"", u"", u"", u"", true);
  CPaymentMethodPicker payment(Resources(), nullptr, Store(), CBstr(u""));
  ASSERT_EQ(payment.Choices().count, 1);
  EXPECT_EQ(payment.Choices().first[0].str(), u"Check");
}

TEST_F(HeaderPickers, ARepBringsTheFullNameOfTheStoredRepWithItsInitials) {
  ASSERT_EQ(stored->reps.AddEntry(u"JD", u"", u"", u"", u"Jane Doe", true), 1);
  ASSERT_EQ(stored->reps.AddEntry(u"KA", u"", u"", u"", u"Kim Alder", true), 1);
  CSalesRepPicker chosen(Resources(), nullptr, Store(), CBstr(u""), CBstr(u""));
  EXPECT_EQ(Run(chosen, [&](DialogDriver& d) {
    EXPECT_TRUE(TapFieldRow(d, chosen.Form(), 0, true));
    ChooseInOpenList(d, chosen.Form().EditorWindow(), 1);
    d.Ok();
  }), 1);
  CBstr rep, fullName;
  chosen.GetText(rep);
  chosen.GetFullName(fullName);
  EXPECT_EQ(rep.str(), u"KA");
  EXPECT_EQ(fullName.str(), u"Kim Alder");

  // Initials no stored rep has keep the full name given; the form takes five characters at most.
  CSalesRepPicker typed(Resources(), nullptr, Store(), CBstr(u"JD"), CBstr(u"Jane Doe"));
  EXPECT_EQ(Run(typed, [&](DialogDriver& d) {
    TypeIntoField(d, d.Window(), 0, u"ZZTOPS");
    d.Ok();
  }), 1);
  typed.GetText(rep);
  typed.GetFullName(fullName);
  EXPECT_EQ(rep.str(), u"ZZTO");
  EXPECT_EQ(fullName.str(), u"Jane Doe");
}

TEST_F(HeaderPickers, ATaxChosenBringsItsRateAndVendorAndARateIsRequired) {
  AddTax(u"County", u"5%", u"County Board");
  AddTax(u"State", u"6.25%", u"State Board");
  CSalesTaxPicker picker(Resources(), nullptr, Store(), CBstr(u""), CBstr(u""), CBstr(u"Old Vendor"));
  EXPECT_EQ(Row(picker.Form(), 0), u"Select a Tax");
  EXPECT_EQ(Row(picker.Form(), 1), u"0");
  EXPECT_EQ(Run(picker, [&](DialogDriver& d) {
    EXPECT_TRUE(TapFieldRow(d, picker.Form(), 0, true));
    ChooseInOpenList(d, picker.Form().EditorWindow(), 1);
    EXPECT_EQ(Row(picker.Form(), 0), u"State");  // the name, not its rate
    EXPECT_EQ(Row(picker.Form(), 1), u"6.25%");
    d.Ok();
  }), 1);
  CBstr name, rate, vendor;
  picker.GetName(name);
  picker.GetRate(rate);
  picker.GetVendor(vendor);
  EXPECT_EQ(name.str(), u"State");
  EXPECT_EQ(rate.str(), u"6.25%");
  EXPECT_EQ(vendor.str(), u"State Board");

  CSalesTaxPicker typed(Resources(), nullptr, Store(), CBstr(u"5%"), CBstr(u"County"), CBstr(u"Kept"));
  EXPECT_EQ(Run(typed, [&](DialogDriver& d) {
    TypeIntoField(d, d.Window(), 1, u"");
    d.Key(VK_BACK);
    UiScript inner;
    inner.ExpectMessageBox(u"'Rate (%)' is a required field.", IDOK);
    d.Ok();  // refused: the form stays
    TypeIntoField(d, d.Window(), 0, u"county");  // case counts: no stored tax
    TypeIntoField(d, d.Window(), 1, u"4");
    d.Ok();
  }), 1);
  typed.GetName(name);
  typed.GetVendor(vendor);
  EXPECT_EQ(name.str(), u"county");
  EXPECT_EQ(vendor.str(), u"Kept");
}

TEST_F(HeaderPickers, NotesShowTheirLineBreaksAndComeBackUnchanged) {
  CNotesDlg notes(Resources(), nullptr, CBstr(u"Gate code<br>4411"), true);
  EXPECT_EQ(Run(notes, [&](DialogDriver& d) {
    EXPECT_EQ(d.ListView(IDC_FORM_LIST).Text(0, 2), u"Gate code");
    EXPECT_EQ(d.ListView(IDC_FORM_LIST).Text(1, 2), u"4411");
    d.Ok();
  }), 2);
  CBstr text;
  notes.GetText(text);
  EXPECT_EQ(text.str(), u"Gate code<br>4411");
  EXPECT_TRUE(notes.GetCheckBox());
}

TEST_F(HeaderPickers, ShipToRowsGoIntoTheirOwnLinesOnlyOnOk) {
  CXmlDocument xml(nullptr);
  ASSERT_TRUE(xml.LoadXmlText(u"<?xml version=\"1.0\"?><SALESDOCUMENT><SHIPTO><NAME>Dock 4</NAME><ADDRESS1>1 Quay St</ADDRESS1>"
                                u"<CITY>Hull</CITY></SHIPTO></SALESDOCUMENT>"));
  CShipToAddress address(nullptr, &xml);
  CShipToDlg cancelled(Resources(), nullptr, &address);
  EXPECT_EQ(Run(cancelled, [&](DialogDriver& d) {
    TypeIntoField(d, d.Window(), 0, u"Nobody");
    d.Cancel();
  }), 0);
  EXPECT_EQ(address.GetTexts().name.str(), u"Dock 4");

  CShipToDlg dialog(Resources(), nullptr, &address);
  EXPECT_EQ(Run(dialog, [&](DialogDriver& d) {
    TypeIntoField(d, d.Window(), 1, u"Unit 2\rNorth Yard\rGate B");
    TypeIntoField(d, d.Window(), 4, u"555-0101");
    d.Ok();
  }), 1);
  const CShipToTexts& texts = address.GetTexts();
  EXPECT_EQ(texts.name.str(), u"Dock 4");
  EXPECT_EQ(texts.address1.str(), u"Unit 2");
  EXPECT_EQ(texts.address2.str(), u"North Yard");
  EXPECT_EQ(texts.address3.str(), u"Gate B");
  EXPECT_EQ(texts.phone.str(), u"555-0101");
  EXPECT_EQ(texts.city.str(), u"Hull");  // not on the form: kept
}

TEST_F(HeaderPickers, ALabelIsFoundByItsWholeTextAndANewOneJoinsTheList) {
  const std::u16string longText = u"Parts shipped separately from the warehouse in the north, allow three days";
  CListAccessor labels(Store());
  ASSERT_EQ(labels.AddLabel(u"Parts shipped separately...", longText, u"L-1", u"", u"", false), 1);
  CLabelDlg stored(Resources(), nullptr, Store(), CBstr(u""), false);
  EXPECT_EQ(Run(stored, [&](DialogDriver& d) {
    EXPECT_FALSE(d.ListView(IDC_FORM_LIST).Text(1, 2).empty());  // cut over more than one row
    d.Ok();
  }), 2);
  CBstr text, listId;
  stored.GetText(text);
  stored.GetListID(listId);
  EXPECT_EQ(text.str(), longText);
  EXPECT_EQ(listId.str(), u"L-1");

  CLabelDlg typed(Resources(), nullptr, Store(), CBstr(u""), true);
  EXPECT_EQ(Run(typed, [&](DialogDriver& d) {
    TypeIntoField(d, d.Window(), 0, u"Fragile");
    d.Ok();
  }), 1);
  typed.GetListID(listId);
  ASSERT_FALSE(listId.IsEmpty());
  auto added = labels.GetLabelByListID(listId.view());
  ASSERT_NE(added, nullptr);
  EXPECT_EQ(added->FieldView(kFieldName), u"Fragile");
}

TEST_F(HeaderPickers, ACardNumberTakesDigitsOnly) {
  CTextEntryDlg entry(Resources(), nullptr, CBstr(u"Credit Card Number"), CBstr(u"Number:"), CBstr(u""), 24,
                      kFlagNumericKeys);
  EXPECT_EQ(Run(entry, [&](DialogDriver& d) {
    EXPECT_EQ(d.Text(IDC_DIALOG_HEADING), u"Credit Card Number");
    d.Type(u"4111x11");  // the editor is open at once
    d.Ok();
  }), 1);
  CBstr text;
  entry.GetText(text);
  EXPECT_EQ(text.str(), u"411111");
}

TEST_F(HeaderPickers, TheJobKeepsEachAddressRowAndItsCityLine) {
  CListCache types(Store());
  for (int i = 0; i < 25; ++i) types.AddJobType(u"Type " + std::u16string(1, u'A' + i), u"", u"", u"");
  CJobRecord job;
  job.SetField(0, CBstr(u"Roof"));
  job.SetField(8, CBstr(u"1 Main St"));
  job.SetField(12, CBstr(u"Springfield"));
  job.SetField(13, CBstr(u"IL"));
  job.SetField(14, CBstr(u"62704"));
  CJobDlg dialog(Resources(), nullptr, Store(), -1, &job);
  EXPECT_EQ(Run(dialog, [&](DialogDriver& d) {
    EXPECT_EQ(d.Tabs(full_screen::CPageTabs::kTabControlId).Texts(), (std::vector<std::u16string>{u"Address", u"Info"}));
    CFieldForm& address = *dialog.Page(CJobDlg::kAddressPage);
    EXPECT_EQ(Row(address, 4), u"Springfield, IL 62704");  // the last address row, not moved up
    TypeIntoField(d, address.GetHwnd(), 0, u"");
    d.Key(VK_BACK);
    d.Tabs(full_screen::CPageTabs::kTabControlId).Tap(u"Info");
    UiScript inner;
    inner.ExpectMessageBox(u"'Job' is a required field.", IDOK);
    d.Ok();  // refused, and the page with the empty row is shown again
    EXPECT_EQ(dialog.ShownPage(), CJobDlg::kAddressPage);
    TypeIntoField(d, address.GetHwnd(), 0, u"Roof and gutters");
    TypeIntoField(d, address.GetHwnd(), 1, u"1 Main St\r\r\rIL 61602");
    d.Ok();
  }, IDD_TABBED_FORM), 1);
  EXPECT_EQ(dialog.JobTypes().count, CJobDlg::kMaxJobTypes);
  auto slot = [&job](int i) { return CBstr(job.GetField(i)).str(); };
  EXPECT_EQ(slot(0), u"Roof and gutters");
  EXPECT_EQ(slot(8), u"1 Main St");
  EXPECT_EQ(slot(10), u"");
  EXPECT_EQ(slot(12), u"");  // no city before the state and zip
  EXPECT_EQ(slot(13), u"IL");
  EXPECT_EQ(slot(14), u"61602");
}

TEST_F(HeaderPickers, OkOnTheAlternateTabMakesItTheDefaultInMemoryOnly) {
  CCompanyInfo first(nullptr, CCompanyInfo::kFirstCompany);
  CCompanyInfo second(nullptr, CCompanyInfo::kCompanyB);
  first.SetName(u"Acme");
  second.SetName(u"Beta");
  second.SetUserName(u"Bea");
  CSelectCompanyDlg cancelled(Resources(), nullptr, first, second, 7);
  EXPECT_EQ(Run(cancelled, [&](DialogDriver& d) {
    EXPECT_EQ(cancelled.ShownPage(), CSelectCompanyDlg::kDefaultPage);  // an unknown page: the first
    TypeIntoField(d, cancelled.Page(0)->GetHwnd(), 1, u"Changed");
    d.Cancel();
  }, IDD_TABBED_FORM), 0);
  EXPECT_EQ(first.GetName(), u"Acme");

  CSelectCompanyDlg dialog(Resources(), nullptr, first, second, CSelectCompanyDlg::kAlternatePage);
  EXPECT_EQ(Run(dialog, [&](DialogDriver& d) {
    EXPECT_EQ(d.Tabs(full_screen::CPageTabs::kTabControlId).Current(), 1);
    TypeIntoField(d, dialog.Page(1)->GetHwnd(), 1, u"Beta Works");
    d.Ok();
  }, IDD_TABBED_FORM), 1);
  EXPECT_EQ(second.GetName(), u"Beta Works");
  CPreferences preferences;
  EXPECT_EQ(preferences.GetDword(u"DEFAULT_COMPANY", 9), 1u);
  EXPECT_EQ(preferences.GetDword(u"LastCompanyPage", 9), 1u);
  CCompanyInfo reloaded(nullptr, CCompanyInfo::kCompanyB);
  reloaded.Load();
  EXPECT_NE(reloaded.GetName(), u"Beta Works");
}

// Pictures of the forms on the small and the large screen, for people to look at
// (written where SLATEWAY_SCREENSHOTS points, else into the device root).
TEST_F(HeaderPickers, ArePicturedOnBothScreenSizes) {
  const char* dir = std::getenv("SLATEWAY_SCREENSHOTS");
  CJobRecord job;
  for (int width : {240, 480}) {
    platform::SetScreenProfile(width == 240 ? platform::ScreenProfile::Portrait240x320
                                            : platform::ScreenProfile::Portrait480x640);
    SetHighResolution(width == 480);
    auto picture = [&](const char* name) {
      auto file = (dir ? std::filesystem::path(dir) : Linux(u"\\")) / (name + std::to_string(width) + ".png");
      return [file](DialogDriver& d) {
        EXPECT_TRUE(platform::SaveScreenshot(file));
        d.Cancel();
      };
    };
    CSalesTaxPicker tax(Resources(), nullptr, Store(), CBstr(u""), CBstr(u""), CBstr(u""));
    Run(tax, picture("sales_tax_"));
    CNotesDlg notes(Resources(), nullptr, CBstr(u"Call ahead<br>Gate 4"), true);
    Run(notes, picture("notes_"));
    CJobDlg jobDialog(Resources(), nullptr, Store(), 0, &job);
    Run(jobDialog, picture("job_"), IDD_TABBED_FORM);
  }
  platform::SetScreenProfile(platform::ScreenProfile::Portrait240x320);
  SetHighResolution(false);
}

}  // namespace
