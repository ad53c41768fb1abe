// The Options dialog from the main window: the dialog runs over the program's scanner slot
// (it replaces the scanner itself and says so with message 1190). Its OK stores what it
// collected (the style and the document flags, the name order, the start numbers, the
// documents folder and the database's place) before it closes, and the main window then
// applies it.
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "core/Folders.h"
#include "core/MessageBoxes.h"
#include "core/Preferences.h"
#include "core/ResourceText.h"
#include "core/WaitCursor.h"
#include "customers/OptionsSheet.h"
#include "datastore/ItemStore.h"
#include "datastore/ListCache.h"
#include "datastore/StoreLists.h"
#include "document/DocumentNumbering.h"
#include "document/SalesDocument.h"
#include "editor/DocumentView.h"
#include "document/EditCommand.h"
#include "mainwindow/MainFrame.h"
#include "mainwindow/RegisterList.h"
#include "platform/kernel/Files.h"
#include "platform/registry/Registry.h"
#include "resources/resource_ids.h"

namespace {

// What is stored, empty when nothing is: the values the dialog may change are compared
// with it.
std::u16string Stored(CPreferences& preferences, const TextPreference& preference) {
  std::u16string value;
  preferences.Read(preference, value);
  return value;
}

// The editor's command that lays the document out in a style code.
int StyleCommand(int style) {
  static constexpr std::array<int, 5> kCommands = {IDM_STYLE_PRODUCT, IDM_STYLE_SERVICE, IDM_STYLE_BOTH,
                                                   IDM_STYLE_PROFESSIONAL, IDM_STYLE_CUSTOM};
  return style >= 0 && style < static_cast<int>(kCommands.size()) ? kCommands[static_cast<size_t>(style)] : 0;
}

}  // namespace

bool CMainFrame::OnOptions(HWND owner) {
  std::unique_ptr<COptionsSheet> sheet;
  {
    CWaitCursorScope wait;
    std::vector<std::u16string> itemFields;
    if (m_lists) {
      CListCache& fields = m_lists->ItemFields();
      CBstr name;
      for (int more = fields.GetFirstItemFieldName(name); more; more = fields.GetNextItemFieldName(name))
        itemFields.push_back(name.str());
    }
    sheet = std::make_unique<COptionsSheet>(GetResourceInstance(), owner, m_hwnd, &m_scanner, std::move(itemFields));
  }
  CPreferences preferences;
  // What the dialog shows is what is stored until its OK stores the new values.
  const std::u16string oldDocsLocation = COptionsChoices::LocationShown(Stored(preferences, pref::kInvoiceLocation));
  const std::u16string oldDocsFolder = ShownFolderValue(oldDocsLocation, Stored(preferences, pref::kInvoicePath));
  const std::u16string oldItemsLocation = COptionsChoices::LocationShown(Stored(preferences, pref::kDbLocation));
  const std::u16string oldItemsFolder = Stored(preferences, pref::kDatabasePath);
  CBstr oldDatabase;
  GetDatabaseFilePath(oldDatabase, true);
  const bool oldLastCommaFirst = preferences.Get(pref::kLastCommaFirst) != 0;
  const bool oldBusinessAddress = preferences.Get(pref::kUseBusAddress) != 0;
  // Stored while the sheet is open, with its own values, so that values the device cannot
  // write keep it open with a message instead of being lost at the next start.
  sheet->SetValueWriter([&](const COptionsSheet& done) {
    const OptionsValues& values = done.Values();
    preferences.Set(pref::kInvoiceStyle, static_cast<DWORD>(values.style));
    preferences.Set(pref::kUseDescriptions, values.useDescriptions);
    preferences.Set(pref::kUseSalesTax, values.useSalesTax);
    preferences.Set(pref::kTrackInventory, values.trackInventory);
    preferences.Set(pref::kPlaySounds, values.playSounds);
    preferences.Set(pref::kLastCommaFirst, values.lastCommaFirst);
    preferences.Set(pref::kUseBusAddress, values.useBusinessAddress);
    DWORD scanNewDoc = 0;
    if (!preferences.Query(pref::kScanNewDoc, scanNewDoc) || scanNewDoc != static_cast<DWORD>(values.scanNewDoc))
      preferences.Set(pref::kScanNewDoc, static_cast<DWORD>(values.scanNewDoc));
    ApplyStartNumbers(done);
    if (values.docsFolder != oldDocsFolder) preferences.Set(pref::kInvoicePath, values.docsFolder);
    if (values.docsLocation != oldDocsLocation)
      preferences.Set(pref::kInvoiceLocation, COptionsChoices::LocationToStore(values.docsLocation));
    if (values.itemsFolder != oldItemsFolder) preferences.Set(pref::kDatabasePath, values.itemsFolder);
    if (values.itemsLocation != oldItemsLocation)
      preferences.Set(pref::kDbLocation, COptionsChoices::LocationToStore(values.itemsLocation));
    if (values.mailBox != Stored(preferences, pref::kMailBox)) preferences.Set(pref::kMailBox, values.mailBox);
  });
  if (sheet->DoModal() != 1) return false;
  const OptionsValues& values = sheet->Values();
  CSalesDocument* document = m_editor ? &m_editor->GetDocument() : nullptr;

  if (document && document->GetStyle() != values.style && StyleCommand(values.style))
    m_editor->OnCommand(StyleCommand(values.style));
  const bool reloadForNames =
      values.lastCommaFirst != oldLastCommaFirst || values.useBusinessAddress != oldBusinessAddress;
  if (document) {
    document->SetUseDescriptions(values.useDescriptions);
    document->SetUseSalesTax(values.useSalesTax);
    // The customer block is written again only for a real change of the address kind.
    if (values.useBusinessAddress != oldBusinessAddress) document->SetUseBusinessAddress(values.useBusinessAddress);
    // The remaining flags (sounds, name order) are read from the values just stored.
    document->LoadViewPreferences();
  }

  // A Symbol scanner is loaded again under its new settings; the others load on use.
  if (m_scanner && m_scanner->GetKind() == kDeviceSymbolScanner) m_scanner->Load();

  const bool docsChanged = values.docsFolder != oldDocsFolder || values.docsLocation != oldDocsLocation;
  const bool itemsChanged = values.itemsFolder != oldItemsFolder || values.itemsLocation != oldItemsLocation;
  // The open document is saved into the new folder next time, under its own name — also
  // when the names changed with it.
  if (docsChanged && document && !document->GetFilePath().IsEmpty()) {
    CBstr folder;
    GetDocumentsFolder(folder);
    document->SetFilePath(folder.str() + document->GetFileName().str());
    document->SetModified(true);
  }
  if (reloadForNames || docsChanged) ReloadRegister(true);
  if (itemsChanged && !MoveDatabase(oldDatabase.str())) {
    preferences.Set(pref::kDatabasePath, oldItemsFolder);
    preferences.Set(pref::kDbLocation, COptionsChoices::LocationToStore(oldItemsLocation));
  }
  return true;
}

