// Pieces that keep their direction and sheet sizes in limited stock: the
// file block that carries them, and the exact calculation that honours them.
#include <gtest/gtest.h>

#include <random>

#include "CalcPlan.h"
#include "support/ReferenceSearch.h"
#include "support/TestData.h"

namespace {

using testdata::NewTask;

std::string LoadError(TPlan& Task, std::string_view Text) {
  return testdata::ErrorText([&] { PlanFromText(Task, Text); });
}

std::string Compute(TPlan& Task) {
  std::string Message;
  TNullProgressLink Link;
  MakePlan(Task, Message, Link);
  return Message;
}

// Two sheets, three pieces, the middle one locked and the small sheet
// limited to 4.
std::unique_ptr<TPlan> LockedAndLimited() {
  auto Task = NewTask();
  Task->PlanName = "plan";
  AddSrcRect(*Task, TSrcRect{"small", 1000, 500, 4});
  AddSrcRect(*Task, TSrcRect{"large", 2440, 1220});
  AddObjPlan(*Task, TObjPlan{"a", 300, 200, 5, 5});
  AddObjPlan(*Task, TObjPlan{"b", 400, 100, 3, 3, false});
  AddObjPlan(*Task, TObjPlan{"c", 50, 50, 7, 7});
  return Task;
}

const std::string ClassicLines =
    "2\r\n3\r\n0\r\n0\r\n 1.00000000000000E+0000\r\n1\r\n"
    "small\r\n1000\r\n500\r\n"
    "large\r\n2440\r\n1220\r\n"
    "a\r\n300\r\n200\r\n5\r\n5\r\n"
    "b\r\n400\r\n100\r\n3\r\n3\r\n"
    "c\r\n50\r\n50\r\n7\r\n7\r\n"
    "plan\r\n 0.00000000000000E+0000\r\n\r\n\r\n";

const std::string ExtrasBlock =
    "[Tavik Vadi extras]\r\n2\r\n"
    "3\r\n1\r\n0\r\n1\r\n"
    "2\r\n4\r\n0\r\n";

TEST(ExtrasBlock, TaskWithoutLocksOrLimitsIsWrittenAsBefore) {
  auto Task = LockedAndLimited();
  Task->ObjPlans[2].MayTurn = true;
  Task->SrcRects[1].Stock = 0;
  EXPECT_EQ(PlanToText(*Task), ClassicLines);
  // Entries above the counts are not part of the task.
  Task->ObjPlans[4].MayTurn = false;
  Task->SrcRects[3].Stock = 9;
  EXPECT_EQ(PlanToText(*Task), ClassicLines);
}

TEST(ExtrasBlock, FollowsTheClassicLinesAndReadsBack) {
  auto Task = LockedAndLimited();
  const std::string Text = PlanToText(*Task);
  EXPECT_EQ(Text, ClassicLines + ExtrasBlock);

  auto Back = NewTask();
  PlanFromText(*Back, Text);
  EXPECT_FALSE(Back->ObjPlans[2].MayTurn);
  EXPECT_TRUE(Back->ObjPlans[1].MayTurn);
  EXPECT_TRUE(Back->ObjPlans[3].MayTurn);
  EXPECT_EQ(Back->SrcRects[1].Stock, 4);
  EXPECT_EQ(Back->SrcRects[2].Stock, 0);
  EXPECT_EQ(PlanToText(*Back), Text);

  // A computed task keeps its block after the jobs and the plan texts.
  ASSERT_EQ(Compute(*Back), "");
  ASSERT_GT(Back->JobCount, 0);
  const std::string Computed = PlanToText(*Back);
  auto Again = NewTask();
  PlanFromText(*Again, Computed);
  EXPECT_EQ(PlanToText(*Again), Computed);
  testdata::TTempDir Dir;
  SavePlan(*Back, Dir.File("t.tsk"));
  LoadPlan(*Again, Dir.File("t.tsk"));
  EXPECT_EQ(testdata::ReadBytes(Dir.File("t.tsk")), Computed);
  EXPECT_EQ(PlanToText(*Again), Computed);
}

TEST(ExtrasBlock, AnOlderReaderSeesTheSameTaskWithoutTheExtras) {
  // An older installation reads the classic lines and stops after the
  // second owner text: what it gets is the classic part alone.
  auto Task = LockedAndLimited();
  ASSERT_EQ(Compute(*Task), "");
  const std::string Text = PlanToText(*Task);
  const std::size_t Block = Text.find("[Tavik Vadi extras]\r\n");
  ASSERT_NE(Block, std::string::npos);
  auto Older = NewTask();
  PlanFromText(*Older, Text.substr(0, Block));
  auto Plain = std::make_unique<TPlan>(*Task);
  for (std::int32_t i = 1; i <= Plain->ObjCount; ++i) Plain->ObjPlans[i].MayTurn = true;
  for (std::int32_t s = 1; s <= Plain->SrcCount; ++s) Plain->SrcRects[s].Stock = 0;
  EXPECT_EQ(PlanToText(*Older), PlanToText(*Plain));
  EXPECT_EQ(CheckPlan(*Older), "");
}

TEST(ExtrasBlock, ALoadWithoutTheBlockClearsLocksAndLimits) {
  auto Task = LockedAndLimited();
  PlanFromText(*Task, ClassicLines);
  EXPECT_TRUE(Task->ObjPlans[2].MayTurn);
  EXPECT_EQ(Task->SrcRects[1].Stock, 0);
}

TEST(ExtrasBlock, ListsOfALaterVersionAreSkipped) {
  auto Task = NewTask();
  const std::string Later = ClassicLines +
                            "[Tavik Vadi extras]\r\n4\r\n3\r\n1\r\n0\r\n1\r\n2\r\n4\r\n0\r\n"
                            "2\r\nsome text\r\n\r\n"  // a list of two texts, one of them empty
                            "1\r\n7\r\n";
  PlanFromText(*Task, Later);
  EXPECT_FALSE(Task->ObjPlans[2].MayTurn);
  EXPECT_EQ(Task->SrcRects[1].Stock, 4);
  // Lines after the classic ones that are not the block stay unread, as in
  // older installations.
  PlanFromText(*Task, ClassicLines + "anything\r\n-5\r\n");
  EXPECT_TRUE(Task->ObjPlans[2].MayTurn);
}

TEST(ExtrasBlock, DamagedOrTruncatedBlocksFailAndLeaveTheTask) {
  const std::string Whole = ClassicLines + ExtrasBlock;
  auto Task = LockedAndLimited();
  Task->SrcRects[1].Stock = 17;
  const std::string Before = PlanToText(*Task);

  // Cut after every line of the block but the last.
  const std::size_t Start = ClassicLines.size() + std::string("[Tavik Vadi extras]\r\n").size();
  for (std::size_t End = Start; End < Whole.size(); End = Whole.find("\r\n", End) + 2) {
    EXPECT_EQ(LoadError(*Task, Whole.substr(0, End)), PlanMessages::RangeCheck) << "cut at " << End;
    EXPECT_EQ(PlanToText(*Task), Before);
  }

  struct TDamage {
    const char* Block;
    const char* Message;
  };
  const TDamage Damages[] = {
      {"[Tavik Vadi extras]\r\n2\r\n3\r\n1\r\n2\r\n1\r\n2\r\n4\r\n0\r\n", PlanMessages::RangeCheck},   // turn 2
      {"[Tavik Vadi extras]\r\n2\r\n3\r\n1\r\n0\r\n1\r\n2\r\n-4\r\n0\r\n", PlanMessages::RangeCheck},  // stock < 0
      {"[Tavik Vadi extras]\r\n2\r\n2\r\n1\r\n0\r\n2\r\n4\r\n0\r\n", PlanMessages::RangeCheck},        // 2 pieces
      {"[Tavik Vadi extras]\r\n2\r\n3\r\n1\r\n0\r\n1\r\n3\r\n4\r\n0\r\n1\r\n", PlanMessages::RangeCheck},
      {"[Tavik Vadi extras]\r\n-1\r\n", PlanMessages::RangeCheck},
      {"[Tavik Vadi extras]\r\n1001\r\n", PlanMessages::RangeCheck},
      {"[Tavik Vadi extras]\r\n2\r\n3\r\n1\r\nx\r\n1\r\n2\r\n4\r\n0\r\n", PlanMessages::InvalidNumeric},
      {"[Tavik Vadi extras]\r\n2\r\n3\r\n1\r\n0\r\n1\r\n2\r\n4x\r\n0\r\n", PlanMessages::InvalidNumeric},
      {"[Tavik Vadi extras]\r\n2\r\n3\r\n1\r\n0\r\n1\r\n2\r\n3000000000\r\n0\r\n", PlanMessages::RangeCheck},
      {"[Tavik Vadi extras]\r\n3\r\n3\r\n1\r\n0\r\n1\r\n2\r\n4\r\n0\r\n5\r\na\r\n", PlanMessages::RangeCheck},
  };
  for (const TDamage& D : Damages) {
    EXPECT_EQ(LoadError(*Task, ClassicLines + D.Block), D.Message) << D.Block;
    EXPECT_EQ(PlanToText(*Task), Before);
  }
}

// ------------------------------------------------------ the calculation

TEST(GrainAndStock, ALockedPieceIsNeverTurned) {
  // 900 x 400 fits the 1000 x 500 sheet only as it is; 400 x 900 only turned.
  for (const bool Rigid : {false, true}) {
    auto Task = NewTask();
    Task->RigidFlag = Rigid;
    AddSrcRect(*Task, TSrcRect{"S", 1000, 500});
    AddObjPlan(*Task, TObjPlan{"turns", 400, 900, 2, 2});
    AddObjPlan(*Task, TObjPlan{"kept", 400, 900, 2, 2, false});
    AddObjPlan(*Task, TObjPlan{"fits", 900, 400, 1, 1, false});
    ASSERT_EQ(Compute(*Task), "");
    EXPECT_EQ(CheckPlan(*Task), "");
    std::int64_t Placed[4] = {};
    for (std::int32_t j = 1; j <= Task->JobCount; ++j)
      for (std::int32_t k = 1; k <= Task->Jobs[j].RectCount; ++k) {
        const TPlacedRect& R = Task->Jobs[j].Rects[k];
        Placed[R.ObjNo] += Task->Jobs[j].Count;
        if (!Task->ObjPlans[R.ObjNo].MayTurn) {
          EXPECT_EQ(R.Rotated, 0);
        }
      }
    // The sort keeps the three in their order (same larger side).
    EXPECT_EQ(Task->ObjPlans[1].Name, "turns");
    EXPECT_EQ(Placed[1], 2);
    EXPECT_EQ(Placed[2], 0);
    EXPECT_EQ(Task->ObjPlans[2].Pending, 2);
    EXPECT_EQ(Placed[3], 1);
  }
}

TEST(GrainAndStock, TheSearchTriesLockedPiecesUnturnedOnly) {
  // Same layouts as the plain search, which honours the locks piece by piece.
  std::mt19937 Random(1312);
  auto Pick = [&](int Lo, int Hi) { return std::uniform_int_distribution<int>(Lo, Hi)(Random); };
  int Locked = 0;
  for (int Case = 0; Case < 200; ++Case) {
    auto Task = NewTask(Pick(0, 2), Pick(0, 1) ? 0 : Pick(1, 5), Case % 3 ? 1.0f : 0.8f);
    Task->RigidFlag = Case % 2 == 0;
    AddSrcRect(*Task, TSrcRect{"S", Pick(40, 140), Pick(30, 120)});
    for (int i = Pick(1, 4); i > 0; --i) {
      const int Count = Pick(1, 5);
      AddObjPlan(*Task, TObjPlan{"P", Pick(5, 70), Pick(5, 70), Count, Count, Pick(0, 1) == 0});
      Locked += !Task->ObjPlans[Task->ObjCount].MayTurn;
    }
    auto Fast = std::make_unique<TJob>(), Plain = std::make_unique<TJob>();
    Fast->SheetNo = 1;
    Fast->PointCount = 1;
    Fast->Points[1] = {0, 0, pkMinMin};
    *Plain = *Fast;
    TNullProgressLink Link;
    TSearchStats Stats;
    std::uint64_t PlainNodes = 0;
    SearchLayout(*Task, *Fast, 1, "p", Link, &Stats);
    testdata::ReferenceSearchLayout(*Task, *Plain, 1, PlainNodes);
    ASSERT_EQ(Fast->RectCount, Plain->RectCount) << "case " << Case;
    for (std::int32_t k = 1; k <= Fast->RectCount; ++k) {
      ASSERT_EQ(Fast->Rects[k].ObjNo, Plain->Rects[k].ObjNo) << "case " << Case;
      ASSERT_EQ(Fast->Rects[k].X, Plain->Rects[k].X) << "case " << Case;
      ASSERT_EQ(Fast->Rects[k].Y, Plain->Rects[k].Y) << "case " << Case;
      ASSERT_EQ(Fast->Rects[k].Rotated, Plain->Rects[k].Rotated) << "case " << Case;
    }
    ASSERT_EQ(Stats.Nodes, PlainNodes) << "case " << Case;
    ASSERT_EQ(CheckLayout(*Task, *Fast), "") << "case " << Case;
  }
  EXPECT_GT(Locked, 100);
}

TEST(GrainAndStock, ALimitedSizeIsUsedUpThenTheNextOneTakesOver) {
  // Every piece fits the small sheet once; with 2 of them in stock, the
  // other 3 pieces go onto the large size.
  auto Task = NewTask();
  AddSrcRect(*Task, TSrcRect{"small", 500, 500, 2});
  AddSrcRect(*Task, TSrcRect{"large", 1000, 500});
  AddObjPlan(*Task, TObjPlan{"P", 500, 500, 5, 5});
  ASSERT_EQ(Compute(*Task), "");
  EXPECT_EQ(CheckPlan(*Task), "");
  EXPECT_TRUE(AllPlaced(*Task));
  EXPECT_EQ(SheetsUsed(*Task, 1), 2);
  EXPECT_EQ(SheetsLeft(*Task, 1), 0);
  ASSERT_GE(Task->JobCount, 2);
  EXPECT_EQ(Task->Jobs[1].SheetNo, 1);
  EXPECT_EQ(Task->Jobs[1].Count, 2);  // lowered from 5 by the stock
  EXPECT_EQ(Task->Jobs[2].SheetNo, 2);
  EXPECT_EQ(SheetsUsed(*Task, 2), 2);  // 2 on one large sheet, then the last one
}

TEST(GrainAndStock, TooLittleStockEndsWithPiecesPending) {
  auto Task = NewTask();
  AddSrcRect(*Task, TSrcRect{"a", 500, 500, 1});
  AddSrcRect(*Task, TSrcRect{"b", 600, 600, 2});
  AddObjPlan(*Task, TObjPlan{"P", 500, 500, 6, 6});
  ASSERT_EQ(Compute(*Task), "");
  EXPECT_EQ(CheckPlan(*Task), "");
  EXPECT_EQ(SheetsUsed(*Task, 1), 1);
  EXPECT_EQ(SheetsUsed(*Task, 2), 2);
  EXPECT_EQ(Task->ObjPlans[1].Pending, 3);

  // Continued, nothing more can be cut; cleared, the whole stock is back.
  const std::int32_t Jobs = Task->JobCount;
  ASSERT_EQ(Compute(*Task), "");
  EXPECT_EQ(Task->JobCount, Jobs);
  ClearJobs(*Task);
  EXPECT_EQ(SheetsLeft(*Task, 1), 1);
  EXPECT_EQ(SheetsLeft(*Task, 2), 2);
}

TEST(GrainAndStock, TheBundledExampleNeedsItsSecondSize) {
  auto Task = NewTask();
  LoadPlan(*Task, TAVIK_EXAMPLES_DIR "/grain-stock.tsk");
  std::int32_t Locked = 0;
  for (std::int32_t i = 1; i <= Task->ObjCount; ++i) Locked += !Task->ObjPlans[i].MayTurn;
  EXPECT_GE(Locked, 2);
  ASSERT_EQ(Task->SrcCount, 2);
  ASSERT_GT(Task->SrcRects[1].Stock, 0);
  ASSERT_EQ(Compute(*Task), "");
  EXPECT_TRUE(AllPlaced(*Task));
  EXPECT_EQ(CheckPlan(*Task), "");
  EXPECT_EQ(SheetsLeft(*Task, 1), 0);
  EXPECT_GT(SheetsUsed(*Task, 2), 0);
}

TEST(GrainAndStock, RandomTasksHonourLocksAndStock) {
  std::mt19937 Random(2026);
  auto Pick = [&](int Lo, int Hi) { return std::uniform_int_distribution<int>(Lo, Hi)(Random); };
  int Pending = 0, Limited = 0;
  const auto Task = NewTask();
  for (int Case = 0; Case < 600; ++Case) {
    NewPlan(*Task, Pick(0, 1), Pick(0, 1) ? 0 : Pick(1, 6), Case % 4 ? 1.0f : 0.7f);
    Task->RigidFlag = Case % 2 == 1;
    for (int s = Pick(1, 3); s > 0; --s)
      AddSrcRect(*Task, TSrcRect{"S", Pick(40, 300), Pick(30, 200), Pick(0, 2) ? 0 : Pick(1, 3)});
    for (int i = Pick(1, 6); i > 0; --i) {
      const int Quantity = Pick(0, 12);
      AddObjPlan(*Task, TObjPlan{"P", Pick(5, 120), Pick(5, 120), Quantity, Quantity, Pick(0, 2) != 0});
    }
    ASSERT_EQ(Compute(*Task), "") << "case " << Case;
    ASSERT_EQ(CheckPlan(*Task), "") << "case " << Case << "\n" << PlanToText(*Task);
    // A piece left pending fits no size with stock left, as it may lie.
    for (std::int32_t i = 1; i <= Task->ObjCount && Task->JobCount < MaxJobs; ++i) {
      const TObjPlan& O = Task->ObjPlans[i];
      if (O.Pending <= 0) continue;
      ++Pending;
      for (std::int32_t s = 1; s <= Task->SrcCount; ++s) {
        const TSrcRect& S = Task->SrcRects[s];
        const bool Fits = (O.Length <= S.Length && O.Width <= S.Width) ||
                          (O.MayTurn && O.Width <= S.Length && O.Length <= S.Width);
        ASSERT_FALSE(Fits && SheetsLeft(*Task, s) > 0) << "case " << Case << " piece " << i << " sheet " << s;
      }
    }
    for (std::int32_t s = 1; s <= Task->SrcCount; ++s) Limited += Task->SrcRects[s].Stock > 0 && SheetsLeft(*Task, s) == 0;
  }
  // Both ends are reached often enough for the checks to mean something.
  EXPECT_GT(Pending, 100);
  EXPECT_GT(Limited, 100);
}

}  // namespace
