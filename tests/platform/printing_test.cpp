// Printing as it reaches paper: page breaks that keep a unit of lines
// together, the queue that refuses a job, the job's name, and tab-separated
// lists laid out a line per record within the page.
#include "platform/text/message_titles.h"
#include "platform/ui/plain_print.h"
#include "platform/ui/printing.h"
#include "platform/ui/richtextbox.h"
#include "support/dialog_double.h"
#include "support/printed_pdf.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QWidget>
#include <gtest/gtest.h>
#include <map>

using namespace platform;

namespace {

const QString kNotFinished = QStringLiteral("打印没有完成,请检查打印机.");

FontChoice songti(double size) {
    FontChoice f;
    f.name = QStringLiteral("宋体");
    f.size = size;
    return f;
}

// Units of five lines "第n张第k行", one blank line after each but the last.
void fillUnits(RichTextBox& box, int units, bool keep) {
    for (int n = 1; n <= units; ++n) {
        const int start = box.textCursor().position();
        for (int k = 1; k <= 5; ++k)
            box.insertRun(QStringLiteral("第%1张第%2行\n").arg(n).arg(k), songti(12));
        if (keep)
            box.keepTogether(start, box.textCursor().position() - start);
        if (n < units)
            box.insertRun(QStringLiteral("\n"), songti(12));
    }
}

// For each page, the units whose lines it holds, and how many of each.
std::vector<std::map<int, int>> unitLinesPerPage(const QString& pdf) {
    static const QRegularExpression line(QStringLiteral("^第(\\d+)张第\\d行$"));
    std::vector<std::map<int, int>> out;
    for (const PrintedPage& page : printedPages(pdf)) {
        out.emplace_back();
        for (const QString& l : page.lines())
            if (const auto m = line.match(l); m.hasMatch())
                ++out.back()[m.captured(1).toInt()];
    }
    return out;
}

} // namespace

TEST(PrintPages, LinesKeptTogetherStartTheNextPageRatherThanBreak) {
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("units.pdf"));
    for (const bool keep : {false, true}) {
        RichTextBox box;
        box.insertRun(QStringLiteral("标题\n\n"), songti(12));   // shifts the units off the page's rhythm
        fillUnits(box, 60, keep);
        DialogDouble d;
        d.printToPdf(pdf);
        ASSERT_TRUE(box.print(PrintPrompt::DefaultPrinter));
        const auto pages = unitLinesPerPage(pdf);
        ASSERT_GE(pages.size(), 3u);
        int cut = 0, printed = 0;
        for (const auto& page : pages)
            for (const auto& [unit, lines] : page) {
                cut += lines != 5;
                printed += lines;
            }
        EXPECT_EQ(printed, 300) << "keep " << keep;   // every line once
        if (keep)
            EXPECT_EQ(cut, 0);
        else
            EXPECT_GT(cut, 0) << "the units fall so that plain breaks cut them";
    }
}

TEST(PrintPages, AUnitTallerThanAPageBreaksBetweenItsLines) {
    RichTextBox box;
    const int start = box.textCursor().position();
    for (int k = 1; k <= 150; ++k)
        box.insertRun(QStringLiteral("第1张第%1行\n").arg(k % 10), songti(12));
    box.keepTogether(start, box.textCursor().position() - start);
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("tall.pdf"));
    DialogDouble d;
    d.printToPdf(pdf);
    ASSERT_TRUE(box.print(PrintPrompt::DefaultPrinter));
    const auto pages = unitLinesPerPage(pdf);
    ASSERT_GE(pages.size(), 2u);
    int printed = 0;
    for (const auto& page : pages) {
        const int lines = page.count(1) ? page.at(1) : 0;
        EXPECT_GT(lines, 20);   // pages filled, none left empty
        printed += lines;
    }
    EXPECT_EQ(printed, 150);
}

TEST(PrintPages, BlankLinesAtTheEndMakeNoPageOfTheirOwn) {
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("blank.pdf"));
    // Text, then blank lines for several pages; and blank lines alone.
    for (const bool text : {true, false}) {
        RichTextBox box;
        if (text)
            box.insertRun(QStringLiteral("第一行\n"), songti(12));
        box.insertRun(QString(200, QLatin1Char('\n')), songti(12));
        DialogDouble d;
        d.printToPdf(pdf);
        ASSERT_TRUE(box.print(PrintPrompt::DefaultPrinter));
        const auto pages = printedPages(pdf);
        ASSERT_EQ(pages.size(), 1u) << "text " << text;
        EXPECT_EQ(pages[0].lines(), text ? QStringList{QStringLiteral("第一行")} : QStringList{});
    }
}

TEST(PrintQueue, ARefusingQueueIsToldOnEveryPathToTheDefaultPrinter) {
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("refused.pdf"));
    using Refusal = DialogDouble::Refusal;
    for (const Refusal when : {Refusal::AtStart, Refusal::OnHandOver}) {
        SCOPED_TRACE(when == Refusal::AtStart ? "refused at start" : "refused on hand-over");
        DialogDouble d;
        d.printToPdf(pdf).queueRefuses(when);
        QFile::remove(pdf);

        d.answerMessage(MsgResult::Ok, kNotFinished);
        EXPECT_FALSE(printPlainText({QStringLiteral("一行")}, QStringLiteral("高级查看")));
        EXPECT_EQ(d.lastTitle(), kCannotPrintTitle);
        d.answerMessage(MsgResult::Ok, kNotFinished);
        EXPECT_FALSE(printColumns({QStringLiteral("\t姓名"), QStringLiteral("张三")}, QStringLiteral("打印预览")));

        RichTextBox box;
        box.insertRun(QStringLiteral("准考证\n"), songti(9));
        try {
            box.print(PrintPrompt::DefaultPrinter);
            ADD_FAILURE() << "printed on a refusing queue";
        } catch (const PrintError& e) {
            EXPECT_EQ(e.text(), kNotFinished);
        }
        // Refused before it started, no page was even made.
        EXPECT_EQ(QFile::exists(pdf), when == Refusal::OnHandOver);
    }
    // The double put the queue back: the next job goes through.
    DialogDouble d;
    d.printToPdf(pdf);
    EXPECT_TRUE(printPlainText({QStringLiteral("一行")}, QStringLiteral("高级查看")));
}

