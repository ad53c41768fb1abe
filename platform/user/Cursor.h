// The cursor of the pen device: the system cursors a program shows (the arrow and the
// wait cursor), recorded so that tests can read what is shown.
#pragma once

#include <vector>

#include "platform/base/Win32Types.h"

// System cursor ids, passed as MAKEINTRESOURCE names to LoadCursorW.
constexpr WORD IDC_ARROW_ID = 32512;
constexpr WORD IDC_IBEAM_ID = 32513;
constexpr WORD IDC_WAIT_ID = 32514;
#define IDC_ARROW (reinterpret_cast<LPCWSTR>(static_cast<ULONG_PTR>(IDC_ARROW_ID)))
#define IDC_IBEAM (reinterpret_cast<LPCWSTR>(static_cast<ULONG_PTR>(IDC_IBEAM_ID)))
#define IDC_WAIT (reinterpret_cast<LPCWSTR>(static_cast<ULONG_PTR>(IDC_WAIT_ID)))

// With a null instance, loads one of the system cursors above (null with
// ERROR_RESOURCE_NAME_NOT_FOUND for any other id). Cursor resources of modules are not
// supported: null with ERROR_RESOURCE_TYPE_NOT_FOUND. System cursors need no freeing.
HCURSOR LoadCursorW(HINSTANCE instance, LPCWSTR cursorName);
// Shows `cursor` (null hides it) and returns the one shown before.
HCURSOR SetCursor(HCURSOR cursor);
HCURSOR GetCursor();

namespace platform {

// The system cursor id shown now (IDC_ARROW_ID at start; 0 when hidden).
WORD CurrentCursorId();
// Every SetCursor since the last reset, as cursor ids (0 for hidden), oldest first.
std::vector<WORD> CursorHistory();
// Shows the arrow again and forgets the history.
void ResetCursor();

}  // namespace platform
