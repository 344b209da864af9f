// Editing the task in the three grids, driven with keys as a person types.
#include <QAbstractItemModelTester>
#include <QAction>
#include <QMenu>
#include <QTabBar>

#include "LocaleText.h"
#include "WindowFixture.h"

namespace {

const QString Point = QLocale::system().decimalPoint();

class TGridTest : public TWindowTest {
 protected:
  void SetUp() override {
    TWindowTest::SetUp();
    for (TDrawGrid* Grid : {Form->dgSystem, Form->dgSrcRects, Form->dgObjPlans})
      Testers.push_back(std::make_unique<QAbstractItemModelTester>(
          Grid->model(), QAbstractItemModelTester::FailureReportingMode::Fatal));
  }

  void TearDown() override {
    Testers.clear();
    TWindowTest::TearDown();
  }

  // Sheets and pieces set straight into the task, shown, unchanged.
  void Sheets(std::initializer_list<TSrcRect> List) {
    T().SrcCount = 0;
    for (const TSrcRect& Sheet : List) T().SrcRects[++T().SrcCount] = Sheet;
    Form->ShowTask();
  }
  void Pieces(std::initializer_list<TObjPlan> List) {
    T().ObjCount = 0;
    for (const TObjPlan& Piece : List) T().ObjPlans[++T().ObjCount] = Piece;
    Form->ShowTask();
  }

