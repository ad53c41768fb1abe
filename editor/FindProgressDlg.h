// The small dialog a search of the item store shows while it runs: the text of the node
// being tested and a Cancel button. The search pumps the messages between nodes, so Cancel
// works while it runs.
#pragma once

#include <string_view>

#include "core/WindowObject.h"
#include "datastore/ItemStore.h"

class CFindProgressDlg : public CDialogObject<CFindProgressDlg>, public IFindProgress {
 public:
  CFindProgressDlg(HINSTANCE resources, HWND parent) : m_resources(resources), m_parent(parent) {}
  ~CFindProgressDlg() override;

  void Show() override;
  void Hide() override;
  void ShowNodeText(std::u16string_view text) override;
  bool Cancelled() override;
  void Destroy() override;

  // A new search starts uncancelled.
  void Reset() {
    m_cancelled = false;
    m_shownOnce = false;
  }

  INT_PTR HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);

 private:
  HINSTANCE m_resources;
  HWND m_parent;
  bool m_cancelled = false;
  bool m_pumping = false;
  static constexpr DWORD kShowInterval = 100;  // ms between two shown node texts
  bool m_shownOnce = false;
  DWORD m_lastShown = 0;
};
