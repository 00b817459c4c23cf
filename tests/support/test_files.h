#pragma once
// Whole files read and written in one call.

#include <sys/types.h>

#include <string>
#include <string_view>

namespace vantrel::test {

// The whole content of a file, byte for byte; "" when it cannot be read.
std::string readFile(const std::string& path);

// Makes the missing directories above `path`, then writes `content` as the whole file.
// Returns false when the file could not be written.
bool writeFile(const std::string& path, std::string_view content);

// As writeFile, then gives the file the permission bits `mode` (0755 for a script).
bool writeFile(const std::string& path, std::string_view content, mode_t mode);

}  // namespace vantrel::test
