#include "AppSetup.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "Fonts.h"
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
