#include "frmRect.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QPainter>
#include <QScreen>
#include <QScrollArea>
#include <QShortcut>
#include <QSignalBlocker>
#include <QSplitter>
#include <QStatusBar>
#include <QTabBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWindow>
#include <new>
#include <atomic>
#include <chrono>
#include <exception>

#include "Answers.h"
#include "AppSetup.h"
#include "DrawGrid.h"
#include "GbkText.h"
#include "JobView.h"
#include "LocaleText.h"
#include "Optimise.h"
#include "ToolImages.h"
#include "Unit2.h"

namespace {

const QString TaskFilter = QStringLiteral("任务文件(*.tsk)");
const QString TaskSuffix = QStringLiteral("tsk");

QFrame* MakePanel(QWidget* Parent, const char* Name, QFrame::Shape Shape, QFrame::Shadow Shadow) {
  auto* Panel = new QFrame(Parent);
  Panel->setObjectName(QString::fromLatin1(Name));
  Panel->setFrameShape(Shape);
  Panel->setFrameShadow(Shadow);
  return Panel;
}

QLabel* MakeCaption(QWidget* Parent, const char* Name, const QString& Text) {
  auto* Caption = new QLabel(Text, Parent);
  Caption->setObjectName(QString::fromLatin1(Name));
  Caption->setAlignment(Qt::AlignCenter);
  Caption->setFrameShape(QFrame::Panel);
  Caption->setFrameShadow(QFrame::Raised);
  Caption->setFixedHeight(25);
  return Caption;
}

// A grid section: caption panel above its grid.
void StackSection(QFrame* Section, QLabel* Caption, QWidget* Grid) {
  auto* Layout = new QVBoxLayout(Section);
  Layout->setContentsMargins(0, 0, 0, 0);
  Layout->setSpacing(0);
  Layout->addWidget(Caption);
  Layout->addWidget(Grid, 1);
}

}  // namespace

TCanvasImage::TCanvasImage(QWidget* Parent, QSize PictureSize)
    : QWidget(Parent), Picture_(PictureSize, QImage::Format_RGB32) {
  Picture_.fill(Qt::white);
  setAttribute(Qt::WA_OpaquePaintEvent);
  resize(PictureSize);
}

void TCanvasImage::paintEvent(QPaintEvent* Event) {
  QPainter Painter(this);
  Painter.drawImage(Event->rect().topLeft(), Picture_, Event->rect());
}

TForm1::TForm1(QWidget* Parent)
    : QMainWindow(Parent), Task_(std::make_unique<TPlan>()), Backup_(std::make_unique<TPlan>()),
      Calc_(std::make_unique<TPlan>()) {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(QStringLiteral("Tavik Vadi "));
  // The task bar names the program by its application title; the caption
  // names the task.
  setWindowIconText(QString::fromUtf8(ApplicationTitleText));
  QFont Font(QStringLiteral("MS Sans Serif"));
  Font.setPixelSize(11);
  setFont(Font);

  CreateMenu();
  CreateToolBar();
  CreatePanels();
  CreateGrids();
  UpdateCommands();
  FormCreate();
  // A task is entered from the top: the settings grid takes the keys first.
  dgSystem->setFocus();
}

TForm1::~TForm1() {
  // The grids outlive the task while the window is torn down; an editor
  // closing then must not reach the task.
  for (TDrawGrid* Grid : {dgSystem, dgSrcRects, dgObjPlans}) {
    disconnect(Grid, nullptr, this, nullptr);
    Grid->SetTextSource(nullptr);
    Grid->DiscardEditor();
  }
  ScrollBox1->removeEventFilter(this);
}

