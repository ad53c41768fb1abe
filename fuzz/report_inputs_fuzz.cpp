// Any bytes as what the reports read: a first line (up to 80 bytes) of the user's choices,
// start date, end date and document types separated by "|", then a saved document, alone
// in the Documents folder. Each of the four reports builds over the folder and over the
// document named alone; its REPORT document reads back as XML and transforms into a page.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "core/Folders.h"
#include "core/ResourceLibrary.h"
#include "datastore/ItemStore.h"
#include "document/XmlDocument.h"
#include "fuzz/FuzzDevice.h"
#include "platform/base/Base.h"
#include "platform/xml/XmlDom.h"
#include "reports/PickListReport.h"
#include "reports/ProfitMarginReport.h"
#include "reports/RouteAccountReport.h"
#include "reports/RouteCashReport.h"

namespace {

using fuzzing::Require;

constexpr char16_t kProgramFolder[] = u"\\Program Files\\Slateway";

// The program folder with the language library, loaded, and an item store with stock to
// account for; kept for the whole run.
struct Program {
  Program() {
    fuzzing::FuzzDevice::Get();
    std::filesystem::path library = platform::MapDevicePath(std::u16string(kProgramFolder) + u"\\QVNLANGUAGE.DLL");
    std::filesystem::create_directories(library.parent_path());
    std::filesystem::copy_file(SLATEWAY_RESOURCE_LIBRARY, library, std::filesystem::copy_options::overwrite_existing);
    HKEY key = nullptr;
    Require(RegCreateKeyExW(HKEY_CURRENT_USER, u"Software\\VendelSoftware\\Slateway", 0, nullptr, 0, 0, nullptr, &key,
                            nullptr) == ERROR_SUCCESS);
    const std::u16string programPath(kProgramFolder);
    RegSetValueExW(key, u"ProgramPath", 0, REG_SZ, reinterpret_cast<const BYTE*>(programPath.c_str()),
                   static_cast<DWORD>((programPath.size() + 1) * sizeof(WCHAR)));
    RegCloseKey(key);
    Require(LoadResourceLibrary());
    std::filesystem::create_directories(platform::MapDevicePath(u"\\Data"));
    Require(items.Open(u"\\Data\\Slateway.db") == 1);
    items.AddRootNode(u"My Lists", u"", kObjectRoot);
    items.AddRootNode(u"Item Lists", u"My Lists", kObjectRoot);
    auto record = CDbRecord::CDbRecordOfType(kObjectItem, -1);
    record->SetField(kFieldName, u"Widget");
    record->SetField(kFieldFullName, u"Widget");
    record->SetField(kFieldParent, u"Item Lists");
    record->SetField(kFieldListType, u"Inventory Part");
    record->SetQuantity(kStartingQuantity, 10);
    record->SetQuantity(kEndingQuantity, 3);
    Require(items.AddItem(nullptr, *record, CItemStore::OnDuplicate::Insert) == 1);
    CBstr documents;
    GetDocumentsFolder(documents);
    folder = platform::MapDevicePath(documents.view());
  }
  CItemStore items{nullptr};
  std::filesystem::path folder;
};

void Check(CReport& report) {
  CBstr xml, html;
  Require(report.GetReportDocument().GetDataDocument()->get_xml(&xml) == S_OK);
  CXmlDomDocument again;
  Require(again.loadXML(xml.view()) == S_OK);
  report.GetReportDocument().Transform(&html);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Program program;
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  size_t line = bytes.substr(0, 80).find('\n');
  std::u16string choices[3];
  if (line != std::string_view::npos) {
    std::string_view first = bytes.substr(0, line);
    for (std::u16string& choice : choices) {
      size_t bar = first.find('|');
      choice = platform::ToUtf16(first.substr(0, bar));
      first.remove_prefix(bar == std::string_view::npos ? first.size() : bar + 1);
    }
    bytes.remove_prefix(line + 1);
  }
  std::error_code error;
  std::filesystem::remove_all(program.folder, error);
  std::filesystem::create_directories(program.folder);
  std::ofstream(program.folder / "F.QVN", std::ios::binary)
      .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));

  const std::u16string& start = choices[0];
  const std::u16string& end = choices[1];
  const std::u16string& types = choices[2];
  for (const char16_t* document : {u"", u"F.QVN"}) {
    CPickListReport pickList(nullptr, document);
    pickList.BuildXml(nullptr, start, end, types, document);
    Check(pickList);
    CProfitMarginReport margin(nullptr, document);
    margin.BuildXml(nullptr, start, end, types, document);
    Check(margin);
  }
  CRouteAccountReport account(nullptr, &program.items);
  account.BuildXml(nullptr, start, end, types, u"");
  Check(account);
  CRouteCashReport cash(nullptr);
  cash.BuildXml(nullptr, start, end, types, u"");
  Check(cash);
  Require(platform::OpenKernelHandleCount() == 0);
  return 0;
}
