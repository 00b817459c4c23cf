#include "lists/row_composers.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/appointment_record.h"
#include "lists/definitions.h"
#include "tests/lists/fake_patients.h"

namespace {

// Where each column of a row starts and how wide it is.
struct Columns {
  std::size_t first, status, marker, name, provider, operatory, reason, length, phone;
  std::size_t firstWidth, nameWidth, providerWidth;
};
constexpr Columns kDay{0, 6, 12, 13, 38, 45, 50, 66, 69, 6, 25, 6};
constexpr Columns kAsap{0, 10, 16, 17, 40, 47, 52, 68, 71, 10, 23, 6};
constexpr Columns kUnscheduled{0, 10, 16, 17, 40, 0, 45, 61, 64, 10, 23, 4};

const Columns& columnsOf(ListKind kind) {
  if (kind == ListKind::kAsap) return kAsap;
  if (kind == ListKind::kUnscheduled) return kUnscheduled;
  return kDay;
}

std::string field(const std::string& row, std::size_t at, std::size_t width) {
  return at < row.size() ? row.substr(at, width) : std::string();
}

std::string padRight(std::string s, std::size_t width) {
  s.resize(width, ' ');
  return s;
}
std::string padLeft(const std::string& s, std::size_t width) {
  return std::string(width - s.size(), ' ') + s;
}

class RowComposers : public ::testing::Test {
 protected:
  RowComposers() {
    statuses_.define(3, "Ready", '2');
    statuses_.define(14, "Last", 'x', "255");
    appt_.setIdentifier(0x1234);
    appt_.setPatientId(77);
    appt_.schedule(QRX_DateIn(2026, 12, 6), "OP1", 9, 5);
    appt_.setProvider("DDS");
    appt_.setName("Smith, Ann");
    appt_.setDescription("Cleaning");
    appt_.setLength(60);
    appt_.setStatus(3);
    appt_.setScheduleKind(AppointmentRecord::kAsap);
    patients_.add(77, "");
  }

  ListEntry row(ListKind kind) { return composeRowFor(kind, appt_, statuses_, patients_); }
  std::string column(ListKind kind, std::size_t Columns::*at, std::size_t width) {
    return field(row(kind).text, columnsOf(kind).*at, width);
  }

