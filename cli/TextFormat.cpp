#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>

#include "Commands.h"
#include "GbkText.h"

int UsageError(const std::string& Command, const std::string& Text) {
  const std::string Program = Command.empty() ? "tavikplan" : "tavikplan " + Command;
  std::fprintf(stderr, "%s: %s\nRun '%s --help' for usage.\n", Program.c_str(), Text.c_str(), Program.c_str());
  return ExitUsage;
}

std::string TerminalText(const std::string& GbkBytes) {
  // A name is the file's text: an escape sequence in it must not reach the
  // terminal, where it could move the cursor, retitle the window or worse.
  QString Text = FromGbk(GbkBytes);
  for (QChar& c : Text)
    if (c.category() == QChar::Other_Control) c = QLatin1Char('?');
  return Text.toStdString();
}

std::string FormatPercent(float Fraction) {
  char Buf[64];
  std::snprintf(Buf, sizeof Buf, "%.2f%%", static_cast<double>(Fraction) * 100.0);
  return Buf;
}

std::string FormatPlanDate(double DayCount) {
  using namespace std::chrono;
  // Day counts start at 1899-12-30; dates far outside any calendar are shown
  // as the number they are.
  if (!std::isfinite(DayCount) || DayCount < -693593 || DayCount > 2958466) {
    char Buf[64];
    std::snprintf(Buf, sizeof Buf, "%g", DayCount);
    return Buf;
  }
  const double Day = std::floor(DayCount);
  const auto Minutes = static_cast<int>(std::lround((DayCount - Day) * 24 * 60));
  const sys_days Date = sys_days{year{1899} / December / 30} + days{static_cast<int>(Day)};
  const year_month_day Ymd{Date + days{Minutes / (24 * 60)}};
  const int Rest = Minutes % (24 * 60);
  char Buf[64];
  std::snprintf(Buf, sizeof Buf, "%04d-%02u-%02u %02d:%02d", static_cast<int>(Ymd.year()),
                static_cast<unsigned>(Ymd.month()), static_cast<unsigned>(Ymd.day()), Rest / 60, Rest % 60);
  return Buf;
}

namespace {

bool Wide(char32_t C) {
  return (C >= 0x1100 && C <= 0x115F) || (C >= 0x2E80 && C <= 0xA4CF) || (C >= 0xAC00 && C <= 0xD7A3) ||
         (C >= 0xF900 && C <= 0xFAFF) || (C >= 0xFE30 && C <= 0xFE4F) || (C >= 0xFF00 && C <= 0xFF60) ||
         (C >= 0xFFE0 && C <= 0xFFE6) || (C >= 0x20000 && C <= 0x3FFFD);
}

}  // namespace

int DisplayWidth(const std::string& Text) {
  int Used = 0;
  for (std::size_t k = 0; k < Text.size();) {
    const auto B = static_cast<unsigned char>(Text[k]);
    const int Len = B < 0x80 ? 1 : B < 0xE0 ? 2 : B < 0xF0 ? 3 : 4;
    char32_t C = Len == 1 ? B : B & (0x7F >> Len);
    for (int m = 1; m < Len && k + static_cast<std::size_t>(m) < Text.size(); ++m)
      C = (C << 6) | (static_cast<unsigned char>(Text[k + static_cast<std::size_t>(m)]) & 0x3F);
    Used += Wide(C) ? 2 : 1;
    k += static_cast<std::size_t>(Len);
  }
  return Used;
}

std::string PadRight(const std::string& Text, int Columns) {
  const int Used = DisplayWidth(Text);
  return Used >= Columns ? Text : Text + std::string(static_cast<std::size_t>(Columns - Used), ' ');
}

std::string TimesText(std::int32_t Count) { return Count == 1 ? "once" : std::to_string(Count) + " times"; }

namespace {

// "[#####...............] " for the fraction Done of Total.
std::string ProgressBar(std::int64_t Done, std::int64_t Total) {
  constexpr int BarWidth = 20;
  const double Part = Total > 0 ? std::clamp(static_cast<double>(Done) / static_cast<double>(Total), 0.0, 1.0) : 0;
  const int Filled = static_cast<int>(Part * BarWidth);
  return "[" + std::string(static_cast<std::size_t>(Filled), '#') +
         std::string(static_cast<std::size_t>(BarWidth - Filled), '.') + "] ";
}

std::string TimeLeftText(double Seconds) {
  if (Seconds < 0 || !std::isfinite(Seconds)) return "estimating the time left";
  const long long Whole = Seconds < 1e9 ? static_cast<long long>(Seconds) : 999999999LL;
  char Buf[64];
  std::snprintf(Buf, sizeof Buf, "about %lld:%02lld:%02lld left", Whole / 3600, Whole / 60 % 60, Whole % 60);
  return Buf;
}

}  // namespace

std::string ProgressLine(std::int64_t Placed, std::int64_t Total, std::int32_t Jobs, double Seconds) {
  std::string Line = ProgressBar(Placed, Total);
  Line += std::to_string(Placed) + " of " + std::to_string(Total) + " pieces placed, ";
  Line += std::to_string(Jobs) + (Jobs == 1 ? " job" : " jobs") + ", ";
  return Line + TimeLeftText(Seconds);
}

std::string OptimiseProgressLine(std::int64_t Done, std::int64_t Total, std::int64_t Sheets, float Rate,
                                 double Seconds) {
  if (Sheets < 0)
    return ProgressBar(Done, Total) + "exact plan first: " + std::to_string(Done) + " of " + std::to_string(Total) +
           " pieces placed, " + TimeLeftText(Seconds);
  return ProgressBar(Done, Total) + "best plan so far: " + std::to_string(Sheets) +
         (Sheets == 1 ? " sheet, " : " sheets, ") + FormatPercent(Rate) + " used, " + TimeLeftText(Seconds);
}
