// Messages by number and the scripted prompter. The order and uniqueness of the catalogue are
// checked where it is defined, at compile time; these tests go after what a user would see.

#include <gtest/gtest.h>

#include <climits>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "contracts/qrx.h"
#include "platform/qrx/scripted_prompter.h"

namespace {

bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

int countOf(const std::string& text, const std::string& part) {
  int count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
    ++count;
  }
  return count;
}

// Every number the program shows through the catalogue.
std::vector<int> numbersTheProgramShows() {
  std::vector<int> numbers = {
      3001, 3017, 3018, 3020, 3026, 3027, 3038, 3040, 3041, 3178, 3180, 3181, 3182, 3183, 3184,
      3185, 3186, 3196, 3205, 3206, 3207, 3208, 3283, 6042, 6069, 6070, 6071, 6075, 6165, 9002,
      9018, 9019, 9046, 9047, 9048, 9049, 9077, 9083, 9084, 9090, 9091, 9092, 9108, 9154, 9165};
  const std::set<int> unassigned = {3074, 3078, 3085, 3098, 3102, 3121,
                                    3125, 3144, 3148, 3167, 3171};
  for (int n = 3062; n <= 3177; ++n) {
    if (!unassigned.count(n)) numbers.push_back(n);
  }
  return numbers;
}

// Messages the program asks and acts on the answer of.
const std::set<int> kAskedMessages = {6042, 6070, 6071, 6075, 6165, 9077};

std::vector<int> everyCataloguedNumber() {
  std::vector<int> numbers;
  for (int n = 0; n <= 99999; ++n) {
    if (QRX_MessageStyle(n) != -1) numbers.push_back(n);
  }
  return numbers;
}

// ---------------------------------------------------------------------------------------------
// The catalogue

TEST(MessageCatalogue, HoldsEveryNumberTheProgramShows) {
  for (int number : numbersTheProgramShows()) {
    SCOPED_TRACE(number);
    EXPECT_NE(QRX_MessageStyle(number), -1);
    EXPECT_FALSE(QRX_MessageText(number).empty());
  }
}

TEST(MessageCatalogue, LeavesNoPlaceholderOrEmptyTextUnfilled) {
  const std::vector<int> all = everyCataloguedNumber();
  ASSERT_GE(all.size(), numbersTheProgramShows().size());
  for (int number : all) {
    SCOPED_TRACE(number);
    const std::string text = QRX_MessageText(number, 11, 22, 33);
    EXPECT_FALSE(text.empty());
    // No text needs a literal "%": one left over is a placeholder the filling did not know.
    EXPECT_FALSE(contains(text, "%"));
  }
}

TEST(MessageCatalogue, AskedMessagesAreQuestionsAndTheOthersAreNot) {
  for (int number : everyCataloguedNumber()) {
    SCOPED_TRACE(number);
    const int style = QRX_MessageStyle(number);
    if (kAskedMessages.count(number)) {
      EXPECT_TRUE(style == kStyleQuestion || style == kStyleConfirm);
    } else {
      EXPECT_TRUE(style == kStyleNotice || style == kStyleError);
    }
  }
  // Styles the callers state themselves.
  EXPECT_EQ(QRX_MessageStyle(9077), kStyleQuestion);
  for (int number : {3001, 3196, 9048, 9049}) EXPECT_EQ(QRX_MessageStyle(number), kStyleError);
}

TEST(MessageCatalogue, UncataloguedNumberHasNoStyleAndNoText) {
  for (int number : {0, -1, 1234, 3074, 99999}) {
    SCOPED_TRACE(number);
    EXPECT_EQ(QRX_MessageStyle(number), -1);
    EXPECT_EQ(QRX_MessageText(number, 1, 2, 3), "");
  }
}

// The access layer's table of file messages: each data file has one message per operation.
struct FileMessages {
  int file;
  const char* role;  // words that must name the file in its messages
  int open;          // 0: the file has no open message of its own
  int close;
  int lock;
  int remove;
  int write;
};

