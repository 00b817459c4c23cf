#include "schedule/time_block_rules.h"

#include <algorithm>
#include <cctype>
#include <cstdint>

#include "data/record_bytes.h"

namespace {

std::string_view trimmed(std::string_view text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

bool sameName(std::string_view a, std::string_view b) {
  a = trimmed(a);
  b = trimmed(b);
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

// Operatory codes as the records compare them: four characters, blanks padding a shorter one, so
// "" (four zero bytes) and "    " both mean no operatory.
bool sameOperatory(std::string_view a, std::string_view b) {
  if (a.size() > rec::kCodeWidth || b.size() > rec::kCodeWidth) return false;
  std::string pa(a);
  std::string pb(b);
  pa.resize(rec::kCodeWidth, ' ');
  pb.resize(rec::kCodeWidth, ' ');
  return pa == pb;
}

bool noOperatory(std::string_view code) { return sameOperatory(code, ""); }

bool present(std::int32_t time) { return time >= 0; }

// The first weekday on which the proposed block runs into `other`, or -1.
int overlapDay(const BlockProposal& p, const ProviderTimeBlock& other) {
  for (std::size_t d = 0; d < kWeekDays; ++d) {
    if (!p.days[d] || !other.appliesOn(d)) continue;
    const std::int32_t s = p.block.start[d];
    const std::int32_t e = p.block.end[d];
    const std::int32_t os = other.start[d];
    const std::int32_t oe = other.end[d];
    const bool startInside = s >= os && s < oe;
    const bool endInside = e > os && e <= oe;
    const bool encloses = s < os && e > oe;
    if (startInside || endInside || encloses) return static_cast<int>(d);
  }
  return -1;
}

BlockVerdict refused(BlockRule rule, int weekday = -1) {
  BlockVerdict v;
  v.rule = rule;
  v.weekday = weekday;
  return v;
}

// Rules 3-5: `broken(start, end)` tells whether a checked weekday breaks the rule.
template <typename Broken>
int firstDayBreaking(const BlockProposal& p, Broken broken) {
  for (std::size_t d = 0; d < kWeekDays; ++d) {
    if (p.days[d] && broken(p.block.start[d], p.block.end[d])) return static_cast<int>(d);
  }
  return -1;
}

}  // namespace

const char* blockRuleMessage(BlockRule rule) {
  switch (rule) {
    case BlockRule::kAccepted:
      return "";
    case BlockRule::kNameMissing:
      return "Block name must be entered.";
    case BlockRule::kNameNotUnique:
      return "A Unique block name must be entered.";
    case BlockRule::kIncompleteSpan:
      return "A full time span must be entered!";
    case BlockRule::kEmptySpan:
      return "Invalid time span!";
    case BlockRule::kReversedSpan:
      return "Invalid Time Range!";
    case BlockRule::kNoTimes:
      return "At least one time must be specified!";
    case BlockRule::kOverlapsOwnBlock:
      return "Block overlaps another block!";
    case BlockRule::kOperatoryInUse:
      return "Operatory is in use by another provider's block!";
    case BlockRule::kOperatoryRequired:
      return "An operatory must be selected";
  }
  return "";
}

BlockVerdict checkTimeBlock(const ProviderScheduleTable& table, const ProviderEntry& own,
                            std::size_t slot, const BlockProposal& proposal) {
  const ProviderTimeBlock& block = proposal.block;
  const std::string_view name = trimmed(block.name);
  if (name.empty() || name.size() > kTimeBlockNameLength) return refused(BlockRule::kNameMissing);
  for (std::size_t b = 0; b < kTimeBlocks; ++b) {
    if (b != slot && own.blocks[b].used() && sameName(own.blocks[b].name, name)) {
      return refused(BlockRule::kNameNotUnique);
    }
  }

  int day = firstDayBreaking(
      proposal, [](std::int32_t s, std::int32_t e) { return !present(s) || !present(e); });
  if (day >= 0) return refused(BlockRule::kIncompleteSpan, day);
  day = firstDayBreaking(proposal, [](std::int32_t s, std::int32_t e) { return s == e; });
  if (day >= 0) return refused(BlockRule::kEmptySpan, day);
  day = firstDayBreaking(proposal,
                         [](std::int32_t s, std::int32_t e) { return s > e || e > kEndOfDay; });
  if (day >= 0) return refused(BlockRule::kReversedSpan, day);
  if (std::none_of(proposal.days.begin(), proposal.days.end(), [](bool on) { return on; })) {
    return refused(BlockRule::kNoTimes);
  }

  for (std::size_t b = 0; b < kTimeBlocks; ++b) {
    const ProviderTimeBlock& other = own.blocks[b];
    if (b == slot || !sameOperatory(other.operatory, block.operatory)) continue;
    day = overlapDay(proposal, other);
    if (day >= 0) {
      BlockVerdict v = refused(BlockRule::kOverlapsOwnBlock, day);
      v.otherBlock = other.name;
      return v;
    }
  }

  // A block without an operatory holds no operatory, so it cannot clash with another provider.
  if (!noOperatory(block.operatory)) {
    const int ownIndex = findProvider(table, own.code);
    for (std::size_t i = 0; i < table.providers.size(); ++i) {
      const ProviderEntry& provider = table.providers[i];
      if (static_cast<int>(i) == ownIndex) continue;
      for (const ProviderTimeBlock& other : provider.blocks) {
        if (!sameOperatory(other.operatory, block.operatory)) continue;
        day = overlapDay(proposal, other);
        if (day >= 0) {
          BlockVerdict v = refused(BlockRule::kOperatoryInUse, day);
          v.otherBlock = other.name;
          v.otherProvider = provider.code;
          return v;
        }
      }
    }
  }

  if (block.apptType() != 0 && noOperatory(block.operatory)) {
    return refused(BlockRule::kOperatoryRequired);
  }
  return {};
}

int freeBlockSlot(const ProviderEntry& entry) {
  for (std::size_t b = 0; b < kTimeBlocks; ++b) {
    if (!entry.blocks[b].used()) return static_cast<int>(b);
  }
  return -1;
}

int findBlock(const ProviderEntry& entry, std::string_view name) {
  if (trimmed(name).empty()) return -1;
  for (std::size_t b = 0; b < kTimeBlocks; ++b) {
    if (entry.blocks[b].used() && sameName(entry.blocks[b].name, name)) return static_cast<int>(b);
  }
  return -1;
}

void storeTimeBlock(ProviderEntry* entry, std::size_t slot, const BlockProposal& proposal) {
  if (entry == nullptr || slot >= kTimeBlocks) return;
  ProviderTimeBlock& target = entry->blocks[slot];
  const bool newBlock = !target.used();
  const ProviderTimeBlock& from = proposal.block;
  target.name = std::string(trimmed(from.name).substr(0, kTimeBlockNameLength));
  for (std::size_t d = 0; d < kWeekDays; ++d) {
    target.start[d] = proposal.days[d] ? from.start[d] : kNoWorkingTime;
    target.end[d] = proposal.days[d] ? from.end[d] : kNoWorkingTime;
  }
  target.colour = from.colour;
  target.operatory = from.operatory;
  if (newBlock) target.type = {};
  target.type[0] = from.type[0];
}

void deleteTimeBlock(ProviderEntry* entry, std::size_t slot) {
  if (entry == nullptr || slot >= kTimeBlocks) return;
  entry->blocks[slot] = ProviderTimeBlock{};
}
