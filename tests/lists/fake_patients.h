#pragma once
// Patients handed to the row composers without a database; `onRead` lets a test act when the
// n-th patient is asked for (to break the database in the middle of a walk).

#include <cstdint>
#include <functional>
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
    if (onRead) onRead(reads_);
    const auto it = patients_.find(id);
    if (it == patients_.end()) return false;
    *out = it->second;
    return true;
  }
  int reads() const { return reads_; }
  std::function<void(int)> onRead;

 private:
  std::map<std::uint32_t, PatientRecord> patients_;
  int reads_ = 0;
};