void CMainFrame::ApplyStartNumbers(const COptionsSheet& sheet) {
  platform::CRegistryBatch batch;
  CPreferences preferences;
  // The order the numbering values are kept in: invoice, estimate, receipt, order,
  // payment, credit memo.
  for (int type : {0, 1, 2, 4, 3, 5}) {
    std::u16string entered;
    sheet.GetStartNumber(type, entered);
    if (entered == Stored(preferences, StartNumberPreference(type))) continue;
    preferences.Set(StartNumberPreference(type), entered);
    preferences.Set(LastNumberPreference(type), StepNumberText(entered, false));
    preferences.Set(NumberResetPreference(type), 1);
  }
}

bool CMainFrame::MoveDatabase(const std::u16string& oldPath) {
  CBstr newDatabase;
  GetDatabaseFilePath(newDatabase, true);
  const std::u16string newPath = newDatabase.str();
  if (newPath == oldPath) return true;
  auto refuse = [&] {
    MessageBoxFromResource(m_hwnd, IDS_DATABASE_NOT_MOVED, kStyleWarning);
    MessageBoxW(m_hwnd, (u"Source: " + oldPath).c_str(), kProductName, kStyleWarning);
    MessageBoxW(m_hwnd, (u"Dest: " + newPath).c_str(), kProductName, kStyleWarning);
    return false;
  };
  if (GetFileAttributesW(newPath.c_str()) != INVALID_FILE_ATTRIBUTES) {
    MessageBoxFromResource(m_hwnd, IDS_DATABASE_FOUND, kStyleInformation);
  } else {
    MessageBoxFromResource(m_hwnd, IDS_DATABASE_COPIED, kStyleInformation);
    if (!CopyFileW(oldPath.c_str(), newPath.c_str(), TRUE)) return refuse();
  }
  // The customer list's loader reads the database being closed: it finishes first.
  WaitForCustomerLoader();
  CWaitCursorScope wait;
  ReleaseLists();
  m_itemStore->Close();
  const bool opened = m_itemStore->Open(newPath) && m_itemStore->IsOpen();
  // The program never stays without its database: the old one comes back.
  if (!opened) m_itemStore->Open(oldPath);
  ReadListsAgain();
  return opened || refuse();
}
