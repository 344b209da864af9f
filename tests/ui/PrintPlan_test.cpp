// The printed job plan, drawn on a recording printer: the piece list with
// its rows, rules and page breaks, the job pages two to a page, the scaled
// layouts, and the range checks that end a print cleanly.
#include <gtest/gtest.h>

#include <QLocale>
#include <algorithm>
#include <cmath>

#include "Fonts.h"
#include "PrintRecorder.h"
#include "Unit3.h"
#include "support/TestData.h"

namespace {

class PrintPlan : public ::testing::Test {
 protected:

  // A task with Pieces pieces "P1", "P2", ... and one sheet, no jobs.
  static std::unique_ptr<TPlan> Task(int Pieces) {
    auto T = testdata::NewTask();
    T->PlanName = "Plan";
    T->PlanDate = 45366.35;  // 2024-03-15 08:24
    AddSrcRect(*T, {"Board", 2440, 1220});
    for (int i = 1; i <= Pieces; ++i)
      AddObjPlan(*T, {"P" + std::to_string(i), 700 + i, 500, 0, i});
    return T;
  }

  static TJob& AddJob(TPlan& T, std::int32_t SheetNo, std::int32_t Count, std::vector<TPlacedRect> Rects) {
    TJob& Job = T.Jobs[++T.JobCount];
    Job = TJob{};
    Job.SheetNo = SheetNo;
    Job.Count = Count;
    Job.PointCount = 1;
    for (const TPlacedRect& R : Rects) Job.Rects[++Job.RectCount] = R;
    return Job;
  }

  // One document: the piece list and the job pages.
  void Print(TPlan& T) { PrintJobPlan(Printer, T, 1); }

  static QString Footer(int Page) { return QStringLiteral("第 %1 页").arg(Page); }

  // Texts of a page other than its footer, title and column heads.
  static QStringList Body(const TRecordedPage& Page) {
    QStringList Result;
    for (const TRecordedText& T : Page.Texts)
      if (T.Points == 10 && !T.Text.startsWith(QStringLiteral("第 ")) && T.Text != QStringLiteral("成品名称") &&
          T.Text != QStringLiteral("规格") && T.Text != QStringLiteral("数量"))
        Result << T.Text;
    return Result;
  }

