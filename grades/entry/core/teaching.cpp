#include "grades/entry/core/teaching.h"

#include "common/class_label.h"
#include "common/schema.h"
#include "grades/entry/core/assignment_slots.h"
#include "platform/db/database.h"
#include "platform/db/recordset.h"
#include "platform/text/values.h"

#include <algorithm>

namespace entry {

using platform::db::Database;
using platform::db::DbError;
using platform::db::Recordset;
using platform::db::compareText;

namespace {

const QString kName = QStringLiteral("姓名");
const QString kGrade = QStringLiteral("年级");
const QString kClass = QStringLiteral("班");
// 班级表: 年级, 班, then one column per subject.
constexpr int kFirstSubjectColumn = 2;

bool sameText(const QVariant& stored, const QString& text) {
    return !stored.isNull() && compareText(stored.toString(), text) == 0;
}

bool fullMarkGiven(const QVariant& v) { return !v.isNull() && v.toDouble() != 0; }

} // namespace

QString slotClassField(int n) { return QStringLiteral("任课班级%1").arg(n); }
QString slotSubjectField(int n) { return QStringLiteral("科目%1").arg(n); }

QString teacherQuery() {
    QString sql = QStringLiteral("select 姓名");
    for (int n = 1; n <= kAssignmentSlots; ++n)
        sql += QStringLiteral(", ") + slotClassField(n) + QStringLiteral(", ") + slotSubjectField(n);
    return sql + QStringLiteral("  from 教师表");
}

QString assignmentListEntry(const QString& classLabel, const QString& subject) {
    return classLabel + u' ' + subject;
}

QString classOfEntry(const QString& entry) { return entry.left(8); }
QString subjectOfEntry(const QString& entry) { return entry.right(2); }

void sortAsText(QStringList& texts) {
    std::stable_sort(texts.begin(), texts.end(),
                     [](const QString& a, const QString& b) { return compareText(a, b) < 0; });
}

QStringList teachingList(const Recordset& teachers) {
    QStringList entries;
    for (int n = 1; n <= kAssignmentSlots; ++n) {
        const QVariant cls = teachers.value(slotClassField(n));
        if (!cls.isNull())
            entries << assignmentListEntry(cls.toString(), teachers.value(slotSubjectField(n)).toString());
    }
    sortAsText(entries);
    return entries;
}

TeacherAdded addTeacher(Recordset& teachers, const QString& typedName) {
    const QString name = platform::trimBlanks(typedName);
    if (name.isEmpty())
        return TeacherAdded::NoName;
    if (name.size() > kTeacherNameLength)
        return TeacherAdded::TooLong;
    const int back = teachers.absolutePosition();
    if (teachers.findValue(kName, name, 0, true))
        return TeacherAdded::Found;
    try {
        teachers.addNew({kName}, {name});
    } catch (const DbError&) {
        if (back > 0 && back <= teachers.recordCount())
            teachers.setAbsolutePosition(back);
        throw;
    }
    return TeacherAdded::Added;
}

bool deleteTeacher(Recordset& teachers) {
    if (teachers.absolutePosition() <= 0)
        return false;
    teachers.deleteCurrent();
    if (teachers.recordCount() == 0)
        return true;
    teachers.moveNext();
    if (teachers.eof())
        teachers.moveLast();
    return true;
}

Teaching::Teaching(Recordset& teachers, Recordset& classes) : teachers_(teachers), classes_(classes) {}

bool Teaching::findClass(const QString& gradeId, const QString& classId) {
    // By value, never through a criteria text: the ids are typed.
    for (bool found = classes_.findValue(kGrade, gradeId, 0, true); found;
         found = classes_.findValue(kGrade, gradeId, 1))
        if (sameText(classes_.value(kClass), classId))
            return true;
    return false;
}

template <class F> void Teaching::together(F&& writes) {
    // A rollback reads both cursors again, so they show what is stored.
    platform::db::Transaction t(*teachers_.database());
    writes();
    t.commit();
}

Assignment Teaching::add(const QString& classLabel, const QString& subject) {
    return assign(classLabel, subject, true);
}

Assignment Teaching::assignGap(const QString& classLabel, const QString& subject) {
    return assign(classLabel, subject, false);
}

Assignment Teaching::assign(const QString& typedLabel, const QString& typedSubject, bool testFullMark) {
    const QString label = platform::trimBlanks(typedLabel);
    const QString subject = platform::trimBlanks(typedSubject);
    if (label.isEmpty() || subject.isEmpty())
        return Assignment::BadChoice;
    if (teachers_.absolutePosition() <= 0)
        return Assignment::Nothing;
    const QString grade = gradeOfLabel(label);
    const QString cls = classOfLabel(label);
    // Only a whole label and a subject column: anything else would name a
    // class or a field that the lists never offered.
    const int column = classes_.fieldIndex(subject);
    if (label != classLabel(grade, cls) || column < kFirstSubjectColumn || classes_.fieldName(column) != subject)
        return Assignment::BadChoice;
    if (testFullMark) {
        Recordset grades(classes_.database(), table::Grades);
        if (!grades.findValue(kGrade, grade, 0, true) || grades.fieldIndex(subject) < 1)
            return Assignment::BadChoice;
        if (!fullMarkGiven(grades.value(subject)))
            return Assignment::FullMarkZero;
    }
    // The cell as stored now: another program may have filled it meanwhile.
    classes_.requery();
    if (!findClass(grade, cls))
        return Assignment::BadChoice;
    if (!classes_.value(subject).isNull())
        return Assignment::CellTaken;
    int free = 0;
    for (int n = 1; n <= kAssignmentSlots && !free; ++n)
        if (teachers_.value(slotClassField(n)).isNull())
            free = n;
    if (!free)
        return Assignment::SlotsFull;
    const QVariant name = teachers_.value(kName);
    together([&] {
        teachers_.setValue(slotClassField(free), label);
        teachers_.setValue(slotSubjectField(free), subject);
        teachers_.update();
        classes_.setValue(subject, name);
        classes_.update();
    });
    return Assignment::Done;
}

Assignment Teaching::remove(const QString& typedLabel, const QString& typedSubject) {
    const QString label = platform::trimBlanks(typedLabel);
    const QString subject = platform::trimBlanks(typedSubject);
    if (label.isEmpty() || subject.isEmpty() || teachers_.absolutePosition() <= 0)
        return Assignment::Nothing;
    int held = 0;
    for (int n = 1; n <= kAssignmentSlots && !held; ++n)
        if (sameText(teachers_.value(slotClassField(n)), label) &&
            sameText(teachers_.value(slotSubjectField(n)), subject))
            held = n;
    if (!held)
        return Assignment::NotHeld;
    const QString name = teachers_.value(kName).toString();
    classes_.requery();
    // The slot goes even when its class is gone; the cell only while it is this teacher's.
    const bool clearCell = classes_.fieldIndex(subject) >= kFirstSubjectColumn &&
                           findClass(gradeOfLabel(label), classOfLabel(label)) &&
                           sameText(classes_.value(subject), name);
    together([&] {
        teachers_.setValue(slotClassField(held), QVariant());
        teachers_.setValue(slotSubjectField(held), QVariant());
        teachers_.update();
        if (clearCell) {
            classes_.setValue(subject, QVariant());
            classes_.update();
        }
    });
    return Assignment::Done;
}

bool subjectTaken(Database& db, const QString& gradeId, const QString& subject) {
    Recordset grades(db.shared_from_this(), table::Grades);
    if (!grades.findValue(kGrade, gradeId, 0, true) || grades.fieldIndex(subject) < 1)
        return false;
    return fullMarkGiven(grades.value(subject));
}

std::optional<QString> UnassignedSubjectScan::next(Recordset& classes) {
    const int fields = classes.fieldCount();
    if (classes.recordCount() == 0)
        return std::nullopt;
    if (ScanRow == 0) {
        classes.moveFirst();
        ScanRow = classes.absolutePosition();
    }
    if (ScanColumn == 0)
        ScanColumn = 1;
    if (++ScanColumn >= fields) {
        ++ScanRow;
        ScanColumn = kFirstSubjectColumn;
    }
    if (ScanRow < 1 || ScanRow > classes.recordCount())
        return std::nullopt;
    classes.setAbsolutePosition(ScanRow);
    Database& db = *classes.database();
    for (;;) {
        if (ScanColumn < fields && classes.value(ScanColumn).isNull()) {
            // 年级表 is read again for every empty cell: the full marks may change meanwhile.
            const QString grade = classes.value(kGrade).toString();
            const QString subject = classes.fieldName(ScanColumn);
            if (subjectTaken(db, grade, subject)) {
                ScanRow = classes.absolutePosition();
                return assignmentListEntry(classLabel(grade, classes.value(kClass).toString()), subject);
            }
        }
        if (++ScanColumn < fields)
            continue;
        ScanColumn = kFirstSubjectColumn;
        classes.moveNext();
        if (classes.eof())
            return std::nullopt;
    }
}

int countUnassignedSubjects(Database& db) {
    Recordset classes(db.shared_from_this(), table::Classes);
    Recordset grades(db.shared_from_this(), table::Grades);
    int gaps = 0;
    for (int row = 0; row < classes.recordCount(); ++row) {
        const QString grade = classes.valueAt(row, 0).toString();
        if (!grades.findValue(kGrade, grade, 0, true))
            continue;
        for (int f = kFirstSubjectColumn; f < classes.fieldCount(); ++f) {
            const int mark = grades.fieldIndex(classes.fieldName(f));
            if (classes.valueAt(row, f).isNull() && mark >= 1 && fullMarkGiven(grades.value(mark)))
                ++gaps;
        }
    }
    return gaps;
}

} // namespace entry
