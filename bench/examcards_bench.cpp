// Measures 刷新 of the card window for 所有考室 in the full layout, for the
// 10,080-student school with numbers built (rooms of 30), offscreen, against
// a baseline in the same run: one raw query ordered by room and seat, and
// the same texts inserted in the same two formats by a bare QTextCursor into
// a QTextDocument without a view. Goal: at most 2x.

#include "bench_school.h"
#include "support/bench_school.h"

#include "common/program_state.h"
#include "common/random_source.h"
#include "common/settings_rows.h"
#include "grades/examno/Form4.h"
#include "grades/examno/core/exam_number_builder.h"
#include "platform/db/recordset.h"
#include "platform/text/number_text.h"
#include "platform/text/values.h"
#include "platform/ui/richtextbox.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextDocument>
#include <cstdio>
#include <sqlite3.h>

namespace {

QString utf16(const void* p, int bytes) {
    return p ? QString::fromUtf16(static_cast<const char16_t*>(p), bytes / 2) : QString();
}

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
    sqlite3* db = benchschool::openRaw(path);
    sqlite3_stmt* st = nullptr;
    benchschool::check(
        sqlite3_prepare16_v2(db, u"select 考号,座位,姓名,考室,年级,班 from 成绩表 order by 考室,座位", -1, &st, nullptr),
        db);
    QTextDocument doc;
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
    while (sqlite3_step(st) == SQLITE_ROW) {
        const QString r = utf16(sqlite3_column_text16(st, 3), sqlite3_column_bytes16(st, 3));
        if (r != room) {
            if (!room.isEmpty())
                close();
            room = r;
            next = r.toInt();
            heading(next);
        }
        const QString seat = utf16(sqlite3_column_text16(st, 1), sqlite3_column_bytes16(st, 1));
        c.insertText(line1 + QLatin1Char('\n') + word + QStringLiteral("考号:"), title);
        c.insertText(utf16(sqlite3_column_text16(st, 0), sqlite3_column_bytes16(st, 0)) + QLatin1Char(' '), num);
        c.insertText(QStringLiteral("姓名:"), title);
        c.insertText(padded(utf16(sqlite3_column_text16(st, 2), sqlite3_column_bytes16(st, 2))) + QLatin1Char('\n'),
                     num);
        c.insertText(QStringLiteral("考室:") + number(r) + QStringLiteral(" 座位号:") + number(seat) +
                         QStringLiteral("\n班级:  ") +
                         utf16(sqlite3_column_text16(st, 4), sqlite3_column_bytes16(st, 4)) + QStringLiteral("级") +
                         number(utf16(sqlite3_column_text16(st, 5), sqlite3_column_bytes16(st, 5))) +
                         QStringLiteral("班\n\n"),
                     title);
    }
    if (!room.isEmpty())
        close();
    sqlite3_finalize(st);
    sqlite3_close_v2(db);
    const double ms = timer.nsecsElapsed() / 1e6;
    if (text)
        *text = doc.toPlainText();
    (void)rooms;
    return ms;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("学生成绩库.mdb"));
    if (!bench::createSchoolDatabase(dir.path(), path, bench::makeSchool()))
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
    for (int round = 0; round < 3; ++round) {
        auto* cards = new Form4(nullptr);
        cards->Option2->setChecked(true);
        cards->Combo2->setEditText(QStringLiteral("所有考室"));
        QElapsedTimer timer;
        timer.start();
        cards->Command5_Click();
        QCoreApplication::processEvents();
        best = std::min(best, timer.nsecsElapsed() / 1e6);
        cardsText = cards->RichTextBox1->text();
        cards->close();
        delete cards;
        bestRaw = std::min(bestRaw, baseline(path, state().ExamRoomCount, &rawText));
    }
    std::printf("%-34s %10s %10s %8s\n", "所有考室, full layout, 10,080", "刷新 ms", "raw ms", "ratio");
    std::printf("%-30s %10.1f %10.1f %8.2f\n", "cards", best, bestRaw, best / bestRaw);
    std::printf("same text: %s\n", cardsText == rawText ? "yes" : "NO");
    std::printf("goal: at most 2x the raw time: %s\n", best <= 2 * bestRaw ? "met" : "NOT met");
    return 0;
}
