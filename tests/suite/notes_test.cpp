// The note library: a note is found again by exactly its kind, owner and sub-number, holds its
// text whole up to the limit, and refuses what it could not hold whole.

#include "suite/notes.h"

#include <gtest/gtest.h>

#include "contracts/qdb.h"
#include "suite/results.h"
#include "tests/suite/suite_database.h"

namespace {

using NoteLibrary = SuiteDatabase;

TEST_F(NoteLibrary, TextAtTheLimitRoundTripsAndOnePastIsRefusedLeavingTheNoteAsItWas) {
  const std::string longest(maxNoteLength(), 'n');
  ASSERT_EQ(writeApptNote(7, longest, today()), 0);
  std::string back;
  ASSERT_EQ(readApptNote(7, &back), 0);
  EXPECT_EQ(back, longest);

  EXPECT_EQ(writeApptNote(7, longest + "x", today()), kSuiteTextTooLong);
  EXPECT_EQ(writeApptNote(7, std::string("a\0b", 3), today()), kSuiteBadText);
  ASSERT_EQ(readApptNote(7, &back), 0);
  EXPECT_EQ(back, longest);
}

TEST_F(NoteLibrary, RewriteReplacesAndAnEmptyNoteStillReadsAsPresent) {
  std::string back = "stale";
  EXPECT_EQ(readApptNote(8, &back), kQdbNotFound);
  EXPECT_EQ(back, "");
  ASSERT_EQ(writeApptNote(8, "Bring X-rays", today()), 0);
  ASSERT_EQ(writeApptNote(8, "Premedicate", today()), 0);
  ASSERT_EQ(readApptNote(8, &back), 0);
  EXPECT_EQ(back, "Premedicate");
  // An emptied note must not read as missing: the dialog would treat every later save as a
  // change.
  ASSERT_EQ(writeApptNote(8, "", today()), 0);
  EXPECT_EQ(readApptNote(8, &back), 0);
  EXPECT_EQ(back, "");
}

TEST_F(NoteLibrary, NotesOfOtherKindsOwnersOrSubNumbersAreNotTouched) {
  ASSERT_EQ(writeNote(kApptNoteKind, 5, 0, "appointment 5", today()), 0);
  ASSERT_EQ(writeNote(kPatientNoteKind, 5, 0, "patient 5", today()), 0);
  ASSERT_EQ(writeNote(kCareNoteKind, 5, 1, "care 1", today()), 0);
  ASSERT_EQ(writeNote(kCareNoteKind, 5, 2, "care 2", today()), 0);
  ASSERT_EQ(writeNote(kApptNoteKind, 6, 0, "appointment 6", today()), 0);
  ASSERT_EQ(deleteApptNote(5), 0);

  const struct {
    std::uint16_t kind;
    std::uint32_t owner;
    std::uint16_t sub;
    int result;
    const char* text;
  } cases[] = {
      {kApptNoteKind, 5, 0, kQdbNotFound, ""},   {kPatientNoteKind, 5, 0, 0, "patient 5"},
      {kCareNoteKind, 5, 1, 0, "care 1"},        {kCareNoteKind, 5, 2, 0, "care 2"},
      {kApptNoteKind, 6, 0, 0, "appointment 6"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.kind) + "/" + std::to_string(c.owner) + "/" +
                 std::to_string(c.sub));
    std::string text;
    EXPECT_EQ(readNote(c.kind, c.owner, c.sub, &text), c.result);
    EXPECT_EQ(text, c.text);
  }
  // Deleting a note that is not there is no failure: an appointment without a note can still
  // be deleted.
  EXPECT_EQ(deleteApptNote(5), 0);
  EXPECT_EQ(writeApptNote(0, "nobody", today()), kQdbBadArgument);
}

}  // namespace
