#pragma once
// The words the administration subcommands read, checked the same way everywhere: whole numbers,
// clock times, resource codes, and the quoting of a word in a refusal.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// `text` in double quotes, for a refusal that names what was typed.
std::string quoted(std::string_view text);

// A whole number in decimal digits only (no sign, no blanks) from 0 to `max`; nullopt otherwise.
std::optional<std::uint64_t> wholeNumber(std::string_view text, std::uint64_t max);

// "H:MM" or "HH:MM" on the 5-minute grid, from 00:00 to 24:00 (the end of the day); the time in
// 5-minute units, or nullopt.
std::optional<int> clockUnits(std::string_view text);

// What a record's code field can hold: 1 to 4 printable characters.
bool isResourceCode(std::string_view code);
