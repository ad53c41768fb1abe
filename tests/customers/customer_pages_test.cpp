// The customer dialog's rows and how they go back into the record, page by page.
#include <gtest/gtest.h>

#include "CustomerScreensFixture.h"
#include "core/CryptoHelper.h"
#include "customers/CustomerPages.h"
#include "datastore/TaxCodeList.h"

namespace customers_test {
namespace {

class CustomerPagesTest : public CustomerScreensTest {
 protected:
  static std::u16string Scrambled(std::u16string text) {
    ScrambleText(text);
    return text;
  }
  // The page's rows filled from the record.
  CFieldFormModel& Fill(CCustomerPages& pages, int page) {
    form = std::make_unique<CFieldFormModel>();
    pages.Fill(page, *form);
    return *form;
  }
  void Type(int row, std::u16string_view text) { form->Field(row)->value = CBstr(text); }

  CTableCustomer record;
  std::unique_ptr<CFieldFormModel> form;
};

TEST_F(CustomerPagesTest, CardFieldsShowMaskedAndStoreOnlyWhatWasRetyped) {
  record.SetField(kCustCCNum, Scrambled(u"4111111111111111"));
  record.SetField(kCustCCExpMon, Scrambled(u"12"));
  record.SetField(kCustCCExpYear, Scrambled(u"2029"));
  CCustomerPages pages(record, {});
  CFieldFormModel& payment = Fill(pages, kPagePaymentInfo);
  EXPECT_EQ(payment.Field(2)->value.view(), u"xxxxxxxxxxxx1111");
  EXPECT_EQ(payment.Field(3)->value.view(), u"xx");
  EXPECT_EQ(payment.Field(4)->value.view(), u"xxxx");
  const std::u16string storedNumber(record.FieldView(kCustCCNum));
  Type(3, u"07");
  pages.Save(kPagePaymentInfo, payment);
  EXPECT_EQ(record.FieldView(kCustCCNum), storedNumber);  // unchanged mask: untouched
  EXPECT_EQ(record.FieldView(kCustCCExpMon), Scrambled(u"07"));
  EXPECT_EQ(record.FieldView(kCustCCExpYear), Scrambled(u"2029"));
}

// The years offered start at the present one, whenever that is; the stored year, shown
// masked, stays a choice after another year was picked, and picking it again keeps it.
TEST_F(CustomerPagesTest, ExpiryYearsRunFromNowAndTheStoredYearStaysAChoice) {
  SYSTEMTIME later{2041, 6, 0, 1, 12, 0, 0, 0};
  platform::TestClock::Set(later);
  record.SetField(kCustCCExpYear, Scrambled(u"2029"));
  CCustomerPages pages(record, {});
  CFieldFormModel& payment = Fill(pages, kPagePaymentInfo);
  std::vector<std::u16string> years = payment.EntriesOf(4);
  ASSERT_EQ(years.size(), 12u);
  EXPECT_EQ(years[0] + u" " + years[1] + u" " + years[11], u"xxxx 2041 2051");
  Type(4, u"2045");
  EXPECT_EQ(payment.EntriesOf(4).front(), u"xxxx");
  Type(4, u"xxxx");
  pages.Save(kPagePaymentInfo, payment);
  EXPECT_EQ(record.FieldView(kCustCCExpYear), Scrambled(u"2029"));

  record.SetField(kCustCCExpYear, u"");  // nothing stored: only the years
  EXPECT_EQ(Fill(pages, kPagePaymentInfo).EntriesOf(4).front(), u"2041");
}

TEST_F(CustomerPagesTest, ANewJobKeepsItsParentsName) {
  record.SetField(kCustName, u"");
  record.SetField(kCustParentFullName, u"Birchwood Cafe");
  CCustomerPages pages(record, {.job = true, .newJob = true});
  EXPECT_TRUE(pages.HasPage(kPageJobInfo));
  EXPECT_EQ(pages.FocusRow(kPageAddressInfo), 1);
  CFieldFormModel& address = Fill(pages, kPageAddressInfo);
  EXPECT_EQ(address.Field(0)->value.view(), u"Birchwood Cafe");
  EXPECT_EQ(address.Field(0)->flags & kFlagEditable, 0u);
  EXPECT_TRUE(address.Field(1)->value.IsEmpty());
  Type(1, u"Terrace");
  pages.Save(kPageAddressInfo, address);
  EXPECT_EQ(record.FieldView(kCustName), u"Terrace");
  EXPECT_EQ(record.FieldView(kCustFullName), u"Birchwood Cafe:Terrace");

  CFieldFormModel& job = Fill(pages, kPageJobInfo);
  Type(5, u"Deck ");
  Type(6, u"and rails");
  pages.Save(kPageJobInfo, job);
  EXPECT_EQ(record.FieldView(kCustJobDesc), u"Deck and rails");
}

TEST_F(CustomerPagesTest, BillToTakesTheNameForAnEmptyFirstLineAndNotesJoin) {
  record.SetField(kCustName, u"Hallett, Owen");
  CCustomerPages pages(record, {});
  EXPECT_FALSE(pages.HasPage(kPageJobInfo));
  CFieldFormModel& bill = Fill(pages, kPageBillTo);
  Type(4, u"Beaverton");
  pages.Save(kPageBillTo, bill);
  EXPECT_EQ(record.FieldView(kCustBillToAddr1), u"Hallett, Owen");
  EXPECT_EQ(record.FieldView(kCustBillToCity), u"Beaverton");
  CFieldFormModel& notes = Fill(pages, kPageNotes);
  ASSERT_EQ(notes.FieldCount(), 7);
  Type(0, u"Gate code ");
  Type(1, u"4417");
  pages.Save(kPageNotes, notes);
  EXPECT_EQ(record.FieldView(kCustNotes), u"Gate code 4417");
}

TEST_F(CustomerPagesTest, ADocumentCopyLocksItsPaymentAndListPagesOnly) {
  CCustomerPages pages(record, {.documentCopy = true});
  for (int page : {kPageAddressInfo, kPageBillTo, kPageShipTo, kPageAdditionalInfo, kPagePaymentInfo, kPageNotes}) {
    CFieldFormModel& rows = Fill(pages, page);
    const bool locked = page == kPageAdditionalInfo || page == kPagePaymentInfo || page == kPageNotes;
    EXPECT_EQ((rows.Field(rows.FieldCount() - 1)->flags & kFlagEditable) == 0, locked) << "page " << page;
  }
}

TEST_F(CustomerPagesTest, TaxCodeChoicesOfferTaxWhenNoneAndTenAtMost) {
  CCustomerPages pages(record, {});
  pages.LoadChoices(nullptr);
  ASSERT_EQ(pages.ChoiceList(CCustomerPages::kTaxCodes).count, 1);
  EXPECT_EQ(pages.ChoiceList(CCustomerPages::kTaxCodes).first[0].view(), u"TAX");
  CTaxCodeList codes(&Store());
  for (int i = 0; i < 14; ++i)
    codes.AddTaxCode(u"C" + std::u16string(1, char16_t(u'A' + i)), u"", u"", u"Yes", u"", u"", false);
  pages.LoadChoices(&Store());
  EXPECT_EQ(pages.ChoiceList(CCustomerPages::kTaxCodes).count, 10);
  EXPECT_GT(pages.ChoiceList(CCustomerPages::kTerms).count, 0);  // the sample's terms
}

}  // namespace
}  // namespace customers_test
