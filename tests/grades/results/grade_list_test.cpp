// The grade-list preview and the results view's export and print buttons, in
// the main window on a small school, printing to PDF through the dialog double.

#include "common/program_state.h"
#include "grades/app/main_window.h"
#include "grades/frame/Form2.h"
#include "grades/results/print/Form5.h"
#include "grades/results/view/ResultsPanel.h"
#include "platform/db/datacontrol.h"
#include "platform/db/recordset.h"
#include "platform/text/gbk.h"
#include "platform/ui/richtextbox.h"
#include "support/dialog_double.h"
#include "results_school.h"
#include "support/printed_pdf.h"
#include "support/test_files.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

using platform::MsgResult;

namespace {

// Three classes, the last without students; marks 80/Null/70 in 语文 in 01.
struct GradeListSchool : ResultsSchool {
    ResultsPanel& panel = dynamic_cast<ResultsPanel&>(*w.panel(6));
    GradeListSchool() : ResultsSchool({"语文", "数学"}, {"2004"}, {"2004级01班", "2004级02班", "2004级03班"}) {
        add("20040001", "01", "张三", "001", 256, 80, 176);
        add("20040002", "01", "李四", "001", 100, {}, 100);
        add("20040003", "01", "王五", "002", 150, 70, 80);
        add("20040004", "02", "赵六", "002", 120, 60, 60);
        w.setSettingsValue(7, "2");
    }
    void add(const QString& stid, const QString& cls, const QString& name, const QString& room, double total,
             QVariant chinese, QVariant maths) {
        school.db()->insertRow("成绩表", {"STID", "年级", "班", "姓名", "考号", "考室", "总分", "平均分", "语文", "数学"},
                               {stid, "2004", cls, name, stid.right(3), room, total, total / 2, chinese, maths});
    }
    Form5* preview() { return w.findChild<Form5*>(QString(), Qt::FindDirectChildrenOnly); }
    QStringList headings() {
        QStringList out;
        for (const QString& line : preview()->RichTextBox1->text().split('\n'))
            if (line.endsWith("全体同学成绩如下:"))
                out << line;
        return out;
    }
};

} // namespace

TEST(GradeList, MenuCommandListsEveryClassAfterARoomWasChosen) {
    GradeListSchool s;
    s.w.Command6_Click();
    s.pick("Combo10", "1考室");
    const QString viewQuery = s.panel.ViewQuery;
    state().CurrentScoreTable = "绝对成绩表";
    s.w.menuItem("MenuPrintCJ")->trigger();
    ASSERT_NE(s.preview(), nullptr);
    EXPECT_EQ(s.preview()->windowTitle(), "打印成绩预览");
    EXPECT_EQ(state().CurrentScoreTable, "成绩表");
    EXPECT_EQ(s.c<QComboBox>("Combo9")->currentText(), "所有班级");
    EXPECT_EQ(s.c<QComboBox>("Combo9")->itemText(0), "2004级");
    EXPECT_EQ(s.c<QComboBox>("Combo10")->currentText(), "");
    EXPECT_EQ(s.w.visiblePanel(), 6);
    EXPECT_EQ(s.panel.ViewQuery, viewQuery);   // the view was not rebuilt
    // The empty class gives no block and no extra line.
    EXPECT_EQ(s.headings(), QStringList({"2004级01班全体同学成绩如下:", "2004级02班全体同学成绩如下:"}));
    const QString text = s.preview()->RichTextBox1->text();
    EXPECT_TRUE(text.contains("  \n\n2004级02班全体同学成绩如下:\n"));
    EXPECT_FALSE(text.endsWith("\n\n"));
    // 80, empty and 70: an average of 50.
    EXPECT_TRUE(s.preview()->Text1.contains("全班\t平均\t168.6\t84.33\t50\t118.6\t\r\n"));

    // Shown again: brought to the front, nothing rebuilt.
    s.school.db()->execute("delete from 成绩表 where 班='02'");
    s.w.menuItem("MenuPrintCJ")->trigger();
    EXPECT_EQ(s.headings().size(), 2);
    // 只打印前 rebuilds every class from the table.
    Form5& f = *s.preview();
    f.Combo1->setCurrentIndex(f.Combo1->findText("1"));
    emit f.Combo1->activated(f.Combo1->currentIndex());
    EXPECT_EQ(s.headings(), QStringList({"2004级01班全体同学成绩如下:"}));
    EXPECT_EQ(f.Text1.count("\r\n"), 4);   // heading, captions, averages, one student
}

