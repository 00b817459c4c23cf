#include "schedule/time_entry.h"

#include <gtest/gtest.h>

#include <optional>

#include "platform/qrx/scripted_prompter.h"

namespace {

struct ParseCase {
  const char* text;
  int block;
  std::optional<int> unit;
};

TEST(TimeEntry, ParsesTypedTimesAndRefusesEverythingElse) {
  const ParseCase cases[] = {
      {"8:07am", 5, 97},      // minutes rounded down to the block
      {"8:07am", 15, 96},     // ... of 15 minutes
      {"12:30am", 5, 6},      // 12 in the morning is midnight
      {"12:30pm", 5, 150},    // 12 in the afternoon is noon
      {"12pm", 10, 144},      // no minutes: 0
      {"13:00", 5, 156},      // no mark: 24-hour clock
      {"13:00pm", 5, {}},     // above 12 with a mark
      {"24", 5, 288},         // the end of the day
      {"24:30", 5, {}},       // no day holds it
      {"8:60", 5, {}},        // minutes 60
      {"8::30", 5, {}},       // two punctuation characters
      {"8.45a", 5, 105},      // any punctuation separates
      {" 8 : 0 7 a m", 5, 97},  // blanks anywhere are ignored
      {"8:45am!?", 5, 105},   // the mark ends the time text
      {"8:4x", 5, {}},        // a letter that is no mark
      {":30", 5, {}},         // no hour
      {"-1:00", 5, {}},       // a negative hour
      {"", 5, {}},            //
      {"99999999999:00", 5, {}},  // a huge hour must not wrap into range
  };
  for (const ParseCase& c : cases) {
    const std::optional<std::int32_t> got = parseEnteredTime(c.text, c.block);
    EXPECT_EQ(got.has_value(), c.unit.has_value()) << '"' << c.text << '"';
    if (got && c.unit) {
      EXPECT_EQ(*got, *c.unit) << '"' << c.text << '"';
    }
  }
}

TEST(TimeEntry, ShownTimesReadBackAsTheSameUnitAndThePickerStepsByBlock) {
  // The dialog shows a stored time and parses the text again on OK: a day ending at midnight
  // must not come back as the start of the day.
  for (std::int32_t unit = 0; unit <= kEndOfDay; ++unit) {
    EXPECT_EQ(parseEnteredTime(timeFieldText(unit), 5), unit) << timeFieldText(unit);
  }
  EXPECT_EQ(timeFieldText(97), "8:05am");
  EXPECT_EQ(normalisedTimeText("3:00", 5), "3:00am") << "no p: morning";
  EXPECT_EQ(normalisedTimeText("8:07P", 10), "8:00pm");
  EXPECT_EQ(normalisedTimeText("13:00", 5), "13:00") << "what does not parse stays as typed";
  EXPECT_EQ(pickerLabel(156), "01:00 pm");
  EXPECT_EQ(pickerUnit(pickerPositions(30) - 1, 30), 282) << "the last block of the day";
  EXPECT_EQ(pickerStartPosition("", 10), 72) << "empty: noon";
  EXPECT_EQ(pickerStartPosition("24:00", 15), 95) << "the end of the day: the last block";
}

struct CheckCase {
  TimeLimitTexts texts;
  bool firstRequired;
  int message;       // 9090 or 0
  const char* text;  // the stop, or "" when accepted
  int field;
};

TEST(TimeEntry, TimeLimitsAreCheckedInOrderAndSendTheFocusToTheCulprit) {
  const CheckCase cases[] = {
      {{"9am", "", "", "", "", ""}, true, 0, "A time must be entered!", 0},  // < 4 chars: none
      {{"", "", "zz99", "", "", ""}, true, 9090, "", 2},  // parsing comes first
      {{"8:00am", "", "", "", "", ""}, false, 0, "A full time span must be entered!", 1},
      {{"", "5:00pm", "", "", "", ""}, false, 0, "A full time span must be entered!", 0},
      {{"5:00pm", "8:00am", "", "", "", ""}, false, 0, "Invalid Time Range!", 0},
      {{"8:00am", "12:00pm", "11:00am", "1:00pm", "", ""}, true, 0, "Invalid time order!", 2},
      {{"8:00am", "12:00pm", "", "", "11:00am", "1:00pm"}, true, 0, "Invalid time order!", 4},
      {{"8:00am", "12:00pm", "1:00pm", "", "", ""}, true, 0, "A full time span must be entered!",
       3},
  };
  for (const CheckCase& c : cases) {
    const TimeLimitsCheck got = checkTimeLimits(c.texts, 5, c.firstRequired);
    ASSERT_TRUE(got.problem.has_value()) << c.text;
    EXPECT_EQ(got.problem->messageNumber, c.message) << c.text;
    EXPECT_EQ(got.problem->text, c.text);
    EXPECT_EQ(got.problem->field, c.field) << c.text;
    EXPECT_EQ(got.problem->focusButton, c.message == 0) << c.text;
  }
  ScriptedPrompter prompter;
  showTimeLimitsProblem(prompter, *checkTimeLimits({"9:00", "8:00"}, 5, false).problem);
  ASSERT_EQ(prompter.asked().size(), 1u);
  EXPECT_EQ(prompter.asked()[0].prompt.caption, "Appointment List");
  EXPECT_EQ(prompter.asked()[0].prompt.icon, PromptIcon::kStop);

  const TimeLimitsCheck ok = checkTimeLimits(
      {"8:07am", "12:00pm", "12:00pm", "12:00pm", "", "x"}, 5, true);  // start == end is fine
  ASSERT_FALSE(ok.problem.has_value()) << ok.problem->text;
  EXPECT_EQ(ok.hours.start, (std::array<std::int32_t, 3>{97, 144, -1}));
  EXPECT_EQ(ok.hours.end, (std::array<std::int32_t, 3>{144, 144, -1}));
}

}  // namespace
