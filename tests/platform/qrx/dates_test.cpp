// Date arithmetic, date texts and the date parser of the utility library.

#include <gtest/gtest.h>

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

#include "contracts/qrx.h"
#include "tests/support/guarded_buffer.h"

namespace {

using vantrel::test::Guarded;

constexpr std::time_t kSecondsPerDay = 86400;

std::time_t utcMidnight(int year, int month, int day) {
  std::tm tm{};
  tm.tm_year = year - 1900;
  tm.tm_mon = month - 1;
  tm.tm_mday = day;
  return timegm(&tm);
}

// Every day of the first accepted years, of 1900 to 2100 and of the last accepted years is
// checked against the C library's calendar, not against our own arithmetic.
TEST(DateArithmeticTest, AgreesWithLibraryCalendarOnEveryDay) {
  const int ranges[][2] = {{kFirstYear, 2100}, {9990, kLastYear}};
  for (const auto& [from, to] : ranges) {
    for (std::time_t t = utcMidnight(from, 1, 1); t < utcMidnight(to + 1, 1, 1);
         t += kSecondsPerDay) {
      std::tm tm{};
      ASSERT_NE(gmtime_r(&t, &tm), nullptr);
      const int year = tm.tm_year + 1900, month = tm.tm_mon + 1, day = tm.tm_mday;
      SCOPED_TRACE(std::to_string(year) + "-" + std::to_string(month) + "-" + std::to_string(day));
      const PackedDate date = QRX_DateIn(year, month, day);
      const std::time_t fromFirst = (t - utcMidnight(1900, 1, 1)) / kSecondsPerDay;
      ASSERT_EQ(date, static_cast<PackedDate>(kDate19000101 + fromFirst));
      std::int16_t y = 0, m = 0, d = 0;
      ASSERT_EQ(QRX_DateOut(date, &y, &m, &d), 1);
      ASSERT_EQ(y * 10000 + m * 100 + d, year * 10000 + month * 100 + day);
      ASSERT_EQ(QRX_week_day(year, month, day), tm.tm_wday + 1);
      ASSERT_EQ(QRX_WeekDayOf(date), tm.tm_wday + 1);
      ASSERT_EQ(QRX_WeekStart(date), date - static_cast<PackedDate>(tm.tm_wday));
      // The short text, also against the library, reads back as the same day.
      char text[16], reference[16];
      ASSERT_GT(std::strftime(reference, sizeof reference, "%m/%d/%Y", &tm), 0u);
      ASSERT_EQ(QRX_FormatNDate2000(text, sizeof text, date), 1);
      ASSERT_STREQ(text, reference);
      PackedDate back = kNoDate;
      ASSERT_TRUE(QRX_ParseDate(text, &back) == 1 && back == date) << text;
    }
  }
  std::int16_t m = 0;
  ASSERT_EQ(QRX_DateOut(QRX_DateIn(kLastYear, 12, 31), nullptr, &m, nullptr), 1);  // null outs
  EXPECT_EQ(m, 12);
}

TEST(DateArithmeticTest, RefusesImpossibleDaysAndYearsOutOfRange) {
  const int cases[][3] = {
      {2027, 2, 29}, {1900, 2, 29}, {2100, 2, 29},        {2026, 4, 31},
      {2026, 1, 0},  {2026, 13, 1}, {2026, -1, 1},        {kFirstYear - 1, 12, 31},
      {0, 1, 1},     {-4, 1, 1},    {kLastYear + 1, 1, 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c[0]) + "-" + std::to_string(c[1]) + "-" + std::to_string(c[2]));
    EXPECT_EQ(QRX_DateIn(c[0], c[1], c[2]), kNoDate);
    EXPECT_EQ(QRX_week_day(c[0], c[1], c[2]), 0);
  }
  for (PackedDate date : {kNoDate, QRX_DateIn(kFirstYear, 1, 1) - 1,
                          QRX_DateIn(kLastYear, 12, 31) + 1, 0xFFFFFFFFu}) {
    std::int16_t y = 77, m = 77, d = 77;
    EXPECT_EQ(QRX_DateOut(date, &y, &m, &d), 0) << date;
    EXPECT_TRUE(y == 0 && m == 0 && d == 0) << "outs not cleared for " << date;
    EXPECT_EQ(QRX_WeekDayOf(date), 0) << date;
    EXPECT_EQ(QRX_WeekStart(date), kNoDate) << date;
  }
  EXPECT_STREQ(QRX_getmonth_name(13, true), "");
  EXPECT_STREQ(QRX_getday_name(0), "");
}

