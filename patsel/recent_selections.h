#pragma once
// The three patients a user chose last in the patient selection, kept per signed-on user in the
// suite profile: section SELPAT, keys "Recent1.<user>" (the most recent) to "Recent3.<user>",
// each "<patient identifier>,<row text>". Qt-free.
//
// Entries that cannot be read back (no identifier, no row) are skipped as if absent. Each entry
// is its own profile key, so a failed write can leave some entries changed and others not; the
// list stays readable either way.

#include <cstdint>
#include <string>
#include <vector>

struct RecentEntry {
  std::uint32_t patientId = 0;
  std::string row;
};

inline constexpr int kRecentCount = 3;

class RecentSelections {
 public:
  explicit RecentSelections(std::uint32_t user) : user_(user) {}

  // The entries, the most recent first (at most three).
  std::vector<RecentEntry> load() const;
  // Puts `entry` first; the same patient further down goes, and so does a fourth entry.
  // Returns 1, or 0 when the profile could not be written.
  int add(const RecentEntry& entry);
  // Removes the patient's entry; the later ones move up. Returns 1, or 0 on a failed write.
  int remove(std::uint32_t patientId);

 private:
  int store(const std::vector<RecentEntry>& entries);
  std::uint32_t user_;
};
