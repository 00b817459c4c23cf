#include "editing/occupancy_check.h"

#include <algorithm>
#include <array>
#include <map>
#include <memory>
#include <set>

#include "contracts/qdb.h"
#include "data/appointment_record.h"
#include "data/record_bytes.h"
#include "data/rsc_use_record.h"
#include "data/schema.h"
#include "editing/occupancy_units.h"

namespace {

constexpr std::size_t kDays = RscUseRecord::kDays;
constexpr std::size_t kUnits = RscUseRecord::kUnitsPerDay;
// Week records rewritten under one set of locks during a rebuild.
constexpr std::size_t kRebuildBatch = 64;

struct Expected {
  std::array<std::array<std::uint16_t, kUnits>, kDays> counts{};
  std::array<std::uint32_t, kDays> amounts{};
  std::array<bool, kDays> booked{};
};
using ExpectedMap = std::map<WeekKey, std::unique_ptr<Expected>>;

class Session {
 public:
  Session() {
    session_ = QDB_StartSession(1);
    if (session_ != 0) {
      appointments_ = QDB_OpenFile(session_, kAppointmentFile);
      weeks_ = QDB_OpenFile(session_, kRscUseFile);
    }
  }
  ~Session() {
    if (session_ != 0) QDB_EndSession(session_);
  }
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  int error() const {
    if (session_ == 0) return QDB_GetLastErrorNum(0) != 0 ? QDB_GetLastErrorNum(0) : kQdbIoError;
    return lastError();
  }
  bool ready() const { return appointments_ != 0 && weeks_ != 0; }
  int lastError() const {
    const int e = QDB_GetLastErrorNum(session_);
    return e != 0 ? e : kQdbIoError;
  }
  QdbHandle appointments() const { return appointments_; }
  QdbHandle weeks() const { return weeks_; }

