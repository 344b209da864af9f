#include "FuzzTask.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace fuzz {

namespace {

constexpr std::array<float, 7> ExpectedRates = {0.0f, 0.5f, 0.8f, 0.85f, 0.9f, 1.0f, 1.5f};
constexpr std::uint8_t RawRate = 7;

constexpr TLength Min64 = std::numeric_limits<TLength>::min();
constexpr TLength Max64 = std::numeric_limits<TLength>::max();

// Values where sums and products of lengths change width or sign.
constexpr std::array<TLength, 16> SpecialLengths = {
    Min64, Max64, Min64 + 1, Max64 - 1,
    INT32_MAX, TLength{1} << 31, TLength{1} << 32, TLength{1} << 53,
    TLength{1} << 60, (TLength{1} << 60) + 1, -(TLength{1} << 60), -(TLength{1} << 60) - 1,
    TLength{1} << 62, -(TLength{1} << 62), Max64 - INT32_MAX, -1};

constexpr std::uint8_t RawLength = 0xFF;

class TReader {
 public:
  TReader(const std::uint8_t* Data, std::size_t Size) : Data_(Data), Size_(Size) {}

  std::uint8_t Byte() { return Pos_ < Size_ ? Data_[Pos_++] : 0; }

  std::uint64_t Raw(int Bytes) {
    std::uint64_t Value = 0;
    for (int k = 0; k < Bytes; ++k) Value |= std::uint64_t{Byte()} << (8 * k);
    return Value;
  }

  TLength Length() {
    const std::uint8_t Tag = Byte();
    const TLength Low = Tag & 0x3F;
    switch (Tag >> 6) {
      case 0: return Low;
      case 1: return Low << 8 | Byte();
      case 2: return -(Low << 8 | Byte());
      default:
        if (Low < static_cast<TLength>(SpecialLengths.size())) return SpecialLengths[static_cast<std::size_t>(Low)];
        return static_cast<TLength>(Raw(8));
    }
  }

 private:
  const std::uint8_t* Data_;
  std::size_t Size_;
  std::size_t Pos_ = 0;
};

void PutRaw(std::string& Out, std::uint64_t Value, int Bytes) {
  for (int k = 0; k < Bytes; ++k) Out.push_back(static_cast<char>((Value >> (8 * k)) & 0xFF));
}

void PutLength(std::string& Out, TLength Value) {
  if (Value >= 0 && Value < 64) {
    Out.push_back(static_cast<char>(Value));
  } else if (Value >= 0 && Value < (1 << 14)) {
    Out.push_back(static_cast<char>(0x40 | Value >> 8));
    Out.push_back(static_cast<char>(Value & 0xFF));
  } else if (Value < 0 && Value > -(1 << 14)) {
    Out.push_back(static_cast<char>(0x80 | -Value >> 8));
    Out.push_back(static_cast<char>(-Value & 0xFF));
  } else {
    Out.push_back(static_cast<char>(RawLength));
    PutRaw(Out, static_cast<std::uint64_t>(Value), 8);
  }
}

}  // namespace

