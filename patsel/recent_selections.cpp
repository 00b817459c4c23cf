#include "patsel/recent_selections.h"

#include <algorithm>
#include <charconv>

#include "contracts/qrx.h"

namespace {

constexpr const char* kSection = "SELPAT";
// Profile lines are limited; a row is far shorter than this.
constexpr std::size_t kValueSize = 1024;

std::string keyOf(int number, std::uint32_t user) {
  return "Recent" + std::to_string(number) + "." + std::to_string(user);
}

bool parse(std::string_view value, RecentEntry* out) {
  const std::size_t comma = value.find(',');
  if (comma == std::string_view::npos || comma == 0 || comma + 1 == value.size()) return false;
  std::uint32_t id = 0;
  const auto [ptr, ec] = std::from_chars(value.data(), value.data() + comma, id);
  if (ec != std::errc() || ptr != value.data() + comma || id == 0) return false;
  out->patientId = id;
  out->row = std::string(value.substr(comma + 1));
  return true;
}

}  // namespace

std::vector<RecentEntry> RecentSelections::load() const {
  std::vector<RecentEntry> entries;
  for (int n = 1; n <= kRecentCount; ++n) {
    char value[kValueSize] = {};
    QRX_GetProfileString(kSection, keyOf(n, user_).c_str(), "", value, sizeof value);
    RecentEntry entry;
    if (parse(value, &entry)) entries.push_back(std::move(entry));
  }
  return entries;
}

int RecentSelections::add(const RecentEntry& entry) {
  std::vector<RecentEntry> entries = load();
  std::erase_if(entries, [&](const RecentEntry& e) { return e.patientId == entry.patientId; });
  entries.insert(entries.begin(), entry);
  if (entries.size() > kRecentCount) entries.resize(kRecentCount);
  return store(entries);
}

int RecentSelections::remove(std::uint32_t patientId) {
  std::vector<RecentEntry> entries = load();
  const std::size_t before = entries.size();
  std::erase_if(entries, [&](const RecentEntry& e) { return e.patientId == patientId; });
  return entries.size() == before ? 1 : store(entries);
}

int RecentSelections::store(const std::vector<RecentEntry>& entries) {
  int ok = 1;
  for (int n = 1; n <= kRecentCount; ++n) {
    const std::string key = keyOf(n, user_);
    if (n <= static_cast<int>(entries.size())) {
      const RecentEntry& e = entries[static_cast<std::size_t>(n - 1)];
      const std::string value = std::to_string(e.patientId) + "," + e.row;
      ok &= QRX_WriteProfileString(kSection, key.c_str(), value.c_str());
    } else {
      ok &= QRX_DeleteProfileKey(kSection, key.c_str());
    }
  }
  return ok;
}