  std::vector<std::unique_ptr<QAbstractItemModelTester>> Testers;
};

TEST_F(TGridTest, NewTaskShowsItsSettingsAndOneEmptyRowUnderEachHeader) {
  TDrawGrid* System = Form->dgSystem;
  EXPECT_EQ(System->RowCount(), 5);
  EXPECT_EQ(System->ColCount(), 2);
  const QStringList Values{System->CellText(1, 1), System->CellText(1, 2), System->CellText(1, 3),
                           System->CellText(1, 4)};
  EXPECT_EQ(Values, (QStringList{QStringLiteral("0"), QStringLiteral("1") + Point + QStringLiteral("00"),
                                 QStringLiteral("1"), QStringLiteral("1")}));
  EXPECT_EQ(System->CellText(0, 3), QStringLiteral("算法搜索深度"));
  EXPECT_EQ(System->model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("值"));
  EXPECT_EQ(System->model()->index(1, 1).data().toString(), Values[1]);
  EXPECT_EQ(Form->dgSrcRects->RowCount(), 2);
  EXPECT_EQ(Form->dgObjPlans->RowCount(), 2);
  EXPECT_EQ(Form->dgObjPlans->ColCount(), 6);
  EXPECT_EQ(Form->dgObjPlans->model()->headerData(4, Qt::Horizontal).toString(), QStringLiteral("待排"));
  EXPECT_TRUE(Form->dgSrcRects->CellText(0, 1).isEmpty());
  EXPECT_TRUE(Form->dgSrcRects->CellText(1, 1).isEmpty());
  // The fixed column cannot be current or edited.
  System->SetCell(0, 2);
  EXPECT_EQ(System->Col(), 1);
}

TEST_F(TGridTest, NumbersAreRightAlignedAndColumnsGrowButNeverShrink) {
  Sheets({{"S", 5, 7}});
  TDrawGrid* Grid = Form->dgSrcRects;
  const QFontMetrics Metrics(Grid->font());
  const QString Long = QStringLiteral("A rather long sheet name");
  T().SrcRects[1].Name = Long.toStdString();
  Form->ShowTask();
  QImage Shot = Grid->viewport()->grab().toImage();
  EXPECT_GE(Grid->ColWidth(0), Metrics.horizontalAdvance(Long) + 8);
  const int Wide = Grid->ColWidth(0);

  // The digit 5 sits at the right end of its cell.
  Grid->SetCell(0, 1);  // keep the length cell free of the cursor's colours
  Shot = Grid->viewport()->grab().toImage();
  const QRect Cell = Grid->CellRect(1, 1);
  int Leftmost = Cell.right();
  for (int y = Cell.top(); y <= Cell.bottom(); ++y)
    for (int x = Cell.left(); x <= Cell.right(); ++x)
      if (qGray(Shot.pixel(x, y)) < 100) Leftmost = std::min(Leftmost, x);
  EXPECT_GT(Leftmost, Cell.center().x());
  EXPECT_LE(Leftmost, Cell.right() - 4 - Metrics.horizontalAdvance(QStringLiteral("5")) + 2);

  T().SrcRects[1].Name = "S";
  Form->ShowTask();
  Grid->viewport()->grab();
  EXPECT_EQ(Grid->ColWidth(0), Wide);
}

TEST_F(TGridTest, TypingIntoTheEmptyRowCreatesSheetOneAndEnterAppendsSheetTwo) {
  TDrawGrid* Grid = Form->dgSrcRects;
  Grid->SetCell(0, 1);
  Type(Grid, QStringLiteral("Board"));
  EXPECT_EQ(T().SrcCount, 1);
  EXPECT_EQ(T().SrcRects[1].Name, "Board");
  EXPECT_TRUE(Form->Modified());
  Key(Grid, Qt::Key_Return);
  EXPECT_EQ(Grid->Col(), 1);
  EXPECT_FALSE(Grid->EditorMode());
  Key(Grid, Qt::Key_Return);
  EXPECT_EQ(Grid->Col(), 2);
  ASSERT_TRUE(Grid->EditorMode());
  EXPECT_EQ(Grid->InplaceEditor()->text(), QStringLiteral("0"));
  Form->SetModified(false);
  Key(Grid, Qt::Key_Return);
  EXPECT_EQ(T().SrcCount, 2);
  EXPECT_EQ(T().SrcRects[2].Name, "");
  EXPECT_EQ(T().SrcRects[2].Length, 0);
  EXPECT_EQ(T().SrcRects[2].Width, 0);
  EXPECT_EQ(Grid->RowCount(), 3);
  EXPECT_EQ(Grid->Row(), 2);
  EXPECT_EQ(Grid->Col(), 0);
  EXPECT_FALSE(Form->Modified());  // appending a row is no change yet
}

TEST_F(TGridTest, ValuesAreStoredWhileTheyAreTyped) {
  Sheets({{"S", 0, 0}});
  TDrawGrid* Grid = Form->dgSrcRects;
  Grid->SetCell(1, 1);
  std::vector<TLength> Seen;
  for (QChar Digit : QStringLiteral("120")) {
    Type(Grid, Digit);
    Seen.push_back(T().SrcRects[1].Length);
  }
  EXPECT_EQ(Seen, (std::vector<TLength>{1, 12, 120}));
  EXPECT_TRUE(Script.Asked.empty());
}

TEST_F(TGridTest, NegativeSizesAreRefusedAndTheOldValueStays) {
  Sheets({{"S", 120, 80}});
  TDrawGrid* Grid = Form->dgSrcRects;
  Grid->SetCell(1, 1);
  Type(Grid, QStringLiteral("-5"));
  EXPECT_EQ(T().SrcRects[1].Length, 120);
  EXPECT_EQ(Script.Texts("message"), QStringList{QStringLiteral("长度不能为负值!")});
  // The lone minus sign was no number yet.
  EXPECT_EQ(Script.Texts("error"), QStringList{QStringLiteral("'-' is not a valid integer value")});
  Key(Grid, Qt::Key_Escape);
  Grid->SetCell(2, 1);
  Type(Grid, QStringLiteral("-7"));
  EXPECT_EQ(T().SrcRects[1].Width, 80);
  EXPECT_EQ(Script.Texts("message").last(), QStringLiteral("宽度不能为负值!"));
  EXPECT_FALSE(Form->Modified());
}

TEST_F(TGridTest, QuantityRefusesNegativesAndZeroResetsThePendingCount) {
  Pieces({{"P", 100, 50, 2, 5}});
  TDrawGrid* Grid = Form->dgObjPlans;
  Grid->SetCell(3, 1);
  Type(Grid, QStringLiteral("-1"));
  EXPECT_EQ(Script.Texts("message"), QStringList{QStringLiteral("数量只能为正整数!")});
  EXPECT_EQ(T().ObjPlans[1].Quantity, 5);
  Key(Grid, Qt::Key_Escape);
  Type(Grid, QStringLiteral("0"));
  EXPECT_EQ(T().ObjPlans[1].Quantity, 0);
  EXPECT_EQ(T().ObjPlans[1].Pending, 0);
  Type(Grid, QStringLiteral("3"));  // "03"
  EXPECT_EQ(T().ObjPlans[1].Quantity, 3);
  EXPECT_EQ(T().ObjPlans[1].Pending, 3);
  EXPECT_TRUE(Form->Modified());
}

TEST_F(TGridTest, ExpectedUtilisationTakesFractionsBetweenZeroAndOne) {
  TDrawGrid* Grid = Form->dgSystem;
  Grid->SetCell(1, 2);
  Type(Grid, QStringLiteral("0") + Point + QStringLiteral("5"));
  EXPECT_EQ(T().ExpectedRate, 0.5f);
  Key(Grid, Qt::Key_Return);
  EXPECT_EQ(Grid->CellText(1, 2), QStringLiteral("0") + Point + QStringLiteral("50"));
  EXPECT_TRUE(Script.Asked.empty());

  Grid->SetCell(1, 2);
  Type(Grid, QStringLiteral("1") + Point + QStringLiteral("5"));
  EXPECT_EQ(Script.Texts("message"), QStringList{QStringLiteral("板材利用率必须介于0~1之间!")});
  EXPECT_EQ(T().ExpectedRate, 1.0f);  // "1" and "1." were accepted on the way
  Key(Grid, Qt::Key_Escape);

  Type(Grid, QStringLiteral("x"));
  EXPECT_EQ(Script.Texts("error"), QStringList{QStringLiteral("'x' is not a valid floating point value")});
  Key(Grid, Qt::Key_Escape);

  // Beyond the single-precision range is out of range too, not infinity.
  Script.Asked.clear();
  Grid->SetCell(1, 2);
  Type(Grid, QStringLiteral("0e39"));
  EXPECT_EQ(T().ExpectedRate, 0.0f);
  Key(Grid, Qt::Key_Home);
  Type(Grid, QStringLiteral("1"));  // "10e39"
  EXPECT_EQ(Script.Texts("message"), QStringList{QStringLiteral("板材利用率必须介于0~1之间!")});
  EXPECT_EQ(T().ExpectedRate, 0.0f);
}

TEST_F(TGridTest, ALetterInAClosedLengthCellOpensTheEditorWithItAndIsReported) {
  Sheets({{"S", 120, 80}});
  TDrawGrid* Grid = Form->dgSrcRects;
  Grid->SetCell(1, 1);
  ASSERT_FALSE(Grid->EditorMode());
  Type(Grid, QStringLiteral("x"));
  ASSERT_TRUE(Grid->EditorMode());
  EXPECT_EQ(Grid->InplaceEditor()->text(), QStringLiteral("x"));
  EXPECT_EQ(Script.Texts("error"), QStringList{QStringLiteral("'x' is not a valid integer value")});
  EXPECT_EQ(T().SrcRects[1].Length, 120);
  EXPECT_FALSE(Form->Modified());
}

TEST_F(TGridTest, ReenteringTheStoredValueIsNoChange) {
  Sheets({{"S", 120, 80}});
  Form->dgSystem->SetCell(1, 1);
  Type(Form->dgSystem, QStringLiteral("0"));  // the knife width it has
  Key(Form->dgSystem, Qt::Key_Return);
  Type(Form->dgSystem, QStringLiteral("1"));  // "1.00" read back as 1
  Key(Form->dgSystem, Qt::Key_Return);
  Form->dgSystem->SetCell(1, 4);
  Type(Form->dgSystem, QStringLiteral("1"));  // the rigid flag it has
  Key(Form->dgSystem, Qt::Key_Return);
  // Opening and closing an editor hands its unchanged text back.
  Form->dgSrcRects->SetCell(0, 1);
  Key(Form->dgSrcRects, Qt::Key_Return);
  Key(Form->dgSrcRects, Qt::Key_F2);
  ASSERT_TRUE(Form->dgSrcRects->EditorMode());
  Key(Form->dgSrcRects, Qt::Key_Return);
  EXPECT_FALSE(Form->Modified());
  EXPECT_TRUE(Script.Asked.empty());
}

TEST_F(TGridTest, SearchDepthSeventeenStoresOneAndIsRefusedTwice) {
  TDrawGrid* Grid = Form->dgSystem;
  Grid->SetCell(1, 3);
  Type(Grid, QStringLiteral("17"));
  EXPECT_EQ(T().SearchDepth, 1);
  EXPECT_EQ(Script.Texts("message").size(), 1);
  Key(Grid, Qt::Key_Return);  // the editor closes with 17 once more
  EXPECT_EQ(Script.Texts("message"),
            (QStringList{QStringLiteral("算法搜索深度必须介于0~16之间!"), QStringLiteral("算法搜索深度必须介于0~16之间!")}));
  EXPECT_EQ(T().SearchDepth, 1);
  EXPECT_EQ(Grid->Row(), 4);
  Type(Grid, QStringLiteral("1"));
  Key(Grid, Qt::Key_Return);
  EXPECT_EQ(Grid->Row(), 1);  // Enter from the last setting goes back to the first
}

TEST_F(TGridTest, RigidFlagTakesAnyWholeNumber) {
  TDrawGrid* Grid = Form->dgSystem;
  Grid->SetCell(1, 4);
  Type(Grid, QStringLiteral("0"));
  EXPECT_FALSE(T().RigidFlag);
  EXPECT_TRUE(Form->Modified());
  Key(Grid, Qt::Key_Escape);
  Type(Grid, QStringLiteral("-3"));
  EXPECT_TRUE(T().RigidFlag);
  EXPECT_EQ(Grid->CellText(1, 4), QStringLiteral("1"));
}

TEST_F(TGridTest, WholeNumbersAreSigned32Bit) {
  Sheets({{"S", 1, 1}});
  TDrawGrid* Grid = Form->dgSrcRects;
  Grid->SetCell(1, 1);
  Type(Grid, QStringLiteral("2147483647"));
  EXPECT_EQ(T().SrcRects[1].Length, 2147483647);
  Key(Grid, Qt::Key_Escape);
  Grid->SetCell(2, 1);
  Type(Grid, QStringLiteral("2147483648"));
  EXPECT_EQ(Script.Texts("error"), QStringList{QStringLiteral("'2147483648' is not a valid integer value")});
  EXPECT_EQ(T().SrcRects[1].Width, 214748364);
}

TEST_F(TGridTest, PendingColumnOpensEmptyAndIgnoresWhatIsTyped) {
  Pieces({{"P", 100, 50, 2, 5}});
  TDrawGrid* Grid = Form->dgObjPlans;
  Grid->SetCell(4, 1);
  EXPECT_EQ(Grid->CellText(4, 1), QStringLiteral("2"));
  Key(Grid, Qt::Key_F2);
  ASSERT_TRUE(Grid->EditorMode());
  EXPECT_TRUE(Grid->InplaceEditor()->text().isEmpty());
  Type(Grid, QStringLiteral("9x"));
  Key(Grid, Qt::Key_Return);
  EXPECT_EQ(T().ObjPlans[1].Pending, 2);
  EXPECT_EQ(T().ObjPlans[1].Quantity, 5);
  EXPECT_TRUE(Script.Asked.empty());
  EXPECT_FALSE(Form->Modified());
}

TEST_F(TGridTest, NamesAreStoredAsGbkAndRedrawTheLayoutView) {
  OpenFile(Example("cabinet.tsk"));
  Form->N5Click();
  ASSERT_GT(T().JobCount, 0);
  const std::int32_t Drawn = T().Jobs[1].Rects[1].ObjNo;
  const QImage Before = Form->Image1->Picture().copy(Form->Panel3->rect());
  TDrawGrid* Grid = Form->dgObjPlans;
  Grid->SetCell(0, Drawn);
  Type(Grid, QStringLiteral("门"));
  EXPECT_EQ(T().ObjPlans[Drawn].Name, std::string("\xC3\xC5"));
  EXPECT_EQ(Grid->CellText(0, Drawn), QStringLiteral("门"));
  EXPECT_NE(Form->Image1->Picture().copy(Form->Panel3->rect()), Before);
}

TEST_F(TGridTest, DeletingTheOnlySheetKeepsItsSlotForTheNextName) {
  Sheets({{"S", 100, 50}});
  TDrawGrid* Grid = Form->dgSrcRects;
  Grid->SetCell(1, 1);
  Key(Grid, Qt::Key_Delete);
  EXPECT_EQ(T().SrcCount, 0);
  EXPECT_EQ(Grid->RowCount(), 2);
  EXPECT_TRUE(Grid->CellText(1, 1).isEmpty());
  Grid->SetCell(0, 1);
  Type(Grid, QStringLiteral("T"));
  EXPECT_EQ(T().SrcCount, 1);
  EXPECT_EQ(T().SrcRects[1].Name, "T");
  EXPECT_EQ(T().SrcRects[1].Length, 100);
  EXPECT_EQ(T().SrcRects[1].Width, 50);
}

TEST_F(TGridTest, DeleteWhileEditingRemovesTheEntryAndDropsTheEditorsText) {
  Sheets({{"A", 100, 10}, {"B", 200, 20}, {"C", 300, 30}});
  TDrawGrid* Grid = Form->dgSrcRects;
  Grid->SetCell(1, 1);
  Key(Grid, Qt::Key_F2);
  Key(Grid, Qt::Key_End);
  Type(Grid, QStringLiteral("5"));
  ASSERT_EQ(T().SrcRects[1].Length, 1005);
  Key(Grid, Qt::Key_Home);
  Key(Grid, Qt::Key_Delete);
  EXPECT_FALSE(Grid->EditorMode());
  ASSERT_EQ(T().SrcCount, 2);
  EXPECT_EQ(T().SrcRects[1].Name, "B");
  EXPECT_EQ(T().SrcRects[1].Length, 200);  // not the editor's text
  EXPECT_EQ(T().SrcRects[2].Name, "C");
  EXPECT_EQ(T().SrcRects[3].Name, "C");  // the slot out of the count keeps its content
  EXPECT_EQ(Grid->RowCount(), 3);
  // Nothing more is stored when the focus moves on.
  Form->dgObjPlans->setFocus();
  QApplication::processEvents();
  EXPECT_EQ(T().SrcRects[1].Length, 200);
}

TEST_F(TGridTest, DeleteClearsTheJobsThatWouldPointAtRenumberedEntries) {
  OpenFile(Example("cabinet.tsk"));
  Form->N5Click();
  ASSERT_GT(T().JobCount, 0);
  const std::string Third = T().ObjPlans[3].Name;
  Form->dgObjPlans->SetCell(0, 2);
  Key(Form->dgObjPlans, Qt::Key_Delete);
  EXPECT_EQ(T().ObjCount, 9);
  EXPECT_EQ(T().ObjPlans[2].Name, Third);
  EXPECT_EQ(T().JobCount, 0);
  EXPECT_EQ(Form->TabSet1->count(), 0);
  for (std::int32_t i = 1; i <= T().ObjCount; ++i) EXPECT_EQ(T().ObjPlans[i].Pending, T().ObjPlans[i].Quantity);
  // The removal is a change the user must not lose by closing.
  EXPECT_TRUE(Form->Modified());
}

TEST_F(TGridTest, DeleteInAnEmptyTableDoesNothing) {
  Form->dgSrcRects->SetCell(0, 1);
  Key(Form->dgSrcRects, Qt::Key_Delete);
  Key(Form->dgObjPlans, Qt::Key_Delete);
  EXPECT_EQ(T().SrcCount, 0);
  EXPECT_EQ(T().ObjCount, 0);
  EXPECT_EQ(Form->dgSrcRects->RowCount(), 2);
  EXPECT_FALSE(Form->Modified());
}

TEST_F(TGridTest, EnterAtTheEndOfAFullTableAppendsNothing) {
  T().SrcCount = MaxSrcRects;
  for (std::int32_t i = 1; i <= MaxSrcRects; ++i) T().SrcRects[i] = TSrcRect{"S", i, i};
  Form->ShowTask();
  TDrawGrid* Grid = Form->dgSrcRects;
  EXPECT_EQ(Grid->RowCount(), 101);
  Grid->SetCell(2, 100);
  Key(Grid, Qt::Key_Return);
  EXPECT_EQ(T().SrcCount, MaxSrcRects);
  EXPECT_EQ(Grid->Row(), 100);
  EXPECT_EQ(Grid->Col(), 2);
  EXPECT_EQ(Grid->RowCount(), 101);
}

TEST_F(TGridTest, EnterInTheEmptyRowOfAnEmptyTableAppendsNothing) {
  for (TDrawGrid* Grid : {Form->dgSrcRects, Form->dgObjPlans}) {
    const int Last = Grid->ColCount() - 1;
    Grid->SetCell(Last, 1);
    Key(Grid, Qt::Key_Return);
    Key(Grid, Qt::Key_Return);
    EXPECT_EQ(Grid->RowCount(), 2);
    EXPECT_EQ(Grid->Row(), 1);
    EXPECT_EQ(Grid->Col(), Last);
  }
  EXPECT_EQ(T().SrcCount, 0);
  EXPECT_EQ(T().ObjCount, 0);
}

TEST_F(TGridTest, AWholeTaskEnteredFromTheKeyboardIsComputedAndSaved) {
  Form->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(Form.get()));
  ASSERT_EQ(QApplication::focusWidget(), Form->dgSystem);
  // Keys go wherever the focus is, as on a keyboard, with the window's
  // messages handled between them.
  auto Keys = [](const QString& Text) {
    for (QChar Char : Text) {
      QApplication::processEvents();
      QTest::keyClick(QApplication::focusWidget(), Char.toLatin1());
    }
  };
  auto Press = [](Qt::Key Code, Qt::KeyboardModifiers Modifiers = Qt::NoModifier) {
    QApplication::processEvents();
    QTest::keyClick(QApplication::focusWidget(), Code, Modifiers);
  };
  auto Enter = [&] { Press(Qt::Key_Return); };

