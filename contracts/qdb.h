#pragma once
// The record database as the rest of the system calls it: numbered files of fixed-size (or
// variable-length) records, each reachable by numbered keys; sessions, sets, record locks and
// update holds. Qt-free. No exception crosses this boundary.

#include <cstddef>
#include <cstdint>
#include <vector>

// ---------------------------------------------------------------------------------------------
// File and key definitions (the schema catalogue is built from these, and QDB_CREIFIL takes one)

// How a key segment orders.
enum class QdbSegmentKind : std::uint8_t {
  kBytes = 0,     // byte by byte
  kUnsigned = 1,  // a little-endian unsigned integer of 1, 2, 4 or 8 bytes, ordered as a number
  kText = 2,      // zero-terminated text inside its width, without regard to (ASCII) case;
                  // bytes after the terminator do not count
};

struct QdbSegment {
  std::uint16_t offset = 0;  // in the record
  std::uint16_t length = 0;  // in the record and in the key bytes callers pass
  QdbSegmentKind kind = QdbSegmentKind::kBytes;
};

struct QdbKeyDef {
  int keyNumber = 0;
  bool unique = false;  // a write that would repeat a unique key fails with error 2
  // The key bytes are the segments' record bytes, one after the other. No segments: the file's
  // own order (the order records were added).
  std::vector<QdbSegment> segments;
  const char* why = "";  // one line: what the key is for, and why it is made so
};

struct QdbFileDef {
  int fileNumber = 0;  // also the number of its first key
  const char* name = "";
  std::uint32_t recordLength = 0;  // fixed records: exact size; variable: the fixed part's size
  bool variableLength = false;
  bool hasIdentifier = false;  // a u32 at offset 2 that the database gives on add, never twice
  std::vector<QdbKeyDef> keys;
};

// ---------------------------------------------------------------------------------------------
// Handles
//
// A session is a 16-bit number; file, set and update handles are 32-bit numbers whose high 16
// bits are the session that owns them. 0 is never a valid session or handle: every function
// that gives one returns 0 on failure and leaves the reason as the last error.
//
// Sessions and handles belong to the process that made them; a child made by fork() cannot use
// its parent's (it calls QDB_InitDataBase itself; best fork while no database is open, or exec).
// Only one thread may call this library. Several sessions of one process, and several
// processes of one machine, may use one data directory at once (it must be on a local file
// system): record locks work between sessions exactly as between processes.
using QdbSession = std::uint16_t;
using QdbHandle = std::uint32_t;
// Where a record lives in its file: given on add, never reused, 0 = none.
using QdbPosition = std::uint32_t;

// ---------------------------------------------------------------------------------------------
// Status numbers
//
// Every call leaves three numbers for its session (QDB_GetLastResultNum, QDB_GetLastErrorNum,
// QDB_GetLastFileNum). The last result and the last error are the same number: 0 after a
// success, else one of the numbers below. The last file number is the file or key number the
// call worked on (the key number for calls that take one; for error 2 the key that would have
// been repeated); 0 for calls about the session itself.
//
// The queries QDB_GetLast*, QDB_GetAccessMode and QDB_GetLockMode leave the status alone.
//
// A call that cannot be tied to a live session (QDB_InitDataBase, QDB_CreateDataBase, a failed
// QDB_StartSession, a bad session or handle) leaves its status in the process's own status,
// which QDB_GetLast*(0) returns.

inline constexpr int kQdbOk = 0;
// A write would repeat the bytes of a unique key. Nothing was changed.
inline constexpr int kQdbDuplicateKey = 2;
// The database, a file of it or a stored file definition is damaged or is not ours.
inline constexpr int kQdbDamaged = 14;
// A stored definition (or the database) was written by another version of this engine, or
// QDB_CREIFIL was given a definition that differs from the one the file was created with.
inline constexpr int kQdbOtherVersion = 15;
// Another session (of this process or another) holds the record locked; or a file is open
// exclusively elsewhere. Reads that meet a lock fail at once; nothing waits.
inline constexpr int kQdbLocked = 42;
// No file of this database has that file or key number: it was never created here.
inline constexpr int kQdbNotCreated = 46;
// No record matches; or a walk or set is at its end.
inline constexpr int kQdbNotFound = 101;
// Callers test for "start the set again". This engine never gives it: a set continues from
// the key of the record it last gave, even when the file changed meanwhile.
inline constexpr int kQdbStartSetAgain = 160;

