// Helpers shared by the statement files of the SQL layer; not for other callers.
#pragma once

#include <string>

namespace datastore_internal {

std::u16string DecimalText(long long value);

}  // namespace datastore_internal
