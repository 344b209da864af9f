// The plan optimiser: a second way to turn the pieces of a task into jobs,
// beside the exact calculation (MakePlan), aiming at the least sheet area.
//
// It starts from the pieces' quantities, computes the exact plan at the
// task's own settings first and never hands back anything worse. Every job
// it hands back passes CheckLayout and the whole task CheckPlan.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "PlanRecord.h"
#include "ProgressLink.h"

namespace Optimise {

// Work units the default effort may spend. One unit is a million steps of
// the pattern generator (knapsack cells filled, pieces looked at), counted
// the same way on every machine. Chosen so that every quality task
// finishes within a few seconds on a small machine.
inline constexpr std::int64_t DefaultEffort = 100;
// Steps of the pattern generator in one work unit.
inline constexpr std::int64_t StepsPerUnit = 1000000;

struct TOptimiseParams {
  // Work budget; 0 stops after the exact plan. Never read off a clock, so
  // that the same task and effort give the same plan on any machine.
  std::int64_t Effort = DefaultEffort;
  // Generator steps in one unit of Effort (at least 1). Tests and fuzzers
  // set it far below the default to try many tasks quickly; what a step is
  // does not change.
  std::int64_t UnitSteps = StepsPerUnit;
  // Threads in all (1..TSearchTeam::MaxThreads). They may speed the work up
  // but never change the result.
  std::int32_t Threads = 1;
  // Seed of whatever randomness the algorithm uses.
  std::uint64_t Seed = 1;
  // Called with every candidate plan just before it is checked; empty in
  // normal use. Tests spoil candidates through it to prove that a plan that
  // fails CheckPlan is never handed back.
  std::function<void(TPlan&)> CandidateHook;

  // Told of every new best complete plan (the exact plan first), on the
  // thread that called OptimisePlan, with the plan in the tables' final
  // order; for a watcher such as the command line's progress line. May be
  // empty; it must not change the result.
  std::function<void(const TPlan& Best)> BestPlanFound;
};

// What a plan costs, in the order the optimiser compares plans: first the
// pieces left pending (fewer is better), then the sheet area, then the
// sheets, then the jobs.
struct TPlanCost {
  std::int64_t PendingPieces = 0;
  double SheetArea = 0;  // sum over the jobs of Count x sheet area
  std::int64_t Sheets = 0;
  std::int32_t Jobs = 0;
};

// Cost of the jobs of Task as it stands.
TPlanCost PlanCost(const TPlan& Task);
// True when a is a better plan than b.
bool Better(const TPlanCost& a, const TPlanCost& b);

struct TOptimiseOutput {
  TPlanCost Exact;     // the exact plan at the task's settings
  TPlanCost Optimised; // the plan handed back
  // The stop request ended the work early; the plan is the best complete
  // one found so far (or the exact plan, or its part when even that was
  // stopped).
  bool Stopped = false;
  std::int64_t WorkDone = 0;  // work units spent (of UnitSteps steps)
  // Empty unless the exact calculation reported a fault (its Message).
  std::string Message;
};

// Replaces the jobs of Task by an optimised plan of its pieces: first
// ClearJobs, so any jobs already there are dropped and every piece is
// pending with its quantity; pieces that fit no sheet stay pending. Uses
// Task.RigidFlag, KnifeWidth, SearchDepth and ExpectedRate as the exact
// calculation does; honours grain locks (MayTurn) and stock counts.
//
// Link: the exact calculation reports through it as in MakePlan; after
// that, SetProgressRange(0, Effort-scaled maximum), SetProgressPosition as
// work is done, SetNodeText with a short text on the best plan so far, and
// StopRequested() is polled often enough to end within 0.1 s. ShowTask() is
// called once the final plan is in Task. Task is touched only at the end
// (and by the exact calculation's own reporting).
//
// Throws what MakePlan throws (EPlanError "Range check error").
void OptimisePlan(TPlan& Task, const TOptimiseParams& Params, IProgressLink& Link,
                  TOptimiseOutput& Output);

}  // namespace Optimise