// Numbers of this engine's own.
// The key bytes are shorter than the key.
inline constexpr int kQdbBadKeyLength = 400;
// The buffer does not fit the record (or a record of that length cannot be written).
inline constexpr int kQdbBadBufferSize = 401;
// The key number is not a key of this file.
inline constexpr int kQdbUnknownKey = 402;
// The session, file, set or update handle is not live (or is of another kind).
inline constexpr int kQdbBadHandle = 403;
// The prefix is longer than the key, or ends inside a kUnsigned segment (see QDB_StartSet).
inline constexpr int kQdbBadPrefix = 404;
// A mode, direction or other argument out of its range.
inline constexpr int kQdbBadArgument = 405;
// QDB_CREIFIL: the definition cannot be created (see there).
inline constexpr int kQdbBadDefinition = 406;
// The file handle has no current record.
inline constexpr int kQdbNoCurrentRecord = 407;
// Disk full, an I/O failure, a database or directory that cannot be written, an unusable lock
// file.
inline constexpr int kQdbIoError = 408;
// Other processes kept the database busy for over a minute.
inline constexpr int kQdbBusy = 409;
// 65535 sessions, or 65535 handles of one session, are live.
inline constexpr int kQdbTooManyHandles = 410;
// No QDB_InitDataBase has succeeded in this process (or this process was forked from one that
// had, and must open the database itself).
inline constexpr int kQdbNotInitialised = 411;
// The file's record positions or identifiers (32-bit) are used up.
inline constexpr int kQdbFileFull = 412;
// QDB_InitDataBase of another directory while sessions of the open one are live.
inline constexpr int kQdbInUse = 413;

// Limits a definition must keep.
inline constexpr std::size_t kQdbMaxKeyLength = 255;
inline constexpr std::size_t kQdbMaxKeysPerFile = 32;
inline constexpr std::uint32_t kQdbMaxRecordLength = 16u << 20;  // also variable records

// ---------------------------------------------------------------------------------------------
// The database

// Opens the database of `dataPath` (the directory that holds qrxdata.db) for this process.
// Returns 1 ready; 2 there is no database in that directory (nothing is created); 0 any other
// failure, with the process status: 14 the file is not a database of ours or is damaged, 15 it
// was made by another version, 408 it or its directory cannot be written, 405 null or empty
// path, 413 sessions of another directory are still live. Calling it again for the directory
// already open returns 1 and changes nothing.
int QDB_InitDataBase(const char* dataPath);
// Makes an empty database in `dataPath`, making the directory (and its parents) if needed.
// The database appears whole or not at all. Returns 1 made; 3 a database was already there
// (left untouched); 0 failure (408 cannot write there, 405 null or empty path). Does not open
// it: call QDB_InitDataBase next.
int QDB_CreateDataBase(const char* dataPath);
// Ends every session of this process (freeing their locks) and closes the database. Returns 1.
int QDB_CloseDataBase();

// ---------------------------------------------------------------------------------------------
// Sessions

// Starts a session: mode 1 opens files shared by default, mode 2 exclusively (as
// QDB_SetAccessMode). Each session has its own description of the lock file, so its record
// locks conflict with every other session's. Returns the session, or 0 (405 bad mode, 411 no
// database, 408 lock file unusable, 410 too many sessions).
QdbSession QDB_StartSession(int mode);
// Ends a session: aborts its updates, ends its sets, closes its files and frees its locks.
// Returns 1, or 0 with 403 for a session that is not live.
int QDB_EndSession(QdbSession session);
// How QDB_OpenFile opens files of the session from now on: 1 shared, 2 exclusive.
int QDB_SetAccessMode(QdbSession session, int mode);
// 1 or 2; 0 for a session that is not live.
int QDB_GetAccessMode(QdbSession session);

// ---------------------------------------------------------------------------------------------
// Files

// Opens the file that has `fileOrKeyNumber` as its number or as one of its key numbers, shared
// or exclusive as the session's access mode says. Returns the file handle, or 0 (46 no such
// file here, 42 open exclusively by another session, 14 its definition is damaged, 15 of
// another version). One session may open a file several times; each handle has its own
// current record.
QdbHandle QDB_OpenFile(QdbSession session, int fileOrKeyNumber);
// The same, but no other session may have the file open until it is closed (42 if one has).
QdbHandle QDB_OpenFileExclusive(QdbSession session, int fileOrKeyNumber);
// Closes a file handle, ending its sets and aborting its updates (which frees their locks).
// Other record locks stay with the session. Returns 1, or 0 with 403.
int QDB_CloseFile(QdbHandle file);
// Creates a file from its definition, in the database's own catalogue, so that any process can
// open it later by number alone. Creating a file again with the same definition succeeds and
// changes nothing; with a different one fails with 15. 406 for a definition that cannot work:
// file number below 1 or from 2^31 up, first key not numbered as the file, key numbers repeated
// or used by another file, a segment outside the (fixed part of the) record, a kUnsigned
// segment not 1, 2, 4 or 8 bytes long, a key longer than kQdbMaxKeyLength, more than
// kQdbMaxKeysPerFile keys, a record of 0 or over kQdbMaxRecordLength bytes, an identifier
// that does not fit the record. Names and the `why` texts are kept for people only.
int QDB_CREIFIL(QdbSession session, const QdbFileDef& definition);

