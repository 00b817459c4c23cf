// Saved window positions through the suite profile: a round trip gives the window back its place,
// size and maximised state; damaged values and places nobody could reach leave it where it is.

#include "platform/ui/window_pos.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QGuiApplication>
#include <QRect>
#include <QScreen>
#include <QWidget>
#include <string>
#include <vector>

#include "contracts/qrx.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_dir.h"

namespace {

class WindowPosTest : public ::testing::Test {
 protected:
  void SetUp() override {
    profile_.set(dir_.file("VANTREL.INI"));
    screen_ = QGuiApplication::primaryScreen()->availableGeometry();
    ASSERT_TRUE(screen_.width() >= 400 && screen_.height() >= 300);
  }
  // A shown window at a place inside the screen, `x` and `y` from its top left corner.
  void place(QWidget& window, int x, int y, int width, int height) {
    const QRect rect(screen_.left() + x, screen_.top() + y, width, height);
    window.setGeometry(rect);
    window.show();
    QApplication::processEvents();
    ASSERT_EQ(window.geometry(), rect);
  }

  vantrel::test::TempDir dir_{"vantrel-window-pos"};
  vantrel::test::ScopedEnv profile_{"VANTREL_PROFILE"};
  QRect screen_;
};

// The normal place is kept for a maximised window, or un-maximising would fill the screen.
TEST_F(WindowPosTest, RestoresPlaceSizeAndMaximisedStateSaved) {
  for (const bool maximised : {false, true}) {
    QWidget saver;
    place(saver, 30, 20, 320, 240);
    const QRect normal = saver.geometry();
    if (maximised) saver.showMaximized();
    QApplication::processEvents();
    ASSERT_EQ(QRX_SaveWindowPosInfo(saver, "APPTBOOK"), 1);

    QWidget restored;
    place(restored, 5, 5, 100, 100);
    ASSERT_EQ(QRX_RestoreSavedWindowPos(restored, "APPTBOOK"), 1);
    QApplication::processEvents();
    EXPECT_EQ(restored.isMaximized(), maximised);
    restored.showNormal();
    QApplication::processEvents();
    EXPECT_EQ(restored.geometry(), normal) << "maximised " << maximised;
  }
}

// Damaged texts, then places off the screen: wholly beyond the right and bottom edges (as after
// a second monitor was unplugged), wholly above and to the left, and only a 10 x 10 corner on it.
TEST_F(WindowPosTest, DamagedOrUnreachableValuesLeaveTheWindowWhereItIs) {
  auto at = [](int x, int y, int maximised = 0) {
    return std::to_string(x) + "," + std::to_string(y) + ",300,200," + std::to_string(maximised);
  };
  const char* damaged[] = {"garbage",           "",
                           "10,20,300,200",     "10,20,300,200,0,7",
                           "10;20;300;200;0",   "10,20,300,200,0x",
                           "10,,300,200,0",     "10,20,0,200,0",
                           "10,20,300,-200,0",  "10,20,300,200,2",
                           "10,20,40000,200,0", "99999999999999999999,20,300,200,0"};
  std::vector<std::string> values(std::begin(damaged), std::end(damaged));
  values.push_back(at(screen_.right() + 500, screen_.bottom() + 500));
  values.push_back(at(screen_.left() - 400, screen_.top() - 300));
  values.push_back(at(screen_.right() - 9, screen_.bottom() - 9, 1));
  QWidget window;
  place(window, 60, 70, 200, 150);
  const QRect where = window.geometry();
  for (const std::string& value : values) {
    ASSERT_EQ(QRX_WriteProfileString(kWindowPosSection, "APPTBOOK", value.c_str()), 1);
    EXPECT_EQ(QRX_RestoreSavedWindowPos(window, "APPTBOOK"), 0) << "'" << value << "'";
    QApplication::processEvents();
    EXPECT_EQ(window.geometry(), where) << "'" << value << "'";
    EXPECT_FALSE(window.isMaximized()) << "'" << value << "'";
  }
  EXPECT_EQ(QRX_RestoreSavedWindowPos(window, "NEVERSAVED"), 0);
  EXPECT_EQ(QRX_RestoreSavedWindowPos(window, ""), 0);
  EXPECT_EQ(window.geometry(), where);

  // Half beyond the right edge is a place people leave windows on purpose: it is restored.
  const QRect half(screen_.right() - 150, screen_.top() + 40, 300, 200);
  ASSERT_EQ(QRX_WriteProfileString(kWindowPosSection, "APPTBOOK", at(half.x(), half.y()).c_str()),
            1);
  EXPECT_EQ(QRX_RestoreSavedWindowPos(window, "APPTBOOK"), 1);
  QApplication::processEvents();
  EXPECT_EQ(window.geometry(), half);
}

}  // namespace
