#pragma once
// The settings the program reads once at start: the data directory, the workstation and its
// notification timer, the list colours and fonts, and the saved list view. Each value has a
// default that a missing or damaged profile value falls back to; nothing read from the profile
// can give an out-of-range number, a garbage colour or an unusable font.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// A colour as red, green and blue.
struct RgbColour {
  std::uint8_t red = 0;
  std::uint8_t green = 0;
  std::uint8_t blue = 0;
  bool operator==(const RgbColour&) const = default;
};

// A font as the profile names it: face, height and width in pixels, weight (400 normal,
// 700 bold). Both of the program's fonts are of variable pitch.
struct FontSpec {
  std::string face;
  int height = 0;
  int width = 0;
  int weight = 0;
  bool operator==(const FontSpec&) const = default;
};

// Limits a font from the profile must keep; a value outside them falls back to the default.
inline constexpr std::size_t kMaxFontFace = 31;
inline constexpr int kMaxFontHeight = 255;   // 1..255
inline constexpr int kMaxFontWidth = 255;    // 0..255, 0 = the face's own width
inline constexpr int kMaxFontWeight = 1000;  // 1..1000

inline constexpr std::array<RgbColour, 2> kDefaultBackgrounds{{{255, 255, 150}, {220, 220, 150}}};
inline constexpr std::array<RgbColour, 4> kDefaultHighlights{
    {{255, 0, 128}, {128, 255, 255}, {255, 255, 0}, {0, 255, 255}}};
inline constexpr const char* kDefaultHeadingFont = "Helv,8,6,600";
inline constexpr const char* kDefaultListFont = "Helv,8,6,400";

inline constexpr int kDefaultStationNumber = 1;
inline constexpr int kMinUpdateSeconds = 5;
inline constexpr int kMaxUpdateSeconds = 20;
inline constexpr int kDefaultUpdateSeconds = 15;

struct ShellSettings {
  // GENERAL/Path: the data directory; "" when it cannot be told (no home, or a path too long).
  std::string dataPath;
  // APPTBOOK/AlwaysCalculate of "qrxdata.inf": the appointment amount is always calculated.
  bool alwaysCalculate = true;

  // NETWORK/STATION as read, and the workstation code made from it (stationCodeFor).
  int stationNumber = kDefaultStationNumber;
  std::uint8_t stationCode = 101;
  // NETWORK/NetVersion and StationCount: whether several workstations work on the data.
  int netVersion = 0;
  int stationCount = 2;
  // NETWORK/UpdateSpeed, clamped to 5..20 seconds.
  int updateSeconds = kDefaultUpdateSeconds;

  // APPTBOOK/BGCOLOR1 and BGCOLOR2: the list's two background colours.
  std::array<RgbColour, 2> backgrounds = kDefaultBackgrounds;
  // APPTBOOK/COLOR1 to COLOR4: the four highlight colours.
  std::array<RgbColour, 4> highlights = kDefaultHighlights;
  // APPTBOOK/Font1 (headings) and Font2 (list text).
  FontSpec headingFont{"Helv", 8, 6, 600};
  FontSpec listFont{"Helv", 8, 6, 400};

  // APPT/APPTVIEW exactly as stored ("0" when absent); the list code reads the view from it.
  std::string apptView = "0";

  // The notification timer runs only when the practice works with several workstations.
  bool notificationTimerRuns() const;
  // Its period in milliseconds.
  int timerPeriodMs() const { return updateSeconds * 1000; }
};

// Reads every setting above from the suite profile (and "qrxdata.inf" in the data directory).
ShellSettings loadShellSettings();

// The workstation code of a workstation number: 100 + the number, or 101 for 0. A code is one
// byte, so only 0..155 are workstation numbers; a negative or larger number is a damaged
// setting and gives the code of the default workstation 1 (101) rather than a wrapped byte
// (256 would become 0, which turns notification off, and 257 would pose as workstation 1).
std::uint8_t stationCodeFor(int number);
inline constexpr int kMaxStationNumber = 155;

// UpdateSpeed clamped to 5..20 seconds.
int clampUpdateSeconds(int seconds);

// Whether the notification timer runs: NetVersion 1 and more than one workstation.
bool notificationTimerRunsFor(int netVersion, int stationCount);

// A background colour value: exactly 11 characters, three numbers in the 3-character fields at
// positions 0, 4 and 8 (blanks around the digits allowed, "255,255,150" or " 12, 0 ,150"),
// separated by characters that are not digits. Nothing when the value is of another length, a
// field is not a number, or a number lies above 255.
std::optional<RgbColour> parseBackgroundColour(std::string_view value);

// A highlight colour value: exactly 11 characters read as number, any one character, number,
// any one character, number (blanks before a number and a sign allowed, the rest of the value
// ignored). Nothing when the value is of another length, a number is missing, or one lies
// outside 0..255.
std::optional<RgbColour> parseHighlightColour(std::string_view value);

// A font value "face,height,width,weight": the face runs to the first comma or apostrophe, and
// each number follows one separator character. Nothing when the face is empty or longer than
// kMaxFontFace, a number is missing, or a number lies outside its limits above.
std::optional<FontSpec> parseFontSpec(std::string_view value);
