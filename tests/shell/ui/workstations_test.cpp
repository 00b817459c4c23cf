// Two workstations on one data directory, as two processes. A process must not carry an open
// database across fork(): the test closes its database before forking, the child opens its own.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <chrono>
#include <functional>
#include <optional>
#include <thread>

#include "controls/ui/list_box.h"
#include "data/access_layer.h"
#include "data/appointment_record.h"
#include "data/schema.h"
#include "data/short_session.h"
#include "editing/appointment_edit.h"
#include "lists/definitions.h"
#include "platform/qrx/scripted_prompter.h"
#include "schedule/practice_schedule.h"
#include "schedule/resource_tables.h"
#include "shell/station_notify.h"
#include "tests/shell/support/station_reading.h"
#include "tests/shell/ui/support/practice.h"
#include "tests/support/child_process.h"

namespace {

using vantrel::test::ChildProcess;

constexpr std::uint8_t kOther = 102;
const PackedDate kDay = QRX_DateIn(2026, 6, 2);

class Workstations : public shellui::PracticeTest {
 protected:
  // Several workstations: the timer applies the changes every 5 seconds.
  void SetUp() override {
    PracticeTest::SetUp();
    makeSmallPractice();
    setProfile("NETWORK", "NetVersion", "1");
    setProfile("NETWORK", "StationCount", "2");
    setProfile("NETWORK", "UpdateSpeed", "5");
  }
  // Runs the event loop until `done` or the time is up.
  bool waitFor(const std::function<bool()>& done, std::chrono::seconds limit) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
      if (clock.elapsed() > std::chrono::milliseconds(limit).count()) return false;
      QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
  }
};

TEST_F(Workstations, OtherWorkstationsChangesReachTheListAndOursReachThem) {
  addStatus(1, "Here", '1');
  const std::uint32_t existing = addAppointment({kDay, "OP1", "DR1", 9, 0, "Adams", 11});

  const std::string path = dataPath();
  closeDatabase();
  ChildProcess other([&](ChildProcess& self) -> int {
    if (!self.receive()) return 2;
    if (QDB_InitDataBase(path.c_str()) != 1) return 3;
    if (registerView(kOther, kDay, 0, "", "") != 0) return 4;
    AppointmentRecord appt;
    appt.setUnitSize(1);
    appt.schedule(kDay, "OP2", 8, 0);
    appt.setProvider("DR2");
    appt.setName("Early, Added");
    {
      ShortSession s(kAppointmentFile);
      if (s.handle() == 0 || QDB_AddRec(s.handle(), appt.data(), appt.size()) != 1) return 5;
    }
    const std::uint32_t id = rec::loadU32(appt.data() + 2);
    if (notifyChange(kOther, kDay, "OP2", "DR2", id, StationRecord::kAdded) != 0) return 6;
    self.send(id);

    // Then what this workstation heard of the other's status change.
    if (!self.receive()) return 7;
    const std::optional<StationRecord> own = shelltest::readStation(kOther);
    if (!own) return 8;
    self.send(own->pendingCount());
    self.send(own->pendingId(0));
    self.send(own->pendingKind(0));
    return 0;
  });
  reopenDatabase();
  openWindow(kDay);
  ASSERT_TRUE(window_->notificationTimerRuns());
  ASSERT_EQ(window_->dayList().count(), 1);

  other.send(1);
  const auto added = other.receive();
  ASSERT_TRUE(added.has_value());
  EXPECT_TRUE(waitFor([&] { return rowOf(*added) >= 0; }, std::chrono::seconds(15)))
      << "the timer applies the change";
  EXPECT_EQ(rowOf(*added), 0) << "8:00 goes before 9:00";
  EXPECT_EQ(rowOf(existing), 1);
  EXPECT_NE(rowTexts()[0].find("Early, Added"), std::string::npos);
  EXPECT_EQ(station(101)->pendingCount(), 0) << "applied changes are cleared";

  window_->dayList().selectRow(rowOf(existing), SelectAction::kSelect, false);
  window_->runCommand(kCmdStatusBase + 1);
  other.send(2);
  EXPECT_EQ(other.receive(), 1u);
  EXPECT_EQ(other.receive(), existing);
  EXPECT_EQ(other.receive(), StationRecord::kChanged);
  EXPECT_EQ(other.wait(), 0);
  EXPECT_TRUE(prompter_.asked().empty());
}

