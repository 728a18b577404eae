// The teacher assessment view on the real main window, with teachers written
// straight into 教师表 as a calculation would have left them.
#include "grades/app/main_window.h"
#include "grades/frame/Form2.h"
#include "grades/results/teachers/TeacherScorePanel.h"

#include "common/program_state.h"
#include "grades/results/core/teacher_assessment.h"
#include "common/settings_rows.h"
#include "platform/db/datacontrol.h"
#include "platform/db/recordset.h"
#include "platform/ui/twips.h"
#include "results_school.h"
#include "support/dialog_double.h"
#include "support/printed_pdf.h"
#include "support/test_files.h"

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <gtest/gtest.h>

using platform::db::Database;

namespace {

struct View : ResultsSchool {
    View() : ResultsSchool({"语文", "数学", "英语"}) {}

    TeacherScorePanel& panel() { return dynamic_cast<TeacherScorePanel&>(*w.panel(7)); }
    Database& db() { return *school.db(); }
    QListWidget* list(const char* name) { return c<QListWidget>(name); }
    QComboBox* Combo11() { return c<QComboBox>("Combo11"); }
    QPushButton* Com74() { return c<QPushButton>("Com74"); }
    QString name() { return c<QLabel>("Lab71")->text(); }
    QString score() { return c<QLabel>("Label7")->text(); }
    QString report() { return c<QPlainTextEdit>("Text8")->toPlainText(); }
    platform::db::DataControl& Ad71() { return w.anyDataControl("Ad71"); }
    platform::db::Recordset& teachers() { return *Ad71().recordset(); }

    void teacher(const QStringList& fields, const QVariantList& values) { db().insertRow("教师表", fields, values); }
    void student(const QString& id, const QString& cls, const QString& name, const QVariant& chinese) {
        db().insertRow("成绩表", {"STID", "年级", "班", "姓名", "语文"}, {id, "2004", cls, name, chinese});
    }
    void pick(const QString& text) {
        Combo11()->setEditText(text);
        panel().Combo11_Click();
    }
    QStringList items(const char* list) {
        QStringList out;
        for (int i = 0; i < this->list(list)->count(); ++i) out << this->list(list)->item(i)->text();
        return out;
    }
    QString dump() {
        QString out;
        for (const char* table : {"教师表", "成绩表", "状态表"})
            for (const QVariantList& row : db().query(QStringLiteral("select * from ") + table))
                for (const QVariant& v : row) out += v.toString() + u'|';
        return out;
    }
};

// Three teachers: 甲乙 with figures and two classes of 语文, 丙 without a
// calculation and with slots 1 and 3, and 甲乙 again.
void threeTeachers(View& v) {
    v.teacher({"姓名", "考绩分", "任课班数", "学生总数", "差生人数", "及格人数", "优生人数", "总分", "平均分",
               "最高分", "最低分", "任课班级1", "科目1", "任课班级2", "科目2"},
              {"甲乙", 85.66667, 2, 120, 5, 100, 30, 943.5, 78.53333, 98, 12, "2004级01班", "语文", "2004级02班",
               "语文"});
    v.teacher({"姓名", "任课班级1", "科目1", "任课班级3", "科目3"}, {"丙", "2004级01班", "数学", "2004级02班", "英语"});
    v.teacher({"姓名", "考绩分"}, {"甲乙", 70});
}

} // namespace

TEST(TeacherScorePanel, WithoutTeachersTheHomePanelStaysSilently) {
    View v;
    DialogDouble dialogs;
    v.Combo11()->addItems({"旧的"});
    v.w.Command7_Click();
    EXPECT_EQ(v.w.visiblePanel(), 0);
    EXPECT_TRUE(dialogs.shown().empty());
    EXPECT_EQ(v.Combo11()->count(), 1);
}

TEST(TeacherScorePanel, OpensOnTheFirstTeacherWithHisFigures) {
    View v;
    threeTeachers(v);
    v.w.setSettingsValue(int(Setting::AssessmentScoreTable), "相对成绩表");
    v.w.Command7_Click();
    EXPECT_EQ(v.w.visiblePanel(), 7);
    EXPECT_EQ(state().CurrentScoreTable, QStringLiteral("相对成绩表"));
    EXPECT_EQ(v.items("List2"), (QStringList{"2004级01班 语文", "2004级02班 语文"}));
    EXPECT_EQ(v.name(), QStringLiteral("甲乙"));
    EXPECT_EQ(v.score(), QStringLiteral("85.67分"));
    EXPECT_EQ(v.Ad71().caption(), QStringLiteral("1/3"));
    EXPECT_EQ(v.Combo11()->currentText(), QStringLiteral("甲乙"));
    QStringList names;
    for (int i = 0; i < v.Combo11()->count(); ++i) names << v.Combo11()->itemText(i);
    EXPECT_EQ(names, (QStringList{"甲乙", "丙", "甲乙"}));
    EXPECT_TRUE(v.report().startsWith(QStringLiteral("考绩分:  85.66\n\n本期情况:\n")));
    EXPECT_EQ(v.c<QPlainTextEdit>("Text8")->lineWrapMode(), QPlainTextEdit::NoWrap);
    EXPECT_EQ(v.list("List2")->geometry().bottom() + 1,
              v.Com74()->y() - platform::twipsToPixels(100));

    v.teachers().moveNext();   // no calculation: name, label and slots, no report
    EXPECT_EQ(v.name(), QStringLiteral("丙"));
    EXPECT_EQ(v.score(), QStringLiteral("0.分"));
    EXPECT_EQ(v.report(), QString());
    EXPECT_EQ(v.items("List2"), (QStringList{"2004级01班 数学", "2004级02班 英语"}));
    EXPECT_EQ(v.Ad71().caption(), QStringLiteral("2/3"));
}

