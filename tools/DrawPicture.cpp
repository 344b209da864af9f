// tavik_draw_picture: draws the product picture and the application icon.
// scripts/make-picture runs it and compresses the picture with cjpeg; the
// results are committed, so building the program never needs this tool.
//
//   tavik_draw_picture TASK.tsk OUTDIR
//
// computes the job plan of TASK.tsk and writes OUTDIR/product.ppm (600 x 397,
// one of the computed layouts with the program's name) and
// OUTDIR/tavik-vadi-32.png, OUTDIR/tavik-vadi-16.png (16 colours each),
// tavik-vadi-48.png, -64, -128 and -256.png and the scalable tavik-vadi.svg.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>
#include <string>

#include <QColor>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QVector>

#include "CalcPlan.h"
#include "Fonts.h"
#include "GbkText.h"

namespace {

constexpr int PictureWidth = 600;
constexpr int PictureHeight = 397;
// The icons beyond the classic two, for the desktop's launchers and docks.
constexpr int LargeIconSizes[] = {48, 64, 128, 256};

// The job whose layout the picture shows: the most pieces, ties to the
// better utilisation, so the drawing looks busy but tidy.
std::int32_t ShowcaseJob(TPlan& Task) {
  std::int32_t Best = 0;
  for (std::int32_t j = 1; j <= Task.JobCount; ++j) {
    TJob& Job = Task.Jobs[j];
    CalcJobRate(Task, Job);
    if (Best == 0 || Job.RectCount > Task.Jobs[Best].RectCount ||
        (Job.RectCount == Task.Jobs[Best].RectCount && Job.Rate > Task.Jobs[Best].Rate))
      Best = j;
  }
  return Best;
}

// Draws Job to scale into Frame: the sheet as bare board, each piece as a
// lighter panel with its name, the saw kerfs as dark lines.
void DrawLayout(QPainter& P, const TPlan& Task, const TJob& Job, const QRectF& Frame) {
  const TSrcRect& Sheet = Task.SrcRects[Job.SheetNo];
  const double Scale = std::min(Frame.width() / static_cast<double>(Sheet.Length),
                                Frame.height() / static_cast<double>(Sheet.Width));
  const QSizeF Size(Sheet.Length * Scale, Sheet.Width * Scale);
  const QRectF Board(Frame.center() - QPointF(Size.width() / 2, Size.height() / 2), Size);

  // Shadow, then the board.
  P.setPen(Qt::NoPen);
  P.setBrush(QColor(0, 0, 0, 90));
  P.drawRoundedRect(Board.translated(5, 6), 2, 2);
  P.setBrush(QColor(0x8a, 0x6a, 0x45));
  P.drawRect(Board);

  const QColor Panels[] = {QColor(0xf2, 0xdc, 0xb0), QColor(0xe9, 0xcf, 0x9c), QColor(0xf6, 0xe6, 0xc4),
                           QColor(0xe4, 0xc8, 0x92)};
  QFont Label(QStringLiteral("宋体"));
  Label.setPixelSize(11);
  P.setFont(Label);
  for (std::int32_t r = 1; r <= Job.RectCount; ++r) {
    const TPlacedRect& Placed = Job.Rects[r];
    const TObjPlan& Obj = Task.ObjPlans[Placed.ObjNo];
    // Y runs up the sheet; the picture's y runs down.
    const QRectF Piece(Board.left() + Placed.X * Scale,
                       Board.bottom() - (Placed.Y + ExtentY(Obj, Placed.Rotated)) * Scale,
                       ExtentX(Obj, Placed.Rotated) * Scale, ExtentY(Obj, Placed.Rotated) * Scale);
    QLinearGradient Grain(Piece.topLeft(), Piece.bottomRight());
    const QColor Base = Panels[Placed.ObjNo % 4];
    Grain.setColorAt(0, Base.lighter(106));
    Grain.setColorAt(1, Base.darker(104));
    P.setBrush(Grain);
    P.setPen(QPen(QColor(0x4a, 0x33, 0x1c), 1));
    P.drawRect(Piece);
    const QString Name = FromGbk(Obj.Name);
    const QString Text = Name + QStringLiteral("\n") + QString::number(Obj.Length) + QStringLiteral("×") +
                         QString::number(Obj.Width);
    const QFontMetricsF Metrics(Label);
    if (Piece.width() > Metrics.horizontalAdvance(Name) + 4 && Piece.height() > 2 * Metrics.height() + 2) {
      P.setPen(QColor(0x3b, 0x2a, 0x18));
      P.drawText(Piece, Qt::AlignCenter, Text);
    }
  }
  P.setBrush(Qt::NoBrush);
  P.setPen(QPen(QColor(0x2e, 0x1f, 0x10), 1.5));
  P.drawRect(Board);
}

QImage DrawPicture(TPlan& Task) {
  QImage Picture(PictureWidth, PictureHeight, QImage::Format_RGB32);
  QPainter P(&Picture);
  P.setRenderHint(QPainter::Antialiasing);
  P.setRenderHint(QPainter::TextAntialiasing);

  QLinearGradient Sky(0, 0, 0, PictureHeight);
  Sky.setColorAt(0, QColor(0x12, 0x2b, 0x4a));
  Sky.setColorAt(1, QColor(0x2c, 0x5d, 0x86));
  P.fillRect(Picture.rect(), Sky);

  // A faint grid, like the squared paper of a cutting list.
  P.setPen(QPen(QColor(255, 255, 255, 18), 1));
  for (int x = 0; x < PictureWidth; x += 20) P.drawLine(x, 0, x, PictureHeight);
  for (int y = 0; y < PictureHeight; y += 20) P.drawLine(0, y, PictureWidth, y);

  QFont Title(QStringLiteral("DejaVu Sans"));
  Title.setPixelSize(46);
  Title.setBold(true);
  P.setFont(Title);
  P.setPen(QColor(0xff, 0xff, 0xff));
  P.drawText(QRect(32, 18, 540, 56), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Tavik Vadi"));

  QFont Subtitle(QStringLiteral("宋体"));
  Subtitle.setPixelSize(26);
  Subtitle.setBold(true);
  P.setFont(Subtitle);
  P.setPen(QColor(0xf3, 0xd3, 0x8c));
  P.drawText(QRect(34, 76, 540, 34), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Tavik板材优化专家"));

  QFont Small(QStringLiteral("DejaVu Sans"));
  Small.setPixelSize(13);
  P.setFont(Small);
  P.setPen(QColor(0xc8, 0xd8, 0xe8));
  P.drawText(QRect(32, 18, 536, 56), Qt::AlignRight | Qt::AlignBottom, QStringLiteral("Ver 1.0.0"));

  const std::int32_t JobNo = ShowcaseJob(Task);
  if (JobNo > 0) {
    const TJob& Job = Task.Jobs[JobNo];
    DrawLayout(P, Task, Job, QRectF(34, 124, 532, 220));
    QFont Caption(QStringLiteral("宋体"));
    Caption.setPixelSize(14);
    P.setFont(Caption);
    P.setPen(QColor(0xe6, 0xee, 0xf6));
    const TSrcRect& Sheet = Task.SrcRects[Job.SheetNo];
    const QString Line = QStringLiteral("%1  %2×%3   利用率 %4%")
                             .arg(FromGbk(Sheet.Name))
                             .arg(Sheet.Length)
                             .arg(Sheet.Width)
                             .arg(static_cast<double>(Job.Rate) * 100, 0, 'f', 2);
    P.drawText(QRect(34, 356, 532, 24), Qt::AlignLeft | Qt::AlignVCenter, Line);
    P.drawText(QRect(34, 356, 532, 24), Qt::AlignRight | Qt::AlignVCenter,
               QStringLiteral("矩形板件 · 下料优化 · 作业计划"));
  }
  return Picture;
}

// The sixteen colours of the icons; entry 0 is transparent.
QVector<QRgb> IconPalette() {
  return {qRgba(0, 0, 0, 0),    qRgb(0, 0, 0),        qRgb(0x46, 0x2c, 0x14), qRgb(0x8a, 0x5a, 0x2b),
          qRgb(0xc8, 0x96, 0x5a), qRgb(0xe8, 0xc8, 0x8c), qRgb(0xf8, 0xe8, 0xc0), qRgb(0xff, 0xff, 0xff),
          qRgb(0x12, 0x2b, 0x4a), qRgb(0x2c, 0x5d, 0x86), qRgb(0x80, 0xa8, 0xd0), qRgb(0xc0, 0x20, 0x20),
          qRgb(0x80, 0x80, 0x80), qRgb(0xc0, 0xc0, 0xc0), qRgb(0x30, 0x80, 0x30), qRgb(0xf0, 0xc0, 0x30)};
}

// The 32-pixel icon: a board cut into panels by through cuts, one panel
// picked out in blue, the saw line entering from the top. Each entry fills
// the pixels x1..x2, y1..y2 (inclusive) with a palette colour; the larger
// icons and the scalable one are the same drawing on a finer grid.
struct TIconRect {
  int x1, y1, x2, y2, Colour;
};
constexpr int IconGrid = 32;
constexpr TIconRect IconDrawing[] = {
    {1, 4, 30, 28, 2},    // board edge and kerfs
    {2, 5, 13, 27, 5},    // tall panel
    {15, 5, 29, 14, 6},   // wide panel
    {15, 16, 21, 27, 10}, // the picked panel
    {23, 16, 29, 27, 4},  // offcut
    {24, 18, 28, 18, 3},  // offcut hatching
    {24, 21, 28, 21, 3},
    {24, 24, 28, 24, 3},
    {3, 6, 12, 6, 7},     // light catching the top edges
    {16, 6, 28, 6, 7},
    {16, 17, 20, 17, 7},
    {0, 29, 31, 30, 12},  // shadow
    {31, 5, 31, 30, 12},
    {8, 1, 8, 3, 11},     // the saw line entering the board
    {7, 0, 9, 0, 11},
};
// At 16 pixels the drawing is simplified, pixel by pixel.
constexpr TIconRect SmallIconDrawing[] = {
    {0, 2, 14, 13, 2}, {1, 3, 6, 12, 5},   {8, 3, 13, 7, 6},  {8, 9, 10, 12, 10},
    {12, 9, 13, 12, 4}, {1, 14, 15, 14, 12}, {15, 3, 15, 14, 12}, {4, 0, 4, 1, 11},
};

QImage DrawIconAt(int Size, bool Small) {
  const QVector<QRgb> Pal = IconPalette();
  QImage Icon(Size, Size, QImage::Format_ARGB32);
  Icon.fill(Qt::transparent);
  QPainter P(&Icon);
  const double Unit = static_cast<double>(Size) / (Small ? 16 : IconGrid);
  auto Fill = [&](const TIconRect& R) {
    // Edges on whole pixels of the target size, so that no edge is blurred.
    const auto Edge = [&](int v) { return static_cast<int>(std::lround(v * Unit)); };
    P.fillRect(QRect(QPoint(Edge(R.x1), Edge(R.y1)), QPoint(Edge(R.x2 + 1) - 1, Edge(R.y2 + 1) - 1)),
               QColor::fromRgba(Pal[R.Colour]));
  };
  if (Small)
    for (const TIconRect& R : SmallIconDrawing) Fill(R);
  else
    for (const TIconRect& R : IconDrawing) Fill(R);
  P.end();
  return Icon;
}

// The icons the desktop's task bar and title bars use, at the sizes of the
// classic icon: 16 colours, drawn pixel by pixel.
QImage DrawIcon(int Size) {
  return DrawIconAt(Size, Size < 32)
      .convertToFormat(QImage::Format_Indexed8, IconPalette(), Qt::ThresholdDither | Qt::AvoidDither);
}

// The scalable icon: the same drawing as SVG on the 32-unit grid.
QByteArray IconSvg() {
  const QVector<QRgb> Pal = IconPalette();
  QByteArray Svg = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                   "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"256\" height=\"256\" viewBox=\"0 0 32 32\""
                   " shape-rendering=\"crispEdges\">\n"
                   "  <title>Tavik Vadi</title>\n";
  for (const TIconRect& R : IconDrawing)
    Svg += QStringLiteral("  <rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" fill=\"%5\"/>\n")
               .arg(R.x1)
               .arg(R.y1)
               .arg(R.x2 - R.x1 + 1)
               .arg(R.y2 - R.y1 + 1)
               .arg(QColor(Pal[R.Colour]).name())
               .toUtf8();
  Svg += "</svg>\n";
  return Svg;
}

}  // namespace

int main(int argc, char** argv) {
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QGuiApplication App(argc, argv);
  if (argc != 3) {
    std::fputs("Usage: tavik_draw_picture TASK.tsk OUTDIR\n", stderr);
    return 2;
  }
  InstallFontSubstitutes();

  auto Task = std::make_unique<TPlan>();
  try {
    LoadPlan(*Task, argv[1]);
    Task->RigidFlag = true;
    ClearJobs(*Task);
    std::string Message;
    TNullProgressLink Link;
    MakePlan(*Task, Message, Link);
  } catch (const std::exception& Error) {
    std::fprintf(stderr, "tavik_draw_picture: %s: %s\n", argv[1], Error.what());
    return 1;
  }

  const QDir Out(QString::fromLocal8Bit(argv[2]));
  bool Ok = DrawPicture(*Task).save(Out.filePath(QStringLiteral("product.ppm")), "PPM");
  Ok = DrawIcon(32).save(Out.filePath(QStringLiteral("tavik-vadi-32.png")), "PNG") && Ok;
  Ok = DrawIcon(16).save(Out.filePath(QStringLiteral("tavik-vadi-16.png")), "PNG") && Ok;
  for (const int Size : LargeIconSizes)
    Ok = DrawIconAt(Size, false).save(Out.filePath(QStringLiteral("tavik-vadi-%1.png").arg(Size)), "PNG") && Ok;
  const QByteArray SvgText = IconSvg();
  QFile Svg(Out.filePath(QStringLiteral("tavik-vadi.svg")));
  Ok = Svg.open(QIODevice::WriteOnly) && Svg.write(SvgText) == SvgText.size() && Svg.flush() && Ok;
  if (!Ok) {
    std::fprintf(stderr, "tavik_draw_picture: cannot write to %s\n", argv[2]);
    return 1;
  }
  return 0;
}
