// One Documents folder serves every report test: documents of each type over four days,
// a voided invoice, a payment, a memorized and a deleted document (in their own folders,
// which no report reads) and an item list with starting and ending quantities.
#pragma once

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "../document/SalesDocumentFixture.h"
#include "core/CompanyInfo.h"
#include "core/Preferences.h"
#include "platform/registry/Registry.h"

namespace report_test {

struct DocLine {
  const char* type;
  const char* name;
  const char* quantity;
  const char* price;
  const char* cost;
};

class ReportTest : public sales_test::SalesDocumentTest {
 protected:
  void SetUp() override {
    SalesDocumentTest::SetUp();
    folder = MakeFolders();
    SetOwnerName(u"Pat Route");
    items = &UseStoreLists().store;
    items->AddRootNode(u"My Lists", u"", kObjectRoot);
    items->AddRootNode(u"Item Lists", u"My Lists", kObjectRoot);
  }
  void TearDown() override {
    COwnerInfo::ForgetCache();
    SalesDocumentTest::TearDown();
  }

  static void SetOwnerName(std::u16string_view name) {
    std::vector<BYTE> record(COwnerInfo::kRecordBytes, 0);
    std::copy(name.begin(), name.end(), reinterpret_cast<char16_t*>(record.data()));
    HKEY key = nullptr;
    RegCreateKeyExW(HKEY_CURRENT_USER, kOwnerKeyPath, 0, nullptr, 0, 0, nullptr, &key, nullptr);
    RegSetValueExW(key, u"Owner", 0, REG_BINARY, record.data(), static_cast<DWORD>(record.size()));
    RegCloseKey(key);
    COwnerInfo::ForgetCache();
  }

  void AddItem(std::u16string_view name, int starting, int ending, std::u16string_view description = u"",
               std::u16string_view listType = u"Inventory Part") {
    auto record = CDbRecord::CDbRecordOfType(kObjectItem, -1);
    record->SetField(kFieldName, name);
    record->SetField(kFieldFullName, name);
    record->SetField(kFieldParent, u"Item Lists");
    record->SetField(kFieldListType, listType);
    record->SetField(kFieldSalesDescription, description);
    record->SetQuantity(kStartingQuantity, starting);
    record->SetQuantity(kEndingQuantity, ending);
    ASSERT_EQ(items->AddItem(nullptr, *record, CItemStore::OnDuplicate::Insert), 1);
  }

  // A saved document in `where` (the Documents folder when empty).
  void WriteDocument(const std::string& file, const char* type, const char* date, const char* total,
                     const std::vector<DocLine>& lines, const char* extra = "", std::u16string where = u"") {
    std::string xml = std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?><SALESDOCUMENT VERSION=\"4\" DOCTYPE=\"") +
                      type + "\" DATE=\"" + date + "\"" + extra + ">";
    for (const DocLine& l : lines) {
      xml += std::string("<LINEITEM><TYPE>") + l.type + "</TYPE><NAME>" + l.name + "</NAME><QUANTITY>" + l.quantity +
             "</QUANTITY><PRICE>" + l.price + "</PRICE><COST>" + l.cost + "</COST></LINEITEM>";
    }
    xml += std::string("<TOTALS><SUBTOTAL></SUBTOTAL><TAX></TAX><TOTAL>") + total + "</TOTAL></TOTALS></SALESDOCUMENT>";
    WriteFile((where.empty() ? folder : where) + platform::ToUtf16(file), xml);
  }

  void WriteFile(const std::u16string& devicePath, const std::string& bytes) {
    std::filesystem::create_directories(Linux(devicePath).parent_path());
    std::ofstream(Linux(devicePath), std::ios::binary) << bytes;
  }

  // Items: Widget out 10 back 3, Gadget out 0 back 2, Bolt out 5 back 5, and a service.
  // Documents, 3/1/2026-3/3/2026 with one before and a voided invoice on 3/4/2026.
  void WriteFixture() {
    AddItem(u"Widget", 10, 3, u"Blue widget");
    AddItem(u"Gadget", 0, 2);
    AddItem(u"Bolt", 5, 5);
    AddItem(u"Labor", 0, 0, u"Hourly labor", u"Service");
    WriteDocument("D1.QVN", "INVOICE", "3/1/2026", "$100.00",
                  {{"Inventory Part", "Widget", "5", "10", "6"}, {"Service", "Labor", "1.5", "20", "0"}});
    WriteDocument("D2.QVN", "SalesReceipt", "3/2/2026", "$40.00", {{"Inventory Part", "Widget", "2.5", "8", "5"}});
    WriteDocument("D3.QVN", "CREDITMEMO", "3/2/2026", "$15.00", {{"Inventory Part", "Widget", "1", "15", "6"}});
    WriteDocument("D4.QVN", "ESTIMATE", "3/3/2026", "$50.00", {{"Inventory Part", "Gadget", "4", "12.5", "7"}});
    WriteDocument("D5.QVN", "PAYMENT", "3/1/2026", "$25.00", {});
    WriteDocument("D6.QVN", "SALESORDER", "2/28/2026", "$30.00", {{"Inventory Part", "Gadget", "3", "10", "6"}});
    WriteDocument("D7.QVN", "INVOICE", "3/4/2026", "$0.00", {{"Inventory Part", "Bolt", "2", "$0.00", "1"}},
                  " VOID=\"YES\"");
    CBstr memorized, deleted;
    GetMemorizedFolder(memorized);
    GetDeletedFolder(deleted);
    WriteDocument("M1.QVN", "INVOICE", "3/1/2026", "$900.00", {{"Inventory Part", "Widget", "90", "10", "6"}}, "",
                  memorized.str());
    WriteDocument("X1.QVN", "INVOICE", "3/1/2026", "$800.00", {{"Inventory Part", "Widget", "80", "10", "6"}}, "",
                  deleted.str());
  }

  std::u16string folder;
  CItemStore* items = nullptr;
};

}  // namespace report_test
