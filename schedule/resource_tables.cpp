#include "schedule/resource_tables.h"

#include <array>
#include <optional>

#include "contracts/qdb.h"
#include "contracts/qrx.h"
#include "data/access_layer.h"
#include "data/resource_records.h"
#include "data/rsc_use_record.h"
#include "data/schema.h"
#include "schedule/practice_schedule.h"
#include "schedule/schedule_keys.h"

namespace {

// The engine never asks for a set to be started again; a bound keeps a misbehaving backend from
// looping for ever.
constexpr int kStartSetTries = 10;

constexpr std::array<std::uint32_t, 8> kDefaultColours = {
    rgbColour(255, 255, 0), rgbColour(0, 255, 255), rgbColour(255, 0, 255), rgbColour(255, 0, 0),
    rgbColour(0, 255, 0),   rgbColour(0, 0, 255),   rgbColour(192, 192, 0), rgbColour(0, 192, 192)};

// Opens a file of the access layer for the time of a load, unless the caller had it open.
class FileForLoad {
 public:
  FileForLoad(AccessLayer& db, int fileNumber) : db_(db) {
    descriptor_ = descriptorOf(fileNumber);
    if (descriptor_ == nullptr) {
      error_ = kDbFileNotOpen;
    } else if (!db_.isOpen(fileNumber)) {
      if (db_.open(*descriptor_) != 0) {
        error_ = db_.status().error != 0 ? db_.status().error : kDbFileNotOpen;
      } else {
        opened_ = true;
      }
    }
  }
  ~FileForLoad() {
    if (opened_) db_.close(*descriptor_);
  }
  FileForLoad(const FileForLoad&) = delete;
  FileForLoad& operator=(const FileForLoad&) = delete;

  // 0 when the file is open.
  int error() const { return error_; }

 private:
  AccessLayer& db_;
  const FileDescriptor* descriptor_ = nullptr;
  bool opened_ = false;
  int error_ = 0;
};

// Walks the resources of `kind` in code order. `take` gets each record and answers 0 to go on
// or an error to stop with. Returns 0 when the walk ran to its end (also for no record), else
// the error.
template <typename Record, typename Take>
int walkResources(AccessLayer& db, std::uint8_t kind, Record& record, Take take) {
  const std::array<std::uint8_t, kResourceKeyLength> prefix{kind};
  int error = 0;
  int tries = 0;
  do {
    db.startSet(kResourceByKindCode, 0, prefix.data(), prefix.size(), record.data(), record.size(),
                1);
    error = db.status().error;
  } while (error == kQdbStartSetAgain && ++tries < kStartSetTries);
  if (error != 0) return error == kQdbNotFound ? 0 : error;

  while (true) {
    error = take(record);
    if (error != 0) break;
    db.nextInSet(kResourceByKindCode, record.data(), record.size());
    error = db.status().error;
    if (error != 0) break;
  }
  db.endSet(kResourceByKindCode);
  return error == kQdbNotFound ? 0 : error;
}

int failed(Prompter& prompter, int error) {
  QRX_MessageBox(prompter, kStyleError, kResourceReadErrorMessage, error);
  return -1;
}

std::array<std::uint8_t, rec::kCodeWidth> storedCode(const ResourceRecord& r) {
  std::array<std::uint8_t, rec::kCodeWidth> code{};
  std::copy_n(r.data() + ResourceRecord::kCode.offset, rec::kCodeWidth, code.begin());
  return code;
}

// The entry of a provider that has no default record.
ProviderEntry fallbackEntry(const ProviderRecord& r, std::size_t position, const WeekHours& hours) {
  ProviderEntry e;
  e.code = r.code();
  e.colour = defaultProviderColour(position);
  e.hours = hours;
  e.operatoryBits = r.operatoryBits();
  e.inactive = r.leftOut() == 1;
  return e;
}

// `code` blank-padded to four characters; nullopt for an empty code or one over four. A zero
// byte ends a code as it ends a stored one.
std::optional<std::array<char, rec::kCodeWidth>> paddedCode(std::string_view code) {
  const std::size_t zero = code.find('\0');
  if (zero != std::string_view::npos) code = code.substr(0, zero);
  if (code.empty() || code.size() > rec::kCodeWidth) return std::nullopt;
  std::array<char, rec::kCodeWidth> out{' ', ' ', ' ', ' '};
  std::copy(code.begin(), code.end(), out.begin());
  return out;
}

template <typename Entries>
int findCode(const Entries& entries, std::string_view code) {
  const auto wanted = paddedCode(code);
  if (!wanted) return -1;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    if (paddedCode(entries[i].code) == wanted) return static_cast<int>(i);
  }
  return -1;
}

}  // namespace