void TForm1::CreateMenu() {
  FileMenu = menuBar()->addMenu(QStringLiteral("文件(&F)"));
  N1 = FileMenu->addAction(QStringLiteral("新建(&N)"));
  O1 = FileMenu->addAction(QStringLiteral("打开(&O)"));
  S1 = FileMenu->addAction(QStringLiteral("保存(&S)"));
  A1 = FileMenu->addAction(QStringLiteral("另存为(&A)"));
  FileMenu->addSeparator();
  P1 = FileMenu->addAction(QStringLiteral("打印(&P)"));
  FileMenu->addSeparator();
  X1 = FileMenu->addAction(QStringLiteral("结束(&X)"));
  ToolsMenu = menuBar()->addMenu(QStringLiteral("工具(&T)"));
  N5 = ToolsMenu->addAction(QStringLiteral("生成作业计划"));
  N11 = ToolsMenu->addAction(QStringLiteral("优化作业计划"));
  N10 = ToolsMenu->addAction(QStringLiteral("清除作业计划"));
  HelpMenu = menuBar()->addMenu(QStringLiteral("帮助(&H)"));
  A3 = HelpMenu->addAction(QStringLiteral("关于本软件(&A)"));

  N1->setShortcut(QKeySequence::New);
  O1->setShortcut(QKeySequence::Open);
  S1->setShortcut(QKeySequence::Save);
  A1->setShortcut(QKeySequence::SaveAs);
  P1->setShortcut(QKeySequence::Print);
  X1->setShortcut(QKeySequence::Quit);

  N1->setObjectName(QStringLiteral("N1"));
  O1->setObjectName(QStringLiteral("O1"));
  S1->setObjectName(QStringLiteral("S1"));
  A1->setObjectName(QStringLiteral("A1"));
  P1->setObjectName(QStringLiteral("P1"));
  X1->setObjectName(QStringLiteral("X1"));
  N5->setObjectName(QStringLiteral("N5"));
  N11->setObjectName(QStringLiteral("N11"));
  N10->setObjectName(QStringLiteral("N10"));
  A3->setObjectName(QStringLiteral("A3"));

  connect(N1, &QAction::triggered, this, &TForm1::N1Click);
  connect(O1, &QAction::triggered, this, &TForm1::O1Click);
  connect(S1, &QAction::triggered, this, &TForm1::S1Click);
  connect(A1, &QAction::triggered, this, &TForm1::A1Click);
  connect(P1, &QAction::triggered, this, &TForm1::P1Click);
  connect(X1, &QAction::triggered, this, &TForm1::X1Click);
  connect(N5, &QAction::triggered, this, &TForm1::N5Click);
  connect(N11, &QAction::triggered, this, &TForm1::N11Click);
  connect(N10, &QAction::triggered, this, &TForm1::N10Click);
  connect(A3, &QAction::triggered, this, &TForm1::A3Click);

  // The progress dialog leaves the keyboard with this window: Escape here
  // is its stop button while a calculation runs.
  StopKey = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  StopKey->setEnabled(false);
  connect(StopKey, &QShortcut::activated, this, [this] {
    if (Computing_) ProgressDialog()->RequestStop();
  });
}

void TForm1::CreateToolBar() {
  const QList<QIcon> ImageList1 = MakeToolImages();

  CoolBar1 = addToolBar(QStringLiteral("CoolBar1"));
  CoolBar1->setObjectName(QStringLiteral("CoolBar1"));
  CoolBar1->setMovable(false);
  CoolBar1->setFloatable(false);
  CoolBar1->setFixedHeight(26);
  CoolBar1->toggleViewAction()->setVisible(false);
  ToolBar1 = new QToolBar(CoolBar1);
  ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
  ToolBar1->setIconSize(QSize(16, 16));
  ToolBar1->setMinimumHeight(22);
  CoolBar1->addWidget(ToolBar1);

  auto Button = [&](const char* Name, const QString& Hint, int Image) {
    auto* Tool = new QToolButton(ToolBar1);
    Tool->setObjectName(QString::fromLatin1(Name));
    Tool->setIcon(ImageList1.at(Image));
    Tool->setIconSize(QSize(16, 16));
    Tool->setToolTip(Hint);
    Tool->setAutoRaise(true);
    Tool->setFocusPolicy(Qt::NoFocus);
    ToolBar1->addWidget(Tool);
    return Tool;
  };
  auto Separator = [&](const char* Name) {
    auto* Gap = new QWidget(ToolBar1);
    Gap->setObjectName(QString::fromLatin1(Name));
    Gap->setFixedWidth(8);
    ToolBar1->addWidget(Gap);
  };
  ToolButton1 = Button("ToolButton1", QStringLiteral("创建新计划"), 0);
  ToolButton2 = Button("ToolButton2", QStringLiteral("打开已有的计划"), 1);
  ToolButton3 = Button("ToolButton3", QStringLiteral("保存计划"), 2);
  Separator("ToolButton4");
  ToolButton5 = Button("ToolButton5", QStringLiteral("打印作业清单"), 3);
  Separator("ToolButton6");
  ToolButton7 = Button("ToolButton7", QStringLiteral("计算作业计划"), 4);
  ToolButton9 = Button("ToolButton9", QStringLiteral("优化作业计划"), 6);
  ToolButton8 = Button("ToolButton8", QStringLiteral("清除计算结果"), 5);

  connect(ToolButton1, &QToolButton::clicked, this, &TForm1::ToolButton1Click);
  connect(ToolButton2, &QToolButton::clicked, this, &TForm1::ToolButton2Click);
  connect(ToolButton3, &QToolButton::clicked, this, &TForm1::ToolButton3Click);
  connect(ToolButton5, &QToolButton::clicked, this, &TForm1::ToolButton5Click);
  connect(ToolButton7, &QToolButton::clicked, this, &TForm1::ToolButton7Click);
  connect(ToolButton8, &QToolButton::clicked, this, &TForm1::ToolButton8Click);
  connect(ToolButton9, &QToolButton::clicked, this, &TForm1::ToolButton9Click);
}

