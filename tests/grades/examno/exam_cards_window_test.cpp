// The exam-number viewer on the real main window and the card window it
// opens: listing, searching, 打印考号 with row 8, the preview, the window's
// settings rows, saving and printing.
#include "grades/app/main_window.h"
#include "grades/examno/ExamNumberPanel.h"
#include "grades/examno/Form4.h"
#include "grades/frame/Form2.h"

#include "common/program_state.h"
#include "common/settings_rows.h"
#include "platform/db/datacontrol.h"
#include "platform/ui/richtextbox.h"
#include "support/dialog_double.h"
#include "support/failing_file.h"
#include "support/printed_pdf.h"
#include "support/school_fixture.h"
#include "support/test_files.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using platform::MsgResult;

namespace {

Form4* openCardWindow() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* f = qobject_cast<Form4*>(w); f && f->isVisible())
            return f;
    return nullptr;
}

void closeCardWindow() {
    if (Form4* f = openCardWindow())
        f->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

int pdfPages(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    return int(QString::fromLatin1(f.readAll()).count(QRegularExpression(QStringLiteral("/Type\\s*/Page[^s]"))));
}

struct CardsTest : ::testing::Test {
    SchoolFixture school{{"语文"}, {"2004"}, {"2004级02班", "2004级01班"}};
    std::unique_ptr<Form2> window = makeMainWindow();
    Form2& w = *window;
    ExamNumberPanel& panel = dynamic_cast<ExamNumberPanel&>(*w.panel(3));

    CardsTest() {
        w.ConnectDataControls();
        // Three rooms; rows stored out of seat order.
        struct S { const char* name; const char* cls; const char* number; const char* room; const char* seat; };
        const S students[] = {
            {"张三丰", "01", "00302", "003", "02"}, {"李四", "01", "00102", "001", "03"},
            {"王", "02", "00101", "001", "01"},     {"O'K", "02", "00201", "002", "01"},
            {"赵六", "01", "00301", "003", "01"},
        };
        int id = 1;
        for (const S& s : students)
            school.db()->insertRow("成绩表", {"STID", "年级", "班", "姓名", "学号", "考号", "考室", "座位"},
                                   {QStringLiteral("2004%1").arg(id++, 4, 10, QLatin1Char('0')), "2004", s.cls,
                                    s.name, "01", s.number, s.room, s.seat});
        w.settings().store(Setting::ExamRoomCount, "3");
    }
    ~CardsTest() override { closeCardWindow(); }

    template <class T> T* at(const QString& name) { return w.control<T>(name); }
    // The card window opened from the menu, its cards built for `room`.
    Form4* cardsBuiltFor(const char* room) {
        w.menuItem("MenuPrintKH")->trigger();
        Form4* cards = openCardWindow();
        if (cards) {
            cards->Combo2->setEditText(room);
            cards->Command5_Click();
        }
        return cards;
    }
    QComboBox* filter() { return at<QComboBox>("Combo6"); }
    platform::db::DataControl& ad32() { return w.anyDataControl("Ad32"); }
    QStringList column(const QString& field) {
        QStringList out;
        auto* rs = ad32().recordset();
        for (int i = 0; i < rs->recordCount(); ++i)
            out << rs->valueAt(i, rs->fieldIndex(field)).toString();
        return out;
    }
    QStringList items(QComboBox* box) {
        QStringList out;
        for (int i = 0; i < box->count(); ++i)
            out << box->itemText(i);
        return out;
    }
    void search(const QString& text) {
        at<QLineEdit>("Tekh1")->setText(text);
        int16_t enter = 13;
        panel.Tekh1_KeyPress(enter);
    }
    QString row(Setting s) { return school.db()->scalar(QStringLiteral("select 状态 from 状态表 where rowid = %1").arg(int(s))).toString(); }
};

} // namespace

