#include "platform/qrxdb/sqlite_status.h"

#include <sqlite3.h>

#include "contracts/qdb.h"

namespace vantrel::qrxdb {

int statusOfSqlite(int sqliteCode) {
  switch (sqliteCode & 0xFF) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      return kQdbBusy;
    case SQLITE_CONSTRAINT:
      return kQdbDuplicateKey;
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
    case SQLITE_FORMAT:
    case SQLITE_SCHEMA:
      return kQdbDamaged;
    case SQLITE_TOOBIG:
      return kQdbBadBufferSize;
    case SQLITE_FULL:
    case SQLITE_IOERR:
    case SQLITE_CANTOPEN:
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_NOMEM:
    case SQLITE_NOLFS:
    case SQLITE_AUTH:
    default:
      return kQdbIoError;
  }
}

int statusOfSqliteOpening(int sqliteCode) {
  switch (sqliteCode & 0xFF) {
    case SQLITE_ERROR:  // no such table or column: not our schema
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
    case SQLITE_FORMAT:
    case SQLITE_SCHEMA:
      return kQdbDamaged;
    default:
      return statusOfSqlite(sqliteCode);
  }
}

bool isSqliteBusy(int sqliteCode) {
  int primary = sqliteCode & 0xFF;
  return primary == SQLITE_BUSY || primary == SQLITE_LOCKED;
}

}  // namespace vantrel::qrxdb
