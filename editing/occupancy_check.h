#pragma once
// The weekly occupancy measured against the appointments: every provider's and operatory's week
// record (resource schedule file, kinds 1 and 3) should hold exactly the units and day amounts
// that the dated appointments give. checkOccupancy reports where it does not; rebuildOccupancy
// rewrites the records from the appointments. The administration command's `check` and
// `rebuild` call them.
//
// What the appointments give, per resource, week and day:
// - a provider unit counts the appointments whose provider time covers it, shown as at most 2
//   (a stored 3, "blocked", does not come from appointments and is left alone);
// - an operatory unit is 1 when any appointment covers it;
// - the day amount is the sum of the appointments' amounts.
// The day state's "booked" bit is not compared: the rules clear it only when a day's map
// empties, so it cannot be recomputed exactly. A rebuild sets it on the days that have
// appointments (states of 2 and more are left alone).
//
// REQUIRES: the database is open in this process. Run a rebuild while nobody schedules: the
// appointments are read first and the week records rewritten afterwards.

#include <cstdint>
#include <string>
#include <vector>

#include "contracts/qrx.h"
#include "editing/week_record_set.h"

struct OccupancyDifference {
  enum class What {
    kMap,            // a unit's stored count differs (the first such unit of the day)
    kAmount,         // the day amount differs
    kOverbooked,     // more appointments in a unit than the map can hold (first such unit)
    kMissingRecord,  // appointments in a week without its record
  };
  What what = What::kMap;
  std::uint8_t kind = 0;  // 1 provider, 3 operatory
  std::string code;
  PackedDate week = 0;
  int day = -1;   // 0-6, -1 for a whole record
  int unit = -1;  // 0-287 for kMap and kOverbooked
  std::uint32_t stored = 0;
  std::uint32_t expected = 0;  // kOverbooked: the number of appointments in the unit
  int differingUnits = 0;      // kMap: how many units of the day differ
};

struct OccupancyReport {
  int error = 0;         // the database error that stopped the run; 0 when it ran to the end
  int appointments = 0;  // dated appointments counted
  int skipped = 0;       // dated appointments whose date, start or length cannot be placed
  int records = 0;       // provider and operatory week records looked at
  std::vector<OccupancyDifference> differences;
  // rebuildOccupancy only.
  int rewritten = 0;
  int added = 0;
  int deleted = 0;

  bool consistent() const { return error == 0 && differences.empty(); }
};

OccupancyReport checkOccupancy();
// Reports what it found as checkOccupancy would, then rewrites, adds and deletes week records
// until they match the appointments.
OccupancyReport rebuildOccupancy(LockRetry retry = {});

// One line for a difference, e.g.
//   "operatory OP1  week 01/04/2026 day 2 unit 96: stored 0, appointments give 1 (3 units)".
std::string describeDifference(const OccupancyDifference& difference);
