#include "lists/row_composers.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "data/appointment_record.h"
#include "lists/definitions.h"
#include "tests/lists/fake_patients.h"

namespace {

using enum ListKind;

// The fields of a row: time or date, status, marker, name, provider, operatory, reason, length,
// phone.
enum Col { kFirst, kStatus, kMarker, kName, kProv, kOp, kReason, kLength, kPhone };
using Fields = std::array<std::string, 9>;

// The row as printf lays it out: an independent account of where every column starts and ends.
std::string reference(ListKind kind, const Fields& f) {
  std::array<char, 128> b{};
  std::snprintf(b.data(), b.size(),
                kind == kDay    ? "%6.6s%6.6s%1.1s%-25.25s%6.6s/%-4.4s %-16.16s%3.3s%13.13s"
                : kind == kAsap ? "%10.10s%6.6s%1.1s%-23.23s%6.6s/%-4.4s %-16.16s%3.3s%13.13s"
                                : "%10.10s%6.6s%1.1s%-23.23s%-4.4s%.0s %-16.16s%3.3s%13.13s",
                f[0].c_str(), f[1].c_str(), f[2].c_str(), f[3].c_str(), f[4].c_str(), f[5].c_str(),
                f[6].c_str(), f[7].c_str(), f[8].c_str());
  return b.data();
}

Fields baseline(ListKind kind) {
  Fields f = {" 9:05a", " Ready", " ", "Smith, Ann", "DDS ", "OP1 ", "Cleaning", " 60", ""};
  if (kind == kAsap) f[kFirst] = "12/06/2026";
  if (kind == kUnscheduled)
    f = {"11/30/2026", "W/Call", " ", "Smith, Ann", "DDS ", "", "Cleaning", " 60", ""};
  return f;
}

// The record of the baseline row, with the changes a case makes.
struct Case {
  ListKind kind = kDay;
  std::vector<std::pair<Col, std::string>> shown = {};  // the fields that differ from the baseline
  std::string name = "Smith, Ann";
  std::string title = "";
  std::string reason = "Cleaning";
  std::string phone = "";
  bool privatePhone = false;
  std::uint32_t patient = 77;
  int status = 3;
  int hour = 9, minute = 5;
  int length = 60;
  bool inLookup = true;  // false: the patient cannot be read
};

const std::string k25 = "Abcdefghijklmnopqrstuvwxy";
const std::string k23 = k25.substr(0, 23);

const Case kCases[] = {
    // The time column: 'a' before noon, 'p' from noon; an impossible time keeps only the 'p'.
    {.shown = {{kFirst, "12:05a"}}, .hour = 0},
    {.shown = {{kFirst, "11:59a"}}, .hour = 11, .minute = 59},
    {.shown = {{kFirst, "12:00p"}}, .hour = 12, .minute = 0},
    {.shown = {{kFirst, " 1:30p"}}, .hour = 13, .minute = 30},
    {.shown = {{kFirst, "     p"}}, .hour = 24, .minute = 0},
    {.shown = {{kFirst, "     p"}}, .hour = 7, .minute = 60},
    // Status names: the practice's, none, and the three of the system.
    {.shown = {{kStatus, ""}}, .status = 0},
    {.shown = {{kStatus, "Broken"}}, .status = 100},
    {.shown = {{kStatus, "<Cmpl>"}}, .status = 150},
    {.shown = {{kStatus, "W/Call"}}, .status = 101},
    {.kind = kAsap, .shown = {{kStatus, "  Last"}}, .status = 14},
    {.kind = kUnscheduled, .shown = {{kStatus, "Broken"}}, .status = 100},
    {.kind = kUnscheduled, .shown = {}, .status = 150},
    // Names cut at 25 on the day list and 23 on the others, the patient's title included.
    {.shown = {{kName, k25}}, .name = k25},
    {.shown = {{kName, k25}}, .name = k25 + "Z"},
    {.kind = kAsap, .shown = {{kName, k23}}, .name = k23},
    {.kind = kAsap, .shown = {{kName, k23}}, .name = k25},
    {.kind = kUnscheduled, .shown = {{kName, k23}}, .name = k25},
    {.shown = {{kName, "Dr. Smith, Ann"}}, .title = "Dr."},
    {.shown = {{kName, "Dr. " + k25.substr(0, 21)}}, .name = k25, .title = "Dr."},
    {.kind = kAsap, .shown = {{kName, "Dr. " + k25.substr(0, 19)}}, .name = k25, .title = "Dr."},
    // No patient: the "?" marker, and the title and privacy of patient 0 are never looked up.
    {.shown = {{kMarker, "?"}}, .title = "Dr.", .patient = 0},
    {.kind = kUnscheduled, .shown = {{kMarker, "?"}}, .patient = 0},
    {.shown = {{kMarker, "?"}, {kPhone, "555-1234"}},
     .phone = "5551234",
     .privatePhone = true,
     .patient = 0},
    // A patient that cannot be read: a plain name and a shown phone.
    {.shown = {{kPhone, "555-1234"}}, .phone = "5551234", .privatePhone = true, .inLookup = false},
    // Control characters show as blanks.
    {.shown = {{kName, "Smith, Ann "}, {kReason, "X Y"}},
     .name = "Smith,\tAnn\n",
     .reason = "X\rY"},
    // Reasons cut at 16.
    {.shown = {{kReason, "1234567890123456"}}, .reason = "1234567890123456"},
    {.shown = {{kReason, "1234567890123456"}}, .reason = "12345678901234567"},
    {.kind = kUnscheduled, .shown = {{kReason, "1234567890123456"}}, .reason = "12345678901234567"},
    // Phones right-aligned; a private one is not shown; a long one keeps its start.
    {.shown = {{kPhone, "555-1234"}}, .phone = "5551234"},
    {.shown = {{kPhone, "(800)555-1234"}}, .phone = "8005551234"},
    {.kind = kAsap, .shown = {}, .phone = "8005551234", .privatePhone = true},
    {.shown = {{kPhone, "12345"}}, .phone = "12345"},
    {.shown = {{kPhone, "     12345678"}}, .phone = "123456789012"},
    // Lengths that do not fit three characters.
    {.shown = {{kLength, "999"}}, .length = 1000},
    {.shown = {{kLength, "-99"}}, .length = -100},
    {.kind = kUnscheduled, .shown = {{kLength, "-99"}}, .length = -32768},
};

AppointmentRecord appointment(const Case& c) {
  AppointmentRecord a;
  a.setIdentifier(0x1234);
  a.setPatientId(c.patient);
  a.schedule(QRX_DateIn(2026, 12, 6), "OP1", static_cast<std::uint8_t>(c.hour),
             static_cast<std::uint8_t>(c.minute));
  if (c.kind == kUnscheduled) a.unschedule();
  a.setListDate(QRX_DateIn(2026, 11, 30));
  a.setProvider("DDS");
  a.setName(c.name);
  a.setDescription(c.reason);
  a.setPhone(c.phone);
  a.setStatus(static_cast<std::uint8_t>(c.status));
  a.setLength(static_cast<std::int16_t>(c.length));
  a.setScheduleKind(AppointmentRecord::kAsap);
  return a;
}

class RowComposers : public ::testing::Test {
 protected:
  RowComposers() {
    statuses_.define(3, "Ready", '2');
    statuses_.define(14, "Last", 'x', "255");
  }
  StatusTable statuses_;
  FakePatients patients_;
};

TEST_F(RowComposers, EveryValueStaysInsideItsColumn) {
  for (std::size_t i = 0; i < std::size(kCases); ++i) {
    const Case& c = kCases[i];
    FakePatients patients;
    if (c.inLookup) patients.add(c.patient, c.title, c.privatePhone);
    Fields expected = baseline(c.kind);
    for (const auto& [col, text] : c.shown) expected[col] = text;
    const ListEntry row = composeRowFor(c.kind, appointment(c), statuses_, patients);
    EXPECT_EQ(row.text, reference(c.kind, expected)) << "case " << i;
    EXPECT_EQ(row.text.size(), rowWidth(c.kind)) << "case " << i;
    if (c.patient == 0) {
      EXPECT_EQ(patients.reads(), 0) << "case " << i;
    }
  }
}

TEST_F(RowComposers, RowsCarryIdentifierPatientSortValueKindAndColour) {
  const AppointmentRecord a = appointment({.hour = 14, .minute = 45});
  EXPECT_EQ(composeRowFor(kDay, a, statuses_, patients_),
            (ListEntry{reference(kDay, baseline(kDay)).replace(0, 6, " 2:45p"), 0x1234, 77,
                       14 * 256 + 45, AppointmentRecord::kAsap, 4}));
  // The ASAP list spans days and sorts by date; the Unscheduled list by the date put on it.
  EXPECT_EQ(composeRowFor(kAsap, a, statuses_, patients_).third, QRX_DateIn(2026, 12, 6));
  const AppointmentRecord u = appointment({.kind = kUnscheduled, .status = 100});
  EXPECT_EQ(composeRowFor(kUnscheduled, u, statuses_, patients_).third, QRX_DateIn(2026, 11, 30));
  // Only a defined practice status (0-14) has a colour slot.
  EXPECT_EQ(composeRowFor(kDay, appointment({.status = 14}), statuses_, patients_).colourSlot, 15);
  EXPECT_EQ(composeRowFor(kDay, appointment({.status = 5}), statuses_, patients_).colourSlot, 0);
  EXPECT_EQ(composeRowFor(kDay, u, statuses_, patients_).colourSlot, 0);
}

TEST_F(RowComposers, FullRecordsNeverWidenARow) {
  patients_.add(77, std::string(10, 'T'));
  for (const ListKind kind : {kDay, kAsap, kUnscheduled}) {
    AppointmentRecord a = appointment({.kind = kind,
                                       .name = std::string(31, 'N'),
                                       .reason = std::string(60, 'R'),
                                       .phone = std::string(16, '9')});
    a.setProvider("WXYZ");
    a.schedule(0xFFFFFFFFu, "ABCD", 23, 59);
    a.setListDate(0xFFFFFFFFu);
    EXPECT_EQ(composeRowFor(kind, a, statuses_, patients_).text.size(), rowWidth(kind));
  }
}

TEST(ClipboardTitle, CutsTheWindowTitleAtEighty) {
  const PackedDate date = QRX_DateIn(2026, 12, 6);
  EXPECT_EQ(clipboardTitle("Appointment List", date),
            "Appointment List - Sunday, December 6, 2026");
  EXPECT_EQ(clipboardTitle(std::string(100, 'W'), date),
            std::string(80, 'W') + " - Sunday, December 6, 2026");
}

}  // namespace
