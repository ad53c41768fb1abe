// The standard control classes.
#include <algorithm>

#include "platform/user/ControlsInternal.h"
#include "platform/user/Paint.h"

namespace platform::user {

namespace {

// Every control paints itself in WM_PAINT and asks to be painted again when a message
// may have changed how it looks.
template <WNDPROC Impl>
LRESULT Painted(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_PAINT) {
    PaintControl(hwnd);
    return 0;
  }
  if (msg == WM_ERASEBKGND) return 1;  // the control fills its whole client area itself
  LRESULT result = Impl(hwnd, msg, wParam, lParam);
  if (ChangesLook(msg) && IsWindow(hwnd)) InvalidateRect(hwnd, nullptr, TRUE);
  return result;
}

}  // namespace

void RegisterControlClasses() {
  RegisterSystemClass(u"BUTTON", Painted<ButtonProc>, 0);
  // Custom buttons of the program's templates behave as plain buttons.
  RegisterSystemClass(u"TTBUTTON", Painted<ButtonProc>, 0);
  RegisterSystemClass(u"STATIC", Painted<StaticProc>, 0);
  RegisterSystemClass(u"EDIT", Painted<EditProc>, 0);
  RegisterSystemClass(u"CAPEDIT", Painted<EditProc>, 0);
  RegisterSystemClass(u"LISTBOX", Painted<ListBoxProc>, 0);
  RegisterSystemClass(u"COMBOBOX", Painted<ComboBoxProc>, 0);
  RegisterSystemClass(u"SCROLLBAR", ScrollBarProc, 0);  // paints itself
  RegisterDropListClass();
}

void NotifyParent(HWND control, WORD code) {
  HWND parent = GetParent(control);
  if (!parent || !(StyleOf(control) & WS_CHILD)) return;
  SendMessageW(parent, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(control), code), reinterpret_cast<LPARAM>(control));
}

}  // namespace platform::user
