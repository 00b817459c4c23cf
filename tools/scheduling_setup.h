#pragma once
// The tables the scheduling rules read (the practice schedule, the providers with their default
// schedules, the operatories), loaded from the open database, and a SchedulingContext over them:
// what every tool that saves appointments through the rules needs before its first save. The
// demo practice and the book, move and unschedule subcommands load it the same way.
//
// REQUIRES: the database is open in this process (QDB_InitDataBase). The context borrows the
// prompter and refers to the tables held here, so this object must outlive every use of it.

#include <optional>
#include <string>

#include "editing/scheduling_rules.h"
#include "schedule/practice_schedule.h"
#include "schedule/resource_tables.h"

inline constexpr int kNoPracticeSchedule = -1;

class SchedulingSetup {
 public:
  explicit SchedulingSetup(Prompter& prompter) : prompter_(prompter) {}
  SchedulingSetup(const SchedulingSetup&) = delete;
  SchedulingSetup& operator=(const SchedulingSetup&) = delete;

  // Reads the tables and builds the context. Returns 0; kNoPracticeSchedule when the practice
  // schedule could not be had (its loader has told why through the prompter: "No Practice
  // information. Practice must be setup." or "Check RscUse File!"); or the database's error
  // number. On failure `why` names what could not be read.
  int load(std::string* why);

  // REQUIRES: load() returned 0.
  SchedulingContext& context() { return *context_; }
  const PracticeSchedule& practice() const { return practice_; }
  const ProviderScheduleTable& providers() const { return providers_; }
  const OperatoryTable& operatories() const { return operatories_; }

 private:
  Prompter& prompter_;
  PracticeSchedule practice_;
  ProviderScheduleTable providers_;
  OperatoryTable operatories_;
  std::optional<SchedulingContext> context_;
};
