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
  void addAppts(const U32s& dates, const std::string& op = "OP1", std::uint32_t patient = 0) {
    for (std::uint32_t date : dates) {
      Rec r = appt(date, op, patient == 0 ? date : patient);
      EXPECT_EQ(QDB_AddRec(appts_, r.data(), r.size()), 1) << "error " << lastError();
    }
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
  // The u32 at `at` (the date) of the record a successful move read into r_.
  std::uint32_t after(int result, std::size_t at = 6) {
    EXPECT_EQ(result, 1) << "error " << lastError();
    return r_.u32(at);
  }
  int next(int key = 10) { return QDB_NextRec(appts_, key, r_.data(), r_.size()); }

  QdbHandle appts_ = 0;
  Rec r_{kApptSize};
  StoppedClockEnv clock_;
};

TEST_F(Records, UnknownFileGives46AndAChangedDefinition15) {
  for (int number : {9, 10, 13, 14}) EXPECT_EQ(open(number) >> 16, session_) << number;
  EXPECT_EQ(open(12), 0u) << "12 is no key of the appointments";
  EXPECT_EQ(lastError(), kQdbNotCreated);
  EXPECT_EQ(lastFile(), 12);
  QdbFileDef changed = apptDef();
  changed.keys[1].unique = true;
  EXPECT_TRUE(failed(QDB_CREIFIL(session_, changed), kQdbOtherVersion));
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
  addAppts({65536, 255, 256, 1, 257, 16777216});
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
  for (std::uint32_t patient = 1; patient <= 5; ++patient) addAppts({700}, "OP1", patient);
  addAppts({699}, "OP1", 90);
  addAppts({701}, "OP1", 91);
  EXPECT_EQ(walkAppts(10, 54), (U32s{90, 1, 2, 3, 4, 5, 91}));
  EXPECT_EQ(walkAppts(10, 54, true), (U32s{91, 5, 4, 3, 2, 1, 90}));
  EXPECT_EQ(walkAppts(9, 54), (U32s{1, 2, 3, 4, 5, 90, 91})) << "key 9 is the order of adding";
  const Key key = dayKey(700, "OP1");
  EXPECT_EQ(after(findRec(appts_, 10, key, r_), 54), 1u) << "find gives the first of equal keys";
  EXPECT_EQ(after(QDB_GreaterThanOrEqualRec(appts_, 10, key.data(), 9, r_.data(), 286), 54), 1u);
  EXPECT_EQ(after(QDB_LessThanOrEqualRec(appts_, 10, key.data(), 9, r_.data(), 286), 54), 5u)
      << "less-or-equal gives the last of equal keys";
  EXPECT_EQ(after(next(), 54), 91u);
}

TEST_F(Records, SeeksLandOnNeighboursAndAFailedOneChangesNothing) {
  addAppts({100, 200, 300});
  ASSERT_EQ(findRec(appts_, 10, dayKey(100, "OP1"), r_), 1);
  const QdbPosition at = QDB_GetFilePos(appts_);
  const Rec before = r_;
  const Key k150 = dayKey(150, "OP1");
  EXPECT_TRUE(failed(findRec(appts_, 10, k150, r_), kQdbNotFound));
  EXPECT_EQ(r_, before);
  EXPECT_EQ(QDB_GetFilePos(appts_), at) << "nothing became current";
  EXPECT_EQ(after(next()), 200u) << "on from 100";
  EXPECT_EQ(after(QDB_GreaterThanOrEqualRec(appts_, 10, k150.data(), 9, r_.data(), 286)), 200u);
  EXPECT_EQ(after(QDB_LessThanOrEqualRec(appts_, 10, k150.data(), 9, r_.data(), 286)), 100u);
  const Key k400 = dayKey(400), k50 = dayKey(50);
  EXPECT_TRUE(failed(QDB_GreaterThanOrEqualRec(appts_, 10, k400.data(), 9, r_.data(), 286), 101));
  EXPECT_TRUE(failed(QDB_LessThanOrEqualRec(appts_, 10, k50.data(), 9, r_.data(), 286), 101));
  ASSERT_EQ(QDB_LastRec(appts_, 10, r_.data(), r_.size()), 1);
  EXPECT_EQ(next(), 0);
  EXPECT_EQ(after(QDB_PrevRec(appts_, 10, r_.data(), r_.size())), 200u) << "300 stayed current";
  Key padded = dayKey(300, "OP1");
  padded.resize(100, 0xEE);  // junk after the key's bytes must not count
  EXPECT_EQ(after(findRec(appts_, 10, padded, r_)), 300u);
}

