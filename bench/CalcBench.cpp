// Computes every task of the benchmark folder (NAME.tsk, NAME.rigid,
// NAME.out.tsk) with one thread and with the machine's default number. First
// each task in a child process of its own for each thread count, so that its
// peak memory is its own: the best time of a few runs, their ratio, search
// nodes, peak memory, and whether each result is byte-identical to
// NAME.out.tsk and passes the layout checker, with the processor time of the
// one-thread run (steadier on a busy machine). Then Google Benchmark times
// each task with both thread counts.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <ctime>
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
  double CpuSeconds = 0;  // of the same run: on a busy machine the steadier figure
  unsigned long long Nodes = 0;
  long PeakKiB = 0;
  int Identical = 0;
  int Valid = 0;
};

constexpr int Runs = 5;  // the time of a task is the best of this many runs

double CpuNow() {
  timespec T{};
  ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &T);
  return static_cast<double>(T.tv_sec) + static_cast<double>(T.tv_nsec) * 1e-9;
}

// Computes T in a child process with Threads threads and reports what it saw.
TOutcome RunIsolated(const TBenchTask& T, std::int32_t Threads) {
  int Pipe[2];
  TOutcome Out;
  if (::pipe(Pipe) != 0) return Out;
  const pid_t Child = ::fork();
  if (Child == 0) {
    ::close(Pipe[0]);
    TOutcome R;
    R.Identical = R.Valid = 1;
    R.Seconds = 1e9;
    try {
      const auto Source = Load(T);
      const std::string Expected = ReadAll(T.Expected);
      auto Task = std::make_unique<TPlan>();
      for (int Run = 0; Run < Runs; ++Run) {
        *Task = *Source;
        TNullProgressLink Link;
        TSearchStats Stats;
        std::string Message;
        const double CpuStart = CpuNow();
        const auto Start = std::chrono::steady_clock::now();
        MakePlan(*Task, Message, Link, &Stats, Threads);
        const double Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count();
        if (Seconds < R.Seconds) {
          R.Seconds = Seconds;
          R.CpuSeconds = CpuNow() - CpuStart;
        }
        R.Nodes = Stats.Nodes;
        R.Identical = R.Identical && PlanToText(*Task) == Expected;
        R.Valid = R.Valid && Message.empty() && CheckPlan(*Task).empty();
      }
    } catch (const EPlanError&) {
      R.Identical = R.Valid = 0;
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

const char* Verdict(const TOutcome& R) {
  if (!R.Identical) return "DIFFERS from .out.tsk";
  return R.Valid ? "identical, valid" : "identical, INVALID";
}

bool ReportOutcomes(const std::vector<TBenchTask>& Tasks, std::int32_t Threads) {
  std::printf("%-20s %10s %10s %7s %10s %10s %9s  %-18s %s\n", "task", "1 thread", "threads", "ratio", "1 thr CPU",
              "nodes", "peak MiB", "1 thread", "threads");
  std::printf("%-20s %10s %9d %7s %10s %10s %9s\n", "", "[s]", Threads, "", "[s]", "", "");
  double Total1 = 0, TotalN = 0, TotalCpu = 0;
  std::string Targets;  // the tasks with targets of their own
  bool AllGood = true;
  long Peak = 0;
  for (const TBenchTask& T : Tasks) {
    const TOutcome One = RunIsolated(T, 1);
    const TOutcome Many = RunIsolated(T, Threads);
    Total1 += One.Seconds;
    TotalN += Many.Seconds;
    TotalCpu += One.CpuSeconds;
    Peak = std::max({Peak, One.PeakKiB, Many.PeakKiB});
    char Line[160];
    if (T.Name == "cabinet20_d2") {
      std::snprintf(Line, sizeof Line, "cabinet20_d2: %.4f s with 1 thread (target 0.10 s)\n", One.Seconds);
      Targets += Line;
    }
    if (T.Name == "cabinet20_d2" || T.Name == "classic_cu2_d2" || T.Name == "classic_cw3_d2") {
      std::snprintf(Line, sizeof Line, "%s: %.2f times faster with %d threads (target 1.4)\n", T.Name.c_str(),
                    Many.Seconds > 0 ? One.Seconds / Many.Seconds : 0.0, Threads);
      Targets += Line;
    }
    const bool Good = One.Identical && One.Valid && Many.Identical && Many.Valid && One.Nodes == Many.Nodes;
    AllGood = AllGood && Good;
    std::printf("%-20s %10.4f %10.4f %7.2f %10.4f %10llu %9.1f  %-18s %s%s\n", T.Name.c_str(), One.Seconds,
                Many.Seconds, Many.Seconds > 0 ? One.Seconds / Many.Seconds : 0.0, One.CpuSeconds, One.Nodes,
                static_cast<double>(std::max(One.PeakKiB, Many.PeakKiB)) / 1024, Verdict(One), Verdict(Many),
                One.Nodes == Many.Nodes ? "" : ", NODE COUNTS DIFFER");
  }
  std::printf("all %zu tasks: %.4f s with 1 thread (target 0.35 s), %.4f s with %d (target 0.23 s), ratio %.2f\n",
              Tasks.size(), Total1, TotalN, Threads, TotalN > 0 ? Total1 / TotalN : 0.0);
  std::fputs(Targets.c_str(), stdout);
  std::printf("all %zu tasks: %.4f s of processor time with 1 thread (the wall times above include any time the "
              "machine gave to others)\n",
              Tasks.size(), TotalCpu);
  std::printf("each time the best of %d runs, load and save excluded; peak %.1f MiB per task, %.1f MiB of it the "
              "program itself (target 16 MiB)\n",
              Runs, static_cast<double>(Peak) / 1024, static_cast<double>(BaselinePeakKiB()) / 1024);
  std::printf("validity: %s\n\n", AllGood ? "every result identical to .out.tsk and valid, with the same node count "
                                             "for either number of threads"
                                           : "SOME RESULTS WRONG");
  return AllGood;
}

void ComputeTask(benchmark::State& State, const TBenchTask& T, std::int32_t Threads) {
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
    MakePlan(*Task, Message, Link, &Stats, Threads);
    Nodes = Stats.Nodes;
    benchmark::DoNotOptimize(Task->JobCount);
  }
  State.counters["nodes"] = static_cast<double>(Nodes);
  State.counters["nodes/s"] =
      benchmark::Counter(static_cast<double>(Nodes) * static_cast<double>(State.iterations()), benchmark::Counter::kIsRate);
}

// Computes the tasks named (all when none is) once each with one thread in
// this process and prints their nodes and verdicts: a run to profile.
int RunOnce(const std::vector<TBenchTask>& Tasks, int argc, char** argv) {
  bool Good = true;
  for (const TBenchTask& T : Tasks) {
    if (argc > 2 && std::find(argv + 2, argv + argc, T.Name) == argv + argc) continue;
    auto Task = Load(T);
    TNullProgressLink Link;
    TSearchStats Stats;
    std::string Message;
    MakePlan(*Task, Message, Link, &Stats, 1);
    const bool Identical = PlanToText(*Task) == ReadAll(T.Expected);
    Good = Good && Identical;
    std::printf("%-20s %10llu nodes  %s\n", T.Name.c_str(), static_cast<unsigned long long>(Stats.Nodes),
                Identical ? "identical" : "DIFFERS from .out.tsk");
  }
  return Good ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const auto Tasks = FindTasks(TAVIK_BENCH_TASKS_DIR);
  // tavik_bench --once [NAME...]: for callgrind.
  if (argc > 1 && std::string(argv[1]) == "--once") return RunOnce(Tasks, argc, argv);
  const std::int32_t Threads = DefaultThreadCount();
  const bool Good = ReportOutcomes(Tasks, Threads);
  for (const TBenchTask& T : Tasks)
    for (const std::int32_t N : {1, Threads})
      benchmark::RegisterBenchmark((T.Name + "/threads:" + std::to_string(N)).c_str(),
                                   [T, N](benchmark::State& S) { ComputeTask(S, T, N); })
          ->Unit(benchmark::kMillisecond)
          ->MinTime(1.0)
          ->UseRealTime();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return Good ? 0 : 1;
}
