// The print dialog and the printed job plan: a piece list, then the jobs
// two to a page, each with its sheet, repeat count, utilisation and a
// scaled drawing of its layout.
#pragma once

#include <QDate>
#include <QDialog>
#include <QString>
#include <functional>
#include <memory>

#include "CalcPlan.h"

class IPrintDevice;
class QDateEdit;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPrinter;
class QPushButton;
class QToolButton;

// Up and down arrows that step a whole number between Minimum and Maximum.
class TUpDown : public QWidget {
  Q_OBJECT

 public:
  explicit TUpDown(QWidget* Parent = nullptr);

  int Position() const { return Position_; }
  // Clamps Value to the range; emits PositionChanged when it moved.
  void SetPosition(int Value);
  void SetRange(int Minimum, int Maximum);
  QToolButton* UpButton() const { return Up_; }
  QToolButton* DownButton() const { return Down_; }

 signals:
  void PositionChanged(int Position);

 private:
  QToolButton* Up_;
  QToolButton* Down_;
  int Minimum_ = 0;
  int Maximum_ = 999;
  int Position_ = 0;
};

// "打印作业计划": the plan name and date, the number of copies, printer setup
// and printing. Created once; the main window attaches its task and shows
// the dialog modally from its print command.
class TForm3 : public QDialog {
  Q_OBJECT

 public:
  explicit TForm3(QWidget* Parent = nullptr);
  ~TForm3() override;

  // The task the dialog edits and prints, and what to call when the plan
  // name or date really changes (sets the main window's Modified flag).
  void Attach(TPlan* Task, std::function<void()> SetModified);

  // Prints on Device instead of the current printer; nullptr goes back to
  // the printer. The dialog does not own Device.
  void UsePrintDevice(IPrintDevice* Device);

  // The current printer, made on first use at its own resolution.
  QPrinter& Printer();

  // Copies printed by "打印(&P)", 0 to 999; shown in Edit2 and UpDown1.
  int Copies() const { return Copies_; }
  void SetCopies(int Value);

  // Handlers.
  void FormShow();               // fills Edit1 and DateTimePicker1 from the task
  void Edit1Change();            // a typed plan name goes into the task
  void DateTimePicker1Change();  // a picked date goes into the task
  void Button4Click();           // printer setup
  void Button1Click();           // prints Copies() documents
  void Button2Click();           // closes the dialog

  QGroupBox* GroupBox1;
  QLabel* Label1;
  QLineEdit* Edit1;
  QLabel* Label2;
  QDateEdit* DateTimePicker1;
  QLabel* Label3;
  QLineEdit* Edit2;
  TUpDown* UpDown1;
  QPushButton* Button1;
  QPushButton* Button4;
  QPushButton* Button2;

 protected:
  void showEvent(QShowEvent* Event) override;
  bool eventFilter(QObject* Watched, QEvent* Event) override;

 private:
  void Edit2Change();

  TPlan* Task_ = nullptr;
  std::function<void()> SetModified_;
  IPrintDevice* Device_ = nullptr;
  std::unique_ptr<QPrinter> Printer_;
  int Copies_ = 1;
  bool Filling_ = false;  // the dialog itself is filling its fields
};

// Piece-list pages: begins a document on Device and prints the title, the
// column heads and every piece of Task, two to a row, on as many pages as
// needed; the document stays open on its last page. Throws EPlanError
// ("Range check error") when ObjCount lies above the table.
void PrintPieceList(IPrintDevice& Device, const TPlan& Task);

// Job pages: starts a new page of the open document, prints the jobs two to
// a page and ends the document. Stores each job's utilisation in its Rate.
// Throws EPlanError ("Range check error") for a job whose sheet or piece
// numbers lie outside the task or whose sizes, positions or drawing leave
// 32-bit coordinates; the document is then left open for the caller to abort.
void PrintJobPages(IPrintDevice& Device, TPlan& Task);

// Draws Job to scale into the box from x = Left to Right, from y = Top down
// to a bottom in the half page where Top lies, with every piece outlined
// and labelled with its name and its two sizes. Throws as PrintJobPages.
void DrawJobLayout(IPrintDevice& Device, int Left, int Top, int Right, const TPlan& Task, const TJob& Job);

// Copies documents of the job plan, each the piece list and the job pages.
// On an error the open document is aborted and the error passed on; the
// copies already ended stay printed.
void PrintJobPlan(IPrintDevice& Device, TPlan& Task, int Copies);

// The job's header line: sheet name, size, repeat count and utilisation.
QString JobHeaderText(const TPlan& Task, TJob& Job);

// Utilisation Rate (a fraction) as printed: percent, 2 decimals, at most 7
// significant digits, the system's decimal separator ("-100.00" for -1).
QString RatePercentText(float Rate);

// The calendar date of a plan date (day count from 1899-12-30); invalid
// when the value lies outside the years 1 to 9999.
QDate PlanDateToDate(TDateTime Value);
// Value moved to Date, keeping its time of day.
TDateTime PlanDateWithDate(TDateTime Value, QDate Date);
// The plan date in the system's short date format.
QString PlanDateText(TDateTime Value);