void TForm1::CreatePanels() {
  Splitter1 = new QSplitter(Qt::Horizontal, this);
  Splitter1->setObjectName(QStringLiteral("Splitter1"));
  Splitter1->setHandleWidth(3);
  Splitter1->setOpaqueResize(true);
  Splitter1->setChildrenCollapsible(false);
  setCentralWidget(Splitter1);

  Panel1 = MakePanel(Splitter1, "Panel1", QFrame::Panel, QFrame::Sunken);
  Panel1->setMinimumWidth(1);
  auto* Panel1Layout = new QVBoxLayout(Panel1);
  Panel1Layout->setContentsMargins(1, 1, 1, 1);
  Panel1Layout->setSpacing(0);

  Splitter2 = new QSplitter(Qt::Vertical, Panel1);
  Splitter2->setObjectName(QStringLiteral("Splitter2"));
  Splitter2->setHandleWidth(3);
  Splitter2->setChildrenCollapsible(false);
  Panel1Layout->addWidget(Splitter2);

  Panel4 = MakePanel(Splitter2, "Panel4", QFrame::NoFrame, QFrame::Plain);
  Panel4->setMinimumHeight(27);
  Splitter3 = new QSplitter(Qt::Vertical, Splitter2);
  Splitter3->setObjectName(QStringLiteral("Splitter3"));
  Splitter3->setHandleWidth(3);
  Splitter3->setChildrenCollapsible(false);
  Panel5 = MakePanel(Splitter3, "Panel5", QFrame::NoFrame, QFrame::Plain);
  Panel5->setMinimumHeight(27);
  Panel6 = MakePanel(Splitter3, "Panel6", QFrame::NoFrame, QFrame::Plain);
  Panel6->setMinimumHeight(25);
  Splitter2->addWidget(Panel4);
  Splitter2->addWidget(Splitter3);
  Splitter2->setStretchFactor(0, 0);
  Splitter2->setStretchFactor(1, 1);
  Splitter3->addWidget(Panel5);
  Splitter3->addWidget(Panel6);
  Splitter3->setStretchFactor(0, 0);
  Splitter3->setStretchFactor(1, 1);

  pnSystem = MakeCaption(Panel4, "pnSystem", QStringLiteral("计划设置"));
  pnSrcRects = MakeCaption(Panel5, "pnSrcRects", QStringLiteral("板材尺寸"));
  pnObjPlans = MakeCaption(Panel6, "pnObjPlans", QStringLiteral("计划明细"));

  Panel2 = MakePanel(Splitter1, "Panel2", QFrame::NoFrame, QFrame::Plain);
  Splitter1->addWidget(Panel1);
  Splitter1->addWidget(Panel2);
  Splitter1->setStretchFactor(0, 0);
  Splitter1->setStretchFactor(1, 1);

  ScrollBox1 = new QScrollArea(Panel2);
  ScrollBox1->setObjectName(QStringLiteral("ScrollBox1"));
  ScrollBox1->setFrameShape(QFrame::NoFrame);
  ScrollBox1->setMinimumSize(24, 24);
  // The drawing fits the view and is chosen with the job tabs; a focus stop
  // here would have nothing to show or do.
  ScrollBox1->setFocusPolicy(Qt::NoFocus);
  ScrollBox1->setWidgetResizable(false);
  ScrollBox1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  auto* Content = new QWidget;
  Content->setObjectName(QStringLiteral("ScrollBox1Content"));
  Panel3 = new QWidget(Content);
  Panel3->setObjectName(QStringLiteral("Panel3"));
  Panel3->setAutoFillBackground(true);
  Panel3->setBackgroundRole(QPalette::Window);
  Image1 = new TCanvasImage(Panel3, QSize(2000, 2000));
  Image1->setObjectName(QStringLiteral("Image1"));
  Image1->move(0, 0);
  ScrollBox1->setWidget(Content);
  ScrollBox1->installEventFilter(this);

  StatusBar2 = new QStatusBar(Panel2);
  StatusBar2->setObjectName(QStringLiteral("StatusBar2"));
  StatusBar2->setSizeGripEnabled(false);
  StatusBar2->setFixedHeight(19);
  for (std::size_t i = 0; i < StatusPanels.size(); ++i) {
    StatusPanels[i] = new QLabel(StatusBar2);
    StatusPanels[i]->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
    StatusPanels[i]->setFixedWidth(50);
    StatusBar2->addWidget(StatusPanels[i]);
  }

  TabSet1 = new QTabBar(Panel2);
  TabSet1->setObjectName(QStringLiteral("TabSet1"));
  TabSet1->setShape(QTabBar::RoundedSouth);
  TabSet1->setExpanding(false);
  TabSet1->setUsesScrollButtons(true);
  TabSet1->setDrawBase(true);
  TabSet1->setFixedHeight(21);
  connect(TabSet1, &QTabBar::currentChanged, this, &TForm1::TabSet1Click);

  auto* Panel2Layout = new QVBoxLayout(Panel2);
  Panel2Layout->setContentsMargins(0, 0, 0, 0);
  Panel2Layout->setSpacing(0);
  Panel2Layout->addWidget(ScrollBox1, 1);
  Panel2Layout->addWidget(StatusBar2);
  Panel2Layout->addWidget(TabSet1);
}

