#include "data/access_layer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <vector>

#include "data/appointment_record.h"
#include "data/schema.h"
#include "platform/qrx/scripted_prompter.h"
#include "tests/data/practice_database.h"

namespace {

using vantrel::test::TempDir;

const FileDescriptor& descriptor(int fileNumber) {
  const FileDescriptor* d = descriptorOf(fileNumber);
  EXPECT_NE(d, nullptr) << fileNumber;
  return *d;
}

// A prompter that runs something before it answers, so a test can change the world between two
// tries of a loop that asks the user.
class ActingPrompter final : public Prompter {
 public:
  ActingPrompter(int answer, std::function<void()> act) : answer_(answer), act_(std::move(act)) {}
  int ask(const Prompt& prompt) override {
    asked.push_back(prompt);
    if (act_) act_();
    return answer_;
  }
  std::vector<Prompt> asked;

 private:
  int answer_;
  std::function<void()> act_;
};

class AccessLayerTest : public PracticeDatabase {
 protected:
  void TearDown() override {
    layer_.endSession();
    PracticeDatabase::TearDown();
  }

  std::vector<std::uint32_t> addAppointments(int count, PackedDate date) {
    std::vector<std::uint32_t> ids;
    for (int i = 0; i < count; ++i) {
      AppointmentRecord appt;
      appt.schedule(date, "OP1", 9, 0);
      appt.setProvider("DDS");
      ids.push_back(add(kAppointmentFile, appt));
    }
    return ids;
  }

  // Another workstation's session holding the appointment `id` locked.
  QdbSession lockByOtherSession(std::uint32_t id) {
    const QdbSession other = QDB_StartSession(1);
    const QdbHandle f = QDB_OpenFile(other, kAppointmentFile);
    AppointmentRecord appt;
    QDB_LKISAM(other, 2);
    const auto key = idKey(id);
    EXPECT_NE(QDB_FindRec(f, kApptById, key.data(), key.size(), appt.data(), appt.size()), 0);
    return other;
  }

