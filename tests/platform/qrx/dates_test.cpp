// Date arithmetic, date texts and the date parser of the utility library.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>

#include "contracts/qrx.h"
#include "tests/support/scoped_env.h"

namespace {

using namespace vantrel::test;  // the shared test pieces

constexpr std::time_t kSecondsPerDay = 86400;

std::time_t utcMidnight(int year, int month, int day) {
  std::tm tm{};
  tm.tm_year = year - 1900;
  tm.tm_mon = month - 1;
  tm.tm_mday = day;
  return timegm(&tm);
}

// The C library's day count between two days, independent of our arithmetic.
long libraryDaysBetween(int y1, int m1, int d1, int y2, int m2, int d2) {
  return static_cast<long>((utcMidnight(y2, m2, d2) - utcMidnight(y1, m1, d1)) / kSecondsPerDay);
}

// ---------------------------------------------------------------------------------------------
// Arithmetic against the C library's calendar

TEST(DateArithmeticTest, AgreesWithLibraryCalendarOnEveryDayFrom1900To2100) {
  std::time_t t = utcMidnight(1900, 1, 1);
  PackedDate previous = kDate19000101 - 1;
  int checked = 0;
  for (;; t += kSecondsPerDay) {
    std::tm tm{};
    ASSERT_NE(gmtime_r(&t, &tm), nullptr);
    const int year = tm.tm_year + 1900;
    if (year > 2100) break;
    const int month = tm.tm_mon + 1;
    const int day = tm.tm_mday;
    SCOPED_TRACE(std::to_string(year) + "-" + std::to_string(month) + "-" + std::to_string(day));

    const PackedDate date = QRX_DateIn(year, month, day);
    ASSERT_EQ(date, previous + 1) << "consecutive days must differ by one";
    std::int16_t y = 0, m = 0, d = 0;
    ASSERT_EQ(QRX_DateOut(date, &y, &m, &d), 1);
    ASSERT_EQ(y, year);
    ASSERT_EQ(m, month);
    ASSERT_EQ(d, day);
    ASSERT_EQ(QRX_week_day(year, month, day), tm.tm_wday + 1);
    ASSERT_EQ(QRX_WeekDayOf(date), tm.tm_wday + 1);
    ASSERT_EQ(QRX_WeekStart(date), date - static_cast<PackedDate>(tm.tm_wday));
    previous = date;
    ++checked;
  }
  EXPECT_EQ(checked, libraryDaysBetween(1900, 1, 1, 2100, 12, 31) + 1);
}

TEST(DateArithmeticTest, EdgesOfAcceptedYearsAgreeWithLibraryCalendar) {
  const PackedDate first = QRX_DateIn(kFirstYear, 1, 1);
  const PackedDate last = QRX_DateIn(kLastYear, 12, 31);
  EXPECT_EQ(static_cast<long>(kDate19000101) - static_cast<long>(first),
            libraryDaysBetween(kFirstYear, 1, 1, 1900, 1, 1));
  EXPECT_EQ(static_cast<long>(last) - static_cast<long>(kDate19000101),
            libraryDaysBetween(1900, 1, 1, kLastYear, 12, 31));
  EXPECT_GT(first, kNoDate);

  std::int16_t y = 0, m = 0, d = 0;
  ASSERT_EQ(QRX_DateOut(first, &y, &m, &d), 1);
  EXPECT_EQ(y, kFirstYear);
  EXPECT_EQ(m, 1);
  EXPECT_EQ(d, 1);
  ASSERT_EQ(QRX_DateOut(last, &y, &m, &d), 1);
  EXPECT_EQ(y, kLastYear);
  EXPECT_EQ(m, 12);
  EXPECT_EQ(d, 31);
  // 1 January 1800 was a Wednesday, 31 December 9999 a Friday.
  EXPECT_EQ(QRX_WeekDayOf(first), 4);
  EXPECT_EQ(QRX_WeekDayOf(last), 6);
}

// ---------------------------------------------------------------------------------------------
// Known anchors and impossible days

TEST(DateAnchorTest, PacksKnownDaysToTheirNumbers) {
  struct Case {
    int year, month, day;
    PackedDate expected;
  };
  // 1900 is not a leap year: 1 March 1900 is 31 + 28 days after 1 January. 1900-1999 hold 24
  // leap days (1904-1996), 1900-1969 hold 17 (1904-1968).
  const Case cases[] = {
      {1900, 1, 1, 100001},
      {1899, 12, 31, 100000},
      {1900, 3, 1, 100001 + 59},
      {1970, 1, 1, 100001 + 70 * 365 + 17},
      {2000, 1, 1, 100001 + 100 * 365 + 24},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(QRX_DateIn(c.year, c.month, c.day), c.expected)
        << c.year << "-" << c.month << "-" << c.day;
  }
}

TEST(DateAnchorTest, AcceptsLeapDayOnlyInLeapYears) {
  const PackedDate leapDay = QRX_DateIn(2000, 2, 29);
  ASSERT_NE(leapDay, kNoDate);
  EXPECT_EQ(QRX_DateIn(2000, 2, 28) + 1, leapDay);
  EXPECT_EQ(QRX_DateIn(2000, 3, 1), leapDay + 1);
  EXPECT_NE(QRX_DateIn(2024, 2, 29), kNoDate);
  EXPECT_EQ(QRX_DateIn(1900, 2, 29), kNoDate);
  EXPECT_EQ(QRX_DateIn(2100, 2, 29), kNoDate);
  EXPECT_EQ(QRX_DateIn(2027, 2, 29), kNoDate);
}

TEST(DateAnchorTest, RefusesImpossibleDaysAndYearsOutOfRange) {
  struct Case {
    int year, month, day;
  };
  const Case cases[] = {
      {2027, 2, 30},         {2026, 4, 31}, {2026, 1, 32},
      {2026, 1, 0},          {2026, 0, 1},  {2026, 13, 1},
      {2026, -1, 1},         {2026, 1, -1}, {kFirstYear - 1, 12, 31},
      {kLastYear + 1, 1, 1}, {0, 1, 1},     {-4, 1, 1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(QRX_DateIn(c.year, c.month, c.day), kNoDate)
        << c.year << "-" << c.month << "-" << c.day;
    EXPECT_EQ(QRX_week_day(c.year, c.month, c.day), 0) << c.year << "-" << c.month << "-" << c.day;
  }
}

TEST(DateAnchorTest, DateOutRefusesNumbersOutsideAcceptedYearsAndClearsOuts) {
  const PackedDate refused[] = {kNoDate, QRX_DateIn(kFirstYear, 1, 1) - 1,
                                QRX_DateIn(kLastYear, 12, 31) + 1, 0xFFFFFFFFu};
  for (PackedDate date : refused) {
    std::int16_t y = 77, m = 77, d = 77;
    EXPECT_EQ(QRX_DateOut(date, &y, &m, &d), 0) << date;
    EXPECT_EQ(y, 0);
    EXPECT_EQ(m, 0);
    EXPECT_EQ(d, 0);
    EXPECT_EQ(QRX_WeekDayOf(date), 0) << date;
    EXPECT_EQ(QRX_WeekStart(date), kNoDate) << date;
  }
}

TEST(DateAnchorTest, DateOutSkipsNullOuts) {
  std::int16_t month = 0;
  EXPECT_EQ(QRX_DateOut(QRX_DateIn(2026, 12, 6), nullptr, &month, nullptr), 1);
  EXPECT_EQ(month, 12);
  EXPECT_EQ(QRX_DateOut(kNoDate, nullptr, nullptr, nullptr), 0);
}

// ---------------------------------------------------------------------------------------------
// Week days and week starts

TEST(WeekTest, WeekStartsOnTheSundayAtOrBefore) {
  struct Case {
    int year, month, day;
    int weekDay;
    int startYear, startMonth, startDay;
  };
  const Case cases[] = {
      {2026, 12, 6, 1, 2026, 12, 6},   // a Sunday starts its own week
      {2026, 12, 12, 7, 2026, 12, 6},  // a Saturday: six days back
      {2026, 7, 1, 4, 2026, 6, 28},    // back across a month boundary
      {2027, 1, 1, 6, 2026, 12, 27},   // back across a year boundary
      {2000, 3, 1, 4, 2000, 2, 27},    // back across a leap day
      {1900, 1, 1, 2, 1899, 12, 31},   // the day before the 1900 anchor
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.year) + "-" + std::to_string(c.month) + "-" +
                 std::to_string(c.day));
    const PackedDate date = QRX_DateIn(c.year, c.month, c.day);
    EXPECT_EQ(QRX_week_day(c.year, c.month, c.day), c.weekDay);
    EXPECT_EQ(QRX_WeekDayOf(date), c.weekDay);
    EXPECT_EQ(QRX_WeekStart(date), QRX_DateIn(c.startYear, c.startMonth, c.startDay));
  }
  EXPECT_EQ(QRX_WeekDayOf(kNoDate), 0);
  EXPECT_EQ(QRX_WeekStart(kNoDate), kNoDate);
}

