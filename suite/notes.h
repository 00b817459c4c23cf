#pragma once
// The note library: the one note of a kind for an owner (an appointment, a patient, a patient's
// care type, a journal entry), kept in the notes file (file 42) that the suite's modules share.
//
// Every call opens a short database session of its own, so the database must be open in this
// process (QDB_InitDataBase). Results are 0 or a number of contracts/qdb.h or suite/results.h.
// Writes and deletes lock the note first; a note another workstation holds is tried again for
// about a second before 42 is given.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "contracts/qrx.h"

// Note kinds in use (the kind numbers other modules of the suite read).
inline constexpr std::uint16_t kApptNoteKind = 2;      // owner = appointment
inline constexpr std::uint16_t kPatientNoteKind = 3;   // owner = patient
inline constexpr std::uint16_t kCareNoteKind = 9;      // owner = patient, sub-number = care type
inline constexpr std::uint16_t kJournalNoteKind = 49;  // owner = journal entry

// The longest note text in bytes (UTF-8), as the notes file keeps it.
std::size_t maxNoteLength();

// Reads the note of (kind, owner, sub) into *text. 0; 101 when the note is missing (*text is
// then empty); 405 for owner 0 or a null `text`; or the database's error (text untouched).
int readNote(std::uint16_t kind, std::uint32_t owner, std::uint16_t sub, std::string* text);

// Stores `text` as the note of (kind, owner, sub): the note is added when missing, else its
// text is replaced (the rest of the stored note is kept). An empty text is stored as an empty
// note, so that the owner keeps a note that reads back as present. `today` is written as the
// date of the change. Refused, with nothing written: a text over maxNoteLength() (430), a text
// holding a zero byte (431), owner 0 (405).
int writeNote(std::uint16_t kind, std::uint32_t owner, std::uint16_t sub, std::string_view text,
              PackedDate today);

// Deletes the note of (kind, owner, sub). A missing note is nothing to delete: 0.
int deleteNote(std::uint16_t kind, std::uint32_t owner, std::uint16_t sub);

// The note of an appointment (kind 2, sub-number 0).
inline int readApptNote(std::uint32_t appointmentId, std::string* text) {
  return readNote(kApptNoteKind, appointmentId, 0, text);
}
inline int writeApptNote(std::uint32_t appointmentId, std::string_view text, PackedDate today) {
  return writeNote(kApptNoteKind, appointmentId, 0, text, today);
}
inline int deleteApptNote(std::uint32_t appointmentId) {
  return deleteNote(kApptNoteKind, appointmentId, 0);
}
