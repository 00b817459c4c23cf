// Saves per second through SaveApptWithRules, the save of the appointment dialog, on the demo
// practice: booking new appointments and moving one back and forth in one process, and moving
// in one and in four processes at once (each its own provider and operatory, so they meet only
// in the files, as workstations of a busy practice do).
//
// Every save writes new bytes (a move alternates between two placements, a booking takes a new
// slot), since the database skips identical rewrites. The demo practice is made once in a
// temporary directory (and removed at exit); each benchmark books in weeks of its own after the
// demo's appointments, so runs never meet earlier runs' bookings.

#include <benchmark/benchmark.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "contracts/qdb.h"
#include "contracts/qrx.h"
#include "data/appointment_record.h"
#include "data/database_setup.h"
#include "editing/scheduling_rules.h"
#include "platform/qrx/scripted_prompter.h"
#include "tools/demo_practice.h"
#include "tools/scheduling_setup.h"

namespace {

// The demo's appointments lie in the 60 days around this day.
PackedDate today() { return QRX_DateIn(2026, 3, 11); }

// A week (its Sunday) of its own for every run of the move benchmarks, from seven weeks on.
PackedDate nextWeek() {
  static int weeks = 0;
  return QRX_WeekStart(QRX_DateIn(2026, 4, 27)) + static_cast<PackedDate>(7 * weeks++);
}

// The slots of the booking benchmark lie years further on, so they never meet those weeks.
PackedDate bookingWeeks() { return QRX_WeekStart(QRX_DateIn(2030, 1, 1)); }

// Its providers and operatories as the demo makes them; every provider works Tuesday and
// Wednesday 8:00-12:00.
constexpr std::array<const char*, 4> kProviders = {"DDS1", "DDS2", "HYG1", "HYG2"};
constexpr std::array<const char*, 4> kOperatories = {"OP1", "OP3", "OP5", "OP6"};

class DemoData {
 public:
  static const std::string& path() {
    static DemoData data;
    return data.path_;
  }
  ~DemoData() {
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
  }

 private:
  DemoData() {
    char pattern[] = "/tmp/vantrel-save-bench-XXXXXX";
    if (::mkdtemp(pattern) == nullptr) std::abort();
    root_ = pattern;
    path_ = root_ + "/data";
    ::setenv("VANTREL_PROFILE", (root_ + "/VANTREL.INI").c_str(), 1);
    if (createPracticeDatabase(path_.c_str()) != 0) std::abort();
    DemoOptions options;
    options.today = today();
    options.addUsers = false;
    std::string why;
    if (makeDemoPractice(options, nullptr, &why) != 0) std::abort();
    QDB_CloseDataBase();
  }

  std::string root_;
  std::string path_;
};

// A 30-minute appointment of patient 1, provider time throughout.
AppointmentRecord appointmentAt(const SchedulingSetup& setup, PackedDate date, int hour, int minute,
                                const char* provider, const char* operatory) {
  AppointmentRecord a;
  a.setUnitSize(static_cast<std::uint8_t>(setup.practice().timeBlockCode));
  a.setProvider(provider);
  a.schedule(date, operatory, static_cast<std::uint8_t>(hour), static_cast<std::uint8_t>(minute));
  a.setPatientId(1);
  a.setName("Bench, Mark");
  a.setLength(30);
  for (std::size_t k = 0; k < 3; ++k) a.setPatternSlot(k, AppointmentRecord::kProviderTime);
  a.setAmount(12500);
  a.setDescription("Save benchmark");
  return a;
}

// The database open with the tables loaded, for one process.
struct Rules {
  ScriptedPrompter prompter{ScriptedPrompter::Fallback::kAffirmative};
  SchedulingSetup setup{prompter};

