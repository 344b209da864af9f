#include "Search.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstddef>
#include <limits>
#include <memory>
#include <atomic>
#include <mutex>
#include <type_traits>
#include <vector>

#include "Geometry.h"
#include "SearchTeam.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
// The search is compiled once more for AVX2 and picks it when it may.
#define TAVIK_SEARCH_DISPATCH 1
#else
#define TAVIK_SEARCH_DISPATCH 0
#endif
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {


// The search works on its own layout record: the same points and placed
// pieces as a TJob, laid out for the tests it runs millions of times.
//
// C is the type the geometry is computed in. Ordinary tasks (every size
// positive, a knife width of 0 or more, all values within +-2^26) run on
// 32 bits, four values to an SSE2 register; other tasks whose values lie
// within +-2^60 on 64 bits, the rest on 128 bits. All give the same answers;
// only the speed differs.
constexpr std::int32_t Never = std::numeric_limits<std::int32_t>::min();  // a room that takes no piece
constexpr std::int32_t Open = std::numeric_limits<std::int32_t>::max();   // a bound that rules out nothing

template <class C>
std::int32_t Saturated(C V) {
  return static_cast<std::int32_t>(std::clamp<C>(V, Never, Open));
}

using TPending = std::array<std::int32_t, MaxObjPlans + 1>;  // indexed 1..ObjCount

// How a search node learns of a stop request and shows where it is.
class TGate {
 public:
  virtual ~TGate() = default;
  // At the start of every node; true when the search must stop.
  virtual bool Enter() = 0;
  // After a trial; true once a stop was asked for.
  virtual bool Stopped() = 0;
  // At every branching node, with its path.
  virtual void Branching(const std::string& Path) = 0;
};

// The gate of a search on the calculation's own thread: the progress link.
class TLinkGate final : public TGate {
 public:
  explicit TLinkGate(IProgressLink& Link) : Link_(Link) {}
  bool Enter() override {
    Link_.ProcessMessages();
    return Link_.StopRequested();
  }
  bool Stopped() override { return Link_.StopRequested(); }
  void Branching(const std::string& Path) override {
    Link_.SetNodeText(Path);
    Link_.RepaintProgress();
  }

 private:
  IProgressLink& Link_;
};

// What the threads of a team share while they work through the trials of
// the top level.
struct TTeamState {
  std::atomic<std::int32_t> Next{0};    // the next trial to take
  std::atomic<std::int32_t> Cutoff{0};  // no trial after this one can be taken
  std::atomic<bool> Stop{false};        // the user asked to stop
};

// The node text a helper thread shows, for the calculation's thread to hand on.
struct TPathSlot {
  std::mutex Mutex;
  std::string Path;
  std::int32_t Trial = -1;  // the trial it belongs to; -1 when none
};

// The gate of a thread of a team, working on trial Trial. Trials after the
// cutoff are given up at once: their results are thrown away. Only the
// calculation's own thread has the link.
class TTeamGate final : public TGate {
 public:
  TTeamGate(TTeamState& State, IProgressLink* Link, TPathSlot& Slot) : State_(State), Link_(Link), Slot_(Slot) {}
  std::int32_t Trial = 0;

  bool Enter() override {
    if (Link_) Link_->ProcessMessages();
    return Stopped();
  }
  bool Stopped() override {
    if (Link_ && Link_->StopRequested()) State_.Stop.store(true, std::memory_order_relaxed);
    return State_.Stop.load(std::memory_order_relaxed) || Trial > State_.Cutoff.load(std::memory_order_relaxed);
  }
  void Branching(const std::string& Path) override {
    if (Link_) {
      Link_->SetNodeText(Path);
      Link_->RepaintProgress();
      return;
    }
    std::lock_guard<std::mutex> Lock(Slot_.Mutex);
    Slot_.Path = Path;
    Slot_.Trial = Trial;
  }

 private:
  TTeamState& State_;
  IProgressLink* Link_;
  TPathSlot& Slot_;
};

// The outcome of one trial of the top level.
struct TTrialResult {
  bool Ran = false;       // taken by a thread
  bool Searched = false;  // its node did not see the stop at once
  bool StopSeen = false;  // the stop was asked for when it ended
  // Set by its thread once it ended; the calculation's thread reads it while
  // the others work, to show the node text of the first trial still running.
  std::atomic<bool> Ended{false};
  float Rate = 0;
  std::uint64_t Nodes = 0;
  std::vector<TCornerPoint> Points;
  std::vector<TPlacedRect> Rects;
};

}  // namespace

