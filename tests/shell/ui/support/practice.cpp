#include "tests/shell/ui/support/practice.h"

#include <cstdio>

#include "controls/ui/list_box.h"
#include "data/definition_record.h"
#include "data/record_readers.h"
#include "data/resource_records.h"
#include "data/schema.h"
#include "shell/shell_settings.h"
#include "tests/shell/support/station_reading.h"
#include "tools/demo_practice.h"

namespace shellui {

std::string isoDate(PackedDate date) {
  std::int16_t y = 0, m = 0, d = 0;
  QRX_DateOut(date, &y, &m, &d);
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", static_cast<int>(y), static_cast<int>(m),
                static_cast<int>(d));
  return text;
}

void PracticeTest::SetUp() {
  PracticeDatabase::SetUp();
  ASSERT_EQ(db_.startSession(), 0);
}

void PracticeTest::closeDatabase() {
  window_.reset();
  db_.endSession();
  QDB_CloseDataBase();
}

void PracticeTest::reopenDatabase() {
  ASSERT_EQ(QDB_InitDataBase(dataPath().c_str()), 1);
  ASSERT_EQ(db_.startSession(), 0);
}

void PracticeTest::setProfile(const char* section, const char* key, const std::string& value) {
  ASSERT_EQ(QRX_WriteProfileString(section, key, value.c_str()), 1);
}

void PracticeTest::makeSmallPractice(bool operatories) {
  PracticeRecord practice = PracticeRecord::blank();
  practice.setName("Small Practice");
  add(kResourceFile, practice);
  for (const char* code : {"DR1", "DR2"}) {
    ProviderRecord p;
    p.setKey(rec::kKindProvider, code);
    p.setLastName(code);
    add(kResourceFile, p);
  }
  std::uint8_t n = 0;
  for (const char* code : {"OP1", "OP2"}) {
    if (!operatories) break;
    OperatoryRecord o;
    o.setKey(rec::kKindOperatory, code);
    o.setAssignmentNumber(n++);
    add(kResourceFile, o);
  }
}

void PracticeTest::makeDemo(PackedDate today) {
  DemoOptions o;
  o.today = today;
  o.households = 30;
  o.minimumPatients = 60;
  o.undated = 5;
  o.addUsers = false;
  DemoSummary summary;
  std::string why;
  ASSERT_EQ(makeDemoPractice(o, &summary, &why), 0) << why;
}

std::uint32_t PracticeTest::addAppointment(const Appt& a) {
  AppointmentRecord r;
  r.setUnitSize(1);
  r.schedule(a.date, a.operatory, static_cast<std::uint8_t>(a.hour),
             static_cast<std::uint8_t>(a.minute));
  r.setProvider(a.provider);
  r.setName(a.name);
  r.setPatientId(a.patient);
  r.setStatus(a.status);
  r.setLength(30);
  r.setDescription("Check-up");
  return add(kAppointmentFile, r);
}

void PracticeTest::addStatus(std::uint8_t number, const std::string& name, char colour) {
  DefinitionRecord d;
  d.setKey(DefinitionRecord::kApptStatus, number);
  d.setStatusColourCode(colour);
  d.setStatusName(name);
  add(kDefinitionFile, d);
}

std::optional<AppointmentRecord> PracticeTest::appointment(std::uint32_t id) {
  AppointmentRecord r;
  if (!readAppointmentById(id, &r)) return std::nullopt;
  return r;
}

std::optional<StationRecord> PracticeTest::station(std::uint8_t code) {
  return shelltest::readStation(code);
}

MainWindow& PracticeTest::openWindow(PackedDate today) {
  window_ = std::make_unique<MainWindow>(db_, prompter_, loadShellSettings());
  EXPECT_TRUE(window_->setUp(today));
  return *window_;
}

std::vector<std::string> PracticeTest::rowTexts() const {
  std::vector<std::string> out;
  const ListBox& list = window_->dayList();
  for (int i = 0; i < list.count(); ++i) out.push_back(list.model().row(i)->text);
  return out;
}

int PracticeTest::rowOf(std::uint32_t id) const {
  const ListBox& list = window_->dayList();
  for (int i = 0; i < list.count(); ++i) {
    if (list.model().row(i)->first == id) return i;
  }
  return -1;
}

}  // namespace shellui
