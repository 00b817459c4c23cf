// The message box prompter and the credentials dialog, driven by real key and mouse events on the
// offscreen platform: which number each button answers, what Escape, Return and closing answer,
// what the box shows, and when the credentials dialog lets OK through.
//
// ask() and askCredentials() run modal loops; a polling timer finds the modal window by name and
// acts on it the way a person would. Setting VANTREL_UI_SHOTS to a directory saves pictures of a
// message box and the credentials dialog there.

#include "platform/ui/qt_prompter.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "platform/qrx/scripted_prompter.h"
#include "platform/ui/credentials_dialog.h"

namespace {

constexpr int kGiveUpMs = 5000;

// Runs `action` once on the modal window named `name` as soon as it is shown. Should the window
// never show, or stay open after the action, it is closed when kGiveUpMs have passed and the test
// fails, so that a fault ends in a failure rather than a hang.
class WhenModal {
 public:
  WhenModal(QString name, std::function<void(QWidget*)> action)
      : name_(std::move(name)), action_(std::move(action)) {
    clock_.start();
    QObject::connect(&timer_, &QTimer::timeout, [this] { poll(); });
    timer_.start(5);
  }
  bool acted() const { return acted_; }

 private:
  void poll() {
    QWidget* modal = QApplication::activeModalWidget();
    if (!acted_ && modal != nullptr && modal->objectName() == name_ && modal->isVisible()) {
      acted_ = true;
      action_(modal);
      return;
    }
    if (acted_ && modal == nullptr) {
      timer_.stop();
      return;
    }
    if (clock_.elapsed() > kGiveUpMs) {
      timer_.stop();
      ADD_FAILURE() << (acted_ ? "the window stayed open: " : "no modal window named ")
                    << name_.toStdString();
      if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
    }
  }

  QString name_;
  std::function<void(QWidget*)> action_;
  QTimer timer_;
  QElapsedTimer clock_;
  bool acted_ = false;
};

void pressKey(QWidget* target, int key, const QString& text = {}) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
  QApplication::sendEvent(target, &press);
  QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
  QApplication::sendEvent(target, &release);
}

void typeText(QWidget* target, const QString& text) {
  for (const QChar c : text) pressKey(target, c.toUpper().unicode(), QString(c));
}

