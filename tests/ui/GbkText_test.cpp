#include <gtest/gtest.h>

#include "GbkText.h"

TEST(GbkText, RoundTripsChineseNamesAndKeepsSpaces) {
  const std::string Gbk = "  \xB0\xE5\xB2\xC4 A";  // "  板材 A"
  const QString Text = FromGbk(Gbk);
  EXPECT_EQ(Text, QString::fromUtf8("  板材 A"));
  bool Loss = true;
  EXPECT_EQ(ToGbk(Text, &Loss), Gbk);
  EXPECT_FALSE(Loss);
}

TEST(GbkText, ReportsCharactersThatGbkCannotHold) {
  bool Loss = false;
  const std::string Bytes = ToGbk(QString::fromUtf8("板\xF0\x9F\x98\x80"), &Loss);
  EXPECT_TRUE(Loss);
  EXPECT_EQ(Bytes, std::string("\xB0\xE5?"));
}