namespace {

struct TypedCount {
    const char* typed;
    QStringList firstClass;   // 01's students as listed
};

class GradeListCount : public ::testing::TestWithParam<TypedCount> {};

} // namespace

// Enter in the count box rebuilds with whatever was typed, one of the entries
// or not: its leading number, a half going to the even neighbour. The keys go
// where a person's keys go, to the box that has the focus.
TEST_P(GradeListCount, EnterRebuildsWithTheTypedCount) {
    const TypedCount c = GetParam();
    GradeListSchool s;
    s.w.menuItem("MenuPrintCJ")->trigger();
    Form5& f = *s.preview();
    f.Combo1->setCurrentIndex(f.Combo1->findText("1"));
    emit f.Combo1->activated(f.Combo1->currentIndex());
    f.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
    f.Combo1->setFocus();
    QWidget* focus = QApplication::focusWidget();
    ASSERT_NE(focus, nullptr);
    QTest::keyClick(focus, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(focus, Qt::Key_Delete);
    QTest::keyClicks(focus, c.typed);
    QTest::keyClick(focus, Qt::Key_Return);
    EXPECT_EQ(f.Combo1->currentText(), c.typed);
    // The copy's student lines of the first block, by name.
    QStringList listed;
    for (const QString& line : f.Text1.split("\r\n")) {
        if (line.isEmpty())
            break;
        const QString name = line.section('\t', 1, 1);
        if (line.contains('\t') && name != "姓名" && name != "平均")
            listed << name;
    }
    EXPECT_EQ(listed, c.firstClass);
    EXPECT_EQ(s.headings().size(), 2);
}

// 张三 256, 王五 150, 李四 100 in 01.
INSTANTIATE_TEST_SUITE_P(
    Typed, GradeListCount,
    ::testing::Values(TypedCount{"2", {"张三", "王五"}}, TypedCount{"2.5", {"张三", "王五"}},
                      TypedCount{"3.5", {"张三", "王五", "李四"}}, TypedCount{"-1.5", {"李四", "王五"}},
                      TypedCount{"abc", {"张三", "王五", "李四"}}, TypedCount{"99999", {"张三", "王五", "李四"}},
                      TypedCount{"-99999", {"李四", "王五", "张三"}}, TypedCount{"", {"张三", "王五", "李四"}}),
    [](const auto& info) { return "case" + std::to_string(info.index); });

// An entry's text typed and left in the box: the main window going away with
// the preview open rebuilds nothing (the box chooses the entry as it loses
// the focus, after the results view is gone).
TEST(GradeList, ATypedCountLeftInTheBoxWhenTheMainWindowGoes) {
    GradeListSchool s;
    s.w.menuItem("MenuPrintCJ")->trigger();
    Form5& f = *s.preview();
    f.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
    f.Combo1->setFocus();
    QWidget* focus = QApplication::focusWidget();
    QTest::keyClick(focus, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(focus, "3");
    EXPECT_EQ(f.Combo1->currentText(), "3");
    s.window.reset();
}

TEST(GradeList, PrintButtonOnTheGridPageHandsOverTheView) {
    GradeListSchool s;
    s.w.Command6_Click();
    s.c<QRadioButton>("Option8_1")->click();
    // After a name search the search query is handed over.
    s.c<QLineEdit>("Te61")->setText("王五");
    int16_t enter = 13;
    s.panel.Te61_KeyPress(enter);
    s.c<QPushButton>("Com62")->click();
    ASSERT_NE(s.preview(), nullptr);
    EXPECT_TRUE(s.preview()->Text1.contains("王五"));
    EXPECT_FALSE(s.preview()->Text1.contains("张三"));
    // A grade level was chosen: one block with the class column.
    EXPECT_EQ(s.headings(), QStringList({"2004级全体同学成绩如下:"}));
    EXPECT_TRUE(s.preview()->Text1.contains("\t班级\r\n"));
    EXPECT_TRUE(s.preview()->Text1.endsWith("\t01\r\n"));
    s.preview()->close();

    // Every room.
    s.pick("Combo10", "所有考室");
    QApplication::processEvents();
    s.c<QPushButton>("Com62")->click();
    ASSERT_NE(s.preview(), nullptr);
    EXPECT_EQ(s.headings(), QStringList({"1考室全体同学成绩如下:", "2考室全体同学成绩如下:"}));
    EXPECT_EQ(s.c<QComboBox>("Combo10")->currentText(), "所有考室");
}

TEST(GradeList, SaveAsRichOrTabText) {
    GradeListSchool s;
    s.w.menuItem("MenuPrintCJ")->trigger();
    Form5& f = *s.preview();
    const QByteArray copy = platform::toGbk(f.Text1);
    ASSERT_TRUE(copy.endsWith("\r\n"));
    DialogDouble d;
    for (const char* name : {"成绩.RTF", "成绩.rtf"}) {
        d.chooseFile(s.path(name));
        f.Command1_Click();
        EXPECT_TRUE(testsupport::readFileBytes(s.path(name)).startsWith("{\\rtf")) << name;
        platform::RichTextBox back;
        back.loadFile(s.path(name));
        EXPECT_EQ(back.text(), f.RichTextBox1->text()) << name;
    }
    EXPECT_EQ(d.shown().back().file.fileName, s.path("成绩.RTF"));   // starts from the last name
    for (const char* name : {"成绩.xls", "成绩.txt", "成绩"}) {
        d.chooseFile(s.path(name));
        f.Command1_Click();
        EXPECT_EQ(testsupport::readFileBytes(s.path(name)), copy) << name;
    }
    // An existing file: the question; No keeps it.
    testsupport::writeFileBytes(s.path("旧.txt"), "old");
    d.chooseFile(s.path("旧.txt")).answerMessage(MsgResult::No);
    f.Command1_Click();
    EXPECT_EQ(d.lastTitle(), "保存文件");
    EXPECT_EQ(d.lastMessage(), "文件" + s.path("旧.txt") + "已经存在,是否将其覆盖?");
    EXPECT_EQ(testsupport::readFileBytes(s.path("旧.txt")), "old");
    // Cancel after an earlier save writes nothing.
    QFile::remove(s.path("成绩.xls"));
    d.cancelDialog();
    f.Command1_Click();
    EXPECT_FALSE(QFile::exists(s.path("成绩.xls")));
    // A character GBK cannot hold: our message, the old file as it was.
    f.Text1 += QString::fromUtf8("\xF0\x9F\x98\x80");
    d.chooseFile(s.path("旧.txt")).answerMessage(MsgResult::Yes).answerMessage(MsgResult::Ok);
    f.Command1_Click();
    EXPECT_EQ(d.lastTitle(), "失败");
    EXPECT_EQ(testsupport::readFileBytes(s.path("旧.txt")), "old");
    // It names the character, its code and its line, never the whole list.
    const int lines = int(f.Text1.count(u'\n')) + 1;
    EXPECT_TRUE(d.lastMessage().startsWith(QStringLiteral("第%1行").arg(lines))) << d.lastMessage().toStdString();
    EXPECT_TRUE(d.lastMessage().contains(QString::fromUtf8("“\xF0\x9F\x98\x80”(U+1F600)")));
    EXPECT_LT(d.lastMessage().size(), 120);
}

TEST(GradeList, PrintTheSelectionOrNothingOnCancel) {
    GradeListSchool s;
    s.w.menuItem("MenuPrintCJ")->trigger();
    Form5& f = *s.preview();
    DialogDouble d;
    const QString pdf = s.path("list.pdf");
    d.printToPdf(pdf).cancelDialog();
    f.Command2_Click();
    EXPECT_FALSE(QFile::exists(pdf));
    f.RichTextBox1->setSelection(0, 10);
    d.acceptPrinter(platform::PrintRange::Selection);
    f.Command2_Click();
    EXPECT_TRUE(d.shown().back().selectionOffered);
    EXPECT_EQ(printedLayoutText(pdf).trimmed(), "2004级01班全体");
    // A printer that cannot start: passed over silently.
    DialogDouble broken;
    broken.printToPdf(s.path("无此文件夹/list.pdf")).acceptPrinter();
    f.Command2_Click();
    EXPECT_TRUE(broken.messages().isEmpty());
}

TEST(GradeList, PrintedUnderTheWindowsCaptionAndSilentOnARefusingQueue) {
    GradeListSchool s;
    s.w.menuItem("MenuPrintCJ")->trigger();
    Form5& f = *s.preview();
    const QString pdf = s.path("list.pdf");
    {
        DialogDouble d;
        d.printToPdf(pdf).acceptPrinter();
        f.Command2_Click();
    }
    EXPECT_EQ(printedTitle(pdf), "打印成绩预览");
    // Printing through the dialog says nothing of a failure.
    DialogDouble refused;
    refused.printToPdf(pdf).acceptPrinter().queueRefuses(DialogDouble::Refusal::OnHandOver);
    f.Command2_Click();
    EXPECT_TRUE(refused.messages().isEmpty());
}

TEST(ResultsButtons, APrintTheQueueRefusesIsToldAndTheJobBearsTheWindowsCaption) {
    GradeListSchool s;
    s.w.Command6_Click();
    s.pick("Combo9", "2004级01班");
    s.pick("Combo12", "总分");
    s.c<QRadioButton>("Option8_2")->click();
    s.w.setWindowTitle("测试中学VantalooOrbisca");
    const QString pdf = s.path("page.pdf");
    {
        DialogDouble d;
        d.printToPdf(pdf);
        s.c<QPushButton>("Com62")->click();
    }
    EXPECT_EQ(printedTitle(pdf), "测试中学VantalooOrbisca");
    using Refusal = DialogDouble::Refusal;
    for (const Refusal when : {Refusal::AtStart, Refusal::OnHandOver}) {
        DialogDouble d;
        d.printToPdf(pdf).queueRefuses(when).answerMessage(MsgResult::Ok, "打印没有完成,请检查打印机.");
        s.c<QPushButton>("Com62")->click();
        EXPECT_EQ(d.lastTitle(), "无法打印");
    }
}

TEST(ResultsButtons, ExportTheListingOrTheRetiredSpreadsheet) {
    GradeListSchool s;
    s.w.Command6_Click();
    s.pick("Combo9", "2004级01班");
    s.pick("Combo12", "总分");
    s.c<QRadioButton>("Option8_2")->click();
    const QString listing = s.c<QPlainTextEdit>("Text2")->toPlainText().replace("\n", "\r\n");
    DialogDouble d;
    const QString txt = s.path("单科.txt");
    d.chooseFile(txt).chooseFile(txt);
    s.c<QPushButton>("Com61")->click();
    s.c<QPushButton>("Com61")->click();
    EXPECT_EQ(testsupport::readFileBytes(txt), platform::toGbk(listing + "\r\n" + listing));

    // The grid page: the notice, the failure and the user's file untouched.
    s.c<QRadioButton>("Option8_1")->click();
    const QString xls = s.path("成绩.xls");
    testsupport::writeFileBytes(xls, "mine");
    d.chooseFile(xls).answerMessage(MsgResult::Ok).answerMessage(MsgResult::Ok, "导出失败!");
    s.c<QPushButton>("Com61")->click();
    EXPECT_EQ(d.lastTitle(), "失败");
    EXPECT_EQ(testsupport::readFileBytes(xls), "mine");
    // The menu item the same way.
    d.chooseFile(xls).answerMessage(MsgResult::Ok).answerMessage(MsgResult::Ok, "导出失败!");
    s.w.menuItem("outsj2")->trigger();
    EXPECT_EQ(testsupport::readFileBytes(xls), "mine");
    // The exam numbers by class: 按考室 unmarked, 按班 not marked by it; the
    // viewer's 导出数据 then runs as its button does.
    d.chooseFile(xls).answerMessage(MsgResult::Ok).answerMessage(MsgResult::Ok, "导出失败!");
    s.w.menuItem("outsj3")->trigger();
    EXPECT_EQ(testsupport::readFileBytes(xls), "mine");
    EXPECT_FALSE(s.c<QRadioButton>("Option5")->isChecked());
    EXPECT_FALSE(s.c<QRadioButton>("Option4")->isChecked());
}

TEST(ResultsButtons, PrintThePageShown) {
    GradeListSchool s;
    s.w.Command6_Click();
    s.pick("Combo9", "2004级01班");
    s.pick("Combo12", "总分");
    DialogDouble d;
    const QString pdf = s.path("page.pdf");
    d.printToPdf(pdf);
    s.c<QRadioButton>("Option8_2")->click();
    s.c<QPushButton>("Com62")->click();
    EXPECT_EQ(d.shown().back().kind, "default printer");
    // The text as the PDF gives it back, its runs of blanks made one.
    const QStringList lines = printedLayoutText(pdf).split('\n');
    EXPECT_EQ(lines.value(0).simplified(), "2004级01班总分平均: 168.66");
    EXPECT_TRUE(lines.value(2).simplified().startsWith("2004级01班 总分"));
    EXPECT_TRUE(printedLayoutText(pdf).simplified().contains("张三 256"));
    // The single-student page prints the summary.
    s.c<QRadioButton>("Option8_0")->click();
    s.c<QPushButton>("Com62")->click();
    EXPECT_TRUE(printedLayoutText(pdf).startsWith("2004级 01班 张三"));
    // No printer: our message, nothing printed.
    QFile::remove(pdf);
    DialogDouble none;
    none.noPrinterInstalled().answerMessage(MsgResult::Ok);
    s.c<QPushButton>("Com62")->click();
    EXPECT_EQ(none.lastTitle(), "无法打印");
    EXPECT_FALSE(QFile::exists(pdf));
}

TEST(ResultsButtons, EveryLineOfTheListingIsOnePrintedLineAndNoPageIsEmpty) {
    GradeListSchool s;
    // A class of 33: at 每排 9 or 10 a line of the listing is far wider than
    // a portrait page in the listing's type.
    const QString given = QStringLiteral("帅华霞宇明亮国强文武军平安康乐天和美丽春秋冬夏山水林森松竹梅兰");
    for (int i = 0; i < 30; ++i)
        s.add(QStringLiteral("2004%1").arg(100 + i, 4, 10, QLatin1Char('0')), "01",
              QStringLiteral("严") + given[i] + given[given.size() - 1 - i], "001", 299.9 - i * 7.3, 60 + i, 70);
    s.w.Command6_Click();
    s.pick("Combo9", "2004级01班");
    s.pick("Combo12", "总分");
    s.c<QRadioButton>("Option8_2")->click();
    const QString pdf = s.path("listing.pdf");
    for (const char* perLine : {"4", "9", "10"}) {
        SCOPED_TRACE(perLine);
        s.pick("Combo14", perLine);
        {
            DialogDouble d;
            d.printToPdf(pdf);
            s.c<QPushButton>("Com62")->click();
        }
        const auto pages = printedPages(pdf);
        ASSERT_FALSE(pages.empty());
        for (const PrintedPage& page : pages) {
            EXPECT_FALSE(page.words.empty());
            EXPECT_GT(page.inked().left(), 10);
            EXPECT_LT(page.inked().right(), page.size.width() - 10);
        }
        // The heading, then every line of the listing whole: no score starts
        // the line after its name.
        const QStringList printed = printedLines(pages);
        const QStringList listing = linesAsPrinted(s.c<QPlainTextEdit>("Text2")->toPlainText());
        ASSERT_GT(listing.size(), 3);
        EXPECT_TRUE(printed.value(0).startsWith("2004级01班总分平均:"));
        EXPECT_EQ(printed.mid(1), listing);
    }
}
