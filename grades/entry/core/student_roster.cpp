#include "grades/entry/core/student_roster.h"

#include "common/program_state.h"
#include "common/schema.h"
#include "platform/db/database.h"
#include "platform/db/datacontrol.h"
#include "platform/db/recordset.h"
#include "platform/text/values.h"

#include <algorithm>
#include <climits>

namespace entry {

using platform::db::Database;
using platform::db::Recordset;
using platform::db::Transaction;

namespace {

bool allDigits(const QString& text) {
    if (text.isEmpty())
        return false;
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

int clampToInt(int64_t v) {
    return int(std::clamp<int64_t>(v, INT_MIN, INT_MAX));
}
} // namespace

QString studentIdFor(const QString& gradeId, int serial) {
    return gradeId + QStringLiteral("%1").arg(serial, 4, 10, QLatin1Char('0'));
}

int serialOfStudentId(const QString& studentId) {
    return clampToInt(platform::leadingWholeNumber(studentId.right(4)));
}

int largestSerial(Database& db, const QString& gradeId) {
    int largest = 0;
    const auto rows = db.query(
        QStringLiteral("select STID from 成绩表 where 年级 = ? or substr(STID, 1, 4) = ?"),
        {gradeId, gradeId});
    for (const auto& row : rows) {
        const QString id = row.value(0).toString();
        if (!id.isEmpty())
            largest = std::max(largest, serialOfStudentId(id));
    }
    return largest;
}

std::optional<int> nextSerial(Database& db, const QString& gradeId, int lastGiven) {
    const int largest = std::max(largestSerial(db, gradeId), lastGiven);
    if (largest >= kLastSerial)
        return std::nullopt;
    return largest + 1;
}

QString classNumberText(int number, int width) {
    return QStringLiteral("%1").arg(number, width, 10, QLatin1Char('0'));
}

int classNumberValue(const QString& text) {
    return clampToInt(platform::leadingWholeNumber(text));
}

QStringList classLabels(Database& db) {
    QStringList labels;
    for (const auto& row : db.query(QStringLiteral("select 年级, 班 from 班级表")))
        labels << classLabel(row.value(0).toString(), row.value(1).toString());
    sortClassLabels(labels);
    return labels;
}

QStringList classIdsOfGrade(Database& db, const QString& gradeId) {
    QStringList ids;
    for (const auto& row : db.query(QStringLiteral("select 班 from 班级表 where 年级 = ?"), {gradeId}))
        ids << row.value(0).toString();
    return ids;
}

bool classExists(Database& db, const QString& gradeId, const QString& classId) {
    return !db.query(QStringLiteral("select 班 from 班级表 where 年级 = ? and 班 = ?"),
                     {gradeId, classId}).empty();
}

// ---------------------------------------------------------------------------

ClassRoster::ClassRoster(platform::db::DataControl& list) : list_(list) {}

Recordset* ClassRoster::rows() const { return list_.recordset(); }

int ClassRoster::size() const {
    const Recordset* rs = rows();
    return rs ? rs->recordCount() : 0;
}

Database& ClassRoster::database() const {
    auto db = list_.database();
    if (!db)
        throw platform::db::DbError(platform::db::DbError::NoCurrentRecord,
                                    QStringLiteral("没有打开班级的学生名单。"));
    return *db;
}

void ClassRoster::showGrid(bool visible) {
    if (setGridVisible)
        setGridVisible(visible);
}

void ClassRoster::backTo(int position) {
    Recordset* rs = rows();
    if (rs && rs->recordCount() > 0 && position > 0)
        rs->setAbsolutePosition(std::min(position, rs->recordCount()));
}

void ClassRoster::open(const QString& gradeId, const QString& classId) {
    grade_ = gradeId;
    class_ = classId;
    list_.setRecordSource(
        QStringLiteral("select 学号,姓名,年级,班,STID,考号 from 成绩表 where 年级 = ? and 班 = ?"),
        {gradeId, classId});
    list_.refresh();
    lastSerial_ = largestSerial(database(), gradeId);
    rows()->setSort(scorefield::Number);
}

int ClassRoster::numberWidth() const {
    const Recordset* rs = rows();
    if (!rs)
        return 2;
    if (rs->recordCount() >= 100)
        return 3;
    const int field = rs->fieldIndex(scorefield::Number);
    for (int i = 0; i < rs->recordCount(); ++i)
        if (rs->valueAt(i, field).toString().size() == 3)
            return 3;
    return 2;
}

bool ClassRoster::numberTaken(const QString& number) const {
    const Recordset* rs = rows();
    if (!rs || number.isEmpty())
        return false;
    const int field = rs->fieldIndex(scorefield::Number);
    for (int i = 0; i < rs->recordCount(); ++i) {
        const QString other = rs->valueAt(i, field).toString();
        if (other == number)
            return true;
        if (allDigits(other) && allDigits(number) && other.toInt() == number.toInt())
            return true;
    }
    return false;
}

std::optional<QString> ClassRoster::typedNumber(const QString& typed) const {
    const QString number = platform::trimBlanks(typed);
    if (!allDigits(number) || number.size() > 3)
        return std::nullopt;
    const int value = number.toInt();
    return classNumberText(value, std::max(numberWidth(), value > 99 ? 3 : 2));
}

QString ClassRoster::offerNumber() {
    Recordset* rs = rows();
    if (!rs || rs->recordCount() == 0) {
        showGrid(true);
        return QStringLiteral("01");
    }
    const int back = std::max(1, rs->absolutePosition());
    showGrid(false);
    const int width = numberWidth();
    QString offered = QStringLiteral("xxx");
    try {
        // Each search leaves the row it was on, which stores an edit made there.
        Transaction walk(database());
        for (int n = 1; n <= 999; ++n) {
            const QString text = classNumberText(n, width);
            if (!rs->findValue(scorefield::Number, text, 0, true)) {
                offered = text;
                break;
            }
        }
        walk.commit();
    } catch (const platform::db::DbError&) {
        // A busy file: the list is shown again where it was.
        showGrid(true);
        backTo(back);
        throw;
    }
    showGrid(true);
    backTo(back);
    return offered;
}

std::optional<QString> ClassRoster::offerAfterChange() {
    // The change is stored: a file busy for the offer must not make it look
    // refused (a retry would act on the student after it). The box keeps its text.
    try {
        return offerNumber();
    } catch (const platform::db::DbError&) {
        return std::nullopt;
    }
}

void ClassRoster::widenNumbers() {
    Recordset* rs = rows();
    const QString remembered = rs->absolutePosition() > 0 ? rs->value(scorefield::StudentId).toString() : QString();
    for (rs->moveFirst(); !rs->eof(); rs->moveNext()) {
        const QString number = rs->value(scorefield::Number).toString();
        if (number.size() == 2)
            rs->setValue(scorefield::Number, QStringLiteral("0") + number);
    }
    if (remembered.isEmpty() || !rs->findValue(scorefield::StudentId, remembered, 0, true))
        rs->moveLast();
}

void ClassRoster::appendStudent(const QString& number, const QString& name,
                                const QString& examNumber, int serial) {
    rows()->addNew({scorefield::Number, scorefield::Name, scorefield::Grade, scorefield::Class, scorefield::ExamNumber, scorefield::StudentId},
                   {number, name, grade_, class_, examNumber, studentIdFor(grade_, serial)});
}

template <class F> ClassRoster::Result ClassRoster::keepingChoice(F&& change) {
    Recordset* rs = rows();
    const int position = rs ? rs->absolutePosition() : 0;
    const QString chosen = position > 0 ? rs->value(scorefield::StudentId).toString() : QString();
    try {
        return change();
    } catch (const platform::db::DbError&) {
        // A rollback has read the rows again; an edit left pending would be
        // stored by the next move, outside the change.
        try {
            if ((rs = rows())) {
                rs->cancelUpdate();
                if (chosen.isEmpty() || !rs->findValue(scorefield::StudentId, chosen, 0, true))
                    backTo(position);
            }
        } catch (const platform::db::DbError&) {
        }
        showGrid(true);
        throw;
    }
}

ClassRoster::Result ClassRoster::add(const QString& typedName, const QString& typedNumber) {
    return keepingChoice([&] { return addStudent(typedName, typedNumber); });
}

ClassRoster::Result ClassRoster::insert(const QString& typedName, const QString& typedNumber) {
    return keepingChoice([&] { return insertStudent(typedName, typedNumber); });
}

ClassRoster::Result ClassRoster::remove(bool keepNumbers) {
    return keepingChoice([&] { return removeStudent(keepNumbers); });
}

ClassRoster::Result ClassRoster::addStudent(const QString& typedName, const QString& typedNumber) {
    const QString name = platform::trimBlanks(typedName);
    if (name.isEmpty())
        return {Outcome::Nothing, offerNumber()};
    if (name.size() > kNameLength)
        return {Outcome::NameTooLong, {}};
    Recordset* rs = rows();
    if (!rs)
        return {};
    if (rs->isDirty())
        rs->update();
    const int back = rs->absolutePosition();
    showGrid(false);
    if (rs->recordCount() > 0 && rs->findValue(scorefield::Name, name, 0, true))
        return {Outcome::Namesake, offerNumber()};

    // "6" typed in a class numbered "01", "02" ... is stored as "06", so that
    // the list keeps its order and the offered number stays free.
    const std::optional<QString> typed = this->typedNumber(typedNumber);
    const QString number = typed.value_or(QString());
    std::optional<int> serial;
    Outcome refusal = Outcome::Done;
    if (!typed)
        refusal = Outcome::BadNumber;
    else if (numberTaken(number))
        refusal = Outcome::NumberTaken;
    else if (!(serial = nextSerial(database(), grade_, lastSerial_)))
        refusal = Outcome::SerialsUsedUp;
    if (refusal != Outcome::Done) {
        backTo(back);
        showGrid(true);
        return {refusal, {}};
    }

    Transaction change(database());
    appendStudent(number, name, number, *serial);
    if (rs->recordCount() >= 100)
        widenNumbers();
    change.commit();
    state().StudentCount += 1;
    lastSerial_ = *serial;
    return {Outcome::Done, offerAfterChange()};
}

ClassRoster::Result ClassRoster::insertStudent(const QString& typedName, const QString& typedNumber) {
    const QString name = platform::trimBlanks(typedName);
    if (name.isEmpty())
        return {};
    if (name.size() > kNameLength)
        return {Outcome::NameTooLong, {}};
    Recordset* rs = rows();
    if (!rs)
        return {};
    if (rs->recordCount() == 0)
        return addStudent(typedName, typedNumber);
    if (rs->absolutePosition() <= 0)
        return {};
    if (rs->isDirty())
        rs->update();

    showGrid(false);
    const int back = rs->absolutePosition();
    const int at = classNumberValue(rs->value(scorefield::Number).toString());
    if (rs->findValue(scorefield::Name, name, 0, true)) {
        showGrid(true);
        return {Outcome::Namesake, {}};
    }
    const std::optional<int> serial = nextSerial(database(), grade_, lastSerial_);
    if (!serial) {
        backTo(back);
        showGrid(true);
        return {Outcome::SerialsUsedUp, {}};
    }

    const int width = numberWidth();
    Transaction change(database());
    for (rs->moveLast(); !rs->bof(); rs->movePrevious()) {
        const int n = classNumberValue(rs->value(scorefield::Number).toString());
        if (n >= at)
            rs->setValue(scorefield::Number, classNumberText(n + 1, width));
    }
    appendStudent(classNumberText(at, width), name, platform::trimBlanks(typedNumber), *serial);
    if (rs->recordCount() >= 100)
        widenNumbers();
    change.commit();
    state().StudentCount += 1;
    lastSerial_ = *serial;

    Result result{Outcome::Done, offerAfterChange()};
    showGrid(true);
    return result;
}

ClassRoster::Result ClassRoster::rename(const QString& typedName) {
    if (platform::trimBlanks(typedName).isEmpty())
        return {};
    // Leading blanks go; the rest is stored as typed.
    QString name = typedName;
    while (name.startsWith(u' '))
        name.remove(0, 1);
    if (name.size() > kNameLength)
        return {Outcome::NameTooLong, {}};
    Recordset* rs = rows();
    if (!rs || rs->absolutePosition() <= 0)
        return {};
    rs->storeValue(scorefield::Name, name);   // a refused name is dropped; the row stays current
    return {Outcome::Done, {}};
}

ClassRoster::Result ClassRoster::removeStudent(bool keepNumbers) {
    Recordset* rs = rows();
    if (!rs || rs->recordCount() == 0 || rs->absolutePosition() <= 0)
        return {};
    if (rs->isDirty())
        rs->update();
    const QString number = rs->value(scorefield::Number).toString();
    const int at = classNumberValue(number);
    const int position = rs->absolutePosition();

    if (rs->recordCount() == 1 || keepNumbers) {
        rs->deleteCurrent();
        state().StudentCount -= 1;
        backTo(position);
        return {Outcome::Done, number};   // the freed number is offered again
    }

    showGrid(false);
    {
        Transaction change(database());
        rs->deleteCurrent();
        for (rs->moveFirst(); !rs->eof(); rs->moveNext()) {
            const QString text = rs->value(scorefield::Number).toString();
            const int n = classNumberValue(text);
            if (n > at)
                rs->setValue(scorefield::Number, classNumberText(n - 1, text.size() == 3 ? 3 : 2));
        }
        change.commit();
    }
    state().StudentCount -= 1;
    // The deleted student may have been the last one: his place is then past the end.
    backTo(position);
    return {Outcome::Done, offerAfterChange()};
}

} // namespace entry
