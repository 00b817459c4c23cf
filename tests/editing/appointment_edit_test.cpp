// The appointment dialog's logic without windows: the order of the OK checks, what a save tells
// the other workstations, Wait/Will Call, Schedule Next, Cancel, a person without a patient
// record, a change made elsewhere between opening and OK, and the right to edit.

#include "editing/appointment_edit.h"

#include <gtest/gtest.h>

#include "data/address_record.h"
#include "data/station_record.h"
#include "data/users.h"
#include "tests/editing/appt_edit_practice.h"
#include "tests/support/child_process.h"

namespace {

using namespace editing_test;
using Edits = std::vector<std::pair<std::string ApptForm::*, const char*>>;
using F = ApptForm;

class ApptEdit : public ApptEditPractice {};

TEST_F(ApptEdit, EachBadFieldIsRefusedInOrderWithItsMessageAndFocusAndNothingIsSaved) {
  struct Refusal {
    const char* name;
    bool existing;
    Edits edits;
    std::string prompt;
    ApptField focus;
  };
  // clang-format off
  const std::vector<Refusal> cases = {
      {"length 0", true, {{&F::length, "0"}}, kInvalidLengthText, ApptField::kLength},
      {"length 241, No", true, {{&F::length, "241"}}, kLongLengthQuestion, ApptField::kLength},
      {"blank description", true, {{&F::description, "  "}}, kInvalidDescriptionText,
       ApptField::kDescription},
      {"time of 3 characters", true, {{&F::time, "9am"}}, "#9090", ApptField::kTime},
      {"time before description", true, {{&F::time, "9:75am"}, {&F::description, ""}}, "#9090",
       ApptField::kTime},
      {"past date of a new one, No", false, {{&F::date, "12/29/2025"}}, "#6042", ApptField::kDate},
      {"no operatory", true, {{&F::operatory, ""}}, kInvalidOperatoryText, ApptField::kOperatory},
      {"unknown provider", true, {{&F::provider, "XX"}}, kInvalidProviderText, ApptField::kProvider},
      {"no date, not moving", true, {{&F::date, ""}}, "#9091", ApptField::kDate},
  };
  // clang-format on
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
    for (const auto& [field, value] : c.edits) e.form().*field = value;
    e.markChanged();
    prompter_.clearRecord();
    const ApptCommandResult r = e.ok();
    EXPECT_EQ(r.step, ApptStep::kStay);
    EXPECT_EQ(r.focus, c.focus);
    EXPECT_EQ(prompts(), std::vector<std::string>{c.prompt});
    EXPECT_EQ(appointmentSnapshot(), before);
    EXPECT_TRUE(changes_.empty());
  }
}

TEST_F(ApptEdit, OpeningShowsTheStoredFieldsTheFlagLabelsAndTheStatus) {
  AppointmentRecord a = appointment(monday(), "DR1", "OP1", 14, 30, 40);
  a.setPatientId(patient_);
  a.setStatus(AppointmentRecord::kStatusComplete);
  a.setFlags(0b101);
  a.setAmount(1234567);
  AppointmentEdit e(env_);
  ASSERT_TRUE(e.openExisting(addRecord(kAppointmentFile, a)));
  const ApptForm& f = e.form();
  EXPECT_EQ(f.date + " " + f.time + " " + f.operatory + " " + f.length + " " + f.amount,
            "01/05/2026 2:30pm OP1 40 12345.67");
  EXPECT_EQ(f.status, AppointmentRecord::kStatusComplete);
  EXPECT_EQ(e.statusItems().back().text, kStatusCompleteText);
  EXPECT_EQ(f.flags, 0b101);
  EXPECT_EQ(e.flagLabels()[0], "Premed");
  EXPECT_FALSE(e.flagLabels()[1].has_value()) << "no definition: the box is hidden";
  EXPECT_EQ(e.flagLabels()[2], "A label longer than ");
  EXPECT_EQ(e.title(), "Appointment Information - (Smith, Anna)");
  EXPECT_TRUE(prompts().empty());
}

