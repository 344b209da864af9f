#include "TaskFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <random>

#include "PlanError.h"

namespace {

// The block of values that the classic lines lack: a marker line, then the
// number of lists, then each list as its number of values followed by one
// value a line. The lists known here: the pieces' turn permissions, the
// sheets' stock counts. docs/task-file-extras.md describes it.
constexpr std::string_view ExtrasMarker = "[Tavik Vadi extras]";
constexpr std::int32_t ExtraListCount = 2;
// More lists than any version will write: a count beyond it is damage.
constexpr std::int32_t MaxExtraLists = 1000;

// ---------------------------------------------------------------- writing

void PutLine(std::string& Out, std::string_view Text) {
  Out.append(Text);
  Out.append("\r\n");
}

void PutInt(std::string& Out, std::int64_t Value) {
  char Buf[24];
  auto Res = std::to_chars(Buf, Buf + sizeof Buf, Value);
  PutLine(Out, std::string_view(Buf, static_cast<std::size_t>(Res.ptr - Buf)));
}

// A task that uses none of the values the classic lines lack is written
// exactly as older installations write it.
bool HasExtras(const TPlan& Task) {
  for (std::int32_t i = 1; i <= Task.ObjCount; ++i)
    if (!Task.ObjPlans[i].MayTurn) return true;
  for (std::int32_t i = 1; i <= Task.SrcCount; ++i)
    if (Task.SrcRects[i].Stock != 0) return true;
  return false;
}

void PutExtras(std::string& Out, const TPlan& Task) {
  PutLine(Out, ExtrasMarker);
  PutInt(Out, ExtraListCount);
  PutInt(Out, Task.ObjCount);
  for (std::int32_t i = 1; i <= Task.ObjCount; ++i) PutInt(Out, Task.ObjPlans[i].MayTurn ? 1 : 0);
  PutInt(Out, Task.SrcCount);
  for (std::int32_t i = 1; i <= Task.SrcCount; ++i) PutInt(Out, Task.SrcRects[i].Stock);
}

}  // namespace

std::string FormatFloatF(double Value) {
  if (std::isnan(Value)) return " NAN";
  if (std::isinf(Value)) return Value < 0 ? "-INF" : " INF";
  if (Value == 0) return " 0.00000000000000E+0000";

  // The digits below must be the true expansion, not already rounded by
  // printf: the precision covers every significant digit of the exact value
  // (800 would do for any double, but costs a lot more). Value is m * 2^q
  // with m odd; m * 5^-q (q < 0) or m * 2^q has at most 16 digits for m
  // plus 0.699 digits per factor 5, 0.302 per factor 2.
  int BinaryExponent = 0;
  const double Fraction = std::frexp(std::fabs(Value), &BinaryExponent);
  auto Mantissa = static_cast<std::uint64_t>(std::ldexp(Fraction, 53));
  int Shift = BinaryExponent - 53;
  while ((Mantissa & 1) == 0) {
    Mantissa >>= 1;
    ++Shift;
  }
  const double PerFactor = Shift < 0 ? 0.69897000433601886 : 0.30102999566398120;
  const int Precision = std::min(800, 18 + static_cast<int>(std::ceil(std::abs(Shift) * PerFactor)));
  char Buf[1100];
  std::snprintf(Buf, sizeof Buf, "%.*e", Precision, std::fabs(Value));
  char Digits[16];
  Digits[0] = Buf[0];
  std::memcpy(Digits + 1, Buf + 2, 14);  // skip the point
  const char* ExpText = std::strchr(Buf, 'e');
  int Exponent = std::atoi(ExpText + 1);
  if (Buf[16] >= '5') {  // first dropped digit: a 5 rounds the magnitude up
    int k = 14;
    while (k >= 0 && Digits[k] == '9') Digits[k--] = '0';
    if (k >= 0) {
      ++Digits[k];
    } else {
      Digits[0] = '1';
      ++Exponent;
    }
  }
  char Out[40];
  std::snprintf(Out, sizeof Out, "%c%c.%.14sE%c%04d", Value < 0 ? '-' : ' ', Digits[0], Digits + 1,
                Exponent < 0 ? '-' : '+', std::abs(Exponent));
  return Out;
}