TEST(WeekTest, NamesMonthsAndDaysAndRefusesOutOfRange) {
  EXPECT_STREQ(QRX_getmonth_name(1), "January");
  EXPECT_STREQ(QRX_getmonth_name(9), "September");
  EXPECT_STREQ(QRX_getmonth_name(12), "December");
  EXPECT_STREQ(QRX_getmonth_name(1, true), "Jan");
  EXPECT_STREQ(QRX_getmonth_name(12, true), "Dec");
  EXPECT_STREQ(QRX_getmonth_name(0), "");
  EXPECT_STREQ(QRX_getmonth_name(13, true), "");
  EXPECT_STREQ(QRX_getday_name(1), "Sunday");
  EXPECT_STREQ(QRX_getday_name(4), "Wednesday");
  EXPECT_STREQ(QRX_getday_name(7), "Saturday");
  EXPECT_STREQ(QRX_getday_name(1, true), "Sun");
  EXPECT_STREQ(QRX_getday_name(7, true), "Sat");
  EXPECT_STREQ(QRX_getday_name(0), "");
  EXPECT_STREQ(QRX_getday_name(8, true), "");
}

// ---------------------------------------------------------------------------------------------
// Date texts

TEST(DateTextTest, WritesEachStyle) {
  struct Case {
    PackedDate date;
    int style;
    const char* expected;
  };
  const Case cases[] = {
      {QRX_DateIn(2026, 12, 6), kDateShort, "12/06/2026"},
      {QRX_DateIn(2026, 12, 6), kDateLong, "Sunday, December 6, 2026"},
      {QRX_DateIn(2026, 12, 6), kDateMedium, "Dec 6, 2026"},
      {QRX_DateIn(2026, 12, 6), 5, "12/06/2026"},  // unknown style: short text
      {QRX_DateIn(2026, 9, 30), kDateLong, "Wednesday, September 30, 2026"},
      {QRX_DateIn(1900, 1, 1), kDateShort, "01/01/1900"},
      {QRX_DateIn(kFirstYear, 1, 1), kDateShort, "01/01/1800"},
      {QRX_DateIn(kLastYear, 12, 31), kDateMedium, "Dec 31, 9999"},
  };
  for (const Case& c : cases) {
    char out[64];
    std::memset(out, '#', sizeof out);
    EXPECT_EQ(QRX_DateStr(out, sizeof out, c.date, c.style), 1) << c.expected;
    EXPECT_STREQ(out, c.expected);
  }
  char out[16];
  EXPECT_EQ(QRX_FormatNDate2000(out, sizeof out, QRX_DateIn(2026, 2, 3)), 1);
  EXPECT_STREQ(out, "02/03/2026");
}

