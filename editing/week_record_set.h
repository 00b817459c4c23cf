#pragma once
// The week records one scheduling operation works on, held locked from the first read to the
// end of the operation (internal to this folder).
//
// Why hold them for the whole operation: a move releases the old placement and then reserves the
// new one; if the locks were freed between the two, another workstation could book the units
// just released, and putting the old placement back after a refused question would then book an
// operatory twice. Here every change is made on locked copies and written only when the whole
// operation has been accepted, so a No, a stop or an error writes nothing at all, and the
// counts another workstation reads under its own lock are always those of whole operations.
//
// Records are locked in the order the caller asks for them; callers ask in key order (kind,
// code, week), which puts every provider record before every operatory record, so two
// operations never wait for each other in a circle. A record found locked elsewhere is tried
// again a bounded number of times and then reported as 42.
//
// A record that a reservation needs but that does not exist yet is added at once as a zeroed
// placeholder (which locks it): two workstations cannot both make it, and the second one waits
// for the first instead of failing at the end. The placeholder counts as absent for the rules
// and is deleted again when the operation ends without using it.

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

#include "contracts/qdb.h"
#include "contracts/qrx.h"
#include "data/rsc_use_record.h"

struct WeekKey {
  std::array<std::uint8_t, 9> bytes{};  // kind (1), code (4, blank-padded), week (u32 LE)
  std::uint8_t kind() const { return bytes[0]; }
  auto operator<=>(const WeekKey&) const = default;
};
WeekKey weekKey(std::uint8_t kind, std::string_view code, PackedDate week);

struct LockRetry {
  int tries = 100;   // locked reads of one record before giving up with 42
  int pauseMs = 10;  // wait between tries
};

class WeekRecordSet {
 public:
  struct Entry {
    WeekKey key;
    RscUseRecord record;    // the working copy
    RscUseRecord original;  // as stored when it was locked (zero with its key when absent)
    bool stored = false;    // it existed when it was locked
    bool present = false;   // exists for the rules: stored, or made by a reservation
    // What the file holds for this key now (a placeholder, the original, or what flush wrote).
    bool onDisk = false;
    RscUseRecord diskBytes;
    QdbPosition position = 0;
  };

  explicit WeekRecordSet(LockRetry retry);
  // Unless finish() was called: puts back everything this set wrote or added (placeholders and
  // flushed changes alike). Then frees the locks and ends the session.
  ~WeekRecordSet();
  WeekRecordSet(const WeekRecordSet&) = delete;
  WeekRecordSet& operator=(const WeekRecordSet&) = delete;

  // Starts the session and opens the resource schedule file. 0 or the database's error.
  int open();
  QdbSession session() const { return session_; }

  // Locks and reads the record of `key` (once; later calls find it held). `forReservation`
  // adds a placeholder when it does not exist. 0, or the database's error (42 after the tries).
  int lock(const WeekKey& key, bool forReservation);
  // The held entry of `key`, or null.
  Entry* entry(const WeekKey& key);

  // A record read without locking: the held working copy when this set holds the key (absent
  // when it does not exist for the rules), else the stored record. 0 found, 101 none, or the
  // database's error.
  int peek(const WeekKey& key, RscUseRecord* out);

  // Writes every change, keeping the locks: changed records rewritten, records the rules emptied
  // deleted, unused placeholders deleted. On failure everything is put back. 0 or the error.
  int flush();
  // Puts back what this set changed in the file (after a later step of the operation failed).
  // 0, or the error of the first record that could not be put back.
  int undo();
  // Keeps what the last successful flush wrote (anything else, placeholders included, is put
  // back) and frees the locks.
  void finish();

 private:
  // Makes the file hold `want` for the entry (null: no record).
  int apply(Entry& e, const RscUseRecord* want);
  int lastError() const;
  void pause() const;

  LockRetry retry_;
  QdbSession session_ = 0;
  QdbHandle file_ = 0;
  std::vector<Entry> entries_;
  bool flushed_ = false;
  bool finished_ = false;
};
