#include "controls/list_model.h"

#include <algorithm>
#include <new>
#include <utility>

#include "contracts/qrx.h"

namespace {

std::string_view untilZero(std::string_view text) {
  const std::size_t end = text.find('\0');
  return end == std::string_view::npos ? text : text.substr(0, end);
}

std::string_view trimTrailingBlanks(std::string_view text) {
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// The part of `text` from the 1-based `column` on ("" past the end).
std::string_view fromColumn(std::string_view text, int column) {
  const auto pos = static_cast<std::size_t>(column - 1);
  return pos < text.size() ? text.substr(pos) : std::string_view();
}

// Byte order with bytes as unsigned values, whatever the signedness of char.
int compareBytes(std::string_view a, std::string_view b) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    const auto x = static_cast<unsigned char>(a[i]);
    const auto y = static_cast<unsigned char>(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

// A date at the start of `text`: eight characters, or ten when a four-digit year follows the
// slashes. 0 when it is no date, so such rows sort before every dated row.
std::int64_t dateKey(std::string_view text) {
  std::string_view date = text.substr(0, std::min<std::size_t>(8, text.size()));
  if (text.size() >= 10 && isDigit(text[8]) && isDigit(text[9])) date = text.substr(0, 10);
  PackedDate packed = kNoDate;
  if (QRX_ParseDate(date, &packed, true) != 1) return 0;
  return packed;
}

// A time at the start of a six-character field: "hh:mm" (the hour may be one digit, blank
// padded on either side) followed by "a" or "p" (either case). Minutes since midnight, or -1
// when the field holds no time, so such rows sort first.
std::int64_t timeKey(std::string_view text) {
  std::string_view t = text.substr(0, std::min<std::size_t>(6, text.size()));
  std::size_t i = 0;
  while (i < t.size() && t[i] == ' ') ++i;
  int hour = 0;
  int digits = 0;
  while (i < t.size() && isDigit(t[i]) && digits < 2) {
    hour = hour * 10 + (t[i] - '0');
    ++i;
    ++digits;
  }
  if (digits == 0 || i + 2 >= t.size() || t[i] != ':' || !isDigit(t[i + 1]) || !isDigit(t[i + 2])) {
    return -1;
  }
  const int minute = (t[i + 1] - '0') * 10 + (t[i + 2] - '0');
  i += 3;
  while (i < t.size() && t[i] == ' ') ++i;
  const char half = i < t.size() ? t[i] : ' ';
  const bool pm = half == 'p' || half == 'P';
  const bool am = half == 'a' || half == 'A';
  if (am || pm) {
    if (hour < 1 || hour > 12) return -1;
    hour = hour % 12 + (pm ? 12 : 0);
  }
  if (hour > 23 || minute > 59) return -1;
  return hour * 60 + minute;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Row text layout

std::vector<std::string_view> cutFields(std::string_view row,
                                        const std::vector<ListColumn>& columns) {
  if (columns.empty()) return {row};
  std::vector<std::string_view> fields;
  fields.reserve(columns.size());
  std::size_t pos = 0;
  for (const ListColumn& column : columns) {
    const auto width = static_cast<std::size_t>(std::max(column.width, 0));
    fields.push_back(pos < row.size() ? row.substr(pos, width) : std::string_view());
    pos += width;
  }
  return fields;
}

ListField parseField(std::string_view field) {
  ListField out;
  std::string_view text = trimTrailingBlanks(field);
  bool quoted = false;
  while (!text.empty()) {
    const auto c = static_cast<unsigned char>(text.back());
    if (c >= kMarkAlert1 && c < kMarkAlert1 + 4) {
      out.marks.push_back(static_cast<ListMark>(c - kMarkAlert1));
    } else if (c >= kMarkAlert1Quoted && c < kMarkAlert1Quoted + 4) {
      out.marks.push_back(static_cast<ListMark>(c - kMarkAlert1Quoted));
      quoted = true;
    } else if (c == kMarkDiagnosis) {
      out.marks.push_back(ListMark::kDiagnosis);
    } else if (c == kMarkReferral) {
      out.marks.push_back(ListMark::kReferral);
    } else {
      break;
    }
    text.remove_suffix(1);
  }
  out.text = std::string(trimTrailingBlanks(text));
  if (quoted) out.text.push_back(static_cast<char>(kMarkQuote));
  return out;
}

std::string clipboardField(std::string_view field) {
  std::string out(trimTrailingBlanks(field));
  if (!out.empty()) {
    const auto c = static_cast<unsigned char>(out.back());
    if (c >= kMarkAlert1 && c < kMarkAlert1 + 4) {
      out.back() = ' ';
    } else if (c >= kMarkAlert1Quoted && c < kMarkAlert1Quoted + 4) {
      out.back() = static_cast<char>(kMarkQuote);
    }
  }
  return out;
}

// ---------------------------------------------------------------------------------------------
// ListModel

ListModel::ListModel(std::vector<ListColumn> columns, std::string_view header, std::uint32_t flags)
    : columns_(std::move(columns)), header_(untilZero(header)), flags_(flags) {
  if (columns_.size() > static_cast<std::size_t>(kListMaxColumns)) columns_.resize(kListMaxColumns);
  for (ListColumn& column : columns_) {
    column.width = std::clamp(column.width, 0, kListMaxColumnWidth);
    if (column.align < kListAlignLeft || column.align > kListAlignCentre) {
      column.align = kListAlignLeft;
    }
  }
}

void ListModel::fail(int message, long v1, long v2) {
  lastError_ = message;
  if (prompter_ != nullptr) QRX_Message(*prompter_, message, v1, v2);
}

bool ListModel::sorted() const { return sortColumn() > 0 || sortMode() == kListSortByValue; }

std::int64_t ListModel::sortKeyOf(const ListRow& row) const {
  switch (sortMode()) {
    case kListSortByDate:
      return dateKey(fromColumn(row.text, sortColumn()));
    case kListSortByTime:
      return timeKey(fromColumn(row.text, sortColumn()));
    case kListSortByValue:
      return row.third;
    default:
      return 0;
  }
}

bool ListModel::greater(const Entry& existing, const Entry& added) const {
  if (sortMode() == kListSortByText) {
    return compareBytes(fromColumn(existing.row.text, sortColumn()),
                        fromColumn(added.row.text, sortColumn())) > 0;
  }
  return existing.key > added.key;
}

int ListModel::addRow(std::string_view text, std::uint32_t first, std::uint32_t second,
                      std::uint32_t third, std::int16_t fourth, int colourSlot) {
  lastError_ = 0;
  if (count() >= kListMaxRows) {
    lastError_ = kListMsgFull;
    return -1;
  }
  try {
    Entry entry;
    entry.row.text = std::string(untilZero(text));
    entry.row.first = first;
    entry.row.second = second;
    entry.row.third = third;
    entry.row.fourth = fourth;
    entry.row.colourSlot = colourSlot >= 0 && colourSlot < kListColourSlots ? colourSlot : 0;
    std::size_t at = rows_.size();
    if (sorted()) {
      entry.key = sortKeyOf(entry.row);
      // Every row went in by the same order, so the rows are sorted and the first greater row
      // is found by bisection; equal rows stay before the new one.
      const auto it = std::upper_bound(
          rows_.begin(), rows_.end(), entry,
          [this](const Entry& added, const Entry& existing) { return greater(existing, added); });
      at = static_cast<std::size_t>(it - rows_.begin());
    }
    rows_.insert(rows_.begin() + static_cast<std::ptrdiff_t>(at), std::move(entry));
    const int index = static_cast<int>(at);
    if (current_ >= 0 && index <= current_) ++current_;
    if (remembered_ >= 0 && index <= remembered_) ++remembered_;
    return index;
  } catch (const std::bad_alloc&) {
    fail(kListMsgOutOfMemory, 4096);
    return -1;
  }
}

bool ListModel::removeRow(int index) {
  if (index < 0 || index >= count()) return false;
  rows_.erase(rows_.begin() + index);
  auto follow = [this, index](int& row) {
    if (row > index) {
      --row;
    } else if (row == index) {
      row = std::min(row, count() - 1);
    }
  };
  follow(current_);
  follow(remembered_);
  top_ = std::min(top_, maxTopRow());
  return true;
}

void ListModel::clear() {
  rows_.clear();
  current_ = -1;
  remembered_ = -1;
  top_ = 0;
}

const ListRow* ListModel::row(int index) const {
  if (index < 0 || index >= count()) return nullptr;
  return &rows_[static_cast<std::size_t>(index)].row;
}

int ListModel::getRow(int index, bool onlyIfSelected, ListRow* out) {
  lastError_ = 0;
  if (index == -1) {
    for (int i = 0; i < count(); ++i) {
      if (rows_[static_cast<std::size_t>(i)].row.selected) {
        if (out != nullptr) *out = rows_[static_cast<std::size_t>(i)].row;
        return i;
      }
    }
    return -1;
  }
  if (rows_.empty()) {
    fail(kListMsgNoRows);
    return -1;
  }
  if (index < 0 || index >= count()) {
    fail(kListMsgIndexBeyondCount, count(), index);
    return -1;
  }
  const ListRow& found = rows_[static_cast<std::size_t>(index)].row;
  if (onlyIfSelected && !found.selected) return -1;
  if (out != nullptr) *out = found;
  return index;
}

bool ListModel::isSelected(int index) const {
  const ListRow* r = row(index);
  return r != nullptr && r->selected;
}

int ListModel::selectedCount() const {
  return static_cast<int>(
      std::count_if(rows_.begin(), rows_.end(), [](const Entry& e) { return e.row.selected; }));
}

bool ListModel::setCurrentRow(int index) {
  if (index < -1 || index >= count()) return false;
  current_ = index;
  if (index >= 0) ensureVisible(index);
  return true;
}

bool ListModel::deselectAll() {
  bool changed = false;
  for (Entry& e : rows_) {
    changed = changed || e.row.selected;
    e.row.selected = false;
  }
  return changed;
}

bool ListModel::selectRow(int index, SelectAction action, bool keepOthers) {
  if (index < 0 || index >= count()) return false;
  // A single-selection list never holds two selected rows, whatever the caller asks.
  if (!multipleSelection()) keepOthers = false;
  ListRow& target = rows_[static_cast<std::size_t>(index)].row;
  bool changed = false;
  auto deselectOutside = [&](int lo, int hi) {
    for (int i = 0; i < count(); ++i) {
      ListRow& r = rows_[static_cast<std::size_t>(i)].row;
      if ((i < lo || i > hi) && r.selected) {
        r.selected = false;
        changed = true;
      }
    }
  };
  switch (action) {
    case SelectAction::kSelect:
      if (!keepOthers) deselectOutside(index, index);
      changed = changed || !target.selected;
      target.selected = true;
      current_ = index;
      ensureVisible(index);
      break;
    case SelectAction::kToggle:
      if (!target.selected && !multipleSelection()) deselectOutside(index, index);
      target.selected = !target.selected;
      changed = true;
      current_ = index;
      ensureVisible(index);
      break;
    case SelectAction::kExtend: {
      const int anchor = multipleSelection() && current_ >= 0 ? current_ : index;
      const int lo = std::min(anchor, index);
      const int hi = std::max(anchor, index);
      if (!keepOthers) deselectOutside(lo, hi);
      for (int i = lo; i <= hi; ++i) {
        ListRow& r = rows_[static_cast<std::size_t>(i)].row;
        changed = changed || !r.selected;
        r.selected = true;
      }
      current_ = index;
      ensureVisible(index);
      break;
    }
    case SelectAction::kDeselect:
      changed = target.selected;
      target.selected = false;
      break;
    case SelectAction::kRedraw:
      break;
  }
  return changed;
}

// ---------------------------------------------------------------------------------------------
// Input

ListOutcome ListModel::focusIn() {
  if (current_ < 0) {
    if (remembered_ >= 0 && remembered_ < count()) {
      current_ = remembered_;
    } else if (count() > 0) {
      current_ = std::min(top_, count() - 1);
    }
  }
  return {kListNotifyFocusIn, false, true};
}

ListOutcome ListModel::focusOut() {
  remembered_ = current_;
  if (!keepsCurrent()) current_ = -1;
  return {kListNotifyFocusOut, false, true};
}

ListOutcome ListModel::click(int index, bool ctrl, bool shift) {
  ListOutcome out;
  out.handled = true;
  if (index < 0 || index >= count()) return out;
  if (multipleSelection() && ctrl) {
    out.selectionChanged = selectRow(index, SelectAction::kToggle, true);
  } else if (multipleSelection() && shift) {
    out.selectionChanged = selectRow(index, SelectAction::kExtend, true);
  } else {
    out.selectionChanged = selectRow(index, SelectAction::kSelect, false);
  }
  return out;
}

ListOutcome ListModel::doubleClick(int index, bool ctrl, bool shift, bool rightButton) {
  if (ctrl || shift || rightButton) return click(index, ctrl, shift);
  ListOutcome out;
  out.handled = true;
  if (index < 0 || index >= count()) return out;
  out.selectionChanged = selectRow(index, SelectAction::kSelect, false);
  out.notification = kListNotifyActivate;
  return out;
}

ListOutcome ListModel::move(int target, bool shift, bool ctrl) {
  ListOutcome out;
  out.handled = true;
  if (count() == 0 || target == current_) return out;
  if (multipleSelection() && shift) {
    out.selectionChanged = selectRow(target, SelectAction::kSelect, true);
  } else if (multipleSelection() && ctrl) {
    current_ = target;
    ensureVisible(target);
  } else {
    out.selectionChanged = selectRow(target, SelectAction::kSelect, false);
  }
  return out;
}

ListOutcome ListModel::key(ListKey key, bool shift, bool ctrl) {
  ListOutcome out;
  out.handled = true;
  const int last = count() - 1;
  // With no current row the arrows start from the top row.
  const int from = current_ >= 0 ? current_ : std::min(top_, last);
  switch (key) {
    case ListKey::kEnter:
      if (current_ >= 0) {
        out.selectionChanged = selectRow(current_, SelectAction::kSelect, multipleSelection());
        out.notification = kListNotifyActivate;
      }
      return out;
    case ListKey::kSpace:
      if (multipleSelection() && current_ >= 0) {
        out.selectionChanged = selectRow(current_, SelectAction::kToggle, true);
      }
      return out;
    case ListKey::kUp:
      return move(current_ >= 0 ? std::max(0, from - 1) : from, shift, ctrl);
    case ListKey::kDown:
      return move(current_ >= 0 ? std::min(last, from + 1) : from, shift, ctrl);
    case ListKey::kHome:
      return move(0, shift, ctrl);
    case ListKey::kEnd:
      return move(last, shift, ctrl);
    case ListKey::kTab:
      out.notification = ctrl ? kListNotifyCtrlTab : shift ? kListNotifyShiftTab : kListNotifyTab;
      return out;
    case ListKey::kEscape:
      out.notification = kListNotifyTab;
      return out;
    case ListKey::kOther:
      break;
  }
  out.handled = false;
  return out;
}

// ---------------------------------------------------------------------------------------------
// Scrolling

void ListModel::setVisibleRows(int rows) {
  visibleRows_ = std::max(rows, 1);
  top_ = std::min(top_, maxTopRow());
}

int ListModel::maxTopRow() const { return std::max(0, count() - visibleRows_); }

void ListModel::setTopRow(int top) { top_ = std::clamp(top, 0, maxTopRow()); }

void ListModel::ensureVisible(int index) {
  if (index < 0 || index >= count()) return;
  if (index < top_) {
    top_ = index;
  } else if (index >= top_ + visibleRows_) {
    top_ = index - visibleRows_ + 1;
  }
}

// ---------------------------------------------------------------------------------------------
// Layout and clipboard

std::vector<std::string_view> ListModel::fields(int index) const {
  const ListRow* r = row(index);
  if (r == nullptr) return {};
  return cutFields(r->text, columns_);
}

std::string ListModel::clipboardLine(std::string_view text) const {
  std::string line;
  bool firstField = true;
  for (std::string_view field : cutFields(text, columns_)) {
    if (!firstField) line.push_back('\t');
    firstField = false;
    line += clipboardField(field);
  }
  line.push_back('\n');
  return line;
}

std::string ListModel::clipboardBody() const {
  std::string body;
  if (!header_.empty()) body += clipboardLine(header_);
  for (const Entry& e : rows_) {
    const ListRow& r = e.row;
    if ((flags_ & kListCopyRaw) != 0 || r.fourth == -1 || r.fourth == 4) {
      body += r.text;
      body.push_back('\n');
    } else {
      body += clipboardLine(r.text);
    }
  }
  return body;
}

std::string ListModel::clipboardText(std::string_view title) const {
  std::string text(untilZero(title));
  text.push_back('\n');
  return text + clipboardBody();
}