TEST(DateTextTest, NoDateGivesEmptyTextAndInvalidDateFails) {
  for (int style : {kDateShort, kDateLong, kDateMedium}) {
    char out[32] = "stale";
    EXPECT_EQ(QRX_DateStr(out, sizeof out, kNoDate, style), 1);
    EXPECT_STREQ(out, "");
    std::strcpy(out, "stale");
    EXPECT_EQ(QRX_DateStr(out, sizeof out, 0xFFFFFFFFu, style), 0);
    EXPECT_STREQ(out, "");
    std::strcpy(out, "stale");
    EXPECT_EQ(QRX_DateStr(out, sizeof out, QRX_DateIn(kFirstYear, 1, 1) - 1, style), 0);
    EXPECT_STREQ(out, "");
  }
}

// Writes `expected` through `format` into every buffer size from 0 to one past what it needs and
// checks: the text is cut and terminated, success only when it all fitted, and no byte past
// `size` is touched.
template <typename Format>
void checkCutting(const std::string& expected, Format format) {
  constexpr char kGuard = '#';
  constexpr std::size_t kGuardBytes = 8;
  for (std::size_t size = 0; size <= expected.size() + 1; ++size) {
    SCOPED_TRACE("size " + std::to_string(size));
    char buffer[80];
    ASSERT_LE(size + kGuardBytes, sizeof buffer);
    std::memset(buffer, kGuard, sizeof buffer);
    const int result = format(buffer, size);
    EXPECT_EQ(result, size > expected.size() ? 1 : 0);
    if (size > 0) {
      const std::size_t kept = std::min(expected.size(), size - 1);
      EXPECT_EQ(std::string(buffer), expected.substr(0, kept));
    }
    for (std::size_t i = size; i < size + kGuardBytes; ++i) {
      ASSERT_EQ(buffer[i], kGuard) << "byte " << i << " written past the buffer";
    }
  }
}

