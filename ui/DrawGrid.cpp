#include "DrawGrid.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QValidator>
#include <algorithm>

namespace {

const QColor FixedColor(192, 192, 192);  // fixed cells: silver
constexpr int FocusFrameWidth = 2;       // around the current cell of the focused grid

// Keeps the editor to one line: text inserted by any means (paste, drop,
// input method) is cut at its first line break, as a one-line edit box
// pastes only the first line. Texts it already held are left alone.
class TOneLineValidator final : public QValidator {
 public:
  TOneLineValidator(const QString& First, QObject* Parent) : QValidator(Parent), Previous_(First) {}

  State validate(QString& Input, int& Pos) const override {
    // The inserted part ends at the cursor; before it lies the text's
    // unchanged start, after it the unchanged end.
    qsizetype Tail = Input.size() - std::clamp<qsizetype>(Pos, 0, Input.size());
    if (Tail > Previous_.size() || !Previous_.endsWith(QStringView(Input).right(Tail))) Tail = 0;
    const qsizetype Limit = std::min(Input.size(), Previous_.size()) - Tail;
    qsizetype Head = 0;
    while (Head < Limit && Input.at(Head) == Previous_.at(Head)) ++Head;
    const qsizetype Inserted = Input.size() - Head - Tail;
    qsizetype Break = -1;
    for (qsizetype i = Head; i < Head + Inserted && Break < 0; ++i)
      if (Input.at(i) == u'\n' || Input.at(i) == u'\r') Break = i;
    if (Break >= 0) {
      Input.remove(Break, Head + Inserted - Break);
      Pos = static_cast<int>(Break);
    }
    Previous_ = Input;
    return Acceptable;
  }

 private:
  mutable QString Previous_;
};

}  // namespace

// Rows and columns without data: model row m is grid row m + 1, the header
// row is the horizontal header.
class TGridModel final : public QAbstractTableModel {
 public:
  explicit TGridModel(TDrawGrid* Grid) : QAbstractTableModel(Grid), Grid_(Grid) {}

  int rowCount(const QModelIndex& Parent = QModelIndex()) const override { return Parent.isValid() ? 0 : Rows_; }
  int columnCount(const QModelIndex& Parent = QModelIndex()) const override {
    return Parent.isValid() ? 0 : Cols_;
  }

  QVariant data(const QModelIndex& Index, int Role) const override {
    if (!Index.isValid() || Role != Qt::DisplayRole) return QVariant();
    return Grid_->CellText(Index.column(), Index.row() + 1);
  }

  QVariant headerData(int Section, Qt::Orientation Orientation, int Role) const override {
    if (Role != Qt::DisplayRole) return QVariant();
    if (Orientation == Qt::Horizontal) return Section >= 0 && Section < Cols_ ? Grid_->CellText(Section, 0) : QVariant();
    return Section + 1;
  }

  Qt::ItemFlags flags(const QModelIndex& Index) const override {
    if (!Index.isValid() || Index.column() < Grid_->FixedCols())
      return Qt::NoItemFlags;
    Qt::ItemFlags Result = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    if (!Grid_->ReadOnly()) Result |= Qt::ItemIsEditable;
    return Result;
  }

  void SetRows(int Rows) {
    if (Rows > Rows_) {
      beginInsertRows(QModelIndex(), Rows_, Rows - 1);
      Rows_ = Rows;
      endInsertRows();
    } else if (Rows < Rows_) {
      beginRemoveRows(QModelIndex(), Rows, Rows_ - 1);
      Rows_ = Rows;
      endRemoveRows();
    }
  }

  void SetCols(int Cols) {
    if (Cols > Cols_) {
      beginInsertColumns(QModelIndex(), Cols_, Cols - 1);
      Cols_ = Cols;
      endInsertColumns();
    } else if (Cols < Cols_) {
      beginRemoveColumns(QModelIndex(), Cols, Cols_ - 1);
      Cols_ = Cols;
      endRemoveColumns();
    }
  }

  void CellsChanged() {
    if (Rows_ > 0 && Cols_ > 0) emit dataChanged(index(0, 0), index(Rows_ - 1, Cols_ - 1), {Qt::DisplayRole});
    if (Cols_ > 0) emit headerDataChanged(Qt::Horizontal, 0, Cols_ - 1);
  }

 private:
  TDrawGrid* Grid_;
  int Rows_ = 0;
  int Cols_ = 0;
};

// Fills each cell's background and hands the text to the owner; opens a
// frameless one-line editor whose every change goes to the owner at once.
class TGridDelegate final : public QStyledItemDelegate {
 public:
  explicit TGridDelegate(TDrawGrid* Grid) : QStyledItemDelegate(Grid), Grid_(Grid) {}

