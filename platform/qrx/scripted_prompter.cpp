// The scripted prompter: queued answers first, then the fallback; a record of every prompt.

#include "platform/qrx/scripted_prompter.h"

#include <string>
#include <string_view>
#include <utility>

namespace {

bool isLineBreak(char c) { return c == '\n' || c == '\r'; }

void appendOnOneLine(std::string& out, std::string_view text) {
  bool inBreak = false;
  for (char c : text) {
    if (isLineBreak(c)) {
      if (!inBreak) out += ' ';
      inBreak = true;
    } else {
      out += c;
      inBreak = false;
    }
  }
}

}  // namespace

ScriptedPrompter& ScriptedPrompter::answer(int button) {
  queue_.push_back(button);
  return *this;
}

int ScriptedPrompter::fallbackAnswer(PromptButtons buttons) const {
  const bool yes = fallback_ == Fallback::kAffirmative;
  switch (buttons) {
    case PromptButtons::kOk:
      return kIdOk;
    case PromptButtons::kOkCancel:
      return yes ? kIdOk : kIdCancel;
    case PromptButtons::kYesNo:
    case PromptButtons::kYesNoCancel:
      return yes ? kIdYes : kIdNo;
    case PromptButtons::kRetryCancel:
      return kIdCancel;
  }
  return kIdCancel;
}

int ScriptedPrompter::ask(const Prompt& prompt) {
  Asked asked{prompt, 0, !queue_.empty()};
  if (asked.fromQueue) {
    asked.answer = queue_.front();
    queue_.pop_front();
  } else {
    asked.answer = fallbackAnswer(prompt.buttons);
  }
  if (echo_ != nullptr) *echo_ << promptLine(prompt, asked.answer) << '\n';
  asked_.push_back(std::move(asked));
  return asked_.back().answer;
}

ScriptedPrompter& ScriptedPrompter::credentials(std::string login, std::string password) {
  credentials_.push_back({std::move(login), std::move(password)});
  return *this;
}

int ScriptedPrompter::askCredentials(const Prompt& prompt, Credentials* credentials) {
  Asked asked{prompt, kIdCancel, !credentials_.empty()};
  if (asked.fromQueue) {
    if (credentials != nullptr) *credentials = credentials_.front();
    credentials_.pop_front();
    asked.answer = kIdOk;
  }
  if (echo_ != nullptr) *echo_ << promptLine(prompt, asked.answer) << '\n';
  asked_.push_back(std::move(asked));
  return asked_.back().answer;
}

const char* promptButtonsName(PromptButtons buttons) {
  switch (buttons) {
    case PromptButtons::kOk:
      return "OK";
    case PromptButtons::kOkCancel:
      return "OK/Cancel";
    case PromptButtons::kYesNo:
      return "Yes/No";
    case PromptButtons::kYesNoCancel:
      return "Yes/No/Cancel";
    case PromptButtons::kRetryCancel:
      return "Retry/Cancel";
  }
  return "?";
}

const char* promptIconName(PromptIcon icon) {
  switch (icon) {
    case PromptIcon::kNone:
      return "none";
    case PromptIcon::kInformation:
      return "information";
    case PromptIcon::kQuestion:
      return "question";
    case PromptIcon::kExclamation:
      return "exclamation";
    case PromptIcon::kStop:
      return "stop";
  }
  return "?";
}

std::string promptAnswerName(int answer) {
  switch (answer) {
    case kIdOk:
      return "OK";
    case kIdCancel:
      return "Cancel";
    case kIdRetry:
      return "Retry";
    case kIdYes:
      return "Yes";
    case kIdNo:
      return "No";
    default:
      return "button " + std::to_string(answer);
  }
}

std::string promptLine(const Prompt& prompt, int answer) {
  std::string line;
  appendOnOneLine(line, prompt.caption);
  line += " [";
  if (prompt.messageNumber != 0) {
    line += "message " + std::to_string(prompt.messageNumber) + ", ";
  }
  line += promptIconName(prompt.icon);
  line += ", ";
  line += promptButtonsName(prompt.buttons);
  line += "] ";
  appendOnOneLine(line, prompt.text);
  line += " -> " + promptAnswerName(answer);
  return line;
}
