#include "shell/ui/list_colours.h"

#include <algorithm>
#include <cmath>

#include "lists/definitions.h"

namespace {

double channel(std::uint8_t value) {
  const double c = value / 255.0;
  return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double luminance(RgbColour c) {
  return 0.2126 * channel(c.red) + 0.7152 * channel(c.green) + 0.0722 * channel(c.blue);
}

std::uint8_t mix(std::uint8_t from, std::uint8_t to, double amount) {
  return static_cast<std::uint8_t>(std::lround(from + (to - from) * amount));
}

RgbColour mixed(RgbColour c, RgbColour towards, double amount) {
  return {mix(c.red, towards.red, amount), mix(c.green, towards.green, amount),
          mix(c.blue, towards.blue, amount)};
}

// Moves `colour` towards `towards` in 5 % steps until it reaches `contrast` against `other`.
RgbColour readableAgainst(RgbColour colour, RgbColour other, RgbColour towards, double contrast) {
  for (int step = 0; step <= 20; ++step) {
    const RgbColour candidate = mixed(colour, towards, step / 20.0);
    if (contrastRatio(candidate, other) >= contrast) return candidate;
  }
  return towards;
}

}  // namespace

double contrastRatio(RgbColour a, RgbColour b) {
  const double la = luminance(a);
  const double lb = luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

RgbColour readableBackground(RgbColour colour, RgbColour text) {
  return readableAgainst(colour, text, RgbColour{255, 255, 255}, kReadableBackgroundContrast);
}

RgbColour readableText(RgbColour colour, RgbColour background) {
  return readableAgainst(colour, background, RgbColour{0, 0, 0}, kReadableTextContrast);
}

ColourTable dayListColours(const StatusTable& statuses, const ShellSettings& settings) {
  ColourTable table{};
  table[0] = kListText;
  for (const StatusDefinition& s : statuses.defined()) {
    const int slot = statuses.colourSlot(s.number);
    if (slot <= 0 || slot >= kColourSlots) continue;
    const RgbColour colour{s.colour.red, s.colour.green, s.colour.blue};
    table[static_cast<std::size_t>(slot)] =
        slot <= kLastRowBackgroundSlot ? readableBackground(colour) : readableText(colour);
  }
  for (std::size_t i = 0; i < settings.highlights.size(); ++i) {
    table[kFirstHighlightSlot + i] = readableText(settings.highlights[i]);
  }
  return table;
}
