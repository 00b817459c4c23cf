#pragma once
// A practice database for tests that change the schedule, with the data directory named in the
// profile (so "qrxdata.inf" lands in the test's directory).

#include <optional>
#include <string>

#include "schedule/schedule_keys.h"
#include "tests/schedule/schedule_database.h"

class ScheduleChanges : public ScheduleDatabase {
 protected:
  void SetUp() override {
    ScheduleDatabase::SetUp();
    ASSERT_EQ(QRX_WriteProfileString("GENERAL", "Path", dataPath().c_str()), 1);
    addPractice();
  }

  std::string dataPath() const { return dir_.file("data"); }

  // Close before fork(): a child must open the database itself.
  void closeDatabase() { ASSERT_EQ(QDB_CloseDataBase(), 1); }
  void openDatabase() {
    ASSERT_EQ(QDB_InitDataBase(dataPath().c_str()), 1);
    writer_ = QDB_StartSession(1);
    ASSERT_NE(writer_, 0);
  }

  std::optional<RscUseRecord> stored(std::uint8_t kind, std::string_view code, PackedDate week) {
    const QdbHandle f = QDB_OpenFile(writer_, kRscUseFile);
    const auto key = rscUseKey(kind, code, week);
    RscUseRecord r;
    const bool found =
        QDB_FindRec(f, kRscUseByKey, key.data(), key.size(), r.data(), r.size()) != 0;
    QDB_CloseFile(f);
    if (!found) return std::nullopt;
    return r;
  }
  std::optional<RscUseRecord> practiceDefaults() {
    return stored(RscUseRecord::kPractice, rec::kPracticeCode, 0);
  }

  // Monday, 7 December 2026, and the Sunday that starts its week.
  static PackedDate monday() { return QRX_DateIn(2026, 12, 7); }
  static PackedDate sunday() { return monday() - 1; }
};

// Hours of one period.
inline DayHours dayHours(std::int32_t start, std::int32_t end) {
  DayHours h;
  h.start[0] = start;
  h.end[0] = end;
  return h;
}
