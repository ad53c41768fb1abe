#include "customers/ItemEntryDlg.h"

#include "core/DialogTitleBar.h"
#include "core/Preferences.h"
#include "core/UiMetrics.h"
#include "core/Utilities.h"
#include "datastore/DbRecord.h"
#include "platform/commctrl/CommCtrl.h"
#include "platform/shell/Shell.h"
#include "resources/resource_ids.h"

namespace {

constexpr int kHelpTopic = 7;
constexpr int kDetailsLabelWidth = 76;
constexpr int kInventoryLabelWidth = 120;
constexpr DbRecordQuantity kInventoryMembers[4] = {kQuantityOnHand, kReorderPoint, kStartingQuantity,
                                                   kEndingQuantity};
int g_lastTab = CItemEntryDlg::kDetailsTab;

bool TrackInventory() {
  CPreferences preferences;
  return preferences.Get(pref::kTrackInventory) != 0;
}

}  // namespace

int CItemEntryDlg::LastTab() { return g_lastTab; }
void CItemEntryDlg::SetLastTab(int tab) { g_lastTab = tab; }

bool CItemEntryDlg::IsInventoryType(std::u16string_view type) {
  return type == u"Inventory Part" || type == u"Inventory Assembly";
}

CItemEntryDlg::CItemEntryDlg(HINSTANCE resources, HWND parent, CItemStore* store, CDbRecord& record,
                             std::u16string type, bool noInventory, int documentKind)
    : m_resources(resources),
      m_parent(parent),
      m_record(record),
      m_type(type),
      m_noInventory(noInventory),
      m_rows(record, std::move(type), documentKind, store, &m_settings, u"Tax") {
  m_settings.Load();
}

CItemEntryDlg::~CItemEntryDlg() {
  m_details.reset();
  m_inventory.reset();
  if (m_titleFont) DeleteObject(m_titleFont);
}

INT_PTR CItemEntryDlg::DoModal() {
  return CDialogObject::DoModal(m_resources, MAKEINTRESOURCEW(IDD_TABBED_FORM), m_parent);
}

void CItemEntryDlg::BuildInventoryRows() {
  CFieldFormModel& model = m_inventory->Model();
  const char16_t* labels[4] = {u"Quantity On Hand:",
                               m_type == u"Inventory Assembly" ? u"Build Point:" : u"Reorder Point:",
                               u"Starting Quantity:", u"Ending Quantity:"};
  for (int i = 0; i < 4; ++i) {
    const std::u16string value = LongToBstr(m_record.GetQuantity(kInventoryMembers[i])).str();
    model.AddField(i, kFieldText, 72, CBstr(labels[i]), CBstr(value), 1, 10, nullptr);
  }
}

void CItemEntryDlg::OnInitDialog() {
  HWND dialog = GetHwnd();
  full_screen::MakeFullScreen(dialog);
  m_titleFont = CreateDialogTitleBar(m_resources, dialog, IDC_DIALOG_HEADING, &m_okButton, &m_cancelButton, u"Item", 0);
  m_tabs.Create(dialog);
  m_details = std::make_unique<CFieldForm>(m_resources, dialog, CBstr(), -1, 0, kDetailsLabelWidth, 0, nullptr);
  m_rows.Build(m_details->Model());
  m_detailsPage = m_details->CreatePage(dialog);
  m_tabs.Insert(kDetailsTab, u"Details", m_detailsPage);
  if (TrackInventory() && !m_noInventory) {
    m_inventory = std::make_unique<CFieldForm>(m_resources, dialog, CBstr(), -1, 0, kInventoryLabelWidth, 0, nullptr);
    BuildInventoryRows();
    m_inventoryPage = m_inventory->CreatePage(dialog);
    if (IsInventoryType(m_type)) m_tabs.Insert(kInventoryTab, u"Inventory", m_inventoryPage);
  }
  if (g_lastTab > m_tabs.Count() - 1) g_lastTab = kDetailsTab;
  Resize();
  m_tabs.Show(g_lastTab, Pages());
}

void CItemEntryDlg::Resize() {
  m_tabs.Place(GetHwnd(), GetUiMetric(11), Pages());
  MoveDialogTitleButtons(m_okButton, m_cancelButton, full_screen::VisibleArea(GetHwnd()).right);
}

void CItemEntryDlg::OnTypeChanged(std::u16string_view type) {
  if (!TrackInventory() || !m_inventoryPage) return;
  const bool shown = m_tabs.Count() > kInventoryTab;
  if (!IsInventoryType(type) && shown) {
    if (m_tabs.Selected() == kInventoryTab) m_tabs.Show(kDetailsTab, Pages());
    m_tabs.Remove(kInventoryTab);
  } else if (IsInventoryType(type) && !shown) {
    m_tabs.Insert(kInventoryTab, u"Inventory", m_inventoryPage);
  }
}

void CItemEntryDlg::OnOK() {
  const bool inventoryFirst = m_tabs.Selected() == kInventoryTab;
  CFieldForm* first = inventoryFirst ? m_inventory.get() : m_details.get();
  CFieldForm* second = inventoryFirst ? m_details.get() : m_inventory.get();
  if (!first->Validate()) return;
  if (second && !second->Validate()) return;
  SaveItem();
  EndDialog(GetHwnd(), 1);
}

void CItemEntryDlg::SaveItem() {
  m_rows.WriteBack(m_details->Model());
  if (!m_inventory) return;
  for (int i = 0; i < 4; ++i) {
    CBstr text;
    m_inventory->GetFieldText(i, text);
    m_record.SetQuantity(kInventoryMembers[i], BstrToInt(text.view()));
  }
}

INT_PTR CItemEntryDlg::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_INITDIALOG) {
    OnInitDialog();
    return TRUE;
  }
  if (msg == kMsgItemTypeChosen) {
    if (lParam) OnTypeChanged(reinterpret_cast<const char16_t*>(lParam));
    return TRUE;
  }
  const full_screen::TabbedDialogActions actions{kHelpTopic, [this] { OnOK(); },
                                                      [this] {
                                                        g_lastTab = m_tabs.Selected();
                                                        m_tabs.Show(g_lastTab, Pages());
                                                      },
                                                      [this] {
                                                        if (m_tabs.Window()) Resize();
                                                      }};
  return full_screen::HandleTabbedDialogMessage(GetHwnd(), msg, wParam, lParam, actions);
}
