// The demo practice. Everything is planned in memory first (patients, households, appointments),
// from one seeded generator of our own, so the plan depends on nothing but the seed and "today";
// then it is written, the practice record first. The database gives the identifiers, and a fresh
// database gives them in the same order every time, which makes two runs byte-identical.

#include "tools/demo_practice.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <map>
#include <set>
#include <span>
#include <sstream>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

#include "contracts/qdb.h"
#include "contracts/qrx.h"
#include "data/address_record.h"
#include "data/appointment_record.h"
#include "data/definition_record.h"
#include "data/patient_record.h"
#include "data/resource_records.h"
#include "data/rsc_use_record.h"
#include "data/schema.h"
#include "data/users.h"
#include "editing/scheduling_rules.h"
#include "platform/qrx/scripted_prompter.h"
#include "schedule/practice_calendar.h"
#include "schedule/schedule_time.h"
#include "tools/block_command.h"
#include "tools/scheduling_setup.h"

namespace {

// ---------------------------------------------------------------------------------------------
// The generator: splitmix64, so that a seed gives the same numbers with every compiler and
// library (the standard distributions do not promise that).

class DemoRandom {
 public:
  explicit DemoRandom(std::uint64_t seed) : state_(seed) {}

  std::uint64_t next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // 0 .. n - 1; REQUIRES: n > 0.
  int below(int n) { return static_cast<int>(next() % static_cast<std::uint64_t>(n)); }
  // lo .. hi inclusive; REQUIRES: lo <= hi.
  int between(int lo, int hi) { return lo + below(hi - lo + 1); }
  bool percent(int p) { return below(100) < p; }
  template <typename T>
  const T& pick(std::span<const T> items) {
    return items[static_cast<std::size_t>(below(static_cast<int>(items.size())))];
  }

