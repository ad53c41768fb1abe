// Writes the sample database "SlatewaySample.db": the item tree with its roots, item
// types, categories and items of every kind, the simple lists (price levels, terms, tax
// codes, customer messages, job types, sales reps, payment and shipping methods), sales
// tax items and a group, and a handful of customers with jobs. All names are invented.
//
// Usage: MakeSampleDatabase <output file>. The file is built in a scratch device root
// and then written over the output in one step. Its ListIDs are fixed (desktop-style
// identifiers), so the same program always writes the same rows.
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "datastore/SqlDatabase.h"
#include "platform/base/Base.h"
#include "platform/kernel/DeviceRoot.h"

namespace {

// The tool makes a new file on purpose and shows nothing: failures end in its exit code.
class QuietNotices : public IDatabaseNotices {
 public:
  void Warning(UINT, std::u16string_view) override {}
  void Error(UINT, DWORD) override {}
};

constexpr char16_t kCreated[] = u"2026-01-05T09:00:00";

class SampleWriter {
 public:
  explicit SampleWriter(CSqlDatabase& db) : m_db(db) {}

  std::u16string NextId() {
    char text[32];
    std::snprintf(text, sizeof text, "%X-1767600000", 0x80000001u + m_next++);
    return platform::ToUtf16(text);
  }

  // A node of the tree; returns its ListID. FullName is the name under a root or an
  // item-type node, else the parent's FullName + ":" + the name.
  std::u16string Node(std::u16string_view listType, std::u16string_view name, std::u16string_view parent,
                      std::u16string_view fullName, int objectType, int position,
                      std::u16string_view price = u"0", std::u16string_view description = u"",
                      std::u16string_view taxable = u"Tax", std::u16string_view cost = u"0",
                      int onHand = 0, std::u16string_view vendor = u"") {
    CItemRow row;
    std::u16string id = NextId();
    row[kRowListID] = CBstr(id);
    row[kRowListType] = CBstr(listType);
    row[kRowName] = CBstr(name);
    row[kRowFullName] = CBstr(fullName.empty() ? name : fullName);
    row[kRowSalesDescription] = CBstr(description);
    row[kRowSalesAmount] = CBstr(price);
    row[kRowTaxable] = CBstr(taxable);
    row[kRowTax2] = CBstr(u"");
    row[kRowTimeCreated] = CBstr(kCreated);
    row[kRowTimeModified] = CBstr(kCreated);
    // The EditSequence column is an entry's edit sequence but an item's first custom value
    // (UnitOfMeasure its second): the sample items have no custom values.
    row[kRowEditSequence] = CBstr(objectType == 2 ? u"1767600000" : u"");
    row[kRowUnitOfMeasure] = CBstr(u"");
    row[kRowPurchaseCost] = CBstr(cost);
    row[kRowAccount] = CBstr(objectType == 1 ? u"Sales" : u"");
    row[kRowVendor] = CBstr(vendor);
    row[kRowUseCount] = CBstr(u"1");
    row[kRowQuantityOnHand] = CBstr(platform::ToUtf16(std::to_string(onHand)));
    row[kRowReorderPoint] = CBstr(onHand > 0 ? u"5" : u"0");
    row[kRowParent] = CBstr(parent);
    row[kRowObjectPosition] = CBstr(platform::ToUtf16(std::to_string(position)));
    row[kRowObjectType] = CBstr(platform::ToUtf16(std::to_string(objectType)));
    row[kRowIsOpen] = CBstr(u"0");
    if (!m_db.AddRecord(row)) m_failed = true;
    return id;
  }

  // An entry of a simple list under "Other Lists": ListType and Parent are the list.
  void Entry(std::u16string_view list, std::u16string_view name, std::u16string_view amount = u"",
             std::u16string_view description = u"", std::u16string_view taxable = u"") {
    Node(list, name, list, name, 2, -1, amount, description, taxable);
  }

