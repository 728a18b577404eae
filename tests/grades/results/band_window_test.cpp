// The advanced view in the main window on a small school: opening from the
// results view, the saved defaults, the report's clearing, saving and printing.

#include "common/program_state.h"
#include "common/settings_files.h"
#include "grades/app/main_window.h"
#include "grades/frame/Form2.h"
#include "grades/results/bands/BandCanvas.h"
#include "grades/results/bands/Form6.h"
#include "grades/results/view/ResultsPanel.h"
#include "platform/text/gbk.h"
#include "platform/ui/twips.h"
#include "support/dialog_double.h"
#include "support/printed_pdf.h"
#include "results_school.h"
#include "support/test_files.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFrame>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct BandWindowSchool : ResultsSchool {
    BandWindowSchool() : ResultsSchool({"语文", "数学"}) {
        add("20040001", "01", 150, 80, 70);
        add("20040002", "01", 90, 60, 30);
        add("20040003", "02", 40, 20, 20);
        w.Command6_Click();
        pick(w.control<QComboBox>("Combo9"), "2004级01班");
    }
    void add(const char* stid, const char* cls, double total, QVariant chinese, QVariant maths) {
        school.db()->insertRow("成绩表", {"STID", "年级", "班", "姓名", "总分", "平均分", "语文", "数学"},
                               {stid, "2004", cls, QString(stid).right(3), total, total / 2, chinese, maths});
    }
    QPushButton* com64() { return w.control<QPushButton>("Com64"); }
    Form6* open() {
        com64()->click();
        return w.findChild<Form6*>(QString(), Qt::FindDirectChildrenOnly);
    }
    QString report(Form6& f) { return f.Text2->toPlainText(); }
};

TEST(BandWindow, OpensOnTheViewsClassAndHoldsAdvancedUntilClosed) {
    BandWindowSchool s;
    Form6* f = s.open();
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->windowTitle(), "高级查看");
    EXPECT_FALSE(s.com64()->isEnabled());
    EXPECT_EQ(f->ActiveView, 2);
    EXPECT_TRUE(f->Frame1[1]->isVisibleTo(f));
    EXPECT_FALSE(f->Frame1[0]->isVisibleTo(f));
    EXPECT_EQ(f->Combo1->currentText(), "2004级01班");
    EXPECT_EQ(f->Combo2->currentText(), s.w.control<QComboBox>("Combo12")->currentText());
    const QString text = s.report(*f);
    EXPECT_TRUE(text.startsWith("2004级01班\n\n      30分以下人数")) << text.toStdString();
    EXPECT_TRUE(text.contains("\n数学  "));
    EXPECT_EQ(f->filed().size(), 3u);   // 2004级, 01, 02

    // A tick empties the report; 报表 shows it again.
    f->Check2[0]->click();
    EXPECT_TRUE(s.report(*f).isEmpty());
    f->Command[2]->click();
    EXPECT_FALSE(s.report(*f).contains("最高分"));

    // 设置 then another class: the report pane comes back with that class.
    f->Command[1]->click();
    EXPECT_TRUE(f->Frame1[0]->isVisibleTo(f));
    BandWindowSchool::pick(f->Combo1, "2004级02班");
    EXPECT_TRUE(f->Frame1[1]->isVisibleTo(f));
    EXPECT_TRUE(s.report(*f).startsWith("2004级02班\n"));

    f->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(s.com64()->isEnabled());
}

TEST(BandWindow, DefaultsSurviveAReopenAndAFailedSaveKeepsTheOld) {
    BandWindowSchool s;
    Form6* f = s.open();
    f->Text1->setPlainText("[90-100]%\n(-30)");
    f->Check2[1]->setChecked(false);
    f->Option1[1]->setChecked(true);
    f->Combo3->setEditText("1000");
    f->Command[6]->click();
    const QString file = QDir(programFolder()).filePath("分段查看.txt");
    EXPECT_EQ(testsupport::readFileBytes(file), platform::toGbk("[90-100]%\r\n(-30)"));
    EXPECT_EQ(s.w.settingsValue(36), "1011111099");
    f->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    f = s.open();
    EXPECT_EQ(f->Text1->toPlainText(), "[90-100]%\n(-30)");
    EXPECT_FALSE(f->Check2[1]->isChecked());
    EXPECT_TRUE(f->Check2[6]->isChecked());
    EXPECT_TRUE(f->Option1[1]->isChecked());
    EXPECT_EQ(f->Combo3->currentText(), "99");
    EXPECT_EQ(f->bandTable().size(), 2u);
    EXPECT_TRUE(s.report(*f).startsWith("平均分\n"));   // 纵向比较 turned 总分 into 平均分

    // A character GBK cannot hold: a message, the old file and row 36 stay.
    DialogDouble d;
    d.answerMessage(platform::MsgResult::Ok);
    f->Text1->setPlainText("(-30) '\U0001F600");
    f->Check2[0]->setChecked(false);
    f->Command[6]->click();
    EXPECT_EQ(d.shown().size(), 1u);
    EXPECT_EQ(testsupport::readFileBytes(file), platform::toGbk("[90-100]%\r\n(-30)"));
    EXPECT_EQ(s.w.settingsValue(36), "1011111099");
    f->close();
}

