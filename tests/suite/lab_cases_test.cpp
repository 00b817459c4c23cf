// The lab case component: an appointment's links are one whole list, replaced and never merged,
// also while two workstations write them; the status the lists show follows the linked cases.

#include "suite/lab_cases.h"

#include <gtest/gtest.h>

#include "contracts/qdb.h"
#include "data/lab_case_record.h"
#include "data/schema.h"
#include "suite/results.h"
#include "tests/suite/suite_database.h"
#include "tests/support/child_process.h"

namespace {

using vantrel::test::ChildProcess;
using LabCases = SuiteDatabase;

LabCaseLinks linksOf(std::initializer_list<std::uint32_t> ids) {
  LabCaseLinks links;
  for (const std::uint32_t id : ids) links.add(id);
  return links;
}

std::vector<std::uint32_t> readLinks(std::uint32_t appt) {
  LabCaseLinks links;
  EXPECT_EQ(ReadApptToCaseLinks(appt, &links), 0);
  return links.caseIds();
}

TEST_F(LabCases, WritingLinksReplacesTheListInsteadOfAddingToIt) {
  ASSERT_EQ(WriteApptToCaseLinks(30, linksOf({1, 2, 3})), 0);
  ASSERT_EQ(WriteApptToCaseLinks(31, linksOf({9})), 0);
  ASSERT_EQ(WriteApptToCaseLinks(30, linksOf({4})), 0);
  EXPECT_EQ(readLinks(30), std::vector<std::uint32_t>({4}));
  EXPECT_EQ(readLinks(31), std::vector<std::uint32_t>({9}));

  ASSERT_EQ(WriteApptToCaseLinks(30, LabCaseLinks()), 0);
  EXPECT_TRUE(readLinks(30).empty());
  ASSERT_EQ(DeleteApptCaseLinks(31), 0);
  EXPECT_TRUE(readLinks(31).empty());
  EXPECT_EQ(DeleteApptCaseLinks(31), 0);
}

TEST(LabCaseLinksValue, HoldsEachCaseOnceAndNoMoreThanAnAppointmentRecordCan) {
  LabCaseLinks links;
  EXPECT_FALSE(links.add(0));
  for (std::uint32_t id = 1; id <= LabCaseLinks::kMaxCases; ++id) ASSERT_TRUE(links.add(id));
  EXPECT_TRUE(links.add(1));
  EXPECT_FALSE(links.add(99));
  EXPECT_EQ(links.size(), LabCaseLinks::kMaxCases);
}

TEST_F(LabCases, LinksHeldAtAnotherWorkstationAreReportedLockedAndLeftAlone) {
  ASSERT_EQ(WriteApptToCaseLinks(40, linksOf({1, 2})), 0);
  const QdbSession other = QDB_StartSession(1);
  const QdbHandle file = QDB_OpenFile(other, kCaseLinkFile);
  ApptCaseLinkRecord held;
  const auto key = std::array<std::uint8_t, 4>{40, 0, 0, 0};
  ASSERT_NE(
      QDB_StartUpdate(file, 2, kCaseLinkByAppt, key.data(), key.size(), held.data(), held.size()),
      0u);
  EXPECT_EQ(WriteApptToCaseLinks(40, linksOf({3})), kQdbLocked);
  EXPECT_EQ(DeleteApptCaseLinks(40), kQdbLocked);
  QDB_EndSession(other);
  EXPECT_EQ(readLinks(40), std::vector<std::uint32_t>({1, 2}));
}

// Two workstations write, read and delete the links of one appointment as fast as they can.
// Every list either reads is one of the two written (or none), never a mix or a doubled list,
// and afterwards the appointment holds exactly one of them.
TEST_F(LabCases, TwoProcessesWritingOneAppointmentsLinksLeaveOneWholeList) {
  constexpr std::uint32_t kAppt = 77;
  const std::vector<std::uint32_t> lists[2] = {{1, 2, 3, 4, 5, 6, 7, 8}, {101, 102, 103, 104, 105}};
  const std::string path = dataPath();
  QDB_CloseDataBase();

  auto body = [&](int me) {
    return [&, me](ChildProcess& self) {
      if (QDB_InitDataBase(path.c_str()) != 1) return 10;
      LabCaseLinks mine;
      for (const std::uint32_t id : lists[me]) mine.add(id);
      self.send(1);
      if (!self.receive()) return 11;
      for (int round = 0; round < 300; ++round) {
        const int rc =
            round % 7 == 6 ? DeleteApptCaseLinks(kAppt) : WriteApptToCaseLinks(kAppt, mine);
        if (rc != 0) return 20;
        LabCaseLinks seen;
        if (ReadApptToCaseLinks(kAppt, &seen) != 0) return 21;
        if (!seen.empty() && seen.caseIds() != lists[0] && seen.caseIds() != lists[1]) return 22;
      }
      if (WriteApptToCaseLinks(kAppt, mine) != 0) return 23;
      QDB_CloseDataBase();
      return 0;
    };
  };
  ChildProcess a(body(0));
  ChildProcess b(body(1));
  ASSERT_TRUE(a.receive() && b.receive());
  a.send(1);
  b.send(1);
  EXPECT_EQ(a.wait(), 0);
  EXPECT_EQ(b.wait(), 0);

  ASSERT_EQ(QDB_InitDataBase(path.c_str()), 1);
  const std::vector<std::uint32_t> last = readLinks(kAppt);
  EXPECT_TRUE(last == lists[0] || last == lists[1]) << last.size() << " cases";
}

TEST_F(LabCases, AppointmentStatusIsItsMostPressingLiveCase) {
  const std::uint32_t patient = addPatient("Case", "Carla");
  const PackedDate t = today();
  const std::uint32_t returned = addCase(patient, LabCaseState::kReturned, t - 3);
  const std::uint32_t sentDueToday = addCase(patient, LabCaseState::kSent, t);
  const std::uint32_t sentLate = addCase(patient, LabCaseState::kSent, t - 1);
  const std::uint32_t notSent = addCase(patient, LabCaseState::kNotSent, t + 5);
  const std::uint32_t notSentLate = addCase(patient, LabCaseState::kNotSent, t - 2);
  const std::uint32_t cancelledLate = addCase(patient, LabCaseState::kCancelled, t - 9);
  const std::uint32_t vanished = 9999;

  const struct {
    const char* name;
    LabCaseLinks links;
    LabCaseStatus expected;
  } cases[] = {
      {"no links", {}, LabCaseStatus::kNone},
      {"returned", linksOf({returned}), LabCaseStatus::kReturned},
      {"due today is not late", linksOf({returned, sentDueToday}), LabCaseStatus::kSent},
      {"past due", linksOf({sentDueToday, sentLate, returned}), LabCaseStatus::kOverdue},
      {"not sent before sent", linksOf({sentDueToday, notSent}), LabCaseStatus::kNotSent},
      {"not sent and late", linksOf({notSentLate, sentDueToday}), LabCaseStatus::kOverdue},
      {"cancelled and vanished", linksOf({cancelledLate, vanished}), LabCaseStatus::kNone},
      {"cancelled is ignored", linksOf({cancelledLate, returned}), LabCaseStatus::kReturned},
  };
  std::uint32_t appt = 500;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(WriteApptToCaseLinks(++appt, c.links), 0);
    EXPECT_EQ(GetApptLabCaseStatus(appt, t), c.expected);
  }
}