// With the clock stopped, what a walk fetched ahead stays young; only a write may spoil it.
TEST_F(Records, WalkSeesWhatAnotherSessionWroteOrDeletedMeanwhile) {
  reopenWith(&clock_);
  appts_ = open(kAppts);
  addAppts({100, 200, 300, 400, 500});
  ASSERT_EQ(QDB_FirstRec(appts_, 10, r_.data(), r_.size()), 1);
  ASSERT_EQ(next(), 1);  // fetches 300 and 400 ahead
  QdbHandle theirs = open(kAppts, QDB_StartSession(1));
  Rec t = appt(250, "OP1");
  ASSERT_EQ(QDB_AddRec(theirs, t.data(), t.size()), 1);
  EXPECT_EQ(after(next()), 250u);
  for (std::uint32_t date : {250u, 300u}) {  // the current record and one fetched ahead
    ASSERT_EQ(findRec(theirs, 10, dayKey(date, "OP1"), t), 1);
    ASSERT_EQ(QDB_DeleteCurRec(theirs), 1);
  }
  EXPECT_EQ(after(next()), 400u) << "the walk goes on past records deleted meanwhile";
  EXPECT_EQ(QDB_WriteRec(appts_, r_.data(), r_.size()), 1) << "400 is current now";
  EXPECT_EQ(after(next()), 500u);
}

class Sets : public Records {
 protected:
  void SetUp() override {
    Records::SetUp();
    // Three days; day 500 has two operatories, added out of order; patients 1-6.
    const std::uint32_t dates[] = {500, 499, 500, 501, 500, 500};
    const char* ops[] = {"OP2", "OP1", "OP1", "OP1", "OP2", "OP1"};
    for (std::uint32_t i = 0; i < 6; ++i) addAppts({dates[i]}, ops[i], i + 1);
  }
};

