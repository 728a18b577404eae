#include "grades/maintenance/core/school_structure.h"

#include "common/class_label.h"
#include "common/schema.h"
#include "platform/db/database.h"

namespace maintenance {

using platform::db::Database;
using platform::db::Transaction;

namespace {

// A row's id and its first fields, in stored order. The comparisons are made
// here, on the stored values: the database compares text without case.
std::vector<QVariantList> rowsOf(Database& db, const QString& table, const QString& fields) {
    return db.query(QStringLiteral("SELECT rowid, %1 FROM [%2] ORDER BY rowid").arg(fields, table));
}

void deleteRow(Database& db, const QString& table, const QVariant& rowid) {
    db.execute(QStringLiteral("DELETE FROM [%1] WHERE rowid = ?").arg(table), {rowid});
}

bool isNull(const QVariant& v) { return v.isNull() || !v.isValid(); }

// Deletes every row of the table whose first fields equal the values; the count deleted.
int deleteMatching(Database& db, const QString& table, const QString& grade,
                   const std::optional<QString>& cls) {
    const QString fields = cls ? QStringLiteral("[年级], [班]") : QStringLiteral("[年级]");
    int deleted = 0;
    for (const QVariantList& row : rowsOf(db, table, fields)) {
        if (isNull(row[1]) || row[1].toString() != grade)
            continue;
        if (cls && (isNull(row[2]) || row[2].toString() != *cls))
            continue;
        deleteRow(db, table, row[0]);
        ++deleted;
    }
    return deleted;
}

// The first row whose fields equal the values, or nothing.
std::optional<QVariant> firstMatching(Database& db, const QString& table, const QString& grade,
                                      const std::optional<QString>& cls) {
    const QString fields = cls ? QStringLiteral("[年级], [班]") : QStringLiteral("[年级]");
    for (const QVariantList& row : rowsOf(db, table, fields)) {
        if (!isNull(row[1]) && row[1].toString() == grade &&
            (!cls || (!isNull(row[2]) && row[2].toString() == *cls)))
            return row[0];
    }
    return std::nullopt;
}

// Every assignment pair whose class label starts with the grade id becomes
// empty; the other pairs stay in their slots until the teacher panel
// compacts them.
void clearAssignmentsOfGrade(Database& db, const QString& grade) {
    constexpr int kSlots = 20;
    QStringList fields;
    for (int n = 1; n <= kSlots; ++n)
        fields << QStringLiteral("[任课班级%1]").arg(n);
    for (const QVariantList& row : rowsOf(db, table::Teachers, fields.join(QStringLiteral(", ")))) {
        for (int n = 1; n <= kSlots; ++n) {
            const QVariant& slot = row[n];
            if (isNull(slot) || gradeOfLabel(slot.toString()) != grade)
                continue;
            db.execute(QStringLiteral("UPDATE [%1] SET [任课班级%2] = NULL, [科目%2] = NULL WHERE rowid = ?")
                           .arg(table::Teachers)
                           .arg(n),
                       {row[0]});
        }
    }
}

QStringList firstTextFields(Database& db, const QString& sql) {
    QStringList out;
    for (const QVariantList& row : db.query(sql))
        out << row.value(0).toString();
    return out;
}

} // namespace

QStringList classLabels(Database& db) {
    QStringList labels;
    for (const QVariantList& row : rowsOf(db, table::Classes, QStringLiteral("[年级], [班]")))
        labels << classLabel(row[1].toString(), row[2].toString());
    return labels;
}

QStringList gradeIds(Database& db) {
    return firstTextFields(db, QStringLiteral("SELECT [年级] FROM [%1] ORDER BY rowid").arg(table::Grades));
}

QStringList gradeLabels(Database& db) {
    QStringList labels;
    for (const QString& id : gradeIds(db))
        labels << gradeLabel(id);
    return labels;
}

RowChanges addClass(Database& db, const QString& gradeId, const QString& classId) {
    db.insertRow(table::Classes, {QStringLiteral("年级"), QStringLiteral("班")}, {gradeId, classId});
    return {0, 1, 0};
}

RowChanges addGradeLevel(Database& db, const QString& gradeId) {
    db.insertRow(table::Grades, {QStringLiteral("年级")}, {gradeId});
    return {1, 0, 0};
}

std::optional<RowChanges> deleteClass(Database& db, const QString& gradeId, const QString& classId) {
    Transaction change(db);
    const auto row = firstMatching(db, table::Classes, gradeId, classId);
    if (!row)
        return std::nullopt;
    deleteRow(db, table::Classes, *row);
    RowChanges done{0, -1, 0};
    done.students = -deleteMatching(db, table::Scores, gradeId, classId);
    change.commit();
    return done;
}

std::optional<RowChanges> deleteGradeLevel(Database& db, const QString& gradeId) {
    Transaction change(db);
    const auto row = firstMatching(db, table::Grades, gradeId, std::nullopt);
    if (!row)
        return std::nullopt;
    deleteRow(db, table::Grades, *row);
    RowChanges done{-1, 0, 0};
    done.students = -deleteMatching(db, table::Scores, gradeId, std::nullopt);
    done.classes = -deleteMatching(db, table::Classes, gradeId, std::nullopt);
    clearAssignmentsOfGrade(db, gradeId);
    change.commit();
    return done;
}

} // namespace maintenance
