#include "patsel/more_info.h"

#include <algorithm>
#include <array>

#include "contracts/qdb.h"
#include "data/address_record.h"
#include "data/appointment_record.h"
#include "data/patient_record.h"
#include "data/schema.h"

namespace {

std::array<std::uint8_t, 4> u32Key(std::uint32_t v) {
  return {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
          static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
}

// A session with the files one reading needs; ended (closing them) when it goes.
class Reading {
 public:
  Reading() : session_(QDB_StartSession(1)) {}
  ~Reading() {
    if (session_ != 0) QDB_EndSession(session_);
  }
  Reading(const Reading&) = delete;
  Reading& operator=(const Reading&) = delete;
  QdbHandle open(int file) { return session_ == 0 ? 0 : QDB_OpenFile(session_, file); }
  int error() const {
    return session_ == 0 ? QDB_GetLastErrorNum(0) : QDB_GetLastErrorNum(session_);
  }

 private:
  QdbSession session_;
};

FamilyMember memberOf(const PatientRecord& p) {
  FamilyMember m;
  m.patientId = p.identifier();
  char name[64] = {};
  QRX_PackName(name, sizeof name, p.lastName(), p.firstName(), p.middleInitial(), 0);
  m.name = name;
  char birth[16] = {};
  QRX_FormatNDate2000(birth, sizeof birth, p.birthDate());
  m.birthDate = birth;
  m.status = patientStatusName(p.status());
  m.chartNumber = p.chartNumber();
  m.guarantor = p.guarantorFlag();
  return m;
}

}  // namespace

const char* patientStatusName(std::uint8_t status) {
  switch (status) {
    case PatientRecord::kPatient:
      return "Patient";
    case PatientRecord::kNonPatient:
      return "Non-Patient";
    case PatientRecord::kInactive:
      return "Inactive";
    case PatientRecord::kArchived:
      return "Archived";
    default:
      return "";
  }
}

int loadMoreInfo(std::uint32_t patientId, MoreInfo* out) {
  *out = MoreInfo();
  Reading reading;
  const QdbHandle patients = reading.open(kPatientFile);
  if (patients == 0) return reading.error();
  PatientRecord patient;
  const auto id = u32Key(patientId);
  if (QDB_FindRec(patients, kPatientById, id.data(), id.size(), patient.data(), patient.size()) ==
      0) {
    return reading.error();
  }
  out->patientId = patientId;
  out->familyId = patient.familyId();

  // The family: every patient of the family identifier; a patient without one stands alone.
  if (patient.familyId() != 0) {
    const auto family = u32Key(patient.familyId());
    PatientRecord member;
    const QdbHandle set = QDB_StartSet(patients, kPatientByFamily, 0, family.data(), family.size(),
                                       member.data(), member.size(), family.size());
    if (set != 0) {
      do {
        out->members.push_back(memberOf(member));
      } while (QDB_NextRecInSet(set, member.data(), member.size()) != 0);
      QDB_EndSet(set);
    }
  }
  if (std::none_of(out->members.begin(), out->members.end(),
                   [&](const FamilyMember& m) { return m.patientId == patientId; })) {
    out->members.insert(out->members.begin(), memberOf(patient));
  }
  std::stable_partition(out->members.begin(), out->members.end(),
                        [&](const FamilyMember& m) { return m.patientId == patient.familyId(); });

  const QdbHandle addresses = reading.open(kAddressFile);
  AddressRecord address;
  const auto addressId = u32Key(patient.addressId());
  if (addresses != 0 && patient.addressId() != 0 &&
      QDB_FindRec(addresses, kAddressById, addressId.data(), addressId.size(), address.data(),
                  address.size()) != 0) {
    out->street1 = address.street1();
    out->street2 = address.street2();
    out->city = address.city();
    out->state = address.state();
    out->zip = address.zip();
    if (patient.phonePrivate()) {
      out->homePhone = "(private)";
    } else {
      char phone[40] = {};
      QRX_FormatPhone(phone, sizeof phone, address.phone());
      out->homePhone = phone;
    }
  }
  return 0;
}

std::vector<std::string> loadAppointmentLines(std::uint32_t patientId, std::size_t limit) {
  std::vector<AppointmentRecord> found;
  {
    Reading reading;
    const QdbHandle appts = reading.open(kAppointmentFile);
    if (appts == 0 || patientId == 0) return {};
    const auto id = u32Key(patientId);
    AppointmentRecord a;
    const QdbHandle set =
        QDB_StartSet(appts, kApptByPatient, 0, id.data(), id.size(), a.data(), a.size(), id.size());
    if (set != 0) {
      do {
        found.push_back(a);
      } while (QDB_NextRecInSet(set, a.data(), a.size()) != 0);
      QDB_EndSet(set);
    }
  }
  // Undated first (date 0 sorts as the largest), then the latest date and time first.
  std::stable_sort(
      found.begin(), found.end(), [](const AppointmentRecord& x, const AppointmentRecord& y) {
        const auto key = [](const AppointmentRecord& r) {
          const std::uint64_t date = r.date() == 0 ? 0xFFFFFFFFu : r.date();
          return (date << 16) | (static_cast<std::uint64_t>(r.startHour()) << 8) | r.startMinute();
        };
        return key(x) > key(y);
      });
  std::vector<std::string> lines;
  for (const AppointmentRecord& a : found) {
    if (lines.size() >= limit) break;
    std::string line;
    if (a.date() == 0) {
      line = "<Unscheduled>     ";
    } else {
      char date[16] = {};
      char time[8] = {};
      QRX_FormatNDate2000(date, sizeof date, a.date());
      const int half = QRX_FormatPackTime(time, sizeof time, a.startTime());
      line = std::string(date) + "  " + time + (half == kTimePm ? " pm" : " am");
    }
    line += "  " + a.providerCode();
    line += "  " + std::to_string(a.length()) + " min  " + a.description();
    if (a.status() == AppointmentRecord::kStatusBroken) line += " (Broken)";
    if (a.status() == AppointmentRecord::kStatusComplete) line += " (Complete)";
    lines.push_back(std::move(line));
  }
  return lines;
}
