// Internal to the field form, whose pieces are FieldForm.cpp (the dialog: its list, its
// layout, the marks on its rows, its ending) and FieldFormEditor.cpp (the editor that opens
// over a tapped cell): what both use.
#pragma once

#include <string>

#include "platform/base/Win32Types.h"

namespace field_form {

// The whole text of a window.
std::u16string WindowText(HWND hwnd);

}  // namespace field_form
