#pragma once
// A temporary directory of a test's own.

#include <string>
#include <string_view>

namespace vantrel::test {

// Makes a fresh "<prefix>-XXXXXX" under the temporary directory and removes it with all inside
// when destroyed, whatever permissions a test left on it. When none can be made the test fails
// and path() is empty.
class TempDir {
 public:
  explicit TempDir(std::string_view prefix = "vantrel-test");
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  // The path of `name` (which may hold further directories) inside this directory.
  std::string file(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

}  // namespace vantrel::test
