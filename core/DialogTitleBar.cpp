#include "core/DialogTitleBar.h"

#include <algorithm>

#include "core/DrawHelpers.h"
#include "core/ResourceText.h"
#include "core/UiMetrics.h"
#include "platform/gdi/GdiScopes.h"
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