  // Settings: knife width, expected utilisation, depth, rigid.
  for (const QString& Value : {QStringLiteral("4"), QStringLiteral("0") + Point + QStringLiteral("9"),
                               QStringLiteral("1"), QStringLiteral("1")}) {
    Keys(Value);
    Enter();
  }
  Press(Qt::Key_Tab);
  ASSERT_EQ(QApplication::focusWidget(), Form->dgSrcRects);
  // Two sheet sizes; Enter in the last column goes on to the next sheet.
  Keys(QStringLiteral("Full"));
  Enter();
  Keys(QStringLiteral("2440"));
  Enter();
  Keys(QStringLiteral("1220"));
  Enter();
  Keys(QStringLiteral("Half"));
  Enter();
  Keys(QStringLiteral("1220"));
  Enter();
  Keys(QStringLiteral("1220"));
  Press(Qt::Key_Tab);
  ASSERT_EQ(QApplication::focusWidget(), Form->dgObjPlans);
  const char* Pieces[5][4] = {{"Side", "720", "560", "4"},
                              {"Top", "764", "560", "2"},
                              {"Shelf", "760", "540", "3"},
                              {"Door", "716", "396", "4"},
                              {"Plinth", "764", "100", "2"}};
  for (int i = 0; i < 5; ++i) {
    for (int c = 0; c < 4; ++c) {
      Keys(QString::fromLatin1(Pieces[i][c]));
      if (i < 4 || c < 3) Enter();
    }
  }
  Press(Qt::Key_Tab);

