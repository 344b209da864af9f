// The application-wide set-up of the window program.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QFont>
#include <QFontDatabase>
#include <QLabel>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>

#include "AppSetup.h"
#include "Answers.h"
#include "Unit5.h"
#include "about.h"

namespace {

TEST(SetUpApplication, GivesTheDesktopEntryAndTheIconToEveryWindowButNoCaptionSuffix) {
  const QLocale Before = QLocale();
  SetUpApplication();
  EXPECT_EQ(QGuiApplication::desktopFileName(), QStringLiteral("tavik-vadi"));
  // A display name would be appended to every window's caption.
  EXPECT_EQ(QApplication::applicationDisplayName(), QApplication::applicationName());
  EXPECT_EQ(ApplicationTitle(), QStringLiteral("Tavik Vadi Ver 1.0.0"));
  const QList<QSize> Sizes = QApplication::windowIcon().availableSizes();
  EXPECT_TRUE(Sizes.contains(QSize(16, 16)));
  EXPECT_TRUE(Sizes.contains(QSize(32, 32)));
  EXPECT_TRUE(Sizes.contains(QSize(48, 48)));
  TForm5 Form5;
  TAboutBox AboutBox;
  EXPECT_FALSE(Form5.windowIcon().isNull());
  EXPECT_FALSE(AboutBox.windowIcon().isNull());
  // The font substitutes are in, unless the face itself is installed.
  if (!QFontDatabase::families().contains(QStringLiteral("宋体"))) {
    EXPECT_FALSE(QFont::substitutes(QStringLiteral("宋体")).isEmpty());
  }
  // Qt's texts are Chinese; numbers and dates keep the system's locale.
  EXPECT_EQ(QLocale(), Before);
  EXPECT_EQ(QLocale(), QLocale::system());
}

TEST(SetUpApplication, QtsOwnButtonsAndDialogsSpeakChinese) {
  ASSERT_TRUE(InstallQtTranslations()) << "qt6-translations-l10n is missing";
  EXPECT_TRUE(InstallQtTranslations());  // once is enough, twice does no harm
  QMessageBox Box(QMessageBox::Warning, ApplicationTitle(), QStringLiteral("?"), QMessageBox::Yes | QMessageBox::No);
  EXPECT_TRUE(Box.button(QMessageBox::Yes)->text().startsWith(QStringLiteral("是")));
  EXPECT_TRUE(Box.button(QMessageBox::No)->text().startsWith(QStringLiteral("否")));
  QMessageBox Ok(QMessageBox::NoIcon, ApplicationTitle(), QStringLiteral("?"), QMessageBox::Ok);
  EXPECT_TRUE(Ok.button(QMessageBox::Ok)->text().startsWith(QStringLiteral("确定")));

  QFileDialog Dialog;
  Dialog.setOption(QFileDialog::DontUseNativeDialog);
  auto* FileNameLabel = Dialog.findChild<QLabel*>(QStringLiteral("fileNameLabel"));
  ASSERT_NE(FileNameLabel, nullptr);
  EXPECT_TRUE(FileNameLabel->text().startsWith(QStringLiteral("文件名称"))) << FileNameLabel->text().toStdString();
}

}  // namespace
