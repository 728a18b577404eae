// Measures publishing on the benchmarks' school (10,080 students, 9 subjects,
// totals and averages filled): 生成网页 (the index, 180 class pages, 3
// grade-level pages) and the tab-separated export of all of 成绩表, against
// the floor: raw prepared statements reading the same rows and a plain loop
// writing the same bytes to the same files. Best of three. Exits 2 when a goal
// is missed.

#include "bench/support/bench_school.h"
#include "common/program_state.h"
#include "grades/results/core/tab_text.h"
#include "grades/results/core/web_pages.h"
#include "platform/db/database.h"
#include "platform/db/datacontrol.h"
#include "platform/db/recordset.h"
#include "platform/db/textorder.h"
#include "platform/text/gbk.h"
#include "platform/text/number_text.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <sqlite3.h>

namespace {

int collate(void*, int na, const void* a, int nb, const void* b) {
    return platform::db::compareUnits(static_cast<const char16_t*>(a), na / 2, static_cast<const char16_t*>(b),
                                      nb / 2);
}

QString text16(sqlite3_stmt* st, int i) {
    const void* p = sqlite3_column_text16(st, i);
    return p ? QString::fromUtf16(static_cast<const char16_t*>(p)) : QString();
}

QString number(sqlite3_stmt* st, int i) {
    return sqlite3_column_type(st, i) == SQLITE_NULL
        ? QString()
        : platform::PlainNumberText(float(sqlite3_column_double(st, i)), platform::Precision::Single);
}

void writeFile(const QString& path, const QString& text) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(platform::toGbk(text)) < 0)
        std::exit(1);
}

sqlite3* openRaw(const QString& path) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_create_collation(db, "JET", SQLITE_UTF16_ALIGNED, nullptr, collate);
    return db;
}

sqlite3_stmt* prepare(sqlite3* db, const QString& sql) {
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare16_v2(db, sql.utf16(), -1, &st, nullptr) != SQLITE_OK) {
        std::fprintf(stderr, "raw: %s\n", sqlite3_errmsg(db));
        std::exit(1);
    }
    return st;
}

// The floor of the pages: each page's rows by a prepared statement, a row of
// cells per student and the sums, one file per page.
double rawPagesMs(const QString& path, const QString& folder) {
    QElapsedTimer t;
    t.start();
    sqlite3* db = openRaw(path);
    QStringList queries, names;
    sqlite3_stmt* st = prepare(db, QStringLiteral("select 年级,班 from 班级表 order by 年级,班"));
    QString index;
    while (sqlite3_step(st) == SQLITE_ROW) {
        const QString g = text16(st, 0), c = text16(st, 1);
        index += QStringLiteral("<td width='41'><a href='") + g + c + QStringLiteral(".htm'>") + c
            + QStringLiteral("班</a></td>\r\n");
        queries << QStringLiteral("select * from 成绩表 where 年级='%1' and 班='%2' order by 总分 desc").arg(g, c);
        names << g + c;
    }
    sqlite3_finalize(st);
    writeFile(folder + QStringLiteral("/Index.htm"), index);
    for (const char* g : {"2004", "2005", "2006"}) {
        queries << QStringLiteral("select * from 成绩表 where 年级='%1' order by 总分 desc").arg(QLatin1String(g));
        names << QLatin1String(g);
    }
    for (int q = 0; q < queries.size(); ++q) {
        st = prepare(db, queries[q]);
        const int columns = sqlite3_column_count(st);
        std::vector<float> sums(size_t(columns), 0.0f);
        QString page;
        int n = 0;
        while (sqlite3_step(st) == SQLITE_ROW) {
            ++n;
            page += QStringLiteral("<tr>\r\n");
            for (int i : {5, 3, 4, 9})
                page += QStringLiteral("<td  bgcolor='#999999'><b><font size='2'>") + text16(st, i)
                    + QStringLiteral("</font></b></td>\r\n");
            for (int i = 8; i < columns; ++i) {
                if (i == 9)
                    continue;
                sums[size_t(i)] += float(sqlite3_column_double(st, i));
                page += QStringLiteral("<td  bgcolor='#999999'><font size='2'>") + number(st, i)
                    + QStringLiteral("</font></td>\r\n");
            }
            page += QStringLiteral("<td  bgcolor='#999999'><font size='2'>") + QString::number(n)
                + QStringLiteral("</font></td>\r\n</tr>\r\n");
        }
        sqlite3_finalize(st);
        for (int i = 8; i < columns; ++i)
            page += platform::PlainNumberText(sums[size_t(i)] / float(n), platform::Precision::Single).left(5);
        writeFile(folder + u'/' + names[q] + QStringLiteral(".htm"), page);
    }
    sqlite3_close(db);
    return t.nsecsElapsed() / 1e6;
}

