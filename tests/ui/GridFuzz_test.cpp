// The three grids against bad input: pasted texts with line breaks, an
// entry brought back after its deletion, and random keystrokes and pasted
// texts in every editable cell with fixed seeds. After every action the
// task must hold only values its fields can take, and after every cell it
// must still save and load to the same task.
#include <QClipboard>
#include <QGuiApplication>
#include <QLocale>
#include <algorithm>
#include <cstdint>
#include <iostream>
#include <random>
#include <set>
#include <sstream>
#include <tuple>

#include "PlanError.h"
#include "WindowFixture.h"

namespace {

// Pasting as a person does: the editor opened with F2, everything selected,
// Ctrl+V.
void PasteOver(TDrawGrid* Grid, const QString& Text) {
  QGuiApplication::clipboard()->setText(Text);
  if (!Grid->EditorMode()) QTest::keyClick(Grid, Qt::Key_F2);
  ASSERT_TRUE(Grid->EditorMode());
  QTest::keyClick(Grid->InplaceEditor(), Qt::Key_A, Qt::ControlModifier);
  QTest::keyClick(Grid->InplaceEditor(), Qt::Key_V, Qt::ControlModifier);
}

using TGridPasteTest = TWindowTest;

TEST_F(TGridPasteTest, APastedTextKeepsOnlyItsFirstLine) {
  T().SrcCount = 1;
  T().SrcRects[1] = TSrcRect{"AB", 100, 50};
  Form->ShowTask();
  TDrawGrid* Grid = Form->dgSrcRects;
  Grid->SetCell(0, 1);
  // A cell copied from a spreadsheet ends with a line break.
  PasteOver(Grid, QStringLiteral("Door\r\n"));
  EXPECT_EQ(T().SrcRects[1].Name, "Door");
  EXPECT_EQ(Grid->InplaceEditor()->text(), QStringLiteral("Door"));
  // Pasted between two letters: the first line goes in, the rest of the old
  // text stays.
  Grid->InplaceEditor()->setCursorPosition(2);
  QGuiApplication::clipboard()->setText(QStringLiteral("x\ny\nz"));
  QTest::keyClick(Grid->InplaceEditor(), Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(T().SrcRects[1].Name, "Doxor");
  EXPECT_EQ(Grid->InplaceEditor()->cursorPosition(), 3);
  Key(Grid, Qt::Key_Return);
  EXPECT_EQ(T().SrcRects[1].Name, "Doxor");

  Grid->SetCell(1, 1);
  PasteOver(Grid, QStringLiteral("12\n34"));
  EXPECT_EQ(T().SrcRects[1].Length, 12);
  // Nothing before the first break: the text is empty, nothing is stored.
  PasteOver(Grid, QStringLiteral("\r\n77"));
  EXPECT_EQ(T().SrcRects[1].Length, 12);
  Key(Grid, Qt::Key_Return);
  EXPECT_EQ(T().SrcRects[1].Length, 12);
  EXPECT_TRUE(Script.Asked.empty());

  const std::string Path = QFile::encodeName(TempFile("paste.tsk")).toStdString();
  SavePlan(T(), Path);
  auto Loaded = std::make_unique<TPlan>();
  LoadPlan(*Loaded, Path);
  EXPECT_EQ(PlanToText(*Loaded), PlanToText(T()));
}

TEST_F(TGridPasteTest, ALineBreakAlreadyInANameStaysWhenTheNameIsEdited) {
  // A file may hold a carriage return inside a name; typing elsewhere in
  // the name must not cut it off.
  T().ObjCount = 1;
  T().ObjPlans[1] = TObjPlan{"a\rb", 10, 10, 1, 1};
  Form->ShowTask();
  TDrawGrid* Grid = Form->dgObjPlans;
  Grid->SetCell(0, 1);
  Key(Grid, Qt::Key_F2);
  Key(Grid, Qt::Key_End);
  Type(Grid, QStringLiteral("c"));
  Key(Grid, Qt::Key_Return);
  EXPECT_EQ(T().ObjPlans[1].Name, "a\rbc");
}

TEST_F(TGridPasteTest, APieceBroughtBackAfterItsDeletionHasNothingPlaced) {
  // Computed: every piece placed. Deleting the only piece and typing a name
  // into the empty row brings its old slot back, with no jobs left.
  T().SrcCount = 1;
  T().SrcRects[1] = TSrcRect{"S", 1000, 500};
  T().ObjCount = 1;
  T().ObjPlans[1] = TObjPlan{"P", 300, 200, 7, 7};
  Form->ShowTask();
  Form->N5Click();
  ASSERT_TRUE(AllPlaced(T()));
  ASSERT_GT(T().JobCount, 0);
  TDrawGrid* Grid = Form->dgObjPlans;
  Grid->SetCell(0, 1);
  Key(Grid, Qt::Key_Delete);
  ASSERT_EQ(T().ObjCount, 0);
  Type(Grid, QStringLiteral("Q"));
  ASSERT_EQ(T().ObjCount, 1);
  EXPECT_EQ(T().JobCount, 0);
  EXPECT_EQ(T().ObjPlans[1].Length, 300);
  EXPECT_EQ(T().ObjPlans[1].Quantity, 7);
  EXPECT_EQ(T().ObjPlans[1].Pending, 7);
  EXPECT_EQ(Grid->CellText(4, 1), QStringLiteral("7"));
  EXPECT_FALSE(AllPlaced(T()));
}

// ------------------------------------------------------------ random input

const QString Point = QLocale::system().decimalPoint();
const QString Group = QLocale::system().groupSeparator();

// The values of the task that editing may touch, to see what an action
// changed.
struct TSnapshot {
  std::string Text;  // PlanToText: every stored field
  bool RigidFlag = false;
  bool Modified = false;
  std::int32_t SrcCount = 0;
  std::int32_t ObjCount = 0;
  std::vector<std::int32_t> Quantities;  // pieces 1..ObjCount
};

// Where the random actions go: which grid and start task, for the messages.
struct TFuzzCase {
  const char* Name;
  std::uint32_t Seed;
};

void PrintTo(const TFuzzCase& Case, std::ostream* Out) { *Out << Case.Name << " seed " << Case.Seed; }

class TGridFuzzTest : public TWindowTest, public ::testing::WithParamInterface<TFuzzCase> {
 protected:
  std::mt19937 Rng;
  std::string Last;  // the action just done, for a failure's message
  long Keystrokes = 0;
  long Pastes = 0;
  std::set<std::tuple<int, int, int>> CellsHit;  // grid, column, row

  int Pick(int Count) { return static_cast<int>(Rng() % static_cast<std::uint32_t>(Count)); }
  bool Chance(int Percent) { return Pick(100) < Percent; }

  // ------------------------------------------------------------ inputs

  QString Letters(int Length) {
    static const QString Pool = QStringLiteral("abcdefxyzEXQ_@#%&*()[]{}<>?/\\|\"'`~!^=;:");
    QString Result;
    for (int i = 0; i < Length; ++i) Result += Pool.at(Pick(static_cast<int>(Pool.size())));
    return Result;
  }

  QString Digits(int Length) {
    QString Result;
    for (int i = 0; i < Length; ++i) Result += QChar(u'0' + Pick(10));
    return Result;
  }

  QString Chinese(int Length) {
    QString Result;
    for (int i = 0; i < Length; ++i) Result += QChar(static_cast<char16_t>(0x4E00 + Pick(0x9FA5 - 0x4E00 + 1)));
    return Result;
  }

  // One text of the kinds a person may type or paste by mistake.
  QString RandomText() {
    switch (Pick(10)) {
      case 0:
        return Letters(1 + Pick(12));
      case 1:  // huge numbers
        return (Chance(30) ? QStringLiteral("-") : Chance(20) ? QStringLiteral("+") : QString()) +
               QChar(u'1' + Pick(9)) + Digits(9 + Pick(30));
      case 2: {
        static const QStringList Edges{
            "2147483647", "2147483648", "-2147483648", "-2147483649", "4294967296", "9223372036854775807",
            "9223372036854775808", "-0", "+0", "00000000000000000000017", "1e308", "1e309", "-1e309", "1e39",
            "-1e39", "3.5e38", "1e-50", "-1e-50", "1e-400", "inf", "-inf", "nan", "NaN", "Infinity", "0x10", "1e5",
            "1E-3", "0b1", "017", "١٢٣", "１２"};
        QString Text = Edges.at(Pick(static_cast<int>(Edges.size())));
        return Text.replace(u'.', Point);
      }
      case 3: {  // signs and separators
        static const QStringList Forms{"-", "+", "+-1", "--1", "-+", "1-", "1+1", "%p", "%g", "1%p", "%p5",
                                       "0%p5", "0%p5%p5", "1%g000", "1%g000%p5", " 7 ", "\t8", "1 2", "1_000",
                                       ",", ".", "0,5", "0.5", "·", "1'000", "%p%p", "-%p5", "+%p"};
        QString Text = Forms.at(Pick(static_cast<int>(Forms.size())));
        return Text.replace(QStringLiteral("%p"), Point).replace(QStringLiteral("%g"), Group);
      }
      case 4: {  // Chinese text, and characters GBK cannot hold
        static const QStringList Words{"板材", "门板", "侧板1200", "１２００", "€", "😀", "𠀀", "ﬀ", "Ä", "한국"};
        return Chance(50) ? Chinese(1 + Pick(8)) : Words.at(Pick(static_cast<int>(Words.size())));
      }
      case 5: {  // 10,000 characters
        static const QStringList Units{"9", "1", "x", "板", "-", "7%p", "a板1"};
        QString Unit = Units.at(Pick(static_cast<int>(Units.size())));
        Unit.replace(QStringLiteral("%p"), Point);
        return Unit.repeated(10000 / Unit.size()).left(10000);
      }
      case 6:
        return QString();
      case 7: {  // line breaks
        static const QStringList Breaks{"12\n34", "\n", "\r\n", "\r", "名称\n第二行", "5\r", "\n7", "a\rb",
                                        "x\r\ny", "1\n", "\n\n\n", "line\u2028sep", "next\u0085line", "p\u2029q"};
        return Breaks.at(Pick(static_cast<int>(Breaks.size())));
      }
      case 8: {  // control and invisible characters
        static const QList<QString> Odd{QString(QChar(0)), QStringLiteral("\t"), QStringLiteral("\x01"),
                                        QStringLiteral("\x7f"), QStringLiteral("\u200b"), QStringLiteral("\ufeff"),
                                        QString(QChar(0xD800)), QStringLiteral("1") + QChar(0) + QStringLiteral("2"),
                                        QStringLiteral("\x1b[2J")};
        return Odd.at(Pick(static_cast<int>(Odd.size())));
      }
      default:  // values the cells accept, so that stores happen too
        switch (Pick(3)) {
          case 0: return QString::number(Pick(3000));
          case 1: return QStringLiteral("0") + Point + Digits(1 + Pick(3));
          default: return QString::number(Pick(18));
        }
    }
  }

  // ------------------------------------------------------------ actions

  static QWidget* Target(TDrawGrid* Grid) {
    return Grid->InplaceEditor() != nullptr ? static_cast<QWidget*>(Grid->InplaceEditor()) : Grid;
  }

  void Hit(TDrawGrid* Grid) { CellsHit.insert({GridNo(Grid), Grid->Col(), Grid->Row()}); }

  int GridNo(TDrawGrid* Grid) const {
    return Grid == Form->dgSystem ? 0 : Grid == Form->dgSrcRects ? 1 : 2;
  }

  void TypeText(TDrawGrid* Grid, const QString& Text) {
    Hit(Grid);
    Type(Grid, Text);
    Keystrokes += Text.size();
  }

  // Pastes Text with Ctrl+V into the cell's editor, opened with F2 when
  // closed; part of the old text may be selected so the paste replaces it.
  void Paste(TDrawGrid* Grid, const QString& Text) {
    QGuiApplication::clipboard()->setText(Text);
    Hit(Grid);
    if (!Grid->EditorMode()) {
      Key(Grid, Qt::Key_F2);
      ++Keystrokes;
    }
    switch (Pick(3)) {
      case 0: QTest::keyClick(Target(Grid), Qt::Key_A, Qt::ControlModifier); ++Keystrokes; break;
      case 1: QTest::keyClick(Target(Grid), Qt::Key_Home); ++Keystrokes; break;
      default: break;
    }
    QTest::keyClick(Target(Grid), Qt::Key_V, Qt::ControlModifier);
    ++Keystrokes;
    ++Pastes;
  }

  // One key of those that edit, move or close: Enter and Delete included.
  void RandomKey(TDrawGrid* Grid) {
    struct TKey {
      Qt::Key Code;
      Qt::KeyboardModifiers Modifiers;
      const char* Name;
    };
    static const TKey Keys[] = {
        {Qt::Key_Return, Qt::NoModifier, "Enter"},    {Qt::Key_Enter, Qt::KeypadModifier, "keypad Enter"},
        {Qt::Key_Delete, Qt::NoModifier, "Delete"},   {Qt::Key_Backspace, Qt::NoModifier, "Backspace"},
        {Qt::Key_Escape, Qt::NoModifier, "Escape"},   {Qt::Key_F2, Qt::NoModifier, "F2"},
        {Qt::Key_Left, Qt::NoModifier, "Left"},       {Qt::Key_Right, Qt::NoModifier, "Right"},
        {Qt::Key_Up, Qt::NoModifier, "Up"},           {Qt::Key_Down, Qt::NoModifier, "Down"},
        {Qt::Key_Home, Qt::NoModifier, "Home"},       {Qt::Key_End, Qt::NoModifier, "End"},
        {Qt::Key_PageDown, Qt::NoModifier, "PgDn"},   {Qt::Key_PageUp, Qt::NoModifier, "PgUp"},
        {Qt::Key_A, Qt::ControlModifier, "Ctrl+A"},   {Qt::Key_X, Qt::ControlModifier, "Ctrl+X"},
        {Qt::Key_Z, Qt::ControlModifier, "Ctrl+Z"},   {Qt::Key_Y, Qt::ControlModifier, "Ctrl+Y"},
        {Qt::Key_C, Qt::ControlModifier, "Ctrl+C"},   {Qt::Key_V, Qt::ControlModifier, "Ctrl+V"},
        {Qt::Key_Insert, Qt::ShiftModifier, "Shift+Ins"}, {Qt::Key_Delete, Qt::ShiftModifier, "Shift+Del"},
    };
    const TKey& K = Keys[Pick(static_cast<int>(std::size(Keys)))];
    Last += std::string(" key ") + K.Name;
    Hit(Grid);
    QTest::keyClick(Target(Grid), K.Code, K.Modifiers);
    ++Keystrokes;
  }

  // A random cell, reached by a click or by setting the cursor; a click on
  // the current cell opens its editor.
  void RandomCell(TDrawGrid* Grid) {
    const int ACol = Grid->FixedCols() + Pick(Grid->ColCount() - Grid->FixedCols());
    const int ARow = 1 + Pick(Grid->RowCount() - 1);
    Last += " cell " + std::to_string(ACol) + "," + std::to_string(ARow);
    if (Chance(30)) {
      Grid->scrollTo(Grid->model()->index(ARow - 1, ACol));
      QTest::mouseClick(Grid->viewport(), Qt::LeftButton, Qt::NoModifier, Grid->CellRect(ACol, ARow).center());
    } else {
      Grid->SetCell(ACol, ARow);
    }
  }

  static std::string Shown(const QString& Text) {
    return Text.size() > 40 ? Text.left(40).toStdString() + "...(" + std::to_string(Text.size()) + ")"
                            : Text.toStdString();
  }

  // One random action on the current cell of Grid.
  void RandomAction(TDrawGrid* Grid) {
    Last.clear();
    const int What = Pick(100);
    if (What < 35) {
      // Typing: a short text, as keys; long texts are pasted.
      QString Text = RandomText();
      if (Text.size() > 40) Text.truncate(1 + Pick(40));
      Last = "type \"" + Shown(Text) + "\"";
      TypeText(Grid, Text);
    } else if (What < 65) {
      const QString Text = RandomText();
      Last = "paste \"" + Shown(Text) + "\"";
      Paste(Grid, Text);
    } else if (What < 90) {
      RandomKey(Grid);
    } else {
      RandomCell(Grid);
    }
    // A message box the grid raised has been answered; keep the record small.
    if (Script.Asked.size() > 200) Script.Asked.clear();
  }

  // ------------------------------------------------------------ checks

  TSnapshot Snap() {
    TSnapshot S;
    S.Text = PlanToText(T());
    S.RigidFlag = T().RigidFlag;
    S.Modified = Form->Modified();
    S.SrcCount = T().SrcCount;
    S.ObjCount = T().ObjCount;
    for (std::int32_t i = 1; i <= std::clamp(T().ObjCount, 0, MaxObjPlans); ++i)
      S.Quantities.push_back(T().ObjPlans[i].Quantity);
    return S;
  }

  static bool OneLine(const std::string& Text) { return Text.find_first_of("\r\n") == std::string::npos; }

  // Every value inside the range the grids accept and the record allows.
  // Empty when all is well, else the first fault found.
  std::string Fault(const TSnapshot& Before) {
    const TPlan& P = T();
    std::ostringstream Out;
    if (P.SrcCount < 0 || P.SrcCount > MaxSrcRects) Out << "SrcCount " << P.SrcCount;
    if (P.ObjCount < 0 || P.ObjCount > MaxObjPlans) Out << "ObjCount " << P.ObjCount;
    if (P.JobCount < 0 || P.JobCount > MaxJobs) Out << "JobCount " << P.JobCount;
    if (!Out.str().empty()) return Out.str();
    if (P.KnifeWidth < 0) Out << "KnifeWidth " << P.KnifeWidth;
    if (!(P.ExpectedRate >= 0 && P.ExpectedRate <= 1)) Out << "ExpectedRate " << P.ExpectedRate;
    if (P.SearchDepth < 0 || P.SearchDepth > 16) Out << "SearchDepth " << P.SearchDepth;
    for (std::int32_t i = 1; i <= P.SrcCount; ++i) {
      const TSrcRect& S = P.SrcRects[i];
      if (S.Length < 0 || S.Width < 0) Out << "sheet " << i << " size " << S.Length << "x" << S.Width;
      if (!OneLine(S.Name)) Out << "sheet " << i << " name of several lines";
    }
    for (std::int32_t i = 1; i <= P.ObjCount; ++i) {
      const TObjPlan& O = P.ObjPlans[i];
      if (O.Length < 0 || O.Width < 0) Out << "piece " << i << " size " << O.Length << "x" << O.Width;
      if (!OneLine(O.Name)) Out << "piece " << i << " name of several lines";
      if (O.Quantity < 0 || O.Pending < 0 || O.Pending > O.Quantity)
        Out << "piece " << i << " pending " << O.Pending << " of " << O.Quantity;
      // Without jobs nothing is placed yet.
      if (P.JobCount == 0 && O.Pending != O.Quantity)
        Out << "piece " << i << " pending " << O.Pending << " of " << O.Quantity << " without jobs";
      // An edited quantity starts the pending count over.
      if (i <= static_cast<std::int32_t>(Before.Quantities.size()) && i <= Before.ObjCount &&
          P.ObjCount >= Before.ObjCount && O.Quantity != Before.Quantities[static_cast<std::size_t>(i - 1)] &&
          O.Pending != O.Quantity)
        Out << "piece " << i << " quantity edited to " << O.Quantity << " but pending " << O.Pending;
    }
    for (std::int32_t j = 1; j <= P.JobCount; ++j) {
      const TJob& J = P.Jobs[j];
      if (J.SheetNo < 1 || J.SheetNo > P.SrcCount) Out << "job " << j << " on sheet " << J.SheetNo;
      for (std::int32_t k = 1; k <= J.RectCount; ++k)
        if (J.Rects[k].ObjNo < 1 || J.Rects[k].ObjNo > P.ObjCount)
          Out << "job " << j << " places piece " << J.Rects[k].ObjNo;
    }
    // The rows follow the tables.
    if (Form->dgSrcRects->RowCount() != std::max(P.SrcCount + 1, 2))
      Out << "sheet grid has " << Form->dgSrcRects->RowCount() << " rows for " << P.SrcCount << " sheets";
    if (Form->dgObjPlans->RowCount() != std::max(P.ObjCount + 1, 2))
      Out << "piece grid has " << Form->dgObjPlans->RowCount() << " rows for " << P.ObjCount << " pieces";
    // A change to what existed before must be marked, or closing loses it
    // (an entry appended by Enter is no change yet).
    if (!Before.Modified && !Form->Modified()) {
      const bool Appended = P.SrcCount > Before.SrcCount || P.ObjCount > Before.ObjCount;
      if (P.RigidFlag != Before.RigidFlag || (!Appended && PlanToText(P) != Before.Text))
        Out << "changed without being marked as changed";
    }
    return Out.str();
  }

  // Saves the task, loads it into a fresh record and compares; the load's
  // own save must give the same bytes.
  std::string RoundTripFault() {
    const std::string Path = QFile::encodeName(TempFile("fuzz.tsk")).toStdString();
    auto Loaded = std::make_unique<TPlan>();
    try {
      SavePlan(T(), Path);
      LoadPlan(*Loaded, Path);
    } catch (const EPlanError& Error) {
      return std::string("save and load failed: ") + Error.what();
    }
    const std::string Saved = PlanToText(T());
    if (PlanToText(*Loaded) != Saved) return "the loaded task differs from the saved one";
    if (FileBytes(TempFile("fuzz.tsk")).toStdString() != Saved) return "the file differs from the task's text";
    if (Loaded->ExpectedRate != T().ExpectedRate) return "expected utilisation changed in the file";
    return std::string();
  }

  // The start task of a case: an empty one, the bundled example computed,
  // or a computed task with a single sheet and piece.
  void StartTask(const std::string& Name) {
    if (Name == "Example") {
      OpenFile(Example("cabinet.tsk"));
      Form->N5Click();
      ASSERT_GT(T().JobCount, 0);
      Script.Asked.clear();  // the open dialog
    } else if (Name == "OnePiece") {
      T().SrcCount = 1;
      T().SrcRects[1] = TSrcRect{"S", 1000, 500};
      T().ObjCount = 1;
      T().ObjPlans[1] = TObjPlan{"P", 300, 200, 7, 7};
      Form->ShowTask();
      Form->N5Click();
      ASSERT_GT(T().JobCount, 0);
      ASSERT_TRUE(AllPlaced(T()));
      Form->SetModified(false);
    }
    ASSERT_TRUE(Script.Asked.empty());
  }

  // Random actions on Grid, checked after each one.
  void Actions(TDrawGrid* Grid, int Count, const std::string& Where) {
    for (int i = 0; i < Count; ++i) {
      const TSnapshot Before = Snap();
      RandomAction(Grid);
      QApplication::processEvents();
      const std::string Problem = Fault(Before);
      // (A question would fail at once: the script holds no answers.)
      ASSERT_EQ(Problem, "") << Where << ", action " << i << ": " << Last;
    }
  }
};

TEST_P(TGridFuzzTest, RandomKeysAndPastesKeepTheTaskInRangeAndLoadable) {
  const TFuzzCase& Case = GetParam();
  Rng.seed(Case.Seed);
  ASSERT_NO_FATAL_FAILURE(StartTask(Case.Name));

  TDrawGrid* Grids[] = {Form->dgSystem, Form->dgSrcRects, Form->dgObjPlans};
  const char* Names[] = {"dgSystem", "dgSrcRects", "dgObjPlans"};
  // First every editable cell in turn, including the empty row under the
  // entries, then random walks that move between cells on their own; the
  // grids in an order of the seed's choosing.
  int Order[] = {0, 1, 2};
  std::shuffle(std::begin(Order), std::end(Order), Rng);
  for (int g : Order) {
    TDrawGrid* Grid = Grids[g];
    for (int ACol = Grid->FixedCols(); ACol < Grid->ColCount(); ++ACol) {
      // Every row, the empty one under the entries too; the actions may
      // add and remove rows on the way.
      for (int ARow = 1; ARow < Grid->RowCount(); ++ARow) {
        Grid->setFocus();
        Grid->SetCell(ACol, ARow);
        const std::string Where = std::string(Case.Name) + " " + Names[g] + " cell " + std::to_string(ACol) + "," +
                                  std::to_string(ARow);
        ASSERT_NO_FATAL_FAILURE(Actions(Grid, 8, Where));
        Key(Grid, Qt::Key_Escape);
        ASSERT_EQ(RoundTripFault(), "") << Where;
      }
    }
  }
  for (int Walk = 0; Walk < 3; ++Walk) {
    for (int g : Order) {
      Grids[g]->setFocus();
      const std::string Where = std::string(Case.Name) + " walk " + std::to_string(Walk) + " in " + Names[g];
      ASSERT_NO_FATAL_FAILURE(Actions(Grids[g], 60, Where));
      ASSERT_EQ(RoundTripFault(), "") << Where;
    }
  }
  // Closing the editors hands their texts over once more.
  for (TDrawGrid* Grid : Grids) {
    const TSnapshot Before = Snap();
    Grid->SetEditorMode(false);
    ASSERT_EQ(Fault(Before), "") << Case.Name << ": closing the editor";
  }
  ASSERT_EQ(RoundTripFault(), "") << Case.Name << ": at the end";

  std::cout << "[ fuzz     ] " << Case.Name << ": " << Keystrokes << " keystrokes and " << Pastes
            << " pasted texts in " << CellsHit.size() << " cells\n";
}

INSTANTIATE_TEST_SUITE_P(Grids, TGridFuzzTest,
                         ::testing::Values(TFuzzCase{"New", 20240915u}, TFuzzCase{"Example", 20240916u},
                                           TFuzzCase{"OnePiece", 20240917u}),
                         [](const ::testing::TestParamInfo<TFuzzCase>& Info) { return std::string(Info.param.Name); });


}  // namespace
