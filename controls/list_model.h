#pragma once
// The rows, columns, selection and keyboard behaviour of the multi-column list of the appointment
// lists, without any drawing. The list window (controls/ui/list_box.h) is a thin view over one of
// these; everything it decides is decided here so that it can be tested without a display.
//
// Texts are byte strings: the records hold single-byte text, and bytes 128-255 are Latin-1
// characters when drawn or copied. Some of those bytes are end-of-field markers (see ListMark).

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class Prompter;

// ---- Creation flags. The low byte is the sort column: a 1-based position in the row text
// (0 = no sort column).
inline constexpr std::uint32_t kListSortColumnMask = 0x00FF;
inline constexpr std::uint32_t kListMultipleSelection = 0x0100;
// Row height is the font height plus 1.
inline constexpr std::uint32_t kListExtraSpacing = 0x0200;
// Two bits, 0x400 the low one: the sort mode 0-3 (see ListModel::addRow).
inline constexpr std::uint32_t kListSortModeLow = 0x0400;
inline constexpr std::uint32_t kListSortModeHigh = 0x0800;
inline constexpr std::uint32_t kListKeepCurrent = 0x1000;
// The clipboard gets every row text as it is, not cut into fields.
inline constexpr std::uint32_t kListCopyRaw = 0x2000;
inline constexpr std::uint32_t kListHidden = 0x8000;

inline constexpr int kListSortByText = 0;
inline constexpr int kListSortByDate = 1;
inline constexpr int kListSortByTime = 2;
inline constexpr int kListSortByValue = 3;

inline constexpr int kListMaxColumns = 11;
// Columns wider than this are cut to it (the width is in characters).
inline constexpr int kListMaxColumnWidth = 255;
// Row indexes are 16-bit signed numbers for the callers; a full list refuses further rows.
inline constexpr int kListMaxRows = 32767;
// Colour slots 0-20: 0 the normal text colour, 1-10 row backgrounds, 11-20 text colours.
inline constexpr int kListColourSlots = 21;
inline constexpr int kListFirstBackgroundSlot = 1;
inline constexpr int kListLastBackgroundSlot = 10;

// ---- Notifications to the owner of the list.
inline constexpr int kListNotifyActivate = 2;
inline constexpr int kListNotifyFocusIn = 7;
inline constexpr int kListNotifyFocusOut = 8;
inline constexpr int kListNotifyTab = 1129;  // Tab or Escape
inline constexpr int kListNotifyCtrlTab = 1130;
inline constexpr int kListNotifyShiftTab = 1131;

// ---- Messages of the catalogue the list reports through its prompter.
inline constexpr int kListMsgOutOfMemory = 3040;
inline constexpr int kListMsgIndexBeyondCount = 3185;
inline constexpr int kListMsgNoRows = 3186;
// Left in lastError() (not shown) when a full list refuses a row: the caller decides whether
// to tell the user once.
inline constexpr int kListMsgFull = 3182;

inline constexpr int kListAlignLeft = 0;
inline constexpr int kListAlignRight = 1;
inline constexpr int kListAlignCentre = 2;

struct ListColumn {
  int width = 0;               // characters
  int align = kListAlignLeft;  // kListAlignLeft, kListAlignRight or kListAlignCentre
};

struct ListRow {
  std::string text;
  std::uint32_t first = 0;   // the appointment identifier in the appointment lists
  std::uint32_t second = 0;  // the patient identifier
  std::uint32_t third = 0;   // the sort value
  std::int16_t fourth = 0;   // the schedule kind; -1 and 4 mark rows copied raw to the clipboard
  int colourSlot = 0;        // 0-20
  bool selected = false;
};

enum class SelectAction { kSelect, kToggle, kExtend, kDeselect, kRedraw };

enum class ListKey { kEnter, kSpace, kUp, kDown, kHome, kEnd, kTab, kEscape, kOther };

