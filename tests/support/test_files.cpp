#include "support/test_files.h"

#include "platform/text/gbk.h"

#include <QCryptographicHash>
#include <QFile>
#include <gtest/gtest.h>
#include <ostream>

namespace testsupport {

QByteArray readFileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString fileErrorOf(const std::function<void()>& write) {
    try {
        write();
    } catch (const platform::FileError& e) {
        return e.text();
    }
    return {};
}

QByteArray fileHash(const QString& path) {
    return QCryptographicHash::hash(readFileBytes(path), QCryptographicHash::Sha256);
}

void writeFileBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        ADD_FAILURE() << "cannot write " << path.toStdString();
}

} // namespace testsupport

QT_BEGIN_NAMESPACE
void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
QT_END_NAMESPACE
