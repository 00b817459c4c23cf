#pragma once
// One audit entry (file 145): variable length. A 40-byte fixed part says who changed what and
// when; the record as it was before and as it is after follow it, "before" first, with their
// lengths in the fixed part (0 when there is no such copy, as for an added or a deleted record).
//
// Fixed part:
//   0-1   kept (zero in a new entry)
//   2-5   identifier, given by the database on add
//   6-9   date, 10-13 seconds after midnight (local time)
//   14-17 the signed-on user, 18-21 the override user (the one whose rights were used: the
//         signed-on user, or another user who approved with a password)
//   22-25 patient, 26-29 identifier of the record the entry is about
//   30-31 file number of that record
//   32    what was done (kAdded, kChanged, kDeleted, kRightApproved), 33 its detail
//   34-35 length of "before", 36-37 length of "after"
//   38-39 workstation number
//
// Entries are only ever added: nothing in this system rewrites or deletes one.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <utility>
#include <vector>

#include "contracts/qrx.h"
#include "data/record_bytes.h"

// Each copy holds up to 2048 bytes: the largest record audited is far below that.
class AuditRecord : public rec::Variable<40, 40 + 2 * 2048> {
 public:
  static constexpr rec::U32Field kIdentifier{2};
  static constexpr rec::U32Field kDate{6};
  static constexpr rec::U32Field kSeconds{10};  // time of day, seconds after midnight
  static constexpr rec::U32Field kUser{14};
  static constexpr rec::U32Field kOverrideUser{18};
  static constexpr rec::U32Field kPatient{22};
  static constexpr rec::U32Field kSubject{26};  // identifier of the record changed
  static constexpr rec::U16Field kFileNumber{30};
  static constexpr rec::U8Field kCode1{32};  // what was done
  static constexpr rec::U8Field kCode2{33};  // its detail
  static constexpr rec::U16Field kBeforeLength{34};
  static constexpr rec::U16Field kAfterLength{36};
  static constexpr rec::U16Field kStation{38};

  static constexpr std::size_t kMaxCopy = 2048;

  // Code 1: what was done.
  static constexpr std::uint8_t kAdded = 1;    // no "before"
  static constexpr std::uint8_t kChanged = 2;  // both copies
  static constexpr std::uint8_t kDeleted = 3;  // no "after"
  // A user right was granted on another user's password: code 2 is the right, the override
  // user is the one who approved, the subject is that user's identifier in the users file and
  // there are no copies.
  static constexpr std::uint8_t kRightApproved = 4;
  // Code 2 of a record entry.
  static constexpr std::uint8_t kOrdinary = 0;
  static constexpr std::uint8_t kInitialEntry = 1;  // a procedure record's first entry

  std::uint32_t identifier() const { return u32<kIdentifier>(); }
  PackedDate date() const { return u32<kDate>(); }
  void setDate(PackedDate v) { setU32<kDate>(v); }
  std::uint32_t seconds() const { return u32<kSeconds>(); }
  void setSeconds(std::uint32_t v) { setU32<kSeconds>(v); }
  std::uint32_t userId() const { return u32<kUser>(); }
  void setUserId(std::uint32_t v) { setU32<kUser>(v); }
  std::uint32_t overrideUserId() const { return u32<kOverrideUser>(); }
  void setOverrideUserId(std::uint32_t v) { setU32<kOverrideUser>(v); }
  std::uint8_t code1() const { return u8<kCode1>(); }
  std::uint8_t code2() const { return u8<kCode2>(); }
  void setCodes(std::uint8_t c1, std::uint8_t c2) {
    setU8<kCode1>(c1);
    setU8<kCode2>(c2);
  }
  std::uint32_t patientId() const { return u32<kPatient>(); }
  void setPatientId(std::uint32_t v) { setU32<kPatient>(v); }
  std::uint32_t subjectId() const { return u32<kSubject>(); }
  void setSubjectId(std::uint32_t v) { setU32<kSubject>(v); }
  std::uint16_t fileNumber() const { return u16<kFileNumber>(); }
  void setFileNumber(std::uint16_t v) { setU16<kFileNumber>(v); }
  std::uint16_t station() const { return u16<kStation>(); }
  void setStation(std::uint16_t v) { setU16<kStation>(v); }

  // The copies as stored. A record whose lengths claim more than its tail holds gives what is
  // there, never more.
  std::vector<std::uint8_t> before() const { return copy(0, u16<kBeforeLength>()); }
  std::vector<std::uint8_t> after() const {
    return copy(u16<kBeforeLength>(), u16<kAfterLength>());
  }
  // Refuses (false, unchanged) a copy longer than kMaxCopy.
  bool setCopies(std::span<const std::uint8_t> before, std::span<const std::uint8_t> after) {
    if (before.size() > kMaxCopy || after.size() > kMaxCopy) return false;
    std::vector<std::uint8_t> t(before.begin(), before.end());
    t.insert(t.end(), after.begin(), after.end());
    if (!setTail(std::move(t))) return false;
    setU16<kBeforeLength>(static_cast<std::uint16_t>(before.size()));
    setU16<kAfterLength>(static_cast<std::uint16_t>(after.size()));
    return true;
  }

 private:
  std::vector<std::uint8_t> copy(std::size_t from, std::size_t length) const {
    const std::vector<std::uint8_t>& t = tail();
    if (from >= t.size()) return {};
    const std::size_t n = std::min(length, t.size() - from);
    return std::vector<std::uint8_t>(t.begin() + static_cast<std::ptrdiff_t>(from),
                                     t.begin() + static_cast<std::ptrdiff_t>(from + n));
  }
};

// The entry QRX_PasswordCheckwAudit writes when `approver`'s password granted `right` to the
// signed-on user, about `patient`. Returns 1 stored, 0 not (nothing written). Internal to the
// data layer: other folders audit through the QRX_ calls.
int storeRightApprovalAudit(int right, std::uint32_t patient, UserId approver);
