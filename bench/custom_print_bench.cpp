// Measures the custom print merge and the student check list on the
// benchmarks' school (10,080 students). The merge fills the template
// "<考号> <姓名>:<总分>" and a line break (the name mark bold) for one grade
// level (3,360 records) and for the whole school, opening its source as 预览
// does; the check list is the window's 确定 for 所有班级 with 姓名 and 总分,
// four to a line. Baselines in the same run: prepared SELECTs over the same
// rows and the same text built as one plain string; for the merge, also the
// same runs inserted into a document straight from those rows, which is the
// same work as the merge's without the layer and the template. Best of five.
// Goals: the merge at most 3x the raw document (the plain string is shown
// beside it: a document costs several times a string whatever builds it), the
// check list at most 5x raw.

#include "bench/support/bench_school.h"
#include "bench/support/raw_sqlite.h"
#include "bench/support/timing.h"
#include "bench/support/window_bench.h"
#include "common/program_state.h"
#include "grades/results/core/custom_print.h"
#include "grades/results/print/Form13.h"
#include "platform/db/datacontrol.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/richtextbox.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QListWidget>
#include <QPushButton>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <cstdio>
#include <sqlite3.h>

namespace {

QString number(sqlite3_stmt* st, int i) {
    if (sqlite3_column_type(st, i) == SQLITE_NULL)
        return {};
    return QString::number(sqlite3_column_double(st, i), 'g', 15);
}


// The merged text of a grade level ("" for the school) as one string.
double rawMerge(const QString& path, const QString& grade, qsizetype& chars) {
    // The file's text columns name a case-blind collation; a plain one stands in.
    bench::RawDb h(path, bench::RawDb::Mode::ReadOnly, bench::RawDb::TextOrder::CaseBlind);
    QElapsedTimer t;
    t.start();
    auto st = h.prepare(grade.isEmpty() ? QStringLiteral("SELECT * FROM 成绩表")
                                        : QStringLiteral("SELECT * FROM 成绩表 WHERE 年级 = ?"));
    if (!grade.isEmpty())
        st.bind(1, grade);
    const int no = bench::columnIndex(st, "考号"), name = bench::columnIndex(st, "姓名"),
              total = bench::columnIndex(st, "总分");
    QString out;
    while (st.next())
        out += st.text(no) + u' ' + st.text(name) + u':' + number(st, total) + u'\n';
    st.finish();
    const double ms = bench::msSince(t);
    chars = out.size();
    return ms;
}

// The merged document built straight from the rows: the same runs, formats
// and line breaks as the merge makes, no record set and no template.
double rawRichMerge(const QString& path, const QString& grade, qsizetype& chars) {
    bench::RawDb h(path, bench::RawDb::Mode::ReadOnly, bench::RawDb::TextOrder::CaseBlind);
    QTextDocument doc;
    doc.setUndoRedoEnabled(false);
    QTextCharFormat plain, bold;
    bold.setFontWeight(QFont::Bold);
    QElapsedTimer t;
    t.start();
    auto st = h.prepare(grade.isEmpty() ? QStringLiteral("SELECT * FROM 成绩表")
                                        : QStringLiteral("SELECT * FROM 成绩表 WHERE 年级 = ?"));
    if (!grade.isEmpty())
        st.bind(1, grade);
    const int no = bench::columnIndex(st, "考号"), name = bench::columnIndex(st, "姓名"),
              total = bench::columnIndex(st, "总分");
    QTextCursor c(&doc);
    c.beginEditBlock();
    QString pending;
    while (st.next()) {
        pending += st.text(no) + u' ';
        c.insertText(pending, plain);
        c.insertText(st.text(name), bold);
        pending = u':' + number(st, total) + u'\n';
    }
    c.insertText(pending, plain);
    c.endEditBlock();
    st.finish();
    const double ms = bench::msSince(t);
    chars = doc.characterCount();
    return ms;
}

double rawCheckList(const QString& path, qsizetype& chars) {
    bench::RawDb h(path, bench::RawDb::Mode::ReadOnly, bench::RawDb::TextOrder::CaseBlind);
    QElapsedTimer t;
    t.start();
    auto classes = h.prepare(QStringLiteral("SELECT 年级, 班 FROM 班级表 ORDER BY 年级, 班"));
    auto st = h.prepare(QStringLiteral("SELECT 姓名, 总分 FROM 成绩表 WHERE 年级 = ? AND 班 = ? ORDER BY 学号"));
    QString out;
    while (classes.next()) {
        const QString grade = classes.text(0), cls = classes.text(1);
        out += QStringLiteral("核对学生姓名\r\n") + grade + QStringLiteral("级") + cls +
               QStringLiteral("班全体同学的情况如下：\r\n\r\n");
        st.bind(1, grade);
        st.bind(2, cls);
        int onLine = 0;
        while (st.next()) {
            const QString name = st.text(0);
            out += name + QString(std::max<qsizetype>(0, 6 - 2 * name.size()), u' ') + number(st, 1) +
                   QStringLiteral("    ");
            if (++onLine == 4) {
                onLine = 0;
                out += QStringLiteral("\r\n\r\n");
            }
        }
        sqlite3_reset(st);
        out += QStringLiteral("\r\n\r\n\r\n");
    }
    st.finish();
    classes.finish();
    const double ms = bench::msSince(t);
    chars = out.size();
    return ms;
}

void buildTemplate(QTextDocument& doc) {
    QTextCursor c(&doc);
    QTextCharFormat plain, bold;
    bold.setFontWeight(QFont::Bold);
    c.insertText(QStringLiteral("<考号> "), plain);
    c.insertText(QStringLiteral("<姓名>"), bold);
    c.insertText(QStringLiteral(":<总分>"), plain);
    c.insertBlock();
}

// The preview: the source opened, the template scanned, the copies appended.
// The window keeps its data control, and with it the open file, from one
// preview to the next: so does `source` here.
double merge(platform::db::DataControl& source, const QString& entry, qsizetype& chars) {
    QTextDocument tmpl, out;
    buildTemplate(tmpl);
    QElapsedTimer t;
    t.start();
    source.setRecordSource(results::templateSourceQuery(entry));
    source.refresh();
    results::mergeTemplate(results::TemplateChars(tmpl), *source.recordset(), out);
    const double ms = bench::msSince(t);
    chars = out.characterCount();
    return ms;
}

double checkList(qsizetype& chars) {
    Form13 f(nullptr);
    f.show();
    f.Combo1->setCurrentText(QStringLiteral("所有班级"));
    for (int i = 0; i < f.List1->count(); ++i) {
        const QString name = f.List1->item(i)->text();
        f.List1->item(i)->setSelected(name == QStringLiteral("姓名") || name == QStringLiteral("总分"));
    }
    f.Combo2->setCurrentText(QStringLiteral("4"));
    QElapsedTimer t;
    t.start();
    f.Command1->click();
    const double ms = bench::msSince(t);
    chars = f.RichTextBox1->document()->characterCount();
    return ms;
}

bool report(const char* what, double layer, double raw, qsizetype layerChars, qsizetype rawChars, double goal) {
    const double ratio = layer / raw;
    const bool met = goal <= 0 || ratio <= goal;
    std::printf("%-26s layer %8.1f ms   raw %8.1f ms   ratio %5.2f", what, layer, raw, ratio);
    if (goal > 0)
        std::printf(" (goal <= %g: %s)", goal, met ? "met" : "MISSED");
    std::printf("   chars %lld / %lld\n", static_cast<long long>(layerChars), static_cast<long long>(rawChars));
    return met;
}

} // namespace

