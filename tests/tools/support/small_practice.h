#pragma once
// A small demo practice in a test's own data directory, and reads of its appointments. Every
// function leaves the database closed, as runAdminCommand expects.

#include <gtest/gtest.h>

#include <string>

#include "contracts/qdb.h"
#include "contracts/qrx.h"
#include "data/appointment_record.h"
#include "data/database_setup.h"
#include "data/record_readers.h"
#include "data/schema.h"
#include "tools/demo_practice.h"

namespace toolstest {

// The demo places its dated appointments in the 60 days around this Wednesday, so the weeks
// from 2026-04-13 on are free.
inline PackedDate smallPracticeToday() { return QRX_DateIn(2026, 3, 11); }

// Makes the database in `dataDir` and fills it with a demo practice of 30 households.
inline void makeSmallPractice(const std::string& dataDir) {
  ASSERT_EQ(createPracticeDatabase(dataDir.c_str()), 0);
  DemoOptions options;
  options.seed = 5;
  options.today = smallPracticeToday();
  options.households = 30;
  options.minimumPatients = 60;
  options.undated = 5;
  options.addUsers = false;
  DemoSummary summary;
  std::string why;
  const int made = makeDemoPractice(options, &summary, &why);
  QDB_CloseDataBase();
  ASSERT_EQ(made, 0) << why;
}

// The number of appointment records; -1 when the database cannot be opened.
inline int countAppointments(const std::string& dataDir) {
  if (QDB_InitDataBase(dataDir.c_str()) != 1) return -1;
  const QdbSession session = QDB_StartSession(1);
  const QdbHandle file = QDB_OpenFile(session, kAppointmentFile);
  AppointmentRecord a;
  int n = 0;
  for (int ok = QDB_FirstRec(file, kAppointmentFile, a.data(), a.size()); ok != 0;
       ok = QDB_NextRec(file, kAppointmentFile, a.data(), a.size())) {
    ++n;
  }
  QDB_EndSession(session);
  QDB_CloseDataBase();
  return n;
}

// The appointment as stored; an all-zero record when it cannot be read.
inline AppointmentRecord storedAppointment(const std::string& dataDir, std::uint32_t id) {
  AppointmentRecord a;
  if (QDB_InitDataBase(dataDir.c_str()) == 1 && !readAppointmentById(id, &a)) a = {};
  QDB_CloseDataBase();
  return a;
}

}  // namespace toolstest