const FileMessages kFileMessages[] = {
    {0, "database", 0, 3205, 3206, 3207, 3208},
    {1, "treatment and billing", 3062, 3086, 3109, 3132, 3155},
    {6, "provider and operatory", 3063, 3087, 3110, 3133, 3156},
    {9, "appointment", 3064, 3088, 3111, 3134, 3157},
    {16, "treatment and billing", 3065, 3089, 3112, 3135, 3158},
    {18, "patient", 3066, 3090, 3113, 3136, 3159},
    {268, "insurance carrier", 3067, 3091, 3114, 3137, 3160},
    {34, "treatment and billing", 3068, 3092, 3115, 3138, 3161},
    {36, "treatment and billing", 3069, 3093, 3116, 3139, 3162},
    {207, "treatment and billing", 3070, 3094, 3117, 3140, 3163},
    {46, "address", 3071, 3095, 3118, 3141, 3164},
    {42, "notes", 3072, 3096, 3119, 3142, 3165},
    {44, "definitions", 3073, 3097, 3120, 3143, 3166},
    {49, "insurance coverage", 3075, 3099, 3122, 3145, 3168},
    {52, "treatment and billing", 3076, 3100, 3123, 3146, 3169},
    {92, "treatment and billing", 3077, 3101, 3124, 3147, 3170},
    {78, "workstation notification", 3079, 3103, 3126, 3149, 3172},
    {64, "treatment and billing", 3080, 3104, 3127, 3150, 3173},
    {70, "guarantor account", 3081, 3105, 3128, 3151, 3174},
    {72, "print request", 3082, 3106, 3129, 3152, 3175},
    {282, "treatment and billing", 3083, 3107, 3130, 3153, 3176},
    {-1, "data file", 3084, 3108, 3131, 3154, 3177},
};

TEST(MessageCatalogue, FileMessagesNameTheFileTheOperationAndBothValues) {
  for (const FileMessages& row : kFileMessages) {
    const std::pair<int, const char*> operations[] = {{row.open, "opened"},
                                                      {row.close, "closed"},
                                                      {row.lock, "locked"},
                                                      {row.remove, "deleted"},
                                                      {row.write, "saved"}};
    for (const auto& [number, verb] : operations) {
      if (number == 0) continue;
      SCOPED_TRACE(testing::Message() << "file " << row.file << ", message " << number);
      EXPECT_EQ(QRX_MessageStyle(number), kStyleError);
      const std::string text = QRX_MessageText(number, 42, 10);
      EXPECT_TRUE(contains(text, row.role)) << text;
      EXPECT_TRUE(contains(text, verb)) << text;
      EXPECT_TRUE(contains(text, "error 42 on file 10")) << text;
    }
  }
}

TEST(MessageCatalogue, NoteWrittenTwiceSaysANoteIsAlreadyThere) {
  EXPECT_EQ(QRX_MessageStyle(3283), kStyleError);
  const std::string text = QRX_MessageText(3283, 2, 42);
  EXPECT_TRUE(contains(text, "already")) << text;
  EXPECT_TRUE(contains(text, "error 2 on file 42")) << text;
}

// ---------------------------------------------------------------------------------------------
// Values

TEST(MessageValues, FillPlaceholdersByTheirNumberNotByTheirPlace) {
  // The list message names the row asked for (%2) before the row count (%1).
  const std::string text = QRX_MessageText(3185, 7, 12);
  EXPECT_TRUE(contains(text, "row 12")) << text;
  EXPECT_TRUE(contains(text, "only 7 rows")) << text;
  EXPECT_FALSE(contains(text, "row 7")) << text;
}

TEST(MessageValues, FillAPlaceholderEachTimeItAppears) {
  const std::string text = QRX_MessageText(9049, 57);
  EXPECT_EQ(countOf(text, "57"), 2) << text;
}

TEST(MessageValues, KeepSignAndEveryDigitOfExtremeValues) {
  const std::string text = QRX_MessageText(3064, -5, LONG_MAX);
  EXPECT_TRUE(contains(text, "error -5 on file " + std::to_string(LONG_MAX))) << text;
  EXPECT_TRUE(contains(QRX_MessageText(3196, LONG_MIN), std::to_string(LONG_MIN)));
}

TEST(MessageValues, ValuesATextDoesNotUseChangeNothing) {
  EXPECT_EQ(QRX_MessageText(9002, 1, 2, 3), QRX_MessageText(9002));
  EXPECT_EQ(QRX_MessageText(3018, 42, 9, 777), QRX_MessageText(3018, 42, 9, 0));
}

// ---------------------------------------------------------------------------------------------
// Showing a message

struct StyleCase {
  int style;
  PromptButtons buttons;
  PromptIcon icon;
};

const StyleCase kStyles[] = {
    {kStyleError, PromptButtons::kOk, PromptIcon::kStop},
    {kStyleNotice, PromptButtons::kOk, PromptIcon::kInformation},
    {kStyleQuestion, PromptButtons::kYesNo, PromptIcon::kQuestion},
    {kStyleConfirm, PromptButtons::kOkCancel, PromptIcon::kExclamation},
};

