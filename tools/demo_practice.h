#pragma once
// The demo practice: a whole, realistic practice written into an empty practice database, for
// demonstrations, trying the program by hand and measuring it on data of a real size.
//
// What it writes: the practice record and the practice's default schedule (Monday to Friday
// 8:00-12:00 and 13:00-17:00, Saturday 8:00-12:00, 10-minute time blocks, three yearly
// holidays, the office closed on one Friday about two weeks ahead); five providers (one of them
// inactive) with their default schedules, three time blocks and a hygienist's three days of
// vacation the week after, two staff members and six operatories; the appointment statuses,
// appointment types and flag labels; households of patients with their addresses; dated
// appointments over the 60 days around "today" and undated ones on the Unscheduled list; and the
// two users of kDemoUsers.
//
// The same seed and the same "today" give the same records byte for byte (the engine gives
// identifiers in order in a fresh database), apart from the users' password hashes, which are
// salted. Nothing here reads the clock.
//
// The database must be open in this process (QDB_InitDataBase) with every file created
// (createPracticeDatabase).

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "contracts/qrx.h"

class AppointmentRecord;

// A user the demo signs up. Every right 1..kHighestRight except the withheld ones (0 = none).
struct DemoUser {
  const char* login;
  const char* fullName;
  const char* password;
  std::array<int, 3> withheldRights;
};

inline constexpr std::array<DemoUser, 2> kDemoUsers = {{
    {"admin", "Practice Administrator", "admin123", {0, 0, 0}},
    {"frontdesk",
     "Front Desk",
     "desk123",
     {kRightPurgeAppointments, kRightPracticeSetup, kRightProviderSetup}},
}};

// The rights of a demo user, ascending.
std::vector<int> demoUserRights(const DemoUser& user);

// Writes one planned appointment (dated or undated) into the appointment file and leaves its
// new identifier in the record. Returns 0, or an error number with `why` set. The demo calls
// this for every appointment, in date order, after every patient and address is written.
using AppointmentPlacer = std::function<int(AppointmentRecord& appointment, std::string* why)>;

struct DemoOptions {
  std::uint64_t seed = 1;
  // REQUIRED: the day the practice is built around (QRX_SysDate in the command).
  PackedDate today = kNoDate;
  // Patient households, and the fewest patients they hold: households get more children until
  // there are that many patients.
  int households = 1200;
  int minimumPatients = 3000;
  // Appointments on the Unscheduled list.
  int undated = 40;
  // Empty: dated appointments are saved through the scheduling rules (so the weekly occupancy
  // records are kept and `apptbook-admin check` agrees), undated ones are added as they are.
  AppointmentPlacer placeAppointment;
  bool addUsers = true;
};

struct DemoSummary {
  int providers = 0;
  int inactiveProviders = 0;
  int staff = 0;
  int operatories = 0;
  int patients = 0;
  int households = 0;
  int appointments = 0;           // dated
  int newPersonAppointments = 0;  // of those, for people without a patient record
  int undated = 0;
  int users = 0;                   // added now
  std::vector<std::string> notes;  // things the person running the demo should know
};

// Results beside the database's error numbers.
inline constexpr int kDemoNotEmpty = 2001;    // the database already holds practice data
inline constexpr int kDemoBadOptions = 2002;  // no "today", or sizes out of range

// Whether the demo may write: 0 when the files it writes (resources, appointments, patients,
// definitions, addresses, resource schedule) are all empty; kDemoNotEmpty with `why` saying what
// the database holds; or a database error number with `why`.
int checkEmptyForDemo(std::string* why);

// Writes the demo practice. Refuses (kDemoNotEmpty, nothing written) unless checkEmptyForDemo
// passes. The engine has no transaction wider than one record, so every record is its own
// durable write, in this order: the practice record, schedules, providers, staff, operatories,
// definitions, households with their patients, new people's addresses, dated appointments,
// undated ones, users. A failure part-way (or a crash, or a kill) leaves the records written
// before it: a partial practice that any later demo refuses, because its first write already
// makes the database non-empty; the remedy is a new data directory. The practice record's key is
// unique, so of two demos started at once on one database only one gets past its first write.
// Demo users that already exist are kept as they are (a note says so). Returns 0 with `summary`
// filled, or a result number with `why` set.
int makeDemoPractice(const DemoOptions& options, DemoSummary* summary, std::string* why);
