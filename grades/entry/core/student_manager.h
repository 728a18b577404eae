#pragma once
// The advanced student management of one class, without a screen: the list
// shown through a query the user may edit, adding by name, moving the current
// student to another class of the grade level, and finding students of the
// grade level by name to move them into the class. Form12 is its window.

#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <vector>

namespace platform::db {
class DataControl;
class Database;
class Recordset;
}

namespace entry {

class StudentManager {
public:
    enum class Outcome {
        Nothing,          // nothing to do (no name, no current row, no line)
        Done,
        Namesake,         // the name is in the list already; that student is now current
        NameTooLong,
        SerialsUsedUp,
        ListUnsuitable,   // the list shown lacks the fields the action writes
        NoSuchClass,      // the target class is not in 班级表
        OtherGrade,       // the student found belongs to another grade level
    };

    // `list` is the window's Adodc1, bound to its grid.
    explicit StudentManager(platform::db::DataControl& list);
    ~StudentManager();

    static QString defaultSql(const QString& gradeId, const QString& classId);

    // Takes the class of a label; false for an empty label.
    bool chooseClass(const QString& label);
    QString grade() const { return grade_; }
    QString classId() const { return class_; }
    int lastSerial() const { return lastSerial_; }

    // 确定: shows the rows of the SQL text and reads the grade level's serial and
    // class ids again. Returns the message for a text that is refused or fails;
    // the list shown before stays then.
    std::optional<QString> run(const QString& sql);
    QString sql() const { return sql_; }
    QStringList classIds() const { return classIds_; }

    // A row the database refuses (a DbError) leaves the student chosen before current.
    Outcome add(const QString& typedName);
    Outcome moveCurrentTo(const QString& typedClassId);

    // 查找: the lines of the students of the grade level with this name; none
    // for an empty name (the list is then left as it was).
    std::optional<QStringList> search(const QString& typedName);
    QStringList lines() const { return lines_; }
    // 转入本班 for a line of the last search; the line is dropped afterwards.
    Outcome moveIn(int line);

private:
    bool listHas(const QStringList& fields) const;

    platform::db::DataControl& list_;
    std::unique_ptr<platform::db::DataControl> found_;   // rows of the last name search
    std::vector<int> lineRows_;                          // the found row of each line
    QStringList lines_;
    QString grade_, class_, sql_;
    QStringList classIds_;
    int lastSerial_ = 0;
};

} // namespace entry
