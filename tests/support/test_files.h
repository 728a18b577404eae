#pragma once
// Small helpers every test folder used to write for itself.

#include <QByteArray>
#include <QString>
#include <iosfwd>

namespace testsupport {

// The file's bytes; empty when it cannot be read.
QByteArray readFileBytes(const QString& path);
// Writes the bytes, replacing the file; a failure fails the test.
void writeFileBytes(const QString& path, const QByteArray& bytes);

} // namespace testsupport

// GoogleTest prints a QString in its failure messages as quoted text.
QT_BEGIN_NAMESPACE
void PrintTo(const QString& s, std::ostream* os);
QT_END_NAMESPACE
