// A printing service for tests: every document, page, text, line, rectangle
// and polyline drawn is recorded with its position in device pixels, its
// pen width and font size. The page has the metrics of a real printer page.
#pragma once

#include <QLine>
#include <QPolygon>
#include <QRect>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

#include "PrintDevice.h"

struct TRecordedText {
  QString Text;
  int X = 0;  // top-left corner, as the printing routines place text
  int Y = 0;
  int Points = 0;  // font size
  double EndX = 0;  // where the next character would stand (merging runs)
  double Baseline = 0;
};

struct TRecordedLine {
  QLine Line;
  int PenWidth = 0;
};

struct TRecordedRect {
  QRect Rect;
  int PenWidth = 0;
};

struct TRecordedPolyline {
  QPolygon Points;
  int PenWidth = 0;
};

struct TRecordedPage {
  std::vector<TRecordedText> Texts;
  std::vector<TRecordedLine> Lines;
  std::vector<TRecordedRect> Rects;
  std::vector<TRecordedPolyline> Polylines;

  QStringList TextList() const;
  // The first text equal to Text, or nullptr.
  const TRecordedText* Find(const QString& Text) const;
  bool Empty() const { return Texts.empty() && Lines.empty() && Rects.empty() && Polylines.empty(); }
};

struct TRecordedDoc {
  std::vector<TRecordedPage> Pages;
  bool Ended = false;
  bool Aborted = false;
};

class TRecordingPrinter final : public IPrintDevice {
 public:
  // A page of Width x Height pixels at Dpi dots per inch (A4 at 600 dpi
  // by default, less the margins of a laser printer).
  explicit TRecordingPrinter(int Width = 4800, int Height = 6814, int Dpi = 600);
  ~TRecordingPrinter() override;

  void BeginDoc() override;
  void NewPage() override;
  void EndDoc() override;
  void Abort() override;
  int PageNumber() const override;
  int PageWidth() const override;
  int PageHeight() const override;
  QPainter& Canvas() override;

  std::vector<TRecordedDoc> Docs;

  // The paint device, for measuring text as the printing routines do.
  QPaintDevice& Device();

  // Measures of the printed plan on this page: M, LH and CW.
  int Margin();
  int LineHeight();
  int CharWidth();

 private:
  class TDevice;
  std::unique_ptr<TDevice> Device_;
  QPainter Painter_;
};
