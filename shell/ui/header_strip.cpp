#include "shell/ui/header_strip.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>

namespace {

// The box is at least this many characters wide, so that the short dates of the week do not make
// it jump in width from day to day; a longer date widens it.
constexpr int kBoxCharacters = 19;
constexpr int kBoxPadding = 12;
constexpr int kViewX = 5;

}  // namespace

HeaderStrip::HeaderStrip(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("3"));
  setAutoFillBackground(true);
  QPalette p = palette();
  p.setColor(QPalette::Window, QColor(192, 192, 192));
  setPalette(p);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  font_ = font();
}

void HeaderStrip::setView(const QString& code) {
  view_ = code;
  update();
}

void HeaderStrip::setDate(const QString& text) {
  date_ = text;
  update();
}

void HeaderStrip::setHeadingFont(const QFont& font) {
  font_ = font;
  updateGeometry();
  update();
}

QRect HeaderStrip::dateBox() const {
  const QFontMetrics fm(font_);
  const int character = std::max(fm.horizontalAdvance(QLatin1Char('M')), 1);
  const int wide = std::max(kBoxCharacters * character, fm.horizontalAdvance(date_) + kBoxPadding);
  const int high = fm.height() + 2;
  return {(width() - wide) / 2, (height() - high) / 2, wide, high};
}

QSize HeaderStrip::sizeHint() const {
  const QFontMetrics fm(font_);
  return {fm.horizontalAdvance(QStringLiteral("Wednesday, September 30, 2026")) + 160,
          fm.height() + 8};
}

QSize HeaderStrip::minimumSizeHint() const { return sizeHint(); }

void HeaderStrip::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  painter.setFont(font_);
  const QFontMetrics fm(font_);
  painter.setPen(Qt::black);
  const int baseline = (height() - fm.height()) / 2 + fm.ascent();
  painter.drawText(kViewX, baseline, view_);

  const QRect box = dateBox();
  painter.fillRect(box, Qt::white);
  painter.setPen(QColor(128, 128, 128));
  painter.drawLine(box.topLeft(), box.topRight());
  painter.drawLine(box.topLeft(), box.bottomLeft());
  painter.setPen(Qt::white);
  painter.drawLine(box.bottomLeft(), box.bottomRight());
  painter.drawLine(box.topRight(), box.bottomRight());
  painter.setPen(Qt::black);
  painter.drawText(box, Qt::AlignCenter, date_);
}
