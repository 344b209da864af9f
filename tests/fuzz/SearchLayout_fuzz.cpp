// The fast layout search against the search as its rules state it, on the
// small arbitrary tasks of the calculation fuzzer, pieces that keep their
// direction among them: for every sheet the same layout (points, placed
// pieces, utilisation) and the same number of nodes.
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "CalcPlan.h"
#include "FuzzTask.h"
#include "support/ReferenceSearch.h"

namespace {

std::string LayoutText(const TJob& Job) {
  std::string Text = "rate " + std::to_string(Job.Rate) + "\npoints";
  for (std::int32_t k = 1; k <= Job.PointCount; ++k)
    Text += " " + std::to_string(Job.Points[k].X) + "," + std::to_string(Job.Points[k].Y) + "," +
            std::to_string(Job.Points[k].Kind);
  Text += "\npieces";
  for (std::int32_t k = 1; k <= Job.RectCount; ++k)
    Text += " " + std::to_string(Job.Rects[k].ObjNo) + "@" + std::to_string(Job.Rects[k].X) + "," +
            std::to_string(Job.Rects[k].Y) + (Job.Rects[k].Rotated ? "r" : "");
  return Text;
}

// The same layout: points, placed pieces and utilisation (cheaper than
// comparing the texts, which are made only to report a difference).
bool SameLayout(const TJob& A, const TJob& B) {
  // Utilisations agree to the six decimals the texts show.
  if (A.Rate != B.Rate && std::to_string(A.Rate) != std::to_string(B.Rate)) return false;
  if (A.PointCount != B.PointCount || A.RectCount != B.RectCount) return false;
  for (std::int32_t k = 1; k <= A.PointCount; ++k)
    if (A.Points[k].X != B.Points[k].X || A.Points[k].Y != B.Points[k].Y || A.Points[k].Kind != B.Points[k].Kind)
      return false;
  for (std::int32_t k = 1; k <= A.RectCount; ++k)
    if (A.Rects[k].ObjNo != B.Rects[k].ObjNo || A.Rects[k].X != B.Rects[k].X || A.Rects[k].Y != B.Rects[k].Y ||
        A.Rects[k].Rotated != B.Rects[k].Rotated)
      return false;
  return true;
}

void StartLayout(TJob& Job, std::int32_t Sheet) {
  Job.SheetNo = Sheet;
  Job.Rate = 0;
  Job.Count = 0;
  Job.PointCount = 1;
  Job.Points[1] = TCornerPoint{0, 0, pkMinMin};
  Job.RectCount = 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  static const auto Task = std::make_unique<TPlan>();
  static const auto Work = std::make_unique<TPlan>();
  static const auto Fast = std::make_unique<TJob>();
  static const auto Plain = std::make_unique<TJob>();
  fuzz::DecodeTask(Data, Size, *Task);
  fuzz::CopyTables(*Work, *Task);
  TNullProgressLink Link;
  for (std::int32_t s = 1; s <= Task->SrcCount; ++s) {
    StartLayout(*Fast, s);
    StartLayout(*Plain, s);
    TSearchStats Stats;
    std::uint64_t PlainNodes = 0;
    SearchLayout(*Task, *Fast, 1, "p", Link, &Stats);
    testdata::ReferenceSearchLayout(*Work, *Plain, 1, PlainNodes);
    if (!SameLayout(*Fast, *Plain) || Stats.Nodes != PlainNodes) {
      const std::string FastText = LayoutText(*Fast), PlainText = LayoutText(*Plain);
      std::fprintf(stderr,
                   "SearchLayout_fuzz: sheet %d: the fast search (%llu nodes) and the plain one (%llu nodes) "
                   "differ\n--- fast:\n%s\n--- plain:\n%s\n--- task:\n%s\n",
                   s, static_cast<unsigned long long>(Stats.Nodes), static_cast<unsigned long long>(PlainNodes),
                   FastText.c_str(), PlainText.c_str(), PlanToText(*Task).c_str());
      std::abort();
    }
  }
  return 0;
}