 private:
  std::uint64_t state_;
};

// ---------------------------------------------------------------------------------------------
// Built-in lists

constexpr auto kLastNames = std::to_array<const char*>(
    {"Smith",    "Johnson",   "Williams",   "Brown",     "Jones",      "Garcia",    "Miller",
     "Davis",    "Rodriguez", "Martinez",   "Hernandez", "Lopez",      "Gonzalez",  "Wilson",
     "Anderson", "Thomas",    "Taylor",     "Moore",     "Jackson",    "Martin",    "Lee",
     "Perez",    "Thompson",  "White",      "Harris",    "Sanchez",    "Clark",     "Ramirez",
     "Lewis",    "Robinson",  "Walker",     "Young",     "Allen",      "King",      "Wright",
     "Scott",    "Torres",    "Nguyen",     "Hill",      "Flores",     "Green",     "Adams",
     "Nelson",   "Baker",     "Hall",       "Rivera",    "Campbell",   "Mitchell",  "Carter",
     "Roberts",  "Gomez",     "Phillips",   "Evans",     "Turner",     "Diaz",      "Parker",
     "Cruz",     "Edwards",   "Collins",    "Reyes",     "Stewart",    "Morris",    "Morales",
     "Murphy",   "Cook",      "Rogers",     "Gutierrez", "Ortiz",      "Morgan",    "Cooper",
     "Peterson", "Bailey",    "Reed",       "Kelly",     "Howard",     "Ramos",     "Kim",
     "Cox",      "Ward",      "Richardson", "Watson",    "Brooks",     "Chavez",    "Wood",
     "James",    "Bennett",   "Gray",       "Mendoza",   "Ruiz",       "Hughes",    "Price",
     "Alvarez",  "Castillo",  "Sanders",    "Patel",     "Myers",      "Long",      "Ross",
     "Foster",   "Jimenez",   "Powell",     "Jenkins",   "Perry",      "Russell",   "Sullivan",
     "Bell",     "Coleman",   "Butler",     "Henderson", "Barnes",     "Gonzales",  "Fisher",
     "Vasquez",  "Simmons",   "Romero",     "Jordan",    "Patterson",  "Alexander", "Hamilton",
     "Graham",   "Reynolds",  "Griffin",    "Wallace",   "Moreno",     "West",      "Cole",
     "Hayes",    "Bryant",    "Herrera",    "Gibson",    "Ellis",      "Tran",      "Medina",
     "Aguilar",  "Stevens",   "Murray",     "Ford",      "Castro",     "Marshall",  "Owens",
     "Harrison", "Fernandez", "McDonald",   "Woods",     "Washington", "Kennedy",   "Wells",
     "Vargas",   "Henry",     "Chen",       "Freeman",   "Webb",       "Tucker",    "Guzman",
     "Burns",    "Crawford",  "Olson",      "Simpson",   "Porter",     "Hunter",    "Gordon",
     "Mendez",   "Silva",     "Shaw",       "Snyder",    "Mason",      "Dixon",     "Munoz",
     "Hunt",     "Hicks",     "Holmes",     "Palmer",    "Wagner",     "Black",     "Robertson",
     "Boyd",     "Rose",      "Stone",      "Salazar",   "Fox",        "Warren",    "Mills",
     "Meyer",    "Rice",      "Schmidt",    "Garza",     "Daniels",    "Ferguson",  "Nichols",
     "Stephens", "Soto",      "Weaver",     "Ryan",      "Gardner",    "Payne",     "Grant",
     "Dunn",     "Kelley",    "Spencer",    "Hawkins",   "Arnold",     "Pierce",    "Hansen",
     "Larson",   "O'Brien",   "Yamamoto",   "Johansson"});

constexpr auto kMaleNames = std::to_array<const char*>(
    {"James",     "Robert",  "John",        "Michael",   "David",   "William", "Richard", "Joseph",
     "Thomas",    "Charles", "Christopher", "Daniel",    "Matthew", "Anthony", "Mark",    "Donald",
     "Steven",    "Paul",    "Andrew",      "Joshua",    "Kenneth", "Kevin",   "Brian",   "George",
     "Timothy",   "Ronald",  "Edward",      "Jason",     "Jeffrey", "Ryan",    "Jacob",   "Gary",
     "Nicholas",  "Eric",    "Jonathan",    "Stephen",   "Larry",   "Justin",  "Scott",   "Brandon",
     "Benjamin",  "Samuel",  "Gregory",     "Alexander", "Frank",   "Patrick", "Raymond", "Jack",
     "Dennis",    "Jerry",   "Tyler",       "Aaron",     "Jose",    "Adam",    "Nathan",  "Henry",
     "Douglas",   "Zachary", "Peter",       "Kyle",      "Ethan",   "Walter",  "Noah",    "Jeremy",
     "Christian", "Keith",   "Roger",       "Terry",     "Gerald",  "Harold",  "Sean",    "Austin",
     "Carl",      "Arthur",  "Lawrence",    "Dylan",     "Jesse",   "Jordan",  "Bryan",   "Billy",
     "Joe",       "Bruce",   "Gabriel",     "Logan",     "Albert",  "Willie",  "Alan",    "Juan",
     "Wayne",     "Elijah",  "Randy",       "Roy",       "Vincent", "Ralph",   "Eugene",  "Russell",
     "Bobby",     "Mason",   "Philip",      "Louis",     "Liam",    "Oliver",  "Lucas",   "Mateo",
     "Hiroshi",   "Minh",    "Rajesh",      "Luis",      "Carlos",  "Miguel"});

constexpr auto kFemaleNames = std::to_array<const char*>(
    {"Mary",      "Patricia", "Jennifer", "Linda",     "Elizabeth",  "Barbara",   "Susan",
     "Jessica",   "Sarah",    "Karen",    "Lisa",      "Nancy",      "Betty",     "Margaret",
     "Sandra",    "Ashley",   "Kimberly", "Emily",     "Donna",      "Michelle",  "Carol",
     "Amanda",    "Dorothy",  "Melissa",  "Deborah",   "Stephanie",  "Rebecca",   "Sharon",
     "Laura",     "Cynthia",  "Kathleen", "Amy",       "Angela",     "Shirley",   "Anna",
     "Brenda",    "Pamela",   "Emma",     "Nicole",    "Helen",      "Samantha",  "Katherine",
     "Christine", "Debra",    "Rachel",   "Carolyn",   "Janet",      "Catherine", "Maria",
     "Heather",   "Diane",    "Ruth",     "Julie",     "Olivia",     "Joyce",     "Virginia",
     "Victoria",  "Kelly",    "Lauren",   "Christina", "Joan",       "Evelyn",    "Judith",
     "Megan",     "Andrea",   "Cheryl",   "Hannah",    "Jacqueline", "Martha",    "Gloria",
     "Teresa",    "Ann",      "Sara",     "Madison",   "Frances",    "Kathryn",   "Janice",
     "Jean",      "Abigail",  "Alice",    "Julia",     "Judy",       "Sophia",    "Grace",
     "Denise",    "Amber",    "Doris",    "Marilyn",   "Danielle",   "Beverly",   "Isabella",
     "Theresa",   "Diana",    "Natalie",  "Brittany",  "Charlotte",  "Marie",     "Kayla",
     "Alexis",    "Lori",     "Ava",      "Mia",       "Chloe",      "Priya",     "Mei",
     "Yuki",      "Lucia",    "Sofia",    "Ingrid",    "Aisha"});

// Given names and the shorter names people go by.
constexpr auto kNicknames = std::to_array<std::pair<const char*, const char*>>({
    {"Robert", "Bob"},    {"William", "Bill"},      {"Elizabeth", "Liz"},  {"Katherine", "Kate"},
    {"James", "Jim"},     {"Richard", "Rick"},      {"Margaret", "Peggy"}, {"Michael", "Mike"},
    {"Jennifer", "Jen"},  {"Christopher", "Chris"}, {"Anthony", "Tony"},   {"Joseph", "Joe"},
    {"Thomas", "Tom"},    {"Daniel", "Dan"},        {"Matthew", "Matt"},   {"Patricia", "Pat"},
    {"Samantha", "Sam"},  {"Alexander", "Alex"},    {"Benjamin", "Ben"},   {"Nicholas", "Nick"},
    {"Victoria", "Tori"}, {"Rebecca", "Becky"},     {"Kimberly", "Kim"},   {"Deborah", "Deb"},
});

constexpr auto kStreetNames = std::to_array<const char*>(
    {"Maple",     "Oak",        "Cedar",    "Pine",       "Elm",       "Birch",   "Alder",
     "Madrona",   "Juniper",    "Willow",   "Spruce",     "Hemlock",   "Laurel",  "Holly",
     "Lakeview",  "Hillcrest",  "Ridgeway", "Meadow",     "Brookside", "Sunset",  "Highland",
     "Forest",    "Valley",     "Park",     "Main",       "Front",     "Union",   "Lincoln",
     "Jefferson", "Washington", "Franklin", "Adams",      "Rainier",   "Olympic", "Cascade",
     "Summit",    "Crestwood",  "Fairview", "Greenwood",  "Woodland",  "Bayview", "Harbor",
     "Riverside", "Northup",    "Bel-Red",  "Coal Creek", "Newport",   "Somerset"});
constexpr auto kStreetKinds =
    std::to_array<const char*>({"St", "Ave", "Rd", "Ln", "Dr", "Ct", "Way", "Pl", "Blvd"});
constexpr auto kDirections = std::to_array<const char*>({"NE", "SE", "NW", "SW"});

struct City {
  const char* name;
  const char* zip;
};
// Bellevue is listed several times: most patients live near the practice.
constexpr auto kCities = std::to_array<City>({
    {"Bellevue", "98004"},      {"Bellevue", "98005"},  {"Bellevue", "98006"},
    {"Bellevue", "98007"},      {"Bellevue", "98008"},  {"Bellevue", "98004"},
    {"Redmond", "98052"},       {"Redmond", "98053"},   {"Kirkland", "98033"},
    {"Kirkland", "98034"},      {"Issaquah", "98027"},  {"Issaquah", "98029"},
    {"Renton", "98056"},        {"Renton", "98059"},    {"Sammamish", "98074"},
    {"Sammamish", "98075"},     {"Bothell", "98011"},   {"Woodinville", "98072"},
    {"Mercer Island", "98040"}, {"Newcastle", "98059"},
});
constexpr const char* kState = "WA";

// ---------------------------------------------------------------------------------------------
// The practice

constexpr std::uint16_t kNoTime = RscUseRecord::kNoTime;
constexpr std::uint16_t kEight = 96;         // 8:00 in 5-minute units
constexpr std::uint16_t kNoon = 144;         // 12:00
constexpr std::uint16_t kOne = 156;          // 13:00
constexpr std::uint16_t kFive = 204;         // 17:00
constexpr std::uint16_t kTimeBlockCode = 2;  // 10 minutes
constexpr int kBlockUnits = kTimeBlockCode;  // 5-minute units of one block

// A week of hours, Sunday first: '-' off, 'F' 8:00-12:00 and 13:00-17:00, 'M' 8:00-12:00.
constexpr const char* kPracticeWeek = "-FFFFFM";

struct Period {
  int start;  // 5-minute units
  int end;
};
std::vector<Period> periodsOf(char day) {
  if (day == 'F') return {{kEight, kNoon}, {kOne, kFive}};
  if (day == 'M') return {{kEight, kNoon}};
  return {};
}

constexpr std::uint32_t rgb(std::uint32_t r, std::uint32_t g, std::uint32_t b) {
  return r | (g << 8) | (b << 16);
}

struct DemoProvider {
  const char* code;
  const char* last;
  const char* first;
  const char* initial;
  bool hygienist;
  bool active;
  std::uint32_t colour;
  const char* week;                        // as kPracticeWeek
  std::array<const char*, 2> operatories;  // nullptr = none
};
// Dr. Whitfield has retired: inactive, his old patients are still on file. The two hygienists
// share the two hygiene rooms.
constexpr std::array<DemoProvider, 5> kProviders = {{
    {"DDS1", "Harper", "Ellen", "R", false, true, rgb(70, 130, 180), "-FFFFF-", {"OP1", "OP2"}},
    {"DDS2", "Okafor", "Daniel", "T", false, true, rgb(205, 92, 92), "-FFFF-M", {"OP3", "OP4"}},
    {"HYG1", "Lindqvist", "Maria", "", true, true, rgb(60, 179, 113), "-FFFFF-", {"OP5", "OP6"}},
    {"HYG2", "Reyes", "Tanya", "L", true, true, rgb(218, 165, 32), "--FFFFM", {"OP6", "OP5"}},
    {"DDS3",
     "Whitfield",
     "George",
     "A",
     false,
     false,
     rgb(147, 112, 219),
     "-F-F---",
     {"OP1", "OP2"}},
}};

struct DemoStaff {
  const char* code;
  const char* last;
  const char* first;
};
constexpr std::array<DemoStaff, 2> kStaff = {{{"AST1", "Tran", "Kim"}, {"AST2", "Brooks", "Jada"}}};

struct DemoOperatory {
  const char* code;
  const char* description;
};
// Assignment numbers are the position + 1.
constexpr std::array<DemoOperatory, 6> kOperatories = {{{"OP1", "Main operatory"},
                                                        {"OP2", "Crown and bridge"},
                                                        {"OP3", "Surgery suite"},
                                                        {"OP4", "Endo room"},
                                                        {"OP5", "Hygiene east"},
                                                        {"OP6", "Hygiene west"}}};

struct DemoStatus {
  std::uint8_t number;
  const char* name;  // the lists and the Status menu show 6 characters
  char colourCode;   // '1' yellow, '2' green, '3' red, 'x' the number in colourText
  const char* colourText;
};
constexpr std::array<DemoStatus, 10> kStatuses = {{
    {1, "Here", '1', ""},
    {2, "Seated", '2', ""},
    {3, "Ready", 'x', "16744448"},  // (0, 128, 255)
    {4, "Conf", 'x', "16711808"},   // (128, 0, 255)
    {5, "L/Msg", '1', ""},
    {6, "Late", '3', ""},
    {7, "W/Out", '3', ""},
    {8, "NoShow", '3', ""},
    {9, "Emerg", '3', ""},
    {10, "Lab In", 'x', "40960"},  // (0, 160, 0)
}};
constexpr std::uint8_t kStatusHere = 1;
constexpr std::uint8_t kStatusSeated = 2;
constexpr std::uint8_t kStatusReady = 3;
constexpr std::uint8_t kStatusConfirm = 4;
constexpr std::uint8_t kStatusLeftMessage = 5;

// The time blocks of the demo's providers: reserved periods of given weekdays in one operatory,
// for one appointment type. They are stored through the block command, so they pass the same
// rules as blocks kept by hand; the planner keeps other appointments out of them, so the rules
// never have to ask about them while the demo books.
struct DemoBlock {
  const char* provider;
  const char* name;
  const char* operatory;
  int type;          // position in the type list; 0 = every type
  const char* days;  // Sunday first: 'x' = the block applies
  int start;         // 5-minute units
  int end;
};

// The office closes on one weekday about two weeks ahead, and a hygienist takes three days off
// the week after; both are chosen relative to "today" so that every demo shows them.
constexpr int kClosedDayOffset = 12;  // the first Friday at least this many days after today
constexpr int kVacationOffset = 15;   // the first Monday at least this many days after today
constexpr int kVacationDays = 3;
constexpr const char* kVacationProvider = "HYG1";

// Appointment types, numbered from 1 in this order (the appointment stores the number).
constexpr std::array<const char*, 10> kTypes = {"Exam",        "Cleaning",   "Crown",   "Filling",
                                                "Root Canal",  "Extraction", "Consult", "Emergency",
                                                "Perio Maint", "Denture"};
enum TypeNumber : std::uint8_t {
  kTypeExam = 1,
  kTypeCleaning,
  kTypeCrown,
  kTypeFilling,
  kTypeRootCanal,
  kTypeExtraction,
  kTypeConsult,
  kTypeEmergency,
  kTypePerio,
  kTypeDenture,
};

constexpr std::array<DemoBlock, 3> kBlocks = {{
    {"DDS1", "Emergency", "OP1", kTypeEmergency, "-xxxxx-", 96, 102},  // 8:00-8:30
    {"DDS2", "New patients", "OP3", kTypeExam, "--x-x--", 156, 168},   // 13:00-14:00
    {"HYG1", "Perio", "OP5", kTypePerio, "-----x-", 96, 120},          // 8:00-10:00
}};

// Flag labels by number (1-12); nullptr = no definition, the dialog hides that box.
constexpr std::array<const char*, 12> kFlagLabels = {
    "Premed",  "Wheelchair",  "Spanish", "Insurance verified", "X-rays due", "Lab case due",
    "Nitrous", "Balance due", nullptr,   "Sedation",           nullptr,      nullptr};
// Bit i of the appointment's flags is flag number i + 1.
constexpr std::size_t kFlagPremed = 0;
constexpr std::size_t kFlagWheelchair = 1;
constexpr std::size_t kFlagSpanish = 2;
constexpr std::size_t kFlagInsurance = 3;
constexpr std::size_t kFlagXrays = 4;
constexpr std::size_t kFlagLabCase = 5;
constexpr std::size_t kFlagNitrous = 6;
constexpr std::size_t kFlagBalance = 7;

struct VisitKind {
  std::uint8_t type;
  bool hygiene;  // booked with a hygienist, else with a dentist
  bool adultsOnly;
  int weight;
  int minBlocks;  // length in 10-minute blocks
  int maxBlocks;
  int minDollars;
  int maxDollars;
  bool tooth;     // the description names a tooth
  bool assisted;  // usually with a staff member
  std::array<const char*, 3> descriptions;
};
constexpr std::array<VisitKind, 11> kVisits = {{
    {kTypeExam,
     false,
     false,
     14,
     2,
     4,
     65,
     140,
     false,
     false,
     {"Periodic exam", "Comp exam, FMX", "Exam, BWX"}},
    {kTypeFilling, false, false, 22, 3, 6, 150, 320, true, false, {"MOD", "DO", "Composite"}},
    {kTypeCrown,
     false,
     true,
     10,
     8,
     9,
     1050,
     1350,
     true,
     true,
     {"Crown prep", "Crown prep", "Bridge prep"}},
    {kTypeCrown,
     false,
     true,
     8,
     3,
     4,
     0,
     0,
     true,
     false,
     {"Crown seat", "Crown seat", "Temp recement"}},
    {kTypeRootCanal, false, true, 6, 6, 9, 850, 1200, true, true, {"RCT", "RCT", "Retreat RCT"}},
    {kTypeExtraction, false, false, 6, 3, 6, 180, 420, true, true, {"Ext", "Surgical ext", "Ext"}},
    {kTypeConsult,
     false,
     true,
     5,
     2,
     3,
     0,
     90,
     false,
     false,
     {"Consult implant", "Consult ortho", "Consult veneers"}},
    {kTypeEmergency,
     false,
     false,
     5,
     2,
     4,
     95,
     180,
     false,
     false,
     {"Emergency - pain", "Broken tooth", "Lost filling"}},
    {kTypeDenture,
     false,
     true,
     3,
     3,
     6,
     150,
     1800,
     false,
     true,
     {"Denture try-in", "Denture delivery", "Denture adjust"}},
    {kTypeCleaning,
     true,
     false,
     30,
     4,
     6,
     95,
     185,
     false,
     false,
     {"Exam, Prophy", "Prophy, BWX", "Prophy, Fl"}},
    {kTypePerio,
     true,
     true,
     10,
     6,
     9,
     160,
     340,
     false,
     false,
     {"Perio maint", "SRP UR/LR", "SRP UL/LL"}},
}};

// ---------------------------------------------------------------------------------------------
// The plan

struct PlannedPatient {
  std::string last;
  std::string first;
  std::string initial;
  std::string preferred;
  std::string title;
  std::string chart;
  std::string ssn;
  std::string provider;
  std::string secondProvider;
  std::uint8_t status = PatientRecord::kPatient;
  std::uint8_t relation = PatientRecord::kSingle;
  bool guarantor = false;
  bool wheelchair = false;
  PackedDate birth = kNoDate;
  std::array<std::uint8_t, 8> alerts{};
  int household = 0;
  PackedDate lastVisit = kNoDate;
  std::uint16_t broken = 0;
  PackedDate lastBroken = kNoDate;
  std::uint32_t id = 0;  // once written
};

struct PlannedHousehold {
  AddressRecord address;
  bool phonePrivate = false;
  bool spanish = false;
  std::vector<int> members;  // patient indices, the guarantor first
  int guarantorAge = 0;
};

struct PlannedNewPerson {
  std::string last;
  std::string first;
  AddressRecord address;
};

struct PlannedAppointment {
  AppointmentRecord record;
  int patient = -1;    // index of the patient; -1 for a new person
  int newPerson = -1;  // index of the new person
};

struct Plan {
  std::vector<PlannedHousehold> households;
  std::vector<PlannedPatient> patients;
  std::vector<PlannedNewPerson> newPeople;
  std::vector<PlannedAppointment> dated;
  std::vector<PlannedAppointment> undated;
};

constexpr int kDaysPerYear = 365;

// Age in whole years at `today` of someone born on `birth` (approximate: 365.25-day years).
int ageAt(PackedDate birth, PackedDate today) {
  return static_cast<int>((static_cast<std::int64_t>(today) - birth) * 4 / (kDaysPerYear * 4 + 1));
}
// A birthday `years` whole years ago and up to a year more; never today.
PackedDate bornYearsAgo(DemoRandom& random, PackedDate today, int years) {
  const int days = years * kDaysPerYear + years / 4 + 1 + random.below(kDaysPerYear - 1);
  return today - static_cast<PackedDate>(days);
}

// The first date on or after `from` that falls on `weekDay` (1 = Sunday).
PackedDate firstOnOrAfter(PackedDate from, int weekDay) {
  PackedDate d = from;
  while (QRX_WeekDayOf(d) != weekDay) ++d;
  return d;
}
constexpr int kFriday = 6;
constexpr int kMonday = 2;
PackedDate closedDateOf(PackedDate today) {
  return firstOnOrAfter(today + kClosedDayOffset, kFriday);
}
PackedDate vacationStartOf(PackedDate today) {
  return firstOnOrAfter(today + kVacationOffset, kMonday);
}
bool onVacation(const char* provider, PackedDate date, PackedDate today) {
  const PackedDate first = vacationStartOf(today);
  return std::string_view(provider) == kVacationProvider && date >= first &&
         date < first + kVacationDays;
}

class Planner {
 public:
  explicit Planner(const DemoOptions& options) : options_(options), random_(options.seed) {}