  bool open() {
    std::string why;
    return QDB_InitDataBase(DemoData::path().c_str()) == 1 && setup.load(&why) == 0;
  }
  ~Rules() { QDB_CloseDataBase(); }
};

// Moves `a` to the other of its two placements (Tuesday 9:00 and Wednesday 10:00 of the week
// that starts on Sunday `week`).
bool moveOnce(Rules& rules, AppointmentRecord& a, PackedDate week, const char* operatory) {
  AppointmentRecord edited = a;
  const bool onTuesday = a.date() == week + 2;
  edited.schedule(onTuesday ? week + 3 : week + 2, operatory, onTuesday ? 10 : 9, 0);
  if (!SaveApptWithRules(rules.setup.context(), false, a, edited)) return false;
  a = edited;
  return true;
}

void BM_SaveBookOneProcess(benchmark::State& state) {
  DemoData::path();
  Rules rules;
  if (!rules.open()) return state.SkipWithError("cannot open the demo practice");
  // Ten-minute appointments end to end, Tuesday to Thursday 8:00-12:00, week after week; the
  // slot number goes on across runs.
  static int slot = 0;
  for (auto _ : state) {
    const int day = slot / 24;
    const int minutes = 8 * 60 + slot % 24 * 10;
    const PackedDate date = bookingWeeks() + static_cast<PackedDate>(day / 3 * 7 + 2 + day % 3);
    AppointmentRecord a =
        appointmentAt(rules.setup, date, minutes / 60, minutes % 60, "DDS1", "OP1");
    a.setLength(10);
    const AppointmentRecord none;
    if (!SaveApptWithRules(rules.setup.context(), true, none, a)) {
      return state.SkipWithError("a booking was refused");
    }
    ++slot;
  }
  state.counters["saves_per_s"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_SaveBookOneProcess)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SaveMoveOneProcess(benchmark::State& state) {
  DemoData::path();
  Rules rules;
  if (!rules.open()) return state.SkipWithError("cannot open the demo practice");
  const PackedDate week = nextWeek();
  AppointmentRecord a = appointmentAt(rules.setup, week + 2, 9, 0, "DDS2", "OP3");
  const AppointmentRecord none;
  if (!SaveApptWithRules(rules.setup.context(), true, none, a)) {
    return state.SkipWithError("the first booking was refused");
  }
  for (auto _ : state) {
    if (!moveOnce(rules, a, week, "OP3")) return state.SkipWithError("a move was refused");
  }
  state.counters["saves_per_s"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_SaveMoveOneProcess)->Unit(benchmark::kMillisecond)->UseRealTime();

// ---------------------------------------------------------------------------------------------
// Several processes

constexpr int kMovesPerProcess = 300;

// One process: opens the database, books its appointment, says it is ready, waits for the
// start, moves it kMovesPerProcess times and says it is done. Its exit code tells how it went.
int mover(int index, PackedDate week, int toParent, int fromParent) {
  Rules rules;
  if (!rules.open()) return 10;
  const char* operatory = kOperatories[static_cast<std::size_t>(index)];
  AppointmentRecord a = appointmentAt(rules.setup, week + 2, 9, 0,
                                      kProviders[static_cast<std::size_t>(index)], operatory);
  const AppointmentRecord none;
  if (!SaveApptWithRules(rules.setup.context(), true, none, a)) return 11;
  char byte = 'r';
  if (::write(toParent, &byte, 1) != 1 || ::read(fromParent, &byte, 1) != 1) return 12;
  for (int i = 0; i < kMovesPerProcess; ++i) {
    if (!moveOnce(rules, a, week, operatory)) return 13;
  }
  byte = 'd';
  return ::write(toParent, &byte, 1) == 1 ? 0 : 12;
}

void BM_SaveMoveProcesses(benchmark::State& state) {
  DemoData::path();  // made before any fork; the database is closed here
  const int processes = static_cast<int>(state.range(0));
  double saves = 0;
  double seconds = 0;
  for (auto _ : state) {
    const PackedDate week = nextWeek();
    int up[2];
    int down[2];
    if (::pipe(up) != 0 || ::pipe(down) != 0) return state.SkipWithError("no pipe");
    std::vector<pid_t> children;
    for (int i = 0; i < processes; ++i) {
      const pid_t pid = ::fork();
      if (pid < 0) break;
      if (pid == 0) {
        ::close(up[0]);
        ::close(down[1]);
        ::_exit(mover(i, week, up[1], down[0]));
      }
      children.push_back(pid);
    }
    ::close(up[1]);
    ::close(down[0]);
    bool ok = static_cast<int>(children.size()) == processes;
    char byte = 0;
    for (int i = 0; i < processes && ok; ++i) ok = ::read(up[0], &byte, 1) == 1 && byte == 'r';
    const auto started = std::chrono::steady_clock::now();
    for (int i = 0; i < processes && ok; ++i) ok = ::write(down[1], "g", 1) == 1;
    for (int i = 0; i < processes && ok; ++i) ok = ::read(up[0], &byte, 1) == 1 && byte == 'd';
    const double elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    ::close(up[0]);
    ::close(down[1]);
    for (const pid_t pid : children) {
      int status = 0;
      ::waitpid(pid, &status, 0);
      ok = ok && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }
    if (!ok) return state.SkipWithError("a process failed");
    state.SetIterationTime(elapsed);
    saves += processes * kMovesPerProcess;
    seconds += elapsed;
  }
  state.counters["saves_per_s"] = saves / seconds;
  state.counters["per_process_per_s"] = saves / seconds / processes;
}
BENCHMARK(BM_SaveMoveProcesses)
    ->Arg(1)
    ->Arg(4)
    ->Iterations(3)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