  AccessLayer layer_;
  ScriptedPrompter prompter_;
  AppointmentRecord appt_;
};

TEST_F(AccessLayerTest, NoSessionGives12WithFileZeroAndAFileNotOpen26WithTheNumberAsked) {
  const auto key = idKey(1);
  const std::function<int()> calls[] = {
      [&] { return layer_.open(descriptor(kAppointmentFile)); },
      [&] { return layer_.find(kApptById, key.data(), 4, appt_.data(), appt_.size()); },
      [&] { return layer_.add(kAppointmentFile, appt_.data(), appt_.size()); },
      [&] { return layer_.lockMode(2); },
      [&] { return layer_.beginNestedSets(2); },
      [&] { return layer_.first(kApptById, appt_.data(), appt_.size()); },
      [&] { return layer_.close(descriptor(kAppointmentFile)); },
  };
  for (const auto& call : calls) {
    EXPECT_EQ(call(), kDbNoSession);
    EXPECT_EQ(layer_.status().error, kDbNoSession);
    EXPECT_EQ(layer_.status().fileNumber, 0);
  }
  ASSERT_EQ(layer_.startSession(), 0);
  EXPECT_EQ(layer_.find(kApptById, key.data(), 4, appt_.data(), appt_.size()), kDbFileNotOpen);
  EXPECT_EQ(layer_.status().fileNumber, kApptById);
  EXPECT_EQ(layer_.position(kPatientFile), 0u);
  EXPECT_EQ(layer_.status().error, kDbFileNotOpen);
  EXPECT_EQ(layer_.status().fileNumber, kPatientFile);
  // A number in no range finds no descriptor: the same answer, never a crash.
  EXPECT_EQ(layer_.first(9999, appt_.data(), appt_.size()), kDbFileNotOpen);
  EXPECT_EQ(layer_.status().fileNumber, 9999);
}

TEST_F(AccessLayerTest, RetrySettingsFollowTheProfileWithinTheirLimits) {
  const struct {
    const char* retry;  // nullptr: key absent
    const char* pause;
    int tries;
    int pauseMs;
  } cases[] = {
      {nullptr, nullptr, 10, 0}, {"50", "100", 20, 100}, {"10", "500", 10, 200},
      {"2000", "1", 2000, 1},    {"3000", "1", 2000, 1}, {"30", "200", 10, 200},
      {"7", "0", 7, 0},          {"abc", "x", 10, 0},
  };
  for (const auto& c : cases) {
    QRX_DeleteProfileKey("QXCTREEM", "RETRY");
    QRX_DeleteProfileKey("QXCTREEM", "PAUSE");
    if (c.retry != nullptr) QRX_WriteProfileString("QXCTREEM", "RETRY", c.retry);
    if (c.pause != nullptr) QRX_WriteProfileString("QXCTREEM", "PAUSE", c.pause);
    ASSERT_EQ(layer_.startSession(), 0);
    EXPECT_EQ(layer_.retryCount(), c.tries)
        << (c.retry ? c.retry : "-") << "/" << (c.pause ? c.pause : "-");
    EXPECT_EQ(layer_.pauseMs(), c.pauseMs);
    layer_.endSession();
  }
}

TEST_F(AccessLayerTest, ALockedReadIsTriedRetryCountTimesThenGives42) {
  const auto ids = addAppointments(1, 120000);
  const QdbSession other = lockByOtherSession(ids[0]);
  ASSERT_EQ(layer_.startSession(), 0);
  ASSERT_EQ(layer_.retryCount(), 10);
  ASSERT_EQ(layer_.open(descriptor(kAppointmentFile)), 0);
  const auto key = idKey(ids[0]);

  ASSERT_EQ(layer_.lockMode(2), 0);
  EXPECT_EQ(layer_.find(kApptById, key.data(), 4, appt_.data(), appt_.size()), kQdbLocked);
  EXPECT_EQ(layer_.lastTries(), 10);
  EXPECT_EQ(layer_.status().error, kQdbLocked);
  layer_.lockMode(0);

  // A read without locking neither waits nor fails.
  EXPECT_EQ(layer_.find(kApptById, key.data(), 4, appt_.data(), appt_.size()), 0);
  EXPECT_EQ(layer_.lastTries(), 1);

  // Writes are never repeated.
  EXPECT_EQ(layer_.rewrite(kAppointmentFile, appt_.data(), appt_.size()), kQdbLocked);
  EXPECT_EQ(layer_.lastTries(), 1);
  QDB_EndSession(other);
  EXPECT_EQ(layer_.rewrite(kAppointmentFile, appt_.data(), appt_.size()), 0);
}

TEST_F(AccessLayerTest, OpeningAFileTheDatabaseLacksWarnsAndLaterCallsGive26) {
  TempDir bare("vantrel-bare");  // a database with no files at all
  QDB_CloseDataBase();
  ASSERT_EQ(QDB_CreateDataBase(bare.path().c_str()), 1);
  ASSERT_EQ(QDB_InitDataBase(bare.path().c_str()), 1);
  ASSERT_EQ(layer_.startSession(), 0);

  EXPECT_TRUE(layer_.openReported(prompter_, descriptor(kAppointmentFile)));
  ASSERT_EQ(prompter_.asked().size(), 1u);
  EXPECT_EQ(prompter_.asked()[0].prompt.messageNumber, 9048);
  EXPECT_EQ(prompter_.asked()[0].prompt.icon, PromptIcon::kStop);
  const auto key = idKey(1);
  EXPECT_EQ(layer_.find(kApptById, key.data(), 4, appt_.data(), appt_.size()), kDbFileNotOpen);
  EXPECT_EQ(layer_.status().fileNumber, kApptById);
}

TEST_F(AccessLayerTest, NestedSetsRefuseASecondBeginAndTooDeepALevel) {
  ASSERT_EQ(layer_.startSession(), 0);
  EXPECT_EQ(layer_.beginNestedSets(221), kDbSetLevelOutOfRange);
  EXPECT_EQ(layer_.beginNestedSets(2), 0);
  layer_.selectSetLevel(0);
  EXPECT_EQ(layer_.beginNestedSets(2), kDbNestedSetsOn);
  EXPECT_EQ(layer_.endNestedSets(), 0);
  EXPECT_EQ(layer_.beginNestedSets(2), 0);
}

TEST_F(AccessLayerTest, AnInnerWalkAtItsOwnLevelLeavesTheOuterWalkWhole) {
  addAppointments(3, 120000);
  addAppointments(2, 120001);
  ASSERT_EQ(layer_.startSession(), 0);
  ASSERT_EQ(layer_.open(descriptor(kAppointmentFile)), 0);
  const std::uint32_t day = 120000;
  unsigned char key[9] = {};
  std::memcpy(key, &day, 4);

  ASSERT_EQ(layer_.beginNestedSets(2), 0);
  layer_.selectSetLevel(0);
  int outer = 0;
  int pairs = 0;
  AppointmentRecord inner;
  for (int r =
           layer_.startSet(kApptByDateOperatory, 0, key, sizeof key, appt_.data(), appt_.size(), 4);
       r == 0; r = layer_.nextInSet(kApptByDateOperatory, appt_.data(), appt_.size())) {
    ++outer;
    layer_.selectSetLevel(1);
    // The whole file, from a key before every day: more records than the outer set holds.
    const unsigned char none[9] = {};
    for (int s = layer_.startSet(kApptByDateOperatory, 0, none, sizeof none, inner.data(),
                                 inner.size(), 0);
         s == 0; s = layer_.nextInSet(kApptByDateOperatory, inner.data(), inner.size())) {
      ++pairs;
    }
    layer_.endSet(kApptByDateOperatory);
    layer_.selectSetLevel(0);
  }
  EXPECT_EQ(layer_.status().error, kQdbNotFound);
  layer_.endSet(kApptByDateOperatory);
  layer_.endNestedSets();
  EXPECT_EQ(outer, 3);
  EXPECT_EQ(pairs, 15);
}

TEST_F(AccessLayerTest, FindReportedAsksAboutALockAndRetriesOnTheUsersWord) {
  const auto ids = addAppointments(1, 120000);
  QdbSession other = lockByOtherSession(ids[0]);
  ASSERT_EQ(layer_.startSession(), 0);
  ASSERT_EQ(layer_.open(descriptor(kAppointmentFile)), 0);
  ASSERT_EQ(layer_.lockMode(2), 0);
  const auto key = idKey(ids[0]);

  // The user gives up: 42, asked once.
  ScriptedPrompter cancel;
  cancel.answer(kIdCancel);
  EXPECT_EQ(layer_.findReported(cancel, descriptor(kAppointmentFile), kApptById, key.data(), 4,
                                appt_.data(), appt_.size()),
            kQdbLocked);
  EXPECT_EQ(cancel.asked().size(), 1u);

  // The user retries after the other workstation let go: found.
  ActingPrompter retry(kIdRetry, [&] {
    QDB_EndSession(other);
    other = 0;
  });
  EXPECT_EQ(layer_.findReported(retry, descriptor(kAppointmentFile), kApptById, key.data(), 4,
                                appt_.data(), appt_.size()),
            0);
  EXPECT_EQ(retry.asked.size(), 1u);
  EXPECT_EQ(appt_.identifier(), ids[0]);
}

TEST_F(AccessLayerTest, ReadReportedKeepsAFoundRecordLockedAndAMissingOneQuiet) {
  const auto ids = addAppointments(1, 120000);
  ASSERT_EQ(layer_.startSession(), 0);
  const auto key = idKey(ids[0]);
  int outFile = -1;
  EXPECT_EQ(layer_.readReported(prompter_, true, descriptor(kAppointmentFile), kApptById,
                                key.data(), 4, appt_.data(), appt_.size(), &outFile),
            0);
  EXPECT_EQ(outFile, -1);
  EXPECT_FALSE(layer_.isOpen(kAppointmentFile));

  {  // Another workstation cannot lock what this one read for its write.
    ShortSession other(kAppointmentFile);
    QDB_LKISAM(other.session(), 2);
    AppointmentRecord theirs;
    EXPECT_EQ(QDB_FindRec(other.handle(), kApptById, key.data(), 4, theirs.data(), theirs.size()),
              0);
    EXPECT_EQ(QDB_GetLastErrorNum(other.session()), kQdbLocked);
  }

  const auto missing = idKey(ids[0] + 100);
  EXPECT_EQ(layer_.readReported(prompter_, true, descriptor(kAppointmentFile), kApptById,
                                missing.data(), 4, appt_.data(), appt_.size(), &outFile),
            kQdbNotFound);
  EXPECT_EQ(outFile, kApptById);
  EXPECT_TRUE(prompter_.asked().empty());
}

TEST_F(AccessLayerTest, ARepeatedNoteKeyShowsTheNotesOwnMessage) {
  ASSERT_EQ(layer_.startSession(), 0);
  ASSERT_TRUE(layer_.openReported(prompter_, descriptor(kNoteFile)));
  const QdbFileDef* notes = findFileDef(kNoteFile);
  ASSERT_NE(notes, nullptr);
  std::vector<unsigned char> note(notes->recordLength + 6, 0);
  note[2] = 2;  // kind
  note[4] = 7;  // owner
  std::memcpy(note.data() + notes->recordLength, "hello", 6);
  ASSERT_EQ(layer_.addReported(prompter_, descriptor(kNoteFile), note.data(), note.size()), 0);
  EXPECT_EQ(layer_.addReported(prompter_, descriptor(kNoteFile), note.data(), note.size()),
            kQdbDuplicateKey);
  ASSERT_EQ(prompter_.asked().size(), 1u);
  EXPECT_EQ(prompter_.asked()[0].prompt.messageNumber, 3283);
}

TEST_F(AccessLayerTest, StartingTheDatabaseOnAnEmptyDirectorySaysSoAndFails) {
  QDB_CloseDataBase();
  TempDir empty("vantrel-empty");
  ASSERT_EQ(QRX_WriteProfileString("GENERAL", "Path", empty.path().c_str()), 1);
  EXPECT_FALSE(startDatabase(layer_, prompter_));
  ASSERT_EQ(prompter_.asked().size(), 1u);
  EXPECT_EQ(layer_.session(), 0);

  ASSERT_EQ(QRX_WriteProfileString("GENERAL", "Path", dataPath().c_str()), 1);
  EXPECT_TRUE(startDatabase(layer_, prompter_));
  EXPECT_NE(layer_.session(), 0);
}

TEST(DescriptorTable, EveryKeyFindsItsFileAndEveryRangeMatchesTheCatalogue) {
  EXPECT_EQ(descriptorOf(13)->fileNumber, 9);
  EXPECT_EQ(descriptorOf(275)->fileNumber, 268);
  EXPECT_EQ(descriptorOf(121)->slot, 33);
  EXPECT_EQ(descriptorOf(133), nullptr);
  EXPECT_EQ(descriptorOf(28), nullptr);
  for (const FileDescriptor& d : fileDescriptors()) {
    if (d.fileNumber == 0) continue;
    const QdbFileDef* def = findFileDef(d.fileNumber);
    ASSERT_NE(def, nullptr) << d.fileNumber;
    EXPECT_EQ(static_cast<int>(def->keys.size()), d.lastKey - d.firstKey + 1) << d.fileNumber;
  }
}

}  // namespace
