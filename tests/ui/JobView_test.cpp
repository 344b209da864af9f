// The layout view: scale and placement of the drawing, what is drawn, and
// the status bar texts.
#include <QPainter>
#include <QScrollArea>
#include <QStatusBar>
#include <QTabBar>

#include "JobView.h"
#include "LocaleText.h"
#include "WindowFixture.h"

namespace {

const QRgb Silver = qRgb(192, 192, 192);
const QRgb White = qRgb(255, 255, 255);
const QRgb Black = qRgb(0, 0, 0);

// One sheet L × W and one job on it with the given pieces (name, length,
// width, x, y, rotated).
struct TPieceAt {
  const char* Name;
  TLength Length, Width, X, Y;
  std::uint8_t Rotated;
};

std::unique_ptr<TPlan> OneJob(TLength L, TLength W, std::initializer_list<TPieceAt> Pieces, std::int32_t Count = 1) {
  auto Task = std::make_unique<TPlan>();
  NewPlan(*Task, 1, 0, 1.0f);
  Task->SrcCount = 1;
  Task->SrcRects[1] = TSrcRect{"S", L, W};
  Task->JobCount = 1;
  TJob& Job = Task->Jobs[1];
  Job.SheetNo = 1;
  Job.Count = Count;
  for (const TPieceAt& P : Pieces) {
    ++Task->ObjCount;
    Task->ObjPlans[Task->ObjCount] = TObjPlan{P.Name, P.Length, P.Width, 0, Count};
    ++Job.RectCount;
    Job.Rects[Job.RectCount] = TPlacedRect{Task->ObjCount, P.X, P.Y, P.Rotated};
  }
  return Task;
}

TEST(JobViewGeometry, WideSheetIsLimitedByTheWidthAndCentredVertically) {
  const auto Task = OneJob(2000, 1000, {});
  const TJobViewGeometry G = JobViewGeometry(*Task, 1, QSize(520, 420), 100);
  EXPECT_EQ(G.ViewScale, 0.25f);
  EXPECT_EQ(G.PanelSize, QSize(500, 250));
  EXPECT_EQ(G.PanelPos, QPoint(10, 85));
}

TEST(JobViewGeometry, TallSheetIsLimitedByTheHeightAndCentredHorizontally) {
  const auto Task = OneJob(1000, 2000, {});
  const TJobViewGeometry G = JobViewGeometry(*Task, 1, QSize(520, 420), 100);
  EXPECT_EQ(G.ViewScale, 0.2f);
  EXPECT_EQ(G.PanelSize, QSize(200, 400));
  EXPECT_EQ(G.PanelPos, QPoint(160, 10));
}

TEST(JobViewGeometry, TinyViewStillDrawsOnSixteenPixels) {
  const auto Task = OneJob(128, 128, {});
  const TJobViewGeometry G = JobViewGeometry(*Task, 1, QSize(24, 30), 100);
  EXPECT_EQ(G.ViewScale, 0.125f);
  EXPECT_EQ(G.PanelSize, QSize(16, 16));
  EXPECT_EQ(G.PanelPos, QPoint(4, 7));
}

TEST(JobViewGeometry, SheetWithoutAreaOrWithHugeSizesCannotBreakTheView) {
  const auto Empty = OneJob(0, 0, {});
  TJobViewGeometry G = JobViewGeometry(*Empty, 1, QSize(520, 420), 100);
  EXPECT_EQ(G.ViewScale, 0.0f);
  EXPECT_EQ(G.PanelSize, QSize(0, 0));

  // Sizes that overflow 32 bits and their products with the view size.
  const auto Huge = OneJob(INT64_MAX / 2, INT64_MAX / 4, {{"P", INT64_MAX / 8, 10, INT64_MAX / 4, 0, 0}});
  G = JobViewGeometry(*Huge, 1, QSize(520, 420), 100);
  EXPECT_GT(G.ViewScale, 0.0f);
  EXPECT_NEAR(G.PanelSize.width(), 500, 1);
  QImage Picture(600, 600, QImage::Format_RGB32);
  QPainter Painter(&Picture);
  DrawJobView(Painter, *Huge, 1, G.PanelSize, G.ViewScale, 100);
  EXPECT_EQ(ScaledLength(INT64_MAX, 1.0f, 100), 1 << 30);
  EXPECT_EQ(ScaledLength(INT64_MIN, 1.0f, 100), -(1 << 30));
}

TEST(JobViewGeometry, ScaledLengthTruncatesTowardZero) {
  EXPECT_EQ(ScaledLength(999, 0.25f, 100), 249);
  EXPECT_EQ(ScaledLength(-999, 0.25f, 100), -249);
  EXPECT_EQ(ScaledLength(1000, 0.2f, 100), 200);
  EXPECT_EQ(ScaledLength(1000, 0.25f, 50), 125);
}

TEST(JobDrawing, SheetIsSilverPiecesWhiteAndRotatedPiecesTurned) {
  // 2000 × 1000 at 0.25: the rotated piece 300 long, 100 wide at (400, 200)
  // covers x 100..125 and y 50..125 on the picture.
  //   +--------------------------+
  //   |  [A]        |R|          |
  //   |             | |          |
  //   +--------------------------+
  const auto Task = OneJob(2000, 1000, {{"A", 200, 200, 0, 0, 0}, {"R", 300, 100, 400, 200, 1}});
  QImage Picture(600, 400, QImage::Format_RGB32);
  Picture.fill(Qt::red);
  {
    QPainter Painter(&Picture);
    DrawJobView(Painter, *Task, 1, QSize(500, 250), 0.25f, 100);
  }
  EXPECT_EQ(Picture.pixel(300, 200), Silver);  // waste
  EXPECT_EQ(Picture.pixel(110, 60), White);    // inside the rotated piece, clear of its label
  EXPECT_EQ(Picture.pixel(110, 120), White);
  EXPECT_EQ(Picture.pixel(110, 130), Silver);  // below it: 300 long runs vertically
  EXPECT_EQ(Picture.pixel(130, 60), Silver);   // right of it: 100 wide runs horizontally
  EXPECT_EQ(Picture.pixel(100, 80), Black);    // its left frame
  EXPECT_EQ(Picture.pixel(5, 45), White);      // piece A
  EXPECT_EQ(Picture.pixel(1, 100), Black);     // the 5-pixel outline
  EXPECT_EQ(Picture.pixel(498, 100), Black);
  EXPECT_EQ(Picture.pixel(550, 100), qRgb(255, 0, 0));  // nothing beyond the panel
}

TEST(JobDrawing, NamesAreCentredOnTheirPieces) {
  const auto Task = OneJob(1000, 1000, {{"WWWW", 1000, 1000, 0, 0, 0}});
  QImage Picture(400, 400, QImage::Format_RGB32);
  Picture.fill(Qt::white);
  QPainter Painter(&Picture);
  DrawJobView(Painter, *Task, 1, QSize(400, 400), 0.4f, 100);
  Painter.end();
  // Dark text pixels around the centre, none in the quarters away from it.
  auto Dark = [&](QRect Area) {
    int Count = 0;
    for (int y = Area.top(); y <= Area.bottom(); ++y)
      for (int x = Area.left(); x <= Area.right(); ++x) Count += qGray(Picture.pixel(x, y)) < 128;
    return Count;
  };
  EXPECT_GT(Dark(QRect(150, 180, 100, 40)), 0);
  EXPECT_EQ(Dark(QRect(20, 20, 100, 100)), 0);
  EXPECT_EQ(Dark(QRect(280, 280, 100, 100)), 0);
}

TEST(JobDrawing, APieceThatKeepsItsDirectionCarriesAGrainArrow) {
  // Two equal pieces side by side; only the second is locked. At 0.4 each
  // covers 160 x 200 pixels; the arrow stands in the lower fifth.
  const auto Task = OneJob(1000, 500, {{"A", 400, 500, 0, 0, 0}, {"B", 400, 500, 500, 0, 0}});
  Task->ObjPlans[2].MayTurn = false;
  QImage Picture(400, 200, QImage::Format_RGB32);
  Picture.fill(Qt::red);
  {
    QPainter Painter(&Picture);
    DrawJobView(Painter, *Task, 1, QSize(400, 200), 0.4f, 100);
  }
  auto DarkIn = [&](QRect Area) {
    int Count = 0;
    for (int y = Area.top(); y <= Area.bottom(); ++y)
      for (int x = Area.left(); x <= Area.right(); ++x) Count += qGray(Picture.pixel(x, y)) < 128;
    return Count;
  };
  // The arrow of B: a line of 80 pixels across its middle half, heads at both ends.
  const int ArrowY = 200 - 40;
  int Run = 0;
  for (int x = 200; x < 360; ++x) Run += qGray(Picture.pixel(x, ArrowY)) < 128;
  EXPECT_GE(Run, 78);
  EXPECT_LE(Run, 84);
  EXPECT_GT(DarkIn(QRect(241, ArrowY - 7, 6, 6)), 0);  // the left head's upper stroke
  EXPECT_GT(DarkIn(QRect(313, ArrowY + 2, 6, 6)), 0);  // the right head's lower stroke
  EXPECT_EQ(DarkIn(QRect(241, ArrowY - 20, 6, 10)), 0);  // heads a tenth of the arrow, not more
  // A's lower part stays white: it may be turned.
  EXPECT_EQ(DarkIn(QRect(10, 140, 140, 50)), 0);

  // The view's fingerprint changes with the lock, so the picture is redrawn.
  const std::uint64_t Locked = JobViewKey(*Task, 1, QSize(400, 200), 0.4f, 100);
  Task->ObjPlans[2].MayTurn = true;
  EXPECT_NE(JobViewKey(*Task, 1, QSize(400, 200), 0.4f, 100), Locked);
}

TEST(JobDrawing, TinyPiecesGetNoGrainArrow) {
  QImage Picture(40, 40, QImage::Format_RGB32);
  Picture.fill(Qt::white);
  QPainter Painter(&Picture);
  DrawGrainMark(Painter, QRect(2, 2, 15, 30));
  DrawGrainMark(Painter, QRect(2, 2, 30, 9));
  Painter.end();
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 40; ++x) ASSERT_EQ(Picture.pixel(x, y), White) << x << "," << y;
}