void TForm1::CreateGrids() {
  dgSystem = new TDrawGrid(Panel4);
  dgSystem->setObjectName(QStringLiteral("dgSystem"));
  dgSystem->SetColCount(2);
  dgSystem->SetRowCount(5);
  dgSystem->SetFixedCols(1);
  dgSystem->SetTextSource([this](int ACol, int ARow) { return dgSystemCellText(ACol, ARow); });
  dgSrcRects = new TDrawGrid(Panel5);
  dgSrcRects->setObjectName(QStringLiteral("dgSrcRects"));
  dgSrcRects->SetColCount(4);
  dgSrcRects->SetTextSource([this](int ACol, int ARow) { return dgSrcRectsCellText(ACol, ARow); });
  dgObjPlans = new TDrawGrid(Panel6);
  dgObjPlans->setObjectName(QStringLiteral("dgObjPlans"));
  dgObjPlans->SetColCount(6);
  dgObjPlans->SetTextSource([this](int ACol, int ARow) { return dgObjPlansCellText(ACol, ARow); });

  StackSection(Panel4, pnSystem, dgSystem);
  StackSection(Panel5, pnSrcRects, dgSrcRects);
  StackSection(Panel6, pnObjPlans, dgObjPlans);

  connect(dgSystem, &TDrawGrid::drawCell, this, &TForm1::dgSystemDrawCell);
  connect(dgSrcRects, &TDrawGrid::drawCell, this, &TForm1::dgSrcRectsDrawCell);
  connect(dgObjPlans, &TDrawGrid::drawCell, this, &TForm1::dgObjPlansDrawCell);
  connect(dgSystem, &TDrawGrid::getEditText, this, &TForm1::dgSystemGetEditText);
  connect(dgSrcRects, &TDrawGrid::getEditText, this, &TForm1::dgSrcRectsGetEditText);
  connect(dgObjPlans, &TDrawGrid::getEditText, this, &TForm1::dgObjPlansGetEditText);
  connect(dgSystem, &TDrawGrid::setEditText, this, &TForm1::dgSystemSetEditText);
  connect(dgSrcRects, &TDrawGrid::setEditText, this, &TForm1::dgSrcRectsSetEditText);
  connect(dgObjPlans, &TDrawGrid::setEditText, this, &TForm1::dgObjPlansSetEditText);
  connect(dgSystem, &TDrawGrid::keyPress, this, &TForm1::dgSystemKeyPress);
  connect(dgSrcRects, &TDrawGrid::keyPress, this, &TForm1::dgSrcRectsKeyPress);
  connect(dgObjPlans, &TDrawGrid::keyPress, this, &TForm1::dgObjPlansKeyPress);
  connect(dgSrcRects, &TDrawGrid::keyDown, this, &TForm1::dgSrcRectsKeyDown);
  connect(dgObjPlans, &TDrawGrid::keyDown, this, &TForm1::dgObjPlansKeyDown);
  connect(dgSrcRects, &TDrawGrid::aboutToPaint, this, &TForm1::SyncGridRows);
  connect(dgObjPlans, &TDrawGrid::aboutToPaint, this, &TForm1::SyncGridRows);

  // The panel heights of the design: settings 118, sheets 193, pieces the rest.
  // The grids' side is wider than the design's 220 pixels, so that the
  // stock and turn columns show without dragging the splitter.
  Splitter2->setSizes({118, 10000});
  Splitter3->setSizes({193, 10000});
  Splitter1->setSizes({300, 10000});
}