std::string PlanToText(const TPlan& Task) {
  // Room for the whole file at once: most numbers are short, the texts are
  // counted.
  std::size_t Room = 256 + Task.PlanName.size() + Task.OwnerName.size() + Task.OwnerCode.size();
  for (std::int32_t i = 1; i <= Task.SrcCount; ++i) Room += 24 + Task.SrcRects[i].Name.size();
  for (std::int32_t i = 1; i <= Task.ObjCount; ++i) Room += 40 + Task.ObjPlans[i].Name.size();
  for (std::int32_t j = 1; j <= Task.JobCount; ++j)
    Room += 32 + 24 * static_cast<std::size_t>(std::max(0, Task.Jobs[j].PointCount)) +
            32 * static_cast<std::size_t>(std::max(0, Task.Jobs[j].RectCount));
  std::string Out;
  Out.reserve(Room);
  PutInt(Out, Task.SrcCount);
  PutInt(Out, Task.ObjCount);
  PutInt(Out, Task.JobCount);
  PutInt(Out, Task.KnifeWidth);
  PutLine(Out, FormatFloatF(Task.ExpectedRate));
  PutInt(Out, Task.SearchDepth);
  for (std::int32_t i = 1; i <= Task.SrcCount; ++i) {
    const TSrcRect& S = Task.SrcRects[i];
    PutLine(Out, S.Name);
    PutInt(Out, S.Length);
    PutInt(Out, S.Width);
  }
  for (std::int32_t i = 1; i <= Task.ObjCount; ++i) {
    const TObjPlan& O = Task.ObjPlans[i];
    PutLine(Out, O.Name);
    PutInt(Out, O.Length);
    PutInt(Out, O.Width);
    PutInt(Out, O.Pending);
    PutInt(Out, O.Quantity);
  }
  for (std::int32_t j = 1; j <= Task.JobCount; ++j) {
    const TJob& J = Task.Jobs[j];
    PutInt(Out, J.SheetNo);
    PutInt(Out, J.Count);
    PutInt(Out, J.PointCount);
    for (std::int32_t k = 1; k <= J.PointCount; ++k) {
      PutInt(Out, J.Points[k].X);
      PutInt(Out, J.Points[k].Y);
      PutInt(Out, J.Points[k].Kind);
    }
    PutInt(Out, J.RectCount);
    for (std::int32_t k = 1; k <= J.RectCount; ++k) {
      PutInt(Out, J.Rects[k].ObjNo);
      PutInt(Out, J.Rects[k].X);
      PutInt(Out, J.Rects[k].Y);
      PutInt(Out, J.Rects[k].Rotated);
    }
  }
  PutLine(Out, Task.PlanName);
  PutLine(Out, FormatFloatF(Task.PlanDate));
  PutLine(Out, Task.OwnerName);
  PutLine(Out, Task.OwnerCode);
  if (HasExtras(Task)) PutExtras(Out, Task);
  return Out;
}

namespace {

// ---------------------------------------------------------------- reading

// Bytes of a task file, from memory or streamed from an open file.
class TByteSource {
 public:
  explicit TByteSource(std::string_view Text) : Cur_(Text.data()), End_(Text.data() + Text.size()) {}
  // Reads Fd through Buffer (of BufferSize bytes).
  TByteSource(int Fd, char* Buffer) : Fd_(Fd), Buffer_(Buffer) {}

  static constexpr std::size_t BufferSize = 64 * 1024;

  int Peek() {
    if (Cur_ == End_ && !Refill()) return -1;
    return static_cast<unsigned char>(*Cur_);
  }
  // The next byte, consumed.
  int Get() {
    const int C = Peek();
    if (C == '\n') {
      EndLine();
    } else if (C >= 0) {
      Consume(1);
    }
    return C;
  }
  // Skips bytes of code 32 or lower (blanks, control characters, line ends).
  void SkipBlanks() {
    while (Cur_ != End_ || Refill()) {
      const char* P = Cur_;
      while (P != End_ && static_cast<unsigned char>(*P) <= 32 && *P != '\n') ++P;
      Consume(static_cast<std::size_t>(P - Cur_));
      if (P == End_) continue;
      if (*P != '\n') return;
      EndLine();
    }
  }
  // Takes bytes above code 32 into Out, at most Max of them; their count.
  std::size_t TakeToken(char* Out, std::size_t Max) {
    std::size_t Taken = 0;
    while (Taken < Max && (Cur_ != End_ || Refill())) {
      const char* P = Cur_;
      while (P != End_ && Taken < Max && static_cast<unsigned char>(*P) > 32) Out[Taken++] = *P++;
      const bool Stopped = P != End_;
      Consume(static_cast<std::size_t>(P - Cur_));
      if (Stopped) break;
    }
    return Taken;
  }
  // Appends the rest of the current line without its LF to Out (null: drops
  // it) and moves past the LF.
  void TakeLine(std::string* Out) {
    while (Cur_ != End_ || Refill()) {
      const auto* Lf = static_cast<const char*>(std::memchr(Cur_, '\n', static_cast<std::size_t>(End_ - Cur_)));
      const char* Start = Cur_;
      const auto N = static_cast<std::size_t>((Lf != nullptr ? Lf : End_) - Cur_);
      Consume(N);  // before the append: a line too long is never held
      if (Out != nullptr) Out->append(Start, N);
      if (Lf != nullptr) {
        EndLine();
        return;
      }
    }
  }
  bool AtEnd() { return Peek() < 0; }