  EXPECT_EQ(T().KnifeWidth, 4);
  EXPECT_EQ(T().ExpectedRate, 0.9f);
  EXPECT_EQ(T().SrcCount, 2);
  EXPECT_EQ(T().ObjCount, 5);
  EXPECT_EQ(T().SrcRects[2].Name, "Half");
  EXPECT_EQ(T().ObjPlans[5].Name, "Plinth");
  EXPECT_EQ(T().ObjPlans[5].Pending, 2);
  EXPECT_TRUE(Form->Modified());
  EXPECT_TRUE(Script.Asked.empty());

  // Compute through the menu: Alt+T, then Enter on its first item.
  Press(Qt::Key_T, Qt::AltModifier);
  ASSERT_TRUE(QTest::qWaitFor([] { return QApplication::activePopupWidget() != nullptr; }));
  QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Return);
  EXPECT_TRUE(AllPlaced(T()));
  ASSERT_GT(T().JobCount, 0);
  EXPECT_EQ(Form->TabSet1->count(), T().JobCount);

  // The offscreen platform activates every window it shows, the progress
  // dialog too although it is shown without activation; a desktop leaves
  // the keyboard with the main window (the check in a real X session sees
  // that).
  Form->activateWindow();
  // Save with its shortcut, then read the file back.
  const QString Path = TempFile("keyboard.tsk");
  Script.Files = {Path};
  Press(Qt::Key_S, Qt::ControlModifier);
  EXPECT_EQ(Form->FileName(), Path);
  EXPECT_FALSE(Form->Modified());
  auto Reloaded = std::make_unique<TPlan>();
  LoadPlan(*Reloaded, QFile::encodeName(Path).toStdString());
  EXPECT_EQ(PlanToText(*Reloaded), PlanToText(T()));
  EXPECT_EQ(Reloaded->ObjCount, 5);
  EXPECT_EQ(Reloaded->SrcRects[1].Length, 1220);  // sheets are ordered by size for the calculation
  EXPECT_EQ(Reloaded->JobCount, T().JobCount);
}

