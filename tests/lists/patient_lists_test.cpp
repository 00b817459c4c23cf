#include "lists/patient_lists.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "data/appointment_record.h"
#include "platform/qrx/scripted_prompter.h"
#include "tests/lists/fake_patients.h"

namespace {

const PackedDate kToday = QRX_DateIn(2026, 12, 6);  // a Sunday

std::vector<std::string> fields(const std::string& text) {
  std::vector<std::string> out;
  std::string part;
  std::istringstream in(text);
  while (std::getline(in, part, '\t')) out.push_back(part);
  if (!text.empty() && text.back() == '\t') out.emplace_back();
  return out;
}

AppointmentRecord appointment(std::uint32_t id, PackedDate date, int hour = 9, int minute = 5) {
  AppointmentRecord a;
  a.setIdentifier(id);
  a.setPatientId(77);
  a.setProvider("DDS");
  a.setName("Smith, Ann");
  a.setLength(45);
  a.setDescription("Crown prep");
  if (date == kNoDate) {
    a.unschedule();
  } else {
    a.schedule(date, "OP1", static_cast<std::uint8_t>(hour), static_cast<std::uint8_t>(minute));
  }
  return a;
}

std::vector<std::uint32_t> items(const OrderedList& list) {
  std::vector<std::uint32_t> out;
  for (const OrderedRow& r : list.rows()) out.push_back(r.separator ? 0 : r.itemData);
  return out;
}

TEST(OrderKeys, PutUndatedFirstThenComingThenPastNewestFirst) {
  EXPECT_EQ(appointmentOrderKey(kNoDate, kToday), 10);
  EXPECT_EQ(appointmentOrderKey(kToday, kToday), kToday);
  EXPECT_EQ(appointmentOrderKey(kToday + 1, kToday), kToday + 1);
  EXPECT_EQ(appointmentOrderKey(kToday - 1, kToday),
            400000 - static_cast<std::int64_t>(kToday) + 1);
  EXPECT_EQ(separatorOrderKey(kToday), kToday + 5000);
  EXPECT_EQ(careDueOrderKey(kToday), static_cast<std::int64_t>(kToday) - 100000);
  // Whatever the dates of this century, the groups do not mix.
  const std::int64_t latestComing = appointmentOrderKey(kToday + 4999, kToday);
  const std::int64_t newestPast = appointmentOrderKey(kToday - 1, kToday);
  EXPECT_LT(latestComing, separatorOrderKey(kToday));
  EXPECT_GT(newestPast, separatorOrderKey(kToday));
  EXPECT_LT(newestPast, appointmentOrderKey(kToday - 30, kToday));
}

TEST(OrderedList, OnePatientListOrdersGroupsAroundTheSeparator) {
  ScriptedPrompter prompter;
  OrderedList list(PatientListKind::kOnePatient, kToday);
  // Read in an order unlike the shown one.
  ASSERT_TRUE(list.add(onePatientRow(appointment(1, kToday - 40), kToday), prompter));
  ASSERT_TRUE(list.add(onePatientRow(appointment(2, kToday + 7), kToday), prompter));
  ASSERT_TRUE(list.add(onePatientRow(appointment(3, kNoDate), kToday), prompter));
  ASSERT_TRUE(list.add(onePatientRow(appointment(4, kToday - 2), kToday), prompter));
  ASSERT_TRUE(list.add(onePatientRow(appointment(5, kToday), kToday), prompter));
  list.finish();
  list.finish();  // once only
  EXPECT_EQ(items(list), (std::vector<std::uint32_t>{3, 5, 2, 0, 4, 1}));
  EXPECT_EQ(list.rows()[3].text, std::string(62, '_'));
  EXPECT_TRUE(prompter.asked().empty());
}

TEST(OrderedList, NoPastAppointmentMeansNoSeparator) {
  ScriptedPrompter prompter;
  OrderedList list(PatientListKind::kByName, kToday);
  list.add(onePatientRow(appointment(1, kToday), kToday), prompter);
  list.add(onePatientRow(appointment(2, kNoDate), kToday), prompter);
  list.finish();
  EXPECT_EQ(items(list), (std::vector<std::uint32_t>{2, 1}));
}

TEST(OrderedList, FamilySeparatorIsThirtyOneUnderscores) {
  ScriptedPrompter prompter;
  OrderedList list(PatientListKind::kFamily, kToday);
  list.add(familyRow(appointment(1, kToday - 1), kToday, "", ""), prompter);
  list.finish();
  ASSERT_EQ(list.rows().size(), 2u);
  EXPECT_EQ(list.rows()[0].text, std::string(31, '_'));
  EXPECT_TRUE(list.rows()[0].separator);
}

TEST(OrderedList, EqualKeysKeepTheirArrivalOrder) {
  ScriptedPrompter prompter;
  OrderedList list(PatientListKind::kOnePatient, kToday);
  for (std::uint32_t id = 1; id <= 4; ++id) {
    list.add(onePatientRow(appointment(id, id % 2 ? kToday + 3 : kNoDate), kToday), prompter);
  }
  EXPECT_EQ(items(list), (std::vector<std::uint32_t>{2, 4, 1, 3}));
}

// 99 rows with falling keys fill the table; the 100th has the lowest key of all.
OrderedList fillTable(PatientListKind kind, ScriptedPrompter& prompter) {
  OrderedList list(kind, kToday);
  for (std::uint32_t i = 0; i < kOrderKeyCapacity; ++i) {
    OrderedRow row;
    row.key = 1000 - static_cast<std::int64_t>(i);
    row.itemData = i + 1;
    EXPECT_TRUE(list.add(row, prompter));
  }
  OrderedRow last;
  last.key = 1;
  last.itemData = 100;
  last.past = true;
  EXPECT_TRUE(list.add(last, prompter));
  list.finish();
  return list;
}

TEST(OrderedList, FullKeyTableAppendsInPatientListsAndDropsInFamilyList) {
  for (const PatientListKind kind : {PatientListKind::kOnePatient, PatientListKind::kByName}) {
    ScriptedPrompter prompter;
    const OrderedList list = fillTable(kind, prompter);
    const auto ids = items(list);
    ASSERT_EQ(ids.size(), 101u);  // the separator comes after the appended row
    EXPECT_EQ(ids[0], 99u) << "the table still orders the rows it holds";
    EXPECT_EQ(ids[98], 1u);
    EXPECT_EQ(ids[99], 100u) << "lowest key, but the table was full";
    EXPECT_TRUE(list.rows()[100].separator);
  }
  ScriptedPrompter prompter;
  const OrderedList family = fillTable(PatientListKind::kFamily, prompter);
  const auto ids = items(family);
  ASSERT_EQ(ids.size(), 99u);
  EXPECT_EQ(ids.front(), 99u);
  EXPECT_EQ(ids.back(), 1u);
  EXPECT_EQ(family.added(), 100);
}

TEST(OrderedList, PatientListsStopAfterTheHundredFiftyFirstRow) {
  for (const PatientListKind kind : {PatientListKind::kOnePatient, PatientListKind::kByName}) {
    ScriptedPrompter prompter;
    OrderedList list(kind, kToday);
    int accepted = 0;
    for (std::uint32_t id = 1; id <= 200; ++id) {
      if (!list.add(onePatientRow(appointment(id, kToday + id), kToday), prompter)) break;
      ++accepted;
    }
    EXPECT_EQ(accepted, 150);
    EXPECT_EQ(list.rows().size(), 151u);
    ASSERT_EQ(prompter.asked().size(), 1u);
    EXPECT_EQ(prompter.asked()[0].prompt.messageNumber, kRowLimitMessage);
  }
}

TEST(OrderedList, FamilyListHasNoRowLimit) {
  ScriptedPrompter prompter;
  OrderedList list(PatientListKind::kFamily, kToday);
  for (std::uint32_t id = 1; id <= 200; ++id) {
    ASSERT_TRUE(list.add(familyRow(appointment(id, kToday + id), kToday, "", ""), prompter));
  }
  EXPECT_TRUE(prompter.asked().empty());
  EXPECT_EQ(list.rows().size(), kOrderKeyCapacity);
}

TEST(PatientRows, OnePatientRowsHaveTheirFields) {
  const OrderedRow dated = onePatientRow(appointment(0x2a, kToday, 13, 30), kToday);
  EXPECT_EQ(fields(dated.text),
            (std::vector<std::string>{"12/06/2026", "Sun ", " 1:30p ", "DDS ", " 45 mins", "2a"}));
  EXPECT_EQ(dated.itemData, 0x2au);
  const OrderedRow undated = onePatientRow(appointment(0xbeef, kNoDate), kToday);
  EXPECT_EQ(fields(undated.text),
            (std::vector<std::string>{" <Unscheduled>       ", "DDS ", " 45 mins", "beef"}));
  EXPECT_EQ(undated.key, kUndatedOrderKey);
}

TEST(PatientRows, AbsurdLengthKeepsThreeCharacters) {
  AppointmentRecord a = appointment(1, kToday);
  a.setLength(-32768);
  EXPECT_EQ(fields(onePatientRow(a, kToday).text)[4], "-99 mins");
  a.setLength(5000);
  EXPECT_EQ(fields(familyRow(a, kToday, "", "").text)[2], "999");
}

TEST(PatientRows, ByNameRowsCutNameAndPhoneAndMarkStrangers) {
  FakePatients patients;
  patients.add(77, "Dr.");
  AppointmentRecord a = appointment(0x10, kToday + 1);
  a.setName("Abcdefghijklmnopqrstuvwxyz");
  a.setPhone("5551234");
  auto f = fields(byNameRow(a, kToday, patients).text);
  EXPECT_EQ(f, (std::vector<std::string>{"Abcdefghijklmnopqrstu ", "12/07/2026", "Mon", "DDS ",
                                         "555-1234", "10"}));
  a.setPhone("8005551234");
  a.setPatientId(0);
  f = fields(byNameRow(a, kToday, patients).text);
  EXPECT_EQ(f[0].back(), '?');
  EXPECT_EQ(f[4], "(800)555");
  a.unschedule();
  f = fields(byNameRow(a, kToday, patients).text);
  EXPECT_EQ(f, (std::vector<std::string>{"Abcdefghijklmnopqrstu? ", "<Unscheduled>", "  ", "",
                                         "(800)555", "10"}));
}

TEST(PatientRows, ByNameRowHidesAPrivatePhone) {
  FakePatients patients;
  patients.add(77, "", true);
  AppointmentRecord a = appointment(1, kToday);
  a.setPhone("5551234");
  EXPECT_EQ(fields(byNameRow(a, kToday, patients).text)[4], std::string(8, ' '));
}

TEST(PatientRows, FamilyRowsMarkThePastAndShowCareOnlyWhenThere) {
  AppointmentRecord a = appointment(1, kToday - 1, 0, 5);
  OrderedRow r = familyRow(a, kToday, "", "Sent");
  EXPECT_TRUE(r.past);
  EXPECT_EQ(fields(r.text), (std::vector<std::string>{"*12/05/2026  Sat", "12:05am", " 45", "DDS ",
                                                      "", "Sent", "Crown prep"}));
  a.schedule(kToday, "OP1", 12, 0);
  r = familyRow(a, kToday, "PROPHY", "");
  EXPECT_FALSE(r.past);
  EXPECT_EQ(fields(r.text), (std::vector<std::string>{"12/06/2026  Sun", "12:00pm", " 45", "DDS ",
                                                      "CC:PROPHY", "", "Crown prep"}));
  a.unschedule();
  r = familyRow(a, kToday, "PROPHY", "Due");
  EXPECT_EQ(fields(r.text), (std::vector<std::string>{"<Unscheduled Appt>", "", "DDS ", "PROPHY",
                                                      "Due", "Crown prep"}));
  EXPECT_EQ(r.key, kUndatedOrderKey);
}

TEST(PatientRows, CareWithoutAppointmentCarriesItsType) {
  const OrderedRow r = familyCareRow("Recall", kToday + 30, 6);
  EXPECT_EQ(r.text, "[No Appointment]\t\t\t\tCC:Recall 01/05/2027");
  EXPECT_EQ(r.itemData, 6u);
  EXPECT_EQ(r.key, careDueOrderKey(kToday + 30));
}

TEST(PatientRows, TabsInRecordTextsCannotAddFields) {
  AppointmentRecord a = appointment(1, kToday);
  a.setDescription("a\tb");
  EXPECT_EQ(fields(familyRow(a, kToday, "X\tY", "L\tM").text).size(), 7u);
  FakePatients patients;
  a.setName("Tab\tName");
  EXPECT_EQ(fields(byNameRow(a, kToday, patients).text).size(), 6u);
}

}  // namespace