// What an input event did: the notification for the owner (0 = none), whether the set of
// selected rows changed, and whether the event was one the list handles (a key it does not know
// goes on to the owner).
struct ListOutcome {
  int notification = 0;
  bool selectionChanged = false;
  bool handled = false;
};

// ---- Row text layout.

// The marks shown as small pictures at the right end of a left-aligned field.
enum class ListMark { kAlert1, kAlert2, kAlert3, kAlert4, kDiagnosis, kReferral };

// End-of-field marker bytes. 183-186: alert levels 1-4. 188-191: the same levels, and the field
// then ends with the character 187 drawn as text. 180: diagnosis. 181: referral.
inline constexpr unsigned char kMarkAlert1 = 183;
inline constexpr unsigned char kMarkAlert1Quoted = 188;
inline constexpr unsigned char kMarkQuote = 187;
inline constexpr unsigned char kMarkDiagnosis = 180;
inline constexpr unsigned char kMarkReferral = 181;

// A field as it is drawn: the text to print and the marks, the rightmost first.
struct ListField {
  std::string text;
  std::vector<ListMark> marks;
};

// The fixed-width fields of `row`: field i starts where the widths before it end; a field past
// the end of the text is empty and one that reaches it is short. Without columns the whole text
// is one field. The views point into `row`.
std::vector<std::string_view> cutFields(std::string_view row,
                                        const std::vector<ListColumn>& columns);

// Splits the markers off the end of a field (trailing blanks are ignored; markers are read from
// the last character backwards until another character is met).
ListField parseField(std::string_view field);

// A field as the clipboard gets it: trailing blanks removed, then a last character 183-186
// becomes a blank and 188-191 becomes 187.
std::string clipboardField(std::string_view field);

// ---- The list.
class ListModel {
 public:
  ListModel() = default;
  // Columns past the eleventh are dropped; widths are clamped to 0..kListMaxColumnWidth and an
  // unknown alignment is taken as left. The header is kept up to its first zero byte.
  ListModel(std::vector<ListColumn> columns, std::string_view header, std::uint32_t flags);

  // Failures that the catalogue reports (3185, 3186, 3040) go to this prompter when one is set;
  // the failing call returns -1 either way. Not owned.
  void setPrompter(Prompter* prompter) { prompter_ = prompter; }
  // The message number of the last failure (0 after a call that succeeded).
  int lastError() const { return lastError_; }

  const std::vector<ListColumn>& columns() const { return columns_; }
  const std::string& header() const { return header_; }
  std::uint32_t flags() const { return flags_; }
  int sortColumn() const { return static_cast<int>(flags_ & kListSortColumnMask); }
  int sortMode() const { return static_cast<int>((flags_ >> 10) & 3); }
  bool multipleSelection() const { return (flags_ & kListMultipleSelection) != 0; }
  bool keepsCurrent() const { return (flags_ & kListKeepCurrent) != 0; }

  // ---- Rows.
  // Adds a row and returns its index, or -1 when the list is full (lastError() 3182, nothing
  // shown) or memory runs out (message 3040). The text is
  // kept up to its first zero byte; a colour slot outside 0-20 counts as 0.
  // With a sort column, or in sort mode 3, the row goes before the first row that compares
  // greater, so rows that compare equal keep their order of arrival:
  //   mode 0: the texts from the sort column to their end, byte by byte;
  //   mode 1: the dates at the sort column ("MM/DD/YY", "MM/DD/YYYY" or "MMDDYYYY"; a text that
  //           is no date sorts first);
  //   mode 2: the times at the sort column ("hh:mm" and "a"/"p" in the sixth place, "p" or "P"
  //           meaning afternoon; a text that is no time sorts first);
  //   mode 3: the third values.
  // Otherwise the row is appended. A row that lands at or before the current row moves the
  // current row down by one, so the same row stays current.
  int addRow(std::string_view text, std::uint32_t first, std::uint32_t second, std::uint32_t third,
             std::int16_t fourth, int colourSlot);
  // Removes one row; the rows after it move up. Returns false for an index out of range.
  bool removeRow(int index);
  // Removes every row; no row is current.
  void clear();
  int count() const { return static_cast<int>(rows_.size()); }
  // The row at `index`, or nullptr when there is none.
  const ListRow* row(int index) const;

