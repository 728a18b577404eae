#include "common/export_refusal.h"

namespace {

QString fieldValue(const QStringList& names, const QStringList& values, const QString& name) {
    const qsizetype at = names.indexOf(name);
    if (at < 0 || at >= values.size())
        return {};
    QString v = values[at].trimmed();
    if (v.size() >= 2 && v.startsWith(u'"') && v.endsWith(u'"'))
        v = v.mid(1, v.size() - 2);
    return v;
}

QStringList fieldsOf(QString line) {
    while (line.endsWith(u'\n') || line.endsWith(u'\r'))
        line.chop(1);
    return line.split(u'\t');
}

} // namespace

QString studentOfRecord(const QStringList& fieldNames, const QString& recordLine) {
    const QStringList values = fieldsOf(recordLine);
    QString id = fieldValue(fieldNames, values, QStringLiteral("STID"));
    if (id.isEmpty())
        id = fieldValue(fieldNames, values, QStringLiteral("学号"));
    const QString name = fieldValue(fieldNames, values, QStringLiteral("姓名"));
    if (name.isEmpty() && id.isEmpty())
        return {};
    return QStringLiteral("学生") + (name.isEmpty() ? QString() : QStringLiteral("“") + name + QStringLiteral("”")) +
           (id.isEmpty() ? QString() : QStringLiteral("(") + id + QStringLiteral(")")) + QStringLiteral("的记录");
}

platform::GbkError nonGbkInRecord(const QStringList& fieldNames, const QString& recordLine, int lineNumber) {
    auto found = platform::firstNonGbkCharacter(recordLine);
    if (!found)
        return platform::GbkError(QStringLiteral("第%1行中有GBK编码不能表示的字符,不能保存.").arg(lineNumber));
    found->line = lineNumber;
    const QString student = studentOfRecord(fieldNames, recordLine);
    return platform::GbkError(*found, student.isEmpty() ? platform::nonGbkLinePlace(*found, true) : student);
}
