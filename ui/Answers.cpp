#include "Answers.h"

#include <QFileDialog>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QSpacerItem>

#include "AppSetup.h"
#include "WindowFlags.h"

namespace {

// A message box with a dialog frame (no minimise or maximise button) and
// wide enough for its whole title: a short text would make the box, and
// with it the title bar, narrower than the application title.
void PrepareBox(QMessageBox& Box) {
  Box.setWindowFlags(FixedDialogFlags);
  // Room for the title bar's icon and buttons beside the title.
  constexpr int TitleBarButtons = 120;
  const int Wanted = QFontMetrics(Box.font()).horizontalAdvance(Box.windowTitle()) + TitleBarButtons;
  if (auto* Grid = qobject_cast<QGridLayout*>(Box.layout()))
    Grid->addItem(new QSpacerItem(Wanted, 0, QSizePolicy::Minimum, QSizePolicy::Minimum), Grid->rowCount(), 0, 1,
                  Grid->columnCount());
}

class TDialogAnswers final : public IAnswers {
 public:
  bool AskYesNo(QWidget* Parent, TQuestion Kind, const QString& Text) override {
    QMessageBox Box(Kind == TQuestion::Warning ? QMessageBox::Warning : QMessageBox::Question, ApplicationTitle(),
                    Text, QMessageBox::Yes | QMessageBox::No, Parent);
    PrepareBox(Box);
    return Box.exec() == QMessageBox::Yes;
  }

  void ShowError(QWidget* Parent, const QString& Text) override {
    QMessageBox Box(QMessageBox::Critical, ApplicationTitle(), Text, QMessageBox::Ok, Parent);
    PrepareBox(Box);
    Box.exec();
  }

  void ShowMessage(QWidget* Parent, const QString& Text) override {
    QMessageBox Box(QMessageBox::NoIcon, ApplicationTitle(), Text, QMessageBox::Ok, Parent);
    PrepareBox(Box);
    Box.exec();
  }

  QString OpenFileName(QWidget* Parent, const QString& Filter, const QString& DefaultSuffix) override {
    QFileDialog Dialog(Parent, QString(), QString(), Filter);
    Dialog.setAcceptMode(QFileDialog::AcceptOpen);
    Dialog.setFileMode(QFileDialog::ExistingFile);
    Dialog.setDefaultSuffix(DefaultSuffix);
    return Dialog.exec() == QDialog::Accepted && !Dialog.selectedFiles().isEmpty() ? Dialog.selectedFiles().first()
                                                                                   : QString();
  }

  QString SaveFileName(QWidget* Parent, const QString& Filter, const QString& DefaultSuffix) override {
    QFileDialog Dialog(Parent, QString(), QString(), Filter);
    Dialog.setAcceptMode(QFileDialog::AcceptSave);
    Dialog.setFileMode(QFileDialog::AnyFile);
    Dialog.setOption(QFileDialog::DontConfirmOverwrite);
    Dialog.setDefaultSuffix(DefaultSuffix);
    return Dialog.exec() == QDialog::Accepted && !Dialog.selectedFiles().isEmpty() ? Dialog.selectedFiles().first()
                                                                                   : QString();
  }

  bool PrinterSetup(QWidget* Parent, QPrinter& Printer) override {
    QPrintDialog Dialog(&Printer, Parent);
    return Dialog.exec() == QDialog::Accepted;
  }
};

TDialogAnswers RealAnswers;
IAnswers* Current = &RealAnswers;

}  // namespace

IAnswers& Answers() { return *Current; }

TAnswersScope::TAnswersScope(IAnswers& Scripted) : Previous_(Current) { Current = &Scripted; }

TAnswersScope::~TAnswersScope() { Current = Previous_; }

QString ApplicationTitle() { return QString::fromUtf8(ApplicationTitleText); }
