#include "ProductPicture.h"

#include <QFile>
#include <QMouseEvent>
#include <QPixmap>

#include "JpegPicture.h"

QImage ImageFromJpeg(const QByteArray& Bytes) {
  const TJpegPicture Decoded =
      DecodeJpeg(reinterpret_cast<const std::uint8_t*>(Bytes.constData()), static_cast<std::size_t>(Bytes.size()));
  if (Decoded.Empty()) return QImage();
  const qsizetype Stride = static_cast<qsizetype>(Decoded.Width) * 3;
  // The wrapping image only borrows the bytes; copy() gives it its own.
  return QImage(Decoded.Rgb.data(), Decoded.Width, Decoded.Height, Stride, QImage::Format_RGB888).copy();
}

QImage ProductPicture() {
  QFile File(QStringLiteral(":/tavik/product.jpg"));
  if (!File.open(QIODevice::ReadOnly)) return QImage();
  return ImageFromJpeg(File.readAll());
}

QIcon ApplicationIcon() {
  QIcon Icon;
  Icon.addFile(QStringLiteral(":/tavik/tavik-vadi-16.png"), QSize(16, 16));
  Icon.addFile(QStringLiteral(":/tavik/tavik-vadi-32.png"), QSize(32, 32));
  // Docks and task switchers ask for larger ones.
  Icon.addFile(QStringLiteral(":/tavik/tavik-vadi-48.png"), QSize(48, 48));
  Icon.addFile(QStringLiteral(":/tavik/tavik-vadi-64.png"), QSize(64, 64));
  return Icon;
}

TImage::TImage(QWidget* Parent) : QLabel(Parent) {
  setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

void TImage::SetPicture(const QImage& Picture) {
  if (Picture.isNull())
    clear();
  else
    setPixmap(QPixmap::fromImage(Picture));
}

void TImage::mousePressEvent(QMouseEvent* Event) {
  Pressed_ = Event->button() == Qt::LeftButton;
  QLabel::mousePressEvent(Event);
}

void TImage::mouseReleaseEvent(QMouseEvent* Event) {
  const bool Click = Pressed_ && Event->button() == Qt::LeftButton && rect().contains(Event->position().toPoint());
  Pressed_ = false;
  QLabel::mouseReleaseEvent(Event);
  if (Click) emit clicked();
}
