#pragma once
// Find Time: the "Find Appointment Time" dialog, where the user chooses providers, operatories,
// weekdays, a start date and a time window, and the "Available Appointment Times" list of the
// times found, ten at a time. What they decide lives in schedule/find_time.h; these windows
// only move values in and out.
//
// Control names (objectName), for tests and scripts:
// - "FindTimeDialog": the lists "providers" (Select &Provider(s)) and "operatories" (Select
//   &Op.(s)), the weekday boxes "day0" (Sunday) to "day6", the field "startDate" with its " >>"
//   "pickDate", the radio buttons "stepDays", "stepWeeks", "stepMonths" and the buttons "add1"
//   to "add6" that move the date on, the label "length", the fields "timeStart" and "timeEnd"
//   with their " >>" "pickStart" and "pickEnd", the disabled list "blocks", and the buttons
//   "searchView" (Search/&View), "search" (S&earch) and "2" (Cancel).
// - "FoundTimesDialog": the list "times", the buttons "more" ( &More), "select" (Select) and
//   "2" (Cancel); with view buttons also "view" ( &View) and "viewNext" (View &Next).
// The date picker is "DatePickerDialog" with "calendar", "1" and "2"; the time pickers are the
// schedule's "TimePickerDialog".
//
// REQUIRES: a QApplication, and calls from its thread.

#include <functional>
#include <string>
#include <vector>

#include "contracts/qrx.h"

class AppointmentRecord;
class QWidget;
struct FoundTime;
struct OperatoryTable;
struct PracticeSchedule;
struct ProviderScheduleTable;

// Runs Find Time for `appt` over `parent`: the "Find Appointment Time" dialog with the first
// values for the appointment (see initialFindTimeChoices; "today" is QRX_SysDate()), then the
// list of times found. Cancelling the list opens the dialog again with the same values;
// Cancel in the dialog ends the command. A chosen time (Select, or a double click) is written
// into *appt (see applyFoundTime) and true returned; false leaves *appt as it was.
//
// Search/&View opens the list with " &View" and "View &Next": a time whose operatory is not among
// `displayedOperatories` is refused with "Requested operatory is not currently being displayed.
// View canceled."; any other is handed to `view` (the main window shows that date). An empty
// `view` only makes the check. The calling window stays as it is meanwhile: a modal window
// cannot be hidden without ending it.
//
// Everything is borrowed for the time of the call.
bool findApptTime(QWidget* parent, Prompter& prompter, const PracticeSchedule& practice,
                  const ProviderScheduleTable& providers, const OperatoryTable& operatories,
                  const std::vector<std::string>& displayedOperatories,
                  std::function<void(const FoundTime&)> view, AppointmentRecord* appt,
                  PackedDate startDate);
