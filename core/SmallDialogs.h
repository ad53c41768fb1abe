// Two small modal dialogs: the options of one document (four check boxes) and the prompt
// that asks before a customer is overwritten, with its "for all" answers.
#pragma once

#include "core/WindowObject.h"
#include "platform/base/Bstr.h"
#include "platform/gdi/GdiScopes.h"
#include "platform/platform.h"

class CDocOptionsDlg : public CDialogObject<CDocOptionsDlg> {
 public:
  CDocOptionsDlg(HINSTANCE resources, HWND parent, bool toBePrinted, bool toBeEmailed, bool amountIncludesTax,
                 bool removeZeroQuantity);
  virtual ~CDocOptionsDlg() = default;

  // 1 on OK with the four flags read from the boxes, 0 on Cancel (flags unchanged).
  INT_PTR DoModal();

  bool toBePrinted;
  bool toBeEmailed;
  bool amountIncludesTax;
  bool removeZeroQuantity;

  INT_PTR HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);

 private:
  void OnInitDialog();
  // Over what the input panel leaves free, or the parent's client area, below the top bar.
  void FitToScreen();

  HINSTANCE m_resources;
  HWND m_parent;
  CGdiObject<HFONT> m_headingFont;
  HWND m_okButton = nullptr;
  HWND m_cancelButton = nullptr;
};

class COverwritePromptDlg : public CDialogObject<COverwritePromptDlg> {
 public:
  static constexpr INT_PTR kYes = 6;
  static constexpr INT_PTR kNo = 7;
  static constexpr INT_PTR kCancel = 2;

  // One prompt object per import or save run: its "for all" answers start cleared.
  COverwritePromptDlg(HINSTANCE resources, HWND parent);
  virtual ~COverwritePromptDlg() = default;

  // Asks whether the customer `name` may be overwritten: `importMode` while customers
  // are imported, else after the customer was modified elsewhere. kYes, kNo or kCancel
  // (Cancel, or the prompt closed: the caller stops its run and overwrites nothing); once
  // the user answered Yes or No with the "for all" box checked, that answer comes without
  // asking.
  INT_PTR DoModal(const CBstr& name, bool importMode);
  bool IsYesToAll() const { return m_yesToAll; }
  bool IsNoToAll() const { return m_noToAll; }

  // The question shown for `name` in either mode.
  static std::u16string QuestionText(std::u16string_view name, bool importMode);

  INT_PTR HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);

 private:
  HINSTANCE m_resources;
  HWND m_parent;
  std::u16string m_question;
  bool m_yesToAll = false;
  bool m_noToAll = false;
};
