#pragma once
// The colour table of the day list: the practice's status colours and the profile's highlight
// colours, each made readable with the list's text. Qt-free.
//
// The list control has 21 colour slots: 0 the normal text, 1-10 row backgrounds (text in slot 0),
// 11-20 text colours on the list's background. A row of status n has slot n + 1, so statuses 0-9
// colour the row's background and statuses 10-14 colour its text. Slots 16-19 hold the highlight
// colours COLOR1 to COLOR4 as text colours; slot 20 is left to the list's default.

#include <array>
#include <optional>

#include "shell/shell_settings.h"

class StatusTable;

inline constexpr int kColourSlots = 21;
inline constexpr int kLastRowBackgroundSlot = 10;
inline constexpr int kFirstHighlightSlot = 16;

// The contrast text needs on its colour: 4.5:1 for coloured text on the list's white (the usual
// legibility guideline), 7:1 for black text on a coloured row, which is read all day long and
// must stay easy even on the saturated colours practices like to choose.
inline constexpr double kReadableTextContrast = 4.5;
inline constexpr double kReadableBackgroundContrast = 7.0;

inline constexpr RgbColour kListText{0, 0, 0};
inline constexpr RgbColour kListBackground{255, 255, 255};

// The contrast ratio of two colours, 1 (same lightness) to 21 (black on white).
double contrastRatio(RgbColour a, RgbColour b);
// `colour` as a row background under `text`: unchanged when the contrast reaches
// kReadableBackgroundContrast, else mixed with white by the least amount (in steps of 5 %) that
// makes it reach it.
RgbColour readableBackground(RgbColour colour, RgbColour text = kListText);
// `colour` as text on `background`: unchanged when the contrast reaches kReadableTextContrast,
// else mixed with black by the least amount that makes it reach it.
RgbColour readableText(RgbColour colour, RgbColour background = kListBackground);

// The slots the window sets: a slot without a value keeps the list's default colour (a status the
// practice did not define has no rows of its colour).
using ColourTable = std::array<std::optional<RgbColour>, kColourSlots>;
ColourTable dayListColours(const StatusTable& statuses, const ShellSettings& settings);
