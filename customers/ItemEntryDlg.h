// The full-screen item editor: tab "Details" holds the rows of the list entry form, tab
// "Inventory" the stock quantities of an inventory item (only while inventory is tracked).
// It edits the record in place; the caller stores it.
#pragma once

#include <memory>
#include <string>

#include "core/CustomSettings.h"
#include "core/FieldForm.h"
#include "core/WindowMessages.h"
#include "core/WindowObject.h"
#include "customers/ListEntryRows.h"
#include "core/FullScreenDialog.h"

class CItemEntryDlg : public CDialogObject<CItemEntryDlg> {
 public:
  static constexpr int kDetailsTab = 0;
  static constexpr int kInventoryTab = 1;

  CItemEntryDlg(HINSTANCE resources, HWND parent, CItemStore* store, CDbRecord& record, std::u16string type,
                bool noInventory, int documentKind);
  ~CItemEntryDlg();

  // 1 after Done (the record is updated), 0 after Cancel.
  INT_PTR DoModal();

  // The tab the dialog opens on; kept between runs.
  static int LastTab();
  static void SetLastTab(int tab);
  static bool IsInventoryType(std::u16string_view type);

  CFieldForm* Details() const { return m_details.get(); }
  CFieldForm* Inventory() const { return m_inventory.get(); }
  int TabCount() const { return m_tabs.Count(); }

  INT_PTR HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);

 private:
  void OnInitDialog();
  void BuildInventoryRows();
  void OnTypeChanged(std::u16string_view type);
  void OnOK();
  void SaveItem();
  void Resize();
  std::vector<HWND> Pages() const { return {m_detailsPage, m_inventoryPage}; }

  HINSTANCE m_resources;
  HWND m_parent;
  CDbRecord& m_record;
  std::u16string m_type;
  bool m_noInventory;
  CCustomSettings m_settings;
  CListEntryRows m_rows;
  std::unique_ptr<CFieldForm> m_details;
  std::unique_ptr<CFieldForm> m_inventory;
  HWND m_detailsPage = nullptr;
  HWND m_inventoryPage = nullptr;
  full_screen::CPageTabs m_tabs;
  HWND m_okButton = nullptr;
  HWND m_cancelButton = nullptr;
  HFONT m_titleFont = nullptr;
};
