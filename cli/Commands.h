// The subcommands of tavikplan. Each takes its own arguments (without the
// program and subcommand names) and returns the exit status.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

using TArgs = std::vector<std::string>;

// Exit statuses shared by the subcommands.
inline constexpr int ExitOk = 0;
inline constexpr int ExitError = 1;      // bad input; message on stderr
inline constexpr int ExitUsage = 2;      // bad command line
inline constexpr int ExitPartial = 3;    // compute, optimise: pieces still pending

// The program as --version names it.
inline constexpr const char* ProductName = "Tavik Vadi";
inline constexpr const char* ProductVersion = "1.0.0";

// Reports a usage error of Command ("" for the program itself) on stderr in
// one line, with a hint where the help is, and returns ExitUsage.
int UsageError(const std::string& Command, const std::string& Text);

int RunShow(const TArgs& Args);
int RunCompute(const TArgs& Args);
int RunOptimise(const TArgs& Args);
int RunPrint(const TArgs& Args);

// Text helpers for terminal output (UTF-8).
std::string TerminalText(const std::string& GbkBytes);
std::string FormatPercent(float Fraction);  // 0.8753 -> "87.53%"
std::string FormatPlanDate(double DayCount);  // "2024-03-15 08:30"
// Terminal columns of UTF-8 Text: wide (CJK) characters count two.
int DisplayWidth(const std::string& Text);
// Pads UTF-8 Text with spaces to Columns terminal columns; a longer text is
// returned as it is.
std::string PadRight(const std::string& Text, int Columns);
// How often a layout is cut: "once" for 1, otherwise "N times".
std::string TimesText(std::int32_t Count);
// The progress line of compute: a bar, the pieces placed of Total, the jobs
// so far and the time left (Seconds < 0: not known yet).
std::string ProgressLine(std::int64_t Placed, std::int64_t Total, std::int32_t Jobs, double Seconds);
// The progress line of optimise: a bar over the work (Done of Total), the
// sheets and utilisation of the best plan so far and the time left (Seconds
// < 0: not known yet). Sheets < 0: no complete plan yet, and Done of Total
// are the pieces the exact plan has placed.
std::string OptimiseProgressLine(std::int64_t Done, std::int64_t Total, std::int64_t Sheets, float Rate,
                                 double Seconds);