TEST(BandWindow, SpacingBoundsSaveTwiceAndPrint) {
    BandWindowSchool s;
    Form6* f = s.open();
    f->Combo3->setEditText("-2");
    f->Command[2]->click();
    EXPECT_EQ(f->Combo3->currentText(), "0");
    EXPECT_FALSE(s.report(*f).contains("\n\n\n"));
    f->Combo3->setEditText("1000");
    f->Command[2]->click();
    EXPECT_EQ(s.report(*f).left(8 + 100), "2004级01班" + QString(100, '\n'));

    f->Combo3->setEditText("1");
    f->Command[2]->click();
    const QString path = s.dir.filePath("报表.txt");
    DialogDouble d;
    d.chooseFile(path).chooseFile(path);
    f->Command[5]->click();
    f->Command[5]->click();
    const QByteArray once = platform::toGbk(QString(s.report(*f)).replace("\n", "\r\n"));
    EXPECT_EQ(testsupport::readFileBytes(path), once + "\r\n" + once);
    EXPECT_TRUE(d.shown()[0].file.allowNewFile);

    const QString pdf = s.dir.filePath("report.pdf");
    d.printToPdf(pdf);
    f->Command[7]->click();
    EXPECT_TRUE(printedLayoutText(pdf).contains("2004级01班"));
    EXPECT_EQ(printedTitle(pdf), "高级查看");
    const QString before = s.report(*f);
    {
        DialogDouble refused;
        refused.printToPdf(pdf).queueRefuses().answerMessage(platform::MsgResult::Ok, "打印没有完成,请检查打印机.");
        f->Command[7]->click();
        EXPECT_EQ(s.report(*f), before);
    }
    DialogDouble none;
    none.noPrinterInstalled().answerMessage(platform::MsgResult::Ok);
    f->Command[7]->click();
    EXPECT_EQ(s.report(*f), before);
    f->close();
}

// On paper each line of the report is one printed line, as on the screen:
// the page turns or the type shrinks rather than a row's last figures or a
// heading word going onto the next line.
TEST(BandWindow, EveryLineOfThePrintedReportIsOneLine) {
    BandWindowSchool s;
    Form6* f = s.open();
    for (QCheckBox* option : f->Check2)
        if (option && !option->isChecked())
            option->click();
    f->Command[2]->click();
    QStringList expected;
    for (const QString& line : s.report(*f).split('\n'))
        if (!line.trimmed().isEmpty())
            expected << line.simplified();
    ASSERT_TRUE(expected.value(1).endsWith("学生人数 教师姓名")) << expected.value(1).toStdString();

    const QString pdf = s.dir.filePath("report.pdf");
    DialogDouble d;
    d.printToPdf(pdf);
    f->Command[7]->click();
    QStringList printed;
    for (const PrintedPage& page : printedPages(pdf)) {
        const QRectF ink = page.inked();
        EXPECT_GT(ink.left(), 10);
        EXPECT_LT(ink.right(), page.size.width() - 10);
        printed << page.lines();
    }
    EXPECT_EQ(printed, expected);
    const QString layout = printedLayoutText(pdf);
    EXPECT_TRUE(layout.contains("学生人数")) << layout.toStdString();
    f->close();
}

TEST(BandWindow, NoRowsNoWindow) {
    BandWindowSchool s;
    s.school.db()->execute("delete from 成绩表");
    BandWindowSchool::pick(s.w.control<QComboBox>("Combo9"), "2004级02班");
    s.com64()->click();
    EXPECT_EQ(s.w.findChild<Form6*>(QString(), Qt::FindDirectChildrenOnly), nullptr);
    EXPECT_TRUE(s.com64()->isEnabled());
}

