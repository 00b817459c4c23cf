#include "shell/ui/day_list_target.h"

#include "controls/ui/list_box.h"
#include "data/appointment_record.h"
#include "data/record_readers.h"
#include "lists/list_loaders.h"
#include "lists/list_state.h"
#include "lists/patient_lookup.h"
#include "lists/row_composers.h"

// ---- ListBoxRowSink

void ListBoxRowSink::clearRows() { list_.clear(); }

void ListBoxRowSink::addRow(const ListEntry& row) {
  list_.addRow(row.text, row.first, row.second, row.third, row.fourth, row.colourSlot);
}

int ListBoxRowSink::rowCount() const { return list_.count(); }

void ListBoxRowSink::beginUpdate() { list_.beginUpdate(); }

void ListBoxRowSink::endUpdate() { list_.endUpdate(); }

void ListBoxRowSink::loadFinished() {
  if (list_.count() > 0) list_.setCurrentRow(0);
}

// ---- ListBoxChangeTarget

int ListBoxChangeTarget::rowCount() const { return list_.count(); }

std::uint32_t ListBoxChangeTarget::rowId(int row) const {
  const ListRow* r = list_.model().row(row);
  return r != nullptr ? r->first : 0;
}

bool ListBoxChangeTarget::rowSelected(int row) const { return list_.isSelected(row); }

void ListBoxChangeTarget::removeRow(int row) { list_.removeRow(row); }

void ListBoxChangeTarget::addAppointment(std::uint32_t id, bool select) {
  const std::optional<ListEntry> entry = source_ ? source_(id) : std::nullopt;
  if (!entry) return;
  const int index = list_.addRow(entry->text, entry->first, entry->second, entry->third,
                                 entry->fourth, entry->colourSlot);
  if (select && index >= 0) list_.selectRow(index, SelectAction::kSelect, false);
}

void ListBoxChangeTarget::beginUpdate() { list_.beginUpdate(); }

void ListBoxChangeTarget::endUpdate(bool /*erase*/) {
  // The list repaints its whole viewport at the end of an update, background included.
  list_.endUpdate();
}

// ---- Rows

std::optional<ListEntry> dayListRowOf(AccessLayer& db, const ListState& state,
                                      const StatusTable& statuses, std::uint32_t id) {
  AppointmentRecord appt;
  if (!readAppointmentById(id, &appt)) return std::nullopt;
  if (appt.date() != state.date) return std::nullopt;
  // A change can reach this workstation after it moved on to another view.
  if (state.mode == kViewModeOperatory &&
      !sameResourceCode(appt.operatoryCode(), viewCode(state))) {
    return std::nullopt;
  }
  if (state.mode == kViewModeProvider && !sameResourceCode(appt.providerCode(), viewCode(state))) {
    return std::nullopt;
  }
  if (!belongsToList(ListKind::kDay, appt, state)) return std::nullopt;
  AccessLayerPatientLookup patients(db);
  return composeDayRow(appt, statuses, patients);
}
