// The application-wide set-up of the window program.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFont>
#include <QFontDatabase>

#include "AppSetup.h"
#include "Unit5.h"
#include "about.h"

namespace {

TEST(SetUpApplication, GivesTheTitleTheDesktopEntryAndTheIconToEveryWindow) {
  SetUpApplication();
  EXPECT_EQ(QApplication::applicationDisplayName(), QStringLiteral("Tavik Vadi Ver 1.0.0"));
  EXPECT_EQ(QGuiApplication::desktopFileName(), QStringLiteral("tavik-vadi"));
  const QList<QSize> Sizes = QApplication::windowIcon().availableSizes();
  EXPECT_TRUE(Sizes.contains(QSize(16, 16)));
  EXPECT_TRUE(Sizes.contains(QSize(32, 32)));
  TForm5 Form5;
  TAboutBox AboutBox;
  EXPECT_FALSE(Form5.windowIcon().isNull());
  EXPECT_FALSE(AboutBox.windowIcon().isNull());
  // The font substitutes are in, unless the face itself is installed.
  if (!QFontDatabase::families().contains(QStringLiteral("宋体"))) {
    EXPECT_FALSE(QFont::substitutes(QStringLiteral("宋体")).isEmpty());
  }
}

}  // namespace
