// Reading and writing records through the QDB_ calls: key orders, seeks, walks, sets, writes,
// identifiers, positions, variable-length records and the answers to bad input.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "tests/platform/qrxdb/support/qdb_fixture.h"

namespace qdbtest {
namespace {

using U32s = std::vector<std::uint32_t>;

// Key 10 bytes: date, operatory kind 3, code.
Key dayKey(std::uint32_t date, const std::string& op = "") {
  Rec r = appt(date, op);
  return {r.data() + 6, r.data() + 15};
}

class Records : public DatabaseTest {
 protected:
  void SetUp() override {
    DatabaseTest::SetUp();
    appts_ = createAndOpen(apptDef());
  }

  std::uint32_t addAppt(std::uint32_t date, const std::string& op, std::uint32_t patient = 0) {
    Rec r = appt(date, op, patient);
    EXPECT_EQ(QDB_AddRec(appts_, r.data(), r.size()), 1) << "error " << lastError();
    return r.u32(2);
  }
  U32s walkAppts(int key, std::size_t at, bool backward = false) {
    return walk(appts_, key, kApptSize, at, backward);
  }

  // The u32 at `at` of every record of a set of key 10.
  U32s set(const Key& key, std::size_t prefix, std::size_t at, bool backward = false) {
    Rec r(kApptSize);
    U32s seen;
    QdbHandle s = QDB_StartSet(appts_, 10, backward ? 1 : 0, key.data(), key.size(), r.data(),
                               r.size(), prefix);
    for (int ok = s != 0; ok; ok = backward ? QDB_PrevRecInSet(s, r.data(), r.size())
                                            : QDB_NextRecInSet(s, r.data(), r.size())) {
      seen.push_back(r.u32(at));
    }
    EXPECT_EQ(lastError(), kQdbNotFound);
    EXPECT_TRUE(s == 0 || QDB_EndSet(s) == 1);
    return seen;
  }

