#pragma once
// What the "More Information" dialog of the patient selection shows about a patient: the
// family's members, the household address and phone, the chart number and status, and one
// member's appointments. Read in a database session of its own. Qt-free.

#include <cstdint>
#include <string>
#include <vector>

#include "contracts/qrx.h"

struct FamilyMember {
  std::uint32_t patientId = 0;
  std::string name;       // "Last, First MI"
  std::string birthDate;  // "MM/DD/YYYY", "" when unknown
  std::string status;     // "Patient", "Non-Patient", "Inactive", "Archived"
  std::string chartNumber;
  bool guarantor = false;
};

struct MoreInfo {
  std::uint32_t patientId = 0;
  std::uint32_t familyId = 0;
  std::vector<FamilyMember> members;  // the guarantor first, then the others in file order
  std::string street1;
  std::string street2;
  std::string city;
  std::string state;
  std::string zip;
  std::string homePhone;  // formatted; "(private)" when the patient asked not to show it
};

// The name of a patient status (1-4); "" for other values.
const char* patientStatusName(std::uint8_t status);

// Reads the patient, its family (patient key 21) and household address. Returns 0, 101 when the
// patient is not on file, or the database's error number.
int loadMoreInfo(std::uint32_t patientId, MoreInfo* out);

// One line per appointment of the patient (appointment key 14), the latest date first and the
// undated ones on top: "MM/DD/YYYY  h:mm am  PROV  30 min  reason", with "(Broken)" or
// "(Complete)" after the reason where that is the status. At most `limit` lines.
std::vector<std::string> loadAppointmentLines(std::uint32_t patientId, std::size_t limit = 200);
