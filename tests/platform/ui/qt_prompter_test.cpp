// The message box prompter and the credentials dialog, driven by real key and mouse events: which
// number each button, Escape, Return and closing answer, and when the credentials dialog lets OK
// through. ask() and askCredentials() run modal loops; a polling timer acts on the modal window.

#include "platform/ui/qt_prompter.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "platform/qrx/scripted_prompter.h"
#include "platform/ui/credentials_dialog.h"

namespace {

// Runs `action` once on the modal window named `name` when it shows. A window that never shows
// or stays open fails the test and is closed after five seconds, so a fault cannot hang the run.
class WhenModal {
 public:
  WhenModal(const char* name, std::function<void(QWidget*)> action) {
    clock_.start();
    QObject::connect(&timer_, &QTimer::timeout, [=, this] {
      QWidget* modal = QApplication::activeModalWidget();
      if (!acted_ && modal && modal->objectName() == QLatin1String(name) && modal->isVisible()) {
        acted_ = true;
        action(modal);
      } else if (acted_ && modal == nullptr) {
        timer_.stop();
      } else if (clock_.elapsed() > 5000) {
        timer_.stop();
        ADD_FAILURE() << (acted_ ? "the window stayed open: " : "no modal window named ") << name;
        if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
      }
    });
    timer_.start(5);
  }

 private:
  QTimer timer_;
  QElapsedTimer clock_;
  bool acted_ = false;
};

QPushButton* button(QWidget* window, int id) {
  return window->findChild<QPushButton*>(QString::number(id));
}

// Clicks the button that answers `id`.
void press(QWidget* window, int id) {
  ASSERT_NE(button(window, id), nullptr) << "no button " << id;
  QTest::mouseClick(button(window, id), Qt::LeftButton);
}

QLineEdit* field(QWidget* window, const char* name) {
  return window->findChild<QLineEdit*>(QString::fromLatin1(name));
}

Prompt prompt(PromptButtons buttons, std::string text = "Do you want to continue?") {
  return Prompt{"Appointment List", std::move(text), buttons, PromptIcon::kExclamation, 0};
}

// Escape and closing must never answer Yes or Retry: a box closed in passing would otherwise
// delete, schedule over or retry what the user never agreed to.
TEST(QtPrompterAnswers, EachButtonAnswersItsNumberAndEscapeOrClosingNeverAgree) {
  const struct {
    PromptButtons buttons;
    std::set<int> ids;
    int onEscape, onReturn;
  } sets[] = {
      {PromptButtons::kOk, {kIdOk}, kIdOk, kIdOk},
      {PromptButtons::kOkCancel, {kIdOk, kIdCancel}, kIdCancel, kIdOk},
      {PromptButtons::kYesNo, {kIdYes, kIdNo}, kIdNo, kIdYes},
      {PromptButtons::kYesNoCancel, {kIdYes, kIdNo, kIdCancel}, kIdCancel, kIdYes},
      {PromptButtons::kRetryCancel, {kIdRetry, kIdCancel}, kIdCancel, kIdRetry},
  };
  QtPrompter prompter;
  for (const auto& set : sets) {
    SCOPED_TRACE(promptButtonsName(set.buttons));
    for (const int id : set.ids) {
      std::set<int> offered;
      WhenModal driver("prompt", [&](QWidget* box) {
        for (const QPushButton* b : box->findChildren<QPushButton*>()) {
          offered.insert(b->objectName().toInt());
        }
        press(box, id);
      });
      EXPECT_EQ(prompter.ask(prompt(set.buttons)), id);
      EXPECT_EQ(offered, set.ids);
    }
    WhenModal escape("prompt", [](QWidget* box) { QTest::keyClick(box, Qt::Key_Escape); });
    EXPECT_EQ(prompter.ask(prompt(set.buttons)), set.onEscape);
    WhenModal close("prompt", [](QWidget* box) { box->close(); });
    EXPECT_EQ(prompter.ask(prompt(set.buttons)), set.onEscape);
    WhenModal enter("prompt", [](QWidget* box) { QTest::keyClick(box, Qt::Key_Return); });
    EXPECT_EQ(prompter.ask(prompt(set.buttons)), set.onReturn);
  }
}

// A patient's name or a note may hold "<" and "&"; as markup the text would be mangled.
TEST(QtPrompterAnswers, ShowsTextAsTypedNotAsMarkup) {
  const std::string text = "Patient <b>M\u00FCller</b> & Jos\u00E9 <i>owes</i> 5 < 6";
  QString shown;
  WhenModal driver("prompt", [&](QWidget* box) {
    if (auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"))) {
      shown = label->textFormat() == Qt::PlainText ? label->text() : QStringLiteral("(markup)");
    }
    press(box, kIdOk);
  });
  EXPECT_EQ(QtPrompter().ask(prompt(PromptButtons::kOk, text)), kIdOk);
  EXPECT_EQ(shown.toStdString(), text);
}

TEST(CredentialsDialogTest, OkIsDisabledWhileTheUserNameIsEmptyAndThePasswordIsHidden) {
  CredentialsDialog dialog(prompt(PromptButtons::kOkCancel));
  dialog.show();
  QLineEdit* login = field(&dialog, "login");
  QPushButton* ok = button(&dialog, kIdOk);
  ASSERT_TRUE(login != nullptr && ok != nullptr && field(&dialog, "password") != nullptr);
  EXPECT_EQ(field(&dialog, "password")->echoMode(), QLineEdit::Password);
  EXPECT_FALSE(ok->isEnabled()) << "empty name";
  QTest::keyClicks(login, "  ");
  EXPECT_FALSE(ok->isEnabled()) << "only blanks";
  QTest::keyClicks(login, "ann");
  EXPECT_TRUE(ok->isEnabled());
  for (int i = 0; i < 5; ++i) QTest::keyClick(login, Qt::Key_Backspace);
  EXPECT_FALSE(ok->isEnabled()) << "name erased again";
  // Neither a click on the disabled OK nor Return may accept the dialog.
  QTest::mouseClick(ok, Qt::LeftButton);
  QTest::keyClick(login, Qt::Key_Return);
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_EQ(dialog.result(), 0);
}

// The name comes back without blanks around it, the password exactly as typed; any way out
// but OK leaves the caller's credentials alone.
TEST(CredentialsThroughPrompter, ReturnsWhatWasTypedOnlyWhenAccepted) {
  const std::vector<std::pair<int, std::function<void(QWidget*)>>> ways = {
      {kIdOk, [](QWidget* dialog) { QTest::keyClick(field(dialog, "password"), Qt::Key_Return); }},
      {kIdCancel, [](QWidget* dialog) { press(dialog, kIdCancel); }},
      {kIdCancel, [](QWidget* dialog) { QTest::keyClick(field(dialog, "login"), Qt::Key_Escape); }},
      {kIdCancel, [](QWidget* dialog) { dialog->close(); }},
  };
  for (std::size_t i = 0; i < ways.size(); ++i) {
    Credentials typed{"before", "unchanged"};
    WhenModal driver("CredentialsDialog", [&](QWidget* dialog) {
      QTest::keyClicks(field(dialog, "login"), " Clerk ");
      QTest::keyClicks(field(dialog, "password"), " pa ss ");
      ways[i].second(dialog);
    });
    EXPECT_EQ(QtPrompter().askCredentials(prompt(PromptButtons::kOkCancel), &typed), ways[i].first)
        << "way " << i;
    EXPECT_EQ(typed.login + "/" + typed.password,
              ways[i].first == kIdOk ? "Clerk/ pa ss " : "before/unchanged")
        << "way " << i;
  }
}

}  // namespace
