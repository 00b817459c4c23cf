#include "editing/time_blocks.h"

#include <cstddef>
#include <string>

namespace {

// The code as four blank-padded characters; nullopt-like empty result for a longer code.
bool padded(std::string_view code, std::string* out) {
  if (code.size() > rec::kCodeWidth) return false;
  *out = std::string(code);
  out->resize(rec::kCodeWidth, ' ');
  return true;
}

}  // namespace

bool sameCode(std::string_view a, std::string_view b) {
  std::string pa;
  std::string pb;
  if (!padded(a, &pa) || !padded(b, &pb)) return false;
  return pa == pb;
}

bool isAliasOf(const ProviderEntry& provider, std::string_view code) {
  std::size_t seen = 0;
  for (const std::string& alias : provider.aliases) {
    if (alias.empty() || seen == kMaxAliases) break;
    ++seen;
    if (sameCode(alias, code)) return true;
  }
  return false;
}

BlockMatch matchBlocks(const ProviderEntry& provider, const RscUseRecord* override,
                       const ApptSpan& span, std::uint8_t apptType, std::string_view operatory) {
  BlockMatch match;
  if (span.day < 0 || span.day >= static_cast<int>(kWeekDays)) return match;
  const auto d = static_cast<std::size_t>(span.day);
  for (std::size_t b = 0; b < kTimeBlocks; ++b) {
    const ProviderTimeBlock& block = provider.blocks[b];
    std::int32_t start = block.start[d];
    std::int32_t end = block.end[d];
    if (override != nullptr && override->overrideStart(d, b) != RscUseRecord::kNoTime) {
      start = workingTime(override->overrideStart(d, b));
      end = workingTime(override->overrideEnd(d, b));
    }
    // 0xFFFF as the start: the block does not apply that day.
    if (start == kNoWorkingTime) continue;
    if (!(span.start < end && span.end() > start)) continue;
    const bool typeMismatch = block.apptType() != 0 && block.apptType() != apptType;
    if (sameCode(block.operatory, operatory)) {
      match.inThisOperatory = true;
      match.result = typeMismatch ? 1 : 0;
    } else {
      match.result = 2;
    }
    return match;
  }
  return match;
}

bool timeBlockCheck(const ProviderScheduleTable& table, const AppointmentRecord& appt,
                    const ApptSpan& span, const OverrideLookup& overrides, const AskQuestion& ask) {
  const std::string ownCode = appt.providerCode();
  const int own = findProvider(table, ownCode);
  if (own < 0) return true;
  const ProviderEntry& a = table.providers[static_cast<std::size_t>(own)];
  const std::string operatory = appt.operatoryCode();
  const auto overrideOf = [&](const std::string& code) -> const RscUseRecord* {
    return overrides ? overrides(code) : nullptr;
  };

  const BlockMatch mine = matchBlocks(a, overrideOf(a.code), span, appt.type(), operatory);
  if (mine.result == 1 && !ask(kTypeMismatchQuestion)) return false;
  if (mine.result == 2 && !ask(kOtherOperatoryQuestion)) return false;
  if (mine.inThisOperatory) return true;

  for (std::size_t i = 0; i < table.providers.size(); ++i) {
    if (static_cast<int>(i) == own) continue;
    const ProviderEntry& b = table.providers[i];
    const BlockMatch theirs = matchBlocks(b, overrideOf(b.code), span, appt.type(), operatory);
    if (theirs.result < 0) continue;
    const bool alias = isAliasOf(a, b.code);
    const char* question = nullptr;
    switch (theirs.result) {
      case 0:
        question = alias ? nullptr : kOtherProviderQuestion;
        break;
      case 1:
        question = alias ? kTypeMismatchQuestion : kOtherProviderQuestion;
        break;
      case 2:
        question = alias ? kOtherOperatoryQuestion : nullptr;
        break;
      default:
        break;
    }
    if (question != nullptr && !ask(question)) return false;
    if (theirs.inThisOperatory) break;
  }
  return true;
}
