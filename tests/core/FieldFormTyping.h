// Typing into a field of a data-entry form as a person would: the field's editor opened,
// its text selected and typed over. Shared by every suite that drives such a form.
#pragma once

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

}  // namespace slateway::testing