  Plan make() {
    for (int h = 0; h < options_.households; ++h) planHousehold();
    topUpPatients();
    for (PlannedPatient& p : plan_.patients) {
      if (p.status == PatientRecord::kPatient) {
        (ageAt(p.birth, options_.today) < 14 ? children_ : adults_)
            .push_back(static_cast<int>(&p - plan_.patients.data()));
      }
    }
    for (int d = -30; d < 30; ++d) planDay(options_.today + static_cast<PackedDate>(d));
    std::stable_sort(plan_.dated.begin(), plan_.dated.end(),
                     [](const PlannedAppointment& a, const PlannedAppointment& b) {
                       const auto key = [](const AppointmentRecord& r) {
                         return std::make_tuple(r.date(), r.startHour(), r.startMinute(),
                                                r.operatoryCode());
                       };
                       return key(a.record) < key(b.record);
                     });
    for (int u = 0; u < options_.undated; ++u) planUndated();
    finishPatients();
    return std::move(plan_);
  }

 private:
  // --- people

  std::string lastName() { return random_.pick(std::span<const char* const>(kLastNames)); }
  std::string firstName(bool male) {
    return male ? random_.pick(std::span<const char* const>(kMaleNames))
                : random_.pick(std::span<const char* const>(kFemaleNames));
  }

