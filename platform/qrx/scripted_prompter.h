#pragma once
// A Prompter that answers from a script instead of a person: the stand-in for the user in tests,
// and the way the administration command answers the questions of the code it shares with the
// program.

#include <cstddef>
#include <deque>
#include <ostream>
#include <string>
#include <vector>

#include "contracts/qrx.h"

class ScriptedPrompter final : public Prompter {
 public:
  // What the prompter answers once the queued answers are used up.
  enum class Fallback {
    kNegative,     // No, or Cancel; OK when OK is the only button
    kAffirmative,  // Yes, or OK
  };
  // Whatever the fallback, a Retry/Cancel prompt that finds the queue empty is answered Cancel:
  // a record that stays locked at another workstation must not be retried for ever by a run
  // nobody watches. A script that wants a retry queues kIdRetry.

  // One prompt as it was asked, the answer given, and whether that answer came from the queue.
  struct Asked {
    Prompt prompt;
    int answer = 0;
    bool fromQueue = false;
  };

  explicit ScriptedPrompter(Fallback fallback = Fallback::kNegative) : fallback_(fallback) {}

  // Queues one answer (kIdOk, kIdCancel, kIdRetry, kIdYes, kIdNo). Queued answers are given in
  // order, one per prompt, as they stand: a script may answer a prompt with a button it does not
  // have, which is how a test feeds a caller an answer it must not trust.
  ScriptedPrompter& answer(int button);
  void setFallback(Fallback fallback) { fallback_ = fallback; }
  // Every prompt asked from now on is also written to `echo` as one line with its answer
  // (see promptLine). nullptr writes nothing. The stream is borrowed: it must outlive the
  // prompter, or be replaced before it goes.
  void setEcho(std::ostream* echo) { echo_ = echo; }

  int ask(const Prompt& prompt) override;
  // Queues a sign-on name and password for the next credentials prompt. With none queued the
  // prompt is cancelled. Credentials prompts are recorded in asked() like the others, with the
  // answer kIdOk or kIdCancel.
  ScriptedPrompter& credentials(std::string login, std::string password);
  int askCredentials(const Prompt& prompt, Credentials* credentials) override;

  // Every prompt asked since construction or the last clearRecord(), oldest first.
  const std::vector<Asked>& asked() const { return asked_; }
  // Queued answers not used yet; a test that expects every scripted answer to be taken checks
  // that this is 0.
  std::size_t pendingAnswers() const { return queue_.size(); }
  void clearRecord() { asked_.clear(); }

 private:
  int fallbackAnswer(PromptButtons buttons) const;

  Fallback fallback_;
  std::deque<int> queue_;
  std::deque<Credentials> credentials_;
  std::vector<Asked> asked_;
  std::ostream* echo_ = nullptr;
};

// "OK", "OK/Cancel", "Yes/No", "Yes/No/Cancel", "Retry/Cancel".
const char* promptButtonsName(PromptButtons buttons);
// "none", "information", "question", "exclamation", "stop".
const char* promptIconName(PromptIcon icon);
// "OK", "Cancel", "Retry", "Yes", "No", or "button N" for any other number.
std::string promptAnswerName(int answer);
// One line for a prompt and its answer, e.g.
//   Appointment List [message 6070, question, Yes/No] Do you want to ...? -> Yes
// A literal prompt (message number 0) leaves out the "message N, " part. Each run of line breaks
// in the caption or text becomes one blank, so that one prompt is always one line.
std::string promptLine(const Prompt& prompt, int answer);
