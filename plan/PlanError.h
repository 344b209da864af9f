// The one error type of the calculation and the task file.
#pragma once

#include <stdexcept>
#include <string>

// Carries the system's message text ("File not found", "Range check error",
// ...), which the windows show unchanged in the application's error box.
class EPlanError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

namespace PlanMessages {
inline constexpr const char* RangeCheck = "Range check error";
inline constexpr const char* FileNotFound = "File not found";
inline constexpr const char* InvalidFilename = "Invalid filename";
inline constexpr const char* TooManyOpenFiles = "Too many open files";
inline constexpr const char* AccessDenied = "File access denied";
inline constexpr const char* DiskFull = "Disk full";
inline constexpr const char* InvalidNumeric = "Invalid numeric input";
// A command that ran out of memory; the commands show it instead of the
// library's own text.
inline constexpr const char* OutOfMemory = "Out of memory";
}  // namespace PlanMessages

// "I/O error %d" with the system's error code.
std::string IoErrorText(int Code);

// The message text for a failed file operation with errno Code on Path.
// Reading distinguishes a missing file from a missing folder on the path.
std::string FileErrorText(int Code, const std::string& Path);

[[noreturn]] void RaiseRangeError();
