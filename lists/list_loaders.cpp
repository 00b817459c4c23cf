#include "lists/list_loaders.h"

#include <algorithm>
#include <array>
#include <functional>
#include <vector>

#include "contracts/qdb.h"
#include "data/access_layer.h"
#include "data/appointment_record.h"
#include "data/schema.h"
#include "lists/definitions.h"
#include "lists/patient_lookup.h"
#include "lists/row_sink.h"

namespace {

constexpr int kReadErrorMessage = 3018;
// Resource kinds as keys 10, 11 and 15 hold them.
constexpr std::uint8_t kOperatoryKind = 3;
constexpr std::uint8_t kProviderKind = 1;
// The marker byte of an appointment on the Unscheduled list.
constexpr std::uint8_t kUnscheduledMarker = 1;
// Keys 10 and 11: date (4), kind (1), code (4). Key 15: marker, kind, code, list date.
constexpr std::size_t kDateKeyLength = 9;
constexpr std::size_t kUnscheduledKeyLength = 10;

struct SetKey {
  int number = 0;
  std::vector<std::uint8_t> bytes;  // the whole key; the set ranges over the prefix
  std::size_t prefix = 0;
};

void appendCode(std::vector<std::uint8_t>& bytes, const std::string& code) {
  for (const char c : code) bytes.push_back(static_cast<std::uint8_t>(c));
}

// The appointments of one date in the view: key 10 by date (mode 0) or by date and operatory
// (mode 1), key 11 by date and provider (mode 2).
SetKey dateKey(PackedDate date, const ListState& state) {
  SetKey key;
  key.number = state.mode == kViewModeProvider ? kApptByDateProvider : kApptByDateOperatory;
  key.bytes = {static_cast<std::uint8_t>(date), static_cast<std::uint8_t>(date >> 8),
               static_cast<std::uint8_t>(date >> 16), static_cast<std::uint8_t>(date >> 24)};
  if (state.mode == kViewModeOperatory || state.mode == kViewModeProvider) {
    key.bytes.push_back(state.mode == kViewModeOperatory ? kOperatoryKind : kProviderKind);
    appendCode(key.bytes, viewCode(state));
    key.prefix = kDateKeyLength;
  } else {
    key.prefix = 4;
  }
  key.bytes.resize(kDateKeyLength, 0);
  return key;
}

// The Unscheduled list: key 15, of one provider in mode 2, else all.
SetKey unscheduledKey(const ListState& state) {
  SetKey key;
  key.number = kApptUnscheduled;
  key.bytes = {kUnscheduledMarker};
  if (state.mode == kViewModeProvider) {
    key.bytes.push_back(kProviderKind);
    appendCode(key.bytes, viewCode(state));
    key.prefix = 6;
  } else {
    key.prefix = 1;
  }
  key.bytes.resize(kUnscheduledKeyLength, 0);
  return key;
}

void reportReadError(AccessLayer& db, Prompter& prompter) {
  QRX_MessageBox(prompter, kStyleError, kReadErrorMessage, db.status().error,
                 db.status().fileNumber);
}

// Walks the appointments of one set. `started` runs once the set is known to be readable
// (started, or empty); `take` gets each record and answers false to stop reading. Returns 0 when
// the set was read to its end or `take` stopped it, else the database error after message 3018.
int walkSet(AccessLayer& db, Prompter& prompter, const SetKey& key,
            const std::function<void()>& started,
            const std::function<bool(const AppointmentRecord&)>& take) {
  AppointmentRecord appt;
  int error = 0;
  do {
    db.startSet(key.number, 0, key.bytes.data(), key.bytes.size(), appt.data(), appt.size(),
                key.prefix);
    error = db.status().error;
  } while (error == kQdbStartSetAgain);
  if (error == kQdbNotFound) {
    started();
    return 0;
  }
  if (error != 0) {
    reportReadError(db, prompter);
    return error;
  }
  started();
  while (take(appt)) {
    db.nextInSet(key.number, appt.data(), appt.size());
    error = db.status().error;
    if (error == kQdbNotFound) {
      error = 0;
      break;
    }
    if (error != 0) {
      reportReadError(db, prompter);
      break;
    }
  }
  db.endSet(key.number);
  return error;
}

// Opens the appointment file for a load (or uses it when the caller has it open), runs `load`
// inside the sink's update bracket, and closes the file again when it opened it.
int withAppointmentFile(AccessLayer& db, RowSink& sink, const std::function<int()>& load) {
  const FileDescriptor* file = descriptorOf(kAppointmentFile);
  if (file == nullptr) return kDbFileNotOpen;
  const bool wasOpen = db.isOpen(kAppointmentFile);
  if (!wasOpen && db.open(*file) != 0) return db.status().error;
  sink.beginUpdate();
  const int error = load();
  if (!wasOpen) db.close(*file);
  sink.loadFinished();
  sink.endUpdate();
  return error;
}

bool sameCode(const std::string& stored, const std::string& viewed) {
  std::string a = stored.substr(0, 4);
  std::string b = viewed.substr(0, 4);
  a.resize(4, ' ');
  b.resize(4, ' ');
  return a == b;
}

}  // namespace

