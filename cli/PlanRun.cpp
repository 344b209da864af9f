#include "PlanRun.h"

#include <signal.h>

#include <algorithm>
#include <charconv>
#include <cstdio>

namespace {

volatile sig_atomic_t Interrupted = 0;

void OnInterrupt(int) {
  Interrupted = 1;
  // A second Ctrl+C ends the program at once.
  ::signal(SIGINT, SIG_DFL);
}

bool ParseThreads(const std::string& Text, std::int32_t& Threads) {
  std::int32_t Value = 0;
  const char* End = Text.data() + Text.size();
  const auto [Ptr, Error] = std::from_chars(Text.data(), End, Value);
  if (Error != std::errc() || Ptr != End || Value < 1 || Value > TSearchTeam::MaxThreads) return false;
  Threads = Value;
  return true;
}

}  // namespace

int ParseRunOptions(const char* Command, const char* Usage, const TArgs& Args, TRunOptions& Options,
                    const TOwnOption& Own) {
  bool HasOut = false;
  for (std::size_t k = 0; k < Args.size(); ++k) {
    const std::string& A = Args[k];
    std::string Error;
    if (Own && Own(Args, k, Error)) {
      if (!Error.empty()) return UsageError(Command, Error);
    } else if (A == "--help" || A == "-h") {
      std::fputs(Usage, stdout);
      return ExitOk;
    } else if (A == "-o" || A == "--output") {
      if (++k == Args.size()) return UsageError(Command, "-o needs a file name");
      Options.Out = Args[k];
      HasOut = true;
    } else if (A == "--rigid") {
      if (++k == Args.size() || (Args[k] != "0" && Args[k] != "1"))
        return UsageError(Command, "--rigid takes 0 or 1");
      Options.Rigid = Args[k] == "1";
    } else if (A == "--threads") {
      if (++k == Args.size() || !ParseThreads(Args[k], Options.Threads))
        return UsageError(Command, "--threads takes a number from 1 to " + std::to_string(TSearchTeam::MaxThreads));
    } else if (!A.empty() && A[0] == '-') {
      return UsageError(Command, "unknown option '" + A + "'");
    } else if (Options.In.empty()) {
      Options.In = A;
    } else {
      return UsageError(Command, "one input file only");
    }
  }
  if (Options.In.empty()) return UsageError(Command, "no input file");
  if (HasOut && Options.Out.empty()) return UsageError(Command, "the output file name is empty");
  return -1;
}

bool LoadRunTask(TPlan& Task, const TRunOptions& Options) {
  NewPlan(Task, 1, 0, 1.0f);
  Task.RigidFlag = Options.Rigid;
  try {
    LoadPlan(Task, Options.In);
  } catch (const EPlanError& E) {
    std::fprintf(stderr, "tavikplan: %s: %s\n", Options.In.c_str(), E.what());
    return false;
  }
  // The window program takes depths up to 16; a file may hold more, kept as
  // it is, and the search then takes time that grows steeply with it.
  if (Task.SearchDepth > MaxSearchDepth)
    std::fprintf(stderr,
                 "tavikplan: warning: %s: search depth %d is above %d, the deepest the program lets you enter; "
                 "the calculation may take hours or more (Ctrl+C stops it)\n",
                 Options.In.c_str(), Task.SearchDepth, MaxSearchDepth);
  return true;
}

TInterruptScope::TInterruptScope() {
  struct sigaction Action {};
  Action.sa_handler = OnInterrupt;
  ::sigemptyset(&Action.sa_mask);
  ::sigaction(SIGINT, &Action, nullptr);
}

TInterruptScope::~TInterruptScope() { ::signal(SIGINT, SIG_DFL); }

void TTerminalLink::SetProgressRange(std::int32_t Min, std::int32_t Max) {
  Min_ = Min;
  Max_ = Max;
  Start_ = TClock::now();
  StartPosition_ = Min;
}

void TTerminalLink::ShowProgress() {
  Interrupted = 0;
  Stopped_ = false;
  Refresh();
  Start_ = TClock::now();
  StartPosition_ = Position_;
  LastDraw_ = TClock::time_point{};
}

void TTerminalLink::CloseProgress() {
  // Closing is the stop button's effect as well: whether the person
  // pressed Ctrl+C must be known before it is set.
  Stopped_ = Interrupted != 0;
  Interrupted = 1;
  if (Draw_ && Drawn_) std::fputs("\r\033[K", stderr);
}

bool TTerminalLink::StopRequested() const { return Interrupted != 0; }

void TTerminalLink::ShowTask() {
  Refresh();
  Draw(true);
}

