// The three grids of the main window: what each cell shows, and how a typed
// text is checked and stored in the task.
#include <QFontMetrics>
#include <QPainter>

#include "Answers.h"
#include "DrawGrid.h"
#include "GbkText.h"
#include "LocaleText.h"
#include "frmRect.h"

namespace {

const QChar EnterKey(13);

}  // namespace

// ------------------------------------------------------------ cell texts

QString TForm1::dgSystemCellText(int ACol, int ARow) const {
  if (ACol == 0) {
    switch (ARow) {
      case 0: return QStringLiteral("参数名称");
      case 1: return QStringLiteral("刀口宽度");
      case 2: return QStringLiteral("期望利用率");
      case 3: return QStringLiteral("算法搜索深度");
      case 4: return QStringLiteral("刚性材料标识");
      default: return QString();
    }
  }
  if (ACol != 1) return QString();
  switch (ARow) {
    case 0: return QStringLiteral("值");
    case 1: return IntegerText(Task_->KnifeWidth);
    case 2: return FixedText(Task_->ExpectedRate, 2);
    case 3: return IntegerText(Task_->SearchDepth);
    case 4: return IntegerText(Task_->RigidFlag ? 1 : 0);
    default: return QString();
  }
}

QString TForm1::dgSrcRectsCellText(int ACol, int ARow) const {
  if (ARow == 0) {
    switch (ACol) {
      case 0: return QStringLiteral("名称");
      case 1: return QStringLiteral("长度");
      case 2: return QStringLiteral("宽度");
      case 3: return QStringLiteral("库存");
      default: return QString();
    }
  }
  // The empty row of an empty table shows nothing.
  if (ARow < 1 || ARow > Task_->SrcCount || ARow > MaxSrcRects) return QString();
  const TSrcRect& Sheet = Task_->SrcRects[ARow];
  switch (ACol) {
    case 0: return FromGbk(Sheet.Name);
    case 1: return IntegerText(Sheet.Length);
    case 2: return IntegerText(Sheet.Width);
    case 3: return IntegerText(Sheet.Stock);
    default: return QString();
  }
}

QString TForm1::dgObjPlansCellText(int ACol, int ARow) const {
  if (ARow == 0) {
    switch (ACol) {
      case 0: return QStringLiteral("名称");
      case 1: return QStringLiteral("长度");
      case 2: return QStringLiteral("宽度");
      case 3: return QStringLiteral("数量");
      case 4: return QStringLiteral("待排");
      case 5: return QStringLiteral("可旋转");
      default: return QString();
    }
  }
  if (ARow < 1 || ARow > Task_->ObjCount || ARow > MaxObjPlans) return QString();
  const TObjPlan& Piece = Task_->ObjPlans[ARow];
  switch (ACol) {
    case 0: return FromGbk(Piece.Name);
    case 1: return IntegerText(Piece.Length);
    case 2: return IntegerText(Piece.Width);
    case 3: return IntegerText(Piece.Quantity);
    case 4: return IntegerText(Piece.Pending);
    case 5: return IntegerText(Piece.MayTurn ? 1 : 0);
    default: return QString();
  }
}

// ------------------------------------------------------------ painting

void TForm1::SyncGridRows() {
  dgSrcRects->SetRowCount(std::max(Task_->SrcCount + 1, 2));
  dgObjPlans->SetRowCount(std::max(Task_->ObjCount + 1, 2));
}

void TForm1::WidenColumn(TDrawGrid* Grid, int ACol, int TextWidth) {
  // Columns only grow, each to its widest text so far.
  if (Grid->ColWidth(ACol) < TextWidth + 8) Grid->SetColWidth(ACol, TextWidth + 8);
}

void TForm1::DrawGridText(TDrawGrid* Grid, int ACol, int ARow, const QRect& Rect, QPainter* Canvas,
                          const QString& Text) {
  const QFontMetrics Metrics(Canvas->font());
  const int TextWidth = Metrics.horizontalAdvance(Text);
  const int TextHeight = Metrics.height();
  // Right and bottom edges as the classic cell rectangle has them: one past
  // the last pixel.
  const int Left = Rect.left();
  const int Right = Rect.left() + Rect.width();
  const int Top = Rect.top();
  const int Bottom = Rect.top() + Rect.height();
  int x;
  if (ARow == 0)
    x = (Left + Right) / 2 - TextWidth / 2;
  else if (ACol == 0)
    x = Left + 4;
  else
    x = Right - 4 - TextWidth;
  const int y = (Top + Bottom) / 2 - TextHeight / 2;
  Canvas->drawText(QPoint(x, y + Metrics.ascent()), Text);
  WidenColumn(Grid, ACol, TextWidth);
}

void TForm1::dgSystemDrawCell(int ACol, int ARow, const QRect& Rect, QPainter* Canvas) {
  DrawGridText(dgSystem, ACol, ARow, Rect, Canvas, dgSystemCellText(ACol, ARow));
}

void TForm1::dgSrcRectsDrawCell(int ACol, int ARow, const QRect& Rect, QPainter* Canvas) {
  DrawGridText(dgSrcRects, ACol, ARow, Rect, Canvas, dgSrcRectsCellText(ACol, ARow));
}

