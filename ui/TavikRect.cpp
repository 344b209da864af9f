// The window program: the application, its two windows, the message loop.
#include <QApplication>

#include "AppSetup.h"
#include "Unit2.h"
#include "frmRect.h"

int main(int argc, char** argv) {
  // The program takes no command-line arguments; only the program name is
  // handed to the application object.
  int Count = argc > 0 ? 1 : 0;
  QApplication Application(Count, argv);
  SetUpApplication();

  TForm1 Form1;
  TForm2 Form2;
  Form1.SetProgressDialog(&Form2);
  Form1.show();
  return QApplication::exec();
}
