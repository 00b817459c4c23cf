#include "patsel/patient_rows.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <span>

#include "contracts/qrx.h"
#include "data/address_record.h"
#include "data/patient_record.h"
#include "data/schema.h"

namespace {

struct ModeInfo {
  SearchMode mode;
  int button;
  int keyNumber;
  const char* prompt;  // nullptr: built from the national name
  const char* title;
};

constexpr ModeInfo kModes[] = {
    {SearchMode::kLastName, kModeButtonLastName, kPatientByName,
     "&Enter Last Name (Last, First MI):", "Status"},
    {SearchMode::kFirstName, kModeButtonFirstName, kPatientByFirstName,
     "&Enter First Name (First MI Last):", "Status"},
    {SearchMode::kPreferredName, kModeButtonPreferredName, kPatientByPreferredName,
     "&Enter Preferred Name:", "Preferred Name"},
    {SearchMode::kPhone, kModeButtonPhone, kAddressByPhone, "&Enter Phone Number:", "Phone #"},
    {SearchMode::kChart, kModeButtonChart, kPatientByChart, "&Enter Chart #:", "Chart #"},
    {SearchMode::kSsn, kModeButtonSsn, kPatientBySsn, nullptr, nullptr},
    {SearchMode::kIdentifier, 0, kPatientById, "&Enter Patient ID:", "ID, Family ID"},
};

const ModeInfo& infoOf(SearchMode mode) {
  for (const ModeInfo& m : kModes) {
    if (m.mode == mode) return m;
  }
  return kModes[0];
}

bool isBlank(char c) { return c == ' ' || c == '\t'; }

char asciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// As the database compares text: ASCII letters without regard to case, other bytes as they are.
bool startsWithText(std::string_view text, std::string_view start) {
  if (start.size() > text.size()) return false;
  for (std::size_t i = 0; i < start.size(); ++i) {
    if (asciiLower(text[i]) != asciiLower(start[i])) return false;
  }
  return true;
}

bool equalText(std::string_view a, std::string_view b) {
  return a.size() == b.size() && startsWithText(a, b);
}

std::string withoutChars(std::string_view typed, std::string_view drop) {
  std::string out;
  for (char c : typed) {
    if (drop.find(c) == std::string_view::npos) out += c;
  }
  return out;
}

std::vector<std::string_view> words(std::string_view text) {
  std::vector<std::string_view> out;
  std::size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && isBlank(text[i])) ++i;
    const std::size_t start = i;
    while (i < text.size() && !isBlank(text[i])) ++i;
    if (i > start) out.push_back(text.substr(start, i - start));
  }
  return out;
}

bool isInitialWord(std::string_view w) {
  const bool letter = !w.empty() && ((w[0] >= 'A' && w[0] <= 'Z') || (w[0] >= 'a' && w[0] <= 'z'));
  return letter && (w.size() == 1 || (w.size() == 2 && w[1] == '.'));
}

KeyPart part(rec::TextField field, std::string_view text) {
  KeyPart p;
  p.offset = field.offset;
  p.width = field.width;
  p.text = std::string(cutText(text, field.width - 1));
  return p;
}

// Drops trailing empty parts and marks the last typed one as a prefix.
void finishParts(std::vector<KeyPart>& parts) {
  while (!parts.empty() && parts.back().text.empty()) parts.pop_back();
  if (!parts.empty()) parts.back().prefix = true;
}

std::string fieldText(const PatientRecord& patient, const KeyPart& p) {
  std::size_t n = 0;
  const std::uint8_t* bytes = patient.data() + p.offset;
  while (n < p.width && bytes[n] != 0) ++n;
  return std::string(reinterpret_cast<const char*>(bytes), n);
}

// The key bytes of `record` under key `keyNumber`.
std::vector<std::uint8_t> keyOf(int keyNumber, std::span<const std::uint8_t> record) {
  const QdbKeyDef* def = findKeyDef(keyNumber);
  return def == nullptr ? std::vector<std::uint8_t>() : keyBytes(*def, record);
}

// Appends `text` cut to `width` bytes and padded with blanks to it.
void appendPadded(std::string& out, std::string_view text, std::size_t width) {
  const std::string_view cut = cutText(text, width);
  out += cut;
  out.append(width - cut.size(), ' ');
}

}  // namespace

bool modeOfButton(int button, SearchMode* mode) {
  for (const ModeInfo& m : kModes) {
    if (m.button != 0 && m.button == button) {
      if (mode != nullptr) *mode = m.mode;
      return true;
    }
  }
  return false;
}

bool modeOfLetter(char letter, SearchMode* mode) {
  for (const ModeInfo& m : kModes) {
    if (static_cast<char>(m.mode) == letter) {
      if (mode != nullptr) *mode = m.mode;
      return true;
    }
  }
  return false;
}

