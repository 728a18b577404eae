#include "grades/maintenance/core/integrity_check.h"

#include "common/schema.h"
#include "platform/db/database.h"
#include "platform/db/recordset.h"

#include <QSet>

namespace maintenance {

using platform::db::Database;
using platform::db::Recordset;

namespace {

// Positions of the first fields of 成绩表.
constexpr int kStid = 0;
constexpr int kGrade = 1;
constexpr int kClass = 2;
constexpr int kName = 3;
constexpr int kIdLength = 8;
constexpr int kLastStudentSerial = 9999;

QString text(const Recordset& rs, int field) {
    const QVariant v = rs.value(field);
    return v.isNull() ? QString() : v.toString();
}

QString textAt(const Recordset& rs, int row, int field) {
    const QVariant v = rs.valueAt(row, field);
    return v.isNull() ? QString() : v.toString();
}

int serialOf(const QString& id) { return id.right(4).toInt(); }

} // namespace

std::vector<CheckGrade> loadCheckGrades(Database& db) {
    std::vector<CheckGrade> grades;
    for (const QVariantList& row : db.query(QStringLiteral("SELECT [年级] FROM [年级表] ORDER BY rowid"))) {
        CheckGrade g;
        g.grade = row.value(0).toString();
        for (const QVariantList& c :
             db.query(QStringLiteral("SELECT [班] FROM [班级表] WHERE [年级] = ? ORDER BY rowid"), {g.grade}))
            g.classes << c.value(0).toString();
        grades.push_back(std::move(g));
    }
    return grades;
}

IntegrityWalk::IntegrityWalk(Recordset& scores, std::vector<CheckGrade>& grades) : rs_(scores), grades_(grades) {}

const CheckGrade* IntegrityWalk::gradeOf(const QString& grade) const {
    for (const CheckGrade& g : grades_)
        if (g.grade == grade)
            return &g;
    return nullptr;
}

IntegrityWalk::Outcome IntegrityWalk::start() {
    if (rs_.recordCount() == 0)
        return Outcome::Finished;
    rs_.moveFirst();
    stopped_ = true;
    return firstPass();
}

QString IntegrityWalk::resume(const QString& grade, const QString& cls, const QString& name, Outcome& outcome) {
    outcome = Outcome::Stopped;
    const std::pair<int, const QString*> boxes[] = {{kGrade, &grade}, {kClass, &cls}, {kName, &name}};
    for (const auto& [field, value] : boxes) {
        const int size = rs_.fieldSize(field);
        if (!value->isEmpty() && size > 0 && value->size() > size)
            return QStringLiteral("%1最多只能有%2个字符，请重新输入!").arg(rs_.fieldName(field)).arg(size);
    }
    if (!rs_.eof() && !rs_.bof()) {
        for (const auto& [field, value] : boxes)
            if (!value->isEmpty())
                rs_.setValue(field, *value);
        rs_.update();
        rs_.moveNext();
    }
    outcome = firstPass();
    return {};
}

IntegrityWalk::Outcome IntegrityWalk::firstPass() {
    // The rows are read in place: the cursor, and with it the window, goes
    // only to a row that is changed or where the walk stops.
    const int rows = rs_.recordCount();
    for (int row = rs_.eof() ? rows : std::max(0, rs_.currentIndex()); row < rows; ++row) {
        const QString grade = textAt(rs_, row, kGrade);
        const QString cls = textAt(rs_, row, kClass);
        const QString id = textAt(rs_, row, kStid);
        CheckGrade* entry = const_cast<CheckGrade*>(gradeOf(grade));
        if (entry && !grade.isEmpty() && !cls.isEmpty() && entry->classes.contains(cls) &&
            (id.isEmpty() || id.size() == kIdLength) && !textAt(rs_, row, kName).isEmpty()) {
            if (id.size() == kIdLength)
                entry->largestSerial = std::max(entry->largestSerial, serialOf(id));
            continue;
        }
        if (rs_.currentIndex() != row)
            rs_.setAbsolutePosition(row + 1);
        if (stopsAtCurrent(entry))
            return Outcome::Stopped;
    }
    secondPass();
    stopped_ = false;
    return Outcome::Finished;
}

bool IntegrityWalk::stopsAtCurrent(CheckGrade* entry) {
    if (!entry) {
        rs_.setValue(kGrade, QVariant());
        rs_.update();
    } else {
        const QString id = text(rs_, kStid);
        if (id.size() == kIdLength)
            entry->largestSerial = std::max(entry->largestSerial, serialOf(id));
        else if (!id.isEmpty())
            rs_.setValue(kStid, QVariant());
        // A grade level without classes cannot vouch for any class: the
        // row keeps its class and the user looks at it.
        if (entry->classes.isEmpty()) {
            rs_.update();
            return true;
        }
        if (!entry->classes.contains(text(rs_, kClass)))
            rs_.setValue(kClass, QVariant());
    }
    rs_.update();
    return text(rs_, kGrade).isEmpty() || text(rs_, kClass).isEmpty() || text(rs_, kName).isEmpty();
}

void IntegrityWalk::secondPass() {
    // Every id counts, also of rows the first pass did not reach (a row
    // skipped during a stop) and of students moved from another grade level,
    // and an id a row already holds is never given again. The rows are read
    // in place; the cursor goes only to the rows that get an id.
    const int rows = rs_.recordCount();
    auto at = [this](int row, int field) { return textAt(rs_, row, field); };
    QSet<QString> taken;
    for (int row = 0; row < rows; ++row) {
        const QString id = at(row, kStid);
        if (!id.isEmpty())
            taken.insert(id);
        if (id.size() == kIdLength)
            if (CheckGrade* g = const_cast<CheckGrade*>(gradeOf(at(row, kGrade))))
                g->largestSerial = std::max(g->largestSerial, serialOf(id));
    }
    exhausted_.clear();
    for (int row = 0; row < rows; ++row) {
        const QString grade = at(row, kGrade);
        CheckGrade* g =
            grade.isEmpty() || !at(row, kStid).isEmpty() ? nullptr : const_cast<CheckGrade*>(gradeOf(grade));
        if (!g)
            continue;
        QString id;
        while (g->largestSerial < kLastStudentSerial) {
            ++g->largestSerial;
            const QString candidate = g->grade + QStringLiteral("%1").arg(g->largestSerial, 4, 10, QLatin1Char('0'));
            if (!taken.contains(candidate)) {
                id = candidate;
                break;
            }
        }
        if (id.isEmpty()) {
            if (!exhausted_.contains(g->grade))
                exhausted_ << g->grade;
            continue;
        }
        taken.insert(id);
        rs_.setAbsolutePosition(row + 1);
        rs_.setValue(kStid, id);
        rs_.update();
    }
    if (rows > 0)
        rs_.moveLast();
    rs_.moveNext();   // past the last row, where the walk ends
}

} // namespace maintenance
