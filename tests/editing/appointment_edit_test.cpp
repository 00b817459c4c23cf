// The appointment dialog's logic on a practice database of its own, without any window: the
// order of the OK checks and where each sends the user, what a save tells the other
// workstations, Wait/Will Call, "Sc&hd. Next", Cancel, the person without a patient record, a
// change made by another process between opening and OK, and the user rights of the entry
// points.

#include "editing/appointment_edit.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "data/address_record.h"
#include "data/station_record.h"
#include "data/users.h"
#include "tests/editing/appt_edit_practice.h"
#include "tests/support/child_process.h"

namespace {

using editing_test::monday;
using editing_test::OpenFile;
using editing_test::tuesday;

using editing_test::addRecord;
using editing_test::ApptEditPractice;
using editing_test::kToday;

class ApptEdit : public ApptEditPractice {};

// ---------------------------------------------------------------------------------------------

struct Refusal {
  const char* name;
  bool existing;
  std::function<void(ApptForm&)> edit;
  std::vector<std::string> prompts;
  ApptField focus;
};

TEST_F(ApptEdit, EachBadFieldIsRefusedInOrderWithItsMessageAndFocusAndNothingIsSaved) {
  const std::vector<Refusal> cases = {
      {"length 0",
       true,
       [](ApptForm& f) { f.length = "0"; },
       {kInvalidLengthText},
       ApptField::kLength},
      {"length 241, No",
       true,
       [](ApptForm& f) { f.length = "241"; },
       {kLongLengthQuestion},
       ApptField::kLength},
      {"blank description",
       true,
       [](ApptForm& f) { f.description = "  "; },
       {kInvalidDescriptionText},
       ApptField::kDescription},
      {"time of 3 characters",
       true,
       [](ApptForm& f) { f.time = "9am"; },
       {"#9090"},
       ApptField::kTime},
      {"time before description",
       true,
       [](ApptForm& f) {
         f.time = "9:75am";
         f.description = "";
       },
       {"#9090"},
       ApptField::kTime},
      {"past date of a new one, No",
       false,
       [](ApptForm& f) { f.date = "12/29/2025"; },
       {"#6042"},
       ApptField::kDate},
      {"no operatory",
       true,
       [](ApptForm& f) { f.operatory = ""; },
       {kInvalidOperatoryText},
       ApptField::kOperatory},
      {"unknown provider",
       true,
       [](ApptForm& f) { f.provider = "XX"; },
       {kInvalidProviderText},
       ApptField::kProvider},
      {"no date, not moving", true, [](ApptForm& f) { f.date = ""; }, {"#9091"}, ApptField::kDate},
  };
  const std::uint32_t id = saveNew();
  for (const Refusal& c : cases) {
    SCOPED_TRACE(c.name);
    const auto before = appointmentSnapshot();
    AppointmentEdit e(env_);
    if (c.existing) {
      ASSERT_TRUE(e.openExisting(id));
    } else {
      e.openNew(slot());
      e.form().length = "30";
      e.form().description = "Exam";
    }
    c.edit(e.form());
    e.markChanged();
    prompter_.clearRecord();
    const ApptCommandResult r = e.ok();
    EXPECT_EQ(r.step, ApptStep::kStay);
    EXPECT_EQ(r.focus, c.focus);
    EXPECT_EQ(prompts(), c.prompts);
    EXPECT_EQ(appointmentSnapshot(), before);
    EXPECT_TRUE(changes_.empty());
  }
}

TEST_F(ApptEdit, OpeningShowsTheStoredFieldsTheFlagLabelsAndTheStatus) {
  AppointmentRecord a = editing_test::appointment(monday(), "DR1", "OP1", 14, 30, 40);
  a.setPatientId(patient_);
  a.setStatus(AppointmentRecord::kStatusComplete);
  a.setFlags(0b101);
  a.setAmount(1234567);
  AppointmentEdit e(env_);
  ASSERT_TRUE(e.openExisting(addRecord(kAppointmentFile, a)));
  EXPECT_EQ(e.form().date, "01/05/2026");
  EXPECT_EQ(e.form().time, "2:30pm");
  EXPECT_EQ(e.form().operatory, "OP1");
  EXPECT_EQ(e.form().length, "40");
  EXPECT_EQ(e.form().amount, "12345.67");
  EXPECT_EQ(e.form().status, AppointmentRecord::kStatusComplete);
  EXPECT_EQ(e.statusItems().back().text, kStatusCompleteText);
  EXPECT_EQ(e.form().flags, 0b101);
  EXPECT_EQ(e.flagLabels()[0], "Premed");
  EXPECT_FALSE(e.flagLabels()[1].has_value()) << "no definition: the box is hidden";
  EXPECT_EQ(e.flagLabels()[2], "A label longer than ");
  EXPECT_EQ(e.title(), "Appointment Information - (Smith, Anna)");
  EXPECT_TRUE(prompts().empty());
}

struct SaveCase {
  const char* name;
  std::uint8_t hour;
  std::function<void(AppointmentEdit&)> edit;
  std::vector<ApptChange> expected;  // identifier filled in by the test
  bool recordChanged = true;         // the date of last change becomes today
};

TEST_F(ApptEdit, ASaveTellsTheOtherWorkstationsExactlyWhatChangedAndAnUnchangedOneNothing) {
  const std::vector<SaveCase> cases = {
      {"unchanged, note too", 8, [](AppointmentEdit&) {}, {}, false},
      {"longer, 240 asks nothing",
       13,
       [](AppointmentEdit& e) {
         e.form().length = "240";
         e.form().description = "Crown";
       },
       {{StationRecord::kChanged, monday(), "OP1", "DR1", 0}}},
      {"to another date",
       9,
       [](AppointmentEdit& e) { e.form().date = "01/06/2026"; },
       {{StationRecord::kRemoved, monday(), "OP1", "DR1", 0},
        {StationRecord::kAdded, tuesday(), "OP1", "DR1", 0}}},
      {"to another operatory",
       10,
       [](AppointmentEdit& e) { e.form().operatory = "OP2"; },
       {{StationRecord::kChanged, monday(), "OP2", "DR1", 0},
        {StationRecord::kChanged, monday(), "OP1", "DR1", 0}}},
      {"only the note",
       11,
       [](AppointmentEdit& e) {
         e.form().note = "Bring x-rays";
         e.markNoteModified();
       },
       {{StationRecord::kChanged, monday(), "OP1", "DR1", 0}},
       false},
  };
  for (const SaveCase& c : cases) {
    SCOPED_TRACE(c.name);
    const std::uint32_t id = saveNew({c.hour, 0});
    AppointmentEdit e(env_);
    ASSERT_TRUE(e.openExisting(id));
    c.edit(e);
    ASSERT_EQ(e.ok().closeCode, 1);
    std::vector<ApptChange> expected = c.expected;
    for (ApptChange& x : expected) x.appointmentId = id;
    EXPECT_EQ(changes_, expected);
    EXPECT_EQ(shown_, expected.empty() ? 0 : 1);
    EXPECT_TRUE(prompts().empty());
    EXPECT_EQ(storedAppointment(id)->lastChange(), c.recordChanged ? kToday : kNoDate);
  }
  EXPECT_EQ(notes_.rbegin()->second, "Bring x-rays");
}

TEST_F(ApptEdit, WaitWillCallReleasesTheUnitsAndKeepsAnEarlierListDate) {
  const std::uint32_t id = saveNew();
  ASSERT_TRUE(operatoryWeek("OP1").has_value());
  AppointmentEdit e(env_);
  ASSERT_TRUE(e.openExisting(id));
  prompter_.answer(kIdYes);
  ASSERT_EQ(e.waitWillCall().closeCode, 1);
  ASSERT_EQ(prompter_.asked().size(), 1u);
  EXPECT_EQ(prompter_.asked()[0].prompt.caption, kApptBookCaption);
  EXPECT_EQ(prompter_.asked()[0].prompt.icon, PromptIcon::kNone);
  const AppointmentRecord moved = *storedAppointment(id);
  EXPECT_EQ(moved.date(), kNoDate);
  EXPECT_TRUE(moved.unscheduled());
  EXPECT_EQ(moved.status(), AppointmentRecord::kStatusWillCall);
  EXPECT_EQ(moved.listDate(), kToday);
  EXPECT_FALSE(operatoryWeek("OP1").has_value()) << "the week's only appointment left";
  const auto provider = providerWeek("DR1");
  EXPECT_TRUE(!provider || provider->occupancy(1, editing_test::unitOf(9, 0)) == 0);
  EXPECT_EQ(changes_,
            (std::vector<ApptChange>{{StationRecord::kRemoved, monday(), "OP1", "DR1", id}}));

  // On the list already: a later move keeps the date it was put there.
  env_.today = kToday + 5;
  AppointmentEdit again(env_);
  ASSERT_TRUE(again.openExisting(id));
  prompter_.answer(kIdYes);
  ASSERT_EQ(again.waitWillCall().closeCode, 1);
  EXPECT_EQ(storedAppointment(id)->listDate(), kToday);
}

TEST(ApptNextStart, CarriesMinutesIntoHoursAndHoursIntoTheNextDate) {
  struct Row {
    PackedDate date;
    PackedTime start;
    int length;
    PackedDate nextDate;
    PackedTime next;
  };
  const PackedDate d = QRX_DateIn(2026, 3, 31);
  for (const Row& r :
       {Row{d, {23, 30}, 60, d + 1, {0, 30}}, Row{d, {9, 40}, 45, d, {10, 25}},
        Row{d, {23, 0}, 60, d + 1, {0, 0}}, Row{kNoDate, {23, 30}, 60, kNoDate, {0, 30}}}) {
    PackedDate date = r.date;
    PackedTime t = r.start;
    nextStart(&date, &t, r.length);
    EXPECT_EQ(date, r.nextDate);
    EXPECT_EQ(t.hour, r.next.hour);
    EXPECT_EQ(t.minute, r.next.minute);
  }
}

TEST_F(ApptEdit, ScheduleNextSavesAndPreparesTheFollowingAppointmentOfThePatient) {
  AppointmentEdit e(env_);
  e.openNew(slot());
  e.form().length = "50";
  e.form().description = "Exam";
  const ApptCommandResult r = e.scheduleNext();
  ASSERT_EQ(r.step, ApptStep::kNextAppointment);
  const std::uint32_t first = e.savedId();
  ASSERT_TRUE(storedAppointment(first).has_value());
  EXPECT_EQ(e.title(), "New Appointment Information - (Smith, Anna)");
  EXPECT_EQ(e.form().date, "01/05/2026");
  EXPECT_EQ(e.form().time, "9:50am");
  EXPECT_EQ(e.form().length, "0");
  EXPECT_EQ(e.form().description, "");
  EXPECT_FALSE(e.changed());
  // Cancelling the prepared one still reports the saved one.
  const ApptCommandResult closed = e.cancel();
  EXPECT_EQ(closed.closeCode, 1);
  EXPECT_EQ(e.savedId(), first);
}

TEST_F(ApptEdit, CancelAsksOnlyWhenChangedAndNoKeepsTheDialogOpen) {
  const std::uint32_t id = saveNew();
  AppointmentEdit quiet(env_);
  ASSERT_TRUE(quiet.openExisting(id));
  EXPECT_EQ(quiet.cancel().closeCode, 0);
  EXPECT_TRUE(prompts().empty());

  AppointmentEdit e(env_);
  ASSERT_TRUE(e.openExisting(id));
  e.form().description = "Changed";
  e.markChanged();
  EXPECT_EQ(e.cancel().step, ApptStep::kStay);  // No
  ASSERT_EQ(prompts(), std::vector<std::string>{kCancelQuestion});
  EXPECT_EQ(prompter_.asked()[0].prompt.caption, kCancelCaption);
  prompter_.answer(kIdYes);
  const ApptCommandResult r = e.cancel();
  EXPECT_EQ(r.step, ApptStep::kClose);
  EXPECT_EQ(r.closeCode, 2);
  EXPECT_EQ(storedAppointment(id)->description(), "Exam");
}

TEST_F(ApptEdit, ANoteThatCannotBeStoredIsToldAfterTheSave) {
  env_.services.writeNote = [](std::uint32_t, const std::string&, bool) { return false; };
  AppointmentEdit e(env_);
  e.openNew(slot());
  e.form().length = "30";
  e.form().description = "Exam";
  e.form().note = "Bring the old x-rays";
  EXPECT_EQ(e.ok().closeCode, 1);
  EXPECT_EQ(prompts(), std::vector<std::string>{kNoteNotStoredText});
  EXPECT_TRUE(storedAppointment(e.savedId()).has_value());
}

TEST_F(ApptEdit, APersonWithoutPatientRecordGetsOneAddressRecordEvenAfterARefusedTry) {
  NewApptRequest r = slot(QRX_DateIn(2026, 1, 4));  // a Sunday: the practice is closed
  r.patientId = 0;
  r.person = NewPersonData{"Doe",   "Jane",        "Q",  "5559876543", "1 Main St",
                           "Apt 2", "Springfield", "IL", "62701"};
  AppointmentEdit e(env_);
  e.openNew(r);
  EXPECT_EQ(e.title(), "Appointment Information - (Doe, Jane Q)<New Patient>");
  e.form().length = "30";
  e.form().description = "Consult";
  EXPECT_EQ(e.ok().step, ApptStep::kStay) << "No to the practice-closed question";
  e.form().date = "01/05/2026";
  ASSERT_EQ(e.ok().closeCode, 1);
  const AppointmentRecord saved = *storedAppointment(e.savedId());
  EXPECT_EQ(saved.patientId(), 0u);
  EXPECT_EQ(saved.name(), "Doe, Jane Q");
  EXPECT_EQ(saved.phone(), "5559876543");
  ASSERT_EQ(addresses().size(), 2u) << "the patient's household and the person's, no more";
  AddressRecord address;
  ASSERT_TRUE(readAddressById(saved.addressId(), &address));
  EXPECT_EQ(address.street2(), "Apt 2");
  EXPECT_EQ(address.zip(), "62701");
  EXPECT_EQ(address.phone(), "5559876543");
}

TEST(ApptNewPerson, NamesArePhonesAreCheckedAndTheInitialIsUpperCased) {
  struct Row {
    NewPersonData in;
    std::string prompt;  // "" = accepted
  };
  const std::vector<Row> rows = {
      {{"", "Jane", "", "", "", "", "", "", ""}, "#9018"},
      {{"Doe", " ", "", "", "", "", "", "", ""}, "#9019"},
      {{"Doe", "Jane", "", "12345", "", "", "", "", ""}, kInvalidPhoneText},
      {{"Doe", "Jane", "q", "(555) 123-4567", "", "", "", "", ""}, ""},
  };
  for (const Row& row : rows) {
    ScriptedPrompter p;
    NewPersonData person = row.in;
    const bool ok = checkNewPerson(p, &person);
    EXPECT_EQ(ok, row.prompt.empty());
    if (ok) {
      EXPECT_EQ(person.initial, "Q");
      EXPECT_EQ(person.phone, "5551234567");
      EXPECT_TRUE(p.asked().empty());
    } else {
      ASSERT_EQ(p.asked().size(), 1u);
      const Prompt& asked = p.asked()[0].prompt;
      EXPECT_EQ(asked.messageNumber != 0 ? "#" + std::to_string(asked.messageNumber) : asked.text,
                row.prompt);
    }
  }
}

TEST_F(ApptEdit, AChangeByAnotherWorkstationBetweenOpenAndOkCancelsTheEditAndSavesNothing) {
  const std::uint32_t id = saveNew();
  AppointmentEdit e(env_);
  ASSERT_TRUE(e.openExisting(id));
  const auto weeks = weekSnapshot();

  const std::string path = dir_.file("data");
  QDB_CloseDataBase();  // the child must not share this process's database handles
  vantrel::test::ChildProcess other([&](vantrel::test::ChildProcess&) {
    if (QDB_InitDataBase(path.c_str()) != 1) return 1;
    OpenFile f(kAppointmentFile);
    AppointmentRecord a;
    std::array<std::uint8_t, 4> key{};
    rec::storeU32(key.data(), id);
    if (QDB_FindRec(f.handle, kApptById, key.data(), key.size(), a.data(), a.size()) == 0) return 2;
    a.setDescription("Changed elsewhere");
    return QDB_WriteRec(f.handle, a.data(), a.size()) != 0 ? 0 : 3;
  });
  ASSERT_EQ(other.wait(), 0);
  ASSERT_EQ(QDB_InitDataBase(path.c_str()), 1);

  e.form().date = "01/06/2026";
  e.form().description = "Mine";
  e.markChanged();
  const ApptCommandResult r = e.ok();
  EXPECT_EQ(r.step, ApptStep::kClose);
  EXPECT_EQ(r.closeCode, 0);
  EXPECT_EQ(prompts(), std::vector<std::string>{kChangedElsewhereText});
  EXPECT_EQ(storedAppointment(id)->description(), "Changed elsewhere");
  EXPECT_EQ(storedAppointment(id)->date(), monday());
  EXPECT_EQ(weekSnapshot(), weeks);
  EXPECT_TRUE(changes_.empty());
}

TEST_F(ApptEdit, EditingNeedsRight66AndARefusalOpensNoDialog) {
  const std::uint32_t id = saveNew();
  int dialogs = 0;
  env_.services.runDialog = [&](AppointmentEdit& e) {
    ++dialogs;
    EXPECT_EQ(e.workingCopy().identifier(), id);
    return 0;
  };
  EXPECT_FALSE(EditAppt(env_, id).ok);  // nobody signed on
  EXPECT_EQ(prompts(), std::vector<std::string>{"#3001"});
  EXPECT_EQ(dialogs, 0);

  std::uint32_t user = 0;
  ASSERT_EQ(addUser("desk", "Desk", "desk123", {kRightEditAppointment}, &user), 0);
  ASSERT_EQ(QRX_SignOn("desk", "desk123"), 1);
  prompter_.clearRecord();
  EditAppt(env_, id);
  EXPECT_EQ(dialogs, 1);
  EXPECT_TRUE(prompts().empty());
  QRX_SignOff();
}

}  // namespace
