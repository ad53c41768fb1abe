#include "mainwindow/DesktopFiles.h"

#include <cstring>

#include "core/CompanyInfo.h"
#include "core/Folders.h"
#include "core/MessageBoxes.h"
#include "core/Preferences.h"
#include "core/Utilities.h"
#include "datastore/ItemStore.h"
#include "datastore/SqlDatabase.h"
#include "document/DocumentStylesheet.h"
#include "document/XmlDocument.h"
#include "platform/user/MessageBox.h"
#include "resources/resource_ids.h"

namespace {

struct TemplateFile {
  int kind;
  const char16_t* name;
};
// In the order they are written.
constexpr TemplateFile kTemplates[] = {
    {0, u"KTWInvoice.XSL"},     {1, u"KTWEstimate.XSL"}, {2, u"KTWSalesReceipt.XSL"},
    {4, u"KTWSalesOrder.XSL"},  {3, u"KTWPayment.XSL"},  {5, u"KTWCreditMemo.XSL"},
};

std::u16string WithBackslash(std::u16string folder) {
  if (folder.empty() || folder.back() != u'\\') folder += u'\\';
  return folder;
}

// Makes every missing folder of a device path that ends in "\".
void MakeFolders(std::u16string_view folder) {
  for (size_t at = folder.find(u'\\', 1); at != std::u16string_view::npos; at = folder.find(u'\\', at + 1))
    CreateDirectoryW(std::u16string(folder.substr(0, at)).c_str(), nullptr);
}

// An absent text (the owner left the field empty) writes no element.
CBstr Present(const std::u16string& text) { return text.empty() ? CBstr() : CBstr(text); }

}  // namespace

std::optional<std::u16string> UpdateFileFromCopyData(const COPYDATASTRUCT& copy) {
  if (!copy.lpData || copy.cbData == 0 || copy.cbData % sizeof(WCHAR) != 0) return std::nullopt;
  std::u16string name(copy.cbData / sizeof(WCHAR), u'\0');
  std::memcpy(name.data(), copy.lpData, copy.cbData);
  while (!name.empty() && name.back() == u'\0') name.pop_back();
  if (name.empty() || name.size() > MAX_PATH || name.find(u'\0') != std::u16string::npos) return std::nullopt;
  return name;
}

bool WriteOwnerInfoFile(HWND owner) {
  std::u16string name, company, address, phone, email;
  COwnerInfo(false).GetOwnerInfo(name, company, address, phone, email);
  CBstr file;
  if (!GetOwnerInfoFilePath(file)) return false;
  const std::u16string path = file.str();
  MakeFolders(path.substr(0, path.find_last_of(u'\\') + 1));

  CXmlDocument xml(owner);
  xml.BeginElement(CBstr(u"OWNERINFO"));
  xml.AddTextElement(CBstr(u"VERSION"), CBstr(u"3.0"));
  xml.AddTextElement(CBstr(u"STATUS"), CBstr(u"Connected"));
  xml.AddTextElement(CBstr(u"NAME"), Present(name));
  xml.AddTextElement(CBstr(u"ADDRESS"), Present(address));
  xml.AddTextElement(CBstr(u"COMPANY"), Present(company));
  xml.AddTextElement(CBstr(u"PHONE"), Present(phone));
  xml.AddTextElement(CBstr(u"EMAIL"), Present(email));
  xml.EndElement(CBstr(u"OWNERINFO"));
  // The root element's text alone: the desktop reads the file without a declaration.
  CXmlDomNode root;
  CBstr text;
  if (!xml.IsUsable() || xml.GetDataDocument()->get_documentElement(&root) != S_OK || root.get_xml(&text) != S_OK)
    return false;
  return WriteAnsiTextFile(text.view(), path);
}

int WriteDocumentTemplates(const CSalesDocument& document) {
  CBstr data;
  if (!GetAppDataFolder(data, true)) return 0;
  std::u16string folder = WithBackslash(data.str()) + u"Templates\\";
  MakeFolders(folder);
  int written = 0;
  for (const TemplateFile& file : kTemplates) {
    std::u16string xsl = BuildDocumentStylesheet(document, true, file.kind, true);
    if (!xsl.empty() && WriteAnsiTextFile(xsl, folder + file.name)) ++written;
  }
  return written;
}

CDatabaseFiles GetDatabaseFiles() {
  CDatabaseFiles files;
  CBstr folder;
  GetDatabaseFilePath(folder, false);
  files.folder = WithBackslash(folder.str());
  files.name = CPreferences().Get(pref::kDatabase);
  return files;
}

bool CopyDatabaseToUpdateFile(const CDatabaseFiles& files) {
  if (files.name.empty()) return false;
  return CopyFileW(files.Database().c_str(), files.Update().c_str(), FALSE) != FALSE;
}

DatabaseExchange ExchangeDatabase(CItemStore& store, const CDatabaseFiles& files) {
  const std::u16string& folder = files.folder;
  const std::u16string backup = files.name + u".bak";
  // A damaged update file is told as what it is, and the database in use stays open.
  CSqlDatabase::FileProblem problem = CSqlDatabase::FileProblem::Damaged;
  if (!CSqlDatabase::IsSoundDatabaseFile(files.Update(), problem)) {
    const UINT id = problem == CSqlDatabase::FileProblem::Locked ? IDS_UPDATE_FILE_IN_USE : IDS_UPDATE_FILE_DAMAGED;
    ShowWarningResText(nullptr, id, files.Update().c_str());
    return DatabaseExchange::Kept;
  }
  store.Close();
  DeleteFileInFolder(folder, backup);
  auto keepOld = [&] {
    store.Open(files.Database());
    return DatabaseExchange::Kept;
  };
  // The old database stays until the new one has opened.
  if (!ReplaceFileInFolder(folder, files.name, backup)) return keepOld();
  if (!ReplaceFileInFolder(folder, CDatabaseFiles::kUpdateName, files.name)) {
    ReplaceFileInFolder(folder, backup, files.name);
    return keepOld();
  }
  if (store.Open(files.Database())) return DatabaseExchange::Replaced;
  // The new file is no database: it goes back to where the desktop put it.
  store.Close();
  ReplaceFileInFolder(folder, files.name, CDatabaseFiles::kUpdateName);
  ReplaceFileInFolder(folder, backup, files.name);
  return keepOld();
}
