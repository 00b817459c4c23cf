#include "shell/station_changes.h"

#include <algorithm>
#include <array>
#include <cstddef>

namespace {

std::array<char, rec::kCodeWidth> padded(std::string_view code) {
  std::array<char, rec::kCodeWidth> out;
  out.fill(' ');
  for (std::size_t i = 0; i < out.size() && i < code.size() && code[i] != '\0'; ++i) {
    out[i] = code[i];
  }
  return out;
}

std::size_t storedCount(const StationRecord& station) {
  return std::min<std::size_t>(station.pendingCount(), StationRecord::kMaxPending);
}

// The first unused entry of `changes` for appointment `id` whose kind passes `wanted`.
template <typename Wanted>
int findUnused(std::span<const PendingChange> changes, const std::vector<bool>& used,
               std::uint32_t id, Wanted wanted) {
  if (id == 0) return -1;  // a row without an appointment (a free time) is never changed
  for (std::size_t i = 0; i < changes.size(); ++i) {
    if (!used[i] && changes[i].id == id && wanted(changes[i].kind)) return static_cast<int>(i);
  }
  return -1;
}

}  // namespace

bool sameResourceCode(std::string_view a, std::string_view b) { return padded(a) == padded(b); }

bool stationViewMatches(const StationRecord& station, std::string_view operatory,
                        std::string_view provider) {
  switch (station.viewMode()) {
    case 0:
      return true;
    case 1:
      return sameResourceCode(station.viewOperatory(), operatory);
    case 2:
      return sameResourceCode(station.viewProvider(), provider);
    default:
      return false;
  }
}

void appendChange(StationRecord& station, std::uint32_t appointmentId, std::uint16_t kind) {
  constexpr std::size_t kMax = StationRecord::kMaxPending;
  std::size_t count = storedCount(station);
  if (count == kMax) {
    for (std::size_t i = 1; i < kMax; ++i) {
      station.setPending(i - 1, station.pendingId(i), station.pendingKind(i));
    }
  } else {
    ++count;
  }
  station.setPending(count - 1, appointmentId, kind);
  station.setPendingCount(static_cast<std::uint8_t>(count));
}

std::vector<PendingChange> pendingChanges(const StationRecord& station) {
  std::vector<PendingChange> out;
  const std::size_t count = storedCount(station);
  out.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    out.push_back({station.pendingId(i), station.pendingKind(i)});
  }
  return out;
}

ApplyOutcome applyChanges(std::span<const PendingChange> changes, ChangeTarget& target) {
  ApplyOutcome outcome;
  const int total = static_cast<int>(changes.size());
  std::vector<bool> used(changes.size(), false);
  auto useUp = [&](int entry) {
    used[static_cast<std::size_t>(entry)] = true;
    ++outcome.used;
    return outcome.used >= total;
  };

  target.beginUpdate();
  bool done = total == 0;

  // Pass 1: rows of removed appointments.
  for (int row = 0; !done && row < target.rowCount();) {
    int entry = findUnused(changes, used, target.rowId(row),
                           [](std::uint16_t k) { return k == StationRecord::kRemoved; });
    if (entry < 0) {
      ++row;
      continue;
    }
    target.removeRow(row);
    ++outcome.removed;
    done = useUp(entry);
  }

  // Pass 2: added appointments.
  for (int entry = 0; !done && entry < total; ++entry) {
    if (used[static_cast<std::size_t>(entry)] ||
        changes[static_cast<std::size_t>(entry)].kind != StationRecord::kAdded ||
        changes[static_cast<std::size_t>(entry)].id == 0) {
      continue;
    }
    target.addAppointment(changes[static_cast<std::size_t>(entry)].id, false);
    done = useUp(entry);
  }

  // Pass 3: what is left, row by row. A replaced row is looked at again where it lands, so a
  // second change of the same appointment is applied too; each entry is used once, so this ends.
  for (int row = 0; !done && row < target.rowCount();) {
    const std::uint32_t id = target.rowId(row);
    int entry = findUnused(changes, used, id, [](std::uint16_t k) {
      return k == StationRecord::kRemoved || k == StationRecord::kChanged;
    });
    if (entry < 0) {
      ++row;
      continue;
    }
    const bool selected = target.rowSelected(row);
    target.removeRow(row);
    ++outcome.removed;
    if (changes[static_cast<std::size_t>(entry)].kind == StationRecord::kChanged) {
      target.addAppointment(id, selected);
    }
    done = useUp(entry);
  }

  target.endUpdate(outcome.removed >= 2);
  return outcome;
}
