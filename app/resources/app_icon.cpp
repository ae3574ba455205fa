#include "resources/app_icon.h"

#include <QIcon>
#include <QPainter>
#include <QPixmap>

namespace tav {
namespace {

// A codec board: a dark case with a screen showing a picture and a green link light.
QPixmap drawIcon(int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  const qreal s = size / 32.0;
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0x1f, 0x3a, 0x5f));
  p.drawRoundedRect(QRectF(1 * s, 4 * s, 30 * s, 24 * s), 4 * s, 4 * s);
  p.setBrush(QColor(0x7f, 0xc8, 0xf8));
  p.drawRect(QRectF(5 * s, 8 * s, 22 * s, 13 * s));
  p.setBrush(QColor(0x2e, 0x7d, 0x32));
  QPolygonF hill;
  hill << QPointF(5 * s, 21 * s) << QPointF(13 * s, 13 * s) << QPointF(19 * s, 18 * s)
       << QPointF(22 * s, 15 * s) << QPointF(27 * s, 21 * s);
  p.drawPolygon(hill);
  p.setBrush(QColor(0x66, 0xff, 0x66));
  p.drawEllipse(QPointF(26 * s, 24.5 * s), 1.6 * s, 1.6 * s);
  return pixmap;
}

}  // namespace

const QIcon& AppIcon() {
  static const QIcon icon = [] {
    QIcon i;
    for (int size : {16, 24, 32, 48, 64, 128}) i.addPixmap(drawIcon(size));
    return i;
  }();
  return icon;
}

}  // namespace tav
