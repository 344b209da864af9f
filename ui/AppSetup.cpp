#include "AppSetup.h"

#include <QApplication>

#include "Fonts.h"
#include "ProductPicture.h"

void SetUpApplication() {
  QApplication::setApplicationDisplayName(QString::fromUtf8(ApplicationTitleText));
  // Lets a Wayland desktop match the windows to tavik-vadi.desktop.
  QGuiApplication::setDesktopFileName(QStringLiteral("tavik-vadi"));
  QApplication::setWindowIcon(ApplicationIcon());
  InstallFontSubstitutes();
}
