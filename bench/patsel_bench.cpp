// The patient selection on a practice of 100,000 patients in 40,000 households: one keystroke
// (a search that places the seven-row window), a line and a page of scrolling, and a keystroke
// of the home phone search, each reading the file as the dialog does.
//
// The database is made once in $VANTREL_BENCH_DIR (default /tmp/vantrel-patsel-bench) and reused
// by later runs; the suite profile is a file of that directory.

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "contracts/qdb.h"
#include "contracts/qrx.h"
#include "data/access_layer.h"
#include "data/address_record.h"
#include "data/database_setup.h"
#include "data/patient_record.h"
#include "data/schema.h"
#include "patsel/patient_search.h"
#include "platform/qrx/scripted_prompter.h"

namespace {

constexpr int kPatients = 100000;
constexpr int kHouseholds = 40000;

const char* const kLast[] = {"Smith",    "Johnson", "Williams",  "Brown",    "Jones",     "Garcia",
                             "Miller",   "Davis",   "Rodriguez", "Martinez", "Hernandez", "Lopez",
                             "Gonzalez", "Wilson",  "Anderson",  "Thomas",   "Taylor",    "Moore",
                             "Jackson",  "Martin",  "Lee",       "Perez",    "Thompson",  "White"};
const char* const kFirst[] = {"James",   "Mary",  "Robert", "Patricia",  "John",    "Jennifer",
                              "Michael", "Linda", "David",  "Elizabeth", "William", "Barbara",
                              "Richard", "Susan", "Joseph", "Jessica",   "Thomas",  "Sarah"};

std::string dataDir() {
  const char* dir = getenv("VANTREL_BENCH_DIR");
  return dir != nullptr ? dir : "/tmp/vantrel-patsel-bench";
}

std::uint32_t countPatients(QdbSession s) {
  const QdbHandle f = QDB_OpenFile(s, kPatientFile);
  PatientRecord p;
  const bool any = f != 0 && QDB_LastRec(f, kPatientById, p.data(), p.size()) != 0;
  QDB_CloseFile(f);
  return any ? p.identifier() : 0;
}

// Opens (and on the first run fills) the database; false when it cannot be had.
bool prepare() {
  static int ready = -1;
  if (ready >= 0) return ready == 1;
  ready = 0;
  const std::string dir = dataDir();
  setenv("VANTREL_PROFILE", (dir + "/VANTREL.INI").c_str(), 1);
  if (createPracticeDatabase((dir + "/data").c_str()) != 0) return false;
  const QdbSession s = QDB_StartSession(1);
  if (s == 0) return false;
  if (countPatients(s) < kPatients) {
    std::fprintf(stderr, "making %d patients in %s (once)...\n", kPatients, dir.c_str());
    std::mt19937 random(7);
    const QdbHandle addresses = QDB_OpenFile(s, kAddressFile);
    const QdbHandle patients = QDB_OpenFile(s, kPatientFile);
    std::vector<std::uint32_t> households;
    for (int h = 0; h < kHouseholds; ++h) {
      AddressRecord a;
      a.setPhone(std::to_string(2065550000ull + random() % 8000000ull));
      a.setCity("Bellevue");
      if (QDB_AddRec(addresses, a.data(), a.size()) == 0) return false;
      households.push_back(a.identifier());
    }
    for (int i = 0; i < kPatients; ++i) {
      PatientRecord p;
      p.setLastName(std::string(kLast[random() % std::size(kLast)]) +
                    std::to_string(random() % 400));
      p.setFirstName(kFirst[random() % std::size(kFirst)]);
      p.setMiddleInitial(std::string(1, static_cast<char>('A' + random() % 26)));
      std::string chart = std::to_string(100000 + i);
      chart.insert(chart.begin(), 'C');
      p.setChartNumber(chart);
      p.setStatus(random() % 10 == 0 ? PatientRecord::kArchived : PatientRecord::kPatient);
      const bool guarantor = random() % 3 == 0;
      p.setGuarantorFlag(guarantor);
      p.setSelectionFlag(guarantor);
      p.setAddressId(households[static_cast<std::size_t>(i) % households.size()]);
      p.setProviderCode("DDS1");
      if (QDB_AddRec(patients, p.data(), p.size()) == 0) return false;
    }
  }
  QDB_EndSession(s);
  ready = 1;
  return true;
}

// The texts a user types, letter by letter.
const std::vector<std::string>& typedTexts() {
  static const std::vector<std::string> texts = {"M",      "Mi",         "Mil", "Mill", "Miller2",
                                                 "Smith1", "Smith12, J", "T",   "Tay",  "Wilson399",
                                                 "Zz",     "Garcia7, M"};
  return texts;
}

void BM_Keystroke(benchmark::State& state) {
  if (!prepare()) return state.SkipWithError("no database");
  AccessLayer db;
  db.startSession();
  ScriptedPrompter prompter;
  PatientSearch search(db, prompter);
  search.setRowOptions({SearchMode::kLastName, true, false});
  std::size_t i = 0;
  long reads = 0;
  for (auto _ : state) {
    search.search(typedTexts()[i++ % typedTexts().size()]);
    reads += search.lastReadCount();
    benchmark::DoNotOptimize(search.rows().data());
  }
  state.counters["reads"] =
      benchmark::Counter(static_cast<double>(reads), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_Keystroke)->Unit(benchmark::kMicrosecond);

void BM_GuarantorKeystroke(benchmark::State& state) {
  if (!prepare()) return state.SkipWithError("no database");
  AccessLayer db;
  db.startSession();
  ScriptedPrompter prompter;
  PatientSearch search(db, prompter);
  search.setRowOptions({SearchMode::kLastName, true, false});
  search.setFilter({true, false});
  std::size_t i = 0;
  for (auto _ : state) {
    // A third of the patients are guarantors: the other records are read and skipped.
    search.search(typedTexts()[i++ % typedTexts().size()]);
    benchmark::DoNotOptimize(search.rows().data());
  }
}
BENCHMARK(BM_GuarantorKeystroke)->Unit(benchmark::kMicrosecond);

void BM_LineAndPageDown(benchmark::State& state) {
  if (!prepare()) return state.SkipWithError("no database");
  AccessLayer db;
  db.startSession();
  ScriptedPrompter prompter;
  PatientSearch search(db, prompter);
  search.setRowOptions({SearchMode::kLastName, true, false});
  search.search("Brown");
  const bool page = state.range(0) != 0;
  for (auto _ : state) {
    if (page) {
      search.pageDown();
    } else {
      search.lineDown();
    }
    if (search.scrollPosition() == kScrollAtEnd) search.search("Brown");
  }
}
BENCHMARK(BM_LineAndPageDown)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_PhoneKeystroke(benchmark::State& state) {
  if (!prepare()) return state.SkipWithError("no database");
  AccessLayer db;
  db.startSession();
  ScriptedPrompter prompter;
  PatientSearch search(db, prompter);
  search.setRowOptions({SearchMode::kPhone, true, false});
  const std::vector<std::string> phones = {"2",         "20",        "206",     "2065",
                                           "20655",     "206555",    "2065551", "20655512",
                                           "206555123", "2065551234"};
  std::size_t i = 0;
  for (auto _ : state) {
    search.search(phones[i++ % phones.size()]);
    benchmark::DoNotOptimize(search.rows().data());
  }
}
BENCHMARK(BM_PhoneKeystroke)->Unit(benchmark::kMicrosecond);

}  // namespace
