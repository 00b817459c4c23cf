#include "lists/patient_lists.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "data/appointment_record.h"
#include "platform/qrx/scripted_prompter.h"
#include "tests/lists/fake_patients.h"

namespace {

using enum PatientListKind;
using Ids = std::vector<std::uint32_t>;
using Texts = std::vector<std::string>;

const PackedDate kToday = QRX_DateIn(2026, 12, 6);  // a Sunday

Texts fields(const std::string& text) {
  Texts out;
  std::string part;
  std::istringstream in(text);
  while (std::getline(in, part, '\t')) out.push_back(part);
  if (!text.empty() && text.back() == '\t') out.emplace_back();
  return out;
}

AppointmentRecord appointment(std::uint32_t id, PackedDate date) {
  AppointmentRecord a;
  a.setIdentifier(id);
  a.setPatientId(77);
  a.setProvider("DDS");
  a.setName("Smith, Ann");
  a.setLength(45);
  a.setDescription("Crown prep");
  a.schedule(date, "OP1", 9, 5);
  if (date == kNoDate) a.unschedule();
  return a;
}

// The item data of the rows in list order; 0 for a separator.
Ids items(const OrderedList& list) {
  Ids out;
  for (const OrderedRow& r : list.rows()) out.push_back(r.separator ? 0 : r.itemData);
  return out;
}

TEST(OrderKeys, PutUndatedFirstThenComingThenPastNewestFirst) {
  EXPECT_EQ(appointmentOrderKey(kNoDate, kToday), 10);
  EXPECT_EQ(appointmentOrderKey(kToday, kToday), kToday);
  EXPECT_EQ(appointmentOrderKey(kToday - 1, kToday),
            400000 - static_cast<std::int64_t>(kToday) + 1);
  EXPECT_EQ(separatorOrderKey(kToday), kToday + 5000);
  EXPECT_EQ(careDueOrderKey(kToday), static_cast<std::int64_t>(kToday) - 100000);
  // Whatever the dates of this century, the groups do not mix.
  const std::int64_t newestPast = appointmentOrderKey(kToday - 1, kToday);
  EXPECT_LT(appointmentOrderKey(kToday + 4999, kToday), separatorOrderKey(kToday));
  EXPECT_GT(newestPast, separatorOrderKey(kToday));
  EXPECT_LT(newestPast, appointmentOrderKey(kToday - 30, kToday));
}

TEST(OrderedList, GroupsGoAroundTheSeparatorAndEqualKeysKeepTheirArrivalOrder) {
  ScriptedPrompter prompter;
  OrderedList list(kOnePatient, kToday);
  const std::pair<std::uint32_t, PackedDate> read[] = {
      {1, kToday - 40}, {2, kToday + 7}, {3, kNoDate},    {4, kToday - 2},
      {5, kToday},      {6, kNoDate},    {7, kToday + 7}, {8, kToday - 40}};
  for (const auto& [id, date] : read) {
    ASSERT_TRUE(list.add(onePatientRow(appointment(id, date), kToday), prompter));
  }
  list.finish();
  list.finish();  // once only
  EXPECT_EQ(items(list), (Ids{3, 6, 5, 2, 7, 0, 4, 1, 8}));
  EXPECT_EQ(list.rows()[5].text, std::string(62, '_'));
  EXPECT_TRUE(prompter.asked().empty());

  OrderedList noPast(kByName, kToday);
  noPast.add(onePatientRow(appointment(1, kToday), kToday), prompter);
  noPast.finish();
  EXPECT_EQ(items(noPast), (Ids{1})) << "no past appointment, no separator";
  OrderedList family(kFamily, kToday);
  family.add(familyRow(appointment(1, kToday - 1), kToday, "", ""), prompter);
  family.finish();
  EXPECT_EQ(items(family), (Ids{0, 1}));
  EXPECT_EQ(family.rows()[0].text, std::string(31, '_'));
}

TEST(OrderedList, FullKeyTableAppendsInPatientListsAndDropsInFamilyList) {
  for (const PatientListKind kind : {kOnePatient, kByName, kFamily}) {
    // 99 rows with falling keys fill the table; the 100th has the lowest key of all.
    ScriptedPrompter prompter;
    OrderedList list(kind, kToday);
    for (std::uint32_t i = 0; i <= kOrderKeyCapacity; ++i) {
      OrderedRow row;
      row.key = i < kOrderKeyCapacity ? 1000 - static_cast<std::int64_t>(i) : 1;
      row.itemData = i + 1;
      row.past = i == kOrderKeyCapacity;
      EXPECT_TRUE(list.add(row, prompter));
    }
    list.finish();
    // The table still orders the rows it holds: 99 down to 1.
    Ids expected;
    for (std::uint32_t id = 99; id > 0; --id) expected.push_back(id);
    if (kind != kFamily) {
      expected.push_back(100);  // lowest key, but the table was full: appended
      expected.push_back(0);    // the separator comes after it
    }
    EXPECT_EQ(items(list), expected);
    EXPECT_EQ(list.added(), 100);
  }
}

TEST(OrderedList, PatientListsStopAfterTheHundredFiftyFirstRowButNotFamilyLists) {
  for (const PatientListKind kind : {kOnePatient, kByName, kFamily}) {
    ScriptedPrompter prompter;
    OrderedList list(kind, kToday);
    int accepted = 0;
    for (std::uint32_t id = 1; id <= 200; ++id) {
      const AppointmentRecord a = appointment(id, kToday + id);
      if (!list.add(kind == kFamily ? familyRow(a, kToday, "", "") : onePatientRow(a, kToday),
                    prompter)) {
        break;
      }
      ++accepted;
    }
    if (kind == kFamily) {
      EXPECT_EQ(accepted, 200);
      EXPECT_TRUE(prompter.asked().empty());
      continue;
    }
    EXPECT_EQ(accepted, 150);
    EXPECT_EQ(list.rows().size(), 151u);
    ASSERT_EQ(prompter.asked().size(), 1u);
    EXPECT_EQ(prompter.asked()[0].prompt.messageNumber, kRowLimitMessage);
  }
}

TEST(PatientRows, ByNameRowsCutNameAndPhoneMarkStrangersAndHidePrivatePhones) {
  FakePatients patients;
  patients.add(77, "Dr.");
  AppointmentRecord a = appointment(0x10, kToday + 1);
  a.setName("Abcdefghijklmnopqrstuvwxyz");
  a.setPhone("5551234");
  EXPECT_EQ(fields(byNameRow(a, kToday, patients).text),
            (Texts{"Abcdefghijklmnopqrstu ", "12/07/2026", "Mon", "DDS ", "555-1234", "10"}));
  a.setPhone("8005551234");
  a.setPatientId(0);
  a.unschedule();
  EXPECT_EQ(fields(byNameRow(a, kToday, patients).text),
            (Texts{"Abcdefghijklmnopqrstu? ", "<Unscheduled>", "  ", "", "(800)555", "10"}));
  patients.add(78, "", true);
  a.setPatientId(78);
  EXPECT_EQ(fields(byNameRow(a, kToday, patients).text)[4], std::string(8, ' '));
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
