// The print dialog driven as a person would: what it shows, what typing and
// picking change in the task, the copies field, printer setup and printing.
#include <gtest/gtest.h>

#include <QDateEdit>
#include <QRegularExpression>
#include <cmath>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include "GbkText.h"
#include "PrintRecorder.h"
#include "ScriptedAnswers.h"
#include "Unit3.h"
#include "support/TestData.h"

namespace {

class PrintDialog : public ::testing::Test {
 protected:
  PrintDialog() {
    Task->PlanName = ToGbk(QStringLiteral("板材切割计划"));
    Task->PlanDate = 45366.35;  // 2024-03-15 08:24
    AddSrcRect(*Task, {"Board", 2440, 1220});
    AddObjPlan(*Task, {"Door", 700, 400, 0, 2});
    TJob& Job = Task->Jobs[++Task->JobCount];
    Job.SheetNo = 1;
    Job.Count = 1;
    Job.PointCount = 1;
    Job.RectCount = 2;
    Job.Rects[1] = {1, 0, 0, 0};
    Job.Rects[2] = {1, 700, 0, 0};
    Form.Attach(Task.get(), [this] { ++Modified; });
    Form.UsePrintDevice(&Printer);
  }

  // Selects the whole field and types Text over it.
  static void TypeOver(QLineEdit* Edit, const QString& Text) {
    Edit->setFocus();
    Edit->selectAll();
    QTest::keyClicks(Edit, Text);
  }

