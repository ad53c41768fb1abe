#include "customers/OptionsSheet.h"

#include "core/DialogTitleBar.h"
#include "core/Folders.h"
#include "core/Help.h"
#include "core/MessageBoxes.h"
#include "core/Preferences.h"
#include "core/TextHelpers.h"
#include "customers/SheetFrame.h"
#include "platform/commctrl/CommCtrl.h"
#include "platform/module/Module.h"
#include "platform/registry/Registry.h"
#include "platform/shell/Shell.h"
#include "platform/user/Controls.h"
#include "resources/resource_ids.h"

namespace {

constexpr int kHelpTopic = 5;
constexpr DWORD kField = kFlagEditable | kFlagRequired;
constexpr const char16_t* kTabTexts[] = {u"Numbers", u"Storage", u"Other", u"Bar Codes"};
constexpr int kLabelWidths[] = {110, 98, 110, 94};

// The start number labels by document type.
constexpr const char16_t* kStartNumberLabels[] = {u"Start Invoice #:", u"Start Estimate #:", u"Start Receipt #:",
                                                  u"Payment #:",       u"Sales Order #:",     u"Credit Memo #:"};

CBstr YesNo(DWORD value) { return CBstr(value == 1 ? u"Yes" : u"No"); }

}  // namespace

COptionsSheet::COptionsSheet(HINSTANCE resources, HWND parent, HWND mainWindow, std::unique_ptr<CInputDevice>* scanner,
                             std::vector<std::u16string> itemFields)
    : m_resources(resources),
      m_parent(parent),
      m_mainWindow(mainWindow),
      m_scanner(scanner),
      m_itemFields(std::move(itemFields)) {}

COptionsSheet::~COptionsSheet() = default;

FieldChoiceList COptionsSheet::MakeChoices(const std::vector<std::u16string>& texts) {
  FieldChoiceList list;
  for (const std::u16string& text : texts) {
    if (list.count == FieldChoiceList::kCapacity) break;
    list.first[static_cast<size_t>(list.count)] = CBstr(text);
    list.second[static_cast<size_t>(list.count)] = CBstr(text);
    ++list.count;
  }
  return list;
}

INT_PTR COptionsSheet::DoModal() {
  INT_PTR result = CDialogObject::DoModal(m_resources, MAKEINTRESOURCEW(IDD_TABBED_FORM), m_parent);
  m_headingFont.reset();
  return result == 1 ? 1 : 0;
}

