#include "grades/calc/core/student_rows.h"

#include "common/schema.h"
#include "platform/db/statement.h"
#include "platform/db/textorder.h"

#include <QStringList>

StudentRows readStudentRows(platform::db::Database& db, const std::vector<platform::db::FieldDef>& fields,
                            int subjects) {
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
    const int firstMark = 1 + s.width;
    const bool sameGrade = s.named[1] == 1;
    while (read.next()) {
        const int row = int(s.rowid.size());
        s.rowid.push_back(read.integer(0));
        for (int c = 0; c < s.width; ++c)
            s.cells.push_back(read.utf8(1 + c));
        s.stid.push_back(QString::fromUtf8(s.field(row, 0)));
        s.grade.push_back(QString::fromUtf8(s.field(row, 1)));
        s.cls.push_back(QString::fromUtf8(s.field(row, 2)));
        s.classNull.push_back(s.field(row, 2).isNull());
        s.name.push_back(QString::fromUtf8(s.field(row, 3)));
        s.deleted.push_back(false);
        for (int k = 0; k < subjects; ++k)
            s.marks.push_back(read.isNull(firstMark + k) ? std::nullopt
                                                         : std::optional<float>(float(read.number(firstMark + k))));
        // A student whose 年级 is empty belongs to no grade level.
        if (!s.field(row, 1).isNull())
            s.ofGrade[platform::db::equalityKey(s.grade.back())].push_back(row);
        if (!sameGrade && !s.field(row, s.named[1]).isNull())
            s.ofNamedGrade[platform::db::equalityKey(s.namedText(row, 1))].push_back(row);
    }
    if (sameGrade)
        s.ofNamedGrade = s.ofGrade;
    return s;
}