TEST_F(CardsTest, ViewerListsARoomBySeatAndAClassByNumber) {
    w.Command3_Click();
    EXPECT_TRUE(at<QGroupBox>("Frame4_1")->isVisibleTo(&w));
    EXPECT_EQ(items(filter()), QStringList({"001考室", "002考室", "003考室", "所有考室"}));
    EXPECT_EQ(filter()->currentText(), "001考室");
    EXPECT_EQ(column("姓名"), QStringList({"王", "李四"}));
    EXPECT_EQ(ad32().caption(), "1/2");
    EXPECT_EQ(at<QLineEdit>("Tekh1")->text(), "王  00101");
    ad32().recordset()->moveNext();
    EXPECT_EQ(ad32().caption(), "2/2");
    EXPECT_EQ(at<QLineEdit>("Tekh1")->text(), "李四  00102");

    // A room typed without its zeros.
    filter()->setEditText(" 3考室");
    panel.Combo6_Click();
    EXPECT_EQ(column("座位"), QStringList({"01", "02"}));
    filter()->setEditText("所有考室");
    panel.Combo6_Click();
    EXPECT_EQ(column("考号"), QStringList({"00101", "00102", "00201", "00301", "00302"}));

    at<QRadioButton>("Option4")->setChecked(true);
    EXPECT_EQ(items(filter()), QStringList({"2004级01班", "2004级02班", "所有班级"}));
    EXPECT_EQ(column("考号"), QStringList({"00102", "00301", "00302"}));
    EXPECT_EQ(w.CurrentGradeId, "2004");
    EXPECT_EQ(w.CurrentClassId, "01");

    // The mode stays over closing and reopening; 重新编写 goes back to the builder.
    at<QPushButton>("Comkh1")->click();
    EXPECT_EQ(w.visiblePanel(), 0);
    w.Command3_Click();
    EXPECT_EQ(filter()->currentText(), "2004级01班");
    at<QPushButton>("Comkh3")->click();
    EXPECT_TRUE(at<QGroupBox>("Frame4_0")->isVisibleTo(&w));
    at<QPushButton>("Com32")->click();
    EXPECT_TRUE(at<QGroupBox>("Frame4_1")->isVisibleTo(&w));
}

TEST_F(CardsTest, SearchFindsByNumberOrExactNameQuotesIncluded) {
    w.Command3_Click();
    search(" 00301 ");
    EXPECT_EQ(column("姓名"), QStringList({"赵六"}));
    EXPECT_EQ(filter()->currentText(), "001考室");   // the filter keeps its text
    search("O'K");
    EXPECT_EQ(column("考号"), QStringList({"00201"}));
    EXPECT_EQ(at<QLineEdit>("Tekh1")->text(), "O'K  00201");
    // The text a move leaves is searched as a name and finds nobody.
    search(at<QLineEdit>("Tekh1")->text());
    EXPECT_EQ(ad32().recordset()->recordCount(), 0);
    EXPECT_EQ(ad32().caption(), "0/0");
    const QString before = ad32().recordSource();
    search("   ");
    EXPECT_EQ(ad32().recordSource(), before);
}

TEST_F(CardsTest, PrintingAsksOnceWhileNotPrintedAndRaisesAnOpenWindowUnchanged) {
    w.Command3_Click();
    const QString question = "考号一经打印以后,一般不能再次编写,你已经核对好所有同学,确实要打印考号了吗?";
    {
        DialogDouble d;
        d.answerMessage(MsgResult::No, question);
        at<QPushButton>("Comkh2")->click();
    }
    EXPECT_EQ(openCardWindow(), nullptr);
    EXPECT_EQ(w.settings().value(Setting::ExamCardsPrinted), "否");
    {
        DialogDouble d;
        d.answerMessage(MsgResult::Yes, question);
        at<QPushButton>("Comkh2")->click();
        EXPECT_EQ(d.lastTitle(), "提示");
    }
    EXPECT_EQ(w.settings().value(Setting::ExamCardsPrinted), "是");
    Form4* cards = openCardWindow();
    ASSERT_NE(cards, nullptr);
    EXPECT_EQ(cards->parentWidget(), nullptr);
    const QString preview = cards->RichTextBox1->text();
    EXPECT_TRUE(preview.startsWith("测试中学2000年第二学年度期未考试001考室 所有同学的考号如下:\n\n测试中学")) << preview.toStdString();
    EXPECT_TRUE(preview.contains("考号:00101 姓名:王    \n考室: 1 座位号: 1\n班级:  2004级 2班\n"));
    // The viewer's own group is handed over: no other room is on the cards.
    EXPECT_FALSE(preview.contains("考室: 2 ")) << preview.toStdString();

    filter()->setEditText("002考室");
    panel.Combo6_Click();
    {
        DialogDouble d;   // nothing asked now
        at<QPushButton>("Comkh2")->click();
    }
    EXPECT_EQ(openCardWindow(), cards);
    EXPECT_EQ(cards->RichTextBox1->text(), preview);
}

