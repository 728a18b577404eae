#include "support/old_databases.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <stdexcept>

namespace testsupport {

QString copyOldDatabase(const QString& name, const QString& folder) {
    const QString from = QDir(QStringLiteral(OLD_DATABASES_DIR)).filePath(name);
    const QString to = QDir(folder).filePath(QFileInfo(name).fileName());
    QFile::remove(to);
    if (!QFile::copy(from, to))
        throw std::runtime_error("cannot copy the test file " + name.toStdString());
    QFile::setPermissions(to, QFile::permissions(to) | QFileDevice::WriteOwner);
    return to;
}

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

void xorIntoFile(const QString& path, qint64 offset, const QByteArray& bytes) {
    QFile f(path);
    if (!f.open(QIODevice::ReadWrite) || !f.seek(offset))
        throw std::runtime_error("cannot open the test file");
    QByteArray field = f.read(bytes.size());
    for (int i = 0; i < field.size(); ++i)
        field[i] = char(field[i] ^ bytes[i]);
    f.seek(offset);
    f.write(field);
}

} // namespace testsupport
