// Measures the custom print merge and the student check list on the
// benchmarks' school (10,080 students). The merge fills the template
// "<考号> <姓名>:<总分>" and a line break (the name mark bold) for one grade
// level (3,360 records) and for the whole school, opening its source as 预览
// does; the check list is the window's 确定 for 所有班级 with 姓名 and 总分,
// four to a line. Baselines in the same run: prepared SELECTs over the same
// rows and the same text built as one plain string; beside it, for the merge,
// the same runs inserted into a document straight from those rows (what the
// document itself costs). Best of three.
// Goals: the merge at most 5x the plain string, the check list at most 5x raw.

#include "bench/support/bench_school.h"
#include "bench/support/quiet_dialogs.h"
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
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <cstdio>
#include <sqlite3.h>

namespace {

QString text(sqlite3_stmt* st, int i) {
    const auto* p = static_cast<const char16_t*>(sqlite3_column_text16(st, i));
    return p ? QString::fromUtf16(p) : QString();
}

QString number(sqlite3_stmt* st, int i) {
    if (sqlite3_column_type(st, i) == SQLITE_NULL)
        return {};
    return QString::number(sqlite3_column_double(st, i), 'g', 15);
}

int column(sqlite3_stmt* st, const char* name) {
    for (int i = 0; i < sqlite3_column_count(st); ++i)
        if (qstrcmp(sqlite3_column_name(st, i), name) == 0)
            return i;
    return -1;
}

// The file's text columns name a case-blind collation; a plain one stands in.
int collate(void*, int na, const void* a, int nb, const void* b) {
    return QStringView(static_cast<const char16_t*>(a), na / 2)
        .compare(QStringView(static_cast<const char16_t*>(b), nb / 2), Qt::CaseInsensitive);
}

sqlite3* openRaw(const QString& path) {
    sqlite3* h = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &h, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_create_collation_v2(h, "JET", SQLITE_UTF16_ALIGNED, nullptr, collate, nullptr);
    return h;
}

// The merged text of a grade level ("" for the school) as one string.
double rawMerge(const QString& path, const QString& grade, qsizetype& chars) {
    sqlite3* h = openRaw(path);
    QElapsedTimer t;
    t.start();
    sqlite3_stmt* st = nullptr;
    if (grade.isEmpty()) {
        sqlite3_prepare_v2(h, "SELECT * FROM 成绩表", -1, &st, nullptr);
    } else {
        sqlite3_prepare_v2(h, "SELECT * FROM 成绩表 WHERE 年级 = ?", -1, &st, nullptr);
        sqlite3_bind_text16(st, 1, grade.utf16(), int(grade.size() * 2), SQLITE_TRANSIENT);
    }
    const int no = column(st, "考号"), name = column(st, "姓名"), total = column(st, "总分");
    QString out;
    while (sqlite3_step(st) == SQLITE_ROW)
        out += text(st, no) + u' ' + text(st, name) + u':' + number(st, total) + u'\n';
    sqlite3_finalize(st);
    const double ms = t.nsecsElapsed() / 1e6;
    chars = out.size();
    sqlite3_close(h);
    return ms;
}

// The merged document built straight from the rows: the same runs, formats
// and line breaks as the merge makes, no record set and no template.
double rawRichMerge(const QString& path, qsizetype& chars) {
    sqlite3* h = openRaw(path);
    QTextDocument doc;
    doc.setUndoRedoEnabled(false);
    QTextCharFormat plain, bold;
    bold.setFontWeight(QFont::Bold);
    QElapsedTimer t;
    t.start();
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(h, "SELECT * FROM 成绩表", -1, &st, nullptr);
    const int no = column(st, "考号"), name = column(st, "姓名"), total = column(st, "总分");
    QTextCursor c(&doc);
    c.beginEditBlock();
    QString pending;
    while (sqlite3_step(st) == SQLITE_ROW) {
        pending += text(st, no) + u' ';
        c.insertText(pending, plain);
        c.insertText(text(st, name), bold);
        pending = u':' + number(st, total) + u'\n';
    }
    c.insertText(pending, plain);
    c.endEditBlock();
    sqlite3_finalize(st);
    const double ms = t.nsecsElapsed() / 1e6;
    chars = doc.characterCount();
    sqlite3_close(h);
    return ms;
}

double rawCheckList(const QString& path, qsizetype& chars) {
    sqlite3* h = openRaw(path);
    QElapsedTimer t;
    t.start();
    sqlite3_stmt* classes = nullptr;
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(h, "SELECT 年级, 班 FROM 班级表 ORDER BY 年级, 班", -1, &classes, nullptr);
    sqlite3_prepare_v2(h, "SELECT 姓名, 总分 FROM 成绩表 WHERE 年级 = ? AND 班 = ? ORDER BY 学号", -1, &st,
                       nullptr);
    QString out;
    while (sqlite3_step(classes) == SQLITE_ROW) {
        const QString grade = text(classes, 0), cls = text(classes, 1);
        out += QStringLiteral("核对学生姓名\r\n") + grade + QStringLiteral("级") + cls +
               QStringLiteral("班全体同学的情况如下：\r\n\r\n");
        sqlite3_bind_text16(st, 1, grade.utf16(), int(grade.size() * 2), SQLITE_TRANSIENT);
        sqlite3_bind_text16(st, 2, cls.utf16(), int(cls.size() * 2), SQLITE_TRANSIENT);
        int onLine = 0;
        while (sqlite3_step(st) == SQLITE_ROW) {
            const QString name = text(st, 0);
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
    sqlite3_finalize(st);
    sqlite3_finalize(classes);
    const double ms = t.nsecsElapsed() / 1e6;
    chars = out.size();
    sqlite3_close(h);
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
double merge(const QString& entry, qsizetype& chars) {
    platform::db::DataControl source;
    source.setConnectionString(state().connectionText());
    source.setCommandType(8);
    QTextDocument tmpl, out;
    buildTemplate(tmpl);
    QElapsedTimer t;
    t.start();
    source.setRecordSource(results::templateSourceQuery(entry));
    source.refresh();
    results::mergeTemplate(results::TemplateChars(tmpl), *source.recordset(), out);
    const double ms = t.nsecsElapsed() / 1e6;
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
    const double ms = t.nsecsElapsed() / 1e6;
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
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    bench::QuietDialogs quiet;
    platform::setDialogService(&quiet);
    QTemporaryDir dir;
    const QString school = dir.filePath(QStringLiteral("学生成绩库.mdb"));
    if (!bench::createSchoolDatabase(dir.path(), school, bench::makeSchool()))
        return 1;
    state().DatabasePath = school;

    double gradeLayer = 1e300, gradeRaw = 1e300, schoolLayer = 1e300, schoolRaw = 1e300;
    double listLayer = 1e300, listRaw = 1e300, schoolRich = 1e300;
    qsizetype c[7] = {};
    for (int round = 0; round < 3; ++round) {
        gradeLayer = std::min(gradeLayer, merge(QStringLiteral("2005级"), c[0]));
        gradeRaw = std::min(gradeRaw, rawMerge(school, QStringLiteral("2005"), c[1]));
        schoolLayer = std::min(schoolLayer, merge(QStringLiteral("所有班级"), c[2]));
        schoolRaw = std::min(schoolRaw, rawMerge(school, QString(), c[3]));
        schoolRich = std::min(schoolRich, rawRichMerge(school, c[6]));
        listLayer = std::min(listLayer, checkList(c[4]));
        listRaw = std::min(listRaw, rawCheckList(school, c[5]));
    }
    bool ok = report("merge, grade level", gradeLayer, gradeRaw, c[0], c[1], 5);
    ok = report("merge, school", schoolLayer, schoolRaw, c[2], c[3], 5) && ok;
    report("  ... raw document", schoolLayer, schoolRich, c[2], c[6], 0);
    ok = report("check list, 所有班级", listLayer, listRaw, c[4], c[5], 5) && ok;
    platform::setDialogService(nullptr);
    return ok ? 0 : 2;
}
