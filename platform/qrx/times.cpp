// Time of day texts of the utility library.

#include <cstdio>

#include "contracts/qrx.h"
#include "platform/qrx/text_out.h"

int QRX_FormatPackTime(char* out, std::size_t size, PackedTime time, int mode) {
  if (time.hour > 23 || time.minute > 59) {
    vantrel::qrx::copyCut(out, size, "");
    return 0;
  }
  const int meridian = time.hour < 12 ? kTimeAm : kTimePm;
  int shownHour = time.hour;
  // Any mode other than the 24-hour one shows the 12-hour clock, which is what lists call for.
  if (mode != kTime24Hour) {
    shownHour = time.hour % 12;
    if (shownHour == 0) shownHour = 12;  // midnight and noon read 12, not 0
  }
  char text[16];  // " 9:05" or "23:59"
  std::snprintf(text, sizeof text, "%2d:%02d", shownHour, static_cast<int>(time.minute));
  // The caller learns am/pm from the result even when the text was cut.
  vantrel::qrx::copyCut(out, size, text);
  return meridian;
}
