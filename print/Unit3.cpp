#include "Unit3.h"

#include <QApplication>
#include <QDateEdit>
#include <QGroupBox>
#include <QIntValidator>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPen>
#include <QPrinter>
#include <QPushButton>
#include <QSignalBlocker>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "Answers.h"
#include "Fonts.h"
#include "GbkText.h"
#include "JobView.h"
#include "PrintDevice.h"

// ------------------------------------------------------------ drawing kit

namespace {

using TWide64 = std::int64_t;

const QString Han = QStringLiteral("汉");
// Written after the quantity of a piece that keeps its direction.
const QString GrainText = QStringLiteral("顺纹");

[[noreturn]] void RangeError() { throw EPlanError(PlanMessages::RangeCheck); }

// A value that must fit a 32-bit drawing coordinate.
int Int32(TWide64 Value) {
  if (Value < std::numeric_limits<int>::min() || Value > std::numeric_limits<int>::max()) RangeError();
  return static_cast<int>(Value);
}

// Trunc of a floating value into a 32-bit coordinate.
int Trunc(double Value) {
  if (!std::isfinite(Value)) RangeError();
  const double T = std::trunc(Value);
  if (T < std::numeric_limits<int>::min() || T > std::numeric_limits<int>::max()) RangeError();
  return static_cast<int>(T);
}

QString IntText(TWide64 Value) {
  QLocale Locale = QLocale::system();
  Locale.setNumberOptions(QLocale::OmitGroupSeparator);
  return Locale.toString(static_cast<qlonglong>(Value));
}

void SetFont(QPainter& Canvas, int Points) {
  QFont Font(QStringLiteral("宋体"));
  Font.setPointSize(Points);
  Canvas.setFont(Font);
}

void SetPenWidth(QPainter& Canvas, int Width) {
  QPen Pen(Qt::black);
  Pen.setWidth(Width);
  Canvas.setPen(Pen);
}

int TextWidth(const QPainter& Canvas, const QString& Text) { return Canvas.fontMetrics().horizontalAdvance(Text); }

// Height of any text in the current font: its ascent plus descent.
int TextHeight(const QPainter& Canvas) { return Canvas.fontMetrics().height(); }

// Text placed by its top-left corner.
void TextOut(QPainter& Canvas, TWide64 X, TWide64 Y, const QString& Text) {
  Canvas.drawText(Int32(X), Int32(Y + Canvas.fontMetrics().ascent()), Text);
}

void Line(QPainter& Canvas, TWide64 X1, TWide64 Y1, TWide64 X2, TWide64 Y2) {
  Canvas.drawLine(Int32(X1), Int32(Y1), Int32(X2), Int32(Y2));
}

// M, the margin unit: the width of "汉" at 72 pt, about an inch on any
// printer. Leaves the 72 pt font set.
int MeasureMargin(QPainter& Canvas) {
  SetFont(Canvas, 72);
  return TextWidth(Canvas, Han);
}

int ThickPen(int M) { return M / 100 + 2; }

// "第 n 页", centred at the bottom, in 10 pt.
void DrawFooter(IPrintDevice& Device, int M) {
  QPainter& Canvas = Device.Canvas();
  SetFont(Canvas, 10);
  const QString Text = QStringLiteral("第 ") + IntText(Device.PageNumber()) + QStringLiteral(" 页");
  TextOut(Canvas, (TWide64{Device.PageWidth()} - TextWidth(Canvas, Text)) / 2, TWide64{Device.PageHeight()} - M,
          Text);
}

void CheckCount(std::int32_t Count, std::int32_t Capacity) {
  if (Count > Capacity) RangeError();
}

// Every number a job holds must lead into the task: its sheet, its placed
// pieces and their pieces.
void CheckJob(const TPlan& Task, const TJob& Job) {
  CheckCount(Task.SrcCount, MaxSrcRects);
  CheckCount(Task.ObjCount, MaxObjPlans);
  if (Job.SheetNo < 1 || Job.SheetNo > Task.SrcCount) RangeError();
  CheckCount(Job.RectCount, MaxRects);
  for (std::int32_t k = 1; k <= Job.RectCount; ++k) {
    const std::int32_t ObjNo = Job.Rects[k].ObjNo;
    if (ObjNo < 1 || ObjNo > Task.ObjCount) RangeError();
  }
}

// Numerator / Denominator in single precision; a sheet without extent that
// way leaves nothing to scale.
float Ratio(TWide64 Numerator, TWide64 Denominator) {
  if (Denominator == 0) return 0.0f;
  return static_cast<float>(static_cast<double>(Numerator) / static_cast<double>(Denominator));
}

}  // namespace

