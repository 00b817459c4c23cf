#pragma once
// What a command of the administration tool printed and returned, and a fixture that runs it on
// a data directory of the test's own with "today" on Wednesday 11 March 2026.

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "contracts/qdb.h"
#include "data/resource_records.h"
#include "data/schema.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_dir.h"
#include "tools/admin_command.h"

namespace toolstest {

using Words = std::vector<std::string>;

struct Outcome {
  int code = -1;
  std::string out;
  std::string err;
};

// Runs `command(args, out, err)` and keeps what it printed.
template <typename Command>
Outcome capture(Command command, const Words& args) {
  std::ostringstream out, err;
  Outcome o;
  o.code = command(args, out, err);
  o.out = out.str();
  o.err = err.str();
  return o;
}

// The lines of `text`, without their line ends.
inline Words lines(const std::string& text) {
  Words out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) out.push_back(line);
  return out;
}

// "[a][b]" of the words, for a failure message.
inline std::string joined(const Words& words) {
  std::string s;
  for (const std::string& w : words) s += "[" + w + "]";
  return s;
}

// Adds a practice record, providers DR1 and DR2 and operatories OP1 and OP2, none with a schedule
// of its own, through the session's open resource file.
inline void addTwoOfEach(QdbHandle resources) {
  PracticeRecord practice = PracticeRecord::blank();
  ASSERT_NE(QDB_AddRec(resources, practice.data(), practice.size()), 0);
  for (const char* code : {"DR1", "DR2"}) {
    ProviderRecord p;
    p.setKey(rec::kKindProvider, code);
    ASSERT_NE(QDB_AddRec(resources, p.data(), p.size()), 0);
  }
  for (const char* code : {"OP1", "OP2"}) {
    OperatoryRecord o;
    o.setKey(rec::kKindOperatory, code);
    ASSERT_NE(QDB_AddRec(resources, o.data(), o.size()), 0);
  }
}

class CommandTest : public ::testing::Test {
 public:
  void SetUp() override {
    profile_.set(dir_.file("VANTREL.INI"));
    today_.set("2026-03-11");
  }
  void TearDown() override { QDB_CloseDataBase(); }

  std::string data() const { return dir_.file("data"); }
  // The administration command with "--data <data()>" before `args`.
  Outcome run(Words args) const {
    args.insert(args.begin(), {"--data", data()});
    return capture(runAdminCommand, args);
  }

  vantrel::test::TempDir dir_{"vantrel-tools"};
  vantrel::test::ScopedEnv profile_{"VANTREL_PROFILE"};
  vantrel::test::ScopedEnv today_{"VANTREL_TODAY"};
};

}  // namespace toolstest
