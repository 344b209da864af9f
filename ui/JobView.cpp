#include "JobView.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "Geometry.h"
#include "GbkText.h"
#include "LocaleText.h"

namespace {

constexpr long double ScaledLimit = 1 << 30;

// A rectangle as the classic drawing surface fills it: the 1-pixel frame
// runs along x1..x2-1 and y1..y2-1; an empty one draws nothing.
void FillFramed(QPainter& Painter, int x1, int y1, int x2, int y2) {
  if (x2 <= x1 || y2 <= y1) return;
  Painter.drawRect(QRect(x1, y1, x2 - x1 - 1, y2 - y1 - 1));
}

QString PercentText(float Rate) { return FixedText(static_cast<long double>(Rate) * 100, 2) + QStringLiteral("%"); }

}  // namespace

int ScaledLength(TLength Value, float ViewScale, std::int32_t ZoomPercent) {
  // In extended precision, as the value was always worked out.
  const long double Scaled = static_cast<long double>(Value) * ViewScale * ZoomPercent / 100;
  if (std::isnan(Scaled)) return 0;
  return static_cast<int>(std::trunc(std::clamp(Scaled, -ScaledLimit, ScaledLimit)));
}

bool JobDrawable(const TPlan& Task, std::int32_t JobNo) {
  if (JobNo < 1 || JobNo > Task.JobCount || JobNo > MaxJobs) return false;
  const TJob& Job = Task.Jobs[JobNo];
  if (Job.SheetNo < 1 || Job.SheetNo > MaxSrcRects) return false;
  if (Job.RectCount < 0 || Job.RectCount > MaxRects) return false;
  for (std::int32_t k = 1; k <= Job.RectCount; ++k)
    if (Job.Rects[k].ObjNo < 1 || Job.Rects[k].ObjNo > MaxObjPlans) return false;
  return true;
}

TJobViewGeometry JobViewGeometry(const TPlan& Task, std::int32_t JobNo, QSize ViewSize, std::int32_t ZoomPercent) {
  const TSrcRect& Sheet = Task.SrcRects[Task.Jobs[JobNo].SheetNo];
  const TLength L = Sheet.Length;
  const TLength W = Sheet.Width;
  const int aw = std::max(ViewSize.width() - 20, 16);
  const int ah = std::max(ViewSize.height() - 20, 16);

  TJobViewGeometry Result;
  // The products may exceed 64 bits for sizes read from a file.
  if (static_cast<TWide>(aw) * W > static_cast<TWide>(ah) * L)
    Result.ViewScale = static_cast<float>(static_cast<long double>(ah) / W);
  else
    Result.ViewScale = static_cast<float>(static_cast<long double>(aw) / L);
  // A sheet without length or width has no scale (the division gave an
  // infinity, a NaN or a negative value).
  if (!std::isfinite(Result.ViewScale) || Result.ViewScale <= 0) Result.ViewScale = 0;

  const int Width = std::max(ScaledLength(L, Result.ViewScale, ZoomPercent), 0);
  const int Height = std::max(ScaledLength(W, Result.ViewScale, ZoomPercent), 0);
  Result.PanelSize = QSize(Width, Height);
  Result.PanelPos = QPoint(Width < ViewSize.width() ? (ViewSize.width() - Width) / 2 : 0,
                           Height < ViewSize.height() ? (ViewSize.height() - Height) / 2 : 0);
  return Result;
}

TJobViewGeometry BlankViewGeometry(QSize ViewSize) {
  TJobViewGeometry Result;
  Result.PanelSize = QSize(std::max(ViewSize.width() - 4, 0), std::max(ViewSize.height() - 4, 0));
  Result.PanelPos = QPoint(2, 2);
  return Result;
}

