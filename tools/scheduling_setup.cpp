#include "tools/scheduling_setup.h"

#include "contracts/qdb.h"
#include "data/access_layer.h"

namespace {

// A database error of 0 would read as success: a failed read whose status was lost counts as an
// I/O failure.
int fail(int error, const char* what, std::string* why) {
  if (why != nullptr) *why = what;
  return error == 0 ? kQdbIoError : error;
}

}  // namespace

int SchedulingSetup::load(std::string* why) {
  context_.reset();
  if (!loadPracticeSchedule(prompter_, &practice_)) {
    if (why != nullptr) *why = "reading the practice schedule";
    return kNoPracticeSchedule;
  }
  AccessLayer db;
  if (db.startSession() != 0) {
    return fail(db.status().error, "starting a session to read the providers", why);
  }
  if (loadProviders(db, prompter_, &providers_, &practice_) < 0) {
    return fail(db.status().error, "reading the providers", why);
  }
  if (loadOperatories(db, prompter_, &operatories_) < 0) {
    return fail(db.status().error, "reading the operatories", why);
  }
  context_.emplace(prompter_, practice_, providers_);
  return 0;
}
