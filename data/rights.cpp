// Signing on and the user rights checks.
//
// The signed-on user and the rights override are the process's own state. The override is the
// user whose rights the checks use: the signed-on user, or for one command another user who
// approved it with a password; callers hand it back with QRX_SetOverrideToLoggedIn. Every check
// reads the user afresh from the users file, so a right revoked or a user made inactive at
// another workstation counts at once.

#include <cstdint>
#include <string>

#include "contracts/qdb.h"
#include "contracts/qrx.h"
#include "data/audit_record.h"
#include "data/user_record.h"

namespace {

constexpr const char* kCaption = "Appointment List";

UserId gSignedOn = 0;
UserId gOverride = 0;

void tell(Prompter& prompter, const char* text) {
  Prompt p;
  p.caption = kCaption;
  p.text = text;
  p.buttons = PromptButtons::kOk;
  p.icon = PromptIcon::kStop;
  prompter.ask(p);
}

// The right check with password. *approver gets the user whose password granted the right in
// this call, and stays 0 when the override user already held it or the check failed.
int checkRight(Prompter& prompter, int right, UserId* approver) {
  *approver = 0;
  if (gSignedOn == 0) return 0;
  // A right that cannot exist is held by nobody: asking another user would be pointless.
  if (right < 1 || right > kHighestRight) return 0;
  if (QRX_CheckUserRights(gOverride, right) != 0) return 1;

  Prompt prompt;
  prompt.caption = kCaption;
  prompt.text = "This needs user right " + std::to_string(right) +
                ". Another user may approve it: enter that user's name and password.";
  prompt.buttons = PromptButtons::kOkCancel;
  prompt.icon = PromptIcon::kQuestion;
  Credentials typed;
  if (prompter.askCredentials(prompt, &typed) != kIdOk) return -1;

  UserRecord user;
  const int found = userfile::findByLogin(typed.login, &user);
  if (found != 0 && found != kQdbNotFound) return 0;  // the users file cannot be read
  // An inactive user gets the answer an unknown one gets: neither may approve anything.
  if (found == kQdbNotFound || !user.active() || !userfile::passwordMatches(user, typed.password)) {
    tell(prompter, "The user name or password is not correct.");
    return 0;
  }
  // The caller decides whether to say that the right is missing (message 3001).
  if (!user.hasRight(static_cast<std::size_t>(right))) return 0;
  gOverride = user.identifier();
  *approver = gOverride;
  return 1;
}

}  // namespace

int QRX_SignOn(const char* login, const char* password) {
  if (login == nullptr || password == nullptr) return 0;
  UserRecord user;
  if (userfile::findByLogin(login, &user) != 0) return 0;
  if (!user.active() || !userfile::passwordMatches(user, password)) return 0;
  gSignedOn = user.identifier();
  gOverride = gSignedOn;
  return 1;
}

void QRX_SignOff() {
  gSignedOn = 0;
  gOverride = 0;
}

int QRX_IsSignedOn() { return gSignedOn != 0 ? 1 : 0; }

UserId QRX_GetLoggedInUserID() { return gSignedOn; }

UserId QRX_GetOverrideUserID() { return gOverride; }

int QRX_CheckUserRights(UserId user, int right) {
  if (user == 0 || right < 1 || right > kHighestRight) return 0;
  UserRecord record;
  if (userfile::findById(user, &record) != 0) return 0;
  return record.active() && record.hasRight(static_cast<std::size_t>(right)) ? 1 : 0;
}

int QRX_CheckRightWithPassword(Prompter& prompter, int right, std::uint32_t /*patient*/) {
  UserId approver = 0;
  return checkRight(prompter, right, &approver);
}

int QRX_PasswordCheckwAudit(Prompter& prompter, int right, std::uint32_t patient) {
  const UserId previous = gOverride;
  UserId approver = 0;
  const int result = checkRight(prompter, right, &approver);
  if (result != 1 || approver == 0) return result;
  // An approval that leaves no trace is not used.
  if (storeRightApprovalAudit(right, patient, approver) != 1) {
    gOverride = previous;
    tell(prompter,
         "The approval could not be recorded in the audit file, so it was not used. Try again; "
         "if it keeps happening, ask your administrator to check the database.");
    return 0;
  }
  return 1;
}

void QRX_SetOverrideToLoggedIn() { gOverride = gSignedOn; }