void TTerminalLink::Draw(bool Force) {
  if (!Draw_) return;
  const auto Now = TClock::now();
  if (!Force && Now - LastDraw_ < std::chrono::milliseconds(200)) return;
  LastDraw_ = Now;
  Drawn_ = true;
  const std::string Line = Text(Estimate(Now));
  std::fprintf(stderr, "\r\033[K%s", Line.c_str());
  std::fflush(stderr);
}

// Seconds still to go from the pace since the start; negative while there
// is no pace yet.
double TTerminalLink::Estimate(TClock::time_point Now) const {
  if (Position_ <= StartPosition_) return -1;
  return std::chrono::duration<double>(Now - Start_).count() / (Position_ - StartPosition_) * (Max_ - Position_);
}

namespace {

// Whether piece i fits some sheet in a direction it may lie in, and some
// sheet of which any are left.
void PieceRoom(const TPlan& Task, std::int32_t i, bool& Fits, bool& FitsInStock) {
  const TObjPlan& Obj = Task.ObjPlans[i];
  Fits = FitsInStock = false;
  for (std::int32_t s = 1; s <= Task.SrcCount; ++s) {
    const TSrcRect& Sheet = Task.SrcRects[s];
    for (std::uint8_t o = 0; o < 2; ++o) {
      if (!OrientationAllowed(Obj, o)) continue;
      if (ExtentX(Obj, o) > Sheet.Length || ExtentY(Obj, o) > Sheet.Width) continue;
      Fits = true;
      if (SheetsLeft(Task, s) > 0) FitsInStock = true;
    }
  }
}

}  // namespace

const char* PendingReason(const TPlan& Task, std::int32_t i, bool Stopped) {
  bool Fits = false, FitsInStock = false;
  PieceRoom(Task, i, Fits, FitsInStock);
  if (!Fits) return "fits no sheet";
  if (!FitsInStock) return "the sheets it fits are used up";
  if (Stopped) return "the calculation was stopped";
  return "no layout with it was found";
}

bool PendingThatFits(const TPlan& Task) {
  for (std::int32_t i = 1; i <= Task.ObjCount; ++i) {
    if (Task.ObjPlans[i].Pending <= 0) continue;
    bool Fits = false, FitsInStock = false;
    PieceRoom(Task, i, Fits, FitsInStock);
    if (FitsInStock) return true;
  }
  return false;
}

void PrintSummary(TPlan& Task, bool Stopped) {
  int NameColumns = 0;
  for (std::int32_t j = 1; j <= Task.JobCount; ++j)
    NameColumns = std::max(NameColumns, DisplayWidth(TerminalText(Task.SrcRects[Task.Jobs[j].SheetNo].Name)));
  for (std::int32_t j = 1; j <= Task.JobCount; ++j) {
    TJob& Job = Task.Jobs[j];
    const TSrcRect& S = Task.SrcRects[Job.SheetNo];
    std::printf("Job %3d  %s  %lld x %lld  x%-5d %8s\n", j, PadRight(TerminalText(S.Name), NameColumns).c_str(),
                static_cast<long long>(S.Length), static_cast<long long>(S.Width), Job.Count,
                FormatPercent(CalcJobRate(Task, Job)).c_str());
  }
  std::printf("Total utilisation: %s\n", FormatPercent(CalcTotalRate(Task)).c_str());
  if (!AllPlaced(Task)) {
    std::printf("Pieces still pending:\n");
    NameColumns = 0;
    for (std::int32_t i = 1; i <= Task.ObjCount; ++i)
      if (Task.ObjPlans[i].Pending > 0)
        NameColumns = std::max(NameColumns, DisplayWidth(TerminalText(Task.ObjPlans[i].Name)));
    for (std::int32_t i = 1; i <= Task.ObjCount; ++i) {
      const TObjPlan& O = Task.ObjPlans[i];
      if (O.Pending > 0)
        std::printf("  %s  %d of %d  (%s)\n", PadRight(TerminalText(O.Name), NameColumns).c_str(), O.Pending,
                    O.Quantity, PendingReason(Task, i, Stopped));
    }
  }
}

bool SaveRunResult(const TPlan& Task, const TRunOptions& Options, bool Stopped, const char* What, const char* Kept) {
  if (!Options.Out.empty()) {
    try {
      SavePlan(Task, Options.Out);
    } catch (const EPlanError& E) {
      std::fprintf(stderr, "tavikplan: %s: %s\n", Options.Out.c_str(), E.what());
      return false;
    }
  }
  if (Stopped) {
    if (Options.Out.empty())
      std::fprintf(stderr, "tavikplan: %s stopped; nothing was saved (no -o given)\n", What);
    else
      std::fprintf(stderr, "tavikplan: %s stopped; %s was saved to %s\n", What, Kept, Options.Out.c_str());
  }
  return true;
}

int RunStatus(const TPlan& Task) { return AllPlaced(Task) ? ExitOk : ExitPartial; }