  StatusTable statuses_;
  FakePatients patients_;
  AppointmentRecord appt_;
};

constexpr ListKind kAllKinds[] = {ListKind::kDay, ListKind::kAsap, ListKind::kUnscheduled};

TEST_F(RowComposers, DayRowPutsEveryValueInItsColumn) {
  const std::string text = row(ListKind::kDay).text;
  ASSERT_EQ(text.size(), kDayRowWidth);
  EXPECT_EQ(field(text, kDay.first, 6), " 9:05a");
  EXPECT_EQ(field(text, kDay.status, 6), " Ready");
  EXPECT_EQ(text[kDay.marker], ' ');
  EXPECT_EQ(field(text, kDay.name, 25), padRight("Smith, Ann", 25));
  EXPECT_EQ(field(text, kDay.provider, 6), "  DDS ");  // the stored code is blank-padded
  EXPECT_EQ(text[kDay.provider + 6], '/');
  EXPECT_EQ(field(text, kDay.operatory, 4), "OP1 ");
  EXPECT_EQ(text[kDay.operatory + 4], ' ');
  EXPECT_EQ(field(text, kDay.reason, 16), padRight("Cleaning", 16));
  EXPECT_EQ(field(text, kDay.length, 3), " 60");
  EXPECT_EQ(field(text, kDay.phone, 13), std::string(13, ' '));
}

TEST_F(RowComposers, RowsCarryIdentifierPatientSortValueKindAndColour) {
  appt_.schedule(QRX_DateIn(2026, 12, 6), "OP1", 14, 45);
  appt_.setListDate(QRX_DateIn(2026, 11, 30));
  const ListEntry day = row(ListKind::kDay);
  EXPECT_EQ(day.first, 0x1234u);
  EXPECT_EQ(day.second, 77u);
  EXPECT_EQ(day.third, 14u * 256 + 45);
  EXPECT_EQ(day.fourth, AppointmentRecord::kAsap);
  EXPECT_EQ(day.colourSlot, 4);
  // The ASAP list spans days and sorts by date; the Unscheduled list by the date put on it.
  EXPECT_EQ(row(ListKind::kAsap).third, QRX_DateIn(2026, 12, 6));
  appt_.setListDate(QRX_DateIn(2026, 11, 30));
  EXPECT_EQ(row(ListKind::kUnscheduled).third, QRX_DateIn(2026, 11, 30));
}

TEST_F(RowComposers, TimeColumnEndsInAForMorningAndPFromNoon) {
  struct Case {
    int hour, minute;
    const char* shown;
  };
  const Case cases[] = {{9, 5, " 9:05a"},   {0, 5, "12:05a"},   {12, 0, "12:00p"},
                        {11, 59, "11:59a"}, {13, 30, " 1:30p"}, {23, 59, "11:59p"},
                        {24, 0, "     p"},  {7, 60, "     p"}};
  for (const Case& c : cases) {
    appt_.schedule(QRX_DateIn(2026, 12, 6), "OP1", static_cast<std::uint8_t>(c.hour),
                   static_cast<std::uint8_t>(c.minute));
    const std::string text = row(ListKind::kDay).text;
    EXPECT_EQ(field(text, 0, 6), c.shown) << c.hour << ":" << c.minute;
    EXPECT_EQ(text.size(), kDayRowWidth);
  }
}

TEST_F(RowComposers, NamesAreCutAtTheirColumnWidth) {
  const std::string name25 = "Abcdefghijklmnopqrstuvwxy";
  struct Case {
    ListKind kind;
    std::string name;
    std::string shown;
  };
  const Case cases[] = {
      {ListKind::kDay, name25, name25},
      {ListKind::kDay, name25 + "Z", name25},
      {ListKind::kAsap, name25.substr(0, 23), name25.substr(0, 23)},
      {ListKind::kAsap, name25, name25.substr(0, 23)},
      {ListKind::kUnscheduled, name25, name25.substr(0, 23)},
  };
  for (const Case& c : cases) {
    appt_.setName(c.name);
    const ListEntry r = row(c.kind);
    const Columns& at = columnsOf(c.kind);
    EXPECT_EQ(field(r.text, at.name, at.nameWidth), c.shown) << c.name;
    // The column after the name starts where it should: nothing spilled into it.
    EXPECT_EQ(r.text[at.name + at.nameWidth + at.providerWidth - 1], ' ') << c.name;
    EXPECT_EQ(r.text.size(), rowWidth(c.kind));
  }
}

TEST_F(RowComposers, TitleOfThePatientGoesBeforeTheNameAndIsCutWithIt) {
  patients_.add(77, "Dr.");
  EXPECT_EQ(column(ListKind::kDay, &Columns::name, 25), padRight("Dr. Smith, Ann", 25));
  appt_.setName("Abcdefghijklmnopqrstuvwxy");
  EXPECT_EQ(column(ListKind::kDay, &Columns::name, 25), "Dr. Abcdefghijklmnopqrstu");
  EXPECT_EQ(column(ListKind::kAsap, &Columns::name, 23), "Dr. Abcdefghijklmnopqrs");
}

TEST_F(RowComposers, AppointmentWithoutPatientShowsQuestionMarkAndReadsNoPatient) {
  patients_.add(0, "Dr.");  // must never be consulted for identifier 0
  appt_.setPatientId(0);
  for (const ListKind kind : kAllKinds) {
    const ListEntry r = row(kind);
    EXPECT_EQ(r.text[columnsOf(kind).marker], '?');
    EXPECT_EQ(field(r.text, columnsOf(kind).name, 10), "Smith, Ann");
    EXPECT_EQ(r.second, 0u);
  }
  EXPECT_EQ(patients_.reads(), 0);
}

TEST_F(RowComposers, UnreadablePatientGivesPlainNameAndShownPhone) {
  appt_.setPatientId(4242);  // not in the lookup
  appt_.setPhone("5551234");
  const std::string text = row(ListKind::kDay).text;
  EXPECT_EQ(text[kDay.marker], ' ');
  EXPECT_EQ(field(text, kDay.name, 10), "Smith, Ann");
  EXPECT_EQ(field(text, kDay.phone, 13), "     555-1234");
}

TEST_F(RowComposers, ReasonIsCutAtSixteen) {
  appt_.setDescription("1234567890123456");
  EXPECT_EQ(column(ListKind::kDay, &Columns::reason, 16), "1234567890123456");
  appt_.setDescription("12345678901234567");
  for (const ListKind kind : kAllKinds) {
    const ListEntry r = row(kind);
    EXPECT_EQ(field(r.text, columnsOf(kind).reason, 16), "1234567890123456");
    EXPECT_EQ(field(r.text, columnsOf(kind).length, 3), " 60");
  }
}

TEST_F(RowComposers, PhoneColumnFollowsLengthAndPrivacy) {
  struct Case {
    const char* phone;
    bool privatePhone;
    std::string shown;
  };
  const Case cases[] = {
      {"", false, std::string(13, ' ')},
      {"5551234", true, std::string(13, ' ')},
      {"5551234", false, "     555-1234"},
      {"8005551234", false, "(800)555-1234"},
      {"12345", false, padLeft("     12345", 13)},
      // Longer than the column: the leading blanks and the start of the text stay.
      {"123456789012", false, "     12345678"},
  };
  for (const Case& c : cases) {
    patients_.add(77, "", c.privatePhone);
    appt_.setPhone(c.phone);
    for (const ListKind kind : kAllKinds) {
      const ListEntry r = row(kind);
      EXPECT_EQ(field(r.text, columnsOf(kind).phone, 13), c.shown) << c.phone;
      EXPECT_EQ(r.text.size(), rowWidth(kind)) << c.phone;
    }
  }
}

TEST_F(RowComposers, PrivacyNeedsAPatient) {
  patients_.add(0, "", true);
  appt_.setPatientId(0);
  appt_.setPhone("5551234");
  EXPECT_EQ(column(ListKind::kDay, &Columns::phone, 13), "     555-1234");
}

TEST_F(RowComposers, StatusNamesOfDayAndAsapRows) {
  struct Case {
    int status;
    const char* shown;
  };
  const Case cases[] = {{3, " Ready"},   {14, "  Last"},  {0, "      "},   {99, "      "},
                        {100, "Broken"}, {150, "<Cmpl>"}, {101, "W/Call"}, {149, "W/Call"},
                        {151, "W/Call"}, {255, "W/Call"}};
  for (const Case& c : cases) {
    appt_.setStatus(static_cast<std::uint8_t>(c.status));
    EXPECT_EQ(column(ListKind::kDay, &Columns::status, 6), c.shown) << c.status;
    EXPECT_EQ(column(ListKind::kAsap, &Columns::status, 6), c.shown) << c.status;
  }
}

TEST_F(RowComposers, UnscheduledRowsKnowOnlyBrokenAndWillCall) {
  for (const int status : {0, 3, 14, 101, 150, 255}) {
    appt_.setStatus(static_cast<std::uint8_t>(status));
    EXPECT_EQ(column(ListKind::kUnscheduled, &Columns::status, 6), "W/Call") << status;
  }
  appt_.setStatus(100);
  EXPECT_EQ(column(ListKind::kUnscheduled, &Columns::status, 6), "Broken");
}

TEST_F(RowComposers, ColourSlotOnlyForDefinedPracticeStatuses) {
  struct Case {
    int status, slot;
  };
  const Case cases[] = {{3, 4}, {14, 15}, {0, 0}, {5, 0}, {100, 0}, {150, 0}, {200, 0}};
  for (const Case& c : cases) {
    appt_.setStatus(static_cast<std::uint8_t>(c.status));
    EXPECT_EQ(row(ListKind::kDay).colourSlot, c.slot) << c.status;
  }
}

TEST_F(RowComposers, LengthsThatDoNotFitThreeCharactersKeepTheRowWidth) {
  struct Case {
    int minutes;
    const char* shown;
  };
  const Case cases[] = {{0, "  0"},     {5, "  5"},   {999, "999"},  {1000, "999"},
                        {32767, "999"}, {-99, "-99"}, {-100, "-99"}, {-32768, "-99"}};
  for (const Case& c : cases) {
    appt_.setLength(static_cast<std::int16_t>(c.minutes));
    appt_.setPhone("8005551234");
    for (const ListKind kind : kAllKinds) {
      const ListEntry r = row(kind);
      ASSERT_EQ(r.text.size(), rowWidth(kind)) << c.minutes;
      EXPECT_EQ(field(r.text, columnsOf(kind).length, 3), c.shown) << c.minutes;
      // The phone after it is whole and in its place.
      EXPECT_EQ(field(r.text, columnsOf(kind).phone, 13), "(800)555-1234") << c.minutes;
    }
  }
}

TEST_F(RowComposers, FullRecordsNeverWidenARow) {
  patients_.add(77, std::string(10, 'T'), false);
  appt_.setName(std::string(31, 'N'));
  appt_.setDescription(std::string(60, 'R'));
  appt_.setPhone(std::string(16, '9'));
  appt_.setProvider("WXYZ");
  appt_.schedule(0xFFFFFFFFu, "ABCD", 23, 59);
  appt_.setListDate(0xFFFFFFFFu);
  for (const ListKind kind : kAllKinds) {
    EXPECT_EQ(row(kind).text.size(), rowWidth(kind));
  }
}

TEST_F(RowComposers, ControlCharactersInTextsShowAsBlanks) {
  appt_.setName("Smith,\tAnn\n");
  appt_.setDescription("X\rY");
  const std::string text = row(ListKind::kDay).text;
  EXPECT_EQ(text.find_first_of("\t\r\n"), std::string::npos);
  EXPECT_EQ(field(text, kDay.name, 11), "Smith, Ann ");
  EXPECT_EQ(field(text, kDay.reason, 3), "X Y");
}

TEST_F(RowComposers, AsapRowStartsWithTheAppointmentDate) {
  const std::string text = row(ListKind::kAsap).text;
  ASSERT_EQ(text.size(), kAsapRowWidth);
  EXPECT_EQ(field(text, 0, 10), "12/06/2026");
  EXPECT_EQ(field(text, kAsap.status, 6), " Ready");
  EXPECT_EQ(field(text, kAsap.provider, 6), "  DDS ");
  EXPECT_EQ(text[kAsap.provider + 6], '/');
  EXPECT_EQ(field(text, kAsap.operatory, 4), "OP1 ");
}

TEST_F(RowComposers, UnscheduledRowShowsListDateAndProviderOnly) {
  appt_.unschedule();
  appt_.setListDate(QRX_DateIn(2026, 11, 30));
  std::string text = row(ListKind::kUnscheduled).text;
  ASSERT_EQ(text.size(), kUnscheduledRowWidth);
  EXPECT_EQ(field(text, 0, 10), "11/30/2026");
  EXPECT_EQ(field(text, kUnscheduled.provider, 5), "DDS  ");
  EXPECT_EQ(text.find('/', kUnscheduled.marker), std::string::npos) << "no operatory column";
  appt_.setListDate(kNoDate);
  text = row(ListKind::kUnscheduled).text;
  EXPECT_EQ(field(text, 0, 10), std::string(10, ' '));
  EXPECT_EQ(text.size(), kUnscheduledRowWidth);
}

TEST(ListLayout, ColumnWidthsAddUpToTheComposedRows) {
  for (const ListKind kind : kAllKinds) {
    int sum = 0;
    for (const int w : listWidths(kind)) sum += w;
    EXPECT_EQ(static_cast<std::size_t>(sum), rowWidth(kind));
    // The header names every column and has room for the whole row.
    EXPECT_GE(listHeader(kind).size(), rowWidth(kind));
  }
}

TEST(ClipboardTitle, CutsTheWindowTitleAtEighty) {
  const PackedDate date = QRX_DateIn(2026, 12, 6);
  EXPECT_EQ(clipboardTitle("Appointment List", date),
            "Appointment List - Sunday, December 6, 2026");
  const std::string longTitle(100, 'W');
  EXPECT_EQ(clipboardTitle(longTitle, date), std::string(80, 'W') + " - Sunday, December 6, 2026");
}

}  // namespace
