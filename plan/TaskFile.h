// The task file (*.tsk): one value per line, CR LF line ends, fixed order,
// texts as raw GBK bytes. Older installations read and write the same bytes.
// Turn permissions and stock counts that differ from their defaults follow
// the classic lines in a block of their own, which older installations never
// read (docs/task-file-extras.md).
#pragma once

#include <string>
#include <string_view>

#include "PlanRecord.h"

// The longest line of a task file, in bytes, its line end not counted. Far
// above any real name (the grids' editors take 32,767 characters, at most
// two bytes each in GBK); it bounds what a damaged file makes a load hold.
inline constexpr std::size_t MaxLineBytes = 64 * 1024;

// Writes Task to Path. The file is written to a temporary file in the same
// folder and renamed over Path only when complete, so a failed save leaves
// the previous file as it was. An existing file that may not be written
// (read-only) is not replaced; a character device (/dev/null) is written in
// place; a pipe, a socket or a block device is refused with "File access
// denied". A task with a text that the file could not give back (longer
// than MaxLineBytes, or holding a line feed) is refused with "Range check
// error" before anything is written. The temporary name holds this
// machine's name and the process id; temporary files that earlier saves of
// Path on this machine left when their process was killed are removed.
// Throws EPlanError with the system's message text ("Disk full", "File
// access denied", "Invalid filename", ...).
void SavePlan(const TPlan& Task, const std::string& Path);

// Reads Path into Task. The file is read into a scratch record and Task is
// changed only when the whole file was read: on failure (EPlanError with
// "File not found", "Invalid numeric input", "Range check error", ...)
// Task is unchanged. A load replaces exactly what the file holds; fields
// not in the file (RigidFlag, TotalRate, each job's Rate, entries above the
// counts) keep their values. Anything but a regular file (a folder, a
// device, a pipe, a socket) is refused with "File access denied", without
// waiting. A line longer than MaxLineBytes fails with "Range check error".
// A damaged extras block fails with "Invalid numeric input" or "Range check
// error"; without one, every piece read may turn and every sheet size read
// has stock 0. Not for two threads at once on the same Task; each thread
// keeps one scratch record of its own.
void LoadPlan(TPlan& Task, const std::string& Path);

// The bytes SavePlan writes for Task.
std::string PlanToText(const TPlan& Task);

// LoadPlan on bytes already in memory; same rules and errors.
void PlanFromText(TPlan& Task, std::string_view Text);

// Form F: a value written as exactly 23 characters, sign (space or minus),
// 15 significant digits rounded half up from the exact binary value, "E",
// exponent sign and four exponent digits: " 8.00000011920929E-0001".
std::string FormatFloatF(double Value);
