// Computes every task of the benchmark folder twice, both with the default
// number of threads: headless (MakePlan with the do-nothing progress link,
// starting its threads as tavikplan does) and through the main window's
// compute command with the real progress dialog, on the offscreen platform
// (the window keeps its threads from one calculation to the next). Prints
// both times, their ratio (target: at most 1.15), the search nodes and
// whether both results are identical and valid.
#include <QApplication>
#include <QTest>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "Answers.h"
#include "BenchTasks.h"
#include "CalcPlan.h"
#include "Unit2.h"
#include "frmRect.h"

namespace {

constexpr int Rounds = 5;  // each time is the best of this many runs

// Nobody answers during a benchmark: a question is a fault of the set-up.
class TNoAnswers final : public IAnswers {
 public:
  int Asked = 0;
  bool AskYesNo(QWidget*, TQuestion, const QString&) override { return ++Asked, false; }
  void ShowError(QWidget*, const QString&) override { ++Asked; }
  void ShowMessage(QWidget*, const QString&) override { ++Asked; }
  QString OpenFileName(QWidget*, const QString&, const QString&) override { return ++Asked, QString(); }
  QString SaveFileName(QWidget*, const QString&, const QString&) override { return ++Asked, QString(); }
  bool PrinterSetup(QWidget*, QPrinter&) override { return ++Asked, false; }
};

using TClock = std::chrono::steady_clock;

double Seconds(TClock::time_point Start) { return std::chrono::duration<double>(TClock::now() - Start).count(); }

}  // namespace

int main(int argc, char** argv) {
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication Application(argc, argv);
  TNoAnswers Answers;
  TAnswersScope Scope(Answers);
  TForm1 Form1;
  TForm2 Form2;
  Form1.SetProgressDialog(&Form2);
  Form1.resize(1280, 800);
  Form1.show();
  if (!QTest::qWaitForWindowExposed(&Form1)) std::fprintf(stderr, "the main window was not exposed\n");

  std::printf("threads: %d\n", DefaultThreadCount());
  std::printf("%-20s %12s %12s %7s %10s  %s\n", "task", "headless [s]", "window [s]", "ratio", "nodes", "result");
  double TotalHeadless = 0;
  double TotalWindow = 0;
  bool AllGood = true;
  for (const TBenchTask& T : FindTasks(TAVIK_BENCH_TASKS_DIR)) {
    auto Source = std::make_unique<TPlan>();
    NewPlan(*Source, 1, 0, 1.0f);
    Source->RigidFlag = T.Rigid;
    LoadPlan(*Source, T.Input);

    double Headless = 1e9;
    double Window = 1e9;
    std::string HeadlessResult;
    std::string WindowResult;
    TSearchStats Stats;
    auto Task = std::make_unique<TPlan>();
    for (int Round = 0; Round < Rounds; ++Round) {
      *Task = *Source;
      TNullProgressLink Link;
      Stats = TSearchStats{};
      std::string Message;
      const auto Start = TClock::now();
      MakePlan(*Task, Message, Link, &Stats, DefaultThreadCount());
      Headless = std::min(Headless, Seconds(Start));
      HeadlessResult = PlanToText(*Task);

      // The window's task is the one it computes; changed, so that Compute
      // starts over without a question.
      Form1.Task() = *Source;
      Form1.SetModified(true);
      Form1.ShowTask();
      QApplication::processEvents();
      const auto WindowStart = TClock::now();
      Form1.N5Click();
      Window = std::min(Window, Seconds(WindowStart));
      WindowResult = PlanToText(Form1.Task());
    }
    const bool Good = HeadlessResult == WindowResult && CheckPlan(Form1.Task()).empty() && Answers.Asked == 0;
    AllGood = AllGood && Good;
    TotalHeadless += Headless;
    TotalWindow += Window;
    std::printf("%-20s %12.4f %12.4f %7.3f %10llu  %s\n", T.Name.c_str(), Headless, Window, Window / Headless,
                static_cast<unsigned long long>(Stats.Nodes),
                Good ? "identical and valid" : "DIFFERS, INVALID or a question was asked");
  }
  std::printf("all tasks: headless %.4f s, window %.4f s, ratio %.3f (target at most 1.15)\n", TotalHeadless,
              TotalWindow, TotalWindow / TotalHeadless);
  std::printf("validity: %s\n", AllGood ? "every window result identical to the headless one and valid"
                                        : "SOME RESULTS WRONG");
  return AllGood ? 0 : 1;
}
