#include "AppSetup.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <QTimer>
#include <exception>
#include <new>

#include "Answers.h"
#include "Fonts.h"
#include "PlanError.h"
#include "ProductPicture.h"

void SetUpApplication() {
  // Lets a Wayland desktop match the windows to tavik-vadi.desktop.
  QGuiApplication::setDesktopFileName(QStringLiteral("tavik-vadi"));
  QApplication::setWindowIcon(ApplicationIcon());
  InstallFontSubstitutes();
  InstallQtTranslations();
}

bool InstallQtTranslations() {
  // The translator must live as long as the application uses it.
  static QTranslator* Installed = nullptr;
  if (Installed != nullptr) return true;
  auto* Translator = new QTranslator(QCoreApplication::instance());
  // The interface is Chinese on every system; only Qt's texts need loading.
  if (!Translator->load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"), QStringLiteral("_"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    delete Translator;
    return false;
  }
  QCoreApplication::installTranslator(Translator);
  Installed = Translator;
  return true;
}

TApplication::TApplication(int& Argc, char** Argv) : QApplication(Argc, Argv) {}

bool TApplication::notify(QObject* Receiver, QEvent* Event) {
  try {
    return QApplication::notify(Receiver, Event);
  } catch (const std::bad_alloc&) {
    ReportLater(QString::fromUtf8(PlanMessages::OutOfMemory));
  } catch (const std::exception& Error) {
    ReportLater(QString::fromUtf8(Error.what()));
  }
  return false;
}

void TApplication::ReportLater(const QString& Text) {
  // Not inside the failed event: a modal box opened in a paint or key
  // handler would run its loop in the middle of that handler.
  if (Reporting_) return;
  Reporting_ = true;
  QTimer::singleShot(0, this, [this, Text] {
    Answers().ShowError(activeWindow(), Text);
    Reporting_ = false;
  });
}
