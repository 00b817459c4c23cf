#pragma once
// What a list shows: a date and a view (all appointments, one operatory or one provider), and
// the text form of the view that the profile keeps (APPT/APPTVIEW and its siblings).

#include <string>
#include <string_view>

#include "contracts/qrx.h"

inline constexpr int kViewModeAll = 0;
inline constexpr int kViewModeOperatory = 1;
inline constexpr int kViewModeProvider = 2;

struct ListState {
  PackedDate date = kNoDate;
  int mode = kViewModeAll;    // kViewModeAll, kViewModeOperatory or kViewModeProvider
  std::string operatoryCode;  // the view's operatory in kViewModeOperatory, up to 4 characters
  std::string providerCode;   // the view's provider in kViewModeProvider, up to 4 characters
};

// Reads a saved view "%d(%-4.4s)" into the mode and code of `state` (the date is left alone):
// a first character '1' gives kViewModeOperatory and characters 3 to 6 become the operatory code,
// '2' gives kViewModeProvider and they become the provider code; anything else (also an empty or
// short value) gives kViewModeAll. Characters 3 to 6 are taken as they stand, blanks included;
// a value shorter than that gives a shorter code (none for a value of up to 2 characters).
void parseApptView(std::string_view value, ListState* state);

// The saved form of the view: the mode digit, "(", the code blank-padded or cut to 4, ")".
// The code is the operatory code in kViewModeOperatory and the provider code otherwise; a mode
// outside 0-2 is written as 0.
std::string formatApptView(const ListState& state);

// The code of the view's resource, blank-padded or cut to exactly 4 characters: the operatory
// code in kViewModeOperatory, the provider code in kViewModeProvider, four blanks otherwise.
std::string viewCode(const ListState& state);
