#include "GbkText.h"

#include <QStringDecoder>
#include <QStringEncoder>

QString FromGbk(std::string_view Bytes) {
  QStringDecoder Decoder("GBK");
  QString Text = Decoder(QByteArrayView(Bytes.data(), static_cast<qsizetype>(Bytes.size())));
  return Text;
}

std::string ToGbk(const QString& Text, bool* HadLoss) {
  QStringEncoder Encoder("GBK");
  QByteArray Bytes = Encoder(Text);
  if (HadLoss) *HadLoss = Encoder.hasError();
  return std::string(Bytes.constData(), static_cast<std::size_t>(Bytes.size()));
}
