// Every place where a person must answer goes through this seam: questions,
// the error and message boxes, file dialogs and printer setup. The program
// uses Qt's dialogs; tests install scripted answers and see the questions.
#pragma once

#include <QString>

class QPrinter;
class QWidget;

class IAnswers {
 public:
  enum class TQuestion {
    Warning,       // a warning box with Yes and No
    Confirmation,  // a confirmation box with Yes and No
  };

  virtual ~IAnswers() = default;

  // Yes/No box titled with the application title; true for Yes.
  virtual bool AskYesNo(QWidget* Parent, TQuestion Kind, const QString& Text) = 0;
  // The application's error box: application title, error icon, one OK.
  virtual void ShowError(QWidget* Parent, const QString& Text) = 0;
  // A plain message box: application title, one OK.
  virtual void ShowMessage(QWidget* Parent, const QString& Text) = 0;
  // Open and save file dialogs for Filter ("任务文件(*.tsk)"); DefaultSuffix
  // is appended to a name typed without one. Empty when cancelled. The save
  // dialog does not ask before replacing a file: the caller asks, through
  // AskYesNo, so that the question can be scripted like the others.
  virtual QString OpenFileName(QWidget* Parent, const QString& Filter, const QString& DefaultSuffix) = 0;
  virtual QString SaveFileName(QWidget* Parent, const QString& Filter, const QString& DefaultSuffix) = 0;
  // The printer setup dialog for Printer (printer, paper, orientation,
  // copies); false when cancelled, and Printer is then unchanged.
  virtual bool PrinterSetup(QWidget* Parent, QPrinter& Printer) = 0;
};

// The answers in use: Qt's dialogs unless a test installed others.
IAnswers& Answers();

// Installs Answers for the lifetime of the object (tests), then restores.
class TAnswersScope {
 public:
  explicit TAnswersScope(IAnswers& Scripted);
  ~TAnswersScope();
  TAnswersScope(const TAnswersScope&) = delete;
  TAnswersScope& operator=(const TAnswersScope&) = delete;

 private:
  IAnswers* Previous_;
};

// The application title used on message boxes: "Tavik Vadi Ver 1.0.0".
QString ApplicationTitle();
