#pragma once
// Loading the day list, the Unscheduled list and the ASAP list from the appointment file, and
// the test a single changed appointment must pass to get a row in a list window.
//
// Every loader works through the process's access layer, whose session must be started; it
// opens the appointment file for the load and closes it afterwards. Rows go to the sink inside
// one beginUpdate/endUpdate bracket, and every load that opened the file ends with
// loadFinished(), also after a failure. A caller that has the appointment file open already
// keeps it open: the load uses that handle and does not close it. Database failures are told
// through the prompter with message 3018 (the error and the file number the database named) and
// returned as the database error; 0 is success.

#include <cstdint>

#include "contracts/qrx.h"
#include "lists/list_state.h"
#include "lists/row_composers.h"

class AccessLayer;
class AppointmentRecord;
class PatientLookup;
class RowSink;
class StatusTable;

// The day list: the appointments of the state's date, of the view's operatory (mode 1) or
// provider (mode 2), in start-time order; appointments with the same start time keep the order
// the database gave them. No row limit.
// - The appointment file cannot be opened: returns the error; the sink is not touched and
//   nothing is shown.
// - No appointment: the list is emptied, returns 0, nothing is shown.
// - The set cannot be started: message 3018, the list keeps its rows, returns the error.
// - A read fails during the walk: message 3018, the rows read so far stay, returns the error.
int loadDayList(AccessLayer& db, Prompter& prompter, const ListState& state,
                const StatusTable& statuses, PatientLookup& patients, RowSink& sink);

// The most rows the Unscheduled list holds.
inline constexpr int kUnscheduledRowLimit = 3000;
inline constexpr const char* kTruncatedListText =
    "Maximum number of entries for list has been reached.\nTruncating List.";
inline constexpr const char* kTruncatedListCaption = "Appointments";

// The Unscheduled list: the appointments without a date, of the view's provider in mode 2 (all
// otherwise), in order of the date they were put on the list. When more than 3000 match, the
// first 3000 are listed and the truncation notice is shown once. Failures as loadDayList.
int loadUnscheduledList(AccessLayer& db, Prompter& prompter, const ListState& state,
                        const StatusTable& statuses, PatientLookup& patients, RowSink& sink);

// The ASAP list: for each date from the state's date to date + span, the appointments of that
// date in the view (as the day list) whose schedule kind is `searchKind` (2 ASAP, 1 Open), in
// date order. A negative span is taken as 0; date 0 (no date) is skipped. Failures as loadDayList;
// a failure ends the load with the rows read so far.
int loadAsapList(AccessLayer& db, Prompter& prompter, const ListState& state, int span,
                 int searchKind, const StatusTable& statuses, PatientLookup& patients,
                 RowSink& sink);

// Whether a changed appointment gets a row in the list window of `kind`:
// - day list: always (the change notices already name the date and place it concerns);
// - Unscheduled: only an appointment without a date, and in mode 2 only of the view's provider;
// - ASAP: only one of the search kind with a date from the state's date to date + span, and in
//   mode 1 only of the view's operatory, in mode 2 only of the view's provider.
// Codes compare as 4 blank-padded characters.
bool belongsToList(ListKind kind, const AppointmentRecord& appt, const ListState& state,
                   int span = 0, int searchKind = 0);
