// The practice's users in the users file: adding, changing and listing them, and the lookups and
// password test the sign-on and the rights checks share.
//
// Passwords are kept only as libsodium's Argon2id hash strings (salt and cost inside the text),
// made with the interactive limits: slow enough to make guessing costly, quick enough for a
// sign-on. Hashing happens before any record is held, so a change holds its record lock only for
// the one rewrite.

#include "data/users.h"

#include <sodium.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "contracts/qdb.h"
#include "contracts/qrx.h"
#include "data/schema.h"
#include "data/user_record.h"

namespace {

constexpr std::size_t kMaxLogin = UserRecord::kLogin.width - 1;
constexpr std::size_t kMaxFullName = UserRecord::kFullName.width - 1;
constexpr std::size_t kMinPasswordChars = 4;
constexpr std::size_t kMaxPasswordBytes = 128;

// A session of this call's own, ended on every way out.
class PrivateSession {
 public:
  PrivateSession() : session_(QDB_StartSession(1)) {}
  ~PrivateSession() {
    if (session_ != 0) QDB_EndSession(session_);
  }
  PrivateSession(const PrivateSession&) = delete;
  PrivateSession& operator=(const PrivateSession&) = delete;

  // The users file, or 0 (error() says why).
  QdbHandle openUsers() { return session_ == 0 ? 0 : QDB_OpenFile(session_, kUserFile); }
  // The last error of the session (of the process when no session could be started); never 0,
  // so that a failure is never mistaken for success.
  int error() const {
    const int e = QDB_GetLastErrorNum(session_);
    return e != kQdbOk ? e : kQdbIoError;
  }

 private:
  QdbSession session_;
};

// libsodium is initialised once for the process; false when it cannot be.
bool sodiumReady() {
  static const bool ready = sodium_init() >= 0;
  return ready;
}

int refuse(int code, std::string text, std::string* why) {
  if (why != nullptr) *why = std::move(text);
  return code;
}

int databaseFailure(int error, std::string* why) {
  return refuse(
      error,
      "The users file could not be read or written (database error " + std::to_string(error) + ").",
      why);
}

bool loginCharacter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
         c == '_' || c == '-';
}

int checkLogin(std::string_view login, std::string* why) {
  if (login.empty()) return refuse(kUserBadName, "The sign-on name is empty.", why);
  if (login.size() > kMaxLogin) {
    return refuse(kUserBadName,
                  "The sign-on name is longer than " + std::to_string(kMaxLogin) + " characters.",
                  why);
  }
  for (char c : login) {
    if (!loginCharacter(c)) {
      return refuse(kUserBadName,
                    "A sign-on name may hold only letters, digits, \".\", \"_\" and \"-\".", why);
    }
  }
  return 0;
}

int checkFullName(std::string_view name, std::string* why) {
  if (name.size() > kMaxFullName) {
    return refuse(kUserBadName,
                  "The full name is longer than " + std::to_string(kMaxFullName) + " characters.",
                  why);
  }
  for (char c : name) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 0x20 || b == 0x7F) {
      return refuse(kUserBadName, "The full name holds a control character.", why);
    }
  }
  return 0;
}

// Characters, not bytes: a UTF-8 sequence counts once.
std::size_t characterCount(std::string_view text) {
  std::size_t n = 0;
  for (char c : text) {
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++n;
  }
  return n;
}

int checkPassword(std::string_view password, std::string* why) {
  if (characterCount(password) < kMinPasswordChars) {
    return refuse(kUserBadPassword,
                  "A password needs at least " + std::to_string(kMinPasswordChars) + " characters.",
                  why);
  }
  if (password.size() > kMaxPasswordBytes) {
    return refuse(
        kUserBadPassword,
        "A password may not be longer than " + std::to_string(kMaxPasswordBytes) + " characters.",
        why);
  }
  // Nobody can type it at a sign-on prompt, which takes the text up to the first zero.
  if (password.find('\0') != std::string_view::npos) {
    return refuse(kUserBadPassword, "The password holds a zero byte.", why);
  }
  return 0;
}

