// A patient's row, and what the selection decides: the choice and its result, recent selections,
// settings, the new-family right, automatic selection and status warnings.

#include "patsel/patient_selection.h"

#include <gtest/gtest.h>

#include "data/users.h"
#include "tests/patsel/patsel_database.h"

namespace {

std::string pad(const std::string& s, std::size_t width) {
  return s + std::string(width > s.size() ? width - s.size() : 0, ' ');
}

TEST(PatientRowTest, RowHasTheFixedColumnsOfEveryMode) {
  PatientRecord p;
  p.setIdentifier(4711);
  p.setFamilyId(4700);
  p.setLastName("Smith");
  p.setFirstName("John");
  p.setMiddleInitial("Q");
  p.setGuarantorFlag(true);
  p.setStatus(PatientRecord::kNonPatient);
  p.setBirthDate(QRX_DateIn(1980, 5, 17));
  p.setProviderCode("DDS1");
  p.setSsn("123456789");
  const std::string tail = "            \t4711";
  const std::string name = pad("Smith, John Q", 26) + "\t05/17/1980\tDDS1\t";
  const std::pair<RowOptions, std::string> cases[] = {
      {{SearchMode::kLastName, true, false}, "*" + name + pad("(Non-Pat) ", 13) + tail + "L"},
      {{SearchMode::kFirstName, false, false},
       " " + pad("John Q Smith", 26) + "\t05/17/1980\tDDS1\t" + pad("(Non-Pat) ", 13) + tail + "N"},
      {{SearchMode::kSsn, true, false}, "*" + name + pad("123-45-6789", 13) + tail + "S"},
      {{SearchMode::kChart, true, true}, "*" + name + pad("4711,4700", 13) + tail + "C"},
  };
  for (const auto& [options, expected] : cases) {
    const std::string row = formatPatientRow(p, "", options);
    EXPECT_EQ(row, expected);
    EXPECT_EQ(rowPatientId(row), 4711u);
    EXPECT_EQ(rowModeLetter(row), static_cast<char>(options.mode));
  }
  EXPECT_EQ(rowName(cases[0].second), "Smith, John Q");

  // A long name is cut at a character boundary, nothing running into the next column:
  // "Østergård-Lindqv, Annaså" is 27 bytes and the 26th is the first byte of the "å".
  p.setLastName("Østergård-Lindqv");
  p.setFirstName("Annaså");
  const std::string row = formatPatientRow(p, "", {SearchMode::kLastName, true, false});
  EXPECT_EQ(rowField(row, 0), "*Østergård-Lindqv, Annas ");
  EXPECT_EQ(rowName(row), "Østergård-Lindqv, Annas");
  EXPECT_EQ(rowPatientId(row), 4711u);
  EXPECT_EQ(rowField(formatPatientRow(p, "", {SearchMode::kFirstName, true, false}), 0),
            "*Annaså Q Østergård-Lind");
}

class PatientSelectionTest : public PatselDatabase {
 protected:
  void addPeople() {
    bakerBob_ = addPatient(person("Baker", "Bob", PatientRecord::kPatient, false));
    bakerAnn_ = addPatient(person("Baker", "Ann", PatientRecord::kPatient, true));
    dunn_ = addPatient(person("Dunn", "Eve", PatientRecord::kArchived, false));
    fox_ = addPatient(person("Fox", "Hal", PatientRecord::kInactive, false));
    gray_ = addPatient(person("Gray", "Ida", PatientRecord::kNonPatient, false));
  }
  void rewriteStatus(std::uint32_t id, std::uint8_t status) {
    const QdbHandle f = QDB_OpenFile(writer_, kPatientFile);
    PatientRecord p;
    std::uint8_t key[4];
    rec::storeU32(key, id);
    ASSERT_NE(QDB_FindRec(f, kPatientById, key, 4, p.data(), p.size()), 0);
    p.setStatus(status);
    ASSERT_NE(QDB_WriteRec(f, p.data(), p.size()), 0);
    QDB_CloseFile(f);
  }
  SelectionChoice pick(const std::string& typed, std::uint16_t options = 0) {
    PatientSelection s(db_, prompter_, "", options, false, 7);
    s.open();
    s.textChanged(typed);
    return s.choose(s.search().selectedRow(), -1);
  }