  void Customer(std::u16string_view name, std::u16string_view company, std::u16string_view first,
                std::u16string_view last, std::u16string_view street, std::u16string_view city,
                std::u16string_view balance, std::u16string_view terms) {
    m_customer = NextId();
    m_customerName = std::u16string(name);
    CCustomerFields f;
    f[kCustListID] = CBstr(m_customer);
    f[kCustTimeCreated] = CBstr(kCreated);
    f[kCustTimeModified] = CBstr(kCreated);
    f[kCustEditSequence] = CBstr(u"1767600000");
    f[kCustName] = CBstr(name);
    f[kCustFullName] = CBstr(name);
    f[kCustSublevel] = CBstr(u"0");
    f[kCustCompanyName] = CBstr(company);
    f[kCustFirstName] = CBstr(first);
    f[kCustLastName] = CBstr(last);
    f[kCustBillToAddr1] = CBstr(company.empty() ? std::u16string(first) + u" " + std::u16string(last) : std::u16string(company));
    f[kCustBillToAddr2] = CBstr(street);
    f[kCustBillToCity] = CBstr(city);
    f[kCustBillToState] = CBstr(u"OR");
    f[kCustBillToPostalCode] = CBstr(u"97201");
    f[kCustBillToCountry] = CBstr(u"USA");
    f[kCustShipToAddr1] = f[kCustBillToAddr1];
    f[kCustShipToAddr2] = CBstr(street);
    f[kCustShipToCity] = CBstr(city);
    f[kCustShipToState] = CBstr(u"OR");
    f[kCustShipToPostalCode] = CBstr(u"97201");
    f[kCustPhone] = CBstr(u"503-555-01" + platform::ToUtf16(std::to_string(10 + m_next % 90)));
    f[kCustEmail] = CBstr(std::u16string(first.empty() ? u"office" : first) + u"@example.com");
    f[kCustContact] = CBstr(std::u16string(first) + u" " + std::u16string(last));
    f[kCustCustomerType] = CBstr(u"Retail");
    f[kCustTerms] = CBstr(terms);
    f[kCustSalesTaxCode] = CBstr(u"Tax");
    f[kCustItemSalesTax] = CBstr(u"City Sales Tax");
    f[kCustCreditLimit] = CBstr(u"5000.00");
    f[kCustSalesRep] = CBstr(u"MK");
    f[kCustBalance] = CBstr(balance);
    f[kCustTotalBalance] = CBstr(balance);
    f[kCustPriceLevel] = CBstr(u"");
    if (!m_db.InsertCustomer(f)) m_failed = true;
  }

  void Job(std::u16string_view job, std::u16string_view status, std::u16string_view description) {
    CCustomerFields f;
    f[kCustListID] = CBstr(NextId());
    f[kCustTimeCreated] = CBstr(kCreated);
    f[kCustTimeModified] = CBstr(kCreated);
    f[kCustName] = CBstr(job);
    f[kCustFullName] = CBstr(m_customerName + u":" + std::u16string(job));
    f[kCustSublevel] = CBstr(u"1");
    f[kCustParentListID] = CBstr(m_customer);
    f[kCustParentFullName] = CBstr(m_customerName);
    f[kCustJobStatus] = CBstr(status);
    f[kCustJobDesc] = CBstr(description);
    f[kCustJobType] = CBstr(u"Installation");
    f[kCustBalance] = CBstr(u"0.00");
    f[kCustTotalBalance] = CBstr(u"0.00");
    if (!m_db.InsertCustomer(f)) m_failed = true;
  }

  bool Failed() const { return m_failed; }

