#pragma once
// A practice database of a test's own for the main window: the suite profile points at it, and
// records go in through a session of the test's own (as another workstation would write them).

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "contracts/qdb.h"
#include "contracts/qrx.h"
#include "data/access_layer.h"
#include "data/appointment_record.h"
#include "data/station_record.h"
#include "platform/qrx/scripted_prompter.h"
#include "shell/ui/main_window.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_dir.h"

namespace shellui {

struct Appt {
  PackedDate date = kNoDate;
  std::string operatory = "OP1";
  std::string provider = "DR1";
  int hour = 9;
  int minute = 0;
  std::string name = "Patient";
  std::uint32_t patient = 0;
  std::uint8_t status = 0;
};

class PracticeTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  const std::string& dataPath() const { return dataPath_; }
  // Ends the window, every session and the database (before a fork, or a command that closes
  // the database itself), and opens the database and the sessions again.
  void closeDatabase();
  void reopenDatabase();

  // The suite profile of the test.
  void setProfile(const char* section, const char* key, const std::string& value);

  // The practice record, providers DR1 and DR2, operatories OP1 and OP2 (`operatories` false
  // leaves them out), and no statuses.
  void makeSmallPractice(bool operatories = true);
  // The demo practice, small, around `today`.
  void makeDemo(PackedDate today);

  std::uint32_t addAppointment(const Appt& a);
  void addStatus(std::uint8_t number, const std::string& name, char colour);

  std::optional<AppointmentRecord> appointment(std::uint32_t id);
  std::optional<StationRecord> station(std::uint8_t code);
  std::vector<AppointmentRecord> appointments();

  // Makes the main window with the profile's settings and sets it up on `today`; the window's
  // prompter is prompter_.
  MainWindow& openWindow(PackedDate today);
  // The row texts of the day list, in the order shown.
  std::vector<std::string> rowTexts() const;
  // The index of the row of appointment `id`, or -1.
  int rowOf(std::uint32_t id) const;

  vantrel::test::TempDir dir_{"vantrel-shell-ui"};
  vantrel::test::ScopedEnv profileEnv_{"VANTREL_PROFILE"};
  vantrel::test::ScopedEnv todayEnv_{"VANTREL_TODAY"};
  std::string dataPath_;
  AccessLayer db_;
  QdbSession writer_ = 0;
  ScriptedPrompter prompter_;
  std::unique_ptr<MainWindow> window_;
};

// "YYYY-MM-DD" of a date, for VANTREL_TODAY.
std::string isoDate(PackedDate date);

}  // namespace shellui
