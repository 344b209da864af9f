#include <QFileInfo>
#include <QGuiApplication>
#include <QString>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "CalcPlan.h"
#include "Commands.h"
#include "Fonts.h"
#include "GbkText.h"
#include "PrintDevice.h"
#include "Unit3.h"

namespace {

const char* const PrintUsage =
    "Usage: tavikplan print IN.tsk -o PLAN.pdf [--copies N]\n"
    "\n"
    "Draws the printed job plan of a task into a PDF file (A4): the piece\n"
    "list, then the jobs two to a page with their scaled layouts, exactly as\n"
    "the program prints them on paper. Needs no display.\n"
    "\n"
    "  -o PLAN.pdf    the PDF file to write (replaced only when all went well)\n"
    "  --copies N     N copies one after the other, each from page 1 (1 to 999,\n"
    "                 default 1)\n"
    "  -h, --help     show this help\n"
    "\n"
    "Exit status: 0 written, 1 errors (the file is then left as it was),\n"
    "2 usage errors.\n";

int UsageError(const std::string& Text) { return ::UsageError("print", Text); }

bool ParseCopies(const std::string& Text, int& Copies) {
  if (Text.empty() || Text.size() > 3) return false;
  for (char C : Text)
    if (C < '0' || C > '9') return false;
  Copies = std::stoi(Text);
  return Copies >= 1;
}

}  // namespace

int RunPrint(const TArgs& Args) {
  std::string In, Out;
  int Copies = 1;
  for (std::size_t k = 0; k < Args.size(); ++k) {
    const std::string& A = Args[k];
    if (A == "--help" || A == "-h") {
      std::fputs(PrintUsage, stdout);
      return ExitOk;
    } else if (A == "-o" || A == "--output") {
      if (++k == Args.size()) return UsageError("-o needs a file name");
      Out = Args[k];
    } else if (A == "--copies") {
      if (++k == Args.size() || !ParseCopies(Args[k], Copies)) return UsageError("--copies takes a number from 1 to 999");
    } else if (!A.empty() && A[0] == '-') {
      return UsageError("unknown option '" + A + "'");
    } else if (In.empty()) {
      In = A;
    } else {
      return UsageError("one input file only");
    }
  }
  if (In.empty()) return UsageError("no input file");
  if (Out.empty()) return UsageError("no output file (-o PLAN.pdf)");
  // A slip of the keyboard must not put a PDF in place of the task.
  const QFileInfo InInfo(QString::fromLocal8Bit(In.c_str())), OutInfo(QString::fromLocal8Bit(Out.c_str()));
  if (OutInfo.exists() && InInfo.canonicalFilePath() == OutInfo.canonicalFilePath())
    return UsageError("the output file is the task itself");

  auto Task = std::make_unique<TPlan>();
  NewPlan(*Task, 1, 0, 1.0f);
  try {
    LoadPlan(*Task, In);
  } catch (const EPlanError& E) {
    std::fprintf(stderr, "tavikplan: %s: %s\n", In.c_str(), E.what());
    return ExitError;
  }

  // Fonts and PDF pages need the application object; without a display.
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  static int ArgCount = 1;
  static char ProgramName[] = "tavikplan";
  static char* ArgValues[] = {ProgramName, nullptr};
  // Qt's notes about the session (no runtime folder and the like) are no
  // business of someone printing a plan; its errors still show.
  qInstallMessageHandler([](QtMsgType Type, const QMessageLogContext&, const QString& Text) {
    if (Type == QtCriticalMsg || Type == QtFatalMsg) std::fprintf(stderr, "tavikplan: %s\n", Text.toLocal8Bit().constData());
  });
  QGuiApplication App(ArgCount, ArgValues);
  InstallFontSubstitutes();

  const QString OutPath = QString::fromLocal8Bit(Out.c_str());
  TPdfFileOutput Pdf(OutPath, FromGbk(Task->PlanName));
  if (!Pdf.Ready()) {
    std::fprintf(stderr, "tavikplan: %s: %s\n", Out.c_str(), Pdf.ErrorText().toLocal8Bit().constData());
    return ExitError;
  }
  try {
    PrintJobPlan(Pdf, *Task, Copies);
  } catch (const EPlanError& E) {
    std::fprintf(stderr, "tavikplan: %s: %s\n", In.c_str(), E.what());
    return ExitError;
  }
  if (!Pdf.Finish()) {
    std::fprintf(stderr, "tavikplan: %s: %s\n", Out.c_str(), Pdf.ErrorText().toLocal8Bit().constData());
    return ExitError;
  }
  std::printf("%s: %d cop%s of the job plan\n", Out.c_str(), Copies, Copies == 1 ? "y" : "ies");
  return ExitOk;
}
