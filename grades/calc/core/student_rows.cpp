#include "grades/calc/core/student_rows.h"

#include "common/schema.h"
#include "platform/db/statement.h"
#include "platform/db/textorder.h"

#include <QStringList>
#include <algorithm>

StudentRows readStudentRows(platform::db::Database& db, const std::vector<platform::db::FieldDef>& fields,
                            int subjects, int expectedRows) {
    StudentRows s;
    s.subjects = subjects;
    QStringList select{QStringLiteral("rowid")};
    for (int f = 0; f < kCopiedFields; ++f)
        select << platform::db::quoteName(fields[f].name);
    // A named field standing among the copied ones is read once.
    const QString namedFields[] = {QStringLiteral("考号"), QStringLiteral("年级"), QStringLiteral("班"),
                                   QStringLiteral("姓名")};
    for (int n = 0; n < 4; ++n) {
        const QString key = platform::db::equalityKey(namedFields[n]);
        int at = -1;
        for (int f = 0; f < kCopiedFields && at < 0; ++f)
            if (platform::db::equalityKey(fields[f].name) == key)
                at = f;
        if (at < 0) {
            at = s.width++;
            select << platform::db::quoteName(namedFields[n]);
        }
        s.named[n] = at;
    }
    for (int k = 0; k < subjects; ++k)
        select << platform::db::quoteName(fields[kFirstSubjectField + k].name);
    platform::db::Statement read(db, QStringLiteral("SELECT %1 FROM 成绩表 ORDER BY rowid").arg(select.join(QLatin1Char(','))));
    const std::size_t rows = std::size_t(std::max(expectedRows, 0));
    s.reserve(rows, rows * std::size_t(s.width) * 8);
    s.rowid.reserve(rows);
    s.marks.reserve(rows * std::size_t(subjects));
    s.deleted.reserve(rows);
    const int firstMark = 1 + s.width;
    const bool sameGrade = s.named[1] == 1;
    // Grade levels repeat: each is folded once.
    QHash<QByteArray, QString> folded;
    auto gradeRows = [&](QHash<QString, std::vector<int>>& of, const QByteArray& grade) -> std::vector<int>& {
        auto it = folded.constFind(grade);
        if (it == folded.cend())
            it = folded.insert(QByteArray(grade.constData(), grade.size()),
                               platform::db::equalityKey(QString::fromUtf8(grade)));
        return of[*it];
    };
    while (read.next()) {
        s.rowid.push_back(read.integer(0));
        for (int c = 0; c < s.width; ++c)
            s.addCell(read.utf8View(1 + c));
        s.deleted.push_back(false);
        for (int k = 0; k < subjects; ++k)
            s.marks.push_back(read.isNull(firstMark + k) ? std::nullopt
                                                         : std::optional<float>(float(read.number(firstMark + k))));
    }
    // A student whose 年级 is empty belongs to no grade level.
    for (int row = 0; row < int(s.rowid.size()); ++row) {
        const QByteArray grade = s.field(row, 1);
        if (!grade.isNull())
            gradeRows(s.ofGrade, grade).push_back(row);
        if (sameGrade)
            continue;
        const QByteArray named = s.field(row, s.named[1]);
        if (!named.isNull())
            gradeRows(s.ofNamedGrade, named).push_back(row);
    }
    if (sameGrade)
        s.ofNamedGrade = s.ofGrade;
    return s;
}
