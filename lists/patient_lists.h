#pragma once
// The rows of the lists that show appointments of one patient, of the appointments found by
// name, and of a family, and the ordering those lists keep: a numeric key per row, a separator
// between the coming and the past appointments, a table of at most 99 keys, and the row limit
// of the patient and by-name lists. The callers read the records; this only places the rows.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "contracts/qrx.h"

class AppointmentRecord;
class PatientLookup;

enum class PatientListKind { kOnePatient, kByName, kFamily };

struct OrderedRow {
  std::string text;
  std::int64_t key = 0;
  std::uint32_t itemData = 0;  // the appointment identifier; the care type for care-only rows
  bool past = false;           // an appointment dated before today
  bool separator = false;
  bool operator==(const OrderedRow&) const = default;
};

// ---- Ordering keys.
inline constexpr std::int64_t kUndatedOrderKey = 10;
inline constexpr std::int64_t kPastOrderBase = 400000;
inline constexpr std::int64_t kSeparatorOffset = 5000;
inline constexpr std::int64_t kCareDueOffset = 100000;

// Today or later: the date; before today: 400000 - date (the most recent first, after the
// coming ones); no date: 10 (first).
std::int64_t appointmentOrderKey(PackedDate date, PackedDate today);
// Between the coming and the past appointments.
std::int64_t separatorOrderKey(PackedDate today);
// A continuing care due without an appointment (family list): due date - 100000.
std::int64_t careDueOrderKey(PackedDate dueDate);

// ---- Rows. Texts are taken as printable (control characters become blanks), and the length
// in minutes is always 3 characters, as in the day list.

// "%8s\t%-3.3s \t%5.5s%c \t%4.4s\t%3d mins\t%lx", or for an appointment without a date
// " <Unscheduled>       \t%4.4s\t%3d mins\t%lx". The date is the short date text.
OrderedRow onePatientRow(const AppointmentRecord& appt, PackedDate today);
// "%-21.21s%c\t%8s\t%-3.3s\t%4.4s\t%8.8s\t%lx" (name, '?' for a person without a patient
// record, date, weekday, provider, phone), or "%-21.21s%c \t<Unscheduled>\t  \t\t%8.8s\t%lx".
// The phone is the formatted phone, a single blank when the patient's phone is private.
OrderedRow byNameRow(const AppointmentRecord& appt, PackedDate today, PatientLookup& patients);
// "%s%10s  %-3.3s\t%5s%cm\t%3d\t%-4.4s\tCC:%s\t%s\t%s" ("*" first for a date before today;
// date, weekday, time with "am"/"pm", length, provider, the care types, the lab case status,
// the appointment's reason); without care types the "CC:" field is empty. Without a date:
// "<Unscheduled Appt>\t\t%-4.4s\t%s\t%s\t%s" (provider, care types, lab case, reason), the
// care field empty when there are none.
OrderedRow familyRow(const AppointmentRecord& appt, PackedDate today, std::string_view careTypes,
                     std::string_view labCaseStatus);
// "[No Appointment]\t\t\t\tCC:%s %10s": a care type due without an appointment; the item data
// is the type.
OrderedRow familyCareRow(std::string_view typeName, PackedDate dueDate, std::uint32_t careType);

// ---- The list.
inline constexpr std::size_t kOrderKeyCapacity = 99;
// The patient and by-name lists stop once more than this many rows have been added.
inline constexpr int kPatientListRowLimit = 150;
inline constexpr int kRowLimitMessage = 9154;
inline constexpr std::size_t kPatientSeparatorLength = 62;
inline constexpr std::size_t kFamilySeparatorLength = 31;

class OrderedList {
 public:
  explicit OrderedList(PatientListKind kind, PackedDate today) : kind_(kind), today_(today) {}

  // Places `row` after every row of a key not greater than its own. While the key table has
  // room the row takes a key of it; once 99 keys are held a further row is appended at the end
  // (patient and by-name lists) or left out (family list).
  // Returns true while the caller may read on. In the patient and by-name lists, adding the
  // 151st row shows message 9154 and returns false: the caller stops reading.
  bool add(OrderedRow row, Prompter& prompter);
  // Ends the list: when a past appointment is listed, the separator row of underscores goes in
  // with the key today + 5000, by the same table rule. Calling it again changes nothing.
  void finish();

  const std::vector<OrderedRow>& rows() const { return rows_; }
  // Rows added through add(), shown or not.
  int added() const { return added_; }
  PatientListKind kind() const { return kind_; }

 private:
  // Returns false when the row was left out.
  bool place(OrderedRow row);

  PatientListKind kind_;
  PackedDate today_;
  std::vector<OrderedRow> rows_;
  std::size_t keyed_ = 0;  // rows that took a key of the table; they lead the list
  int added_ = 0;
  bool pastListed_ = false;
  bool finished_ = false;
};
