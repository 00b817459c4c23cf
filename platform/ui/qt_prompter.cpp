// The message box prompter: a Prompt becomes a QMessageBox whose buttons are named by their
// answers, and the answer comes from the button that closed it.

#include "platform/ui/qt_prompter.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QPushButton>
#include <QString>
#include <utility>
#include <vector>

#include "platform/ui/credentials_dialog.h"

namespace {

using StandardButton = QMessageBox::StandardButton;

// The buttons of a set in the order they are offered (the first is the default) and the answer
// each gives.
std::vector<std::pair<StandardButton, int>> buttonsOf(PromptButtons buttons) {
  switch (buttons) {
    case PromptButtons::kOk:
      return {{QMessageBox::Ok, kIdOk}};
    case PromptButtons::kOkCancel:
      return {{QMessageBox::Ok, kIdOk}, {QMessageBox::Cancel, kIdCancel}};
    case PromptButtons::kYesNo:
      return {{QMessageBox::Yes, kIdYes}, {QMessageBox::No, kIdNo}};
    case PromptButtons::kYesNoCancel:
      return {
          {QMessageBox::Yes, kIdYes}, {QMessageBox::No, kIdNo}, {QMessageBox::Cancel, kIdCancel}};
    case PromptButtons::kRetryCancel:
      return {{QMessageBox::Retry, kIdRetry}, {QMessageBox::Cancel, kIdCancel}};
  }
  return {{QMessageBox::Ok, kIdOk}};
}

// What Escape and closing the box answer: Cancel where there is one, else No, else OK.
int escapeAnswer(PromptButtons buttons) {
  switch (buttons) {
    case PromptButtons::kOk:
      return kIdOk;
    case PromptButtons::kYesNo:
      return kIdNo;
    case PromptButtons::kOkCancel:
    case PromptButtons::kYesNoCancel:
    case PromptButtons::kRetryCancel:
      return kIdCancel;
  }
  return kIdCancel;
}

QMessageBox::Icon iconOf(PromptIcon icon) {
  switch (icon) {
    case PromptIcon::kNone:
      return QMessageBox::NoIcon;
    case PromptIcon::kInformation:
      return QMessageBox::Information;
    case PromptIcon::kQuestion:
      return QMessageBox::Question;
    case PromptIcon::kExclamation:
      return QMessageBox::Warning;
    case PromptIcon::kStop:
      return QMessageBox::Critical;
  }
  return QMessageBox::NoIcon;
}

}  // namespace

int QtPrompter::ask(const Prompt& prompt) {
  QMessageBox box(owner_.data());
  box.setObjectName(QStringLiteral("prompt"));
  box.setWindowModality(owner_ ? Qt::WindowModal : Qt::ApplicationModal);
  box.setWindowTitle(QString::fromStdString(prompt.caption));
  // Texts carry names and notes people typed; "<" in them must show as typed.
  box.setTextFormat(Qt::PlainText);
  box.setText(QString::fromStdString(prompt.text));
  box.setIcon(iconOf(prompt.icon));

  const int escape = escapeAnswer(prompt.buttons);
  std::vector<std::pair<QAbstractButton*, int>> answers;
  for (const auto& [standard, id] : buttonsOf(prompt.buttons)) {
    QPushButton* button = box.addButton(standard);
    button->setObjectName(QString::number(id));
    if (answers.empty()) box.setDefaultButton(button);
    if (id == escape) box.setEscapeButton(button);
    answers.emplace_back(button, id);
  }

  box.exec();
  const QAbstractButton* clicked = box.clickedButton();
  for (const auto& [button, id] : answers) {
    if (button == clicked) return id;
  }
  // Closed without a button (the window closed by other means).
  return escape;
}

int QtPrompter::askCredentials(const Prompt& prompt, Credentials* credentials) {
  if (credentials == nullptr) return kIdCancel;
  CredentialsDialog dialog(prompt, owner_.data());
  dialog.setWindowModality(owner_ ? Qt::WindowModal : Qt::ApplicationModal);
  if (dialog.exec() != QDialog::Accepted) return kIdCancel;
  credentials->login = dialog.login();
  credentials->password = dialog.password();
  return kIdOk;
}