int checkRights(const std::vector<int>& rights, std::string* why) {
  for (int r : rights) {
    if (r < 1 || r > kHighestRight) {
      return refuse(kUserBadRight,
                    "There is no user right " + std::to_string(r) + ": rights are numbered 1 to " +
                        std::to_string(kHighestRight) + ".",
                    why);
    }
  }
  return 0;
}

int hashPassword(std::string_view password, UserRecord* user, std::string* why) {
  char hash[crypto_pwhash_STRBYTES];
  if (!sodiumReady() ||
      crypto_pwhash_str(hash, password.data(), password.size(), crypto_pwhash_OPSLIMIT_INTERACTIVE,
                        crypto_pwhash_MEMLIMIT_INTERACTIVE) != 0) {
    return refuse(kUserHashFailed,
                  "The password could not be protected (the computer may be short of memory).",
                  why);
  }
  if (!user->setPasswordHash(hash))
    return refuse(kUserHashFailed, "The password hash does not fit its field.", why);
  return 0;
}

UserInfo infoOf(const UserRecord& r) {
  UserInfo info;
  info.id = r.identifier();
  info.login = r.login();
  info.fullName = r.fullName();
  info.active = r.active();
  for (int right = 1; right <= kHighestRight; ++right) {
    if (r.hasRight(static_cast<std::size_t>(right))) info.rights.push_back(right);
  }
  return info;
}

// The key bytes of key 142 for `login`; false when the name cannot be stored whole.
bool loginKey(std::string_view login, UserRecord* key) {
  return !login.empty() && login.find('\0') == std::string_view::npos && key->setLogin(login);
}

const std::uint8_t* loginKeyBytes(const UserRecord& key) {
  return key.data() + UserRecord::kLogin.offset;
}

}  // namespace

namespace userfile {

int findByLogin(std::string_view login, UserRecord* user) {
  UserRecord key;
  if (!loginKey(login, &key)) return kQdbNotFound;
  PrivateSession session;
  const QdbHandle file = session.openUsers();
  if (file == 0) return session.error();
  UserRecord found;
  if (QDB_FindRec(file, kUserByLogin, loginKeyBytes(key), UserRecord::kLogin.width, found.data(),
                  found.size()) == 0) {
    return session.error();
  }
  *user = found;
  return 0;
}

int findById(UserId id, UserRecord* user) {
  if (id == 0) return kQdbNotFound;
  UserRecord key;
  key.setIdentifier(id);
  PrivateSession session;
  const QdbHandle file = session.openUsers();
  if (file == 0) return session.error();
  UserRecord found;
  if (QDB_FindRec(file, kUserById, key.data() + UserRecord::kIdentifier.offset, 4, found.data(),
                  found.size()) == 0) {
    return session.error();
  }
  *user = found;
  return 0;
}

bool passwordMatches(const UserRecord& user, std::string_view password) {
  const std::string hash = user.passwordHash();
  if (hash.empty() || !sodiumReady()) return false;
  return crypto_pwhash_str_verify(hash.c_str(), password.data(), password.size()) == 0;
}

}  // namespace userfile