  // The row at `index` (copied to *out when out is not null), or with index -1 the first
  // selected row. Returns the index, or -1: for an index past the count (message 3185 with the
  // count and the index), a list without rows asked for an index (3186), no selected row, or,
  // with `onlyIfSelected`, a row that is not selected.
  int getRow(int index, bool onlyIfSelected, ListRow* out);
  bool isSelected(int index) const;
  int selectedCount() const;

  // ---- Selection and current row (the row with the focus frame).
  int currentRow() const { return current_; }
  // Makes `index` current (-1 for none; an index out of range is refused) and scrolls it into
  // view. The selection is left alone.
  bool setCurrentRow(int index);
  // kSelect: the row becomes selected and current, the only selected row unless `keepOthers`.
  // kToggle: the row's selection flips; it becomes current.
  // kExtend: every row from the current row to `index` becomes selected (others are deselected
  //          unless `keepOthers`); `index` becomes current.
  // kDeselect: the row is no longer selected.
  // kRedraw: nothing changes (the view repaints the row).
  // Returns whether the set of selected rows changed; an index out of range changes nothing.
  bool selectRow(int index, SelectAction action, bool keepOthers);
  bool deselectAll();

  // ---- Input, as the view receives it.
  // The focus comes: the current row is the one remembered from the last focus loss, else the
  // top row. Notification 7.
  ListOutcome focusIn();
  // The focus leaves: notification 8; unless the keep option is set the current row is cleared
  // (and remembered for the next focusIn).
  ListOutcome focusOut();
  // A left click on row `index` (-1 = below the last row: nothing happens). In a
  // multiple-selection list Ctrl toggles the row and Shift extends to it; otherwise the row
  // becomes the only selected row.
  ListOutcome click(int index, bool ctrl, bool shift);
  // A double click: without Ctrl, Shift or the right button held, the row is selected and
  // activated (notification 2); with them it counts as a click.
  ListOutcome doubleClick(int index, bool ctrl, bool shift, bool rightButton);
  // Enter, Space, the arrows, Home, End, Tab and Escape. Page Up and Page Down are not keys of
  // the list (kOther, not handled).
  ListOutcome key(ListKey key, bool shift, bool ctrl);

  // ---- Scrolling. The view tells how many rows fit; the top row never leaves a part of the
  // last page empty when it could be filled.
  void setVisibleRows(int rows);
  int visibleRows() const { return visibleRows_; }
  int topRow() const { return top_; }
  int maxTopRow() const;
  void setTopRow(int top);
  // Scrolls the least so that `index` is visible.
  void ensureVisible(int index);

  // ---- Layout and clipboard.
  std::vector<std::string_view> fields(int index) const;
  // The header line, then every row, each line ending with "\n": header and rows cut into their
  // fields (clipboardField) and joined by tabs; a row whose fourth value is -1 or 4, or every row
  // with kListCopyRaw, is copied as its raw text. No header line when the list has no header.
  std::string clipboardBody() const;
  // The title line followed by clipboardBody().
  std::string clipboardText(std::string_view title) const;

 private:
  struct Entry {
    ListRow row;
    std::int64_t key = 0;  // sort key of modes 1-3
  };
  bool sorted() const;
  std::int64_t sortKeyOf(const ListRow& row) const;
  bool greater(const Entry& existing, const Entry& added) const;
  std::string clipboardLine(std::string_view text) const;
  void fail(int message, long v1 = 0, long v2 = 0);
  ListOutcome move(int target, bool shift, bool ctrl);

  std::vector<ListColumn> columns_;
  std::string header_;
  std::uint32_t flags_ = 0;
  std::vector<Entry> rows_;
  int current_ = -1;
  int remembered_ = -1;
  int top_ = 0;
  int visibleRows_ = 1;
  Prompter* prompter_ = nullptr;
  int lastError_ = 0;
};
