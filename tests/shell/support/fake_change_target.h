#pragma once
// A list that pending changes are applied to, kept as a vector of rows.

#include <cstdint>
#include <functional>
#include <vector>

#include "shell/station_changes.h"

namespace shelltest {

struct FakeRow {
  std::uint32_t id = 0;
  bool selected = false;
  bool operator==(const FakeRow&) const = default;
};

class FakeChangeTarget : public ChangeTarget {
 public:
  // Decides whether addAppointment adds a row (an appointment that cannot be read, or belongs
  // elsewhere, adds none). Unset: every appointment is added.
  std::function<bool(std::uint32_t)> accepts;

  std::vector<FakeRow> rows;
  int begins = 0;
  int ends = 0;
  bool lastErase = false;

  int rowCount() const override { return static_cast<int>(rows.size()); }
  std::uint32_t rowId(int row) const override { return rows.at(static_cast<std::size_t>(row)).id; }
  bool rowSelected(int row) const override {
    return rows.at(static_cast<std::size_t>(row)).selected;
  }
  void removeRow(int row) override { rows.erase(rows.begin() + row); }
  // New rows go last, so that a replaced row is met again later in the same pass.
  void addAppointment(std::uint32_t id, bool select) override {
    if (!accepts || accepts(id)) rows.push_back({id, select});
  }
  void beginUpdate() override { ++begins; }
  void endUpdate(bool erase) override {
    ++ends;
    lastErase = erase;
  }
};

}  // namespace shelltest