  // The program's font faces before anything is measured.
  bool FontsInstalled = (InstallFontSubstitutes(), true);
  TRecordingPrinter Printer;
  int M = Printer.Margin();
  int LH = Printer.LineHeight();
  int CW = Printer.CharWidth();
  int PW = Printer.PageWidth();
  int PH = Printer.PageHeight();
};

TEST_F(PrintPlan, TaskWithoutPiecesOrJobsPrintsTheHeadAndAFooterPage) {
  auto T = Task(0);
  Print(*T);
  ASSERT_EQ(Printer.Docs.size(), 1u);
  const TRecordedDoc& Doc = Printer.Docs[0];
  EXPECT_TRUE(Doc.Ended);
  ASSERT_EQ(Doc.Pages.size(), 2u);

  const TRecordedPage& First = Doc.Pages[0];
  // Footer first, then the title, then the heads of both groups.
  const QString Title = QStringLiteral("Plan(") + QLocale::system().toString(QDate(2024, 3, 15), QLocale::ShortFormat) +
                        QStringLiteral(")");
  EXPECT_EQ(First.TextList(), (QStringList{Footer(1), Title, "成品名称", "成品名称", "规格", "规格", "数量", "数量"}));
  const TRecordedText& Foot = First.Texts[0];
  EXPECT_EQ(Foot.Points, 10);
  EXPECT_EQ(Foot.Y, PH - M);
  EXPECT_LE(std::abs(Foot.X + (Foot.EndX - Foot.X) / 2 - PW / 2.0), 1.0) << "footer centred";
  const TRecordedText& Head = First.Texts[1];
  EXPECT_EQ(Head.Points, 20);
  EXPECT_EQ(Head.Y, M);

  // The thick rule under the title and the thin one under the heads.
  ASSERT_EQ(First.Lines.size(), 2u);
  EXPECT_EQ(First.Lines[0].PenWidth, M / 100 + 2);
  EXPECT_EQ(First.Lines[1].PenWidth, 1);
  const int Rule = First.Lines[0].Line.y1();
  EXPECT_GT(Rule, M);
  EXPECT_EQ(First.Lines[0].Line, QLine(M, Rule, PW - M, Rule));
  EXPECT_EQ(First.Lines[1].Line, QLine(M, Rule + 2 * LH, PW - M, Rule + 2 * LH));
  for (const char* Name : {"成品名称", "规格", "数量"}) {
    std::vector<int> Xs;
    for (const TRecordedText& Text : First.Texts)
      if (Text.Text == QString::fromUtf8(Name)) {
        EXPECT_EQ(Text.Y, Rule + LH);
        Xs.push_back(Text.X);
      }
    ASSERT_EQ(Xs.size(), 2u);
    EXPECT_EQ(Xs[1] - Xs[0], PW / 2 - M) << Name;
  }
  EXPECT_EQ(First.Find("规格")->X - First.Find("成品名称")->X, 8 * CW);
  EXPECT_EQ(First.Find("数量")->X - First.Find("成品名称")->X, 16 * CW);

  // Without jobs the job part is one page with only its footer.
  const TRecordedPage& Jobs = Doc.Pages[1];
  EXPECT_EQ(Jobs.TextList(), QStringList{Footer(2)});
  EXPECT_TRUE(Jobs.Lines.empty() && Jobs.Rects.empty() && Jobs.Polylines.empty());
}

TEST_F(PrintPlan, PiecesStandTwoToARowAndTheLastRowClosesWithTheThickRule) {
  auto T = Task(3);
  T->ObjPlans[3].Name = "\xB6\xA5\xB0\xE5";  // 顶板
  T->ObjPlans[3].Length = 764;
  T->ObjPlans[3].Width = 560;
  Print(*T);
  const TRecordedPage& Page = Printer.Docs[0].Pages[0];
  EXPECT_EQ(Body(Page), (QStringList{"P1", "701×500", "1", "P2", "702×500", "2", "顶板", "764×560", "3"}));

  const int HeadRule = Page.Lines[1].Line.y1();
  const int Row1 = HeadRule + LH / 4;
  EXPECT_EQ(Page.Find("P1")->X, M);
  EXPECT_EQ(Page.Find("P1")->Y, Row1);
  EXPECT_EQ(Page.Find("701×500")->X, M + 8 * CW);
  EXPECT_EQ(Page.Find("1")->X, M + 16 * CW);
  EXPECT_EQ(Page.Find("P2")->X, PW / 2);
  EXPECT_EQ(Page.Find("P2")->Y, Row1);
  EXPECT_EQ(Page.Find("2")->X, PW / 2 + 16 * CW);

  // Each row is closed by a rule LH below its text; the next row stands
  // two quarter lines below that rule.
  ASSERT_EQ(Page.Lines.size(), 4u);
  EXPECT_EQ(Page.Lines[2].Line, QLine(M, Row1 + LH, PW - M, Row1 + LH));
  EXPECT_EQ(Page.Lines[2].PenWidth, 1);
  const int Row2 = Row1 + LH + 2 * (LH / 4);
  EXPECT_EQ(Page.Find("顶板")->X, M);
  EXPECT_EQ(Page.Find("顶板")->Y, Row2);
  EXPECT_EQ(Page.Lines[3].Line, QLine(M, Row2 + LH, PW - M, Row2 + LH));
  EXPECT_EQ(Page.Lines[3].PenWidth, M / 100 + 2);
}

TEST_F(PrintPlan, PageBreaksRepeatTheHeadAndNeverRepeatAPieceNorLeaveAnEmptyPage) {
  TRecordingPrinter Short(4800, 2600);
  const int ShortM = Short.Margin(), ShortLH = Short.LineHeight();
  const int Limit = Short.PageHeight() - ShortM - 2 * ShortLH;
  bool SawBreak = false, SawFullLastPage = false;
  for (int N = 1; N <= 60; ++N) {
    SCOPED_TRACE("pieces: " + std::to_string(N));
    auto T = Task(N);
    Short.Docs.clear();
    PrintPieceList(Short, *T);
    Short.EndDoc();
    const auto& Pages = Short.Docs[0].Pages;
    QStringList Printed;
    for (std::size_t p = 0; p < Pages.size(); ++p) {
      const TRecordedPage& Page = Pages[p];
      EXPECT_EQ(Page.Texts[0].Text, Footer(static_cast<int>(p) + 1));
      EXPECT_EQ(Page.Texts[1].Text.left(5), QStringLiteral("Plan("));
      EXPECT_EQ(Page.Texts[2].Text, QStringLiteral("成品名称"));
      QStringList Names;
      for (const TRecordedText& Text : Page.Texts)
        if (Text.Text.startsWith('P') && Text.Points == 10) {
          Names << Text.Text;
          EXPECT_LT(Text.Y + ShortLH, Short.PageHeight() - ShortM) << "row runs into the footer";
        }
      EXPECT_FALSE(Names.isEmpty()) << "page " << p + 1 << " without pieces";
      Printed << Names;
      // A page ends only when its last rule passed the limit.
      const int LastRule = Page.Lines.back().Line.y1();
      if (p + 1 < Pages.size()) {
        EXPECT_GT(LastRule + ShortLH / 4, Limit);
        SawBreak = true;
      } else if (LastRule + ShortLH / 4 > Limit) {
        SawFullLastPage = true;  // the last piece filled the page: no page follows
      }
    }
    QStringList Expected;
    for (int i = 1; i <= N; ++i) Expected << QStringLiteral("P%1").arg(i);
    EXPECT_EQ(Printed, Expected);
  }
  EXPECT_TRUE(SawBreak);
  EXPECT_TRUE(SawFullLastPage);
}

TEST_F(PrintPlan, JobsGoTwoToAPageAndTheirPagesNumberOnFromThePieceList) {
  TRecordingPrinter Short(4800, 4000);
  auto T = Task(30);
  for (int j = 1; j <= 3; ++j) AddJob(*T, 1, j, {{1, 0, 0, 0}, {2, 701, 0, 1}});
  PrintJobPlan(Short, *T, 1);
  const auto& Pages = Short.Docs[0].Pages;
  const int ShortM = Short.Margin(), ShortPH = Short.PageHeight();
  ASSERT_EQ(Pages.size(), 4u) << "two piece-list pages, two job pages";
  ASSERT_EQ(Pages[1].Texts[0].Text, Footer(2));

  const TRecordedPage& Third = Pages[2];
  EXPECT_EQ(Third.Texts[0].Text, Footer(3));
  std::vector<const TRecordedText*> Headers;
  for (const TRecordedText& Text : Third.Texts)
    if (Text.Text.startsWith(QStringLiteral("板材名称："))) Headers.push_back(&Text);
  ASSERT_EQ(Headers.size(), 2u);
  EXPECT_EQ(Headers[0]->Y, ShortM);
  EXPECT_EQ(Headers[1]->Y, ShortPH / 2 + ShortM / 2);
  EXPECT_TRUE(Headers[0]->Text.contains(QStringLiteral("作业数量：1  ")));
  EXPECT_TRUE(Headers[1]->Text.contains(QStringLiteral("作业数量：2  ")));
  EXPECT_EQ(Third.Rects.size(), 2u);
  EXPECT_EQ(Third.Polylines.size(), 4u);

  // The odd job leaves the lower half of the last page empty.
  const TRecordedPage& Fourth = Pages[3];
  EXPECT_EQ(Fourth.Texts[0].Text, Footer(4));
  EXPECT_TRUE(Fourth.Texts[1].Text.contains(QStringLiteral("作业数量：3  ")));
  EXPECT_EQ(Fourth.Texts[1].Y, ShortM);
  ASSERT_EQ(Fourth.Rects.size(), 1u);
  EXPECT_LT(Fourth.Rects[0].Rect.bottom(), ShortPH / 2);
  for (const TRecordedText& Text : Fourth.Texts)
    if (Text.Text != Footer(4)) {
      EXPECT_LT(Text.Y, ShortPH / 2) << Text.Text.toStdString();
    }
}

TEST_F(PrintPlan, JobHeaderSpellsSheetSizeCountAndUtilisation) {
  auto T = Task(2);
  T->SrcRects[1].Name = "\xB0\xE5\xB2\xC4 A";  // 板材 A
  AddJob(*T, 1, 3, {{1, 0, 0, 0}, {2, 0, 500, 0}});
  Print(*T);
  const TRecordedPage& Page = Printer.Docs[0].Pages[1];
  const QString Rate = RatePercentText(T->Jobs[1].Rate);
  const QString Header = QStringLiteral("板材名称：板材 A 规格:2440×1220  作业数量：3  利用率：") + Rate + "%";
  ASSERT_NE(Page.Find(Header), nullptr) << Page.TextList().join('|').toStdString();
  EXPECT_FLOAT_EQ(T->Jobs[1].Rate, (701.0f * 500 + 702.0f * 500) / (2440.0f * 1220));
  const TRecordedText& Text = *Page.Find(Header);
  EXPECT_LE(std::abs(Text.X + (Text.EndX - Text.X) / 2 - PW / 2.0), 1.0) << "header centred";
}

TEST_F(PrintPlan, UtilisationTextRoundsToTwoDecimalsInTheSystemLocale) {
  const QString Point = QLocale::system().decimalPoint();
  const QString Minus = QLocale::system().negativeSign();
  EXPECT_EQ(RatePercentText(0.8753f), "87" + Point + "53");
  EXPECT_EQ(RatePercentText(1.0f), "100" + Point + "00");
  EXPECT_EQ(RatePercentText(0.0f), "0" + Point + "00");
  EXPECT_EQ(RatePercentText(-1.0f), Minus + "100" + Point + "00");
  EXPECT_EQ(RatePercentText(0.123456f), "12" + Point + "35");

  // A sheet of area 0 prints minus one hundred percent and still draws.
  auto T = Task(1);
  T->SrcRects[1].Length = 0;
  AddJob(*T, 1, 1, {});
  Print(*T);
  const QStringList Texts = Printer.Docs[0].Pages[1].TextList();
  EXPECT_TRUE(Texts.filter("利用率：" + Minus + "100" + Point + "00%").size() == 1) << Texts.join('|').toStdString();
}

TEST_F(PrintPlan, ASheetWithoutAnyExtentDrawsAtTheCentreInsteadOfFailing) {
  auto T = Task(1);
  T->SrcRects[1].Length = 0;
  T->SrcRects[1].Width = 0;
  AddJob(*T, 1, 1, {{1, 0, 0, 0}});
  ASSERT_NO_THROW(Print(*T));
  const TRecordedPage& Page = Printer.Docs[0].Pages[1];
  ASSERT_EQ(Page.Rects.size(), 1u);
  EXPECT_EQ(Page.Rects[0].Rect.width(), 0);
  EXPECT_LE(std::abs(Page.Rects[0].Rect.left() - PW / 2), 1);
}

// Box of the upper job: from (M, top) to (PW - M, PH div 2 - M div 5).
TEST_F(PrintPlan, WideSheetsFillTheBoxWidthAndTallSheetsItsHeight) {
  auto T = Task(1);
  AddSrcRect(*T, {"Tall", 1000, 2000});
  AddJob(*T, 1, 1, {});
  AddJob(*T, 2, 1, {});
  AddJob(*T, 2, 1, {});
  Print(*T);
  const TRecordedPage& Page = Printer.Docs[0].Pages[1];
  ASSERT_EQ(Page.Rects.size(), 2u);
  const int Top = M + (M / 2) / 2, Bottom = PH / 2 - M / 5;
  ASSERT_GT(2440.0 / 1220, double(PW - 2 * M) / (Bottom - Top)) << "the first sheet is wider than the box";

  const QRect Wide = Page.Rects[0].Rect;
  EXPECT_EQ(Page.Rects[0].PenWidth, M / 50 + 1);
  EXPECT_LE(std::abs(Wide.left() - M), 1);
  EXPECT_LE(std::abs(Wide.left() + Wide.width() - (PW - M)), 1);
  EXPECT_LE(std::abs((Wide.top() - Top) - (Bottom - (Wide.top() + Wide.height()))), 2) << "centred vertically";
  EXPECT_NEAR(double(Wide.width()) / Wide.height(), 2.0, 0.01);

  const QRect Tall = Page.Rects[1].Rect;
  const int LowTop = PH / 2 + M / 2 + (M / 2) / 2, LowBottom = PH - M - M / 5;
  EXPECT_LE(std::abs(Tall.top() - LowTop), 1);
  EXPECT_LE(std::abs(Tall.top() + Tall.height() - LowBottom), 1);
  EXPECT_LE(std::abs((Tall.left() - M) - (PW - M - (Tall.left() + Tall.width()))), 2) << "centred horizontally";
  EXPECT_NEAR(double(Tall.height()) / Tall.width(), 2.0, 0.01);
}

TEST_F(PrintPlan, PiecesAreOutlinedAndLabelledWithNameAndBothSizes) {
  auto T = Task(1);
  T->ObjPlans[1] = {"\xC3\xC5\xB0\xE5", 1220, 610, 0, 2};  // 门板
  AddJob(*T, 1, 1, {{1, 0, 0, 0}, {1, 1220, 0, 1}});
  Print(*T);
  const TRecordedPage& Page = Printer.Docs[0].Pages[1];
  const QRect Sheet = Page.Rects[0].Rect;
  ASSERT_EQ(Page.Polylines.size(), 2u);
  const QFontMetrics Metrics(QFont(QStringLiteral("宋体"), 10), &Printer.Device());
  const int H = Metrics.height(), W = Metrics.horizontalAdvance('W');

  // The first piece covers the top-left quarter of the sheet; the second,
  // turned, stands 610 wide and the sheet's full 1220 high at X 1220.
  for (int k = 0; k < 2; ++k) {
    SCOPED_TRACE(k);
    const TRecordedPolyline& Line = Page.Polylines[static_cast<std::size_t>(k)];
    EXPECT_EQ(Line.PenWidth, static_cast<int>(M / 200.0 + 1));
    ASSERT_EQ(Line.Points.size(), 5);
    EXPECT_EQ(Line.Points.first(), Line.Points.last());
    const QRect Box = QRect(Line.Points[0], Line.Points[2]);
    EXPECT_LE(std::abs(Box.top() - Sheet.top()), 1);
    EXPECT_LE(std::abs(Box.bottom() - (Sheet.top() + Sheet.height() / (k == 0 ? 2 : 1))), 2);
    const QString Long = k == 0 ? "1220" : "610", Short = k == 0 ? "610" : "1220";
    std::vector<const TRecordedText*> Labels;
    for (const TRecordedText& Text : Page.Texts)
      if (Text.X >= Box.left() && Text.X < Box.right() && Text.Y >= Box.top() && Text.Y < Box.bottom())
        Labels.push_back(&Text);
    ASSERT_EQ(Labels.size(), 3u);
    const TRecordedText& Name = *Labels[0];
    EXPECT_EQ(Name.Text, QStringLiteral("门板"));
    EXPECT_LE(std::abs(Name.X + (Name.EndX - Name.X) / 2 - Box.center().x()), 1.5);
    EXPECT_LE(std::abs(Name.Y + H / 2 - (Box.top() + Box.bottom()) / 2), 1);
    EXPECT_EQ(Labels[1]->Text, Long) << "size along the page, under the top edge";
    EXPECT_EQ(Labels[1]->Y, Box.top() + H / 2);
    EXPECT_LE(std::abs(Labels[1]->X + (Labels[1]->EndX - Labels[1]->X) / 2 - Box.center().x()), 1.5);
    EXPECT_EQ(Labels[2]->Text, Short) << "size down the page, inside the left edge";
    EXPECT_EQ(Labels[2]->X, Box.left() + W);
    EXPECT_EQ(Labels[2]->Y, Name.Y);
  }
}

TEST_F(PrintPlan, PiecesThatKeepTheirDirectionAreNamedInTheListAndMarkedInTheDrawing) {
  auto T = Task(3);
  T->ObjPlans[2].MayTurn = false;
  AddJob(*T, 1, 1, {{1, 0, 0, 0}, {2, 0, 610, 0}});
  Print(*T);
  const TRecordedPage& List = Printer.Docs[0].Pages[0];
  // The grain note follows the quantity of piece 2 on its row, and only there.
  std::vector<const TRecordedText*> Grain;
  for (const TRecordedText& Text : List.Texts)
    if (Text.Text == QStringLiteral("顺纹")) Grain.push_back(&Text);
  ASSERT_EQ(Grain.size(), 1u);
  const TRecordedText* Quantity = nullptr;
  for (const TRecordedText& Text : List.Texts)
    if (Text.Text == QStringLiteral("2") && Text.Y == Grain[0]->Y) Quantity = &Text;
  ASSERT_NE(Quantity, nullptr);
  EXPECT_GT(Grain[0]->X, Quantity->EndX);
  EXPECT_LT(Grain[0]->X, Printer.PageWidth() - M);

  // The drawing: five strokes inside piece 2's outline, none in piece 1's.
  const TRecordedPage& Page = Printer.Docs[0].Pages[1];
  ASSERT_EQ(Page.Polylines.size(), 2u);
  auto StrokesIn = [&](const TRecordedPolyline& Outline) {
    const QRect Box = QRect(Outline.Points[0], Outline.Points[2]).normalized();
    int Count = 0;
    for (const TRecordedLine& L : Page.Lines) Count += Box.contains(L.Line.p1()) && Box.contains(L.Line.p2());
    return Count;
  };
  EXPECT_EQ(StrokesIn(Page.Polylines[0]), 0);
  EXPECT_EQ(StrokesIn(Page.Polylines[1]), 5);
}

TEST_F(PrintPlan, ThreeCopiesAreThreeCompleteDocuments) {
  auto T = Task(3);
  AddJob(*T, 1, 1, {{1, 0, 0, 0}});
  PrintJobPlan(Printer, *T, 3);
  ASSERT_EQ(Printer.Docs.size(), 3u);
  for (const TRecordedDoc& Doc : Printer.Docs) {
    EXPECT_TRUE(Doc.Ended);
    ASSERT_EQ(Doc.Pages.size(), 2u);
    EXPECT_EQ(Doc.Pages[0].Texts[0].Text, Footer(1));
    EXPECT_EQ(Doc.Pages[0].Texts[2].Text, QStringLiteral("成品名称"));
    EXPECT_EQ(Doc.Pages[1].Texts[0].Text, Footer(2));
  }
}

TEST_F(PrintPlan, LargeSheetsInSmallUnitsStillPrint) {
  // Products of page size and sheet size leave 32 bits here.
  auto T = Task(1);
  T->SrcRects[1] = {"Big", 2'000'000'000, 1'000'000'000};
  T->ObjPlans[1] = {"Half", 1'000'000'000, 1'000'000'000, 0, 1};
  AddJob(*T, 1, 1, {{1, 1'000'000'000, 0, 0}});
  ASSERT_NO_THROW(Print(*T));
  const TRecordedPage& Page = Printer.Docs[0].Pages[1];
  ASSERT_EQ(Page.Polylines.size(), 1u);
  EXPECT_LE(std::abs(Page.Polylines[0].Points[0].x() - Page.Rects[0].Rect.center().x()), 1);
  EXPECT_NE(Page.Find("1000000000"), nullptr);
}

struct TBadJob {
  const char* Name;
  std::function<void(TPlan&)> Spoil;
};

class PrintPlanRange : public PrintPlan, public ::testing::WithParamInterface<TBadJob> {};

TEST_P(PrintPlanRange, EndsThePrintWithARangeErrorAndAbortsTheDocument) {
  auto T = Task(2);
  AddJob(*T, 1, 1, {{1, 0, 0, 0}, {2, 0, 500, 0}});
  AddJob(*T, 1, 1, {{1, 0, 0, 0}});
  GetParam().Spoil(*T);
  try {
    PrintJobPlan(Printer, *T, 2);
    ADD_FAILURE() << "no error";
  } catch (const EPlanError& E) {
    EXPECT_STREQ(E.what(), "Range check error");
  }
  // Nothing begun at all, or the first copy, cut short and dropped.
  ASSERT_LE(Printer.Docs.size(), 1u) << "a copy begun after the error";
  if (!Printer.Docs.empty()) {
    EXPECT_TRUE(Printer.Docs[0].Aborted);
    EXPECT_FALSE(Printer.Docs[0].Ended);
  }
  EXPECT_FALSE(Printer.Canvas().isActive());
}

INSTANTIATE_TEST_SUITE_P(
    Faults, PrintPlanRange,
    ::testing::Values(
        TBadJob{"SheetZero", [](TPlan& T) { T.Jobs[2].SheetNo = 0; }},
        TBadJob{"SheetAboveCount", [](TPlan& T) { T.Jobs[2].SheetNo = 2; }},
        TBadJob{"SheetAboveTable", [](TPlan& T) { T.Jobs[1].SheetNo = 101; }},
        TBadJob{"PieceZero", [](TPlan& T) { T.Jobs[2].Rects[1].ObjNo = 0; }},
        TBadJob{"PieceAboveCount", [](TPlan& T) { T.Jobs[1].Rects[2].ObjNo = 3; }},
        TBadJob{"TooManyPlacedPieces", [](TPlan& T) { T.Jobs[2].RectCount = 201; }},
        TBadJob{"TooManyJobs", [](TPlan& T) { T.JobCount = 101; }},
        TBadJob{"TooManyPieces", [](TPlan& T) { T.ObjCount = 101; }},
        TBadJob{"SheetLongerThan32Bits", [](TPlan& T) { T.SrcRects[1].Length = 3'000'000'000LL; }},
        TBadJob{"PieceWiderThan32Bits", [](TPlan& T) { T.ObjPlans[2].Width = -3'000'000'000LL; }},
        TBadJob{"PositionFarOffTheSheet", [](TPlan& T) { T.Jobs[2].Rects[1].X = 2'000'000'000; }}),
    [](const ::testing::TestParamInfo<TBadJob>& Info) { return std::string(Info.param.Name); });

TEST(PlanDate, DatePartTruncatesTowardZeroAndATimeOfDaySurvivesANewDate) {
  EXPECT_EQ(PlanDateToDate(0.0), QDate(1899, 12, 30));
  EXPECT_EQ(PlanDateToDate(45366.99), QDate(2024, 3, 15));
  EXPECT_EQ(PlanDateToDate(-0.5), QDate(1899, 12, 30));
  EXPECT_EQ(PlanDateToDate(-1.25), QDate(1899, 12, 29));
  EXPECT_FALSE(PlanDateToDate(std::nan("")).isValid());
  EXPECT_FALSE(PlanDateToDate(1e300).isValid());

  EXPECT_DOUBLE_EQ(PlanDateWithDate(45366.25, QDate(2024, 3, 20)), 45371.25);
  EXPECT_DOUBLE_EQ(PlanDateWithDate(-1.25, QDate(1899, 12, 27)), -3.25);
  EXPECT_DOUBLE_EQ(PlanDateWithDate(std::nan(""), QDate(1899, 12, 31)), 1.0);

  EXPECT_EQ(PlanDateText(45366.35), QLocale::system().toString(QDate(2024, 3, 15), QLocale::ShortFormat));
  EXPECT_FALSE(PlanDateText(1e300).isEmpty());
}

}  // namespace
