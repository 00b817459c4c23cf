#pragma once
// A private database session for a routine that needs a record or two: it starts a session,
// opens one file, and ends the session (closing the file and freeing its locks) when it goes out
// of scope. A failure anywhere leaves handle() 0, which callers treat as "not available".

#include "contracts/qdb.h"

class ShortSession {
 public:
  explicit ShortSession(int fileNumber) {
    session_ = QDB_StartSession(1);
    if (session_ != 0) file_ = QDB_OpenFile(session_, fileNumber);
  }
  ~ShortSession() {
    if (session_ != 0) QDB_EndSession(session_);
  }
  ShortSession(const ShortSession&) = delete;
  ShortSession& operator=(const ShortSession&) = delete;

  QdbSession session() const { return session_; }
  // The open file; 0 when the session or the file could not be had.
  QdbHandle handle() const { return file_; }

 private:
  QdbSession session_ = 0;
  QdbHandle file_ = 0;
};
