#pragma once
// Importing the rows of a table of another database file into 成绩表 or
// 教师表: the counters that give new students their ids, the source rows
// (optionally limited by a typed condition), and the run that checks every
// row before anything is written and then stores each row whole. The source
// file is only ever read. Nothing here needs a screen; Form10 drives it.

#include <QString>
#include <QStringList>
#include <QVariantList>
#include <memory>
#include <vector>

namespace platform::db {
class Database;
class ForeignDatabase;
}

namespace maintenance {

inline const QString kImportErrorText = QStringLiteral(
    "你的源数据可能有错,数据尚未完全导入,请首先检查各字段的格式、长度是否与你设定的本系统数据库中的字段格式相符合。");

// Whether a table of the source is offered: its name begins with a
// double-byte (Chinese) character.
bool isListedSourceTable(const QString& name);
// The offered tables of a source, in its definition order.
QStringList listedSourceTables(const platform::db::ForeignDatabase& source);

// The largest student-id serial of each grade level and class number of each
// class, in the stored order of 年级表 and 班级表.
struct ImportCounters {
    struct Entry {
        QString key;        // grade-level id; grade-level id followed by class id
        qint64 count = 0;
    };
    std::vector<Entry> grades;
    std::vector<Entry> classes;

    // From the tables as they stand; students with an empty 年级 or 班, or
    // without a counter, are passed over.
    static ImportCounters load(platform::db::Database& db);
    // Raises every count to the table's present largest (students added since).
    void raiseTo(platform::db::Database& db);

    QString gradeListText() const;   // "2004  2005  "
    QString classListText() const;   // "200401  200402  "
    bool hasGrade(const QString& grade) const;
    bool hasClass(const QString& grade, const QString& cls) const;
    Entry* grade(const QString& grade);
    Entry* cls(const QString& grade, const QString& cls);
};

// The number a text begins with, as an id is read: the whole part of its
// leading number, 0 when none.
qint64 leadingCount(const QString& text);
// An id's serial: the last four characters (the whole of a shorter one).
qint64 serialOfStudentId(const QString& studentId);

// The rows chosen for a run, with the source's field names.
struct SourceRows {
    QStringList fields;
    std::vector<QVariantList> rows;
};

// A run or a source that is refused, with the text and title to show.
struct ImportRefusal {
    QString title;
    QString text;
};

// Every row of `table`, or, with a condition, those that "select * from"
// the table "  where" the condition selects, run in the old dialect over a
// copy of the table in memory. A condition must make exactly one read-only
// query. Throws ImportRefusal.
SourceRows readSourceRows(const platform::db::ForeignDatabase& source, const QString& table,
                          const QString& condition);

// What the run asks of the person importing. Every question comes after the
// work before it is committed.
class ImportQuestions {
public:
    virtual ~ImportQuestions() = default;
    // The target already holds this name: true overwrites the first such row.
    virtual bool overwriteSameName(const QString& name) = 0;
    // An input box; the empty text when cancelled.
    virtual QString input(const QString& prompt, const QString& title, const QString& defaultText) = 0;
    // After a cancelled prompt: true stops the run there.
    virtual bool stopAfterCancel() = 0;
};

// The working texts of the record check, kept by the window.
struct CheckState {
    QString CurrentGrade;
    QString CurrentClass;
};

struct ExternalImportPlan {
    QString targetTable;                  // 成绩表 or 教师表
    QStringList pairedSourceFields;       // one per field of the target, "" = not paired
    bool askOnSameName = false;           // 姓名相同记录时提示; otherwise every row is appended
    bool check = false;                   // 自动产生学号和STID并检查数据合法性
};

struct ImportResult {
    enum class Kind { Done, Stopped, Refused };
    Kind kind = Kind::Done;
    int stored = 0;          // rows written (added or overwritten)
    int added = 0;
    ImportRefusal refusal;   // Refused: nothing was written
};

// The message of a stopped run.
QString stoppedMessage(int stored);

// The check of a plan before the rows are read: a name pair, and the record
// check only for students of a school with grade levels and classes. Empty
// title when the plan may run.
ImportRefusal checkPlan(platform::db::Database& target, const ExternalImportPlan& plan,
                        const ImportCounters& counters);

// The run. The counters are raised to the table first and advance with every
// id given out. Work is committed before every question and at the end; a
// refusal found up front writes nothing.
ImportResult runExternalImport(platform::db::Database& target, const SourceRows& source,
                               const ExternalImportPlan& plan, ImportCounters& counters, CheckState& state,
                               ImportQuestions& questions);

} // namespace maintenance
