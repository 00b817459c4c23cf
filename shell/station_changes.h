#pragma once
// The arithmetic of the workstation notification record, apart from the database: which
// workstation's view an appointment change concerns, how a change is appended to the record's
// fifteen places, and how the pending changes are applied to a list.

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "data/station_record.h"

// A list that pending changes are applied to (the day list, the ASAP or the Unscheduled list).
// Rows are numbered from 0 in the order the list shows them.
class ChangeTarget {
 public:
  virtual ~ChangeTarget() = default;
  virtual int rowCount() const = 0;
  // The appointment identifier of a row (0 for a row without an appointment).
  virtual std::uint32_t rowId(int row) const = 0;
  virtual bool rowSelected(int row) const = 0;
  virtual void removeRow(int row) = 0;
  // Reads the appointment and adds its row where the list's order puts it, selected or not.
  // An appointment that cannot be read, or does not belong in this list, adds nothing.
  virtual void addAppointment(std::uint32_t id, bool select) = 0;
  // Bracket a run of changes: the list redraws once, at endUpdate, erasing its background first
  // when `erase` is true.
  virtual void beginUpdate() = 0;
  virtual void endUpdate(bool erase) = 0;
};

struct PendingChange {
  std::uint32_t id = 0;
  std::uint16_t kind = 0;  // StationRecord::kAdded, kRemoved or kChanged
  bool operator==(const PendingChange&) const = default;
};

// Whether two resource codes are the same: each taken as its first 4 characters up to a zero,
// blank-padded to 4, then compared byte by byte ("OP1" equals "OP1 ", not "op1").
bool sameResourceCode(std::string_view a, std::string_view b);

// Whether a change at this operatory and provider concerns the workstation's view: view mode 0
// (all) always, 1 when the operatory is the view's, 2 when the provider is; any other mode never.
// The date is matched by the caller.
bool stationViewMatches(const StationRecord& station, std::string_view operatory,
                        std::string_view provider);

// Appends a change: with fewer than 15 pending, it goes after the last one; with 15 (or a
// damaged count above 15) the oldest is dropped, the rest move up one place, and the change
// takes the last place.
void appendChange(StationRecord& station, std::uint32_t appointmentId, std::uint16_t kind);

// The pending changes, oldest first; a damaged count above 15 reads as 15.
std::vector<PendingChange> pendingChanges(const StationRecord& station);

struct ApplyOutcome {
  int used = 0;     // entries applied
  int removed = 0;  // rows removed (a replaced row counts)
};

// Applies pending changes to a list inside one update bracket, in three passes:
// 1. every row whose appointment has an unused "removed" entry is removed, using the entry up;
// 2. every unused "added" entry adds its appointment, not selected;
// 3. every row whose appointment has an unused entry: "removed" removes it, "changed" removes it
//    and adds the appointment again, selected when the removed row was.
// The work stops as soon as every entry is used. Entries of another kind, or for identifier 0
// (which names no appointment, and would match the rows of free times), are never used. The
// bracket ends with erase when two or more rows were removed.
ApplyOutcome applyChanges(std::span<const PendingChange> changes, ChangeTarget& target);