TEST(ShowMessage, StyleGivesButtonsAndIcon) {
  for (const StyleCase& c : kStyles) {
    SCOPED_TRACE(c.style);
    ScriptedPrompter prompter;
    QRX_MessageBox(prompter, c.style, 3064, 42, 9);
    ASSERT_EQ(prompter.asked().size(), 1u);
    const Prompt& shown = prompter.asked()[0].prompt;
    EXPECT_EQ(shown.buttons, c.buttons);
    EXPECT_EQ(shown.icon, c.icon);
    EXPECT_EQ(shown.caption, "Appointment List");
    EXPECT_EQ(shown.messageNumber, 3064);
    EXPECT_EQ(shown.text, QRX_MessageText(3064, 42, 9));
  }
}

TEST(ShowMessage, OwnStyleComesFromTheCatalogue) {
  // One message of each style: the prompt must carry the catalogue's buttons and icon.
  for (int number : {3001, 6069, 6070, 6075, 9154}) {
    SCOPED_TRACE(number);
    const int style = QRX_MessageStyle(number);
    ScriptedPrompter viaMessage;
    ScriptedPrompter viaBox;
    QRX_Message(viaMessage, number, 1, 2, 3);
    QRX_MessageBox(viaBox, style, number, 1, 2, 3);
    ASSERT_EQ(viaMessage.asked().size(), 1u);
    ASSERT_EQ(viaBox.asked().size(), 1u);
    EXPECT_EQ(viaMessage.asked()[0].prompt.buttons, viaBox.asked()[0].prompt.buttons);
    EXPECT_EQ(viaMessage.asked()[0].prompt.icon, viaBox.asked()[0].prompt.icon);
    EXPECT_EQ(viaMessage.asked()[0].prompt.text, viaBox.asked()[0].prompt.text);
  }
}

TEST(ShowMessage, GivenStyleOverridesTheCatalogue) {
  ScriptedPrompter prompter;
  prompter.answer(kIdNo);
  // 3001 is an error notice in the catalogue; asked as a question it must show Yes/No and
  // report the No.
  EXPECT_EQ(QRX_MessageBox(prompter, kStyleQuestion, 3001), 2);
  EXPECT_EQ(prompter.asked()[0].prompt.buttons, PromptButtons::kYesNo);
  EXPECT_EQ(prompter.asked()[0].prompt.icon, PromptIcon::kQuestion);
}

TEST(ShowMessage, StyleOutsideTheFourFallsBackToTheMessagesOwn) {
  ScriptedPrompter prompter;
  prompter.answer(kIdNo);
  EXPECT_EQ(QRX_MessageBox(prompter, 2, 6070), 2);
  EXPECT_EQ(prompter.asked()[0].prompt.buttons, PromptButtons::kYesNo);
}

struct ResultCase {
  int style;
  int answer;
  int result;
};

TEST(ShowMessage, QuestionsReturnOneForYesOrOkAndTwoOtherwiseNoticesAlwaysOne) {
  const ResultCase cases[] = {
      {kStyleQuestion, kIdYes, 1},    {kStyleQuestion, kIdOk, 1},    {kStyleQuestion, kIdNo, 2},
      {kStyleQuestion, kIdCancel, 2}, {kStyleQuestion, kIdRetry, 2}, {kStyleQuestion, 99, 2},
      {kStyleConfirm, kIdOk, 1},      {kStyleConfirm, kIdYes, 1},    {kStyleConfirm, kIdCancel, 2},
      {kStyleConfirm, kIdNo, 2},      {kStyleConfirm, kIdRetry, 2},  {kStyleNotice, kIdOk, 1},
      {kStyleNotice, kIdCancel, 1},   {kStyleNotice, kIdNo, 1},      {kStyleError, kIdOk, 1},
      {kStyleError, kIdCancel, 1},    {kStyleError, kIdNo, 1},       {kStyleError, kIdRetry, 1},
  };
  for (const ResultCase& c : cases) {
    SCOPED_TRACE(testing::Message() << "style " << c.style << ", answer " << c.answer);
    ScriptedPrompter prompter;
    prompter.answer(c.answer);
    EXPECT_EQ(QRX_MessageBox(prompter, c.style, 6042), c.result);
    EXPECT_EQ(prompter.pendingAnswers(), 0u);
  }
}

