#pragma once
// The multi-column list window of the appointment lists: a thin view over a ListModel. It draws
// the rows in fixed-width character columns under an optional header strip, turns mouse and keys
// into model operations, and tells its owner what happened through signals.
//
// The owner names it (objectName, e.g. "2" for the day list); the header strip is a child named
// "<name>.MDIListBoxHeader".

#include <QAbstractScrollArea>
#include <QBrush>
#include <QColor>
#include <QFont>
#include <QPixmap>
#include <QString>
#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

#include "controls/list_model.h"

class Prompter;
class QScrollBar;

class ListBox : public QAbstractScrollArea {
  Q_OBJECT

 public:
  // Columns past the eleventh are dropped; an empty header means no header strip. Flags are the
  // kList* creation flags (sort column and mode, multiple selection, spacing, keep current,
  // copy raw, hidden).
  ListBox(const QString& name, std::vector<ListColumn> columns, std::string_view header,
          std::uint32_t flags, QWidget* parent = nullptr);
  ~ListBox() override;

  const ListModel& model() const { return model_; }
  // Messages 3040, 3185 and 3186 go to this prompter (not owned; nullptr for none).
  void setPrompter(Prompter* prompter) { model_.setPrompter(prompter); }

  // ---- Rows, as ListModel; each repaints unless an update is in progress.
  int addRow(std::string_view text, std::uint32_t first, std::uint32_t second, std::uint32_t third,
             std::int16_t fourth, int colourSlot = 0);
  bool removeRow(int index);
  void clear();
  int count() const { return model_.count(); }
  int getRow(int index, bool onlyIfSelected, ListRow* out) {
    return model_.getRow(index, onlyIfSelected, out);
  }
  bool isSelected(int index) const { return model_.isSelected(index); }
  // The selection work of mouse and keys; emits selectionChanged when the selected rows change.
  bool selectRow(int index, SelectAction action, bool keepOthers);
  int currentRow() const { return model_.currentRow(); }
  bool setCurrentRow(int index);
  int topRow() const { return model_.topRow(); }
  int visibleRows() const { return model_.visibleRows(); }
  // The index of the row drawn at viewport height `y`, or -1 for none.
  int rowAt(int y) const;

  // The list text on the clipboard: the title line, the header and the rows as tab-separated
  // fields (see ListModel::clipboardBody).
  void copyToClipboard(const QString& title) const;

  // Suspends repainting while many rows are added; endUpdate repaints once when the last
  // beginUpdate is matched.
  void beginUpdate();
  void endUpdate();

  // ---- Appearance.
  // The list font should be monospaced: the columns are laid out in character cells of its
  // widest common character. Defaults: the system's fixed font, bold for the header.
  void setListFont(const QFont& font);
  void setHeaderFont(const QFont& font);
  const QFont& listFont() const { return listFont_; }
  // Slot 0 is the normal text colour, slots 1-10 row backgrounds, 11-20 text colours.
  void setColour(int slot, const QColor& colour);
  QColor colour(int slot) const;
  // Returns the previous background.
  QBrush setBackground(const QBrush& brush);
  const QBrush& background() const { return background_; }

  int rowHeight() const { return rowHeight_; }
  int characterWidth() const { return charWidth_; }
  int headerHeight() const;
  // Left pixel edge of column `column` in the viewport; column count gives the closing edge.
  int columnEdge(int column) const;
  // The size that shows `rows` rows and every column beside the scroll bar.
  QSize sizeForRows(int rows) const;
  QSize sizeHint() const override;

  // The picture of a mark as drawn (18 pixels wide, transparent where nothing is drawn).
  static QPixmap markPixmap(ListMark mark);

 signals:
  void focusGained();
  void focusLost();
  // Enter, or a double click without Ctrl or Shift.
  void activated();
  // kind: 1129 Tab or Escape, 1130 Ctrl+Tab, 1131 Shift+Tab.
  void tabPressed(int kind);
  void selectionChanged();

 protected:
  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;

 private:
  class Header;

  void applyOutcome(const ListOutcome& outcome);
  void relayout();
  void refresh();
  void syncScrollBar();
  void paintRow(QPainter& painter, int index, int y, int width);

  ListModel model_;
  Header* header_ = nullptr;  // child widget, owned by Qt's parent chain
  QFont listFont_;
  QFont headerFont_;
  std::array<QColor, kListColourSlots> colours_;
  std::array<QPixmap, 6> marks_;  // indexed by ListMark
  QBrush background_;
  std::vector<int> edges_;
  int rowHeight_ = 1;
  int charWidth_ = 1;
  int updateDepth_ = 0;
  bool syncing_ = false;
};
