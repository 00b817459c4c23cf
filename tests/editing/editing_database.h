#pragma once
// A practice database of a test's own for the scheduling rules: a context with a scripted user,
// the built-in office hours and three providers, appointments made in one line, and direct
// reads and writes of records to set a scene and to look at what the rules left.

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "contracts/qdb.h"
#include "contracts/qrx.h"
#include "data/appointment_record.h"
#include "data/database_setup.h"
#include "data/record_readers.h"
#include "data/rsc_use_record.h"
#include "data/schema.h"
#include "editing/scheduling_rules.h"
#include "platform/qrx/scripted_prompter.h"
#include "schedule/practice_schedule.h"
#include "schedule/resource_tables.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_dir.h"

namespace editing_test {

// The week of Sunday 4 January 2026.
inline PackedDate sunday() { return QRX_DateIn(2026, 1, 4); }
inline PackedDate monday() { return QRX_DateIn(2026, 1, 5); }
inline PackedDate tuesday() { return QRX_DateIn(2026, 1, 6); }
inline PackedDate week() { return sunday(); }

constexpr int unitOf(int hour, int minute) { return hour * 12 + minute / 5; }

inline ProviderEntry providerEntry(const std::string& code) {
  ProviderEntry e;
  e.code = code;
  e.code.resize(4, ' ');
  e.hours = builtInPracticeHours();
  return e;
}

inline void setBlock(ProviderEntry* p, std::size_t block, int day, int start, int end,
                     std::uint8_t type, const std::string& operatory) {
  ProviderTimeBlock& b = p->blocks[block];
  b.name = "Block " + std::to_string(block);
  b.start[static_cast<std::size_t>(day)] = start;
  b.end[static_cast<std::size_t>(day)] = end;
  b.type[0] = type;
  b.operatory = operatory;
}

// An appointment whose every unit is provider time (5-minute pattern units).
inline AppointmentRecord appointment(PackedDate date, const std::string& provider,
                                     const std::string& operatory, int hour, int minute, int length,
                                     std::uint32_t amount = 0) {
  AppointmentRecord a;
  a.setName("Patient, Test");
  a.setDescription("Exam");
  a.setProvider(provider);
  a.setUnitSize(1);
  a.schedule(date, operatory, static_cast<std::uint8_t>(hour), static_cast<std::uint8_t>(minute));
  a.setLength(static_cast<std::int16_t>(length));
  a.setAmount(amount);
  for (std::size_t k = 0; k < AppointmentRecord::kPatternSlots; ++k) {
    a.setPatternSlot(k, AppointmentRecord::kProviderTime);
  }
  return a;
}

// A file opened in a session of its own, which ends with the object.
struct OpenFile {
  explicit OpenFile(int file) : session(QDB_StartSession(1)), handle(QDB_OpenFile(session, file)) {}
  ~OpenFile() { QDB_EndSession(session); }
  OpenFile(const OpenFile&) = delete;
  OpenFile& operator=(const OpenFile&) = delete;
  QdbSession session;
  QdbHandle handle;
};

// Members are public so that scene-setting lambdas of parameterised tests can reach them.
class EditingDatabase : public ::testing::Test {
 public:
  void SetUp() override {
    profile_.set(dir_.file("VANTREL.INI"));
    ASSERT_EQ(createPracticeDatabase(dir_.file("data").c_str()), 0);
    providers_.providers = {providerEntry("DR1"), providerEntry("DR2"), providerEntry("HYG")};
  }
  void TearDown() override { QDB_CloseDataBase(); }

  SchedulingContext context() {
    SchedulingContext c{prompter_, practice_, providers_};
    c.lockRetry = LockRetry{20, 2};
    return c;
  }
  std::vector<std::string> asked() const {
    std::vector<std::string> out;
    for (const auto& a : prompter_.asked()) out.push_back(a.prompt.text);
    return out;
  }

