// The small tasks that the calculation fuzzer computes, decoded from the
// fuzzer's bytes, and the encoding that turns a task file into a seed.
//
// Layout of the bytes (missing bytes read as 0):
//   settings  bit 0 RigidFlag, bit 1 SearchDepth (0 or 1), bits 2-4 the
//             expected utilisation (see ExpectedRates; 7 takes the next four
//             bytes as the raw bits of a float)
//   counts    SrcCount = byte % 5 (0..4), ObjCount = byte / 5 % 7 (0..6)
//   length    KnifeWidth
//   per sheet length Length, length Width
//   per piece length Length, length Width, byte Quantity % 21 (Pending too)
// A length starts with a tag byte: 00xxxxxx is 0..63; 01xxxxxx and the next
// byte a 14-bit value; 10xxxxxx the same negated; 11xxxxxx picks one of
// SpecialLengths (index < 16) or takes the next eight bytes as a raw value.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "CalcPlan.h"

namespace fuzz {

inline constexpr std::int32_t MaxFuzzSheets = 4;
inline constexpr std::int32_t MaxFuzzPieces = 6;
inline constexpr std::int32_t MaxFuzzQuantity = 20;

// Fills Task (which NewPlan resets first) from the bytes.
void DecodeTask(const std::uint8_t* Data, std::size_t Size, TPlan& Task);

// The bytes that decode to the settings, the first sheets and pieces of
// Task, with depth and quantities brought into the decoder's range.
std::string EncodeTask(const TPlan& Task);

}  // namespace fuzz
