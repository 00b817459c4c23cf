#pragma once
// Times of day as the user types and reads them in the schedule dialogs: the one parser every
// time field uses, the texts the fields and the time picker show, and the check of the six
// fields of a day's working hours. Qt-free; the dialogs only move texts in and out.
//
// A typed time: blanks are ignored anywhere; the first digits are the hour; one punctuation
// character may follow, and the digits after it are the minutes (none = 0); an "a"/"A" or
// "p"/"P" marks morning or afternoon and ends the time (whatever follows it is not read); any
// other character makes the text invalid. Without a mark the hour may be 0 to 24, with one 0 to
// 12 (12 in the morning is midnight, 12 in the afternoon noon). Minutes must be 0 to 59 and
// are rounded down to a multiple of the block size. The result is a unit of 5 minutes (0-288).

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "schedule/schedule_time.h"

class Prompter;

enum class DayHalf { kUnmarked, kMorning, kAfternoon };

// The unit of a typed time, or nothing when the text is not a time. `blockMinutes` (5 to 30)
// rounds the minutes down; 0 or less leaves them at the 5-minute grain. `force` replaces the
// half the text marks (the text's own letter still ends the time).
//
// 24:00 (no mark) is the end of the day, 288; a later time, such as 24:30, is refused because
// no day holds it.
std::optional<std::int32_t> parseEnteredTime(std::string_view text, int blockMinutes,
                                             DayHalf force = DayHalf::kUnmarked);

// The text of a time field: the 12-hour clock time followed by "am" or "pm" ("8:05am",
// "12:30pm", "12:00am" for midnight), "" for -1 and for values outside the day. The end of
// the day (288) shows as "24:00", the one text that reads back as 288 rather than as midnight.
std::string timeFieldText(std::int32_t unit);

// What a time field does when it loses the focus: a "p" or "P" anywhere means afternoon,
// anything else morning; a text that then parses is shown again as timeFieldText (minutes
// rounded to the block), any other text is returned as typed.
std::string normalisedTimeText(std::string_view typed, int blockMinutes);

// The time picker: positions 0 .. pickerPositions(block) - 1 are the times of the day in block
// steps (0:00 first, the last block of the day last). A block outside 5-30 minutes counts as 5.
int pickerPositions(int blockMinutes);
std::int32_t pickerUnit(int position, int blockMinutes);
// The position a picker opens at for a field's text: the field's time (rounded down to the
// block), or 12:00 noon when the text is empty or not a time.
int pickerStartPosition(std::string_view fieldText, int blockMinutes);
// The picker's label: hour in 2 characters of the 12-hour clock (0 shown as 12), ":", minutes
// in 2 digits, a blank and "am" (before noon) or "pm": "08:05 am", "12:30 pm".
std::string pickerLabel(std::int32_t unit);

// The six fields of a day's hours, in the order start 1, end 1, start 2, end 2, start 3,
// end 3; a field's number is period * 2 (+ 1 for the end).
inline constexpr int kTimeLimitFields = 6;
using TimeLimitTexts = std::array<std::string, kTimeLimitFields>;
constexpr int startField(int period) { return period * 2; }
constexpr int endField(int period) { return period * 2 + 1; }

// Why the hours cannot be taken, and where the user is sent to fix them.
struct TimeLimitsProblem {
  int messageNumber = 0;  // a catalogue message (shown in its own style), or 0 for `text`
  std::string text;       // a stop titled "Appointment List"
  int field = 0;          // the field concerned (see above)
  bool focusButton = false;  // true: the field's " >>" button takes the focus, else the field
};

struct TimeLimitsCheck {
  DayHours hours;  // valid when there is no problem
  std::optional<TimeLimitsProblem> problem;
};

// The OK check of the hours of one day, in this order:
// 1. each field of 4 characters or more must parse (message 9090, focus on that field); a
//    shorter or empty text means no time;
// 2. with `firstRequired`, the first start must be given: "A time must be entered!";
// 3. for each period in turn: a start without an end or an end without a start: "A full time
//    span must be entered!" (focus on the empty one's button); a start after its end: "Invalid
//    Time Range!"; a start before the end of an earlier period: "Invalid time order!" (both on
//    the period's start button). A start equal to its end is accepted.
// An empty period between two used ones is allowed, but the later period is still ordered
// after the last one in use, so periods can never overlap.
TimeLimitsCheck checkTimeLimits(const TimeLimitTexts& texts, int blockMinutes, bool firstRequired);

// Shows the problem through the prompter: the catalogue message by number, or the text with the
// caption "Appointment List", the stop icon and an OK button.
void showTimeLimitsProblem(Prompter& prompter, const TimeLimitsProblem& problem);
