// The QRX_ settings calls: profile names resolved to files, values copied into the callers'
// buffers, the data directory.

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "contracts/qrx.h"
#include "platform/qrx/profile.h"
#include "platform/qrx/text_out.h"

namespace {

using vantrel::qrx::copyCut;
using vantrel::qrx::copyCutUtf8;
using vantrel::qrx::ProfileFile;

bool equalsIgnoreCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i];
    char y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

// $HOME, else the account's home directory; "" when neither is known.
std::string homeDirectory() {
  std::string home;
  const char* env = std::getenv("HOME");
  if (env != nullptr && *env != '\0') {
    home = env;
  } else {
    long hint = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(hint > 0 ? static_cast<std::size_t>(hint) : 16384);
    struct passwd entry {};
    struct passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
        found != nullptr && found->pw_dir != nullptr) {
      home = found->pw_dir;
    }
  }
  while (home.size() > 1 && home.back() == '/') home.pop_back();
  return home;
}

std::string suiteProfilePath() {
  const char* env = std::getenv("VANTREL_PROFILE");
  if (env != nullptr && *env != '\0') return env;
  std::string home = homeDirectory();
  if (home.empty()) return {};
  return home + "/.config/vantrel/VANTREL.INI";
}

std::string dataPath() {
  std::string home = homeDirectory();
  std::string path = ProfileFile(suiteProfilePath()).readString("GENERAL", "Path", "");
  if (path.empty()) return home.empty() ? std::string() : home + "/.local/share/vantrel/data";
  if (!home.empty() && (path == "~" || path.rfind("~/", 0) == 0)) path = home + path.substr(1);
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

}  // namespace

std::string QRX_ProfilePath(const char* profile) {
  if (profile == nullptr || *profile == '\0') return {};
  if (equalsIgnoreCase(profile, kSuiteProfile)) return suiteProfilePath();
  if (equalsIgnoreCase(profile, kDataProfile)) {
    std::string directory = dataPath();
    if (directory.empty()) return {};
    if (directory.back() != '/') directory += '/';
    return directory + kDataProfile;
  }
  return profile;
}

int QRX_GetProfileString(const char* section, const char* key, const char* def, char* out,
                         std::size_t size, const char* profile) {
  std::string_view fallback = def != nullptr ? def : "";
  if (section == nullptr || key == nullptr) return copyCutUtf8(out, size, fallback);
  std::string value = ProfileFile(QRX_ProfilePath(profile)).readString(section, key, fallback);
  return copyCutUtf8(out, size, value);
}

int QRX_GetProfileInt(const char* section, const char* key, int def, const char* profile) {
  if (section == nullptr || key == nullptr) return def;
  return ProfileFile(QRX_ProfilePath(profile)).readInt(section, key, def);
}

int QRX_WriteProfileString(const char* section, const char* key, const char* value,
                           const char* profile) {
  if (section == nullptr || key == nullptr || value == nullptr) return 0;
  return ProfileFile(QRX_ProfilePath(profile)).writeString(section, key, value);
}

int QRX_WriteProfileInt(const char* section, const char* key, int value, const char* profile) {
  if (section == nullptr || key == nullptr) return 0;
  return ProfileFile(QRX_ProfilePath(profile)).writeInt(section, key, value);
}

int QRX_DeleteProfileKey(const char* section, const char* key, const char* profile) {
  if (section == nullptr || key == nullptr) return 1;
  return ProfileFile(QRX_ProfilePath(profile)).deleteKey(section, key);
}

int QRX_GetSuiteSetting(const char* section, const char* key, int def) {
  return QRX_GetProfileInt(section, key, def, kSuiteProfile);
}

int QRX_GetDataPath(char* out, std::size_t size) {
  if (out == nullptr || size == 0) return 0;
  std::string path = dataPath();
  // A cut path would name another directory: it is all or nothing.
  if (path.size() >= size) {
    copyCut(out, size, "");
    return 0;
  }
  return copyCut(out, size, path);
}