// A grade list asked for in the results view does not silence an open card
// window: its refresh still builds the chosen room.
TEST_F(CardsTest, TheResultsViewsPrintButtonLeavesAnOpenCardWindowBuilding) {
    w.menuItem("MenuPrintKH")->trigger();
    Form4* cards = openCardWindow();
    ASSERT_NE(cards, nullptr);
    w.Command6_Click();
    at<QRadioButton>("Option8_1")->click();
    at<QPushButton>("Com62")->click();
    ASSERT_EQ(openCardWindow(), cards);
    cards->Option1->setChecked(true);
    cards->Text2->setText("0");
    cards->Combo2->setEditText("2考室");
    cards->Command5_Click();
    EXPECT_EQ(cards->RichTextBox1->text(), "测试中学2000年第二学年度期未考试第2考室的所有同学的考号如下:\n\n"
                                           "00201 O'K   \n");
}

TEST_F(CardsTest, MenuOpensAnEmptyPreviewAndRefreshBuildsEveryRoomUnderItsHeading) {
    w.menuItem("MenuPrintKH")->trigger();
    EXPECT_EQ(w.settings().value(Setting::ExamCardsPrinted), "否");
    Form4* cards = openCardWindow();
    ASSERT_NE(cards, nullptr);
    EXPECT_EQ(cards->RichTextBox1->text(), "");
    EXPECT_EQ(items(cards->Combo2), QStringList({"1考室", "2考室", "3考室", "所有考室"}));
    EXPECT_EQ(items(cards->Combo3), QStringList({"2004级02班", "2004级01班", "所有班级"}));   // stored order

    cards->Option1->setChecked(true);
    cards->Text2->setText("0");
    cards->Combo2->setEditText("所有考室");
    cards->Command5_Click();
    EXPECT_EQ(cards->RichTextBox1->text(),
              "测试中学2000年第二学年度期未考试第1考室的所有同学的考号如下:\n\n"
              "00101 王       00102 李四     \n"
              "测试中学2000年第二学年度期未考试第2考室的所有同学的考号如下:\n\n"
              "00201 O'K   \n"
              "测试中学2000年第二学年度期未考试第3考室的所有同学的考号如下:\n\n"
              "00301 赵六     00302 张三丰   \n");
    EXPECT_EQ(cards->Combo2->currentText(), "所有考室");

    // Picking a class empties the room; its students come by seat, across rooms.
    cards->Combo3->setCurrentIndex(1);
    emit cards->Combo3->activated(1);
    EXPECT_EQ(cards->Combo2->currentText(), "");
    cards->Command5_Click();
    EXPECT_EQ(cards->RichTextBox1->text(),
              "测试中学2000年第二学年度期未考试2004级01班的所有同学的考号如下:\n\n"
              "00301 赵六     00302 张三丰   00102 李四  \n\n");

    // A room typed that names no room builds an empty group.
    cards->Combo2->setEditText("9");
    emit cards->Combo2->activated(0);
    cards->Combo2->setEditText("9");
    cards->Command5_Click();
    EXPECT_EQ(cards->RichTextBox1->text(), "");
}

TEST_F(CardsTest, SettingsRowsComeBackAtTheNextOpeningAlsoAfterTheMainWindowClosed) {
    w.menuItem("MenuPrintKH")->trigger();
    Form4* cards = openCardWindow();
    ASSERT_NE(cards, nullptr);
    // The initial rows.
    EXPECT_TRUE(cards->Option2->isChecked());
    EXPECT_FALSE(cards->Check1->isChecked());
    EXPECT_EQ(cards->Combo1->currentText(), "3");
    EXPECT_EQ(cards->Text2->text(), "1");
    EXPECT_EQ(cards->titleFont().name, "宋体");
    EXPECT_EQ(cards->titleFont().size, 10);
    EXPECT_EQ(cards->numberFont().size, 20);
    EXPECT_FALSE(cards->titleFont().bold);

    cards->Option1->setChecked(true);
    cards->Check1->setChecked(true);
    cards->Combo1->setEditText("5");
    cards->Text2->setText("2");
    cards->Text1->setText(QString(26, QChar(0x8003)));   // 25 are kept
    {
        DialogDouble d;
        platform::FontChoice title{"黑体", 12, true};
        platform::FontChoice number{"隶书", 18};
        d.chooseFont(title).chooseFont(number);
        cards->Command4_Click();
        cards->Command3_Click();
        EXPECT_EQ(d.shown()[0].font.name, "宋体");
        EXPECT_EQ(d.shown()[1].font.size, 20);
    }
    window.reset();   // the main window goes first
    closeCardWindow();
    EXPECT_EQ(row(Setting::ExamCardLayout), "1,1,5,2");
    EXPECT_EQ(row(Setting::ExamCardFonts), "黑体,12,隶书,18");
    EXPECT_EQ(row(Setting::ExamTitle), QString(25, QChar(0x8003)));

    Form4::showFor(nullptr);
    cards = openCardWindow();
    ASSERT_NE(cards, nullptr);
    EXPECT_TRUE(cards->Option1->isChecked());
    EXPECT_TRUE(cards->Check1->isChecked());
    EXPECT_EQ(cards->Combo1->currentText(), "5");
    EXPECT_EQ(cards->Text2->text(), "2");
    EXPECT_EQ(cards->titleFont().name, "黑体");
    EXPECT_EQ(cards->titleFont().size, 12);
    EXPECT_FALSE(cards->titleFont().bold);   // styles start off at every opening
    EXPECT_EQ(cards->numberFont().name, "隶书");
    EXPECT_EQ(cards->numberFont().size, 18);
}

