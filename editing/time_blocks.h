#pragma once
// Time blocks against an appointment: which of a provider's blocks the appointment runs into,
// and the questions that a placement inside a block raises when a provider is reserved.

#include <cstdint>
#include <functional>
#include <string_view>

#include "data/appointment_record.h"
#include "data/rsc_use_record.h"
#include "editing/occupancy_units.h"
#include "schedule/resource_tables.h"

// Codes compare on all four characters, blanks padding the shorter one ("DR1" is "DR1 ").
// Two empty codes are the same; longer codes than four characters are never the same as any.
bool sameCode(std::string_view a, std::string_view b);
// Whether `code` is in the provider's alias list (up to 10, ending at the first empty entry).
bool isAliasOf(const ProviderEntry& provider, std::string_view code);

struct BlockMatch {
  // -1 no block of the provider overlaps the appointment; 0 the first overlapping block is in
  // the appointment's operatory and takes its type; 1 it is in the operatory but for another
  // appointment type; 2 it is in another operatory (or in none).
  int result = -1;
  bool inThisOperatory = false;
};

// Matches the provider's six blocks for the span's day against the appointment. `override` is
// the provider's kind-4 record for the week, or null: each of its block starts that is not
// 0xFFFF replaces the block's start and end for that day. A block overlaps when
// s < end and s + n > start; the first overlapping block decides.
BlockMatch matchBlocks(const ProviderEntry& provider, const RscUseRecord* override,
                       const ApptSpan& span, std::uint8_t apptType, std::string_view operatory);

// The questions of the time-block check. Each returns true to go on (Yes).
inline constexpr const char* kTypeMismatchQuestion =
    "Appointment Type does NOT match this Time Block.  Schedule Appointment?";
inline constexpr const char* kOtherOperatoryQuestion =
    "Provider has a time block in another Operatory.  Schedule Appointment?";
inline constexpr const char* kOtherProviderQuestion =
    "This is another Provider's Time Block.  Schedule Appointment?";

// The kind-4 record of a provider for the week being checked, or null when it has none. The
// pointer must stay valid until the next call.
using OverrideLookup = std::function<const RscUseRecord*(std::string_view providerCode)>;
// Asks a Yes/No question; true for Yes.
using AskQuestion = std::function<bool(const char* text)>;

// The time-block check for the appointment's provider A. Returns true when the placement may go
// on, false when a question was answered No.
//
// A provider not in the table passes. A's own match asks on a type mismatch or a block in another
// operatory; a matching block of A in the appointment's operatory ends the check. Otherwise every
// other provider B is matched in table order: an alias of A is asked about a type mismatch or a
// block in another operatory, anyone else about a block of theirs in this operatory; a block of B
// in the appointment's operatory ends the look at further providers.
bool timeBlockCheck(const ProviderScheduleTable& table, const AppointmentRecord& appt,
                    const ApptSpan& span, const OverrideLookup& overrides, const AskQuestion& ask);
