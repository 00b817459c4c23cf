#include "suite/notes.h"

#include <array>

#include "contracts/qdb.h"
#include "data/note_record.h"
#include "data/record_bytes.h"
#include "data/schema.h"
#include "suite/record_store.h"
#include "suite/results.h"

namespace {

// Key 43: kind (2), owner (4), sub-number (2).
std::array<std::uint8_t, 8> noteKey(std::uint16_t kind, std::uint32_t owner, std::uint16_t sub) {
  std::array<std::uint8_t, 8> key{};
  rec::storeU16(key.data(), kind);
  rec::storeU32(key.data() + 2, owner);
  rec::storeU16(key.data() + 6, sub);
  return key;
}

}  // namespace

std::size_t maxNoteLength() { return NoteRecord::kMaxTextLength; }

int readNote(std::uint16_t kind, std::uint32_t owner, std::uint16_t sub, std::string* text) {
  if (owner == 0 || text == nullptr) return kQdbBadArgument;
  suite_store::Bytes stored;
  const int rc = suite_store::readRecord(kNoteByOwner, noteKey(kind, owner, sub), &stored);
  if (rc == kQdbNotFound) text->clear();
  if (rc != kQdbOk) return rc;
  NoteRecord note;
  // A stored note longer than this library writes cannot be held whole: refuse it rather than
  // show a cut text that a later write would store as the whole note.
  if (!note.load(stored)) return kSuiteTextTooLong;
  *text = note.text();
  return kQdbOk;
}

int writeNote(std::uint16_t kind, std::uint32_t owner, std::uint16_t sub, std::string_view text,
              PackedDate today) {
  if (owner == 0) return kQdbBadArgument;
  if (text.size() > NoteRecord::kMaxTextLength) return kSuiteTextTooLong;
  if (text.find('\0') != std::string_view::npos) return kSuiteBadText;
  return suite_store::putRecord(kNoteByOwner, noteKey(kind, owner, sub),
                                [&](const suite_store::Bytes* stored) {
                                  NoteRecord note;
                                  if (stored == nullptr || !note.load(*stored))
                                    note.setKey(kind, owner, sub);
                                  note.setText(text);
                                  note.setWritten(today);
                                  return note.bytes();
                                });
}

int deleteNote(std::uint16_t kind, std::uint32_t owner, std::uint16_t sub) {
  if (owner == 0) return kQdbBadArgument;
  return suite_store::deleteRecord(kNoteByOwner, noteKey(kind, owner, sub));
}
