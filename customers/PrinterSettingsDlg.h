// The dialog in which the user picks the printer model, its port and paper and the print
// options, and can print the engine's test page.
#pragma once

#include "core/WindowObject.h"
#include "platform/gdi/GdiScopes.h"

class CPrintEngine;

class CPrinterSettingsDlg : public CDialogObject<CPrinterSettingsDlg> {
 public:
  static constexpr INT_PTR kSaved = 1;
  static constexpr INT_PTR kNotSaved = 2;

  // `engine` runs the test (not owned).
  CPrinterSettingsDlg(HINSTANCE resources, HWND parent, CPrintEngine* engine);
  virtual ~CPrinterSettingsDlg() = default;

  // kSaved after a save (and, from the test button, a passed test); kNotSaved after
  // Cancel or a failed test.
  INT_PTR DoModal();
  // The dialog's layout for the screen: portrait, landscape or square.
  static UINT TemplateForScreen();
  // The result of the last test (false when none ran).
  bool LastTestPassed() const { return m_testPassed; }

  INT_PTR HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);

 private:
  void OnInitDialog();
  // True when saved; a missing required choice is told and keeps the dialog open.
  bool SaveSettings();

  HINSTANCE m_resources;
  HWND m_parent;
  CPrintEngine* m_engine;
  CGdiObject<HFONT> m_headingFont;
  bool m_testPassed = false;
};