// ------------------------------------------------------------ state

TPlan& TForm1::Task() { return *Task_; }

bool TForm1::Modified() const { return Modified_; }

void TForm1::SetModified(bool Value) { Modified_ = Value; }

QString TForm1::FileName() const { return FileName_; }

QString TForm1::StatusText(int Panel) const {
  return Panel >= 0 && Panel < static_cast<int>(StatusPanels.size()) ? StatusPanels[static_cast<std::size_t>(Panel)]->text()
                                                                      : QString();
}

void TForm1::SetPrintCommand(std::function<void()> Run) {
  PrintCommand_ = std::move(Run);
  UpdateCommands();
}

void TForm1::SetAboutCommand(std::function<void()> Run) {
  AboutCommand_ = std::move(Run);
  UpdateCommands();
}

void TForm1::SetFirstShowAction(std::function<void()> Run) { FirstShowAction_ = std::move(Run); }

void TForm1::SetProgressDialog(TForm2* Dialog) { ProgressDialog_ = Dialog; }

void TForm1::SetCalculation(TCalculation Run) { Calculation_ = std::move(Run); }

void TForm1::SetOptimisation(TCalculation Run) { Optimisation_ = std::move(Run); }

TForm2* TForm1::ProgressDialog() {
  if (ProgressDialog_ == nullptr) {
    OwnProgressDialog_ = new TForm2(this);
    ProgressDialog_ = OwnProgressDialog_;
  }
  return ProgressDialog_;
}

void TForm1::UpdateCommands() {
  const bool Idle = !Computing_;
  for (QAction* Command : {N1, O1, S1, A1, N5, N11, N10}) Command->setEnabled(Idle);
  P1->setEnabled(Idle && static_cast<bool>(PrintCommand_));
  // The about box is harmless, but its modal loop would hold the
  // calculation until it closes.
  A3->setEnabled(Idle && static_cast<bool>(AboutCommand_));
  ToolButton1->setEnabled(N1->isEnabled());
  ToolButton2->setEnabled(O1->isEnabled());
  ToolButton3->setEnabled(S1->isEnabled());
  ToolButton5->setEnabled(P1->isEnabled());
  ToolButton7->setEnabled(N5->isEnabled());
  ToolButton8->setEnabled(N10->isEnabled());
  ToolButton9->setEnabled(N11->isEnabled());
  for (TDrawGrid* Grid : {dgSystem, dgSrcRects, dgObjPlans})
    if (Grid != nullptr) Grid->SetReadOnly(Computing_);
}

void TForm1::SetComputing(bool Value) {
  Computing_ = Value;
  StopKey->setEnabled(Value);
  UpdateCommands();
}

void TForm1::CommitGridEditors() {
  for (TDrawGrid* Grid : {dgSystem, dgSrcRects, dgObjPlans}) Grid->SetEditorMode(false);
}

bool TForm1::RunCommand(const std::function<void()>& Command) {
  // Nothing may be thrown across the event loop: a failure ends the command
  // here, in the error box.
  try {
    Command();
    return true;
  } catch (const std::bad_alloc&) {
    Answers().ShowError(this, QString::fromUtf8(PlanMessages::OutOfMemory));
  } catch (const std::exception& Error) {
    Answers().ShowError(this, QString::fromUtf8(Error.what()));
  }
  return false;
}

void TForm1::WriteTask() { SavePlan(*Task_, QFile::encodeName(FileName_).toStdString()); }

QString TForm1::ChooseSaveFile() {
  // As desktop programs do: a file that exists is replaced only when the
  // person says so; No goes back to choosing a name.
  for (;;) {
    const QString Chosen = Answers().SaveFileName(this, TaskFilter, TaskSuffix);
    if (Chosen.isEmpty() || !QFileInfo::exists(Chosen)) return Chosen;
    const QString Question = QStringLiteral("文件“%1”已经存在。\n要替换它吗？").arg(QDir::toNativeSeparators(Chosen));
    if (Answers().AskYesNo(this, IAnswers::TQuestion::Warning, Question)) return Chosen;
  }
}

void TForm1::AskToSave() {
  if (!Modified_) return;
  if (!Answers().AskYesNo(this, IAnswers::TQuestion::Warning, QStringLiteral("当前任务未存盘，保存吗？"))) return;
  if (FileName_.isEmpty()) {
    const QString Chosen = ChooseSaveFile();
    if (!Chosen.isEmpty()) FileName_ = Chosen;
  }
  if (!FileName_.isEmpty()) WriteTask();
}

