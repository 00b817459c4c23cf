#include "patsel/patient_search.h"

#include <algorithm>
#include <array>

#include "contracts/qrx.h"
#include "data/access_layer.h"
#include "data/address_record.h"
#include "data/patient_record.h"
#include "data/schema.h"

namespace {

// Guarantor mode steps back over this many records at most to show a guarantor above the first
// match; beyond it the list starts at the match.
constexpr int kMaxStepBack = 64;
// Positioning is started again on error 160, a few times.
constexpr int kMaxRestarts = 3;

std::array<std::uint8_t, 4> u32Key(std::uint32_t v) {
  return {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
          static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
}

bool phoneBefore(std::string_view phone, std::string_view digits) {
  return phone.compare(0, digits.size(), digits) < 0;
}

}  // namespace

bool SearchFilter::passes(const PatientRecord& patient) const {
  if (guarantorsOnly && !patient.selectionFlag()) return false;
  return includeArchived || patient.status() != PatientRecord::kArchived;
}

// A patient read by a walk, where it lives, and the household phone in phone mode.
struct Found {
  PatientRecord patient;
  QdbPosition position = 0;
  std::string phone;
  bool before = false;
};

// The order the list moves in. Each call returns 0, 101 at an end (or nothing to list), or a
// database error.
class PatientSearch::Walk {
 public:
  explicit Walk(int& reads) : reads_(reads) {}
  virtual ~Walk() = default;
  virtual bool ready() const = 0;
  // The first record to list for `key`; its `before` tells whether it stands above the key.
  // 101: nothing to list.
  virtual int position(const SearchKey& key, const SearchFilter& filter, Found* out) = 0;
  // Makes the patient at `position` current.
  virtual int seek(QdbPosition position, Found* out) = 0;
  virtual int next(Found* out) = 0;
  virtual int prev(Found* out) = 0;

 protected:
  int& reads_;
};

namespace {

// The patient file in the order of one of its keys, through the access layer.
class PatientFileWalk final : public PatientSearch::Walk {
 public:
  PatientFileWalk(AccessLayer& db, int keyNumber, int& reads)
      : Walk(reads), db_(db), key_(keyNumber) {}

  bool ready() const override { return db_.isOpen(kPatientFile); }

  int position(const SearchKey& key, const SearchFilter& filter, Found* out) override {
    int r = 0;
    for (int attempt = 0; attempt < kMaxRestarts; ++attempt) {
      r = positionOnce(key, filter, out);
      if (r != kQdbStartSetAgain) break;
    }
    return r;
  }

  int seek(QdbPosition position, Found* out) override {
    return take(
        db_.readByPosition(kPatientFile, position, out->patient.data(), out->patient.size()), out);
  }
  int next(Found* out) override {
    return take(db_.next(key_, out->patient.data(), out->patient.size()), out);
  }
  int prev(Found* out) override {
    return take(db_.previous(key_, out->patient.data(), out->patient.size()), out);
  }

 private:
  int take(int r, Found* out) {
    ++reads_;
    out->before = false;
    if (r == 0) out->position = db_.position(kPatientFile);
    return r;
  }

  int positionOnce(const SearchKey& key, const SearchFilter& filter, Found* out) {
    const auto& k = key.bytes;
    Found match;
    int r = take(
        db_.greaterOrEqual(key_, k.data(), k.size(), match.patient.data(), match.patient.size()),
        &match);
    if (r != 0 && r != kQdbNotFound) return r;
    if (r == 0 && keyMatches(key, match.patient)) {
      // A match the filter hides does not count: when every match is hidden the list stays empty.
      if (!filter.passes(match.patient)) {
        Found f;
        for (;;) {
          r = next(&f);
          if (r != 0) return r;
          if (!keyMatches(key, f.patient)) return kQdbNotFound;
          if (filter.passes(f.patient)) break;
        }
        if ((r = seek(match.position, &f)) != 0) return r;
      }
      r = stepBack(filter, out);
      if (r == kQdbNotFound) {
        // The match is the first record of the file.
        if ((r = seek(match.position, out)) != 0) return r;
      }
      return r;
    }
    // No patient begins with the key: the one just before its place, else the first.
    r = take(db_.lessOrEqual(key_, k.data(), k.size(), out->patient.data(), out->patient.size()),
             out);
    if (r == 0) {
      out->before = true;
      if (filter.guarantorsOnly && !filter.passes(out->patient)) {
        Found above;
        if (stepBack(filter, &above) == 0) *out = above;
      }
      return 0;
    }
    if (r != kQdbNotFound) return r;
    return take(db_.first(key_, out->patient.data(), out->patient.size()), out);
  }