void click(QWidget* target) {
  ASSERT_NE(target, nullptr);
  const QPointF at = QRectF(target->rect()).center();
  const QPointF global = target->mapToGlobal(at);
  QMouseEvent press(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
  QApplication::sendEvent(target, &press);
  QMouseEvent release(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, Qt::NoButton,
                      Qt::NoModifier);
  QApplication::sendEvent(target, &release);
}

QPushButton* button(QWidget* window, int id) {
  return window->findChild<QPushButton*>(QString::number(id));
}

std::set<std::string> buttonNames(QWidget* window) {
  std::set<std::string> names;
  for (const QPushButton* b : window->findChildren<QPushButton*>()) {
    names.insert(b->objectName().toStdString());
  }
  return names;
}

Prompt prompt(PromptButtons buttons, PromptIcon icon = PromptIcon::kExclamation,
              std::string text = "Do you want to continue?") {
  Prompt p;
  p.caption = "Appointment List";
  p.text = std::move(text);
  p.buttons = buttons;
  p.icon = icon;
  return p;
}

void saveShot(QWidget* window, const char* file) {
  const QString dir = qEnvironmentVariable("VANTREL_UI_SHOTS");
  if (!dir.isEmpty()) {
    EXPECT_TRUE(window->grab().save(dir + QLatin1Char('/') + file));
  }
}

// ---- Message boxes

struct ButtonSet {
  PromptButtons buttons;
  std::set<std::string> names;
  int onEscape;
  int onReturn;
};

const std::vector<ButtonSet> kButtonSets = {
    {PromptButtons::kOk, {"1"}, kIdOk, kIdOk},
    {PromptButtons::kOkCancel, {"1", "2"}, kIdCancel, kIdOk},
    {PromptButtons::kYesNo, {"6", "7"}, kIdNo, kIdYes},
    {PromptButtons::kYesNoCancel, {"6", "7", "2"}, kIdCancel, kIdYes},
    {PromptButtons::kRetryCancel, {"4", "2"}, kIdCancel, kIdRetry},
};

TEST(QtPrompterAnswers, EachButtonAnswersItsOwnNumberAndNoOtherButtonIsOffered) {
  QtPrompter prompter;
  for (const ButtonSet& set : kButtonSets) {
    for (const std::string& name : set.names) {
      const int id = std::stoi(name);
      std::set<std::string> offered;
      WhenModal driver(QStringLiteral("prompt"), [&](QWidget* box) {
        offered = buttonNames(box);
        click(button(box, id));
      });
      EXPECT_EQ(prompter.ask(prompt(set.buttons)), id) << promptButtonsName(set.buttons);
      EXPECT_TRUE(driver.acted());
      EXPECT_EQ(offered, set.names) << promptButtonsName(set.buttons);
    }
  }
}

TEST(QtPrompterAnswers, EscapeAndClosingNeverAnswerYesOrRetry) {
  QtPrompter prompter;
  for (const ButtonSet& set : kButtonSets) {
    WhenModal escape(QStringLiteral("prompt"), [](QWidget* box) { pressKey(box, Qt::Key_Escape); });
    EXPECT_EQ(prompter.ask(prompt(set.buttons)), set.onEscape) << promptButtonsName(set.buttons);

    WhenModal close(QStringLiteral("prompt"), [](QWidget* box) { box->close(); });
    EXPECT_EQ(prompter.ask(prompt(set.buttons)), set.onEscape) << promptButtonsName(set.buttons);
  }
}

TEST(QtPrompterAnswers, ReturnChoosesTheFirstButton) {
  QtPrompter prompter;
  for (const ButtonSet& set : kButtonSets) {
    WhenModal driver(QStringLiteral("prompt"), [](QWidget* box) { pressKey(box, Qt::Key_Return); });
    EXPECT_EQ(prompter.ask(prompt(set.buttons)), set.onReturn) << promptButtonsName(set.buttons);
  }
}

TEST(QtPrompterLook, ShowsCaptionAndTheIconOfEachKind) {
  struct Case {
    PromptIcon icon;
    QMessageBox::Icon shown;
  };
  const std::vector<Case> cases = {
      {PromptIcon::kNone, QMessageBox::NoIcon},
      {PromptIcon::kInformation, QMessageBox::Information},
      {PromptIcon::kQuestion, QMessageBox::Question},
      {PromptIcon::kExclamation, QMessageBox::Warning},
      {PromptIcon::kStop, QMessageBox::Critical},
  };
  QtPrompter prompter;
  for (const Case& c : cases) {
    QMessageBox::Icon shown = QMessageBox::NoIcon;
    QString caption;
    bool iconDrawn = false;
    WhenModal driver(QStringLiteral("prompt"), [&](QWidget* w) {
      auto* box = qobject_cast<QMessageBox*>(w);
      ASSERT_NE(box, nullptr);
      shown = box->icon();
      caption = box->windowTitle();
      iconDrawn = !box->iconPixmap().isNull();
      if (c.icon == PromptIcon::kExclamation) saveShot(box, "message_box.png");
      click(button(box, kIdYes));
    });
    Prompt p = prompt(PromptButtons::kYesNo, c.icon,
                      "This appointment overlaps another one for the provider.\n"
                      "Do you want to schedule it anyway?");
    EXPECT_EQ(prompter.ask(p), kIdYes);
    EXPECT_EQ(shown, c.shown) << promptIconName(c.icon);
    EXPECT_EQ(iconDrawn, c.icon != PromptIcon::kNone) << promptIconName(c.icon);
    EXPECT_EQ(caption, QStringLiteral("Appointment List"));
  }
}

TEST(QtPrompterLook, ShowsTextAsTypedNotAsMarkup) {
  // A patient's name or a note may hold "<" and "&"; as markup the text would be mangled or
  // partly hidden.
  const std::string text = "Patient <b>Müller</b> & José <i>owes</i> 5 < 6";
  QString shown;
  Qt::TextFormat format = Qt::AutoText;
  QtPrompter prompter;
  WhenModal driver(QStringLiteral("prompt"), [&](QWidget* box) {
    auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
    ASSERT_NE(label, nullptr);
    shown = label->text();
    format = label->textFormat();
    click(button(box, kIdOk));
  });
  EXPECT_EQ(prompter.ask(prompt(PromptButtons::kOk, PromptIcon::kInformation, text)), kIdOk);
  EXPECT_EQ(shown, QString::fromUtf8(text.c_str()));
  EXPECT_EQ(format, Qt::PlainText);
}

// ---- Credentials

Prompt credentialsPrompt() {
  Prompt p;
  p.caption = "Vantrel Sign On";
  p.text = "Sign on to Vantrel Appointment List.";
  p.buttons = PromptButtons::kOkCancel;
  return p;
}

TEST(CredentialsDialogTest, OkIsEnabledOnlyWhileAUserNameIsTyped) {
  CredentialsDialog dialog(credentialsPrompt());
  dialog.show();
  auto* login = dialog.findChild<QLineEdit*>(QStringLiteral("login"));
  QPushButton* ok = button(&dialog, kIdOk);
  ASSERT_NE(login, nullptr);
  ASSERT_NE(ok, nullptr);
  EXPECT_FALSE(ok->isEnabled()) << "empty name";
  typeText(login, QStringLiteral("  "));
  EXPECT_FALSE(ok->isEnabled()) << "only blanks";
  typeText(login, QStringLiteral("ann"));
  EXPECT_TRUE(ok->isEnabled());
  for (int i = 0; i < 5; ++i) pressKey(login, Qt::Key_Backspace);
  EXPECT_TRUE(login->text().isEmpty());
  EXPECT_FALSE(ok->isEnabled()) << "name erased again";
  // A click on the disabled OK must not accept the dialog.
  click(ok);
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_EQ(dialog.result(), 0);
}

TEST(CredentialsDialogTest, ShowsPromptAndHidesThePassword) {
  Prompt p = credentialsPrompt();
  p.caption = "Appointment List";
  p.text = "This needs user right 31. Another user may approve it.";
  p.icon = PromptIcon::kQuestion;
  CredentialsDialog dialog(p);
  dialog.show();
  QApplication::processEvents();
  saveShot(&dialog, "approval_dialog.png");
  EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Appointment List"));
  auto* text = dialog.findChild<QLabel*>(QStringLiteral("text"));
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text->text().toStdString(), p.text);
  auto* password = dialog.findChild<QLineEdit*>(QStringLiteral("password"));
  ASSERT_NE(password, nullptr);
  EXPECT_EQ(password->echoMode(), QLineEdit::Password);
  EXPECT_NE(dialog.findChild<QLabel*>(QStringLiteral("icon")), nullptr);
  // Alt+U and Alt+P reach the fields: each label's buddy is its field.
  const std::vector<std::pair<QString, QString>> labels = {{"&User name:", "login"},
                                                           {"&Password:", "password"}};
  for (const auto& [caption, field] : labels) {
    const QLabel* found = nullptr;
    for (const QLabel* label : dialog.findChildren<QLabel*>()) {
      if (label->text() == caption) found = label;
    }
    ASSERT_NE(found, nullptr) << caption.toStdString();
    ASSERT_NE(found->buddy(), nullptr) << caption.toStdString();
    EXPECT_EQ(found->buddy()->objectName(), field);
  }
}

