#pragma once
// The day list window as the list code sees it: where a load puts its rows (RowSink) and what the
// pending changes of other workstations are applied to (ChangeTarget).

#include <cstdint>
#include <functional>
#include <optional>
#include <utility>

#include "lists/row_sink.h"
#include "shell/station_changes.h"

class AccessLayer;
class ListBox;
class StatusTable;
struct ListState;

// Rows of a load go into the list window, sorted by their third value (the window must be made
// with sort mode 3). REQUIRES: the list outlives the sink.
class ListBoxRowSink final : public RowSink {
 public:
  explicit ListBoxRowSink(ListBox& list) : list_(list) {}
  void clearRows() override;
  void addRow(const ListEntry& row) override;
  int rowCount() const override;
  void beginUpdate() override;
  void endUpdate() override;
  // The first row becomes current (framed), without being selected.
  void loadFinished() override;

 private:
  ListBox& list_;
};

// The row of an appointment for the list, or nothing when it cannot be read or does not belong
// in the list.
using RowSource = std::function<std::optional<ListEntry>(std::uint32_t id)>;

// Pending changes applied to the list window. A replaced row that was selected comes back
// selected (and current). REQUIRES: the list outlives the target.
class ListBoxChangeTarget final : public ChangeTarget {
 public:
  ListBoxChangeTarget(ListBox& list, RowSource source) : list_(list), source_(std::move(source)) {}

  int rowCount() const override;
  std::uint32_t rowId(int row) const override;
  bool rowSelected(int row) const override;
  void removeRow(int row) override;
  void addAppointment(std::uint32_t id, bool select) override;
  void beginUpdate() override;
  void endUpdate(bool erase) override;

 private:
  ListBox& list_;
  RowSource source_;
};

// The day list row of appointment `id`: read by its identifier and composed as a load would, or
// nothing when it cannot be read or lies outside the list's date and view (a change that reached
// this workstation after it moved on to another date or view). REQUIRES: the access layer's
// session is started.
std::optional<ListEntry> dayListRowOf(AccessLayer& db, const ListState& state,
                                      const StatusTable& statuses, std::uint32_t id);
