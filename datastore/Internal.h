// Helpers shared by the statement files of the SQL layer; not for other callers.
#pragma once

#include <string>
#include <string_view>

namespace datastore_internal {

// Stores the current local time as a file time in "DBModFileTimeLow"/"DBModFileTimeHigh"
// of the program's root key, so the desktop companion can tell the database changed.
void StampDatabaseModTime();

std::u16string DecimalText(long long value);

}  // namespace datastore_internal
