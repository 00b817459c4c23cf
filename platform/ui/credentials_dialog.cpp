// The credentials dialog: two fields, OK only while a user name is there.

#include "platform/ui/credentials_dialog.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace {

// Far beyond any real name or password; only keeps a pasted novel out of the fields.
constexpr int kMaxLoginChars = 64;
constexpr int kMaxPasswordChars = 256;
// Widths in average characters.
constexpr int kTextChars = 46;
constexpr int kFieldChars = 26;

QStyle::StandardPixmap pixmapOf(PromptIcon icon) {
  switch (icon) {
    case PromptIcon::kInformation:
      return QStyle::SP_MessageBoxInformation;
    case PromptIcon::kQuestion:
      return QStyle::SP_MessageBoxQuestion;
    case PromptIcon::kExclamation:
      return QStyle::SP_MessageBoxWarning;
    case PromptIcon::kStop:
      return QStyle::SP_MessageBoxCritical;
    case PromptIcon::kNone:
      break;
  }
  return QStyle::SP_CustomBase;
}

}  // namespace

CredentialsDialog::CredentialsDialog(const Prompt& prompt, QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("CredentialsDialog"));
  setWindowTitle(QString::fromStdString(prompt.caption));

  auto* text = new QLabel(this);
  text->setObjectName(QStringLiteral("text"));
  text->setTextFormat(Qt::PlainText);
  text->setWordWrap(true);
  text->setText(QString::fromStdString(prompt.text));

  login_ = new QLineEdit(this);
  login_->setObjectName(QStringLiteral("login"));
  login_->setMaxLength(kMaxLoginChars);
  password_ = new QLineEdit(this);
  password_->setObjectName(QStringLiteral("password"));
  password_->setMaxLength(kMaxPasswordChars);
  password_->setEchoMode(QLineEdit::Password);

  auto* form = new QFormLayout;
  auto* loginLabel = new QLabel(tr("&User name:"), this);
  loginLabel->setBuddy(login_);
  auto* passwordLabel = new QLabel(tr("&Password:"), this);
  passwordLabel->setBuddy(password_);
  form->addRow(loginLabel, login_);
  form->addRow(passwordLabel, password_);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  ok_ = buttons->button(QDialogButtonBox::Ok);
  ok_->setObjectName(QString::number(kIdOk));
  buttons->button(QDialogButtonBox::Cancel)->setObjectName(QString::number(kIdCancel));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(login_, &QLineEdit::textChanged, this, [this] { updateOk(); });

  auto* body = new QVBoxLayout;
  body->addWidget(text);
  body->addSpacing(6);
  body->addLayout(form);

  auto* top = new QHBoxLayout;
  const QStyle::StandardPixmap pixmap = pixmapOf(prompt.icon);
  if (pixmap != QStyle::SP_CustomBase) {
    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("icon"));
    const int extent = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
    icon->setPixmap(style()->standardIcon(pixmap, nullptr, this).pixmap(extent, extent));
    icon->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
    top->addWidget(icon);
    top->addSpacing(8);
  }
  top->addLayout(body, 1);

  auto* outer = new QVBoxLayout(this);
  outer->addLayout(top);
  outer->addSpacing(6);
  outer->addWidget(buttons);
  // The dialog takes the size its content asks for and is not meant to be stretched. A wrapped
  // label asks for little width, so the text and the fields get widths of their own: a sentence
  // of the usual length stays on one line and a long name or password stays visible.
  const int character = fontMetrics().averageCharWidth();
  text->setMinimumWidth(character * kTextChars);
  login_->setMinimumWidth(character * kFieldChars);
  password_->setMinimumWidth(character * kFieldChars);
  outer->setSizeConstraint(QLayout::SetFixedSize);

  login_->setFocus();
  updateOk();
}

CredentialsDialog::~CredentialsDialog() {
  // Do not leave the password in the field's buffers longer than the dialog lives.
  password_->clear();
}

std::string CredentialsDialog::login() const { return login_->text().trimmed().toStdString(); }

std::string CredentialsDialog::password() const { return password_->text().toStdString(); }

void CredentialsDialog::updateOk() { ok_->setEnabled(!login_->text().trimmed().isEmpty()); }
