#include "tests/support/scoped_env.h"

#include <stdlib.h>

#include <utility>

namespace vantrel::test {

ScopedEnv::ScopedEnv(std::string name) : name_(std::move(name)) {
  if (const char* value = ::getenv(name_.c_str()); value != nullptr) saved_ = value;
}

ScopedEnv::~ScopedEnv() {
  if (saved_) {
    set(*saved_);
  } else {
    unset();
  }
}

void ScopedEnv::set(const std::string& value) const { ::setenv(name_.c_str(), value.c_str(), 1); }

void ScopedEnv::unset() const { ::unsetenv(name_.c_str()); }

}  // namespace vantrel::test