 private:

  // Moves past N bytes of the current line, none of them its LF. A line
  // longer than MaxLineBytes fails with "Range check error" as soon as its
  // first byte too many is reached, so that no reader holds more of it; the
  // byte past the limit may still be the CR of the line end.
  void Consume(std::size_t N) {
    if (N == 0) return;
    const char Last = Cur_[N - 1];
    Cur_ += N;
    LineBytes_ += N;
    if (LineBytes_ > MaxLineBytes && !(LineBytes_ == MaxLineBytes + 1 && Last == '\r')) RaiseRangeError();
  }
  // Moves past the LF at the current position.
  void EndLine() {
    ++Cur_;
    LineBytes_ = 0;
  }

  bool Refill() {
    if (Fd_ < 0 || Eof_) return false;
    for (;;) {
      ssize_t N = ::read(Fd_, Buffer_, BufferSize);
      if (N > 0) {
        Cur_ = Buffer_;
        End_ = Cur_ + N;
        return true;
      }
      if (N == 0) {
        Eof_ = true;
        return false;
      }
      if (errno != EINTR) throw EPlanError(FileErrorText(errno, std::string()));
    }
  }

  const char* Cur_ = nullptr;
  const char* End_ = nullptr;
  std::size_t LineBytes_ = 0;  // of the current line so far, without its LF
  int Fd_ = -1;
  bool Eof_ = false;
  char* Buffer_ = nullptr;
};

class TTaskReader {
 public:
  explicit TTaskReader(TByteSource& Src) : Src_(Src) {}

  // Form I into a field of the given range; out of range is not a number.
  std::int64_t ReadInt(std::int64_t Min, std::int64_t Max) {
    char Buffer[32];
    const std::string_view Token = ReadToken(Buffer, sizeof Buffer);
    if (Token.empty()) return 0;
    std::size_t k = 0;
    bool Negative = false;
    if (Token[0] == '+' || Token[0] == '-') {
      Negative = Token[0] == '-';
      k = 1;
    }
    if (k == Token.size()) InvalidNumber();
    // Accumulate as a negative value so that the minimum is representable;
    // 18 digits cannot leave the range, so only longer numbers are checked
    // at every digit.
    const bool Short = Token.size() - k <= 18;
    std::int64_t Value = 0;
    for (; k < Token.size(); ++k) {
      char C = Token[k];
      if (C < '0' || C > '9') InvalidNumber();
      int D = C - '0';
      if (!Short && Value < (std::numeric_limits<std::int64_t>::min() + D) / 10) InvalidNumber();
      Value = Value * 10 - D;
    }
    if (!Negative) {
      if (Value == std::numeric_limits<std::int64_t>::min()) InvalidNumber();
      Value = -Value;
    }
    if (Value < Min || Value > Max) InvalidNumber();
    return Value;
  }

  std::int32_t ReadInt32() {
    return static_cast<std::int32_t>(ReadInt(INT32_MIN, INT32_MAX));
  }
  std::int64_t ReadInt64() { return ReadInt(INT64_MIN, INT64_MAX); }
  // Kind and Rotated keep the low 8 bits of the integer read.
  std::uint8_t ReadByte() { return static_cast<std::uint8_t>(ReadInt32() & 0xFF); }

  // Count of a table: above Capacity fails when entry Capacity + 1 would be
  // read, so the caller checks; a negative count reads nothing and is 0.
  std::int32_t ReadCount() {
    std::int32_t N = ReadInt32();
    return N < 0 ? 0 : N;
  }