TEST_F(ApptEdit, ASaveTellsTheOtherWorkstationsExactlyWhatChangedAndAnUnchangedOneNothing) {
  struct SaveCase {
    const char* name;
    std::uint8_t hour;
    Edits edits;                       // a changed note is marked as such
    std::vector<ApptChange> expected;  // identifier filled in below
    bool recordChanged = true;         // the date of last change becomes today
  };
  const ApptChange mon{StationRecord::kChanged, monday(), "OP1", "DR1", 0};
  const std::vector<SaveCase> cases = {
      {"unchanged, note too", 8, {}, {}, false},
      {"longer, 240 asks nothing", 13, {{&F::length, "240"}, {&F::description, "Crown"}}, {mon}},
      {"to another date",
       9,
       {{&F::date, "01/06/2026"}},
       {{StationRecord::kRemoved, monday(), "OP1", "DR1", 0},
        {StationRecord::kAdded, tuesday(), "OP1", "DR1", 0}}},
      {"to another operatory",
       10,
       {{&F::operatory, "OP2"}},
       {{StationRecord::kChanged, monday(), "OP2", "DR1", 0}, mon}},
      {"only the note", 11, {{&F::note, "Bring x-rays"}}, {mon}, false},
  };
  for (const SaveCase& c : cases) {
    SCOPED_TRACE(c.name);
    const std::uint32_t id = saveNew({c.hour, 0});
    AppointmentEdit e(env_);
    ASSERT_TRUE(e.openExisting(id));
    for (const auto& [field, value] : c.edits) {
      e.form().*field = value;
      if (field == &F::note) e.markNoteModified();
    }
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
  const auto waitWillCall = [&] {
    AppointmentEdit e(env_);
    ASSERT_TRUE(e.openExisting(id));
    prompter_.answer(kIdYes);
    ASSERT_EQ(e.waitWillCall().closeCode, 1);
  };
  waitWillCall();
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
  EXPECT_TRUE(!provider || provider->occupancy(1, unitOf(9, 0)) == 0);
  EXPECT_EQ(changes_,
            (std::vector<ApptChange>{{StationRecord::kRemoved, monday(), "OP1", "DR1", id}}));
  env_.today = kToday + 5;  // on the list already: a later move keeps the date it was put there
  waitWillCall();
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
    EXPECT_EQ(t.hour * 60 + t.minute, r.next.hour * 60 + r.next.minute);
  }
}

TEST_F(ApptEdit, ScheduleNextSavesAndPreparesTheFollowingAppointmentOfThePatient) {
  AppointmentEdit e(env_);
  e.openNew(slot());
  e.form().length = "50";
  e.form().description = "Exam";
  ASSERT_EQ(e.scheduleNext().step, ApptStep::kNextAppointment);
  const std::uint32_t first = e.savedId();
  ASSERT_TRUE(storedAppointment(first).has_value());
  EXPECT_EQ(e.title(), "New Appointment Information - (Smith, Anna)");
  const ApptForm& f = e.form();
  EXPECT_EQ(f.date + " " + f.time + " " + f.length + " [" + f.description + "]",
            "01/05/2026 9:50am 0 []");
  EXPECT_FALSE(e.changed());
  // Cancelling the prepared one still reports the saved one.
  EXPECT_EQ(e.cancel().closeCode, 1);
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
  EXPECT_EQ(saved.name() + " " + saved.phone(), "Doe, Jane Q 5559876543");
  ASSERT_EQ(addresses().size(), 2u) << "the patient's household and the person's, no more";
  AddressRecord address;
  ASSERT_TRUE(readAddressById(saved.addressId(), &address));
  EXPECT_EQ(address.street2() + " " + address.zip() + " " + address.phone(),
            "Apt 2 62701 5559876543");
}

TEST(ApptNewPerson, NamesArePhonesAreCheckedAndTheInitialIsUpperCased) {
  const std::pair<NewPersonData, std::string> rows[] = {
      // the prompt, "" when accepted
      {{"", "Jane", "", "", "", "", "", "", ""}, "#9018"},
      {{"Doe", " ", "", "", "", "", "", "", ""}, "#9019"},
      {{"Doe", "Jane", "", "12345", "", "", "", "", ""}, kInvalidPhoneText},
      {{"Doe", "Jane", "q", "(555) 123-4567", "", "", "", "", ""}, ""},
  };
  for (const auto& [in, prompt] : rows) {
    ScriptedPrompter p;
    NewPersonData person = in;
    const bool ok = checkNewPerson(p, &person);
    EXPECT_EQ(ok, prompt.empty());
    if (ok) {
      EXPECT_EQ(person.initial + " " + person.phone, "Q 5551234567");
      EXPECT_TRUE(p.asked().empty());
    } else {
      ASSERT_EQ(p.asked().size(), 1u);
      const Prompt& asked = p.asked()[0].prompt;
      EXPECT_EQ(asked.messageNumber != 0 ? "#" + std::to_string(asked.messageNumber) : asked.text,
                prompt);
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
