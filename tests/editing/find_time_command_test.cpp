// The appointment dialog's Find Time command without its windows: what it hands the search and
// what a chosen time does to the fields.

#include <gtest/gtest.h>

#include "editing/appointment_edit.h"
#include "tests/editing/appt_edit_practice.h"

namespace {

using editing_test::ApptEditPractice;
using editing_test::monday;

class FindTimeCommand : public ApptEditPractice {};

TEST_F(FindTimeCommand, SearchesForTheFieldsAndWritesTheChosenTimeBack) {
  AppointmentRecord asked;
  PackedDate askedFrom = kNoDate;
  bool choose = false;
  env_.services.findTime = [&](AppointmentRecord* appt, PackedDate from) {
    asked = *appt;
    askedFrom = from;
    if (choose) {
      appt->schedule(monday() + 7, "OP2", 14, 30);
      appt->setProvider("DR2");
    }
    return choose;
  };
  AppointmentEdit e(env_);
  e.openNew(slot());
  ApptForm& f = e.form();
  f.length = "45";
  f.type = 1;
  f.pattern = {0xA0, 0, 0, 0, 0, 0};
  const ApptForm before = f;

  EXPECT_FALSE(e.findTime());
  EXPECT_EQ(asked.providerCode(), "DR1 ");
  EXPECT_EQ(asked.operatoryCode(), "OP1 ") << "Find Time starts with the appointment's operatory";
  EXPECT_EQ(asked.length(), 45);
  EXPECT_EQ(asked.type(), 1);
  EXPECT_EQ(asked.pattern(), f.pattern);
  EXPECT_EQ(askedFrom, monday());
  EXPECT_EQ(f.date, before.date) << "nothing chosen: the fields stay";
  EXPECT_FALSE(e.changed());

  choose = true;
  f.length = "soon";  // no length the search could use: it searches for one block
  ASSERT_TRUE(e.findTime());
  EXPECT_EQ(asked.length(), 0);
  EXPECT_EQ(f.date, "01/12/2026");
  EXPECT_EQ(f.time, "2:30pm");
  EXPECT_EQ(f.operatory, "OP2");
  EXPECT_EQ(f.provider, "DR2");
  EXPECT_TRUE(e.changed());
}

}  // namespace
