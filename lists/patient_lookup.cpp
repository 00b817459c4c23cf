#include "lists/patient_lookup.h"

#include <array>

#include "data/access_layer.h"
#include "data/schema.h"

AccessLayerPatientLookup::~AccessLayerPatientLookup() {
  if (!opened_) return;
  if (const FileDescriptor* file = descriptorOf(kPatientFile)) db_.close(*file);
}

bool AccessLayerPatientLookup::readPatient(std::uint32_t id, PatientRecord* out) {
  if (id == 0 || out == nullptr) return false;
  if (last_ && last_->identifier() == id) {
    *out = *last_;
    return true;
  }
  if (!db_.isOpen(kPatientFile)) {
    const FileDescriptor* file = descriptorOf(kPatientFile);
    if (file == nullptr || db_.open(*file) != 0) return false;
    opened_ = true;
  }
  const std::array<std::uint8_t, 4> key = {
      static_cast<std::uint8_t>(id), static_cast<std::uint8_t>(id >> 8),
      static_cast<std::uint8_t>(id >> 16), static_cast<std::uint8_t>(id >> 24)};
  PatientRecord found;
  if (db_.find(kPatientById, key.data(), key.size(), found.data(), found.size()) != 0) {
    return false;
  }
  last_ = found;
  *out = found;
  return true;
}
