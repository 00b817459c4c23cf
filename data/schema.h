#pragma once
// The schema catalogue: every data file of the shared database with its record size and its
// numbered keys. The database is created from it, and the access layer finds a file by any of
// its key numbers through it.
//
// A file's number is also its first key; its further keys take the next numbers, without gaps,
// and no key number belongs to two files. The first key of every file is the file's own order
// (no segments); the other keys are made of record bytes, one segment after another, and the key
// bytes a caller passes are those record bytes in that order: unsigned numbers little-endian,
// texts zero-terminated in their width, resource codes as their 4 blank-padded characters.
//
// The catalogue is built once, on first use, and is never changed afterwards; the pointers the
// lookups return stay valid for the life of the process.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "contracts/qdb.h"

// File numbers.
inline constexpr int kProcedureCodeFile = 1;
inline constexpr int kResourceFile = 6;
inline constexpr int kAppointmentFile = 9;
inline constexpr int kPatientFile = 18;
inline constexpr int kNoteFile = 42;
inline constexpr int kDefinitionFile = 44;
inline constexpr int kAddressFile = 46;
inline constexpr int kCoverageFile = 49;
inline constexpr int kPatientProcedureFile = 52;
inline constexpr int kGuarantorAccountFile = 70;
inline constexpr int kPrintJobFile = 72;
inline constexpr int kStationFile = 78;
inline constexpr int kProviderCounterFile = 87;
inline constexpr int kRscUseFile = 94;
inline constexpr int kCareTypeFile = 97;
inline constexpr int kCareFile = 100;
inline constexpr int kCareViewFile = 108;
inline constexpr int kPrescriptionFile = 133;
inline constexpr int kUserFile = 140;
inline constexpr int kAuditFile = 145;
inline constexpr int kJournalFile = 150;
inline constexpr int kLabCaseFile = 170;
inline constexpr int kCaseLinkFile = 175;
inline constexpr int kPatientAlertFile = 180;
inline constexpr int kCarrierFile = 268;
inline constexpr int kFeeFile = 282;
inline constexpr int kQuestionnaireFile = 334;

// Key numbers that callers name.
inline constexpr int kProcedureCodeById = 2;
inline constexpr int kProcedureCodeByCode = 3;
inline constexpr int kResourceByKindCode = 7;    // kind (1), code (4), tail (4)
inline constexpr int kApptByDateOperatory = 10;  // date (4), kind (1), code (4)
inline constexpr int kApptByDateProvider = 11;   // date (4), kind (1), code (4)
inline constexpr int kApptByAddress = 12;        // address record identifier (4)
inline constexpr int kApptById = 13;             // identifier (4)
inline constexpr int kApptByPatient = 14;        // patient (4)
inline constexpr int kApptUnscheduled = 15;      // marker (1), kind (1), code (4), date (4)
inline constexpr int kPatientById = 19;
inline constexpr int kPatientByName = 20;  // last (21), first (16), initial (2)
inline constexpr int kPatientByFamily = 21;
inline constexpr int kPatientByFirstName = 22;  // first (16), initial (2), last (21)
inline constexpr int kPatientByChart = 23;
inline constexpr int kPatientBySsn = 24;
inline constexpr int kPatientByBirthDate = 25;
inline constexpr int kPatientByAddress = 26;
inline constexpr int kPatientByPreferredName = 27;
inline constexpr int kNoteByOwner = 43;             // kind (2), owner (4), sub-number (2)
inline constexpr int kDefinitionByKindNumber = 45;  // kind (1), number (1)
inline constexpr int kAddressById = 47;
inline constexpr int kAddressByPhone = 48;
inline constexpr int kCoverageById = 50;
inline constexpr int kPatientProcedureById = 53;
inline constexpr int kPatientProcedureByPatient = 54;
inline constexpr int kPatientProcedureByPlan = 55;  // patient (4), status (1), visit (2)
inline constexpr int kPatientProcedureByAppt = 56;
inline constexpr int kAccountByGuarantor = 71;
inline constexpr int kPrintJobAdd = 72;
inline constexpr int kPrintJobById = 73;
inline constexpr int kStationByCode = 79;
inline constexpr int kStationByDate = 80;
inline constexpr int kCounterUpdate = 87;
inline constexpr int kCounterByProvider = 89;  // provider (4), counter kind (2)
inline constexpr int kRscUseByKey = 95;        // kind (1), code (4), week (4)
inline constexpr int kRscUseByWeek = 96;       // week (4), kind (1), code (4)
inline constexpr int kCareTypeRecord = 97;
inline constexpr int kCareTypeByPatient = 98;  // patient (4), type (2)
inline constexpr int kCareTypeByType = 99;     // type (2), patient (4)
inline constexpr int kCareRecord = 100;
inline constexpr int kCareByPatient = 101;    // patient (4), type (2)
inline constexpr int kCareByAppt = 102;       // appointment (4)
inline constexpr int kCareByDueDate = 103;    // due date (4), patient (4)
inline constexpr int kCareByType = 104;       // type (2)
inline constexpr int kCareByGuarantor = 105;  // guarantor (4), due date (4), patient (4)
inline constexpr int kCareViewRecord = 108;
inline constexpr int kCareViewByNumber = 109;  // kind (2), number (2)
inline constexpr int kPrescriptionByPatient = 135;
inline constexpr int kUserById = 141;
inline constexpr int kUserByLogin = 142;
inline constexpr int kAuditById = 146;
inline constexpr int kAuditByTime = 147;     // date (4), seconds (4)
inline constexpr int kAuditByPatient = 148;  // patient (4), date (4)
inline constexpr int kJournalAdd = 150;
inline constexpr int kJournalById = 151;
inline constexpr int kJournalByPatient = 152;  // patient (4), date (4), seconds (4)
inline constexpr int kLabCaseById = 171;
inline constexpr int kLabCaseByPatient = 172;       // patient (4), identifier (4)
inline constexpr int kCaseLinkByAppt = 176;         // appointment (4)
inline constexpr int kPatientAlertByPatient = 181;  // patient (4)
inline constexpr int kCarrierById = 269;
inline constexpr int kFeeByScheduleCode = 284;  // schedule (2), code (4)
inline constexpr int kQuestionnaireByPatient = 337;

// Every file, in file-number order.
const std::vector<QdbFileDef>& schemaCatalogue();

// The definition of file `fileNumber`, or nullptr when there is no such file.
const QdbFileDef* findFileDef(int fileNumber);
// The file that key `keyNumber` belongs to (a file's own number finds the file), or nullptr
// when no file has that key.
const QdbFileDef* findFileOfKey(int keyNumber);
// The definition of key `keyNumber`, or nullptr.
const QdbKeyDef* findKeyDef(int keyNumber);

// The number of record bytes a key is made of: the sum of its segment lengths. 0 for a
// file-order key, whose key bytes are not record bytes but the record's 4-byte position.
std::size_t keyLength(const QdbKeyDef& key);

// The key bytes of a record: its segments' bytes one after another. Empty when the record is too
// short for a segment (or the key has no segments).
std::vector<std::uint8_t> keyBytes(const QdbKeyDef& key, std::span<const std::uint8_t> record);
