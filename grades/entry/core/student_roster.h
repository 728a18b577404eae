#pragma once
// The students of one class as the student panel works on them: the forms of
// the student id and the class number, the offered number, and adding,
// inserting, renaming and deleting with the renumbering of the others.
// No screen: the panel shows the results, tests drive it on a small database.

#include "common/class_label.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace platform::db {
class Database;
class DataControl;
class Recordset;
}

namespace entry {

// 姓名 holds three characters.
inline constexpr int kNameLength = 3;
// STID is the grade id and a four-digit serial: 9999 students per grade level.
inline constexpr int kLastSerial = 9999;

// The student id of a serial: "2004" and 37 give "20040037".
QString studentIdFor(const QString& gradeId, int serial);
// The serial an id holds: the leading number of its last four characters, 0 when none.
int serialOfStudentId(const QString& studentId);
// The largest serial handed out in a grade level, read from 成绩表 now. Ids that
// begin with the grade id count too, so that a student who changed grade level
// still holds his serial.
int largestSerial(platform::db::Database& db, const QString& gradeId);
// The serial a new student of the grade level gets: one above the largest in
// 成绩表 now and above `lastGiven`, the last one this window handed out (so that
// the id of a student deleted meanwhile is not given again); none past 9999.
std::optional<int> nextSerial(platform::db::Database& db, const QString& gradeId, int lastGiven = 0);

// A class number of the given width: 5 and 2 give "05".
QString classNumberText(int number, int width);
// The number a class number stands for ("07" -> 7, "abc" -> 0).
int classNumberValue(const QString& text);

// The labels of every row of 班级表, in text order.
QStringList classLabels(platform::db::Database& db);
// The class ids of a grade level in table order.
QStringList classIdsOfGrade(platform::db::Database& db, const QString& gradeId);
bool classExists(platform::db::Database& db, const QString& gradeId, const QString& classId);

// The class list of one class, held in a data control (the panel's Ad1).
class ClassRoster {
public:
    enum class Outcome {
        Nothing,        // nothing to do (no name, empty class, no current student)
        Done,
        Namesake,       // the name is in the class already; that student is now current
        NameTooLong,    // more than kNameLength characters: nothing stored
        NumberTaken,    // the typed class number belongs to another student
        BadNumber,      // the typed class number is not one to three digits
        SerialsUsedUp,  // the grade level has no serial left
    };
    struct Result {
        Outcome outcome = Outcome::Nothing;
        std::optional<QString> offered;   // new text of the number box, when it changes
    };

    explicit ClassRoster(platform::db::DataControl& list);

    // Called with false before a walk through many rows and with true after it:
    // the panel hides its grid meanwhile so that the display keeps still.
    std::function<void(bool visible)> setGridVisible;

    // Reads the largest serial of the grade level and opens the class list sorted on 学号.
    void open(const QString& gradeId, const QString& classId);
    QString gradeId() const { return grade_; }
    QString classId() const { return class_; }
    int lastSerial() const { return lastSerial_; }
    platform::db::Recordset* rows() const;
    int size() const;

    // The lowest class number nobody in the class has: "01" for an empty class,
    // "xxx" when 1 to 999 are all taken. The current row stays current.
    QString offerNumber();
    // Every two-digit number of the class gets a leading "0" (from 100 students on).
    void widenNumbers();
    // Width of the numbers given now: 3 from 100 students on, and in a class that
    // was widened once, so that "01" and "001" never meet.
    int numberWidth() const;
    // Whether a student of the class has this number (by text, or by value for digits).
    bool numberTaken(const QString& number) const;
    // A typed number as it is stored: digits get the width of the class ("6" -> "06");
    // none for a text that is not one to three digits.
    std::optional<QString> typedNumber(const QString& typed) const;

    // A change the database refuses (a DbError) leaves the list as stored, the
    // student chosen before it current and the grid shown, so that the next
    // try acts on that student again.
    Result add(const QString& typedName, const QString& typedNumber);
    Result insert(const QString& typedName, const QString& typedNumber);
    Result rename(const QString& typedName);
    Result remove(bool keepNumbers);

private:
    // The offer after a stored change; nullopt when the file is busy for it.
    std::optional<QString> offerAfterChange();
    template <class F> Result keepingChoice(F&& change);
    Result addStudent(const QString& typedName, const QString& typedNumber);
    Result insertStudent(const QString& typedName, const QString& typedNumber);
    Result removeStudent(bool keepNumbers);
    platform::db::Database& database() const;
    void showGrid(bool visible);
    void backTo(int position);
    void appendStudent(const QString& number, const QString& name, const QString& examNumber,
                       int serial);

    platform::db::DataControl& list_;
    QString grade_, class_;
    int lastSerial_ = 0;
};

} // namespace entry
