// The frame the platform's own full-screen dialogs share (the contact chooser and card, the
// open and save dialogs): the whole screen between the navigation bar and the menu bar, the
// shell's Done button asked for (it sends IDOK), an empty menu bar of the dialog's own, and
// a title row with the heading at the left and OK and Cancel buttons at the right, so a
// person with only the pen can confirm or leave the dialog with or without the Done button.
// Every size doubles on the high-resolution screens.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/base/Win32Types.h"
#include "platform/gdi/GdiScopes.h"
#include "platform/user/Dialog.h"

namespace platform::shell {

// Runs a modal dialog that makes its controls as it starts (from a template of the dialog
// alone) and returns what EndDialog gave it.
INT_PTR RunFrameDialog(HWND owner, DLGPROC proc, LPARAM param);

class DialogFrame {
 public:
  // Call in WM_INITDIALOG: sizes `dialog` full-screen, asks for the Done button, lowers
  // the input panel, gives the dialog its empty menu bar, its text `title` and the title
  // row (a bold heading, OK = IDOK, Cancel = IDCANCEL).
  void SetUp(HWND dialog, std::u16string_view title);
  // The first pixel row below the title row, in the dialog's client coordinates.
  int Top() const { return m_top; }

  // 1 on the classic screen, 2 on the high-resolution ones: every size is multiplied by it.
  static int Scale();
  // The height of the title row's buttons and of a row of controls.
  static int RowHeight();
  // The height of a one-line field (an edit, a combo box's field).
  static int FieldHeight();
  // A gap between controls.
  static int Gap() { return 4 * Scale(); }
  // A label `width` pixels wide at `x` beside a field whose top is `rowTop`, its text level
  // with the field's.
  static HWND Label(HWND dialog, LPCWSTR text, int x, int rowTop, int width);

 private:
  CGdiObject<HFONT> m_heading;  // lives as long as the dialog that shows it
  int m_top = 0;
};

// A list of texts in one column without a title (the contacts, the folders and files): a
// list view, so it scrolls as every list does. A tap on a row selects it and sends the
// dialog NM_CLICK; a double tap then sends NM_DBLCLK (an NMITEMACTIVATE with the row).
HWND CreateFrameList(HWND dialog, int id, int x, int y, int width, int height);
void SetFrameListRows(HWND list, const std::vector<std::u16string>& rows);  // replaces them
int FrameListSelection(HWND list);  // -1: none
// Selects `row`, marks it as the focused one and scrolls it into view.
void SelectFrameListRow(HWND list, int row);

}  // namespace platform::shell
