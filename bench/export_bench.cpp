// Measures publishing on the benchmarks' school (10,080 students, 9 subjects,
// totals and averages filled): 生成网页 (the index, 180 class pages, 3
// grade-level pages) and the tab-separated export of all of 成绩表, against
// the floor: raw prepared statements reading the same rows and a plain loop
// writing the same bytes to the same files. Best of three. Exits 2 when a goal
// is missed.

#include "bench/support/bench_school.h"
#include "bench/support/raw_sqlite.h"
#include "bench/support/timing.h"
#include "common/program_state.h"
#include "grades/results/core/tab_text.h"
#include "grades/results/core/web_pages.h"
#include "platform/db/database.h"
#include "platform/db/datacontrol.h"
#include "platform/db/recordset.h"
#include "platform/text/gbk.h"
#include "platform/text/number_text.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

namespace {

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

// The floor of the pages: each page's rows by a prepared statement, a row of
// cells per student and the sums, one file per page.
double rawPagesMs(const QString& path, const QString& folder) {
    QElapsedTimer t;
    t.start();
    bench::RawDb db(path, bench::RawDb::Mode::ReadOnly);
    QStringList queries, names;
    auto classes = db.prepare(QStringLiteral("select 年级,班 from 班级表 order by 年级,班"));
    QString index;
    while (classes.next()) {
        const QString g = classes.text(0), c = classes.text(1);
        index += QStringLiteral("<td width='41'><a href='") + g + c + QStringLiteral(".htm'>") + c
            + QStringLiteral("班</a></td>\r\n");
        queries << QStringLiteral("select * from 成绩表 where 年级='%1' and 班='%2' order by 总分 desc").arg(g, c);
        names << g + c;
    }
    classes.finish();
    writeFile(folder + QStringLiteral("/Index.htm"), index);
    for (const char* g : {"2004", "2005", "2006"}) {
        queries << QStringLiteral("select * from 成绩表 where 年级='%1' order by 总分 desc").arg(QLatin1String(g));
        names << QLatin1String(g);
    }
    for (int q = 0; q < queries.size(); ++q) {
        auto st = db.prepare(queries[q]);
        const int columns = sqlite3_column_count(st);
        std::vector<float> sums(size_t(columns), 0.0f);
        QString page;
        int n = 0;
        while (st.next()) {
            ++n;
            page += QStringLiteral("<tr>\r\n");
            for (int i : {5, 3, 4, 9})
                page += QStringLiteral("<td  bgcolor='#999999'><b><font size='2'>") + st.text(i)
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
        st.finish();
        for (int i = 8; i < columns; ++i)
            page += platform::PlainNumberText(sums[size_t(i)] / float(n), platform::Precision::Single).left(5);
        writeFile(folder + u'/' + names[q] + QStringLiteral(".htm"), page);
    }
    db.close();
    return bench::msSince(t);
}

// The floor of the text export: every row of 成绩表, its values joined by TABs.
double rawTextMs(const QString& path, const QString& file) {
    QElapsedTimer t;
    t.start();
    bench::RawDb db(path, bench::RawDb::Mode::ReadOnly);
    auto st = db.prepare(QStringLiteral("select * from 成绩表 order by 年级,班,学号 desc"));
    const int columns = sqlite3_column_count(st);
    QString out;
    for (int i = 0; i < columns; ++i)
        out += (i ? QStringLiteral("\t") : QString()) + QString::fromUtf8(sqlite3_column_name(st, i));
    out += QStringLiteral("\r\n");
    while (st.next()) {
        for (int i = 0; i < columns; ++i) {
            if (i)
                out += u'\t';
            out += i < 8 ? st.text(i) : number(st, i);
        }
        out += QStringLiteral("\r\n");
    }
    st.finish();
    db.close();
    writeFile(file, out);
    return bench::msSince(t);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("学生成绩库.mdb"));
    if (!bench::createScoredSchool(dir.path(), path))
        return 1;
    QDir(dir.path()).mkdir(QStringLiteral("raw"));
    QDir(dir.path()).mkdir(QStringLiteral("web"));
    const QString rawFolder = dir.filePath(QStringLiteral("raw")), webFolder = dir.filePath(QStringLiteral("web"));

    double rawPages = 1e9, rawText = 1e9, pages = 1e9, text = 1e9;
    for (int round = 0; round < 3; ++round) {
        bench::keepBest(rawPages, rawPagesMs(path, rawFolder));
        bench::keepBest(rawText, rawTextMs(path, rawFolder + QStringLiteral("/all.txt")));

        platform::db::DataControl adodc1, ad3, export1;
        for (auto* dc : {&adodc1, &ad3, &export1})
            dc->setConnectionString(state().connectionText());
        QString grade, cls;
        QElapsedTimer t;
        t.start();
        results::writeResultsWebPages(adodc1, ad3, state().SchoolName, webFolder + QStringLiteral("/Index.htm"), grade,
                                      cls);
        bench::keepBest(pages, bench::msSince(t));
        if (QDir(webFolder).entryList({QStringLiteral("*.htm")}, QDir::Files).size() != 184) {
            std::fprintf(stderr, "not every page was written: %d\n", int(QDir(webFolder).entryList({QStringLiteral("*.htm")}, QDir::Files).size()));
            return 1;
        }

        t.restart();
        export1.setTypedRecordSource(QStringLiteral("select * from 成绩表 order by 年级,班,学号 desc"));
        export1.refresh();
        results::writeGbkWhole(webFolder + QStringLiteral("/all.txt"), results::tabText(*export1.recordset()));
        bench::keepBest(text, bench::msSince(t));
        if (QFile(webFolder + QStringLiteral("/all.txt")).size() != QFile(rawFolder + QStringLiteral("/all.txt")).size()) {
            std::fprintf(stderr, "the text export differs from the floor's\n");
            return 1;
        }
    }
    const bench::RatioTable table(44, "measurement", "ms", true);
    const double pagesRatio = table.row("web pages: index, 180 classes, 3 grades", pages, rawPages, "<= 3x");
    const double textRatio = table.row("text export of 10080 rows", text, rawText, "<= 3x");
    const bool met = pagesRatio <= 3 && textRatio <= 3;
    std::printf(met ? "goals met\n" : "goal missed\n");
    return met ? 0 : 2;
}
