#include "controls/ui/list_box.h"

#include <QClipboard>
#include <QFocusEvent>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QScrollBar>
#include <QStringDecoder>
#include <algorithm>
#include <cmath>
#include <utility>

namespace {

// Text starts this far inside a left-aligned column and ends this far inside a right-aligned
// one, unless the text would then leave its column.
constexpr int kTextInset = 3;
// Each column is one pixel wider than its characters, plus room for the inset on both sides: in
// a monospaced font a full field would otherwise touch the next column's text.
constexpr int kColumnExtra = 1 + 2 * kTextInset;
constexpr int kMarkWidth = 18;
constexpr int kMarkStep = 9;
constexpr int kMarkHeight = 13;

const QColor kHeaderFace(192, 192, 192);
const QColor kHeaderShadow(128, 128, 128);

// Names and descriptions are stored as UTF-8; a field that is not valid UTF-8 (bytes written by
// an older module) is shown byte for byte as Latin-1 rather than as replacement characters.
QString displayText(std::string_view bytes) {
  QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  QString text = utf8.decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
  if (!utf8.hasError()) return text;
  return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

std::string_view trimmedRight(std::string_view text) {
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

// Draws `text` in `cell` with a column alignment: 3 pixels inside the left or right edge, or
// centred. A text too wide for the inset starts closer to the edge rather than being cut.
void drawAligned(QPainter& painter, const QRect& cell, int align, const QString& text) {
  if (text.isEmpty()) return;
  const QFontMetrics fm = painter.fontMetrics();
  const int textWidth = fm.horizontalAdvance(text);
  const int slack = std::max(0, cell.width() - textWidth);
  int x = cell.left();
  switch (align) {
    case kListAlignRight:
      x = cell.left() + slack - std::min(kTextInset, slack);
      break;
    case kListAlignCentre:
      x = cell.left() + slack / 2;
      break;
    default:
      x = cell.left() + std::min(kTextInset, slack);
      break;
  }
  const int baseline = cell.top() + (cell.height() - fm.height()) / 2 + fm.ascent();
  painter.save();
  painter.setClipRect(cell, Qt::IntersectClip);
  painter.drawText(x, baseline, text);
  painter.restore();
}

QFont defaultListFont() {
  QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  font.setStyleHint(QFont::TypeWriter);
  return font;
}

// The colours the owner usually replaces from its settings: pale row backgrounds that keep
// black text readable, and dark text colours that stay readable on white.
std::array<QColor, kListColourSlots> defaultColours() {
  return {QColor(0, 0, 0),
          // 1-10 backgrounds
          QColor(255, 255, 150), QColor(220, 220, 150), QColor(255, 200, 220),
          QColor(200, 240, 200), QColor(200, 225, 255), QColor(230, 210, 255),
          QColor(255, 225, 190), QColor(200, 245, 245), QColor(225, 225, 225),
          QColor(235, 245, 200),
          // 11-20 text
          QColor(170, 0, 0), QColor(0, 120, 0), QColor(0, 0, 170), QColor(130, 80, 0),
          QColor(120, 0, 140), QColor(0, 110, 110), QColor(190, 80, 0), QColor(160, 0, 90),
          QColor(90, 90, 90), QColor(100, 100, 0)};
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// The header strip: the header text cut into the list's columns, one raised cell per column.

class ListBox::Header : public QWidget {
 public:
  explicit Header(ListBox* list) : QWidget(list), list_(list) {
    setAutoFillBackground(false);
    setAttribute(Qt::WA_OpaquePaintEvent);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.fillRect(rect(), kHeaderFace);
    painter.setFont(list_->headerFont_);
    const ListModel& model = list_->model_;
    const std::vector<std::string_view> fields = cutFields(model.header(), model.columns());
    const int columns = static_cast<int>(model.columns().size());
    const int offset = list_->viewport()->x() - x();
    for (int i = 0; i < std::max(columns, 1); ++i) {
      const int left = offset + (columns == 0 ? 0 : list_->columnEdge(i));
      const int right = offset + (columns == 0 ? width() : list_->columnEdge(i + 1));
      const QRect cell(left, 0, right - left, height());
      painter.setPen(Qt::white);
      painter.drawLine(cell.topLeft(), cell.topRight());
      painter.drawLine(cell.topLeft(), cell.bottomLeft());
      painter.setPen(kHeaderShadow);
      painter.drawLine(cell.bottomLeft(), cell.bottomRight());
      painter.drawLine(cell.topRight(), cell.bottomRight());
      painter.setPen(isEnabled() ? Qt::black : kHeaderShadow);
      const int align =
          columns == 0 ? kListAlignLeft : model.columns()[static_cast<std::size_t>(i)].align;
      const std::string_view field = static_cast<std::size_t>(i) < fields.size()
                                         ? fields[static_cast<std::size_t>(i)]
                                         : std::string_view();
      drawAligned(painter, cell.adjusted(1, 1, -1, -1), align, displayText(trimmed(field)));
    }
    // Past the last column the strip is plain face with the same bottom line.
    const int end = offset + (columns == 0 ? width() : list_->columnEdge(columns));
    if (end < width()) {
      painter.setPen(kHeaderShadow);
      painter.drawLine(end, height() - 1, width(), height() - 1);
    }
  }

 private:
  ListBox* list_;
};

// ---------------------------------------------------------------------------------------------

ListBox::ListBox(const QString& name, std::vector<ListColumn> columns, std::string_view header,
                 std::uint32_t flags, QWidget* parent)
    : QAbstractScrollArea(parent),
      model_(std::move(columns), header, flags),
      listFont_(defaultListFont()),
      colours_(defaultColours()),
      background_(Qt::white) {
  setObjectName(name);
  for (std::size_t i = 0; i < marks_.size(); ++i) marks_[i] = markPixmap(static_cast<ListMark>(i));
  headerFont_ = listFont_;
  headerFont_.setBold(true);
  setFocusPolicy(Qt::StrongFocus);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
  if (!model_.header().empty()) {
    header_ = new Header(this);
    header_->setObjectName(name + QStringLiteral(".MDIListBoxHeader"));
    connect(this, &QObject::objectNameChanged, header_, [this](const QString& newName) {
      header_->setObjectName(newName + QStringLiteral(".MDIListBoxHeader"));
    });
  }
  relayout();
  if ((flags & kListHidden) != 0) hide();
}

ListBox::~ListBox() = default;

// ---- Layout

int ListBox::headerHeight() const {
  if (header_ == nullptr) return 0;
  return std::max(QFontMetrics(listFont_).height(), QFontMetrics(headerFont_).height()) + 2;
}

int ListBox::columnEdge(int column) const {
  if (edges_.empty()) return 0;
  const auto i =
      static_cast<std::size_t>(std::clamp(column, 0, static_cast<int>(edges_.size()) - 1));
  return edges_[i];
}

void ListBox::relayout() {
  const QFontMetrics fm(listFont_);
  const QFontMetricsF fmf(listFont_);
  // The cell is the widest of the average, a digit and a capital, rounded up, so that a field
  // filled to its width stays inside its column even in a font that is not monospaced.
  const qreal widest =
      std::max({static_cast<qreal>(fm.averageCharWidth()), fmf.horizontalAdvance(QLatin1Char('0')),
                fmf.horizontalAdvance(QLatin1Char('M'))});
  charWidth_ = std::max(1, static_cast<int>(std::ceil(widest)));
  rowHeight_ = std::max(1, fm.height() + ((model_.flags() & kListExtraSpacing) != 0 ? 1 : 0));
  edges_.assign(1, 0);
  for (const ListColumn& column : model_.columns()) {
    edges_.push_back(edges_.back() + column.width * charWidth_ + kColumnExtra);
  }
  const int headerPixels = headerHeight();
  setViewportMargins(0, headerPixels, 0, 0);
  if (header_ != nullptr) {
    // Exactly above the rows, beside the scroll bar rather than over it.
    const QRect rows = viewport()->geometry();
    header_->setGeometry(rows.left(), rows.top() - headerPixels, rows.width(), headerPixels);
  }
  model_.setVisibleRows(viewport()->height() / rowHeight_);
  refresh();
}

QSize ListBox::sizeForRows(int rows) const {
  const int frame = 2 * frameWidth();
  const int bar = verticalScrollBar()->sizeHint().width();
  const int columnsWidth = edges_.size() > 1 ? edges_.back() : 40 * charWidth_;
  return {columnsWidth + bar + frame, headerHeight() + std::max(rows, 1) * rowHeight_ + frame};
}

QSize ListBox::sizeHint() const { return sizeForRows(10); }

void ListBox::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  relayout();
}

void ListBox::setListFont(const QFont& font) {
  listFont_ = font;
  relayout();
}

void ListBox::setHeaderFont(const QFont& font) {
  headerFont_ = font;
  relayout();
}

void ListBox::setColour(int slot, const QColor& colour) {
  if (slot < 0 || slot >= kListColourSlots) return;
  colours_[static_cast<std::size_t>(slot)] = colour;
  refresh();
}

QColor ListBox::colour(int slot) const {
  if (slot < 0 || slot >= kListColourSlots) return colours_[0];
  return colours_[static_cast<std::size_t>(slot)];
}

QBrush ListBox::setBackground(const QBrush& brush) {
  QBrush previous = background_;
  background_ = brush;
  refresh();
  return previous;
}

// ---- Rows

int ListBox::addRow(std::string_view text, std::uint32_t first, std::uint32_t second,
                    std::uint32_t third, std::int16_t fourth, int colourSlot) {
  const int index = model_.addRow(text, first, second, third, fourth, colourSlot);
  refresh();
  return index;
}

bool ListBox::removeRow(int index) {
  const bool wasSelected = model_.isSelected(index);
  const bool removed = model_.removeRow(index);
  refresh();
  if (removed && wasSelected) emit selectionChanged();
  return removed;
}

void ListBox::clear() {
  model_.clear();
  refresh();
}

bool ListBox::selectRow(int index, SelectAction action, bool keepOthers) {
  const bool changed = model_.selectRow(index, action, keepOthers);
  refresh();
  if (changed) emit selectionChanged();
  return changed;
}

bool ListBox::setCurrentRow(int index) {
  const bool done = model_.setCurrentRow(index);
  refresh();
  return done;
}

int ListBox::rowAt(int y) const {
  if (y < 0) return -1;
  const int index = model_.topRow() + y / rowHeight_;
  return index < model_.count() ? index : -1;
}

void ListBox::copyToClipboard(const QString& title) const {
  QString text = title;
  text += QLatin1Char('\n');
  text += displayText(model_.clipboardBody());
  QGuiApplication::clipboard()->setText(text);
}

void ListBox::beginUpdate() { ++updateDepth_; }

void ListBox::endUpdate() {
  if (updateDepth_ > 0) --updateDepth_;
  refresh();
}

void ListBox::refresh() {
  if (updateDepth_ > 0) return;
  syncScrollBar();
  viewport()->update();
  if (header_ != nullptr) header_->update();
}

void ListBox::syncScrollBar() {
  QScrollBar* bar = verticalScrollBar();
  syncing_ = true;
  bar->setRange(0, model_.maxTopRow());
  bar->setSingleStep(1);
  bar->setPageStep(std::max(1, model_.visibleRows() - 1));
  bar->setValue(model_.topRow());
  syncing_ = false;
}

void ListBox::scrollContentsBy(int /*dx*/, int /*dy*/) {
  if (syncing_) return;
  model_.setTopRow(verticalScrollBar()->value());
  viewport()->update();
}

// ---- Input

void ListBox::applyOutcome(const ListOutcome& outcome) {
  refresh();
  if (outcome.selectionChanged) emit selectionChanged();
  switch (outcome.notification) {
    case kListNotifyActivate:
      emit activated();
      break;
    case kListNotifyTab:
    case kListNotifyCtrlTab:
    case kListNotifyShiftTab:
      emit tabPressed(outcome.notification);
      break;
    default:
      break;
  }
}

bool ListBox::event(QEvent* event) {
  // Tab and Shift+Tab belong to the list's owner, not to the focus chain of the window.
  if (event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) {
      keyPressEvent(key);
      return true;
    }
  }
  return QAbstractScrollArea::event(event);
}

void ListBox::keyPressEvent(QKeyEvent* event) {
  const Qt::KeyboardModifiers mods = event->modifiers();
  bool shift = (mods & Qt::ShiftModifier) != 0;
  const bool ctrl = (mods & Qt::ControlModifier) != 0;
  ListKey key = ListKey::kOther;
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      key = ListKey::kEnter;
      break;
    case Qt::Key_Space:
      key = ListKey::kSpace;
      break;
    case Qt::Key_Up:
      key = ListKey::kUp;
      break;
    case Qt::Key_Down:
      key = ListKey::kDown;
      break;
    case Qt::Key_Home:
      key = ListKey::kHome;
      break;
    case Qt::Key_End:
      key = ListKey::kEnd;
      break;
    case Qt::Key_Tab:
      key = ListKey::kTab;
      break;
    case Qt::Key_Backtab:
      key = ListKey::kTab;
      shift = true;
      break;
    case Qt::Key_Escape:
      key = ListKey::kEscape;
      break;
    default:
      break;
  }
  const ListOutcome outcome = model_.key(key, shift, ctrl);
  if (!outcome.handled) {
    // Not a key of the list (Page Up and Page Down included): the owner may want it.
    event->ignore();
    return;
  }
  event->accept();
  applyOutcome(outcome);
}

void ListBox::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    event->ignore();
    return;
  }
  if (!hasFocus()) setFocus(Qt::MouseFocusReason);
  const Qt::KeyboardModifiers mods = event->modifiers();
  applyOutcome(model_.click(rowAt(event->position().toPoint().y()),
                            (mods & Qt::ControlModifier) != 0, (mods & Qt::ShiftModifier) != 0));
}

