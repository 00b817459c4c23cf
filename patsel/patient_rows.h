#pragma once
// The search modes of patient selection, the key each mode builds from the typed text, and the
// list row of one patient. Qt-free.
//
// A row is tab-separated text:
//   marker, name (26), birth date (10), provider (4), fourth column (13) and twelve blanks,
//   patient identifier and the mode letter
// ("%c%-26.26s\t%-10s\t%-4.4s\t%-13.13s            \t%ld%c"). Widths count bytes, as the record
// fields do; a field is cut at a character boundary, so a UTF-8 name cut to its width is still
// valid text, and the blank padding is then a little longer.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "contracts/qdb.h"

class PatientRecord;

// The letter of each mode is the last character of its rows.
enum class SearchMode : char {
  kLastName = 'L',
  kFirstName = 'N',
  kPreferredName = 'R',
  kPhone = 'P',
  kChart = 'C',
  kSsn = 'S',
  kIdentifier = 'I',  // SELPAT/SelectByID = 1; no button of its own
};

// The mode buttons.
inline constexpr int kModeButtonLastName = 148;
inline constexpr int kModeButtonFirstName = 149;
inline constexpr int kModeButtonPreferredName = 150;
inline constexpr int kModeButtonPhone = 151;
inline constexpr int kModeButtonChart = 152;
inline constexpr int kModeButtonSsn = 153;

// The mode of a button, or of a row's letter; false when the number or letter is none of them.
bool modeOfButton(int button, SearchMode* mode);
bool modeOfLetter(char letter, SearchMode* mode);
// The button of a mode; kModeButtonLastName for the identifier mode, which has none.
int buttonOfMode(SearchMode mode);
// Last and first name modes show the status word and keep the typed name at opening.
bool isNameMode(SearchMode mode);

// What the dialog shows for a mode: the prompt above the search text and the title of the
// fourth list column.
std::string modePrompt(SearchMode mode);
std::string modeColumnTitle(SearchMode mode);
// The national name of the social security number: the button label ("&SS #") and the name
// used in the prompt and the column title ("SS #").
const char* ssnButtonLabel();
const char* ssnName();

// ---- Keys

// One text part of a key: the record field it compares with, and the typed text.
struct KeyPart {
  std::size_t offset = 0;
  std::size_t width = 0;
  std::string text;
  bool prefix = false;  // the field only has to begin with the text (the last typed part)
};

// The key a typed text becomes in a mode.
struct SearchKey {
  SearchMode mode = SearchMode::kLastName;
  int keyNumber = 0;                // patient key, or the address file's phone key (48)
  std::vector<std::uint8_t> bytes;  // the whole key, as the database takes it
  std::vector<KeyPart> parts;       // text modes
  std::uint32_t identifier = 0;     // identifier mode
  std::string digits;               // phone mode
  bool empty() const { return bytes.empty(); }
};

// The key of `typed` in `mode`:
//   last name   "Last, First MI" split by the utility library (key 20: last, first, initial);
//   first name  "First [MI] Last" split at blanks (key 22: first, initial, last);
//   preferred name and chart number with blanks removed; SS # without "-" and blanks;
//   phone without "-", blanks, "(" and ")" (address key 48);
//   identifier  the leading digits as an unsigned 32-bit number (key 19).
// Parts are cut to their field. An empty key (nothing left of the text, no digits, a number
// over 32 bits) lists nothing.
SearchKey buildSearchKey(SearchMode mode, std::string_view typed);

// Whether a patient's key begins with the typed key, compared as the database compares text
// (ASCII case ignored). Every part before the last typed one must be equal.
bool keyMatches(const SearchKey& key, const PatientRecord& patient);
// Whether a household phone begins with the typed digits.
bool phoneMatches(const SearchKey& key, std::string_view phone);

// ---- Rows

struct RowOptions {
  SearchMode mode = SearchMode::kLastName;
  bool markGuarantors = true;  // bit 15 of the options clear
  bool showFamilyId = false;   // FAMILY/EditFamilyID, and always in identifier mode
};

// The row of a patient; `phone` is the household's phone digits (shown in phone mode only).
std::string formatPatientRow(const PatientRecord& patient, std::string_view phone,
                             const RowOptions& options);

// "(Non-Pat) ", "(Inactive) ", "(Archived) ", or "" (status 1 and unknown values).
const char* statusWord(std::uint8_t status);
// "123-45-6789" for nine digits; anything else as stored.
std::string formatSsn(std::string_view ssn);

// The tab-separated field `index` of a row ("" past the last).
std::string_view rowField(std::string_view row, int index);
// The name of a row: the first field without the marker and trailing blanks.
std::string rowName(std::string_view row);
// The fourth column without its trailing blanks.
std::string rowFourthColumn(std::string_view row);
// The patient identifier of a row; 0 when the row has none.
std::uint32_t rowPatientId(std::string_view row);
// The mode letter at the end of a row; 0 when there is none.
char rowModeLetter(std::string_view row);

// `text` cut to at most `maxBytes` bytes without splitting a UTF-8 sequence.
std::string_view cutText(std::string_view text, std::size_t maxBytes);