void COptionsSheet::FillPages() {
  CPreferences preferences;
  for (int n = 0; n < kPageCount; ++n)
    m_pages[static_cast<size_t>(n)] =
        std::make_unique<CFieldForm>(m_resources, m_frame.tabs, CBstr(), -1, 0, kLabelWidths[n], 0, nullptr);

  CFieldForm& numbers = *m_pages[kNumbers];
  for (int type = 0; type < 6; ++type) {
    numbers.AddField(type, kFieldText, kField | kFlagNumberText, CBstr(kStartNumberLabels[type]),
                     CBstr(preferences.GetShown(pref::kStartNumber[type])),
                     1, 40, nullptr);
  }

  CFieldForm& storage = *m_pages[kStorage];
  std::vector<std::u16string> locations = COptionsChoices::StorageLocations();
  m_docsLocations = MakeChoices(locations);
  m_itemsLocations = MakeChoices(locations);
  std::u16string docsLocation = COptionsChoices::LocationShown(preferences.GetShown(pref::kInvoiceLocation));
  std::u16string itemsLocation = COptionsChoices::LocationShown(preferences.GetShown(pref::kDbLocation));
  CFolderList folders;
  FillFolderList(folders, CBstr(docsLocation));
  m_docsFolders = MakeChoices(folders);
  folders.clear();
  FillFolderList(folders, CBstr(itemsLocation));
  m_itemsFolders = MakeChoices(folders);
  DWORD style = preferences.Get(pref::kInvoiceStyle);
  const std::vector<std::u16string>& styles = COptionsChoices::StyleNames();
  storage.AddField(0, kFieldChoiceToo, kField | 0x400, CBstr(u"Docs Location:"), CBstr(docsLocation), 1, 80,
                   &m_docsLocations);
  storage.AddField(1, kFieldChoiceToo, kField | kFlagWide, CBstr(u"Docs Folder:"),
                   CBstr(ShownFolderValue(docsLocation, preferences.GetShown(pref::kInvoicePath))), 1, 80,
                   &m_docsFolders);
  storage.AddField(2, kFieldBusinessType, kField, CBstr(u"Default Style:"),
                   CBstr(style < styles.size() ? styles[style] : styles[0]), 1, 40, nullptr);
  storage.AddField(3, kFieldChoiceToo, kField | 0x20000, CBstr(u"Items Location:"), CBstr(itemsLocation), 1, 80,
                   &m_itemsLocations);
  storage.AddField(4, kFieldChoiceToo, kField | kFlagWide, CBstr(u"Items Folder:"),
                   CBstr(preferences.GetShown(pref::kDatabasePath)), 1, 80, &m_itemsFolders);

  CFieldForm& other = *m_pages[kOther];
  preferences.Get(pref::kQbLastCommaFirst);
  m_mailStores = MakeChoices(COptionsChoices::MailStores());
  other.AddField(0, kFieldYesNo, kField, CBstr(u"Full Item Desc:"), YesNo(preferences.Get(pref::kUseDescriptions)),
                 1, 4, nullptr);
  other.AddField(1, kFieldYesNo, kField, CBstr(u"Use Sales Tax:"), YesNo(preferences.Get(pref::kUseSalesTax)), 1, 4,
                 nullptr);
  other.AddField(2, kFieldYesNo, kField, CBstr(u"Track Inventory:"), YesNo(preferences.Get(pref::kTrackInventory)),
                 1, 4, nullptr);
  other.AddField(3, kFieldAddressKind, kField, CBstr(u"Default Address:"),
                 CBstr(preferences.Get(pref::kUseBusAddress) ? u"Business" : u"Home"), 1, 14, nullptr);
  other.AddField(4, kFieldNameOrder, kField, CBstr(u"Show Name as:"),
                 CBstr(preferences.Get(pref::kLastCommaFirst) ? u"Last, First" : u"First Last"), 1, 24, nullptr);
  other.AddField(5, kFieldYesNo, kField, CBstr(u"Play Sounds:"), YesNo(preferences.Get(pref::kPlaySounds)), 1, 4,
                 nullptr);
  other.AddField(6, kFieldChoiceToo, kField, CBstr(u"Outgoing eMail:"),
                 CBstr(preferences.GetShown(pref::kMailBox)), 1, 80, &m_mailStores);

  CFieldForm& barCodes = *m_pages[kBarCodes];
  m_scanners = MakeChoices(COptionsChoices::ScannerMakes());
  CHardwareButton buttons;
  m_buttons = FieldChoiceList();
  for (const HardwareButtonChoice& button : COptionsChoices::HardwareButtons(buttons)) {
    if (m_buttons.count == FieldChoiceList::kCapacity) break;
    m_buttons.first[static_cast<size_t>(m_buttons.count)] = CBstr(button.text);
    m_buttons.second[static_cast<size_t>(m_buttons.count)] = CBstr(button.key);
    ++m_buttons.count;
  }
  m_codeColumns = MakeChoices(COptionsChoices::CodeColumns(m_itemFields));
  std::vector<std::u16string> typeNames;
  for (int type : COptionsChoices::DocumentTypeOrder()) {
    CBstr name;
    GetCustomDocumentTypeName(type, name);
    typeNames.push_back(name.str());
  }
  m_documentTypes = MakeChoices(typeNames);
  DWORD newDoc = 0;
  if (!preferences.Query(pref::kScanNewDoc, newDoc)) newDoc = 0;
  std::u16string newDocName = typeNames[0];
  for (size_t i = 0; i < typeNames.size(); ++i) {
    if (COptionsChoices::DocumentTypeOrder()[i] == static_cast<int>(newDoc)) newDocName = typeNames[i];
  }
  m_scannerMakeShown = preferences.GetShown(pref::kScannerMake);
  // The trigger button is stored by its key name; it shows with its target.
  std::u16string buttonKey = preferences.GetShown(pref::kButton1);
  int shown = m_buttons.FindSecond(buttonKey);
  std::u16string buttonText = shown >= 0 ? m_buttons.first[static_cast<size_t>(shown)].str() : buttonKey;
  barCodes.AddField(0, kFieldChoiceToo, kField, CBstr(u"Scanner:"), CBstr(m_scannerMakeShown), 1, 40, &m_scanners);
  barCodes.AddField(1, kFieldChoiceToo, kField, CBstr(u"Trigger Btn:"), CBstr(buttonText), 1, 80, &m_buttons);
  barCodes.AddField(2, kFieldChoiceToo, kField, CBstr(u"Code Column:"), CBstr(preferences.GetShown(pref::kCodeColumn)),
                    1, 80, &m_codeColumns);
  barCodes.AddField(3, kFieldYesNo, kField, CBstr(u"Continuous:"), YesNo(preferences.Get(pref::kContinuous)), 1, 4,
                    nullptr);
  barCodes.AddField(4, kFieldYesNo, kField, CBstr(u"Qty Prompt:"), YesNo(preferences.Get(pref::kQtyPrompt)), 1, 4,
                    nullptr);
  barCodes.AddField(5, kFieldChoiceToo, kField, CBstr(u"New Document:"), CBstr(newDocName), 1, 40, &m_documentTypes);
}