TEST(DateTextTest, CutsTooSmallBufferAndKeepsItTerminated) {
  const PackedDate date = QRX_DateIn(2026, 12, 6);
  checkCutting("12/06/2026",
               [&](char* out, std::size_t size) { return QRX_FormatNDate2000(out, size, date); });
  checkCutting("Sunday, December 6, 2026", [&](char* out, std::size_t size) {
    return QRX_DateStr(out, size, date, kDateLong);
  });
  checkCutting("Dec 6, 2026", [&](char* out, std::size_t size) {
    return QRX_DateStr(out, size, date, kDateMedium);
  });
  checkCutting(
      "", [&](char* out, std::size_t size) { return QRX_DateStr(out, size, kNoDate, kDateLong); });
}

// ---------------------------------------------------------------------------------------------
// The parser

struct ParseCase {
  const char* text;
  bool allowTwoDigitYear;
  std::optional<int> year, month, day;  // nullopt: refused
};

TEST(DateParseTest, ReadsTypedDatesAndRefusesEverythingElse) {
  const ParseCase cases[] = {
      // Accepted forms
      {"6/7/2026", false, 2026, 6, 7},
      {"06/07/2026", false, 2026, 6, 7},
      {"6/07/2026", false, 2026, 6, 7},
      {"6-7-2026", false, 2026, 6, 7},
      {"06.07.2026", false, 2026, 6, 7},
      {"12/31/1999", false, 1999, 12, 31},
      {"2/29/2000", false, 2000, 2, 29},
      {"  6/7/2026\t", false, 2026, 6, 7},
      {"06072026", false, 2026, 6, 7},
      {"02292000", false, 2000, 2, 29},
      // Two-digit years only when asked, pivoting at 50
      {"6/7/26", false, {}, {}, {}},
      {"6/7/26", true, 2026, 6, 7},
      {"1.1.00", true, 2000, 1, 1},
      {"6-7-49", true, 2049, 6, 7},
      {"6/7/50", true, 1950, 6, 7},
      {"12/31/99", true, 1999, 12, 31},
      {"060726", true, {}, {}, {}},  // only eight digits stand without separators
      // Separators must be one kind
      {"6/7-2026", false, {}, {}, {}},
      {"6-7/2026", false, {}, {}, {}},
      {"6.7/2026", false, {}, {}, {}},
      // Impossible days and years out of range
      {"2/30/2027", false, {}, {}, {}},
      {"2/29/1900", false, {}, {}, {}},
      {"4/31/2026", false, {}, {}, {}},
      {"13/1/2026", false, {}, {}, {}},
      {"0/1/2026", false, {}, {}, {}},
      {"1/0/2026", false, {}, {}, {}},
      {"13012026", false, {}, {}, {}},
      {"1/1/1799", false, {}, {}, {}},
      // Wrong part widths
      {"6/7/202", false, {}, {}, {}},
      {"6/7/20266", false, {}, {}, {}},
      {"6/7/2", true, {}, {}, {}},
      {"123/7/2026", false, {}, {}, {}},
      {"6/123/2026", false, {}, {}, {}},
      {"6//2026", false, {}, {}, {}},
      {"/7/2026", false, {}, {}, {}},
      {"6/7/", false, {}, {}, {}},
      {"0607202", false, {}, {}, {}},
      {"060720261", false, {}, {}, {}},
      // Empty text, letters, signs, inner blanks, trailing garbage
      {"", false, {}, {}, {}},
      {"   ", false, {}, {}, {}},
      {"June 7, 2026", false, {}, {}, {}},
      {"ab/cd/efgh", false, {}, {}, {}},
      {"+6/7/2026", false, {}, {}, {}},
      {"-6-7-2026", false, {}, {}, {}},
      {"6 /7/2026", false, {}, {}, {}},
      {"6/7/2026x", false, {}, {}, {}},
      {"6/7/2026 x", false, {}, {}, {}},
      {"6/7/2026/", false, {}, {}, {}},
      {"6/7/2026/1", false, {}, {}, {}},
      {"0607202x", false, {}, {}, {}},
  };
  constexpr PackedDate kUntouched = 4242;
  for (const ParseCase& c : cases) {
    SCOPED_TRACE(std::string("\"") + c.text + "\" two-digit " +
                 (c.allowTwoDigitYear ? "on" : "off"));
    PackedDate date = kUntouched;
    const int result = QRX_ParseDate(c.text, &date, c.allowTwoDigitYear);
    if (c.year) {
      EXPECT_EQ(result, 1);
      EXPECT_EQ(date, QRX_DateIn(*c.year, *c.month, *c.day));
    } else {
      EXPECT_EQ(result, 0);
      EXPECT_EQ(date, kUntouched) << "a refused text must leave the date alone";
    }
  }
}