TEST_F(TGridTest, TheTurnColumnTakesZeroOrOneAndRefusesTheRest) {
  Pieces({{"P", 300, 200, 4, 4}});
  TDrawGrid* Grid = Form->dgObjPlans;
  EXPECT_EQ(Grid->model()->headerData(5, Qt::Horizontal).toString(), QStringLiteral("可旋转"));
  EXPECT_EQ(Grid->CellText(5, 1), QStringLiteral("1"));
  Grid->SetCell(5, 1);
  Key(Grid, Qt::Key_F2);
  ASSERT_TRUE(Grid->EditorMode());
  EXPECT_EQ(Grid->InplaceEditor()->text(), QStringLiteral("1"));
  Grid->InplaceEditor()->clear();
  Type(Grid, QStringLiteral("0"));
  EXPECT_FALSE(T().ObjPlans[1].MayTurn);
  EXPECT_TRUE(Form->Modified());
  EXPECT_EQ(Grid->CellText(5, 1), QStringLiteral("0"));
  Key(Grid, Qt::Key_Escape);

  // Refused values leave the lock as it is; a text is no number at all.
  Form->SetModified(false);
  for (const char* Typed : {"2", "-1", "x"}) {
    Grid->SetCell(5, 1);
    Type(Grid, QString::fromLatin1(Typed));
    Key(Grid, Qt::Key_Escape);
  }
  EXPECT_FALSE(T().ObjPlans[1].MayTurn);
  EXPECT_FALSE(Form->Modified());
  EXPECT_EQ(Script.Texts("message"),
            (QStringList{QStringLiteral("可旋转标识只能为0或1!"), QStringLiteral("可旋转标识只能为0或1!")}));
  EXPECT_EQ(Script.Texts("error").last(), QStringLiteral("'x' is not a valid integer value"));

  // Typing the stored value again is no change.
  Grid->SetCell(5, 1);
  Type(Grid, QStringLiteral("0"));
  EXPECT_FALSE(Form->Modified());
}

