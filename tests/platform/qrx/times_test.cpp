// Time of day texts of the utility library.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

#include "contracts/qrx.h"

namespace {

PackedTime at(int hour, int minute) {
  return PackedTime{static_cast<std::uint8_t>(hour), static_cast<std::uint8_t>(minute)};
}

TEST(PackTimeTest, WritesTwelveAndTwentyFourHourClock) {
  struct Case {
    int hour, minute, mode;
    const char* expected;
    int result;
  };
  const Case cases[] = {
      {0, 5, kTime12Hour, "12:05", kTimeAm},  // midnight hour reads 12, not 0
      {0, 0, kTime12Hour, "12:00", kTimeAm},
      {9, 5, kTime12Hour, " 9:05", kTimeAm},  // hour right-aligned, minute zero-padded
      {11, 59, kTime12Hour, "11:59", kTimeAm},
      {12, 0, kTime12Hour, "12:00", kTimePm},  // noon is pm
      {12, 30, kTime12Hour, "12:30", kTimePm},
      {13, 0, kTime12Hour, " 1:00", kTimePm},
      {23, 59, kTime12Hour, "11:59", kTimePm},
      {0, 5, kTime24Hour, " 0:05", kTimeAm},
      {9, 5, kTime24Hour, " 9:05", kTimeAm},
      {12, 0, kTime24Hour, "12:00", kTimePm},
      {13, 0, kTime24Hour, "13:00", kTimePm},
      {23, 59, kTime24Hour, "23:59", kTimePm},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.hour) + ":" + std::to_string(c.minute) + " mode " +
                 std::to_string(c.mode));
    char out[16];
    std::memset(out, '#', sizeof out);
    EXPECT_EQ(QRX_FormatPackTime(out, sizeof out, at(c.hour, c.minute), c.mode), c.result);
    EXPECT_STREQ(out, c.expected);
  }
}

TEST(PackTimeTest, TwelveHourTextAndMeridianGiveBackEveryTime) {
  for (int hour = 0; hour < 24; ++hour) {
    for (int minute = 0; minute < 60; ++minute) {
      char out[8];
      const int meridian = QRX_FormatPackTime(out, sizeof out, at(hour, minute));
      ASSERT_EQ(std::strlen(out), 5u) << hour << ":" << minute;
      ASSERT_EQ(out[2], ':');
      const int shown = std::stoi(std::string(out, 2));
      ASSERT_GE(shown, 1);
      ASSERT_LE(shown, 12);
      ASSERT_EQ(std::stoi(std::string(out + 3, 2)), minute);
      ASSERT_TRUE(meridian == kTimeAm || meridian == kTimePm);
      ASSERT_EQ(shown % 12 + (meridian == kTimePm ? 12 : 0), hour) << out;
    }
  }
}

TEST(PackTimeTest, RefusesImpossibleTimeWithEmptyText) {
  for (PackedTime time : {at(24, 0), at(0, 60), at(23, 60), at(255, 255)}) {
    for (int mode : {kTime12Hour, kTime24Hour}) {
      char out[16] = "stale";
      EXPECT_EQ(QRX_FormatPackTime(out, sizeof out, time, mode), 0)
          << int(time.hour) << ":" << int(time.minute);
      EXPECT_STREQ(out, "");
    }
  }
}

TEST(PackTimeTest, CutsTooSmallBufferWithoutWritingPastIt) {
  const std::string full = " 1:30";
  for (std::size_t size = 0; size <= full.size() + 1; ++size) {
    SCOPED_TRACE("size " + std::to_string(size));
    char buffer[24];
    std::memset(buffer, '#', sizeof buffer);
    // The meridian is still reported when the text is cut.
    EXPECT_EQ(QRX_FormatPackTime(buffer, size, at(13, 30)), kTimePm);
    if (size > 0) {
      EXPECT_EQ(std::string(buffer), full.substr(0, std::min(full.size(), size - 1)));
    }
    for (std::size_t i = size; i < sizeof buffer; ++i) ASSERT_EQ(buffer[i], '#') << i;
  }
  EXPECT_EQ(QRX_FormatPackTime(nullptr, 0, at(9, 0)), kTimeAm);
}

}  // namespace
