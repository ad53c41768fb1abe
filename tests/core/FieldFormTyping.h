// Typing into a field of a data-entry form as a person would: the field's editor opened,
// its text selected and typed over. Shared by every suite that drives such a form.
#pragma once

#include <string>
#include <string_view>

#include <gtest/gtest.h>

#include "core/FieldForm.h"
#include "platform/testing/UiScript.h"
#include "platform/user/Controls.h"
#include "platform/user/Window.h"

namespace slateway::testing {

inline void TypeIntoField(platform::testing::DialogDriver& d, HWND form, int field, std::u16string_view text) {
  SendMessageW(form, kMsgStartEditor, 0, field);
  SendMessageW(GetFocus(), EM_SETSEL, 0, -1);
  d.Type(text);
}

// Taps entry `entry` of the open list of a drop-down editor.
inline void ChooseInOpenList(platform::testing::DialogDriver& d, HWND combo, int entry) {
  HWND rows = platform::ComboDropList(combo);
  ASSERT_NE(rows, nullptr);
  POINT p{10, platform::ComboRowHeight() * entry + platform::ComboRowHeight() / 2};
  ClientToScreen(rows, &p);
  platform::Tap(p);
  d.Pump();
}

// Taps row `index` of the form's list, on its arrow or in the value cell left of it; true
// when that opened a drop-down.
inline bool TapFieldRow(platform::testing::DialogDriver& d, CFieldForm& form, int index, bool onArrow) {
  HWND list = GetDlgItem(form.GetHwnd(), CFieldForm::kListId);
  UpdateWindow(list);  // painting places the arrows
  const RECT& a = form.Model().Field(index)->arrow;
  POINT p{onArrow ? (a.left + a.right) / 2 : a.left - 30, (a.top + a.bottom) / 2};
  ClientToScreen(list, &p);
  platform::Tap(p);
  d.Pump();
  WCHAR name[32] = {};
  GetClassNameW(form.EditorWindow(), name, 32);
  return platform::EqualsIgnoreCase(name, u"COMBOBOX");
}

// Picks entry `entry` (or the entry whose text is `text`) of a choice field's list as a
// person would: the field's editor opened, its list dropped and the row tapped.
inline void ChooseInField(platform::testing::DialogDriver& d, HWND form, int field, int entry) {
  SendMessageW(form, kMsgStartEditor, 0, field);
  HWND combo = CFieldForm::FromHandle(form)->EditorWindow();
  ASSERT_NE(combo, nullptr);
  if (!SendMessageW(combo, CB_GETDROPPEDSTATE, 0, 0)) SendMessageW(combo, CB_SHOWDROPDOWN, TRUE, 0);
  ChooseInOpenList(d, combo, entry);
}
inline void ChooseInField(platform::testing::DialogDriver& d, HWND form, int field, std::u16string_view text) {
  SendMessageW(form, kMsgStartEditor, 0, field);
  HWND combo = CFieldForm::FromHandle(form)->EditorWindow();
  ASSERT_NE(combo, nullptr);
  const std::u16string entry(text);
  const auto row =
      SendMessageW(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(entry.c_str()));
  ASSERT_GE(row, 0) << platform::ToUtf8(text);
  ChooseInField(d, form, field, static_cast<int>(row));
}

// Taps tab `tab` of the tab control `tabControl` and returns the page it shows (null when
// none is visible).
inline HWND ShowTabPage(platform::testing::DialogDriver& d, int tabControl, int tab) {
  d.Tabs(tabControl).Tap(tab);
  for (HWND child = GetWindow(d.Control(tabControl), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    if (IsWindowVisible(child)) return child;
  return nullptr;
}

}  // namespace slateway::testing
