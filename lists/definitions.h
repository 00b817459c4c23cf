#pragma once
// The practice's appointment statuses and appointment type names, read from the definitions
// file, and the rules that turn an appointment's status code into the name and colour slot of
// its row.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class AccessLayer;

// A colour as red, green and blue.
struct StatusRgb {
  std::uint8_t red = 255;
  std::uint8_t green = 255;
  std::uint8_t blue = 255;
  bool operator==(const StatusRgb&) const = default;
};

inline constexpr StatusRgb kStatusYellow{255, 255, 0};
inline constexpr StatusRgb kStatusGreen{0, 255, 0};
inline constexpr StatusRgb kStatusRed{255, 0, 0};
inline constexpr StatusRgb kStatusWhite{255, 255, 255};

// The colour of a status: code '1' yellow, '2' green, '3' red, 'x' the decimal number in
// `numberText` read as a colour whose low byte is red, then green, then blue (the form the
// suite's other modules write); anything else white. For 'x', a text that does not start with
// a digit, or a number above 0xFFFFFF, gives white.
StatusRgb statusColour(char code, std::string_view numberText);

// Status codes beside the practice's own.
inline constexpr int kStatusBroken = 100;
inline constexpr int kStatusCompleted = 150;
// Statuses 0 to 14 are the practice's own.
inline constexpr int kPracticeStatusCount = 15;

struct StatusDefinition {
  bool defined = false;
  int number = 0;
  std::string name;     // at most 6 characters
  char colourCode = 0;  // as stored at offset 2
  StatusRgb colour = kStatusWhite;
  char slotDigit = 0;  // '1' + number: the colour slot as the lists hand it on
};

class StatusTable {
 public:
  // Reads the status definitions (definitions file, kind 7, in number order) through the access
  // layer, whose session must be started. Records numbered above 14 are skipped. The table is
  // replaced by what was read. Returns 0, also for a practice without statuses; otherwise the
  // database error, and the table holds the statuses read before the failure. The definitions
  // file is opened for the walk and closed afterwards (left open when the caller had it open).
  int load(AccessLayer& db);

  // Makes status `number` (0-14) defined with these values; false (nothing changed) for another
  // number. The name is cut to 6 characters. For tests and for callers that build a table.
  bool define(int number, std::string_view name, char colourCode,
              std::string_view colourNumberText = {});
  void clear() { entries_ = {}; }

  // The definition of `number`, or nullptr when the practice defined none (or the number lies
  // outside 0-14).
  const StatusDefinition* find(int number) const;
  // The defined statuses in number order.
  std::vector<StatusDefinition> defined() const;

  // The status text of a day or ASAP row: below 100 the definition's name (empty when none),
  // 100 "Broken", 150 "<Cmpl>", any other code from 100 up "W/Call".
  std::string rowStatusName(int status) const;
  // The colour slot of a row: status number + 1 for a defined status 0-14, else 0 (the list's
  // normal colours; broken, completed and will-call rows have no colour of their own).
  int colourSlot(int status) const;

 private:
  std::array<StatusDefinition, kPracticeStatusCount> entries_{};
};

// The status text of an Unscheduled row: "Broken" for 100, "W/Call" for every other code.
std::string unscheduledStatusName(int status);

inline constexpr std::size_t kMaxApptTypes = 20;
inline constexpr std::size_t kApptTypeNameLength = 19;

struct ApptType {
  int number = 0;
  std::string name;  // at most 19 characters
};

class TypeTable {
 public:
  // Reads the appointment type names (definitions file, kind 5, in number order), at most 20,
  // each cut to 19 characters. Results and file handling as StatusTable::load.
  int load(AccessLayer& db);
  // Appends a type; false (nothing changed) when the table holds 20 already.
  bool add(int number, std::string_view name);
  void clear() { types_.clear(); }

  // In number order; a type's place in this list (from 1) is what an appointment stores.
  const std::vector<ApptType>& types() const { return types_; }

 private:
  std::vector<ApptType> types_;
};
