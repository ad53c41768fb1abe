// Small text pieces the import steps share.
#pragma once

#include <string>

#include "platform/base/Base.h"

// The message for an update file that is not one of this version's update lists.
inline constexpr char16_t kUnrecognizedListText[] =
    u"The update list is not recognized.  Please try again or contact Technical Support for assistance.";
// The message for an update file that cannot be read.
inline std::u16string CannotOpenText(std::u16string_view path) {
  return u"Could not open file '" + std::u16string(path) + u"'.  It may be too large or missing. Update has been aborted.";
}

// The decimal text of a number, as the status lines show it.
inline std::u16string NumberText(long long value) { return platform::ToUtf16(std::to_string(value)); }
// The status line of record `i` of `n`: the prefix, the number, " of " and the count.
inline std::u16string CountText(std::u16string_view prefix, long long i, long long n) {
  return std::u16string(prefix) + NumberText(i) + u" of " + NumberText(n);
}