  // Form F: plain decimal or exponent form with a point.
  double ReadFloat() {
    char Buffer[64];
    const std::string_view Token = ReadToken(Buffer, sizeof Buffer);
    if (Token.empty()) return 0;
    std::size_t k = 0;
    bool Negative = false;
    if (Token[0] == '+' || Token[0] == '-') {
      Negative = Token[0] == '-';
      k = 1;
    }
    // Check the shape first: from_chars would also take "inf", "nan" or hex.
    std::size_t Start = k, MantDigits = 0;
    while (k < Token.size() && Token[k] >= '0' && Token[k] <= '9') ++k, ++MantDigits;
    if (k < Token.size() && Token[k] == '.') {
      ++k;
      while (k < Token.size() && Token[k] >= '0' && Token[k] <= '9') ++k, ++MantDigits;
    }
    if (MantDigits == 0) InvalidNumber();
    if (k < Token.size() && (Token[k] == 'e' || Token[k] == 'E')) {
      ++k;
      if (k < Token.size() && (Token[k] == '+' || Token[k] == '-')) ++k;
      std::size_t ExpDigits = 0;
      while (k < Token.size() && Token[k] >= '0' && Token[k] <= '9') ++k, ++ExpDigits;
      if (ExpDigits == 0) InvalidNumber();
    }
    if (k != Token.size()) InvalidNumber();
    // from_chars wants no '+' in the exponent; drop it.
    char Digits[64];
    std::size_t Length = 0;
    for (std::size_t i = Start; i < Token.size(); ++i)
      if (!(Token[i] == '+' && (Token[i - 1] == 'e' || Token[i - 1] == 'E'))) Digits[Length++] = Token[i];
    const std::string_view Body(Digits, Length);
    double Value = 0;
    auto Res = std::from_chars(Body.data(), Body.data() + Body.size(), Value, std::chars_format::general);
    if (Res.ptr != Body.data() + Body.size()) InvalidNumber();
    if (Res.ec == std::errc::result_out_of_range) {
      // Too small even for the smallest subnormal: zero, as everywhere else.
      // Too large for a double: no value at all.
      if (DecimalExponent(Body) >= 0) InvalidNumber();
      Value = 0;
    } else if (Res.ec != std::errc()) {
      InvalidNumber();
    }
    return Negative ? -Value : Value;
  }

  // Form F into a single. A value beyond its range would become an infinity,
  // which a saved file could not hold, so it is not a number here.
  float ReadSingle() {
    const auto Value = static_cast<float>(ReadFloat());
    if (std::isinf(Value)) InvalidNumber();
    return Value;
  }

  bool AtEnd() { return Src_.AtEnd(); }

  // True when only blanks and control characters are left.
  bool OnlyBlanksLeft() {
    Src_.SkipBlanks();
    return Src_.AtEnd();
  }

  // A number of the extras block: unlike the classic lines, a block that
  // ends before its counts say is damaged, not a shorter task.
  std::int64_t ReadBlockInt(std::int64_t Min, std::int64_t Max) {
    if (OnlyBlanksLeft()) RaiseRangeError();
    const std::int64_t Value = ReadInt(INT64_MIN, INT64_MAX);
    if (Value < Min || Value > Max) RaiseRangeError();
    return Value;
  }

  // Whether the next line is exactly Marker (its line end aside). Reading
  // stops at the first byte that differs: what follows the classic lines
  // and is not the marker is ignored, however long.
  bool ReadMarkerLine(std::string_view Marker) {
    for (const char M : Marker) {
      if (Src_.Peek() != static_cast<unsigned char>(M)) return false;
      Src_.Get();
    }
    if (Src_.Peek() == '\r') Src_.Get();
    return Src_.Peek() < 0 || Src_.Get() == '\n';
  }

  // Form T: the rest of the current line without its line end, into Text
  // (whose storage is used again).
  void ReadText(std::string& Text) {
    Text.clear();
    Src_.TakeLine(&Text);
    if (!Text.empty() && Text.back() == '\r') Text.pop_back();
  }
  // Passes over a line, whatever it holds.
  void SkipLine() { Src_.TakeLine(nullptr); }

 private:
  [[noreturn]] static void InvalidNumber() { throw EPlanError(PlanMessages::InvalidNumeric); }

  // The power of ten of the first nonzero digit of a float's text (digits,
  // an optional point and digits, an optional exponent), held at a billion
  // either way. Only asked for a value beyond the double range, which has a
  // nonzero digit.
  static long long DecimalExponent(std::string_view Body) {
    const std::size_t ExpAt = std::min(Body.find_first_of("eE"), Body.size());
    const std::size_t Point = std::min(Body.find('.'), ExpAt);
    const std::size_t First = Body.substr(0, ExpAt).find_first_of("123456789");
    long long Power = First < Point ? static_cast<long long>(Point - First) - 1 : -static_cast<long long>(First - Point);
    long long Exponent = 0;
    bool Minus = false;
    for (std::size_t k = ExpAt + 1; k < Body.size(); ++k) {
      if (Body[k] == '-') {
        Minus = true;
      } else if (Exponent < 1000000000) {
        Exponent = Exponent * 10 + (Body[k] - '0');
      }
    }
    return Power + (Minus ? -Exponent : Exponent);
  }

  // Skips blanks and control characters (so also empty lines), takes the
  // number's characters and then skips the rest of its line.
  std::string_view ReadToken(char* Buffer, std::size_t MaxChars) {
    Src_.SkipBlanks();
    const std::size_t Length = Src_.TakeToken(Buffer, MaxChars);
    Src_.TakeLine(nullptr);
    return {Buffer, Length};
  }