  AddressRecord address() {
    AddressRecord a;
    std::string street = std::to_string(random_.between(100, 19999)) + " ";
    if (random_.percent(45)) {
      street += std::string(random_.pick(std::span<const char* const>(kDirections))) + " " +
                ordinal(random_.between(1, 180)) + " ";
      street += random_.percent(50) ? "St" : "Ave";
    } else {
      street += std::string(random_.pick(std::span<const char* const>(kStreetNames))) + " " +
                random_.pick(std::span<const char* const>(kStreetKinds));
    }
    a.setStreet1(street);
    if (random_.percent(12)) a.setStreet2("Apt " + std::to_string(random_.between(1, 420)));
    const City& city = random_.pick(std::span<const City>(kCities));
    a.setCity(city.name);
    a.setState(kState);
    a.setZip(city.zip);
    a.setPhone(uniquePhone());
    return a;
  }
  static std::string ordinal(int n) {
    const char* suffix = "th";
    if (n % 100 < 11 || n % 100 > 13) {
      if (n % 10 == 1) suffix = "st";
      if (n % 10 == 2) suffix = "nd";
      if (n % 10 == 3) suffix = "rd";
    }
    return std::to_string(n) + suffix;
  }
  // Ten digits in the 555 exchange, which is kept for fiction; each household its own.
  std::string uniquePhone() {
    for (;;) {
      const char* area = random_.percent(70) ? "425" : "206";
      char digits[16];
      std::snprintf(digits, sizeof digits, "%s555%04d", area, random_.below(10000));
      if (phones_.insert(digits).second) return digits;
    }
  }

  std::string chartFor(const std::string& last) {
    std::string chart;
    for (const char c : last) {
      if (chart.size() == 3) break;
      if (std::isalpha(static_cast<unsigned char>(c)) != 0) {
        chart += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
      }
    }
    while (chart.size() < 3) chart += 'X';
    return chart + std::to_string(1000 + (nextChart_++ % 9000));
  }

  // Area numbers from 900 are never given as social security numbers: safe for made-up data.
  std::string ssn() {
    char digits[16];
    std::snprintf(digits, sizeof digits, "9%02d%02d%04d", random_.below(100),
                  random_.between(1, 99), random_.between(1, 9999));
    return digits;
  }

  int addPatient(PlannedHousehold& household, int householdIndex, const std::string& last,
                 bool male, int age, std::uint8_t relation, bool guarantor) {
    PlannedPatient p;
    p.last = last;
    p.first = firstName(male);
    if (random_.percent(60)) p.initial = std::string(1, static_cast<char>('A' + random_.below(26)));
    for (const auto& [given, nick] : kNicknames) {
      if (p.first == given && random_.percent(40)) p.preferred = nick;
    }
    p.birth = bornYearsAgo(random_, options_.today, age);
    p.relation = relation;
    p.guarantor = guarantor;
    p.household = householdIndex;
    p.chart = chartFor(last);
    if (random_.percent(age >= 18 ? 65 : 30)) p.ssn = ssn();
    if (age >= 30 && random_.percent(2)) p.title = random_.percent(70) ? "Dr." : "Rev.";
    if (random_.percent(age >= 40 ? 12 : 4)) {
      p.alerts[static_cast<std::size_t>(random_.below(8))] = 1;
      if (random_.percent(30)) p.alerts[static_cast<std::size_t>(random_.below(8))] = 1;
    }
    p.wheelchair = age >= 75 && random_.percent(20);
    plan_.patients.push_back(std::move(p));
    const int index = static_cast<int>(plan_.patients.size()) - 1;
    household.members.push_back(index);
    return index;
  }

  void planHousehold() {
    const int index = static_cast<int>(plan_.households.size());
    plan_.households.emplace_back();
    PlannedHousehold& h = plan_.households.back();
    h.address = address();
    h.phonePrivate = random_.percent(4);
    h.spanish = random_.percent(6);
    const std::string last = lastName();
    const bool guarantorMale = random_.percent(50);

    const int shape = random_.below(100);
    if (shape < 25) {  // someone living alone
      h.guarantorAge = random_.between(18, 90);
      addPatient(h, index, last, guarantorMale, h.guarantorAge, PatientRecord::kSingle, true);
    } else if (shape < 50) {  // a couple
      h.guarantorAge = random_.between(22, 85);
      addPatient(h, index, last, guarantorMale, h.guarantorAge, PatientRecord::kSingle, true);
      addSpouse(h, index, last, guarantorMale);
    } else if (shape < 85) {  // a family
      h.guarantorAge = random_.between(26, 55);
      addPatient(h, index, last, guarantorMale, h.guarantorAge, PatientRecord::kSingle, true);
      addSpouse(h, index, last, guarantorMale);
      const int children = random_.between(1, 4);
      for (int c = 0; c < children; ++c) addChild(h, index, last);
    } else {  // one parent with children
      h.guarantorAge = random_.between(24, 55);
      addPatient(h, index, last, guarantorMale, h.guarantorAge, PatientRecord::kSingle, true);
      const int children = random_.between(1, 3);
      for (int c = 0; c < children; ++c) addChild(h, index, last);
    }
    setHouseholdStatus(h);
  }
  void addSpouse(PlannedHousehold& h, int index, const std::string& last, bool guarantorMale) {
    const int age = std::max(18, h.guarantorAge + random_.between(-8, 8));
    addPatient(h, index, last, random_.percent(92) ? !guarantorMale : guarantorMale, age,
               PatientRecord::kSpouse, false);
  }
  // A child born when the guarantor was 18 to 45, and not older than 24 now. Both birthdays
  // fall anywhere in their year, so a child is kept 19 whole years younger: 18 at least.
  bool addChild(PlannedHousehold& h, int index, const std::string& last) {
    const int youngest = std::max(0, h.guarantorAge - 45);
    const int oldest = std::min(24, h.guarantorAge - 19);
    if (oldest < youngest) return false;
    addPatient(h, index, last, random_.percent(50), random_.between(youngest, oldest),
               PatientRecord::kChild, false);
    return true;
  }

  void setHouseholdStatus(PlannedHousehold& h) {
    // Whose patients the household is: mostly the two working dentists, some still on file
    // under the retired one.
    const int who = random_.below(100);
    const char* dentist = who < 50 ? "DDS1" : (who < 90 ? "DDS2" : "DDS3");
    const char* hygienist = random_.percent(55) ? "HYG1" : "HYG2";
    std::uint8_t status = PatientRecord::kPatient;
    const int s = random_.below(100);
    if (std::string_view(dentist) == "DDS3") {
      status = s < 45 ? PatientRecord::kInactive
                      : (s < 70 ? PatientRecord::kArchived : PatientRecord::kPatient);
      if (status == PatientRecord::kPatient) dentist = "DDS1";
    } else if (s < 6) {
      status = PatientRecord::kInactive;
    } else if (s < 9) {
      status = PatientRecord::kArchived;
    }
    for (const int m : h.members) {
      PlannedPatient& p = plan_.patients[static_cast<std::size_t>(m)];
      p.status = status;
      p.provider = dentist;
      if (random_.percent(60)) p.secondProvider = hygienist;
      if (status == PatientRecord::kPatient && random_.percent(2)) {
        p.status = PatientRecord::kInactive;
      }
    }
    // A parent who pays for the children but is seen by another practice.
    if (status == PatientRecord::kPatient && h.members.size() > 2 && random_.percent(10)) {
      plan_.patients[static_cast<std::size_t>(h.members.front())].status =
          PatientRecord::kNonPatient;
    }
  }

  void topUpPatients() {
    for (std::size_t h = 0;
         static_cast<int>(plan_.patients.size()) < options_.minimumPatients && h < 1000000; ++h) {
      if (plan_.households.empty()) return;
      const std::size_t at = h % plan_.households.size();
      PlannedHousehold& household = plan_.households[at];
      const std::string last =
          plan_.patients[static_cast<std::size_t>(household.members.front())].last;
      if (addChild(household, static_cast<int>(at), last)) {
        PlannedPatient& child = plan_.patients.back();
        const PlannedPatient& guarantor =
            plan_.patients[static_cast<std::size_t>(household.members.front())];
        child.status = guarantor.status == PatientRecord::kNonPatient ? PatientRecord::kPatient
                                                                      : guarantor.status;
        child.provider = guarantor.provider;
      }
    }
  }

  // --- appointments

  struct Booking {
    int start;  // 5-minute units
    int end;
  };
  static bool overlaps(const std::vector<Booking>& list, int start, int end) {
    for (const Booking& b : list) {
      if (start < b.end && b.start < end) return true;
    }
    return false;
  }

  static bool holiday(PackedDate date) {
    std::int16_t year = 0;
    std::int16_t month = 0;
    std::int16_t day = 0;
    if (QRX_DateOut(date, &year, &month, &day) == 0) return true;
    return (month == 1 && day == 1) || (month == 7 && day == 4) || (month == 12 && day == 25);
  }