int main(int argc, char** argv) {
    bench::WindowBench run(argc, argv);
    const QString school = run.schoolPath();
    if (!bench::createSchoolDatabase(run.dir.path(), school, bench::makeSchool()))
        return 1;
    state().DatabasePath = school;

    double gradeLayer = 1e300, gradeRaw = 1e300, gradeRich = 1e300, schoolLayer = 1e300, schoolRaw = 1e300;
    double schoolRich = 1e300, listLayer = 1e300, listRaw = 1e300;
    qsizetype c[8] = {};
    platform::db::DataControl source;
    source.setConnectionString(state().connectionText());
    source.setCommandType(8);
    for (int round = 0; round < 5; ++round) {
        bench::keepBest(gradeLayer, merge(source, QStringLiteral("2005级"), c[0]));
        bench::keepBest(gradeRaw, rawMerge(school, QStringLiteral("2005"), c[1]));
        bench::keepBest(gradeRich, rawRichMerge(school, QStringLiteral("2005"), c[7]));
        bench::keepBest(schoolLayer, merge(source, QStringLiteral("所有班级"), c[2]));
        bench::keepBest(schoolRaw, rawMerge(school, QString(), c[3]));
        bench::keepBest(schoolRich, rawRichMerge(school, QString(), c[6]));
        bench::keepBest(listLayer, checkList(c[4]));
        bench::keepBest(listRaw, rawCheckList(school, c[5]));
    }
    bool ok = report("merge, grade level", gradeLayer, gradeRich, c[0], c[7], 3);
    report("  ... plain string", gradeLayer, gradeRaw, c[0], c[1], 0);
    ok = report("merge, school", schoolLayer, schoolRich, c[2], c[6], 3) && ok;
    report("  ... plain string", schoolLayer, schoolRaw, c[2], c[3], 0);
    ok = report("check list, 所有班级", listLayer, listRaw, c[4], c[5], 5) && ok;
    return ok ? 0 : 2;
}
