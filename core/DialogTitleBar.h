// The title row of the program's dialogs: a bold heading and two owner-drawn buttons,
// OK (1009) and Cancel (2), at the top right, drawn from the language library's bitmaps.
#pragma once

#include "platform/base/Win32Types.h"

struct DRAWITEMSTRUCT;

constexpr int kTitleOkButtonId = 1009;
constexpr int kTitleCancelButtonId = 2;

// Creates the OK button when `okButton` is given and the Cancel button when `cancelButton`
// is given ("TTBUTTON", visible, owner-drawn, s x s pixels with s = 22, 44 on a
// high-resolution screen, 3 pixels from the top; OK at x = screen width - s - margin - 3,
// Cancel at x = screen width - 2 (s + 3) - margin). Gives the heading control
// `headingId` the heading text (unless null) and a new bold 10-point "Tahoma" font.
// Returns that font; the dialog deletes it (DeleteObject) when it closes. `module` is the
// resource module the buttons' bitmaps come from.
HFONT CreateDialogTitleBar(HINSTANCE module, HWND dialog, int headingId, HWND* okButton, HWND* cancelButton,
                           LPCWSTR headingText, int rightMargin);
// Moves the buttons for a dialog `width` pixels wide (either may be null).
void MoveDialogTitleButtons(HWND okButton, HWND cancelButton, int width);
// Draws a title button from its WM_DRAWITEM data: bitmap 191 (OK) or 192 (Cancel), and
// 194 or 193 while pressed, at the item's top-left corner.
void DrawDialogTitleButton(const DRAWITEMSTRUCT* item);
// The variant for a dialog with a single title button: 191, or 194 while pressed.
void DrawSingleDialogTitleButton(const DRAWITEMSTRUCT* item);

// The full-screen dialog with a title row: sized to the screen between task bar and menu
// bar, the shell's Done button hidden, style bit 0x10000 set, an empty menu bar, and the
// title row (CreateDialogTitleBar with `heading` when given, no margin). Returns the heading
// font, which the dialog deletes when it closes.
HFONT SetUpTitleRowDialog(HINSTANCE module, HWND dialog, int headingId, HWND* okButton, HWND* cancelButton,
                          LPCWSTR heading = nullptr);
// Fits such a dialog to what the input panel leaves visible (or to `parent`'s client area,
// the dialog's own when there is no parent) below the top bar, and moves its buttons.
void FitTitleRowDialog(HWND dialog, HWND parent, HWND okButton, HWND cancelButton);
// The drawing messages such a dialog answers alike: the title buttons (WM_DRAWITEM), the
// heading `headingId` dark blue on white and the rest white (WM_CTLCOLORSTATIC,
// WM_CTLCOLORDLG). True when `msg` was one of them; `result` is then the answer.
bool HandleTitleRowDrawing(UINT msg, WPARAM wParam, LPARAM lParam, int headingId, INT_PTR& result);
