#include "LocaleText.h"

#include <QDateTime>
#include <QTime>
#include <cmath>

QLocale DisplayLocale() {
  QLocale Locale = QLocale::system();
  Locale.setNumberOptions(Locale.numberOptions() | QLocale::OmitGroupSeparator);
  return Locale;
}

QString IntegerText(std::int64_t Value) { return DisplayLocale().toString(static_cast<qlonglong>(Value)); }

QString FixedText(long double Value, int Decimals) {
  return DisplayLocale().toString(static_cast<double>(Value), 'f', Decimals);
}

bool ParseInteger(const QString& Text, std::int32_t& Value) {
  bool Ok = false;
  const int Result = Text.trimmed().toInt(&Ok, 10);
  if (Ok) Value = Result;
  return Ok;
}

bool ParseFloat(const QString& Text, double& Value) {
  QLocale Locale = QLocale::system();
  Locale.setNumberOptions(Locale.numberOptions() | QLocale::RejectGroupSeparator);
  bool Ok = false;
  const double Result = Locale.toDouble(Text.trimmed(), &Ok);
  if (Ok && std::isfinite(Result)) {
    Value = Result;
    return true;
  }
  return false;
}

QString DurationFormat(const QLocale& Locale) {
  const QString Long = Locale.timeFormat(QLocale::LongFormat);
  QString Result;
  for (qsizetype i = 0; i < Long.size(); ++i) {
    const QChar C = Long.at(i);
    if (C == u'\'') {
      // A quoted literal is copied as it stands.
      const qsizetype End = Long.indexOf(u'\'', i + 1);
      const qsizetype Stop = End < 0 ? Long.size() - 1 : End;
      Result += Long.mid(i, Stop - i + 1);
      i = Stop;
    } else if (C == u't') {
      while (i + 1 < Long.size() && Long.at(i + 1) == u't') ++i;
    } else if (C == u'a' || C == u'A') {
      if (i + 1 < Long.size() && (Long.at(i + 1) == u'p' || Long.at(i + 1) == u'P')) ++i;
    } else {
      Result += C;
    }
  }
  Result = Result.simplified();
  return Result.isEmpty() ? QStringLiteral("HH:mm:ss") : Result;
}

QString DurationText(double Days, const QString& Format, const QLocale& Locale) {
  if (!(Days > 0)) Days = 0;
  const double DayPart = Days - std::floor(Days);
  auto Ms = static_cast<int>(std::llround(DayPart * 86400000.0));
  if (Ms >= 86400000) Ms = 0;
  return Locale.toString(QTime::fromMSecsSinceStartOfDay(Ms), Format);
}

TDateTime CurrentDateTime() {
  const QDateTime Now = QDateTime::currentDateTime();
  const qint64 Day = QDate(1899, 12, 30).daysTo(Now.date());
  return static_cast<double>(Day) + Now.time().msecsSinceStartOfDay() / 86400000.0;
}
