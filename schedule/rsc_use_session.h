#pragma once
// A private database session for one change of the resource schedule file (internal to this
// folder): a record is read locked, changed and written back, and the lock is gone when the
// write is done, the change is given up, or the session ends.
//
// Why a session of its own rather than the program's: the practice setup holds its record
// locked for as long as its dialog is open, and a lock mode left on in the program's session
// would lock every other record the program reads meanwhile. Locks of this session conflict
// with every other session's, in this process or at another workstation, exactly alike.
//
// Every failure is told to the user through the access layer's reporting calls (a record
// locked elsewhere is tried again silently a few times, then offered as Retry/Cancel); callers
// only look at the result number.

#include <array>
#include <cstdint>

#include "data/access_layer.h"
#include "data/rsc_use_record.h"

class Prompter;

using RscUseKeyBytes = std::array<std::uint8_t, 9>;
// The key (kind, code, week) of a record, as its own key fields hold it.
RscUseKeyBytes rscUseKeyOf(const RscUseRecord& record);

class RscUseSession {
 public:
  explicit RscUseSession(Prompter& prompter) : prompter_(prompter) {}
  // Ends the session, which frees any lock still held.
  ~RscUseSession() = default;
  RscUseSession(const RscUseSession&) = delete;
  RscUseSession& operator=(const RscUseSession&) = delete;

  // Starts the session. 0, or the database's error after a notice.
  int start();
  // Reads the record with the key fields of `*record` and locks it. 0 found (*record replaced,
  // locked until write() or release()); 101 none (*record unchanged, nothing locked); 42 the
  // user gave up on a record locked elsewhere; another error after its notice.
  int readLocked(RscUseRecord* record);
  // Rewrites the record read by readLocked, or adds it (`add`), then frees the locks. 0 or the
  // error, told to the user. Adding a key that exists gives 2 after the write message.
  int write(bool add, RscUseRecord& record);
  // Adds a record that readLocked did not find, locking it while it is added, then frees the
  // locks. 0; 2 without a message when it was made elsewhere in the meantime (read it again);
  // another error after its notice.
  int addOrRace(RscUseRecord& record);
  // Frees every lock without writing.
  void release();

 private:
  Prompter& prompter_;
  AccessLayer db_;
};
