#include "PrintRecorder.h"

#include <gtest/gtest.h>

#include <QFont>
#include <QFontMetrics>
#include <QPaintEngine>
#include <cmath>

namespace {

QFont Song(int Points) {
  QFont Font(QStringLiteral("宋体"));
  Font.setPointSize(Points);
  return Font;
}

}  // namespace

// The engine appends what the painter draws to the last page of the last
// document; the device gives it printer metrics.
class TRecordingPrinter::TDevice final : public QPaintDevice {
 public:
  TDevice(TRecordingPrinter& Owner, int Width, int Height, int Dpi)
      : Engine_(*this, Owner), Width_(Width), Height_(Height), Dpi_(Dpi) {}

  QPaintEngine* paintEngine() const override { return &Engine_; }

 protected:
  int metric(PaintDeviceMetric Metric) const override {
    switch (Metric) {
      case PdmWidth:
        return Width_;
      case PdmHeight:
        return Height_;
      case PdmWidthMM:
        return static_cast<int>(std::lround(Width_ * 25.4 / Dpi_));
      case PdmHeightMM:
        return static_cast<int>(std::lround(Height_ * 25.4 / Dpi_));
      case PdmDpiX:
      case PdmDpiY:
      case PdmPhysicalDpiX:
      case PdmPhysicalDpiY:
        return Dpi_;
      case PdmDepth:
        return 32;
      case PdmNumColors:
        return 0x7fffffff;
      case PdmDevicePixelRatio:
        return 1;
      case PdmDevicePixelRatioScaled:
        return static_cast<int>(QPaintDevice::devicePixelRatioFScale());
      default:
        return 0;
    }
  }

 private:
  class TEngine final : public QPaintEngine {
   public:
    TEngine(QPaintDevice& Device, TRecordingPrinter& Owner)
        : QPaintEngine(QPaintEngine::AllFeatures), Device_(Device), Owner_(Owner) {}

    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    Type type() const override { return QPaintEngine::User; }

    void updateState(const QPaintEngineState& State) override {
      if (State.state() & QPaintEngine::DirtyPen) PenWidth_ = State.pen().width();
    }

    void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override { ADD_FAILURE() << "a picture was drawn"; }

    void drawTextItem(const QPointF& Point, const QTextItem& Item) override {
      TRecordedPage& P = Page();
      // Characters that the main font lacks come as runs of their own:
      // one string drawn is one text.
      if (!P.Texts.empty()) {
        TRecordedText& Last = P.Texts.back();
        if (Last.Baseline == Point.y() && std::fabs(Last.EndX - Point.x()) < 0.01 &&
            Last.Points == Item.font().pointSize()) {
          Last.Text += Item.text();
          Last.EndX = Point.x() + Item.width();
          return;
        }
      }
      TRecordedText Text;
      Text.Text = Item.text();
      Text.Points = Item.font().pointSize();
      Text.Baseline = Point.y();
      Text.EndX = Point.x() + Item.width();
      Text.X = static_cast<int>(std::lround(Point.x()));
      Text.Y = static_cast<int>(std::lround(Point.y())) - QFontMetrics(Item.font(), &Device_).ascent();
      P.Texts.push_back(Text);
    }

    void drawLines(const QLine* Lines, int Count) override {
      for (int k = 0; k < Count; ++k) Page().Lines.push_back({Lines[k], PenWidth_});
    }
    void drawLines(const QLineF* Lines, int Count) override {
      for (int k = 0; k < Count; ++k) Page().Lines.push_back({Lines[k].toLine(), PenWidth_});
    }
    void drawRects(const QRect* Rects, int Count) override {
      for (int k = 0; k < Count; ++k) Page().Rects.push_back({Rects[k], PenWidth_});
    }
    void drawRects(const QRectF* Rects, int Count) override {
      for (int k = 0; k < Count; ++k) Page().Rects.push_back({Rects[k].toRect(), PenWidth_});
    }
    void drawPolygon(const QPoint* Points, int Count, PolygonDrawMode Mode) override {
      EXPECT_EQ(Mode, PolylineMode);
      Page().Polylines.push_back({QPolygon(QList<QPoint>(Points, Points + Count)), PenWidth_});
    }
    void drawPolygon(const QPointF* Points, int Count, PolygonDrawMode Mode) override {
      EXPECT_EQ(Mode, PolylineMode);
      QPolygon Polygon;
      for (int k = 0; k < Count; ++k) Polygon << Points[k].toPoint();
      Page().Polylines.push_back({Polygon, PenWidth_});
    }

   private:
    TRecordedPage& Page() {
      if (Owner_.Docs.empty() || Owner_.Docs.back().Pages.empty()) {
        ADD_FAILURE() << "drawing outside a document";
        Owner_.Docs.emplace_back().Pages.emplace_back();
      }
      return Owner_.Docs.back().Pages.back();
    }

    QPaintDevice& Device_;
    TRecordingPrinter& Owner_;
    int PenWidth_ = 1;
  };

  mutable TEngine Engine_;
  int Width_, Height_, Dpi_;
};

QStringList TRecordedPage::TextList() const {
  QStringList Result;
  for (const TRecordedText& T : Texts) Result << T.Text;
  return Result;
}

const TRecordedText* TRecordedPage::Find(const QString& Text) const {
  for (const TRecordedText& T : Texts)
    if (T.Text == Text) return &T;
  return nullptr;
}

TRecordingPrinter::TRecordingPrinter(int Width, int Height, int Dpi)
    : Device_(std::make_unique<TDevice>(*this, Width, Height, Dpi)) {}

TRecordingPrinter::~TRecordingPrinter() {
  if (Painter_.isActive()) Painter_.end();
}

void TRecordingPrinter::BeginDoc() {
  EXPECT_FALSE(Painter_.isActive()) << "a document begun inside another";
  Docs.emplace_back().Pages.emplace_back();
  Painter_.begin(Device_.get());
}

void TRecordingPrinter::NewPage() {
  EXPECT_TRUE(Painter_.isActive()) << "a page begun outside a document";
  if (Docs.empty()) Docs.emplace_back();
  Docs.back().Pages.emplace_back();
}

void TRecordingPrinter::EndDoc() {
  EXPECT_TRUE(Painter_.isActive()) << "a document ended twice";
  if (!Docs.empty()) Docs.back().Ended = true;
  Painter_.end();
}

void TRecordingPrinter::Abort() {
  if (!Docs.empty() && !Docs.back().Ended) Docs.back().Aborted = true;
  if (Painter_.isActive()) Painter_.end();
}

int TRecordingPrinter::PageNumber() const {
  return Docs.empty() ? 0 : static_cast<int>(Docs.back().Pages.size());
}

int TRecordingPrinter::PageWidth() const { return Device_->width(); }

int TRecordingPrinter::PageHeight() const { return Device_->height(); }

QPainter& TRecordingPrinter::Canvas() { return Painter_; }

QPaintDevice& TRecordingPrinter::Device() { return *Device_; }

int TRecordingPrinter::Margin() {
  return QFontMetrics(Song(72), Device_.get()).horizontalAdvance(QStringLiteral("汉"));
}

int TRecordingPrinter::LineHeight() {
  return static_cast<int>(1.2 * QFontMetrics(Song(10), Device_.get()).height());
}

int TRecordingPrinter::CharWidth() {
  return QFontMetrics(Song(10), Device_.get()).horizontalAdvance(QStringLiteral("汉"));
}
