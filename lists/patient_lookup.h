#pragma once
// How the row composers learn about the patient of an appointment: the title that goes before
// the name and whether the phone may be shown. The program reads the patient file; tests hand
// in patients of their own.

#include <cstdint>
#include <optional>

#include "data/patient_record.h"

class AccessLayer;

class PatientLookup {
 public:
  virtual ~PatientLookup() = default;
  // Reads patient `id` into *out. False when there is no such patient or it cannot be read;
  // *out is then unspecified.
  virtual bool readPatient(std::uint32_t id, PatientRecord* out) = 0;
};

// Reads patients by identifier (patient key 19) through the access layer, whose session must be
// started. The patient file is opened on the first read (unless the caller has it open already)
// and closed when the lookup goes. The last patient read is kept, so the rows of one patient's
// appointments in a row read the file once; make a lookup for one load (or one row update) so
// that a patient changed meanwhile is read again next time. A patient that cannot be read (not found, locked
// past the retries, any error) is reported as missing; nothing is shown to the user.
// REQUIRES: the access layer outlives the lookup, and nothing else closes the patient file
// while the lookup is in use.
class AccessLayerPatientLookup final : public PatientLookup {
 public:
  explicit AccessLayerPatientLookup(AccessLayer& db) : db_(db) {}
  ~AccessLayerPatientLookup() override;
  AccessLayerPatientLookup(const AccessLayerPatientLookup&) = delete;
  AccessLayerPatientLookup& operator=(const AccessLayerPatientLookup&) = delete;

  bool readPatient(std::uint32_t id, PatientRecord* out) override;

 private:
  AccessLayer& db_;
  bool opened_ = false;
  std::optional<PatientRecord> last_;
};
