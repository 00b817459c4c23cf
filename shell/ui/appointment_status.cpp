#include "shell/ui/appointment_status.h"

#include <array>

#include "data/access_layer.h"
#include "data/appointment_record.h"
#include "data/schema.h"

int setAppointmentStatus(AccessLayer& db, Prompter& prompter, std::uint32_t id, std::uint8_t status,
                         AppointmentRecord* out) {
  if (id == 0) return kQdbNotFound;
  const FileDescriptor* file = descriptorOf(kAppointmentFile);
  if (file == nullptr) return kDbFileNotOpen;
  const std::array<std::uint8_t, 4> key = {
      static_cast<std::uint8_t>(id), static_cast<std::uint8_t>(id >> 8),
      static_cast<std::uint8_t>(id >> 16), static_cast<std::uint8_t>(id >> 24)};
  AppointmentRecord appt;
  int result = db.readReported(prompter, true, *file, kApptById, key.data(), key.size(),
                               appt.data(), appt.size(), nullptr);
  if (result != 0) return result;
  appt.setStatus(status);
  AppointmentRecord scratch;
  result = db.writeReported(prompter, false, *file, kApptById, key.data(), key.size(),
                            scratch.data(), appt.data(), appt.size(), nullptr);
  if (result != 0) {
    // A write that failed before it could free the read's lock must not leave the record held.
    const DbStatus failed = db.status();
    db.lockMode(0);
    return failed.error != 0 ? failed.error : result;
  }
  if (out != nullptr) *out = appt;
  return 0;
}
