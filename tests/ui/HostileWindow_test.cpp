// The window program against hostile input and failures nobody foresaw: an
// event handler that runs out of memory, a command that does, a file with a
// line beyond the limit, and a search depth no grid would take.
#include <stdexcept>

#include "AppSetup.h"
#include "WindowFixture.h"
#include "support/TestData.h"

namespace {

// A widget whose mouse press fails as its handler pleases.
class TFailingWidget : public QWidget {
 public:
  std::function<void()> OnPress;

 protected:
  void mousePressEvent(QMouseEvent*) override { OnPress(); }
};

TEST(ApplicationObject, AFailedEventHandlerShowsTheErrorAndTheProgramGoesOn) {
  ASSERT_NE(dynamic_cast<TApplication*>(QCoreApplication::instance()), nullptr);
  TScriptedAnswers Script;
  TAnswersScope Scope(Script);
  TFailingWidget Widget;
  Widget.resize(50, 50);
  Widget.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&Widget));

  Widget.OnPress = [] { throw std::bad_alloc(); };
  QTest::mouseClick(&Widget, Qt::LeftButton);
  EXPECT_TRUE(Script.Asked.empty()) << "the box waits until the event is over";
  QCoreApplication::processEvents();
  EXPECT_EQ(Script.Texts("error"), QStringList{QStringLiteral("Out of memory")});

  // Two failures before the box shows make one box; any other exception
  // shows its text.
  Widget.OnPress = [] { throw std::runtime_error("Range check error"); };
  QTest::mouseClick(&Widget, Qt::LeftButton);
  QTest::mouseClick(&Widget, Qt::LeftButton);
  QCoreApplication::processEvents();
  EXPECT_EQ(Script.Texts("error"), (QStringList{QStringLiteral("Out of memory"), QStringLiteral("Range check error")}));

  int Presses = 0;
  Widget.OnPress = [&] { ++Presses; };
  QTest::mouseClick(&Widget, Qt::LeftButton);
  EXPECT_EQ(Presses, 1);
}

using THostileWindowTest = TWindowTest;

TEST_F(THostileWindowTest, ACommandThatRunsOutOfMemoryShowsTheErrorBox) {
  Form->SetPrintCommand([] { throw std::bad_alloc(); });
  Form->P1Click();
  EXPECT_EQ(Script.Texts("error"), QStringList{QStringLiteral("Out of memory")});
  // The window still works.
  Script.Files.push_back(QString());
  Form->O1Click();
  EXPECT_EQ(Form->windowTitle(), QStringLiteral("Tavik Vadi \"\""));
}

TEST_F(THostileWindowTest, OpeningAFileWithALineBeyondTheLimitChangesNothing) {
  OpenFile(Example("cabinet.tsk"));
  const std::string Before = PlanToText(T());
  const QString Path = TempFile("long.tsk");
  QFile File(Path);
  ASSERT_TRUE(File.open(QIODevice::WriteOnly));
  File.write("1\r\n0\r\n0\r\n0\r\n1\r\n1\r\n");
  File.write(QByteArray(static_cast<int>(MaxLineBytes) + 1, 'n'));
  File.write("\r\n10\r\n20\r\n");
  File.close();

  Script.Files.push_back(Path);
  Form->O1Click();
  EXPECT_EQ(Script.Texts("error"), QStringList{QStringLiteral("Range check error")});
  EXPECT_EQ(PlanToText(T()), Before);
  EXPECT_EQ(Form->FileName(), Example("cabinet.tsk")) << "the refused file must not become the target of Save";
}

TEST_F(THostileWindowTest, ADepthBeyondTheGridsRangeIsShownAndKeptAsStored) {
  auto Deep = testdata::NewTask(100);
  AddSrcRect(*Deep, TSrcRect{"A", 2440, 1220});
  const QString Path = TempFile("deep.tsk");
  SavePlan(*Deep, QFile::encodeName(Path).toStdString());
  OpenFile(Path);
  TDrawGrid* Grid = Form->dgSystem;
  EXPECT_EQ(Grid->CellText(1, 3), QStringLiteral("100"));

  // Passing through the cell hands the stored text back: nothing is
  // refused and nothing changes.
  Grid->SetCell(1, 3);
  Key(Grid, Qt::Key_F2);
  ASSERT_TRUE(Grid->EditorMode());
  EXPECT_EQ(Grid->InplaceEditor()->text(), QStringLiteral("100"));
  Key(Grid, Qt::Key_Return);
  EXPECT_EQ(Script.Texts("message") + Script.Texts("error"), QStringList{});
  EXPECT_EQ(T().SearchDepth, 100);
  EXPECT_FALSE(Form->Modified());

  // A stored knife width and expected utilisation outside the grid's range
  // are kept the same way.
  Deep->KnifeWidth = -4;
  Deep->ExpectedRate = 1.5f;
  SavePlan(*Deep, QFile::encodeName(Path).toStdString());
  OpenFile(Path);
  for (int Row : {1, 2, 3}) {
    Grid->SetCell(1, Row);
    Key(Grid, Qt::Key_F2);
    Key(Grid, Qt::Key_Return);
  }
  EXPECT_EQ(Script.Texts("message") + Script.Texts("error"), QStringList{});
  EXPECT_EQ(T().KnifeWidth, -4);
  EXPECT_EQ(T().ExpectedRate, 1.5f);

  Form->S1Click();
  auto Saved = testdata::NewTask();
  LoadPlan(*Saved, QFile::encodeName(Path).toStdString());
  EXPECT_EQ(Saved->SearchDepth, 100);
}

}  // namespace
