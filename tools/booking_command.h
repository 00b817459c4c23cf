#pragma once
// "apptbook-admin book", "move" and "unschedule": one appointment placed, moved or taken out of
// the schedule through SaveApptWithRules, the save the appointment dialog runs on OK, so the
// weekly occupancy records are kept exactly as the program keeps them.
//
// Every argument is read and checked before anything is read from the database; bad arguments
// write nothing. Questions and stops of the save are answered as --answer says and printed on
// `out`, one line each:
//   question: <text> -> Yes          (or -> No)
//   message: <text>                  (a stop or notice, which has only OK)
// and the result line last: "booked appointment <id>", "moved appointment <id>",
// "unscheduled appointment <id>".
//
// Exit codes: 0 saved; 1 refused (a question answered No, a stop, a provider, operatory,
// patient or appointment that does not exist, a database error, the appointment changed by
// another process meanwhile), with one sentence on `err` and nothing written; 2 bad arguments
// (usage on `err`).
//
// What the commands decide where the appointment dialog leaves it to its fields:
// - Times are HH:MM on the 5-minute grid the occupancy is counted in; lengths are 5 to 1440
//   minutes in steps of 5 (a length that is not a whole number of units would occupy less than
//   it says), and start plus length must end by midnight. Over 240 minutes the dialog's
//   question "Very long appointment length! Continue?" is asked.
// - The pattern is 12 hex digits, the record's 6 pattern bytes in order (the first digit pair is
//   the byte of slots 0-3, slot 0 in its two high bits; a slot value of 2 is provider time).
//   Without --pattern a booking is provider time over its whole length (as far as the 24 slots
//   reach); a move keeps the stored pattern.
// - Provider and operatory codes are 1 to 4 printable characters without blanks, and must be in
//   the practice's tables.
// - The amount is whole cents (0 to 4294967295); giving it also ticks "Set Amount".
// - The description is at most 60 bytes without control characters; a longer one is refused,
//   never cut.
// - A booking needs an existing patient (identifier 1 or more): the name and phone are taken
//   from the patient's records, as the dialog does. A new appointment gets schedule kind FIXED
//   unless --kind says otherwise, status 0 ("<none>"), type 0 (a workstation's DefaultSchedule,
//   DefaultType and DefaultStatus are not read: a command is no workstation), "Use Reason to Auto
//   Update CC" ticked, the practice's time block size as its pattern unit, and message 6042 is
//   asked when its date lies before today.
// - A move places the appointment anew: an appointment on the Unscheduled list needs --date,
//   --time and --op; its status stays when it is a practice status or complete, else becomes 0.
//   The date of last change becomes today when anything changed.
// - Unscheduling stores status 101, the date put on the list (today unless one is kept) and
//   the date of last change; an appointment already unscheduled is refused. It asks nothing, so
//   --answer is optional there.

#include <iosfwd>
#include <string>
#include <vector>

// `args` are the words after the subcommand; the database of the data directory is already open
// (QDB_InitDataBase).
int runBookCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int runMoveCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int runUnscheduleCommand(const std::vector<std::string>& args, std::ostream& out,
                         std::ostream& err);

// Their lines in the tool's usage text.
const char* bookCommandUsage();
const char* moveCommandUsage();
const char* unscheduleCommandUsage();
