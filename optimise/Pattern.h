// Cutting patterns for one sheet: a guillotine knapsack that fills a sheet
// with pieces of given values, never more of a piece than is at hand.
//
// The knife width K is taken care of by growing every size by K: pieces
// that touch in the grown sizes lie at least K apart in the real ones, and
// a grown piece that ends on the grown sheet's edge ends K before it, which
// the real sheet allows. A through cut between grown pieces is a cut the
// guillotine check accepts, with the knife's path on its low side.
#pragma once

#include <cstdint>
#include <vector>

#include "Geometry.h"
#include "PlanRecord.h"

namespace Optimise {

// One piece kind, sizes grown by the knife width.
struct TItem {
  std::int32_t Obj = 0;  // number in the task's piece table
  TWide A = 0;           // Length + K
  TWide B = 0;           // Width + K
  bool Allowed[2] = {true, true};  // orientation 0 and 1 (OrientationAllowed)
  double Area = 0;                 // real area, for utilisation
};

// One sheet size, grown by the knife width.
struct TSheetKind {
  std::int32_t Sheet = 0;  // number in the task's sheet table
  TWide L = 0;             // Length + K
  TWide W = 0;             // Width + K
  double Area = 0;         // real area
};

// A piece on the sheet: its low corner in sheet coordinates and whether it
// is turned (the real orientation, as in TPlacedRect).
struct TPlace {
  std::int32_t Item = 0;  // index into the item list
  TWide X = 0;
  TWide Y = 0;
  std::uint8_t Rot = 0;
};

struct TPattern {
  std::int32_t Kind = -1;  // index into the sheet kinds; -1: nothing placed
  std::vector<TPlace> Places;
  double Value = 0;  // sum of the pieces' values
  double Used = 0;   // real area of the pieces
};

// Knobs of the generator that vary between search chains.
struct TGenParams {
  // Strips are scored by value / (height + HeightBias x sheet height):
  // above 0 favours tall strips, below 0 thin ones.
  double HeightBias = 0;
  // Strip heights whose exact fill is worked out (the rest are only
  // estimated).
  std::int32_t ExactStrips = 3;
  // The next strip is taken from the best combination of estimated strips
  // that fills the sheet's remaining height (a knapsack over the height);
  // otherwise simply the strip of the best score.
  bool Combine = true;
  // Layouts tried per side of the sheet: the k-th starts with the k-th best
  // first strip, and the most valuable of them is kept.
  std::int32_t FirstStrips = 1;
};

// Reusable scratch and the work counter of one thread.
class TGenerator {
 public:
  explicit TGenerator(const std::vector<TItem>& Items) : Items_(Items) {}

  // Fills Sheet with at most Counts[i] copies of item i, aiming at the
  // largest sum of Values; at most MaxRects pieces. Tries strips along
  // both sides of the sheet and keeps the better.
  void Generate(const TSheetKind& Sheet, std::int32_t Kind, const std::vector<std::int32_t>& Counts,
                const std::vector<double>& Values, const TGenParams& Params, TPattern& Out);

  // Work done so far, in counted steps (knapsack cells, pieces looked at).
  std::int64_t Work = 0;

 private:
  struct TOrient {
    TWide U = 0, V = 0;  // extents along and across the strip
    std::uint8_t Rot = 0;
    bool Ok = false;
  };
  struct TFrame {
    TWide U = 0, V = 0;  // sheet along and across the strips
    bool Swap = false;   // strips run along the sheet's Width
  };
  struct TColumn {
    std::int32_t Item = 0;
    std::int32_t Copies = 0;
    TOrient O;
  };
  struct TCand {
    double Key = 0;
    std::int32_t Item = 0;
    std::int32_t Copies = 0;
    TOrient O;
  };
  struct TRect {
    TWide U = 0, V = 0, W = 0, H = 0;
  };

  TOrient Orient(const TFrame& F, std::int32_t i, std::uint8_t Rot) const;
  TOrient BestFor(const TFrame& F, std::int32_t i, TWide Height) const;
  // Fills the frame strip by strip; the first strip is the Forced-th best
  // one. False when fewer first strips exist.
  bool Fill(const TFrame& F, const std::vector<double>& Values, const TGenParams& Params, std::int32_t Forced,
            TPattern& Out);
  double EstimateStrip(const TFrame& F, const std::vector<double>& Values, TWide Height, std::int32_t& Support);
  void CombineStrips(TWide RemV);
  double ExactStrip(const TFrame& F, const std::vector<double>& Values, TWide Height,
                    std::vector<TColumn>& Columns);
  void FillRect(const TFrame& F, const std::vector<double>& Values, TWide U0, TWide V0, TWide W, TWide H,
                TPattern& Out);
  void Put(const TFrame& F, std::int32_t i, const TOrient& O, TWide U, TWide V, const std::vector<double>& Values,
           TPattern& Out);

  const std::vector<TItem>& Items_;
  std::vector<std::int32_t> Left_;
  // Scratch of the strip knapsack.
  std::vector<double> Best_;
  std::vector<std::uint8_t> Take_;
  std::vector<TColumn> Units_, Columns_, Trial_;
  std::vector<TCand> Cands_;
  std::vector<std::pair<double, std::int32_t>> Order_;
  std::vector<TWide> Heights_;
  std::vector<double> Est_;
  std::vector<std::int32_t> Support_, Used_, Chosen_;
  std::vector<TRect> Rects_, Stack_;
};

}  // namespace Optimise