void TForm1::FitToScreen() {
  QScreen* Screen = windowHandle() != nullptr ? windowHandle()->screen() : QGuiApplication::primaryScreen();
  if (Screen == nullptr) return;
  // The frame and title bar are the window manager's and known only once
  // the window is on the screen; until then they count as nothing.
  const QMargins Frame = windowHandle() != nullptr ? windowHandle()->frameMargins() : QMargins();
  const QRect Area = Screen->availableGeometry();
  // move() places the frame's corner, resize() the inside.
  move(Area.topLeft());
  resize(Area.size().shrunkBy(Frame));
  PlacedSize_ = size();
}

// ------------------------------------------------------------ commands

void TForm1::FormCreate() {
  FitToScreen();
  N1Click();
  ZoomPercent_ = 100;
}

void TForm1::N1Click() {
  if (Computing_) return;
  RunCommand([this] {
    AskToSave();
    NewPlan(*Task_, 1, 0, 1.0f);
    Modified_ = false;
    FileName_.clear();
    Task_->OwnerName = CurrentOwnerName_;
    Task_->OwnerCode = CurrentOwnerCode_;
    Task_->PlanName = ToGbk(QStringLiteral("板材切割计划"));
    Task_->PlanDate = CurrentDateTime();
    ShowTask();
    setWindowTitle(QStringLiteral("Tavik Vadi"));
  });
}

void TForm1::O1Click() {
  if (Computing_) return;
  RunCommand([this] {
    AskToSave();
    const QString Chosen = Answers().OpenFileName(this, TaskFilter, TaskSuffix);
    if (!Chosen.isEmpty()) {
      // The name is taken only once the file was read: a file that failed
      // to load must not become the target of the next Save, which would
      // overwrite it with the task still shown.
      LoadPlan(*Task_, QFile::encodeName(Chosen).toStdString());
      FileName_ = Chosen;
      Modified_ = false;
    }
    ShowTask();
  });
}

void TForm1::S1Click() {
  if (Computing_) return;
  RunCommand([this] {
    if (FileName_.isEmpty()) {
      const QString Chosen = ChooseSaveFile();
      if (!Chosen.isEmpty()) FileName_ = Chosen;
    }
    if (!FileName_.isEmpty()) {
      Task_->OwnerName = CurrentOwnerName_;
      Task_->OwnerCode = CurrentOwnerCode_;
      WriteTask();
      Modified_ = false;
    }
    ShowTask();
  });
}

void TForm1::A1Click() {
  if (Computing_) return;
  RunCommand([this] {
    const QString Chosen = ChooseSaveFile();
    if (Chosen.isEmpty()) return;
    FileName_ = Chosen;
    Task_->OwnerName = CurrentOwnerName_;
    Task_->OwnerCode = CurrentOwnerCode_;
    WriteTask();
    Modified_ = false;
    ShowTask();
  });
}

void TForm1::P1Click() {
  if (Computing_ || !PrintCommand_) return;
  CommitGridEditors();
  RunCommand(PrintCommand_);
}

void TForm1::X1Click() { close(); }

void TForm1::N5Click() {
  if (Computing_) return;
  // A value still in an editor belongs to the task being computed.
  CommitGridEditors();
  CopyTask(*Backup_, *Task_);

  bool Restart = false;
  if (Modified_) {
    Restart = true;
  } else if (AllPlaced(*Task_)) {
    Restart = Answers().AskYesNo(this, IAnswers::TQuestion::Confirmation,
                                 QStringLiteral("已经成功地计算过一次，需要重新计算吗？"));
  } else if (Task_->JobCount > 0) {
    Restart = !Answers().AskYesNo(this, IAnswers::TQuestion::Confirmation,
                                  QStringLiteral("上次计算未完成，继续上次计算过程吗？"));
  }
  if (Restart) ClearJobs(*Task_);
  RunCalculation(*Backup_, Calculation_ ? Calculation_ : [this](TPlan& Task, std::string& Message, IProgressLink& Link) {
    MakePlan(Task, Message, Link, nullptr, *SearchTeam_);
  });
}

void TForm1::N11Click() {
  if (Computing_) return;
  CommitGridEditors();
  // The optimiser starts over from the quantities: jobs that exist go only
  // when the person says so.
  if (Task_->JobCount > 0 &&
      !Answers().AskYesNo(this, IAnswers::TQuestion::Confirmation,
                          QStringLiteral("优化作业计划将替换现有的作业计划，继续吗？")))
    return;
  CopyTask(*Backup_, *Task_);
  RunCalculation(*Backup_, Optimisation_ ? Optimisation_ : [](TPlan& Task, std::string& Message, IProgressLink& Link) {
    Optimise::TOptimiseParams Params;
    Params.Threads = DefaultThreadCount();
    Optimise::TOptimiseOutput Output;
    Optimise::OptimisePlan(Task, Params, Link, Output);
    Message = Output.Message;
  });
}

