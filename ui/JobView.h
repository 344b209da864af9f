// The drawing of one job to scale: the sheet in silver (what stays silver
// is waste), each placed piece as a white rectangle with its name, and a
// thick outline. Used by the main window's layout view and by anything
// that renders a job into a picture.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QStringList>
#include <cstdint>

#include "PlanRecord.h"

class QPainter;

// Where and how large the drawing stands in a view of a given size.
struct TJobViewGeometry {
  float ViewScale = 0;  // pixels per length unit
  QSize PanelSize;      // the drawing's size
  QPoint PanelPos;      // its top-left corner in the view
};

// Trunc(Value × ViewScale × ZoomPercent / 100), held to ±2^30 so that a
// stray value from a file cannot overflow the drawing coordinates.
int ScaledLength(TLength Value, float ViewScale, std::int32_t ZoomPercent);

// True when job JobNo exists in Task and names a sheet and pieces inside
// the tables' limits, so that it can be drawn and rated.
bool JobDrawable(const TPlan& Task, std::int32_t JobNo);

// The geometry of job JobNo (JobDrawable must hold) in a view of ViewSize:
// the sheet fills the view less a 10-pixel margin on every side (at least
// 16 pixels), its length running horizontally, and is centred. A sheet
// without area gets ViewScale 0.
TJobViewGeometry JobViewGeometry(const TPlan& Task, std::int32_t JobNo, QSize ViewSize, std::int32_t ZoomPercent);

// The geometry of the blank view: the view less 2 pixels on every side.
TJobViewGeometry BlankViewGeometry(QSize ViewSize);

// Draws job JobNo (JobDrawable must hold) with its top-left corner at the
// painter's origin, on an area of PanelSize. Names are GBK bytes in the
// task and drawn in the painter's font, centred on their pieces.
void DrawJobView(QPainter& Painter, const TPlan& Task, std::int32_t JobNo, QSize PanelSize, float ViewScale,
                 std::int32_t ZoomPercent);

// A fingerprint of everything DrawJobView would draw for job JobNo
// (JobDrawable must hold; 0 for the blank view) on PanelSize: equal
// fingerprints give equal pictures, so a drawing need not be repeated.
std::uint64_t JobViewKey(const TPlan& Task, std::int32_t JobNo, QSize PanelSize, float ViewScale,
                         std::int32_t ZoomPercent);

// Marks a placed piece that keeps its direction (grain): a double arrow
// along X, the direction of its length, across the middle half of the lower
// part of Piece, drawn with the painter's pen. A piece too small to hold it
// gets none.
void DrawGrainMark(QPainter& Painter, const QRect& Piece);

// Draws the view with no job: a white area in a black frame 5 pixels wide.
void DrawBlankView(QPainter& Painter, QSize PanelSize);

// The four status texts of job JobNo (JobDrawable must hold): sheet size,
// number of sheets, the job's utilisation and the plan's. Stores the job's
// Rate and the task's TotalRate as computing them does.
QStringList JobStatusTexts(TPlan& Task, std::int32_t JobNo);
