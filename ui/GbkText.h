// Task texts are GBK bytes in the record and the file; the windows convert
// them only where a person reads or types them.
#pragma once

#include <QString>
#include <string>
#include <string_view>

// Decodes GBK bytes for display. Invalid bytes become U+FFFD.
QString FromGbk(std::string_view Bytes);

// Encodes typed text as GBK bytes. Characters that GBK cannot hold become
// "?"; HadLoss, when given, tells whether that happened.
std::string ToGbk(const QString& Text, bool* HadLoss = nullptr);
