// The main window: it owns the one cutting task of the run, edits it in
// three grids, shows the computed jobs to scale and carries the document
// commands (new, open, save, save as, print, compute, optimise, clear
// results).
#pragma once

#include <QMainWindow>
#include <QString>
#include <array>
#include <functional>
#include <memory>
#include <string>

#include "CalcPlan.h"
#include "SearchTeam.h"

class QAction;
class QFrame;
class QLabel;
class QMenu;
class QPainter;
class QScrollArea;
class QShortcut;
class QSplitter;
class QStatusBar;
class QTabBar;
class QToolBar;
class QToolButton;
class TDrawGrid;
class TForm2;

// The drawing surface of the layout view: a fixed picture, allocated once,
// that each drawing paints over.
class TCanvasImage : public QWidget {
  Q_OBJECT

 public:
  explicit TCanvasImage(QWidget* Parent, QSize PictureSize);
  QImage& Picture() { return Picture_; }

 protected:
  void paintEvent(QPaintEvent* Event) override;

 private:
  QImage Picture_;
};

class TForm1 : public QMainWindow {
  Q_OBJECT

 public:
  // Builds the window and runs the creation steps: placed in the screen's
  // available area and sized to it, frame and title bar included (placed
  // again once the window manager has framed it), New, ZoomPercent 100.
  explicit TForm1(QWidget* Parent = nullptr);
  ~TForm1() override;

  // The one task of the run; the grids, commands and views work on it in
  // place.
  TPlan& Task();
  // Unsaved changes.
  bool Modified() const;
  void SetModified(bool Value);
  // Full path of the task file; empty for a task never saved or loaded.
  QString FileName() const;
  // Brings caption, grids, job tabs and layout view up to date with the
  // task; the first job tab is selected.
  void ShowTask();
  // Draws the job of the selected tab and fills the status bar.
  void ShowJob();

  // Set by the program entry. A command whose hook is unset is disabled
  // (menu item and tool button), not faked.
  void SetPrintCommand(std::function<void()> Run);     // P1Click / ToolButton5Click run it (modal)
  void SetAboutCommand(std::function<void()> Run);     // A3Click runs it (modal)
  void SetFirstShowAction(std::function<void()> Run);  // run once when the window is first shown
  void SetProgressDialog(TForm2* Dialog);              // the progress dialog Compute uses
  // What Compute runs on its thread, on its copy of the task (tests); when
  // unset, MakePlan with DefaultThreadCount() threads.
  using TCalculation = std::function<void(TPlan& Task, std::string& Message, IProgressLink& Link)>;
  void SetCalculation(TCalculation Run);
  // What Optimise runs in the same way (tests); when unset, OptimisePlan at
  // the default effort with DefaultThreadCount() threads.
  void SetOptimisation(TCalculation Run);

  // The progress dialog Compute uses (one of the window's own when none
  // was set).
  TForm2* ProgressDialog();
  // True while Compute or Optimise runs its calculation.
  bool Computing() const { return Computing_; }
  // Pixels per length unit of the job on screen; zoom of the layout view.
  float ViewScale() const { return ViewScale_; }
  std::int32_t ZoomPercent() const { return ZoomPercent_; }
  // The texts of the four status bar panels.
  QString StatusText(int Panel) const;

  // Commands, as the menu items and tool buttons run them.
  void FormCreate();
  void N1Click();   // 新建
  void O1Click();   // 打开
  void S1Click();   // 保存
  void A1Click();   // 另存为
  void P1Click();   // 打印
  void X1Click();   // 结束: closes the window
  void N5Click();   // 生成作业计划
  void N11Click();  // 优化作业计划
  void N10Click();  // 清除作业计划
  void A3Click();   // 关于本软件
  void ToolButton1Click();
  void ToolButton2Click();
  void ToolButton3Click();
  void ToolButton5Click();
  void ToolButton7Click();
  void ToolButton8Click();
  void ToolButton9Click();
  void TabSet1Click();
  void ScrollBox1Resize();

  // Grid handlers.
  void dgSystemDrawCell(int ACol, int ARow, const QRect& Rect, QPainter* Canvas);
  void dgSrcRectsDrawCell(int ACol, int ARow, const QRect& Rect, QPainter* Canvas);
  void dgObjPlansDrawCell(int ACol, int ARow, const QRect& Rect, QPainter* Canvas);
  void dgSystemGetEditText(int ACol, int ARow, QString& Value);
  void dgSrcRectsGetEditText(int ACol, int ARow, QString& Value);
  void dgObjPlansGetEditText(int ACol, int ARow, QString& Value);
  void dgSystemSetEditText(int ACol, int ARow, const QString& Value);
  void dgSrcRectsSetEditText(int ACol, int ARow, const QString& Value);
  void dgObjPlansSetEditText(int ACol, int ARow, const QString& Value);
  void dgSystemKeyPress(QChar& Key);
  void dgSrcRectsKeyPress(QChar& Key);
  void dgObjPlansKeyPress(QChar& Key);
  void dgSrcRectsKeyDown(int& Key);
  void dgObjPlansKeyDown(int& Key);

  // The texts the grids show, by grid numbering (row 0 is the header).
  QString dgSystemCellText(int ACol, int ARow) const;
  QString dgSrcRectsCellText(int ACol, int ARow) const;
  QString dgObjPlansCellText(int ACol, int ARow) const;