TEST(ShowMessage, UnknownNumberStillShowsItsNumberAndValues) {
  ScriptedPrompter prompter;
  EXPECT_EQ(QRX_Message(prompter, 1234, 1, 2, 3), 1);
  ASSERT_EQ(prompter.asked().size(), 1u);
  const Prompt& shown = prompter.asked()[0].prompt;
  EXPECT_EQ(shown.text, "Message 1234 (values 1, 2, 3).");
  EXPECT_EQ(shown.caption, "Appointment List");
  EXPECT_EQ(shown.messageNumber, 1234);
  EXPECT_EQ(shown.buttons, PromptButtons::kOk);
  EXPECT_EQ(shown.icon, PromptIcon::kStop);

  // Asked as a question it still gives the caller the user's answer.
  prompter.answer(kIdNo).answer(kIdYes);
  EXPECT_EQ(QRX_MessageBox(prompter, kStyleQuestion, -7), 2);
  EXPECT_EQ(QRX_MessageBox(prompter, kStyleQuestion, -7), 1);
  EXPECT_EQ(prompter.asked()[1].prompt.text, "Message -7 (values 0, 0, 0).");
}

// ---------------------------------------------------------------------------------------------
// The record-locked question and the database notices

TEST(RecordLocked, RetryGivesFourEveryOtherAnswerTwo) {
  const std::pair<int, int> cases[] = {{kIdRetry, 4}, {kIdCancel, 2}, {kIdOk, 2},
                                       {kIdYes, 2},   {kIdNo, 2},     {0, 2}};
  for (const auto& [answer, result] : cases) {
    SCOPED_TRACE(answer);
    ScriptedPrompter prompter;
    prompter.answer(answer);
    EXPECT_EQ(QRX_RecordLockedQuestion(prompter, 9), result);
    const Prompt& shown = prompter.asked().at(0).prompt;
    EXPECT_EQ(shown.buttons, PromptButtons::kRetryCancel);
    EXPECT_EQ(shown.icon, PromptIcon::kExclamation);
    EXPECT_EQ(shown.caption, "Appointment List");
  }
}

TEST(RecordLocked, NamesTheFileInWordsAndByNumber) {
  const std::pair<int, const char*> cases[] = {
      {9, "the appointment file (file 9)"},
      {18, "the patient file (file 18)"},
      {12, "the appointment file (file 12)"},  // a key of the appointment file
      {100, "the continuing care file (file 100)"},
      {34, "treatment and billing file (file 34)"},
      {0, "the database (file 0)"},
  };
  for (const auto& [file, words] : cases) {
    SCOPED_TRACE(file);
    ScriptedPrompter prompter;
    QRX_RecordLockedQuestion(prompter, file);
    EXPECT_TRUE(contains(prompter.asked().at(0).prompt.text, words))
        << prompter.asked().at(0).prompt.text;
  }
}

TEST(RecordLocked, FileOfNoKnownRoleIsNamedByNumberOnly) {
  for (int file : {500, 33, -3}) {
    SCOPED_TRACE(file);
    ScriptedPrompter prompter;
    QRX_RecordLockedQuestion(prompter, file);
    const std::string& text = prompter.asked().at(0).prompt.text;
    EXPECT_TRUE(contains(text, "file " + std::to_string(file) + " ")) << text;
    EXPECT_FALSE(contains(text, "(file")) << text;
  }
}

TEST(DatabaseNotices, ErrorNoticeNamesTheErrorAndBothFileNumbers) {
  ScriptedPrompter prompter;
  prompter.answer(kIdCancel);
  EXPECT_EQ(QRX_DatabaseErrorNotice(prompter, 18, 123, 19), 1);
  const Prompt& shown = prompter.asked().at(0).prompt;
  EXPECT_TRUE(contains(shown.text, "the patient file")) << shown.text;
  EXPECT_TRUE(contains(shown.text, "error 123 on file 18")) << shown.text;
  EXPECT_TRUE(contains(shown.text, "file 19")) << shown.text;
  EXPECT_EQ(shown.buttons, PromptButtons::kOk);
  EXPECT_EQ(shown.icon, PromptIcon::kStop);
  EXPECT_EQ(shown.caption, "Appointment List");
}

TEST(DatabaseNotices, MissingDatabasePointsAtTheProfilePathAndTheAdministrator) {
  ScriptedPrompter prompter;
  EXPECT_EQ(QRX_DBFindErr(prompter), 1);
  const Prompt& shown = prompter.asked().at(0).prompt;
  EXPECT_TRUE(contains(shown.text, "GENERAL")) << shown.text;
  EXPECT_TRUE(contains(shown.text, "Path")) << shown.text;
  EXPECT_TRUE(contains(shown.text, "administrator")) << shown.text;
  EXPECT_EQ(shown.icon, PromptIcon::kStop);
  EXPECT_EQ(shown.caption, "Appointment List");
}