  TByteSource& Src_;
};

void CheckCapacity(std::int32_t Entry, std::int32_t Capacity) {
  if (Entry > Capacity) RaiseRangeError();
}

// The extras block after the classic lines. Lists this version does not
// know (written by a later one) are skipped by their counts.
void ReadExtras(TPlan& Task, TTaskReader& R) {
  const auto Lists = static_cast<std::int32_t>(R.ReadBlockInt(0, MaxExtraLists));
  for (std::int32_t List = 1; List <= Lists; ++List) {
    if (List == 1) {
      if (R.ReadBlockInt(0, INT32_MAX) != Task.ObjCount) RaiseRangeError();
      for (std::int32_t i = 1; i <= Task.ObjCount; ++i) Task.ObjPlans[i].MayTurn = R.ReadBlockInt(0, 1) == 1;
    } else if (List == 2) {
      if (R.ReadBlockInt(0, INT32_MAX) != Task.SrcCount) RaiseRangeError();
      for (std::int32_t i = 1; i <= Task.SrcCount; ++i)
        Task.SrcRects[i].Stock = static_cast<std::int32_t>(R.ReadBlockInt(0, INT32_MAX));
    } else {
      // One value a line, whatever its form.
      for (auto Values = R.ReadBlockInt(0, INT32_MAX); Values > 0; --Values) {
        if (R.AtEnd()) RaiseRangeError();
        R.SkipLine();
      }
    }
  }
}

// Reads the whole file into Task (a scratch copy of the caller's task).
void ReadPlan(TPlan& Task, TByteSource& Src) {
  TTaskReader R(Src);
  Task.SrcCount = R.ReadCount();
  Task.ObjCount = R.ReadCount();
  Task.JobCount = R.ReadCount();
  Task.KnifeWidth = R.ReadInt64();
  Task.ExpectedRate = R.ReadSingle();
  Task.SearchDepth = R.ReadInt32();

  // The counts are left at what was read until the loop below passes the
  // capacity; the error then ends the load before anyone sees them.
  for (std::int32_t i = 1; i <= Task.SrcCount; ++i) {
    CheckCapacity(i, MaxSrcRects);
    TSrcRect& S = Task.SrcRects[i];
    R.ReadText(S.Name);
    S.Length = R.ReadInt64();
    S.Width = R.ReadInt64();
    S.Stock = 0;  // unless the extras block says otherwise
  }
  for (std::int32_t i = 1; i <= Task.ObjCount; ++i) {
    CheckCapacity(i, MaxObjPlans);
    TObjPlan& O = Task.ObjPlans[i];
    R.ReadText(O.Name);
    O.Length = R.ReadInt64();
    O.Width = R.ReadInt64();
    O.Pending = R.ReadInt32();
    O.Quantity = R.ReadInt32();
    O.MayTurn = true;  // unless the extras block says otherwise
  }
  for (std::int32_t j = 1; j <= Task.JobCount; ++j) {
    CheckCapacity(j, MaxJobs);
    TJob& J = Task.Jobs[j];
    J.SheetNo = R.ReadInt32();
    // Every later reader indexes the sheet table with this number.
    if (J.SheetNo < 1 || J.SheetNo > Task.SrcCount) RaiseRangeError();
    J.Count = R.ReadInt32();
    J.PointCount = R.ReadCount();
    for (std::int32_t k = 1; k <= J.PointCount; ++k) {
      CheckCapacity(k, MaxPoints);
      TCornerPoint& P = J.Points[k];
      P.X = R.ReadInt64();
      P.Y = R.ReadInt64();
      P.Kind = static_cast<TPointKind>(R.ReadByte());
    }
    J.RectCount = R.ReadCount();
    for (std::int32_t k = 1; k <= J.RectCount; ++k) {
      CheckCapacity(k, MaxRects);
      TPlacedRect& P = J.Rects[k];
      P.ObjNo = R.ReadInt32();
      if (P.ObjNo < 1 || P.ObjNo > Task.ObjCount) RaiseRangeError();
      P.X = R.ReadInt64();
      P.Y = R.ReadInt64();
      P.Rotated = R.ReadByte();
    }
  }
  R.ReadText(Task.PlanName);
  Task.PlanDate = R.ReadFloat();
  R.ReadText(Task.OwnerName);
  R.ReadText(Task.OwnerCode);
  if (R.ReadMarkerLine(ExtrasMarker)) ReadExtras(Task, R);
}

// The record a load reads into before it changes anything in the task, and
// the buffer a file is read through: one of each per thread, kept from load
// to load, since a fresh copy of the whole task per load would cost more
// than reading most files. Between loads its entries
// hold whatever the last load read; a load reads only what it writes.
struct TLoadScratch {
  TPlan Record;
  char Buffer[TByteSource::BufferSize];
};

TLoadScratch& Scratch() {
  thread_local std::unique_ptr<TLoadScratch> Kept;
  if (!Kept) Kept = std::make_unique<TLoadScratch>();
  return *Kept;
}

// Moves what a complete load read from Read into Task: the fields the file
// holds, for the entries within the counts read. Everything else in Task
// (RigidFlag, TotalRate, each job's Rate, entries above the counts) stays.
// Cannot fail, so that a load changes the task wholly or not at all.
void CommitLoad(TPlan& Task, TPlan& Read) noexcept {
  Task.OwnerName.swap(Read.OwnerName);
  Task.OwnerCode.swap(Read.OwnerCode);
  Task.PlanName.swap(Read.PlanName);
  Task.PlanDate = Read.PlanDate;
  Task.SrcCount = Read.SrcCount;
  Task.ObjCount = Read.ObjCount;
  Task.JobCount = Read.JobCount;
  Task.KnifeWidth = Read.KnifeWidth;
  Task.ExpectedRate = Read.ExpectedRate;
  Task.SearchDepth = Read.SearchDepth;
  for (std::int32_t i = 1; i <= Read.SrcCount; ++i) {
    TSrcRect &To = Task.SrcRects[i], &From = Read.SrcRects[i];
    To.Name.swap(From.Name);
    To.Length = From.Length;
    To.Width = From.Width;
    To.Stock = From.Stock;
  }
  for (std::int32_t i = 1; i <= Read.ObjCount; ++i) {
    TObjPlan &To = Task.ObjPlans[i], &From = Read.ObjPlans[i];
    To.Name.swap(From.Name);
    To.Length = From.Length;
    To.Width = From.Width;
    To.Pending = From.Pending;
    To.Quantity = From.Quantity;
    To.MayTurn = From.MayTurn;
  }
  for (std::int32_t j = 1; j <= Read.JobCount; ++j) {
    TJob &To = Task.Jobs[j];
    const TJob& From = Read.Jobs[j];
    To.SheetNo = From.SheetNo;
    To.Count = From.Count;
    To.PointCount = From.PointCount;
    std::copy_n(From.Points.At(1), From.PointCount, To.Points.At(1));
    To.RectCount = From.RectCount;
    std::copy_n(From.Rects.At(1), From.RectCount, To.Rects.At(1));
  }
}

void LoadFromSource(TPlan& Task, TByteSource& Src) {
  TPlan& Read = Scratch().Record;
  ReadPlan(Read, Src);
  CommitLoad(Task, Read);
}

// A failed system call inside a save, carried to the one place that turns
// it into the message text.
struct TSystemError {
  int Code;
};

// Closes a descriptor on every way out.
struct TFdCloser {
  int Fd;
  ~TFdCloser() {
    if (Fd >= 0) ::close(Fd);
  }
};

[[noreturn]] void RaiseFileError(int Code, const std::string& Path) {
  throw EPlanError(FileErrorText(Code, Path));
}

void WriteAll(int Fd, const std::string& Bytes) {
  const char* P = Bytes.data();
  std::size_t Left = Bytes.size();
  while (Left > 0) {
    ssize_t N = ::write(Fd, P, Left);
    if (N < 0) {
      if (errno == EINTR) continue;
      throw TSystemError{errno};
    }
    P += N;
    Left -= static_cast<std::size_t>(N);
  }
}

std::string FolderOf(const std::string& Path) {
  auto Slash = Path.find_last_of('/');
  if (Slash == std::string::npos) return ".";
  if (Slash == 0) return "/";
  return Path.substr(0, Slash);
}

// Writes Bytes to an existing character device (/dev/null, a terminal):
// such a file cannot be replaced by a rename.
void WriteInPlace(const std::string& Path, const std::string& Bytes) {
  // Without waiting: if a pipe took the device's place since it was looked
  // at, the open must not block until some reader comes.
  int Fd = ::open(Path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (Fd < 0) RaiseFileError(errno, Path);
  TFdCloser Closer{Fd};
  struct stat St {};
  if (::fstat(Fd, &St) != 0 || !S_ISCHR(St.st_mode)) RaiseFileError(EACCES, Path);
  (void)::fcntl(Fd, F_SETFL, ::fcntl(Fd, F_GETFL) & ~O_NONBLOCK);
  try {
    WriteAll(Fd, Bytes);
  } catch (const TSystemError& E) {
    RaiseFileError(E.Code, Path);
  }
}

// This machine's name as a temporary name carries it: in a folder that
// several machines share, a process id says nothing about another machine's
// processes. Bytes that do not belong in a file name become '_'.
const std::string& HostTag() {
  static const std::string Tag = [] {
    char Name[256] = {};
    if (::gethostname(Name, sizeof Name - 1) != 0) Name[0] = 0;
    std::string Result;
    for (const char* P = Name; *P != 0 && Result.size() < 64; ++P) {
      const char C = *P;
      const bool Plain = (C >= 'a' && C <= 'z') || (C >= 'A' && C <= 'Z') || (C >= '0' && C <= '9') || C == '-' ||
                         C == '_' || C == '.';
      Result.push_back(Plain ? C : '_');
    }
    return Result.empty() ? std::string("localhost") : Result;
  }();
  return Tag;
}

// The start of the temporary names of saves of Target on this machine:
// ".<name>.<host>.", followed by "<pid>-<8 hex digits>.tmp". A long target
// name is shortened in it, at the start of a UTF-8 character, so that the
// temporary name is itself a valid name whatever the process id.
std::string TemporaryPrefix(const std::string& Target) {
  const std::size_t Slash = Target.find_last_of('/');
  const std::string Base = Target.substr(Slash == std::string::npos ? 0 : Slash + 1);
  constexpr std::size_t LongestTail = 10 + 1 + 8 + 4;  // "<pid>-<hex>.tmp", the largest pid
  const std::size_t Fixed = 1 + 1 + HostTag().size() + 1 + LongestTail;
  std::size_t Keep = std::min(Base.size(), static_cast<std::size_t>(NAME_MAX) - Fixed);
  while (Keep > 0 && Keep < Base.size() && (static_cast<unsigned char>(Base[Keep]) & 0xC0) == 0x80) --Keep;
  return "." + Base.substr(0, Keep) + "." + HostTag() + ".";
}

// Creates a new, empty temporary file in Folder whose name starts with
// Prefix; returns its descriptor and name.
int CreateTemporary(const std::string& Folder, const std::string& Prefix, std::string& TempPath, mode_t Mode) {
  static std::mt19937_64 Random{std::random_device{}()};
  for (int Attempt = 0; Attempt < 100; ++Attempt) {
    // The process id sets apart processes forked from one another, whose
    // generators would otherwise repeat the same names.
    char Tail[48];
    std::snprintf(Tail, sizeof Tail, "%ld-%08llx.tmp", static_cast<long>(::getpid()),
                  static_cast<unsigned long long>(Random() & 0xFFFFFFFFu));
    TempPath = Folder + "/" + Prefix + Tail;
    int Fd = ::open(TempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, Mode);
    if (Fd >= 0) return Fd;
    if (errno != EEXIST) return -1;
  }
  errno = EEXIST;
  return -1;
}

// Removes the temporary files of earlier saves of the same file on this
// machine whose process is gone (killed while saving): names of Prefix
// followed by another process id that no longer runs. A name that does not
// fit exactly, or that another machine's save made, is left alone.
void RemoveLeftovers(const std::string& Folder, const std::string& Prefix) {
  DIR* Entries = ::opendir(Folder.c_str());
  if (!Entries) return;
  while (const dirent* Entry = ::readdir(Entries)) {
    const std::string_view Other = Entry->d_name;
    if (Other.size() < Prefix.size() + 14 || Other.compare(0, Prefix.size(), Prefix) != 0) continue;
    // What follows the prefix: "<pid>-<8 hex digits>.tmp".
    const std::string_view Rest = Other.substr(Prefix.size());
    const std::size_t Sep = Rest.find('-');
    if (Sep == std::string_view::npos || Sep == 0 || Sep > 10 || Rest.size() != Sep + 1 + 8 + 4 ||
        Rest.substr(Sep + 9) != ".tmp")
      continue;
    if (Rest.find_first_not_of("0123456789") != Sep ||
        Rest.substr(Sep + 1, 8).find_first_not_of("0123456789abcdef") != std::string_view::npos)
      continue;
    long Pid = 0;
    std::from_chars(Rest.data(), Rest.data() + Sep, Pid);
    if (Pid <= 0 || Pid == static_cast<long>(::getpid())) continue;
    if (::kill(static_cast<pid_t>(Pid), 0) == 0 || errno != ESRCH) continue;  // still running, or not ours to know
    ::unlinkat(::dirfd(Entries), std::string(Other).c_str(), 0);
  }
  ::closedir(Entries);
}

// A text that the file could not give back as it is: one longer than a
// line may be, or one that holds a line feed.
bool UnsavableText(const std::string& Text) {
  return Text.size() > MaxLineBytes || Text.find('\n') != std::string::npos;
}

bool HasUnsavableText(const TPlan& Task) {
  if (UnsavableText(Task.PlanName) || UnsavableText(Task.OwnerName) || UnsavableText(Task.OwnerCode)) return true;
  for (std::int32_t i = 1; i <= Task.SrcCount && i <= MaxSrcRects; ++i)
    if (UnsavableText(Task.SrcRects[i].Name)) return true;
  for (std::int32_t i = 1; i <= Task.ObjCount && i <= MaxObjPlans; ++i)
    if (UnsavableText(Task.ObjPlans[i].Name)) return true;
  return false;
}

}  // namespace

void PlanFromText(TPlan& Task, std::string_view Text) {
  TByteSource Src(Text);
  LoadFromSource(Task, Src);
}

namespace {

// Only a regular file is a task file. A device such as /dev/zero never
// ends, and blanks before a number are skipped, so reading it would never
// return; opening a pipe waits for a writer, perhaps for ever; a socket
// cannot be opened at all; and opening some devices already does something.
void CheckReadable(const struct stat& St, const std::string& Path) {
  if (S_ISDIR(St.st_mode)) RaiseFileError(EISDIR, Path);
  if (!S_ISREG(St.st_mode)) RaiseFileError(EACCES, Path);
}

}  // namespace

void LoadPlan(TPlan& Task, const std::string& Path) {
  if (Path.empty() || Path.find('\0') != std::string::npos) throw EPlanError(PlanMessages::InvalidFilename);
  struct stat St {};
  if (::stat(Path.c_str(), &St) != 0) RaiseFileError(errno, Path);
  CheckReadable(St, Path);
  // Without waiting, should a pipe have taken the file's place meanwhile.
  int Fd = ::open(Path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (Fd < 0) RaiseFileError(errno, Path);
  TFdCloser Closer{Fd};
  if (::fstat(Fd, &St) != 0) RaiseFileError(errno, Path);
  CheckReadable(St, Path);
  TByteSource Src(Fd, Scratch().Buffer);
  LoadFromSource(Task, Src);
}

void SavePlan(const TPlan& Task, const std::string& Path) {
  if (Path.empty() || Path.find('\0') != std::string::npos) throw EPlanError(PlanMessages::InvalidFilename);
  // A file that would not load back as this task is not written at all.
  if (HasUnsavableText(Task)) RaiseRangeError();
  const std::string Bytes = PlanToText(Task);

  // Replace what a link points to, not the link itself, also when the file
  // it names does not exist yet.
  std::string Target = Path;
  struct stat St {};
  for (int Hops = 0; Hops < 40 && ::lstat(Target.c_str(), &St) == 0 && S_ISLNK(St.st_mode); ++Hops) {
    char Link[4096];
    const ssize_t N = ::readlink(Target.c_str(), Link, sizeof Link - 1);
    if (N <= 0) break;
    const std::string To(Link, static_cast<std::size_t>(N));
    Target = To[0] == '/' ? To : FolderOf(Target) + "/" + To;
  }
  bool Exists = ::stat(Target.c_str(), &St) == 0;
  if (Exists && S_ISDIR(St.st_mode)) RaiseFileError(EISDIR, Path);
  if (Exists && S_ISCHR(St.st_mode)) {
    WriteInPlace(Target, Bytes);
    return;
  }
  // A pipe would hold the save until a reader comes, a socket takes no
  // writes, and a task written over a disk would destroy it.
  if (Exists && !S_ISREG(St.st_mode)) RaiseFileError(EACCES, Path);
  // The rename below would replace a file that its owner made read-only;
  // writing it in place would have been refused, so refuse it here too.
  if (Exists && ::faccessat(AT_FDCWD, Target.c_str(), W_OK, AT_EACCESS) != 0) RaiseFileError(errno, Path);

  const std::string Folder = FolderOf(Target);
  const std::string Prefix = TemporaryPrefix(Target);
  std::string TempPath;
  int Fd = CreateTemporary(Folder, Prefix, TempPath, 0666);
  if (Fd < 0) RaiseFileError(errno, Path);
  try {
    TFdCloser Closer{Fd};
    if (Exists) {
      // Keep the file's permissions and, where allowed, its owner.
      (void)::fchmod(Fd, St.st_mode & 07777);
      if (St.st_uid != ::geteuid() || St.st_gid != ::getegid()) (void)!::fchown(Fd, St.st_uid, St.st_gid);
    }
    WriteAll(Fd, Bytes);
    if (::fsync(Fd) != 0) throw TSystemError{errno};
    Closer.Fd = -1;
    if (::close(Fd) != 0) throw TSystemError{errno};
    if (::rename(TempPath.c_str(), Target.c_str()) != 0) throw TSystemError{errno};
  } catch (const TSystemError& E) {
    ::unlink(TempPath.c_str());
    RaiseFileError(E.Code, Path);
  }
  // Make the rename itself durable; a failure here loses nothing.
  int Dir = ::open(Folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (Dir >= 0) {
    (void)::fsync(Dir);
    ::close(Dir);
  }
  RemoveLeftovers(Folder, Prefix);
}