TEST(CredentialsDialogTest, FieldsAndButtonsDoNotOverlapAndFitTheDialog) {
  CredentialsDialog dialog(credentialsPrompt());
  dialog.show();
  QApplication::processEvents();
  saveShot(&dialog, "credentials_dialog.png");
  std::vector<QWidget*> parts = {dialog.findChild<QLabel*>(QStringLiteral("text")),
                                 dialog.findChild<QLineEdit*>(QStringLiteral("login")),
                                 dialog.findChild<QLineEdit*>(QStringLiteral("password")),
                                 button(&dialog, kIdOk), button(&dialog, kIdCancel)};
  for (QWidget* part : parts) {
    ASSERT_NE(part, nullptr);
    const QRect r(part->mapTo(&dialog, QPoint(0, 0)), part->size());
    EXPECT_TRUE(dialog.rect().contains(r)) << part->objectName().toStdString();
    EXPECT_GE(r.height(), part->sizeHint().height() - 1) << part->objectName().toStdString();
  }
  for (std::size_t i = 0; i < parts.size(); ++i) {
    for (std::size_t j = i + 1; j < parts.size(); ++j) {
      const QRect a(parts[i]->mapTo(&dialog, QPoint(0, 0)), parts[i]->size());
      const QRect b(parts[j]->mapTo(&dialog, QPoint(0, 0)), parts[j]->size());
      EXPECT_FALSE(a.intersects(b)) << parts[i]->objectName().toStdString() << " and "
                                    << parts[j]->objectName().toStdString();
    }
  }
}

