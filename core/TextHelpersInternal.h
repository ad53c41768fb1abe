// Internal to the text helpers, whose pieces are TextHelpers.cpp (texts cut, split and
// read; document kinds), TextHelpersNumbers.cpp (numbers and money) and TextHelpersDates.cpp
// (dates and times): the two small readers they share.
#pragma once

#include <string_view>

#include "platform/base/Win32Types.h"

namespace text_helpers {

bool Contains(std::u16string_view text, WCHAR c);
// atoi over UTF-16: leading blanks, a sign, digits; held at the int limits.
int AtoiText(std::u16string_view s);

}  // namespace text_helpers
