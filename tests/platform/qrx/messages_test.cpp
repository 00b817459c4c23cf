// Messages by number and the scripted prompter (the catalogue's order and uniqueness are checked
// at compile time where it is defined).

#include <gtest/gtest.h>

#include <climits>
#include <set>
#include <string>

#include "contracts/qrx.h"
#include "platform/qrx/scripted_prompter.h"

namespace {

bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// Every number the program shows must be catalogued; only the messages whose answer the program
// acts on may ask; no text keeps a placeholder (no text needs a literal "%", so one left over is
// a placeholder the filling did not know).
TEST(MessageCatalogue, HoldsEveryNumberShownAndOnlyTheAskedOnesAreQuestions) {
  std::set<int> shown = {3001, 3017, 3018, 3020, 3026, 3027, 3038, 3040, 3041, 3178, 3180, 3181,
                         3182, 3183, 3184, 3185, 3186, 3196, 3205, 3206, 3207, 3208, 3283, 6042,
                         6069, 6070, 6071, 6075, 6165, 9002, 9018, 9019, 9046, 9047, 9048, 9049,
                         9077, 9083, 9084, 9090, 9091, 9092, 9108, 9154, 9165};
  const std::set<int> unassigned = {3074, 3078, 3085, 3098, 3102, 3121,
                                    3125, 3144, 3148, 3167, 3171};
  for (int n = 3062; n <= 3177; ++n) {
    if (!unassigned.count(n)) shown.insert(n);
  }
  const std::set<int> asked = {6042, 6070, 6071, 6075, 6165, 9077};
  for (int number = -1; number <= 99999; ++number) {
    const int style = QRX_MessageStyle(number);
    const std::string text = QRX_MessageText(number, 11, 22, 33);
    EXPECT_TRUE(style != -1 || shown.count(number) == 0) << number << " is not catalogued";
    EXPECT_EQ(text.empty(), style == -1) << number;
    if (style == -1) continue;
    const bool question = style == kStyleQuestion || style == kStyleConfirm;
    EXPECT_EQ(question, asked.count(number) == 1) << number;
    EXPECT_FALSE(contains(text, "%")) << number;
  }
  for (int number : {-1, 0, 1234, 3074, 99999}) EXPECT_EQ(QRX_MessageStyle(number), -1) << number;
}

TEST(MessageValues, FillEachPlaceholderByItsNumberEveryTimeWithEveryDigit) {
  // The list message names the row asked for (%2) before the row count (%1).
  const std::string rows = QRX_MessageText(3185, 7, 12);
  EXPECT_TRUE(contains(rows, "row 12") && contains(rows, "only 7 rows")) << rows;
  const std::string twice = QRX_MessageText(9049, 57);
  EXPECT_NE(twice.find("57"), twice.rfind("57")) << twice;
  const std::string extreme = QRX_MessageText(3064, -5, LONG_MAX);
  EXPECT_TRUE(contains(extreme, "error -5 on file " + std::to_string(LONG_MAX))) << extreme;
  EXPECT_TRUE(contains(QRX_MessageText(3196, LONG_MIN), std::to_string(LONG_MIN)));
}

// How message `number` is shown in `style` with the values 42 and 9: "<buttons> <icon>", after
// checking that the box carries the program's caption, the number and the filled text.
std::string shownAs(int style, int number) {
  ScriptedPrompter prompter;
  QRX_MessageBox(prompter, style, number, 42, 9);
  if (prompter.asked().size() != 1) return "asked " + std::to_string(prompter.asked().size());
  const Prompt& shown = prompter.asked()[0].prompt;
  EXPECT_EQ(shown.caption, "Appointment List");
  EXPECT_EQ(shown.messageNumber, number);
  EXPECT_EQ(shown.text, QRX_MessageText(number, 42, 9));
  return std::string(promptButtonsName(shown.buttons)) + " " + promptIconName(shown.icon);
}

TEST(ShowMessage, StyleGivesButtonsAndIconAndUnknownStyleFallsBackToTheMessagesOwn) {
  EXPECT_EQ(shownAs(kStyleError, 3064), "OK stop");
  EXPECT_EQ(shownAs(kStyleNotice, 3064), "OK information");
  EXPECT_EQ(shownAs(kStyleQuestion, 3001), "Yes/No question");  // a notice asked as a question
  EXPECT_EQ(shownAs(kStyleConfirm, 3064), "OK/Cancel exclamation");
  EXPECT_EQ(shownAs(2, 6070), "Yes/No question");
}

TEST(ShowMessage, QuestionsReturnOneForYesOrOkAndTwoOtherwiseNoticesAlwaysOne) {
  const int cases[][3] = {{kStyleQuestion, kIdYes, 1},   {kStyleQuestion, kIdNo, 2},
                          {kStyleQuestion, kIdRetry, 2}, {kStyleQuestion, 99, 2},
                          {kStyleConfirm, kIdOk, 1},     {kStyleConfirm, kIdCancel, 2},
                          {kStyleNotice, kIdCancel, 1},  {kStyleError, kIdRetry, 1}};
  for (const auto& [style, answer, result] : cases) {
    ScriptedPrompter prompter;
    prompter.answer(answer);
    EXPECT_EQ(QRX_MessageBox(prompter, style, 6042), result) << style << " " << answer;
  }
}

TEST(ShowMessage, UnknownNumberStillShowsItsNumberAndValuesAndGivesTheAnswer) {
  ScriptedPrompter prompter;
  EXPECT_EQ(QRX_Message(prompter, 1234, 1, 2, 3), 1);
  ASSERT_EQ(prompter.asked().size(), 1u);
  EXPECT_EQ(prompter.asked()[0].prompt.text, "Message 1234 (values 1, 2, 3).");
  prompter.answer(kIdNo);
  EXPECT_EQ(QRX_MessageBox(prompter, kStyleQuestion, -7), 2);
}

TEST(RecordLocked, RetryGivesFourEveryOtherAnswerTwo) {
  for (const auto& [answer, result] :
       {std::pair{kIdRetry, 4}, {kIdCancel, 2}, {kIdOk, 2}, {0, 2}}) {
    ScriptedPrompter prompter;
    prompter.answer(answer);
    EXPECT_EQ(QRX_RecordLockedQuestion(prompter, 18), result) << answer;
    const Prompt& shown = prompter.asked().at(0).prompt;
    EXPECT_EQ(shown.buttons, PromptButtons::kRetryCancel);
    EXPECT_TRUE(contains(shown.text, "the patient file (file 18)")) << shown.text;
  }
}

// An unattended run (the administration command, a test) must never loop on a locked record,
// and an answer queued for it comes before the fallback.
TEST(ScriptedPrompter, FallbackNeverRetriesALockedRecord) {
  ScriptedPrompter prompter(ScriptedPrompter::Fallback::kAffirmative);
  EXPECT_EQ(QRX_RecordLockedQuestion(prompter, 9), 2);
  EXPECT_EQ(QRX_MessageBox(prompter, kStyleQuestion, 6042), 1);
  prompter.answer(kIdNo);
  EXPECT_EQ(QRX_MessageBox(prompter, kStyleQuestion, 6042), 2);
}

}  // namespace
