#include "data/database_setup.h"

#include "contracts/qdb.h"
#include "data/schema.h"

int createPracticeDatabase(const char* dataPath) {
  if (QDB_CreateDataBase(dataPath) == 0 || QDB_InitDataBase(dataPath) != 1) {
    return QDB_GetLastErrorNum(0);
  }
  const QdbSession session = QDB_StartSession(1);
  if (session == 0) return QDB_GetLastErrorNum(0);
  int error = 0;
  for (const QdbFileDef& definition : schemaCatalogue()) {
    if (QDB_CREIFIL(session, definition) == 0) {
      error = QDB_GetLastErrorNum(session);
      break;
    }
  }
  QDB_EndSession(session);
  return error;
}