  // Controls.
  QMenu* FileMenu = nullptr;
  QMenu* ToolsMenu = nullptr;
  QMenu* HelpMenu = nullptr;
  QAction* N1 = nullptr;
  QAction* O1 = nullptr;
  QAction* S1 = nullptr;
  QAction* A1 = nullptr;
  QAction* P1 = nullptr;
  QAction* X1 = nullptr;
  QAction* N5 = nullptr;
  QAction* N11 = nullptr;
  QAction* N10 = nullptr;
  QAction* A3 = nullptr;
  QShortcut* StopKey = nullptr;  // Escape: stops a running calculation
  QToolBar* CoolBar1 = nullptr;
  QToolBar* ToolBar1 = nullptr;
  QToolButton* ToolButton1 = nullptr;
  QToolButton* ToolButton2 = nullptr;
  QToolButton* ToolButton3 = nullptr;
  QToolButton* ToolButton5 = nullptr;
  QToolButton* ToolButton7 = nullptr;
  QToolButton* ToolButton8 = nullptr;
  QToolButton* ToolButton9 = nullptr;  // 优化作业计划, between Compute and Clear results
  QFrame* Panel1 = nullptr;
  QFrame* Panel2 = nullptr;
  QFrame* Panel4 = nullptr;
  QFrame* Panel5 = nullptr;
  QFrame* Panel6 = nullptr;
  QLabel* pnSystem = nullptr;
  QLabel* pnSrcRects = nullptr;
  QLabel* pnObjPlans = nullptr;
  QSplitter* Splitter1 = nullptr;
  QSplitter* Splitter2 = nullptr;
  QSplitter* Splitter3 = nullptr;
  TDrawGrid* dgSystem = nullptr;
  TDrawGrid* dgSrcRects = nullptr;
  TDrawGrid* dgObjPlans = nullptr;
  QScrollArea* ScrollBox1 = nullptr;
  QWidget* Panel3 = nullptr;
  TCanvasImage* Image1 = nullptr;
  QStatusBar* StatusBar2 = nullptr;
  std::array<QLabel*, 4> StatusPanels{};
  QTabBar* TabSet1 = nullptr;

 protected:
  void showEvent(QShowEvent* Event) override;
  void closeEvent(QCloseEvent* Event) override;
  bool eventFilter(QObject* Watched, QEvent* Event) override;

 private:
  void CreateMenu();
  void CreateToolBar();
  void CreatePanels();
  void CreateGrids();
  void UpdateCommands();
  void SetComputing(bool Value);
  // Runs Run on a thread of its own on a copy of the task, with the
  // progress dialog, and takes its result over; a fault message it leaves
  // offers to go back to Backup. The common part of Compute and Optimise.
  void RunCalculation(const TPlan& Backup, const TCalculation& Run);
  // Brings the row counts of the sheet and piece grids up to date.
  void SyncGridRows();
  // Closes the grids' editors, handing their texts on.
  void CommitGridEditors();
  // Asks "当前任务未存盘，保存吗？" when there are unsaved changes and saves
  // on Yes. Throws EPlanError when writing fails.
  void AskToSave();
  // The save dialog, with the question before an existing file is
  // replaced; empty when cancelled.
  QString ChooseSaveFile();
  // Places the window so that its frame fills the screen's available area.
  void FitToScreen();
  // Writes the task to FileName (path as the system wants it).
  void WriteTask();
  // Runs Command, showing a task-file error in the error box.
  bool RunCommand(const std::function<void()>& Command);
  void WidenColumn(TDrawGrid* Grid, int ACol, int TextWidth);
  void DrawGridText(TDrawGrid* Grid, int ACol, int ARow, const QRect& Rect, QPainter* Canvas, const QString& Text);
  // The shared parts of storing a typed number.
  bool ReadWhole(const QString& Value, std::int32_t& Number);
  // A typed name or size stored when it differs from the stored one (which
  // sets Modified); a negative size is refused. StoreName tells whether the
  // name changed.
  bool StoreName(std::string& Name, const QString& Value);
  void StoreSize(TLength& Length, TLength& Width, int ACol, const QString& Value);
  void Refuse(const char* Message);
  void SetTabs();

  std::unique_ptr<TPlan> Task_;
  // The task as it was before a calculation, and the calculation's own
  // copy: allocated once, because a fresh record of this size costs a
  // small calculation more than its search (the pages are touched anew).
  std::unique_ptr<TPlan> Backup_;
  std::unique_ptr<TPlan> Calc_;
  // The thread calculations run on, kept from one to the next: starting a
  // thread and waking the core it lands on cost a short calculation up to
  // 1.7 ms here. Declared after the records it works on, so it goes first.
  std::unique_ptr<TSearchTeam> CalcThread_;
  std::unique_ptr<TSearchTeam> SearchTeam_;  // the threads its searches share
  QString FileName_;
  bool Modified_ = false;
  std::string CurrentOwnerName_;
  std::string CurrentOwnerCode_;
  std::int32_t ZoomPercent_ = 100;
  float ViewScale_ = 0;
  std::uint64_t DrawnKey_ = 0;  // JobViewKey of the picture on Image1

  std::function<void()> PrintCommand_;
  std::function<void()> AboutCommand_;
  std::function<void()> FirstShowAction_;
  bool FirstShown_ = false;
  bool FrameFitted_ = false;
  QSize PlacedSize_;  // as FitToScreen left it
  TForm2* ProgressDialog_ = nullptr;
  TForm2* OwnProgressDialog_ = nullptr;
  TCalculation Calculation_;
  TCalculation Optimisation_;
  bool Computing_ = false;
  bool CloseAfterCompute_ = false;
};
