#pragma once
// Saved window positions: a top-level window's place, size and maximised state, kept in the
// suite profile under section "WindowPos" with the window's name as key ("APPTBOOK" for the main
// window), as "x,y,width,height,maximised" (the maximised flag 0 or 1; the rectangle is the
// window's normal geometry, without frame, even when it is maximised).
//
// REQUIRES: a QApplication (screens are consulted).

class QWidget;

inline constexpr const char* kWindowPosSection = "WindowPos";

// Stores the window's position under `name`. Returns 1, or 0 for a null or empty name or when
// the profile cannot be written (the profile is then as it was).
int QRX_SaveWindowPosInfo(const QWidget& window, const char* name);

// Gives the window the position saved under `name` and returns 1. Returns 0 and leaves the
// window where it is when nothing is saved, when the value is damaged (not five numbers, a size
// below 1 pixel or beyond 32767, a flag other than 0 or 1), or when less than 32 x 32 pixels of
// the rectangle (or of the whole window, when it is smaller) would lie on one screen's
// available area: a window must never come back where nobody can reach it, as after a monitor
// was unplugged.
int QRX_RestoreSavedWindowPos(QWidget& window, const char* name);