 private:
  CSqlDatabase& m_db;
  unsigned m_next = 0;
  bool m_failed = false;
  std::u16string m_customer;
  std::u16string m_customerName;
};

void WriteSample(SampleWriter& w) {
  // The three roots.
  w.Node(u"Root List", u"My Lists", u"", u"My Lists", 64, 0);
  w.Node(u"Root List", u"Other Lists", u"My Lists", u"Other Lists", 128, 1);
  w.Node(u"Root List", u"Item Lists", u"My Lists", u"Item Lists", 64, 2);

  // Item types under "Item Lists".
  const char16_t* types[] = {u"Service", u"Inventory Part", u"Non-inventory Part", u"Other Charge",
                             u"Subtotal", u"Discount", u"Payment", u"Sales Tax Item", u"Group"};
  int order = 0;
  for (const char16_t* type : types) w.Node(type, type, u"Item Lists", type, 64, order++);
  w.Node(u"Sales Tax Group", u"Sales Tax Group", u"Item Lists", u"Sales Tax Group", 64, order++);

  // Items of each type; "Garden Tools" is an item holding sub-items.
  w.Node(u"Service", u"Consulting", u"Service", u"", 1, -1, u"85.00", u"Consulting by the hour");
  w.Node(u"Service", u"Installation", u"Service", u"", 1, -1, u"65.00", u"On-site installation");
  w.Node(u"Service", u"Lawn Care", u"Service", u"", 1, -1, u"40.00", u"Mowing and edging", u"Non");
  w.Node(u"Inventory Part", u"Garden Tools", u"Inventory Part", u"", 256, -1, u"0", u"Hand tools");
  w.Node(u"Inventory Part", u"Spade", u"Garden Tools", u"Garden Tools:Spade", 1, -1, u"24.95", u"Steel spade",
         u"Tax", u"11.20", 40, u"Greenfield Supply");
  w.Node(u"Inventory Part", u"Rake", u"Garden Tools", u"Garden Tools:Rake", 1, -1, u"18.50", u"Leaf rake",
         u"Tax", u"7.90", 25, u"Greenfield Supply");
  w.Node(u"Inventory Part", u"Hose 50 ft", u"Inventory Part", u"", 1, -1, u"32.00", u"Garden hose, 50 feet",
         u"Tax", u"14.00", 12, u"Waterway Goods");
  w.Node(u"Non-inventory Part", u"Potting Soil", u"Non-inventory Part", u"", 1, -1, u"9.75", u"Bag of potting soil");
  w.Node(u"Other Charge", u"Delivery", u"Other Charge", u"", 1, -1, u"15.00", u"Delivery charge", u"Non");
  w.Node(u"Subtotal", u"Subtotal", u"Subtotal", u"", 1, -1, u"0", u"Subtotal", u"Non");
  w.Node(u"Discount", u"Spring Discount", u"Discount", u"", 1, -1, u"10.0%", u"10% off", u"Non");
  w.Node(u"Payment", u"Deposit", u"Payment", u"", 1, -1, u"0", u"Deposit received", u"Non");
  w.Node(u"Sales Tax Item", u"City Sales Tax", u"Sales Tax Item", u"", 1, -1, u"2.5%", u"City tax", u"Non",
         u"0", 0, u"City Revenue Office");
  w.Node(u"Sales Tax Item", u"State Sales Tax", u"Sales Tax Item", u"", 1, -1, u"5.0%", u"State tax", u"Non",
         u"0", 0, u"State Revenue Office");
  w.Node(u"Sales Tax Group", u"Combined Tax", u"Sales Tax Group", u"", 1, -1, u"7.50%", u"City and state", u"Non");

  // A group with two members (copies of items placed under the group).
  w.Node(u"Group", u"Starter Kit", u"Group", u"", 32, -1, u"0", u"Spade and rake");
  w.Node(u"Inventory Part", u"Spade", u"Starter Kit", u"Starter Kit:Garden Tools:Spade", 16, 1, u"24.95");
  w.Node(u"Inventory Part", u"Rake", u"Starter Kit", u"Starter Kit:Garden Tools:Rake", 16, 2, u"18.50");

  // Simple lists under "Other Lists".
  const char16_t* lists[] = {u"Price Levels", u"Terms", u"Tax Codes", u"Customer Msgs", u"Job Types",
                             u"Sales Reps", u"Payment Methods", u"Shipping Methods", u"Customer Types"};
  order = 0;
  for (const char16_t* list : lists) w.Node(list, list, u"Other Lists", list, 128, order++);
  w.Entry(u"Price Levels", u"Wholesale", u"-15");
  w.Entry(u"Price Levels", u"Preferred", u"-5");
  w.Entry(u"Terms", u"Net 30", u"30");
  w.Entry(u"Terms", u"Net 15", u"15");
  w.Entry(u"Terms", u"Due on receipt", u"0");
  w.Entry(u"Tax Codes", u"Tax", u"", u"Taxable sales", u"yes");
  w.Entry(u"Tax Codes", u"Non", u"", u"Non-taxable sales", u"no");
  w.Entry(u"Customer Msgs", u"Thank you", u"", u"Thank you for your business.");
  w.Entry(u"Customer Msgs", u"See you soon", u"", u"We look forward to working with you again.");
  w.Entry(u"Job Types", u"Installation");
  w.Entry(u"Job Types", u"Maintenance");
  w.Entry(u"Sales Reps", u"MK", u"", u"Mara Kettle");
  w.Entry(u"Sales Reps", u"TJ", u"", u"Tom Jessup");
  w.Entry(u"Payment Methods", u"Cash");
  w.Entry(u"Payment Methods", u"Check");
  w.Entry(u"Shipping Methods", u"Van");
  w.Entry(u"Customer Types", u"Retail");

  // Customers and jobs.
  w.Customer(u"Birchwood Cafe", u"Birchwood Cafe", u"Nora", u"Lindqvist", u"12 Alder Street", u"Portland",
             u"412.30", u"Net 30");
  w.Job(u"Patio", u"In progress", u"New patio planting");
  w.Job(u"Front Beds", u"Pending", u"Spring flower beds");
  w.Customer(u"Hallett, Owen", u"", u"Owen", u"Hallett", u"88 Pine Road", u"Beaverton", u"0.00", u"Due on receipt");
  w.Customer(u"Maple Court Apartments", u"Maple Court Apartments", u"Rosa", u"Delgado", u"400 Maple Court",
             u"Portland", u"1,250.00", u"Net 15");
  w.Job(u"Courtyard", u"Awarded", u"Courtyard lawn care");
  w.Customer(u"O'Connell Bakery", u"O'Connell Bakery", u"Liam", u"O'Connell", u"5 Market Lane", u"Gresham",
             u"96.40", u"Net 30");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <output file>\n", argv[0]);
    return 2;
  }
  std::filesystem::path output = std::filesystem::absolute(argv[1]);
  std::string scratchPattern = (std::filesystem::temp_directory_path() / "slateway-sample-XXXXXX").string();
  if (!mkdtemp(scratchPattern.data())) {
    std::perror("mkdtemp");
    return 1;
  }
  std::filesystem::path scratch = scratchPattern;
  platform::SetDeviceRoot(scratch);

  bool ok = false;
  {
    CSqlDatabase db;
    QuietNotices quiet;
    db.SetNotices(&quiet);
    if (db.Open(u"\\SlatewaySample.db") == 0 && db.BeginTransaction() == 0) {
      SampleWriter writer(db);
      WriteSample(writer);
      ok = !writer.Failed() && db.CommitTransaction() == 0;
      if (!ok) std::fprintf(stderr, "sample database: %s\n", platform::ToUtf8(db.LastError()).c_str());
    }
    ok = db.Close() && ok;
  }
  if (ok) {
    std::ifstream in(scratch / "SlatewaySample.db", std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ok = !bytes.empty() && platform::WriteFileAtomic(output, bytes);
  }
  std::error_code ignored;
  std::filesystem::remove_all(scratch, ignored);
  if (!ok) {
    std::fprintf(stderr, "could not write %s\n", output.string().c_str());
    return 1;
  }
  return 0;
}
