#include "tests/support/test_files.h"

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

namespace vantrel::test {

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

bool writeFile(const std::string& path, std::string_view content) {
  const std::filesystem::path parent = std::filesystem::path(path).parent_path();
  if (!parent.empty()) {
    std::error_code ignored;  // a failure shows when the file cannot be opened
    std::filesystem::create_directories(parent, ignored);
  }
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(content.data(), static_cast<std::streamsize>(content.size()));
  out.close();
  return !out.fail();
}

bool writeFile(const std::string& path, std::string_view content, mode_t mode) {
  const bool written = writeFile(path, content);
  return ::chmod(path.c_str(), mode) == 0 && written;
}

}  // namespace vantrel::test
