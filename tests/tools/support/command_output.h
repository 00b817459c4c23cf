#pragma once
// What a command of the administration tool printed and returned.

#include <sstream>
#include <string>
#include <vector>

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

}  // namespace toolstest
