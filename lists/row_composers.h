#pragma once
// The rows of the day list, the ASAP list and the Unscheduled list: fixed-width text lines
// composed from an appointment record, with the values the list keeps with each row, and the
// header, column widths and alignments the three lists are made with.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "contracts/qrx.h"
#include "lists/row_sink.h"

class AppointmentRecord;
class PatientLookup;
class StatusTable;

enum class ListKind { kDay, kAsap, kUnscheduled };

// ---- Layout of the three lists. Each has seven columns; the status column holds the status
// name and the marker character.
inline constexpr int kListColumnCount = 7;
inline constexpr std::size_t kDayRowWidth = 82;
inline constexpr std::size_t kAsapRowWidth = 84;
inline constexpr std::size_t kUnscheduledRowWidth = 77;

inline constexpr std::string_view kDayListHeader =
    "Time  Status Name                       Prov/Op   Reason          Ln Phone         ";
inline constexpr std::string_view kAsapListHeader =
    "Date      Status Name                     Prov/Op   Reason          Ln Phone         ";
inline constexpr std::string_view kUnscheduledListHeader =
    "Date      Status Name                   Prov Reason          Ln Phone         ";

inline constexpr std::array<int, kListColumnCount> kDayListWidths = {6, 7, 25, 12, 16, 3, 13};
inline constexpr std::array<int, kListColumnCount> kAsapListWidths = {10, 7, 23, 12, 16, 3, 13};
inline constexpr std::array<int, kListColumnCount> kUnscheduledListWidths = {10, 7, 23, 5,
                                                                             16, 3, 13};
// The same for all three lists, in the list control's alignment codes.
inline constexpr std::array<int, kListColumnCount> kListAlignments = {2, 2, 0, 2, 0, 1, 1};

std::string_view listHeader(ListKind kind);
const std::array<int, kListColumnCount>& listWidths(ListKind kind);
std::size_t rowWidth(ListKind kind);

// ---- Rows. Every composer returns a row of exactly its list's width, whatever the record
// holds: texts are cut to their columns, control characters in them show as blanks, and a
// length in minutes that needs more than 3 characters shows as 999 (or -99 below -99).
// The patient of the appointment, when it has one, is read through `patients` once per row;
// a patient that cannot be read gives a row without the title and with the phone shown.

// Day row (82): time, status, marker, name (25), provider/operatory, reason (16), length,
// phone. Values: identifier, patient, start hour × 256 + minute, schedule kind, colour slot.
ListEntry composeDayRow(const AppointmentRecord& appt, const StatusTable& statuses,
                        PatientLookup& patients);
// ASAP row (84): as the day row with the appointment date first and a name of 23. The sort
// value is the appointment date: the ASAP list spans several days.
ListEntry composeAsapRow(const AppointmentRecord& appt, const StatusTable& statuses,
                         PatientLookup& patients);
// Unscheduled row (77): the date put on the list (blank when none), "Broken" or "W/Call", the
// provider only. The sort value is the date put on the list.
ListEntry composeUnscheduledRow(const AppointmentRecord& appt, const StatusTable& statuses,
                                PatientLookup& patients);
// The row of `kind` for the single-row updates of the list windows.
ListEntry composeRowFor(ListKind kind, const AppointmentRecord& appt, const StatusTable& statuses,
                        PatientLookup& patients);

// ---- Column texts, shared with the patient and family lists.

// The length in minutes as exactly 3 characters, right-aligned.
std::string rowLengthText(int minutes);
// The start time in 12-hour form, 5 characters, and 'a' for a morning time, 'p' otherwise
// (also for an impossible time, whose 5 characters are then empty).
struct RowTime {
  std::string clock;  // " 9:05", "12:30"; empty for an impossible time
  char meridian = 'p';
};
RowTime rowTimeText(PackedTime time);
// The phone column of a row before it is fitted into its width: empty without a phone, a
// single blank when the patient's phone is private, else the formatted phone, after 5 blanks
// unless the stored phone has exactly 10 characters.
std::string rowPhoneText(std::string_view phone, bool phonePrivate);
// A text with every control character (tabs and line breaks included) shown as a blank, so a
// record's text can never break a list's columns or fields.
std::string rowSafeText(std::string_view text);

// The title line of a copied list: the window title cut to 80 characters, " - ", and the date
// as long date text.
std::string clipboardTitle(std::string_view windowTitle, PackedDate date);
