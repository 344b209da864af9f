#include "LayoutCheck.h"

#include "Geometry.h"
#include "Guillotine.h"

namespace {

std::string Where(std::int32_t k) { return "piece " + std::to_string(k) + " of the layout"; }

}  // namespace

std::string CheckLayout(const TPlan& Task, const TJob& Job) {
  if (Job.SheetNo < 1 || Job.SheetNo > Task.SrcCount) return "sheet number out of range";
  if (Job.PointCount < 0 || Job.PointCount > MaxPoints) return "corner point count out of range";
  if (Job.RectCount < 0 || Job.RectCount > MaxRects) return "placed piece count out of range";
  const TSrcRect& Sheet = Task.SrcRects[Job.SheetNo];
  const TWide K = Task.KnifeWidth;
  for (std::int32_t a = 1; a <= Job.RectCount; ++a) {
    const TPlacedRect& A = Job.Rects[a];
    if (A.ObjNo < 1 || A.ObjNo > Task.ObjCount) return Where(a) + ": piece number out of range";
    const TObjPlan& OA = Task.ObjPlans[A.ObjNo];
    if (A.Rotated && !OrientationAllowed(OA, 1)) return Where(a) + " is turned, but its piece keeps its direction";
    const TWide AX2 = TWide{A.X} + ExtentX(OA, A.Rotated), AY2 = TWide{A.Y} + ExtentY(OA, A.Rotated);
    auto Outside = [](TWide From, TWide To, TLength Size) { return From < 0 || From > Size || To < 0 || To > Size; };
    if (Outside(A.X, AX2, Sheet.Length) || Outside(A.Y, AY2, Sheet.Width)) return Where(a) + " lies outside the sheet";
    for (std::int32_t b = 1; b < a; ++b) {
      const TPlacedRect& B = Job.Rects[b];
      const TObjPlan& OB = Task.ObjPlans[B.ObjNo];
      const TWide BX2 = TWide{B.X} + ExtentX(OB, B.Rotated), BY2 = TWide{B.Y} + ExtentY(OB, B.Rotated);
      if (RectsOverlap(B.X, B.Y, BX2, BY2, A.X - K, A.Y - K, AX2 + K, AY2 + K))
        return Where(a) + " is closer than the knife width to " + Where(b);
    }
  }
  if (Task.RigidFlag && !IsGuillotine(Task, Job)) return "the layout cannot be cut apart by through cuts";
  return {};
}

std::string CheckPendingCounts(const TPlan& Task) {
  for (std::int32_t i = 1; i <= Task.ObjCount; ++i) {
    TWide Placed = 0;
    for (std::int32_t j = 1; j <= Task.JobCount; ++j) {
      const TJob& Job = Task.Jobs[j];
      std::int64_t Copies = 0;
      for (std::int32_t k = 1; k <= Job.RectCount; ++k) Copies += Job.Rects[k].ObjNo == i;
      Placed += TWide{Job.Count} * Copies;
    }
    const TObjPlan& O = Task.ObjPlans[i];
    if (TWide{O.Quantity} - O.Pending != Placed)
      return "piece " + std::to_string(i) + ": quantity " + std::to_string(O.Quantity) + ", pending " +
             std::to_string(O.Pending) + ", placed " + std::to_string(static_cast<long long>(Placed));
  }
  return {};
}

std::string CheckPlan(const TPlan& Task) {
  for (std::int32_t j = 1; j <= Task.JobCount; ++j) {
    if (Task.Jobs[j].Count < 1) return "job " + std::to_string(j) + ": count below 1";
    std::string Fault = CheckLayout(Task, Task.Jobs[j]);
    if (!Fault.empty()) return "job " + std::to_string(j) + ": " + Fault;
  }
  for (std::int32_t s = 1; s <= Task.SrcCount; ++s)
    if (Task.SrcRects[s].Stock > 0 && SheetsUsed(Task, s) > Task.SrcRects[s].Stock)
      return "sheet " + std::to_string(s) + ": " + std::to_string(SheetsUsed(Task, s)) + " cut, stock " +
             std::to_string(Task.SrcRects[s].Stock);
  return CheckPendingCounts(Task);
}