// The floor of the text export: every row of 成绩表, its values joined by TABs.
double rawTextMs(const QString& path, const QString& file) {
    QElapsedTimer t;
    t.start();
    sqlite3* db = openRaw(path);
    sqlite3_stmt* st = prepare(db, QStringLiteral("select * from 成绩表 order by 年级,班,学号 desc"));
    const int columns = sqlite3_column_count(st);
    QString out;
    for (int i = 0; i < columns; ++i)
        out += (i ? QStringLiteral("\t") : QString()) + QString::fromUtf8(sqlite3_column_name(st, i));
    out += QStringLiteral("\r\n");
    while (sqlite3_step(st) == SQLITE_ROW) {
        for (int i = 0; i < columns; ++i) {
            if (i)
                out += u'\t';
            out += i < 8 ? text16(st, i) : number(st, i);
        }
        out += QStringLiteral("\r\n");
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    writeFile(file, out);
    return t.nsecsElapsed() / 1e6;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("学生成绩库.mdb"));
    if (!bench::createSchoolDatabase(dir.path(), path, bench::makeSchool()))
        return 1;
    {
        auto db = platform::db::Database::open(path, state().DatabasePassword);
        QString sum;
        for (const QString& s : bench::kSubjects)
            sum += (sum.isEmpty() ? QString() : QStringLiteral("+")) + s;
        db->execute(QStringLiteral("update 成绩表 set 总分=%1, 平均分=(%1)/9").arg(sum));
    }
    QDir(dir.path()).mkdir(QStringLiteral("raw"));
    QDir(dir.path()).mkdir(QStringLiteral("web"));
    const QString rawFolder = dir.filePath(QStringLiteral("raw")), webFolder = dir.filePath(QStringLiteral("web"));

    double rawPages = 1e9, rawText = 1e9, pages = 1e9, text = 1e9;
    for (int round = 0; round < 3; ++round) {
        rawPages = std::min(rawPages, rawPagesMs(path, rawFolder));
        rawText = std::min(rawText, rawTextMs(path, rawFolder + QStringLiteral("/all.txt")));

        platform::db::DataControl adodc1, ad3, export1;
        for (auto* dc : {&adodc1, &ad3, &export1})
            dc->setConnectionString(state().connectionText());
        QString grade, cls;
        QElapsedTimer t;
        t.start();
        results::writeResultsWebPages(adodc1, ad3, state().SchoolName, webFolder + QStringLiteral("/Index.htm"), grade,
                                      cls);
        pages = std::min(pages, t.nsecsElapsed() / 1e6);
        if (QDir(webFolder).entryList({QStringLiteral("*.htm")}, QDir::Files).size() != 184) {
            std::fprintf(stderr, "not every page was written: %d\n", int(QDir(webFolder).entryList({QStringLiteral("*.htm")}, QDir::Files).size()));
            return 1;
        }

        t.restart();
        export1.setTypedRecordSource(QStringLiteral("select * from 成绩表 order by 年级,班,学号 desc"));
        export1.refresh();
        results::writeGbkWhole(webFolder + QStringLiteral("/all.txt"), results::tabText(*export1.recordset()));
        text = std::min(text, t.nsecsElapsed() / 1e6);
        if (QFile(webFolder + QStringLiteral("/all.txt")).size() != QFile(rawFolder + QStringLiteral("/all.txt")).size()) {
            std::fprintf(stderr, "the text export differs from the floor's\n");
            return 1;
        }
    }
    const double pagesRatio = pages / rawPages, textRatio = text / rawText;
    std::printf("%-44s %9s %9s %7s %s\n", "measurement", "ms", "raw ms", "ratio", "goal");
    std::printf("%-44s %9.1f %9.1f %7.2f %s\n", "web pages: index, 180 classes, 3 grades", pages, rawPages, pagesRatio,
                "<= 3x");
    std::printf("%-44s %9.1f %9.1f %7.2f %s\n", "text export of 10080 rows", text, rawText, textRatio, "<= 3x");
    const bool met = pagesRatio <= 3 && textRatio <= 3;
    std::printf(met ? "goals met\n" : "goal missed\n");
    return met ? 0 : 2;
}