TEST(JobDrawing, BlankViewIsWhiteInAThickBlackFrame) {
  QImage Picture(100, 80, QImage::Format_RGB32);
  Picture.fill(Qt::red);
  QPainter Painter(&Picture);
  DrawBlankView(Painter, QSize(100, 80));
  Painter.end();
  EXPECT_EQ(Picture.pixel(50, 40), White);
  EXPECT_EQ(Picture.pixel(0, 40), Black);
  EXPECT_EQ(Picture.pixel(2, 40), Black);
  EXPECT_EQ(Picture.pixel(6, 40), White);
  EXPECT_EQ(Picture.pixel(97, 40), Black);
}

TEST(JobStatus, TextsGiveSizeCountAndUtilisations) {
  // Two pieces of 1000 × 1000 on 2440 × 1220, cut three times.
  const auto Task = OneJob(2440, 1220, {{"A", 1000, 1000, 0, 0, 0}, {"B", 1000, 1000, 1000, 0, 0}}, 3);
  const QStringList Texts = JobStatusTexts(*Task, 1);
  ASSERT_EQ(Texts.size(), 4);
  EXPECT_EQ(Texts[0], QStringLiteral(" 毛坯尺寸:2440×1220 "));
  EXPECT_EQ(Texts[1], QStringLiteral(" 作业数量:3"));
  const float Rate = 2000000.0f / (2440.0f * 1220.0f);
  const QString Percent = QLocale::system().toString(static_cast<double>(Rate) * 100, 'f', 2) + QStringLiteral("%");
  EXPECT_EQ(Texts[2], QStringLiteral(" 当前板材利用率:") + Percent);
  EXPECT_EQ(Texts[3], QStringLiteral("总利用率:") + Percent);
  EXPECT_FLOAT_EQ(Task->Jobs[1].Rate, Rate);
  EXPECT_FLOAT_EQ(Task->TotalRate, Rate);
}

