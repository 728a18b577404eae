// The results view in the main window on a small school: choosing a class or
// room, the table switch, the pages, the summary on moves and the search box.

#include "common/program_state.h"
#include "grades/app/main_window.h"
#include "grades/calc/CalculationPanel.h"
#include "grades/frame/Form2.h"
#include "grades/results/core/tab_text.h"
#include "grades/results/view/ResultsPanel.h"
#include "platform/db/datacontrol.h"
#include "platform/db/recordset.h"
#include "platform/dbui/datacontrolbar.h"
#include "platform/dbui/datagrid.h"
#include "results_school.h"
#include "support/dialog_double.h"
#include "support/test_files.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <gtest/gtest.h>

using platform::db::Database;

namespace {

const QStringList kSubjects = {"语文", "数学"};

void addStudent(Database& db, const QString& table, const QString& stid, const QString& cls, const QString& name,
                const QString& examNumber, const QString& room, const QString& seat, double total) {
    db.insertRow(table, {"STID", "年级", "班", "姓名", "考号", "考室", "座位", "总分", "平均分", "语文", "数学"},
                 {stid, "2004", cls, name, examNumber, room, seat, total, total / 2, total / 2, total / 2});
}

// Two classes: 01 with 张三 (180), 李四 (150), 王五 (120); 02 with 张三 (160) and 赵六 (100).
struct ResultsPanelSchool : ResultsSchool {
    ResultsPanel& panel = dynamic_cast<ResultsPanel&>(*w.panel(6));
    ResultsPanelSchool() : ResultsSchool(kSubjects) {
        fill("成绩表");
        w.setSettingsValue(7, "2");
    }
    Database& db() { return *school.db(); }
    void fill(const QString& table) {
        addStudent(db(), table, "20040001", "01", "张三", "2004001", "001", "01", 180);
        addStudent(db(), table, "20040002", "01", "李四", "2004002", "001", "02", 150);
        addStudent(db(), table, "20040003", "01", "王五", "2004003", "002", "01", 120);
        addStudent(db(), table, "20040004", "02", "张三", "2004004", "002", "02", 160);
        addStudent(db(), table, "20040005", "02", "赵六", "2004005", "001", "03", 100);
    }
    platform::db::DataControl& ad61() { return w.anyDataControl("Ad61"); }
    platform::db::Recordset& rs() { return *ad61().recordset(); }
    QString current() { return rs().absolutePosition() ? rs().value("STID").toString() : QString(); }
    void key(int16_t code) {
        int16_t k = code;
        panel.Te61_KeyPress(k);
    }
    QString dump() {
        QStringList rows;
        const auto rows_ = db().query("select * from 成绩表 order by STID");
        for (const auto& r : rows_) {
            QStringList v;
            for (const auto& x : r)
                v << x.toString();
            rows << v.join(',');
        }
        return rows.join('\n');
    }
};

} // namespace

TEST(ResultsView, OpeningShowsTheLowestGradeByAverage) {
    ResultsPanelSchool s;
    s.w.Command6_Click();
    ASSERT_EQ(s.w.visiblePanel(), 6);
    EXPECT_EQ(s.c<QComboBox>("Combo9")->currentText(), "2004级");
    EXPECT_EQ(s.panel.ViewQuery, "select *  from 成绩表  where 年级='2004' order by \"平均分\" desc");
    EXPECT_EQ(s.ad61().recordSource(), s.panel.ViewQuery);
    EXPECT_EQ(s.current(), "20040001");
    EXPECT_EQ(s.ad61().caption(), " 1/ 5");
    EXPECT_EQ(s.c<QLineEdit>("Te61")->text(), "张三 2004001 总分:180");
    EXPECT_EQ(s.c<QLabel>("Lab6b")->text(), "张三:90");
    EXPECT_TRUE(s.c<QPlainTextEdit>("Text7")->toPlainText().startsWith("2004级 01班 张三"));
    EXPECT_TRUE(s.c<QPlainTextEdit>("Text6")->toPlainText().startsWith("2004级 5个同学的各种平均分"));
    EXPECT_EQ(s.c<QLabel>("Lab6a")->text(), "平均:  71");
    auto* grid = s.c<platform::db::DataGrid>("DataGrid6");
    EXPECT_TRUE(grid->isEnabled());
    EXPECT_EQ(grid->dataSource(), &s.ad61());
    EXPECT_TRUE(grid->view()->isColumnHidden(0));
    EXPECT_FALSE(grid->allowUpdate());
    // Moving with the arrows past the last row empties only the summary.
    s.rs().moveLast();
    EXPECT_EQ(s.ad61().caption(), " 5/ 5");
    s.rs().moveNext();
    EXPECT_EQ(s.c<QPlainTextEdit>("Text7")->toPlainText(), "");
    EXPECT_EQ(s.ad61().caption(), " 5/ 5");
    EXPECT_EQ(s.c<QLineEdit>("Te61")->text(), "赵六 2004005 总分:100");
}

