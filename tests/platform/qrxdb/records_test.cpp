// Reading and writing records through the QDB_ calls: key orders, seeks, walks, sets, writes,
// identifiers, variable-length records and the answers to bad input.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/qrxdb/testing.h"
#include "tests/platform/qrxdb/support/qdb_fixture.h"

namespace qdbtest {
namespace {

using U32s = std::vector<std::uint32_t>;

class Records : public DatabaseTest {
 protected:
  void SetUp() override {
    DatabaseTest::SetUp();
    appts_ = createAndOpen(apptDef());
  }

  std::uint32_t add(Rec r, QdbHandle file = 0) {
    EXPECT_EQ(QDB_AddRec(file != 0 ? file : appts_, r.data(), r.size()), 1)
        << "error " << lastError();
    return r.u32(2);
  }
  std::uint32_t addAppt(std::uint32_t date, const std::string& op, std::uint32_t patient = 0) {
    return add(appt(date, op, patient));
  }

  // The u32 at `at` of every record, walking key `key` from its first (or last) record.
  U32s walk(int key, std::size_t at, bool backward = false, QdbHandle file = 0) {
    file = file != 0 ? file : appts_;
    Rec r(kApptSize);
    U32s seen;
    int ok = backward ? QDB_LastRec(file, key, r.data(), r.size())
                      : QDB_FirstRec(file, key, r.data(), r.size());
    while (ok) {
      seen.push_back(r.u32(at));
      ok = backward ? QDB_PrevRec(file, key, r.data(), r.size())
                    : QDB_NextRec(file, key, r.data(), r.size());
    }
    EXPECT_EQ(lastError(), kQdbNotFound);
    return seen;
  }

  // The u32 at `at` of every record of a set.
  U32s set(int key, const std::vector<std::uint8_t>& keyBytes, std::size_t prefix, std::size_t at,
           bool backward = false, QdbHandle file = 0) {
    file = file != 0 ? file : appts_;
    Rec r(kApptSize);
    U32s seen;
    QdbHandle s = QDB_StartSet(file, key, backward ? 1 : 0, keyBytes.data(), keyBytes.size(),
                               r.data(), r.size(), prefix);
    if (s == 0) return seen;
    do {
      seen.push_back(r.u32(at));
    } while (backward ? QDB_PrevRecInSet(s, r.data(), r.size())
                      : QDB_NextRecInSet(s, r.data(), r.size()));
    EXPECT_EQ(lastError(), kQdbNotFound);
    EXPECT_EQ(QDB_EndSet(s), 1);
    return seen;
  }

  // Key 10 bytes: date, operatory kind 3, code.
  static std::vector<std::uint8_t> dayKey(std::uint32_t date, const std::string& op = "") {
    Rec r = appt(date, op);
    return {r.data() + 6, r.data() + 15};
  }

