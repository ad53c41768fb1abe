// The dialog in which the user decides, for the open document's type, which places a
// document shows on the screen and on the printer and what each is called: seven tabs of
// field grid pages over the custom settings. Nothing changes before OK.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "core/WindowObject.h"
#include "customers/CustomizeLayout.h"
#include "customers/FieldGridPage.h"
#include "customers/SheetFrame.h"
#include "platform/gdi/GdiScopes.h"

class CListCache;

class CCustomizeDlg : public CDialogObject<CCustomizeDlg> {
 public:
  // `firstPage` is the stored last page; `lists` (may be null) gives the custom field
  // names the Other and Custom rows offer.
  CCustomizeDlg(HINSTANCE resources, HWND parent, DWORD firstPage, CCustomSettings& settings,
                CSalesDocument& document, CListCache* lists);
  virtual ~CCustomizeDlg();

  // 1 after OK (settings saved, document updated), 0 after Cancel.
  INT_PTR DoModal();
  // The page shown last, also stored as the preference "LastCustPage" when the dialog closes.
  int CurrentPage() const { return m_currentPage; }

  INT_PTR HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);

 private:
  void OnInitDialog();
  void CreateTabs();
  void ShowPage(int page);
  void Resize();
  void OnOK();

  HINSTANCE m_resources;
  HWND m_parent;
  int m_firstPage;
  int m_currentPage = 0;
  CCustomizeLayout m_layout;
  SheetFrame m_frame;
  std::array<std::unique_ptr<CFieldGridPage>, CCustomizeLayout::kPageCount> m_pages;
  std::array<HWND, CCustomizeLayout::kPageCount> m_pageWindows{};
  CGdiObject<HFONT> m_headingFont;
};