void ListBox::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    event->ignore();
    return;
  }
  const Qt::KeyboardModifiers mods = event->modifiers();
  applyOutcome(model_.doubleClick(
      rowAt(event->position().toPoint().y()), (mods & Qt::ControlModifier) != 0,
      (mods & Qt::ShiftModifier) != 0, (event->buttons() & Qt::RightButton) != 0));
}

void ListBox::focusInEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusInEvent(event);
  // A menu opened over the list borrows the focus only for its time: the list keeps its
  // current row and the owner hears nothing, as if the focus had never left.
  if (event->reason() == Qt::PopupFocusReason) return;
  model_.focusIn();
  refresh();
  emit focusGained();
}

void ListBox::focusOutEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusOutEvent(event);
  if (event->reason() == Qt::PopupFocusReason) return;
  model_.focusOut();
  refresh();
  emit focusLost();
}

// ---- Drawing

QPixmap ListBox::markPixmap(ListMark mark) {
  QPixmap pixmap(kMarkWidth, kMarkHeight);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);
  // Each picture is a small badge in the left half: marks are stacked 9 pixels apart, so the
  // right half is where the next mark shows through, and the rightmost keeps clear of the edge.
  const QRectF badge(0, 1, kMarkStep - 1, kMarkHeight - 2);
  QColor face;
  QColor ink = Qt::white;
  QString label;
  switch (mark) {
    case ListMark::kAlert1:
      face = QColor(240, 200, 0);
      ink = Qt::black;
      label = QStringLiteral("1");
      break;
    case ListMark::kAlert2:
      face = QColor(240, 110, 0);
      label = QStringLiteral("2");
      break;
    case ListMark::kAlert3:
      face = QColor(215, 0, 0);
      label = QStringLiteral("3");
      break;
    case ListMark::kAlert4:
      face = QColor(130, 0, 150);
      label = QStringLiteral("4");
      break;
    case ListMark::kDiagnosis:
      face = QColor(0, 90, 190);
      label = QStringLiteral("Dx");
      break;
    case ListMark::kReferral:
      face = QColor(0, 125, 60);
      label = QStringLiteral("R");
      break;
  }
  p.setPen(Qt::NoPen);
  p.setBrush(face);
  p.drawRoundedRect(badge, 1.5, 1.5);
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setPixelSize(9);
  font.setBold(true);
  p.setFont(font);
  p.setPen(ink);
  // A label wider than the badge ("Dx") is squeezed sideways to fit.
  const qreal wide = QFontMetricsF(font).horizontalAdvance(label);
  const qreal squeeze = std::min<qreal>(1.0, (badge.width() - 1) / std::max<qreal>(wide, 1.0));
  p.translate(badge.center().x(), 0);
  p.scale(squeeze, 1.0);
  p.drawText(QRectF(-wide / 2, badge.top(), wide, badge.height()), Qt::AlignCenter, label);
  return pixmap;
}