TEST(TeacherScorePanel, AScoreTableRowOfAnyOtherValueReadsAsTheScoreTable) {
    for (const char* stored : {"教师表", "成绩表; drop table 教师表"}) {
        View v;
        threeTeachers(v);
        v.w.setSettingsValue(int(Setting::AssessmentScoreTable), QString::fromUtf8(stored));
        v.w.Command7_Click();
        EXPECT_EQ(state().CurrentScoreTable, QStringLiteral("成绩表")) << stored;
    }
    View v;   // no row 26 at all
    threeTeachers(v);
    v.db().execute("delete from 状态表 where rowid >= (select rowid from 状态表 limit 1 offset 25)");
    v.window->ConnectDataControls();
    v.w.Command7_Click();
    EXPECT_EQ(v.w.visiblePanel(), 7);
    EXPECT_EQ(state().CurrentScoreTable, QStringLiteral("成绩表"));
}

TEST(TeacherScorePanel, ChoosingByNameFindsTheFirstOrStays) {
    View v;
    threeTeachers(v);
    v.w.Command7_Click();
    v.teachers().moveLast();
    EXPECT_EQ(v.score(), QStringLiteral("70.分"));
    v.pick("  甲乙 ");
    EXPECT_EQ(v.Ad71().caption(), QStringLiteral("1/3"));
    v.pick("丙");
    EXPECT_EQ(v.name(), QStringLiteral("丙"));
    for (const char* typed : {"无人", "丙' or '1'='1", ""}) {
        v.pick(QString::fromUtf8(typed));
        EXPECT_EQ(v.Ad71().caption(), QStringLiteral("2/3")) << typed;
        EXPECT_EQ(v.name(), QStringLiteral("丙"));
    }
}

TEST(TeacherScorePanel, OverallScoresWalkAllAndComeBack) {
    View v;
    v.teacher({"姓名", "考绩分"}, {"甲", 80});
    v.teacher({"姓名"}, {"乙"});
    v.teacher({"姓名", "考绩分"}, {"丙", 70});
    v.w.Command7_Click();
    v.teachers().moveNext();
    DialogDouble dialogs;
    dialogs.answerMessage(platform::MsgResult::Ok, "考绩分共有:150 分\n\n考绩分的平均分为:50 分");
    v.c<QPushButton>("Com71")->click();
    EXPECT_EQ(dialogs.lastTitle(), QStringLiteral("考绩分的总体情况"));
    EXPECT_EQ(v.name(), QStringLiteral("乙"));
    EXPECT_EQ(v.Ad71().caption(), QStringLiteral("2/3"));
}

TEST(TeacherScorePanel, PrintoutGoesToTheDefaultPrinterAndComesBack) {
    View v;
    threeTeachers(v);
    v.w.Command7_Click();
    v.teachers().moveNext();
    v.w.setWindowTitle("测试中学VantalooOrbisca");
    const QString pdf = v.school.folder() + "/teachers.pdf";
    {
        DialogDouble dialogs;
        dialogs.printToPdf(pdf);
        v.c<QPushButton>("Com72")->click();
        ASSERT_EQ(dialogs.shown().size(), 1u);
        EXPECT_EQ(dialogs.shown().back().kind, QStringLiteral("default printer"));
    }
    QFile file(pdf);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromLatin1(file.readAll()).count(QRegularExpression("/Type\\s*/Page[^s]")), 1);
    const QStringList lines = printedLayoutText(pdf).split(u'\n');
    ASSERT_GE(lines.size(), 7);
    EXPECT_TRUE(lines[0].startsWith("甲乙 考绩分:85.66及格率: 83.3%")) << lines[0].toStdString();
    EXPECT_TRUE(lines[1].contains("2004级01班 语文 2004级02班 语文")) << lines[1].toStdString();
    EXPECT_EQ(lines[2].trimmed(), QString());
    EXPECT_TRUE(lines[3].startsWith("丙 考绩分:")) << lines[3].toStdString();
    EXPECT_TRUE(lines[6].startsWith("甲乙 考绩分:70")) << lines[6].toStdString();
    EXPECT_EQ(v.name(), QStringLiteral("丙"));
    EXPECT_EQ(printedTitle(pdf), "测试中学VantalooOrbisca");
    {
        DialogDouble refused;
        refused.printToPdf(pdf).queueRefuses().answerMessage(platform::MsgResult::Ok, "打印没有完成,请检查打印机.");
        v.c<QPushButton>("Com72")->click();
        EXPECT_EQ(refused.lastTitle(), "无法打印");
    }

    DialogDouble none;
    none.noPrinterInstalled().answerMessage();
    v.c<QPushButton>("Com72")->click();
    EXPECT_EQ(none.shown().back().kind, QStringLiteral("message"));
    EXPECT_EQ(v.Ad71().caption(), QStringLiteral("2/3"));
}