  void paint(QPainter* Painter, const QStyleOptionViewItem& Option, const QModelIndex& Index) const override {
    const int ACol = Index.column();
    const int ARow = Index.row() + 1;
    const bool Fixed = ACol < Grid_->FixedCols();
    const bool Current = !Fixed && Index == Grid_->currentIndex();
    const bool Focused = Current && Grid_->hasFocus();
    QColor Back = Fixed ? FixedColor : Option.palette.color(QPalette::ToolTipBase);
    QColor Text = Option.palette.color(QPalette::ToolTipText);
    // The current cell is highlighted in every grid; the one of the grid
    // that has the keyboard carries a dark frame besides, so that it is
    // the one that stands out.
    if (Current) {
      Back = Option.palette.color(QPalette::Highlight);
      Text = Option.palette.color(QPalette::HighlightedText);
    }
    Painter->save();
    Painter->fillRect(Option.rect, Back);
    Painter->setPen(Text);
    Painter->setFont(Option.font);
    Grid_->PaintCell(ACol, ARow, Option.rect, Painter);
    Painter->restore();
    if (Focused) {
      Painter->save();
      QPen Frame(Option.palette.color(QPalette::WindowText));
      Frame.setWidth(FocusFrameWidth);
      Frame.setJoinStyle(Qt::MiterJoin);
      Painter->setPen(Frame);
      Painter->setBrush(Qt::NoBrush);
      Painter->drawRect(QRectF(Option.rect).adjusted(FocusFrameWidth / 2.0, FocusFrameWidth / 2.0,
                                                     -FocusFrameWidth / 2.0, -FocusFrameWidth / 2.0));
      Painter->restore();
    }
  }

  QWidget* createEditor(QWidget* Parent, const QStyleOptionViewItem&, const QModelIndex& Index) const override {
    auto* Editor = new QLineEdit(Parent);
    Editor->setFrame(false);
    Editor->setFont(Grid_->font());
    Grid_->EditorOpened(Editor, Index.column(), Index.row() + 1);
    return Editor;
  }

  // The view hands an editor fresh data whenever the cells change, which
  // they do at every stored keystroke; only the first text is wanted.
  void setEditorData(QWidget* Editor, const QModelIndex& Index) const override {
    auto* Line = qobject_cast<QLineEdit*>(Editor);
    if (Line == nullptr || Line->property("TavikFilled").toBool()) return;
    Line->setProperty("TavikFilled", true);
    QString Value;
    emit Grid_->getEditText(Index.column(), Index.row() + 1, Value);
    Line->setText(Value);
    Line->setValidator(new TOneLineValidator(Value, Line));
  }

  void setModelData(QWidget* Editor, QAbstractItemModel*, const QModelIndex& Index) const override {
    if (auto* Line = qobject_cast<QLineEdit*>(Editor))
      emit Grid_->setEditText(Index.column(), Index.row() + 1, Line->text());
  }

  void updateEditorGeometry(QWidget* Editor, const QStyleOptionViewItem& Option, const QModelIndex&) const override {
    Editor->setGeometry(Option.rect);
  }

 protected:
  bool eventFilter(QObject* Object, QEvent* Event) override {
    if (Event->type() == QEvent::KeyPress) {
      const int Key = static_cast<QKeyEvent*>(Event)->key();
      if (Key == Qt::Key_Return || Key == Qt::Key_Enter) {
        Grid_->HandleEnter();
        return true;
      }
      if (Key == Qt::Key_Delete && Grid_->HandleEditorDelete()) return true;
      // No Tab navigation between cells: Tab leaves the grid.
      if (Key == Qt::Key_Tab || Key == Qt::Key_Backtab) {
        const bool Forward = Key == Qt::Key_Tab && !(static_cast<QKeyEvent*>(Event)->modifiers() & Qt::ShiftModifier);
        Grid_->LeaveByTab(Forward);
        return true;
      }
    } else if (Event->type() == QEvent::FocusOut && QApplication::activeModalWidget() != nullptr) {
      // A message box opened by the owner while the text was being typed:
      // the editor stays open, or closing it would store the text again
      // and open the same box once more.
      return false;
    }
    return QStyledItemDelegate::eventFilter(Object, Event);
  }

 private:
  TDrawGrid* Grid_;
};

// The fixed header row, painted by the grid's owner like any other cell.
class TGridHeader final : public QHeaderView {
 public:
  explicit TGridHeader(TDrawGrid* Grid) : QHeaderView(Qt::Horizontal, Grid), Grid_(Grid) {}

