#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <system_error>

namespace vantrel::test {

namespace fs = std::filesystem;

TempDir::TempDir(std::string_view prefix) {
  std::string pattern = (fs::temp_directory_path() / (std::string(prefix) + "-XXXXXX")).string();
  if (::mkdtemp(pattern.data()) != nullptr) {
    path_ = pattern;
  } else {
    ADD_FAILURE() << "cannot make a temporary directory from " << pattern;
  }
}

TempDir::~TempDir() {
  if (path_.empty()) return;
  std::error_code ignored;
  // Directories a test closed are opened up as they are reached, before the iterator goes into
  // them; links are not followed, so nothing outside is changed.
  fs::permissions(path_, fs::perms::owner_all, ignored);
  for (auto it = fs::recursive_directory_iterator(path_, ignored);
       it != fs::recursive_directory_iterator(); it.increment(ignored)) {
    if (!it->is_symlink(ignored) && it->is_directory(ignored)) {
      fs::permissions(it->path(), fs::perms::owner_all, ignored);
    }
  }
  fs::remove_all(path_, ignored);
}

}  // namespace vantrel::test
