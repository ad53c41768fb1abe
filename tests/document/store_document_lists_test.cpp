// A sales document over the program's real list objects and item store.
//   StoreDocumentLists.*  tax codes, sales tax items and groups, price levels, terms and
//                         reps stored in a database decide a document's figures
#include "datastore/CustomerRecord.h"
#include "SalesDocumentFixture.h"

namespace {

class StoreDocumentLists : public sales_test::SalesDocumentTest {
 protected:
  void SetUp() override {
    SalesDocumentTest::SetUp();
    stored = &UseStoreLists();
    ASSERT_EQ(stored->codes.AddTaxCode(u"Tax", u"Taxable", u"", u"true", u"", u"", false), 1);
    ASSERT_EQ(stored->codes.AddTaxCode(u"Non", u"Non-taxable", u"", u"false", u"", u"", false), 1);
    AddSalesTax(*stored, u"County", u"Sales Tax Item", u"5%");
    AddSalesTax(*stored, u"Combined", u"Sales Tax Group", u"7.25%");
    ASSERT_EQ(stored->levels.AddPriceLevel(u"Wholesale", u"", u"", u"", u"", u"-10"), 1);
    ASSERT_EQ(stored->terms.AddTerm(u"Net 15", u"", u"15", u"", u""), 1);
    ASSERT_EQ(stored->reps.AddEntry(u"JD", u"", u"", u"", u"Jane Doe", true), 1);
  }
  static void AddSalesTax(sales_test::StoreLists& into, std::u16string_view name, std::u16string_view type,
                          std::u16string_view rate) {
    auto record = CDbRecord::CDbRecordOfType(kObjectItem, -1);
    record->SetField(kFieldName, name);
    record->SetField(kFieldListType, type);
    record->SetField(kFieldParent, type);
    record->SetField(kFieldSalesAmount, rate);
    ASSERT_EQ(into.store.AddItem(nullptr, *record, CItemStore::OnDuplicate::Refuse), 1);
  }

  sales_test::StoreLists* stored = nullptr;  // the fixture's
};

TEST_F(StoreDocumentLists, StoredListsDecideTheDocumentsFigures) {
  auto doc = NewDocument(kDocInvoice, u"");
  doc->GetCustomer()->SetField(kCustItemSalesTax, u"Combined");
  doc->GetCustomer()->SetField(kCustSalesRep, u"JD");
  doc->ApplyCustomerTax();
  EXPECT_DOUBLE_EQ(doc->GetTaxRateFactor(), 0.0725) << "a group's rate is found";
  auto wholesale = Line(u"Service", u"4", u"25", u"Tax");
  wholesale->SetField(kLineFieldPriceLevel, u"Wholesale");
  doc->AddLineItem(*wholesale, true, false, 1);
  auto untaxed = Line(u"Service", u"1", u"10", u"Non");
  doc->AddLineItem(*untaxed, true, false, 1);
  auto unknownCode = Line(u"Service", u"1", u"10", u"Other");
  doc->AddLineItem(*unknownCode, true, false, 1);
  // 4 x 22.50 = 90 taxed at 7.25 % = 6.525 -> 6.53; 10 + 10 untaxed.
  EXPECT_EQ(doc->GetSubtotalText().str(), u"$110.00");
  EXPECT_EQ(doc->GetTaxText().str(), u"$6.53");
  EXPECT_EQ(doc->GetTotalText().str(), u"$116.53");

  doc->SetTerms(CBstr(u"Net 15"));
  EXPECT_EQ(doc->GetTermDays(), 15);
  doc->SetRepFromCustomer();
  CBstr rep, fullName;
  doc->GetRep(rep, fullName);
  EXPECT_EQ(rep.str(), u"JD");
  EXPECT_EQ(fullName.str(), u"Jane Doe");

  doc->GetCustomer()->SetField(kCustItemSalesTax, u"Nowhere");
  doc->SetTax(CBstr(u"County"), CBstr(u"5%"), CBstr(u""), true);
  doc->ApplyCustomerTax();
  EXPECT_EQ(doc->GetTaxText().str(), u"$4.50") << "an unknown customer tax leaves the tax alone";
}

TEST_F(StoreDocumentLists, MissingListsAnswerAsWithoutLists) {
  CStoreDocumentLists none(nullptr, nullptr, nullptr, nullptr, nullptr);
  EXPECT_FALSE(none.IsTaxable(4, u"Tax"));
  EXPECT_TRUE(none.IsTaxable(3, u"yEs"));
  EXPECT_EQ(none.GetLevelFactor(u"Wholesale"), 0);
  CBstr text;
  int days = -1;
  EXPECT_FALSE(none.GetSalesTaxRate(u"County", text));
  EXPECT_FALSE(none.GetTermDays(u"Net 15", days));
  EXPECT_FALSE(none.GetRepFullName(u"JD", text));
  EXPECT_TRUE(stored->adapter.IsTaxable(4, u"Tax"));
  EXPECT_FALSE(stored->adapter.IsTaxable(4, u"tax")) << "codes compare exactly";
}

}  // namespace