TEST_F(TGridTest, TheStockColumnTakesWholeNumbersFromZero) {
  Sheets({{"S", 2440, 1220}});
  TDrawGrid* Grid = Form->dgSrcRects;
  EXPECT_EQ(Grid->model()->headerData(3, Qt::Horizontal).toString(), QStringLiteral("库存"));
  EXPECT_EQ(Grid->CellText(3, 1), QStringLiteral("0"));
  Grid->SetCell(3, 1);
  Type(Grid, QStringLiteral("12"));
  EXPECT_EQ(T().SrcRects[1].Stock, 12);
  EXPECT_TRUE(Form->Modified());
  Key(Grid, Qt::Key_Escape);
  Form->SetModified(false);
  Grid->SetCell(3, 1);
  Type(Grid, QStringLiteral("-3"));
  EXPECT_EQ(T().SrcRects[1].Stock, 12);
  EXPECT_EQ(Script.Texts("message"), QStringList{QStringLiteral("库存数量不能为负值!")});
  EXPECT_FALSE(Form->Modified());
}

TEST_F(TGridTest, EnterInTheNewColumnsAppendsAsInTheLastColumnsBefore) {
  // Enter from the stock column appends a sheet with the default stock,
  // from the turn column a piece that may turn.
  Sheets({{"S", 2440, 1220, 3}});
  Pieces({{"P", 300, 200, 4, 4, false}});
  TDrawGrid* Sheet = Form->dgSrcRects;
  Sheet->SetCell(3, 1);
  Key(Sheet, Qt::Key_Return);
  EXPECT_EQ(T().SrcCount, 2);
  EXPECT_EQ(T().SrcRects[2].Stock, 0);
  EXPECT_EQ(Sheet->Row(), 2);
  EXPECT_EQ(Sheet->Col(), 0);
  TDrawGrid* Piece = Form->dgObjPlans;
  Piece->SetCell(5, 1);
  Key(Piece, Qt::Key_Return);
  EXPECT_EQ(T().ObjCount, 2);
  EXPECT_TRUE(T().ObjPlans[2].MayTurn);
  EXPECT_EQ(Piece->Row(), 2);
  EXPECT_EQ(Piece->Col(), 0);

  // Delete moves the values up with their entries.
  T().ObjPlans[2] = TObjPlan{"Q", 10, 10, 1, 1};
  Piece->SetCell(0, 1);
  Key(Piece, Qt::Key_Delete);
  EXPECT_EQ(T().ObjCount, 1);
  EXPECT_TRUE(T().ObjPlans[1].MayTurn);
  Sheet->SetCell(0, 1);
  Key(Sheet, Qt::Key_Delete);
  EXPECT_EQ(T().SrcRects[1].Stock, 0);
}

}  // namespace
