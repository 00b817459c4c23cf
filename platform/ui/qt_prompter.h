#pragma once
// The program's prompter: every question and message as a modal Qt message box, and the
// credentials dialog for signing on and for another user's approval of a right.
//
// Controls carry names for tests and scripts: the message box is "prompt" and each of its buttons
// is named by the answer it gives ("1" OK, "2" Cancel, "4" Retry, "6" Yes, "7" No); the
// credentials dialog is described in credentials_dialog.h.
//
// REQUIRES: a QApplication, and calls from its thread.

#include <QPointer>
#include <QWidget>

#include "contracts/qrx.h"

class QtPrompter final : public Prompter {
 public:
  // `owner` is the window the boxes are modal over and centred on; it is borrowed and may be
  // null (or be destroyed meanwhile): the boxes are then application-modal top-level windows.
  explicit QtPrompter(QWidget* owner = nullptr) : owner_(owner) {}

  void setOwner(QWidget* owner) { owner_ = owner; }

  // Shows the prompt's caption, text (plain text, never markup), icon and buttons and waits for
  // the answer. The first button is the default (Return); Escape and closing the box answer
  // Cancel, or No when there is no Cancel, or OK when OK is the only button.
  int ask(const Prompt& prompt) override;
  // Shows the credentials dialog; kIdOk with *credentials filled, or kIdCancel (also for a null
  // `credentials`, without asking).
  int askCredentials(const Prompt& prompt, Credentials* credentials) override;

 private:
  QPointer<QWidget> owner_;
};
