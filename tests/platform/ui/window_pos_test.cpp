// Saved window positions through the suite profile: a round trip gives the window back its place,
// size and maximised state; damaged values and places nobody could reach leave the window where
// it is.

#include "platform/ui/window_pos.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QGuiApplication>
#include <QRect>
#include <QScreen>
#include <QWidget>
#include <array>
#include <string>
#include <vector>

#include "contracts/qrx.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_dir.h"

namespace {

using vantrel::test::ScopedEnv;
using vantrel::test::TempDir;

constexpr const char* kName = "APPTBOOK";

class WindowPosTest : public ::testing::Test {
 protected:
  void SetUp() override {
    profile_.set(dir_.file("VANTREL.INI"));
    screen_ = QGuiApplication::primaryScreen()->availableGeometry();
    ASSERT_GE(screen_.width(), 400);
    ASSERT_GE(screen_.height(), 300);
  }

  std::string saved(const char* name = kName) const {
    std::array<char, 128> value{};
    QRX_GetProfileString(kWindowPosSection, name, "(none)", value.data(), value.size());
    return value.data();
  }

  // A shown window at a known place inside the screen.
  void place(QWidget& window, const QRect& rect) {
    window.setGeometry(rect);
    window.show();
    QApplication::processEvents();
    ASSERT_EQ(window.geometry(), rect);
  }

  TempDir dir_{"vantrel-window-pos"};
  ScopedEnv profile_{"VANTREL_PROFILE"};
  QRect screen_;
};

TEST_F(WindowPosTest, RestoresPlaceAndSizeSaved) {
  const QRect first(screen_.left() + 40, screen_.top() + 50, 300, 200);
  QWidget saver;
  place(saver, first);
  ASSERT_EQ(QRX_SaveWindowPosInfo(saver, kName), 1);
  EXPECT_EQ(saved(), std::to_string(first.x()) + "," + std::to_string(first.y()) + ",300,200,0");

  QWidget restored;
  place(restored, QRect(screen_.left() + 10, screen_.top() + 10, 120, 90));
  ASSERT_EQ(QRX_RestoreSavedWindowPos(restored, kName), 1);
  QApplication::processEvents();
  EXPECT_EQ(restored.geometry(), first);
  EXPECT_FALSE(restored.isMaximized());
}

TEST_F(WindowPosTest, MaximisedWindowComesBackMaximisedOverItsNormalPlace) {
  const QRect normal(screen_.left() + 30, screen_.top() + 20, 320, 240);
  QWidget saver;
  place(saver, normal);
  saver.showMaximized();
  QApplication::processEvents();
  ASSERT_TRUE(saver.isMaximized());
  ASSERT_EQ(QRX_SaveWindowPosInfo(saver, kName), 1);
  // The normal place is kept, not the maximised one, or un-maximising would fill the screen.
  EXPECT_EQ(saved(), std::to_string(normal.x()) + "," + std::to_string(normal.y()) + ",320,240,1");

  QWidget restored;
  place(restored, QRect(screen_.left() + 5, screen_.top() + 5, 100, 100));
  ASSERT_EQ(QRX_RestoreSavedWindowPos(restored, kName), 1);
  QApplication::processEvents();
  EXPECT_TRUE(restored.isMaximized());
  restored.showNormal();
  QApplication::processEvents();
  EXPECT_EQ(restored.geometry(), normal);
}

TEST_F(WindowPosTest, DamagedOrUnreachableValuesLeaveTheWindowWhereItIs) {
  const int right = screen_.right();
  const int bottom = screen_.bottom();
  const std::vector<std::string> values = {
      "",
      "garbage",
      "10,20,300",
      "10,20,300,200",
      "10,20,300,200,0,7",
      "10;20;300;200;0",
      "10,20,300,200,0x",
      "10,,300,200,0",
      "10,20,0,200,0",
      "10,20,300,-200,0",
      "10,20,300,200,2",
      "10,20,40000,200,0",
      "99999999999999999999,20,300,200,0",
      "-40000,20,300,200,0",
      // Entirely beyond the right and bottom edges, as after a second monitor was unplugged.
      std::to_string(right + 500) + "," + std::to_string(bottom + 500) + ",300,200,0",
      // Entirely above and to the left.
      std::to_string(screen_.left() - 400) + "," + std::to_string(screen_.top() - 300) +
          ",300,200,0",
      // Only a 10 x 10 corner on the screen: too little to grab.
      std::to_string(right - 9) + "," + std::to_string(bottom - 9) + ",300,200,1",
  };
  const QRect where(screen_.left() + 60, screen_.top() + 70, 200, 150);
  QWidget window;
  place(window, where);
  for (const std::string& value : values) {
    ASSERT_EQ(QRX_WriteProfileString(kWindowPosSection, kName, value.c_str()), 1);
    EXPECT_EQ(QRX_RestoreSavedWindowPos(window, kName), 0) << "'" << value << "'";
    QApplication::processEvents();
    EXPECT_EQ(window.geometry(), where) << "'" << value << "'";
    EXPECT_FALSE(window.isMaximized()) << "'" << value << "'";
  }
  // Nothing saved at all.
  EXPECT_EQ(QRX_RestoreSavedWindowPos(window, "NEVERSAVED"), 0);
  EXPECT_EQ(window.geometry(), where);
}

TEST_F(WindowPosTest, WindowHangingPartlyOffTheScreenIsRestored) {
  // Half beyond the right edge is a place people leave windows on purpose.
  const QRect half(screen_.right() - 150, screen_.top() + 40, 300, 200);
  const std::string value =
      std::to_string(half.x()) + "," + std::to_string(half.y()) + ",300,200,0";
  ASSERT_EQ(QRX_WriteProfileString(kWindowPosSection, kName, value.c_str()), 1);
  QWidget window;
  place(window, QRect(screen_.left() + 10, screen_.top() + 10, 100, 100));
  EXPECT_EQ(QRX_RestoreSavedWindowPos(window, kName), 1);
  QApplication::processEvents();
  EXPECT_EQ(window.geometry(), half);
}

TEST_F(WindowPosTest, WindowsAreKeptApartByName) {
  QWidget main;
  place(main, QRect(screen_.left() + 40, screen_.top() + 40, 300, 200));
  QWidget other;
  place(other, QRect(screen_.left() + 90, screen_.top() + 80, 150, 100));
  ASSERT_EQ(QRX_SaveWindowPosInfo(main, kName), 1);
  ASSERT_EQ(QRX_SaveWindowPosInfo(other, "ASAPLIST"), 1);

  QWidget restored;
  place(restored, QRect(screen_.left() + 5, screen_.top() + 5, 50, 50));
  ASSERT_EQ(QRX_RestoreSavedWindowPos(restored, kName), 1);
  QApplication::processEvents();
  EXPECT_EQ(restored.geometry(), main.geometry());
}

TEST_F(WindowPosTest, NamelessPositionIsNeitherSavedNorRestored) {
  QWidget window;
  place(window, QRect(screen_.left() + 40, screen_.top() + 40, 300, 200));
  EXPECT_EQ(QRX_SaveWindowPosInfo(window, nullptr), 0);
  EXPECT_EQ(QRX_SaveWindowPosInfo(window, ""), 0);
  EXPECT_EQ(QRX_RestoreSavedWindowPos(window, nullptr), 0);
  EXPECT_EQ(QRX_RestoreSavedWindowPos(window, ""), 0);
  EXPECT_EQ(window.geometry(), QRect(screen_.left() + 40, screen_.top() + 40, 300, 200));
}

}  // namespace
