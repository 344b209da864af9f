// tavik_grab_screen: writes what the X display shows to a PNG file, cut to
// the windows on it (the part that is not the black root window).
// scripts/screenshots runs it beside the window program under Xvfb.
//
//   tavik_grab_screen OUT.png
#include <algorithm>
#include <cstdio>

#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>

namespace {

// The smallest rectangle holding every pixel that is not pure black.
QRect Windows(const QImage& Screen) {
  int Left = Screen.width(), Top = Screen.height(), Right = -1, Bottom = -1;
  for (int y = 0; y < Screen.height(); ++y) {
    const QRgb* Line = reinterpret_cast<const QRgb*>(Screen.constScanLine(y));
    for (int x = 0; x < Screen.width(); ++x)
      if ((Line[x] & 0xFFFFFF) != 0) {
        Left = std::min(Left, x);
        Right = std::max(Right, x);
        Top = std::min(Top, y);
        Bottom = std::max(Bottom, y);
      }
  }
  return Right < 0 ? QRect() : QRect(QPoint(Left, Top), QPoint(Right, Bottom));
}

}  // namespace

int main(int argc, char** argv) {
  QGuiApplication App(argc, argv);
  if (argc != 2) {
    std::fputs("Usage: tavik_grab_screen OUT.png\n", stderr);
    return 2;
  }
  QScreen* Screen = QGuiApplication::primaryScreen();
  const QImage Shot = Screen->grabWindow(0).toImage().convertToFormat(QImage::Format_RGB32);
  const QRect Shown = Windows(Shot);
  if (Shown.isEmpty()) {
    std::fputs("tavik_grab_screen: nothing is shown on the screen\n", stderr);
    return 1;
  }
  if (!Shot.copy(Shown).save(QString::fromLocal8Bit(argv[1]), "PNG")) {
    std::fprintf(stderr, "tavik_grab_screen: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
