// The product picture and the icon as the windows get them from the
// program's resources, and the picture control's clicks.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QSet>
#include <QSignalSpy>
#include <QTest>

#include "ProductPicture.h"

namespace {

QByteArray ResourceBytes(const QString& Path) {
  QFile File(Path);
  if (!File.open(QIODevice::ReadOnly)) return QByteArray();
  return File.readAll();
}

TEST(ProductPicture, IsCompiledInAndDecodesTo600By397) {
  const QImage Picture = ProductPicture();
  ASSERT_FALSE(Picture.isNull());
  EXPECT_EQ(Picture.size(), QSize(600, 397));
}

TEST(ProductPicture, MatchesQtsOwnReadingOfTheSameFile) {
  // An independent decoder catches swapped channels, skewed rows or a
  // wrong stride in the conversion to QImage.
  const QByteArray Bytes = ResourceBytes(QStringLiteral(":/tavik/product.jpg"));
  QBuffer Buffer;
  Buffer.setData(Bytes);
  QImageReader Reader(&Buffer, "jpeg");
  if (!Reader.canRead()) GTEST_SKIP() << "Qt's JPEG reader is not installed";
  const QImage Theirs = Reader.read().convertToFormat(QImage::Format_RGB888);
  const QImage Ours = ImageFromJpeg(Bytes).convertToFormat(QImage::Format_RGB888);
  ASSERT_EQ(Ours.size(), Theirs.size());
  int Worst = 0;
  for (int y = 0; y < Ours.height(); y += 3)
    for (int x = 0; x < Ours.width(); x += 3) {
      const QRgb a = Ours.pixel(x, y);
      const QRgb b = Theirs.pixel(x, y);
      Worst = std::max({Worst, std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                        std::abs(qBlue(a) - qBlue(b))});
    }
  EXPECT_LE(Worst, 4);
}

TEST(ProductPicture, DamagedBytesGiveANullImage) {
  const QByteArray Bytes = ResourceBytes(QStringLiteral(":/tavik/product.jpg"));
  ASSERT_FALSE(Bytes.isEmpty());
  EXPECT_TRUE(ImageFromJpeg(Bytes.left(Bytes.size() / 2)).isNull());
  EXPECT_TRUE(ImageFromJpeg(QByteArray()).isNull());
  EXPECT_TRUE(ImageFromJpeg(QByteArray("GIF89a not a jpeg at all")).isNull());
}

TEST(ApplicationIcon, HasItsTwoSizesIn16ColoursEach) {
  const QIcon Icon = ApplicationIcon();
  const QList<QSize> Sizes = Icon.availableSizes();
  EXPECT_TRUE(Sizes.contains(QSize(16, 16)));
  EXPECT_TRUE(Sizes.contains(QSize(32, 32)));
  for (int Size : {16, 32}) {
    SCOPED_TRACE(Size);
    const QImage Image(QStringLiteral(":/tavik/tavik-vadi-%1.png").arg(Size));
    ASSERT_EQ(Image.size(), QSize(Size, Size));
    QSet<QRgb> Colours;
    for (int y = 0; y < Size; ++y)
      for (int x = 0; x < Size; ++x) Colours.insert(Image.pixel(x, y));
    EXPECT_LE(Colours.size(), 16);
    EXPECT_GE(Colours.size(), 4);  // a drawing, not a blank square
  }
}

TEST(TImage, ReportsALeftClickOnItButNotARightClickOrADragAway) {
  TImage Image;
  Image.setGeometry(0, 0, 100, 50);
  Image.SetPicture(ProductPicture());
  Image.show();
  QSignalSpy Clicked(&Image, &TImage::clicked);
  QTest::mouseClick(&Image, Qt::RightButton, {}, QPoint(10, 10));
  EXPECT_EQ(Clicked.count(), 0);
  QTest::mousePress(&Image, Qt::LeftButton, {}, QPoint(10, 10));
  QTest::mouseRelease(&Image, Qt::LeftButton, {}, QPoint(150, 10));
  EXPECT_EQ(Clicked.count(), 0);
  QTest::mouseClick(&Image, Qt::LeftButton, {}, QPoint(10, 10));
  EXPECT_EQ(Clicked.count(), 1);
}

}  // namespace
