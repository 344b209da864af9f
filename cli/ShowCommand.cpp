#include <cstdio>
#include <memory>
#include <string>

#include "CalcPlan.h"
#include "Commands.h"

namespace {

const char* const ShowUsage =
    "Usage: tavikplan show FILE\n"
    "\n"
    "Prints a task file as a person reads it: the settings, the sheet sizes,\n"
    "the pieces with their pending and ordered counts, and each computed job\n"
    "with its sheet, repeat count, utilisation and the pieces it places. A\n"
    "sheet size in limited stock ends its line with 'stock N', a piece that\n"
    "keeps its direction (grain) with 'no turn'.\n"
    "Names are shown in UTF-8. Exit status 0, or 1 when the file cannot be read.\n";

// Task is not const: computing a utilisation stores it in the record.
void PrintTask(TPlan& Task) {
  std::printf("Plan:        %s\n", TerminalText(Task.PlanName).c_str());
  std::printf("Date:        %s\n", FormatPlanDate(Task.PlanDate).c_str());
  std::printf("Knife width: %lld\n", static_cast<long long>(Task.KnifeWidth));
  std::printf("Expected utilisation: %.2f\n", static_cast<double>(Task.ExpectedRate));
  std::printf("Search depth: %d\n", Task.SearchDepth);

  std::printf("\nSheets (%d):\n", Task.SrcCount);
  for (std::int32_t i = 1; i <= Task.SrcCount; ++i) {
    const TSrcRect& S = Task.SrcRects[i];
    const std::string Stock = S.Stock > 0 ? "  stock " + std::to_string(S.Stock) : std::string();
    std::printf("  %3d  %s%lld x %lld%s\n", i, PadRight(TerminalText(S.Name), 20).c_str(),
                static_cast<long long>(S.Length), static_cast<long long>(S.Width), Stock.c_str());
  }

  std::printf("\nPieces (%d):            size            pending / ordered\n", Task.ObjCount);
  for (std::int32_t i = 1; i <= Task.ObjCount; ++i) {
    const TObjPlan& O = Task.ObjPlans[i];
    char Size[64];
    std::snprintf(Size, sizeof Size, "%lld x %lld", static_cast<long long>(O.Length),
                  static_cast<long long>(O.Width));
    std::printf("  %3d  %s%-18s %7d / %d%s\n", i, PadRight(TerminalText(O.Name), 16).c_str(), Size, O.Pending,
                O.Quantity, O.MayTurn ? "" : "  no turn");
  }

  std::printf("\nJobs (%d):\n", Task.JobCount);
  for (std::int32_t j = 1; j <= Task.JobCount; ++j) {
    TJob& Job = Task.Jobs[j];
    const TSrcRect& S = Task.SrcRects[Job.SheetNo];
    std::printf("  Job %d: sheet %d %s %lld x %lld, cut %d times, utilisation %s\n", j, Job.SheetNo,
                TerminalText(S.Name).c_str(), static_cast<long long>(S.Length), static_cast<long long>(S.Width),
                Job.Count, FormatPercent(CalcJobRate(Task, Job)).c_str());
    for (std::int32_t k = 1; k <= Job.RectCount; ++k) {
      const TPlacedRect& R = Job.Rects[k];
      const TObjPlan& O = Task.ObjPlans[R.ObjNo];
      std::printf("         %sat (%lld, %lld)%s\n", PadRight(TerminalText(O.Name), 16).c_str(), static_cast<long long>(R.X),
                  static_cast<long long>(R.Y), R.Rotated ? " turned" : "");
    }
  }
  if (Task.JobCount > 0)
    std::printf("\nTotal utilisation: %s\n", FormatPercent(CalcTotalRate(Task)).c_str());
}

}  // namespace

int RunShow(const TArgs& Args) {
  std::string File;
  for (const std::string& A : Args) {
    if (A == "--help" || A == "-h") {
      std::fputs(ShowUsage, stdout);
      return ExitOk;
    }
    if (!A.empty() && A[0] == '-' && A != "-") {
      std::fprintf(stderr, "tavikplan show: unknown option '%s'\n\n%s", A.c_str(), ShowUsage);
      return ExitUsage;
    }
    if (!File.empty()) {
      std::fprintf(stderr, "tavikplan show: one file only\n\n%s", ShowUsage);
      return ExitUsage;
    }
    File = A;
  }
  if (File.empty()) {
    std::fputs(ShowUsage, stderr);
    return ExitUsage;
  }
  auto Task = std::make_unique<TPlan>();
  NewPlan(*Task, 1, 0, 1.0f);
  try {
    LoadPlan(*Task, File);
  } catch (const EPlanError& E) {
    std::fprintf(stderr, "tavikplan: %s: %s\n", File.c_str(), E.what());
    return ExitError;
  }
  PrintTask(*Task);
  return ExitOk;
}
