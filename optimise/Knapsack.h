// A guillotine knapsack by dynamic programming over the sheet's raster
// points (from the lengths that sums of piece sizes reach): every rectangle
// of such sizes gets the most valuable layout of one piece, or of two
// smaller rectangles side by side or one above the other, whose piece
// counts together stay within the counts at hand. Keeping only the best
// such layout per rectangle makes it a heuristic for bounded counts, but
// it reaches layouts of any number of stages, which the strip generator
// does not. Sizes are grown by the knife width as in the strip generator.
#pragma once

#include <cstdint>
#include <vector>

#include "Pattern.h"

namespace Optimise {

class TGuillotineDp {
 public:
  // Cells (rectangles) at most, and cells times piece kinds, beyond which a
  // sheet is not prepared: the memory and time grow with them.
  static constexpr std::int64_t MaxCells = 250000;
  static constexpr std::int64_t MaxCounts = 12000000;
  // Longest sheet side the normal points are worked out for.
  static constexpr std::int64_t MaxSide = 100000;

  explicit TGuillotineDp(const std::vector<TItem>& Items) : Items_(Items) {}

  // Works out the raster points of Sheet for pieces up to Counts; false
  // when the sheet is too large (Solve must not be called then).
  bool Prepare(const TSheetKind& Sheet, const std::vector<std::int32_t>& Counts);
  // The most valuable layout found for the prepared sheet with at most
  // Counts[i] copies of item i (Counts no larger than those prepared for)
  // and at most MaxRects pieces; Out.Kind is Kind, or -1 when nothing fits.
  void Solve(std::int32_t Kind, const std::vector<std::int32_t>& Counts, const std::vector<double>& Values,
             TPattern& Out);

  // Work done so far, in cells and merges looked at.
  std::int64_t Work = 0;

 private:
  enum : std::uint8_t { Empty, Piece, FromLeft, FromBelow, CutAcross, CutAlong };
  struct TCell {
    double Value = 0;
    std::int32_t Arg = 0;  // item x 2 + turned, or the cut's point index
    std::uint8_t How = Empty;
  };
  std::vector<TWide> Normal(TWide Side, bool AlongLength, const std::vector<std::int32_t>& Counts);

  const std::vector<TItem>& Items_;
  std::vector<TWide> Xs_, Ys_;
  std::vector<std::int32_t> XAt_, YAt_;  // largest point index at or below a length; -1: none
  std::vector<TCell> Cells_;
  std::vector<std::int32_t> Counts_;  // per cell, per item
};

}  // namespace Optimise
