#pragma once
// Small helpers every test folder used to write for itself.

#include <QByteArray>
#include <QString>
#include <functional>
#include <iosfwd>
#include <string>

namespace testsupport {

// The file's bytes; empty when it cannot be read.
QByteArray readFileBytes(const QString& path);
// The file's SHA-256 digest: equal digests, unchanged bytes.
QByteArray fileHash(const QString& path);
// Writes the bytes, replacing the file; a failure fails the test.
void writeFileBytes(const QString& path, const QByteArray& bytes);
// The text of the platform::FileError that `write` throws; empty when none.
QString fileErrorOf(const std::function<void()>& write);

// The short forms tests write their texts in.
inline QString s(const char* utf8) { return QString::fromUtf8(utf8); }
inline std::string str(const QString& text) { return text.toStdString(); }

} // namespace testsupport

// GoogleTest prints a QString in its failure messages as quoted text.
QT_BEGIN_NAMESPACE
void PrintTo(const QString& s, std::ostream* os);
QT_END_NAMESPACE