  std::optional<RscUseRecord> weekRecord(std::uint8_t kind, const std::string& code) {
    OpenFile f(kRscUseFile);
    const WeekKey key = weekKey(kind, code, week());
    RscUseRecord r;
    if (QDB_FindRec(f.handle, kRscUseByKey, key.bytes.data(), key.bytes.size(), r.data(),
                    r.size()) == 0) {
      return std::nullopt;
    }
    return r;
  }
  std::optional<RscUseRecord> providerWeek(const std::string& code) {
    return weekRecord(RscUseRecord::kProvider, code);
  }
  std::optional<RscUseRecord> operatoryWeek(const std::string& code) {
    return weekRecord(RscUseRecord::kOperatory, code);
  }
  // Stores `r` under its key: rewritten when a record has that key, else added.
  void putWeek(RscUseRecord r) {
    OpenFile f(kRscUseFile);
    const WeekKey key = weekKey(r.kind(), r.code(), r.week());
    RscUseRecord old;
    const bool found = QDB_FindRec(f.handle, kRscUseByKey, key.bytes.data(), key.bytes.size(),
                                   old.data(), old.size()) != 0;
    EXPECT_NE(found ? QDB_WriteRec(f.handle, r.data(), r.size())
                    : QDB_AddRec(f.handle, r.data(), r.size()),
              0);
  }
  // A week record with units [from, to) of day `day` at `count`.
  static RscUseRecord bookedWeek(std::uint8_t kind, const std::string& code, int day, int from,
                                 int to, std::uint8_t count, std::uint32_t amount = 0) {
    RscUseRecord r = RscUseRecord::withKey(kind, code, week());
    for (int u = from; u < to; ++u) {
      r.setOccupancy(static_cast<std::size_t>(day), static_cast<std::size_t>(u), count);
    }
    r.setDayState(static_cast<std::size_t>(day), RscUseRecord::kDayBooked);
    r.setDayAmount(static_cast<std::size_t>(day), amount);
    return r;
  }

  void addAppointmentDirectly(AppointmentRecord a) {
    OpenFile f(kAppointmentFile);
    EXPECT_NE(QDB_AddRec(f.handle, a.data(), a.size()), 0);
  }
  std::optional<AppointmentRecord> storedAppointment(std::uint32_t id) {
    AppointmentRecord a;
    if (!readAppointmentById(id, &a)) return std::nullopt;
    return a;
  }
  // Saves a new appointment through the rules, answering every question Yes; its identifier.
  std::uint32_t book(AppointmentRecord a) {
    prompter_.setFallback(ScriptedPrompter::Fallback::kAffirmative);
    const RulesResult r = SaveApptWithRules(context(), true, AppointmentRecord{}, a);
    prompter_.setFallback(ScriptedPrompter::Fallback::kNegative);
    EXPECT_TRUE(r.succeeded()) << static_cast<int>(r.outcome) << " error " << r.error;
    prompter_.clearRecord();
    return r.appointmentId;
  }

  // Every record of a file, in the file's own order.
  std::vector<std::vector<std::uint8_t>> snapshot(int file, std::size_t size) {
    OpenFile f(file);
    std::vector<std::vector<std::uint8_t>> out;
    std::vector<std::uint8_t> buffer(size);
    for (int got = QDB_FirstRec(f.handle, file, buffer.data(), buffer.size()); got != 0;
         got = QDB_NextRec(f.handle, file, buffer.data(), buffer.size())) {
      out.push_back(buffer);
    }
    return out;
  }
  std::vector<std::vector<std::uint8_t>> weekSnapshot() {
    return snapshot(kRscUseFile, RscUseRecord::kSize);
  }
  std::vector<std::vector<std::uint8_t>> appointmentSnapshot() {
    return snapshot(kAppointmentFile, AppointmentRecord::kSize);
  }

  vantrel::test::TempDir dir_{"vantrel-editing"};
  vantrel::test::ScopedEnv profile_{"VANTREL_PROFILE"};
  ScriptedPrompter prompter_;
  PracticeSchedule practice_;
  ProviderScheduleTable providers_;
};

}  // namespace editing_test