  // From the current record to the one above it; in guarantor mode on to the first guarantor
  // above. Stops at the last record read when the bound or the start of the file is met, which
  // the forward read then skips.
  int stepBack(const SearchFilter& filter, Found* out) {
    int r = prev(out);
    if (r != 0) return r;
    out->before = true;
    if (!filter.guarantorsOnly) return 0;
    Found above = *out;
    for (int steps = 0; steps < kMaxStepBack && !filter.passes(out->patient); ++steps) {
      r = prev(&above);
      if (r == kQdbNotFound) break;
      if (r != 0) return r;
      *out = above;
      out->before = true;
    }
    return 0;
  }

  AccessLayer& db_;
  int key_;
};

// The households in phone order and the patients of each, in a session of its own.
class PhoneWalk final : public PatientSearch::Walk {
 public:
  PhoneWalk(const SearchKey& key, int& reads) : Walk(reads), key_(key) {
    session_ = QDB_StartSession(1);
    if (session_ == 0) return;
    addresses_ = QDB_OpenFile(session_, kAddressFile);
    patients_ = QDB_OpenFile(session_, kPatientFile);
  }
  ~PhoneWalk() override {
    if (addresses_ != 0) QDB_CloseFile(addresses_);
    if (patients_ != 0) QDB_CloseFile(patients_);
    if (session_ != 0) QDB_EndSession(session_);
  }
  PhoneWalk(const PhoneWalk&) = delete;
  PhoneWalk& operator=(const PhoneWalk&) = delete;

  bool ready() const override { return addresses_ != 0 && patients_ != 0; }

  int position(const SearchKey& key, const SearchFilter& /*filter*/, Found* out) override {
    int r = result(QDB_LessThanOrEqualRec(addresses_, kAddressByPhone, key.bytes.data(),
                                          key.bytes.size(), address_.data(), address_.size()));
    if (r == kQdbNotFound) {
      r = result(QDB_FirstRec(addresses_, kAddressByPhone, address_.data(), address_.size()));
    } else if (r == 0 && address_.phone() == key.digits) {
      // Several households may share the phone, and less-or-equal finds the last of them: go
      // back to the first, so that none of them is missed.
      AddressRecord above;
      while (result(QDB_PrevRec(addresses_, kAddressByPhone, above.data(), above.size())) == 0 &&
             above.phone() == key.digits) {
        address_ = above;
      }
      const auto id = u32Key(address_.identifier());
      r = result(QDB_FindRec(addresses_, kAddressById, id.data(), id.size(), address_.data(),
                             address_.size()));
    }
    if (r != 0) return r;
    // A household before the digits shows its last patient only, as the name modes show one
    // row above the place of the key: a large household must not push the matches out of the
    // seven rows.
    const bool before =
        !phoneMatches(key, address_.phone()) && phoneBefore(address_.phone(), key.digits);
    if ((r = before ? lastMember(out) : firstMember(out)) == kQdbNotFound) {
      r = nextHousehold(out, true);
    }
    return r;
  }

  int seek(QdbPosition position, Found* out) override {
    int r = result(QDB_ReadRec(patients_, position, out->patient.data(), out->patient.size()));
    if (r != 0) return r;
    const auto id = u32Key(out->patient.addressId());
    r = result(QDB_FindRec(addresses_, kAddressById, id.data(), id.size(), address_.data(),
                           address_.size()));
    if (r == 0) fill(out, position);
    return r;
  }

