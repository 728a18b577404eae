#pragma once
// The results as static web pages: an index with a link per grade level and
// class, and one page per class and per grade level listing every student
// best total first, with ranks and column averages. GBK, CR LF.

#include "platform/db/database.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <optional>
#include <utility>
#include <vector>

namespace platform::db {
class DataControl;
class Recordset;
}

namespace results {

// The rows of one results page: 考号, 姓名, 学号, 平均分, 总分, then the subjects.
struct PageRows {
    QStringList columns;
    std::vector<platform::db::FieldType> types;
    QList<QVariantList> rows;
};
PageRows pageRowsOf(const platform::db::Recordset& rs);   // the cursor does not move

// &, <, >, ' and " as entities, so that no name breaks the page.
QString htmlEscape(const QString& text);

// A page's file name, also its link: grade id + class id + ".htm" for ids of the
// stored form ("200401.htm"); any other pair gets a name of its own in which no
// character can leave the folder or break a link. Different pairs, different names.
QString webPageFileName(const QString& grade, const QString& cls);

// The index page; `classes` are (年级, 班) in grade, then class order.
QString indexPageText(const QString& schoolName, const std::vector<std::pair<QString, QString>>& classes);

// A results page; an empty `cls` is the grade-level page, an empty `indexPath`
// leaves out the back links.
QString resultsPageText(const QString& schoolName, const QString& grade, const QString& cls,
                        const QString& indexPath, const PageRows& rows);

// A page in GBK; a character GBK cannot hold becomes "&#N;".
QByteArray pageBytes(const QString& text);

// Writes a page whole or not at all. Throws platform::FileError.
void writePage(const QString& path, const QString& text);

// The subjects a grade level takes (full mark above 0) and the page query of a
// class or grade level, its ids bound. Reads through `ad3`; throws DbError, and
// FileError when the grade id is not in 年级表. None when 年级表 has no row.
std::optional<QString> writeClassResultsPage(platform::db::DataControl& ad3, const QString& schoolName,
                                             const QString& grade, const QString& cls,
                                             const QString& indexPath);

// The index, every class page, then every grade-level page, all in the index
// page's folder. `workGrade`/`workClass` are left at the last page's ids.
// Throws on the first failure; the pages finished before it stay.
void writeResultsWebPages(platform::db::DataControl& adodc1, platform::db::DataControl& ad3,
                          const QString& schoolName, const QString& indexPath, QString& workGrade,
                          QString& workClass);

} // namespace results
