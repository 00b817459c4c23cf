#pragma once
// The lab case component: the cases a practice sends to dental laboratories (file 170), and the
// cases each appointment waits for (file 175), with the calls the appointment dialog, the
// delete and purge of appointments and the appointment lists make.
//
// Every call opens a short database session of its own; the database must be open in this
// process. Results are 0 or a number of contracts/qdb.h or suite/results.h.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "contracts/qrx.h"

// Where a case's work stands, as stored.
enum class LabCaseState : std::uint8_t {
  kNotSent = 0,    // entered, still at the practice
  kSent = 1,       // at the laboratory
  kReturned = 2,   // back at the practice
  kCancelled = 3,  // no longer wanted; appointments that still name it ignore it
};

struct LabCase {
  std::uint32_t id = 0;  // given when the case is added
  std::uint32_t patientId = 0;
  std::string providerCode;  // at most 4 characters; "" none
  std::string lab;           // the laboratory's name, at most 30 characters
  std::string description;   // the work, at most 60 characters
  PackedDate sent = 0;
  PackedDate due = 0;  // when the laboratory promised it back; 0 = no date promised
  PackedDate returned = 0;
  LabCaseState state = LabCaseState::kNotSent;
};

// What an appointment (or one case) waits for, as the appointment lists show it.
enum class LabCaseStatus {
  kNone,      // no case, or only cancelled or vanished ones
  kNotSent,   // a case is still at the practice
  kSent,      // a case is at the laboratory and not yet due
  kReturned,  // every case is back
  kOverdue,   // a case is not back and its due date has passed
};

// "", "Lab Not Sent", "Lab Sent", "Lab Returned", "Lab Overdue".
const char* labCaseStatusText(LabCaseStatus status);

// The status of one case on `today`: a cancelled case is kNone, a returned one kReturned; one
// that is not back is kOverdue once its due date lies before today, else kNotSent or kSent.
LabCaseStatus labCaseStatusOf(const LabCase& labCase, PackedDate today);

// Adds a case; sets labCase->id. Refused with nothing written: patient 0 or a state out of range
// (405), a text longer than its field (430), a text with a control character (431).
int addLabCase(LabCase* labCase, PackedDate today);
// Rewrites the stored case labCase.id with these values (the same checks as addLabCase; 101 when
// the case is gone).
int updateLabCase(const LabCase& labCase, PackedDate today);
// One case by its id; 101 when there is none.
int readLabCase(std::uint32_t caseId, LabCase* out);
// Every case of a patient, cancelled ones included, in the order they were entered. 0 (also for
// none), or the database's error.
int readPatientLabCases(std::uint32_t patientId, std::vector<LabCase>* out);

// The cases an appointment waits for: a small value that the appointment dialog holds while it
// is open and hands back on save. Callers outside this component only test empty().
class LabCaseLinks {
 public:
  static constexpr std::size_t kMaxCases = 16;

  bool empty() const { return ids_.empty(); }
  std::size_t size() const { return ids_.size(); }
  bool contains(std::uint32_t caseId) const;
  // Adds a case at the end. A case already held changes nothing (true); case 0 or a 17th case
  // is refused (false).
  bool add(std::uint32_t caseId);
  void remove(std::uint32_t caseId);
  void clear() { ids_.clear(); }
  const std::vector<std::uint32_t>& caseIds() const { return ids_; }
  bool operator==(const LabCaseLinks&) const = default;

 private:
  std::vector<std::uint32_t> ids_;
};

// The links of an appointment. 0 (an appointment without links gives an empty list), 405 for
// appointment 0 or a null `out`, or the database's error (out untouched).
int ReadApptToCaseLinks(std::uint32_t appointmentId, LabCaseLinks* out);
// Replaces the appointment's links with `links` as one record written under its lock: two
// workstations writing links of one appointment at once leave one whole list, the later one.
// An empty list removes the appointment's links. 0, 405 for appointment 0, or the database's
// error.
int WriteApptToCaseLinks(std::uint32_t appointmentId, const LabCaseLinks& links);
// Removes the appointment's links (the cases stay). 0 also when it had none.
int DeleteApptCaseLinks(std::uint32_t appointmentId);
// What the appointment waits for on `today`: the most pressing status of its linked cases, in
// the order overdue, not sent, sent, returned; kNone without a live case or when the links
// cannot be read.
LabCaseStatus GetApptLabCaseStatus(std::uint32_t appointmentId, PackedDate today);