void ListBox::paintRow(QPainter& painter, int index, int y, int width) {
  const ListRow& row = *model_.row(index);
  const QRect rowRect(0, y, width, rowHeight_);
  const bool enabled = isEnabled();
  QColor text = colours_[0];
  if (row.selected) {
    const QPalette::ColorGroup group = enabled ? QPalette::Active : QPalette::Disabled;
    painter.fillRect(rowRect, palette().color(group, QPalette::Highlight));
    text = palette().color(group, QPalette::HighlightedText);
  } else {
    if (row.colourSlot >= kListFirstBackgroundSlot && row.colourSlot <= kListLastBackgroundSlot) {
      painter.fillRect(rowRect, colours_[static_cast<std::size_t>(row.colourSlot)]);
    } else {
      painter.fillRect(rowRect, background_);
      if (row.colourSlot > kListLastBackgroundSlot) {
        text = colours_[static_cast<std::size_t>(row.colourSlot)];
      }
    }
  }
  if (!enabled && !row.selected) text = palette().color(QPalette::Disabled, QPalette::Text);
  painter.setPen(text);

  const std::vector<std::string_view> fields = model_.fields(index);
  const std::vector<ListColumn>& columns = model_.columns();
  for (std::size_t i = 0; i < fields.size(); ++i) {
    const int left = columns.empty() ? 0 : columnEdge(static_cast<int>(i));
    const int right = columns.empty() ? width : columnEdge(static_cast<int>(i) + 1);
    const QRect cell(left, y, right - left, rowHeight_);
    const int align = columns.empty() ? kListAlignLeft : columns[i].align;
    if (align != kListAlignLeft) {
      drawAligned(painter, cell, align,
                  displayText(align == kListAlignRight ? trimmedRight(fields[i]) : fields[i]));
      continue;
    }
    const ListField field = parseField(fields[i]);
    drawAligned(painter, cell, align, displayText(field.text));
    int x = cell.right() + 1 - kMarkWidth;
    painter.save();
    painter.setClipRect(cell, Qt::IntersectClip);
    for (ListMark mark : field.marks) {
      painter.drawPixmap(x, y + (rowHeight_ - kMarkHeight) / 2,
                         marks_[static_cast<std::size_t>(mark)]);
      x -= kMarkStep;
    }
    painter.restore();
  }

  if (index == model_.currentRow()) {
    QPen frame(text, 1, Qt::DotLine);
    painter.setPen(frame);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rowRect.adjusted(0, 0, -1, -1));
  }
}

void ListBox::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(viewport());
  painter.setFont(listFont_);
  const int width = viewport()->width();
  const int height = viewport()->height();
  int y = 0;
  for (int index = model_.topRow(); index < model_.count() && y < height; ++index) {
    paintRow(painter, index, y, width);
    y += rowHeight_;
  }
  if (y < height) painter.fillRect(QRect(0, y, width, height - y), background_);
}
