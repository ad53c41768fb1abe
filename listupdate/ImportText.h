// Small text pieces the import steps share.
#pragma once

#include <string>

#include "platform/base/Base.h"

// The decimal text of a number, as the status lines show it.
inline std::u16string NumberText(long long value) { return platform::ToUtf16(std::to_string(value)); }
// The status line of record `i` of `n`: the prefix, the number, " of " and the count.
inline std::u16string CountText(std::u16string_view prefix, long long i, long long n) {
  return std::u16string(prefix) + NumberText(i) + u" of " + NumberText(n);
}
