#include "core/DialogTitleBar.h"
#include "core/FullScreenDialog.h"

#include <algorithm>

#include "core/DrawHelpers.h"
#include "core/MenuBar.h"
#include "core/ResourceText.h"
#include "core/UiMetrics.h"
#include "platform/gdi/GdiScopes.h"
#include "platform/shell/Shell.h"
#include "platform/user/Controls.h"
#include "platform/user/Paint.h"
#include "platform/user/Screen.h"
#include "resources/resource_ids.h"

namespace {

constexpr UINT kOkBitmap = IDB_TITLE_OK;
constexpr UINT kCancelBitmap = IDB_TITLE_CANCEL;
constexpr UINT kCancelPressedBitmap = IDB_TITLE_CANCEL_PRESSED;
constexpr UINT kOkPressedBitmap = IDB_TITLE_OK_PRESSED;

int ButtonSize() { return IsHighResolution() ? 44 : 22; }

HWND MakeButton(HINSTANCE module, HWND dialog, int id, int x) {
  int s = ButtonSize();
  return CreateWindowExW(0, u"TTBUTTON", u"", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, x, 3, s, s, dialog,
                         reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), module, nullptr);
}

void DrawFromBitmaps(const DRAWITEMSTRUCT* item, UINT normal, UINT pressed) {
  if (!item || !item->hDC) return;
  UINT id = (item->itemState & ODS_SELECTED) ? pressed : normal;
  DrawResourceBitmap(id, GetResourceInstance(), item->hDC, item->rcItem.left, item->rcItem.top);
}

// The window's pixels per inch down the screen; 96 when it has no context.
int PixelsPerInch(HWND window) {
  CWindowDC dc(window);
  return dc ? GetDeviceCaps(dc.get(), LOGPIXELSY) : 96;
}

}  // namespace

HFONT CreateDialogTitleBar(HINSTANCE module, HWND dialog, int headingId, HWND* okButton, HWND* cancelButton,
                           LPCWSTR headingText, int rightMargin) {
  int s = ButtonSize();
  int width = GetSystemMetrics(SM_CXSCREEN);
  if (okButton) *okButton = MakeButton(module, dialog, kTitleOkButtonId, width - s - rightMargin - 3);
  if (cancelButton) *cancelButton = MakeButton(module, dialog, kTitleCancelButtonId, width - 2 * (s + 3) - rightMargin);
  HWND heading = GetDlgItem(dialog, headingId);
  if (heading && headingText) SetWindowTextW(heading, headingText);
  // Ten points at the screen's pixels per inch, rounded down as the device does.
  const int perInch = PixelsPerInch(dialog);
  LOGFONTW lf;
  lf.lfHeight = -(20 * perInch / 72) / 2;
  lf.lfWeight = FW_BOLD;
  const char16_t face[] = u"Tahoma";
  std::copy(std::begin(face), std::end(face), lf.lfFaceName);
  HFONT font = CreateFontIndirectW(&lf);
  if (heading && font) SendMessageW(heading, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  return font;
}

void MoveDialogTitleButtons(HWND okButton, HWND cancelButton, int width) {
  int s = ButtonSize();
  if (okButton) MoveWindow(okButton, width - s - 3, 3, s, s, TRUE);
  if (cancelButton) MoveWindow(cancelButton, width - 2 * (s + 3), 3, s, s, TRUE);
}

void DrawDialogTitleButton(const DRAWITEMSTRUCT* item) {
  if (!item) return;
  bool ok = item->CtlID == static_cast<UINT>(kTitleOkButtonId);
  DrawFromBitmaps(item, ok ? kOkBitmap : kCancelBitmap, ok ? kOkPressedBitmap : kCancelPressedBitmap);
}

void DrawSingleDialogTitleButton(const DRAWITEMSTRUCT* item) { DrawFromBitmaps(item, kOkBitmap, kOkPressedBitmap); }

HFONT SetUpTitleRowDialog(HINSTANCE module, HWND dialog, int headingId, HWND* okButton, HWND* cancelButton,
                          LPCWSTR heading) {
  SHINITDLGINFO full;
  full.dwMask = SHIDIM_FLAGS;
  full.hDlg = dialog;
  full.dwFlags = SHIDIF_DONEBUTTON | SHIDIF_SIZEDLGFULLSCREEN;
  SHInitDialog(&full);
  SHDoneButton(dialog, SHDB_HIDE);
  SetWindowLongW(dialog, GWL_STYLE, GetWindowLongW(dialog, GWL_STYLE) | WS_TABSTOP);
  CreateEmptyMenuBar(dialog);
  return CreateDialogTitleBar(module, dialog, headingId, okButton, cancelButton, heading, 0);
}

void FitTitleRowDialog(HWND dialog, HWND parent, HWND okButton, HWND cancelButton) {
  const RECT area = full_screen::VisibleArea(parent ? parent : dialog);
  MoveWindow(dialog, 0, full_screen::DesktopTop(), area.right - area.left, area.bottom - area.top, TRUE);
  MoveDialogTitleButtons(okButton, cancelButton, area.right - area.left);
}

bool HandleTitleRowDrawing(UINT msg, WPARAM wParam, LPARAM lParam, int headingId, INT_PTR& result) {
  constexpr COLORREF kWhite = RGB(255, 255, 255);
  switch (msg) {
    case WM_DRAWITEM:
      DrawDialogTitleButton(reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
      result = TRUE;
      return true;
    case WM_CTLCOLORSTATIC: {
      auto dc = reinterpret_cast<HDC>(wParam);
      SetBkColor(dc, kWhite);
      if (GetDlgCtrlID(reinterpret_cast<HWND>(lParam)) == headingId) SetTextColor(dc, full_screen::kTitleColour);
      result = reinterpret_cast<INT_PTR>(GetStockObject(WHITE_BRUSH));
      return true;
    }
    case WM_CTLCOLORDLG:
      result = reinterpret_cast<INT_PTR>(GetStockObject(WHITE_BRUSH));
      return true;
    default:
      return false;
  }
}
