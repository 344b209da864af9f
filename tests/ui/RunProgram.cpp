#include "RunProgram.h"

#include <gtest/gtest.h>

#include <QProcess>

TRun RunProgram(const QString& Program, const QStringList& Args) {
  QProcess Process;
  QProcessEnvironment Env = QProcessEnvironment::systemEnvironment();
  for (const char* Name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) Env.remove(QString::fromLatin1(Name));
  Process.setProcessEnvironment(Env);
  Process.start(Program, Args);
  TRun Result;
  if (!Process.waitForFinished(60000)) {
    ADD_FAILURE() << Program.toStdString() << " did not run";
    return Result;
  }
  Result.Status = Process.exitStatus() == QProcess::NormalExit ? Process.exitCode() : -1;
  Result.Out = QString::fromUtf8(Process.readAllStandardOutput());
  Result.Err = QString::fromUtf8(Process.readAllStandardError());
  return Result;
}

TRun RunTavikplan(const QStringList& Args) { return RunProgram(QStringLiteral(TAVIK_TAVIKPLAN), Args); }
