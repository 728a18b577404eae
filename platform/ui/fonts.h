#pragma once
// The windows name the Chinese desktop's fonts (宋体, 黑体, 隶书). They resolve
// to installed families whose metrics match the old ones (line height about
// one font size, a Latin letter half a Chinese character), through
// substitutions set once at program start. A stored font name stays the old one.

#include <QString>
#include <QStringList>

namespace platform {

// The installed families an old font name stands for, best first; the last
// ones are the fallback for characters the first lacks. Empty for a name
// that needs no substitution.
QStringList substituteFamilies(const QString& name);

// Maps 宋体, 黑体, 隶书 (and their Latin names) to their families and makes
// 宋体 9 pt the program's default font. Call after the application object exists.
void installFontSubstitutions();

// The family a font name resolves to on this machine.
QString resolvedFamily(const QString& name);

// Loads Qt's own Chinese texts (file dialog labels and the like) when installed.
void installChineseQtTexts();

} // namespace platform