  const VisitKind& pickVisit() {
    int total = 0;
    for (const VisitKind& v : kVisits) total += v.weight;
    int r = random_.below(total);
    for (const VisitKind& v : kVisits) {
      if (r < v.weight) return v;
      r -= v.weight;
    }
    return kVisits.front();
  }

  // A patient for the visit who has no other appointment that day; -1 when none is found.
  int pickPatient(const VisitKind& visit, const std::set<int>& bookedToday) {
    for (int tries = 0; tries < 20; ++tries) {
      const bool child = !visit.adultsOnly && !children_.empty() && random_.percent(25);
      const std::vector<int>& pool = child ? children_ : adults_;
      if (pool.empty()) continue;
      const int p = pool[static_cast<std::size_t>(random_.below(static_cast<int>(pool.size())))];
      if (bookedToday.count(p) == 0) return p;
    }
    return -1;
  }

  void planDay(PackedDate date) {
    const int weekDay = QRX_WeekDayOf(date);
    if (weekDay < 1 || holiday(date) || date == closedDateOf(options_.today)) return;
    const auto day = static_cast<std::size_t>(weekDay - 1);
    if (periodsOf(kPracticeWeek[day]).empty()) return;

    const bool saturday = kPracticeWeek[day] == 'M';
    const int target = saturday ? random_.between(6, 10) : random_.between(15, 25);
    std::map<std::string, std::vector<Booking>> byOperatory;
    std::array<std::vector<Booking>, kProviders.size()> byProvider;
    std::set<int> bookedToday;
    // A block keeps its provider and its operatory free for the visits it is meant for.
    for (const DemoBlock& b : kBlocks) {
      if (b.days[day] != 'x') continue;
      byOperatory[b.operatory].push_back({b.start, b.end});
      for (std::size_t i = 0; i < kProviders.size(); ++i) {
        if (std::string_view(kProviders[i].code) == b.provider) {
          byProvider[i].push_back({b.start, b.end});
        }
      }
    }

    int placed = 0;
    for (int attempt = 0; placed < target && attempt < target * 30; ++attempt) {
      const VisitKind& visit = pickVisit();
      std::vector<std::size_t> working;
      for (std::size_t i = 0; i < kProviders.size(); ++i) {
        const DemoProvider& p = kProviders[i];
        if (p.active && p.hygienist == visit.hygiene && p.week[day] != '-' &&
            !onVacation(p.code, date, options_.today)) {
          working.push_back(i);
        }
      }
      if (working.empty()) continue;
      const std::size_t who =
          working[static_cast<std::size_t>(random_.below(static_cast<int>(working.size())))];
      const DemoProvider& provider = kProviders[who];
      const std::vector<Period> periods = periodsOf(provider.week[day]);
      const Period& period =
          periods[static_cast<std::size_t>(random_.below(static_cast<int>(periods.size())))];
      const int blocks = random_.between(visit.minBlocks, visit.maxBlocks);
      const int units = blocks * kBlockUnits;
      const int slots = (period.end - period.start - units) / kBlockUnits;
      if (slots < 0) continue;
      const int start = period.start + random_.between(0, slots) * kBlockUnits;
      const int end = start + units;
      int operatoryCount = provider.operatories[1] == nullptr ? 1 : 2;
      const char* operatory =
          provider.operatories[static_cast<std::size_t>(random_.below(operatoryCount))];
      if (overlaps(byProvider[who], start, end) || overlaps(byOperatory[operatory], start, end)) {
        continue;
      }

      PlannedAppointment a;
      const bool newPerson =
          date >= options_.today &&
          (visit.type == kTypeExam || visit.type == kTypeConsult || visit.type == kTypeEmergency) &&
          random_.percent(10);
      if (newPerson) {
        a.newPerson = planNewPerson();
      } else {
        a.patient = pickPatient(visit, bookedToday);
        if (a.patient < 0) continue;
        bookedToday.insert(a.patient);
      }
      byProvider[who].push_back({start, end});
      byOperatory[operatory].push_back({start, end});
      fillAppointment(a, visit, provider.code, blocks);
      AppointmentRecord& r = a.record;
      r.setUnitSize(kTimeBlockCode);
      r.schedule(date, operatory, static_cast<std::uint8_t>(start / 12),
                 static_cast<std::uint8_t>(start % 12 * 5));
      if (visit.assisted && random_.percent(60)) {
        r.setStaff(kStaff[static_cast<std::size_t>(random_.below(2))].code);
      }
      setDatedStatus(r, date, start);
      plan_.dated.push_back(std::move(a));
      ++placed;
    }
  }

  int planNewPerson() {
    PlannedNewPerson n;
    n.last = lastName();
    n.first = firstName(random_.percent(50));
    n.address = address();
    plan_.newPeople.push_back(std::move(n));
    return static_cast<int>(plan_.newPeople.size()) - 1;
  }

  // Everything but the place and the status.
  void fillAppointment(PlannedAppointment& a, const VisitKind& visit, const char* provider,
                       int blocks) {
    AppointmentRecord& r = a.record;
    r.setProvider(provider);
    const PlannedPatient* patient =
        a.patient >= 0 ? &plan_.patients[static_cast<std::size_t>(a.patient)] : nullptr;
    const bool child = patient != nullptr && ageAt(patient->birth, options_.today) < 14;
    char name[AppointmentRecord::kName.width];
    char phone[AppointmentRecord::kPhone.width];
    if (patient != nullptr) {
      QRX_PackName(name, sizeof name, patient->last, patient->first, patient->initial, 31);
      const PlannedHousehold& h = plan_.households[static_cast<std::size_t>(patient->household)];
      std::snprintf(phone, sizeof phone, "%s", h.address.phone().c_str());
    } else {
      const PlannedNewPerson& n = plan_.newPeople[static_cast<std::size_t>(a.newPerson)];
      QRX_PackName(name, sizeof name, n.last, n.first, "", 31);
      std::snprintf(phone, sizeof phone, "%s", n.address.phone().c_str());
    }
    r.setName(name);
    r.setPhone(phone);
    r.setLength(static_cast<std::int16_t>(blocks * 10));
    for (int k = 0; k < blocks && k < static_cast<int>(AppointmentRecord::kPatternSlots); ++k) {
      r.setPatternSlot(static_cast<std::size_t>(k), AppointmentRecord::kProviderTime);
    }
    const int dollars =
        visit.maxDollars == 0 ? 0 : random_.between(visit.minDollars, visit.maxDollars) / 5 * 5;
    r.setAmount(static_cast<std::uint32_t>(dollars) * 100u);
    r.setAmountSetByHand(true);
    r.setType(visit.type);

    std::string description = visit.descriptions[static_cast<std::size_t>(random_.below(3))];
    if (patient == nullptr && visit.type == kTypeExam) description = "New patient exam";
    if (child && visit.type == kTypeCleaning) description = "Child prophy, Fl";
    if (visit.tooth) {
      description += child ? std::string(" #") + static_cast<char>('A' + random_.below(20))
                           : " #" + std::to_string(random_.between(1, 32));
    }
    r.setDescription(description);

    const int kind = random_.below(100);
    r.setScheduleKind(kind < 90
                          ? AppointmentRecord::kFixed
                          : (kind < 96 ? AppointmentRecord::kOpen : AppointmentRecord::kAsap));

    if (patient != nullptr) {
      if (patient->alerts != std::array<std::uint8_t, 8>{} && random_.percent(50)) {
        r.setFlag(kFlagPremed, true);
      }
      if (patient->wheelchair) r.setFlag(kFlagWheelchair, true);
      if (plan_.households[static_cast<std::size_t>(patient->household)].spanish) {
        r.setFlag(kFlagSpanish, true);
      }
      if (random_.percent(8)) r.setFlag(kFlagBalance, true);
    }
    if (random_.percent(70)) r.setFlag(kFlagInsurance, true);
    if ((visit.type == kTypeExam || visit.type == kTypeCleaning) && random_.percent(15)) {
      r.setFlag(kFlagXrays, true);
    }
    if (visit.type == kTypeCrown && visit.maxDollars == 0) r.setFlag(kFlagLabCase, true);
    if ((visit.type == kTypeRootCanal || visit.type == kTypeExtraction) && random_.percent(25)) {
      r.setFlag(kFlagNitrous, true);
    }
  }

