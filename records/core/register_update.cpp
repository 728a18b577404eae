#include "records/core/register_update.h"

#include "platform/db/database.h"

#include <QHash>

namespace records {

using platform::db::Database;

namespace {

// An empty name or class is stored as Null: those fields take no empty text.
QVariant nullWhenEmpty(const QVariant& v) { return v.isNull() || v.toString().isEmpty() ? QVariant() : v; }

} // namespace

RegisterUpdate planRegisterUpdate(Database& db) {
    RegisterUpdate plan;
    plan.missingStudentId =
        db.scalar(QStringLiteral("SELECT count(*) FROM 成绩表 WHERE STID IS NULL")).toInt() > 0;
    if (plan.missingStudentId)
        return plan;
    const auto scores = db.query(QStringLiteral("SELECT STID, 姓名, 班 FROM 成绩表 ORDER BY rowid"));
    const auto reg = db.query(QStringLiteral("SELECT rowid, STID, 姓名, 班, 年级 FROM 学籍表 ORDER BY rowid"));
    plan.scoreRows = int(scores.size());
    plan.registerRows = int(reg.size());
    if (scores.empty())
        return plan;

    // The first register row of each STID is the one a student is matched with.
    QHash<QString, int> firstOf;
    firstOf.reserve(int(reg.size()));
    for (int i = 0; i < int(reg.size()); ++i) {
        const QString id = reg[size_t(i)][1].toString();
        if (!reg[size_t(i)][1].isNull() && !firstOf.contains(id))
            firstOf.insert(id, i);
    }

    // A later score row of the same STID gives the name and class that stay.
    std::vector<int> matchedBy(reg.size(), -1);      // register row -> its last score row
    QHash<QString, int> added;                       // new STID -> index into adds
    for (int s = 0; s < int(scores.size()); ++s) {
        const QString id = scores[size_t(s)][0].toString();
        if (const auto it = firstOf.constFind(id); it != firstOf.constEnd()) {
            matchedBy[size_t(*it)] = s;
        } else if (const auto a = added.constFind(id); a != added.constEnd()) {
            plan.adds[size_t(*a)].name = nullWhenEmpty(scores[size_t(s)][1]);
            plan.adds[size_t(*a)].cls = nullWhenEmpty(scores[size_t(s)][2]);
        } else {
            added.insert(id, int(plan.adds.size()));
            plan.adds.push_back({id, nullWhenEmpty(scores[size_t(s)][1]), nullWhenEmpty(scores[size_t(s)][2])});
        }
    }
    for (size_t r = 0; r < reg.size(); ++r) {
        if (matchedBy[r] < 0) {
            plan.deletes.push_back(reg[r][0].toLongLong());
            continue;
        }
        const QVariantList& score = scores[size_t(matchedBy[r])];
        RegisterUpdate::Change c{reg[r][0].toLongLong(), nullWhenEmpty(score[1]), nullWhenEmpty(score[2]),
                                 reg[r][1].toString().left(4), false};
        c.differs = c.name != reg[r][2] || c.cls != reg[r][3] || reg[r][4].isNull() ||
                    reg[r][4].toString() != c.grade;
        plan.changes.push_back(std::move(c));
    }
    return plan;
}

void applyRegisterUpdate(Database& db, const RegisterUpdate& plan,
                         const std::function<void(int, int)>& progress) {
    if (plan.missingStudentId || plan.scoreRows == 0)
        return;
    int step = 0;
    int maximum = 2 * plan.scoreRows;
    auto tick = [&](int n) {
        step += n;
        if (progress)
            progress(step, maximum);
    };
    platform::db::Transaction t(db);
    // First the students of the score table: the matched rows take their name,
    // class and grade level, the new ones are added.
    for (const auto& c : plan.changes)
        if (c.differs)
            db.execute(QStringLiteral("UPDATE 学籍表 SET 姓名 = ?, 班 = ?, 年级 = ? WHERE rowid = ?"),
                       {c.name, c.cls, c.grade, c.rowid});
    for (const auto& a : plan.adds)
        db.execute(QStringLiteral("INSERT INTO 学籍表 (STID, 姓名, 班, 年级) VALUES (?, ?, ?, ?)"),
                   {a.id, a.name, a.cls, a.id.left(4)});
    tick(plan.scoreRows);
    // The second pass walks the register as the first pass left it.
    maximum = plan.scoreRows + plan.registerRows + int(plan.adds.size());
    // Then every register row: the departed ones go.
    for (qint64 rowid : plan.deletes)
        db.execute(QStringLiteral("DELETE FROM 学籍表 WHERE rowid = ?"), {rowid});
    tick(plan.registerRows + int(plan.adds.size()));
    t.commit();
}

} // namespace records
