// The small tasks that the calculation fuzzer computes, decoded from the
// fuzzer's bytes, and the encoding that turns a task file into a seed.
//
// Layout of the bytes (missing bytes read as 0):
//   settings  bit 0 RigidFlag, bit 1 SearchDepth (0 or 1), bits 2-4 the
//             expected utilisation (see ExpectedRates; 7 takes the next four
//             bytes as the raw bits of a float)
//   counts    SrcCount = byte % 5 (0..4), ObjCount = byte / 5 % 7 (0..6)
//   length    KnifeWidth
//   per sheet length Length, length Width, byte Stock % 8 (0: as many as
//             needed)
//   per piece length Length, length Width, byte: bits 0-6 Quantity % 13
//             (Pending too), bit 7 set keeps the piece's direction (grain)
// A length starts with a tag byte: 00xxxxxx is 0..63; 01xxxxxx and the next
// byte a 14-bit value; 10xxxxxx the same negated; 11xxxxxx picks one of
// SpecialLengths (index < 16) or takes the next eight bytes as a raw value.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "CalcPlan.h"

namespace fuzz {

inline constexpr std::int32_t MaxFuzzSheets = 4;
inline constexpr std::int32_t MaxFuzzPieces = 6;
// At most 72 pieces a task: a task of many small pieces costs the plain
// search of the search fuzzer hundreds of times as much as a typical one.
inline constexpr std::int32_t MaxFuzzQuantity = 12;
inline constexpr std::int32_t MaxFuzzStock = 7;

// Fills Task from the bytes, as NewPlan and AddSrcRect / AddObjPlan would.
// Only the settings, the counts and the entries a decoding can fill are
// reset, not the whole record (nearly 2 MB, which would cost more than most
// calculations of these tasks): entries above the counts keep what earlier
// runs left there, which nothing reads.
void DecodeTask(const std::uint8_t* Data, std::size_t Size, TPlan& Task);

// The bytes that decode to the settings, the first sheets and pieces of
// Task, with depth, quantities and stock brought into the decoder's range.
std::string EncodeTask(const TPlan& Task);

// Copies the settings and the sheet and piece entries in use of From into
// To, which keeps its jobs and everything above the counts.
void CopyTables(TPlan& To, const TPlan& From);

// Reports a fault a fuzzer found, "Fuzzer: What" and the task as Stage
// left it, on stderr, and aborts, so that libFuzzer keeps the input.
[[noreturn]] void Fail(const char* Fuzzer, const std::string& What, const char* Stage, const TPlan& Task);

// Asks to stop once a given number of search nodes have let messages run,
// as a user pressing the stop button part-way would.
class TStopLink final : public IProgressLink {
 public:
  explicit TStopLink(long Rounds) : Rounds_(Rounds) {}
  void SetProgressRange(std::int32_t, std::int32_t) override {}
  void SetProgressPosition(std::int32_t) override {}
  void ShowProgress() override { Stopped_ = false; }
  void RepaintProgress() override {}
  void CloseProgress() override { Stopped_ = true; }
  void SetNodeText(std::string_view) override {}
  void ProcessMessages() override {
    if (--Rounds_ <= 0) Stopped_ = true;
  }
  bool StopRequested() const override { return Stopped_; }
  void ShowTask() override {}

 private:
  long Rounds_;
  bool Stopped_ = false;
};

}  // namespace fuzz
