// Pictures of the windows for a person to look at: the main window with a
// computed example, and the progress dialog during a calculation. Written to
// the build's screenshot folder.
#include <QDir>
#include <QTabBar>

#include "Fonts.h"
#include "WindowFixture.h"

namespace {

using TScreenshotTest = TWindowTest;

// Counts the pixels of Picture inside Area that have exactly Colour.
int CountColour(const QImage& Picture, QRect Area, QRgb Colour) {
  int Count = 0;
  Area &= Picture.rect();
  for (int y = Area.top(); y <= Area.bottom(); ++y)
    for (int x = Area.left(); x <= Area.right(); ++x) Count += Picture.pixel(x, y) == Colour;
  return Count;
}

TEST_F(TScreenshotTest, MainWindowWithAComputedExample) {
  InstallFontSubstitutes();
  ASSERT_TRUE(QDir().mkpath(QStringLiteral(TAVIK_SCREENSHOT_DIR)));
  Form->resize(1280, 800);
  OpenFile(Example("cabinet.tsk"));

  QImage Dialog;
  // Long enough for the window to see the dialog due.
  Form->SetCalculation(SlowCalculation(150));
  DuringCalculation([&] { Dialog = Progress->grab().toImage(); });
  Form->N5Click();
  ASSERT_GT(T().JobCount, 1);
  Form->TabSet1->setCurrentIndex(1);
  QApplication::processEvents();

  const QImage Shot = Form->grab().toImage();
  const QString Path = QStringLiteral(TAVIK_SCREENSHOT_DIR "/main-window.png");
  ASSERT_TRUE(Shot.save(Path));
  EXPECT_EQ(QImage(Path).size(), Shot.size());
  // The layout view shows waste (silver) and pieces (white).
  const QRect View(Form->Panel3->mapTo(Form.get(), QPoint(0, 0)), Form->Panel3->size());
  EXPECT_GT(CountColour(Shot, View, qRgb(192, 192, 192)), 100);
  EXPECT_GT(CountColour(Shot, View, qRgb(255, 255, 255)), 1000);

  ASSERT_FALSE(Dialog.isNull());
  EXPECT_EQ(Dialog.size(), QSize(555, 125));
  EXPECT_TRUE(Dialog.save(QStringLiteral(TAVIK_SCREENSHOT_DIR "/progress-dialog.png")));
}

TEST_F(TScreenshotTest, MainWindowWithLockedPiecesAndLimitedStock) {
  InstallFontSubstitutes();
  ASSERT_TRUE(QDir().mkpath(QStringLiteral(TAVIK_SCREENSHOT_DIR)));
  Form->resize(1280, 800);
  OpenFile(Example("grain-stock.tsk"));
  Form->N5Click();
  ASSERT_GT(T().JobCount, 1);
  Form->TabSet1->setCurrentIndex(1);
  QApplication::processEvents();
  const QImage Shot = Form->grab().toImage();
  const QString Path = QStringLiteral(TAVIK_SCREENSHOT_DIR "/main-window-grain.png");
  ASSERT_TRUE(Shot.save(Path));
  // The new columns are on screen, inside their grids.
  for (TDrawGrid* Grid : {Form->dgSrcRects, Form->dgObjPlans}) {
    const QRect Last = Grid->CellRect(Grid->ColCount() - 1, 0);
    EXPECT_FALSE(Last.isEmpty());
  }
}

}  // namespace
