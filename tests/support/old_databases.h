#pragma once
// The real Access files kept with the tests, copied where a test may open them.

#include <QByteArray>
#include <QString>

namespace testsupport {

// Copies tests/data/old-databases/<name> into `folder` (the damaged copies as
// "damaged/<file>"), writable; returns the copy's path.
QString copyOldDatabase(const QString& name, const QString& folder);
// The file's bytes, to show that reading left it as it was.
QByteArray fileBytes(const QString& path);
// XORs `bytes` into the file at `offset`. The header of an Access file hides
// its fields under a fixed stream, so XORing a change into the stored bytes
// makes the same change to the field: a password into a copy that has none
// (at 0x42; Jet 4 holds it as UCS-2), another code page (at 0x3c).
void xorIntoFile(const QString& path, qint64 offset, const QByteArray& bytes);

} // namespace testsupport