TEST(DateParseTest, ReadsTextThatIsNotZeroTerminated) {
  // The view ends before the trailing garbage; nothing past it may be read.
  const std::string_view text = std::string_view("6/7/2026999").substr(0, 8);
  PackedDate date = kNoDate;
  EXPECT_EQ(QRX_ParseDate(text, &date), 1);
  EXPECT_EQ(date, QRX_DateIn(2026, 6, 7));
}

TEST(DateParseTest, ChecksTextWithoutADateOut) {
  EXPECT_EQ(QRX_ParseDate("6/7/2026", nullptr), 1);
  EXPECT_EQ(QRX_ParseDate("2/30/2027", nullptr), 0);
}

TEST(DateParseTest, RoundTripsEveryShortTextItWrites) {
  // Every day of two years, leap year included, read back from its own short text.
  for (PackedDate date = QRX_DateIn(2023, 1, 1); date <= QRX_DateIn(2024, 12, 31); ++date) {
    char text[16];
    ASSERT_EQ(QRX_FormatNDate2000(text, sizeof text, date), 1);
    PackedDate back = kNoDate;
    ASSERT_EQ(QRX_ParseDate(text, &back), 1) << text;
    ASSERT_EQ(back, date) << text;
  }
}

// ---------------------------------------------------------------------------------------------
// Date field reformatting

