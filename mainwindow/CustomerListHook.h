// The customer list window as the list update sees it while customers are imported: the
// window holds back its loader and store notifications during the import, and afterwards
// takes the new columns and reads the customers again.
#pragma once

#include "listupdate/ListUpdater.h"

class CCustomerListWnd;

class CCustomerListHook final : public IUpdateCustomerList {
 public:
  // `window` is not owned and may be null (nothing is done then).
  explicit CCustomerListHook(CCustomerListWnd* window) : m_window(window) {}

  void SetListUpdateRunning(bool running) override;
  void SetupColumns(int mode) override;
  void Reload(int reloadSource) override;
  void InvalidateList() override;

 private:
  CCustomerListWnd* m_window;
};
