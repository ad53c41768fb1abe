// Shared arrangement of the sales document tests: a device with the language library,
// list answers the test chooses, and a recording page.
#pragma once

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/ResourceText.h"
#include "datastore/DbRecord.h"
#include "document/DocumentServices.h"
#include "document/SalesDocument.h"
#include "platform/base/Base.h"
#include "platform/module/Module.h"
#include "platform/testing/DeviceFixture.h"

namespace sales_test {

// Lists with fixed answers: tax codes "Tax" (taxable) and "Non"; the rest as filled in.
class FakeLists : public IDocumentLists {
 public:
  std::map<std::u16string, bool> taxCodes{{u"Tax", true}, {u"Non", false}};
  std::map<std::u16string, double> levels;
  std::map<std::u16string, std::u16string> salesTaxes;
  std::map<std::u16string, int> terms;
  std::map<std::u16string, std::u16string> reps;

  bool IsTaxable(int version, std::u16string_view code) override {
    if (version < 4) return IsTaxableWithoutList(version, code);
    auto it = taxCodes.find(std::u16string(code));
    return it != taxCodes.end() && it->second;
  }
  double GetLevelFactor(std::u16string_view name) override {
    auto it = levels.find(std::u16string(name));
    return it == levels.end() ? 0 : it->second;
  }
  bool GetSalesTaxRate(std::u16string_view name, CBstr& rate) override {
    auto it = salesTaxes.find(std::u16string(name));
    if (it == salesTaxes.end()) return false;
    rate = CBstr(it->second);
    return true;
  }
  bool GetTermDays(std::u16string_view name, int& days) override {
    auto it = terms.find(std::u16string(name));
    if (it == terms.end()) return false;
    days = it->second;
    return true;
  }
  bool GetRepFullName(std::u16string_view rep, CBstr& fullName) override {
    auto it = reps.find(std::u16string(rep));
    if (it == reps.end()) return false;
    fullName = CBstr(it->second);
    return true;
  }
};

// Records every element update of the page.
struct PageLog {
  std::vector<std::pair<std::u16string, std::u16string>> updates;
  int renders = 0;
  std::u16string Last(std::u16string_view id) const {
    for (auto it = updates.rbegin(); it != updates.rend(); ++it)
      if (it->first == id) return it->second;
    return u"<none>";
  }
};

class RecordingView : public IDocumentView {
 public:
  explicit RecordingView(PageLog* log) : m_log(log) {}
  bool SetElementText(std::u16string_view id, std::u16string_view text) override {
    m_log->updates.emplace_back(id, text);
    return true;
  }
  void Render(int, int) override { ++m_log->renders; }
  void SetFitToScreen(bool) override {}
  void SetZoomLevel(int) override {}

 private:
  PageLog* m_log;
};

inline constexpr char kNewDocument[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
    "<SALESDOCUMENT VERSION=\"4\" DOCTYPE=\"INVOICE\" ID=\"100\">"
    "<COMPANY></COMPANY><SHIPTO></SHIPTO><CUSTOMER></CUSTOMER><JOB></JOB>"
    "<TOTALS><SUBTOTAL></SUBTOTAL><TAX></TAX><TOTAL></TOTAL></TOTALS></SALESDOCUMENT>";

class SalesDocumentTest : public platform::testing::DeviceTest {
 public:
  // A line record: TYPE, QUANTITY, PRICE, TAXABLE.
  static std::unique_ptr<CDbRecord> Line(std::u16string_view type, std::u16string_view quantity,
                                         std::u16string_view price, std::u16string_view taxCode = u"Non") {
    auto record = std::make_unique<CDbRecord>();
    record->SetField(kLineFieldType, type);
    record->SetField(kLineFieldName, std::u16string(type) + u" line");
    record->SetField(kLineFieldQuantity, quantity);
    record->SetField(kLineFieldPrice, price);
    record->SetField(kLineFieldTaxable, taxCode);
    return record;
  }

 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    std::filesystem::create_directories(Linux(u"\\Program Files\\Slateway"));
    std::filesystem::copy_file(SLATEWAY_RESOURCE_LIBRARY, Linux(u"\\Program Files\\Slateway\\QVNLANGUAGE.DLL"));
    m_library = LoadLibraryW(u"\\Program Files\\Slateway\\QVNLANGUAGE.DLL");
    ASSERT_NE(m_library, nullptr);
    SetResourceInstance(m_library);
    SetDocumentLists(&lists);
  }
  void TearDown() override {
    SetDocumentLists(nullptr);
    SetDocumentRegister(nullptr);
    SetDocumentViewFactory(nullptr);
    SetResourceInstance(nullptr);
    if (m_library) FreeLibrary(m_library);
    DeviceTest::TearDown();
  }

  // A new invoice-shaped document of the type (version 4), with the tax rate given.
  std::unique_ptr<CSalesDocument> NewDocument(int type = kDocInvoice, std::u16string_view rate = u"10%") {
    auto doc = std::make_unique<CSalesDocument>(nullptr, nullptr, 4, true, nullptr);
    EXPECT_TRUE(doc->GetXmlDocument().LoadXmlText(platform::ToUtf16(kNewDocument)));
    doc->SetDocType(type);
    doc->SetVersion(4);
    if (!rate.empty()) doc->SetTax(CBstr(u"State"), CBstr(rate), CBstr(u""), false);
    doc->SetModified(false);
    return doc;
  }
  static CLineItemTexts LineAt(CSalesDocument& doc, LONG index) {
    CLineItemTexts line;
    EXPECT_TRUE(doc.GetXmlDocument().ReadLineItemAt(index, &line)) << "line " << index;
    return line;
  }
  void ViewInto(PageLog* log) {
    SetDocumentViewFactory([log](HWND, CSalesDocument&) { return std::make_unique<RecordingView>(log); });
  }

  FakeLists lists;
  HMODULE m_library = nullptr;
};

}  // namespace sales_test