  TScriptedAnswers Scripted;
  TAnswersScope Scope{Scripted};
  std::unique_ptr<TPlan> Task = testdata::NewTask();
  int Modified = 0;
  TRecordingPrinter Printer;
  TForm3 Form;
};

TEST_F(PrintDialog, ShowsItsControlsWithTheirCaptionsAndRoles) {
  EXPECT_EQ(Form.windowTitle(), QStringLiteral("打印作业计划"));
  EXPECT_EQ(Form.size(), QSize(490, 202));
  EXPECT_EQ(Form.GroupBox1->title(), QStringLiteral("打印选项"));
  EXPECT_EQ(Form.Label1->text(), QStringLiteral("计划名称:"));
  EXPECT_EQ(Form.Label2->text(), QStringLiteral("实施时间:"));
  EXPECT_EQ(Form.Label3->text(), QStringLiteral("打印份数:"));
  EXPECT_EQ(Form.Button1->text(), QStringLiteral("打印(&P)"));
  EXPECT_EQ(Form.Button4->text(), QStringLiteral("设置打印机"));
  EXPECT_EQ(Form.Button2->text(), QStringLiteral("关闭(&C)"));
  EXPECT_TRUE(Form.Button1->isDefault());
  EXPECT_TRUE(Form.DateTimePicker1->calendarPopup());
  EXPECT_EQ(Form.Edit2->text(), QStringLiteral("1"));
  EXPECT_EQ(Form.UpDown1->Position(), 1);
  EXPECT_EQ(Form.Copies(), 1);
  EXPECT_EQ(Form.Edit1->geometry(), QRect(76, 28, 377, 20));
  EXPECT_EQ(Form.Button2->geometry(), QRect(404, 168, 75, 25));
}

TEST_F(PrintDialog, ShowingFillsTheFieldsWithoutMarkingTheTaskChanged) {
  Form.show();
  EXPECT_EQ(Form.Edit1->text(), QStringLiteral("板材切割计划"));
  EXPECT_EQ(Form.DateTimePicker1->date(), QDate(2024, 3, 15));
  EXPECT_EQ(Modified, 0);

  // Bytes that are no GBK text are kept until the name is really edited.
  Form.hide();
  Task->PlanName = "Plan \x80\xFF";
  Form.show();
  EXPECT_EQ(Task->PlanName, "Plan \x80\xFF");
  EXPECT_EQ(Modified, 0);
}

TEST_F(PrintDialog, ATypedNameGoesIntoTheTaskAndOnlyARealChangeMarksIt) {
  Task->PlanName = "A";
  Form.show();
  TypeOver(Form.Edit1, QStringLiteral("A"));
  EXPECT_EQ(Task->PlanName, "A");
  EXPECT_EQ(Modified, 0) << "the stored name typed again";

  Form.Edit1->insert(QStringLiteral("柜"));  // as an input method commits it
  EXPECT_EQ(Task->PlanName, ToGbk(QStringLiteral("A柜")));
  EXPECT_EQ(Modified, 1);

  // The task file holds the name on one line.
  Form.Edit1->setText(QStringLiteral("x\r\ny"));
  EXPECT_EQ(Task->PlanName, "x  y");
  EXPECT_EQ(Form.Edit1->text(), QStringLiteral("x  y"));
}

TEST_F(PrintDialog, APickedDateGoesIntoTheTaskKeepingItsTimeOfDay) {
  Form.show();
  Form.DateTimePicker1->setDate(QDate(2024, 3, 15));
  EXPECT_EQ(Modified, 0) << "the stored date picked again";

  Form.DateTimePicker1->setFocus();
  QTest::keyClick(Form.DateTimePicker1, Qt::Key_Up);
  const QDate Picked = Form.DateTimePicker1->date();
  ASSERT_NE(Picked, QDate(2024, 3, 15));
  EXPECT_EQ(Modified, 1);
  EXPECT_EQ(PlanDateToDate(Task->PlanDate), Picked);
  EXPECT_NEAR(Task->PlanDate - std::trunc(Task->PlanDate), 0.35, 1e-9);

  // Closing keeps what was edited.
  Form.Button2->click();
  EXPECT_FALSE(Form.isVisible());
  EXPECT_EQ(PlanDateToDate(Task->PlanDate), Picked);
}

TEST_F(PrintDialog, TheCopiesFieldAndItsArrowsSetHowManyDocumentsArePrinted) {
  Form.show();
  TypeOver(Form.Edit2, QStringLiteral("2"));
  EXPECT_EQ(Form.Copies(), 2);
  EXPECT_EQ(Form.UpDown1->Position(), 2);
  QTest::mouseClick(Form.UpDown1->UpButton(), Qt::LeftButton);
  EXPECT_EQ(Form.Copies(), 3);
  EXPECT_EQ(Form.Edit2->text(), QStringLiteral("3"));
  QTest::keyClick(Form.Edit2, Qt::Key_Down);
  QTest::keyClick(Form.Edit2, Qt::Key_Up);
  EXPECT_EQ(Form.Copies(), 3);
  TypeOver(Form.Edit2, QStringLiteral("x"));  // refused by the field
  EXPECT_EQ(Form.Edit2->text(), QStringLiteral("3"));

  QTest::mouseClick(Form.Button1, Qt::LeftButton);
  ASSERT_EQ(Printer.Docs.size(), 3u);
  for (const TRecordedDoc& Doc : Printer.Docs) {
    EXPECT_TRUE(Doc.Ended);
    EXPECT_EQ(Doc.Pages.size(), 2u);
    EXPECT_NE(Doc.Pages[0].Find(QStringLiteral("Door")), nullptr);
  }
  EXPECT_TRUE(Form.isVisible()) << "the dialog stays open after printing";
  EXPECT_TRUE(Scripted.Asked.empty());

  // No copies, nothing printed.
  Printer.Docs.clear();
  TypeOver(Form.Edit2, QStringLiteral("0"));
  QTest::mouseClick(Form.UpDown1->DownButton(), Qt::LeftButton);
  EXPECT_EQ(Form.Copies(), 0);
  QTest::mouseClick(Form.Button1, Qt::LeftButton);
  EXPECT_TRUE(Printer.Docs.empty());
}

TEST_F(PrintDialog, PrinterSetupShowsAndSetsTheCopyCount) {
  Form.show();
  TypeOver(Form.Edit2, QStringLiteral("2"));
  Scripted.PrinterAnswers = {true, false};
  Scripted.OnPrinterSetup = [](QPrinter& P) {
    EXPECT_EQ(P.copyCount(), 2) << "the dialog opens with the field's count";
    P.setCopyCount(3);
  };
  QTest::mouseClick(Form.Button4, Qt::LeftButton);
  EXPECT_EQ(Form.Edit2->text(), QStringLiteral("3"));
  EXPECT_EQ(Form.Printer().copyCount(), 1) << "each copy is a document of one copy";

  QTest::mouseClick(Form.Button4, Qt::LeftButton);  // cancelled
  EXPECT_EQ(Form.Copies(), 3);
  EXPECT_EQ(Scripted.Texts("printer").size(), 2);

  QTest::mouseClick(Form.Button1, Qt::LeftButton);
  EXPECT_EQ(Printer.Docs.size(), 3u);
}

TEST_F(PrintDialog, APrintingFaultShowsTheErrorBoxAndPrintsNothingMore) {
  Task->Jobs[1].Rects[2].ObjNo = 7;
  Form.show();
  Form.SetCopies(2);
  QTest::mouseClick(Form.Button1, Qt::LeftButton);
  EXPECT_EQ(Scripted.Texts("error"), QStringList{"Range check error"});
  ASSERT_EQ(Printer.Docs.size(), 1u);
  EXPECT_TRUE(Printer.Docs[0].Aborted);
  EXPECT_TRUE(Form.isVisible());
  EXPECT_EQ(Modified, 0);
}

TEST_F(PrintDialog, WithoutAnyPrinterTheErrorBoxSaysSo) {
  Form.UsePrintDevice(nullptr);
  Form.Printer().setOutputFormat(QPrinter::PdfFormat);
  Form.Printer().setOutputFileName(QString());
  QTest::mouseClick(Form.Button1, Qt::LeftButton);
  EXPECT_EQ(Scripted.Texts("error"), QStringList{"There is no default printer currently selected"});
}

TEST_F(PrintDialog, PrintingToAFileFromPrinterSetupPutsEveryCopyIntoThatFile) {
  testdata::TTempDir Dir;
  const QString Path = QString::fromStdString(Dir.File("plan.pdf"));
  Form.UsePrintDevice(nullptr);
  Form.Printer().setOutputFormat(QPrinter::PdfFormat);
  Form.Printer().setOutputFileName(Path);
  Form.SetCopies(2);
  QTest::mouseClick(Form.Button1, Qt::LeftButton);
  EXPECT_TRUE(Scripted.Asked.empty());

  QProcess Info;
  Info.start(QStringLiteral("pdfinfo"), {Path});
  ASSERT_TRUE(Info.waitForFinished(30000)) << "pdfinfo (poppler-utils) is needed";
  EXPECT_TRUE(QString::fromUtf8(Info.readAllStandardOutput()).contains(QRegularExpression("Pages:\\s+4\\n")));
}

}  // namespace
