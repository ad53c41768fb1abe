// A month calendar in a small modal dialog: one tap on a day chooses it.
#pragma once

#include "core/WindowObject.h"
#include "platform/base/Bstr.h"
#include "platform/platform.h"

class CDatePickerDlg : public CDialogObject<CDatePickerDlg> {
 public:
  // Starts on the date of `dateText` read in the user's date order, or on today's local
  // date when the text is empty. `context` is the caller's own word, kept for it.
  CDatePickerDlg(HINSTANCE resources, HWND parent, DWORD context, const CBstr& dateText);
  virtual ~CDatePickerDlg() = default;

  // 1 with a date chosen, 0 cancelled.
  INT_PTR DoModal();

  // The chosen date (the initial one until a date is chosen), and the same in the user's
  // short date format.
  const SYSTEMTIME& GetDate() const { return m_date; }
  const CBstr& GetDateText() const { return m_dateText; }
  DWORD GetContext() const { return m_context; }

  INT_PTR HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);

 private:
  void OnInitDialog();

  HINSTANCE m_resources;
  HWND m_parent;
  DWORD m_context;
  CBstr m_dateText;
  SYSTEMTIME m_date{};
};
