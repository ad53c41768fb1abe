// What the full-screen option dialogs share: the title row, the white look with a dark
// blue heading, and a row of tabs along the bottom whose pages fill the rest.
#pragma once

#include <span>

#include "platform/platform.h"

struct SheetFrame {
  HWND okButton = nullptr;
  HWND cancelButton = nullptr;
  HWND tabs = nullptr;
};

// Sizes the dialog to the screen, hides the shell's Done button, gives it an empty menu bar
// and the title row with `heading` (null keeps the template's text). Returns the heading
// font, which the dialog deletes.
HFONT InitSheetDialog(HINSTANCE resources, HWND dialog, LPCWSTR heading, SheetFrame& frame);
// The tab control (id 200) below the title row.
HWND CreateSheetTabs(HWND dialog);
void AddSheetTab(HWND tabs, int index, const char16_t* text, HWND page);
// Selects tab `shown` and shows its page only.
void ShowSheetPage(HWND tabs, std::span<const HWND> pages, int shown);
// Fits the tab control over what the input panel leaves of the dialog and every page over
// the tab control less its tab row.
void LayOutSheet(HWND dialog, const SheetFrame& frame, std::span<const HWND> pages);
// The title buttons' drawing and the white background with the dark blue heading; true
// (with the answer in `result`) when `msg` was one of those.
bool HandleSheetLook(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR& result);
