// An owner-drawn grid with an in-cell editor. It holds no data: cells are
// painted and edited through its signals, so the window that owns the data
// decides what each cell shows and what a typed text means.
//
// Rows and columns are numbered as a person sees them: row 0 is the fixed
// header row, data rows start at 1; columns below FixedCols() are fixed
// (painted silver, never current, never edited).
#pragma once

#include <QLineEdit>
#include <QPointer>
#include <QTableView>
#include <functional>

class TGridModel;

class TDrawGrid : public QTableView {
  Q_OBJECT

 public:
  explicit TDrawGrid(QWidget* Parent = nullptr);

  // Columns in use; resets nothing else. At least 1.
  int ColCount() const;
  void SetColCount(int Value);
  // Rows including the header row; at least 2. Removing rows closes an
  // editor on them without storing its text.
  int RowCount() const;
  void SetRowCount(int Value);
  int FixedCols() const { return FixedCols_; }
  void SetFixedCols(int Value);

  // The current cell (grid numbering). SetCell commits and closes an open
  // editor first.
  int Col() const;
  int Row() const;
  void SetCell(int ACol, int ARow);

  int ColWidth(int ACol) const;
  void SetColWidth(int ACol, int Width);
  // The cell's rectangle in viewport coordinates (row 0: header coordinates).
  QRect CellRect(int ACol, int ARow) const;

  // True while the in-cell editor is open.
  bool EditorMode() const;
  // Opens the editor on the current cell (its text from getEditText), or
  // closes it, handing its final text to setEditText.
  void SetEditorMode(bool Open);
  // Closes the editor without handing its text on.
  void DiscardEditor();
  // The open editor, or null.
  QLineEdit* InplaceEditor() const { return Editor_.data(); }

  // A read-only grid opens no editor and raises no keyPress or keyDown;
  // moving the cursor and scrolling still work. Going read-only commits and
  // closes an open editor.
  void SetReadOnly(bool Value);
  bool ReadOnly() const { return ReadOnly_; }

  // The text a cell shows, for accessibility and the item model; the grid
  // itself paints through drawCell.
  void SetTextSource(std::function<QString(int ACol, int ARow)> Source);
  QString CellText(int ACol, int ARow) const;

  // Forces every cell to be painted again.
  void Repaint();

 signals:
  // A cell's background is filled; the handler writes its text on Canvas.
  void drawCell(int ACol, int ARow, const QRect& Rect, QPainter* Canvas);
  // The editor opens on a cell and asks for its first text.
  void getEditText(int ACol, int ARow, QString& Value);
  // The editor's whole text at every change, and once more when it closes.
  void setEditText(int ACol, int ARow, const QString& Value);
  // A character typed into the grid or its editor; setting Key to a null
  // character swallows it. Enter arrives as QChar(13).
  void keyPress(QChar& Key);
  // A key goes down (Qt key code); the editor passes Delete on. Setting Key
  // to 0 swallows it.
  void keyDown(int& Key);
  // Emitted before each paint, so the owner can bring the row count up to
  // date with its data.
  void aboutToPaint();

 protected:
  void keyPressEvent(QKeyEvent* Event) override;
  void paintEvent(QPaintEvent* Event) override;
  void focusInEvent(QFocusEvent* Event) override;
  void focusOutEvent(QFocusEvent* Event) override;

 protected slots:
  void closeEditor(QWidget* Editor, QAbstractItemDelegate::EndEditHint Hint) override;

 private:
  friend class TGridDelegate;
  friend class TGridHeader;

  // Enter: the owner's keyPress, then the editor is toggled.
  void HandleEnter();
  // Delete typed into the open editor; true when it was swallowed.
  bool HandleEditorDelete();
  // Tab typed into the open editor: it closes and the focus moves on.
  void LeaveByTab(bool Forward);
  void PaintCell(int ACol, int ARow, const QRect& Rect, QPainter* Canvas);
  void EditorOpened(QLineEdit* Editor, int ACol, int ARow);
  void UpdateEditTriggers();

  TGridModel* Model_;
  int FixedCols_ = 0;
  bool ReadOnly_ = false;
  QPointer<QLineEdit> Editor_;
  std::function<QString(int, int)> TextSource_;
};