TEST(ResultsView, ClassThenRoomThenClassAndReopening) {
    ResultsPanelSchool s;
    s.w.Command6_Click();
    s.pick("Combo12", "数学");
    s.pick("Combo9", "2004级02班");
    EXPECT_EQ(s.panel.ViewQuery, "select *  from 成绩表  where 年级='2004' and 班='02' order by \"数学\" desc");
    EXPECT_EQ(s.c<QLabel>("Lab6")->text(), "2004级02班");
    EXPECT_EQ(s.rs().recordCount(), 2);
    EXPECT_EQ(s.c<QLabel>("Lab6b")->text(), "张三:80");
    EXPECT_TRUE(s.c<QPlainTextEdit>("Text7")->toPlainText().contains("数学的名次: 1"));

    s.pick("Combo10", "1考室");
    EXPECT_EQ(s.c<QComboBox>("Combo9")->currentText(), "");
    EXPECT_EQ(s.c<QComboBox>("Combo12")->currentText(), "考号");
    EXPECT_EQ(s.panel.ViewQuery, "select *  from 成绩表  where 考室='001' order by 考室,座位 asc");
    EXPECT_EQ(s.c<QLabel>("Lab6")->text(), "1考室");
    EXPECT_EQ(s.c<QPlainTextEdit>("Text2")->toPlainText(),
              "1考室 考号\n张三   2004001   李四   2004002   赵六   2004005   ");

    // Leaving and coming back shows the room again.
    s.w.Comout_Click(5);
    EXPECT_EQ(s.ad61().recordSource(), "");
    s.w.Command6_Click();
    EXPECT_EQ(s.panel.ViewQuery, "select *  from 成绩表  where 考室='001' order by 考室,座位 asc");

    s.pick("Combo9", "2004级01班");
    EXPECT_EQ(s.c<QComboBox>("Combo10")->currentText(), "");
    EXPECT_EQ(s.c<QComboBox>("Combo12")->currentText(), "总分");
    EXPECT_EQ(s.panel.ViewQuery, "select *  from 成绩表  where 年级='2004' and 班='01' order by \"总分\" desc");

    // An empty group: the texts are emptied, the caption says so.
    s.db().execute("delete from 成绩表 where 班='02'");
    s.pick("Combo9", "2004级02班");
    EXPECT_EQ(s.ad61().caption(), "没有同学");
    EXPECT_EQ(s.c<QPlainTextEdit>("Text6")->toPlainText(), "");
    EXPECT_EQ(s.c<QPlainTextEdit>("Text7")->toPlainText(), "");
    EXPECT_EQ(s.c<QPlainTextEdit>("Text2")->toPlainText(), "");
}

TEST(ResultsView, TypedListTextsThatCannotHurt) {
    ResultsPanelSchool s;
    s.w.Command6_Click();
    const QString before = s.panel.ViewQuery;
    // A sort key that is no field: the view stays as it was.
    s.c<QComboBox>("Combo12")->setEditText("总分; delete from 成绩表");
    s.panel.Combo12_Click();
    EXPECT_EQ(s.panel.ViewQuery, before);
    EXPECT_EQ(s.rs().recordCount(), 5);
    // A class typed with a quote is only a class nobody is in.
    s.c<QComboBox>("Combo12")->setEditText("总分");
    s.c<QComboBox>("Combo9")->setEditText("2004级0'班");
    s.panel.Combo9_Click();
    EXPECT_EQ(s.panel.ViewQuery, "select *  from 成绩表  where 年级='2004' and 班='0''' order by \"总分\" desc");
    EXPECT_EQ(s.ad61().caption(), "没有同学");
    // 每排 0: nothing is rebuilt; 行距 far too large is held.
    s.pick("Combo9", "2004级01班");
    s.c<QComboBox>("Combo14")->setEditText("0");
    s.pick("Combo9", "2004级02班");
    EXPECT_EQ(s.rs().recordCount(), 3);   // still the class before
    s.c<QComboBox>("Combo14")->setEditText("1");
    s.c<QComboBox>("Combo13")->setEditText("1E9");
    s.panel.Combo12_Click();
    EXPECT_EQ(s.c<QPlainTextEdit>("Text2")->toPlainText().count('\n'), 100 * 3);
    EXPECT_EQ(s.dump().count('\n'), 4);
}