void TForm1::dgObjPlansDrawCell(int ACol, int ARow, const QRect& Rect, QPainter* Canvas) {
  DrawGridText(dgObjPlans, ACol, ARow, Rect, Canvas, dgObjPlansCellText(ACol, ARow));
}

// ------------------------------------------------------------ editing

void TForm1::dgSystemGetEditText(int, int ARow, QString& Value) { Value = dgSystemCellText(1, ARow); }

void TForm1::dgSrcRectsGetEditText(int ACol, int ARow, QString& Value) { Value = dgSrcRectsCellText(ACol, ARow); }

void TForm1::dgObjPlansGetEditText(int ACol, int ARow, QString& Value) {
  // The pending count is the calculation's; its editor starts empty.
  Value = ACol == 4 ? QString() : dgObjPlansCellText(ACol, ARow);
}

bool TForm1::ReadWhole(const QString& Value, std::int32_t& Number) {
  if (ParseInteger(Value, Number)) return true;
  Answers().ShowError(this, QStringLiteral("'%1' is not a valid integer value").arg(Value));
  return false;
}

void TForm1::Refuse(const char* Message) { Answers().ShowMessage(this, QString::fromUtf8(Message)); }

bool TForm1::StoreName(std::string& Name, const QString& Value) {
  const std::string Typed = ToGbk(Value);
  if (Typed == Name) return false;
  Name = Typed;
  Modified_ = true;
  return true;
}

void TForm1::StoreSize(TLength& Length, TLength& Width, int ACol, const QString& Value) {
  std::int32_t Number = 0;
  if (!ReadWhole(Value, Number)) return;
  if (Number < 0) return Refuse(ACol == 1 ? "长度不能为负值!" : "宽度不能为负值!");
  TLength& Stored = ACol == 1 ? Length : Width;
  if (Number != Stored) {
    Stored = Number;
    Modified_ = true;
  }
}

void TForm1::dgSystemSetEditText(int, int ARow, const QString& Value) {
  if (Value.isEmpty() || Computing_) return;
  TPlan& T = *Task_;
  std::int32_t Number = 0;
  switch (ARow) {
    case 1:
      if (!ReadWhole(Value, Number)) return;
      if (Number < 0) return Refuse("刀口宽度必须非负！");
      if (Number != T.KnifeWidth) {
        T.KnifeWidth = Number;
        Modified_ = true;
      }
      break;
    case 2: {
      double Typed = 0;
      if (!ParseFloat(Value, Typed)) {
        Answers().ShowError(this, QStringLiteral("'%1' is not a valid floating point value").arg(Value));
        return;
      }
      // A number far beyond the range has no single-precision value at all.
      if (!(Typed >= -2.0 && Typed <= 2.0)) return Refuse("板材利用率必须介于0~1之间!");
      // Checked and compared as it will be stored.
      const auto Rate = static_cast<float>(Typed);
      if (!(Rate >= 0 && Rate <= 1)) return Refuse("板材利用率必须介于0~1之间!");
      if (Rate != T.ExpectedRate) {
        T.ExpectedRate = Rate;
        Modified_ = true;
      }
      break;
    }
    case 3:
      if (!ReadWhole(Value, Number)) return;
      if (Number < 0 || Number > 16) return Refuse("算法搜索深度必须介于0~16之间!");
      if (Number != T.SearchDepth) {
        T.SearchDepth = Number;
        Modified_ = true;
      }
      break;
    case 4:
      if (!ReadWhole(Value, Number)) return;
      if (Number != (T.RigidFlag ? 1 : 0)) {
        T.RigidFlag = Number != 0;
        Modified_ = true;
      }
      break;
    default:
      return;
  }
  dgSystem->Repaint();
}

void TForm1::dgSrcRectsSetEditText(int ACol, int ARow, const QString& Value) {
  if (Value.isEmpty() || Computing_ || ARow < 1 || ARow > MaxSrcRects) return;
  TPlan& T = *Task_;
  // Before the value is checked: any text typed into the empty row of an
  // empty table makes it entry 1.
  if (ARow > T.SrcCount) T.SrcCount = ARow;
  TSrcRect& Sheet = T.SrcRects[ARow];
  std::int32_t Number = 0;
  if (ACol == 0) {
    StoreName(Sheet.Name, Value);
  } else if (ACol == 1 || ACol == 2) {
    StoreSize(Sheet.Length, Sheet.Width, ACol, Value);
  } else if (ACol == 3 && ReadWhole(Value, Number)) {
    // 0: as many sheets as the plan needs.
    if (Number < 0) {
      Refuse("库存数量不能为负值!");
    } else if (Number != Sheet.Stock) {
      Sheet.Stock = Number;
      Modified_ = true;
    }
  }
  SyncGridRows();
  dgSrcRects->Repaint();
}

