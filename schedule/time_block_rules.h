#pragma once
// The rules a provider's time block must meet before it is stored, and the changes that store,
// change or delete one in the provider's working entry (ProviderSetup writes the entry into the
// provider's default record). No Qt and no database here.
//
// A block is refused with the first rule it breaks, checked in this order:
//   1. a name of 1 to 12 characters (blanks around it do not count)
//   2. the name differs, regardless of case, from the provider's other five blocks
//   3. on every checked weekday both a start and an end
//   4. on every checked weekday a start different from its end
//   5. on every checked weekday a start not after its end, both inside the day (0-288)
//   6. at least one checked weekday
//   7. no overlap with another block of the same provider in the same operatory
//   8. no overlap with a block of another provider in the block's operatory
//   9. a block for one appointment type has an operatory
// Rules 3 to 5 are each run over the whole week (Sunday first) before the next one starts, so the
// weekday reported is the first weekday that breaks the rule being reported.
//
// Overlap (rules 7 and 8), on a weekday where both blocks apply: the proposed start lies in
// [start, end) of the other block, or the proposed end lies in (start, end], or the proposed
// block begins before the other one and ends after it. The last case is what keeps a wide block
// from being stored over a narrow one: without it two blocks of one provider could share an
// operatory at the same time whenever the wider one was stored second.

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "schedule/resource_tables.h"

// The block as the user proposes it. `block` carries name, times, colour, type and operatory;
// the times of a weekday that is not checked are not looked at and are stored as "none".
struct BlockProposal {
  ProviderTimeBlock block;
  std::array<bool, kWeekDays> days{};
};

enum class BlockRule {
  kAccepted,
  kNameMissing,        // "Block name must be entered."
  kNameNotUnique,      // "A Unique block name must be entered."
  kIncompleteSpan,     // "A full time span must be entered!"
  kEmptySpan,          // "Invalid time span!"
  kReversedSpan,       // "Invalid Time Range!"
  kNoTimes,            // "At least one time must be specified!"
  kOverlapsOwnBlock,   // "Block overlaps another block!"
  kOperatoryInUse,     // "Operatory is in use by another provider's block!"
  kOperatoryRequired,  // "An operatory must be selected"
};

struct BlockVerdict {
  BlockRule rule = BlockRule::kAccepted;
  // The weekday (0 = Sunday) that breaks rules 3-5, 7 and 8; -1 otherwise.
  int weekday = -1;
  // Rules 7 and 8: the block run into, and for rule 8 the code of the provider that holds it.
  std::string otherBlock;
  std::string otherProvider;

  bool accepted() const { return rule == BlockRule::kAccepted; }
};

// The message of a rule ("" for kAccepted). Callers show it with the caption "Appointment List"
// and the stop icon.
const char* blockRuleMessage(BlockRule rule);

// The confirmation a caller asks (Yes/No) before deleteTimeBlock.
inline constexpr const char* kDeleteBlockQuestion = "Delete Time Block?";

// Checks `proposal` as the block of slot `slot` (0-5) of provider `own`. The block that slot holds
// now (when it is being changed) is not compared with. Every other provider of `table` whose code
// differs from own's is checked for rule 8; `own` itself need not be in the table (a working copy
// is usual). A slot of kTimeBlocks or more compares the proposal with all six blocks.
BlockVerdict checkTimeBlock(const ProviderScheduleTable& table, const ProviderEntry& own,
                            std::size_t slot, const BlockProposal& proposal);

// The first slot whose name is empty, or -1 when all six are in use.
int freeBlockSlot(const ProviderEntry& entry);
// The slot of the block with this name, compared regardless of case and of blanks around it;
// -1 when none has it.
int findBlock(const ProviderEntry& entry, std::string_view name);

// Stores an accepted proposal into slot `slot` (ignored when out of range): the name without the
// blanks around it, the times of the checked weekdays (every other weekday "none"), colour,
// operatory and the type position. Bytes 1-4 of the type entry belong to the module that
// maintains the blocks: a changed block keeps them; a block stored into a free slot gets them zero,
// as a new record would.
void storeTimeBlock(ProviderEntry* entry, std::size_t slot, const BlockProposal& proposal);
// Frees slot `slot`: times "none", name, all five type bytes and operatory zero, colour 0.
void deleteTimeBlock(ProviderEntry* entry, std::size_t slot);
