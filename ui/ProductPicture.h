// The product picture and the application icon, both compiled into the
// program, and the picture control that the splash window and the about
// box show them in.
#pragma once

#include <QByteArray>
#include <QIcon>
#include <QImage>
#include <QLabel>

// Decodes JPEG bytes with the program's own decoder; a null image when the
// bytes are not a sound JPEG picture.
QImage ImageFromJpeg(const QByteArray& Bytes);

// The product picture (600 x 397); a null image if it cannot be decoded.
QImage ProductPicture();

// The application icon in its two sizes, 16 x 16 and 32 x 32.
QIcon ApplicationIcon();

// A picture at a fixed place and size that reports clicks, like the
// pictures on the program's forms. Without a picture it shows nothing but
// still takes clicks.
class TImage : public QLabel {
  Q_OBJECT

 public:
  explicit TImage(QWidget* Parent = nullptr);

  // Shows Picture at its own size from the top left corner.
  void SetPicture(const QImage& Picture);

 signals:
  // A left-button press and release, both on the picture.
  void clicked();

 protected:
  void mousePressEvent(QMouseEvent* Event) override;
  void mouseReleaseEvent(QMouseEvent* Event) override;

 private:
  bool Pressed_ = false;
};
