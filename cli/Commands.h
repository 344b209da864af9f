// The subcommands of tavikplan. Each takes its own arguments (without the
// program and subcommand names) and returns the exit status.
#pragma once

#include <string>
#include <vector>

using TArgs = std::vector<std::string>;

// Exit statuses shared by the subcommands.
inline constexpr int ExitOk = 0;
inline constexpr int ExitError = 1;      // bad input; message on stderr
inline constexpr int ExitUsage = 2;      // bad command line
inline constexpr int ExitPartial = 3;    // compute: pieces still pending

int RunShow(const TArgs& Args);
int RunCompute(const TArgs& Args);
int RunPrint(const TArgs& Args);

// Text helpers for terminal output (UTF-8).
std::string TerminalText(const std::string& GbkBytes);
std::string FormatPercent(float Fraction);  // 0.8753 -> "87.53%"
std::string FormatPlanDate(double DayCount);  // "2024-03-15 08:30"
// Pads UTF-8 Text with spaces to Columns terminal columns (CJK counts two).
std::string PadRight(const std::string& Text, int Columns);
