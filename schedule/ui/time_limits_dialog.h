#pragma once
// "Set Time Limits": the three working periods of one day as six time fields, each with a " >>"
// button that opens the "Select Time" picker. What a field accepts, how it is shown and the
// checks on OK live in schedule/time_entry.h; these windows only move the texts.
//
// Names for tests and scripts:
// - "TimeLimitsDialog": the fields "time0" to "time5" (start 1, end 1, start 2, end 2, start 3,
//   end 3), their " >>" buttons "pick0" to "pick5", the headings "startHeading" ("StartTime")
//   and "endHeading" ("EndTime"), the buttons "1" (OK) and "2" (Cancel);
// - "TimePickerDialog" ("Select Time"): the label "time", the scroll bar "scroll", the buttons
//   "1" (OK) and "2" (Cancel).

#include <QDialog>
#include <array>
#include <cstdint>

#include "schedule/schedule_time.h"
#include "schedule/time_entry.h"

class Prompter;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollBar;
class QWidget;
struct DayHours;

// Edits one day's three periods; true on OK with *hours replaced, false on Cancel (unchanged).
bool editTimeLimits(QWidget* parent, Prompter& prompter, int blockMinutes, bool firstRequired,
                    DayHours* hours);

class TimeLimitsDialog final : public QDialog {
 public:
  // Shows `hours` (-1 = empty field). `prompter` is borrowed and must outlive the dialog.
  TimeLimitsDialog(QWidget* parent, Prompter& prompter, int blockMinutes, bool firstRequired,
                   const DayHours& hours);

  // The hours the last accepted OK took; the opening hours until then.
  const DayHours& hours() const { return hours_; }

  // Checks the fields. A problem is shown through the prompter and the dialog stays open with
  // the texts as typed, the focus on the field or button concerned.
  void accept() override;

 protected:
  // Normalises a time field's text when it loses the focus.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // " >>": the picker, opened at the field's time; OK writes the chosen time into the field.
  void pickTime(int field);

  Prompter& prompter_;
  int blockMinutes_;
  bool firstRequired_;
  DayHours hours_;
  std::array<QLineEdit*, kTimeLimitFields> fields_{};
  std::array<QPushButton*, kTimeLimitFields> picks_{};
};

// "Select Time": a scroll bar over the times of the day in block steps (a line step one block,
// a page step one hour) with the chosen time shown above it.
class TimePickerDialog final : public QDialog {
 public:
  TimePickerDialog(QWidget* parent, int blockMinutes, int startPosition);
  // The chosen time as a unit of 5 minutes.
  std::int32_t unit() const;

 private:
  void showTime();

  int blockMinutes_;
  QScrollBar* scroll_;
  QLabel* time_;
};
