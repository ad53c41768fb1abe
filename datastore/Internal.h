// Helpers shared by the statement files of the SQL layer; not for other callers.
#pragma once

#include <string>
#include <string_view>

#include <sqlite3.h>

#include "platform/base/UniqueHandle.h"

namespace datastore_internal {

std::u16string DecimalText(long long value);

// Binds a text parameter: as UTF-8, made in `buffer` (which must hold it until the step
// when `lifetime` is SQLITE_STATIC), or, when it holds unpaired surrogates that no UTF-8
// form keeps, its UTF-16 units verbatim as a BLOB. The engine's result code.
int BindText(sqlite3_stmt* statement, int index, std::u16string_view value, std::string& buffer,
             void (*lifetime)(void*));

// A prepared statement, finalized at scope end (release() hands it to a cursor).
using CSqlStatement = CUniqueHandle<NullHandleTraits<sqlite3_stmt*, &sqlite3_finalize>>;

}  // namespace datastore_internal
