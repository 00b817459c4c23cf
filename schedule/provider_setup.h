#pragma once
// Provider setup without windows: the providers a user may pick, and one provider's default
// schedule record held locked from begin() until commit() or cancel(), with a working copy of
// the provider's entry that the caller edits (hours, aliases, time blocks).
//
// The working copy starts from the record as read under the lock, not from the table, so a change
// another workstation or module made to the record since start-up (time blocks, goals) is kept
// when this one writes. commit() writes the working copy into the record, adds or updates it,
// and then refreshes the provider's table entry from what was written.
//
// The record is read and written in a database session of the setup's own, so the lock it holds
// while a dialog is open never spreads to what the program reads meanwhile. REQUIRES: the
// database is open in this process.

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "data/rsc_use_record.h"
#include "schedule/resource_tables.h"

class Prompter;
class RscUseSession;

// The table indexes of the providers whose inactive mark is not set, sorted by code.
std::vector<std::size_t> selectableProviders(const ProviderScheduleTable& table);

// Copies hours, colour, the six blocks (all five type bytes), aliases and goals of `entry` into a
// provider's default record; times of -1 are stored as 0xFFFF; alias slots after the last alias
// get four zero bytes. Other bytes of the record are left as they are.
void copyEntryToRecord(const ProviderEntry& entry, RscUseRecord* record);

class ProviderSetup {
 public:
  // Borrows both; they must outlive the setup.
  ProviderSetup(Prompter& prompter, ProviderScheduleTable& table);
  // An open setup is cancelled.
  ~ProviderSetup();
  ProviderSetup(const ProviderSetup&) = delete;
  ProviderSetup& operator=(const ProviderSetup&) = delete;

  // Reads the default record of table entry `index` for update (locked). A record locked at
  // another workstation is offered to the user to retry (the access layer's question); giving up
  // returns 42 and nothing is held. When the provider has no default record a zero-filled one is
  // prepared from the table entry (kind 1, the code, week 0). Returns 0 when open; 42 locked, the
  // database error after its message, or 101 for an index out of range (no message). A setup
  // already open is cancelled first.
  int begin(std::size_t index);
  bool isOpen() const { return open_; }
  // Whether commit() will add the record (it did not exist).
  bool isNew() const { return new_; }
  std::size_t index() const { return index_; }

  // The working copy: edit it between begin() and commit().
  ProviderEntry& working() { return working_; }
  const ProviderEntry& working() const { return working_; }

  // The providers offered as aliases: every selectable provider but this one, as codes in the
  // order of selectableProviders.
  std::vector<std::string> aliasCandidates() const;
  // The chosen aliases, kept in the order of aliasCandidates(); codes that are not candidates
  // are dropped, and only the first 10 are kept.
  void setAliases(const std::vector<std::string>& chosen);

  // Writes the working copy into the record, adds it when new or updates it, frees the lock, and
  // on success copies the record into the table entry. Returns 0, or the database error after
  // the access layer's message (the table is then unchanged; 2 when a new record was made at
  // another workstation meanwhile). Does nothing (101) when not open.
  int commit();
  // Frees the record unchanged.
  void cancel();

 private:
  std::vector<std::size_t> aliasIndexes() const;

  Prompter& prompter_;
  ProviderScheduleTable& table_;
  std::unique_ptr<RscUseSession> session_;
  RscUseRecord record_;
  ProviderEntry working_;
  std::size_t index_ = 0;
  bool open_ = false;
  bool new_ = false;
};
