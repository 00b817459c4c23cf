#pragma once
// An environment variable that a test may change and that is put back afterwards.

#include <optional>
#include <string>

namespace vantrel::test {

// Saves the variable `name` when made and restores it (or its absence) when destroyed.
class ScopedEnv {
 public:
  explicit ScopedEnv(std::string name);
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

  void set(const std::string& value) const;
  void unset() const;
  // The value the variable had when this object was made.
  const std::optional<std::string>& saved() const { return saved_; }

 private:
  std::string name_;
  std::optional<std::string> saved_;
};

}  // namespace vantrel::test
