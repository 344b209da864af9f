// What the window program sets up once for the whole run, before its first
// window: the desktop entry it belongs to, the window icon, the font
// substitutes and Qt's own texts in Chinese.
#pragma once

#include <QApplication>

// The application title: the program's name as a whole, shown on the task
// bar (the main window's icon text) and as the title of message boxes. It is
// deliberately not Qt's application display name, which Qt would append to
// every window's caption.
inline constexpr const char* ApplicationTitleText = "Tavik Vadi Ver 1.0.0";

// Sets the desktop entry name "tavik-vadi", the icon of every window, the
// font substitutes and Qt's Chinese translations. Call once, right after
// the application object is made.
void SetUpApplication();

// Loads Qt's own Chinese texts (the standard buttons and the open, save and
// print dialogs) whatever the system's language; numbers and dates keep
// following the system's locale. Installed once per run; false when the
// translations are not installed (Debian qt6-translations-l10n).
bool InstallQtTranslations();

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