// -------------------------------------------------------- texts and dates

namespace {

const QDate DateEpoch(1899, 12, 30);
constexpr double FirstDay = -693593.0;  // 0001-01-01
constexpr double LastDay = 2958465.0;   // 9999-12-31

}  // namespace

QDate PlanDateToDate(TDateTime Value) {
  if (!std::isfinite(Value) || Value <= FirstDay - 1 || Value >= LastDay + 1) return QDate();
  // The date part of a negative day count is truncated toward zero too:
  // -0.5 is noon of 1899-12-30.
  return DateEpoch.addDays(static_cast<qint64>(std::trunc(Value)));
}

TDateTime PlanDateWithDate(TDateTime Value, QDate Date) {
  const double Day = static_cast<double>(DateEpoch.daysTo(Date));
  const double Time = std::isfinite(Value) ? std::fabs(Value - std::trunc(Value)) : 0.0;
  return Day < 0 ? Day - Time : Day + Time;
}

QString PlanDateText(TDateTime Value) {
  const QDate Date = PlanDateToDate(Value);
  if (!Date.isValid()) return QLocale::system().toString(Value);
  return QLocale::system().toString(Date, QLocale::ShortFormat);
}

QString RatePercentText(float Rate) {
  const double U = 100.0 * static_cast<double>(Rate);
  if (std::isnan(U)) return QStringLiteral("NAN");
  if (std::isinf(U)) return U < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");
  // At most 7 significant digits first, then 2 decimals.
  char Buf[64];
  std::snprintf(Buf, sizeof Buf, "%.6e", U);
  const double Rounded = std::strtod(Buf, nullptr);
  if (std::fabs(Rounded) >= 1e7)
    std::snprintf(Buf, sizeof Buf, "%.6E", Rounded);
  else
    std::snprintf(Buf, sizeof Buf, "%.2f", Rounded);
  const QLocale Locale = QLocale::system();
  QString Text = QString::fromLatin1(Buf);
  Text.replace(QLatin1Char('.'), Locale.decimalPoint());
  if (Text.startsWith(QLatin1Char('-'))) Text.replace(0, 1, Locale.negativeSign());
  return Text;
}

QString JobHeaderText(const TPlan& Task, TJob& Job) {
  CheckJob(Task, Job);
  const TSrcRect& Sheet = Task.SrcRects[Job.SheetNo];
  return QStringLiteral("板材名称：") + FromGbk(Sheet.Name) + QStringLiteral(" 规格:") + IntText(Sheet.Length) +
         QStringLiteral("×") + IntText(Sheet.Width) + QStringLiteral("  作业数量：") + IntText(Job.Count) +
         QStringLiteral("  利用率：") + RatePercentText(CalcJobRate(Task, Job)) + QStringLiteral("%");
}

// ------------------------------------------------------ printing routines