TEST(ResultsView, TableSwitch) {
    ResultsPanelSchool s;
    s.w.Command6_Click();
    s.pick("Combo9", "2004级01班");
    s.rs().moveNext();   // 李四
    ASSERT_EQ(s.current(), "20040002");

    // Before any calculation the scaled table is empty: back to the raw one.
    DialogDouble d;
    d.answerMessage(platform::MsgResult::Ok, "要以其它方式来查看成绩，你必须完成计算！");
    s.c<QPushButton>("Com65")->click();
    EXPECT_FALSE(s.c<QWidget>("Frame12_2")->isHidden());
    s.c<QRadioButton>("Opt60_1")->click();
    EXPECT_EQ(state().CurrentScoreTable, "成绩表");
    EXPECT_EQ(s.current(), "20040002");
    EXPECT_FALSE(s.c<QWidget>("Frame12_0")->isHidden());
    EXPECT_TRUE(s.c<QWidget>("Frame12_2")->isHidden());

    // Filled, without 李四: the same student where he is, else the last row.
    s.fill("绝对成绩表");
    s.c<QRadioButton>("Opt60_1")->click();
    EXPECT_EQ(state().CurrentScoreTable, "绝对成绩表");
    EXPECT_EQ(s.panel.ViewQuery, "select *  from 绝对成绩表  where 年级='2004' and 班='01' order by \"平均分\" desc");
    EXPECT_EQ(s.current(), "20040002");
    s.db().execute("delete from 相对成绩表");
    s.db().execute("insert into 相对成绩表 select * from 成绩表 where STID<>'20040002'");
    s.c<QRadioButton>("Opt60_2")->click();
    EXPECT_EQ(state().CurrentScoreTable, "相对成绩表");
    EXPECT_EQ(s.current(), "20040003");

    // 换库 marks the table shown; marking it anew chooses it at once.
    s.c<QRadioButton>("Opt60_0")->setChecked(true);
    s.c<QPushButton>("Com65")->click();
    EXPECT_TRUE(s.c<QRadioButton>("Opt60_2")->isChecked());
    state().CurrentScoreTable = "成绩表";
    s.c<QPushButton>("Com65")->click();
    EXPECT_EQ(s.panel.ViewQuery, "select *  from 成绩表  where 年级='2004' and 班='01' order by \"平均分\" desc");

    // An empty view keeps the table.
    s.db().execute("delete from 成绩表 where 班='02'");
    s.pick("Combo9", "2004级02班");
    s.c<QRadioButton>("Opt60_1")->click();
    EXPECT_EQ(state().CurrentScoreTable, "成绩表");
}

TEST(ResultsView, PagesAndExportButton) {
    ResultsPanelSchool s;
    s.w.Command6_Click();
    struct Case { const char* option; const char* page; bool exportEnabled; };
    const Case cases[] = {{"Option8_1", "Frame12_1", true}, {"Option8_2", "Frame12_3", true},
                          {"Option8_0", "Frame12_0", false}};
    for (const auto& c : cases) {
        s.c<QRadioButton>(c.option)->click();
        for (const char* page : {"Frame12_0", "Frame12_1", "Frame12_2", "Frame12_3"})
            EXPECT_EQ(s.c<QWidget>(page)->isHidden(), strcmp(page, c.page) != 0) << c.option << page;
        EXPECT_EQ(s.c<QPushButton>("Com61")->isEnabled(), c.exportEnabled);
    }
}

TEST(ResultsView, SearchByExamNumberOrName) {
    ResultsPanelSchool s;
    s.w.Command6_Click();
    s.pick("Combo9", "2004级01班");
    auto* te61 = s.c<QLineEdit>("Te61");
    te61->setText("  2004004 ");
    s.key(13);
    EXPECT_EQ(s.ad61().recordSource(), "select * from 成绩表 where 考号 = '2004004'");
    EXPECT_EQ(s.current(), "20040004");
    EXPECT_EQ(s.c<QPlainTextEdit>("Text6")->toPlainText(), "只有少数同学,不显示平均分.");
    EXPECT_EQ(s.c<QPlainTextEdit>("Text2")->toPlainText(), "");
    // A name shared across classes: both, whatever group was shown.
    te61->setText("张三");
    s.key(13);
    EXPECT_EQ(s.rs().recordCount(), 2);
    // Choosing the class again brings the group back.
    s.pick("Combo9", "2004级01班");
    EXPECT_EQ(s.rs().recordCount(), 3);
    s.rs().moveNext();

    // Not found, empty, with a quote: the message and the view unchanged.
    for (const char* typed : {"钱七", "   ", "O'Neil", "9' or '1'='1"}) {
        DialogDouble d;
        d.answerMessage(platform::MsgResult::Ok, "对不起,没有找到您要的同学.");
        te61->setText(QString::fromUtf8(typed));
        s.key(13);
        EXPECT_EQ(d.lastTitle(), "没有找到");
        EXPECT_EQ(s.ad61().recordSource(), s.panel.ViewQuery) << typed;
        EXPECT_EQ(s.current(), "20040002") << typed;
    }
    // No current row: not found either.
    s.rs().moveLast();
    s.rs().moveNext();
    DialogDouble d;
    d.answerMessage(platform::MsgResult::Ok, "对不起,没有找到您要的同学.");
    te61->setText("李四");
    s.key(13);
    EXPECT_EQ(s.rs().absolutePosition(), 0);
}