TEST_F(LabCases, CaseFieldsAreCheckedWholeAndAPatientsCasesAreHisOnly) {
  const std::uint32_t carla = addPatient("Case", "Carla");
  const std::uint32_t dan = addPatient("Other", "Dan");
  LabCase c;
  c.patientId = carla;
  c.description = std::string(60, 'd');
  c.lab = std::string(30, 'l');
  ASSERT_EQ(addLabCase(&c, today()), 0);
  const std::uint32_t danCase = addCase(dan, LabCaseState::kSent, today());

  LabCase tooLong = c;
  tooLong.description += "d";
  EXPECT_EQ(updateLabCase(tooLong, today()), kSuiteTextTooLong);
  tooLong = c;
  tooLong.lab += "l";
  EXPECT_EQ(addLabCase(&tooLong, today()), kSuiteTextTooLong);

  c.state = LabCaseState::kReturned;
  c.returned = today();
  ASSERT_EQ(updateLabCase(c, today()), 0);
  std::vector<LabCase> found;
  ASSERT_EQ(readPatientLabCases(carla, &found), 0);
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].description, c.description);
  EXPECT_EQ(found[0].lab, c.lab);
  EXPECT_EQ(found[0].state, LabCaseState::kReturned);
  EXPECT_EQ(found[0].returned, today());
  ASSERT_EQ(readPatientLabCases(dan, &found), 0);
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].id, danCase);
}

}  // namespace
