#include "about.h"

#include <algorithm>

#include <QFont>
#include <QFontMetrics>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QTimer>

#include "ProductPicture.h"
#include "WindowFlags.h"

const char* const AboutContactLine = "E-mail: support@tavik-vadi.example   Web: www.tavik-vadi.example";
const char* const AboutCreditsLine = "出品：Tavik Vadi 工作室    编写：Tavik Vadi 开发组    版权所有 (C) 2024";

TAboutBox::TAboutBox(QWidget* Parent) : QDialog(Parent, FixedDialogFlags) {
  setWindowTitle(QStringLiteral("About"));
  setFixedSize(618, 443);
  setFont(QFont(QStringLiteral("宋体"), 9));

  Bevel1 = new QFrame(this);
  Bevel1->setObjectName(QStringLiteral("Bevel1"));
  Bevel1->setFrameStyle(QFrame::Box | QFrame::Sunken);
  Bevel1->setGeometry(4, 8, 609, 405);

  Image1 = new TImage(this);
  Image1->setObjectName(QStringLiteral("Image1"));
  Image1->setGeometry(8, 12, 600, 397);
  Image1->SetPicture(ProductPicture());

  Label1 = new QLabel(QString::fromUtf8(AboutContactLine), this);
  Label1->setObjectName(QStringLiteral("Label1"));
  Label1->setFont(QFont(QStringLiteral("Courier New"), 9));
  Label1->move(8, 421);
  Label1->adjustSize();

  Label2 = new QLabel(QString::fromUtf8(AboutCreditsLine), this);
  Label2->setObjectName(QStringLiteral("Label2"));
  Label2->setFont(QFont(QStringLiteral("宋体"), 9));
  // 12 pixels is the line height of 宋体 9 pt on the screens the layout was
  // made for; a substitute font with taller lines gets the room it needs
  // rather than losing the lower part of its characters.
  Label2->setGeometry(8, 424, 525, std::max(12, QFontMetrics(Label2->font()).height()));
  Label2->hide();

  OKButton = new QPushButton(QStringLiteral("关闭"), this);
  OKButton->setObjectName(QStringLiteral("OKButton"));
  OKButton->setGeometry(539, 416, 75, 25);
  OKButton->setDefault(true);

  Timer1 = new QTimer(this);
  Timer1->setObjectName(QStringLiteral("Timer1"));

  connect(Timer1, &QTimer::timeout, this, &TAboutBox::Timer1Timer);
  connect(OKButton, &QPushButton::clicked, this, &TAboutBox::OKButtonClick);
}

void TAboutBox::FormShow() {
  LabelToggle = true;
  Timer1->setInterval(Interval_);
  Timer1->start();
}

void TAboutBox::Timer1Timer() {
  Label1->setVisible(LabelToggle);
  Label2->setVisible(!LabelToggle);
  LabelToggle = !LabelToggle;
}

void TAboutBox::OKButtonClick() {
  Timer1->stop();
  accept();
}

void TAboutBox::done(int Result) {
  Timer1->stop();
  QDialog::done(Result);
}

void TAboutBox::showEvent(QShowEvent* Event) {
  QDialog::showEvent(Event);
  if (!Event->spontaneous()) FormShow();
}
