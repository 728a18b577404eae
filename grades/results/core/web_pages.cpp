#include "grades/results/core/web_pages.h"

#include "common/schema.h"
#include "grades/results/core/results_view.h"
#include "grades/results/core/tab_text.h"
#include "platform/db/database.h"
#include "platform/db/datacontrol.h"
#include "platform/db/recordset.h"
#include "platform/db/value_text.h"
#include "platform/text/gbk.h"
#include "platform/text/number_text.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>

namespace results {

namespace {

struct Page {
    QString text;
    void line(const QString& s) { text += s; text += kLineEnd; }
};

void headLines(Page& p) {
    p.line(QStringLiteral("<html> "));
    p.line(QStringLiteral(" <head> "));
    p.line(QStringLiteral("<meta http-equiv='Content-Language' content='en-us'> "));
    p.line(QStringLiteral(" <meta http-equiv='Content-Type' content='text/html; charset=gb2312'> "));
}

QString headerCell(const QString& width, const QString& name) {
    return QStringLiteral("<td width='") + width
        + QStringLiteral("' bgcolor='#666699'> <font size='3' face='黑体' color='#00FF00'>") + name
        + QStringLiteral("</td>");
}

QString boldCell(bool shaded, const QString& value) {
    return (shaded ? QStringLiteral("<td  bgcolor='#999999'><b><font size='2'>")
                   : QStringLiteral(" <td><b><font size='2'>"))
        + value + QStringLiteral("</font></b></td>");
}

QString plainCell(bool shaded, const QString& value) {
    return (shaded ? QStringLiteral("<td  bgcolor='#999999'><font size='2'>") : QStringLiteral("<td ><font size='2'>"))
        + value + QStringLiteral("</font></td>");
}

} // namespace

PageRows pageRowsOf(const platform::db::Recordset& rs) {
    PageRows out;
    const int fields = rs.fieldCount();
    for (int f = 0; f < fields; ++f) {
        out.columns << rs.fieldName(f);
        out.types.push_back(rs.fieldType(f));
    }
    const int rows = rs.recordCount();
    out.rows.reserve(rows);
    for (int r = 0; r < rows; ++r) {
        QVariantList row;
        row.reserve(fields);
        for (int f = 0; f < fields; ++f)
            row << rs.valueAt(r, f);
        out.rows << row;
    }
    return out;
}

QString htmlEscape(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (QChar ch : text) {
        switch (ch.unicode()) {
        case '&': out += QLatin1String("&amp;"); break;
        case '<': out += QLatin1String("&lt;"); break;
        case '>': out += QLatin1String("&gt;"); break;
        case '\'': out += QLatin1String("&#39;"); break;
        case '"': out += QLatin1String("&quot;"); break;
        default: out += ch;
        }
    }
    return out;
}

namespace {

bool isPlainIdCharacter(QChar ch) {
    return ch.isLetterOrNumber() && ch != u'_' && ch != u'-';
}

bool isNormalId(const QString& id, qsizetype length) {
    return id.size() == length && std::all_of(id.begin(), id.end(), isPlainIdCharacter);
}

// Letters and digits as they are, every other character as "_" and four hex
// digits, so that no two ids give one text and none gives "-".
QString escapedId(const QString& id) {
    QString out;
    for (QChar ch : id)
        out += isPlainIdCharacter(ch) ? QString(ch)
                                      : u'_' + QStringLiteral("%1").arg(ch.unicode(), 4, 16, QLatin1Char('0')).toUpper();
    return out;
}

} // namespace

QString webPageFileName(const QString& grade, const QString& cls) {
    // Ids as the tables store them (four-character grade, two-character class)
    // keep the plain names the pages have always had: "200401.htm", "2004.htm".
    if (isNormalId(grade, 4) && (cls.isEmpty() || isNormalId(cls, 2)))
        return grade + cls + QStringLiteral(".htm");
    // Any other pair is spelt out with a "-" between, which no plain name holds:
    // (20040, 1) and (2004, 01), or an empty id and a grade page, never share a file.
    return escapedId(grade) + u'-' + escapedId(cls) + QStringLiteral(".htm");
}

QString indexPageText(const QString& schoolName, const std::vector<std::pair<QString, QString>>& classes) {
    const QString sn = htmlEscape(schoolName);
    Page p;
    headLines(p);
    p.line(QStringLiteral("<title> ") + sn + QStringLiteral("所有学生的成绩</title>"));
    p.line(QStringLiteral("</head>"));
    p.line(QStringLiteral("<body>"));
    p.line(QStringLiteral("<p><b><font size='6' color='#000080'>") + sn + QStringLiteral("所有学生的成绩</font></b></p>"));
    p.line(QStringLiteral("<p>请单击你要查看的班或年级</p>"));
    p.line(QStringLiteral("<table border='1'>"));
    p.line(QStringLiteral("<tr>"));
    const auto gradeCell = [&p](const QString& g) {
        p.line(QStringLiteral(" <td width='51'><a href='") + htmlEscape(webPageFileName(g, {})) + QStringLiteral("'>")
               + htmlEscape(g) + QStringLiteral("级</td>"));
    };
    bool first = true;
    QString current;
    for (const auto& [g, c] : classes) {
        if (first) {
            gradeCell(g);
            current = g;
            first = false;
        } else if (g != current) {
            current = g;
            p.line(QStringLiteral("</tr>"));
            p.line(QStringLiteral("<tr>"));
            gradeCell(g);
        }
        p.line(QStringLiteral("<td width='41'><a href='") + htmlEscape(webPageFileName(g, c)) + QStringLiteral("'>")
               + htmlEscape(c) + QStringLiteral("班</a></td>"));
    }
    p.line(QStringLiteral("</tr>"));
    p.line(QStringLiteral("</table>"));
    p.line(QStringLiteral("</body>"));
    p.line(QStringLiteral("</html> "));
    return p.text;
}

QString resultsPageText(const QString& schoolName, const QString& grade, const QString& cls,
                        const QString& indexPath, const PageRows& rows) {
    const QString heading = htmlEscape(schoolName) + htmlEscape(grade) + QStringLiteral("级")
        + (cls.isEmpty() ? QString() : htmlEscape(cls) + QStringLiteral("班")) + QStringLiteral("所有学生的成绩");
    const QString backLink = QStringLiteral("<p align='right'><a href='") + htmlEscape(indexPath)
        + QStringLiteral("'>返回主页</a></p>");
    Page p;
    headLines(p);
    p.line(QStringLiteral("<title> ") + heading + QStringLiteral("</title>"));
    p.line(QStringLiteral("</head>"));
    p.line(QStringLiteral("<body bgcolor='#C0C0C0'>"));
    if (!indexPath.isEmpty())
        p.line(backLink);
    p.line(QStringLiteral("<p><b><font size='6' color='#0000FF' face='隶书'>") + heading + QStringLiteral("</font></b></p>"));
    p.line(QStringLiteral("<table border='1' cellspacing='0' cellpadding='5'>"));
    p.line(QStringLiteral("<tr>"));

    const int columns = rows.columns.size();
    // The first cell is as wide as the first student's exam number; with no
    // student, or none built yet, only its margin.
    int width = 10;
    if (!rows.rows.isEmpty() && columns > 0)
        width = 5 * platform::db::plainValueText(rows.rows.front().value(0), rows.types[0]).size() + 10;
    static const char* const widths[] = {nullptr, "45", "35", "35"};
    for (int f = 0; f < columns; ++f) {
        if (f == 0)
            p.line(headerCell(QString::number(width), htmlEscape(rows.columns[0])));
        else if (f == 3)
            p.line(headerCell(QStringLiteral("35"), QStringLiteral("平均")));
        else
            p.line(headerCell(QLatin1String(f < 4 ? widths[f] : "35"), htmlEscape(rows.columns[f])));
    }
    p.line(headerCell(QStringLiteral("35"), QStringLiteral("名次")));
    p.line(QStringLiteral("</tr>"));

    // Sums from 总分 on, in single precision as they always were.
    std::vector<float> sums(std::max(0, columns - 4), 0.0f);
    int n = 0;
    for (const QVariantList& row : rows.rows) {
        ++n;
        const bool shaded = n % 2 == 1;
        p.line(QStringLiteral("<tr>"));
        for (int f = 0; f < columns; ++f) {
            const QVariant v = row.value(f);
            const QString text = htmlEscape(platform::db::plainValueText(v, rows.types[f]));
            if (f < 4) {
                p.line(boldCell(shaded, text));
            } else {
                p.line(plainCell(shaded, text));
                if (!v.isNull())
                    sums[f - 4] += v.toFloat();
            }
        }
        p.line(plainCell(shaded, QString::number(n)));
        p.line(QStringLiteral("</tr>"));
    }

    const bool shaded = n % 2 == 0;
    p.line(QStringLiteral("<tr>"));
    // The label cell runs on into the first average cell.
    p.text += (shaded ? QStringLiteral("<td  bgcolor='#999999' colspan='4'><b><font size='2'>共")
                      : QStringLiteral("<td  colspan='4'><b><font size='2'>共"))
        + QString::number(n) + QStringLiteral("人,各科平均分为:</font></b></td>");
    for (float sum : sums) {
        // An empty class has nothing to divide by: its averages stay empty.
        const QString average = n > 0
            ? platform::PlainNumberText(sum / static_cast<float>(n), platform::Precision::Single).left(5)
            : QString();
        p.line(plainCell(shaded, average));
    }
    p.line(shaded ? QStringLiteral("<td  bgcolor='#999999'><font size='2'>--</font></td>")
                  : QStringLiteral("<td><font size='2'>--</font></td>"));
    p.line(QStringLiteral("</tr>"));
    p.line(QStringLiteral("</table>"));
    if (!indexPath.isEmpty())
        p.line(backLink);
    p.line(QStringLiteral("</body>"));
    p.line(QStringLiteral("</html> "));
    return p.text;
}

QByteArray pageBytes(const QString& text) {
    try {
        return platform::toGbk(text);
    } catch (const platform::GbkError&) {
    }
    QByteArray out;
    out.reserve(text.size() * 2);
    for (const QString& ch : platform::characters(text)) {
        if (platform::canEncodeGbk(ch))
            out += platform::toGbk(ch);
        else
            out += "&#" + QByteArray::number(ch.toUcs4().value(0)) + ';';
    }
    return out;
}

void writePage(const QString& path, const QString& text) {
    platform::writeFileWhole(path, pageBytes(text));
}

std::optional<QString> writeClassResultsPage(platform::db::DataControl& ad3, const QString& schoolName,
                                             const QString& grade, const QString& cls,
                                             const QString& indexPath) {
    ad3.setRecordSource(table::Grades);
    ad3.refresh();
    auto* grades = ad3.recordset();
    if (grades->recordCount() == 0)
        return std::nullopt;
    if (!grades->findValue(QStringLiteral("年级"), grade, 0, true))
        throw platform::FileError(QStringLiteral("年级表中没有年级 ") + grade);
    QString sql = QStringLiteral("select 考号,姓名,学号,平均分,总分");
    for (int f = 1; f < grades->fieldCount(); ++f) {
        const QVariant full = grades->value(f);
        if (!full.isNull() && full.toDouble() > 0)
            sql += u',' + platform::db::quoteName(grades->fieldName(f));
    }
    QVariantList params{grade};
    if (cls.isEmpty()) {
        sql += QStringLiteral(" from 成绩表 where 年级=? order by 总分 desc");
    } else {
        sql += QStringLiteral(" from 成绩表 where 年级=? and 班=? order by 总分 desc");
        params << cls;
    }
    ad3.setRecordSource(sql, params);
    ad3.refresh();
    const QString path = QFileInfo(indexPath).dir().filePath(webPageFileName(grade, cls));
    writePage(path, resultsPageText(schoolName, grade, cls, indexPath, pageRowsOf(*ad3.recordset())));
    return path;
}

void writeResultsWebPages(platform::db::DataControl& adodc1, platform::db::DataControl& ad3,
                          const QString& schoolName, const QString& indexPath, QString& workGrade,
                          QString& workClass) {
    adodc1.setRecordSource(table::Classes);
    adodc1.refresh();
    auto* rs = adodc1.recordset();
    rs->setSort(QStringLiteral("年级,班"));
    std::vector<std::pair<QString, QString>> classes;
    for (int r = 0; r < rs->recordCount(); ++r)
        classes.emplace_back(rs->valueAt(r, 0).toString(), rs->valueAt(r, 1).toString());
    writePage(indexPath, indexPageText(schoolName, classes));

    for (const auto& [g, c] : classes) {
        workGrade = g;
        workClass = c;
        writeClassResultsPage(ad3, schoolName, g, c, indexPath);
    }

    adodc1.setRecordSource(table::Grades);
    adodc1.refresh();
    rs = adodc1.recordset();
    QStringList grades;
    for (int r = 0; r < rs->recordCount(); ++r)
        grades << rs->valueAt(r, 0).toString();
    for (const QString& g : grades) {
        workGrade = g;
        workClass.clear();
        writeClassResultsPage(ad3, schoolName, g, {}, indexPath);
    }
}

} // namespace results