  int next(Found* out) override {
    const std::uint32_t household = address_.identifier();
    const int r =
        result(QDB_NextRec(patients_, kPatientByAddress, out->patient.data(), out->patient.size()));
    if (r == 0 && out->patient.addressId() == household) {
      fill(out, QDB_GetFilePos(patients_));
      return 0;
    }
    if (r != 0 && r != kQdbNotFound) return r;
    return nextHousehold(out, true);
  }

  int prev(Found* out) override {
    const std::uint32_t household = address_.identifier();
    const int r =
        result(QDB_PrevRec(patients_, kPatientByAddress, out->patient.data(), out->patient.size()));
    if (r == 0 && out->patient.addressId() == household) {
      fill(out, QDB_GetFilePos(patients_));
      return 0;
    }
    if (r != 0 && r != kQdbNotFound) return r;
    return nextHousehold(out, false);
  }

 private:
  int result(int ok) {
    ++reads_;
    return ok != 0 ? 0 : QDB_GetLastErrorNum(session_);
  }

  void fill(Found* out, QdbPosition position) {
    out->position = position;
    out->phone = address_.phone();
    out->before = !phoneMatches(key_, out->phone) && phoneBefore(out->phone, key_.digits);
  }

  // The first patient of the current household.
  int firstMember(Found* out) {
    const auto id = u32Key(address_.identifier());
    const int r =
        result(QDB_GreaterThanOrEqualRec(patients_, kPatientByAddress, id.data(), id.size(),
                                         out->patient.data(), out->patient.size()));
    if (r != 0) return r;
    if (out->patient.addressId() != address_.identifier()) return kQdbNotFound;
    fill(out, QDB_GetFilePos(patients_));
    return 0;
  }

  // The last patient of the current household.
  int lastMember(Found* out) {
    const auto id = u32Key(address_.identifier());
    const int r = result(QDB_LessThanOrEqualRec(patients_, kPatientByAddress, id.data(), id.size(),
                                                out->patient.data(), out->patient.size()));
    if (r != 0) return r;
    if (out->patient.addressId() != address_.identifier()) return kQdbNotFound;
    fill(out, QDB_GetFilePos(patients_));
    return 0;
  }

  // The first (last) patient of the next (previous) household that has any.
  int nextHousehold(Found* out, bool forward) {
    for (;;) {
      const int r = result(
          forward ? QDB_NextRec(addresses_, kAddressByPhone, address_.data(), address_.size())
                  : QDB_PrevRec(addresses_, kAddressByPhone, address_.data(), address_.size()));
      if (r != 0) return r;
      const int m = forward ? firstMember(out) : lastMember(out);
      if (m != kQdbNotFound) return m;
    }
  }

