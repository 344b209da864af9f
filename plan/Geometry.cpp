#include "Geometry.h"

namespace {

// Exact product of two lengths; any two 64-bit values fit in 128 bits.
TWide Area(TLength A, TLength B) { return TWide{A} * TWide{B}; }

// Extended-precision value of a 128-bit integer. Products of lengths that
// a user can type (32-bit) are exact here.
long double Extended(TWide V) { return static_cast<long double>(V); }

// Strictly inside the footprint of placed piece R grown by K on all sides.
bool InsideGrown(const TPlan& Task, const TPlacedRect& R, TWide x, TWide y) {
  const TObjPlan& O = Task.ObjPlans[R.ObjNo];
  const TWide K = Task.KnifeWidth;
  return TWide{R.X} - K < x && x < TWide{R.X} + ExtentX(O, R.Rotated) + K && TWide{R.Y} - K < y &&
         y < TWide{R.Y} + ExtentY(O, R.Rotated) + K;
}

void AddPoint(const TPlan& Task, TJob& Job, TPointKind Kind, TWide x, TWide y) {
  if (Kind == pkDead) {
    for (std::int32_t k = 1; k <= Job.PointCount; ++k)
      if (Job.Points[k].X == x && Job.Points[k].Y == y) Job.Points[k].Kind = pkDead;
    return;
  }
  const TSrcRect& Sheet = Task.SrcRects[Job.SheetNo];
  if (x < 0 || x > Sheet.Length || y < 0 || y > Sheet.Width) return;
  for (std::int32_t r = 1; r <= Job.RectCount; ++r)
    if (InsideGrown(Task, Job.Rects[r], x, y)) return;
  if (Job.PointCount >= MaxPoints) return;
  ++Job.PointCount;
  // Inside the sheet, so the values fit in 64 bits.
  Job.Points[Job.PointCount] = TCornerPoint{static_cast<TLength>(x), static_cast<TLength>(y), Kind};
}

// Low corner of piece extents (EX, EY) anchored on point P by its kind;
// false for a kind that anchors nothing.
bool AnchorCorner(const TCornerPoint& P, TWide EX, TWide EY, TWide& PX, TWide& PY) {
  switch (P.Kind) {
    case pkMinMin: PX = P.X; PY = P.Y; return true;
    case pkMinMax: PX = P.X; PY = TWide{P.Y} - EY; return true;
    case pkMaxMin: PX = TWide{P.X} - EX; PY = P.Y; return true;
    case pkMaxMax: PX = TWide{P.X} - EX; PY = TWide{P.Y} - EY; return true;
    default: return false;
  }
}

}  // namespace

float CalcJobRate(const TPlan& Task, TJob& Job) {
  const TSrcRect& Sheet = Task.SrcRects[Job.SheetNo];
  const float A = static_cast<float>(Extended(Area(Sheet.Length, Sheet.Width)));
  float S = 0;
  for (std::int32_t k = 1; k <= Job.RectCount; ++k) {
    const TObjPlan& O = Task.ObjPlans[Job.Rects[k].ObjNo];
    S = static_cast<float>(static_cast<long double>(S) + Extended(Area(O.Length, O.Width)));
  }
  Job.Rate = A > 0 ? static_cast<float>(static_cast<long double>(S) / A) : -1.0f;
  return Job.Rate;
}

float CalcTotalRate(TPlan& Task) {
  double T = 0, U = 0;
  for (std::int32_t j = 1; j <= Task.JobCount; ++j) {
    const TJob& Job = Task.Jobs[j];
    const TSrcRect& Sheet = Task.SrcRects[Job.SheetNo];
    T = static_cast<double>(T + Job.Count * Extended(Area(Sheet.Length, Sheet.Width)));
    for (std::int32_t k = 1; k <= Job.RectCount; ++k) {
      const TObjPlan& O = Task.ObjPlans[Job.Rects[k].ObjNo];
      U = static_cast<double>(U + Job.Count * Extended(Area(O.Length, O.Width)));
    }
  }
  Task.TotalRate = T > 0 ? static_cast<float>(static_cast<long double>(U) / T) : 0.0f;
  return Task.TotalRate;
}

bool RectsOverlap(TWide X1, TWide Y1, TWide X2, TWide Y2, TWide NX1, TWide NY1, TWide NX2, TWide NY2) {
  const bool AlongX = NX1 > X1 ? NX1 < X2 : NX2 > X1;
  const bool AlongY = NY1 > Y1 ? NY1 < Y2 : NY2 > Y1;
  return AlongX && AlongY;
}