TEST(DateFieldTest, RewritesAcceptedTextAndPassesOthersThrough) {
  struct Case {
    const char* typed;
    int result;
    const char* expected;
  };
  const Case cases[] = {
      {"6/7/2026", 1, "06/07/2026"},    {"6-7-2026", 1, "06/07/2026"},
      {"6.7.2026", 1, "06/07/2026"},    {"06072026", 1, "06/07/2026"},
      {" 12/6/2026 ", 1, "12/06/2026"}, {"6/7/26", 0, "6/7/26"},  // two-digit years stay
      {"2/30/2027", 0, "2/30/2027"},    {"hello", 0, "hello"},
      {" 6/7/2026x", 0, " 6/7/2026x"},  {"", 0, ""},
  };
  for (const Case& c : cases) {
    char out[32];
    std::memset(out, '#', sizeof out);
    EXPECT_EQ(QRX_fmtDateString2000(c.typed, out, sizeof out), c.result) << c.typed;
    EXPECT_STREQ(out, c.expected) << c.typed;
  }
}

TEST(DateFieldTest, CutsBothRewriteAndPassThroughToTheBuffer) {
  checkCutting("06/07/2026", [](char* out, std::size_t size) {
    return QRX_fmtDateString2000("6/7/2026", out, size);
  });
  // A pass-through is 0 even when it fits, so only the text and the guards are checked here.
  const std::string typed = "not a date at all";
  for (std::size_t size = 1; size <= typed.size() + 1; ++size) {
    char buffer[40];
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(QRX_fmtDateString2000(typed, buffer, size), 0);
    EXPECT_EQ(std::string(buffer), typed.substr(0, std::min(typed.size(), size - 1)));
    for (std::size_t i = size; i < sizeof buffer; ++i) ASSERT_EQ(buffer[i], '#') << size;
  }
}

// ---------------------------------------------------------------------------------------------
// Today

PackedDate localToday() {
  const std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  return QRX_DateIn(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
}

class SysDateTest : public ::testing::Test {
 protected:
  // The clock may pass midnight between our reading and the library's.
  static void expectClockToday(PackedDate got) {
    const PackedDate before = localToday();
    const PackedDate after = localToday();
    EXPECT_TRUE(got == before || got == after || got + 1 == before)
        << got << " vs " << before << "/" << after;
  }

 private:
  ScopedEnv today_{"VANTREL_TODAY"};
};

TEST_F(SysDateTest, UsesClockWithoutOverride) {
  unsetenv("VANTREL_TODAY");
  const PackedDate today = QRX_SysDate();
  EXPECT_NE(today, kNoDate);
  expectClockToday(today);
}

// Fixed days far from any day these tests run on, so that an ignored override cannot pass for
// the clock's today.
TEST_F(SysDateTest, EnvironmentFixesTheDay) {
  ASSERT_NE(localToday(), QRX_DateIn(1987, 3, 14));
  setenv("VANTREL_TODAY", "1987-03-14", 1);
  EXPECT_EQ(QRX_SysDate(), QRX_DateIn(1987, 3, 14));
  setenv("VANTREL_TODAY", "2000-02-29", 1);
  EXPECT_EQ(QRX_SysDate(), QRX_DateIn(2000, 2, 29));
}

TEST_F(SysDateTest, IgnoresInvalidOverride) {
  ASSERT_NE(localToday(), QRX_DateIn(1987, 3, 14));
  for (const char* bad : {"1987-02-30", "03/14/1987", "1987-3-14", "1987-03-14x", " 1987-03-14",
                          "1987/03/14", "1987/03-14", "1987-03/14", "1799-12-31", "tomorrow", ""}) {
    SCOPED_TRACE(bad);
    setenv("VANTREL_TODAY", bad, 1);
    expectClockToday(QRX_SysDate());
  }
}

}  // namespace
