#pragma once
// Where the list loaders put their rows. The list control implements RowSink; tests and the
// command line collect rows in a VectorRowSink.

#include <cstdint>
#include <string>
#include <vector>

// One row of the day, ASAP or Unscheduled list: its text and the values the list keeps with it.
struct ListEntry {
  std::string text;
  std::uint32_t first = 0;   // the appointment identifier
  std::uint32_t second = 0;  // the patient identifier (0: a person without a patient record)
  std::uint32_t third = 0;   // the sort value: start time, appointment date or list date
  std::int16_t fourth = 0;   // the schedule kind
  int colourSlot = 0;        // 0: the list's normal colours
  bool operator==(const ListEntry&) const = default;
};

class RowSink {
 public:
  virtual ~RowSink() = default;
  virtual void clearRows() = 0;
  // Inserts the row before the first row whose third value is greater, so that rows of equal
  // sort value stay in the order they were added.
  virtual void addRow(const ListEntry& row) = 0;
  virtual int rowCount() const = 0;
  // Brackets a run of changes: the list need not redraw between them. Calls do not nest.
  virtual void beginUpdate() {}
  virtual void endUpdate() {}
  // A whole load has ended (called inside the update bracket): the first row becomes current.
  virtual void loadFinished() {}
};

// Keeps the rows in a vector, in the order the list control would show them.
class VectorRowSink final : public RowSink {
 public:
  void clearRows() override { rows_.clear(); }
  void addRow(const ListEntry& row) override;
  int rowCount() const override { return static_cast<int>(rows_.size()); }
  void beginUpdate() override { ++updates_; }
  void loadFinished() override { ++loads_; }

  const std::vector<ListEntry>& rows() const { return rows_; }
  // How many update brackets and finished loads the sink has seen.
  int updates() const { return updates_; }
  int loadsFinished() const { return loads_; }

 private:
  std::vector<ListEntry> rows_;
  int updates_ = 0;
  int loads_ = 0;
};
