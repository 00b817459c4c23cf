#pragma once
// Setting an appointment's status from the Status menu: only the status byte changes; no other
// field, no audit entry and no scheduling check is involved. Qt-free.

#include <cstdint>

class AccessLayer;
class AppointmentRecord;
class Prompter;

// Reads appointment `id` locked (a record locked elsewhere is retried as the access layer does,
// then offered to the user), sets its status and rewrites it. On success *out (when given) holds
// the record as written. Returns 0, 101 when there is no such appointment, or the database error
// after the access layer told the user; the record is then unchanged. REQUIRES: the access
// layer's session is started.
int setAppointmentStatus(AccessLayer& db, Prompter& prompter, std::uint32_t id, std::uint8_t status,
                         AppointmentRecord* out);