void TForm1::RunCalculation(const TPlan& Backup, const TCalculation& Run) {
  // The calculation runs on a thread of its own, on its own copy of the
  // task, while this thread keeps the windows live. The window's task takes
  // the copy over after a job, while the calculation waits, and at the end:
  // the grids and the view never read a task that is being written.
  // Copies take the used entries only: a whole record is 1.8 MB, and a
  // calculation neither reads nor changes the entries past the counts.
  std::string Message;
  TPlan& Calc = *Calc_;
  CopyTask(Calc, *Task_);
  TProgressLink Link(*ProgressDialog(), [this, &Calc] {
    CopyTask(*Task_, Calc);
    // Drawn once the calculation goes on.
    QMetaObject::invokeMethod(
        this, [this] {
          if (Computing_) ShowTask();
        },
        Qt::QueuedConnection);
  });
  std::exception_ptr Failure;
  std::atomic<bool> Done{false};
  SetComputing(true);
  if (!CalcThread_) {
    CalcThread_ = std::make_unique<TSearchTeam>(2);
    SearchTeam_ = std::make_unique<TSearchTeam>(DefaultThreadCount());
  }
  CalcThread_->Start([&](std::int32_t) {
    try {
      Run(Calc, Message, Link);
    } catch (...) {
      Failure = std::current_exception();
    }
    Done = true;
    // Wakes the loop below.
    QMetaObject::invokeMethod(this, [] {}, Qt::QueuedConnection);
  });
  while (!Done) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  // Done is the work's last step but one: the wait is short.
  while (!CalcThread_->WaitFor(std::chrono::seconds(1))) continue;
  // The dialog's last orders (closing it above all) may still be queued
  // behind the call that ended the loop: they are carried out before any
  // question about the result.
  QCoreApplication::sendPostedEvents(ProgressDialog(), QEvent::MetaCall);
  // Also after a failure: the tables may have been put in order.
  CopyTask(*Task_, Calc);
  SetComputing(false);
  const bool Finished = RunCommand([&] {
    if (Failure) std::rethrow_exception(Failure);
  });

  if (Finished) {
    if (!Message.empty() &&
        Answers().AskYesNo(this, IAnswers::TQuestion::Warning,
                           QString::fromUtf8(Message) + QStringLiteral("取消本次结果吗？")))
      CopyTask(*Task_, Backup);
    ShowTask();
  } else {
    // The tables may have been put in order before the failure.
    for (TDrawGrid* Grid : {dgSystem, dgSrcRects, dgObjPlans}) Grid->Repaint();
  }

  if (CloseAfterCompute_) {
    CloseAfterCompute_ = false;
    close();
  }
}

void TForm1::N10Click() {
  if (Computing_) return;
  ClearJobs(*Task_);
  ShowTask();
}

void TForm1::A3Click() {
  if (Computing_ || !AboutCommand_) return;
  RunCommand(AboutCommand_);
}

void TForm1::ToolButton1Click() { N1Click(); }
void TForm1::ToolButton2Click() { O1Click(); }
void TForm1::ToolButton3Click() { S1Click(); }
void TForm1::ToolButton5Click() { P1Click(); }
void TForm1::ToolButton7Click() { N5Click(); }
void TForm1::ToolButton8Click() { N10Click(); }
void TForm1::ToolButton9Click() { N11Click(); }

void TForm1::showEvent(QShowEvent* Event) {
  QMainWindow::showEvent(Event);
  if (FirstShown_ || Event->spontaneous()) return;
  FirstShown_ = true;
  // Placed again by its frame once the window manager has framed it.
  if (windowHandle() != nullptr) windowHandle()->installEventFilter(this);
  // After the window is on screen, so that the splash stands in front of it.
  if (FirstShowAction_)
    QTimer::singleShot(0, this, [this] {
      if (FirstShowAction_) FirstShowAction_();
    });
}

void TForm1::closeEvent(QCloseEvent* Event) {
  if (Computing_) {
    // The calculation stops first; Compute closes the window when it has
    // wound down.
    CloseAfterCompute_ = true;
    ProgressDialog()->RequestStop();
    Event->ignore();
    return;
  }
  CommitGridEditors();
  // A task that could not be written stays open instead of being lost.
  if (!RunCommand([this] { AskToSave(); })) {
    Event->ignore();
    return;
  }
  Event->accept();
}