// ---------------------------------------------------------------------------------------------
// Reading
//
// Key bytes are given as they stand in the record, segment after segment (little-endian
// integers, text as stored). `keyLength` is the size of the caller's key buffer: it must hold
// at least the whole key (400 otherwise); bytes after the key are not read. A key without
// segments orders by position; its key bytes are the position as a 4-byte little-endian number.
//
// Every read copies the record (the fixed part of a variable-length record) into `buffer`,
// which must hold at least the record length (401 otherwise; nothing is copied); bytes after
// the record are left alone. A successful read makes the record current for the file handle.
// A failed read leaves the buffer and the current record alone.
//
// While locking is on for the session (QDB_LKISAM 2, QDB_StartLocking), every record read is
// locked for the session; a record that another session holds fails the read at once with 42.
// Without locking, reads never wait and never fail for a lock.
//
// Walks (next, previous, sets) fetch records a few dozen at a time. A record given by a walk
// without locking may be as it was a few milliseconds before the call; a locked read always
// gives the record as it is once locked.

// The first record (in the key's order) whose key equals the key bytes. 101 when none.
int QDB_FindRec(QdbHandle file, int keyNumber, const void* key, std::size_t keyLength, void* buffer,
                std::size_t bufferSize);
// The first record whose key is equal to or after the key bytes.
int QDB_GreaterThanOrEqualRec(QdbHandle file, int keyNumber, const void* key, std::size_t keyLength,
                              void* buffer, std::size_t bufferSize);
// The last record whose key is equal to or before the key bytes (of several equal keys, the
// last added).
int QDB_LessThanOrEqualRec(QdbHandle file, int keyNumber, const void* key, std::size_t keyLength,
                           void* buffer, std::size_t bufferSize);
// First and last record in the key's order; 101 for an empty file.
int QDB_FirstRec(QdbHandle file, int keyNumber, void* buffer, std::size_t bufferSize);
int QDB_LastRec(QdbHandle file, int keyNumber, void* buffer, std::size_t bufferSize);
// The record after (before) the current one in the order of `keyNumber`, which may differ from
// the key that made it current. Continues from the current record's key as it was read, even
// if the record was changed or deleted meanwhile. 407 without a current record, 101 at the end
// (the current record stays).
int QDB_NextRec(QdbHandle file, int keyNumber, void* buffer, std::size_t bufferSize);
int QDB_PrevRec(QdbHandle file, int keyNumber, void* buffer, std::size_t bufferSize);

// Starts a set: the records whose key begins with the first `prefixLength` key bytes, in key
// order. Reads the set's first record (direction 0) or its last (direction 1) and returns the
// set handle; for an empty set returns 0 with 101 and no handle is made. `keyLength` must hold
// at least the prefix. A prefix of 0 bytes gives the whole file. A prefix that ends inside a
// kUnsigned segment is refused with 404: little-endian bytes cut short do not order the set.
// Several sets may walk one file at once, each on its own; each read makes its record current
// for the file handle.
QdbHandle QDB_StartSet(QdbHandle file, int keyNumber, int direction, const void* key,
                       std::size_t keyLength, void* buffer, std::size_t bufferSize,
                       std::size_t prefixLength);
// The set's next (previous) record; 101 at the end (the set stays where it was).
int QDB_NextRecInSet(QdbHandle set, void* buffer, std::size_t bufferSize);
int QDB_PrevRecInSet(QdbHandle set, void* buffer, std::size_t bufferSize);
// The set's middle record as it is now (of n records the one at index (n - 1) / 2 in key
// order); the set continues from it. 101 when the set has become empty.
int QDB_MIDSET(QdbHandle set, void* buffer, std::size_t bufferSize);
// Ends a set. Returns 1, or 0 with 403.
int QDB_EndSet(QdbHandle set);

// Reads the record at `position`; 101 when there is none.
int QDB_ReadRec(QdbHandle file, QdbPosition position, void* buffer, std::size_t bufferSize);
// The current record's position; 0 with 407 when there is none.
QdbPosition QDB_GetFilePos(QdbHandle file);
// Makes the record at `position` current without copying it out (and without locking it).
// 101 when there is none.
int QDB_SETCURI(QdbHandle file, QdbPosition position);
// Makes current the record that the key `keyNumber` of the record image `record` finds; of
// several equal keys, the one whose stored bytes equal the image, else the first. 101 when
// none; 405 for a key without segments (an image does not hold its position). `recordSize`
// must hold the (fixed part of the) record.
int QDB_UPDCURI(QdbHandle file, int keyNumber, const void* record, std::size_t recordSize);

