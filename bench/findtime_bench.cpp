// Find Time: a whole search that ends with no match after 356 days on a densely booked practice
// of 20 providers and 20 operatories (the longest a batch can run), and the first batch of ten
// on the demo practice (what a user waits for after Search).
//
// The dense practice: every provider is booked one hour in three, so each working period holds
// free provider runs; every operatory is taken for the first half of every hour, so no
// operatory ever holds the hour the search asks for. Each batch therefore walks every provider
// run of every date against all 20 operatories, and reads every week record of the year. Both
// practices are made once in temporary directories (removed at exit).

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "contracts/qdb.h"
#include "contracts/qrx.h"
#include "data/database_setup.h"
#include "data/resource_records.h"
#include "data/rsc_use_record.h"
#include "data/schema.h"
#include "platform/qrx/scripted_prompter.h"
#include "schedule/find_time.h"
#include "tools/demo_practice.h"
#include "tools/scheduling_setup.h"

namespace {

constexpr int kResources = 20;
constexpr int kHourSlots = 12;

// The first date searched, a Monday; the demo's appointments lie in the 60 days around it.
PackedDate firstDate() { return QRX_DateIn(2026, 3, 9); }

std::string code(char letter, int n) {
  return std::string(1, letter) + (n < 10 ? "0" : "") + std::to_string(n);
}

class TempData {
 public:
  explicit TempData(const char* name) {
    std::string pattern = std::string("/tmp/vantrel-") + name + "-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    root_ = pattern;
    ::setenv("VANTREL_PROFILE", (root_ + "/VANTREL.INI").c_str(), 1);
    if (createPracticeDatabase(path().c_str()) != 0) std::abort();
  }
  ~TempData() {
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
  }
  std::string path() const { return root_ + "/data"; }

 private:
  std::string root_;
};

void add(QdbHandle file, void* record, std::size_t size) {
  if (QDB_AddRec(file, record, size) == 0) std::abort();
}

const std::string& densePractice() {
  static TempData data("findtime-dense");
  static bool made = false;
  if (!made) {
    const QdbSession s = QDB_StartSession(1);
    const QdbHandle resources = QDB_OpenFile(s, kResourceFile);
    PracticeRecord practice = PracticeRecord::blank();
    add(resources, practice.data(), practice.size());
    const QdbHandle weeks = QDB_OpenFile(s, kRscUseFile);
    const PackedDate firstWeek = QRX_WeekStart(firstDate());
    for (int n = 1; n <= kResources; ++n) {
      ProviderRecord p;
      p.setKey(rec::kKindProvider, code('P', n));
      add(resources, p.data(), p.size());
      OperatoryRecord o;
      o.setKey(rec::kKindOperatory, code('O', n));
      o.setAssignmentNumber(static_cast<std::uint8_t>(n));
      add(resources, o.data(), o.size());
      for (PackedDate week = firstWeek; week < firstDate() + kSearchDates + 7; week += 7) {
        RscUseRecord prov = RscUseRecord::withKey(RscUseRecord::kProvider, code('P', n), week);
        RscUseRecord op = RscUseRecord::withKey(RscUseRecord::kOperatory, code('O', n), week);
        for (std::size_t day = 1; day <= 5; ++day) {
          for (std::size_t slot = 0; slot < RscUseRecord::kUnitsPerDay; ++slot) {
            const std::size_t hour = slot / kHourSlots;
            if ((hour + static_cast<std::size_t>(n)) % 3 == 0) prov.setOccupancy(day, slot, 1);
            if (slot % kHourSlots < kHourSlots / 2) op.setOccupancy(day, slot, 1);
          }
        }
        add(weeks, prov.data(), prov.size());
        add(weeks, op.data(), op.size());
      }
    }
    QDB_EndSession(s);
    QDB_CloseDataBase();
    made = true;
  }
  static const std::string path = data.path();
  return path;
}

const std::string& demoPractice() {
  static TempData data("findtime-demo");
  static bool made = false;
  if (!made) {
    DemoOptions options;
    options.today = firstDate() + 2;
    options.addUsers = false;
    std::string why;
    if (makeDemoPractice(options, nullptr, &why) != 0) std::abort();
    QDB_CloseDataBase();
    made = true;
  }
  static const std::string path = data.path();
  return path;
}

// The database open with its tables, and a search over every active provider and every
// operatory, every weekday, for an hour.
struct Practice {
  ScriptedPrompter prompter{ScriptedPrompter::Fallback::kAffirmative};
  SchedulingSetup setup{prompter};
  SearchParams params;

  bool open(const std::string& path) {
    std::string why;
    if (QDB_InitDataBase(path.c_str()) != 1 || setup.load(&why) != 0) return false;
    params.startDate = firstDate();
    params.length = kHourSlots;
    for (const ProviderEntry& p : setup.providers().providers) {
      if (!p.inactive) params.providers.push_back(p.code);
    }
    for (const OperatoryEntry& o : setup.operatories().operatories) {
      params.operatories.push_back(o.code);
    }
    return true;
  }
  ~Practice() { QDB_CloseDataBase(); }
};

void BM_FindTimeNoMatchDensePractice(benchmark::State& state) {
  Practice practice;
  if (!practice.open(densePractice())) return state.SkipWithError("cannot open the practice");
  for (auto _ : state) {
    SearchParams params = practice.params;
    const std::vector<FoundTime> found =
        searchFreeTimes(practice.prompter, practice.setup.practice(), practice.setup.providers(),
                        params, kFoundTimesPerBatch);
    if (!found.empty()) return state.SkipWithError("the dense practice had a free hour");
  }
  if (practice.prompter.asked().empty() ||
      practice.prompter.asked().back().prompt.text != kNoMatchText) {
    state.SkipWithError("the search did not end with no match");
  }
}
BENCHMARK(BM_FindTimeNoMatchDensePractice)->Unit(benchmark::kMillisecond);

void BM_FindTimeFirstBatchDemo(benchmark::State& state) {
  Practice practice;
  if (!practice.open(demoPractice())) return state.SkipWithError("cannot open the demo practice");
  for (auto _ : state) {
    SearchParams params = practice.params;
    const std::vector<FoundTime> found =
        searchFreeTimes(practice.prompter, practice.setup.practice(), practice.setup.providers(),
                        params, kFoundTimesPerBatch);
    if (found.size() != static_cast<std::size_t>(kFoundTimesPerBatch)) {
      return state.SkipWithError("the demo practice gave fewer than ten times");
    }
  }
}
BENCHMARK(BM_FindTimeFirstBatchDemo)->Unit(benchmark::kMillisecond);

}  // namespace