TEST_F(CardsTest, ASettingTooLongIsToldAndKeepsItsOldValue) {
    w.menuItem("MenuPrintKH")->trigger();
    Form4* cards = openCardWindow();
    ASSERT_NE(cards, nullptr);
    cards->Combo1->setEditText("4");
    {
        DialogDouble d;
        d.chooseFont({"一个非常非常长的字体名字用来测试", 10.5});
        cards->Command4_Click();
    }
    DialogDouble d;
    d.answerMessage();
    closeCardWindow();
    EXPECT_TRUE(d.lastMessage().contains("一个非常非常长的字体名字用来测试,10.5,宋体,20"));
    EXPECT_EQ(row(Setting::ExamCardFonts), "宋体,10,宋体,20");
    EXPECT_EQ(row(Setting::ExamCardLayout), "0,0,4,1");
}

TEST_F(CardsTest, AnEmptyHandedOverListStopsTheLoadAndKeepsTheRows) {
    w.settings().store(Setting::ExamCardLayout, "1,0,4,0");
    w.settings().store(Setting::ExamTitle, "期中考试");
    {
        DialogDouble d;
        d.answerMessage(MsgResult::Ok, "没有可打印的内容!,请选择一个年级或者班");
        Form4::showFor(nullptr, "select 考号,座位,姓名,考室,学号,年级,班 from 成绩表 where 考室 = '009'");
        EXPECT_EQ(d.lastTitle(), "无法打印");
    }
    Form4* cards = openCardWindow();
    ASSERT_NE(cards, nullptr);
    EXPECT_EQ(cards->Combo2->count(), 0);
    closeCardWindow();
    EXPECT_EQ(row(Setting::ExamCardLayout), "1,0,4,0");
    EXPECT_EQ(row(Setting::ExamTitle), "期中考试");
}

TEST_F(CardsTest, SaveAsksBeforeReplacingAndAlwaysWritesRichText) {
    Form4* cards = cardsBuiltFor("1考室");
    ASSERT_NE(cards, nullptr);
    QTemporaryDir dir;
    const QString existing = dir.filePath("考号.rtf");
    {
        QFile f(existing);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("old");
    }
    {
        DialogDouble d;
        d.chooseFile(existing).answerMessage(MsgResult::No, "文件" + existing + "已经存在,是否将其覆盖?");
        cards->Command2_Click();
        EXPECT_EQ(d.lastTitle(), "保存文件");
        EXPECT_FALSE(d.shown()[0].file.confirmOverwrite);   // asked once, by the window
        EXPECT_EQ(d.messages().size(), 1);
    }
    QFile old(existing);
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), "old");

    const QString text = dir.filePath("考号.txt");
    {
        DialogDouble d;
        d.chooseFile(text);
        cards->Command2_Click();
    }
    QFile saved(text);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_TRUE(saved.readAll().startsWith("{\\rtf"));
    {
        DialogDouble d;
        d.cancelDialog();
        cards->Command2_Click();
    }
}

