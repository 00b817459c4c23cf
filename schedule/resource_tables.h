#pragma once
// The providers and operatories as all schedule code sees them. Both tables are read at start-up
// from the resource file (file 6), in key order (kind, then code), and each provider is joined
// with its default schedule record (resource schedule file, kind 1, week 0): hours, colour,
// aliases, time blocks and goal figures. They live until exit and change only through the
// provider setup of this workstation.
//
// Every provider and operatory stays in the tables, however many there are. The first
// kMaxListedResources of each (in key order) make the default lists of the numbered views; the
// caller takes them from the front of the tables.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "schedule/schedule_time.h"

class AccessLayer;
class Prompter;
struct PracticeSchedule;

inline constexpr std::size_t kMaxListedResources = 20;

inline constexpr std::size_t kTimeBlocks = 6;
inline constexpr std::size_t kMaxAliases = 10;
inline constexpr std::size_t kTimeBlockNameLength = 12;
inline constexpr std::size_t kOperatoryBitBytes = 28;
inline constexpr std::size_t kBlockTypeBytes = 5;

// Message shown with the database error when the providers or operatories cannot all be read.
inline constexpr int kResourceReadErrorMessage = 3017;

// A colour as the records keep it: red in the low byte, then green, then blue.
constexpr std::uint32_t rgbColour(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
  return static_cast<std::uint32_t>(red) | (static_cast<std::uint32_t>(green) << 8) |
         (static_cast<std::uint32_t>(blue) << 16);
}
// The colour of a provider without a default record, by its position in the table: yellow,
// cyan, magenta, red, green, blue, olive, teal, then again from yellow.
std::uint32_t defaultProviderColour(std::size_t position);

// One of a provider's six time blocks: a period of given weekdays reserved in one operatory,
// optionally for one appointment type.
struct ProviderTimeBlock {
  std::string name;  // up to 12 characters; empty = free slot
  // Per weekday, Sunday first; start -1 = the block does not apply that day. Values other than
  // 0xFFFF are kept as stored.
  std::array<std::int32_t, kWeekDays> start{kNoWorkingTime, kNoWorkingTime, kNoWorkingTime,
                                            kNoWorkingTime, kNoWorkingTime, kNoWorkingTime,
                                            kNoWorkingTime};
  std::array<std::int32_t, kWeekDays> end{kNoWorkingTime, kNoWorkingTime, kNoWorkingTime,
                                          kNoWorkingTime, kNoWorkingTime, kNoWorkingTime,
                                          kNoWorkingTime};
  std::uint32_t colour = 0;
  // Byte 0: the position in the appointment type list, 0 = every type. Bytes 1-4 are kept as
  // stored for the module that maintains the blocks.
  std::array<std::uint8_t, kBlockTypeBytes> type{};
  std::string operatory;  // "" = no operatory

  bool used() const { return !name.empty(); }
  bool appliesOn(std::size_t day) const { return day < kWeekDays && start[day] != kNoWorkingTime; }
  std::uint8_t apptType() const { return type[0]; }
};

struct ProviderEntry {
  std::string code;  // the 4 stored characters (blank-padded), up to a zero byte
  std::uint32_t colour = 0;
  // Default hours. A provider without a default record gets the practice's default hours (see
  // loadProviders).
  WeekHours hours{};
  // Bit n (n = an operatory's assignment number) is bit n % 8 of byte n / 8; from the provider
  // record.
  std::array<std::uint8_t, kOperatoryBitBytes> operatoryBits{};
  std::array<ProviderTimeBlock, kTimeBlocks> blocks{};
  // At most 10 provider codes; the stored list ends at the first code whose first byte is 0.
  std::vector<std::string> aliases;
  std::array<std::uint32_t, kWeekDays> goals{};  // kept unchanged by this program
  bool inactive = false;                         // the provider record's inactive mark is 1
  // Whether the provider's default schedule record was read. Without one the colour comes from
  // the position, the blocks are free and nothing has been written.
  bool hasDefaultRecord = false;

  // Whether the operatory with assignment number `number` is assigned to this provider.
  bool assignedTo(std::size_t number) const;
};

struct ProviderScheduleTable {
  std::vector<ProviderEntry> providers;
};

struct OperatoryEntry {
  std::string code;             // as ProviderEntry::code
  std::uint8_t assignment = 0;  // the number of its bit in ProviderEntry::operatoryBits
};

struct OperatoryTable {
  std::vector<OperatoryEntry> operatories;
};

// Both loaders read through `db`, whose session must be started; they open the files they need
// and close again those that were not open before. The table is cleared first and then filled in
// key order.
//
// Results: the number of entries read; -1 on a database error other than "no more records",
// after message 3017 with the error number, the table then holding what was read before the
// error. A null `out` returns -1 without a message.
int loadOperatories(AccessLayer& db, Prompter& prompter, OperatoryTable* out);

// Providers (kind 1) with their default records. A provider without a default record gets the
// colour of its position modulo 8, free time blocks, no aliases, no goals, and the default hours
// of `practice` when given, else the built-in office hours: a provider nobody has set up works
// the office's hours. A provider whose default record cannot be read is kept with those
// fallbacks and ends the walk with the error.
int loadProviders(AccessLayer& db, Prompter& prompter, ProviderScheduleTable* out,
                  const PracticeSchedule* practice = nullptr);

// Takes what a provider's default record holds over the entry: colour, hours, the six blocks
// (all five type bytes of each), aliases and goals; marks the entry as having a default record.
// The code, operatory bits and inactive mark stay the entry's own.
void applyDefaultRecord(const RscUseRecord& record, ProviderEntry* entry);

// The index of the provider (operatory) with this code, or -1. Codes are compared on all four
// characters with blanks padding the shorter one, so "DR1" finds "DR1 "; an empty code and one
// longer than four characters find nothing.
int findProvider(const ProviderScheduleTable& table, std::string_view code);
int findOperatory(const OperatoryTable& table, std::string_view code);
