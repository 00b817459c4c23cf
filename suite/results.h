#pragma once
// Result numbers of the suite components (notes, patient alerts, lab cases) beyond the
// database's own (contracts/qdb.h). 0 is success, as everywhere.

// A text longer than the field that keeps it. Nothing was written: a text is never cut to fit.
inline constexpr int kSuiteTextTooLong = 430;
// A text holding a character its field cannot keep: a zero byte anywhere, or a line break or
// other control character in a one-line field. Nothing was written.
inline constexpr int kSuiteBadText = 431;
// More entries than one record holds: lab cases of one appointment, alert lines of one patient.
// Nothing was written.
inline constexpr int kSuiteListFull = 432;
