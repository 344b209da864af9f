// Where the keyboard is: the current cell of the focused grid, the keyboard
// after a refused value, and the stops Tab goes through.
#include <QDialog>
#include <QPushButton>
#include <QTabBar>

#include "WindowFixture.h"

namespace {

class TFocusTest : public TWindowTest {
 protected:
  void SetUp() override {
    TWindowTest::SetUp();
    Form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(Form.get()));
  }

  // The main window active again, as the window manager makes it after a
  // box closed.
  void Reactivate() {
    Form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(Form.get()));
    QApplication::processEvents();
  }

  // How much of the cell's inside is painted Colour, and how much of its
  // one-pixel edge.
  struct TCellPaint {
    double Inside = 0;
    double Edge = 0;
  };
  static TCellPaint Paint(TDrawGrid* Grid, int ACol, int ARow, QRgb Colour) {
    const QImage Shot = Grid->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QRect Cell = Grid->CellRect(ACol, ARow);
    int In = 0, InAll = 0, Edge = 0, EdgeAll = 0;
    for (int y = Cell.top(); y <= Cell.bottom(); ++y)
      for (int x = Cell.left(); x <= Cell.right(); ++x) {
        const bool OnEdge = x == Cell.left() || x == Cell.right() || y == Cell.top() || y == Cell.bottom();
        const bool Match = (Shot.pixel(x, y) & 0xFFFFFF) == (Colour & 0xFFFFFF);
        (OnEdge ? EdgeAll : InAll) += 1;
        (OnEdge ? Edge : In) += Match;
      }
    return {InAll > 0 ? double(In) / InAll : 0, EdgeAll > 0 ? double(Edge) / EdgeAll : 0};
  }

  QRgb Highlight() const { return Form->dgSystem->palette().color(QPalette::Active, QPalette::Highlight).rgb(); }
  QRgb Frame() const { return Form->dgSystem->palette().color(QPalette::Active, QPalette::WindowText).rgb(); }

  // A box that takes the keyboard while it is up and, when it goes,
  // leaves no window active: what a message box does on a desktop.
  void BoxesTakeTheKeyboard() {
    Script.OnBox = [this] {
      QDialog Box(Form.get());
      Box.setModal(true);
      auto* Ok = new QPushButton(QStringLiteral("OK"), &Box);
      Box.show();
      Box.activateWindow();
      EXPECT_TRUE(QTest::qWaitForWindowActive(&Box));
      Ok->setFocus();
      QApplication::processEvents();
      EXPECT_EQ(QApplication::focusWidget(), Ok);
      Box.hide();
      QApplication::processEvents();
    };
  }
};

TEST_F(TFocusTest, TheFocusedGridShowsItsCurrentCellAtLeastAsClearlyAsTheOthers) {
  OpenFile(Example("cabinet.tsk"));
  Form->dgSrcRects->setFocus();
  Form->dgSrcRects->SetCell(1, 2);
  Form->dgObjPlans->SetCell(2, 3);
  QApplication::processEvents();
  ASSERT_TRUE(Form->dgSrcRects->hasFocus());

  // Without the keyboard: the current cell is filled with the highlight.
  const TCellPaint Other = Paint(Form->dgObjPlans, 2, 3, Highlight());
  EXPECT_GT(Other.Inside, 0.5);
  // With it: filled as well, and framed all round besides.
  const TCellPaint Focused = Paint(Form->dgSrcRects, 1, 2, Highlight());
  EXPECT_GT(Focused.Inside, 0.5);
  EXPECT_GT(Paint(Form->dgSrcRects, 1, 2, Frame()).Edge, 0.9);
  EXPECT_LT(Paint(Form->dgObjPlans, 2, 3, Frame()).Edge, 0.5);

  // After an edit the cell the cursor moved to is shown the same way.
  Type(Form->dgSrcRects, QStringLiteral("2500"));
  Key(Form->dgSrcRects, Qt::Key_Return);
  ASSERT_FALSE(Form->dgSrcRects->EditorMode());
  ASSERT_EQ(Form->dgSrcRects->Col(), 2);
  QApplication::processEvents();
  EXPECT_GT(Paint(Form->dgSrcRects, 2, 2, Highlight()).Inside, 0.5);
  EXPECT_GT(Paint(Form->dgSrcRects, 2, 2, Frame()).Edge, 0.9);
}

TEST_F(TFocusTest, TheKeyboardComesBackAfterEveryRefusal) {
  BoxesTakeTheKeyboard();
  TDrawGrid* Grid = Form->dgSrcRects;
  Grid->setFocus();
  Type(Grid, QStringLiteral("Full"));  // sheet 1
  Key(Grid, Qt::Key_Return);  // on to its length
  ASSERT_EQ(Grid->Col(), 1);

  // Refused while typing: the editor stays open and gets the keys again.
  Type(Grid, QStringLiteral("-5"));
  ASSERT_EQ(Script.Texts("message"), QStringList{QStringLiteral("长度不能为负值!")});
  Reactivate();
  ASSERT_NE(Grid->InplaceEditor(), nullptr);
  EXPECT_EQ(QApplication::focusWidget(), Grid->InplaceEditor());

  // Refused as the editor closes: the grid has the keys.
  Key(Grid, Qt::Key_Return);
  ASSERT_EQ(Script.Texts("message").size(), 2);
  Reactivate();
  EXPECT_EQ(Grid->InplaceEditor(), nullptr);
  EXPECT_EQ(QApplication::focusWidget(), Grid);
  // And typing goes on in the cell the cursor moved to.
  Type(Grid, QStringLiteral("1220"));
  EXPECT_EQ(T().SrcRects[1].Width, 1220);
  EXPECT_EQ(T().SrcRects[1].Length, 0);
}

TEST_F(TFocusTest, TabStopsAreTheGridsAndTheJobTabsWhenThereAreAny) {
  auto Stops = [&] {
    QList<QWidget*> Seen;
    Form->dgSystem->setFocus();
    QApplication::processEvents();
    for (int k = 0; k < 8 && !Seen.contains(QApplication::focusWidget()); ++k) {
      Seen << QApplication::focusWidget();
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    return Seen;
  };
  using TStops = QList<QWidget*>;
  EXPECT_EQ(Stops(), (TStops{Form->dgSystem, Form->dgSrcRects, Form->dgObjPlans}));

  OpenFile(Example("cabinet.tsk"));
  Form->N5Click();
  ASSERT_GT(Form->TabSet1->count(), 1);
  Reactivate();
  EXPECT_EQ(Stops(), (TStops{Form->dgSystem, Form->dgSrcRects, Form->dgObjPlans, Form->TabSet1}));

  // The tab bar shows that it has the keyboard.
  Form->dgObjPlans->setFocus();
  QApplication::processEvents();
  const QImage Without = Form->TabSet1->grab().toImage();
  Form->TabSet1->setFocus();
  QApplication::processEvents();
  EXPECT_NE(Form->TabSet1->grab().toImage(), Without);

  // Clearing the jobs takes the empty bar out, and the keyboard with it.
  Form->N10Click();
  EXPECT_FALSE(Form->TabSet1->hasFocus());
  EXPECT_EQ(QApplication::focusWidget(), Form->dgObjPlans);
  EXPECT_EQ(Stops(), (TStops{Form->dgSystem, Form->dgSrcRects, Form->dgObjPlans}));
}

}  // namespace