TEST(PrintQueue, EachJobIsNamedAfterTheWindowThatPrints) {
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("named.pdf"));
    DialogDouble d;
    d.printToPdf(pdf);
    ASSERT_TRUE(printPlainText({QStringLiteral("一行")}, QStringLiteral("某某中学VantalooOrbisca")));
    EXPECT_EQ(printedTitle(pdf), QStringLiteral("某某中学VantalooOrbisca"));
    ASSERT_TRUE(printColumns({QStringLiteral("a\tb")}, QStringLiteral("打印预览")));
    EXPECT_EQ(printedTitle(pdf), QStringLiteral("打印预览"));
    // A window without a caption yet: the program's title.
    const QString program = programTitle();
    setProgramTitle(QStringLiteral("VantalooOrbisca"));
    ASSERT_TRUE(printPlainText({QStringLiteral("一行")}, QString()));
    setProgramTitle(program);
    EXPECT_EQ(printedTitle(pdf), QStringLiteral("VantalooOrbisca"));

    QWidget window;
    window.setWindowTitle(QStringLiteral("自定义打印"));
    auto* box = new RichTextBox(&window);
    box->insertRun(QStringLiteral("准考证"), songti(9));
    d.acceptPrinter();
    ASSERT_TRUE(box->print(PrintPrompt::PrinterDialog));
    EXPECT_EQ(printedTitle(pdf), QStringLiteral("自定义打印"));
}

namespace {

struct ColumnsCase {
    const char* what;
    int addressLength;     // characters of the widest address
    bool landscape;
};

class PrintColumns : public ::testing::TestWithParam<ColumnsCase> {};

// A heading that begins with a Tab and sixteen fields a record, as the
// records program's list gives them.
QStringList studentList(int addressLength) {
    QStringList lines{QStringLiteral("\tSTID\t年级\t班\t姓名\t性别\t职务\t籍贯\t出生年月\t联系地址\t所在区域\t"
                                     "联系电话\t家长姓名\t家长职务\t民族\t政治面貌\t备注")};
    for (int i = 1; i <= 80; ++i) {
        const QString address = QString(i == 7 ? addressLength : 6, QChar(0x8DEF));   // 路
        lines << QStringLiteral("200400%1\t2004\t01\t张三丰\t男\t班长\t湖南长沙\t1990-1-%2\t%3\t001\t"
                                "0731-12345678\t张大山\t工程师\t汉\t共青团员\t--")
                     .arg(i, 2, 10, QLatin1Char('0'))
                     .arg(i % 28 + 1)
                     .arg(address);
    }
    return lines;
}

} // namespace

TEST_P(PrintColumns, EveryRecordIsOnePrintedLineWithinThePage) {
    const ColumnsCase c = GetParam();
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("list.pdf"));
    DialogDouble d;
    d.printToPdf(pdf);
    const QStringList list = studentList(c.addressLength);
    ASSERT_TRUE(printColumns(list, QStringLiteral("打印预览")));

    const auto pages = printedPages(pdf);
    ASSERT_FALSE(pages.empty());
    QStringList printed;
    for (const PrintedPage& page : pages) {
        EXPECT_EQ(page.size.width() > page.size.height(), c.landscape);
        const QRectF ink = page.inked();
        // Inside the page with a margin left on both sides.
        EXPECT_GT(ink.left(), 10);
        EXPECT_LT(ink.right(), page.size.width() - 10);
        printed << page.lines();
    }
    ASSERT_EQ(printed.size(), list.size());
    // The heading whole, and each record's values on its own line, in order.
    EXPECT_TRUE(printed[0].split(u' ').contains(QStringLiteral("联系地址"))) << printed[0].toStdString();
    for (qsizetype i = 1; i < list.size(); ++i)
        EXPECT_EQ(printed[i].split(u' '), list[i].split(u'\t')) << printed[i].toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Widths, PrintColumns,
    ::testing::Values(ColumnsCase{"fits_landscape", 6, true}, ColumnsCase{"long_address_smaller_font", 60, true}),
    [](const auto& info) { return std::string(info.param.what); });

TEST(PrintColumnsNarrow, AListThatFitsStaysPortraitInTheUsualFont) {
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("narrow.pdf"));
    DialogDouble d;
    d.printToPdf(pdf);
    ASSERT_TRUE(printColumns({QStringLiteral("\t姓名\t性别"), QStringLiteral("张三丰\t男"), QStringLiteral("王\t女")},
                             QStringLiteral("打印预览")));
    const auto pages = printedPages(pdf);
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_LT(pages[0].size.width(), pages[0].size.height());
    EXPECT_EQ(pages[0].lines(), QStringList({"姓名 性别", "张三丰 男", "王 女"}));
    // 9 points: a Chinese character about 9 points wide.
    for (const PrintedWord& w : pages[0].words) {
        if (w.text == QStringLiteral("张三丰")) {
            EXPECT_NEAR(w.box.width() / 3, 9, 1);
        }
    }
}