int addUser(std::string_view login, std::string_view fullName, std::string_view password,
            const std::vector<int>& rights, std::uint32_t* id, std::string* why) {
  if (int e = checkLogin(login, why); e != 0) return e;
  if (int e = checkFullName(fullName, why); e != 0) return e;
  if (int e = checkPassword(password, why); e != 0) return e;
  if (int e = checkRights(rights, why); e != 0) return e;

  const std::string taken = "The sign-on name \"" + std::string(login) + "\" is already taken.";
  // Asked first so that a taken name costs no hash; the unique key still decides a race.
  UserRecord existing;
  const int found = userfile::findByLogin(login, &existing);
  if (found == 0) return refuse(kUserExists, taken, why);
  if (found != kQdbNotFound) return databaseFailure(found, why);

  UserRecord user;
  user.setLogin(login);
  user.setFullName(fullName);
  user.setActive(true);
  for (int r : rights) user.setRight(static_cast<std::size_t>(r), true);
  if (int e = hashPassword(password, &user, why); e != 0) return e;
  const PackedDate today = QRX_SysDate();
  user.setCreated(today);
  user.setPasswordChanged(today);

  PrivateSession session;
  const QdbHandle file = session.openUsers();
  if (file == 0) return databaseFailure(session.error(), why);
  if (QDB_AddRec(file, user.data(), user.size()) == 0) {
    const int e = session.error();
    if (e == kQdbDuplicateKey) return refuse(kUserExists, taken, why);
    return databaseFailure(e, why);
  }
  if (id != nullptr) *id = user.identifier();
  return 0;
}

int changeUser(std::string_view login, const UserChange& change, std::string* why) {
  const std::string missing = "There is no user \"" + std::string(login) + "\".";
  UserRecord key;
  if (!loginKey(login, &key)) return refuse(kUserNotFound, missing, why);
  if (change.fullName) {
    if (int e = checkFullName(*change.fullName, why); e != 0) return e;
  }
  if (change.password) {
    if (int e = checkPassword(*change.password, why); e != 0) return e;
  }
  if (int e = checkRights(change.grant, why); e != 0) return e;
  if (int e = checkRights(change.revoke, why); e != 0) return e;

  // The new hash is made before the record is held.
  UserRecord hashed;
  if (change.password) {
    if (int e = hashPassword(*change.password, &hashed, why); e != 0) return e;
  }

  PrivateSession session;
  const QdbHandle file = session.openUsers();
  if (file == 0) return databaseFailure(session.error(), why);
  UserRecord user;
  const QdbHandle update = QDB_StartUpdate(file, 2, kUserByLogin, loginKeyBytes(key),
                                           UserRecord::kLogin.width, user.data(), user.size());
  if (update == 0) {
    const int e = session.error();
    if (e == kQdbNotFound) return refuse(kUserNotFound, missing, why);
    if (e == kQdbLocked) {
      return refuse(kQdbLocked,
                    "The user \"" + std::string(login) +
                        "\" is being changed at another workstation; try again in a moment.",
                    why);
    }
    return databaseFailure(e, why);
  }
  if (change.fullName) user.setFullName(*change.fullName);
  if (change.password) {
    user.setPasswordHash(hashed.passwordHash());
    user.setPasswordChanged(QRX_SysDate());
  }
  if (change.active) user.setActive(*change.active);
  if (change.allRights) {
    for (int r = 1; r <= kHighestRight; ++r) user.setRight(static_cast<std::size_t>(r), true);
  }
  for (int r : change.grant) user.setRight(static_cast<std::size_t>(r), true);
  for (int r : change.revoke) user.setRight(static_cast<std::size_t>(r), false);
  if (QDB_CommitUpdate(update) == 0) return databaseFailure(session.error(), why);
  return 0;
}

int listUsers(std::vector<UserInfo>* users, std::string* why) {
  if (users == nullptr) return refuse(kQdbBadArgument, "No list to fill.", why);
  PrivateSession session;
  const QdbHandle file = session.openUsers();
  if (file == 0) return databaseFailure(session.error(), why);
  std::vector<UserInfo> all;
  UserRecord r;
  int ok = QDB_FirstRec(file, kUserByLogin, r.data(), r.size());
  while (ok != 0) {
    all.push_back(infoOf(r));
    ok = QDB_NextRec(file, kUserByLogin, r.data(), r.size());
  }
  // The walk ends with "not found"; anything else broke it off.
  if (const int e = session.error(); e != kQdbNotFound) return databaseFailure(e, why);
  *users = std::move(all);
  return 0;
}