TEST_F(CardsTest, ASaveThatFailsSaysWhyInChinese) {
    Form4* cards = cardsBuiltFor("1考室");
    ASSERT_NE(cards, nullptr);
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkdir("a.rtf"));
    {
        DialogDouble d;
        d.chooseFile(dir.filePath("没有/a.rtf")).answerMessage(MsgResult::Ok, "不能保存文件 a.rtf: 文件或文件夹不存在");
        cards->Command2_Click();
        EXPECT_EQ(d.lastTitle(), "失败");
    }
    {
        DialogDouble d;
        d.chooseFile(dir.filePath("a.rtf"))
            .answerMessage(MsgResult::Yes)
            .answerMessage(MsgResult::Ok, "不能保存文件 a.rtf: 这是一个文件夹,不是文件");
        cards->Command2_Click();
    }
}

TEST_F(CardsTest, ASaveOntoAFullDiskKeepsTheOldFile) {
    Form4* cards = cardsBuiltFor("1考室");
    ASSERT_NE(cards, nullptr);
    QTemporaryDir dir;
    const QString existing = dir.filePath("考号.rtf");
    testsupport::writeFileBytes(existing, "old");
    DialogDouble d;
    d.chooseFile(existing).answerMessage(MsgResult::Yes).answerMessage(MsgResult::Ok, "不能保存文件 考号.rtf: 文件太大");
    {
        const FileSizeLimit full(16);
        cards->Command2_Click();
    }
    EXPECT_EQ(d.lastTitle(), "失败");
    EXPECT_EQ(testsupport::readFileBytes(existing), "old");
}

TEST_F(CardsTest, PrintsTheSelectionOrTheWholePreview) {
    Form4* cards = cardsBuiltFor("所有考室");
    ASSERT_NE(cards, nullptr);
    QTemporaryDir dir;
    const QString whole = dir.filePath("whole.pdf"), part = dir.filePath("part.pdf");
    {
        DialogDouble d;
        d.printToPdf(whole).acceptPrinter();
        cards->Command1_Click();
        EXPECT_FALSE(d.shown().back().selectionOffered);
    }
    cards->RichTextBox1->setSelection(0, 10);
    {
        DialogDouble d;
        d.printToPdf(part).acceptPrinter(platform::PrintRange::Selection);
        cards->Command1_Click();
        EXPECT_TRUE(d.shown().back().selectionOffered);
    }
    EXPECT_GE(pdfPages(whole), 1);
    EXPECT_EQ(pdfPages(part), 1);
    EXPECT_GT(QFileInfo(whole).size(), QFileInfo(part).size());
    {
        DialogDouble d;
        d.cancelDialog();
        cards->Command1_Click();
    }
}

TEST_F(CardsTest, EachCardIsPrintedWholeOnOnePageUnderTheWindowsCaption) {
    // Room 001 of 60 students: cards run over several pages.
    for (int i = 1; i <= 60; ++i)
        school.db()->insertRow("成绩表", {"STID", "年级", "班", "姓名", "学号", "考号", "考室", "座位"},
                               {QStringLiteral("2005%1").arg(i, 4, 10, QLatin1Char('0')), "2004", "01",
                                QStringLiteral("生%1").arg(i), "01", QStringLiteral("1%1").arg(i, 4, 10, QLatin1Char('0')),
                                "001", QStringLiteral("%1").arg(i + 10)});
    w.menuItem("MenuPrintKH")->trigger();
    Form4* cards = openCardWindow();
    ASSERT_NE(cards, nullptr);
    cards->Option2->setChecked(true);
    QTemporaryDir dir;
    const QString pdf = dir.filePath("cards.pdf");
    for (const char* extraLines : {"0", "1", "3"}) {
        SCOPED_TRACE(extraLines);
        cards->Text2->setText(extraLines);
        cards->Combo2->setEditText("1考室");
        cards->Command5_Click();
        {
            DialogDouble d;
            d.printToPdf(pdf).acceptPrinter();
            cards->Command1_Click();
        }
        EXPECT_EQ(printedTitle(pdf), "打印考号预览");
        const auto pages = printedPages(pdf);
        EXPECT_GE(pages.size(), 3u);
        // A card's five lines: its title, 准考证, 考号/姓名, 考室/座位号, 班级.
        int total = 0;
        for (std::size_t p = 0; p < pages.size(); ++p) {
            int count[5] = {};
            for (const QString& line : pages[p].lines()) {
                count[0] += line == "测试中学2000年第二学年度期未考试";
                count[1] += line == "准考证";
                count[2] += line.startsWith("考号:");
                count[3] += line.startsWith("考室:");
                count[4] += line.startsWith("班级:");
            }
            for (int k = 1; k < 5; ++k)
                EXPECT_EQ(count[k], count[0]) << "page " << p + 1 << ", card line " << k + 1;
            total += count[0];
        }
        EXPECT_EQ(total, 62);
    }
}