std::uint32_t defaultProviderColour(std::size_t position) {
  return kDefaultColours[position % kDefaultColours.size()];
}

void applyDefaultRecord(const RscUseRecord& s, ProviderEntry* e) {
  e->hasDefaultRecord = true;
  e->colour = s.colour();
  e->hours = defaultHoursOf(s);
  const auto bytes = s.bytes();
  for (std::size_t b = 0; b < kTimeBlocks; ++b) {
    ProviderTimeBlock& block = e->blocks[b];
    block.name = s.blockName(b);
    for (std::size_t day = 0; day < kWeekDays; ++day) {
      block.start[day] = workingTime(s.blockStart(day, b));
      block.end[day] = workingTime(s.blockEnd(day, b));
    }
    block.colour = s.blockColour(b);
    // The record names only the first byte of each type entry; the other four are carried.
    const std::size_t from = RscUseRecord::kBlockTypeEntries.offset + b * kBlockTypeBytes;
    std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(from), kBlockTypeBytes,
                block.type.begin());
    block.operatory = s.blockOperatory(b);
  }
  e->aliases.clear();
  for (std::size_t i = 0; i < kMaxAliases; ++i) {
    std::string alias = s.alias(i);
    if (alias.empty()) break;  // the first byte is 0
    e->aliases.push_back(std::move(alias));
  }
  for (std::size_t day = 0; day < kWeekDays; ++day) e->goals[day] = s.goal(day);
}

bool ProviderEntry::assignedTo(std::size_t number) const {
  if (number >= kOperatoryBitBytes * 8) return false;
  return ((operatoryBits[number / 8] >> (number % 8)) & 1) != 0;
}

int loadOperatories(AccessLayer& db, Prompter& prompter, OperatoryTable* out) {
  if (out == nullptr) return -1;
  out->operatories.clear();
  FileForLoad resources(db, kResourceFile);
  if (resources.error() != 0) return failed(prompter, resources.error());

  OperatoryRecord record;
  const int error = walkResources(db, rec::kKindOperatory, record, [&](const OperatoryRecord& r) {
    out->operatories.push_back({r.code(), r.assignmentNumber()});
    return 0;
  });
  if (error != 0) return failed(prompter, error);
  return static_cast<int>(out->operatories.size());
}

int loadProviders(AccessLayer& db, Prompter& prompter, ProviderScheduleTable* out,
                  const PracticeSchedule* practice) {
  if (out == nullptr) return -1;
  out->providers.clear();
  const WeekHours fallbackHours = practice != nullptr ? practice->hours : builtInPracticeHours();

  FileForLoad resources(db, kResourceFile);
  if (resources.error() != 0) return failed(prompter, resources.error());
  FileForLoad schedules(db, kRscUseFile);
  if (schedules.error() != 0) return failed(prompter, schedules.error());

  ProviderRecord record;
  const int error = walkResources(db, rec::kKindProvider, record, [&](const ProviderRecord& r) {
    ProviderEntry entry = fallbackEntry(r, out->providers.size(), fallbackHours);
    const auto key = rscUseKey(RscUseRecord::kProvider, storedCode(r), 0);
    RscUseRecord defaults;
    const int found =
        db.find(kRscUseByKey, key.data(), key.size(), defaults.data(), defaults.size());
    if (found == 0) applyDefaultRecord(defaults, &entry);
    out->providers.push_back(std::move(entry));
    if (found == 0 || found == kQdbNotFound) return 0;
    return db.status().error != 0 ? db.status().error : found;
  });
  if (error != 0) return failed(prompter, error);
  return static_cast<int>(out->providers.size());
}

int findProvider(const ProviderScheduleTable& table, std::string_view code) {
  return findCode(table.providers, code);
}

int findOperatory(const OperatoryTable& table, std::string_view code) {
  return findCode(table.operatories, code);
}