void PrintPieceList(IPrintDevice& Device, const TPlan& Task) {
  CheckCount(Task.ObjCount, MaxObjPlans);
  Device.BeginDoc();
  QPainter& Canvas = Device.Canvas();
  const int M = MeasureMargin(Canvas);
  const TWide64 PW = Device.PageWidth();
  const TWide64 PH = Device.PageHeight();
  const QString Title = FromGbk(Task.PlanName) + QStringLiteral("(") + PlanDateText(Task.PlanDate) + QStringLiteral(")");
  const QString Heads[3] = {QStringLiteral("成品名称"), QStringLiteral("规格"), QStringLiteral("数量")};
  TWide64 LH = 0, CW = 0, Y = 0;
  bool RowOpen = false;

  const auto PageHead = [&] {
    SetFont(Canvas, 10);
    LH = Trunc(1.2 * TextHeight(Canvas));
    CW = TextWidth(Canvas, Han);
    DrawFooter(Device, M);
    SetFont(Canvas, 20);
    TextOut(Canvas, (PW - TextWidth(Canvas, Title)) / 2, M, Title);
    SetPenWidth(Canvas, ThickPen(M));
    Y = M + Trunc(1.5 * TextHeight(Canvas));
    Line(Canvas, M, Y, PW - M, Y);
    SetFont(Canvas, 10);
    Y += LH;
    for (int Column = 0; Column < 3; ++Column) {
      TextOut(Canvas, M + Column * 8 * CW, Y, Heads[Column]);
      TextOut(Canvas, PW / 2 + Column * 8 * CW, Y, Heads[Column]);
    }
    SetPenWidth(Canvas, 1);
    Y += LH;
    Line(Canvas, M, Y, PW - M, Y);
    RowOpen = false;
  };

  PageHead();
  std::int32_t i = 1;
  while (i <= Task.ObjCount) {
    const TObjPlan& Obj = Task.ObjPlans[i];
    TWide64 X = 0;
    if (RowOpen) {
      X = PW / 2;
    } else {
      X = M;
      Y += LH / 4;
    }
    TextOut(Canvas, X, Y, FromGbk(Obj.Name));
    X += 8 * CW;
    TextOut(Canvas, X, Y, IntText(Obj.Length) + QStringLiteral("×") + IntText(Obj.Width));
    X += 8 * CW;
    const QString Quantity = IntText(Obj.Quantity);
    TextOut(Canvas, X, Y, Quantity);
    // A piece that keeps its direction is cut along the grain.
    if (!Obj.MayTurn) TextOut(Canvas, X + TextWidth(Canvas, Quantity) + CW / 2, Y, GrainText);
    const bool Completed = X >= PW / 2 || i == Task.ObjCount;
    if (Completed) {
      SetPenWidth(Canvas, i < Task.ObjCount ? 1 : ThickPen(M));
      Y += LH;
      Line(Canvas, M, Y, PW - M, Y);
      Y += LH / 4;
    }
    RowOpen = !Completed;
    ++i;
    // Only a completed row may end a page, and never the last one: no piece
    // is printed twice and no page is begun for nothing.
    if (Completed && i <= Task.ObjCount && Y > PH - M - 2 * LH) {
      Device.NewPage();
      PageHead();
    }
  }
}

void PrintJobPages(IPrintDevice& Device, TPlan& Task) {
  CheckCount(Task.JobCount, MaxJobs);
  QPainter& Canvas = Device.Canvas();
  const int M = MeasureMargin(Canvas);
  const TWide64 PW = Device.PageWidth();
  const TWide64 PH = Device.PageHeight();
  SetFont(Canvas, 10);
  Device.NewPage();
  DrawFooter(Device, M);
  TWide64 Y = M;
  std::int32_t j = 1;
  while (j <= Task.JobCount) {
    TJob& Job = Task.Jobs[j];
    const QString Header = JobHeaderText(Task, Job);
    SetFont(Canvas, 10);
    TextOut(Canvas, (PW - TextWidth(Canvas, Header)) / 2, Y, Header);
    Y += (M / 2) / 2;
    DrawJobLayout(Device, M, Int32(Y), Int32(PW - M), Task, Job);
    ++j;
    if (Y < PH / 2) {
      Y = PH / 2 + M / 2;  // the next job goes into the lower half
    } else {
      Y = M;
      if (j <= Task.JobCount) {
        Device.NewPage();
        SetFont(Canvas, 10);
        DrawFooter(Device, M);
      }
    }
  }
  Device.EndDoc();
}