// The other workstation books, moves and re-dates an appointment through the appointment
// dialog's own save; each step reaches this window's list with the next pending changes.
TEST_F(Workstations, AppointmentsSavedAtAnotherWorkstationFollowOnTheList) {
  const std::string path = dataPath();
  closeDatabase();
  ChildProcess other([&](ChildProcess& self) -> int {
    if (QDB_InitDataBase(path.c_str()) != 1) return 3;
    if (registerView(kOther, kDay, 0, "", "") != 0) return 4;
    ScriptedPrompter yes(ScriptedPrompter::Fallback::kAffirmative);
    PracticeSchedule practice;
    ProviderScheduleTable providers;
    AccessLayer db;
    if (!loadPracticeSchedule(yes, &practice) || db.startSession() != 0 ||
        loadProviders(db, yes, &providers, &practice) < 0) {
      return 5;
    }
    StatusTable statuses;
    TypeTable types;
    ApptEditEnv env(yes, practice, providers, statuses, types);
    env.services.notifyChange = [](const ApptChange& c) {
      notifyChange(kOther, c.date, c.operatory, c.provider, c.appointmentId, c.kind);
    };
    // Each step: the parent says go, the child saves and answers with the appointment.
    const auto save = [&](AppointmentEdit& edit, const char* date, const char* time) {
      edit.form().date = date;
      edit.form().time = time;
      return edit.ok().closeCode == 1;
    };
    if (!self.receive()) return 6;
    AppointmentEdit booking(env);
    NewApptRequest request;
    request.person = NewPersonData{"Newman", "Nora", "", "4255550100", "", "", "", "", ""};
    booking.openNew(request);
    booking.form().provider = "DR1";
    booking.form().operatory = "OP2";
    booking.form().length = "30";
    booking.form().description = "New visit";
    if (!save(booking, "06/02/2026", "10:00am")) return 7;
    const std::uint32_t id = booking.savedId();
    self.send(id);
    for (const char* date : {"06/02/2026", "06/03/2026"}) {
      if (!self.receive()) return 8;
      AppointmentEdit move(env);
      if (!move.openExisting(id) || !save(move, date, "11:30am")) return 9;
      self.send(id);
    }
    return 0;
  });
  reopenDatabase();
  openWindow(kDay);
  // The timer's work, done at once (the first test shows the timer doing it).
  const auto rowText = [this](std::uint32_t id) {
    window_->applyPendingChanges();
    const int row = rowOf(id);
    return row < 0 ? std::string() : rowTexts()[static_cast<std::size_t>(row)];
  };

  other.send(1);
  const auto id = other.receive();
  ASSERT_TRUE(id.has_value());
  EXPECT_TRUE(waitFor([&] { return rowText(*id).find("10:00a") != std::string::npos; },
                      std::chrono::seconds(15)))
      << "a booking made elsewhere is added";
  other.send(2);
  ASSERT_EQ(other.receive(), id);
  EXPECT_TRUE(waitFor([&] { return rowText(*id).find("11:30a") != std::string::npos; },
                      std::chrono::seconds(15)))
      << "a move within the day is shown";
  other.send(3);
  ASSERT_EQ(other.receive(), id);
  EXPECT_TRUE(waitFor([&] { return rowText(*id).empty(); }, std::chrono::seconds(15)))
      << "a move to another day takes the row away";
  EXPECT_EQ(other.wait(), 0);
}

}  // namespace
