// Numbers, durations and dates as the windows show and read them: the
// system's locale for separators and formats, plain decimal digit runs for
// whole numbers (no group separators, as the task's values are codes and
// sizes, not amounts).
#pragma once

#include <QLocale>
#include <QString>
#include <cstdint>

#include "PlanRecord.h"

// The system locale without group separators.
QLocale DisplayLocale();

// A whole number in decimal ("2440", "-1").
QString IntegerText(std::int64_t Value);

// Value in fixed-point notation with Decimals decimals and the locale's
// decimal separator ("1.00", "87,53").
QString FixedText(long double Value, int Decimals);

// Reads a signed 32-bit decimal integer; surrounding blanks are allowed.
// False for anything else, "2147483648" included.
bool ParseInteger(const QString& Text, std::int32_t& Value);

// Reads a decimal number with the locale's decimal separator (an exponent
// is allowed, group separators are not). False when it does not convert.
bool ParseFloat(const QString& Text, double& Value);

// The locale's long time format without time zone and without an AM/PM
// marker, so that it can show a duration ("HH:mm:ss", "h:mm:ss").
QString DurationFormat(const QLocale& Locale);

// A duration of Days days shown with Format as a time of day: only the part
// below 24 hours is shown, negative durations show as 0.
QString DurationText(double Days, const QString& Format, const QLocale& Locale);

// The current local date and time as a day count from 1899-12-30.
TDateTime CurrentDateTime();
