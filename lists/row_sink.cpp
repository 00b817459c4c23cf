#include "lists/row_sink.h"

#include <algorithm>

void VectorRowSink::addRow(const ListEntry& row) {
  const auto place = std::upper_bound(
      rows_.begin(), rows_.end(), row.third,
      [](std::uint32_t value, const ListEntry& existing) { return value < existing.third; });
  rows_.insert(place, row);
}
