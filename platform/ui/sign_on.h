#pragma once
// Signing on at start-up, over the prompter (so it runs the same under a script as in the
// program). It calls QRX_IsSignedOn and QRX_SignOn: the data layer must be linked and the
// database open (QDB_InitDataBase).

#include "contracts/qrx.h"

inline constexpr int kSignOnAttempts = 3;
inline constexpr const char* kSignOnCaption = "Vantrel Sign On";
inline constexpr const char* kSignOnText = "Sign on to Vantrel Appointment List.";
inline constexpr const char* kSignOnRefused = "The user name or password is not correct.";

// True when a user is signed on: at once when one already is, else once the user typed a name
// and password that QRX_SignOn accepts. Each refusal is told (kSignOnRefused, stop icon) and the
// credentials asked again, `attempts` times in all (fewer than 1 counts as 1); then false.
// Cancel gives false at once. False leaves nobody signed on.
bool signOnInteractive(Prompter& prompter, int attempts = kSignOnAttempts);
