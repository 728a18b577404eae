#include "grades/entry/core/mark_entry.h"

#include "common/class_label.h"
#include "common/room_code.h"
#include "common/schema.h"
#include "platform/db/database.h"
#include "platform/db/recordset.h"
#include "platform/text/values.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace entry {

using platform::db::Database;
using platform::db::DbError;
using platform::db::Recordset;

namespace {

// 考室 holds three digits.
constexpr int64_t kLastRoom = 999;

const QString kListColumns = QStringLiteral("姓名,考号,考室,年级,班,学号 from 成绩表 where ");

QString listSelect(const QString& subject) {
    return QStringLiteral("select 座位,") + platform::db::quoteName(subject) + u',' + kListColumns;
}

std::optional<QString> columnOf(Database& db, const QString& table, int firstField, const QString& text) {
    const QString name = platform::trimBlanks(text);
    if (name.isEmpty())
        return std::nullopt;
    const auto def = db.tableDef(table);
    for (size_t i = firstField; i < def.fields.size(); ++i)
        if (def.fields[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return def.fields[i].name;
    return std::nullopt;
}

// Runs a walk over the list in one transaction. When it fails, the rows read
// before no longer match the table: the list is read again, the cursor put
// back, and the failure passed on.
template <class F> void inOneTransaction(Recordset& list, int position, F&& work) {
    const qint64 chosen = list.rowIdAt(position - 1);
    try {
        platform::db::Transaction t(*list.database());
        work();
        t.commit();
    } catch (...) {
        try {
            list.cancelUpdate();
            list.requery();
            // Back on the student chosen by his row: another program may have
            // taken students out of the list meanwhile.
            for (int i = 0; chosen > 0 && i < list.recordCount(); ++i)
                if (list.rowIdAt(i) == chosen)
                    position = i + 1;
            if (position >= 1 && position <= list.recordCount())
                list.setAbsolutePosition(position);
        } catch (const DbError&) {
        }
        throw;
    }
    list.setAbsolutePosition(position);
}

std::vector<QVariant> marksOf(const Recordset& list) {
    std::vector<QVariant> marks(list.recordCount());
    for (int i = 0; i < list.recordCount(); ++i)
        marks[i] = list.valueAt(i, kListMarkColumn);
    return marks;
}

} // namespace

QStringList roomLabels(int64_t count) {
    QStringList labels;
    for (int64_t n = 1; n <= std::min(count, kLastRoom); ++n)
        labels << QString::number(n) + QStringLiteral("考室");
    std::stable_sort(labels.begin(), labels.end(),
                     [](const QString& a, const QString& b) { return platform::db::compareText(a, b) < 0; });
    return labels;
}

QStringList entrySubjects(Database& db) {
    QStringList subjects;
    const auto def = db.tableDef(table::Classes);
    for (size_t i = 2; i < def.fields.size(); ++i)
        subjects << def.fields[i].name;
    return subjects;
}

std::optional<QString> scoreSubject(Database& db, const QString& text) {
    return columnOf(db, table::Scores, kFirstSubjectField, text);
}

ListSource classList(Database& db, const QString& classText, const QString& subject) {
    const QString label = platform::trimBlanks(classText);
    const auto s = scoreSubject(db, subject);
    if (!s || label.isEmpty())
        return {};
    return {listSelect(*s) + QStringLiteral("年级 = ? and 班 = ? order by 学号"),
            {gradeOfLabel(label), classOfLabel(label)}};
}

ListSource roomList(Database& db, const QString& roomText, const QString& subject) {
    const QString label = platform::trimBlanks(roomText);
    const auto s = scoreSubject(db, subject);
    if (!s || label.isEmpty())
        return {};
    return {listSelect(*s) + QStringLiteral("考室 = ? order by 座位"), {roomCodeOfLabel(label)}};
}

ListSource searchList(Database& db, const QString& text, const QString& subject) {
    const QString wanted = platform::trimBlanks(text);
    const auto s = scoreSubject(db, subject);
    if (!s || wanted.isEmpty())
        return {};
    const bool examNumber = wanted.front() >= u'0' && wanted.front() <= u'9';
    return {listSelect(*s) + (examNumber ? QStringLiteral("考号 = ?") : QStringLiteral("姓名 = ?")), {wanted}};
}

FullMarks FullMarks::read(Database& db, const QString& subject) {
    FullMarks out;
    const auto column = columnOf(db, table::Grades, 1, subject);
    if (!column)
        return out;
    const auto rows =
        db.query(QStringLiteral("select 年级, %1 from 年级表 order by rowid").arg(platform::db::quoteName(*column)));
    for (const auto& row : rows) {
        const QString grade = row.value(0).toString();
        // The first row of a grade level counts, as a lookup from the top finds it.
        if (!out.marks_.contains(grade))
            out.marks_.insert(grade, row.value(1).isNull() ? 0.0f : row.value(1).toFloat());
    }
    return out;
}

bool markKeyAllowed(int16_t keyAscii) {
    return keyAscii < 33 || keyAscii == '.' || (keyAscii >= '0' && keyAscii <= '9') || keyAscii >= 127;
}

MarkCheck checkTypedMark(const QString& typed, float fullMark, QVariant& mark) {
    const float v = float(platform::LeadingNumber(platform::trimBlanks(typed)));
    if (v < 0)
        return MarkCheck::Negative;
    if (v > fullMark || std::isnan(v))
        return MarkCheck::AboveFullMark;
    mark = (fullMark == 0 || v == 0) ? QVariant() : QVariant(v);
    return MarkCheck::Accepted;
}

float fullMarkOfCurrent(const Recordset& list, const FullMarks& fullMarks) {
    if (list.absolutePosition() <= 0)
        return 0;
    return fullMarks.of(list.value(scorefield::Grade).toString());
}

MarkCheck storeEnteredScore(Recordset& list, const QString& typed, const FullMarks& fullMarks) {
    QVariant mark;
    const MarkCheck check = checkTypedMark(typed, fullMarkOfCurrent(list, fullMarks), mark);
    if (check == MarkCheck::Accepted)
        list.storeValue(kListMarkColumn, mark);
    return check;
}

MarkCheck insertMark(Recordset& list, const QString& typed, const FullMarks& fullMarks) {
    const int p = list.absolutePosition();
    const int n = list.recordCount();
    if (p <= 0)
        return MarkCheck::Accepted;
    QVariant mark;
    const MarkCheck check = checkTypedMark(typed, fullMarkOfCurrent(list, fullMarks), mark);
    if (check != MarkCheck::Accepted)
        return check;
    const std::vector<QVariant> old = marksOf(list);
    inOneTransaction(list, p, [&] {
        list.storeValue(kListMarkColumn, mark);
        for (int i = n; i > p; --i) {
            list.setAbsolutePosition(i);
            list.storeValue(kListMarkColumn, old[i - 2]);
        }
    });
    return check;
}

void deleteMark(Recordset& list) {
    const int p = list.absolutePosition();
    const int n = list.recordCount();
    if (p <= 0)
        return;
    const std::vector<QVariant> old = marksOf(list);
    inOneTransaction(list, p, [&] {
        for (int i = p; i <= n; ++i) {
            list.setAbsolutePosition(i);
            list.storeValue(kListMarkColumn, i < n ? old[i] : QVariant());
        }
    });
}

} // namespace entry
