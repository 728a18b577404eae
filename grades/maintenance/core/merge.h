#pragma once
// Merging the grade levels, classes, students and teachers of another database
// of this system into the open one. The other file is only ever read; the
// merge is one transaction, so a failure leaves the open database as it was.

#include <QString>
#include <QStringList>
#include <memory>
#include <stdexcept>
#include <vector>

namespace platform::db { class Database; class ForeignDatabase; }

namespace maintenance {

// A source that cannot be merged, with the title and text to show.
class MergeRefused : public std::runtime_error {
public:
    MergeRefused(QString title, QString text)
        : std::runtime_error(text.toStdString()), title(std::move(title)), text(std::move(text)) {}
    QString title;
    QString text;
};

// Opens the chosen file for reading only, as a source can be used: a database
// of this system or an old Access file, without password, holding the four
// tables and their keys, and not the open database `target` itself.
// Otherwise MergeRefused.
std::shared_ptr<platform::db::Database> openMergeSource(const QString& path,
                                                        platform::db::Database& target);
// The checks on an opened file's tables and keys; a file of this system is
// merged through its own read-only connection, another kind from a scratch
// copy of its four tables.
std::shared_ptr<platform::db::Database> mergeSourceOf(const platform::db::ForeignDatabase& source);

struct MergeTableCounts {
    QString table;
    int added = 0;
    int replaced = 0;
    int unchanged = 0;        // a matching row kept as it was
    int dropped = 0;          // a new row the table would not take
    int refusedValues = 0;    // values a field would not take (the field kept its value)
    QStringList firstRefusals;
    int renamedStudents = 0;  // replaced students whose 姓名 was another
    int rowCount = 0;         // rows of the target table afterwards
};

struct MergeResult {
    std::vector<MergeTableCounts> tables;   // 年级表, 班级表, 成绩表, 教师表
};

// The four steps in order; `overwrite` replaces matching rows of the first
// three tables (教师表 never). Throws DbError when the merge cannot finish;
// then nothing of it stays.
MergeResult mergeDatabase(platform::db::Database& target, platform::db::Database& source, bool overwrite);

// "数据导入完成,..." and what each table took.
QString mergeReportText(const MergeResult& result);

} // namespace maintenance