 private:
  QdbSession session_ = 0;
  QdbHandle appointments_ = 0;
  QdbHandle weeks_ = 0;
};

Expected& expectedOf(ExpectedMap& map, const WeekKey& key) {
  auto& slot = map[key];
  if (!slot) slot = std::make_unique<Expected>();
  return *slot;
}

void count(Expected& e, std::size_t day, const std::vector<int>& units, std::uint32_t amount) {
  for (const int unit : units) {
    std::uint16_t& c = e.counts[day][static_cast<std::size_t>(unit)];
    if (c < 0xFFFF) ++c;
  }
  e.amounts[day] = addAmount(e.amounts[day], amount);
  e.booked[day] = true;
}

// Reads every appointment. Returns 0 or the database error.
int computeExpected(const Session& s, ExpectedMap* out, OccupancyReport* report) {
  AppointmentRecord appt;
  int got = QDB_FirstRec(s.appointments(), kAppointmentFile, appt.data(), appt.size());
  while (got != 0) {
    if (appt.date() != kNoDate) {
      ApptSpan span;
      const SpanProblem problem = spanOf(appt, &span);
      if (problem == SpanProblem::kNone || problem == SpanProblem::kPastMidnight) {
        ++report->appointments;
        const auto d = static_cast<std::size_t>(span.day);
        count(expectedOf(*out, weekKey(RscUseRecord::kProvider, appt.providerCode(), span.week)), d,
              providerTimeUnits(appt, span), appt.amount());
        count(expectedOf(*out, weekKey(RscUseRecord::kOperatory, appt.operatoryCode(), span.week)),
              d, operatoryUnits(span), appt.amount());
      } else {
        ++report->skipped;
      }
    }
    got = QDB_NextRec(s.appointments(), kAppointmentFile, appt.data(), appt.size());
  }
  const int error = s.lastError();
  return error == kQdbNotFound ? kQdbOk : error;
}

std::uint8_t capOf(std::uint8_t kind) { return kind == RscUseRecord::kProvider ? 2 : 1; }

// The count a unit should hold: what the appointments give, capped; a provider's stored 3 stays.
std::uint8_t wantedCount(std::uint8_t kind, std::uint8_t stored, std::uint16_t appointments) {
  if (kind == RscUseRecord::kProvider && stored == 3) return 3;
  return static_cast<std::uint8_t>(std::min<std::uint16_t>(appointments, capOf(kind)));
}

std::string codeOf(const WeekKey& key) {
  return rec::loadText(key.bytes.data() + 1, rec::kCodeWidth);
}
PackedDate weekOf(const WeekKey& key) { return rec::loadU32(key.bytes.data() + 5); }

bool isOccupancyRecord(const RscUseRecord& r) {
  return (r.kind() == RscUseRecord::kProvider || r.kind() == RscUseRecord::kOperatory) &&
         r.week() != 0;
}

void compare(const WeekKey& key, const RscUseRecord* stored, const Expected* expected,
             std::vector<OccupancyDifference>* out) {
  static const Expected kNone{};
  const Expected& e = expected != nullptr ? *expected : kNone;
  static const RscUseRecord kEmpty{};
  const RscUseRecord& r = stored != nullptr ? *stored : kEmpty;
  const std::uint8_t kind = key.kind();
  for (std::size_t d = 0; d < kDays; ++d) {
    OccupancyDifference map;
    OccupancyDifference over;
    for (std::size_t u = 0; u < kUnits; ++u) {
      const std::uint8_t have = r.occupancy(d, u);
      const std::uint8_t want = wantedCount(kind, have, e.counts[d][u]);
      if (have != want) {
        if (map.differingUnits == 0) {
          map.unit = static_cast<int>(u);
          map.stored = have;
          map.expected = want;
        }
        ++map.differingUnits;
      }
      if (e.counts[d][u] > capOf(kind) && over.unit < 0) {
        over.unit = static_cast<int>(u);
        over.expected = e.counts[d][u];
      }
    }
    const auto fill = [&](OccupancyDifference& diff, OccupancyDifference::What what) {
      diff.what = what;
      diff.kind = kind;
      diff.code = codeOf(key);
      diff.week = weekOf(key);
      diff.day = static_cast<int>(d);
      out->push_back(diff);
    };
    if (stored != nullptr && map.differingUnits > 0) fill(map, OccupancyDifference::What::kMap);
    if (over.unit >= 0) fill(over, OccupancyDifference::What::kOverbooked);
    if (stored != nullptr && r.dayAmount(d) != e.amounts[d]) {
      OccupancyDifference amount;
      amount.stored = r.dayAmount(d);
      amount.expected = e.amounts[d];
      fill(amount, OccupancyDifference::What::kAmount);
    }
  }
  if (stored == nullptr) {
    OccupancyDifference missing;
    missing.what = OccupancyDifference::What::kMissingRecord;
    missing.kind = kind;
    missing.code = codeOf(key);
    missing.week = weekOf(key);
    out->push_back(missing);
  }
}

// Compares every stored week record with the appointments; collects the keys seen.
int checkAll(const Session& s, const ExpectedMap& expected, OccupancyReport* report,
             std::set<WeekKey>* storedKeys) {
  RscUseRecord r;
  int got = QDB_FirstRec(s.weeks(), kRscUseByKey, r.data(), r.size());
  while (got != 0) {
    if (isOccupancyRecord(r)) {
      ++report->records;
      const WeekKey key = weekKey(r.kind(), r.code(), r.week());
      storedKeys->insert(key);
      const auto found = expected.find(key);
      compare(key, &r, found != expected.end() ? found->second.get() : nullptr,
              &report->differences);
    }
    got = QDB_NextRec(s.weeks(), kRscUseByKey, r.data(), r.size());
  }
  const int error = s.lastError();
  if (error != kQdbNotFound) return error;
  for (const auto& [key, e] : expected) {
    if (storedKeys->count(key) == 0) compare(key, nullptr, e.get(), &report->differences);
  }
  return kQdbOk;
}

bool operatoryWeekEmpty(const RscUseRecord& week) {
  for (std::size_t d = 0; d < kDays; ++d) {
    if (week.dayState(d) != 0) return false;
  }
  return true;
}

bool providerWeekEmpty(const RscUseRecord& week) {
  for (std::size_t d = 0; d < kDays; ++d) {
    if (week.dayState(d) != 0 || week.dayAmount(d) != 0) return false;
    for (std::size_t p = 0; p < RscUseRecord::kPeriods; ++p) {
      if (week.weekStart(d, p) != 0) return false;
    }
  }
  return true;
}

// The record as the appointments give it, built on what is stored (hours, states of 2 and
// more and unused bytes stay).
RscUseRecord rebuilt(const WeekRecordSet::Entry& entry, const Expected* expected) {
  static const Expected kNone{};
  const Expected& e = expected != nullptr ? *expected : kNone;
  RscUseRecord r = entry.record;
  const std::uint8_t kind = entry.key.kind();
  for (std::size_t d = 0; d < kDays; ++d) {
    for (std::size_t u = 0; u < kUnits; ++u) {
      r.setOccupancy(d, u, wantedCount(kind, r.occupancy(d, u), e.counts[d][u]));
    }
    r.setDayAmount(d, e.amounts[d]);
    if (r.dayState(d) < 2) r.setDayState(d, e.booked[d] ? RscUseRecord::kDayBooked : 0);
  }
  return r;
}

int rebuildBatch(const std::vector<WeekKey>& keys, const ExpectedMap& expected, LockRetry retry,
                 OccupancyReport* report) {
  WeekRecordSet set(retry);
  if (const int error = set.open(); error != kQdbOk) return error;
  for (const WeekKey& key : keys) {
    if (const int error = set.lock(key, expected.count(key) != 0); error != kQdbOk) return error;
  }
  int rewritten = 0;
  int added = 0;
  int deleted = 0;
  for (const WeekKey& key : keys) {
    WeekRecordSet::Entry* e = set.entry(key);
    const auto found = expected.find(key);
    const Expected* want = found != expected.end() ? found->second.get() : nullptr;
    e->record = rebuilt(*e, want);
    const bool empty = key.kind() == RscUseRecord::kProvider ? providerWeekEmpty(e->record)
                                                             : operatoryWeekEmpty(e->record);
    e->present = !empty;
    if (e->stored && !e->present) {
      ++deleted;
    } else if (!e->stored && e->present) {
      ++added;
    } else if (e->present && !e->record.sameBytes(e->original)) {
      ++rewritten;
    }
  }
  if (const int error = set.flush(); error != kQdbOk) return error;
  set.finish();
  report->rewritten += rewritten;
  report->added += added;
  report->deleted += deleted;
  return kQdbOk;
}

OccupancyReport run(bool rebuild, LockRetry retry) {
  OccupancyReport report;
  ExpectedMap expected;
  std::set<WeekKey> storedKeys;
  {
    Session s;
    if (!s.ready()) {
      report.error = s.error();
      return report;
    }
    if (const int error = computeExpected(s, &expected, &report); error != kQdbOk) {
      report.error = error;
      return report;
    }
    if (const int error = checkAll(s, expected, &report, &storedKeys); error != kQdbOk) {
      report.error = error;
      return report;
    }
  }
  if (!rebuild) return report;

  std::set<WeekKey> all = storedKeys;
  for (const auto& entry : expected) all.insert(entry.first);
  std::vector<WeekKey> batch;
  for (const WeekKey& key : all) {
    batch.push_back(key);
    if (batch.size() == kRebuildBatch) {
      if (const int error = rebuildBatch(batch, expected, retry, &report); error != kQdbOk) {
        report.error = error;
        return report;
      }
      batch.clear();
    }
  }
  if (!batch.empty()) report.error = rebuildBatch(batch, expected, retry, &report);
  return report;
}

}  // namespace

