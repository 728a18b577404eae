#pragma once
// The real Access files kept with the tests, copied where a test may open them.

#include <QByteArray>
#include <QString>

namespace testsupport {

// Copies tests/data/old-databases/<name> into `folder`, writable; returns the copy's path.
QString copyOldDatabase(const QString& name, const QString& folder);
// The file's bytes, to show that reading left it as it was.
QByteArray fileBytes(const QString& path);
// Puts a database password into a copy that has none: the header hides the
// field under a fixed stream, so the password's bytes are XORed in where it lies.
// Jet 4 holds it as UCS-2.
void putJetPassword(const QString& path, const QByteArray& password);

} // namespace testsupport
