#include "Unit5.h"

#include <QShowEvent>
#include <QTimer>

#include "ProductPicture.h"
#include "WindowFlags.h"

TForm5::TForm5(QWidget* Parent) : QDialog(Parent, FixedDialogFlags) {
  setWindowTitle(QStringLiteral("Tavik板材优化专家"));
  // The picture is one pixel wider and taller than the window shows.
  setFixedSize(599, 396);

  Image1 = new TImage(this);
  Image1->setObjectName(QStringLiteral("Image1"));
  // The control keeps its place and size without a picture, so a window
  // whose picture could not be decoded still closes on a click.
  Image1->setGeometry(0, 0, 600, 397);
  Image1->SetPicture(ProductPicture());

  Timer1 = new QTimer(this);
  Timer1->setObjectName(QStringLiteral("Timer1"));

  connect(Timer1, &QTimer::timeout, this, &TForm5::Timer1Timer);
  connect(Image1, &TImage::clicked, this, &TForm5::Image1Click);
}

void TForm5::FormShow() {
  Timer1->setInterval(Interval_);
  Timer1->start();
}

void TForm5::Timer1Timer() { close(); }

void TForm5::Image1Click() { close(); }

void TForm5::FormClose() { Timer1->stop(); }

void TForm5::done(int Result) {
  FormClose();
  QDialog::done(Result);
}

void TForm5::showEvent(QShowEvent* Event) {
  QDialog::showEvent(Event);
  // A window restored from the task bar is shown again spontaneously;
  // only the program showing it starts the timer.
  if (!Event->spontaneous()) FormShow();
}