TEST(ResultsView, TypedQueries) {
    ResultsPanelSchool s;
    s.w.Command6_Click();
    s.pick("Combo9", "2004级01班");
    auto* te61 = s.c<QLineEdit>("Te61");
    s.panel.Te61_GotFocus();
    EXPECT_EQ(te61->selectedText(), te61->text());
    te61->setText(" Select ");
    int16_t space = 32;
    s.panel.Te61_KeyPress(space);
    EXPECT_EQ(space, 0);
    EXPECT_EQ(te61->text(), "Select * from 成绩表 where 年级='2004' and 平均分>=60");
    int16_t enter = 13;
    s.panel.Te61_KeyPress(enter);
    EXPECT_EQ(enter, 0);
    EXPECT_EQ(s.panel.ViewQuery, te61->text());
    EXPECT_EQ(s.rs().recordCount(), 4);
    EXPECT_EQ(s.rs().absolutePosition(), 0);   // left past its last row
    EXPECT_EQ(s.c<QPlainTextEdit>("Text7")->toPlainText(), "");

    // Anything but one query that only reads is refused; the view stays.
    const QString before = s.dump();
    for (const char* typed : {"select * from 成绩表; delete from 成绩表", "select * into 新表 from 成绩表"}) {
        DialogDouble d;
        d.answerMessage(platform::MsgResult::Ok, "SQL语句只能是一条查询(select)语句,不能修改数据!");
        te61->setText(QString::fromUtf8(typed));
        s.key(13);
        EXPECT_EQ(s.rs().recordCount(), 4) << typed;
    }
    // A query the database rejects ends quietly.
    te61->setText("select * from 没有的表");
    s.key(13);
    EXPECT_EQ(s.dump(), before);
    EXPECT_FALSE(s.db().hasTable("新表"));
}

// After a calculation the grid shows every stored number as the export writes
// it: single-precision marks, totals and averages with their seven digits,
// not the binary neighbour ("66.9", never "66.9000015258789").
TEST(ResultsView, TheGridReadsAsTheExportedFileAfterACalculation) {
    SchoolFixture school{{"语文", "数学", "英语"}, {"2004"}, {"2004级01班", "2004级02班"}};
    const struct { const char* stid; const char* name; double marks[3]; } students[] = {
        {"20040001", "张三", {66.9, 80.4, 91.3}},
        {"20040002", "李四", {75.4686, 0.1, 99.99}},
        {"20040003", "王五", {88.8, 77.7, 66.6}},
    };
    for (const auto& s : students)
        school.db()->insertRow("成绩表", {"STID", "年级", "班", "姓名", "考号", "语文", "数学", "英语"},
                               {s.stid, "2004", "01", s.name, QString::fromLatin1(s.stid).right(3), s.marks[0],
                                s.marks[1], s.marks[2]});
    state().StudentCount = 3;
    std::unique_ptr<Form2> window = makeMainWindow();
    Form2& w = *window;
    w.ConnectDataControls();
    {
        DialogDouble dialogs;
        dialogs.answerMessage(platform::MsgResult::Yes).answerMessage(platform::MsgResult::Ok);
        w.Command5_Click();
        dynamic_cast<CalculationPanel&>(*w.panel(5)).Com51_Click();
    }
    w.Command6_Click();
    ASSERT_EQ(w.visiblePanel(), 6);
    platform::db::Recordset& rs = *w.anyDataControl("Ad61").recordset();
    ASSERT_EQ(rs.recordCount(), 3);
    // The export's lines: the names, then one line per row.
    const QStringList lines = results::tabText(rs).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 4);
    QAbstractItemModel* model = w.control<platform::db::DataGrid>("DataGrid6")->view()->model();
    ASSERT_EQ(model->columnCount(), lines[0].split(u'\t').size());
    QStringList shown;
    for (int row = 0; row < 3; ++row) {
        QStringList cells;
        for (int column = 0; column < model->columnCount(); ++column)
            cells << model->index(row, column).data().toString();
        shown << cells.join(u'\t');
        EXPECT_EQ(cells.join(u'\t'), lines[row + 1]);
    }
    const QString all = shown.join(u'\n');
    EXPECT_TRUE(all.contains("\t66.9\t")) << all.toStdString();
    EXPECT_TRUE(all.contains("\t75.4686\t")) << all.toStdString();
    EXPECT_FALSE(all.contains("0000")) << all.toStdString();
    EXPECT_FALSE(all.contains("9999")) << all.toStdString();
}