bool TForm1::eventFilter(QObject* Watched, QEvent* Event) {
  if (Watched == ScrollBox1 && Event->type() == QEvent::Resize) ScrollBox1Resize();
  if (Watched == windowHandle() && Event->type() == QEvent::Expose && windowHandle()->isExposed()) {
    windowHandle()->removeEventFilter(this);
    if (!FrameFitted_) {
      FrameFitted_ = true;
      // Unless the window was placed otherwise before it came up.
      if (windowState() == Qt::WindowNoState && size() == PlacedSize_) FitToScreen();
    }
  }
  return QMainWindow::eventFilter(Watched, Event);
}

// ------------------------------------------------------------ task view

void TForm1::ShowTask() {
  setWindowTitle(QStringLiteral("Tavik Vadi \"") + FileName_ + QStringLiteral("\""));
  SyncGridRows();
  for (TDrawGrid* Grid : {dgSystem, dgSrcRects, dgObjPlans}) Grid->Repaint();
  SetTabs();
  ShowJob();
}

void TForm1::SetTabs() {
  const QSignalBlocker Block(TabSet1);
  const int Jobs = std::clamp(Task_->JobCount, 0, MaxJobs);
  // Tab n is always captioned 作业n, so tabs that exist stay and only the
  // difference is added or removed: the same tabs as rebuilding them all,
  // without the cost at every job of a long calculation.
  while (TabSet1->count() > Jobs) TabSet1->removeTab(TabSet1->count() - 1);
  for (int n = TabSet1->count() + 1; n <= Jobs; ++n) TabSet1->addTab(QStringLiteral("作业") + QString::number(n));
  if (Jobs > 0) TabSet1->setCurrentIndex(0);
  // Without tabs the bar is empty and would take the keyboard invisibly.
  TabSet1->setFocusPolicy(Jobs > 0 ? Qt::TabFocus : Qt::NoFocus);
  if (Jobs == 0 && TabSet1->hasFocus()) dgObjPlans->setFocus(Qt::BacktabFocusReason);
}

void TForm1::TabSet1Click() { ShowJob(); }

void TForm1::ScrollBox1Resize() { ShowJob(); }

void TForm1::ShowJob() {
  if (TabSet1 == nullptr) return;  // a resize while the window is being built
  const std::int32_t n = TabSet1->currentIndex() + 1;
  const QSize View = ScrollBox1->size();
  const bool HasJob = n >= 1 && n <= Task_->JobCount;
  TJobViewGeometry Geometry;
  if (HasJob && JobDrawable(*Task_, n)) {
    Geometry = JobViewGeometry(*Task_, n, View, ZoomPercent_);
    ViewScale_ = Geometry.ViewScale;
  } else {
    Geometry = BlankViewGeometry(View);
  }
  Panel3->setGeometry(QRect(Geometry.PanelPos, Geometry.PanelSize));
  // The content is measured against the room without scroll bars: a
  // drawing that fits it (as it always does unless the view is tiny) needs
  // none, and scroll bars shown for an earlier, larger drawing go away.
  QWidget* Content = ScrollBox1->widget();
  const QSize Room = ScrollBox1->maximumViewportSize();
  Content->resize(std::max(Room.width(), Panel3->geometry().right() + 1),
                  std::max(Room.height(), Panel3->geometry().bottom() + 1));

  const bool Drawable = HasJob && JobDrawable(*Task_, n);
  // A calculation asks for the view after every job while the first job
  // stays the one shown: the same picture is not drawn twice.
  const std::uint64_t Key =
      JobViewKey(*Task_, Drawable ? n : 0, Geometry.PanelSize, ViewScale_, ZoomPercent_) ^ qHash(Image1->font().key());
  if (Key != DrawnKey_) {
    DrawnKey_ = Key;
    QPainter Painter(&Image1->Picture());
    Painter.setFont(Image1->font());
    if (Drawable)
      DrawJobView(Painter, *Task_, n, Geometry.PanelSize, ViewScale_, ZoomPercent_);
    else
      DrawBlankView(Painter, Geometry.PanelSize);
    Painter.end();
    Image1->update();
  }
  // Without a job the status bar keeps the texts of the job drawn before.
  if (!Drawable) return;

  const QStringList Texts = JobStatusTexts(*Task_, n);
  const QFontMetrics Metrics(StatusBar2->font());
  for (std::size_t i = 0; i < StatusPanels.size(); ++i) {
    const QString& Text = Texts.at(static_cast<qsizetype>(i));
    StatusPanels[i]->setText(Text);
    StatusPanels[i]->setFixedWidth(Metrics.horizontalAdvance(Text) + 16);
  }
}
