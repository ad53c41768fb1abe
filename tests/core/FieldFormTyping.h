// Typing into a field of a data-entry form as a person would: the field's editor opened,
// its text selected and typed over. Shared by every suite that drives such a form.
#pragma once

#include <string>
#include <string_view>

#include "core/FieldForm.h"
#include "platform/testing/UiScript.h"
#include "platform/user/Controls.h"

namespace slateway::testing {

inline void TypeIntoField(platform::testing::DialogDriver& d, HWND form, int field, std::u16string_view text) {
  SendMessageW(form, CFieldForm::kStartEditor, 0, field);
  SendMessageW(GetFocus(), EM_SETSEL, 0, -1);
  d.Type(text);
}

// Picks entry `entry` of a choice field's list as a person would: the field's editor
// opened, its list dropped and the row tapped. False when the field shows no list.
inline bool ChooseInField(platform::testing::DialogDriver& d, HWND form, int field, int entry) {
  SendMessageW(form, CFieldForm::kStartEditor, 0, field);
  HWND combo = CFieldForm::FromHandle(form)->EditorWindow();
  if (!combo || entry < 0) return false;
  if (!SendMessageW(combo, CB_GETDROPPEDSTATE, 0, 0)) SendMessageW(combo, CB_SHOWDROPDOWN, TRUE, 0);
  HWND rows = platform::ComboDropList(combo);
  if (!rows) return false;
  POINT p{10, platform::ComboRowHeight() * entry + platform::ComboRowHeight() / 2};
  ClientToScreen(rows, &p);
  platform::Tap(p);
  d.Pump();
  return true;
}
// The same for the entry whose text is `text`.
inline bool ChooseInField(platform::testing::DialogDriver& d, HWND form, int field, std::u16string_view text) {
  SendMessageW(form, CFieldForm::kStartEditor, 0, field);
  HWND combo = CFieldForm::FromHandle(form)->EditorWindow();
  if (!combo) return false;
  const std::u16string entry(text);
  const auto row =
      SendMessageW(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(entry.c_str()));
  return ChooseInField(d, form, field, static_cast<int>(row));
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