// The text of a date in a style, or "failed" (then the text must be empty).
std::string dateText(PackedDate date, int style) {
  char out[64] = "stale";
  if (QRX_DateStr(out, sizeof out, date, style) == 1) return out;
  return *out ? "failed, text not emptied" : "failed";
}

TEST(DateTextTest, WritesEachStyleAndNothingForNoDate) {
  EXPECT_EQ(dateText(QRX_DateIn(2026, 12, 6), kDateShort), "12/06/2026");
  EXPECT_EQ(dateText(QRX_DateIn(2026, 12, 6), kDateLong), "Sunday, December 6, 2026");
  EXPECT_EQ(dateText(QRX_DateIn(2026, 9, 30), kDateMedium), "Sep 30, 2026");
  EXPECT_EQ(dateText(QRX_DateIn(2026, 12, 6), 5), "12/06/2026");  // unknown style: short
  EXPECT_EQ(dateText(QRX_DateIn(kLastYear, 12, 31), kDateLong), "Friday, December 31, 9999");
  EXPECT_EQ(dateText(kNoDate, kDateLong), "");
  EXPECT_EQ(dateText(0xFFFFFFFFu, kDateShort), "failed");
  EXPECT_EQ(dateText(QRX_DateIn(kFirstYear, 1, 1) - 1, kDateMedium), "failed");
}

// Writes `expected` through `format` into every size from 0 to one past what it needs: the text
// is cut and terminated, success only when it all fitted, nothing written at or past `size`.
template <typename Format>
void checkCutting(const std::string& expected, int fittedResult, Format format) {
  for (std::size_t size = 0; size <= expected.size() + 1; ++size) {
    SCOPED_TRACE("size " + std::to_string(size));
    Guarded<40> out;
    EXPECT_EQ(format(out.data(), size), size > expected.size() ? fittedResult : 0);
    if (size > 0) {
      EXPECT_EQ(out.text(), expected.substr(0, size - 1));
    }
    ASSERT_TRUE(out.guardIntact(size));
  }
}

TEST(DateTextTest, CutsTooSmallBufferAndKeepsItTerminated) {
  const PackedDate date = QRX_DateIn(2026, 12, 6);
  checkCutting("Sunday, December 6, 2026", 1, [&](char* out, std::size_t size) {
    return QRX_DateStr(out, size, date, kDateLong);
  });
  // A text the date field does not accept passes through unchanged, cut the same way.
  checkCutting("not a date at all", 0, [](char* out, std::size_t size) {
    return QRX_fmtDateString2000("not a date at all", out, size);
  });
}

TEST(DateParseTest, ReadsTypedDatesAndRefusesEverythingElse) {
  const struct {
    const char* text;
    bool twoDigitYear;
    PackedDate date;
  } accepted[] = {
      {"6/7/2026", false, QRX_DateIn(2026, 6, 7)},   {"06-07-2026", false, QRX_DateIn(2026, 6, 7)},
      {"06.07.2026", false, QRX_DateIn(2026, 6, 7)}, {" 6/7/2026\t", false, QRX_DateIn(2026, 6, 7)},
      {"02292000", false, QRX_DateIn(2000, 2, 29)},  {"6/7/26", true, QRX_DateIn(2026, 6, 7)},
      {"6-7-49", true, QRX_DateIn(2049, 6, 7)},      {"6/7/50", true, QRX_DateIn(1950, 6, 7)},
  };
  for (const auto& c : accepted) {
    PackedDate date = kNoDate;
    EXPECT_EQ(QRX_ParseDate(c.text, &date, c.twoDigitYear), 1) << c.text;
    EXPECT_EQ(date, c.date) << c.text;
  }
  const char* refused[] = {"6/7/26",    "6/7-2026",  "2/30/2027",    "2/29/1900",  "13/1/2026",
                           "1/1/1799",  "6/7/202",   "6/7/20266",    "123/7/2026", "6//2026",
                           "060720261", "",          "June 7, 2026", "+6/7/2026",  "6 /7/2026",
                           "6/7/2026x", "6/7/2026/1"};
  for (const char* text : refused) {
    PackedDate date = 4242;
    EXPECT_EQ(QRX_ParseDate(text, &date), 0) << text;
    EXPECT_EQ(date, 4242u) << "a refused text must leave the date alone: " << text;
  }
  EXPECT_EQ(QRX_ParseDate("060726", nullptr, true), 0) << "only eight digits stand alone";
  // The view ends before the trailing digits; nothing past it may be read.
  PackedDate date = kNoDate;
  EXPECT_EQ(QRX_ParseDate(std::string_view("6/7/2026999").substr(0, 8), &date), 1);
  EXPECT_EQ(date, QRX_DateIn(2026, 6, 7));
}

}  // namespace
