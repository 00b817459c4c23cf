#include "shell/shell_settings.h"

#include <array>
#include <cstddef>

#include "contracts/qrx.h"

namespace {

constexpr std::size_t kColourLength = 11;
// Profile values the program reads are short; a longer one is cut and then refused as damaged.
constexpr std::size_t kValueBuffer = 256;
constexpr std::size_t kPathBuffer = 4096;

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// One "%d" conversion from `pos`: blanks, an optional sign, at least one digit. Moves `pos`
// past the number. Large numbers stop growing once they are out of every range used here.
std::optional<long> scanInt(std::string_view text, std::size_t* pos) {
  std::size_t i = *pos;
  while (i < text.size() && isSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  if (i >= text.size() || !isDigit(text[i])) return std::nullopt;
  long number = 0;
  for (; i < text.size() && isDigit(text[i]); ++i) {
    if (number < 1000000) number = number * 10 + (text[i] - '0');
  }
  *pos = i;
  return negative ? -number : number;
}

// One "%*c": any single character.
bool skipOne(std::string_view text, std::size_t* pos) {
  if (*pos >= text.size()) return false;
  ++*pos;
  return true;
}

std::optional<std::uint8_t> colourComponent(std::optional<long> value) {
  if (!value || *value < 0 || *value > 255) return std::nullopt;
  return static_cast<std::uint8_t>(*value);
}

// A 3-character field of a background colour: blanks, digits, blanks.
std::optional<long> fixedField(std::string_view field) {
  std::size_t i = 0;
  while (i < field.size() && field[i] == ' ') ++i;
  if (i >= field.size() || !isDigit(field[i])) return std::nullopt;
  long number = 0;
  for (; i < field.size() && isDigit(field[i]); ++i) number = number * 10 + (field[i] - '0');
  while (i < field.size() && field[i] == ' ') ++i;
  if (i != field.size()) return std::nullopt;
  return number;
}

std::string readString(const char* section, const char* key, const char* def,
                       const char* profile = kSuiteProfile) {
  std::array<char, kValueBuffer> buffer{};
  QRX_GetProfileString(section, key, def, buffer.data(), buffer.size(), profile);
  return std::string(buffer.data());
}

}  // namespace

bool ShellSettings::notificationTimerRuns() const {
  return notificationTimerRunsFor(netVersion, stationCount);
}

std::uint8_t stationCodeFor(int number) {
  if (number < 0 || number > kMaxStationNumber) number = kDefaultStationNumber;
  if (number == 0) return 101;
  return static_cast<std::uint8_t>(100 + number);
}

int clampUpdateSeconds(int seconds) {
  if (seconds < kMinUpdateSeconds) return kMinUpdateSeconds;
  if (seconds > kMaxUpdateSeconds) return kMaxUpdateSeconds;
  return seconds;
}

bool notificationTimerRunsFor(int netVersion, int stationCount) {
  return netVersion == 1 && stationCount > 1;
}

std::optional<RgbColour> parseBackgroundColour(std::string_view value) {
  if (value.size() != kColourLength) return std::nullopt;
  if (isDigit(value[3]) || isDigit(value[7])) return std::nullopt;
  auto red = colourComponent(fixedField(value.substr(0, 3)));
  auto green = colourComponent(fixedField(value.substr(4, 3)));
  auto blue = colourComponent(fixedField(value.substr(8, 3)));
  if (!red || !green || !blue) return std::nullopt;
  return RgbColour{*red, *green, *blue};
}

std::optional<RgbColour> parseHighlightColour(std::string_view value) {
  if (value.size() != kColourLength) return std::nullopt;
  std::size_t pos = 0;
  auto red = colourComponent(scanInt(value, &pos));
  if (!red || !skipOne(value, &pos)) return std::nullopt;
  auto green = colourComponent(scanInt(value, &pos));
  if (!green || !skipOne(value, &pos)) return std::nullopt;
  auto blue = colourComponent(scanInt(value, &pos));
  if (!blue) return std::nullopt;
  return RgbColour{*red, *green, *blue};
}

std::optional<FontSpec> parseFontSpec(std::string_view value) {
  std::size_t pos = 0;
  while (pos < value.size() && value[pos] != ',' && value[pos] != '\'') ++pos;
  if (pos == 0 || pos > kMaxFontFace) return std::nullopt;
  FontSpec font;
  font.face = std::string(value.substr(0, pos));
  std::optional<long> numbers[3];
  for (auto& number : numbers) {
    if (!skipOne(value, &pos)) return std::nullopt;
    number = scanInt(value, &pos);
    if (!number) return std::nullopt;
  }
  if (*numbers[0] < 1 || *numbers[0] > kMaxFontHeight) return std::nullopt;
  if (*numbers[1] < 0 || *numbers[1] > kMaxFontWidth) return std::nullopt;
  if (*numbers[2] < 1 || *numbers[2] > kMaxFontWeight) return std::nullopt;
  font.height = static_cast<int>(*numbers[0]);
  font.width = static_cast<int>(*numbers[1]);
  font.weight = static_cast<int>(*numbers[2]);
  return font;
}

ShellSettings loadShellSettings() {
  ShellSettings s;

  std::array<char, kPathBuffer> path{};
  if (QRX_GetDataPath(path.data(), path.size()) > 0) s.dataPath = path.data();
  s.alwaysCalculate = QRX_GetProfileInt("APPTBOOK", "AlwaysCalculate", 1, kDataProfile) != 0;

  s.stationNumber = QRX_GetProfileInt("NETWORK", "STATION", kDefaultStationNumber);
  s.stationCode = stationCodeFor(s.stationNumber);
  s.netVersion = QRX_GetProfileInt("NETWORK", "NetVersion", 0);
  s.stationCount = QRX_GetProfileInt("NETWORK", "StationCount", 2);
  s.updateSeconds =
      clampUpdateSeconds(QRX_GetProfileInt("NETWORK", "UpdateSpeed", kDefaultUpdateSeconds));

  const char* backgroundKeys[] = {"BGCOLOR1", "BGCOLOR2"};
  for (std::size_t i = 0; i < s.backgrounds.size(); ++i) {
    auto colour = parseBackgroundColour(readString("APPTBOOK", backgroundKeys[i], ""));
    s.backgrounds[i] = colour.value_or(kDefaultBackgrounds[i]);
  }
  const char* highlightKeys[] = {"COLOR1", "COLOR2", "COLOR3", "COLOR4"};
  for (std::size_t i = 0; i < s.highlights.size(); ++i) {
    auto colour = parseHighlightColour(readString("APPTBOOK", highlightKeys[i], ""));
    s.highlights[i] = colour.value_or(kDefaultHighlights[i]);
  }
  // The defaults parse by construction; the fallbacks keep a bad value from ever being used.
  s.headingFont = parseFontSpec(readString("APPTBOOK", "Font1", kDefaultHeadingFont))
                      .value_or(*parseFontSpec(kDefaultHeadingFont));
  s.listFont = parseFontSpec(readString("APPTBOOK", "Font2", kDefaultListFont))
                   .value_or(*parseFontSpec(kDefaultListFont));

  s.apptView = readString("APPT", "APPTVIEW", "0");
  return s;
}
