// Internal to the window system: what the standard controls share.
#pragma once

#include "platform/user/Controls.h"
#include "platform/user/WindowManager.h"

namespace platform::user {

LRESULT ButtonProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT StaticProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT EditProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT ListBoxProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT ComboBoxProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT ScrollBarProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// Sends WM_COMMAND with the control's id and `code` to its parent.
void NotifyParent(HWND control, WORD code);
// A person choosing entry `index` of a combo box's list: selects it and notifies as a
// tap on the row would. False when the index is out of range.
bool ChooseComboEntry(HWND combo, int index);
void RegisterDropListClass();

}  // namespace platform::user