TEST(TeacherScorePanel, ClassListsBestFirstAndBackOnAMove) {
    View v;
    threeTeachers(v);
    // Slot 3 of 甲乙 names no subject column, slot 4 has no subject at all.
    v.db().execute("update 教师表 set 任课班级3='2004级01班', 科目3='总分', 任课班级4='2004级02班' "
                   "where 考绩分 > 80");
    v.student("20040001", "01", "甲乙", 85.5);
    v.student("20040002", "01", "张三丰", 85.66667);
    v.student("20040003", "01", "王", QVariant());
    v.student("20040004", "01", "李四", 90);
    v.student("20040005", "02", "赵", 60);
    v.student("20050001", "01", "外", 99);   // another grade's class 01
    v.db().execute("update 成绩表 set 年级='2005' where STID='20050001'");
    const QString before = v.dump();
    v.w.Command7_Click();
    v.Com74()->click();
    EXPECT_EQ(v.Com74()->text(), QStringLiteral("班级"));
    EXPECT_FALSE(v.list("List3")->isHidden());
    EXPECT_TRUE(v.list("List2")->isHidden());
    EXPECT_EQ(v.items("List3"),
              (QStringList{"2004级01班 语文(4人)", "李四   90   ", "张三丰 85.66", "甲乙   85.5 ", "王          ", " ",
                           "2004级02班 语文(1人)", "赵     60   ", " ",
                           "2004级01班 总分", "  没有这个科目的成绩", " ",
                           "2004级02班 ", "  没有这个科目的成绩", " "}));
    EXPECT_EQ(v.w.CurrentGradeId, QStringLiteral("2004"));
    EXPECT_EQ(v.w.CurrentClassId, QStringLiteral("02"));
    EXPECT_FALSE(v.w.anyDataControl("Adodc1").recordSource().isEmpty());

    v.Com74()->click();   // back to the assignments
    EXPECT_EQ(v.Com74()->text(), QStringLiteral("学生"));
    EXPECT_TRUE(v.list("List3")->isHidden());
    v.Com74()->click();   // built afresh
    EXPECT_EQ(v.list("List3")->count(), 15);
    v.teachers().moveNext();
    EXPECT_EQ(v.Com74()->text(), QStringLiteral("学生"));
    EXPECT_FALSE(v.list("List2")->isHidden());
    EXPECT_TRUE(v.list("List3")->isHidden());
    EXPECT_EQ(v.items("List2").first(), QStringLiteral("2004级01班 数学"));
    EXPECT_EQ(v.dump(), before);
}

TEST(TeacherScorePanel, EveryLineOfThePrintoutIsOnePrintedLine) {
    View v;
    // Class labels of a later year: a teacher of 8 classes and one of all 20
    // slots, beside the usual three.
    for (const int classes : {8, 20}) {
        QStringList fields{"姓名", "考绩分", "任课班数", "学生总数", "及格人数", "优生人数"};
        QVariantList values{classes == 8 ? "严帅华" : "武霞宇", 81.5, classes, classes * 40, classes * 30, classes * 9};
        for (int n = 1; n <= classes; ++n) {
            fields << QStringLiteral("任课班级%1").arg(n) << QStringLiteral("科目%1").arg(n);
            values << QStringLiteral("2025级%1班").arg(n, 2, 10, QLatin1Char('0')) << (n % 2 ? "语文" : "数学");
        }
        v.teacher(fields, values);
    }
    threeTeachers(v);
    v.w.Command7_Click();
    QString blocks;
    for (v.teachers().moveFirst(); !v.teachers().eof(); v.teachers().moveNext())
        blocks += results::printoutBlock(results::TeacherRecord::current(v.teachers())) + u'\n';
    v.teachers().moveFirst();

    const QString pdf = v.school.folder() + "/teachers.pdf";
    {
        DialogDouble dialogs;
        dialogs.printToPdf(pdf);
        v.c<QPushButton>("Com72")->click();
    }
    const auto pages = printedPages(pdf);
    ASSERT_FALSE(pages.empty());
    for (const PrintedPage& page : pages) {
        EXPECT_FALSE(page.words.empty());
        EXPECT_LT(page.inked().right(), page.size.width() - 10);
    }
    const QStringList printed = printedLines(pages);
    EXPECT_EQ(printed, linesAsPrinted(blocks));
    EXPECT_TRUE(printed.contains("2025级01班 语文 2025级02班 数学 2025级03班 语文 2025级04班 数学 "
                                 "2025级05班 语文 2025级06班 数学 2025级07班 语文 2025级08班 数学"));
}
