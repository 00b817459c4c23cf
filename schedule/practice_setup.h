#pragma once
// The practice appointment setup without its window: the practice's default weekly hours, the
// time block size and the practice-wide defaults of new appointments.
//
// The practice's default schedule record is held locked from begin() until commit() or
// cancel(), so a second workstation that opens the setup meanwhile is told the record is in
// use (and may retry) instead of overwriting what this one stores. When the record does not
// exist yet, nothing can be locked; should two workstations both create it, the second add is
// refused with the write message and stores nothing.
//
// REQUIRES: the database is open in this process. The object uses a session of its own.

#include <memory>

#include "data/rsc_use_record.h"
#include "schedule/schedule_time.h"

class Prompter;
class RscUseSession;
struct PracticeSchedule;

// Appointment defaults of the suite profile (section APPTBOOK) and of the data directory's
// "qrxdata.inf" (AlwaysCalculate).
inline constexpr const char* kApptBookSection = "APPTBOOK";
inline constexpr const char* kDefaultStatusKey = "DefaultStatus";
inline constexpr const char* kDefaultScheduleKey = "DefaultSchedule";
inline constexpr const char* kDefaultTypeKey = "DefaultType";
inline constexpr const char* kAlwaysCalculateKey = "AlwaysCalculate";
inline constexpr const char* kBookOrientationKey = "BBOrientation";
// The setup has no control for the orientation and always stores this.
inline constexpr int kStoredBookOrientation = 2;

// What the setup dialog edits.
struct PracticeSetupValues {
  WeekHours hours{};          // -1 = none
  int timeBlockCode = 2;      // 1, 2, 3, 4 or 6
  int defaultStatus = 0;      // position in the status list: 0 none, 1-14 that status
  int defaultSchedule = 0;    // 0 FIXED, 1 OPEN, 2 ASAP
  int defaultType = 0;        // position in the type list, 0 none
  bool alwaysCalculate = true;
};

// commit() stored the schedule but a profile file could not be written.
inline constexpr int kSetupSettingsNotSaved = -1;

class PracticeSetup {
 public:
  // Both are borrowed and must outlive the object. `practice` is the program's in-memory
  // schedule; it changes only when commit() has stored the record.
  PracticeSetup(Prompter& prompter, PracticeSchedule& practice);
  // Gives up an open setup (as cancel()).
  ~PracticeSetup();
  PracticeSetup(const PracticeSetup&) = delete;
  PracticeSetup& operator=(const PracticeSetup&) = delete;

  // Reads and locks the practice's default record and the profile settings. The values shown
  // are the record's (a change stored meanwhile at another workstation is not overwritten with
  // stale hours); without a record, the in-memory hours and block code. 0 ready; otherwise the
  // database error, already told to the user (42: the record is in use elsewhere), and the
  // setup must not be shown.
  int begin();
  bool isOpen() const { return open_; }
  // The record did not exist and will be added.
  bool isNewRecord() const { return newRecord_; }
  const PracticeSetupValues& values() const { return values_; }

  // Stores the edited values. A block code other than the current one is confirmed first
  // ("Confirm Time Block Change", OK/Cancel); Cancel keeps the current code and stores the
  // rest. A block code that is no block size keeps the current one. Hours of -1 are stored
  // as 0xFFFF, any other value as it stands (a day the user did not touch is written back as
  // it was read). The record is written (added when new), then the profile settings; the
  // in-memory schedule takes the hours, the code and the record's holidays.
  // 0 stored; kSetupSettingsNotSaved when the record was stored but a profile could not be
  // written; else the database error (told; nothing changed, memory included). The record is
  // released whatever the result. REQUIRES: isOpen().
  int commit(const PracticeSetupValues& edited);
  // Releases the record unchanged.
  void cancel();

  // The block code in effect when the setup began (the one a refused change keeps).
  int currentTimeBlockCode() const { return currentCode_; }

 private:
  Prompter& prompter_;
  PracticeSchedule& practice_;
  std::unique_ptr<RscUseSession> session_;
  RscUseRecord record_;
  PracticeSetupValues values_;
  int currentCode_ = 2;
  bool open_ = false;
  bool newRecord_ = false;
};

// The block-size question, exactly as the setup asks it.
inline constexpr const char* kBlockChangeCaption = "Confirm Time Block Change";
inline constexpr const char* kBlockChangeText =
    "Changing Time Block Size may make the appointment times invalid until each appointment is "
    "edited or moved.  Continue with Time Block Size change?";