// The search itself, compiled once for SSE2 (every x86-64 processor has it)
// and once more for AVX2, which the processors of the last decade have; the
// widest that the processor running it has is used. Both give the same
// answers.
namespace {
namespace sse2 {
#define TAVIK_SEARCH_AVX2 0
#include "SearchCore.inc"
#undef TAVIK_SEARCH_AVX2
}  // namespace sse2
}  // namespace

#if TAVIK_SEARCH_DISPATCH
#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx2")
#endif
namespace {
namespace avx2 {
#define TAVIK_SEARCH_AVX2 1
#include "SearchCore.inc"
#undef TAVIK_SEARCH_AVX2
}  // namespace avx2
}  // namespace
#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif
#endif

namespace {

// Which of the three geometry types the search of Layout runs on.
enum class TWidth { Narrow, Normal, Wide };

TWidth WidthFor(const TPlan& Task, const TJob& Job) {
  auto Within = [](TLength V, TLength Limit) { return V >= -Limit && V <= Limit; };
  const TSrcRect& Sheet = Task.SrcRects[Job.SheetNo];
  for (const TLength Limit : {TLength{1} << 26, TLength{1} << 60}) {
    const bool Narrow = Limit == TLength{1} << 26;
    bool Ok = Within(Sheet.Length, Limit) && Within(Sheet.Width, Limit) && Within(Task.KnifeWidth, Limit);
    // The 32-bit path leaves out the tests that only odd sizes need.
    if (Narrow) Ok = Ok && Task.KnifeWidth >= 0;
    for (std::int32_t i = 1; i <= Task.ObjCount && Ok; ++i) {
      const TObjPlan& O = Task.ObjPlans[i];
      Ok = Within(O.Length, Limit) && Within(O.Width, Limit) && (!Narrow || (O.Length > 0 && O.Width > 0));
    }
    for (std::int32_t k = 1; k <= Job.PointCount && Ok; ++k)
      Ok = Within(Job.Points[k].X, Limit) && Within(Job.Points[k].Y, Limit);
    for (std::int32_t k = 1; k <= Job.RectCount && Ok; ++k)
      Ok = Within(Job.Rects[k].X, Limit) && Within(Job.Rects[k].Y, Limit);
    if (Ok) return Narrow ? TWidth::Narrow : TWidth::Normal;
  }
  return TWidth::Wide;
}

}  // namespace

namespace {

std::atomic<TVectorWidth> WidthLimit{TVectorWidth::Widest};

bool UseAvx2() {
#if TAVIK_SEARCH_DISPATCH
  static const bool Has = __builtin_cpu_supports("avx2");
  return Has && WidthLimit.load(std::memory_order_relaxed) == TVectorWidth::Widest;
#else
  return false;
#endif
}

}  // namespace

void LimitSearchVectors(TVectorWidth Width) { WidthLimit.store(Width); }

void SearchLayout(const TPlan& Task, TJob& Layout, std::int32_t Level, const std::string& Path,
                  IProgressLink& Link, TSearchStats* Stats, TSearchTeam* Team) {
  switch (WidthFor(Task, Layout)) {
    case TWidth::Narrow:
#if TAVIK_SEARCH_DISPATCH
      if (UseAvx2()) {
        avx2::RunSearch<std::int32_t>(Task, Layout, Level, Path, Link, Stats, Team);
        break;
      }
#endif
      sse2::RunSearch<std::int32_t>(Task, Layout, Level, Path, Link, Stats, Team);
      break;
    case TWidth::Normal: sse2::RunSearch<std::int64_t>(Task, Layout, Level, Path, Link, Stats, Team); break;
    case TWidth::Wide: sse2::RunSearch<TWide>(Task, Layout, Level, Path, Link, Stats, Team); break;
  }
}