void DrawJobLayout(IPrintDevice& Device, int Left, int Top, int Right, const TPlan& Task, const TJob& Job) {
  CheckJob(Task, Job);
  QPainter& Canvas = Device.Canvas();
  const int M = MeasureMargin(Canvas);
  const TWide64 PH = Device.PageHeight();
  const TSrcRect& Sheet = Task.SrcRects[Job.SheetNo];
  const TWide64 SL = Int32(Sheet.Length);
  const TWide64 SW = Int32(Sheet.Width);
  const TWide64 B = Top < PH / 2 ? PH / 2 - M / 5 : PH - M - M / 5;

  // The products are formed in 64 bits: a sheet measured in small units
  // must not fail for the size of the page.
  const float S = (TWide64{Right} - Left) * SW >= (B - Top) * SL ? Ratio(B - Top, SW) : Ratio(Right - Left, SL);
  const double Scale = S;
  const double OX = std::trunc((Left + Right) / 2.0 - static_cast<double>(SL) * Scale / 2);
  const double OY = std::trunc((Top + B) / 2.0 - static_cast<double>(SW) * Scale / 2);
  const auto DX = [&](TWide64 V) { return Trunc(static_cast<double>(V) * Scale + OX); };
  const auto DY = [&](TWide64 V) { return Trunc(static_cast<double>(V) * Scale + OY); };

  SetPenWidth(Canvas, M / 50 + 1);
  Canvas.setBrush(Qt::white);
  {
    const TWide64 X1 = Trunc(OX), Y1 = Trunc(OY), X2 = DX(SL), Y2 = DY(SW);
    Canvas.drawRect(QRect(Int32(std::min(X1, X2)), Int32(std::min(Y1, Y2)), Int32(std::abs(X2 - X1)),
                          Int32(std::abs(Y2 - Y1))));
  }

  SetPenWidth(Canvas, Trunc(M / 200.0 + 1));
  SetFont(Canvas, 10);
  const int WWidth = TextWidth(Canvas, QStringLiteral("W"));
  const int H = TextHeight(Canvas);
  for (std::int32_t k = 1; k <= Job.RectCount; ++k) {
    const TPlacedRect& Placed = Job.Rects[k];
    const TObjPlan& Obj = Task.ObjPlans[Placed.ObjNo];
    const TWide64 X = Int32(Placed.X);
    const TWide64 Y = Int32(Placed.Y);
    const TWide64 EX = Int32(ExtentX(Obj, Placed.Rotated));
    const TWide64 EY = Int32(ExtentY(Obj, Placed.Rotated));

    const QPoint Outline[5] = {{DX(X), DY(Y)}, {DX(X + EX), DY(Y)}, {DX(X + EX), DY(Y + EY)}, {DX(X), DY(Y + EY)},
                               {DX(X), DY(Y)}};
    Canvas.drawPolyline(Outline, 5);

    const TWide64 CX = Trunc(static_cast<double>(2 * X + EX) * Scale / 2 + OX);
    const TWide64 CY = Trunc(static_cast<double>(2 * Y + EY) * Scale / 2 + OY);
    const QString Name = FromGbk(Obj.Name);
    TextOut(Canvas, CX - TextWidth(Canvas, Name) / 2, CY - H / 2, Name);
    const QString Length = IntText(EX);
    TextOut(Canvas, CX - TextWidth(Canvas, Length) / 2, DY(Y) + H / 2, Length);
    const QString Width = IntText(EY);
    TextOut(Canvas, DX(X) + WWidth, CY - H / 2, Width);
    if (!Obj.MayTurn) {
      const TWide64 X1 = DX(X), Y1 = DY(Y);
      DrawGrainMark(Canvas, QRect(Int32(X1), Int32(Y1), Int32(DX(X + EX) - X1), Int32(DY(Y + EY) - Y1)));
    }
  }
}

void PrintJobPlan(IPrintDevice& Device, TPlan& Task, int Copies) {
  try {
    for (int Copy = 1; Copy <= Copies; ++Copy) {
      PrintPieceList(Device, Task);
      PrintJobPages(Device, Task);
    }
  } catch (...) {
    Device.Abort();
    throw;
  }
}

// ------------------------------------------------------------------ TUpDown

TUpDown::TUpDown(QWidget* Parent) : QWidget(Parent), Up_(new QToolButton(this)), Down_(new QToolButton(this)) {
  auto* Layout = new QVBoxLayout(this);
  Layout->setContentsMargins(0, 0, 0, 0);
  Layout->setSpacing(0);
  for (QToolButton* Button : {Up_, Down_}) {
    Button->setArrowType(Button == Up_ ? Qt::UpArrow : Qt::DownArrow);
    Button->setAutoRepeat(true);
    Button->setFocusPolicy(Qt::NoFocus);
    Button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    Layout->addWidget(Button);
  }
  connect(Up_, &QToolButton::clicked, this, [this] { SetPosition(Position_ + 1); });
  connect(Down_, &QToolButton::clicked, this, [this] { SetPosition(Position_ - 1); });
}