 protected:
  void paintSection(QPainter* Painter, const QRect& Rect, int LogicalIndex) const override {
    if (!Rect.isValid()) return;
    Painter->save();
    Painter->fillRect(Rect, FixedColor);
    Painter->setPen(palette().color(QPalette::Dark));
    Painter->drawLine(Rect.topRight(), Rect.bottomRight());
    Painter->drawLine(Rect.bottomLeft(), Rect.bottomRight());
    Painter->setPen(palette().color(QPalette::WindowText));
    Painter->setFont(font());
    Grid_->PaintCell(LogicalIndex, 0, Rect.adjusted(0, 0, -1, -1), Painter);
    Painter->restore();
  }

 private:
  TDrawGrid* Grid_;
};

TDrawGrid::TDrawGrid(QWidget* Parent) : QTableView(Parent), Model_(new TGridModel(this)) {
  setModel(Model_);
  setHorizontalHeader(new TGridHeader(this));
  setItemDelegate(new TGridDelegate(this));

  QHeaderView* Top = horizontalHeader();
  Top->setSectionResizeMode(QHeaderView::Fixed);
  Top->setMinimumSectionSize(8);
  Top->setDefaultSectionSize(40);
  Top->setHighlightSections(false);
  Top->setSectionsClickable(false);
  Top->setStretchLastSection(false);
  Top->setFixedHeight(17);

  QHeaderView* Side = verticalHeader();
  Side->hide();
  Side->setMinimumSectionSize(1);
  Side->setDefaultSectionSize(17);
  Side->setSectionResizeMode(QHeaderView::Fixed);

  setSelectionMode(QAbstractItemView::SingleSelection);
  setSelectionBehavior(QAbstractItemView::SelectItems);
  setTabKeyNavigation(false);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setFrameShape(QFrame::NoFrame);
  // The grid's own colour is that of its cells, below the last row too and
  // in the editor.
  QPalette Colours = palette();
  Colours.setColor(QPalette::Base, Colours.color(QPalette::ToolTipBase));
  Colours.setColor(QPalette::Text, Colours.color(QPalette::ToolTipText));
  setPalette(Colours);
  setWordWrap(false);
  setCornerButtonEnabled(false);
  UpdateEditTriggers();

  SetColCount(1);
  SetRowCount(2);
}

int TDrawGrid::ColCount() const { return Model_->columnCount(); }

void TDrawGrid::SetColCount(int Value) {
  Value = std::max(Value, 1);
  if (Editor_ && currentIndex().column() >= Value) DiscardEditor();
  Model_->SetCols(Value);
  if (!currentIndex().isValid()) SetCell(FixedCols_, 1);
}

int TDrawGrid::RowCount() const { return Model_->rowCount() + 1; }

void TDrawGrid::SetRowCount(int Value) {
  Value = std::max(Value, 2);
  if (Value == RowCount()) return;
  if (Editor_ && currentIndex().row() + 1 >= Value) DiscardEditor();
  Model_->SetRows(Value - 1);
  if (!currentIndex().isValid()) SetCell(Col(), std::min(Row(), Value - 1));
}

void TDrawGrid::SetFixedCols(int Value) {
  FixedCols_ = std::clamp(Value, 0, ColCount() - 1);
  if (Col() < FixedCols_) SetCell(FixedCols_, Row());
  Repaint();
}

int TDrawGrid::Col() const {
  const QModelIndex Current = currentIndex();
  return Current.isValid() ? Current.column() : FixedCols_;
}

int TDrawGrid::Row() const {
  const QModelIndex Current = currentIndex();
  return Current.isValid() ? Current.row() + 1 : 1;
}

void TDrawGrid::SetCell(int ACol, int ARow) {
  ACol = std::clamp(ACol, FixedCols_, ColCount() - 1);
  ARow = std::clamp(ARow, 1, RowCount() - 1);
  const QModelIndex Target = Model_->index(ARow - 1, ACol);
  if (Target == currentIndex()) return;
  // Moving the current cell commits and closes an open editor (the view
  // does that in currentChanged).
  selectionModel()->setCurrentIndex(Target, QItemSelectionModel::ClearAndSelect);
  scrollTo(Target);
}

int TDrawGrid::ColWidth(int ACol) const { return columnWidth(ACol); }

void TDrawGrid::SetColWidth(int ACol, int Width) { setColumnWidth(ACol, Width); }

QRect TDrawGrid::CellRect(int ACol, int ARow) const {
  if (ARow == 0)
    return QRect(horizontalHeader()->sectionViewportPosition(ACol), 0, columnWidth(ACol), horizontalHeader()->height());
  return visualRect(Model_->index(ARow - 1, ACol));
}

bool TDrawGrid::EditorMode() const { return !Editor_.isNull(); }

void TDrawGrid::SetEditorMode(bool Open) {
  if (Open) {
    if (Editor_ || ReadOnly_) return;
    const QModelIndex Current = currentIndex();
    if (Current.isValid() && (Model_->flags(Current) & Qt::ItemIsEditable)) edit(Current);
    return;
  }
  if (!Editor_) return;
  QPointer<QLineEdit> Editor = Editor_;
  commitData(Editor);
  // The owner's handler may have closed the editor itself (a removed row).
  if (Editor && Editor == Editor_) closeEditor(Editor, QAbstractItemDelegate::NoHint);
}

