// Signing on: ask, try, tell, ask again, a bounded number of times.

#include "platform/ui/sign_on.h"

#include <algorithm>

bool signOnInteractive(Prompter& prompter, int attempts) {
  if (QRX_IsSignedOn() == 1) return true;

  Prompt ask;
  ask.caption = kSignOnCaption;
  ask.text = kSignOnText;
  ask.buttons = PromptButtons::kOkCancel;
  ask.icon = PromptIcon::kNone;

  Prompt refused;
  refused.caption = kSignOnCaption;
  refused.text = kSignOnRefused;
  refused.buttons = PromptButtons::kOk;
  refused.icon = PromptIcon::kStop;

  for (int i = std::max(attempts, 1); i > 0; --i) {
    Credentials typed;
    if (prompter.askCredentials(ask, &typed) != kIdOk) return false;
    if (QRX_SignOn(typed.login.c_str(), typed.password.c_str()) == 1) return true;
    prompter.ask(refused);
  }
  return false;
}