  void setDatedStatus(AppointmentRecord& r, PackedDate date, int start) {
    const int s = random_.below(100);
    std::uint8_t status = 0;
    if (date < options_.today) {
      status = s < 88 ? AppointmentRecord::kStatusComplete
                      : (s < 98 ? AppointmentRecord::kStatusBroken : 0);
    } else if (date == options_.today) {
      if (start < kNoon) {
        status = s < 60 ? AppointmentRecord::kStatusComplete
                        : (s < 75 ? kStatusSeated : (s < 90 ? kStatusReady : kStatusHere));
      } else {
        status = s < 50 ? kStatusConfirm : 0;
      }
    } else {
      status = s < 70 ? 0 : (s < 90 ? kStatusConfirm : kStatusLeftMessage);
    }
    r.setStatus(status);
    if (date <= options_.today && status != 0) r.setLastChange(date);
  }

  void planUndated() {
    const VisitKind& visit = pickVisit();
    std::vector<const DemoProvider*> candidates;
    for (const DemoProvider& p : kProviders) {
      if (p.active && p.hygienist == visit.hygiene) candidates.push_back(&p);
    }
    PlannedAppointment a;
    a.patient = pickPatient(visit, {});
    if (a.patient < 0 || candidates.empty()) return;
    const DemoProvider& provider =
        *candidates[static_cast<std::size_t>(random_.below(static_cast<int>(candidates.size())))];
    const int blocks = random_.between(visit.minBlocks, visit.maxBlocks);
    fillAppointment(a, visit, provider.code, blocks);
    AppointmentRecord& r = a.record;
    r.setUnitSize(kTimeBlockCode);
    r.unschedule();
    r.setScheduleKind(AppointmentRecord::kFixed);
    r.setStatus(AppointmentRecord::kStatusWillCall);
    r.setListDate(options_.today - static_cast<PackedDate>(random_.between(1, 60)));
    r.setLastChange(r.listDate());
    plan_.undated.push_back(std::move(a));
  }

  // Last visits and broken appointments from the plan; a last visit further back for those who
  // did not come in the 30 days before today.
  void finishPatients() {
    for (const PlannedAppointment& a : plan_.dated) {
      if (a.patient < 0) continue;
      PlannedPatient& p = plan_.patients[static_cast<std::size_t>(a.patient)];
      const AppointmentRecord& r = a.record;
      if (r.status() == AppointmentRecord::kStatusComplete) {
        p.lastVisit = std::max(p.lastVisit, r.date());
      } else if (r.status() == AppointmentRecord::kStatusBroken) {
        ++p.broken;
        p.lastBroken = std::max(p.lastBroken, r.date());
      }
    }
    for (PlannedPatient& p : plan_.patients) {
      if (p.lastVisit != kNoDate) continue;
      int back = 0;
      switch (p.status) {
        case PatientRecord::kPatient:
          back = random_.between(45, 700);
          break;
        case PatientRecord::kInactive:
          back = random_.between(800, 2500);
          break;
        case PatientRecord::kArchived:
          back = random_.between(2000, 5000);
          break;
        default:
          break;
      }
      if (back > 0) p.lastVisit = std::max(p.birth, options_.today - static_cast<PackedDate>(back));
    }
  }

  const DemoOptions& options_;
  DemoRandom random_;
  Plan plan_;
  std::set<std::string> phones_;
  int nextChart_ = 0;
  std::vector<int> adults_;
  std::vector<int> children_;
};

// ---------------------------------------------------------------------------------------------
// Writing

std::string dbError(QdbSession session) {
  return "database error " + std::to_string(QDB_GetLastErrorNum(session)) + " (file " +
         std::to_string(QDB_GetLastFileNum(session)) + ")";
}

// The demo's session and its open files. Every write is its own durable transaction: the
// engine offers no wider one.
class Writer {
 public:
  Writer() = default;
  ~Writer() {
    if (session_ != 0) QDB_EndSession(session_);
  }
  Writer(const Writer&) = delete;
  Writer& operator=(const Writer&) = delete;

  int start(std::string* why) {
    session_ = QDB_StartSession(1);
    if (session_ == 0) return fail(QDB_GetLastErrorNum(0), "starting a database session", why);
    for (const int file : {kResourceFile, kRscUseFile, kDefinitionFile, kAddressFile, kPatientFile,
                           kAppointmentFile}) {
      const QdbHandle h = QDB_OpenFile(session_, file);
      if (h == 0) {
        return fail(QDB_GetLastErrorNum(session_),
                    "opening file " + std::to_string(file) + ": " + dbError(session_), why);
      }
      files_[file] = h;
    }
    return 0;
  }

  // Adds a record (whose identifier, if the file gives one, is written back into it).
  template <typename R>
  int add(int file, R& record, const std::string& what, std::string* why) {
    if (QDB_AddRec(files_[file], record.data(), record.size()) == 0) {
      return fail(QDB_GetLastErrorNum(session_), "adding " + what + ": " + dbError(session_), why);
    }
    return 0;
  }
  // Rewrites the record just added to `file`.
  template <typename R>
  int rewriteCurrent(int file, const R& record, const std::string& what, std::string* why) {
    if (QDB_WriteRec(files_[file], record.data(), record.size()) == 0) {
      return fail(QDB_GetLastErrorNum(session_), "writing " + what + ": " + dbError(session_), why);
    }
    return 0;
  }

 private:
  static int fail(int error, const std::string& text, std::string* why) {
    if (why != nullptr) *why = text;
    return error == 0 ? kQdbIoError : error;
  }

