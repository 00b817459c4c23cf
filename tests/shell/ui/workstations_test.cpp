// Two workstations on one data directory, as two processes: an appointment that the other
// workstation adds on the shown day reaches this window's list on its notification timer, and a
// status this window sets reaches the other workstation's record.
//
// A process must not carry an open database across fork(): the test closes its database before
// forking, and the child opens its own.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <chrono>
#include <functional>
#include <optional>
#include <thread>

#include "controls/ui/list_box.h"
#include "data/appointment_record.h"
#include "data/schema.h"
#include "data/short_session.h"
#include "shell/station_notify.h"
#include "tests/shell/support/station_reading.h"
#include "tests/shell/ui/support/practice.h"
#include "tests/support/child_process.h"

namespace {

using vantrel::test::ChildProcess;

constexpr std::uint8_t kOther = 102;

class Workstations : public shellui::PracticeTest {
 protected:
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
  const PackedDate day = QRX_DateIn(2026, 6, 2);
  makeSmallPractice();
  addStatus(1, "Here", '1');
  const std::uint32_t existing = addAppointment({day, "OP1", "DR1", 9, 0, "Adams", 11});
  // Several workstations: the timer applies the changes every 5 seconds.
  setProfile("NETWORK", "NetVersion", "1");
  setProfile("NETWORK", "StationCount", "2");
  setProfile("NETWORK", "UpdateSpeed", "5");

  const std::string path = dataPath();
  closeDatabase();
  ChildProcess other([&](ChildProcess& self) -> int {
    if (!self.receive()) return 2;
    if (QDB_InitDataBase(path.c_str()) != 1) return 3;
    if (registerView(kOther, day, 0, "", "") != 0) return 4;
    AppointmentRecord appt;
    appt.setUnitSize(1);
    appt.schedule(day, "OP2", 8, 0);
    appt.setProvider("DR2");
    appt.setName("Early, Added");
    {
      ShortSession s(kAppointmentFile);
      if (s.handle() == 0 || QDB_AddRec(s.handle(), appt.data(), appt.size()) != 1) return 5;
    }
    const std::uint32_t id = rec::loadU32(appt.data() + 2);
    if (notifyChange(kOther, day, "OP2", "DR2", id, StationRecord::kAdded) != 0) return 6;
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
  openWindow(day);
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

}  // namespace
