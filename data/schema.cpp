// The schema catalogue. The segments are built from the records' own field constants, so a key
// and the accessor of the same field cannot drift apart.
//
// Conventions of the keys below:
// - the file's first key is its own order (records in the order they were added);
// - a record identifier key is unique, as the database never gives an identifier twice;
// - dates, identifiers, kinds and counts are unsigned segments, so they order as numbers
//   (little-endian bytes would not);
// - names, chart numbers and other typed texts are text segments, ordered without regard to case;
// - resource codes are byte segments: a code is compared on all four characters, case included.

#include "data/schema.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "contracts/qdb.h"
#include "data/address_record.h"
#include "data/appointment_record.h"
#include "data/audit_record.h"
#include "data/contcare_records.h"
#include "data/definition_record.h"
#include "data/insurance_records.h"
#include "data/journal_record.h"
#include "data/lab_case_record.h"
#include "data/note_record.h"
#include "data/patient_alert_record.h"
#include "data/patient_item_record.h"
#include "data/patient_record.h"
#include "data/print_job_record.h"
#include "data/reason_record.h"
#include "data/record_bytes.h"
#include "data/resource_records.h"
#include "data/rsc_use_record.h"
#include "data/station_record.h"
#include "data/user_record.h"

namespace {

using Kind = QdbSegmentKind;

QdbSegment seg(std::size_t offset, std::size_t length, Kind kind) {
  return {static_cast<std::uint16_t>(offset), static_cast<std::uint16_t>(length), kind};
}
QdbSegment seg(rec::U8Field f) { return seg(f.offset, 1, Kind::kUnsigned); }
QdbSegment seg(rec::U16Field f) { return seg(f.offset, 2, Kind::kUnsigned); }
QdbSegment seg(rec::U32Field f) { return seg(f.offset, 4, Kind::kUnsigned); }
QdbSegment seg(rec::TextField f) { return seg(f.offset, f.width, Kind::kText); }
QdbSegment seg(rec::CodeField f) { return seg(f.offset, rec::kCodeWidth, Kind::kBytes); }
// A one-byte text-like value (a status letter) ordered as a byte.
QdbSegment byteSeg(rec::U8Field f) { return seg(f.offset, 1, Kind::kBytes); }
// Kind byte and code of a resource a record names.
QdbSegment kindSeg(rec::ResourceField f) { return seg(f.offset, 1, Kind::kUnsigned); }
QdbSegment codeSeg(rec::ResourceField f) {
  return seg(f.offset + 1, rec::kCodeWidth, Kind::kBytes);
}

QdbKeyDef order(int number, const char* why) { return {number, false, {}, why}; }
QdbKeyDef unique(int number, std::vector<QdbSegment> segments, const char* why) {
  return {number, true, std::move(segments), why};
}
QdbKeyDef multi(int number, std::vector<QdbSegment> segments, const char* why) {
  return {number, false, std::move(segments), why};
}

QdbFileDef fixedFile(int number, const char* name, std::size_t size, bool identifier,
                     std::vector<QdbKeyDef> keys) {
  return {number, name, static_cast<std::uint32_t>(size), false, identifier, std::move(keys)};
}
QdbFileDef variableFile(int number, const char* name, std::size_t fixedPart, bool identifier,
                        std::vector<QdbKeyDef> keys) {
  return {number, name, static_cast<std::uint32_t>(fixedPart), true, identifier, std::move(keys)};
}

// The files of the procedure, claim and ledger modules that this module neither reads nor
// writes. They still exist so that the database can be made whole; each has the common head of
// PatientItemRecord (identifier, patient, date) and as many keys as its number range holds.
QdbFileDef otherModuleFile(int number, int keyCount) {
  using R = PatientItemRecord;
  std::vector<QdbKeyDef> keys;
  keys.push_back(order(number, "the file's own order"));
  keys.push_back(unique(number + 1, {seg(R::kIdentifier)}, "one record by its identifier"));
  if (keyCount > 2) {
    keys.push_back(multi(number + 2, {seg(R::kPatient), seg(R::kDate)},
                         "a patient's records by date, the common look-up of these files"));
  }
  if (keyCount > 3) {
    keys.push_back(multi(number + 3, {seg(R::kDate)}, "the records of a day, for day lists"));
  }
  return fixedFile(number, "file of the procedure, claim and ledger modules", R::kSize, true,
                   std::move(keys));
}

std::vector<QdbFileDef> buildCatalogue() {
  std::vector<QdbFileDef> files;

  {
    using R = ProcedureCodeRecord;
    files.push_back(
        fixedFile(kProcedureCodeFile, "procedure codes", R::kSize, true,
                  {order(1, "the file's own order"),
                   unique(2, {seg(R::kIdentifier)}, "one code by identifier, as reasons name it"),
                   unique(3, {seg(R::kCode)},
                          "one code by the code the practice types; initial reasons name codes so"),
                   multi(4, {seg(R::kAbbreviation)}, "the code chooser by abbreviation"),
                   multi(5, {seg(R::kDescription)}, "the code chooser by description")}));
  }
  {
    using R = ProviderRecord;
    files.push_back(fixedFile(
        kResourceFile, "resources", R::kSize, false,
        {order(6, "the file's own order"),
         unique(7, {seg(R::kKind), seg(R::kCode), seg(R::kKeyTail)},
                "one resource by kind and code, or all of a kind in code order (prefix 1)"),
         multi(8, {seg(R::kKind), seg(R::kLastName)},
               "the resources of a kind by last name, for pick lists by name")}));
  }
  {
    using R = AppointmentRecord;
    files.push_back(fixedFile(
        kAppointmentFile, "appointments", R::kSize, true,
        {order(9, "every appointment in the database's order (purge)"),
         multi(10, {seg(R::kDate), kindSeg(R::kOperatory), codeSeg(R::kOperatory)},
               "the appointments of a day (prefix 4) or of a day and operatory (prefix 9)"),
         multi(11, {seg(R::kDate), kindSeg(R::kProvider), codeSeg(R::kProvider)},
               "the appointments of a day and provider (prefix 9)"),
         multi(12, {seg(R::kAddress)},
               "the appointments of a person without a patient record, through his address "
               "record, so it is not deleted while another appointment still names it"),
         unique(13, {seg(R::kIdentifier)}, "one appointment"),
         multi(14, {seg(R::kPatient)}, "the appointments of a patient (prefix 4)"),
         multi(15,
               {seg(R::kUnscheduled), kindSeg(R::kProvider), codeSeg(R::kProvider),
                seg(R::kListDate)},
               "the Unscheduled list in list-date order: all (prefix 1) or of a provider "
               "(prefix 6)")}));
  }
  files.push_back(otherModuleFile(16, 2));
  {
    using R = PatientRecord;
    files.push_back(fixedFile(
        kPatientFile, "patients", R::kSize, true,
        {order(18, "the file's own order"), unique(19, {seg(R::kIdentifier)}, "one patient"),
         multi(20, {seg(R::kLastName), seg(R::kFirstName), seg(R::kMiddleInitial)},
               "patient selection by last name, then first name and initial"),
         multi(21, {seg(R::kFamily)}, "the members of a family (prefix 4)"),
         multi(22, {seg(R::kFirstName), seg(R::kMiddleInitial), seg(R::kLastName)},
               "patient selection by first name; initial and last name follow as typed "
               "\"First MI Last\""),
         multi(23, {seg(R::kChartNumber)},
               "patient selection by chart number; not unique, as many patients have none"),
         multi(24, {seg(R::kSsn)},
               "patient selection by social security number; not unique, as many have none"),
         multi(25, {seg(R::kBirthDate)},
               "patients by birth date, for the family module's birthday lists"),
         multi(26, {seg(R::kAddress)}, "the patients of a household (prefix 4)"),
         multi(27, {seg(R::kPreferredName)}, "patient selection by preferred name")}));
  }
  files.push_back(otherModuleFile(34, 2));
  files.push_back(otherModuleFile(36, 3));
  {
    using R = NoteRecord;
    files.push_back(variableFile(
        kNoteFile, "notes", R::kFixedSize, false,
        {order(42, "the note itself: rewritten and deleted as the current record"),
         unique(43, {seg(R::kKind), seg(R::kOwner), seg(R::kSub)},
                "the one note of a kind for an appointment, a patient, a patient's care type "
                "or a journal entry")}));
  }
  {
    using R = DefinitionRecord;
    files.push_back(
        fixedFile(kDefinitionFile, "definitions", R::kSize, false,
                  {order(44, "the file's own order"),
                   unique(45, {seg(R::kKind), seg(R::kNumber)},
                          "one definition, or all of a kind in number order (prefix 1)")}));
  }
  {
    using R = AddressRecord;
    files.push_back(
        fixedFile(kAddressFile, "addresses", R::kSize, true,
                  {order(46, "the file's own order"),
                   unique(47, {seg(R::kIdentifier)}, "one household address"),
                   multi(48, {seg(R::kPhone)},
                         "patient selection by home phone digits; households may share a phone")}));
  }
  {
    using R = CoverageRecord;
    files.push_back(fixedFile(
        kCoverageFile, "insurance coverage", R::kSize, true,
        {order(49, "the file's own order"),
         unique(50, {seg(R::kIdentifier)}, "one coverage, as the patient record names it"),
         multi(51, {seg(R::kSubscriber)}, "the coverages of a subscriber")}));
  }
  {
    using R = PatientProcedureRecord;
    std::vector<QdbKeyDef> keys = {
        order(52, "the file's own order"),
        unique(53, {seg(R::kIdentifier)}, "one procedure, as reasons name it"),
        multi(54, {seg(R::kPatient), seg(R::kDate)}, "a patient's procedures by date"),
        multi(55, {seg(R::kPatient), byteSeg(R::kStatus), seg(R::kVisit)},
              "a patient's treatment plan in visit order (prefix 5: patient and status)"),
        multi(56, {seg(R::kAppointment)}, "the procedures scheduled in an appointment")};
    for (int k = 57; k <= 61; ++k) {
      keys.push_back(order(k, "kept for the clinical module; the file's own order"));
    }
    files.push_back(
        fixedFile(kPatientProcedureFile, "patient procedures", R::kSize, true, std::move(keys)));
  }
  files.push_back(otherModuleFile(64, 2));
  files.push_back(otherModuleFile(66, 4));
  {
    using R = GuarantorAccountRecord;
    files.push_back(fixedFile(kGuarantorAccountFile, "guarantor accounts", R::kSize, false,
                              {order(70, "the file's own order"),
                               unique(71, {seg(R::kGuarantor)}, "the account of a guarantor")}));
  }
  {
    using R = PrintJobRecord;
    files.push_back(fixedFile(
        kPrintJobFile, "print jobs", R::kSize, true,
        {order(72, "jobs are added in arrival order, which the print program works through"),
         unique(73, {seg(R::kIdentifier)}, "one job, to mark it done"),
         unique(74, {seg(R::kStation), seg(R::kIdentifier)},
                "the jobs to print at once at a workstation (prefix 2), or the batch (0)"),
         unique(75, {seg(R::kToday), seg(R::kIdentifier)}, "the jobs of a day")}));
  }
  {
    using R = StationRecord;
    files.push_back(
        fixedFile(kStationFile, "workstations", R::kSize, false,
                  {order(78, "the file's own order"),
                   unique(79, {seg(R::kStation)}, "a workstation's own record"),
                   multi(80, {seg(R::kDate)}, "the workstations that show a date (prefix 4)")}));
  }
  {
    using R = ProviderCounterRecord;
    files.push_back(fixedFile(kProviderCounterFile, "provider counters", R::kSize, true,
                              {order(87, "the counter itself: rewritten as the current record"),
                               unique(88, {seg(R::kIdentifier)}, "one counter"),
                               unique(89, {seg(R::kProvider), seg(R::kCounterKind)},
                                      "a provider's counter of one kind")}));
  }
  files.push_back(otherModuleFile(90, 2));
  {
    // Flags 5 in the descriptor table, as the notes file: variable-length records with the
    // common head.
    using R = PatientItemRecord;
    files.push_back(
        variableFile(92, "file of the procedure, claim and ledger modules", 16, true,
                     {order(92, "the file's own order"),
                      unique(93, {seg(R::kIdentifier)}, "one record by its identifier")}));
  }
  {
    using R = RscUseRecord;
    files.push_back(fixedFile(
        kRscUseFile, "resource schedule", R::kSize, false,
        {order(94, "every week record (purge)"),
         unique(95, {seg(R::kKind), seg(R::kCode), seg(R::kWeek)},
                "one resource's default (week 0) or week record"),
         unique(96, {seg(R::kWeek), seg(R::kKind), seg(R::kCode)},
                "the week records in week order, so old weeks are found without a full walk")}));
  }
  {
    using R = ContinuingCareTypeRecord;
    files.push_back(
        fixedFile(kCareTypeFile, "continuing care types", R::kSize, false,
                  {order(97, "the type record itself: rewritten and deleted as the current record"),
                   unique(98, {seg(R::kPatient), seg(R::kType)},
                          "the practice's types (patient 0) or a patient's defaults, by type"),
                   unique(99, {seg(R::kType), seg(R::kPatient)},
                          "a type's definition and every patient's defaults for it (prefix 2)")}));
  }
  {
    using R = ContinuingCareRecord;
    files.push_back(
        fixedFile(kCareFile, "continuing care", R::kSize, false,
                  {order(100, "the care record itself: added, rewritten and deleted as current"),
                   unique(101, {seg(R::kPatient), seg(R::kType)}, "a patient's care of one type"),
                   multi(102, {seg(R::kAppointment)}, "the care attached to an appointment"),
                   multi(103, {seg(R::kDueDate), seg(R::kPatient)},
                         "the care list in due date order, from (date, patient 0)"),
                   multi(104, {seg(R::kType)}, "whether any patient still has a type"),
                   multi(105, {seg(R::kGuarantor), seg(R::kDueDate), seg(R::kPatient)},
                         "a family's care in due date order, from (guarantor, date, patient 0)")}));
  }
  files.push_back(otherModuleFile(106, 2));
  {
    using R = ContinuingCareViewRecord;
    files.push_back(
        fixedFile(kCareViewFile, "continuing care views", R::kSize, false,
                  {order(108, "the view record itself: deleted as the current record"),
                   unique(109, {seg(R::kKind), seg(R::kNumber)},
                          "the stored views in number order (prefix 2: record kind 1)")}));
  }
  files.push_back(otherModuleFile(110, 3));
  files.push_back(otherModuleFile(113, 3));
  files.push_back(otherModuleFile(116, 3));
  files.push_back(otherModuleFile(120, 2));
  {
    using R = PatientItemRecord;
    files.push_back(fixedFile(
        kPrescriptionFile, "prescriptions", R::kSize, true,
        {order(133, "the file's own order"), unique(134, {seg(R::kIdentifier)}, "one prescription"),
         multi(135, {seg(R::kPatient)}, "whether a patient has prescriptions (prefix 4)")}));
  }
  {
    using R = UserRecord;
    files.push_back(fixedFile(
        kUserFile, "users", R::kSize, true,
        {order(140, "the file's own order"),
         unique(141, {seg(R::kIdentifier)}, "one user, as audit entries name him"),
         unique(142, {seg(R::kLogin)}, "sign-on by name; two users may not differ only in case")}));
  }
  {
    using R = AuditRecord;
    files.push_back(variableFile(
        kAuditFile, "audit", R::kFixedSize, true,
        {order(145, "entries in the order they were written"),
         unique(146, {seg(R::kIdentifier)}, "one entry"),
         multi(147, {seg(R::kDate), seg(R::kSeconds)}, "the entries of a period, in time order"),
         multi(148, {seg(R::kPatient), seg(R::kDate)}, "a patient's entries by date")}));
  }
  {
    using R = JournalRecord;
    files.push_back(
        fixedFile(kJournalFile, "journal", R::kSize, true,
                  {order(150, "entries are added by this key, in the order they were written"),
                   unique(151, {seg(R::kIdentifier)}, "one entry, as its note names it"),
                   multi(152, {seg(R::kPatient), seg(R::kDate), seg(R::kSeconds)},
                         "a patient's journal in date and time order")}));
  }
  // The files of the suite's lab case and patient alerts components. Only those components
  // read and write them; their numbers sit in a range no other file of the suite uses.
  {
    using R = LabCaseRecord;
    files.push_back(fixedFile(
        kLabCaseFile, "lab cases", R::kSize, true,
        {order(170, "the file's own order"),
         unique(171, {seg(R::kIdentifier)}, "one case, as an appointment's links name it"),
         unique(172, {seg(R::kPatient), seg(R::kIdentifier)},
                "a patient's cases in the order they were entered (prefix 4)")}));
  }
  {
    using R = ApptCaseLinkRecord;
    files.push_back(fixedFile(
        kCaseLinkFile, "appointment lab case links", R::kSize, false,
        {order(175, "the link record itself: rewritten and deleted as the current record"),
         unique(176, {seg(R::kAppointment)},
                "the one record that holds every case an appointment waits for")}));
  }
  {
    using R = PatientAlertRecord;
    files.push_back(
        fixedFile(kPatientAlertFile, "patient alerts", R::kSize, false,
                  {order(180, "the alert record itself: rewritten and deleted as current"),
                   unique(181, {seg(R::kPatient)}, "the one alert record of a patient")}));
  }
  files.push_back(otherModuleFile(207, 3));
  {
    using R = CarrierRecord;
    std::vector<QdbKeyDef> keys = {
        order(268, "the file's own order"),
        unique(269, {seg(R::kIdentifier)}, "one carrier, as a coverage names it"),
        multi(270, {seg(R::kName)}, "carriers by name"),
        multi(271, {seg(R::kFeeSchedule)}, "the carriers that use a fee schedule")};
    for (int k = 272; k <= 275; ++k) {
      keys.push_back(order(k, "kept for the claim module; the file's own order"));
    }
    files.push_back(fixedFile(kCarrierFile, "insurance carriers", R::kSize, true, std::move(keys)));
  }
  {
    using R = FeeRecord;
    files.push_back(fixedFile(
        kFeeFile, "fees", R::kSize, true,
        {order(282, "the file's own order"), unique(283, {seg(R::kIdentifier)}, "one fee"),
         unique(284, {seg(R::kSchedule), seg(R::kCode)}, "the fee of a code in a schedule"),
         unique(285, {seg(R::kCode), seg(R::kSchedule)}, "a code's fees in every schedule"),
         order(286, "kept for the ledger module; the file's own order"),
         order(287, "kept for the ledger module; the file's own order")}));
  }
  {
    using R = PatientItemRecord;
    files.push_back(fixedFile(
        kQuestionnaireFile, "questionnaires", R::kSize, true,
        {order(334, "the file's own order"),
         unique(335, {seg(R::kIdentifier)}, "one questionnaire"),
         order(336, "kept for the questionnaire module; the file's own order"),
         multi(337, {seg(R::kPatient)}, "whether a patient has questionnaires (prefix 4)")}));
  }

  std::sort(files.begin(), files.end(),
            [](const QdbFileDef& a, const QdbFileDef& b) { return a.fileNumber < b.fileNumber; });
  return files;
}

// Key number -> file, for every key number up to the highest.
struct KeyIndex {
  std::vector<const QdbFileDef*> fileOfKey;
  std::vector<const QdbKeyDef*> keyDef;
};

const KeyIndex& keyIndex() {
  static const KeyIndex index = [] {
    KeyIndex ix;
    for (const QdbFileDef& file : schemaCatalogue()) {
      for (const QdbKeyDef& key : file.keys) {
        const auto n = static_cast<std::size_t>(key.keyNumber);
        if (n >= ix.keyDef.size()) {
          ix.keyDef.resize(n + 1, nullptr);
          ix.fileOfKey.resize(n + 1, nullptr);
        }
        ix.keyDef[n] = &key;
        ix.fileOfKey[n] = &file;
      }
    }
    return ix;
  }();
  return index;
}

}  // namespace

