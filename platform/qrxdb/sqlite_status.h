#pragma once
// The one place that turns SQLite's result codes into the engine's status numbers.

namespace vantrel::qrxdb {

// The status number for a failed SQLite call (never SQLITE_OK, SQLITE_ROW or SQLITE_DONE).
int statusOfSqlite(int sqliteCode);
// The same for a failure while opening the database or preparing a statement on it: there,
// "no such table", "not a database" and the like mean the file is not (or no longer) ours.
int statusOfSqliteOpening(int sqliteCode);
// True for the codes that mean another connection holds the database for the moment.
bool isSqliteBusy(int sqliteCode);

}  // namespace vantrel::qrxdb