void TUpDown::SetPosition(int Value) {
  Value = std::clamp(Value, Minimum_, Maximum_);
  if (Value == Position_) return;
  Position_ = Value;
  emit PositionChanged(Position_);
}

void TUpDown::SetRange(int Minimum, int Maximum) {
  Minimum_ = Minimum;
  Maximum_ = std::max(Minimum, Maximum);
  SetPosition(Position_);
}

// ------------------------------------------------------------------- TForm3

namespace {

constexpr int MaxCopies = 999;

}  // namespace

TForm3::TForm3(QWidget* Parent) : QDialog(Parent) {
  InstallFontSubstitutes();
  setWindowTitle(QStringLiteral("打印作业计划"));
  setFont(QFont(QStringLiteral("宋体"), 9));
  setFixedSize(490, 202);
  setWindowFlags((windowFlags() | Qt::MSWindowsFixedSizeDialogHint) & ~Qt::WindowContextHelpButtonHint);

  GroupBox1 = new QGroupBox(QStringLiteral("打印选项"), this);
  GroupBox1->setGeometry(12, 12, 469, 145);

  Label1 = new QLabel(QStringLiteral("计划名称:"), GroupBox1);
  Label1->move(16, 32);
  Edit1 = new QLineEdit(GroupBox1);
  Edit1->setGeometry(76, 28, 377, 20);
  Label1->setBuddy(Edit1);

  Label2 = new QLabel(QStringLiteral("实施时间:"), GroupBox1);
  Label2->move(16, 60);
  DateTimePicker1 = new QDateEdit(GroupBox1);
  DateTimePicker1->setGeometry(76, 56, 186, 20);
  DateTimePicker1->setCalendarPopup(true);
  DateTimePicker1->setDateRange(QDate(100, 1, 1), QDate(9999, 12, 31));
  // The locale's short date, but always with the whole year: a two-digit
  // year would make typing a date ambiguous.
  QString Format = QLocale::system().dateFormat(QLocale::ShortFormat);
  if (!Format.contains(QStringLiteral("yyyy"))) Format.replace(QStringLiteral("yy"), QStringLiteral("yyyy"));
  DateTimePicker1->setDisplayFormat(Format);
  Label2->setBuddy(DateTimePicker1);

  Label3 = new QLabel(QStringLiteral("打印份数:"), GroupBox1);
  Label3->move(16, 89);
  Edit2 = new QLineEdit(QStringLiteral("1"), GroupBox1);
  Edit2->setGeometry(76, 85, 121, 20);
  Edit2->setValidator(new QIntValidator(0, MaxCopies, Edit2));
  Edit2->installEventFilter(this);
  Label3->setBuddy(Edit2);
  UpDown1 = new TUpDown(GroupBox1);
  UpDown1->setGeometry(196, 84, 16, 21);
  UpDown1->SetRange(0, MaxCopies);
  UpDown1->SetPosition(Copies_);

  Button1 = new QPushButton(QStringLiteral("打印(&P)"), this);
  Button1->setGeometry(244, 168, 75, 25);
  Button1->setDefault(true);
  Button4 = new QPushButton(QStringLiteral("设置打印机"), this);
  Button4->setGeometry(324, 168, 75, 25);
  Button2 = new QPushButton(QStringLiteral("关闭(&C)"), this);
  Button2->setGeometry(404, 168, 75, 25);

  connect(Edit1, &QLineEdit::textChanged, this, &TForm3::Edit1Change);
  connect(DateTimePicker1, &QDateEdit::dateChanged, this, &TForm3::DateTimePicker1Change);
  connect(Edit2, &QLineEdit::textChanged, this, &TForm3::Edit2Change);
  connect(Edit2, &QLineEdit::editingFinished, this, [this] { SetCopies(Copies_); });
  connect(UpDown1, &TUpDown::PositionChanged, this, &TForm3::SetCopies);
  connect(Button1, &QPushButton::clicked, this, &TForm3::Button1Click);
  connect(Button4, &QPushButton::clicked, this, &TForm3::Button4Click);
  connect(Button2, &QPushButton::clicked, this, &TForm3::Button2Click);
}

TForm3::~TForm3() = default;

void TForm3::Attach(TPlan* Task, std::function<void()> SetModified) {
  Task_ = Task;
  SetModified_ = std::move(SetModified);
}

