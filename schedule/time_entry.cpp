#include "schedule/time_entry.h"

#include <algorithm>

#include "contracts/qrx.h"

namespace {

constexpr int kUnitsPerHour = 60 / kMinutesPerUnit;
constexpr std::int32_t kNoon = 12 * kUnitsPerHour;
// Digits beyond any hour or minute a person types: keeps the running number from overflowing
// while the text is still read to its end.
constexpr int kDigitCap = 1000;
constexpr std::size_t kShortestTimeText = 4;
constexpr const char* kCaption = "Appointment List";
constexpr int kNotATimeMessage = 9090;

bool isBlank(char c) { return c == ' ' || c == '\t'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
// ASCII punctuation only: a byte of a multi-byte character is never taken as a separator.
bool isPunctuation(char c) {
  return (c >= '!' && c <= '/') || (c >= ':' && c <= '@') || (c >= '[' && c <= '`') ||
         (c >= '{' && c <= '~');
}

int blockUnits(int blockMinutes) {
  return blockMinutes >= kMinutesPerUnit && blockMinutes <= 30 ? blockMinutes / kMinutesPerUnit
                                                               : 1;
}

}  // namespace

std::optional<std::int32_t> parseEnteredTime(std::string_view text, int blockMinutes,
                                             DayHalf force) {
  int hour = 0;
  int minute = 0;
  int hourDigits = 0;
  bool separated = false;
  DayHalf half = DayHalf::kUnmarked;
  for (const char c : text) {
    if (isBlank(c)) continue;
    if (c == 'a' || c == 'A' || c == 'p' || c == 'P') {
      half = (c == 'a' || c == 'A') ? DayHalf::kMorning : DayHalf::kAfternoon;
      break;
    }
    if (isDigit(c)) {
      int& value = separated ? minute : hour;
      value = std::min(value * 10 + (c - '0'), kDigitCap);
      if (!separated) ++hourDigits;
      continue;
    }
    if (isPunctuation(c) && !separated && hourDigits > 0) {
      separated = true;
      continue;
    }
    return std::nullopt;
  }
  if (force != DayHalf::kUnmarked) half = force;
  if (hourDigits == 0) return std::nullopt;
  if (hour > (half == DayHalf::kUnmarked ? 24 : 12)) return std::nullopt;
  if (minute > 59) return std::nullopt;
  if (blockMinutes > 0) minute -= minute % blockMinutes;
  if (half == DayHalf::kMorning && hour == 12) hour = 0;
  if (half == DayHalf::kAfternoon) {
    hour += 12;
    if (hour == 24) hour = 12;
  }
  if (hour == 24 && minute != 0) return std::nullopt;
  return hour * kUnitsPerHour + minute / kMinutesPerUnit;
}

std::string timeFieldText(std::int32_t unit) {
  if (unit == kEndOfDay) return "24:00";
  const std::optional<ClockTime> clock = unitToClock(unit);
  if (!clock) return {};
  char text[16] = {};
  const PackedTime packed{static_cast<std::uint8_t>(clock->hour),
                          static_cast<std::uint8_t>(clock->minute)};
  const int half = QRX_FormatPackTime(text, sizeof text, packed, kTime12Hour);
  if (half == 0) return {};
  std::string out(text);
  // The formatter right-aligns the hour; the field shows it without the leading blank.
  out.erase(0, out.find_first_not_of(' '));
  out += half == kTimePm ? "pm" : "am";
  return out;
}

std::string normalisedTimeText(std::string_view typed, int blockMinutes) {
  const bool afternoon = typed.find_first_of("pP") != std::string_view::npos;
  const std::optional<std::int32_t> unit =
      parseEnteredTime(typed, blockMinutes, afternoon ? DayHalf::kAfternoon : DayHalf::kMorning);
  return unit ? timeFieldText(*unit) : std::string(typed);
}

int pickerPositions(int blockMinutes) { return kUnitsPerDay / blockUnits(blockMinutes); }

std::int32_t pickerUnit(int position, int blockMinutes) {
  const int last = pickerPositions(blockMinutes) - 1;
  return std::clamp(position, 0, last) * blockUnits(blockMinutes);
}

int pickerStartPosition(std::string_view fieldText, int blockMinutes) {
  const std::optional<std::int32_t> unit = parseEnteredTime(fieldText, blockMinutes);
  const std::int32_t at = unit ? *unit : kNoon;
  return std::min(at / blockUnits(blockMinutes), pickerPositions(blockMinutes) - 1);
}

std::string pickerLabel(std::int32_t unit) {
  const std::optional<ClockTime> clock = unitToClock(unit);
  if (!clock) return {};
  const int hour24 = clock->hour % 24;
  const int hour12 = hour24 % 12 == 0 ? 12 : hour24 % 12;
  std::string out;
  out += static_cast<char>('0' + hour12 / 10);
  out += static_cast<char>('0' + hour12 % 10);
  out += ':';
  out += static_cast<char>('0' + clock->minute / 10);
  out += static_cast<char>('0' + clock->minute % 10);
  out += hour24 < 12 ? " am" : " pm";
  return out;
}

TimeLimitsCheck checkTimeLimits(const TimeLimitTexts& texts, int blockMinutes,
                                bool firstRequired) {
  TimeLimitsCheck out;
  std::array<std::int32_t, kTimeLimitFields> value{};
  for (int f = 0; f < kTimeLimitFields; ++f) {
    const std::string& text = texts[static_cast<std::size_t>(f)];
    value[static_cast<std::size_t>(f)] = kNoWorkingTime;
    if (text.size() < kShortestTimeText) continue;
    const std::optional<std::int32_t> unit = parseEnteredTime(text, blockMinutes);
    if (!unit) {
      out.problem = TimeLimitsProblem{kNotATimeMessage, {}, f, false};
      return out;
    }
    value[static_cast<std::size_t>(f)] = *unit;
  }
  const auto at = [&](int field) { return value[static_cast<std::size_t>(field)]; };
  const auto stop = [&](const char* text, int field) {
    out.problem = TimeLimitsProblem{0, text, field, true};
    return out;
  };

  if (firstRequired && at(startField(0)) == kNoWorkingTime) {
    return stop("A time must be entered!", startField(0));
  }
  std::int32_t previousEnd = kNoWorkingTime;
  for (int p = 0; p < static_cast<int>(kDayPeriods); ++p) {
    const std::int32_t start = at(startField(p));
    const std::int32_t end = at(endField(p));
    if ((start == kNoWorkingTime) != (end == kNoWorkingTime)) {
      return stop("A full time span must be entered!",
                  start == kNoWorkingTime ? startField(p) : endField(p));
    }
    if (start == kNoWorkingTime) continue;
    if (start > end) return stop("Invalid Time Range!", startField(p));
    if (start < previousEnd) return stop("Invalid time order!", startField(p));
    previousEnd = end;
  }
  for (std::size_t p = 0; p < kDayPeriods; ++p) {
    out.hours.start[p] = value[p * 2];
    out.hours.end[p] = value[p * 2 + 1];
  }
  return out;
}

void showTimeLimitsProblem(Prompter& prompter, const TimeLimitsProblem& problem) {
  if (problem.messageNumber != 0) {
    QRX_Message(prompter, problem.messageNumber);
    return;
  }
  Prompt p;
  p.caption = kCaption;
  p.text = problem.text;
  p.buttons = PromptButtons::kOk;
  p.icon = PromptIcon::kStop;
  prompter.ask(p);
}
