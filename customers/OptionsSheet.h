// The "Options" dialog: start numbers, where documents and the items database live, the
// program's general choices and the bar-code scanner, on four tabs of data-entry pages.
// The main window applies the collected values after OK; the sheet itself stores the
// scanner's values.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/FieldForm.h"
#include "core/WindowMessages.h"
#include "devices/InputDevice.h"
#include "core/WindowObject.h"
#include "customers/OptionsValues.h"
#include "customers/SheetFrame.h"
#include "platform/gdi/GdiScopes.h"

class COptionsSheet : public CDialogObject<COptionsSheet> {
 public:
  static constexpr int kPageCount = 4;
  enum Page { kNumbers, kStorage, kOther, kBarCodes };

  // `scanner` is the main window's slot of the scanner driver (null: the sheet leaves the
  // driver alone): a changed make replaces the driver in it and the old one is deleted.
  // `itemFields` are the custom item field names the code column offers.
  COptionsSheet(HINSTANCE resources, HWND parent, HWND mainWindow, std::unique_ptr<CInputDevice>* scanner = nullptr,
                std::vector<std::u16string> itemFields = {});
  virtual ~COptionsSheet();

  // Writes the caller's share of the collected values at OK, while the sheet is still
  // open: it runs inside the sheet's batch of writes, so the values are stored whole or
  // not at all, and a sheet whose values could not be written says so and stays open.
  using ValueWriter = std::function<void(const COptionsSheet&)>;
  void SetValueWriter(ValueWriter writer) { m_writeValues = std::move(writer); }
  // The tab shown first (0 unless set before running).
  void SetOpeningTab(int tab) { m_openingTab = tab; }
  // 1 after OK with the values collected, 0 after Cancel.
  INT_PTR DoModal();
  const OptionsValues& Values() const { return m_values; }
  // The start number entered for a document type (0 invoice ... 5 credit memo).
  void GetStartNumber(int type, std::u16string& text) const;

  INT_PTR HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);

 private:
  void OnInitDialog();
  void FillPages();
  void ShowPage(int page);
  void ResizePages();
  void OnOK();
  void CollectPages();
  bool StoreValues();
  void ApplyScannerSettings();
  std::u16string Text(int page, int row) const;
  static FieldChoiceList MakeChoices(const std::vector<std::u16string>& texts);

  HINSTANCE m_resources;
  HWND m_parent;
  HWND m_mainWindow;
  std::unique_ptr<CInputDevice>* m_scanner;
  std::vector<std::u16string> m_itemFields;
  int m_openingTab = 0;
  int m_currentTab = 0;
  SheetFrame m_frame;
  std::array<std::unique_ptr<CFieldForm>, kPageCount> m_pages;
  std::array<HWND, kPageCount> m_pageWindows{};
  // The choice lists the pages show (the pages keep pointers to them).
  FieldChoiceList m_docsLocations, m_docsFolders, m_itemsLocations, m_itemsFolders, m_mailStores;
  FieldChoiceList m_scanners, m_buttons, m_codeColumns, m_documentTypes;
  std::u16string m_scannerMakeShown;
  ValueWriter m_writeValues;
  OptionsValues m_values;
  CGdiObject<HFONT> m_headingFont;
};
