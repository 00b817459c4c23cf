#pragma once
// One user of the practice (file 140): sign-on name, password hash and user rights. 256 bytes.
// The record never holds a password, only its salted slow hash.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "contracts/qrx.h"
#include "data/record_bytes.h"

class UserRecord : public rec::Fixed<256> {
 public:
  static constexpr rec::U32Field kIdentifier{2};
  static constexpr rec::TextField kLogin{6, 21};
  static constexpr rec::TextField kFullName{27, 31};
  static constexpr rec::U8Field kActive{58};
  // Right n is bit n % 8 of byte n / 8: rights 0-255.
  static constexpr rec::BytesField kRights{60, 32};
  // A password hash in its text form (libsodium's crypto_pwhash_str is at most 127 characters).
  static constexpr rec::TextField kPasswordHash{92, 128};
  static constexpr rec::U32Field kCreated{220};
  static constexpr rec::U32Field kPasswordChanged{224};

  static constexpr std::size_t kRightCount = 32 * 8;

  std::uint32_t identifier() const { return u32<kIdentifier>(); }
  void setIdentifier(std::uint32_t v) { setU32<kIdentifier>(v); }
  std::string login() const { return text<kLogin>(); }
  bool setLogin(std::string_view v) { return setText<kLogin>(v); }
  std::string fullName() const { return text<kFullName>(); }
  bool setFullName(std::string_view v) { return setText<kFullName>(v); }
  bool active() const { return u8<kActive>() != 0; }
  void setActive(bool v) { setU8<kActive>(v ? 1 : 0); }

  bool hasRight(std::size_t right) const {
    if (right >= kRightCount) return false;
    return ((bytes_[kRights.offset + right / 8] >> (right % 8)) & 1) != 0;
  }
  bool setRight(std::size_t right, bool on) {
    if (right >= kRightCount) return false;
    std::uint8_t& b = bytes_[kRights.offset + right / 8];
    const auto bit = static_cast<std::uint8_t>(1u << (right % 8));
    b = static_cast<std::uint8_t>(on ? (b | bit) : (b & ~bit));
    return true;
  }

  std::string passwordHash() const { return text<kPasswordHash>(); }
  // False when the hash does not fit (it is then stored cut and will never verify).
  bool setPasswordHash(std::string_view v) { return setText<kPasswordHash>(v); }
  PackedDate created() const { return u32<kCreated>(); }
  void setCreated(PackedDate v) { setU32<kCreated>(v); }
  PackedDate passwordChanged() const { return u32<kPasswordChanged>(); }
  void setPasswordChanged(PackedDate v) { setU32<kPasswordChanged>(v); }
};

// The users file as the data layer's own code reads it (defined in data/users.cpp; the rights
// checks share it). Other folders go through data/users.h and the QRX_ calls. Each call opens a
// short private session of its own.
namespace userfile {

// Results of the lookups: 0 found (*user filled); kQdbNotFound when there is no such user (a
// sign-on name that could never be stored, such as one too long for its field, is not found
// either); else the database's error number, *user unchanged.
int findByLogin(std::string_view login, UserRecord* user);
int findById(UserId id, UserRecord* user);
// True when `password` is the user's password: the stored hash verifies it. A record with an
// empty or damaged hash matches no password.
bool passwordMatches(const UserRecord& user, std::string_view password);

}  // namespace userfile
