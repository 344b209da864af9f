#include "RunProgram.h"

#include "CalcPlan.h"
#include "support/TestData.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QThread>
#include <signal.h>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

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

TRun RunTavikplanOnTerminal(const QStringList& Args) {
  TRun Result;
  int Master = -1, Slave = -1, Out[2] = {-1, -1};
  if (::openpty(&Master, &Slave, nullptr, nullptr, nullptr) != 0 || ::pipe(Out) != 0) {
    ADD_FAILURE() << "no pseudo-terminal";
    return Result;
  }
  std::vector<std::string> Words{TAVIK_TAVIKPLAN};
  for (const QString& A : Args) Words.push_back(A.toStdString());
  std::vector<char*> Argv;
  for (std::string& W : Words) Argv.push_back(W.data());
  Argv.push_back(nullptr);

  const pid_t Child = ::fork();
  if (Child == 0) {
    ::dup2(Out[1], STDOUT_FILENO);
    ::dup2(Slave, STDERR_FILENO);
    ::close(Master);
    ::close(Out[0]);
    ::execv(Argv[0], Argv.data());
    ::_exit(127);
  }
  ::close(Slave);
  ::close(Out[1]);
  std::string Terminal, Pipe;
  pollfd Fds[2] = {{Master, POLLIN, 0}, {Out[0], POLLIN, 0}};
  int Open = 2;
  while (Open > 0 && ::poll(Fds, 2, 60000) > 0) {
    for (pollfd& F : Fds) {
      if (F.fd < 0 || F.revents == 0) continue;
      char Buf[4096];
      const ssize_t N = ::read(F.fd, Buf, sizeof Buf);
      if (N <= 0) {  // end of the pipe, or EIO once the terminal's last writer is gone
        ::close(F.fd);
        F.fd = -1;
        --Open;
        continue;
      }
      (F.fd == Master ? Terminal : Pipe).append(Buf, static_cast<std::size_t>(N));
    }
  }
  for (pollfd& F : Fds)
    if (F.fd >= 0) ::close(F.fd);
  int Status = 0;
  ::waitpid(Child, &Status, 0);
  Result.Status = WIFEXITED(Status) ? WEXITSTATUS(Status) : -1;
  Result.Out = QString::fromStdString(Pipe);
  Result.Err = QString::fromStdString(Terminal);
  return Result;
}

TRun InterruptTavikplan(const QStringList& Args, int AfterMs) {
  TRun Result;
  QProcess Process;
  Process.start(QStringLiteral(TAVIK_TAVIKPLAN), Args);
  if (!Process.waitForStarted()) {
    ADD_FAILURE() << "tavikplan did not start";
    return Result;
  }
  QThread::msleep(static_cast<unsigned long>(AfterMs));
  ::kill(static_cast<pid_t>(Process.processId()), SIGINT);
  if (!Process.waitForFinished(30000)) {
    ADD_FAILURE() << "Ctrl+C did not stop tavikplan";
    Process.kill();
    Process.waitForFinished();
    return Result;
  }
  Result.Status = Process.exitStatus() == QProcess::NormalExit ? Process.exitCode() : -1;
  Result.Out = QString::fromUtf8(Process.readAllStandardOutput());
  Result.Err = QString::fromUtf8(Process.readAllStandardError());
  return Result;
}

void SaveSlowTask(const std::string& Path) {
  auto Task = testdata::NewTask();
  LoadPlan(*Task, TAVIK_BENCH_TASKS_DIR "/classic_cw3_d2.tsk");
  Task->SearchDepth = 3;
  SavePlan(*Task, Path);
}
