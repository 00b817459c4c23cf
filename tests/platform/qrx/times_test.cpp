// Time of day texts of the utility library.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <ctime>
#include <string>

#include "contracts/qrx.h"
#include "tests/support/guarded_buffer.h"

namespace {

using namespace vantrel::test;  // the shared test pieces

PackedTime at(int hour, int minute) {
  return PackedTime{static_cast<std::uint8_t>(hour), static_cast<std::uint8_t>(minute)};
}

// The text and what the call reported: "am", "pm", or "refused" (then the text must be empty).
std::string shown(int hour, int minute, int mode = kTime12Hour) {
  char out[16] = "stale";
  const int result = QRX_FormatPackTime(out, sizeof out, at(hour, minute), mode);
  if (result == 0) return *out ? "refused, text not emptied" : "refused";
  return std::string(out) + (result == kTimeAm ? " am" : result == kTimePm ? " pm" : " ?");
}

TEST(PackTimeTest, MidnightReadsTwelveAmAndNoonTwelvePm) {
  EXPECT_EQ(shown(0, 0), "12:00 am");
  EXPECT_EQ(shown(0, 5), "12:05 am");
  EXPECT_EQ(shown(11, 59), "11:59 am");
  EXPECT_EQ(shown(12, 0), "12:00 pm");
  EXPECT_EQ(shown(13, 0), " 1:00 pm");
  EXPECT_EQ(shown(0, 5, kTime24Hour), " 0:05 am");
  EXPECT_EQ(shown(12, 0, kTime24Hour), "12:00 pm");
  EXPECT_EQ(shown(23, 59, kTime24Hour), "23:59 pm");
  EXPECT_EQ(shown(24, 0), "refused");
  EXPECT_EQ(shown(23, 60, kTime24Hour), "refused");
  EXPECT_EQ(shown(255, 255), "refused");
}

// Every minute of the day against the C library's 12-hour clock.
TEST(PackTimeTest, AgreesWithLibraryTwelveHourClockAtEveryMinute) {
  for (int minute = 0; minute < 24 * 60; ++minute) {
    std::tm tm{};
    tm.tm_hour = minute / 60;
    tm.tm_min = minute % 60;
    char text[16];
    ASSERT_GT(std::strftime(text, sizeof text, "%I:%M %p", &tm), 0u);  // "01:05 PM"
    std::string reference(text);
    if (reference[0] == '0') reference[0] = ' ';
    reference.replace(6, 2, reference.compare(6, 2, "AM") == 0 ? "am" : "pm");
    ASSERT_EQ(shown(tm.tm_hour, tm.tm_min), reference);
  }
}

TEST(PackTimeTest, CutsTooSmallBufferWithoutWritingPastIt) {
  const std::string full = " 1:30";
  for (std::size_t size = 0; size <= full.size() + 1; ++size) {
    Guarded<8> out;
    // The meridian is still reported when the text is cut.
    EXPECT_EQ(QRX_FormatPackTime(out.data(), size, at(13, 30)), kTimePm) << size;
    if (size > 0) {
      EXPECT_EQ(out.text(), full.substr(0, size - 1));
    }
    EXPECT_TRUE(out.guardIntact(size)) << size;
  }
  EXPECT_EQ(QRX_FormatPackTime(nullptr, 0, at(9, 0)), kTimeAm);
}

}  // namespace
