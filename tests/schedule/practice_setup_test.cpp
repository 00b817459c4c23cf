#include "schedule/practice_setup.h"

#include <gtest/gtest.h>

#include "schedule/practice_schedule.h"
#include "tests/schedule/schedule_changes.h"
#include "tests/support/child_process.h"

namespace {

using PracticeSetupCore = ScheduleChanges;
using vantrel::test::ChildProcess;

// Another workstation: opens the setup, says how that went, waits for the word, stores Monday
// 7:30 to 12:30 and says how that went.
int otherWorkstation(const std::string& dataPath, ChildProcess& self) {
  if (QDB_InitDataBase(dataPath.c_str()) != 1) return 10;
  ScriptedPrompter prompter;
  PracticeSchedule practice;
  PracticeSetup setup(prompter, practice);
  self.send(static_cast<std::uint32_t>(setup.begin()));
  if (!self.receive()) return 11;
  PracticeSetupValues edited = setup.values();
  edited.hours[1] = dayHours(90, 150);
  self.send(static_cast<std::uint32_t>(setup.commit(edited)));
  return 0;
}

TEST_F(PracticeSetupCore, SecondWorkstationIsToldTheRecordIsInUseAndThenSeesTheStoredHours) {
  RscUseRecord defaults = RscUseRecord::withKey(RscUseRecord::kPractice, rec::kPracticeCode, 0);
  defaults.setTimeBlockCode(2);
  add(kRscUseFile, defaults);
  closeDatabase();
  const std::string data = dataPath();
  ChildProcess other([&](ChildProcess& self) { return otherWorkstation(data, self); });
  openDatabase();
  ASSERT_EQ(other.receive(), 0u);

  PracticeSchedule practice;
  {
    PracticeSetup setup(prompter_, practice);
    EXPECT_EQ(setup.begin(), kQdbLocked);
    EXPECT_FALSE(setup.isOpen());
  }
  ASSERT_FALSE(prompter_.asked().empty());
  EXPECT_EQ(prompter_.asked().back().prompt.buttons, PromptButtons::kRetryCancel);

  other.send(1);
  EXPECT_EQ(other.receive(), 0u);
  EXPECT_EQ(other.wait(), 0);
  PracticeSetup setup(prompter_, practice);
  ASSERT_EQ(setup.begin(), 0);
  EXPECT_EQ(setup.values().hours[1], dayHours(90, 150)) << "the hours stored meanwhile";
}

}  // namespace