TEST(JobStatus, PercentHasTwoDecimalsWithTheLocaleSeparator) {
  const QString Point = QLocale::system().decimalPoint();
  EXPECT_EQ(FixedText(0.8753f * 100.0L, 2), QStringLiteral("87") + Point + QStringLiteral("53"));
  EXPECT_EQ(FixedText(1.0L, 2), QStringLiteral("1") + Point + QStringLiteral("00"));
}

using TLayoutViewTest = TWindowTest;

TEST_F(TLayoutViewTest, ShowJobPlacesTheDrawingForTheScrollBox) {
  OpenFile(Example("cabinet.tsk"));
  Form->N5Click();
  ASSERT_GT(T().JobCount, 1);
  const TJobViewGeometry G = JobViewGeometry(T(), 1, Form->ScrollBox1->size(), 100);
  EXPECT_EQ(Form->Panel3->geometry(), QRect(G.PanelPos, G.PanelSize));
  EXPECT_EQ(Form->ViewScale(), G.ViewScale);
  EXPECT_EQ(Form->Image1->Picture().pixel(G.PanelSize.width() / 2, 2), Black);

  // The drawing follows the view's size.
  Form->resize(800, 600);
  QApplication::processEvents();
  const TJobViewGeometry Smaller = JobViewGeometry(T(), 1, Form->ScrollBox1->size(), 100);
  EXPECT_EQ(Form->Panel3->geometry(), QRect(Smaller.PanelPos, Smaller.PanelSize));
}

