#pragma once
// Patients handed to the row composers without a database.

#include <cstdint>
#include <map>
#include <string>

#include "data/patient_record.h"
#include "lists/patient_lookup.h"

class FakePatients final : public PatientLookup {
 public:
  // Adds a patient with the given title; `privatePhone` asks that the phone not be shown.
  void add(std::uint32_t id, const std::string& title, bool privatePhone = false) {
    PatientRecord p;
    p.setIdentifier(id);
    p.setTitle(title);
    p.setPhonePrivate(privatePhone);
    patients_[id] = p;
  }
  bool readPatient(std::uint32_t id, PatientRecord* out) override {
    ++reads_;
    const auto it = patients_.find(id);
    if (it == patients_.end()) return false;
    *out = it->second;
    return true;
  }
  int reads() const { return reads_; }

 private:
  std::map<std::uint32_t, PatientRecord> patients_;
  int reads_ = 0;
};