  std::uint32_t bakerBob_ = 0, bakerAnn_ = 0, dunn_ = 0, fox_ = 0, gray_ = 0;
};

TEST_F(PatientSelectionTest, OkWithNothingSelectedEndsWithZero) {
  PatientSelection s(db_, prompter_, "Anyone", 0, false, 7);
  s.open();
  EXPECT_TRUE(s.search().rows().empty());
  const SelectionChoice c = s.choose(-1, -1);
  EXPECT_EQ(c.result, kSelectCancelled);
  EXPECT_EQ(selectionValue(c.result, c.patientId), 0u);
}

TEST_F(PatientSelectionTest, RecentSelectionIsChosenWhileTheListIsEmpty) {
  addPeople();
  const SelectionChoice first = pick("Baker, Bob");
  ASSERT_EQ(first.result, kSelectChosen);
  EXPECT_EQ(first.patientId, bakerBob_);
  EXPECT_EQ(first.name, "Baker, Bob");

  PatientSelection s(db_, prompter_, "", 0, false, 7);
  s.open();
  EXPECT_EQ(s.openingText(), "Baker, Bob");
  EXPECT_TRUE(s.openingSelectsWhole());
  s.search().clear();
  const SelectionChoice again = s.choose(-1, 0);
  EXPECT_EQ(again.result, kSelectChosen);
  EXPECT_EQ(again.patientId, bakerBob_);

  PatientSelection other(db_, prompter_, "", 0, false, 8);  // another user has his own
  other.open();
  EXPECT_TRUE(other.recent().empty());
}

TEST_F(PatientSelectionTest, RecentEntriesAreRevalidatedAtOpening) {
  addPeople();
  pick("Baker, Bob");
  pick("Fox");
  pick("Baker, Ann");  // three entries, Ann the most recent

  PatientSelection guarantors(db_, prompter_, "", 0, true, 7);
  guarantors.open();
  ASSERT_EQ(guarantors.recent().size(), 1u);  // only Ann is a guarantor
  EXPECT_EQ(guarantors.recent()[0].patientId, bakerAnn_);
  EXPECT_EQ(guarantors.title(), "Select Guarantor");

  rewriteStatus(fox_, PatientRecord::kArchived);
  PatientSelection s(db_, prompter_, "", 0, false, 7);
  s.open();
  ASSERT_EQ(s.recent().size(), 2u);  // the archived one left; Bob, hidden above, is still kept
  EXPECT_EQ(s.recent()[1].patientId, bakerBob_);
  EXPECT_EQ(RecentSelections(7).load().size(), 2u);
}

TEST_F(PatientSelectionTest, ModeIsKeptInTheProfileAndIdentifierModeLocksTheButtons) {
  addPeople();
  {
    PatientSelection s(db_, prompter_, "Baker", 0, false, 7);
    s.open();
    s.changeMode(kModeButtonChart);
    EXPECT_EQ(s.prompt(), "&Enter Chart #:");
    EXPECT_EQ(s.columnTitle(), "Chart #");
  }
  EXPECT_EQ(QRX_GetProfileInt("SELPAT", "SelectBy", 0), kModeButtonChart);
  PatientSelection chart(db_, prompter_, "Baker", 0, false, 7);
  chart.open();
  EXPECT_EQ(chart.mode(), SearchMode::kChart);
  EXPECT_EQ(chart.openingText(), "");  // a caller's name means nothing as a chart number

  QRX_WriteProfileInt("SELPAT", "SelectByID", 1);
  PatientSelection ids(db_, prompter_, "", 0, false, 7);
  ids.open();
  EXPECT_EQ(ids.mode(), SearchMode::kIdentifier);
  EXPECT_FALSE(ids.modeButtonsEnabled());
  ids.changeMode(kModeButtonLastName);
  EXPECT_EQ(ids.mode(), SearchMode::kIdentifier);
  ids.textChanged(std::to_string(fox_));
  ASSERT_GE(ids.search().selectedRow(), 0);
  EXPECT_EQ(ids.search().rows()[static_cast<std::size_t>(ids.search().selectedRow())].patientId,
            fox_);
}

TEST_F(PatientSelectionTest, ArchivedChoiceIsResultTwoOnlyWhereArchivedMayBeIncluded) {
  addPeople();
  const std::uint16_t family = kNewFamilyButton << kNewPatientShift;
  PatientSelection s(db_, prompter_, "", family, false, 7);
  s.open();
  ASSERT_TRUE(s.archivedEnabled());
  s.setIncludeArchived(true);
  s.textChanged("Dunn");
  const SelectionChoice c = s.choose(s.search().selectedRow(), -1);
  EXPECT_EQ(c.result, kSelectChosenWithArchived);
  EXPECT_EQ(selectionValue(c.result, c.patientId), dunn_);

  PatientSelection plain(db_, prompter_, "", kNewPatientButton << kNewPatientShift, false, 7);
  plain.open();
  plain.setIncludeArchived(true);  // the box is disabled there: archived stay hidden
  plain.textChanged("Dunn");
  EXPECT_TRUE(plain.search().rows().empty());
  EXPECT_TRUE(plain.requestNewPatient());
}

TEST_F(PatientSelectionTest, NewFamilyNeedsTheRightAndTellsARefusal) {
  std::uint32_t id = 0;
  ASSERT_EQ(addUser("desk", "Desk", "desk-pass", {1}, &id), 0);
  ASSERT_EQ(addUser("boss", "Boss", "boss-pass", {1, kRightAddFamily}, &id), 0);
  ASSERT_EQ(QRX_SignOn("desk", "desk-pass"), 1);
  struct Case {
    const char* login;  // nullptr: the password prompt is cancelled
    const char* password;
    bool ends;
    bool told;
  };
  const Case cases[] = {{nullptr, nullptr, false, false},
                        {"desk", "desk-pass", false, true},
                        {"boss", "boss-pass", true, false}};
  for (const Case& c : cases) {
    prompter_.clearRecord();
    if (c.login != nullptr) prompter_.credentials(c.login, c.password);
    PatientSelection s(db_, prompter_, "", kNewFamilyButton << kNewPatientShift, false, id);
    EXPECT_EQ(s.requestNewPatient(), c.ends) << (c.login ? c.login : "cancelled");
    bool told = false;
    for (const auto& asked : prompter_.asked())
      told |= asked.prompt.messageNumber == kNoRightMessage;
    EXPECT_EQ(told, c.told);
    EXPECT_EQ(QRX_GetOverrideUserID(), QRX_GetLoggedInUserID());
  }
  QRX_SignOff();
}

TEST_F(PatientSelectionTest, AutomaticSelectionEndsOnOneMatchOrNone) {
  addPeople();
  struct Case {
    std::string typed;
    bool ends;
    std::uint32_t* chosen;
  };
  std::uint32_t none = 0;
  const Case cases[] = {{"Gray", true, &gray_}, {"Zed", true, &none}, {"Baker", false, &none}};
  for (const Case& c : cases) {
    PatientSelection s(db_, prompter_, c.typed, 1, false, 7);
    s.open();
    SelectionChoice choice;
    EXPECT_EQ(s.autoSelect(&choice), c.ends) << c.typed;
    EXPECT_EQ(choice.patientId, *c.chosen) << c.typed;
  }
}

TEST_F(PatientSelectionTest, StatusWarningForNonPatientAndInactive) {
  addPeople();
  struct Case {
    std::uint32_t* id;
    const char* warning;
  };
  const Case cases[] = {{&bakerBob_, nullptr},
                        {&gray_, "Selected Patient has a Non-Patient Status"},
                        {&fox_, "Selected Patient has an Inactive Status"}};
  for (const Case& c : cases) {
    prompter_.clearRecord();
    warnSelectedPatientStatus(prompter_, *c.id);
    if (c.warning == nullptr) {
      EXPECT_TRUE(prompter_.asked().empty());
      continue;
    }
    ASSERT_EQ(prompter_.asked().size(), 1u);
    EXPECT_EQ(prompter_.asked()[0].prompt.text, c.warning);
    EXPECT_EQ(prompter_.asked()[0].prompt.caption, "Warning");
  }
}

}  // namespace
