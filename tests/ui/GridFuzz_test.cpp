// The three grids against bad input: pasted texts with line breaks, an
// entry brought back after its deletion, and random keystrokes and pasted
// texts in every editable cell with fixed seeds. After every action the
// task must hold only values its fields can take, and after every cell it
// must still save and load to the same task.
#include <QClipboard>
#include <QGuiApplication>

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

}  // namespace
