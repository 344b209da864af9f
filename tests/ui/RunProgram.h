// Runs a program of ours or of the system, as a shell would, and keeps what
// it said. The display variables are removed: the commands must find their
// way without one.
#pragma once

#include <QString>
#include <QStringList>
#include <string>

struct TRun {
  int Status = -1;  // exit status, -1 when the program crashed or did not run
  QString Out, Err;
};

TRun RunProgram(const QString& Program, const QStringList& Args);

// tavikplan with Args.
TRun RunTavikplan(const QStringList& Args);

// tavikplan with Args, its stderr on a terminal (a pseudo-terminal that the
// test reads: Err then holds what the terminal was sent, control
// sequences included), its stdout on a pipe.
TRun RunTavikplanOnTerminal(const QStringList& Args);

// tavikplan with Args, sent SIGINT (Ctrl+C, as a terminal sends it) after
// AfterMs milliseconds. Fails the test when it does not end within 30 s
// after that, or ends by a signal (Status -1).
TRun InterruptTavikplan(const QStringList& Args, int AfterMs);

// Saves a task whose exact calculation takes minutes (forty kinds of pieces
// searched three levels deep) to Path, for the tests of Ctrl+C.
void SaveSlowTask(const std::string& Path);
