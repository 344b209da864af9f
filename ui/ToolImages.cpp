#include "ToolImages.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <initializer_list>

namespace {

QPixmap Blank() {
  QPixmap Picture(16, 16);
  Picture.fill(Qt::transparent);
  return Picture;
}

const QColor Ink(40, 40, 40);

QPixmap NewImage() {
  QPixmap Picture = Blank();
  QPainter P(&Picture);
  QPainterPath Page;
  Page.moveTo(3.5, 1.5);
  Page.lineTo(9.5, 1.5);
  Page.lineTo(12.5, 4.5);
  Page.lineTo(12.5, 14.5);
  Page.lineTo(3.5, 14.5);
  Page.closeSubpath();
  P.setPen(Ink);
  P.setBrush(Qt::white);
  P.drawPath(Page);
  P.drawPolyline(QPolygonF({{9.5, 1.5}, {9.5, 4.5}, {12.5, 4.5}}));
  // A spark: new
  P.setPen(QPen(QColor(230, 170, 0), 1.5));
  P.drawLine(QPointF(13, 9), QPointF(13, 15));
  P.drawLine(QPointF(10, 12), QPointF(16, 12));
  return Picture;
}

QPixmap OpenImage() {
  QPixmap Picture = Blank();
  QPainter P(&Picture);
  P.setPen(Ink);
  P.setBrush(QColor(214, 170, 60));
  P.drawPolygon(QPolygonF({{0.5, 3.5}, {5.5, 3.5}, {6.5, 5.5}, {13.5, 5.5}, {13.5, 13.5}, {0.5, 13.5}}));
  P.setBrush(QColor(250, 214, 110));
  P.drawPolygon(QPolygonF({{2.5, 7.5}, {15.5, 7.5}, {13.5, 13.5}, {0.5, 13.5}}));
  return Picture;
}

QPixmap SaveImage() {
  QPixmap Picture = Blank();
  QPainter P(&Picture);
  P.setPen(Ink);
  P.setBrush(QColor(40, 80, 170));
  P.drawPolygon(QPolygonF({{1.5, 1.5}, {12.5, 1.5}, {14.5, 3.5}, {14.5, 14.5}, {1.5, 14.5}}));
  P.setBrush(Qt::white);
  P.drawRect(QRectF(3.5, 1.5, 9, 5));
  P.setBrush(QColor(200, 200, 200));
  P.drawRect(QRectF(4.5, 9.5, 7, 5));
  P.fillRect(QRectF(9, 2, 2, 4), QColor(40, 80, 170));
  return Picture;
}

QPixmap PrintImage() {
  QPixmap Picture = Blank();
  QPainter P(&Picture);
  P.setPen(Ink);
  P.setBrush(Qt::white);
  P.drawRect(QRectF(4.5, 1.5, 7, 5));
  P.setBrush(QColor(170, 170, 170));
  P.drawRect(QRectF(1.5, 6.5, 13, 6));
  P.setBrush(Qt::white);
  P.drawRect(QRectF(4.5, 10.5, 7, 4));
  P.setPen(QColor(0, 160, 0));
  P.drawPoint(12, 8);
  return Picture;
}

// A grey board with white pieces laid out on it.
void DrawBoard(QPainter& P, std::initializer_list<QRectF> Pieces) {
  P.setPen(Ink);
  P.setBrush(QColor(192, 192, 192));
  P.drawRect(QRectF(0.5, 2.5, 15, 11));
  P.setBrush(Qt::white);
  for (const QRectF& Piece : Pieces) P.drawRect(Piece);
}

QPixmap ComputeImage() {
  QPixmap Picture = Blank();
  QPainter P(&Picture);
  // A board with a layout on it, and a saw cut.
  DrawBoard(P, {QRectF(0.5, 2.5, 7, 6), QRectF(7.5, 2.5, 5, 6), QRectF(0.5, 8.5, 10, 5)});
  P.setPen(QPen(QColor(210, 30, 30), 2));
  P.drawLine(QPointF(13, 1), QPointF(13, 15));
  return Picture;
}

QPixmap OptimiseImage() {
  QPixmap Picture = Blank();
  QPainter P(&Picture);
  // The board of Compute filled edge to edge, and a tick: the plan that
  // wastes less.
  DrawBoard(P, {QRectF(0.5, 2.5, 7, 6), QRectF(7.5, 2.5, 8, 6), QRectF(0.5, 8.5, 15, 5)});
  P.setRenderHint(QPainter::Antialiasing);
  P.setPen(QPen(QColor(0, 150, 40), 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  P.drawPolyline(QPolygonF({{6.5, 9.5}, {9.5, 12.5}, {14.5, 5.5}}));
  return Picture;
}

QPixmap ClearImage() {
  QPixmap Picture = Blank();
  QPainter P(&Picture);
  DrawBoard(P, {});
  P.setRenderHint(QPainter::Antialiasing);
  P.setPen(QPen(QColor(210, 30, 30), 2.2, Qt::SolidLine, Qt::RoundCap));
  P.drawLine(QPointF(4, 4), QPointF(12, 12));
  P.drawLine(QPointF(12, 4), QPointF(4, 12));
  return Picture;
}

}  // namespace

QList<QIcon> MakeToolImages() {
  return {QIcon(NewImage()),     QIcon(OpenImage()),  QIcon(SaveImage()),    QIcon(PrintImage()),
          QIcon(ComputeImage()), QIcon(ClearImage()), QIcon(OptimiseImage())};
}
