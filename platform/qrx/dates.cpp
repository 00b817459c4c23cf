// Calendar arithmetic and date texts of the utility library.
//
// A packed date is a plain day count, so every calendar question is answered by converting
// between a proleptic Gregorian (year, month, day) and a count of days with integer arithmetic.
// The C library's calendar is deliberately not used: its range depends on time_t and its
// results on the time zone, and a day number must mean the same day on every workstation.

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string_view>

#include "contracts/qrx.h"
#include "platform/qrx/text_out.h"

namespace {

// Days from 1 January 1970 to the given day. The year is shifted to start in March so that the
// leap day is the last day of its year; eras of 400 years repeat exactly (146097 days).
constexpr long daysFromCivil(long year, int month, int day) {
  year -= month <= 2 ? 1 : 0;
  const long era = (year >= 0 ? year : year - 399) / 400;
  const long yearOfEra = year - era * 400;
  const long dayOfYear = (153L * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
  const long dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

struct CivilDay {
  int year;
  int month;
  int day;
};

// The inverse of daysFromCivil.
constexpr CivilDay civilFromDays(long days) {
  days += 719468;
  const long era = (days >= 0 ? days : days - 146096) / 146097;
  const long dayOfEra = days - era * 146097;
  const long yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const long dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const long monthIndex = (5 * dayOfYear + 2) / 153;  // 0 = March
  const int day = static_cast<int>(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
  const int month = static_cast<int>(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
  const long year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
  return {static_cast<int>(year), month, day};
}

// Packed date = days since 1970 + kPackShift, which puts 1 January 1900 at 100001.
constexpr long kPackShift = static_cast<long>(kDate19000101) - daysFromCivil(1900, 1, 1);
constexpr long kFirstPacked = daysFromCivil(kFirstYear, 1, 1) + kPackShift;
constexpr long kLastPacked = daysFromCivil(kLastYear, 12, 31) + kPackShift;
static_assert(kFirstPacked > 0, "every accepted date must pack above 0 (0 means no date)");
static_assert(kLastPacked < 0xFFFFFFFFL, "every accepted date must fit a PackedDate");
static_assert(daysFromCivil(1970, 1, 1) == 0);
static_assert(civilFromDays(daysFromCivil(2000, 2, 29)).day == 29);

constexpr bool isLeapYear(int year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

constexpr int daysInMonth(int year, int month) {
  constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && isLeapYear(year) ? 29 : kDays[month - 1];
}

bool isAcceptedDate(PackedDate date) { return date >= kFirstPacked && date <= kLastPacked; }

// 1 January 1900 (100001) was a Monday, week day 2.
int weekDayOfAccepted(PackedDate date) {
  const long fromMonday = (static_cast<long>(date) - static_cast<long>(kDate19000101)) % 7;
  return static_cast<int>((fromMonday + 7 + 1) % 7) + 1;
}

// Copies `text` into the sized buffer, cut to fit. Returns 1 when the whole text fitted, 0 when
// it was cut (or nothing could be written): the date text calls report a cut as a failure.
int putText(char* out, std::size_t size, std::string_view text) {
  vantrel::qrx::copyCut(out, size, text);
  return out != nullptr && size > text.size() ? 1 : 0;
}

constexpr const char* kMonthNames[12] = {"January",   "February", "March",    "April",
                                         "May",       "June",     "July",     "August",
                                         "September", "October",  "November", "December"};
constexpr const char* kMonthAbbrevs[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                           "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
constexpr const char* kDayNames[7] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                      "Thursday", "Friday", "Saturday"};
constexpr const char* kDayAbbrevs[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};

bool isBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view trimBlanks(std::string_view text) {
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
  return text;
}

// The value of a run of 1 to `maxDigits` decimal digits, or -1 when `text` is anything else.
int digitsValue(std::string_view text, std::size_t maxDigits) {
  if (text.empty() || text.size() > maxDigits) return -1;
  int value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return -1;
    value = value * 10 + (c - '0');
  }
  return value;
}

// The day held by "YYYY-MM-DD", or 0 when the text is not exactly that form of a real day.
PackedDate isoDate(std::string_view text) {
  if (text.size() != 10 || text[4] != '-' || text[7] != '-') return kNoDate;
  const std::string_view yearText = text.substr(0, 4);
  const std::string_view monthText = text.substr(5, 2);
  const std::string_view dayText = text.substr(8, 2);
  // Each part must be all digits at its full width ("2026-6-07" is not accepted).
  const int year = digitsValue(yearText, 4);
  const int month = digitsValue(monthText, 2);
  const int day = digitsValue(dayText, 2);
  if (year < 0 || month < 0 || day < 0) return kNoDate;
  return QRX_DateIn(year, month, day);
}

}  // namespace

PackedDate QRX_SysDate() {
  if (const char* fixed = std::getenv("VANTREL_TODAY"); fixed != nullptr) {
    const PackedDate date = isoDate(fixed);
    if (date != kNoDate) return date;
  }
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  if (localtime_r(&now, &local) == nullptr) return kNoDate;
  return QRX_DateIn(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
}

PackedDate QRX_DateIn(int year, int month, int day) {
  if (year < kFirstYear || year > kLastYear || month < 1 || month > 12) return kNoDate;
  if (day < 1 || day > daysInMonth(year, month)) return kNoDate;
  return static_cast<PackedDate>(daysFromCivil(year, month, day) + kPackShift);
}

int QRX_DateOut(PackedDate date, std::int16_t* year, std::int16_t* month, std::int16_t* day) {
  CivilDay civil{0, 0, 0};
  const bool ok = isAcceptedDate(date);
  if (ok) civil = civilFromDays(static_cast<long>(date) - kPackShift);
  if (year != nullptr) *year = static_cast<std::int16_t>(civil.year);
  if (month != nullptr) *month = static_cast<std::int16_t>(civil.month);
  if (day != nullptr) *day = static_cast<std::int16_t>(civil.day);
  return ok ? 1 : 0;
}

int QRX_week_day(int year, int month, int day) {
  return QRX_WeekDayOf(QRX_DateIn(year, month, day));
}

int QRX_WeekDayOf(PackedDate date) { return isAcceptedDate(date) ? weekDayOfAccepted(date) : 0; }

PackedDate QRX_WeekStart(PackedDate date) {
  if (!isAcceptedDate(date)) return kNoDate;
  // The first week of kFirstYear may start in the year before; that Sunday is still a valid
  // day number, only outside the range DateOut converts back.
  return date - static_cast<PackedDate>(weekDayOfAccepted(date)) + 1;
}

int QRX_FormatNDate2000(char* out, std::size_t size, PackedDate date) {
  return QRX_DateStr(out, size, date, kDateShort);
}

int QRX_DateStr(char* out, std::size_t size, PackedDate date, int style) {
  if (date == kNoDate) return putText(out, size, "");
  if (!isAcceptedDate(date)) {
    putText(out, size, "");
    return 0;
  }
  const CivilDay c = civilFromDays(static_cast<long>(date) - kPackShift);
  // The longest text, "Wednesday, September 30, 9999", takes 29 characters.
  char text[64];
  if (style == kDateLong) {
    std::snprintf(text, sizeof text, "%s, %s %d, %04d", kDayNames[weekDayOfAccepted(date) - 1],
                  kMonthNames[c.month - 1], c.day, c.year);
  } else if (style == kDateMedium) {
    std::snprintf(text, sizeof text, "%s %d, %04d", kMonthAbbrevs[c.month - 1], c.day, c.year);
  } else {
    std::snprintf(text, sizeof text, "%02d/%02d/%04d", c.month, c.day, c.year);
  }
  return putText(out, size, text);
}

int QRX_ParseDate(std::string_view text, PackedDate* date, bool allowTwoDigitYear) {
  const std::string_view t = trimBlanks(text);
  int year = -1;
  int month = -1;
  int day = -1;
  if (t.size() == 8 && digitsValue(t, 8) >= 0) {
    month = digitsValue(t.substr(0, 2), 2);
    day = digitsValue(t.substr(2, 2), 2);
    year = digitsValue(t.substr(4, 4), 4);
  } else {
    const std::size_t first = t.find_first_of("/-.");
    if (first == std::string_view::npos) return 0;
    const char separator = t[first];
    const std::size_t second = t.find(separator, first + 1);
    if (second == std::string_view::npos) return 0;
    // Anything other than digits in a part (another separator, a blank, a letter) refuses it.
    month = digitsValue(t.substr(0, first), 2);
    day = digitsValue(t.substr(first + 1, second - first - 1), 2);
    const std::string_view yearText = t.substr(second + 1);
    if (yearText.size() == 4) {
      year = digitsValue(yearText, 4);
    } else if (yearText.size() == 2 && allowTwoDigitYear) {
      year = digitsValue(yearText, 2);
      if (year >= 0) year += year < 50 ? 2000 : 1900;
    }
  }
  if (year < 0 || month < 0 || day < 0) return 0;
  const PackedDate parsed = QRX_DateIn(year, month, day);
  if (parsed == kNoDate) return 0;
  if (date != nullptr) *date = parsed;
  return 1;
}

int QRX_fmtDateString2000(std::string_view typed, char* out, std::size_t size) {
  PackedDate date = kNoDate;
  if (QRX_ParseDate(typed, &date, false) == 1) return QRX_FormatNDate2000(out, size, date);
  putText(out, size, typed);
  return 0;
}

const char* QRX_getmonth_name(int month, bool abbreviated) {
  if (month < 1 || month > 12) return "";
  return abbreviated ? kMonthAbbrevs[month - 1] : kMonthNames[month - 1];
}

const char* QRX_getday_name(int weekDay, bool abbreviated) {
  if (weekDay < 1 || weekDay > 7) return "";
  return abbreviated ? kDayAbbrevs[weekDay - 1] : kDayNames[weekDay - 1];
}
