// Internal to locale/: what the NLS calls share, defined in Locale.cpp and used by the
// formats (NumberFormat.cpp, DateFormat.cpp) and the comparison (Collation.cpp).
#pragma once

#include <string_view>

#include "platform/base/Win32Types.h"
#include "platform/locale/LocaleProfile.h"

namespace platform::locale {

// The profile a locale id stands for, with or without the user's overrides of single
// items; null for an id ICU does not know.
const LocaleProfile* ResolveLocale(LCID locale, bool withOverrides = true);
// Copies a result into the caller's buffer with the usual size conventions.
int CopyOut(std::u16string_view text, LPWSTR out, int cch);
// Sets the last error and answers 0, as a failing call does.
int Fail(DWORD error);
// The digits at the start of an item's text as a number (0 when there are none).
UINT ToUInt(std::u16string_view s);

}  // namespace platform::locale