void TDrawGrid::DiscardEditor() {
  if (!Editor_) return;
  QLineEdit* Editor = Editor_;
  closeEditor(Editor, QAbstractItemDelegate::RevertModelCache);
}

void TDrawGrid::closeEditor(QWidget* Editor, QAbstractItemDelegate::EndEditHint Hint) {
  if (Editor == Editor_) Editor_ = nullptr;
  // An editor that held the keyboard, even while a message box about its
  // text had it for a moment, hands it back to its grid: otherwise the
  // window, when it becomes active again, would give it to the editor that
  // is gone, and keys would go nowhere.
  const bool HeldKeyboard = Editor != nullptr && (Editor->hasFocus() || window()->focusWidget() == Editor);
  QTableView::closeEditor(Editor, Hint);
  if (HeldKeyboard && isVisible() && isEnabled()) setFocus(Qt::OtherFocusReason);
}

void TDrawGrid::SetReadOnly(bool Value) {
  if (Value == ReadOnly_) return;
  if (Value) SetEditorMode(false);
  ReadOnly_ = Value;
  UpdateEditTriggers();
}

void TDrawGrid::UpdateEditTriggers() {
  setEditTriggers(ReadOnly_ ? QAbstractItemView::NoEditTriggers
                            : QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked |
                                  QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);
}

void TDrawGrid::SetTextSource(std::function<QString(int, int)> Source) {
  TextSource_ = std::move(Source);
  Repaint();
}

QString TDrawGrid::CellText(int ACol, int ARow) const { return TextSource_ ? TextSource_(ACol, ARow) : QString(); }

void TDrawGrid::Repaint() {
  Model_->CellsChanged();
  viewport()->update();
  horizontalHeader()->viewport()->update();
}

void TDrawGrid::PaintCell(int ACol, int ARow, const QRect& Rect, QPainter* Canvas) {
  emit drawCell(ACol, ARow, Rect, Canvas);
}

void TDrawGrid::EditorOpened(QLineEdit* Editor, int ACol, int ARow) {
  Editor_ = Editor;
  const QPersistentModelIndex Cell(Model_->index(ARow - 1, ACol));
  // textEdited fires for typing, pasting, cutting and deleting, never for
  // the first text the grid puts in.
  connect(Editor, &QLineEdit::textEdited, this, [this, Cell](const QString& Text) {
    if (Cell.isValid()) emit setEditText(Cell.column(), Cell.row() + 1, Text);
  });
}

void TDrawGrid::HandleEnter() {
  if (ReadOnly_) return;
  const bool WasOpen = EditorMode();
  if (WasOpen) SetEditorMode(false);
  QChar Key(13);
  emit keyPress(Key);
  if (Key.isNull()) return;
  if (!WasOpen) SetEditorMode(true);
}

void TDrawGrid::LeaveByTab(bool Forward) {
  SetEditorMode(false);
  focusNextPrevChild(Forward);
}

bool TDrawGrid::HandleEditorDelete() {
  if (ReadOnly_) return false;
  int Key = Qt::Key_Delete;
  emit keyDown(Key);
  return Key == 0;
}

void TDrawGrid::keyPressEvent(QKeyEvent* Event) {
  const bool Enter = Event->key() == Qt::Key_Return || Event->key() == Qt::Key_Enter;
  if (ReadOnly_) {
    // Looking around is allowed, changing nothing.
    if (Enter || Event->key() == Qt::Key_Delete || !Event->text().isEmpty()) {
      Event->accept();
      return;
    }
    QTableView::keyPressEvent(Event);
    return;
  }
  int Key = Event->key();
  emit keyDown(Key);
  if (Key == 0) {
    Event->accept();
    return;
  }
  if (Enter) {
    HandleEnter();
    Event->accept();
    return;
  }
  if (!Event->text().isEmpty() && Event->text().at(0).isPrint()) {
    QChar Char = Event->text().at(0);
    emit keyPress(Char);
    if (Char.isNull()) {
      Event->accept();
      return;
    }
  }
  QTableView::keyPressEvent(Event);
}

void TDrawGrid::paintEvent(QPaintEvent* Event) {
  emit aboutToPaint();
  QTableView::paintEvent(Event);
}

void TDrawGrid::focusInEvent(QFocusEvent* Event) {
  QTableView::focusInEvent(Event);
  viewport()->update();
}

void TDrawGrid::focusOutEvent(QFocusEvent* Event) {
  QTableView::focusOutEvent(Event);
  viewport()->update();
}
