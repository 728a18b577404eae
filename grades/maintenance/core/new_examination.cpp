#include "grades/maintenance/core/new_examination.h"

#include "common/schema.h"
#include "common/settings_rows.h"
#include "platform/db/database.h"
#include "platform/db/recordset.h"

#include <QStringList>

namespace maintenance {

using platform::db::Database;
using platform::db::Transaction;

namespace {

// "UPDATE t SET "a" = NULL, "b" = NULL" over the fields from `first` to `last` (positions, inclusive).
void setNull(Database& db, const QString& table, int first, int last) {
    const auto def = db.tableDef(table);
    QStringList set;
    for (int i = first; i <= last && i < int(def.fields.size()); ++i)
        set << platform::db::quoteName(def.fields[i].name) + QStringLiteral(" = NULL");
    if (!set.isEmpty())
        db.execute(QStringLiteral("UPDATE [%1] SET %2").arg(table, set.join(QStringLiteral(", "))));
}

} // namespace

QString defaultBackupName(const QDate& date) {
    return QStringLiteral("学生成绩库%1-%2-%3.mdb")
        .arg(date.year() % 100, 2, 10, QLatin1Char('0'))
        .arg(date.month())
        .arg(date.day());
}

void clearForNewExamination(Database& db) {
    // The fields of 成绩表 before 总分 (STID to 座位) and of 教师表 after its
    // fourteen figures (the assignment pairs) are what stays.
    constexpr int kFirstScoreField = 8;
    constexpr int kLastTeacherFigure = 14;
    Transaction change(db);
    setNull(db, table::Scores, kFirstScoreField, int(db.tableDef(table::Scores).fields.size()) - 1);
    db.execute(QStringLiteral("DELETE FROM [%1]").arg(table::RelativeScores));
    db.execute(QStringLiteral("DELETE FROM [%1]").arg(table::AbsoluteScores));
    setNull(db, table::Teachers, 1, kLastTeacherFigure);
    {
        platform::db::Recordset settings(db.shared_from_this(), table::Settings);
        const SettingsRows rows(settings);
        rows.store(Setting::ExamCardsPrinted, QStringLiteral("否"));
        rows.store(Setting::ScoresCalculated, QStringLiteral("否"));
        rows.store(Setting::ScoresPrinted, QStringLiteral("否"));
        rows.store(Setting::AssessmentScoreTable, table::Scores);
    }
    change.commit();
}

void clearTeachingAssignments(Database& db) {
    constexpr int kFirstSubjectOfClass = 2;
    Transaction change(db);
    setNull(db, table::Classes, kFirstSubjectOfClass, int(db.tableDef(table::Classes).fields.size()) - 1);
    QStringList pairs;
    for (int n = 1; n <= 20; ++n)
        pairs << QStringLiteral("[任课班级%1] = NULL, [科目%1] = NULL").arg(n);
    db.execute(QStringLiteral("UPDATE [%1] SET %2").arg(table::Teachers, pairs.join(QStringLiteral(", "))));
    change.commit();
}

} // namespace maintenance