int buttonOfMode(SearchMode mode) {
  const int button = infoOf(mode).button;
  return button != 0 ? button : kModeButtonLastName;
}

bool isNameMode(SearchMode mode) {
  return mode == SearchMode::kLastName || mode == SearchMode::kFirstName;
}

const char* ssnButtonLabel() { return "&SS #"; }
const char* ssnName() { return "SS #"; }

std::string modePrompt(SearchMode mode) {
  const ModeInfo& m = infoOf(mode);
  if (m.prompt != nullptr) return m.prompt;
  return std::string("&Enter ") + ssnName() + ":";
}

std::string modeColumnTitle(SearchMode mode) {
  const ModeInfo& m = infoOf(mode);
  return m.title != nullptr ? m.title : ssnName();
}

SearchKey buildSearchKey(SearchMode mode, std::string_view typed) {
  SearchKey key;
  key.mode = mode;
  key.keyNumber = infoOf(mode).keyNumber;
  PatientRecord image;
  switch (mode) {
    case SearchMode::kLastName: {
      char last[PatientRecord::kLastName.width] = {};
      char first[PatientRecord::kFirstName.width] = {};
      char initial[PatientRecord::kMiddleInitial.width] = {};
      if (QRX_UnpackName(typed, last, sizeof last, first, sizeof first, initial, sizeof initial) ==
          0) {
        return key;
      }
      key.parts = {part(PatientRecord::kLastName, last), part(PatientRecord::kFirstName, first),
                   part(PatientRecord::kMiddleInitial, initial)};
      break;
    }
    case SearchMode::kFirstName: {
      // "First [MI] Last": the first word, a single letter after it as the initial, the rest
      // (which may hold blanks, "Van Dyke") as the last name.
      std::vector<std::string_view> w = words(typed);
      if (w.empty()) return key;
      std::string initial;
      std::size_t next = 1;
      if (w.size() >= 2 && isInitialWord(w[1])) {
        initial = std::string(w[1].substr(0, 1));
        next = 2;
      }
      std::string last;
      for (std::size_t i = next; i < w.size(); ++i) {
        if (!last.empty()) last += ' ';
        last += w[i];
      }
      key.parts = {part(PatientRecord::kFirstName, w[0]),
                   part(PatientRecord::kMiddleInitial, initial),
                   part(PatientRecord::kLastName, last)};
      break;
    }
    case SearchMode::kPreferredName:
      key.parts = {part(PatientRecord::kPreferredName, withoutChars(typed, " \t"))};
      break;
    case SearchMode::kChart:
      key.parts = {part(PatientRecord::kChartNumber, withoutChars(typed, " \t"))};
      break;
    case SearchMode::kSsn:
      key.parts = {part(PatientRecord::kSsn, withoutChars(typed, "- \t"))};
      break;
    case SearchMode::kPhone: {
      AddressRecord address;
      key.digits =
          std::string(cutText(withoutChars(typed, "-() \t"), AddressRecord::kPhone.width - 1));
      if (key.digits.empty()) return key;
      address.setPhone(key.digits);
      key.bytes = keyOf(key.keyNumber, std::span(address.data(), address.size()));
      return key;
    }
    case SearchMode::kIdentifier: {
      std::size_t n = 0;
      while (n < typed.size() && isBlank(typed[n])) ++n;
      std::string_view digits = typed.substr(n);
      std::size_t end = 0;
      while (end < digits.size() && digits[end] >= '0' && digits[end] <= '9') ++end;
      std::uint32_t value = 0;
      const auto [ptr, ec] = std::from_chars(digits.data(), digits.data() + end, value);
      if (end == 0 || ec != std::errc() || ptr != digits.data() + end) return key;
      key.identifier = value;
      image.setIdentifier(value);
      key.bytes = keyOf(key.keyNumber, std::span(image.data(), image.size()));
      return key;
    }
  }
  finishParts(key.parts);
  if (key.parts.empty()) return key;
  for (const KeyPart& p : key.parts) {
    std::fill(image.data() + p.offset, image.data() + p.offset + p.width, std::uint8_t{0});
    std::copy(p.text.begin(), p.text.end(), image.data() + p.offset);
  }
  key.bytes = keyOf(key.keyNumber, std::span(image.data(), image.size()));
  return key;
}

bool keyMatches(const SearchKey& key, const PatientRecord& patient) {
  if (key.empty()) return false;
  if (key.mode == SearchMode::kIdentifier) return patient.identifier() == key.identifier;
  for (const KeyPart& p : key.parts) {
    const std::string stored = fieldText(patient, p);
    if (p.prefix ? !startsWithText(stored, p.text) : !equalText(stored, p.text)) return false;
  }
  return !key.parts.empty();
}