void COptionsSheet::OnInitDialog() {
  HWND dialog = GetHwnd();
  m_headingFont.reset(InitSheetDialog(m_resources, dialog, u"Options", m_frame));
  m_frame.tabs = CreateSheetTabs(dialog);
  if (!m_frame.tabs) return;
  FillPages();
  for (int n = 0; n < kPageCount; ++n) {
    m_pageWindows[static_cast<size_t>(n)] = m_pages[static_cast<size_t>(n)]->CreatePage(m_frame.tabs);
    AddSheetTab(m_frame.tabs, n, kTabTexts[n], m_pageWindows[static_cast<size_t>(n)]);
  }
  ResizePages();
  ShowPage(m_openingTab >= 0 && m_openingTab < kPageCount ? m_openingTab : 0);
}

void COptionsSheet::ShowPage(int page) {
  m_currentTab = page;
  ShowSheetPage(m_frame.tabs, m_pageWindows, page);
}

void COptionsSheet::ResizePages() { LayOutSheet(GetHwnd(), m_frame, m_pageWindows); }

std::u16string COptionsSheet::Text(int page, int row) const {
  CBstr text;
  m_pages[static_cast<size_t>(page)]->GetFieldText(row, text);
  return text.str();
}

void COptionsSheet::GetStartNumber(int type, std::u16string& text) const {
  if (type >= 0 && type < 6) text = m_values.startNumbers[static_cast<size_t>(type)];
}

void COptionsSheet::OnOK() {
  static constexpr int kOrders[][3] = {
      {kNumbers, kStorage, kOther}, {kStorage, kNumbers, kOther}, {kOther, kNumbers, kStorage}};
  const int* order = kOrders[m_currentTab == kNumbers ? 0 : m_currentTab == kStorage ? 1 : 2];
  // The Bar Codes page is not validated, but its open editor is ended here, else its
  // last choice would be lost (its fields all come from lists, so none can be empty).
  m_pages[kBarCodes]->Validate();
  for (int i = 0; i < 3; ++i) {
    if (!m_pages[static_cast<size_t>(order[i])]->Validate()) {
      ShowPage(order[i]);
      return;
    }
  }
  CollectPages();
  // Values that could not be written would be gone at the next start: the sheet stays, so
  // the user can try again once there is room, or cancel.
  if (!StoreValues()) {
    ShowWarningMessage(GetHwnd(), IDS_CUSTOMIZE_NOT_SAVED);
    return;
  }
  ApplyScannerSettings();
  EndDialog(GetHwnd(), 1);
}

