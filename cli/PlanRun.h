// What the commands that turn a task into jobs (compute, optimise) share:
// their common options, loading the task, Ctrl+C as the stop button, the
// progress line on a terminal, saving and the summary.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

#include "CalcPlan.h"
#include "Commands.h"

struct TRunOptions {
  std::string In, Out;  // Out empty: nothing is written
  bool Rigid = true;
  std::int32_t Threads = DefaultThreadCount();
};

// A command's own option at Args[k]: returns false when it is not one;
// otherwise moves k past the option's values and returns true, with Error
// set when they are wrong.
using TOwnOption = std::function<bool(const TArgs& Args, std::size_t& k, std::string& Error)>;

// Reads -o, --rigid, --threads, -h and the input file of Command, asking Own
// first about every option. Returns -1 when the command is to go on,
// otherwise its exit status: 0 after the help (Usage) was shown, 2 after a
// usage error was reported.
int ParseRunOptions(const char* Command, const char* Usage, const TArgs& Args, TRunOptions& Options,
                    const TOwnOption& Own = nullptr);

// Loads Options.In into Task (a new task first, with Options.Rigid) and warns
// on stderr of a search depth above what the window program takes. False,
// with the error on stderr, when the file cannot be loaded.
bool LoadRunTask(TPlan& Task, const TRunOptions& Options);

// Ctrl+C as the stop button while it lives; a second Ctrl+C ends the program
// at once. Afterwards Ctrl+C is the system's again.
class TInterruptScope {
 public:
  TInterruptScope();
  ~TInterruptScope();
  TInterruptScope(const TInterruptScope&) = delete;
  TInterruptScope& operator=(const TInterruptScope&) = delete;
};

// The progress link of a terminal: a line on stderr, redrawn a few times a
// second at most (only when Draw), and Ctrl+C as the stop button. What the
// line says is the command's (Text).
class TTerminalLink : public IProgressLink {
 public:
  explicit TTerminalLink(bool Draw) : Draw_(Draw) {}

  // A new range starts the pace of the time-left estimate again, so that a
  // second stage of the work is not measured by the first one's pace.
  void SetProgressRange(std::int32_t Min, std::int32_t Max) override;
  void SetProgressPosition(std::int32_t Position) override { Position_ = Position; }
  void ShowProgress() override;
  void RepaintProgress() override { Draw(); }
  void CloseProgress() override;
  // The search path is the search's business; a person watches the pieces.
  void SetNodeText(std::string_view) override {}
  void ProcessMessages() override { Draw(); }
  bool StopRequested() const override;
  void ShowTask() override;

  // True when Ctrl+C ended the last calculation before it was done.
  bool Stopped() const { return Stopped_; }

 protected:
  using TClock = std::chrono::steady_clock;

  // The line, given the seconds still to go (negative: not known yet).
  virtual std::string Text(double SecondsLeft) const = 0;
  // Called when the display is shown and when the task is shown.
  virtual void Refresh() {}
  // Draws the line unless it was drawn less than a moment ago (Force: now).
  void Draw(bool Force = false);

  std::int32_t Min_ = 0, Max_ = 0, Position_ = 0;

 private:
  double Estimate(TClock::time_point Now) const;

  bool Draw_;
  bool Drawn_ = false;
  bool Stopped_ = false;
  std::int32_t StartPosition_ = 0;
  TClock::time_point Start_{}, LastDraw_{};
};

// Why piece i is still pending when the calculation ended.
const char* PendingReason(const TPlan& Task, std::int32_t i, bool Stopped);
// True when a pending piece fits a sheet of which some are left: the plan
// is not complete.
bool PendingThatFits(const TPlan& Task);

// Prints the jobs, the total utilisation and the pieces still pending with
// their reasons on stdout.
void PrintSummary(TPlan& Task, bool Stopped);

// Saves Task to Options.Out, unless it is empty, and tells on stderr what a
// stop left: "<What> stopped; <Kept> was saved to OUT" (or that nothing was
// saved). False, with the error on stderr, when writing failed.
bool SaveRunResult(const TPlan& Task, const TRunOptions& Options, bool Stopped, const char* What, const char* Kept);

// ExitOk when every piece is placed, otherwise ExitPartial.
int RunStatus(const TPlan& Task);
