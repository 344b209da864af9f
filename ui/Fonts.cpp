#include "Fonts.h"

#include <QFont>
#include <QFontDatabase>
#include <QStringList>

namespace {

// The first installed family of Candidates, or an empty string.
QString FirstInstalled(const QStringList& Candidates) {
  const QStringList Families = QFontDatabase::families();
  for (const QString& Name : Candidates)
    if (Families.contains(Name, Qt::CaseInsensitive)) return Name;
  return QString();
}

void Substitute(const QString& Face, const QStringList& Candidates) {
  if (QFontDatabase::families().contains(Face, Qt::CaseInsensitive)) return;  // the real face is installed
  const QString Found = FirstInstalled(Candidates);
  if (!Found.isEmpty()) QFont::insertSubstitution(Face, Found);
}

}  // namespace

void InstallFontSubstitutes() {
  // Song/Ming style faces first: they match the printed look of 宋体.
  const QStringList Song = {"AR PL UMing CN", "AR PL UMing TW", "AR PL SungtiL GB", "Noto Serif CJK SC",
                            "WenQuanYi Zen Hei", "Noto Sans CJK SC"};
  Substitute(QStringLiteral("宋体"), Song);
  Substitute(QStringLiteral("SimSun"), Song);
  Substitute(QStringLiteral("MS Sans Serif"), {"DejaVu Sans", "Liberation Sans", "Noto Sans"});
  Substitute(QStringLiteral("Courier New"), {"DejaVu Sans Mono", "Liberation Mono", "Noto Mono"});
}
