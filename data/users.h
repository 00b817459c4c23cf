#pragma once
// Keeping the practice's users: sign-on names, salted slow password hashes (Argon2id) and the
// numbered rights of each user, in the users file of the shared database. The administration
// command and the tests call these; signing on and checking rights go through the QRX_ calls.
// The database must be open in this process (QDB_InitDataBase).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct UserInfo {
  std::uint32_t id = 0;
  std::string login;
  std::string fullName;
  bool active = true;
  std::vector<int> rights;  // ascending
};

// Results of the calls below: 0 done, else one of these (or a database error number); `why`, when
// given, gets a sentence for the person at the keyboard.
inline constexpr int kUserExists = 1001;     // the sign-on name is taken (names ignore case)
inline constexpr int kUserNotFound = 1002;
inline constexpr int kUserBadName = 1003;    // empty, too long, or characters other than
                                             // letters, digits, ".", "_" and "-"
inline constexpr int kUserBadPassword = 1004;  // shorter than 4 characters or too long
inline constexpr int kUserBadRight = 1005;     // outside 1..kHighestRight
inline constexpr int kUserHashFailed = 1006;

// Adds an active user with the given rights. *id gets the new user's identifier.
int addUser(std::string_view login, std::string_view fullName, std::string_view password,
            const std::vector<int>& rights, std::uint32_t* id, std::string* why = nullptr);

// Changes a user found by sign-on name; each part that is given is changed, the rest kept.
struct UserChange {
  std::optional<std::string> fullName;
  std::optional<std::string> password;
  std::optional<bool> active;
  std::vector<int> grant;   // rights to add
  std::vector<int> revoke;  // rights to take away
  bool allRights = false;   // grant every right 1..kHighestRight first
};
int changeUser(std::string_view login, const UserChange& change, std::string* why = nullptr);

// Every user in sign-on name order.
int listUsers(std::vector<UserInfo>* users, std::string* why = nullptr);