bool phoneMatches(const SearchKey& key, std::string_view phone) {
  return !key.digits.empty() && startsWithText(phone, key.digits);
}

const char* statusWord(std::uint8_t status) {
  switch (status) {
    case PatientRecord::kNonPatient:
      return "(Non-Pat) ";
    case PatientRecord::kInactive:
      return "(Inactive) ";
    case PatientRecord::kArchived:
      return "(Archived) ";
    default:
      return "";
  }
}

std::string formatSsn(std::string_view ssn) {
  const bool nineDigits = ssn.size() == 9 && std::all_of(ssn.begin(), ssn.end(), [](char c) {
                            return c >= '0' && c <= '9';
                          });
  if (!nineDigits) return std::string(ssn);
  std::string out(ssn.substr(0, 3));
  out += '-';
  out += ssn.substr(3, 2);
  out += '-';
  out += ssn.substr(5);
  return out;
}

std::string formatPatientRow(const PatientRecord& patient, std::string_view phone,
                             const RowOptions& options) {
  std::string name;
  if (options.mode == SearchMode::kFirstName) {
    name = patient.firstName();
    if (!patient.middleInitial().empty()) name += " " + patient.middleInitial();
    name += " " + patient.lastName();
  } else {
    char packed[96] = {};
    QRX_PackName(packed, sizeof packed, patient.lastName(), patient.firstName(),
                 patient.middleInitial(), 26);
    name = packed;
  }
  char birth[16] = {};
  QRX_FormatNDate2000(birth, sizeof birth, patient.birthDate());

  std::string fourth;
  if (options.showFamilyId || options.mode == SearchMode::kIdentifier) {
    char ids[32];
    std::snprintf(ids, sizeof ids, "%lu,%lu", static_cast<unsigned long>(patient.identifier()),
                  static_cast<unsigned long>(patient.familyId()));
    fourth = ids;
  } else {
    switch (options.mode) {
      case SearchMode::kLastName:
      case SearchMode::kFirstName:
      case SearchMode::kIdentifier:
        fourth = statusWord(patient.status());
        break;
      case SearchMode::kPreferredName:
        fourth = patient.preferredName();
        break;
      case SearchMode::kPhone: {
        char formatted[40] = {};
        QRX_FormatPhone(formatted, sizeof formatted, phone);
        fourth = formatted;
        break;
      }
      case SearchMode::kChart:
        fourth = patient.chartNumber();
        break;
      case SearchMode::kSsn:
        fourth = formatSsn(patient.ssn());
        break;
    }
  }

  std::string row;
  row += (options.markGuarantors && patient.guarantorFlag()) ? '*' : ' ';
  appendPadded(row, name, 26);
  row += '\t';
  appendPadded(row, birth, 10);
  row += '\t';
  appendPadded(row, patient.providerCode(), 4);
  row += '\t';
  appendPadded(row, fourth, 13);
  row += "            \t";
  row += std::to_string(patient.identifier());
  row += static_cast<char>(options.mode);
  return row;
}

std::string_view rowField(std::string_view row, int index) {
  for (int i = 0; i < index; ++i) {
    const std::size_t tab = row.find('\t');
    if (tab == std::string_view::npos) return {};
    row.remove_prefix(tab + 1);
  }
  return row.substr(0, row.find('\t'));
}

std::string rowName(std::string_view row) {
  std::string_view name = rowField(row, 0);
  if (!name.empty() && (name.front() == '*' || name.front() == ' ')) name.remove_prefix(1);
  while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
  return std::string(name);
}

std::string rowFourthColumn(std::string_view row) {
  std::string_view field = rowField(row, 3);
  while (!field.empty() && field.back() == ' ') field.remove_suffix(1);
  return std::string(field);
}

std::uint32_t rowPatientId(std::string_view row) {
  const std::string_view last = rowField(row, 4);
  std::uint32_t id = 0;
  const auto [ptr, ec] = std::from_chars(last.data(), last.data() + last.size(), id);
  return (ec == std::errc() && ptr != last.data()) ? id : 0;
}

char rowModeLetter(std::string_view row) {
  const std::string_view last = rowField(row, 4);
  return (!last.empty() && (last.back() < '0' || last.back() > '9')) ? last.back() : 0;
}

std::string_view cutText(std::string_view text, std::size_t maxBytes) {
  if (text.size() <= maxBytes) return text;
  std::size_t n = maxBytes;
  // Back off continuation bytes, then the lead byte whose sequence would be cut.
  while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
  return text.substr(0, n);
}
