// Computes every task of the benchmark folder (NAME.tsk, NAME.rigid,
// NAME.out.tsk). First each task once in a child process of its own, so that
// its peak memory is its own: time, search nodes, nodes per second, peak
// memory, and whether the result is byte-identical to NAME.out.tsk and
// passes the layout checker. Then Google Benchmark times each task.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "BenchTasks.h"
#include "CalcPlan.h"

namespace {

std::unique_ptr<TPlan> Load(const TBenchTask& T) {
  auto Task = std::make_unique<TPlan>();
  NewPlan(*Task, 1, 0, 1.0f);
  Task->RigidFlag = T.Rigid;
  LoadPlan(*Task, T.Input);
  return Task;
}

struct TOutcome {
  double Seconds = 0;
  unsigned long long Nodes = 0;
  long PeakKiB = 0;
  int Identical = 0;
  int Valid = 0;
};

// Computes T once in a child process and reports what it saw.
TOutcome RunIsolated(const TBenchTask& T) {
  int Pipe[2];
  TOutcome Out;
  if (::pipe(Pipe) != 0) return Out;
  const pid_t Child = ::fork();
  if (Child == 0) {
    ::close(Pipe[0]);
    TOutcome R;
    try {
      auto Task = Load(T);
      TNullProgressLink Link;
      TSearchStats Stats;
      std::string Message;
      const auto Start = std::chrono::steady_clock::now();
      MakePlan(*Task, Message, Link, &Stats);
      R.Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count();
      R.Nodes = Stats.Nodes;
      R.Identical = PlanToText(*Task) == ReadAll(T.Expected);
      R.Valid = Message.empty() && CheckPlan(*Task).empty();
    } catch (const EPlanError&) {
    }
    rusage Usage{};
    ::getrusage(RUSAGE_SELF, &Usage);
    R.PeakKiB = Usage.ru_maxrss;
    (void)!::write(Pipe[1], &R, sizeof R);
    ::_exit(0);
  }
  ::close(Pipe[1]);
  (void)!::read(Pipe[0], &Out, sizeof Out);
  ::close(Pipe[0]);
  int Status = 0;
  ::waitpid(Child, &Status, 0);
  return Out;
}

// Peak memory of a child that only starts up, to tell the calculation's
// share from the program's own.
long BaselinePeakKiB() {
  const pid_t Child = ::fork();
  if (Child == 0) ::_exit(0);
  int Status = 0;
  rusage Usage{};
  ::wait4(Child, &Status, 0, &Usage);
  return Usage.ru_maxrss;
}

bool ReportOutcomes(const std::vector<TBenchTask>& Tasks) {
  std::printf("%-20s %9s %10s %12s %9s  %s\n", "task", "time [s]", "nodes", "nodes/s", "peak MiB", "result");
  double Total = 0;
  bool AllGood = true;
  long Peak = 0;
  double Cabinet20 = 0;
  for (const TBenchTask& T : Tasks) {
    const TOutcome R = RunIsolated(T);
    Total += R.Seconds;
    Peak = std::max(Peak, R.PeakKiB);
    if (T.Name == "cabinet20_d2") Cabinet20 = R.Seconds;
    const bool Good = R.Identical && R.Valid;
    AllGood = AllGood && Good;
    std::printf("%-20s %9.3f %10llu %12.0f %9.1f  %s, %s\n", T.Name.c_str(), R.Seconds, R.Nodes,
                R.Seconds > 0 ? static_cast<double>(R.Nodes) / R.Seconds : 0.0, static_cast<double>(R.PeakKiB) / 1024,
                R.Identical ? "identical to .out.tsk" : "DIFFERS from .out.tsk",
                R.Valid ? "all layouts valid" : "INVALID layout or pending counts");
  }
  std::printf("all %zu tasks: %.3f s (target 1 s); cabinet20_d2: %.3f s (target 0.25 s); "
              "peak %.1f MiB per task, %.1f MiB of it the program itself (target 16 MiB)\n",
              Tasks.size(), Total, Cabinet20, static_cast<double>(Peak) / 1024,
              static_cast<double>(BaselinePeakKiB()) / 1024);
  std::printf("validity: %s\n\n", AllGood ? "every result identical and valid" : "SOME RESULTS WRONG");
  return AllGood;
}

void ComputeTask(benchmark::State& State, const TBenchTask& T) {
  auto Source = Load(T);
  auto Task = std::make_unique<TPlan>();
  std::uint64_t Nodes = 0;
  for (auto _ : State) {
    State.PauseTiming();
    *Task = *Source;
    State.ResumeTiming();
    TNullProgressLink Link;
    TSearchStats Stats;
    std::string Message;
    MakePlan(*Task, Message, Link, &Stats);
    Nodes = Stats.Nodes;
    benchmark::DoNotOptimize(Task->JobCount);
  }
  State.counters["nodes"] = static_cast<double>(Nodes);
  State.counters["nodes/s"] =
      benchmark::Counter(static_cast<double>(Nodes) * static_cast<double>(State.iterations()), benchmark::Counter::kIsRate);
}

}  // namespace

int main(int argc, char** argv) {
  const auto Tasks = FindTasks(TAVIK_BENCH_TASKS_DIR);
  const bool Good = ReportOutcomes(Tasks);
  for (const TBenchTask& T : Tasks)
    benchmark::RegisterBenchmark(T.Name.c_str(), [T](benchmark::State& S) { ComputeTask(S, T); })
        ->Unit(benchmark::kMillisecond)
        ->MinTime(1.0);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return Good ? 0 : 1;
}
