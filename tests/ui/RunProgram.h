// Runs a program of ours or of the system, as a shell would, and keeps what
// it said. The display variables are removed: the commands must find their
// way without one.
#pragma once

#include <QString>
#include <QStringList>

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
