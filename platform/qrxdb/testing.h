#pragma once
// Hooks for tests of the engine: put a failing operating system or a failing SQLite file layer
// under it. Not for use outside tests.

#include <string>

#include "platform/qrxdb/env.h"

namespace vantrel::qrxdb::testing {

// The Env that the next QDB_InitDataBase and QDB_CreateDataBase use; null: the real one.
// Not owned; REQUIRES: it outlives the database opened with it.
void setEnv(Env* env);
// The SQLite VFS (by registered name) the next QDB_InitDataBase opens the database with;
// empty: SQLite's default.
void setSqliteVfs(const std::string& name);

}  // namespace vantrel::qrxdb::testing