OccupancyReport checkOccupancy() { return run(false, LockRetry{}); }

OccupancyReport rebuildOccupancy(LockRetry retry) { return run(true, retry); }

std::string describeDifference(const OccupancyDifference& difference) {
  std::string line = difference.kind == RscUseRecord::kProvider ? "provider " : "operatory ";
  line += difference.code;
  std::array<char, 16> date{};
  QRX_FormatNDate2000(date.data(), date.size(), difference.week);
  line += " week ";
  line += date.data();
  if (difference.day >= 0) line += " day " + std::to_string(difference.day);
  if (difference.unit >= 0) line += " unit " + std::to_string(difference.unit);
  line += ": ";
  switch (difference.what) {
    case OccupancyDifference::What::kMap:
      line += "stored " + std::to_string(difference.stored) + ", appointments give " +
              std::to_string(difference.expected) + " (" +
              std::to_string(difference.differingUnits) + " units differ)";
      break;
    case OccupancyDifference::What::kAmount:
      line += "day amount stored " + std::to_string(difference.stored) + ", appointments give " +
              std::to_string(difference.expected);
      break;
    case OccupancyDifference::What::kOverbooked:
      line += std::to_string(difference.expected) + " appointments in one unit";
      break;
    case OccupancyDifference::What::kMissingRecord:
      line += "no week record, though appointments are placed there";
      break;
  }
  return line;
}