void DecodeTask(const std::uint8_t* Data, std::size_t Size, TPlan& Task) {
  TReader R(Data, Size);
  const std::uint8_t Settings = R.Byte();
  const std::uint8_t RateIndex = (Settings >> 2) & 7;
  float Rate = 0;
  if (RateIndex == RawRate) {
    const auto Bits = static_cast<std::uint32_t>(R.Raw(4));
    std::memcpy(&Rate, &Bits, sizeof Rate);
  } else {
    Rate = ExpectedRates[RateIndex];
  }
  const std::uint8_t Counts = R.Byte();
  // What NewPlan does, for the part of the record a decoding fills.
  Task.OwnerName.clear();
  Task.OwnerCode.clear();
  Task.PlanName.clear();
  Task.PlanDate = 0;
  Task.SrcCount = 0;
  Task.ObjCount = 0;
  Task.JobCount = 0;
  Task.TotalRate = 0;
  Task.ExpectedRate = Rate;
  Task.SearchDepth = (Settings >> 1) & 1;
  Task.RigidFlag = (Settings & 1) != 0;
  Task.KnifeWidth = R.Length();
  const std::int32_t Sheets = Counts % (MaxFuzzSheets + 1);
  const std::int32_t Pieces = Counts / (MaxFuzzSheets + 1) % (MaxFuzzPieces + 1);
  for (std::int32_t s = 0; s < Sheets; ++s) {
    TSrcRect Sheet{"S" + std::to_string(s + 1), 0, 0};
    Sheet.Length = R.Length();
    Sheet.Width = R.Length();
    Sheet.Stock = R.Byte() % (MaxFuzzStock + 1);
    AddSrcRect(Task, Sheet);
  }
  for (std::int32_t i = 0; i < Pieces; ++i) {
    TObjPlan Piece{"P" + std::to_string(i + 1), 0, 0, 0, 0};
    Piece.Length = R.Length();
    Piece.Width = R.Length();
    const std::uint8_t Amount = R.Byte();
    Piece.Quantity = (Amount & 0x7F) % (MaxFuzzQuantity + 1);
    Piece.Pending = Piece.Quantity;
    Piece.MayTurn = (Amount & 0x80) == 0;
    AddObjPlan(Task, Piece);
  }
}

std::string EncodeTask(const TPlan& Task) {
  std::string Out;
  const auto Found = std::find(ExpectedRates.begin(), ExpectedRates.end(), Task.ExpectedRate);
  const auto RateIndex =
      static_cast<std::uint8_t>(Found == ExpectedRates.end() ? RawRate : Found - ExpectedRates.begin());
  const std::uint8_t Depth = Task.SearchDepth > 0 ? 1 : 0;
  Out.push_back(static_cast<char>((Task.RigidFlag ? 1 : 0) | Depth << 1 | RateIndex << 2));
  if (RateIndex == RawRate) {
    std::uint32_t Bits = 0;
    std::memcpy(&Bits, &Task.ExpectedRate, sizeof Bits);
    PutRaw(Out, Bits, 4);
  }
  const std::int32_t Sheets = std::clamp(Task.SrcCount, 0, MaxFuzzSheets);
  const std::int32_t Pieces = std::clamp(Task.ObjCount, 0, MaxFuzzPieces);
  Out.push_back(static_cast<char>(Sheets + Pieces * (MaxFuzzSheets + 1)));
  PutLength(Out, Task.KnifeWidth);
  for (std::int32_t s = 1; s <= Sheets; ++s) {
    PutLength(Out, Task.SrcRects[s].Length);
    PutLength(Out, Task.SrcRects[s].Width);
    Out.push_back(static_cast<char>(std::clamp(Task.SrcRects[s].Stock, 0, MaxFuzzStock)));
  }
  for (std::int32_t i = 1; i <= Pieces; ++i) {
    PutLength(Out, Task.ObjPlans[i].Length);
    PutLength(Out, Task.ObjPlans[i].Width);
    const int Quantity = std::clamp(Task.ObjPlans[i].Quantity, 0, MaxFuzzQuantity);
    Out.push_back(static_cast<char>(Quantity | (Task.ObjPlans[i].MayTurn ? 0 : 0x80)));
  }
  return Out;
}

void CopyTables(TPlan& To, const TPlan& From) {
  To.PlanName = From.PlanName;
  To.PlanDate = From.PlanDate;
  To.SrcCount = From.SrcCount;
  To.ObjCount = From.ObjCount;
  To.KnifeWidth = From.KnifeWidth;
  To.ExpectedRate = From.ExpectedRate;
  To.SearchDepth = From.SearchDepth;
  To.RigidFlag = From.RigidFlag;
  for (std::int32_t s = 1; s <= From.SrcCount; ++s) To.SrcRects[s] = From.SrcRects[s];
  for (std::int32_t i = 1; i <= From.ObjCount; ++i) To.ObjPlans[i] = From.ObjPlans[i];
}

void Fail(const char* Fuzzer, const std::string& What, const char* Stage, const TPlan& Task) {
  std::fprintf(stderr, "%s: %s\n--- task %s:\n%s\n", Fuzzer, What.c_str(), Stage, PlanToText(Task).c_str());
  std::abort();
}

}  // namespace fuzz
