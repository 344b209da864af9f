// The window program: the application, its windows, the message loop. The
// windows come from ui/ and print/; this entry only makes and wires them.
#include <QApplication>
#include <cstdio>
#include <new>

#include "Answers.h"
#include "AppSetup.h"
#include "PlanError.h"
#include "Unit2.h"
#include "Unit3.h"
#include "Unit5.h"
#include "about.h"
#include "frmRect.h"

namespace {

int RunWindows() {
  // Every window is made once and lives until the main window closes.
  TForm1 Form1;
  TForm2 Form2;
  TForm3 Form3;
  TAboutBox AboutBox;
  TForm5 Form5;

  Form1.SetProgressDialog(&Form2);
  Form3.Attach(&Form1.Task(), [&Form1] { Form1.SetModified(true); });
  Form1.SetPrintCommand([&Form3] { Form3.exec(); });
  Form1.SetAboutCommand([&AboutBox] { AboutBox.exec(); });
  // The splash window stands in front of the main window when it comes up.
  Form1.SetFirstShowAction([&Form5] { Form5.exec(); });

  Form1.show();
  return QApplication::exec();
}

}  // namespace

int main(int argc, char** argv) {
  // Without memory for its windows the program ends with a message, not an
  // abort; the error box needs the application object, the terminal not.
  try {
    // The program takes no command-line arguments; only the program name is
    // handed to the application object.
    int Count = argc > 0 ? 1 : 0;
    TApplication Application(Count, argv);
    SetUpApplication();
    try {
      return RunWindows();
    } catch (const std::bad_alloc&) {
      Answers().ShowError(nullptr, QString::fromUtf8(PlanMessages::OutOfMemory));
    }
  } catch (const std::bad_alloc&) {
  }
  std::fprintf(stderr, "TavikRect: %s\n", PlanMessages::OutOfMemory);
  return 1;
}