// ---------------------------------------------------------------------------------------------
// The scripted prompter

Prompt promptWith(PromptButtons buttons, std::string text = "Go on?") {
  Prompt prompt;
  prompt.caption = "Appointment List";
  prompt.text = std::move(text);
  prompt.buttons = buttons;
  return prompt;
}

TEST(ScriptedPrompter, GivesQueuedAnswersInOrderThenTheFallback) {
  ScriptedPrompter prompter(ScriptedPrompter::Fallback::kAffirmative);
  prompter.answer(kIdNo).answer(kIdCancel);
  EXPECT_EQ(prompter.pendingAnswers(), 2u);
  EXPECT_EQ(prompter.ask(promptWith(PromptButtons::kYesNo)), kIdNo);
  EXPECT_EQ(prompter.ask(promptWith(PromptButtons::kOkCancel)), kIdCancel);
  EXPECT_EQ(prompter.ask(promptWith(PromptButtons::kYesNo)), kIdYes);
  EXPECT_EQ(prompter.pendingAnswers(), 0u);

  ASSERT_EQ(prompter.asked().size(), 3u);
  EXPECT_TRUE(prompter.asked()[0].fromQueue);
  EXPECT_TRUE(prompter.asked()[1].fromQueue);
  EXPECT_FALSE(prompter.asked()[2].fromQueue);
  EXPECT_EQ(prompter.asked()[1].prompt.buttons, PromptButtons::kOkCancel);
  EXPECT_EQ(prompter.asked()[2].answer, kIdYes);

  prompter.clearRecord();
  EXPECT_TRUE(prompter.asked().empty());
}

TEST(ScriptedPrompter, FallbackPressesTheMatchingButtonAndNeverRetries) {
  struct Case {
    PromptButtons buttons;
    int affirmative;
    int negative;
  };
  const Case cases[] = {
      {PromptButtons::kOk, kIdOk, kIdOk},
      {PromptButtons::kOkCancel, kIdOk, kIdCancel},
      {PromptButtons::kYesNo, kIdYes, kIdNo},
      {PromptButtons::kYesNoCancel, kIdYes, kIdNo},
      {PromptButtons::kRetryCancel, kIdCancel, kIdCancel},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(promptButtonsName(c.buttons));
    ScriptedPrompter yes(ScriptedPrompter::Fallback::kAffirmative);
    ScriptedPrompter no;  // negative unless told otherwise
    EXPECT_EQ(yes.ask(promptWith(c.buttons)), c.affirmative);
    EXPECT_EQ(no.ask(promptWith(c.buttons)), c.negative);
    no.setFallback(ScriptedPrompter::Fallback::kAffirmative);
    EXPECT_EQ(no.ask(promptWith(c.buttons)), c.affirmative);
  }
}

TEST(ScriptedPrompter, AnUnattendedRunCannotLoopOnALockedRecord) {
  ScriptedPrompter prompter(ScriptedPrompter::Fallback::kAffirmative);
  EXPECT_EQ(QRX_RecordLockedQuestion(prompter, 9), 2);
  prompter.answer(kIdRetry);
  EXPECT_EQ(QRX_RecordLockedQuestion(prompter, 9), 4);
}

TEST(ScriptedPrompter, EchoesEachPromptOnOneLineWithItsAnswer) {
  std::ostringstream out;
  ScriptedPrompter prompter;
  prompter.setEcho(&out);
  prompter.answer(kIdYes);
  QRX_Message(prompter, 6070);
  prompter.ask(promptWith(PromptButtons::kOk, "First line.\r\n\r\nSecond line.\nThird."));
  prompter.setEcho(nullptr);
  prompter.ask(promptWith(PromptButtons::kOk, "Not echoed."));

  std::vector<std::string> lines;
  std::istringstream in(out.str());
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  ASSERT_EQ(lines.size(), 2u) << out.str();
  EXPECT_EQ(lines[0], "Appointment List [message 6070, question, Yes/No] " + QRX_MessageText(6070) +
                          " -> Yes");
  EXPECT_EQ(lines[1], "Appointment List [none, OK] First line. Second line. Third. -> OK");
}

TEST(ScriptedPrompter, NamesAnswersItDoesNotKnowByNumber) {
  EXPECT_EQ(promptAnswerName(kIdRetry), "Retry");
  EXPECT_EQ(promptAnswerName(42), "button 42");
  EXPECT_EQ(promptLine(promptWith(PromptButtons::kYesNo, "Q?"), 3),
            "Appointment List [none, Yes/No] Q? -> button 3");
}

}  // namespace
