#include "lists/definitions.h"

#include <functional>

#include "contracts/qdb.h"
#include "data/access_layer.h"
#include "data/definition_record.h"
#include "data/schema.h"

namespace {

constexpr std::size_t kStatusNameLength = 6;

// Walks the definitions of one kind in number order, handing each to `take` until it answers
// false. Returns 0 when the walk ended normally (also for no record), else the database error.
int walkDefinitions(AccessLayer& db, std::uint8_t kind,
                    const std::function<bool(const DefinitionRecord&)>& take) {
  const FileDescriptor* file = descriptorOf(kDefinitionFile);
  if (file == nullptr) return kDbFileNotOpen;
  const bool wasOpen = db.isOpen(kDefinitionFile);
  if (!wasOpen && db.open(*file) != 0) return db.status().error;

  DefinitionRecord record;
  const std::uint8_t prefix[1] = {kind};
  int error = 0;
  do {
    db.startSet(kDefinitionByKindNumber, 0, prefix, sizeof prefix, record.data(), record.size(),
                sizeof prefix);
    error = db.status().error;
  } while (error == kQdbStartSetAgain);

  if (error == 0) {
    while (take(record)) {
      db.nextInSet(kDefinitionByKindNumber, record.data(), record.size());
      error = db.status().error;
      if (error != 0) break;
    }
    db.endSet(kDefinitionByKindNumber);
  }
  if (!wasOpen) db.close(*file);
  return error == kQdbNotFound ? 0 : error;
}

}  // namespace

StatusRgb statusColour(char code, std::string_view numberText) {
  switch (code) {
    case '1':
      return kStatusYellow;
    case '2':
      return kStatusGreen;
    case '3':
      return kStatusRed;
    case 'x': {
      std::uint32_t value = 0;
      std::size_t digits = 0;
      for (const char c : numberText) {
        if (c < '0' || c > '9') break;
        value = value * 10 + static_cast<std::uint32_t>(c - '0');
        if (value > 0xFFFFFF) return kStatusWhite;
        ++digits;
      }
      if (digits == 0) return kStatusWhite;
      return {static_cast<std::uint8_t>(value & 0xFF),
              static_cast<std::uint8_t>((value >> 8) & 0xFF),
              static_cast<std::uint8_t>((value >> 16) & 0xFF)};
    }
    default:
      return kStatusWhite;
  }
}

bool StatusTable::define(int number, std::string_view name, char colourCode,
                         std::string_view colourNumberText) {
  if (number < 0 || number >= kPracticeStatusCount) return false;
  StatusDefinition& d = entries_[static_cast<std::size_t>(number)];
  d.defined = true;
  d.number = number;
  d.name = std::string(name.substr(0, kStatusNameLength));
  d.colourCode = colourCode;
  d.colour = statusColour(colourCode, colourNumberText);
  d.slotDigit = static_cast<char>('1' + number);
  return true;
}

int StatusTable::load(AccessLayer& db) {
  StatusTable read;
  const int error =
      walkDefinitions(db, DefinitionRecord::kApptStatus, [&](const DefinitionRecord& r) {
        read.define(r.number(), r.statusName(), r.statusColourCode(), r.statusColourText());
        return true;
      });
  // A failed walk keeps what was read before the failure, as the lists show those statuses.
  entries_ = read.entries_;
  return error;
}

const StatusDefinition* StatusTable::find(int number) const {
  if (number < 0 || number >= kPracticeStatusCount) return nullptr;
  const StatusDefinition& d = entries_[static_cast<std::size_t>(number)];
  return d.defined ? &d : nullptr;
}

std::vector<StatusDefinition> StatusTable::defined() const {
  std::vector<StatusDefinition> out;
  for (const StatusDefinition& d : entries_) {
    if (d.defined) out.push_back(d);
  }
  return out;
}

std::string StatusTable::rowStatusName(int status) const {
  if (status == kStatusBroken) return "Broken";
  if (status == kStatusCompleted) return "<Cmpl>";
  if (status >= kStatusBroken) return "W/Call";
  const StatusDefinition* d = find(status);
  return d != nullptr ? d->name : std::string();
}

int StatusTable::colourSlot(int status) const {
  const StatusDefinition* d = find(status);
  return d != nullptr ? d->slotDigit - '0' : 0;
}

std::string unscheduledStatusName(int status) {
  return status == kStatusBroken ? "Broken" : "W/Call";
}

bool TypeTable::add(int number, std::string_view name) {
  if (types_.size() >= kMaxApptTypes) return false;
  types_.push_back({number, std::string(name.substr(0, kApptTypeNameLength))});
  return true;
}

int TypeTable::load(AccessLayer& db) {
  TypeTable read;
  const int error =
      walkDefinitions(db, DefinitionRecord::kApptType, [&](const DefinitionRecord& r) {
        return read.add(r.number(), r.text()) && read.types_.size() < kMaxApptTypes;
      });
  types_ = std::move(read.types_);
  return error;
}
