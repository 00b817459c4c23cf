#include "lists/patient_lists.h"

#include <algorithm>
#include <array>

#include "data/appointment_record.h"
#include "data/patient_record.h"
#include "lists/patient_lookup.h"
#include "lists/row_composers.h"
#include "lists/text_format.h"

using lists_internal::formatted;

namespace {

std::string shortDate(PackedDate date) {
  std::array<char, 32> text{};
  QRX_FormatNDate2000(text.data(), text.size(), date);
  return text.data();
}

std::string weekdayAbbreviation(PackedDate date) {
  return QRX_getday_name(QRX_WeekDayOf(date), true);
}

unsigned long hexId(const AppointmentRecord& appt) { return appt.identifier(); }

bool isPast(PackedDate date, PackedDate today) { return date != kNoDate && date < today; }

// The phone as the by-name list shows it.
std::string byNamePhone(const AppointmentRecord& appt, PatientLookup& patients) {
  const std::string phone = appt.phone();
  if (phone.empty()) return {};
  if (appt.patientId() != 0) {
    PatientRecord patient;
    if (patients.readPatient(appt.patientId(), &patient) &&
        QRX_CheckForPrivatePhone(patient.data(), patient.size()) != 0) {
      return " ";
    }
  }
  std::array<char, 64> shown{};
  QRX_FormatPhone(shown.data(), shown.size(), phone);
  return rowSafeText(shown.data());
}

}  // namespace

std::int64_t appointmentOrderKey(PackedDate date, PackedDate today) {
  if (date == kNoDate) return kUndatedOrderKey;
  if (date >= today) return date;
  return kPastOrderBase - static_cast<std::int64_t>(date);
}

std::int64_t separatorOrderKey(PackedDate today) {
  return static_cast<std::int64_t>(today) + kSeparatorOffset;
}

std::int64_t careDueOrderKey(PackedDate dueDate) {
  return static_cast<std::int64_t>(dueDate) - kCareDueOffset;
}

OrderedRow onePatientRow(const AppointmentRecord& appt, PackedDate today) {
  OrderedRow row;
  row.key = appointmentOrderKey(appt.date(), today);
  row.itemData = appt.identifier();
  row.past = isPast(appt.date(), today);
  const std::string provider = rowSafeText(appt.providerCode());
  const std::string length = rowLengthText(appt.length());
  if (appt.date() == kNoDate) {
    row.text = formatted(" <Unscheduled>       \t%4.4s\t%3.3s mins\t%lx", provider.c_str(),
                         length.c_str(), hexId(appt));
    return row;
  }
  const RowTime time = rowTimeText(appt.startTime());
  row.text =
      formatted("%8s\t%-3.3s \t%5.5s%c \t%4.4s\t%3.3s mins\t%lx", shortDate(appt.date()).c_str(),
                weekdayAbbreviation(appt.date()).c_str(), time.clock.c_str(), time.meridian,
                provider.c_str(), length.c_str(), hexId(appt));
  return row;
}

OrderedRow byNameRow(const AppointmentRecord& appt, PackedDate today, PatientLookup& patients) {
  OrderedRow row;
  row.key = appointmentOrderKey(appt.date(), today);
  row.itemData = appt.identifier();
  row.past = isPast(appt.date(), today);
  const std::string name = rowSafeText(appt.name());
  const char marker = appt.patientId() != 0 ? ' ' : '?';
  const std::string phone = byNamePhone(appt, patients);
  if (appt.date() == kNoDate) {
    row.text = formatted("%-21.21s%c \t<Unscheduled>\t  \t\t%8.8s\t%lx", name.c_str(), marker,
                         phone.c_str(), hexId(appt));
    return row;
  }
  row.text = formatted("%-21.21s%c\t%8s\t%-3.3s\t%4.4s\t%8.8s\t%lx", name.c_str(), marker,
                       shortDate(appt.date()).c_str(), weekdayAbbreviation(appt.date()).c_str(),
                       rowSafeText(appt.providerCode()).c_str(), phone.c_str(), hexId(appt));
  return row;
}

OrderedRow familyRow(const AppointmentRecord& appt, PackedDate today, std::string_view careTypes,
                     std::string_view labCaseStatus) {
  OrderedRow row;
  row.key = appointmentOrderKey(appt.date(), today);
  row.itemData = appt.identifier();
  row.past = isPast(appt.date(), today);
  const std::string provider = rowSafeText(appt.providerCode());
  const std::string care = rowSafeText(careTypes);
  const std::string lab = rowSafeText(labCaseStatus);
  const std::string reason = rowSafeText(appt.description());
  if (appt.date() == kNoDate) {
    row.text = formatted("<Unscheduled Appt>\t\t%-4.4s\t%s\t%s\t%s", provider.c_str(), care.c_str(),
                         lab.c_str(), reason.c_str());
    return row;
  }
  const RowTime time = rowTimeText(appt.startTime());
  const std::string date = shortDate(appt.date());
  const std::string weekday = weekdayAbbreviation(appt.date());
  const std::string length = rowLengthText(appt.length());
  const char* star = row.past ? "*" : "";
  if (care.empty()) {
    row.text = formatted("%s%10s  %-3.3s\t%5s%cm\t%3.3s\t%-4.4s\t\t%s\t%s", star, date.c_str(),
                         weekday.c_str(), time.clock.c_str(), time.meridian, length.c_str(),
                         provider.c_str(), lab.c_str(), reason.c_str());
  } else {
    row.text = formatted("%s%10s  %-3.3s\t%5s%cm\t%3.3s\t%-4.4s\tCC:%s\t%s\t%s", star, date.c_str(),
                         weekday.c_str(), time.clock.c_str(), time.meridian, length.c_str(),
                         provider.c_str(), care.c_str(), lab.c_str(), reason.c_str());
  }
  return row;
}

OrderedRow familyCareRow(std::string_view typeName, PackedDate dueDate, std::uint32_t careType) {
  OrderedRow row;
  row.key = careDueOrderKey(dueDate);
  row.itemData = careType;
  row.text = formatted("[No Appointment]\t\t\t\tCC:%s %10s", rowSafeText(typeName).c_str(),
                       shortDate(dueDate).c_str());
  return row;
}

bool OrderedList::place(OrderedRow row) {
  if (keyed_ < kOrderKeyCapacity) {
    const auto end = rows_.begin() + static_cast<std::ptrdiff_t>(keyed_);
    const auto at = std::upper_bound(
        rows_.begin(), end, row.key,
        [](std::int64_t key, const OrderedRow& existing) { return key < existing.key; });
    rows_.insert(at, std::move(row));
    ++keyed_;
    return true;
  }
  if (kind_ == PatientListKind::kFamily) return false;
  rows_.push_back(std::move(row));
  return true;
}

bool OrderedList::add(OrderedRow row, Prompter& prompter) {
  ++added_;
  const bool past = row.past;
  if (place(std::move(row)) && past) pastListed_ = true;
  if (kind_ != PatientListKind::kFamily && added_ > kPatientListRowLimit) {
    QRX_Message(prompter, kRowLimitMessage);
    return false;
  }
  return true;
}

void OrderedList::finish() {
  if (finished_) return;
  finished_ = true;
  if (!pastListed_) return;
  OrderedRow separator;
  separator.text = std::string(
      kind_ == PatientListKind::kFamily ? kFamilySeparatorLength : kPatientSeparatorLength, '_');
  separator.key = separatorOrderKey(today_);
  separator.separator = true;
  place(std::move(separator));
}
