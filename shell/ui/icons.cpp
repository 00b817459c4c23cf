#include "shell/ui/icons.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPolygonF>

namespace {

constexpr int kSize = 32;

struct Tile {
  int command;
  const char* label;
  QColor face;
};

// Each module has a tile of its own colour with a short label, so the buttons are told apart at
// a glance even without reading the text under them.
constexpr int kTileCount = 14;
const Tile kTiles[kTileCount] = {
    {12112, "Ch", QColor(40, 110, 190)}, {12113, "Fa", QColor(60, 150, 80)},
    {12114, "$", QColor(150, 110, 20)},  {12116, "Tx", QColor(120, 70, 160)},
    {12117, "OM", QColor(90, 90, 90)},   {12118, "Le", QColor(30, 140, 150)},
    {12124, "Q", QColor(180, 90, 40)},   {12126, "Rx", QColor(190, 40, 60)},
    {12128, "OJ", QColor(70, 100, 130)}, {12142, "Do", QColor(110, 120, 40)},
    {389, "TM", QColor(120, 40, 120)},   {404, "Lb", QColor(40, 120, 120)},
    {121, "+", QColor(30, 130, 60)},     {393, "!", QColor(200, 120, 0)},
};

QPixmap arrow(bool right) {
  QPixmap pixmap(kSize, kSize);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  QPolygonF shape;
  if (right) {
    shape << QPointF(6, 10) << QPointF(16, 10) << QPointF(16, 4) << QPointF(28, 16)
          << QPointF(16, 28) << QPointF(16, 22) << QPointF(6, 22);
  } else {
    shape << QPointF(26, 10) << QPointF(16, 10) << QPointF(16, 4) << QPointF(4, 16)
          << QPointF(16, 28) << QPointF(16, 22) << QPointF(26, 22);
  }
  p.setPen(QPen(QColor(20, 70, 140), 1.5));
  p.setBrush(QColor(70, 140, 220));
  p.drawPolygon(shape);
  return pixmap;
}

QPixmap tile(const Tile& t) {
  QPixmap pixmap(kSize, kSize);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);
  p.setPen(QPen(t.face.darker(140), 1));
  p.setBrush(t.face);
  p.drawRoundedRect(QRectF(2.5, 2.5, kSize - 5, kSize - 5), 5, 5);
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setPixelSize(13);
  font.setBold(true);
  p.setFont(font);
  p.setPen(Qt::white);
  p.drawText(QRect(0, 0, kSize, kSize), Qt::AlignCenter, QString::fromLatin1(t.label));
  return pixmap;
}

void addMark(QPixmap& pixmap) {
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(Qt::white, 1.5));
  p.setBrush(QColor(220, 0, 0));
  p.drawEllipse(QRectF(kSize - 13, 1, 12, 12));
}

}  // namespace

QIcon commandIcon(int command, bool marked) {
  QPixmap pixmap;
  if (command == 101) {
    pixmap = arrow(true);
  } else if (command == 102) {
    pixmap = arrow(false);
  } else {
    for (const Tile& t : kTiles) {
      if (t.command == command) pixmap = tile(t);
    }
    if (pixmap.isNull()) pixmap = tile({command, "?", QColor(128, 128, 128)});
  }
  if (marked) addMark(pixmap);
  return QIcon(pixmap);
}

QIcon swatchIcon(const QColor& colour) {
  QPixmap pixmap(16, 16);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setPen(QColor(80, 80, 80));
  p.setBrush(colour);
  p.drawRect(1, 1, 13, 13);
  return QIcon(pixmap);
}
