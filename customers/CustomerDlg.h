// The full-screen "Edit Customer:Job" / "New Customer" dialog: seven tab pages of the
// data-entry form over one customer record, written back into the record on OK. The
// dialog stores nothing itself; its caller stores the record.
#pragma once

#include <array>
#include <memory>

#include "core/FieldForm.h"
#include "core/WindowObject.h"
#include "customers/CustomerPages.h"
#include "core/FullScreenDialog.h"
#include "datastore/CustomerSource.h"

class CCustomerDlg : public CDialogObject<CCustomerDlg> {
 public:
  // `store` gives the choice lists (null: empty lists).
  CCustomerDlg(HINSTANCE resources, HWND parent, CCustomerRecord& record, int initialPage, CustomerDialogFlags flags,
               CItemStore* store);
  ~CCustomerDlg();

  // 1 after OK (the record holds what was entered), 0 after Cancel.
  INT_PTR DoModal();

  // The form of a page (null when the dialog has no such page or is not open).
  CFieldForm* Page(int page) const { return m_forms[static_cast<size_t>(page)].get(); }
  // The page whose tab is selected.
  int ShownPage() const;
  void ShowPage(int page);

  INT_PTR HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);

 private:
  void OnInitDialog();
  void OnOK();
  void ResizePages();
  int TabOf(int page) const;
  std::vector<HWND> PageWindows() const;

  HINSTANCE m_resources;
  HWND m_parent;
  CCustomerPages m_rules;
  CItemStore* m_store;
  int m_initialPage;
  full_screen::CPageTabs m_tabs;
  std::array<std::unique_ptr<CFieldForm>, kCustomerPageCount> m_forms;
  std::array<HWND, kCustomerPageCount> m_pageWindows{};
  HWND m_okButton = nullptr;
  HWND m_cancelButton = nullptr;
  HFONT m_titleFont = nullptr;
};

// The customer dialog as the customer sources open it.
class CCustomerDialogRunner : public ICustomerDialog {
 public:
  CCustomerDialogRunner(HINSTANCE resources, CItemStore* store) : m_resources(resources), m_store(store) {}
  bool Run(HWND owner, CTableCustomer& record, CustomerDialogMode mode) override;

 private:
  HINSTANCE m_resources;
  CItemStore* m_store;  // not owned
};