bool PieceFits(const TPlan& Task, const TJob& Job, std::int32_t j, std::int32_t o, std::int32_t i) {
  if (Task.ObjPlans[i].Pending < 1) return false;
  // A full list takes no more pieces; the layout stays as it is.
  if (Job.RectCount >= MaxRects) return false;
  const TObjPlan& Obj = Task.ObjPlans[i];
  if (!OrientationAllowed(Obj, o)) return false;
  const TWide EX = ExtentX(Obj, static_cast<std::uint8_t>(o));
  const TWide EY = ExtentY(Obj, static_cast<std::uint8_t>(o));
  TWide PX, PY;
  if (!AnchorCorner(Job.Points[j], EX, EY, PX, PY)) return false;
  const TSrcRect& Sheet = Task.SrcRects[Job.SheetNo];
  if (PX < 0 || PX + EX > Sheet.Length || PY < 0 || PY + EY > Sheet.Width) return false;
  // Only a negative size (which a file can hold) puts the other end of the
  // piece outside the sheet; such a piece does not fit either.
  if (PX > Sheet.Length || PX + EX < 0 || PY > Sheet.Width || PY + EY < 0) return false;
  const TWide K = Task.KnifeWidth;
  const TWide NX1 = PX - K, NY1 = PY - K, NX2 = PX + EX + K, NY2 = PY + EY + K;
  for (std::int32_t r = 1; r <= Job.RectCount; ++r) {
    const TPlacedRect& R = Job.Rects[r];
    const TObjPlan& O = Task.ObjPlans[R.ObjNo];
    if (RectsOverlap(R.X, R.Y, TWide{R.X} + ExtentX(O, R.Rotated), TWide{R.Y} + ExtentY(O, R.Rotated), NX1, NY1,
                     NX2, NY2))
      return false;
  }
  return true;
}

void PlacePiece(TPlan& Task, TJob& Job, std::int32_t j, std::int32_t o, std::int32_t i) {
  --Task.ObjPlans[i].Pending;
  const TObjPlan& Obj = Task.ObjPlans[i];
  const TWide EX = ExtentX(Obj, static_cast<std::uint8_t>(o));
  const TWide EY = ExtentY(Obj, static_cast<std::uint8_t>(o));
  TWide PX = 0, PY = 0;
  AnchorCorner(Job.Points[j], EX, EY, PX, PY);
  ++Job.RectCount;
  // PieceFits put the piece inside the sheet, so its corner fits 64 bits.
  Job.Rects[Job.RectCount] =
      TPlacedRect{i, static_cast<TLength>(PX), static_cast<TLength>(PY), static_cast<std::uint8_t>(o == 1)};

  // The order fixes the numbers of the new points and so the order in which
  // the search tries them.
  const TWide K = Task.KnifeWidth;
  AddPoint(Task, Job, pkDead, PX, PY);
  AddPoint(Task, Job, pkMaxMin, PX - K, PY);
  AddPoint(Task, Job, pkMinMax, PX, PY - K);
  AddPoint(Task, Job, pkDead, PX + EX, PY);
  AddPoint(Task, Job, pkMinMin, PX + EX + K, PY);
  AddPoint(Task, Job, pkMaxMax, PX + EX, PY - K);
  AddPoint(Task, Job, pkDead, PX, PY + EY);
  AddPoint(Task, Job, pkMaxMax, PX - K, PY + EY);
  AddPoint(Task, Job, pkMinMin, PX, PY + EY + K);
  AddPoint(Task, Job, pkDead, PX + EX, PY + EY);
  AddPoint(Task, Job, pkMinMax, PX + EX + K, PY + EY);
  AddPoint(Task, Job, pkMaxMin, PX + EX, PY + EY + K);

  // Points strictly inside the new piece grown by K are covered; the ones on
  // its border, just added among them, stay live.
  const TPlacedRect& R = Job.Rects[Job.RectCount];
  for (std::int32_t k = 1; k <= Job.PointCount; ++k) {
    const TCornerPoint& P = Job.Points[k];
    if (InsideGrown(Task, R, P.X, P.Y)) Job.Points[k].Kind = pkDead;
  }
}

void AddCornerPoint(const TPlan& Task, TJob& Job, TPointKind Kind, TWide x, TWide y) {
  AddPoint(Task, Job, Kind, x, y);
}
