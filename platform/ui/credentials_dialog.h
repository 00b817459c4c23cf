#pragma once
// The dialog that asks for a user name and password: to sign on, and for another user to approve
// a command the signed-on user has no right to.
//
// Names for tests and scripts: the dialog "CredentialsDialog", the text "text", the fields
// "login" and "password", the buttons "1" (OK) and "2" (Cancel).

#include <QDialog>
#include <string>

#include "contracts/qrx.h"

class QLineEdit;
class QPushButton;

class CredentialsDialog final : public QDialog {
 public:
  // Caption, explanatory text and icon come from `prompt`; its buttons are ignored (always
  // OK and Cancel).
  explicit CredentialsDialog(const Prompt& prompt, QWidget* parent = nullptr);
  ~CredentialsDialog() override;

  // The user name as typed without blanks around it (names never hold blanks, and a stray one
  // must not make a correct name fail), and the password exactly as typed (UTF-8).
  std::string login() const;
  std::string password() const;

 private:
  // OK is enabled only while the user name holds something other than blanks.
  void updateOk();

  QLineEdit* login_;
  QLineEdit* password_;
  QPushButton* ok_;
};