TEST_F(Sets, WalkADayForwardAndBackwardAndAnEmptyOneGives101) {
  EXPECT_EQ(set(dayKey(500), 4, 54), (U32s{3, 6, 1, 5}));
  EXPECT_EQ(set(dayKey(500), 4, 54, true), (U32s{5, 1, 6, 3}));
  EXPECT_EQ(set(dayKey(500, "OP2"), 9, 54), (U32s{1, 5}));
  EXPECT_EQ(set(dayKey(500, "op2"), 9, 54, true), (U32s{5, 1})) << "codes ignore case";
  EXPECT_EQ(set(dayKey(0), 0, 54).size(), 6u) << "an empty prefix is the whole file";
  for (int direction : {0, 1}) {
    EXPECT_TRUE(
        failed(QDB_StartSet(appts_, 10, direction, dayKey(502).data(), 9, r_.data(), 286, 4),
               kQdbNotFound));
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
  EXPECT_TRUE(failed(QDB_NextRecInSet(s, r_.data(), r_.size()), kQdbNotFound));
  EXPECT_EQ(QDB_NextRecInSet(s, r_.data(), r_.size()), 0) << "and stays at the end";
  ASSERT_EQ(QDB_PrevRecInSet(s, r_.data(), r_.size()), 1);
  EXPECT_EQ(r_.u32(54), 1u);
}

TEST_F(Sets, RefusesPrefixThatEndsInsideAnUnsignedSegment) {
  const Key key = dayKey(500);
  // Direction, key bytes, prefix; prefix 10 is longer than the key.
  const std::tuple<int, std::size_t, std::size_t, int> cases[] = {
      {0, 9, 1, kQdbBadPrefix},  {0, 9, 2, kQdbBadPrefix},    {0, 9, 3, kQdbBadPrefix},
      {0, 9, 10, kQdbBadPrefix}, {0, 3, 4, kQdbBadKeyLength}, {2, 9, 4, kQdbBadArgument}};
  for (const auto& [direction, length, prefix, error] : cases) {
    EXPECT_TRUE(failed(
        QDB_StartSet(appts_, 10, direction, key.data(), length, r_.data(), 286, prefix), error))
        << direction << " " << length << " " << prefix;
  }
}

TEST_F(Sets, LongSetComesWholeAcrossFetchBoundaries) {
  U32s expected;
  for (std::uint32_t i = 0; i < 700; ++i) {
    addAppts({i % 2 == 0 ? 600 : 601 + i % 3}, "OP1", 1000 + i);
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
  EXPECT_TRUE(failed(QDB_AddRec(people, repeat.data(), repeat.size()), kQdbDuplicateKey));
  EXPECT_EQ(lastFile(), 21) << "the key that would repeat";
  EXPECT_EQ(repeat, before) << "no identifier was given";
  EXPECT_EQ(QDB_GetFilePos(people), current);
  Rec r(kPersonSize);
  const Key chart2 = {'C', '2', 0, 0, 0, 0, 0, 0};
  ASSERT_EQ(findRec(people, 21, chart2, r), 1);
  const Rec stored = r;
  r.text(47, 8, "C1").text(10, 21, "Changed");
  EXPECT_TRUE(failed(QDB_WriteRec(people, r.data(), r.size()), kQdbDuplicateKey));
  ASSERT_EQ(findRec(people, 21, chart2, r), 1);
  EXPECT_EQ(r, stored);
  EXPECT_EQ(QDB_WriteRec(people, r.data(), r.size()), 1) << "its own key is no repeat";
}

TEST_F(Records, RewriteMovesTheRecordAndDeleteRemovesItFromEveryKey) {
  addAppts({100, 200, 300});
  ASSERT_EQ(findRec(appts_, 13, keyU32(1), r_), 1);
  ASSERT_EQ(QDB_WriteRec(appts_, r_.u32(6, 250).data(), r_.size()), 1);
  EXPECT_EQ(walkAppts(10, 6), (U32s{200, 250, 300}));
  EXPECT_EQ(walkAppts(9, 6), (U32s{250, 200, 300})) << "the position stays";
  ASSERT_EQ(findRec(appts_, 13, keyU32(2), r_), 1);
  ASSERT_EQ(QDB_DeleteCurRec(appts_), 1);
  EXPECT_TRUE(failed(QDB_WriteRec(appts_, r_.data(), r_.size()), kQdbNotFound)) << "it is gone";
  EXPECT_TRUE(failed(QDB_DeleteCurRec(appts_), kQdbNotFound));
  EXPECT_EQ(walkAppts(10, 6), (U32s{250, 300}));
  EXPECT_EQ(walkAppts(14, 54), (U32s{100, 300}));
  EXPECT_EQ(walkAppts(13, 2), (U32s{1, 3}));
}

TEST_F(Records, IdentifiersAreNeverGivenTwiceEvenAfterDeletingTheLastAndReopening) {
  addAppts({100, 100, 100});
  ASSERT_EQ(QDB_LastRec(appts_, 13, r_.data(), r_.size()), 1);
  ASSERT_EQ(r_.u32(2), 3u);
  const QdbPosition lastPosition = QDB_GetFilePos(appts_);
  ASSERT_EQ(QDB_DeleteCurRec(appts_), 1);
  reopenWith(nullptr);
  appts_ = open(kAppts);
  Rec added = appt(100, "OP1").u32(2, 77777);  // whatever the caller put there
  ASSERT_EQ(QDB_AddRec(appts_, added.data(), added.size()), 1);
  EXPECT_EQ(added.u32(2), 4u);
  EXPECT_GT(QDB_GetFilePos(appts_), lastPosition) << "positions are not reused either";
}

TEST_F(Records, PositionsReadAndMakeCurrentOnlyRecordsThatExist) {
  addAppts({100, 200, 300});
  ASSERT_EQ(QDB_LastRec(appts_, 9, r_.data(), r_.size()), 1);
  const QdbPosition third = QDB_GetFilePos(appts_);
  const Rec image = r_;
  ASSERT_EQ(QDB_FirstRec(appts_, 9, r_.data(), r_.size()), 1);
  const QdbPosition first = QDB_GetFilePos(appts_);
  EXPECT_EQ(after(QDB_ReadRec(appts_, third, r_.data(), r_.size())), 300u);
  for (QdbPosition missing : {third + 100, QdbPosition{0}}) {
    EXPECT_TRUE(failed(QDB_ReadRec(appts_, missing, r_.data(), r_.size()), kQdbNotFound));
  }
  ASSERT_EQ(QDB_SETCURI(appts_, first), 1);
  EXPECT_EQ(after(next()), 200u);
  EXPECT_TRUE(failed(QDB_SETCURI(appts_, third + 100), kQdbNotFound));
  ASSERT_EQ(QDB_UPDCURI(appts_, 10, image.data(), image.size()), 1);
  EXPECT_EQ(QDB_GetFilePos(appts_), third) << "the record stored as the image became current";
  const Rec unknown = appt(999, "OP1");
  EXPECT_TRUE(failed(QDB_UPDCURI(appts_, 10, unknown.data(), unknown.size()), kQdbNotFound));
  EXPECT_TRUE(failed(QDB_UPDCURI(appts_, 9, image.data(), image.size()), kQdbBadArgument));
}

TEST_F(Records, VariableRecordsComeBackWholeAndAPlainWriteKeepsTheTail) {
  QdbHandle notes = createAndOpen(notesDef());
  for (std::uint32_t tail : {0u, 1u, 100u, 70000u}) {
    Rec n(kNoteFixed + tail);
    n.u32(6, tail);
    for (std::size_t i = 0; i < tail; ++i) n.u8(kNoteFixed + i, static_cast<std::uint8_t>(i * 7));
    ASSERT_EQ(QDB_AddRec(notes, n.data(), n.size()), 1) << tail;
    Rec r(kNoteFixed + 8);
    ASSERT_EQ(findRec(notes, 43, keyU32(tail), r), 1);
    EXPECT_TRUE(std::equal(r.data(), r.data() + kNoteFixed, n.data()));
    EXPECT_TRUE(std::all_of(r.data() + kNoteFixed, r.data() + r.size(), [](auto b) { return !b; }))
        << "a plain read copies the fixed part only";
    ASSERT_EQ(QDB_GetVarRecLength(notes), n.size());
    Rec whole(n.size());
    ASSERT_EQ(QDB_ReadEntireVarRec(notes, whole.data(), whole.size()), 1);
    EXPECT_EQ(whole, n);
    if (tail == 0) continue;
    Rec small(n.size() - 1);
    EXPECT_TRUE(failed(QDB_ReadEntireVarRec(notes, small.data(), small.size()), kQdbBadBufferSize));
    EXPECT_EQ(small, Rec(n.size() - 1)) << "and nothing was copied";
    Rec longer(n.size() + 50);
    std::copy(n.data(), n.data() + n.size(), longer.data());
    ASSERT_EQ(QDB_WriteVRec(notes, longer.u8(longer.size() - 1, 0x5A).data(), longer.size()), 1);
    Rec fixed(kNoteFixed);
    std::copy(n.data(), n.data() + kNoteFixed, fixed.data());
    ASSERT_EQ(QDB_WriteRec(notes, fixed.u32(6, 90000).data(), fixed.size()), 1);  // a new owner
    ASSERT_EQ(QDB_GetVarRecLength(notes), longer.size());
    std::copy(fixed.data(), fixed.data() + kNoteFixed, longer.data());
    Rec after(longer.size());
    ASSERT_EQ(QDB_ReadEntireVarRec(notes, after.data(), after.size()), 1);
    EXPECT_EQ(after, longer);
    EXPECT_TRUE(failed(QDB_WriteVRec(notes, longer.data(), kNoteFixed - 1), kQdbBadBufferSize))
        << "shorter than the fixed part";
  }
}

TEST_F(Records, BadCallsGiveTheirOwnErrorsAndTouchNothing) {
  addAppts({100});
  createAndOpen(peopleDef());
  const QdbHandle f = appts_;
  Rec rec(kApptSize), small(kApptSize - 1);
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
  const int kSize = kQdbBadBufferSize;
  const std::tuple<const char*, int, std::function<int()>> calls[] = {
      {"find, short buffer", kSize, [&] { return QDB_FindRec(f, 10, k, 9, s, 285); }},
      {"find, null buffer", kSize, [&] { return QDB_FindRec(f, 10, k, 9, nullptr, 286); }},
      {"find, short key", kQdbBadKeyLength, [&] { return QDB_FindRec(f, 10, k, 8, r, 286); }},
      {"find, null key", kQdbBadKeyLength, [&] { return QDB_FindRec(f, 10, nullptr, 9, r, 286); }},
      {"first, short buffer", kSize, [&] { return QDB_FirstRec(f, 10, s, 285); }},
      {"update, short", kSize, [&] { return int(QDB_StartUpdate(f, 2, 10, k, 9, s, 285)); }},
      {"add, short", kSize, [&] { return QDB_AddRec(f, s, 285); }},
      {"add, long", kSize, [&] { return QDB_AddRec(f, r, 287); }},
      {"read by position, short", kSize, [&] { return QDB_ReadRec(f, 1, s, 285); }},
      {"state into 2", kSize,
       [&] { return QDB_GetPracticeState(session_, reinterpret_cast<char*>(s), 2); }},
      {"set, short buffer", kSize, [&] { return int(QDB_StartSet(f, 10, 0, k, 9, s, 285, 4)); }},
      {"key of no file", kQdbUnknownKey, [&] { return QDB_FirstRec(f, 12, r, 286); }},
      {"key of another file", kQdbUnknownKey, [&] { return QDB_FindRec(f, 19, k, 4, r, 286); }},
      {"next, no current", kQdbNoCurrentRecord, [&] { return QDB_NextRec(fresh, 10, r, 286); }},
      {"rewrite, no current", kQdbNoCurrentRecord, [&] { return QDB_WriteRec(fresh, r, 286); }},
      {"delete, no current", kQdbNoCurrentRecord, [&] { return QDB_DeleteCurRec(fresh); }},
      {"position, no current", kQdbNoCurrentRecord, [&] { return int(QDB_GetFilePos(fresh)); }},
      {"closed file", kQdbBadHandle, [&] { return QDB_FirstRec(closed, 10, r, 286); }},
      {"closed twice", kQdbBadHandle, [&] { return QDB_CloseFile(closed); }},
      {"ended set", kQdbBadHandle, [&] { return QDB_NextRecInSet(ended, r, 286); }},
      {"ended twice", kQdbBadHandle, [&] { return QDB_EndSet(ended); }},
      {"a set as a file", kQdbBadHandle, [&] { return QDB_FirstRec(set, 10, r, 286); }},
      {"a file as a set", kQdbBadHandle, [&] { return QDB_NextRecInSet(f, r, 286); }},
      {"a file as an update", kQdbBadHandle, [&] { return QDB_CommitUpdate(f); }},
      {"lock mode 1", kQdbBadArgument, [&] { return QDB_LKISAM(session_, 1); }},
  };
  for (const auto& [call, error, run] : calls) EXPECT_TRUE(failed(run(), error)) << call;
  EXPECT_EQ(walkAppts(10, 6), (U32s{100})) << "no refused add left a record";
  EXPECT_EQ(small, Rec(kApptSize - 1)) << "no refused read wrote to a short buffer";
  ASSERT_EQ(QDB_CloseFile(f), 1);
  EXPECT_TRUE(failed(QDB_NextRecInSet(set, r, 286), kQdbBadHandle)) << "the file's sets ended";
}

TEST_F(Records, EveryCallLeavesItsOwnStatusAndNoDatabaseGives411) {
  addAppts({100});
  EXPECT_EQ(findRec(appts_, 10, dayKey(200), r_), 0);
  EXPECT_EQ(QDB_GetLastResultNum(session_), kQdbNotFound) << "the result is the error number";
  EXPECT_EQ(lastFile(), 10);
  ASSERT_EQ(QDB_FirstRec(appts_, 14, r_.data(), r_.size()), 1);
  EXPECT_EQ(QDB_GetLastResultNum(session_), 0);
  EXPECT_EQ(lastError(), 0);
  EXPECT_EQ(lastFile(), 14);
  const QdbHandle otherSession = (appts_ & 0xFFFF) | (static_cast<QdbHandle>(session_ + 1) << 16);
  for (QdbHandle stray :
       {otherSession, QdbHandle{0}}) {  // a stray handle's status is the process's
    EXPECT_TRUE(qdbtest::failed(QDB_FirstRec(stray, 10, r_.data(), 286), kQdbBadHandle, 0));
  }
  EXPECT_TRUE(qdbtest::failed(QDB_EndSession(QdbSession(session_ + 1)), kQdbBadHandle, 0));
  EXPECT_TRUE(qdbtest::failed(QDB_StartSession(3), kQdbBadArgument, 0));
  QDB_CloseDataBase();
  EXPECT_TRUE(qdbtest::failed(QDB_StartSession(1), kQdbNotInitialised, 0));
  char state[3] = {'x', 'x', 'x'};
  EXPECT_EQ(QDB_GetPracticeState(1, state, sizeof state), 0);
  EXPECT_EQ(state[0], '\0');
}

TEST_F(Records, PracticeStateComesFromThePracticeRecord) {
  char state[8] = "??";
  EXPECT_TRUE(failed(QDB_GetPracticeState(session_, state, sizeof state), kQdbNotCreated));
  QdbFileDef def{6, "", 420, false, false, {}};
  def.keys = {{6, true, {}, "every resource"},
              {7, true, {{0, 1, QdbSegmentKind::kBytes}, {1, 4, QdbSegmentKind::kText}}, "kind"}};
  QdbHandle resources = createAndOpen(def);
  EXPECT_TRUE(failed(QDB_GetPracticeState(session_, state, sizeof state), kQdbNotFound));
  Rec provider(420);
  ASSERT_EQ(QDB_AddRec(resources, provider.u8(0, 1).text(1, 5, "DOC1").text(60, 3, "NY").data(),
                       provider.size()),
            1);
  Rec practice(420);
  practice.text(1, 5, "-PR-").text(60, 3, "OR").u8(62, 'Z');  // junk where the terminator goes
  ASSERT_EQ(QDB_AddRec(resources, practice.data(), practice.size()), 1);
  ASSERT_EQ(QDB_GetPracticeState(session_, state, 3), 1);
  EXPECT_STREQ(state, "OR");
}

}  // namespace
}  // namespace qdbtest
