// The seven-row window over the patient file: where each mode places it, the filter, scrolling at
// both ends, the household phone search, and how few records a keystroke reads.

#include "patsel/patient_search.h"

#include <gtest/gtest.h>

#include <memory>

#include "tests/patsel/patsel_database.h"

namespace {

// Twelve patients in name order; the Dunns are archived, four are guarantors. Chart numbers
// C001..C012, SS numbers 123450001.., preferred name = first name except Bob's.
const char* const kNames[12][2] = {{"Adams", "Amy"},  {"Baker", "Bob"}, {"Baker", "Carl"},
                                   {"Carter", "Dan"}, {"Dunn", "Eve"},  {"Dunn", "Fay"},
                                   {"Evans", "Gus"},  {"Fox", "Hal"},   {"Gray", "Ida"},
                                   {"Hill", "Jon"},   {"Irwin", "Kay"}, {"Jones", "Lee"}};
constexpr int kAdams = 0, kBakerBob = 1, kBakerCarl = 2, kCarter = 3, kDunnEve = 4, kEvans = 6,
              kFox = 7, kGray = 8, kIrwin = 10, kJones = 11;

class PatientSearchTest : public PatselDatabase {
 protected:
  // Household phones by patient: the Bakers and Carter share one, the rest sort apart.
  void addPeople(bool withHouseholds) {
    std::uint32_t a5 = 0, a1 = 0, a2 = 0, a3 = 0, a4 = 0;
    if (withHouseholds) {
      a5 = addAddress("2065550000");
      a1 = addAddress("4255550100");
      a2 = addAddress("4255550142");
      a3 = addAddress("4255550142");
      a4 = addAddress("4255550199");
    }
    const std::uint32_t household[] = {a1, a2, a2, a3, a3, a3, a4, a5, a5, a5, a5, a5};
    for (int i = 0; i < 12; ++i) {
      NewPatient n = person(
          kNames[i][0], kNames[i][1],
          i == kDunnEve || i == kDunnEve + 1 ? PatientRecord::kArchived : PatientRecord::kPatient,
          i == kAdams || i == kBakerCarl || i == kEvans || i == kIrwin);
      const std::string nn = (i + 1 < 10 ? "0" : "") + std::to_string(i + 1);
      n.chart = "C0" + nn;
      n.ssn = "1234500" + nn;
      n.preferred = i == kBakerBob ? "Bobby" : n.first;
      n.address = household[i];
      ids_.push_back(addPatient(n));
    }
  }

  std::vector<std::uint32_t> listed(const PatientSearch& s) const {
    std::vector<std::uint32_t> out;
    for (const PatientRow& r : s.rows()) out.push_back(r.patientId);
    return out;
  }
  std::vector<std::uint32_t> people(std::initializer_list<int> indexes) const {
    std::vector<std::uint32_t> out;
    for (int i : indexes) out.push_back(ids_[static_cast<std::size_t>(i)]);
    return out;
  }

  // A search kept by the test until its end.
  PatientSearch& make_(SearchMode mode, bool guarantors = false, bool archived = false) {
    searches_.push_back(std::make_unique<PatientSearch>(db_, prompter_));
    searches_.back()->setRowOptions({mode, true, false});
    searches_.back()->setFilter({guarantors, archived});
    return *searches_.back();
  }
  void TearDown() override {
    searches_.clear();
    PatselDatabase::TearDown();
  }