  SearchKey key_;
  QdbSession session_ = 0;
  QdbHandle addresses_ = 0;
  QdbHandle patients_ = 0;
  AddressRecord address_;
};

}  // namespace

PatientSearch::PatientSearch(AccessLayer& db, Prompter& prompter) : db_(db), prompter_(prompter) {
  if (!db_.isOpen(kPatientFile)) {
    const FileDescriptor* file = descriptorOf(kPatientFile);
    openedFile_ = file != nullptr && db_.open(*file) == 0;
  }
}

PatientSearch::~PatientSearch() {
  if (!openedFile_) return;
  if (const FileDescriptor* file = descriptorOf(kPatientFile)) db_.close(*file);
}

std::unique_ptr<PatientSearch::Walk> PatientSearch::makeWalk() {
  if (options_.mode == SearchMode::kPhone) return std::make_unique<PhoneWalk>(key_, reads_);
  return std::make_unique<PatientFileWalk>(db_, key_.keyNumber, reads_);
}

void PatientSearch::fail(int error) {
  lastError_ = error;
  QRX_Message(prompter_, kPatientReadErrorMessage, error);
}

void PatientSearch::clear() {
  rows_.clear();
  selected_ = -1;
  scrollPos_ = kScrollAtStart;
  typed_.clear();
  key_ = SearchKey();
}

void PatientSearch::search(std::string_view typed) {
  clear();
  reads_ = 0;
  lastError_ = 0;
  typed_ = std::string(typed);
  key_ = buildSearchKey(options_.mode, typed);
  if (key_.empty()) return;
  const std::unique_ptr<Walk> walk = makeWalk();
  if (!walk->ready()) return;  // no file to read (the phone search lists nothing then)

  Found found;
  int r = walk->position(key_, filter_, &found);
  while (r == 0) {
    if (filter_.passes(found.patient)) {
      PatientRow row;
      row.text = formatPatientRow(found.patient, found.phone, options_);
      row.patientId = found.patient.identifier();
      row.position = found.position;
      row.beforeKey = found.before;
      row.matches = options_.mode == SearchMode::kPhone ? phoneMatches(key_, found.phone)
                                                        : keyMatches(key_, found.patient);
      rows_.push_back(std::move(row));
      if (static_cast<int>(rows_.size()) == kPatientWindowRows) break;
    }
    r = walk->next(&found);
  }
  if (r != 0 && r != kQdbNotFound) fail(r);
  if (rows_.empty()) return;

  scrollPos_ = static_cast<int>(rows_.size()) == kPatientWindowRows ? kScrollMiddle : kScrollAtEnd;
  const auto at = std::find_if(rows_.begin(), rows_.end(),
                               [](const PatientRow& row) { return !row.beforeKey; });
  selected_ =
      at != rows_.end() ? static_cast<int>(at - rows_.begin()) : static_cast<int>(rows_.size()) - 1;
}

void PatientSearch::setSelectedRow(int row) {
  selected_ = (row >= 0 && row < static_cast<int>(rows_.size())) ? row : -1;
}

int PatientSearch::matchCount() const {
  return static_cast<int>(
      std::count_if(rows_.begin(), rows_.end(), [](const PatientRow& r) { return r.matches; }));
}

void PatientSearch::scroll(int steps, bool down) {
  reads_ = 0;
  lastError_ = 0;
  if (rows_.empty()) return;
  const std::unique_ptr<Walk> walk = makeWalk();
  if (!walk->ready()) return;

  Found found;
  int r = walk->seek(down ? rows_.back().position : rows_.front().position, &found);
  if (r == kQdbNotFound) {
    // The patient at the edge of the window is gone meanwhile: place the window afresh.
    const int selected = selected_;
    search(std::string(typed_));
    setSelectedRow(std::min(selected, static_cast<int>(rows_.size()) - 1));
    return;
  }
  for (int moved = 0; r == 0 && moved < steps;) {
    r = down ? walk->next(&found) : walk->prev(&found);
    if (r != 0 || !filter_.passes(found.patient)) continue;
    PatientRow row;
    row.text = formatPatientRow(found.patient, found.phone, options_);
    row.patientId = found.patient.identifier();
    row.position = found.position;
    row.matches = options_.mode == SearchMode::kPhone ? phoneMatches(key_, found.phone)
                                                      : keyMatches(key_, found.patient);
    const bool full = static_cast<int>(rows_.size()) == kPatientWindowRows;
    if (down) {
      if (full) rows_.erase(rows_.begin());
      rows_.push_back(std::move(row));
    } else {
      if (full) rows_.pop_back();
      rows_.insert(rows_.begin(), std::move(row));
    }
    ++moved;
  }
  if (r == kQdbNotFound) {
    scrollPos_ = down ? kScrollAtEnd : kScrollAtStart;
  } else {
    if (r != 0) fail(r);
    scrollPos_ = kScrollMiddle;
  }
  if (selected_ >= static_cast<int>(rows_.size())) selected_ = static_cast<int>(rows_.size()) - 1;
}
