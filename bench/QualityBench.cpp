// Plan quality: the optimiser at its default effort on every task of
// bench/quality (rigid material, as its README says), one row per task
// against the reference figures, then totals per family against the
// targets. Beside the area bound each row gives the guillotine bound (lp;
// Bound.h), the least sheets any guillotine plan of the task can cut, and
// the totals their sum ("least"), so that a target below it shows as one
// no plan can meet. Usage: tavik_quality [--effort N] [--threads N] [--seed N] [NAME...]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "Bound.h"
#include "CalcPlan.h"
#include "Optimise.h"

namespace {

struct TReference {
  std::string Task, Family;
  std::int64_t Bound = 0, ExactDepth1 = 0, Reference = 0;
};

std::vector<TReference> ReadReferences(const std::string& Path) {
  std::vector<TReference> Rows;
  std::ifstream In(Path);
  std::string Line;
  std::getline(In, Line);  // header
  while (std::getline(In, Line)) {
    std::vector<std::string> F;
    std::stringstream S(Line);
    std::string Field;
    while (std::getline(S, Field, ',')) F.push_back(Field);
    if (F.size() < 8) continue;
    Rows.push_back({F[0], F[1], std::atoll(F[5].c_str()), std::atoll(F[6].c_str()), std::atoll(F[7].c_str())});
  }
  return Rows;
}

struct TTotals {
  std::int64_t Tasks = 0, Exact = 0, Optimised = 0, Reference = 0, Bound = 0, Invalid = 0;
  // The guillotine bound where it is known, else the area bound: no plan
  // of the family can cut fewer sheets.
  std::int64_t Least = 0;
  double Slowest = 0;
};

}  // namespace

int main(int argc, char** argv) {
  Optimise::TOptimiseParams Params;
  Params.Threads = 2;
  std::vector<std::string> Only;
  for (int a = 1; a < argc; ++a) {
    const std::string Arg = argv[a];
    if (Arg == "--effort" && a + 1 < argc) Params.Effort = std::atoll(argv[++a]);
    else if (Arg == "--threads" && a + 1 < argc) Params.Threads = std::atoi(argv[++a]);
    else if (Arg == "--seed" && a + 1 < argc) Params.Seed = std::strtoull(argv[++a], nullptr, 10);
    else Only.push_back(Arg);
  }
  const std::string Folder = TAVIK_QUALITY_DIR;
  const std::map<std::string, std::int64_t> Targets = {{"boards", 101}, {"classic", 166}, {"random", 382}};
  std::map<std::string, TTotals> Totals;
  std::printf("effort %lld, threads %d\n", static_cast<long long>(Params.Effort), Params.Threads);
  std::printf("%-20s %-8s %6s %6s %6s %6s %6s %8s %6s  %s\n", "task", "family", "bound", "lp", "exact", "optim", "ref",
              "seconds", "work", "check");
  bool AllValid = true;
  for (const TReference& R : ReadReferences(Folder + "/reference.csv")) {
    if (!Only.empty() && std::find(Only.begin(), Only.end(), R.Task) == Only.end()) continue;
    auto Task = std::make_unique<TPlan>();
    LoadPlan(*Task, Folder + "/" + R.Task + ".tsk");
    Task->RigidFlag = true;
    ClearJobs(*Task);
    const Optimise::TBound Lp = Optimise::GuillotineBound(Optimise::MakeProblem(*Task));
    const std::string LpText = Lp.Known ? std::to_string(Lp.Sheets) : "-";
    TNullProgressLink Link;
    Optimise::TOptimiseOutput Output;
    const auto Start = std::chrono::steady_clock::now();
    Optimise::OptimisePlan(*Task, Params, Link, Output);
    const double Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count();
    std::string Fault = CheckPlan(*Task);
    if (Fault.empty() && !AllPlaced(*Task)) Fault = "pieces left pending";
    const bool Valid = Fault.empty();
    AllValid = AllValid && Valid;
    std::printf("%-20s %-8s %6lld %6s %6lld %6lld %6lld %8.2f %6lld  %s\n", R.Task.c_str(), R.Family.c_str(),
                static_cast<long long>(R.Bound), LpText.c_str(), static_cast<long long>(Output.Exact.Sheets),
                static_cast<long long>(Output.Optimised.Sheets), static_cast<long long>(R.Reference), Seconds,
                static_cast<long long>(Output.WorkDone), Valid ? "valid" : ("INVALID: " + Fault).c_str());
    if (std::getenv("TAVIK_QUALITY_JOBS"))
      for (std::int32_t j = 1; j <= Task->JobCount; ++j)
        std::printf("    job %d: %d x, %d pieces, utilisation %.3f\n", j, Task->Jobs[j].Count, Task->Jobs[j].RectCount,
                    static_cast<double>(CalcJobRate(*Task, Task->Jobs[j])));
    std::fflush(stdout);
    TTotals& T = Totals[R.Family];
    ++T.Tasks;
    T.Exact += Output.Exact.Sheets;
    T.Optimised += Output.Optimised.Sheets;
    T.Reference += R.Reference;
    T.Bound += R.Bound;
    T.Least += std::max<std::int64_t>(R.Bound, Lp.Known ? Lp.Sheets : 0);
    T.Invalid += !Valid;
    T.Slowest = std::max(T.Slowest, Seconds);
  }
  std::printf("\n%-8s %5s %6s %6s %6s %6s %6s %6s %8s  %s\n", "family", "tasks", "bound", "least", "exact", "optim",
              "ref", "target", "slowest", "result");
  bool Met = AllValid;
  for (const auto& [Family, T] : Totals) {
    const auto It = Targets.find(Family);
    const std::int64_t Target = It == Targets.end() ? T.Reference : It->second;
    const bool Ok = T.Optimised <= Target && T.Invalid == 0 && T.Slowest <= 5.0;
    Met = Met && Ok;
    std::printf("%-8s %5lld %6lld %6lld %6lld %6lld %6lld %6lld %8.2f  %s\n", Family.c_str(),
                static_cast<long long>(T.Tasks), static_cast<long long>(T.Bound), static_cast<long long>(T.Least),
                static_cast<long long>(T.Exact), static_cast<long long>(T.Optimised), static_cast<long long>(T.Reference),
                static_cast<long long>(Target), T.Slowest,
                Ok ? "target met" : Target < T.Least ? "TARGET MISSED (below the least any plan can cut)" : "TARGET MISSED");
  }
  std::printf("%s\n", Met ? "all targets met, every plan valid" : "some target missed or some plan invalid");
  return 0;
}
