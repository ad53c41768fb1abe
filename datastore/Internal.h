// Helpers shared by the statement files of the SQL layer; not for other callers.
#pragma once

#include <string>
#include <string_view>

#include <sqlite3.h>

#include "platform/base/UniqueHandle.h"

namespace datastore_internal {

std::u16string DecimalText(long long value);

struct SqlStatementTraits {
  using Handle = sqlite3_stmt*;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle statement) { sqlite3_finalize(statement); }
};

// A prepared statement, finalized at scope end (release() hands it to a cursor).
class CSqlStatement : public CUniqueHandle<SqlStatementTraits> {
 public:
  using CUniqueHandle::CUniqueHandle;
};

}  // namespace datastore_internal
