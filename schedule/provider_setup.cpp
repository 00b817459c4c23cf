#include "schedule/provider_setup.h"

#include <algorithm>

#include "contracts/qdb.h"
#include "schedule/rsc_use_session.h"

std::vector<std::size_t> selectableProviders(const ProviderScheduleTable& table) {
  std::vector<std::size_t> out;
  for (std::size_t i = 0; i < table.providers.size(); ++i) {
    if (!table.providers[i].inactive) out.push_back(i);
  }
  std::stable_sort(out.begin(), out.end(), [&](std::size_t a, std::size_t b) {
    return table.providers[a].code < table.providers[b].code;
  });
  return out;
}

void copyEntryToRecord(const ProviderEntry& entry, RscUseRecord* record) {
  if (record == nullptr) return;
  record->setColour(entry.colour);
  for (std::size_t day = 0; day < kWeekDays; ++day) {
    const DayHours& h = entry.hours[day];
    for (std::size_t p = 0; p < kDayPeriods; ++p) {
      record->setDefaultPeriod(day, p, storedTime(h.start[p]), storedTime(h.end[p]));
    }
  }
  for (std::size_t b = 0; b < kTimeBlocks; ++b) {
    const ProviderTimeBlock& block = entry.blocks[b];
    record->setBlockName(b, block.name);
    for (std::size_t day = 0; day < kWeekDays; ++day) {
      record->setBlockTimes(day, b, storedTime(block.start[day]), storedTime(block.end[day]));
    }
    record->setBlockColour(b, block.colour);
    // The record names only the first byte of each type entry; the other four are carried.
    std::copy(block.type.begin(), block.type.end(),
              record->data() + RscUseRecord::kBlockTypeEntries.offset + b * kBlockTypeBytes);
    record->setBlockOperatory(b, block.operatory);
  }
  for (std::size_t i = 0; i < kMaxAliases; ++i) {
    record->setAlias(i, i < entry.aliases.size() ? entry.aliases[i] : std::string());
  }
  for (std::size_t day = 0; day < kWeekDays; ++day) record->setGoal(day, entry.goals[day]);
}

ProviderSetup::ProviderSetup(Prompter& prompter, ProviderScheduleTable& table)
    : prompter_(prompter), table_(table) {}

ProviderSetup::~ProviderSetup() { cancel(); }

int ProviderSetup::begin(std::size_t index) {
  cancel();
  if (index >= table_.providers.size()) return kQdbNotFound;
  auto session = std::make_unique<RscUseSession>(prompter_);
  if (const int error = session->start(); error != kQdbOk) return error;

  const ProviderEntry& entry = table_.providers[index];
  RscUseRecord record = RscUseRecord::withKey(RscUseRecord::kProvider, entry.code, 0);
  const int found = session->readLocked(&record);
  if (found != kQdbOk && found != kQdbNotFound) return found;
  working_ = entry;
  record_ = record;
  new_ = found == kQdbNotFound;
  if (new_) {
    copyEntryToRecord(working_, &record_);
  } else {
    applyDefaultRecord(record_, &working_);
  }
  session_ = std::move(session);
  index_ = index;
  open_ = true;
  return kQdbOk;
}

std::vector<std::size_t> ProviderSetup::aliasIndexes() const {
  std::vector<std::size_t> out = selectableProviders(table_);
  if (open_) std::erase(out, index_);
  return out;
}

std::vector<std::string> ProviderSetup::aliasCandidates() const {
  std::vector<std::string> out;
  for (const std::size_t i : aliasIndexes()) out.push_back(table_.providers[i].code);
  return out;
}

void ProviderSetup::setAliases(const std::vector<std::string>& chosen) {
  std::vector<int> picked;
  for (const std::string& code : chosen) picked.push_back(findProvider(table_, code));
  working_.aliases.clear();
  for (const std::size_t i : aliasIndexes()) {
    if (working_.aliases.size() == kMaxAliases) break;
    if (std::find(picked.begin(), picked.end(), static_cast<int>(i)) != picked.end()) {
      working_.aliases.push_back(table_.providers[i].code);
    }
  }
}

int ProviderSetup::commit() {
  if (!open_) return kQdbNotFound;
  copyEntryToRecord(working_, &record_);
  const int result = session_->write(new_, record_);
  open_ = false;
  session_.reset();
  if (result != kQdbOk) return result;
  applyDefaultRecord(record_, &table_.providers[index_]);
  return kQdbOk;
}

void ProviderSetup::cancel() {
  if (!open_) return;
  open_ = false;
  session_->release();
  session_.reset();
}
