#pragma once
// The list of the patient selection: a window of at most seven consecutive patients of the
// patient file in the order of the mode's key, placed by the typed text and moved a line or a
// page at a time. Nothing is cached: every search and every scroll reads the file as it is now,
// a handful of records each time, so it stays instant on any size of file. Qt-free.
//
// Home phone mode walks the household address file in phone order and lists each household's
// patients; it reads through a database session of its own, ended after every operation.
//
// Database errors other than "not found" show message 3020 with the error number; the list keeps
// what was read before the error.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "contracts/qdb.h"
#include "patsel/patient_rows.h"

class AccessLayer;
class PatientRecord;
class Prompter;

// Which patients the list shows.
struct SearchFilter {
  bool guarantorsOnly = false;   // only patients whose selection flag is set
  bool includeArchived = false;  // status 4 is skipped unless set
  bool passes(const PatientRecord& patient) const;
};

struct PatientRow {
  std::string text;
  std::uint32_t patientId = 0;
  QdbPosition position = 0;  // the patient's position in the patient file
  bool beforeKey = false;    // listed above the place of the typed key
  bool matches = false;      // the patient's key begins with the typed key
};

inline constexpr int kPatientWindowRows = 7;
// Where the scroll bar (range 0..6) rests: in the middle while there is more both ways, at an
// end once a scroll met the end of the file.
inline constexpr int kScrollAtStart = 0;
inline constexpr int kScrollMiddle = 3;
inline constexpr int kScrollAtEnd = 6;
inline constexpr int kPatientReadErrorMessage = 3020;

class PatientSearch {
 public:
  // REQUIRES: the access layer's session is started and outlives this object. The patient file
  // is opened when the layer does not have it open, and then closed again when this goes; so
  // nothing else may close it meanwhile, and of two searches on one layer the one that opened
  // the file must go last. Every scroll reads its rows again by file position, so others may
  // use the file (and move its current record) between the calls.
  PatientSearch(AccessLayer& db, Prompter& prompter);
  ~PatientSearch();
  PatientSearch(const PatientSearch&) = delete;
  PatientSearch& operator=(const PatientSearch&) = delete;

  // Takes effect at the next search or scroll.
  void setRowOptions(const RowOptions& options) { options_ = options; }
  void setFilter(const SearchFilter& filter) { filter_ = filter; }
  const RowOptions& rowOptions() const { return options_; }
  const SearchFilter& filter() const { return filter_; }

  // Lists the window for `typed`: the first patient whose key begins with it and the one above
  // it; or, when none begins with it, the patient just before its place (the first of the file
  // when there is none). When patients begin with it but the filter hides every one of them,
  // the list stays empty. An empty text (or one that makes no key) empties the list.
  void search(std::string_view typed);
  // Empties the list.
  void clear();
  // One patient further (back), or six for a page. At an end of the file the rows stay as they
  // are and the scroll position parks at that end; otherwise it returns to the middle.
  void lineDown() { scroll(1, true); }
  void lineUp() { scroll(1, false); }
  void pageDown() { scroll(kPatientWindowRows - 1, true); }
  void pageUp() { scroll(kPatientWindowRows - 1, false); }

  const std::vector<PatientRow>& rows() const { return rows_; }
  // The row the list selects (-1 none). A search selects the first row at or after the typed
  // key; scrolling keeps the index.
  int selectedRow() const { return selected_; }
  void setSelectedRow(int row);
  int scrollPosition() const { return scrollPos_; }
  bool scrollEnabled() const { return !rows_.empty(); }
  // Rows whose patient's key begins with the typed text.
  int matchCount() const;
  // Records read by the last search or scroll.
  int lastReadCount() const { return reads_; }
  // The last database error shown (0 after an operation without one).
  int lastError() const { return lastError_; }

  class Walk;

 private:
  std::unique_ptr<Walk> makeWalk();
  void scroll(int steps, bool down);
  void fail(int error);

  AccessLayer& db_;
  Prompter& prompter_;
  bool openedFile_ = false;
  RowOptions options_;
  SearchFilter filter_;
  SearchKey key_;
  std::string typed_;
  std::vector<PatientRow> rows_;
  int selected_ = -1;
  int scrollPos_ = kScrollAtStart;
  int reads_ = 0;
  int lastError_ = 0;
};
