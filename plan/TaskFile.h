// The task file (*.tsk): one value per line, CR LF line ends, fixed order,
// texts as raw GBK bytes. Older installations read and write the same bytes.
// Turn permissions and stock counts that differ from their defaults follow
// the classic lines in a block of their own, which older installations never
// read (docs/task-file-extras.md).
#pragma once

#include <string>
#include <string_view>

#include "PlanRecord.h"

// Writes Task to Path. The file is written to a temporary file in the same
// folder and renamed over Path only when complete, so a failed save leaves
// the previous file as it was. An existing file that may not be written
// (read-only) is not replaced. Temporary files that earlier saves of Path
// left when their process was killed are removed. Throws EPlanError with
// the system's message text ("Disk full", "File access denied", "Invalid
// filename", ...).
void SavePlan(const TPlan& Task, const std::string& Path);

// Reads Path into Task. The file is read into a copy of Task and the copy
// replaces Task only when the whole file was read: on failure (EPlanError
// with "File not found", "Invalid numeric input", "Range check error", ...)
// Task is unchanged. Fields not in the file (RigidFlag, TotalRate, each
// job's Rate, entries above the counts) keep their values. Folders and
// devices are refused with "File access denied". A damaged extras block
// fails with "Invalid numeric input" or "Range check error"; without one,
// every piece may turn and every sheet size has stock 0.
void LoadPlan(TPlan& Task, const std::string& Path);

// The bytes SavePlan writes for Task.
std::string PlanToText(const TPlan& Task);

// LoadPlan on bytes already in memory; same rules and errors.
void PlanFromText(TPlan& Task, std::string_view Text);

// Form F: a value written as exactly 23 characters, sign (space or minus),
// 15 significant digits rounded half up from the exact binary value, "E",
// exponent sign and four exponent digits: " 8.00000011920929E-0001".
std::string FormatFloatF(double Value);