  std::vector<std::uint32_t> ids_;
  std::vector<std::unique_ptr<PatientSearch>> searches_;
};

TEST_F(PatientSearchTest, EachModePlacesTheWindowOnTheRowAboveTheFirstMatch) {
  addPeople(false);
  struct Case {
    SearchMode mode;
    std::string typed;
    int first;     // patient of row 0
    int selected;  // patient of the selected row
    int rows;
  };
  const Case cases[] = {
      {SearchMode::kLastName, "ba", kAdams, kBakerBob, 7},
      {SearchMode::kLastName, "Baker, C", kBakerBob, kBakerCarl, 7},
      {SearchMode::kLastName, "A", kAdams, kAdams, 7},        // the first record of the file
      {SearchMode::kLastName, "Bz", kBakerCarl, kCarter, 7},  // no match: the one before
      {SearchMode::kFirstName, "Hal Fox", kEvans, kFox, 6},
      {SearchMode::kPreferredName, "Bob by", kAdams, kBakerBob, 7},
      {SearchMode::kChart, "C 008", kEvans, kFox, 6},
      {SearchMode::kSsn, "123-45-0009", kFox, kGray, 5},
      {SearchMode::kIdentifier, std::to_string(ids_[kCarter]), kBakerCarl, kCarter, 7},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    PatientSearch& s = make_(c.mode);
    s.search(c.typed);
    ASSERT_EQ(static_cast<int>(s.rows().size()), c.rows);
    EXPECT_EQ(s.rows().front().patientId, ids_[static_cast<std::size_t>(c.first)]);
    ASSERT_GE(s.selectedRow(), 0);
    EXPECT_EQ(s.rows()[static_cast<std::size_t>(s.selectedRow())].patientId,
              ids_[static_cast<std::size_t>(c.selected)]);
    EXPECT_EQ(s.scrollPosition(), c.rows == 7 ? kScrollMiddle : kScrollAtEnd);
    EXPECT_EQ(rowModeLetter(s.rows().front().text), static_cast<char>(c.mode));
  }
}

TEST_F(PatientSearchTest, ScrollingPastEitherEndKeepsTheRowsAndParksTheBar) {
  addPeople(false);
  PatientSearch& s = make_(SearchMode::kLastName);
  s.search("C");
  EXPECT_EQ(listed(s), people({kBakerCarl, kCarter, kEvans, kFox, kGray, 9, kIrwin}));
  s.setSelectedRow(6);

  s.lineDown();
  EXPECT_EQ(listed(s), people({kCarter, kEvans, kFox, kGray, 9, kIrwin, kJones}));
  EXPECT_EQ(s.scrollPosition(), kScrollMiddle);
  s.lineDown();  // past the last patient
  EXPECT_EQ(listed(s), people({kCarter, kEvans, kFox, kGray, 9, kIrwin, kJones}));
  EXPECT_EQ(s.scrollPosition(), kScrollAtEnd);
  EXPECT_EQ(s.selectedRow(), 6);

  s.lineUp();
  EXPECT_EQ(listed(s), people({kBakerCarl, kCarter, kEvans, kFox, kGray, 9, kIrwin}));
  EXPECT_EQ(s.scrollPosition(), kScrollMiddle);
  s.pageUp();  // two rows are left above, then the start of the file
  EXPECT_EQ(listed(s), people({kAdams, kBakerBob, kBakerCarl, kCarter, kEvans, kFox, kGray}));
  EXPECT_EQ(s.scrollPosition(), kScrollAtStart);
  s.pageDown();  // three rows are left below
  EXPECT_EQ(listed(s), people({kCarter, kEvans, kFox, kGray, 9, kIrwin, kJones}));
  EXPECT_EQ(s.scrollPosition(), kScrollAtEnd);
}

TEST_F(PatientSearchTest, MatchesTheFilterHidesListNothing) {
  addPeople(false);
  PatientSearch& hidden = make_(SearchMode::kLastName);
  hidden.search("Dunn");
  EXPECT_TRUE(hidden.rows().empty());
  EXPECT_FALSE(hidden.scrollEnabled());

  PatientSearch& shown = make_(SearchMode::kLastName, false, true);
  shown.search("Dunn");
  ASSERT_EQ(shown.rows().size(), 7u);
  EXPECT_EQ(shown.rows()[1].patientId, ids_[kDunnEve]);
  EXPECT_EQ(shown.selectedRow(), 1);
  EXPECT_NE(shown.rows()[1].text.find("(Archived)"), std::string::npos);
}

TEST_F(PatientSearchTest, GuarantorModeListsOnlyGuarantorsAndStepsBackToOne) {
  addPeople(false);
  PatientSearch& s = make_(SearchMode::kLastName, true);
  s.search("Irwin");  // Hill, Gray and Fox above are no guarantors
  EXPECT_EQ(listed(s), people({kEvans, kIrwin}));
  EXPECT_EQ(s.selectedRow(), 1);
  s.search("B");
  EXPECT_EQ(listed(s), people({kAdams, kBakerCarl, kEvans, kIrwin}));
  for (const PatientRow& r : s.rows()) EXPECT_EQ(r.text.front(), '*') << r.text;
  s.search("Gray");  // a patient who is no guarantor
  EXPECT_TRUE(s.rows().empty());
}

TEST_F(PatientSearchTest, PhoneSearchListsEveryHouseholdOfThePhoneAndMovesAcrossHouseholds) {
  addPeople(true);
  PatientSearch& s = make_(SearchMode::kPhone);
  // Two households share the phone: the first one must not be skipped.
  s.search("(425) 555-0142");
  EXPECT_EQ(listed(s), people({kBakerBob, kBakerCarl, kCarter, kEvans}));
  EXPECT_EQ(s.selectedRow(), 0);
  EXPECT_EQ(rowFourthColumn(s.rows().front().text), "(425)555-0142");

  // The last patient of the household before the digits, then the matching households.
  s.search("425555");
  EXPECT_EQ(listed(s), people({kJones, kAdams, kBakerBob, kBakerCarl, kCarter, kEvans}));
  EXPECT_EQ(s.selectedRow(), 1);
  s.lineUp();  // back into the household before, member by member
  EXPECT_EQ(listed(s), people({kIrwin, kJones, kAdams, kBakerBob, kBakerCarl, kCarter, kEvans}));
  s.pageUp();
  EXPECT_EQ(listed(s).front(), ids_[kFox]);
  EXPECT_EQ(s.scrollPosition(), kScrollAtStart);
  s.pageDown();  // three patients below, then the end of the last household
  EXPECT_EQ(listed(s), people({kIrwin, kJones, kAdams, kBakerBob, kBakerCarl, kCarter, kEvans}));
  EXPECT_EQ(s.scrollPosition(), kScrollAtEnd);
}

TEST_F(PatientSearchTest, AKeystrokeReadsAHandfulOfRecordsWhateverTheFileSize) {
  for (int i = 0; i < 400; ++i) {
    addPatient(person("Name" + std::to_string(1000 + i), "Pat"));
  }
  PatientSearch& s = make_(SearchMode::kLastName);
  s.search("Name12");
  ASSERT_EQ(s.rows().size(), 7u);
  EXPECT_LE(s.lastReadCount(), 9);
  s.pageDown();
  EXPECT_LE(s.lastReadCount(), 8);
}

TEST_F(PatientSearchTest, EmptyFileAndEmptyKeysListNothing) {
  PatientSearch& s = make_(SearchMode::kLastName);
  s.search("Smith");
  EXPECT_TRUE(s.rows().empty());
  addPeople(false);
  for (const auto& [mode, typed] :
       std::vector<std::pair<SearchMode, std::string>>{{SearchMode::kLastName, "  "},
                                                       {SearchMode::kSsn, "- -"},
                                                       {SearchMode::kIdentifier, "abc"},
                                                       {SearchMode::kIdentifier, "99999999999"}}) {
    PatientSearch& m = make_(mode);
    m.search(typed);
    EXPECT_TRUE(m.rows().empty()) << typed;
  }
}

}  // namespace