TEST_F(CardsTest, AJobEndsWithItsLastCardOrListNotWithABlankPage) {
    w.menuItem("MenuPrintKH")->trigger();
    Form4* cards = openCardWindow();
    ASSERT_NE(cards, nullptr);
    QTemporaryDir dir;
    const QString pdf = dir.filePath("cards.pdf");
    // The extra lines follow every card and end the job: 40 of them run past
    // any page.
    const struct {
        bool simple;
        const char* extraLines;
    } cases[] = {{false, "0"}, {false, "3"}, {false, "40"}, {true, "40"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.simple ? "list, " : "cards, ") + c.extraLines);
        (c.simple ? cards->Option1 : cards->Option2)->setChecked(true);
        cards->Text2->setText(c.extraLines);
        cards->Combo2->setEditText("所有考室");
        cards->Command5_Click();
        {
            DialogDouble d;
            d.printToPdf(pdf).acceptPrinter();
            cards->Command1_Click();
        }
        const auto pages = printedPages(pdf);
        ASSERT_FALSE(pages.empty());
        for (std::size_t p = 0; p < pages.size(); ++p)
            EXPECT_FALSE(pages[p].words.empty()) << "page " << p + 1 << " of " << pages.size();
        const QString printed = printedLines(pages).join(u'\n');
        for (const char* name : {"张三丰", "李四", "王", "O'K", "赵六"})
            EXPECT_TRUE(printed.contains(QString::fromUtf8(name))) << name;
    }
}

TEST_F(CardsTest, ARefusingQueueLeavesTheCardWindowSilent) {
    Form4* cards = cardsBuiltFor("所有考室");
    ASSERT_NE(cards, nullptr);
    QTemporaryDir dir;
    DialogDouble d;   // answers no message: none may come
    d.printToPdf(dir.filePath("cards.pdf")).acceptPrinter().queueRefuses();
    cards->Command1_Click();
    EXPECT_TRUE(d.messages().isEmpty());
}

TEST_F(CardsTest, ExportTellsItFailedAndLeavesTheChosenFile) {
    w.Command3_Click();
    QTemporaryDir dir;
    const QString chosen = dir.filePath("考号.xls");
    {
        QFile f(chosen);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("keep");
    }
    {
        DialogDouble d;
        d.chooseFile(chosen).answerMessage().answerMessage(MsgResult::Ok, "导出失败!");
        at<QPushButton>("Comkh4")->click();
        EXPECT_TRUE(d.shown()[0].file.confirmOverwrite);
        EXPECT_EQ(d.shown()[0].file.filter, "Excel文件(*.xls)|*.xls|所有文件(*.*)|*.*");
        EXPECT_EQ(d.lastTitle(), "失败");
    }
    EXPECT_EQ(QFileInfo(chosen).size(), 4);
    DialogDouble d;
    d.cancelDialog();
    at<QPushButton>("Comkh4")->click();
    EXPECT_EQ(d.messages().size(), 0);
}

TEST_F(CardsTest, PopupFontChangesTheSelectionButNotItsColour) {
    w.menuItem("MenuPrintKH")->trigger();
    Form4* cards = openCardWindow();
    ASSERT_NE(cards, nullptr);
    cards->RichTextBox1->insertRun("考号表", {"宋体", 10, false, false, false, false, Qt::red});
    cards->RichTextBox1->setSelection(0, 2);
    {
        DialogDouble d;
        d.chooseFont({"黑体", 16, true, false, true, false, Qt::blue});
        cards->ZhiTi_Click();
        EXPECT_EQ(d.shown()[0].font.name, "宋体");
        EXPECT_EQ(d.shown()[0].font.size, 10);
    }
    const platform::SelectionFont f = cards->RichTextBox1->selectionFont();
    EXPECT_EQ(f.name, "黑体");
    EXPECT_EQ(f.size, 16);
    EXPECT_EQ(f.bold, true);
    EXPECT_EQ(f.underline, true);
    EXPECT_EQ(f.color, QColor(Qt::red));
    cards->MenuJC_Click();
    EXPECT_EQ(cards->RichTextBox1->text(), "表");
    cards->RichTextBox1->setSelection(0, 0);
    cards->MemuZT_Click();
    EXPECT_EQ(cards->RichTextBox1->text(), "考号表");
}
