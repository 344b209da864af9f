// Layout geometry: utilisation, the overlap test, and placing pieces at
// corner points with the knife width kept between them.
//
// Sizes and coordinates may be anywhere in the 64-bit range (a task file
// can hold any value), so sums such as X + Length + KnifeWidth are formed
// in 128 bits: the answers stay the mathematically right ones.
#pragma once

#include <cstdint>

#include "PlanRecord.h"

__extension__ typedef __int128 TWide;

// Utilisation of Job: used area over sheet area, as a 32-bit float. The
// used area is summed in single precision, rounded after every addition;
// -1 for a sheet of area 0 or less. Stored in Job.Rate and returned.
float CalcJobRate(const TPlan& Task, TJob& Job);

// Utilisation over all jobs, each counted Count times, summed in double
// precision; 0 without jobs. Stored in Task.TotalRate and returned.
float CalcTotalRate(TPlan& Task);

// True when the interiors of the footprint (X1, Y1)-(X2, Y2) and the
// tested rectangle (NX1, NY1)-(NX2, NY2) intersect; touching is no overlap.
bool RectsOverlap(TWide X1, TWide Y1, TWide X2, TWide Y2, TWide NX1, TWide NY1, TWide NX2, TWide NY2);

// True when piece i in orientation o (0, or 1 for turned) may be anchored
// on the live corner point j of Job: pending, inside the sheet (both ends
// along each axis, which matters only for negative sizes), and its footprint
// grown by the knife width overlaps no placed piece. False while Job
// already holds MaxRects pieces, and for o = 1 when the piece keeps its
// direction.
bool PieceFits(const TPlan& Task, const TJob& Job, std::int32_t j, std::int32_t o, std::int32_t i);

// Places piece i in orientation o on point j (PieceFits must hold), lowers
// its Pending count in Task and brings the corner points up to date.
void PlacePiece(TPlan& Task, TJob& Job, std::int32_t j, std::int32_t o, std::int32_t i);

// With pkDead: marks every point at (x, y) dead. Otherwise appends the point
// unless it lies outside the sheet, strictly inside a placed piece grown by
// the knife width, or the list already holds MaxPoints points.
void AddCornerPoint(const TPlan& Task, TJob& Job, TPointKind Kind, TWide x, TWide y);
