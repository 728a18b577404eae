#include "grades/entry/core/student_manager.h"

#include "common/program_state.h"
#include "common/schema.h"
#include "grades/entry/core/student_roster.h"
#include "platform/db/database.h"
#include "platform/db/datacontrol.h"
#include "platform/db/recordset.h"
#include "platform/db/typedsql.h"
#include "platform/text/values.h"

namespace entry {

using platform::db::DataControl;
using platform::db::Database;
using platform::db::DbError;
using platform::db::Recordset;

StudentManager::StudentManager(DataControl& list) : list_(list), found_(new DataControl) {}

StudentManager::~StudentManager() = default;

QString StudentManager::defaultSql(const QString& gradeId, const QString& classId) {
    return QStringLiteral("select 学号,姓名,总分,年级,班,STID,考号 from 成绩表 where 年级=") +
           platform::db::quoteText(gradeId) + QStringLiteral(" and 班=") +
           platform::db::quoteText(classId) + QStringLiteral(" order by 总分 desc");
}

bool StudentManager::chooseClass(const QString& label) {
    if (label.isEmpty())
        return false;
    grade_ = gradeOfLabel(label);
    class_ = classOfLabel(label);
    return true;
}

std::optional<QString> StudentManager::run(const QString& sql) {
    if (!platform::db::isReadOnlySelect(sql))
        return QStringLiteral("SQL语句只能是一条查询(select)语句,不能修改数据!");
    try {
        if (list_.connectionString().isEmpty())
            list_.setConnectionString(state().connectionText());
        list_.setTypedRecordSource(sql);
        list_.refresh();
    } catch (const DbError& e) {
        // Show the list of the last text that ran rather than an empty grid.
        if (!sql_.isEmpty()) {
            try {
                list_.setTypedRecordSource(sql_);
                list_.refresh();
            } catch (const DbError&) {
            }
        }
        return QStringLiteral("SQL语句不能执行:") + e.text();
    }
    sql_ = sql;
    Recordset* rs = list_.recordset();
    if (rs && rs->recordCount() > 0)
        rs->moveFirst();

    try {
        auto db = list_.database();
        lastSerial_ = largestSerial(*db, grade_);
        classIds_ = classIdsOfGrade(*db, grade_);
    } catch (const DbError& e) {
        return QStringLiteral("SQL语句不能执行:") + e.text();
    }
    return std::nullopt;
}

bool StudentManager::listHas(const QStringList& fields) const {
    const Recordset* rs = list_.recordset();
    if (!rs || !rs->isUpdatable() || rs->baseTable() != table::Scores)
        return false;
    for (const QString& f : fields) {
        const int i = rs->fieldIndex(f);
        if (i < 0 || !rs->fieldUpdatable(i))
            return false;
    }
    return true;
}

StudentManager::Outcome StudentManager::add(const QString& typedName) {
    const QString name = platform::trimBlanks(typedName);
    if (name.isEmpty())
        return Outcome::Nothing;
    if (name.size() > kNameLength)
        return Outcome::NameTooLong;
    if (!listHas({scorefield::Number, scorefield::Name, scorefield::Grade, scorefield::Class, scorefield::ExamNumber, scorefield::StudentId}))
        return Outcome::ListUnsuitable;
    Recordset* rs = list_.recordset();
    if (rs->isDirty())
        rs->update();
    const int back = rs->absolutePosition();
    std::optional<int> serial;
    try {
        if (rs->recordCount() > 0 && rs->findValue(scorefield::Name, name, 0, true))
            return Outcome::Namesake;
        // Read the serial now: the student panel may have added students since.
        serial = nextSerial(*list_.database(), grade_, lastSerial_);
        if (!serial) {
            if (back > 0)
                rs->setAbsolutePosition(back);
            return Outcome::SerialsUsedUp;
        }
        rs->addNew({scorefield::Number, scorefield::Name, scorefield::Grade, scorefield::Class, scorefield::ExamNumber, scorefield::StudentId},
                   {QStringLiteral("00"), name, grade_, class_, QStringLiteral("00"),
                    studentIdFor(grade_, *serial)});
    } catch (const DbError&) {
        // Refused: the student chosen before stays current for the next try.
        if (back > 0 && back <= rs->recordCount())
            rs->setAbsolutePosition(back);
        throw;
    }
    lastSerial_ = *serial;
    return Outcome::Done;
}

StudentManager::Outcome StudentManager::moveCurrentTo(const QString& typedClassId) {
    Recordset* rs = list_.recordset();
    if (!rs || rs->absolutePosition() <= 0)
        return Outcome::Nothing;
    if (!listHas({scorefield::Class}))
        return Outcome::ListUnsuitable;
    // The student stays in his own grade level: the class must exist there.
    const int gradeField = rs->fieldIndex(scorefield::Grade);
    const QString grade = gradeField >= 0 ? rs->value(gradeField).toString() : grade_;
    if (!classExists(*list_.database(), grade, typedClassId))
        return Outcome::NoSuchClass;
    rs->storeValue(scorefield::Class, typedClassId);
    return Outcome::Done;
}

std::optional<QStringList> StudentManager::search(const QString& typedName) {
    const QString name = platform::trimBlanks(typedName);
    if (name.isEmpty())
        return std::nullopt;
    lines_.clear();
    lineRows_.clear();
    found_->setConnectionString(state().connectionText());
    found_->setRecordSource(
        QStringLiteral("select 年级,班,姓名,总分 from 成绩表 where 姓名=? and 年级=?"), {name, grade_});
    found_->refresh();
    Recordset* rs = found_->recordset();
    int row = 1;
    for (rs->moveFirst(); !rs->eof(); rs->moveNext(), ++row) {
        const QVariant total = rs->value(scorefield::Total);
        lines_ << rs->value(scorefield::Grade).toString() + QStringLiteral(".") + rs->value(scorefield::Class).toString() +
                      QStringLiteral(" ") + rs->value(scorefield::Name).toString() + QStringLiteral("  总分：") +
                      (total.isNull() ? QString() : QString::number(total.toFloat(), 'g', 7));
        lineRows_.push_back(row);
    }
    return lines_;
}

StudentManager::Outcome StudentManager::moveIn(int line) {
    Recordset* rs = found_->recordset();
    if (!rs || line < 0 || line >= int(lineRows_.size()))
        return Outcome::Nothing;
    rs->setAbsolutePosition(lineRows_[size_t(line)]);
    if (rs->value(scorefield::Grade).toString() != grade_)
        return Outcome::OtherGrade;
    if (rs->value(scorefield::Class).toString() != class_) {
        rs->storeValue(scorefield::Class, class_);
    }
    lines_.removeAt(line);
    lineRows_.erase(lineRows_.begin() + line);
    return Outcome::Done;
}

} // namespace entry
