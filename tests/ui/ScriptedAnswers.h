// Answers given by a test instead of a person. Every question, box and
// dialog is recorded; answers are taken from the scripts in order, and a
// question with no answer left fails the test (and gets No / cancel).
#pragma once

#include <gtest/gtest.h>

#include <QString>
#include <QStringList>
#include <deque>
#include <functional>

#include "Answers.h"

class TScriptedAnswers final : public IAnswers {
 public:
  struct TAsked {
    QString What;  // "question", "error", "message", "open", "save", "printer"
    QString Text;  // the text shown, or the dialog's filter
  };

  std::deque<bool> YesNo;           // answers to AskYesNo
  std::deque<QString> Files;        // answers to the file dialogs ("" = cancel)
  std::deque<bool> PrinterAnswers;  // answers to PrinterSetup
  // Applied to the printer before a PrinterSetup answered true.
  std::function<void(QPrinter&)> OnPrinterSetup;
  // Run while each question, error or message box would be up, as if the
  // box were on the screen (for example to take the keyboard away).
  std::function<void()> OnBox;

  std::vector<TAsked> Asked;
  std::vector<TQuestion> QuestionKinds;

  bool AskYesNo(QWidget*, TQuestion Kind, const QString& Text) override {
    Asked.push_back({"question", Text});
    QuestionKinds.push_back(Kind);
    if (OnBox) OnBox();
    if (YesNo.empty()) {
      ADD_FAILURE() << "unexpected question: " << Text.toStdString();
      return false;
    }
    bool Answer = YesNo.front();
    YesNo.pop_front();
    return Answer;
  }
  void ShowError(QWidget*, const QString& Text) override {
    Asked.push_back({"error", Text});
    if (OnBox) OnBox();
  }
  void ShowMessage(QWidget*, const QString& Text) override {
    Asked.push_back({"message", Text});
    if (OnBox) OnBox();
  }
  QString OpenFileName(QWidget*, const QString& Filter, const QString&) override { return File("open", Filter); }
  QString SaveFileName(QWidget*, const QString& Filter, const QString&) override { return File("save", Filter); }
  bool PrinterSetup(QWidget*, QPrinter& Printer) override {
    Asked.push_back({"printer", QString()});
    if (PrinterAnswers.empty()) {
      ADD_FAILURE() << "unexpected printer setup";
      return false;
    }
    bool Answer = PrinterAnswers.front();
    PrinterAnswers.pop_front();
    if (Answer && OnPrinterSetup) OnPrinterSetup(Printer);
    return Answer;
  }

  // The texts of what was asked of one kind, in order.
  QStringList Texts(const QString& What) const {
    QStringList Result;
    for (const TAsked& A : Asked)
      if (A.What == What) Result << A.Text;
    return Result;
  }

 private:
  QString File(const QString& What, const QString& Filter) {
    Asked.push_back({What, Filter});
    if (Files.empty()) {
      ADD_FAILURE() << "unexpected " << What.toStdString() << " dialog";
      return QString();
    }
    QString Answer = Files.front();
    Files.pop_front();
    return Answer;
  }
};