// ---------------------------------------------------------------------------------------------
// Writing
//
// Every write is atomic and durable when it returns success; a failed write changes nothing.
// A rewrite or delete of a record that another session holds locked fails with 42.

// Adds a record of exactly the record length (a variable-length record: the fixed part and its
// tail, at least the fixed part). For a file with identifiers, the next identifier of the file
// is written at offset 2 of the stored record and of `buffer` (identifiers are never given
// twice, deleted or not). The record becomes current; while locking is on it is locked.
// 2 when a unique key would repeat.
int QDB_AddRec(QdbHandle file, void* buffer, std::size_t bufferSize);
// Rewrites the current record with `buffer` (exactly the record length; for a variable-length
// record the fixed part, its tail is kept). 101 when the record was deleted meanwhile, 2 when a
// unique key would repeat another record's, 407 without a current record.
int QDB_WriteRec(QdbHandle file, const void* buffer, std::size_t bufferSize);
// Deletes the current record. Walks continue from its key. Its lock, if the session held one,
// is freed.
int QDB_DeleteCurRec(QdbHandle file);

// Finds the record whose key `keyNumber` equals the key bytes (as QDB_FindRec), locks it for
// the session and copies it into `buffer`, which the update holds: QDB_CommitUpdate writes the
// buffer back. `lockMode` must be 2. Returns the update handle, or 0 (101 none, 42 locked by
// another session). REQUIRES: `buffer` stays valid until the update is committed or aborted.
QdbHandle QDB_StartUpdate(QdbHandle file, int lockMode, int keyNumber, const void* key,
                          std::size_t keyLength, void* buffer, std::size_t bufferSize);
// Writes the held buffer back over the record, then frees its lock. The update ends whether or
// not the write succeeded (a failed write changes nothing: 2 duplicate key, 42 the lock was
// freed meanwhile and another session took it).
int QDB_CommitUpdate(QdbHandle update);
// Frees the record's lock and ends the update.
int QDB_AbortUpdate(QdbHandle update);

// ---------------------------------------------------------------------------------------------
// Record locks
//
// Locks belong to the session: every handle of the session shares them, and they go when the
// session ends or its process dies. A session never conflicts with itself.

// 2: from now on every record read is locked (as QDB_StartLocking). 0: frees every lock of the
// session (those of open updates too) and stops locking (as QDB_StopLocking). 405 otherwise.
int QDB_LKISAM(QdbSession session, int mode);
int QDB_StartLocking(QdbSession session);
int QDB_StopLocking(QdbSession session);
// Stops locking further reads but keeps the locks held; QDB_ResumeLocking locks reads again
// (after no pause it changes nothing).
int QDB_PauseLocking(QdbSession session);
int QDB_ResumeLocking(QdbSession session);
// Frees the lock of the file handle's current record (succeeds when it was not locked).
int QDB_UnlockCurRecord(QdbHandle file);
// 2 locking, 1 paused, 0 not locking; 0 also for a session that is not live.
int QDB_GetLockMode(QdbSession session);

// ---------------------------------------------------------------------------------------------
// Variable-length records (a fixed part of the record length, then a tail of any length)

// The whole length of the current record as stored now; 0 on failure (407, 101).
std::size_t QDB_GetVarRecLength(QdbHandle file);
// Copies the whole current record as stored now; 401 (nothing copied) when it does not fit.
int QDB_ReadEntireVarRec(QdbHandle file, void* buffer, std::size_t bufferSize);
// Rewrites the whole current record with `length` bytes (at least the fixed part; for a fixed
// file exactly the record length). As QDB_WriteRec otherwise.
int QDB_WriteVRec(QdbHandle file, const void* buffer, std::size_t length);

// ---------------------------------------------------------------------------------------------
// Status

int QDB_GetLastResultNum(QdbSession session);
int QDB_GetLastErrorNum(QdbSession session);
int QDB_GetLastFileNum(QdbSession session);

// The practice's two-letter state code: the practice record of file 6 (key 7: kind 0, code
// "-PR-", four zero bytes) holds it at offset 60 (two letters and a zero). Copies it into `out`
// zero-terminated; `outSize` must be at least 3 (401). Returns 1, or 0 (46, 101, ...).
int QDB_GetPracticeState(QdbSession session, char* out, std::size_t outSize);
