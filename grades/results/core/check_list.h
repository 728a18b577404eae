#pragma once
// Student check lists: chosen fields of every student of a class, several
// students to a line, as plain text.

#include <QString>
#include <QStringList>

namespace platform::db {
class Recordset;
}

namespace results {

struct CheckListOptions {
    QString title;
    bool byTotal = false;     // 总分 desc; else 学号
    int perLine = 1;          // 0 behaves as 1
    int spacing = 1;          // empty lines between lines of students, 0..99
    int linesPerPage = 20;
};

// The options as typed into the window's boxes: leading numbers, 行距 held
// within 0..99 so a typed huge value cannot build gigabytes.
int typedCount(const QString& text);
int typedSpacing(const QString& text);

// The query of one class; `fields` in any order (the table's order comes
// back). Ids are quoted.
QString checkListQuery(const QStringList& fields, const QString& grade, const QString& cls, bool byTotal);

// The heading and students of one class; `lineCount` carries the page's
// line count between classes.
QString checkListBlock(platform::db::Recordset& rs, const QString& grade, const QString& cls,
                       const CheckListOptions& options, int& lineCount);

} // namespace results
