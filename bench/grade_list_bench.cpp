// Measures the grade-list preview on the benchmarks' school (10,080 students,
// 9 subjects, totals and averages filled): 打印成绩 for every class (180
// blocks) and the results view's grade level of 3,360 handed over, each until
// the preview holds its text, against the floor: raw prepared statements
// reading the same rows in the same order and a plain loop building both
// texts. Best of three. Exits 2 when a goal is missed.

#include "bench/support/bench_school.h"
#include "bench/support/raw_sqlite.h"
#include "bench/support/timing.h"
#include "bench/support/window_bench.h"
#include "common/program_state.h"
#include "grades/app/main_window.h"
#include "grades/frame/Form2.h"
#include "grades/results/print/Form5.h"
#include "grades/results/results_menus.h"
#include "platform/db/database.h"
#include "platform/text/number_text.h"
#include "platform/ui/richtextbox.h"

#include <QAction>
#include <QComboBox>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>

namespace {

const char* kGradeQuery = "select *  from 成绩表  where 年级='2004' order by 平均分 desc";

QString cut5(double v) { return platform::PlainNumberText(v, platform::Precision::Single).left(5); }

// The floor: each block's rows read by a prepared statement, both texts
// written by a plain loop.
double rawMs(const QString& path, const QStringList& queries) {
    QElapsedTimer t;
    t.start();
    bench::RawDb db(path, bench::RawDb::Mode::ReadOnly);
    QString preview, copy;
    for (const QString& sql : queries) {
        auto st = db.prepare(sql);
        const int columns = sqlite3_column_count(st);
        std::vector<float> sums(size_t(columns), 0.0f);
        QString rows, rowsCopy;
        int n = 0;
        while (st.next()) {
            ++n;
            const QString number = st.text(5);
            const QString name = st.text(3);
            rows += number + QStringLiteral("  ") + name + QStringLiteral("  ");
            rowsCopy += number + u'\t' + name + u'\t';
            for (int i = 8; i < columns; ++i) {
                const double v = sqlite3_column_double(st, i);
                sums[size_t(i)] += float(v);
                const QString c = cut5(v);
                rows += c + QString(5 - c.size(), u' ') + QStringLiteral("  ");
                rowsCopy += c + u'\t';
            }
            rows += u'\n';
            rowsCopy += QStringLiteral("\r\n");
        }
        st.finish();
        QString averages;
        for (int i = 8; i < columns; ++i)
            averages += cut5(sums[size_t(i)] / float(n)) + u'\t';
        preview += QStringLiteral("heading\ncaptions\n") + averages + u'\n' + rows + u'\n';
        copy += QStringLiteral("heading\r\ncaptions\r\n") + averages + QStringLiteral("\r\n") + rowsCopy;
    }
    db.close();
    if (preview.isEmpty() || copy.isEmpty())
        std::exit(1);
    return bench::msSince(t);
}

} // namespace

int main(int argc, char** argv) {
    bench::WindowBench run(argc, argv, bench::WindowBench::Dialogs::Real);
    const QString path = run.schoolPath();
    if (!bench::createScoredSchool(run.dir.path(), path))
        return 1;
    state().SubjectCount = int16_t(bench::kSubjects.size());

    QStringList classQueries;
    for (int g = 0; g < 3; ++g)
        for (int c = 1; c <= 60; ++c)
            classQueries << QStringLiteral("select * from 成绩表 where 年级='%1' and 班='%2' order by 总分 desc")
                                .arg(2004 + g)
                                .arg(c, 2, 10, QLatin1Char('0'));
    double rawAll = 1e9, rawGrade = 1e9, all = 1e9, grade = 1e9;
    for (int round = 0; round < 3; ++round) {
        bench::keepBest(rawAll, rawMs(path, classQueries));
        bench::keepBest(rawGrade, rawMs(path, {QString::fromUtf8(kGradeQuery)}));

        auto w = makeMainWindow();
        w->ConnectDataControls();
        QElapsedTimer t;
        t.start();
        w->menuItem(QStringLiteral("MenuPrintCJ"))->trigger();
        auto* preview = w->findChild<Form5*>(QString(), Qt::FindDirectChildrenOnly);
        const QString text = preview->RichTextBox1->text();
        bench::keepBest(all, bench::msSince(t));
        if (text.count(QStringLiteral("全体同学成绩如下:")) != 180) {
            std::fprintf(stderr, "not every class was listed\n");
            return 1;
        }
        preview->close();
        delete preview;

        auto* classes = w->control<QComboBox>(QStringLiteral("Combo9"));
        classes->setCurrentIndex(classes->findText(QStringLiteral("2004级")));
        t.restart();
        preview = Form5::showFor(*w, QString::fromUtf8(kGradeQuery));
        const QString gradeText = preview->RichTextBox1->text();
        bench::keepBest(grade, bench::msSince(t));
        if (gradeText.count(u'\n') < 3360) {
            std::fprintf(stderr, "the grade level was not listed\n");
            return 1;
        }
    }
    const bench::RatioTable table(44, "measurement", "preview ms", true);
    const double allRatio = table.row("every class, 180 blocks", all, rawAll, "<= 5x");
    const double gradeRatio = table.row("a grade level of 3360 handed over", grade, rawGrade, "<= 5x, <= 100 ms");
    const bool met = allRatio <= 5 && gradeRatio <= 5 && grade <= 100;
    std::printf(met ? "goals met\n" : "goal missed\n");
    return met ? 0 : 2;
}
