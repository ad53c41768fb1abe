// The editor's two small questions: what to do with a changed document before it is left
// (save, discard, save under another name, stay), and the name under which the open
// document is memorized as a template.
#pragma once

#include <string>

#include "core/WindowObject.h"
#include "platform/gdi/GdiScopes.h"
#include "platform/platform.h"

class CSaveChangesDlg : public CDialogObject<CSaveChangesDlg> {
 public:
  static constexpr INT_PTR kSave = 6;
  static constexpr INT_PTR kDiscard = 7;
  static constexpr INT_PTR kSaveAs = 4;
  static constexpr INT_PTR kCancel = 2;

  CSaveChangesDlg(HINSTANCE resources, HWND owner) : m_resources(resources), m_owner(owner) {}
  virtual ~CSaveChangesDlg() = default;
  // The answer: kSave, kDiscard, kSaveAs or kCancel.
  INT_PTR DoModal();

  INT_PTR HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);

 private:
  HINSTANCE m_resources;
  HWND m_owner;
};

class CMemorizeDlg : public CDialogObject<CMemorizeDlg> {
 public:
  // Clear quantities starts as the user last left it ("ClearTemplateQtys").
  CMemorizeDlg(HINSTANCE resources, HWND owner, std::u16string proposedName);
  virtual ~CMemorizeDlg() = default;
  // 1 after OK (name and boxes read back, the choice remembered), 0 after Cancel.
  INT_PTR DoModal();

  std::u16string name;
  bool clearQuantities = false;
  bool secondOption = false;

  INT_PTR HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);

 private:
  void OnInitDialog();
  void FitToScreen();

  HINSTANCE m_resources;
  HWND m_owner;
  CGdiObject<HFONT> m_headingFont;
  HWND m_okButton = nullptr;
  HWND m_cancelButton = nullptr;
};
