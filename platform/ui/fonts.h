#pragma once
// The windows name the Chinese desktop's fonts (宋体, 黑体, 隶书). They resolve
// to installed CJK families through substitutions set once at program start.

#include <QString>

namespace platform {

// Maps 宋体, 黑体, 隶书 (and their Latin names) to installed Noto CJK families
// and makes 宋体 9 pt the program's default font. Call after the application
// object exists.
void installFontSubstitutions();

// The family a font name resolves to on this machine.
QString resolvedFamily(const QString& name);

// Loads Qt's own Chinese texts (file dialog labels and the like) when installed.
void installChineseQtTexts();

} // namespace platform
