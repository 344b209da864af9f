#include "Answers.h"

#include <QFileDialog>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>

namespace {

class TDialogAnswers final : public IAnswers {
 public:
  bool AskYesNo(QWidget* Parent, TQuestion Kind, const QString& Text) override {
    QMessageBox Box(Kind == TQuestion::Warning ? QMessageBox::Warning : QMessageBox::Question, ApplicationTitle(),
                    Text, QMessageBox::Yes | QMessageBox::No, Parent);
    return Box.exec() == QMessageBox::Yes;
  }

  void ShowError(QWidget* Parent, const QString& Text) override {
    QMessageBox Box(QMessageBox::Critical, ApplicationTitle(), Text, QMessageBox::Ok, Parent);
    Box.exec();
  }

  void ShowMessage(QWidget* Parent, const QString& Text) override {
    QMessageBox Box(QMessageBox::NoIcon, ApplicationTitle(), Text, QMessageBox::Ok, Parent);
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

QString ApplicationTitle() {
  QString Title = QGuiApplication::applicationDisplayName();
  return Title.isEmpty() ? QStringLiteral("Tavik Vadi Ver 1.0.0") : Title;
}
