// What Customize writes: every page's rows into the settings of the document's type (read
// again after a restart), the Other captions into the document (the Sales Tax caption
// leaves the document's tax alone), the style rule, and which rows apply to which type.
#include <gtest/gtest.h>

#include "../document/SalesDocumentFixture.h"
#include "core/Preferences.h"
#include "customers/CustomizeLayout.h"
#include "platform/registry/Registry.h"

namespace {

class CustomizeLayout : public sales_test::SalesDocumentTest {
 protected:
  void SetUp() override {
    SalesDocumentTest::SetUp();
    InstallServices();
    doc = NewDocument(kDocEstimate);
  }
  void TearDown() override {
    doc.reset();
    SalesDocumentTest::TearDown();
  }
  std::array<CFieldGridModel, CCustomizeLayout::kPageCount> Fill(CCustomizeLayout& layout) {
    std::array<CFieldGridModel, CCustomizeLayout::kPageCount> pages;
    for (int i = 0; i < CCustomizeLayout::kPageCount; ++i) layout.FillPage(i, pages[static_cast<size_t>(i)]);
    return pages;
  }
  static std::array<const CFieldGridModel*, CCustomizeLayout::kPageCount> Views(
      const std::array<CFieldGridModel, CCustomizeLayout::kPageCount>& pages) {
    std::array<const CFieldGridModel*, CCustomizeLayout::kPageCount> views;
    for (size_t i = 0; i < pages.size(); ++i) views[i] = &pages[i];
    return views;
  }
  std::unique_ptr<CSalesDocument> doc;
};

TEST_F(CustomizeLayout, OneChangeOnEveryPageSurvivesARestartAndReachesTheDocument) {
  CCustomSettings settings;
  settings.Load();
  CCustomizeLayout layout(settings, doc.get(), kDocEstimate, {u"Region"}, {});
  auto pages = Fill(layout);
  doc->SetTax(CBstr(u"City Sales Tax"), CBstr(u"2.50%"), CBstr(u""), true);
  std::u16string other = u"Region", tax = u"VAT", title = u"Quote";
  pages[0].EndEdit(2, &title);
  pages[1].EndEdit(4, &other);
  for (int page = 2; page < CCustomizeLayout::kPageCount; ++page)
    pages[static_cast<size_t>(page)].Toggle(0, CFieldGridModel::kPrinterColumn);
  pages[5].EndEdit(3, &tax);
  BYTE before = settings.GetFlag(kDocEstimate, 21);

  ULONGLONG generation = platform::RegistryGeneration(HKEY_CURRENT_USER);
  ASSERT_TRUE(layout.Apply(Views(pages)));
  EXPECT_EQ(platform::RegistryGeneration(HKEY_CURRENT_USER), generation + 1) << "one hive write per save";

  platform::ReloadRegistry();
  CCustomSettings reread;
  reread.Load();
  EXPECT_EQ(reread.GetCaption(kDocEstimate, 0), u"Quote");
  EXPECT_EQ(reread.GetCaption(kDocInvoice, 0), settings.GetCaption(kDocInvoice, 0));
  EXPECT_EQ(reread.GetCaption(kDocEstimate, 32), u"Region");
  EXPECT_EQ(reread.GetFlag(kDocEstimate, 21), before ? 0 : 1);
  for (int printerRow : {52, 64, 33, 68}) EXPECT_EQ(reread.GetFlag(kDocEstimate, printerRow), settings.GetFlag(kDocEstimate, printerRow));
  EXPECT_EQ(doc->GetAttribute(u"OTHER1FIELDNAME").str(), u"Region");
  EXPECT_EQ(reread.GetCaption(kDocEstimate, 14), u"VAT");
  EXPECT_EQ(doc->GetAttribute(u"TAXNAME").str(), u"City Sales Tax");
  EXPECT_EQ(doc->GetAttribute(u"TAXRATE").str(), u"2.50%");
  CPreferences preferences;
  std::u16string lastTax;
  EXPECT_FALSE(preferences.GetString(u"LastTaxName", lastTax)) << platform::ToUtf8(lastTax);
  EXPECT_EQ(preferences.GetDword(u"InvoiceStyle", 0), 4u);
  EXPECT_EQ(doc->GetStyle(), 4);
}

TEST_F(CustomizeLayout, StyleIsLeftAloneUnlessTheColumnsChangeOrTheStyleIsNotCustom) {
  CCustomSettings settings;
  settings.Load();
  CPreferences preferences;
  doc->SetStyle(4);
  preferences.SetDword(u"InvoiceStyle", 1);  // Default Style on Options' Storage page, which Customize may change
  CCustomizeLayout layout(settings, doc.get(), kDocEstimate, {}, {});
  auto pages = Fill(layout);
  ASSERT_TRUE(layout.Apply(Views(pages)));
  EXPECT_EQ(preferences.GetDword(u"InvoiceStyle", 0), 1u);

  doc->SetStyle(0);
  ASSERT_TRUE(layout.Apply(Views(pages)));
  EXPECT_EQ(preferences.GetDword(u"InvoiceStyle", 0), 4u);
  EXPECT_EQ(doc->GetStyle(), 4);

  preferences.SetDword(u"InvoiceStyle", 2);  // another Default Style chosen on Options
  pages[CCustomizeLayout::kColumnsPage].Toggle(1, CFieldGridModel::kScreenColumn);
  ASSERT_TRUE(layout.Apply(Views(pages)));
  EXPECT_EQ(preferences.GetDword(u"InvoiceStyle", 0), 4u);
}

TEST_F(CustomizeLayout, RowsApplyByTypeAndChoicesOfferADifferentFieldName) {
  CCustomSettings settings;
  settings.Load();
  CCustomizeLayout payment(settings, nullptr, kDocPayment, {u"Region"}, {u"Color", u"Size"});
  auto pages = Fill(payment);
  const CFieldGridModel& more = pages[2];
  for (int notApplying : {0, 2, 3}) EXPECT_EQ(more.CheckImage(notApplying, CFieldGridModel::kScreenColumn), CFieldGridModel::kNotApplicable);
  for (int applying : {1, 6}) EXPECT_NE(more.CheckImage(applying, CFieldGridModel::kScreenColumn), CFieldGridModel::kNotApplicable);
  EXPECT_EQ(more.NextEditableRow(0), 1);

  const CustomizeRowSpec& other1 = CCustomizeLayout::Pages()[1].rows[4];
  EXPECT_EQ(payment.Choices(other1, u"Region").size(), 1u);
  EXPECT_EQ(payment.Choices(other1, u"Other"), (std::vector<std::u16string>{u"Other", u"Region"}));
  const CustomizeRowSpec& custom2 = CCustomizeLayout::Pages()[4].rows[3];
  EXPECT_EQ(payment.Choices(custom2, u"C2"), (std::vector<std::u16string>{u"C2", u"Size"}));
  EXPECT_EQ(pages[4].Row(3)->maxLength, 80);

  EXPECT_EQ(CCustomizeLayout::FirstPage(6), 6);
  EXPECT_EQ(CCustomizeLayout::FirstPage(7), 0);
  EXPECT_EQ(CCustomizeLayout::FirstPage(0xFFFFFFFF), 0);
}

}  // namespace