  QdbHandle appts_ = 0;
};

// ---------------------------------------------------------------------------------------------
// The catalogue

TEST_F(Records, OpensAFileByAnyOfItsKeyNumbers) {
  for (int number : {9, 10, 13, 14}) {
    QdbHandle h = open(number);
    EXPECT_NE(h, 0u) << number;
    EXPECT_EQ(lastFile(), kAppts);
    EXPECT_EQ(h >> 16, session_) << "a handle carries its session in the high bits";
  }
}

TEST_F(Records, RefusesFileThatWasNeverCreatedWith46) {
  EXPECT_EQ(open(12), 0u) << "12 is no key of the appointments";
  EXPECT_EQ(lastError(), kQdbNotCreated);
  EXPECT_EQ(open(77), 0u);
  EXPECT_EQ(lastError(), kQdbNotCreated);
  EXPECT_EQ(lastFile(), 77);
}

TEST_F(Records, CreatingAFileAgainSucceedsOnlyWithTheSameDefinition) {
  EXPECT_EQ(QDB_CREIFIL(session_, apptDef()), 1);
  QdbFileDef changed = apptDef();
  changed.keys[1].unique = true;
  EXPECT_EQ(QDB_CREIFIL(session_, changed), 0);
  EXPECT_EQ(lastError(), kQdbOtherVersion);
  QdbFileDef renamed = apptDef();
  renamed.name = "other name";
  EXPECT_EQ(QDB_CREIFIL(session_, renamed), 1) << "names are for people only";
}

TEST_F(Records, RefusesKeyNumberThatBelongsToAnotherFile) {
  QdbFileDef def = peopleDef();
  def.keys[2].keyNumber = 13;
  EXPECT_EQ(QDB_CREIFIL(session_, def), 0);
  EXPECT_EQ(lastError(), kQdbBadDefinition);
  EXPECT_EQ(open(18), 0u) << "nothing of the refused file was made";
}

// ---------------------------------------------------------------------------------------------
// Key order

TEST_F(Records, OrdersDatesAsNumbersAcrossByteBoundaries) {
  for (std::uint32_t date : {65536u, 255u, 256u, 1u, 257u, 16777216u}) addAppt(date, "OP1");
  EXPECT_EQ(walk(10, 6), (U32s{1, 255, 256, 257, 65536, 16777216}));
  EXPECT_EQ(walk(10, 6, true), (U32s{16777216, 65536, 257, 256, 255, 1}));
}

TEST_F(Records, OrdersTextKeysWithoutRegardToCase) {
  QdbHandle people = createAndOpen(peopleDef());
  for (const char* name : {"smith", "Adams", "SMYTHE", "baker", "Smith"}) {
    Rec p = person(name, "Ann", name);
    ASSERT_EQ(QDB_AddRec(people, p.data(), p.size()), 1) << name;
  }
  Rec r(kPersonSize);
  std::vector<std::string> order;
  for (int ok = QDB_FirstRec(people, 20, r.data(), r.size()); ok;
       ok = QDB_NextRec(people, 20, r.data(), r.size())) {
    order.push_back(r.text(10));
  }
  EXPECT_EQ(order, (std::vector<std::string>{"Adams", "baker", "smith", "Smith", "SMYTHE"}));

  Rec asked = person("SMITH", "ann", "");
  ASSERT_EQ(QDB_FindRec(people, 20, asked.data() + 10, 37, r.data(), r.size()), 1);
  EXPECT_EQ(r.text(10), "smith") << "the first of the equal names, in the order added";
}

TEST_F(Records, KeepsDuplicateKeysInArrivalOrder) {
  for (std::uint32_t patient = 1; patient <= 5; ++patient) addAppt(700, "OP1", patient);
  addAppt(699, "OP1", 90);
  addAppt(701, "OP1", 91);
  EXPECT_EQ(walk(10, 54), (U32s{90, 1, 2, 3, 4, 5, 91}));
  EXPECT_EQ(walk(10, 54, true), (U32s{91, 5, 4, 3, 2, 1, 90}));

  Rec r(kApptSize);
  const auto key = dayKey(700, "OP1");
  ASSERT_EQ(QDB_FindRec(appts_, 10, key.data(), key.size(), r.data(), r.size()), 1);
  EXPECT_EQ(r.u32(54), 1u) << "find gives the first of equal keys";
  ASSERT_EQ(QDB_GreaterThanOrEqualRec(appts_, 10, key.data(), key.size(), r.data(), r.size()), 1);
  EXPECT_EQ(r.u32(54), 1u);
  ASSERT_EQ(QDB_LessThanOrEqualRec(appts_, 10, key.data(), key.size(), r.data(), r.size()), 1);
  EXPECT_EQ(r.u32(54), 5u) << "less-or-equal gives the last of equal keys";
  ASSERT_EQ(QDB_NextRec(appts_, 10, r.data(), r.size()), 1);
  EXPECT_EQ(r.u32(54), 91u);
}

TEST_F(Records, ReadsNoMoreOfAKeyBufferThanTheKey) {
  addAppt(100, "OP1", 1);
  addAppt(100, "OP2", 2);
  std::vector<std::uint8_t> padded = dayKey(100, "OP2");
  padded.resize(100, 0xEE);  // a zero-filled buffer would do as well; junk must not count
  Rec r(kApptSize);
  ASSERT_EQ(QDB_FindRec(appts_, 10, padded.data(), padded.size(), r.data(), r.size()), 1);
  EXPECT_EQ(r.u32(54), 2u);
  ASSERT_EQ(QDB_LessThanOrEqualRec(appts_, 10, padded.data(), padded.size(), r.data(), r.size()),
            1);
  EXPECT_EQ(r.u32(54), 2u);
}

TEST_F(Records, OrdersCompositeKeyByDateThenOperatory) {
  addAppt(301, "OP1", 1);
  addAppt(300, "OP2", 2);
  addAppt(300, "op1", 3);
  addAppt(301, "OP0", 4);
  addAppt(300, "OP1", 5);
  EXPECT_EQ(walk(10, 54), (U32s{3, 5, 2, 4, 1}));
}

TEST_F(Records, KeyWithoutSegmentsFollowsTheOrderOfAdding) {
  for (std::uint32_t date : {30u, 10u, 20u}) addAppt(date, "OP1");
  EXPECT_EQ(walk(9, 6), (U32s{30, 10, 20}));
  Rec r(kApptSize);
  const auto second = keyU32(2);
  ASSERT_EQ(QDB_FindRec(appts_, 9, second.data(), second.size(), r.data(), r.size()), 1);
  EXPECT_EQ(r.u32(6), 10u) << "its key bytes are the position";
}

// ---------------------------------------------------------------------------------------------
// Seeks and walks

TEST_F(Records, SeeksLandOnNeighboursWhenTheKeyIsMissing) {
  for (std::uint32_t date : {100u, 200u, 300u}) addAppt(date, "OP1");
  Rec r(kApptSize);
  const auto k150 = dayKey(150, "OP1");
  EXPECT_EQ(QDB_FindRec(appts_, 10, k150.data(), k150.size(), r.data(), r.size()), 0);
  EXPECT_EQ(lastError(), kQdbNotFound);
  ASSERT_EQ(QDB_GreaterThanOrEqualRec(appts_, 10, k150.data(), k150.size(), r.data(), r.size()), 1);
  EXPECT_EQ(r.u32(6), 200u);
  ASSERT_EQ(QDB_LessThanOrEqualRec(appts_, 10, k150.data(), k150.size(), r.data(), r.size()), 1);
  EXPECT_EQ(r.u32(6), 100u);
  const auto k400 = dayKey(400, "OP1");
  EXPECT_EQ(QDB_GreaterThanOrEqualRec(appts_, 10, k400.data(), k400.size(), r.data(), r.size()), 0);
  EXPECT_EQ(lastError(), kQdbNotFound);
  const auto k50 = dayKey(50, "OP1");
  EXPECT_EQ(QDB_LessThanOrEqualRec(appts_, 10, k50.data(), k50.size(), r.data(), r.size()), 0);
}

TEST_F(Records, FailedReadLeavesBufferAndCurrentRecordAlone) {
  for (std::uint32_t date : {100u, 200u}) addAppt(date, "OP1");
  Rec r(kApptSize);
  const auto k100 = dayKey(100, "OP1");
  ASSERT_EQ(QDB_FindRec(appts_, 10, k100.data(), k100.size(), r.data(), r.size()), 1);
  const QdbPosition at = QDB_GetFilePos(appts_);
  Rec before = r;
  const auto k150 = dayKey(150, "OP1");
  EXPECT_EQ(QDB_FindRec(appts_, 10, k150.data(), k150.size(), r.data(), r.size()), 0);
  EXPECT_EQ(r, before);
  EXPECT_EQ(QDB_GetFilePos(appts_), at);
  ASSERT_EQ(QDB_NextRec(appts_, 10, r.data(), r.size()), 1) << "the walk goes on from 100";
  EXPECT_EQ(r.u32(6), 200u);
  EXPECT_EQ(QDB_NextRec(appts_, 10, r.data(), r.size()), 0);
  EXPECT_EQ(lastError(), kQdbNotFound);
  ASSERT_EQ(QDB_PrevRec(appts_, 10, r.data(), r.size()), 1) << "the end leaves 200 current";
  EXPECT_EQ(r.u32(6), 100u);
}

TEST_F(Records, NextFollowsTheKeyAskedForNotTheOneThatFound) {
  addAppt(100, "OP1", 30);
  addAppt(200, "OP1", 10);
  addAppt(300, "OP1", 20);
  Rec r(kApptSize);
  const auto k200 = dayKey(200, "OP1");
  ASSERT_EQ(QDB_FindRec(appts_, 10, k200.data(), k200.size(), r.data(), r.size()), 1);
  ASSERT_EQ(QDB_NextRec(appts_, 14, r.data(), r.size()), 1);
  EXPECT_EQ(r.u32(54), 20u) << "after patient 10 in patient order";
  ASSERT_EQ(QDB_PrevRec(appts_, 10, r.data(), r.size()), 1);
  EXPECT_EQ(r.u32(6), 200u) << "in date order from the record now current (dated 300)";
}

TEST_F(Records, WalkGoesOnFromADeletedRecordsKey) {
  for (std::uint32_t date : {100u, 200u, 300u}) addAppt(date, "OP1");
  QdbSession other = QDB_StartSession(1);
  QdbHandle theirs = open(kAppts, other);
  Rec r(kApptSize);
  const auto k200 = dayKey(200, "OP1");
  ASSERT_EQ(QDB_FindRec(appts_, 10, k200.data(), k200.size(), r.data(), r.size()), 1);
  Rec t(kApptSize);
  ASSERT_EQ(QDB_FindRec(theirs, 10, k200.data(), k200.size(), t.data(), t.size()), 1);
  ASSERT_EQ(QDB_DeleteCurRec(theirs), 1);
  ASSERT_EQ(QDB_NextRec(appts_, 10, r.data(), r.size()), 1);
  EXPECT_EQ(r.u32(6), 300u);
  EXPECT_EQ(QDB_WriteRec(appts_, r.data(), r.size()), 1) << "300 is current now";
  ASSERT_EQ(QDB_FindRec(appts_, 10, k200.data(), k200.size(), r.data(), r.size()), 0);
  QDB_EndSession(other);
}

// With the clock stopped, what a walk fetched ahead stays young; only a write may spoil it.
class StoppedClockRecords : public Records {
 protected:
  void SetUp() override {
    vantrel::qrxdb::testing::setEnv(&clock_);
    Records::SetUp();
  }
  void TearDown() override {
    Records::TearDown();
    vantrel::qrxdb::testing::setEnv(nullptr);
  }
  StoppedClockEnv clock_;
};

TEST_F(StoppedClockRecords, WalkSeesWhatAnotherSessionWroteMeanwhile) {
  for (std::uint32_t date : {100u, 200u, 300u, 400u}) addAppt(date, "OP1");
  Rec r(kApptSize);
  ASSERT_EQ(QDB_FirstRec(appts_, 10, r.data(), r.size()), 1);
  ASSERT_EQ(QDB_NextRec(appts_, 10, r.data(), r.size()), 1);  // fetches 300 and 400 ahead
  QdbSession other = QDB_StartSession(1);
  QdbHandle theirs = open(kAppts, other);
  Rec added = appt(250, "OP1");
  ASSERT_EQ(QDB_AddRec(theirs, added.data(), added.size()), 1);
  ASSERT_EQ(QDB_NextRec(appts_, 10, r.data(), r.size()), 1);
  EXPECT_EQ(r.u32(6), 250u);
  const auto k300 = dayKey(300, "OP1");
  ASSERT_EQ(QDB_FindRec(theirs, 10, k300.data(), k300.size(), r.data(), r.size()), 1);
  ASSERT_EQ(QDB_DeleteCurRec(theirs), 1);
  ASSERT_EQ(QDB_NextRec(appts_, 10, r.data(), r.size()), 1);
  EXPECT_EQ(r.u32(6), 400u) << "a record deleted meanwhile is not handed out";
  QDB_EndSession(other);
}

TEST_F(StoppedClockRecords, SetSeesItsOwnRewriteOfALaterRecord) {
  for (std::uint32_t patient = 1; patient <= 4; ++patient) addAppt(500, "OP1", patient);
  Rec r(kApptSize);
  const auto day = dayKey(500);
  QdbHandle s = QDB_StartSet(appts_, 10, 0, day.data(), day.size(), r.data(), r.size(), 4);
  ASSERT_NE(s, 0u);
  const auto id3 = keyU32(3);
  QdbHandle second = open(kAppts);
  Rec third(kApptSize);
  ASSERT_EQ(QDB_FindRec(second, 13, id3.data(), id3.size(), third.data(), third.size()), 1);
  third.u32(58, 777);
  ASSERT_EQ(QDB_WriteRec(second, third.data(), third.size()), 1);
  ASSERT_EQ(QDB_NextRecInSet(s, r.data(), r.size()), 1);
  ASSERT_EQ(QDB_NextRecInSet(s, r.data(), r.size()), 1);
  EXPECT_EQ(r.u32(2), 3u);
  EXPECT_EQ(r.u32(58), 777u);
}

// ---------------------------------------------------------------------------------------------
// Sets

class Sets : public Records {
 protected:
  void SetUp() override {
    Records::SetUp();
    // Three days; day 500 has two operatories, added out of order.
    addAppt(500, "OP2", 1);
    addAppt(499, "OP1", 2);
    addAppt(500, "OP1", 3);
    addAppt(501, "OP1", 4);
    addAppt(500, "OP2", 5);
    addAppt(500, "OP1", 6);
  }
};

TEST_F(Sets, WalkADayForwardAndBackward) {
  EXPECT_EQ(set(10, dayKey(500), 4, 54), (U32s{3, 6, 1, 5}));
  EXPECT_EQ(set(10, dayKey(500), 4, 54, true), (U32s{5, 1, 6, 3}));
  EXPECT_EQ(set(10, dayKey(500, "OP2"), 9, 54), (U32s{1, 5}));
  EXPECT_EQ(set(10, dayKey(500, "op2"), 9, 54, true), (U32s{5, 1})) << "codes ignore case";
  EXPECT_EQ(set(10, dayKey(0), 0, 54).size(), 6u) << "an empty prefix is the whole file";
}

TEST_F(Sets, EmptySetGives101AndNoHandle) {
  Rec r(kApptSize);
  const auto key = dayKey(502);
  Rec before = r;
  EXPECT_EQ(QDB_StartSet(appts_, 10, 0, key.data(), key.size(), r.data(), r.size(), 4), 0u);
  EXPECT_EQ(lastError(), kQdbNotFound);
  EXPECT_EQ(r, before);
  EXPECT_EQ(QDB_StartSet(appts_, 10, 1, key.data(), key.size(), r.data(), r.size(), 4), 0u);
  EXPECT_EQ(lastError(), kQdbNotFound);
}

TEST_F(Sets, EndOfSetKeepsItsPlace) {
  Rec r(kApptSize);
  const auto key = dayKey(500, "OP1");
  QdbHandle s = QDB_StartSet(appts_, 10, 0, key.data(), key.size(), r.data(), r.size(), 9);
  ASSERT_NE(s, 0u);
  ASSERT_EQ(QDB_NextRecInSet(s, r.data(), r.size()), 1);
  EXPECT_EQ(r.u32(54), 6u);
  EXPECT_EQ(QDB_NextRecInSet(s, r.data(), r.size()), 0);
  EXPECT_EQ(lastError(), kQdbNotFound);
  EXPECT_EQ(QDB_NextRecInSet(s, r.data(), r.size()), 0) << "and stays at the end";
  ASSERT_EQ(QDB_PrevRecInSet(s, r.data(), r.size()), 1);
  EXPECT_EQ(r.u32(54), 3u);
  EXPECT_EQ(QDB_PrevRecInSet(s, r.data(), r.size()), 0);
  QDB_EndSet(s);
}

TEST_F(Sets, NestedSetsOnOneFileWalkIndependently) {
  // For each appointment of day 500, walk the appointments of the same patient range 1-9.
  Rec outer(kApptSize);
  Rec inner(kApptSize);
  const auto day = dayKey(500);
  U32s outerSeen;
  std::size_t innerCount = 0;
  QdbHandle o = QDB_StartSet(appts_, 10, 0, day.data(), day.size(), outer.data(), outer.size(), 4);
  ASSERT_NE(o, 0u);
  do {
    outerSeen.push_back(outer.u32(54));
    const auto patient = keyU32(outer.u32(54));
    QdbHandle i =
        QDB_StartSet(appts_, 14, 0, patient.data(), patient.size(), inner.data(), inner.size(), 4);
    ASSERT_NE(i, 0u);
    do {
      EXPECT_EQ(inner.u32(54), outer.u32(54));
      ++innerCount;
    } while (QDB_NextRecInSet(i, inner.data(), inner.size()));
    QDB_EndSet(i);
  } while (QDB_NextRecInSet(o, outer.data(), outer.size()));
  QDB_EndSet(o);
  EXPECT_EQ(outerSeen, (U32s{3, 6, 1, 5}));
  EXPECT_EQ(innerCount, 4u);
}

TEST_F(Sets, TwoOpenSetsInterleaved) {
  Rec a(kApptSize);
  Rec b(kApptSize);
  const auto day = dayKey(500);
  QdbHandle fwd = QDB_StartSet(appts_, 10, 0, day.data(), day.size(), a.data(), a.size(), 4);
  QdbHandle back = QDB_StartSet(appts_, 10, 1, day.data(), day.size(), b.data(), b.size(), 4);
  ASSERT_NE(fwd, 0u);
  ASSERT_NE(back, 0u);
  U32s seen{a.u32(54), b.u32(54)};
  while (QDB_NextRecInSet(fwd, a.data(), a.size()) && QDB_PrevRecInSet(back, b.data(), b.size())) {
    seen.push_back(a.u32(54));
    seen.push_back(b.u32(54));
  }
  EXPECT_EQ(seen, (U32s{3, 5, 6, 1, 1, 6, 5, 3}));
}

TEST_F(Sets, ReadsOfASetMakeItsRecordCurrent) {
  Rec r(kApptSize);
  const auto key = dayKey(501);
  QdbHandle s = QDB_StartSet(appts_, 10, 0, key.data(), key.size(), r.data(), r.size(), 4);
  ASSERT_NE(s, 0u);
  r.u32(54, 44);
  ASSERT_EQ(QDB_WriteRec(appts_, r.data(), r.size()), 1);
  EXPECT_EQ(set(14, keyU32(44), 4, 6), (U32s{501}));
}

TEST_F(Sets, RefusesPrefixThatEndsInsideAnUnsignedSegment) {
  Rec r(kApptSize);
  const auto key = dayKey(500);
  for (std::size_t prefix : {1u, 2u, 3u}) {
    EXPECT_EQ(QDB_StartSet(appts_, 10, 0, key.data(), key.size(), r.data(), r.size(), prefix), 0u);
    EXPECT_EQ(lastError(), kQdbBadPrefix) << prefix;
  }
  EXPECT_EQ(QDB_StartSet(appts_, 10, 0, key.data(), key.size(), r.data(), r.size(), 10), 0u);
  EXPECT_EQ(lastError(), kQdbBadPrefix) << "longer than the key";
  EXPECT_EQ(QDB_StartSet(appts_, 10, 0, key.data(), 3, r.data(), r.size(), 4), 0u);
  EXPECT_EQ(lastError(), kQdbBadKeyLength) << "key bytes shorter than the prefix";
  EXPECT_EQ(QDB_StartSet(appts_, 10, 2, key.data(), key.size(), r.data(), r.size(), 4), 0u);
  EXPECT_EQ(lastError(), kQdbBadArgument) << "direction 2";
}

TEST_F(Sets, MiddleOfSetAndOnFromThere) {
  Rec r(kApptSize);
  const auto day = dayKey(500);
  QdbHandle s = QDB_StartSet(appts_, 10, 0, day.data(), day.size(), r.data(), r.size(), 4);
  ASSERT_NE(s, 0u);
  ASSERT_EQ(QDB_MIDSET(s, r.data(), r.size()), 1);
  EXPECT_EQ(r.u32(54), 6u) << "of 3, 6, 1, 5 the one at (4 - 1) / 2";
  ASSERT_EQ(QDB_NextRecInSet(s, r.data(), r.size()), 1);
  EXPECT_EQ(r.u32(54), 1u);
  QDB_EndSet(s);
}

TEST_F(Sets, LongSetComesWholeAcrossFetchBoundaries) {
  // Enough records that a walk needs several fetches, interleaved with other days.
  U32s expected;
  for (std::uint32_t i = 0; i < 700; ++i) {
    addAppt(i % 2 == 0 ? 600 : 601 + i % 3, "OP1", 1000 + i);
    if (i % 2 == 0) expected.push_back(1000 + i);
  }
  EXPECT_EQ(set(10, dayKey(600), 4, 54), expected);
  std::reverse(expected.begin(), expected.end());
  EXPECT_EQ(set(10, dayKey(600), 4, 54, true), expected);
}

TEST_F(Sets, EndedSetHandleIsRefused) {
  Rec r(kApptSize);
  const auto day = dayKey(500);
  QdbHandle s = QDB_StartSet(appts_, 10, 0, day.data(), day.size(), r.data(), r.size(), 4);
  ASSERT_EQ(QDB_EndSet(s), 1);
  EXPECT_EQ(QDB_NextRecInSet(s, r.data(), r.size()), 0);
  EXPECT_EQ(lastError(), kQdbBadHandle);
  EXPECT_EQ(QDB_EndSet(s), 0);
  s = QDB_StartSet(appts_, 10, 0, day.data(), day.size(), r.data(), r.size(), 4);
  ASSERT_EQ(QDB_CloseFile(appts_), 1);
  EXPECT_EQ(QDB_NextRecInSet(s, r.data(), r.size()), 0) << "closing the file ends its sets";
  EXPECT_EQ(lastError(), kQdbBadHandle);
}

// ---------------------------------------------------------------------------------------------
// Writes and identifiers

TEST_F(Records, AddGivesIdentifiersAndWritesThemBack) {
  Rec r = appt(100, "OP1");
  r.u32(2, 77777);  // whatever the caller put there
  ASSERT_EQ(QDB_AddRec(appts_, r.data(), r.size()), 1);
  EXPECT_EQ(r.u32(2), 1u);
  EXPECT_EQ(addAppt(100, "OP1"), 2u);
  Rec found(kApptSize);
  const auto id = keyU32(1);
  ASSERT_EQ(QDB_FindRec(appts_, 13, id.data(), id.size(), found.data(), found.size()), 1);
  EXPECT_EQ(found, r);
}

TEST_F(Records, RepeatedUniqueKeyOnAddGives2AndChangesNothing) {
  QdbHandle people = createAndOpen(peopleDef());
  Rec a = person("Adams", "Ann", "C1");
  ASSERT_EQ(QDB_AddRec(people, a.data(), a.size()), 1);
  const QdbPosition current = QDB_GetFilePos(people);
  Rec b = person("Baker", "Bob", "C1");
  Rec before = b;
  EXPECT_EQ(QDB_AddRec(people, b.data(), b.size()), 0);
  EXPECT_EQ(lastError(), kQdbDuplicateKey);
  EXPECT_EQ(lastFile(), 21) << "the key that would repeat";
  EXPECT_EQ(b, before) << "no identifier was given";
  EXPECT_EQ(QDB_GetFilePos(people), current);
  Rec r(kPersonSize);
  std::size_t count = 0;
  for (int ok = QDB_FirstRec(people, 20, r.data(), r.size()); ok;
       ok = QDB_NextRec(people, 20, r.data(), r.size())) {
    ++count;
  }
  EXPECT_EQ(count, 1u);
  Rec c = person("Cole", "Cy", "C2");
  ASSERT_EQ(QDB_AddRec(people, c.data(), c.size()), 1);
  EXPECT_EQ(c.u32(2), 2u) << "the refused add used no identifier";
}

TEST_F(Records, RepeatedUniqueKeyOnRewriteGives2AndLeavesTheRecord) {
  QdbHandle people = createAndOpen(peopleDef());
  for (const char* chart : {"C1", "C2"}) {
    Rec p = person("Name", chart, chart);
    ASSERT_EQ(QDB_AddRec(people, p.data(), p.size()), 1);
  }
  Rec r(kPersonSize);
  Rec chart2 = person("", "", "C2");
  ASSERT_EQ(QDB_FindRec(people, 21, chart2.data() + 47, 8, r.data(), r.size()), 1);
  Rec stored = r;
  r.text(47, 8, "C1").text(10, 21, "Changed");
  EXPECT_EQ(QDB_WriteRec(people, r.data(), r.size()), 0);
  EXPECT_EQ(lastError(), kQdbDuplicateKey);
  EXPECT_EQ(lastFile(), 21);
  Rec again(kPersonSize);
  ASSERT_EQ(QDB_FindRec(people, 21, chart2.data() + 47, 8, again.data(), again.size()), 1);
  EXPECT_EQ(again, stored);
  r.text(47, 8, "C2");
  EXPECT_EQ(QDB_WriteRec(people, r.data(), r.size()), 1) << "its own key is no repeat";
}

TEST_F(Records, RewriteMovesTheRecordInKeyOrder) {
  for (std::uint32_t date : {100u, 200u, 300u}) addAppt(date, "OP1");
  Rec r(kApptSize);
  const auto k100 = dayKey(100, "OP1");
  ASSERT_EQ(QDB_FindRec(appts_, 10, k100.data(), k100.size(), r.data(), r.size()), 1);
  r.u32(6, 250);
  ASSERT_EQ(QDB_WriteRec(appts_, r.data(), r.size()), 1);
  EXPECT_EQ(walk(10, 6), (U32s{200, 250, 300}));
  EXPECT_EQ(walk(9, 6), (U32s{250, 200, 300})) << "the position stays";
}

TEST_F(Records, DeleteRemovesTheRecordFromEveryKey) {
  for (std::uint32_t date : {100u, 200u, 300u}) addAppt(date, "OP1", date);
  Rec r(kApptSize);
  const auto id2 = keyU32(2);
  ASSERT_EQ(QDB_FindRec(appts_, 13, id2.data(), id2.size(), r.data(), r.size()), 1);
  ASSERT_EQ(QDB_DeleteCurRec(appts_), 1);
  EXPECT_EQ(walk(10, 6), (U32s{100, 300}));
  EXPECT_EQ(walk(14, 54), (U32s{100, 300}));
  EXPECT_EQ(walk(9, 6), (U32s{100, 300}));
  EXPECT_EQ(QDB_FindRec(appts_, 13, id2.data(), id2.size(), r.data(), r.size()), 0);
  ASSERT_EQ(QDB_FindRec(appts_, 13, id2.data(), id2.size(), r.data(), r.size()), 0);
}

TEST_F(Records, RewriteOrDeleteOfADeletedRecordGives101) {
  addAppt(100, "OP1");
  Rec r(kApptSize);
  ASSERT_EQ(QDB_FirstRec(appts_, 10, r.data(), r.size()), 1);
  ASSERT_EQ(QDB_DeleteCurRec(appts_), 1);
  EXPECT_EQ(QDB_WriteRec(appts_, r.data(), r.size()), 0);
  EXPECT_EQ(lastError(), kQdbNotFound);
  EXPECT_EQ(QDB_DeleteCurRec(appts_), 0);
  EXPECT_EQ(lastError(), kQdbNotFound);
  EXPECT_EQ(walk(10, 6), U32s{}) << "and nothing came back";
}

TEST_F(Records, IdentifiersAreNeverGivenTwiceEvenAfterDeletingTheLastAndReopening) {
  for (int i = 0; i < 3; ++i) addAppt(100, "OP1");
  Rec r(kApptSize);
  ASSERT_EQ(QDB_LastRec(appts_, 13, r.data(), r.size()), 1);
  ASSERT_EQ(r.u32(2), 3u);
  const QdbPosition lastPosition = QDB_GetFilePos(appts_);
  ASSERT_EQ(QDB_DeleteCurRec(appts_), 1);
  QDB_CloseDataBase();
  ASSERT_EQ(QDB_InitDataBase(dir_.path().c_str()), 1);
  session_ = QDB_StartSession(1);
  appts_ = open(kAppts);
  ASSERT_NE(appts_, 0u);
  EXPECT_EQ(addAppt(100, "OP1"), 4u);
  EXPECT_GT(QDB_GetFilePos(appts_), lastPosition) << "positions are not reused either";
}

TEST_F(Records, EndingASessionFoldsTheLogIntoTheDatabaseFile) {
  const auto fileSize = [&] { return std::filesystem::file_size(dir_.file("qrxdata.db")); };
  const auto before = fileSize();
  QdbSession writer = QDB_StartSession(1);
  QdbHandle file = open(kAppts, writer);
  for (std::uint32_t i = 0; i < 60; ++i) {
    Rec r = appt(100 + i, "OP1");
    ASSERT_EQ(QDB_AddRec(file, r.data(), r.size()), 1);
  }
  EXPECT_EQ(fileSize(), before) << "so far the records are in the log only";
  ASSERT_EQ(QDB_EndSession(writer), 1);
  EXPECT_GT(fileSize(), before) << "a quiet moment: the log was folded in";
}

TEST_F(Records, CallsWithoutCurrentRecordGive407) {
  Rec r(kApptSize);
  EXPECT_EQ(QDB_NextRec(appts_, 10, r.data(), r.size()), 0);
  EXPECT_EQ(lastError(), kQdbNoCurrentRecord);
  EXPECT_EQ(QDB_WriteRec(appts_, r.data(), r.size()), 0);
  EXPECT_EQ(lastError(), kQdbNoCurrentRecord);
  EXPECT_EQ(QDB_DeleteCurRec(appts_), 0);
  EXPECT_EQ(lastError(), kQdbNoCurrentRecord);
  EXPECT_EQ(QDB_GetFilePos(appts_), 0u);
  EXPECT_EQ(lastError(), kQdbNoCurrentRecord);
}

// ---------------------------------------------------------------------------------------------
// Positions

TEST_F(Records, ReadsAndMakesCurrentByPosition) {
  addAppt(100, "OP1", 1);
  addAppt(200, "OP1", 2);
  addAppt(300, "OP1", 3);
  Rec r(kApptSize);
  ASSERT_EQ(QDB_LastRec(appts_, 9, r.data(), r.size()), 1);
  const QdbPosition third = QDB_GetFilePos(appts_);
  ASSERT_EQ(QDB_FirstRec(appts_, 9, r.data(), r.size()), 1);
  const QdbPosition first = QDB_GetFilePos(appts_);
  ASSERT_EQ(QDB_ReadRec(appts_, third, r.data(), r.size()), 1);
  EXPECT_EQ(r.u32(54), 3u);
  EXPECT_EQ(QDB_ReadRec(appts_, third + 100, r.data(), r.size()), 0);
  EXPECT_EQ(lastError(), kQdbNotFound);
  EXPECT_EQ(QDB_ReadRec(appts_, 0, r.data(), r.size()), 0);

  ASSERT_EQ(QDB_SETCURI(appts_, first), 1);
  EXPECT_EQ(QDB_GetFilePos(appts_), first);
  ASSERT_EQ(QDB_NextRec(appts_, 10, r.data(), r.size()), 1);
  EXPECT_EQ(r.u32(6), 200u);
  EXPECT_EQ(QDB_SETCURI(appts_, third + 100), 0);
  EXPECT_EQ(lastError(), kQdbNotFound);
}

TEST_F(Records, UpdateCurrentFindsTheRecordOfAnImage) {
  addAppt(100, "OP1", 1);
  addAppt(100, "OP1", 2);
  addAppt(100, "OP1", 3);
  Rec r(kApptSize);
  ASSERT_EQ(QDB_LastRec(appts_, 10, r.data(), r.size()), 1);  // patient 3
  Rec image = r;
  ASSERT_EQ(QDB_FirstRec(appts_, 10, r.data(), r.size()), 1);
  ASSERT_EQ(QDB_UPDCURI(appts_, 10, image.data(), image.size()), 1);
  ASSERT_EQ(QDB_PrevRec(appts_, 10, r.data(), r.size()), 1);
  EXPECT_EQ(r.u32(54), 2u) << "of equal keys, the record stored as the image became current";
  Rec unknown = appt(999, "OP1");
  EXPECT_EQ(QDB_UPDCURI(appts_, 10, unknown.data(), unknown.size()), 0);
  EXPECT_EQ(lastError(), kQdbNotFound);
  EXPECT_EQ(QDB_UPDCURI(appts_, 9, image.data(), image.size()), 0);
  EXPECT_EQ(lastError(), kQdbBadArgument);
}

// ---------------------------------------------------------------------------------------------
// Variable-length records

class VariableRecords : public DatabaseTest {
 protected:
  void SetUp() override {
    DatabaseTest::SetUp();
    notes_ = createAndOpen(notesDef());
  }
  static std::vector<std::uint8_t> note(std::uint32_t owner, std::size_t tail) {
    std::vector<std::uint8_t> n(kNoteFixed + tail);
    Rec fixed(kNoteFixed);
    fixed.u32(6, owner);
    std::copy(fixed.data(), fixed.data() + kNoteFixed, n.begin());
    for (std::size_t i = 0; i < tail; ++i) n[kNoteFixed + i] = static_cast<std::uint8_t>(i * 7);
    return n;
  }
  QdbHandle notes_ = 0;
};

TEST_F(VariableRecords, RoundTripWholeAndFixedPart) {
  for (std::size_t tail : {0u, 1u, 100u, 70000u}) {
    auto n = note(static_cast<std::uint32_t>(tail), tail);
    ASSERT_EQ(QDB_AddRec(notes_, n.data(), n.size()), 1) << tail;
    Rec r(kNoteFixed + 8);
    const auto owner = keyU32(static_cast<std::uint32_t>(tail));
    const Rec untouched = r;
    ASSERT_EQ(QDB_FindRec(notes_, 43, owner.data(), owner.size(), r.data(), r.size()), 1);
    EXPECT_TRUE(std::equal(r.data(), r.data() + kNoteFixed, n.data()));
    EXPECT_TRUE(
        std::equal(r.data() + kNoteFixed, r.data() + r.size(), untouched.data() + kNoteFixed))
        << "a plain read copies the fixed part only";
    ASSERT_EQ(QDB_GetVarRecLength(notes_), n.size());
    std::vector<std::uint8_t> whole(n.size());
    ASSERT_EQ(QDB_ReadEntireVarRec(notes_, whole.data(), whole.size()), 1);
    EXPECT_EQ(whole, n);
  }
}

TEST_F(VariableRecords, TooSmallBufferGives401AndIsLeftAlone) {
  auto n = note(1, 50);
  ASSERT_EQ(QDB_AddRec(notes_, n.data(), n.size()), 1);
  std::vector<std::uint8_t> small(n.size() - 1, 0xAB);
  EXPECT_EQ(QDB_ReadEntireVarRec(notes_, small.data(), small.size()), 0);
  EXPECT_EQ(lastError(), kQdbBadBufferSize);
  EXPECT_TRUE(std::all_of(small.begin(), small.end(), [](std::uint8_t b) { return b == 0xAB; }));
}

TEST_F(VariableRecords, WriteVRecReplacesTheWholeAndWriteRecKeepsTheTail) {
  auto n = note(1, 50);
  ASSERT_EQ(QDB_AddRec(notes_, n.data(), n.size()), 1);
  auto longer = note(1, 500);
  std::copy(n.begin(), n.begin() + 6, longer.begin());  // keep the identifier
  ASSERT_EQ(QDB_WriteVRec(notes_, longer.data(), longer.size()), 1);
  ASSERT_EQ(QDB_GetVarRecLength(notes_), longer.size());

  Rec fixed(kNoteFixed);
  std::copy(longer.begin(), longer.begin() + kNoteFixed, fixed.data());
  fixed.u32(6, 2);  // a new owner
  ASSERT_EQ(QDB_WriteRec(notes_, fixed.data(), fixed.size()), 1);
  std::vector<std::uint8_t> whole(longer.size());
  ASSERT_EQ(QDB_ReadEntireVarRec(notes_, whole.data(), whole.size()), 1);
  EXPECT_TRUE(std::equal(whole.begin(), whole.begin() + kNoteFixed, fixed.data()));
  EXPECT_TRUE(std::equal(whole.begin() + kNoteFixed, whole.end(), longer.begin() + kNoteFixed));

  EXPECT_EQ(QDB_WriteVRec(notes_, longer.data(), kNoteFixed - 1), 0);
  EXPECT_EQ(lastError(), kQdbBadBufferSize) << "shorter than the fixed part";
}

// ---------------------------------------------------------------------------------------------
// Bad input

struct BadCall {
  const char* call;
  std::function<int()> run;
  int error;
};

void expectRefused(const std::vector<BadCall>& calls, QdbSession session) {
  for (const BadCall& c : calls) {
    EXPECT_EQ(c.run(), 0) << c.call;
    EXPECT_EQ(QDB_GetLastErrorNum(session), c.error) << c.call;
  }
}

TEST_F(Records, WrongSizesGiveTheirOwnErrorsAndTouchNothing) {
  addAppt(100, "OP1");
  Rec r(kApptSize);
  Rec small(kApptSize - 1);
  const auto key = dayKey(100, "OP1");
  expectRefused(
      {
          {"find, short buffer",
           [&] {
             return QDB_FindRec(appts_, 10, key.data(), key.size(), small.data(), small.size());
           },
           kQdbBadBufferSize},
          {"find, short key",
           [&] { return QDB_FindRec(appts_, 10, key.data(), 8, r.data(), r.size()); },
           kQdbBadKeyLength},
          {"find, null key",
           [&] { return QDB_FindRec(appts_, 10, nullptr, 9, r.data(), r.size()); },
           kQdbBadKeyLength},
          {"find, null buffer",
           [&] { return QDB_FindRec(appts_, 10, key.data(), key.size(), nullptr, kApptSize); },
           kQdbBadBufferSize},
          {"first, short buffer",
           [&] { return QDB_FirstRec(appts_, 10, small.data(), small.size()); }, kQdbBadBufferSize},
          {"set, short buffer",
           [&] {
             return static_cast<int>(QDB_StartSet(appts_, 10, 0, key.data(), key.size(),
                                                  small.data(), small.size(), 4));
           },
           kQdbBadBufferSize},
          {"update, short buffer",
           [&] {
             return static_cast<int>(QDB_StartUpdate(appts_, 2, 10, key.data(), key.size(),
                                                     small.data(), small.size()));
           },
           kQdbBadBufferSize},
          {"add, short", [&] { return QDB_AddRec(appts_, small.data(), small.size()); },
           kQdbBadBufferSize},
          {"add, long", [&] { return QDB_AddRec(appts_, r.data(), kApptSize + 1); },
           kQdbBadBufferSize},
          {"read by position, short",
           [&] { return QDB_ReadRec(appts_, 1, small.data(), small.size()); }, kQdbBadBufferSize},
          {"practice state, short",
           [&] { return QDB_GetPracticeState(session_, reinterpret_cast<char*>(r.data()), 2); },
           kQdbBadBufferSize},
      },
      session_);
  EXPECT_EQ(walk(10, 6), (U32s{100})) << "no refused add left a record";
  EXPECT_EQ(small, Rec(kApptSize - 1)) << "no refused read wrote to a short buffer";
}

TEST_F(Records, KeyOfAnotherFileGives402) {
  createAndOpen(peopleDef());
  Rec r(kApptSize);
  const auto id = keyU32(1);
  expectRefused(
      {
          {"find",
           [&] { return QDB_FindRec(appts_, 19, id.data(), id.size(), r.data(), r.size()); },
           kQdbUnknownKey},
          {"first", [&] { return QDB_FirstRec(appts_, 12, r.data(), r.size()); }, kQdbUnknownKey},
          {"set",
           [&] {
             return static_cast<int>(
                 QDB_StartSet(appts_, 20, 0, id.data(), id.size(), r.data(), r.size(), 0));
           },
           kQdbUnknownKey},
      },
      session_);
  EXPECT_EQ(lastFile(), 20);
}

TEST_F(Records, HandlesThatAreNotLiveGive403) {
  addAppt(100, "OP1");
  Rec r(kApptSize);
  QdbHandle closed = open(kAppts);
  ASSERT_EQ(QDB_CloseFile(closed), 1);
  const QdbHandle otherSession = (appts_ & 0xFFFF) | (static_cast<QdbHandle>(session_ + 1) << 16);
  const auto key = dayKey(100);
  QdbHandle set = QDB_StartSet(appts_, 10, 0, key.data(), key.size(), r.data(), r.size(), 4);
  ASSERT_NE(set, 0u);
  expectRefused(
      {
          {"closed file", [&] { return QDB_FirstRec(closed, 10, r.data(), r.size()); },
           kQdbBadHandle},
          {"closed twice", [&] { return QDB_CloseFile(closed); }, kQdbBadHandle},
          {"a set as a file", [&] { return QDB_FirstRec(set, 10, r.data(), r.size()); },
           kQdbBadHandle},
          {"a file as a set", [&] { return QDB_NextRecInSet(appts_, r.data(), r.size()); },
           kQdbBadHandle},
          {"a file as an update", [&] { return QDB_CommitUpdate(appts_); }, kQdbBadHandle},
      },
      session_);
  // Handles of no live session leave their status with the process.
  EXPECT_EQ(QDB_FirstRec(otherSession, 10, r.data(), r.size()), 0);
  EXPECT_EQ(QDB_GetLastErrorNum(0), kQdbBadHandle);
  EXPECT_EQ(QDB_FirstRec(0, 10, r.data(), r.size()), 0);
  EXPECT_EQ(QDB_GetLastErrorNum(0), kQdbBadHandle);
  EXPECT_EQ(QDB_EndSession(static_cast<QdbSession>(session_ + 1)), 0);
  EXPECT_EQ(QDB_GetLastErrorNum(0), kQdbBadHandle);
  EXPECT_EQ(QDB_LKISAM(session_, 1), 0);
  EXPECT_EQ(lastError(), kQdbBadArgument);
  EXPECT_EQ(QDB_StartSession(3), 0);
  EXPECT_EQ(QDB_GetLastErrorNum(0), kQdbBadArgument);
}

TEST_F(Records, EveryCallLeavesItsOwnStatus) {
  addAppt(100, "OP1");
  Rec r(kApptSize);
  const auto k200 = dayKey(200);
  EXPECT_EQ(QDB_FindRec(appts_, 10, k200.data(), k200.size(), r.data(), r.size()), 0);
  EXPECT_EQ(QDB_GetLastResultNum(session_), kQdbNotFound);
  EXPECT_EQ(lastError(), kQdbNotFound);
  EXPECT_EQ(lastFile(), 10);
  ASSERT_EQ(QDB_FirstRec(appts_, 14, r.data(), r.size()), 1);
  EXPECT_EQ(QDB_GetLastResultNum(session_), 0);
  EXPECT_EQ(lastError(), 0);
  EXPECT_EQ(lastFile(), 14);
}

TEST(NoDatabase, CallsBeforeInitGive411) {
  QDB_CloseDataBase();
  EXPECT_EQ(QDB_StartSession(1), 0);
  EXPECT_EQ(QDB_GetLastErrorNum(0), kQdbNotInitialised);
  char state[3] = {'x', 'x', 'x'};
  EXPECT_EQ(QDB_GetPracticeState(1, state, sizeof state), 0);
  EXPECT_EQ(state[0], '\0');
}

// ---------------------------------------------------------------------------------------------
// The practice record

QdbFileDef resourcesDef() {
  QdbFileDef def;
  def.fileNumber = 6;
  def.name = "resources";
  def.recordLength = 420;
  def.keys = {
      {6, true, {}, "every resource"},
      {7,
       true,
       {{0, 1, QdbSegmentKind::kBytes},
        {1, 4, QdbSegmentKind::kText},
        {5, 4, QdbSegmentKind::kBytes}},
       "kind and code"},
  };
  return def;
}

TEST_F(Records, PracticeStateComesFromThePracticeRecord) {
  char state[8] = "??";
  EXPECT_EQ(QDB_GetPracticeState(session_, state, sizeof state), 0);
  EXPECT_EQ(lastError(), kQdbNotCreated);
  QdbHandle resources = createAndOpen(resourcesDef());
  EXPECT_EQ(QDB_GetPracticeState(session_, state, sizeof state), 0);
  EXPECT_EQ(lastError(), kQdbNotFound);

  Rec provider(420);
  provider.u8(0, 1).text(1, 5, "DOC1").text(60, 3, "NY");
  ASSERT_EQ(QDB_AddRec(resources, provider.data(), provider.size()), 1);
  Rec practice(420);
  practice.u8(0, 0).text(1, 5, "-PR-").text(60, 3, "OR");
  practice.u8(62, 'Z');  // the terminator's place holds junk: the code is two letters
  ASSERT_EQ(QDB_AddRec(resources, practice.data(), practice.size()), 1);
  ASSERT_EQ(QDB_GetPracticeState(session_, state, 3), 1);
  EXPECT_STREQ(state, "OR");
}

TEST_F(Records, PracticeStateWhenTheResourceKeyIsOnlyKindAndCode) {
  QdbFileDef def = resourcesDef();
  def.keys[1].segments.pop_back();
  QdbHandle resources = createAndOpen(def);
  Rec practice(420);
  practice.u8(0, 0).text(1, 5, "-PR-").text(60, 3, "TX");
  ASSERT_EQ(QDB_AddRec(resources, practice.data(), practice.size()), 1);
  char state[3] = {};
  ASSERT_EQ(QDB_GetPracticeState(session_, state, sizeof state), 1) << lastError();
  EXPECT_STREQ(state, "TX");
}

}  // namespace
}  // namespace qdbtest