void TForm1::dgObjPlansSetEditText(int ACol, int ARow, const QString& Value) {
  if (Value.isEmpty() || Computing_ || ARow < 1 || ARow > MaxObjPlans) return;
  TPlan& T = *Task_;
  if (ARow > T.ObjCount) T.ObjCount = ARow;
  TObjPlan& Piece = T.ObjPlans[ARow];
  std::int32_t Number = 0;
  bool NameChanged = false;
  switch (ACol) {
    case 0:
      NameChanged = StoreName(Piece.Name, Value);
      break;
    case 1:
    case 2:
      StoreSize(Piece.Length, Piece.Width, ACol, Value);
      break;
    case 3:
      if (!ReadWhole(Value, Number)) break;
      if (Number < 0) {
        Refuse("数量只能为正整数!");
        break;
      }
      // A changed quantity starts the piece's pending count over.
      if (Number != Piece.Quantity) {
        Piece.Quantity = Number;
        Piece.Pending = Number;
        Modified_ = true;
      }
      break;
    case 5:
      // 1: the piece may be turned; 0: it keeps its length along the
      // sheet's length (grain).
      if (!ReadWhole(Value, Number)) break;
      if (Number != 0 && Number != 1) {
        Refuse("可旋转标识只能为0或1!");
        break;
      }
      if ((Number == 1) != Piece.MayTurn) {
        Piece.MayTurn = Number == 1;
        Modified_ = true;
      }
      break;
    default:
      // The pending count is not typed: the text is ignored.
      break;
  }
  SyncGridRows();
  dgObjPlans->Repaint();
  // Piece names are drawn in the layout view.
  if (NameChanged) ShowJob();
}

// ------------------------------------------------------------ Enter and Delete

void TForm1::dgSystemKeyPress(QChar& Key) {
  if (Key != EnterKey || Computing_) return;
  const int Row = dgSystem->Row();
  dgSystem->SetCell(dgSystem->Col(), Row >= 4 ? 1 : Row + 1);
}

void TForm1::dgSrcRectsKeyPress(QChar& Key) {
  if (Key != EnterKey || Computing_) return;
  const int Col = dgSrcRects->Col();
  const int Row = dgSrcRects->Row();
  if (Col < 2) {
    dgSrcRects->SetCell(Col + 1, Row);
    return;
  }
  TPlan& T = *Task_;
  // The empty row of an empty table has no entry to follow, and a full
  // table takes no 101st entry: the cursor stays.
  if (Row > T.SrcCount) return;
  if (Row == T.SrcCount) {
    if (T.SrcCount >= MaxSrcRects) return;
    ++T.SrcCount;
    T.SrcRects[T.SrcCount] = TSrcRect{};
  }
  SyncGridRows();
  dgSrcRects->Repaint();
  dgSrcRects->SetCell(0, Row + 1);
}

void TForm1::dgObjPlansKeyPress(QChar& Key) {
  if (Key != EnterKey || Computing_) return;
  const int Col = dgObjPlans->Col();
  const int Row = dgObjPlans->Row();
  if (Col < 3) {
    dgObjPlans->SetCell(Col + 1, Row);
    return;
  }
  TPlan& T = *Task_;
  if (Row > T.ObjCount) return;
  if (Row == T.ObjCount) {
    if (T.ObjCount >= MaxObjPlans) return;
    ++T.ObjCount;
    T.ObjPlans[T.ObjCount] = TObjPlan{};
  }
  SyncGridRows();
  dgObjPlans->Repaint();
  dgObjPlans->SetCell(0, Row + 1);
}

namespace {

// Removes entry Row of a table with Count entries: the entries after it move
// up one place; the slot that falls out of the count keeps its content.
template <class TTableType>
void RemoveEntry(TTableType& Table, std::int32_t& Count, int Row) {
  for (int r = Row; r < Count; ++r) Table[r] = Table[r + 1];
  if (Count > 0) --Count;
}

}  // namespace

void TForm1::dgSrcRectsKeyDown(int& Key) {
  if (Key != Qt::Key_Delete || Computing_) return;
  TPlan& T = *Task_;
  const int Row = dgSrcRects->Row();
  if (T.SrcCount == 0 || Row > T.SrcCount) return;
  // An open editor is closed without storing its text: the text belongs to
  // the removed entry and would otherwise land on the one that moves up.
  Key = 0;
  dgSrcRects->DiscardEditor();
  RemoveEntry(T.SrcRects, T.SrcCount, Row);
  // Jobs refer to sheets by number; after the renumbering they would point
  // at the wrong sheets.
  ClearJobs(T);
  Modified_ = true;
  ShowTask();
}

void TForm1::dgObjPlansKeyDown(int& Key) {
  if (Key != Qt::Key_Delete || Computing_) return;
  TPlan& T = *Task_;
  const int Row = dgObjPlans->Row();
  if (T.ObjCount == 0 || Row > T.ObjCount) return;
  Key = 0;
  dgObjPlans->DiscardEditor();
  // The jobs go before the entry: the slot that falls out of the count is
  // brought back by typing into the empty row of an emptied table, and it
  // must come back with nothing placed.
  ClearJobs(T);
  RemoveEntry(T.ObjPlans, T.ObjCount, Row);
  Modified_ = true;
  ShowTask();
}