  QdbSession session_ = 0;
  std::map<int, QdbHandle> files_;
};

int writeResources(Writer& w, DemoSummary* summary, std::string* why) {
  // The practice record goes first: its key is unique, so it also claims the database for this
  // demo against another one started at the same moment.
  PracticeRecord practice = PracticeRecord::blank();
  practice.setName("Maple Grove Family Dental");
  practice.setCity("Bellevue");
  practice.setState(kState);
  practice.setZip("98004");
  practice.setStreet("1450 Maple Grove Blvd NE");
  practice.setPhone("4255550142");
  int r = w.add(kResourceFile, practice, "the practice record", why);
  if (r == kQdbDuplicateKey) {
    if (why != nullptr) {
      *why = "the database already holds a practice record (another demo may be running)";
    }
    return kDemoNotEmpty;
  }
  if (r != 0) return r;

  RscUseRecord schedule = RscUseRecord::withKey(RscUseRecord::kPractice, rec::kPracticeCode, 0);
  for (std::size_t day = 0; day < RscUseRecord::kDays; ++day) {
    const std::vector<Period> periods = periodsOf(kPracticeWeek[day]);
    for (std::size_t p = 0; p < RscUseRecord::kPeriods; ++p) {
      if (p < periods.size()) {
        schedule.setDefaultPeriod(day, p, static_cast<std::uint16_t>(periods[p].start),
                                  static_cast<std::uint16_t>(periods[p].end));
      } else {
        schedule.setDefaultPeriod(day, p, kNoTime, kNoTime);
      }
    }
  }
  schedule.setTimeBlockCode(kTimeBlockCode);
  schedule.setHoliday(0, {1, 1, 0, 2});
  schedule.setHoliday(1, {7, 4, 0, 2});
  schedule.setHoliday(2, {12, 25, 0, 2});
  if ((r = w.add(kRscUseFile, schedule, "the practice schedule", why)) != 0) return r;

  for (const DemoProvider& p : kProviders) {
    ProviderRecord provider;
    provider.setKey(rec::kKindProvider, p.code);
    provider.setLastName(p.last);
    provider.setFirstName(p.first);
    provider.setMiddleInitial(p.initial);
    provider.setLeftOut(p.active ? 0 : 1);
    for (const char* op : p.operatories) {
      for (std::size_t i = 0; op != nullptr && i < kOperatories.size(); ++i) {
        if (std::string_view(kOperatories[i].code) == op)
          provider.setOperatoryAssigned(i + 1, true);
      }
    }
    if ((r = w.add(kResourceFile, provider, std::string("provider ") + p.code, why)) != 0) return r;

    RscUseRecord hours = RscUseRecord::withKey(RscUseRecord::kProvider, p.code, 0);
    hours.setColour(p.colour);
    for (std::size_t day = 0; day < RscUseRecord::kDays; ++day) {
      const std::vector<Period> periods = periodsOf(p.week[day]);
      for (std::size_t q = 0; q < RscUseRecord::kPeriods; ++q) {
        if (q < periods.size()) {
          hours.setDefaultPeriod(day, q, static_cast<std::uint16_t>(periods[q].start),
                                 static_cast<std::uint16_t>(periods[q].end));
        } else {
          hours.setDefaultPeriod(day, q, kNoTime, kNoTime);
        }
      }
      // No time blocks: every block is off on every day.
      for (std::size_t b = 0; b < RscUseRecord::kBlocks; ++b) {
        hours.setBlockTimes(day, b, kNoTime, kNoTime);
      }
    }
    if ((r = w.add(kRscUseFile, hours, std::string("the schedule of ") + p.code, why)) != 0) {
      return r;
    }
    ++summary->providers;
    if (!p.active) ++summary->inactiveProviders;
  }

  for (const DemoStaff& s : kStaff) {
    ProviderRecord staff;
    staff.setKey(rec::kKindStaff, s.code);
    staff.setLastName(s.last);
    staff.setFirstName(s.first);
    if ((r = w.add(kResourceFile, staff, std::string("staff member ") + s.code, why)) != 0) {
      return r;
    }
    ++summary->staff;
  }

  for (std::size_t i = 0; i < kOperatories.size(); ++i) {
    OperatoryRecord op;
    op.setKey(rec::kKindOperatory, kOperatories[i].code);
    op.setDescription(kOperatories[i].description);
    op.setAssignmentNumber(static_cast<std::uint8_t>(i + 1));
    if ((r = w.add(kResourceFile, op, std::string("operatory ") + kOperatories[i].code, why)) !=
        0) {
      return r;
    }
    ++summary->operatories;
  }
  return 0;
}

int writeDefinitions(Writer& w, std::string* why) {
  int r = 0;
  for (const DemoStatus& s : kStatuses) {
    DefinitionRecord d;
    d.setKey(DefinitionRecord::kApptStatus, s.number);
    d.setStatusColourCode(s.colourCode);
    d.setStatusName(s.name);
    d.setStatusColourText(s.colourText);
    if ((r = w.add(kDefinitionFile, d, std::string("status ") + s.name, why)) != 0) return r;
  }
  for (std::size_t i = 0; i < kTypes.size(); ++i) {
    DefinitionRecord d;
    d.setKey(DefinitionRecord::kApptType, static_cast<std::uint8_t>(i + 1));
    d.setText(kTypes[i]);
    if ((r = w.add(kDefinitionFile, d, std::string("appointment type ") + kTypes[i], why)) != 0) {
      return r;
    }
  }
  for (std::size_t i = 0; i < kFlagLabels.size(); ++i) {
    if (kFlagLabels[i] == nullptr) continue;
    DefinitionRecord d;
    d.setKey(DefinitionRecord::kFlagLabel, static_cast<std::uint8_t>(i + 1));
    d.setText(kFlagLabels[i]);
    if ((r = w.add(kDefinitionFile, d, std::string("flag label ") + kFlagLabels[i], why)) != 0) {
      return r;
    }
  }
  return 0;
}

// "MM/DD/YYYY" of a date, for the notes of the summary.
std::string dateText(PackedDate date) {
  char text[16];
  QRX_FormatNDate2000(text, sizeof text, date);
  return text;
}

std::string clockText(int unit) {
  char text[24];
  std::snprintf(text, sizeof text, "%02d:%02d", unit / 12, unit % 12 * 5);
  return text;
}

DayHours hoursOf(char day) {
  DayHours hours;
  const std::vector<Period> periods = periodsOf(day);
  for (std::size_t p = 0; p < periods.size() && p < kDayPeriods; ++p) {
    hours.start[p] = periods[p].start;
    hours.end[p] = periods[p].end;
  }
  return hours;
}

// The time blocks, the closed day and the vacation, stored by the code the block command and the
// schedule use, before any appointment is placed.
int writeScheduleExceptions(PackedDate today, DemoSummary* summary, std::string* why) {
  static constexpr std::array<const char*, 7> kDayWords = {"Sun", "Mon", "Tue", "Wed",
                                                           "Thu", "Fri", "Sat"};
  for (const DemoBlock& b : kBlocks) {
    std::vector<std::string> words = {"add",       "--prov", b.provider,
                                      "--name",    b.name,   "--op",
                                      b.operatory, "--type", std::to_string(b.type)};
    for (std::size_t d = 0; d < kDayWords.size(); ++d) {
      if (b.days[d] != 'x') continue;
      words.push_back("--day");
      words.push_back(std::string(kDayWords[d]) + "=" + clockText(b.start) + "-" +
                      clockText(b.end));
    }
    std::ostringstream out, err;
    if (runBlockCommand(words, out, err) != 0) {
      if (why != nullptr) *why = "storing the time block " + std::string(b.name) + ": " + err.str();
      return kQdbIoError;
    }
  }

  ScriptedPrompter prompter(ScriptedPrompter::Fallback::kNegative);
  const PackedDate closed = closedDateOf(today);
  const auto closedDay = static_cast<std::size_t>(QRX_WeekDayOf(closed) - 1);
  int r = setDateHours(prompter, RscUseRecord::kPractice, rec::kPracticeCode, closed,
                       hoursOf(kPracticeWeek[closedDay]), RscUseRecord::kDayClosed);
  if (r != 0) {
    if (why != nullptr) *why = "closing the office on " + dateText(closed);
    return r;
  }
  const PackedDate first = vacationStartOf(today);
  for (const DemoProvider& p : kProviders) {
    if (std::string_view(p.code) != kVacationProvider) continue;
    for (PackedDate d = first; d < first + kVacationDays; ++d) {
      const auto day = static_cast<std::size_t>(QRX_WeekDayOf(d) - 1);
      r = setDateHours(prompter, RscUseRecord::kProvider, p.code, d, hoursOf(p.week[day]),
                       RscUseRecord::kDayClosed);
      if (r != 0) {
        if (why != nullptr) *why = "giving " + std::string(p.code) + " a vacation day";
        return r;
      }
    }
  }
  summary->notes.push_back("the office is closed on " + dateText(closed) + ", " +
                           kVacationProvider + " is on vacation from " + dateText(first) + " to " +
                           dateText(first + kVacationDays - 1) + ", and " +
                           std::to_string(kBlocks.size()) +
                           " time blocks keep periods free for emergencies, new patients and "
                           "perio visits");
  return 0;
}

PatientRecord patientRecord(const PlannedPatient& p, const PlannedHousehold& h) {
  PatientRecord r;
  r.setLastName(p.last);
  r.setFirstName(p.first);
  r.setMiddleInitial(p.initial);
  r.setPreferredName(p.preferred);
  r.setChartNumber(p.chart);
  r.setSsn(p.ssn);
  r.setProviderCode(p.provider);
  r.setSecondProviderCode(p.secondProvider);
  r.setSelectionFlag(p.guarantor);
  r.setGuarantorFlag(p.guarantor);
  r.setStatus(p.status);
  r.setRelation(p.relation);
  r.setPhonePrivate(h.phonePrivate);
  r.setAddressId(h.address.identifier());
  r.setBirthDate(p.birth);
  r.setLastVisit(p.lastVisit);
  r.setMedicalAlerts(p.alerts);
  r.setBrokenCount(p.broken);
  r.setLastBroken(p.lastBroken);
  r.setTitle(p.title);
  return r;
}

int writeHouseholds(Writer& w, Plan& plan, DemoSummary* summary, std::string* why) {
  int r = 0;
  for (std::size_t i = 0; i < plan.households.size(); ++i) {
    PlannedHousehold& h = plan.households[i];
    const std::string which = "household " + std::to_string(i + 1);
    if ((r = w.add(kAddressFile, h.address, "the address of " + which, why)) != 0) return r;
    std::uint32_t guarantorId = 0;
    for (const int m : h.members) {
      PlannedPatient& p = plan.patients[static_cast<std::size_t>(m)];
      PatientRecord record = patientRecord(p, h);
      record.setFamilyId(guarantorId);
      record.setGuarantorId(guarantorId);
      const std::string who = "patient " + p.last + ", " + p.first + " of " + which;
      if ((r = w.add(kPatientFile, record, who, why)) != 0) return r;
      p.id = record.identifier();
      if (p.guarantor) {
        // The family is known by the guarantor's own identifier, which the add has just given.
        guarantorId = p.id;
        record.setFamilyId(guarantorId);
        record.setGuarantorId(guarantorId);
        if ((r = w.rewriteCurrent(kPatientFile, record, who, why)) != 0) return r;
      }
      ++summary->patients;
    }
    ++summary->households;
  }
  for (std::size_t i = 0; i < plan.newPeople.size(); ++i) {
    if ((r = w.add(kAddressFile, plan.newPeople[i].address,
                   "the address of new person " + std::to_string(i + 1), why)) != 0) {
      return r;
    }
  }
  return 0;
}

int writeAppointments(const AppointmentPlacer& place, Plan& plan, bool dated, DemoSummary* summary,
                      std::string* why) {
  std::vector<PlannedAppointment>& list = dated ? plan.dated : plan.undated;
  for (std::size_t i = 0; i < list.size(); ++i) {
    PlannedAppointment& a = list[i];
    if (a.patient >= 0) {
      a.record.setPatientId(plan.patients[static_cast<std::size_t>(a.patient)].id);
    } else {
      a.record.setPatientId(0);
      a.record.setAddressId(
          plan.newPeople[static_cast<std::size_t>(a.newPerson)].address.identifier());
    }
    std::string placeWhy;
    const int r = place(a.record, &placeWhy);
    if (r != 0) {
      if (why != nullptr) {
        *why = std::string("placing ") + (dated ? "appointment " : "undated appointment ") +
               std::to_string(i + 1) + " of " + std::to_string(list.size()) + " (" +
               a.record.name() + "): " + placeWhy;
      }
      return r;
    }
    if (!dated) {
      ++summary->undated;
    } else {
      ++summary->appointments;
      if (a.patient < 0) ++summary->newPersonAppointments;
    }
  }
  return 0;
}

int addUsers(DemoSummary* summary, std::string* why) {
  for (const DemoUser& user : kDemoUsers) {
    std::uint32_t id = 0;
    std::string userWhy;
    const int r =
        addUser(user.login, user.fullName, user.password, demoUserRights(user), &id, &userWhy);
    if (r == kUserExists) {
      summary->notes.push_back(std::string("user ") + user.login +
                               " already exists; kept as it was (its password is not changed)");
      continue;
    }
    if (r != 0) {
      if (why != nullptr) *why = std::string("adding user ") + user.login + ": " + userWhy;
      return r;
    }
    ++summary->users;
  }
  return 0;
}

// The demo's own placement of its appointments: the dated ones go through the scheduling rules,
// as the appointment dialog would place them, so the weekly occupancy records are written with
// them; the undated ones are plain adds. The plan keeps every appointment in hours and never
// double books, so the rules should ask nothing; the prompter would answer Yes to a question,
// and a stop, a No or a database error is a failed placement.
class RulesPlacer {
 public:
  explicit RulesPlacer(Writer& writer) : writer_(writer) {}