void TForm3::UsePrintDevice(IPrintDevice* Device) { Device_ = Device; }

QPrinter& TForm3::Printer() {
  if (!Printer_) Printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
  return *Printer_;
}

void TForm3::SetCopies(int Value) {
  Copies_ = std::clamp(Value, 0, MaxCopies);
  const QString Text = QString::number(Copies_);
  if (Edit2->text() != Text) {
    const QSignalBlocker Blocker(Edit2);
    Edit2->setText(Text);
  }
  const QSignalBlocker Blocker(UpDown1);
  UpDown1->SetPosition(Copies_);
}

void TForm3::Edit2Change() {
  bool Ok = false;
  const int Value = Edit2->text().toInt(&Ok);
  if (!Ok) return;  // an empty field keeps the last count until it is left
  Copies_ = Value;
  const QSignalBlocker Blocker(UpDown1);
  UpDown1->SetPosition(Copies_);
}

bool TForm3::eventFilter(QObject* Watched, QEvent* Event) {
  if (Watched == Edit2 && Event->type() == QEvent::KeyPress) {
    const int Key = static_cast<QKeyEvent*>(Event)->key();
    if (Key == Qt::Key_Up || Key == Qt::Key_Down) {
      SetCopies(Copies_ + (Key == Qt::Key_Up ? 1 : -1));
      return true;
    }
  }
  return QDialog::eventFilter(Watched, Event);
}

void TForm3::showEvent(QShowEvent* Event) {
  QDialog::showEvent(Event);
  if (!Event->spontaneous()) FormShow();
}

void TForm3::FormShow() {
  if (!Task_) return;
  Filling_ = true;
  Edit1->setText(FromGbk(Task_->PlanName));
  const QDate Date = PlanDateToDate(Task_->PlanDate);
  DateTimePicker1->setDate(Date.isValid() ? Date : QDate::currentDate());
  Filling_ = false;
}

void TForm3::Edit1Change() {
  if (Filling_ || !Task_) return;
  QString Text = Edit1->text();
  // The task file holds the name on one line.
  if (Text.contains(QLatin1Char('\n')) || Text.contains(QLatin1Char('\r'))) {
    Text.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    Edit1->setText(Text);  // comes back here with the clean text
    return;
  }
  // Compared as the person sees it, so bytes that GBK cannot show are kept
  // until the name is really edited.
  if (Text == FromGbk(Task_->PlanName)) return;
  Task_->PlanName = ToGbk(Text);
  if (SetModified_) SetModified_();
}

void TForm3::DateTimePicker1Change() {
  if (Filling_ || !Task_) return;
  const QDate Date = DateTimePicker1->date();
  if (Date == PlanDateToDate(Task_->PlanDate)) return;
  Task_->PlanDate = PlanDateWithDate(Task_->PlanDate, Date);
  if (SetModified_) SetModified_();
}

void TForm3::Button4Click() {
  QPrinter& P = Printer();
  // The dialog shows the count of the copies field and sets it.
  P.setCopyCount(std::max(1, Copies_));
  if (Answers().PrinterSetup(this, P)) SetCopies(P.copyCount());
  // The copies are printed as documents of their own, one copy each.
  P.setCopyCount(1);
}

void TForm3::Button1Click() {
  if (!Task_ || Copies_ <= 0) return;
  std::unique_ptr<TPrinterOutput> Paper;
  IPrintDevice* Device = Device_;
  if (Device == nullptr) {
    QPrinter& P = Printer();
    P.setCopyCount(1);
    P.setDocName(FromGbk(Task_->PlanName));
    Paper = std::make_unique<TPrinterOutput>(P);
    Device = Paper.get();
  }
  QApplication::setOverrideCursor(Qt::WaitCursor);
  QString Error;
  try {
    PrintJobPlan(*Device, *Task_, Copies_);
    if (Paper && !Paper->Finish()) Error = QStringLiteral("Printer selected is not valid");
  } catch (const EPlanError& E) {
    Error = QString::fromStdString(E.what());
  }
  QApplication::restoreOverrideCursor();
  if (!Error.isEmpty()) Answers().ShowError(this, Error);
}

void TForm3::Button2Click() { reject(); }
