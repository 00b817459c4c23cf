#include "lists/row_composers.h"

#include <array>

#include "data/appointment_record.h"
#include "data/patient_record.h"
#include "lists/definitions.h"
#include "lists/patient_lookup.h"
#include "lists/text_format.h"

using lists_internal::formatted;

namespace {

constexpr std::size_t kClipboardTitleLength = 80;

// What a row shows of the appointment's patient.
struct PatientFacts {
  std::string title;
  bool phonePrivate = false;
};

PatientFacts patientFacts(std::uint32_t patientId, PatientLookup& patients) {
  PatientFacts facts;
  if (patientId == 0) return facts;
  PatientRecord patient;
  if (!patients.readPatient(patientId, &patient)) return facts;
  facts.title = patient.title();
  facts.phonePrivate = QRX_CheckForPrivatePhone(patient.data(), patient.size()) != 0;
  return facts;
}

// The parts every row of the three lists is made of.
struct RowParts {
  std::string name;   // with the title in front when the patient has one
  char marker = ' ';  // '?' for a person without a patient record
  std::string provider;
  std::string operatory;
  std::string reason;
  std::string length;
  std::string phone;
};

RowParts rowParts(const AppointmentRecord& appt, PatientLookup& patients) {
  const PatientFacts facts = patientFacts(appt.patientId(), patients);
  RowParts parts;
  parts.name = facts.title.empty() ? appt.name() : facts.title + " " + appt.name();
  parts.name = rowSafeText(parts.name);
  parts.marker = appt.patientId() != 0 ? ' ' : '?';
  parts.provider = rowSafeText(appt.providerCode());
  parts.operatory = rowSafeText(appt.operatoryCode());
  parts.reason = rowSafeText(appt.description());
  parts.length = rowLengthText(appt.length());
  parts.phone = rowSafeText(rowPhoneText(appt.phone(), facts.phonePrivate));
  return parts;
}

std::string dateText(PackedDate date) {
  std::array<char, 32> text{};
  QRX_FormatNDate2000(text.data(), text.size(), date);
  return text.data();
}

std::string timeColumn(PackedTime time) {
  const RowTime t = rowTimeText(time);
  return t.clock + t.meridian;
}

ListEntry entryFor(const AppointmentRecord& appt, std::string text, std::uint32_t sortValue,
                   const StatusTable& statuses) {
  ListEntry row;
  row.text = std::move(text);
  row.first = appt.identifier();
  row.second = appt.patientId();
  row.third = sortValue;
  row.fourth = appt.scheduleKind();
  row.colourSlot = statuses.colourSlot(appt.status());
  return row;
}

}  // namespace

std::string_view listHeader(ListKind kind) {
  switch (kind) {
    case ListKind::kAsap:
      return kAsapListHeader;
    case ListKind::kUnscheduled:
      return kUnscheduledListHeader;
    case ListKind::kDay:
      break;
  }
  return kDayListHeader;
}

const std::array<int, kListColumnCount>& listWidths(ListKind kind) {
  switch (kind) {
    case ListKind::kAsap:
      return kAsapListWidths;
    case ListKind::kUnscheduled:
      return kUnscheduledListWidths;
    case ListKind::kDay:
      break;
  }
  return kDayListWidths;
}

std::size_t rowWidth(ListKind kind) {
  switch (kind) {
    case ListKind::kAsap:
      return kAsapRowWidth;
    case ListKind::kUnscheduled:
      return kUnscheduledRowWidth;
    case ListKind::kDay:
      break;
  }
  return kDayRowWidth;
}

std::string rowLengthText(int minutes) {
  // "%3d" would widen the row for a length it cannot hold; the nearest number that fits keeps
  // every column after it in place.
  if (minutes > 999) minutes = 999;
  if (minutes < -99) minutes = -99;
  return formatted("%3d", minutes);
}

RowTime rowTimeText(PackedTime time) {
  std::array<char, 16> clock{};
  const int meridian = QRX_FormatPackTime(clock.data(), clock.size(), time, kTime12Hour);
  RowTime out;
  out.clock = std::string(clock.data()).substr(0, 5);
  out.meridian = meridian == kTimeAm ? 'a' : 'p';
  return out;
}

std::string rowPhoneText(std::string_view phone, bool phonePrivate) {
  if (phone.empty()) return {};
  if (phonePrivate) return " ";
  std::array<char, 64> shown{};
  QRX_FormatPhone(shown.data(), shown.size(), phone);
  if (phone.size() == 10) return shown.data();
  return std::string(5, ' ') + shown.data();
}

std::string rowSafeText(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) c = ' ';
  }
  return out;
}

ListEntry composeDayRow(const AppointmentRecord& appt, const StatusTable& statuses,
                        PatientLookup& patients) {
  const RowParts p = rowParts(appt, patients);
  const std::string time = timeColumn(appt.startTime());
  const std::string status = rowSafeText(statuses.rowStatusName(appt.status()));
  std::string text =
      formatted("%6.6s%6.6s%c%-25.25s%6.6s/%4.4s %-16.16s%3.3s%13.13s", time.c_str(),
                status.c_str(), p.marker, p.name.c_str(), p.provider.c_str(), p.operatory.c_str(),
                p.reason.c_str(), p.length.c_str(), p.phone.c_str());
  const auto sortValue = static_cast<std::uint32_t>(appt.startHour() * 256 + appt.startMinute());
  return entryFor(appt, std::move(text), sortValue, statuses);
}

ListEntry composeAsapRow(const AppointmentRecord& appt, const StatusTable& statuses,
                         PatientLookup& patients) {
  const RowParts p = rowParts(appt, patients);
  const std::string date = dateText(appt.date());
  const std::string status = rowSafeText(statuses.rowStatusName(appt.status()));
  std::string text =
      formatted("%10.10s%6.6s%c%-23.23s%6.6s/%4.4s %-16.16s%3.3s%13.13s", date.c_str(),
                status.c_str(), p.marker, p.name.c_str(), p.provider.c_str(), p.operatory.c_str(),
                p.reason.c_str(), p.length.c_str(), p.phone.c_str());
  return entryFor(appt, std::move(text), appt.date(), statuses);
}

ListEntry composeUnscheduledRow(const AppointmentRecord& appt, const StatusTable& statuses,
                                PatientLookup& patients) {
  const RowParts p = rowParts(appt, patients);
  const std::string date = dateText(appt.listDate());
  const std::string status = unscheduledStatusName(appt.status());
  std::string text = formatted("%10.10s%6.6s%c%-23.23s%4.4s %-16.16s%3.3s%13.13s", date.c_str(),
                               status.c_str(), p.marker, p.name.c_str(), p.provider.c_str(),
                               p.reason.c_str(), p.length.c_str(), p.phone.c_str());
  return entryFor(appt, std::move(text), appt.listDate(), statuses);
}

ListEntry composeRowFor(ListKind kind, const AppointmentRecord& appt, const StatusTable& statuses,
                        PatientLookup& patients) {
  switch (kind) {
    case ListKind::kAsap:
      return composeAsapRow(appt, statuses, patients);
    case ListKind::kUnscheduled:
      return composeUnscheduledRow(appt, statuses, patients);
    case ListKind::kDay:
      break;
  }
  return composeDayRow(appt, statuses, patients);
}

std::string clipboardTitle(std::string_view windowTitle, PackedDate date) {
  std::array<char, 64> longDate{};
  QRX_DateStr(longDate.data(), longDate.size(), date, kDateLong);
  return std::string(windowTitle.substr(0, kClipboardTitleLength)) + " - " + longDate.data();
}
