#include "shell/ui/modules.h"

#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cstdlib>
#include <string_view>

#include "contracts/qrx.h"

namespace {

constexpr std::array<ModuleInfo, 12> kModules = {{
    {12112, "Patient &Chart", "Chart", "vantrel-chart", false},
    {12113, "&Family Records", "Family", "vantrel-family", false},
    {12114, "Account &Ledger", "Ledger", "vantrel-ledger", false},
    {12116, "&Treatment Planner", "Planner", "vantrel-planner", true},
    {12117, "&Office Manager", "Office", "vantrel-office", false},
    {12118, "Form Le&tters", "Letters", "vantrel-letters", false},
    {12124, "&Questionnaires", "Forms", "vantrel-questionnaires", true},
    {12126, "&Prescriptions", "Rx", "vantrel-prescriptions", true},
    {12128, "Office &Journal", "Journal", "vantrel-journal", true},
    {12142, "&Document Store", "Docs", "vantrel-documents", true},
    {389, "&Treatment Manager", "Tx Mgr", "vantrel-treatment", true},
    {404, "&Lab Case Manager", "Lab", "vantrel-labcase", true},
}};

// The first word of a command line, as QRX_RunProgram splits it for the simple cases: up to the
// first blank, quotes removed when the whole word is quoted.
std::string firstWord(std::string_view line) {
  while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
  if (!line.empty() && (line.front() == '"' || line.front() == '\'')) {
    const char quote = line.front();
    const std::size_t end = line.find(quote, 1);
    if (end != std::string_view::npos) return std::string(line.substr(1, end - 1));
  }
  const std::size_t end = line.find_first_of(" \t");
  return std::string(line.substr(0, end));
}

bool executableFile(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

// A sign-on name as one word of a command line.
std::string quotedWord(const std::string& word) {
  if (!word.empty() && word.find_first_of(" \t'\"\\") == std::string::npos) return word;
  std::string out = "'";
  for (const char c : word) {
    if (c == '\'') {
      out += "'\\''";
    } else {
      out += c;
    }
  }
  out += '\'';
  return out;
}

}  // namespace

std::span<const ModuleInfo> modules() { return kModules; }

const ModuleInfo* findModule(int command) {
  for (const ModuleInfo& m : kModules) {
    if (m.command == command) return &m;
  }
  return nullptr;
}

std::string moduleProgram(int command) {
  const ModuleInfo* module = findModule(command);
  if (module == nullptr) return {};
  char value[1024] = {};
  const std::string key = std::to_string(command);
  QRX_GetProfileString(kModulesSection, key.c_str(), module->defaultProgram, value, sizeof value);
  if (value[0] == '\0') return module->defaultProgram;
  return value;
}

std::string moduleArguments(int command, const ModuleContext& c) {
  const std::string patient = std::to_string(c.patient);
  const std::string window = std::to_string(c.window);
  switch (command) {
    case 12112:
    case 12113:
    case 12114:
    case 12118:
    case 12124:
    case 12142:
      return "/ID" + patient;
    case 12116:
      return "/ID" + patient + " /CHND" + patient + "/DATE0";
    case 12126:
      return "/1 /h=" + window + " /p=" + patient;
    case 389:
    case 404:
      return "/s";
    case 12128:
      if (c.patient != 0) return "/k=QrxOJ /v=" + patient + " /H=" + window;
      return "/k=QrxOJ /p=" + quotedWord(c.user) + " /H=" + window;
    default:
      return "";
  }
}

bool programPresent(const std::string& program) {
  const std::string name = firstWord(program);
  if (name.empty()) return false;
  if (name.find('/') != std::string::npos) return executableFile(name);
  const char* path = std::getenv("PATH");
  std::string_view dirs = path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin";
  while (true) {
    const std::size_t colon = dirs.find(':');
    // An empty entry of PATH is the current directory.
    const std::string_view dir = dirs.substr(0, colon);
    std::string candidate(dir.empty() ? std::string_view(".") : dir);
    candidate.push_back('/');
    candidate.append(name);
    if (executableFile(candidate)) return true;
    if (colon == std::string_view::npos) return false;
    dirs.remove_prefix(colon + 1);
  }
}

int startModule(Prompter& prompter, int command, const ModuleContext& context) {
  if (findModule(command) == nullptr) return 0;
  std::string line = moduleProgram(command);
  const std::string arguments = moduleArguments(command, context);
  if (!arguments.empty()) {
    line.push_back(' ');
    line.append(arguments);
  }
  const int result = QRX_RunProgram(line.c_str(), 5);
  if (result < kProgramStarted) {
    QRX_MessageBox(prompter, kStyleError, kModuleNotStartedMessage, result);
  }
  return result;
}
