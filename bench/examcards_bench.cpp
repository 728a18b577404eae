// Measures 刷新 of the card window for 所有考室 in the full layout, for the
// 10,080-student school with numbers built (rooms of 30), offscreen, against
// a baseline in the same run: one raw query ordered by room and seat, and
// the same texts inserted in the same two formats by a bare QTextCursor into
// the document of a plain text editor, which lays it out as the window's box
// does. Goal: at most 2x.

#include "bench/support/bench_school.h"
#include "bench/support/raw_sqlite.h"
#include "bench/support/timing.h"
#include "bench/support/window_bench.h"

#include "common/program_state.h"
#include "common/random_source.h"
#include "common/settings_rows.h"
#include "grades/examno/Form4.h"
#include "grades/examno/core/exam_number_builder.h"
#include "platform/db/recordset.h"
#include "platform/text/number_text.h"
#include "platform/text/values.h"
#include "platform/ui/richtextbox.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QRadioButton>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <cstdio>

namespace {

QString padded(const QString& name) {
    if (name.size() == 2)
        return name + QStringLiteral("  ");
    if (name.size() == 1)
        return name + QStringLiteral("    ");
    return name;
}

QString number(const QString& text) {
    return platform::NumberText(platform::leadingNumber(text), platform::Precision::Single);
}

// The cards of every room by hand: one read, the same texts, two formats.
double baseline(const QString& path, int rooms, QString* text) {
    QElapsedTimer timer;
    timer.start();
    bench::RawDb db(path);
    auto st = db.prepare(QStringLiteral("select 考号,座位,姓名,考室,年级,班 from 成绩表 order by 考室,座位"));
    QTextEdit view;
    QTextDocument& doc = *view.document();
    QTextCursor c(&doc);
    QTextCharFormat title, num;
    title.setFontFamilies({QStringLiteral("宋体")});
    title.setFontPointSize(10);
    num.setFontFamilies({QStringLiteral("宋体")});
    num.setFontPointSize(20);
    const QString school = state().SchoolName, exam = QStringLiteral("2000年第二学年度期未考试");
    const QString line1 = school + exam;
    const QString word = QString(int(platform::roundHalfEven((line1.size() + 2) / 2.0 - 2)), QLatin1Char(' ')) +
                         QStringLiteral("准考证\n");
    QString room;
    int next = 1;
    auto heading = [&](int n) {
        c.insertText(school + exam + QStringLiteral("第") + QString::number(n) +
                         QStringLiteral("考室的所有同学的考号如下:\n\n"),
                     title);
    };
    auto close = [&] { c.insertText(QStringLiteral("\n\n"), title); };
    while (st.next()) {
        const QString r = st.text(3);
        if (r != room) {
            if (!room.isEmpty())
                close();
            room = r;
            next = r.toInt();
            heading(next);
        }
        const QString seat = st.text(1);
        c.insertText(line1 + QLatin1Char('\n') + word + QStringLiteral("考号:"), title);
        c.insertText(st.text(0) + QLatin1Char(' '), num);
        c.insertText(QStringLiteral("姓名:"), title);
        c.insertText(padded(st.text(2)) + QLatin1Char('\n'),
                     num);
        c.insertText(QStringLiteral("考室:") + number(r) + QStringLiteral(" 座位号:") + number(seat) +
                         QStringLiteral("\n班级:  ") +
                         st.text(4) + QStringLiteral("级") +
                         number(st.text(5)) +
                         QStringLiteral("班\n\n"),
                     title);
    }
    if (!room.isEmpty())
        close();
    st.finish();
    db.close();
    QCoreApplication::processEvents();
    const double ms = bench::msSince(timer);
    if (text)
        *text = doc.toPlainText();
    (void)rooms;
    return ms;
}

} // namespace

int main(int argc, char** argv) {
    bench::WindowBench run(argc, argv, bench::WindowBench::Dialogs::Real);
    const QString path = run.schoolPath();
    if (!bench::createSchoolDatabase(run.dir.path(), path, bench::makeSchool()))
        return 1;
    {
        auto db = platform::db::Database::open(path, state().DatabasePassword);
        platform::db::Recordset rows(db, QStringLiteral("状态表"));
        examno::BuildChoices choices;
        choices.method = examno::CrossingMethod::GradeCrossed;
        choices.roomSizeText = QStringLiteral("30");
        ClockRandomSource random(7);
        if (examno::buildExamNumbers(*db, SettingsRows(rows), choices, random, {}) != examno::BuildResult::Completed) {
            std::fprintf(stderr, "the build did not complete\n");
            return 1;
        }
    }

    double best = 1e18, bestRaw = 1e18;
    QString cardsText, rawText;
    for (int round = 0; round < 5; ++round) {
        auto* cards = new Form4(nullptr);
        cards->Option2->setChecked(true);
        cards->Combo2->setEditText(QStringLiteral("所有考室"));
        QElapsedTimer timer;
        timer.start();
        cards->Command5_Click();
        QCoreApplication::processEvents();
        bench::keepBest(best, bench::msSince(timer));
        cardsText = cards->RichTextBox1->text();
        cards->close();
        delete cards;
        bench::keepBest(bestRaw, baseline(path, state().ExamRoomCount, &rawText));
    }
    bench::RatioTable(34, "所有考室, full layout, 10,080", "刷新 ms").row("cards", best, bestRaw);
    std::printf("same text: %s\n", cardsText == rawText ? "yes" : "NO");
    const bool met = best <= 2 * bestRaw;
    std::printf("goal: at most 2x the raw time: %s\n", met ? "met" : "MISSED");
    return met ? 0 : 2;
}