void COptionsSheet::CollectPages() {
  for (int type = 0; type < 6; ++type) m_values.startNumbers[static_cast<size_t>(type)] = Text(kNumbers, type);
  m_values.docsLocation = Text(kStorage, 0);
  m_values.docsFolder = Text(kStorage, 1);
  m_values.style = COptionsChoices::StyleCode(Text(kStorage, 2));
  m_values.itemsLocation = Text(kStorage, 3);
  m_values.itemsFolder = Text(kStorage, 4);
  m_values.useDescriptions = Text(kOther, 0) == u"Yes";
  m_values.useSalesTax = Text(kOther, 1) == u"Yes";
  m_values.trackInventory = Text(kOther, 2) == u"Yes";
  m_values.useBusinessAddress = Text(kOther, 3) != u"Home";
  m_values.lastCommaFirst = Text(kOther, 4) == u"Last, First";
  m_values.playSounds = Text(kOther, 5) == u"Yes";
  m_values.mailBox = Text(kOther, 6);
  m_values.scannerMake = Text(kBarCodes, 0);
  // The trigger button is kept by its key name, which the button binding looks up; the
  // "no buttons" entry names no key, and a stored name the shell no longer lists stays.
  std::u16string button = Text(kBarCodes, 1);
  int chosen = m_buttons.FindFirst(button);
  m_values.triggerButton = chosen >= 0 ? m_buttons.second[static_cast<size_t>(chosen)].str() : button;
  m_values.codeColumn = Text(kBarCodes, 2);
  m_values.continuous = Text(kBarCodes, 3) == u"Yes";
  m_values.qtyPrompt = Text(kBarCodes, 4) == u"Yes";
  // The list shows the types in a different order from their codes.
  int typeEntry = m_documentTypes.FindFirst(Text(kBarCodes, 5));
  m_values.scanNewDoc = typeEntry >= 0 ? COptionsChoices::DocumentTypeOrder()[static_cast<size_t>(typeEntry)] : 0;
}

bool COptionsSheet::StoreValues() {
  platform::CRegistryBatch batch;
  CPreferences preferences;
  if (m_values.scannerMake != m_scannerMakeShown) preferences.Set(pref::kScannerMake, m_values.scannerMake);
  if (!m_values.triggerButton.empty()) preferences.Set(pref::kButton1, m_values.triggerButton);
  preferences.Set(pref::kCodeColumn, m_values.codeColumn);
  preferences.SetContinuous(m_values.continuous);
  preferences.SetQtyPrompt(m_values.qtyPrompt);
  if (m_writeValues) m_writeValues(*this);
  return batch.End() == ERROR_SUCCESS;
}

void COptionsSheet::ApplyScannerSettings() {
  if (!m_scanner) return;
  if (m_values.scannerMake != m_scannerMakeShown) {
    // The new driver is made before the old one goes, and the slot never holds a deleted
    // driver.
    *m_scanner = CreateScannerDriver(m_values.scannerMake, GetModuleHandleW(nullptr), m_mainWindow,
                                     m_values.continuous, m_values.qtyPrompt);
  }
  CInputDevice* driver = m_scanner->get();
  if (driver) {
    driver->SetContinuous(m_values.continuous);
    driver->SetQtyPrompt(m_values.qtyPrompt);
  }
  if (m_mainWindow) SendMessageW(m_mainWindow, kMsgScannerChanged, 0, reinterpret_cast<LPARAM>(driver));
}

INT_PTR COptionsSheet::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_INITDIALOG:
      OnInitDialog();
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == kTitleOkButtonId || LOWORD(wParam) == IDOK) {
        OnOK();
        return TRUE;
      }
      if (LOWORD(wParam) == IDCANCEL) {
        EndDialog(GetHwnd(), 0);
        return TRUE;
      }
      return FALSE;
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      if (!header || header->hwndFrom != m_frame.tabs || header->code != TCN_SELCHANGE) return FALSE;
      ShowPage(static_cast<int>(SendMessageW(m_frame.tabs, TCM_GETCURSEL, 0, 0)));
      return TRUE;
    }
    case WM_SIZE:
      ResizePages();
      return FALSE;
    case WM_SETTINGCHANGE:
      if (wParam == SPI_SETSIPINFO) ResizePages();
      return FALSE;
    case WM_HELP:
      ShowHelp(kHelpTopic);
      return TRUE;
    default: {
      INT_PTR result = FALSE;
      HandleSheetLook(msg, wParam, lParam, result);
      return result;
    }
  }
}
