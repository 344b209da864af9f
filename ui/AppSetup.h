// What the window program sets up once for the whole run, before its first
// window: the application title, the desktop entry it belongs to, the
// window icon and the font substitutes.
#pragma once

#include <QApplication>

// The application title as the desktop shows the program's name.
inline constexpr const char* ApplicationTitleText = "Tavik Vadi Ver 1.0.0";

// Sets the title (QApplication::applicationDisplayName, which Qt also adds
// to window captions), the desktop entry name "tavik-vadi", the icon of
// every window, then installs the font substitutes. Call once, right after
// the application object is made.
void SetUpApplication();

// The window program's application object. An event handler that fails
// with an exception it did not catch (running out of memory above all)
// does not end the program: the failure is shown in the application's error
// box ("Out of memory", or the exception's text) once the event is over,
// and the program goes on. Qt itself does not carry exceptions through its
// event loop; this is the one place that stops them.
class TApplication : public QApplication {
 public:
  TApplication(int& Argc, char** Argv);
  bool notify(QObject* Receiver, QEvent* Event) override;

 private:
  void ReportLater(const QString& Text);

  bool Reporting_ = false;  // one box at a time, however many events fail
};
