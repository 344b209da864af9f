// The calculation driver: turns the pending pieces of a task into jobs.
#pragma once

#include <string>

#include "PlanRecord.h"
#include "ProgressLink.h"
#include "Search.h"

// The message of a failed RecordJob (UTF-8).
inline constexpr const char* JobCountMessage = "算法设计错误，作业数量大于任务数量!";

// Orders the sheet table ascending and the piece table descending by the
// larger side, then appends jobs until every piece is placed, no sheet size
// takes a pending piece, the link asks to stop, or the job table is full
// (the pass that would need job MaxJobs + 1 leaves the task as it was).
// Message is empty unless recording a job failed. Throws
// EPlanError("Range check error") when the total quantity does not fit the
// progress bar's 32-bit range.
//
// Threads (1..TSearchTeam::MaxThreads) share each search; the plan and the
// node count are the same for any number. The link and Task are used on
// the calling thread only.
void MakePlan(TPlan& Task, std::string& Message, IProgressLink& Link, TSearchStats* Stats = nullptr,
              std::int32_t Threads = 1);
// The same with a team of threads the caller keeps, for a program that
// computes again and again: starting the threads anew costs a short
// calculation as much as its search. The team must not be busy otherwise.
void MakePlan(TPlan& Task, std::string& Message, IProgressLink& Link, TSearchStats* Stats, TSearchTeam& Team);

// Searches every sheet size with stock left, smallest first, and returns in
// Job the first layout that reaches ExpectedRate, else the best one; SheetNo
// is 0 when no such sheet size gave a positive utilisation. Task is only
// read. Team, when given, shares the searches.
void ChooseJob(const TPlan& Task, TJob& Job, IProgressLink& Link, TSearchStats* Stats = nullptr,
               TSearchTeam* Team = nullptr);

// Sets Job.Count to the most sheets that can be cut without producing more
// of any piece than is pending, nor cutting more sheets of its size than
// its stock has left, lowers the pending counts and appends the
// job. When that count is 0 or less, sets Message to JobCountMessage and
// changes nothing; otherwise Message becomes empty.
void RecordJob(TPlan& Task, TJob& Job, std::string& Message);

// The search path of the first node for job JobNo on sheet SheetNo:
// "作业:<JobNo> 毛坯:<SheetNo> 计划:" (UTF-8).
std::string JobPath(std::int32_t JobNo, std::int32_t SheetNo);