  QdbHandle appts_ = 0;
  Rec r_{kApptSize};
  StoppedClockEnv clock_;
};

TEST_F(Records, UnknownFileGives46AndAChangedDefinition15) {
  for (int number : {9, 10, 13, 14}) {
    EXPECT_EQ(open(number) >> 16, session_) << "any key number; the handle carries its session";
  }
  EXPECT_EQ(open(12), 0u) << "12 is no key of the appointments";
  EXPECT_EQ(lastError(), kQdbNotCreated);
  EXPECT_EQ(lastFile(), 12);
  QdbFileDef changed = apptDef();
  changed.keys[1].unique = true;
  EXPECT_EQ(QDB_CREIFIL(session_, changed), 0);
  EXPECT_EQ(lastError(), kQdbOtherVersion);
  changed = apptDef();
  changed.name = "other name";
  EXPECT_EQ(QDB_CREIFIL(session_, changed), 1) << "names are for people only";
  QdbFileDef stealing = peopleDef();
  stealing.keys[2].keyNumber = 13;
  EXPECT_EQ(QDB_CREIFIL(session_, stealing), 0) << "key 13 belongs to the appointments";
  EXPECT_EQ(lastError(), kQdbBadDefinition);
  EXPECT_EQ(open(kPeople), 0u) << "nothing of the refused file was made";
}

TEST_F(Records, OrdersDatesAsNumbersAcrossByteBoundaries) {
  for (std::uint32_t date : {65536u, 255u, 256u, 1u, 257u, 16777216u}) addAppt(date, "OP1");
  EXPECT_EQ(walkAppts(10, 6), (U32s{1, 255, 256, 257, 65536, 16777216}));
  EXPECT_EQ(walkAppts(10, 6, true), (U32s{16777216, 65536, 257, 256, 255, 1}));
}

TEST_F(Records, OrdersTextKeysWithoutRegardToCase) {
  QdbHandle people = createAndOpen(peopleDef());
  for (const char* name : {"smith", "Adams", "SMYTHE", "baker", "Smith"}) {
    Rec p = person(name, "Ann", name);
    ASSERT_EQ(QDB_AddRec(people, p.data(), p.size()), 1) << name;
  }
  EXPECT_EQ(walk(people, 20, kPersonSize, 2), (U32s{2, 4, 1, 5, 3}))
      << "Adams, baker, smith, Smith, SMYTHE: equal names in the order added";
  Rec r(kPersonSize);
  Rec asked = person("SMITH", "ann", "");
  ASSERT_EQ(QDB_FindRec(people, 20, asked.data() + 10, 37, r.data(), r.size()), 1);
  EXPECT_EQ(r.text(10), "smith") << "the first of the equal names";
}

TEST_F(Records, KeepsDuplicateKeysInArrivalOrder) {
  for (std::uint32_t patient = 1; patient <= 5; ++patient) addAppt(700, "OP1", patient);
  addAppt(699, "OP1", 90);
  addAppt(701, "OP1", 91);
  EXPECT_EQ(walkAppts(10, 54), (U32s{90, 1, 2, 3, 4, 5, 91}));
  EXPECT_EQ(walkAppts(10, 54, true), (U32s{91, 5, 4, 3, 2, 1, 90}));
  EXPECT_EQ(walkAppts(9, 54), (U32s{1, 2, 3, 4, 5, 90, 91})) << "key 9 is the order of adding";
  const Key key = dayKey(700, "OP1");
  ASSERT_EQ(findRec(appts_, 10, key, r_), 1);
  EXPECT_EQ(r_.u32(54), 1u) << "find gives the first of equal keys";
  ASSERT_EQ(QDB_GreaterThanOrEqualRec(appts_, 10, key.data(), 9, r_.data(), r_.size()), 1);
  EXPECT_EQ(r_.u32(54), 1u);
  ASSERT_EQ(QDB_LessThanOrEqualRec(appts_, 10, key.data(), 9, r_.data(), r_.size()), 1);
  EXPECT_EQ(r_.u32(54), 5u) << "less-or-equal gives the last of equal keys";
  ASSERT_EQ(QDB_NextRec(appts_, 10, r_.data(), r_.size()), 1);
  EXPECT_EQ(r_.u32(54), 91u);
}

TEST_F(Records, SeeksLandOnNeighboursAndAFailedOneChangesNothing) {
  for (std::uint32_t date : {100u, 200u, 300u}) addAppt(date, "OP1");
  ASSERT_EQ(findRec(appts_, 10, dayKey(100, "OP1"), r_), 1);
  const QdbPosition at = QDB_GetFilePos(appts_);
  const Rec before = r_;
  const Key k150 = dayKey(150, "OP1");
  EXPECT_EQ(findRec(appts_, 10, k150, r_), 0);
  EXPECT_EQ(lastError(), kQdbNotFound);
  EXPECT_EQ(r_, before);
  EXPECT_EQ(QDB_GetFilePos(appts_), at) << "nothing became current";
  ASSERT_EQ(QDB_NextRec(appts_, 10, r_.data(), r_.size()), 1) << "the walk goes on from 100";
  EXPECT_EQ(r_.u32(6), 200u);
  ASSERT_EQ(QDB_GreaterThanOrEqualRec(appts_, 10, k150.data(), 9, r_.data(), r_.size()), 1);
  EXPECT_EQ(r_.u32(6), 200u);
  ASSERT_EQ(QDB_LessThanOrEqualRec(appts_, 10, k150.data(), 9, r_.data(), r_.size()), 1);
  EXPECT_EQ(r_.u32(6), 100u);
  EXPECT_EQ(QDB_GreaterThanOrEqualRec(appts_, 10, dayKey(400).data(), 9, r_.data(), r_.size()), 0);
  EXPECT_EQ(lastError(), kQdbNotFound);
  EXPECT_EQ(QDB_LessThanOrEqualRec(appts_, 10, dayKey(50).data(), 9, r_.data(), r_.size()), 0);
  ASSERT_EQ(QDB_LastRec(appts_, 10, r_.data(), r_.size()), 1);
  EXPECT_EQ(QDB_NextRec(appts_, 10, r_.data(), r_.size()), 0);
  ASSERT_EQ(QDB_PrevRec(appts_, 10, r_.data(), r_.size()), 1) << "the end leaves 300 current";
  EXPECT_EQ(r_.u32(6), 200u);
  Key padded = dayKey(300, "OP1");
  padded.resize(100, 0xEE);  // junk after the key's bytes must not count
  ASSERT_EQ(findRec(appts_, 10, padded, r_), 1);
  EXPECT_EQ(r_.u32(6), 300u);
}

TEST_F(Records, WalkGoesOnFromARecordAnotherSessionDeleted) {
  for (std::uint32_t date : {100u, 200u, 300u}) addAppt(date, "OP1");
  QdbHandle theirs = open(kAppts, QDB_StartSession(1));
  Rec t(kApptSize);
  ASSERT_EQ(findRec(appts_, 10, dayKey(200, "OP1"), r_), 1);
  ASSERT_EQ(findRec(theirs, 10, dayKey(200, "OP1"), t), 1);
  ASSERT_EQ(QDB_DeleteCurRec(theirs), 1);
  ASSERT_EQ(QDB_NextRec(appts_, 10, r_.data(), r_.size()), 1);
  EXPECT_EQ(r_.u32(6), 300u);
  EXPECT_EQ(QDB_WriteRec(appts_, r_.data(), r_.size()), 1) << "300 is current now";
  EXPECT_EQ(findRec(appts_, 10, dayKey(200, "OP1"), r_), 0);
}

// With the clock stopped, what a walk fetched ahead stays young; only a write may spoil it.
TEST_F(Records, WalkSeesWhatAnotherSessionWroteMeanwhile) {
  reopenWith(&clock_);
  appts_ = open(kAppts);
  for (std::uint32_t date : {100u, 200u, 300u, 400u}) addAppt(date, "OP1");
  ASSERT_EQ(QDB_FirstRec(appts_, 10, r_.data(), r_.size()), 1);
  ASSERT_EQ(QDB_NextRec(appts_, 10, r_.data(), r_.size()), 1);  // fetches 300 and 400 ahead
  QdbHandle theirs = open(kAppts, QDB_StartSession(1));
  Rec added = appt(250, "OP1");
  ASSERT_EQ(QDB_AddRec(theirs, added.data(), added.size()), 1);
  ASSERT_EQ(QDB_NextRec(appts_, 10, r_.data(), r_.size()), 1);
  EXPECT_EQ(r_.u32(6), 250u);
  Rec t(kApptSize);
  ASSERT_EQ(findRec(theirs, 10, dayKey(300, "OP1"), t), 1);
  ASSERT_EQ(QDB_DeleteCurRec(theirs), 1);
  ASSERT_EQ(QDB_NextRec(appts_, 10, r_.data(), r_.size()), 1);
  EXPECT_EQ(r_.u32(6), 400u) << "a record deleted meanwhile is not handed out";
}

class Sets : public Records {
 protected:
  void SetUp() override {
    Records::SetUp();
    // Three days; day 500 has two operatories, added out of order; patients 1-6.
    const std::uint32_t dates[] = {500, 499, 500, 501, 500, 500};
    const char* ops[] = {"OP2", "OP1", "OP1", "OP1", "OP2", "OP1"};
    for (std::uint32_t i = 0; i < 6; ++i) addAppt(dates[i], ops[i], i + 1);
  }
};

TEST_F(Sets, WalkADayForwardAndBackwardAndAnEmptyOneGives101) {
  EXPECT_EQ(set(dayKey(500), 4, 54), (U32s{3, 6, 1, 5}));
  EXPECT_EQ(set(dayKey(500), 4, 54, true), (U32s{5, 1, 6, 3}));
  EXPECT_EQ(set(dayKey(500, "OP2"), 9, 54), (U32s{1, 5}));
  EXPECT_EQ(set(dayKey(500, "op2"), 9, 54, true), (U32s{5, 1})) << "codes ignore case";
  EXPECT_EQ(set(dayKey(0), 0, 54).size(), 6u) << "an empty prefix is the whole file";
  for (int direction : {0, 1}) {
    EXPECT_EQ(QDB_StartSet(appts_, 10, direction, dayKey(502).data(), 9, r_.data(), r_.size(), 4),
              0u);
    EXPECT_EQ(lastError(), kQdbNotFound);
  }
  EXPECT_EQ(r_, Rec(kApptSize)) << "nothing was copied";
}

TEST_F(Sets, MiddleAndEndOfASetKeepTheirPlace) {
  QdbHandle s = QDB_StartSet(appts_, 10, 0, dayKey(500).data(), 9, r_.data(), r_.size(), 4);
  ASSERT_EQ(QDB_MIDSET(s, r_.data(), r_.size()), 1);
  EXPECT_EQ(r_.u32(54), 6u) << "of 3, 6, 1, 5 the one at (4 - 1) / 2";
  for (std::uint32_t patient : {1u, 5u}) {
    ASSERT_EQ(QDB_NextRecInSet(s, r_.data(), r_.size()), 1);
    EXPECT_EQ(r_.u32(54), patient);
  }
  EXPECT_EQ(QDB_NextRecInSet(s, r_.data(), r_.size()), 0);
  EXPECT_EQ(lastError(), kQdbNotFound);
  EXPECT_EQ(QDB_NextRecInSet(s, r_.data(), r_.size()), 0) << "and stays at the end";
  ASSERT_EQ(QDB_PrevRecInSet(s, r_.data(), r_.size()), 1);
  EXPECT_EQ(r_.u32(54), 1u);
}

TEST_F(Sets, RefusesPrefixThatEndsInsideAnUnsignedSegment) {
  const Key key = dayKey(500);
  for (std::size_t prefix : {1u, 2u, 3u, 10u}) {  // 10: longer than the key
    EXPECT_EQ(QDB_StartSet(appts_, 10, 0, key.data(), 9, r_.data(), r_.size(), prefix), 0u);
    EXPECT_EQ(lastError(), kQdbBadPrefix) << prefix;
  }
  EXPECT_EQ(QDB_StartSet(appts_, 10, 0, key.data(), 3, r_.data(), r_.size(), 4), 0u);
  EXPECT_EQ(lastError(), kQdbBadKeyLength) << "key bytes shorter than the prefix";
  EXPECT_EQ(QDB_StartSet(appts_, 10, 2, key.data(), 9, r_.data(), r_.size(), 4), 0u);
  EXPECT_EQ(lastError(), kQdbBadArgument) << "direction 2";
}

TEST_F(Sets, LongSetComesWholeAcrossFetchBoundaries) {
  U32s expected;
  for (std::uint32_t i = 0; i < 700; ++i) {
    addAppt(i % 2 == 0 ? 600 : 601 + i % 3, "OP1", 1000 + i);
    if (i % 2 == 0) expected.push_back(1000 + i);
  }
  EXPECT_EQ(set(dayKey(600), 4, 54), expected);
  std::reverse(expected.begin(), expected.end());
  EXPECT_EQ(set(dayKey(600), 4, 54, true), expected);
}

TEST_F(Records, RepeatedUniqueKeyGives2AndChangesNothing) {
  QdbHandle people = createAndOpen(peopleDef());
  for (const char* chart : {"C1", "C2"}) {
    Rec p = person("Name", chart, chart);
    ASSERT_EQ(QDB_AddRec(people, p.data(), p.size()), 1);
  }
  const QdbPosition current = QDB_GetFilePos(people);
  Rec repeat = person("Baker", "Bob", "C1");
  const Rec before = repeat;
  EXPECT_EQ(QDB_AddRec(people, repeat.data(), repeat.size()), 0);
  EXPECT_EQ(lastError(), kQdbDuplicateKey);
  EXPECT_EQ(lastFile(), 21) << "the key that would repeat";
  EXPECT_EQ(repeat, before) << "no identifier was given";
  EXPECT_EQ(QDB_GetFilePos(people), current);
  Rec r(kPersonSize);
  const Key chart2 = {'C', '2', 0, 0, 0, 0, 0, 0};
  ASSERT_EQ(findRec(people, 21, chart2, r), 1);
  const Rec stored = r;
  r.text(47, 8, "C1").text(10, 21, "Changed");
  EXPECT_EQ(QDB_WriteRec(people, r.data(), r.size()), 0);
  EXPECT_EQ(lastError(), kQdbDuplicateKey);
  ASSERT_EQ(findRec(people, 21, chart2, r), 1);
  EXPECT_EQ(r, stored);
  EXPECT_EQ(QDB_WriteRec(people, r.data(), r.size()), 1) << "its own key is no repeat";
  Rec third = person("Cole", "Cy", "C3");
  ASSERT_EQ(QDB_AddRec(people, third.data(), third.size()), 1);
  EXPECT_EQ(walk(people, 19, kPersonSize, 2), (U32s{1, 2, 3})) << "the refused add used no id";
}

TEST_F(Records, RewriteMovesTheRecordAndDeleteRemovesItFromEveryKey) {
  for (std::uint32_t date : {100u, 200u, 300u}) addAppt(date, "OP1", date);
  ASSERT_EQ(findRec(appts_, 13, keyU32(1), r_), 1);
  r_.u32(6, 250);
  ASSERT_EQ(QDB_WriteRec(appts_, r_.data(), r_.size()), 1);
  EXPECT_EQ(walkAppts(10, 6), (U32s{200, 250, 300}));
  EXPECT_EQ(walkAppts(9, 6), (U32s{250, 200, 300})) << "the position stays";
  ASSERT_EQ(findRec(appts_, 13, keyU32(2), r_), 1);
  ASSERT_EQ(QDB_DeleteCurRec(appts_), 1);
  EXPECT_EQ(QDB_WriteRec(appts_, r_.data(), r_.size()), 0) << "nothing comes back";
  EXPECT_EQ(lastError(), kQdbNotFound);
  EXPECT_EQ(QDB_DeleteCurRec(appts_), 0);
  EXPECT_EQ(lastError(), kQdbNotFound);
  EXPECT_EQ(walkAppts(10, 6), (U32s{250, 300}));
  EXPECT_EQ(walkAppts(14, 54), (U32s{100, 300}));
  EXPECT_EQ(walkAppts(13, 2), (U32s{1, 3}));
}

TEST_F(Records, IdentifiersAreNeverGivenTwiceEvenAfterDeletingTheLastAndReopening) {
  for (int i = 0; i < 3; ++i) addAppt(100, "OP1");
  ASSERT_EQ(QDB_LastRec(appts_, 13, r_.data(), r_.size()), 1);
  ASSERT_EQ(r_.u32(2), 3u);
  const QdbPosition lastPosition = QDB_GetFilePos(appts_);
  ASSERT_EQ(QDB_DeleteCurRec(appts_), 1);
  QDB_CloseDataBase();
  ASSERT_EQ(QDB_InitDataBase(dir_.path().c_str()), 1);
  appts_ = open(kAppts, session_ = QDB_StartSession(1));
  Rec added = appt(100, "OP1");
  added.u32(2, 77777);  // whatever the caller put there
  ASSERT_EQ(QDB_AddRec(appts_, added.data(), added.size()), 1);
  EXPECT_EQ(added.u32(2), 4u);
  EXPECT_GT(QDB_GetFilePos(appts_), lastPosition) << "positions are not reused either";
}

TEST_F(Records, PositionsReadAndMakeCurrentOnlyRecordsThatExist) {
  for (std::uint32_t patient : {1u, 2u, 3u}) addAppt(100 * patient, "OP1", patient);
  ASSERT_EQ(QDB_LastRec(appts_, 9, r_.data(), r_.size()), 1);
  const QdbPosition third = QDB_GetFilePos(appts_);
  const Rec image = r_;
  ASSERT_EQ(QDB_FirstRec(appts_, 9, r_.data(), r_.size()), 1);
  const QdbPosition first = QDB_GetFilePos(appts_);
  ASSERT_EQ(QDB_ReadRec(appts_, third, r_.data(), r_.size()), 1);
  EXPECT_EQ(r_.u32(54), 3u);
  for (QdbPosition missing : {third + 100, QdbPosition{0}}) {
    EXPECT_EQ(QDB_ReadRec(appts_, missing, r_.data(), r_.size()), 0);
    EXPECT_EQ(lastError(), kQdbNotFound);
  }
  ASSERT_EQ(QDB_SETCURI(appts_, first), 1);
  ASSERT_EQ(QDB_NextRec(appts_, 10, r_.data(), r_.size()), 1);
  EXPECT_EQ(r_.u32(6), 200u);
  EXPECT_EQ(QDB_SETCURI(appts_, third + 100), 0);
  EXPECT_EQ(lastError(), kQdbNotFound);
  ASSERT_EQ(QDB_UPDCURI(appts_, 10, image.data(), image.size()), 1);
  EXPECT_EQ(QDB_GetFilePos(appts_), third) << "the record stored as the image became current";
  const Rec unknown = appt(999, "OP1");
  EXPECT_EQ(QDB_UPDCURI(appts_, 10, unknown.data(), unknown.size()), 0);
  EXPECT_EQ(lastError(), kQdbNotFound);
  EXPECT_EQ(QDB_UPDCURI(appts_, 9, image.data(), image.size()), 0);
  EXPECT_EQ(lastError(), kQdbBadArgument);
}

TEST_F(Records, VariableRecordsComeBackWholeAndAPlainWriteKeepsTheTail) {
  QdbHandle notes = createAndOpen(notesDef());
  for (std::size_t tail : {0u, 1u, 100u, 70000u}) {
    Rec n(kNoteFixed + tail);
    n.u32(6, static_cast<std::uint32_t>(tail));
    for (std::size_t i = 0; i < tail; ++i) n.u8(kNoteFixed + i, static_cast<std::uint8_t>(i * 7));
    ASSERT_EQ(QDB_AddRec(notes, n.data(), n.size()), 1) << tail;
    Rec r(kNoteFixed + 8);
    ASSERT_EQ(findRec(notes, 43, keyU32(static_cast<std::uint32_t>(tail)), r), 1);
    EXPECT_TRUE(std::equal(r.data(), r.data() + kNoteFixed, n.data()));
    EXPECT_TRUE(std::all_of(r.data() + kNoteFixed, r.data() + r.size(), [](auto b) { return !b; }))
        << "a plain read copies the fixed part only";
    ASSERT_EQ(QDB_GetVarRecLength(notes), n.size());
    Rec whole(n.size());
    ASSERT_EQ(QDB_ReadEntireVarRec(notes, whole.data(), whole.size()), 1);
    EXPECT_EQ(whole, n);
    if (tail == 0) continue;
    Rec small(n.size() - 1);
    EXPECT_EQ(QDB_ReadEntireVarRec(notes, small.data(), small.size()), 0);
    EXPECT_EQ(lastError(), kQdbBadBufferSize);
    EXPECT_EQ(small, Rec(n.size() - 1)) << "and nothing was copied";
    Rec longer(n.size() + 50);
    std::copy(n.data(), n.data() + n.size(), longer.data());
    longer.u8(longer.size() - 1, 0x5A);
    ASSERT_EQ(QDB_WriteVRec(notes, longer.data(), longer.size()), 1);
    Rec fixed(kNoteFixed);
    std::copy(n.data(), n.data() + kNoteFixed, fixed.data());
    fixed.u32(6, 90000);  // a new owner
    ASSERT_EQ(QDB_WriteRec(notes, fixed.data(), fixed.size()), 1);
    ASSERT_EQ(QDB_GetVarRecLength(notes), longer.size());
    std::copy(fixed.data(), fixed.data() + kNoteFixed, longer.data());
    Rec after(longer.size());
    ASSERT_EQ(QDB_ReadEntireVarRec(notes, after.data(), after.size()), 1);
    EXPECT_EQ(after, longer);
    EXPECT_EQ(QDB_WriteVRec(notes, longer.data(), kNoteFixed - 1), 0);
    EXPECT_EQ(lastError(), kQdbBadBufferSize) << "shorter than the fixed part";
  }
}

TEST_F(Records, BadCallsGiveTheirOwnErrorsAndTouchNothing) {
  addAppt(100, "OP1");
  createAndOpen(peopleDef());
  const QdbHandle f = appts_;
  Rec rec(kApptSize);
  Rec small(kApptSize - 1);
  std::uint8_t* r = rec.data();
  std::uint8_t* s = small.data();
  const Key key = dayKey(100, "OP1");
  const std::uint8_t* k = key.data();
  const QdbHandle fresh = open(kAppts);  // no current record yet
  const QdbHandle closed = open(kAppts);
  ASSERT_EQ(QDB_CloseFile(closed), 1);
  const QdbHandle ended = QDB_StartSet(f, 10, 0, k, 9, r, 286, 4);
  ASSERT_EQ(QDB_EndSet(ended), 1);
  const QdbHandle set = QDB_StartSet(f, 10, 0, k, 9, r, 286, 4);
  const std::tuple<const char*, std::function<int()>, int> calls[] = {
      {"find, short buffer", [&] { return QDB_FindRec(f, 10, k, 9, s, 285); }, kQdbBadBufferSize},
      {"find, null buffer", [&] { return QDB_FindRec(f, 10, k, 9, nullptr, 286); },
       kQdbBadBufferSize},
      {"find, short key", [&] { return QDB_FindRec(f, 10, k, 8, r, 286); }, kQdbBadKeyLength},
      {"find, null key", [&] { return QDB_FindRec(f, 10, nullptr, 9, r, 286); }, kQdbBadKeyLength},
      {"first, short buffer", [&] { return QDB_FirstRec(f, 10, s, 285); }, kQdbBadBufferSize},
      {"update, short", [&] { return int(QDB_StartUpdate(f, 2, 10, k, 9, s, 285)); },
       kQdbBadBufferSize},
      {"add, short", [&] { return QDB_AddRec(f, s, 285); }, kQdbBadBufferSize},
      {"add, long", [&] { return QDB_AddRec(f, r, 287); }, kQdbBadBufferSize},
      {"read by position, short", [&] { return QDB_ReadRec(f, 1, s, 285); }, kQdbBadBufferSize},
      {"state into 2 bytes",
       [&] { return QDB_GetPracticeState(session_, reinterpret_cast<char*>(s), 2); },
       kQdbBadBufferSize},
      {"set, short buffer", [&] { return int(QDB_StartSet(f, 10, 0, k, 9, s, 285, 4)); },
       kQdbBadBufferSize},
      {"key of no file", [&] { return QDB_FirstRec(f, 12, r, 286); }, kQdbUnknownKey},
      {"key of another file", [&] { return QDB_FindRec(f, 19, k, 4, r, 286); }, kQdbUnknownKey},
      {"next, no current", [&] { return QDB_NextRec(fresh, 10, r, 286); }, kQdbNoCurrentRecord},
      {"rewrite, no current", [&] { return QDB_WriteRec(fresh, r, 286); }, kQdbNoCurrentRecord},
      {"delete, no current", [&] { return QDB_DeleteCurRec(fresh); }, kQdbNoCurrentRecord},
      {"position, no current", [&] { return int(QDB_GetFilePos(fresh)); }, kQdbNoCurrentRecord},
      {"closed file", [&] { return QDB_FirstRec(closed, 10, r, 286); }, kQdbBadHandle},
      {"closed twice", [&] { return QDB_CloseFile(closed); }, kQdbBadHandle},
      {"ended set", [&] { return QDB_NextRecInSet(ended, r, 286); }, kQdbBadHandle},
      {"ended twice", [&] { return QDB_EndSet(ended); }, kQdbBadHandle},
      {"a set as a file", [&] { return QDB_FirstRec(set, 10, r, 286); }, kQdbBadHandle},
      {"a file as a set", [&] { return QDB_NextRecInSet(f, r, 286); }, kQdbBadHandle},
      {"a file as an update", [&] { return QDB_CommitUpdate(f); }, kQdbBadHandle},
      {"lock mode 1", [&] { return QDB_LKISAM(session_, 1); }, kQdbBadArgument},
  };
  for (const auto& [call, run, error] : calls) {
    EXPECT_EQ(run(), 0) << call;
    EXPECT_EQ(lastError(), error) << call;
  }
  EXPECT_EQ(walkAppts(10, 6), (U32s{100})) << "no refused add left a record";
  EXPECT_EQ(small, Rec(kApptSize - 1)) << "no refused read wrote to a short buffer";
  ASSERT_EQ(QDB_CloseFile(f), 1);
  EXPECT_EQ(QDB_NextRecInSet(set, r, 286), 0) << "closing the file ended its sets";
  EXPECT_EQ(lastError(), kQdbBadHandle);
}

TEST_F(Records, EveryCallLeavesItsOwnStatusAndNoDatabaseGives411) {
  addAppt(100, "OP1");
  EXPECT_EQ(findRec(appts_, 10, dayKey(200), r_), 0);
  EXPECT_EQ(QDB_GetLastResultNum(session_), kQdbNotFound);
  EXPECT_EQ(lastFile(), 10);
  ASSERT_EQ(QDB_FirstRec(appts_, 14, r_.data(), r_.size()), 1);
  EXPECT_EQ(QDB_GetLastResultNum(session_), 0);
  EXPECT_EQ(lastError(), 0);
  EXPECT_EQ(lastFile(), 14);
  const QdbHandle otherSession = (appts_ & 0xFFFF) | (static_cast<QdbHandle>(session_ + 1) << 16);
  for (QdbHandle stray : {otherSession, QdbHandle{0}}) {
    EXPECT_EQ(QDB_FirstRec(stray, 10, r_.data(), r_.size()), 0);
    EXPECT_EQ(QDB_GetLastErrorNum(0), kQdbBadHandle) << "a stray handle's status is the process's";
  }
  EXPECT_EQ(QDB_EndSession(static_cast<QdbSession>(session_ + 1)), 0);
  EXPECT_EQ(QDB_GetLastErrorNum(0), kQdbBadHandle);
  EXPECT_EQ(QDB_StartSession(3), 0);
  EXPECT_EQ(QDB_GetLastErrorNum(0), kQdbBadArgument);
  QDB_CloseDataBase();
  EXPECT_EQ(QDB_StartSession(1), 0);
  EXPECT_EQ(QDB_GetLastErrorNum(0), kQdbNotInitialised);
  char state[3] = {'x', 'x', 'x'};
  EXPECT_EQ(QDB_GetPracticeState(1, state, sizeof state), 0);
  EXPECT_EQ(state[0], '\0');
}

TEST_F(Records, PracticeStateComesFromThePracticeRecord) {
  char state[8] = "??";
  EXPECT_EQ(QDB_GetPracticeState(session_, state, sizeof state), 0);
  EXPECT_EQ(lastError(), kQdbNotCreated);
  QdbFileDef def;
  def.fileNumber = 6;
  def.recordLength = 420;
  def.keys = {{6, true, {}, "every resource"},
              {7, true, {{0, 1, QdbSegmentKind::kBytes}, {1, 4, QdbSegmentKind::kText}}, "kind"}};
  QdbHandle resources = createAndOpen(def);
  EXPECT_EQ(QDB_GetPracticeState(session_, state, sizeof state), 0);
  EXPECT_EQ(lastError(), kQdbNotFound);
  Rec provider(420);
  provider.u8(0, 1).text(1, 5, "DOC1").text(60, 3, "NY");
  ASSERT_EQ(QDB_AddRec(resources, provider.data(), provider.size()), 1);
  Rec practice(420);
  practice.text(1, 5, "-PR-").text(60, 3, "OR").u8(62, 'Z');  // junk where the terminator goes
  ASSERT_EQ(QDB_AddRec(resources, practice.data(), practice.size()), 1);
  ASSERT_EQ(QDB_GetPracticeState(session_, state, 3), 1);
  EXPECT_STREQ(state, "OR");
}

}  // namespace
}  // namespace qdbtest