// 01: 数学 70 and 30, 语文 80 and 60; 02: one student.
TEST(BandWindow, GraphAndStudentChartFollowTheSelectors) {
    BandWindowSchool s;
    Form6* f = s.open();
    BandWindowSchool::pick(f->Combo2, "数学");
    f->Command[3]->click();
    EXPECT_EQ(f->ActiveView, 3);
    EXPECT_TRUE(f->Frame1[2]->isVisibleTo(f));
    EXPECT_FALSE(f->Frame1[1]->isVisibleTo(f));
    EXPECT_EQ(f->graph().values, (std::vector<float>{0, 1, 1}));   // (-30), [30-60), [60-)
    EXPECT_EQ(f->Adodc1->recordSource().left(8), "select *");     // given back
    EXPECT_FALSE(f->VScroll1->isVisibleTo(f));

    // The canvas as painted: the axis black, bars pure blue and only right of it.
    const auto blue = [](const QImage& img, int x, int y) { return img.pixelColor(x, y) == QColor(0, 0, 255); };
    const QImage img = f->Picture2->grab().toImage();
    const int axis = platform::twipsToPixels(1000);
    const bands::ChartBar& bar = f->Picture2->chart().bars[1];
    EXPECT_TRUE(blue(img, platform::twipsToPixels(1000 + int(bar.length) / 2), platform::twipsToPixels(bar.top + 100)));
    EXPECT_EQ(img.pixelColor(axis, platform::twipsToPixels(50)), QColor(0, 0, 0));
    int blueLeft = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < axis; ++x) blueLeft += blue(img, x, y);
    EXPECT_EQ(blueLeft, 0);

    // Another subject redraws the graph, another class too.
    BandWindowSchool::pick(f->Combo2, "语文");
    EXPECT_EQ(f->graph().values, (std::vector<float>{0, 0, 2}));
    EXPECT_EQ(f->Picture2->chart().bars.size(), 3u);
    BandWindowSchool::pick(f->Combo1, "所有班级");
    EXPECT_EQ(f->Picture2->chart().message, bands::kBandGraphMessage);

    // 学生: one bar per student, best first, for the whole school too.
    f->Command[4]->click();
    EXPECT_EQ(f->ActiveView, 4);
    EXPECT_EQ(f->graph().labels, (QStringList{"001", "002", "003"}));
    EXPECT_EQ(f->graph().values, (std::vector<float>{80, 60, 20}));
    BandWindowSchool::pick(f->Combo1, "2004级02班");
    EXPECT_EQ(f->graph().labels, QStringList{"003"});
    BandWindowSchool::pick(f->Combo2, "总分");
    EXPECT_FLOAT_EQ(f->Picture2->chart().bars[0].length, 6975 - 1600);

    // A typed item that is no field: the band message, no student bars, no failure shown.
    f->Combo2->setEditText("数学 from 成绩表;");
    f->Command[4]->click();
    EXPECT_TRUE(f->Picture2->chart().bars.empty());
    EXPECT_TRUE(f->Picture2->chart().message.isEmpty());
    f->Command[3]->click();
    EXPECT_EQ(f->Picture2->chart().message, bands::kBandGraphMessage);
    f->close();
}

TEST(BandWindow, ClassWithoutStudentsHidesTheGraphPane) {
    BandWindowSchool s;
    s.school.db()->execute("delete from 成绩表 where 班='02'");
    Form6* f = s.open();
    BandWindowSchool::pick(f->Combo1, "2004级02班");
    DialogDouble d;
    d.answerMessage(platform::MsgResult::Ok, "对不起,你所选择的班级中没有同学,请重新选择一个有学生的班.");
    f->Command[4]->click();
    EXPECT_EQ(d.lastTitle(), "提示");
    for (QFrame* pane : f->Frame1) EXPECT_FALSE(pane->isVisibleTo(f));
    f->close();
}

TEST(BandWindow, EightyStudentsScrollEightyOneGiveTheMessage) {
    BandWindowSchool s;
    for (int i = 0; i < 79; ++i) s.add(qPrintable(QStringLiteral("2004%1").arg(100 + i, 4, 10, QChar('0'))), "02", 10, i, i);
    Form6* f = s.open();
    BandWindowSchool::pick(f->Combo1, "2004级02班");
    f->Command[4]->click();
    EXPECT_EQ(f->Picture2->chart().bars.size(), 80u);
    ASSERT_TRUE(f->VScroll1->isVisibleTo(f));
    EXPECT_EQ(f->VScroll1->maximum(), 400 * 80 + 100 - 4815 + 50);
    EXPECT_EQ(f->Picture2->y(), 0);
    // The canvas top is minus the value: a small step scrolls 200 twips, a large one 1000.
    const int start = f->VScroll1->value();
    f->VScroll1->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(f->VScroll1->value(), start + 200);
    EXPECT_EQ(f->Picture2->y(), platform::twipsToPixels(-(start + 200)));
    f->VScroll1->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(f->VScroll1->value(), start + 1200);
    EXPECT_EQ(f->Picture2->y(), platform::twipsToPixels(-(start + 1200)));

    BandWindowSchool::pick(f->Combo1, "所有班级");   // 82 students
    EXPECT_EQ(f->Picture2->chart().message, bands::kStudentChartMessage);
    EXPECT_FALSE(f->VScroll1->isVisibleTo(f));
    f->close();
}

} // namespace
