#include "grades/entry/core/assignment_slots.h"

#include "common/class_label.h"
#include "platform/db/datacontrol.h"
#include "platform/db/recordset.h"

namespace entry {

namespace {

bool isEmpty(const QVariant& v) { return v.isNull() || v.toString().isEmpty(); }

QString classField(int n) { return QStringLiteral("任课班级%1").arg(n); }
QString subjectField(int n) { return QStringLiteral("科目%1").arg(n); }

} // namespace

void compactAssignmentSlots(platform::db::Recordset& teachers) {
    if (teachers.recordCount() == 0)
        return;
    teachers.moveFirst();
    while (!teachers.eof()) {
        for (int c = 1; c <= kAssignmentSlots; ++c) {
            if (!isEmpty(teachers.value(classField(c))))
                continue;
            for (int j = kAssignmentSlots; j > c; --j) {
                if (isEmpty(teachers.value(classField(j))))
                    continue;
                teachers.setValue(classField(c), teachers.value(classField(j)));
                teachers.setValue(subjectField(c), teachers.value(subjectField(j)));
                teachers.setValue(classField(j), QVariant());
                teachers.setValue(subjectField(j), QVariant());
                break;
            }
        }
        teachers.moveNext();  // stores the changed row
    }
}

void clearTeachersOfPapersNotTaken(platform::db::Recordset& grades, platform::db::DataControl& classes,
                                   platform::db::Recordset& teachers, QString& currentGradeId) {
    if (grades.recordCount() == 0)
        return;
    grades.moveFirst();
    while (!grades.eof()) {
        for (int i = 1; i < grades.fieldCount(); ++i) {
            const QVariant fullMark = grades.value(i);
            if (!fullMark.isNull() && fullMark.toDouble() != 0)
                continue;
            grades.setValue(i, QVariant());
            const QString subject = grades.fieldName(i);
            const QString grade = grades.value(0).toString();
            currentGradeId = grade;

            // The grade id goes in as a parameter: it is typed text.
            classes.setRecordSource(QStringLiteral("select * from 班级表 where 年级=?"), {grade});
            classes.refresh();
            if (auto* rs = classes.recordset(); rs && rs->recordCount() > 0) {
                rs->moveFirst();
                while (!rs->eof()) {
                    rs->setValue(subject, QVariant());
                    rs->moveNext();
                }
            }

            if (teachers.recordCount() == 0)
                continue;
            teachers.moveFirst();
            while (!teachers.eof()) {
                for (int k = 1; k <= kAssignmentSlots; ++k) {
                    if (gradeOfLabel(teachers.value(classField(k)).toString()) == grade &&
                        teachers.value(subjectField(k)).toString() == subject) {
                        teachers.setValue(classField(k), QVariant());
                        teachers.setValue(subjectField(k), QVariant());
                    }
                }
                teachers.moveNext();
            }
        }
        grades.moveNext();
    }
}

} // namespace entry