void DrawJobView(QPainter& Painter, const TPlan& Task, std::int32_t JobNo, QSize PanelSize, float ViewScale,
                 std::int32_t ZoomPercent) {
  const TJob& Job = Task.Jobs[JobNo];
  const int PanelW = PanelSize.width();
  const int PanelH = PanelSize.height();
  Painter.save();
  Painter.setRenderHint(QPainter::Antialiasing, false);
  Painter.setRenderHint(QPainter::TextAntialiasing, true);

  Painter.setPen(QPen(Qt::black, 1));
  Painter.setBrush(QColor(192, 192, 192));
  FillFramed(Painter, 0, 0, PanelW - 1, PanelH - 1);

  Painter.setBrush(Qt::white);
  Painter.setBackground(Qt::white);
  const QFontMetrics Metrics(Painter.font());
  for (std::int32_t k = 1; k <= Job.RectCount; ++k) {
    const TPlacedRect& Placed = Job.Rects[k];
    const TObjPlan& Piece = Task.ObjPlans[Placed.ObjNo];
    const int x = ScaledLength(Placed.X, ViewScale, ZoomPercent);
    const int y = ScaledLength(Placed.Y, ViewScale, ZoomPercent);
    const int w = ScaledLength(Placed.Rotated ? Piece.Width : Piece.Length, ViewScale, ZoomPercent);
    const int h = ScaledLength(Placed.Rotated ? Piece.Length : Piece.Width, ViewScale, ZoomPercent);
    Painter.setBackgroundMode(Qt::TransparentMode);
    FillFramed(Painter, x, y, x + w, y + h);

    // The name stands on the white brush and may stick out of a small piece.
    const QString Name = FromGbk(Piece.Name);
    const int TextW = Metrics.horizontalAdvance(Name);
    const int TextH = Metrics.height();
    Painter.setBackgroundMode(Qt::OpaqueMode);
    Painter.drawText(QPoint((w - TextW) / 2 + x, (h - TextH) / 2 + y + Metrics.ascent()), Name);
    if (!Piece.MayTurn) DrawGrainMark(Painter, QRect(x, y, w, h));
  }
  Painter.setBackgroundMode(Qt::TransparentMode);

  Painter.setPen(QPen(Qt::black, 5));
  Painter.setBrush(Qt::NoBrush);
  const QPoint Outline[] = {{0, 0}, {PanelW - 1, 0}, {PanelW - 1, PanelH - 1}, {0, PanelH - 1}, {0, 0}};
  Painter.drawPolyline(Outline, 5);
  Painter.restore();
}

void DrawGrainMark(QPainter& Painter, const QRect& Piece) {
  const int w = Piece.width(), h = Piece.height();
  if (w < 16 || h < 10) return;
  const int x1 = Piece.left() + w / 4, x2 = Piece.left() + w - w / 4;
  // Below the name, which stands in the middle of the piece.
  const int y = Piece.top() + h - std::max(h / 5, 3);
  const int Head = std::max(std::min(x2 - x1, h) / 10, 2);
  const QLine Lines[] = {{x1, y, x2, y},
                         {x1, y, x1 + Head, y - Head},
                         {x1, y, x1 + Head, y + Head},
                         {x2, y, x2 - Head, y - Head},
                         {x2, y, x2 - Head, y + Head}};
  Painter.drawLines(Lines, 5);
}

void DrawBlankView(QPainter& Painter, QSize PanelSize) {
  Painter.save();
  Painter.setRenderHint(QPainter::Antialiasing, false);
  Painter.setPen(QPen(Qt::black, 5));
  Painter.setBrush(Qt::white);
  FillFramed(Painter, 0, 0, PanelSize.width() - 2, PanelSize.height() - 2);
  Painter.restore();
}

namespace {

// FNV-1a over the bytes of values and texts.
class TFingerprint {
 public:
  template <class T>
  void Add(const T& Value) {
    AddBytes(&Value, sizeof Value);
  }
  void Add(const std::string& Text) {
    Add(Text.size());
    AddBytes(Text.data(), Text.size());
  }
  std::uint64_t Value() const { return Hash_; }

 private:
  void AddBytes(const void* Data, std::size_t Size) {
    const auto* Byte = static_cast<const unsigned char*>(Data);
    for (std::size_t i = 0; i < Size; ++i) Hash_ = (Hash_ ^ Byte[i]) * 1099511628211ull;
  }
  std::uint64_t Hash_ = 14695981039346656037ull;
};

}  // namespace

std::uint64_t JobViewKey(const TPlan& Task, std::int32_t JobNo, QSize PanelSize, float ViewScale,
                         std::int32_t ZoomPercent) {
  TFingerprint Key;
  Key.Add(JobNo);
  Key.Add(PanelSize.width());
  Key.Add(PanelSize.height());
  if (JobNo == 0) return Key.Value();
  Key.Add(ViewScale);
  Key.Add(ZoomPercent);
  const TJob& Job = Task.Jobs[JobNo];
  for (std::int32_t k = 1; k <= Job.RectCount; ++k) {
    const TPlacedRect& Placed = Job.Rects[k];
    const TObjPlan& Piece = Task.ObjPlans[Placed.ObjNo];
    Key.Add(Placed.X);
    Key.Add(Placed.Y);
    Key.Add(Placed.Rotated);
    Key.Add(Piece.Length);
    Key.Add(Piece.Width);
    Key.Add(Piece.Name);
    Key.Add(Piece.MayTurn);
  }
  return Key.Value();
}

QStringList JobStatusTexts(TPlan& Task, std::int32_t JobNo) {
  TJob& Job = Task.Jobs[JobNo];
  const TSrcRect& Sheet = Task.SrcRects[Job.SheetNo];
  return {QStringLiteral(" 毛坯尺寸:") + IntegerText(Sheet.Length) + QStringLiteral("×") + IntegerText(Sheet.Width) +
              QStringLiteral(" "),
          QStringLiteral(" 作业数量:") + IntegerText(Job.Count),
          QStringLiteral(" 当前板材利用率:") + PercentText(CalcJobRate(Task, Job)),
          QStringLiteral("总利用率:") + PercentText(CalcTotalRate(Task))};
}