TEST(CredentialsThroughPrompter, ReturnsTheNameTrimmedAndThePasswordExactly) {
  QtPrompter prompter;
  Credentials typed;
  WhenModal driver(QStringLiteral("CredentialsDialog"), [](QWidget* dialog) {
    typeText(dialog->findChild<QLineEdit*>(QStringLiteral("login")), QStringLiteral(" Clerk "));
    typeText(dialog->findChild<QLineEdit*>(QStringLiteral("password")), QStringLiteral(" pa ss "));
    click(button(dialog, kIdOk));
  });
  EXPECT_EQ(prompter.askCredentials(credentialsPrompt(), &typed), kIdOk);
  EXPECT_EQ(typed.login, "Clerk");
  EXPECT_EQ(typed.password, " pa ss ");
}

TEST(CredentialsThroughPrompter, ReturnAcceptsOnlyOnceANameIsThere) {
  QtPrompter prompter;
  Credentials typed;
  bool stayedOpen = false;
  WhenModal driver(QStringLiteral("CredentialsDialog"), [&](QWidget* dialog) {
    auto* login = dialog->findChild<QLineEdit*>(QStringLiteral("login"));
    pressKey(login, Qt::Key_Return);
    QApplication::processEvents();
    stayedOpen = dialog->isVisible();
    typeText(login, QStringLiteral("ann"));
    typeText(dialog->findChild<QLineEdit*>(QStringLiteral("password")), QStringLiteral("secret"));
    pressKey(dialog->findChild<QLineEdit*>(QStringLiteral("password")), Qt::Key_Return);
  });
  EXPECT_EQ(prompter.askCredentials(credentialsPrompt(), &typed), kIdOk);
  EXPECT_TRUE(stayedOpen) << "Return with an empty name closed the dialog";
  EXPECT_EQ(typed.login, "ann");
  EXPECT_EQ(typed.password, "secret");
}

TEST(CredentialsThroughPrompter, CancelAndEscapeLeaveTheCredentialsAlone) {
  const std::vector<std::function<void(QWidget*)>> ways = {
      [](QWidget* dialog) { click(button(dialog, kIdCancel)); },
      [](QWidget* dialog) {
        pressKey(dialog->findChild<QLineEdit*>(QStringLiteral("login")), Qt::Key_Escape);
      },
      [](QWidget* dialog) { dialog->close(); },
  };
  QtPrompter prompter;
  for (std::size_t i = 0; i < ways.size(); ++i) {
    Credentials typed{"before", "unchanged"};
    WhenModal driver(QStringLiteral("CredentialsDialog"), [&](QWidget* dialog) {
      typeText(dialog->findChild<QLineEdit*>(QStringLiteral("login")), QStringLiteral("ann"));
      typeText(dialog->findChild<QLineEdit*>(QStringLiteral("password")), QStringLiteral("x"));
      ways[i](dialog);
    });
    EXPECT_EQ(prompter.askCredentials(credentialsPrompt(), &typed), kIdCancel) << "way " << i;
    EXPECT_EQ(typed.login, "before") << "way " << i;
    EXPECT_EQ(typed.password, "unchanged") << "way " << i;
  }
}

TEST(CredentialsThroughPrompter, NowhereToPutTheAnswerIsCancelledWithoutAsking) {
  QtPrompter prompter;
  bool shown = false;
  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout, [&] {
    if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
      shown = true;
      dialog->reject();
    }
  });
  watch.start(5);
  EXPECT_EQ(prompter.askCredentials(credentialsPrompt(), nullptr), kIdCancel);
  EXPECT_FALSE(shown);
}

}  // namespace
