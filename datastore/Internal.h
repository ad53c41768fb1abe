// Helpers shared by the statement files of the SQL layer; not for other callers.
#pragma once

#include <string>
#include <string_view>

#include <sqlite3.h>

#include "platform/base/UniqueHandle.h"

namespace datastore_internal {

std::u16string DecimalText(long long value);

// A prepared statement, finalized at scope end (release() hands it to a cursor).
using CSqlStatement = CUniqueHandle<NullHandleTraits<sqlite3_stmt*, &sqlite3_finalize>>;

}  // namespace datastore_internal
