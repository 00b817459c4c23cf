#pragma once
// The practice database of a test for the main window, and the window over it.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "data/access_layer.h"
#include "data/appointment_record.h"
#include "data/station_record.h"
#include "platform/qrx/scripted_prompter.h"
#include "shell/ui/main_window.h"
#include "tests/data/practice_database.h"

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

class PracticeTest : public PracticeDatabase {
 protected:
  void SetUp() override;
  void TearDown() override { closeDatabase(); }

  // Ends the window, the session and the database (before a fork, or a command that closes the
  // database itself), and opens the database and the session again.
  void closeDatabase();
  void reopenDatabase();

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

  // Makes the main window with the profile's settings and sets it up on `today`; the window's
  // prompter is prompter_.
  MainWindow& openWindow(PackedDate today);
  // The row texts of the day list, in the order shown.
  std::vector<std::string> rowTexts() const;
  // The index of the row of appointment `id`, or -1.
  int rowOf(std::uint32_t id) const;

  AccessLayer db_;
  ScriptedPrompter prompter_;
  std::unique_ptr<MainWindow> window_;
};

// "YYYY-MM-DD" of a date, for VANTREL_TODAY.
std::string isoDate(PackedDate date);

}  // namespace shellui