  // Reads back the practice schedule, providers and operatories the demo has written. 0 or an
  // error number with `why` set.
  int load(std::string* why) {
    std::string what;
    const int r = setup_.load(&what);
    if (r == 0) return 0;
    return fail(r == kNoPracticeSchedule ? kQdbIoError : r, what + " back" + lastPrompt(), why);
  }

  // A note for the person running the demo when a placement needed a Yes; empty when none did.
  std::string questionsNote() const {
    if (questions_ == 0) return "";
    return std::to_string(questions_) +
           " dated appointments were placed only after a scheduling question was answered Yes "
           "(the first: \"" +
           firstQuestion_ + "\")";
  }

  int place(AppointmentRecord& a, std::string* why) {
    if (a.date() == kNoDate) return writer_.add(kAppointmentFile, a, "the appointment", why);
    prompter_.clearRecord();
    const AppointmentRecord none;
    const RulesResult r = SaveApptWithRules(setup_.context(), true, none, a);
    if (r.succeeded() && !prompter_.asked().empty()) {
      if (questions_ == 0) firstQuestion_ = prompter_.asked().front().prompt.text;
      ++questions_;
    }
    switch (r.outcome) {
      case RulesOutcome::kDone:
        return 0;
      case RulesOutcome::kRefused:
        return fail(kQdbIoError, "the scheduling rules refused it" + lastPrompt(), why);
      case RulesOutcome::kInvalid:
        return fail(kQdbIoError, "the scheduling rules cannot place it" + lastPrompt(), why);
      case RulesOutcome::kChangedElsewhere:
        return fail(kQdbIoError, "it was changed at another workstation", why);
      case RulesOutcome::kDatabaseError:
        break;
    }
    return fail(r.error,
                "saving it with the scheduling rules: database error " + std::to_string(r.error),
                why);
  }

 private:
  static int fail(int error, const std::string& text, std::string* why) {
    if (why != nullptr) *why = text;
    return error == 0 ? kQdbIoError : error;
  }
  // ": <the text of the last message shown>", or nothing.
  std::string lastPrompt() const {
    if (prompter_.asked().empty()) return "";
    return ": \"" + prompter_.asked().back().prompt.text + "\"";
  }

  Writer& writer_;
  int questions_ = 0;
  std::string firstQuestion_;
  ScriptedPrompter prompter_{ScriptedPrompter::Fallback::kAffirmative};
  SchedulingSetup setup_{prompter_};
};

// Counts the records of a file, walking it in its own order. -1 on a database error.
int countRecords(QdbSession session, int fileNumber, int* error) {
  const QdbFileDef* def = findFileDef(fileNumber);
  if (def == nullptr) {
    *error = kQdbNotCreated;
    return -1;
  }
  const QdbHandle file = QDB_OpenFile(session, fileNumber);
  if (file == 0) {
    *error = QDB_GetLastErrorNum(session);
    return -1;
  }
  std::vector<std::uint8_t> buffer(def->recordLength);
  int count = 0;
  int ok = QDB_FirstRec(file, fileNumber, buffer.data(), buffer.size());
  while (ok != 0) {
    ++count;
    ok = QDB_NextRec(file, fileNumber, buffer.data(), buffer.size());
  }
  const int last = QDB_GetLastErrorNum(session);
  QDB_CloseFile(file);
  if (last != kQdbNotFound) {
    *error = last;
    return -1;
  }
  return count;
}

}  // namespace

std::vector<int> demoUserRights(const DemoUser& user) {
  std::vector<int> rights;
  for (int right = 1; right <= kHighestRight; ++right) {
    if (std::find(user.withheldRights.begin(), user.withheldRights.end(), right) ==
        user.withheldRights.end()) {
      rights.push_back(right);
    }
  }
  return rights;
}

int checkEmptyForDemo(std::string* why) {
  const QdbSession session = QDB_StartSession(1);
  if (session == 0) {
    if (why != nullptr) *why = "cannot start a database session: " + dbError(0);
    return QDB_GetLastErrorNum(0);
  }
  struct Holding {
    int file;
    const char* what;
  };
  constexpr std::array<Holding, 6> kFiles = {
      {{kPatientFile, "patients"},
       {kAppointmentFile, "appointments"},
       {kAddressFile, "addresses"},
       {kResourceFile, "practice, provider and operatory records"},
       {kDefinitionFile, "definitions"},
       {kRscUseFile, "schedule records"}}};
  std::string held;
  int result = 0;
  for (const Holding& f : kFiles) {
    int error = 0;
    const int n = countRecords(session, f.file, &error);
    if (n < 0) {
      if (why != nullptr) {
        *why = "cannot read file " + std::to_string(f.file) + ": database error " +
               std::to_string(error);
      }
      result = error;
      break;
    }
    if (n > 0) held += (held.empty() ? "" : ", ") + std::to_string(n) + " " + f.what;
  }
  QDB_EndSession(session);
  if (result != 0) return result;
  if (!held.empty()) {
    if (why != nullptr) {
      *why = "the database already holds " + held +
             "; the demo practice is made only in an empty database, so that nothing is mixed "
             "or written twice";
    }
    return kDemoNotEmpty;
  }
  return 0;
}

int makeDemoPractice(const DemoOptions& options, DemoSummary* summary, std::string* why) {
  DemoSummary local;
  DemoSummary& s = summary != nullptr ? *summary : local;
  s = DemoSummary{};
  if (options.today == kNoDate || options.households < 1 || options.households > 100000 ||
      options.minimumPatients < 0 || options.minimumPatients > 500000 || options.undated < 0 ||
      options.undated > 10000) {
    if (why != nullptr) *why = "no day to build around, or sizes out of range";
    return kDemoBadOptions;
  }
  int r = checkEmptyForDemo(why);
  if (r != 0) return r;

  Plan plan = Planner(options).make();

  Writer writer;
  if ((r = writer.start(why)) != 0) return r;
  if ((r = writeResources(writer, &s, why)) != 0) return r;
  if ((r = writeDefinitions(writer, why)) != 0) return r;
  if ((r = writeScheduleExceptions(options.today, &s, why)) != 0) return r;
  if ((r = writeHouseholds(writer, plan, &s, why)) != 0) return r;

  AppointmentPlacer place = options.placeAppointment;
  RulesPlacer rules(writer);
  if (!place) {
    if ((r = rules.load(why)) != 0) return r;
    place = [&rules](AppointmentRecord& a, std::string* placeWhy) {
      return rules.place(a, placeWhy);
    };
  }
  if ((r = writeAppointments(place, plan, true, &s, why)) != 0) return r;
  if (const std::string note = rules.questionsNote(); !note.empty()) s.notes.push_back(note);
  if ((r = writeAppointments(place, plan, false, &s, why)) != 0) return r;
  if (options.addUsers && (r = addUsers(&s, why)) != 0) return r;
  return 0;
}
