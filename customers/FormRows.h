// Adding rows to a data-entry form one after another, and reading a row back.
#pragma once

#include <string>
#include <string_view>

#include "core/FieldFormModel.h"

namespace customer_screens {

inline void AppendRow(CFieldFormModel& form, int kind, DWORD flags, std::u16string_view label,
                      std::u16string_view value, int lines, int maxLength, FieldChoiceList* choices = nullptr) {
  form.AddField(form.FieldCount(), kind, flags, CBstr(label), CBstr(value), lines, maxLength, choices);
}

// The row's text; with `joined` its continuation rows' texts follow.
inline std::u16string RowText(const CFieldFormModel& form, int row, bool joined = false) {
  CBstr text;
  form.GetFieldText(row, text, joined ? FieldRows::Joined : FieldRows::Own);
  return text.str();
}

}  // namespace customer_screens