TEST_F(TLayoutViewTest, StatusBarShowsTheSelectedJobWithFittingWidths) {
  OpenFile(Example("cabinet.tsk"));
  Form->N5Click();
  ASSERT_GT(T().JobCount, 1);
  const std::string Before = PlanToText(T());
  Form->TabSet1->setCurrentIndex(1);  // a person picks the second tab
  const QStringList Expected = JobStatusTexts(T(), 2);
  const QFontMetrics Metrics(Form->StatusBar2->font());
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(Form->StatusText(i), Expected[i]);
    EXPECT_EQ(Form->StatusPanels[static_cast<std::size_t>(i)]->width(), Metrics.horizontalAdvance(Expected[i]) + 16);
  }
  EXPECT_EQ(Form->StatusText(0), QStringLiteral(" 毛坯尺寸:%1×%2 ")
                                     .arg(T().SrcRects[T().Jobs[2].SheetNo].Length)
                                     .arg(T().SrcRects[T().Jobs[2].SheetNo].Width));
  // Choosing a job only draws it.
  EXPECT_EQ(PlanToText(T()), Before);
}

TEST_F(TLayoutViewTest, WithoutJobsTheViewIsBlankAndTheStatusBarKeepsItsTexts) {
  OpenFile(Example("cabinet.tsk"));
  Form->N5Click();
  const QString Kept = Form->StatusText(0);
  Form->N10Click();
  const QSize Box = Form->ScrollBox1->size();
  EXPECT_EQ(Form->Panel3->size(), QSize(Box.width() - 4, Box.height() - 4));
  EXPECT_EQ(Form->Panel3->pos(), QPoint(2, 2));
  const QImage& Picture = Form->Image1->Picture();
  EXPECT_EQ(Picture.pixel(Box.width() / 2, Box.height() / 2), White);
  EXPECT_EQ(Picture.pixel(1, Box.height() / 2), Black);
  EXPECT_EQ(Form->StatusText(0), Kept);
}

}  // namespace