const std::vector<QdbFileDef>& schemaCatalogue() {
  static const std::vector<QdbFileDef> catalogue = buildCatalogue();
  return catalogue;
}

const QdbFileDef* findFileDef(int fileNumber) {
  const QdbFileDef* file = findFileOfKey(fileNumber);
  return file != nullptr && file->fileNumber == fileNumber ? file : nullptr;
}

const QdbFileDef* findFileOfKey(int keyNumber) {
  const KeyIndex& ix = keyIndex();
  if (keyNumber < 0 || static_cast<std::size_t>(keyNumber) >= ix.fileOfKey.size()) {
    return nullptr;
  }
  return ix.fileOfKey[static_cast<std::size_t>(keyNumber)];
}

const QdbKeyDef* findKeyDef(int keyNumber) {
  const KeyIndex& ix = keyIndex();
  if (keyNumber < 0 || static_cast<std::size_t>(keyNumber) >= ix.keyDef.size()) return nullptr;
  return ix.keyDef[static_cast<std::size_t>(keyNumber)];
}

std::size_t keyLength(const QdbKeyDef& key) {
  std::size_t n = 0;
  for (const QdbSegment& s : key.segments) n += s.length;
  return n;
}

std::vector<std::uint8_t> keyBytes(const QdbKeyDef& key, std::span<const std::uint8_t> record) {
  std::vector<std::uint8_t> out;
  out.reserve(keyLength(key));
  for (const QdbSegment& s : key.segments) {
    if (static_cast<std::size_t>(s.offset) + s.length > record.size()) return {};
    out.insert(out.end(), record.begin() + s.offset, record.begin() + s.offset + s.length);
  }
  return out;
}