int loadDayList(AccessLayer& db, Prompter& prompter, const ListState& state,
                const StatusTable& statuses, PatientLookup& patients, RowSink& sink) {
  return withAppointmentFile(db, sink, [&] {
    return walkSet(
        db, prompter, dateKey(state.date, state), [&] { sink.clearRows(); },
        [&](const AppointmentRecord& appt) {
          sink.addRow(composeDayRow(appt, statuses, patients));
          return true;
        });
  });
}

int loadUnscheduledList(AccessLayer& db, Prompter& prompter, const ListState& state,
                        const StatusTable& statuses, PatientLookup& patients, RowSink& sink) {
  return withAppointmentFile(db, sink, [&] {
    int added = 0;
    return walkSet(
        db, prompter, unscheduledKey(state), [&] { sink.clearRows(); },
        [&](const AppointmentRecord& appt) {
          // The notice is for a list that really was cut: it comes when a record beyond the
          // limit has been read, not when exactly the limit matched.
          if (added >= kUnscheduledRowLimit) {
            Prompt notice;
            notice.caption = kTruncatedListCaption;
            notice.text = kTruncatedListText;
            notice.buttons = PromptButtons::kOk;
            notice.icon = PromptIcon::kInformation;
            prompter.ask(notice);
            return false;
          }
          sink.addRow(composeUnscheduledRow(appt, statuses, patients));
          ++added;
          return true;
        });
  });
}

int loadAsapList(AccessLayer& db, Prompter& prompter, const ListState& state, int span,
                 int searchKind, const StatusTable& statuses, PatientLookup& patients,
                 RowSink& sink) {
  return withAppointmentFile(db, sink, [&] {
    sink.clearRows();
    const std::uint64_t last = std::min<std::uint64_t>(
        std::uint64_t{state.date} + static_cast<std::uint64_t>(std::max(span, 0)), 0xFFFFFFFFu);
    // Date 0 is no date: the appointments under it are the undated ones, never on this list.
    for (std::uint64_t day = std::max<PackedDate>(state.date, 1); day <= last; ++day) {
      const int error = walkSet(
          db, prompter, dateKey(static_cast<PackedDate>(day), state), [] {},
          [&](const AppointmentRecord& appt) {
            if (appt.scheduleKind() == searchKind) {
              sink.addRow(composeAsapRow(appt, statuses, patients));
            }
            return true;
          });
      if (error != 0) return error;
    }
    return 0;
  });
}

bool belongsToList(ListKind kind, const AppointmentRecord& appt, const ListState& state, int span,
                   int searchKind) {
  switch (kind) {
    case ListKind::kDay:
      return true;
    case ListKind::kUnscheduled:
      if (appt.date() != kNoDate) return false;
      return state.mode != kViewModeProvider || sameCode(appt.providerCode(), state.providerCode);
    case ListKind::kAsap: {
      if (appt.scheduleKind() != searchKind || appt.date() == kNoDate) return false;
      const std::uint64_t last =
          std::uint64_t{state.date} + static_cast<std::uint64_t>(std::max(span, 0));
      if (appt.date() < state.date || appt.date() > last) return false;
      if (state.mode == kViewModeOperatory)
        return sameCode(appt.operatoryCode(), state.operatoryCode);
      if (state.mode == kViewModeProvider) return sameCode(appt.providerCode(), state.providerCode);
      return true;
    }
  }
  return false;
}
