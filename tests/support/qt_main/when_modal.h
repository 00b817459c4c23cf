#pragma once
// Acting on a modal window while its own event loop runs, for widget tests.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>
#include <functional>

namespace vantrel::test {

// Runs `action` once on the modal window named `name` when it shows. A window that never shows
// or stays open fails the test and is rejected after five seconds instead of hanging it.
class WhenModal {
 public:
  WhenModal(const char* name, std::function<void(QWidget*)> action)
      : name_(QString::fromLatin1(name)), action_(std::move(action)) {
    clock_.start();
    QObject::connect(&timer_, &QTimer::timeout, [this] { poll(); });
    timer_.start(5);
  }
  ~WhenModal() { EXPECT_TRUE(acted_) << "no modal window " << name_.toStdString(); }

 private:
  void poll() {
    QWidget* modal = QApplication::activeModalWidget();
    const bool shown = modal != nullptr && modal->objectName() == name_ && modal->isVisible();
    if (!acted_ && shown) {
      acted_ = true;
      action_(modal);
    } else if (acted_ && !shown) {
      timer_.stop();
    } else if (clock_.elapsed() > 5000) {
      timer_.stop();
      ADD_FAILURE() << "the modal window stayed open: " << name_.toStdString();
      if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
    }
  }

  QString name_;
  std::function<void(QWidget*)> action_;
  QTimer timer_;
  QElapsedTimer clock_;
  bool acted_ = false;
};

}  // namespace vantrel::test
