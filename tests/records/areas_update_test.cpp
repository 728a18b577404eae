#include "platform/db/datacontrol.h"
#include "platform/dbui/datagrid.h"
#include "platform/db/recordset.h"
#include "records/QYset.h"
#include "records/XJNew.h"
#include "records/XJmain.h"
#include "records/core/Tavisk.h"
#include "records/core/records_database.h"
#include "records/core/register_update.h"
#include "support/dialog_double.h"
#include "support/other_program.h"
#include "support/school_fixture.h"

#include <QAction>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <gtest/gtest.h>

using platform::MsgResult;

namespace {

const QString kCheckFirst = QStringLiteral("请在Orbisca中检查你的成绩库中数据的完整性，然后再运行本程序！");

class RecordsWindows : public ::testing::Test {
protected:
    void SetUp() override { Tavisk::resetState(); }
    void TearDown() override {
        main_.reset();
        Tavisk::resetState();
    }
    void start() {
        main_ = std::make_unique<XJmain>();
        ASSERT_TRUE(main_->Form_Load());
    }
    void score(const QVariantList& v) { school_.db()->insertRow("成绩表", {"STID", "年级", "班", "姓名"}, v); }
    void reg(const QVariantList& v, const QVariantList& personal = {}) {
        QStringList f = {"STID", "年级", "班", "姓名"};
        QVariantList values = v;
        if (!personal.isEmpty()) {
            f << "籍贯" << "备注";
            values << personal;
        }
        school_.db()->insertRow("学籍表", f, values);
    }
    std::vector<QVariantList> rows(const char* sql) { return school_.db()->query(QString::fromUtf8(sql)); }

    SchoolFixture school_;
    DialogDouble dialogs_;
    std::unique_ptr<XJmain> main_;
};

// ---------------------------------------------------------------- areas

TEST_F(RecordsWindows, AreaEditorSeedsOnlyAnEmptyTable) {
    start();
    school_.db()->execute("DELETE FROM 区域表");
    QYset w;
    w.Form_Load();
    EXPECT_EQ(w.windowTitle(), QStringLiteral("区域设置"));
    EXPECT_EQ(w.Label1->text(), QStringLiteral("ID：  系统对区域的识别码，3个字符，不得相同。"));
    EXPECT_EQ(w.Label2->text(), QStringLiteral("名称： 也就是地名，不多于8个字。"));
    EXPECT_EQ(w.Label3->text(), QStringLiteral("距学校： 与学校间的距离，单位可认为是公里。"));
    const auto seeded = rows("SELECT * FROM 区域表 ORDER BY rowid");
    ASSERT_EQ(seeded.size(), 3u);
    EXPECT_EQ(seeded[0], (QVariantList{"001", "长安街", 5}));
    EXPECT_EQ(seeded[2], (QVariantList{"003", "杏花村", 20}));
    EXPECT_EQ(w.DataGrid1->columnCount(), 3);
    w.close();

    school_.db()->execute("DELETE FROM 区域表 WHERE ID <> '002'");
    QYset again;
    again.Form_Load();
    EXPECT_EQ(rows("SELECT ID FROM 区域表").size(), 1u);
}

TEST_F(RecordsWindows, AreaEditorClosingDropsRowsWithoutAName) {
    start();
    auto db = school_.db();
    db->insertRow("区域表", {"ID"}, {"004"});
    db->insertRow("区域表", {"名称", "距学校"}, {"无号村", 3});
    db->insertRow("区域表", {"ID", "名称"}, {"001", "同号村"});
    QYset w;
    w.Form_Load();
    // Typed into the grid and not yet left: a two-character ID, and a new row.
    ASSERT_TRUE(w.DataGrid1->editCell(0, 0, "01"));
    const int newRow = w.Adodc1->recordset()->recordCount();
    ASSERT_TRUE(w.DataGrid1->editCell(newRow, 0, "009"));
    ASSERT_TRUE(w.DataGrid1->editCell(newRow, 1, "新区"));
    w.Adodc1->recordset()->moveFirst();   // the current row anywhere
    w.close();
    EXPECT_EQ(rows("SELECT ID, 名称 FROM 区域表 ORDER BY rowid"),
              (std::vector<QVariantList>{{"01", "长安街"}, {"002", "南大街"}, {"003", "杏花村"},
                                         {QVariant(), "无号村"}, {"001", "同号村"}, {"009", "新区"}}));
}

TEST_F(RecordsWindows, AreaEditorClosedWhileTheFileIsBusyStaysOpenWithTheEdit) {
    start();
    testsupport::OtherProgram::waitAtMost(*school_.db(), 50);
    QYset& w = *new QYset(main_.get());
    w.Form_Load();
    w.show();
    const QVariantList before = rows("SELECT 名称 FROM 区域表 ORDER BY rowid").front();
    ASSERT_TRUE(w.DataGrid1->editCell(0, 1, "新街"));
    {
        testsupport::OtherProgram other(school_.databasePath());
        other.run("BEGIN IMMEDIATE");
        dialogs_.answerMessage(MsgResult::Ok, QStringLiteral("数据库正被别的程序使用,请稍后再试."));
        EXPECT_FALSE(w.close());
        EXPECT_TRUE(w.isVisible());
        EXPECT_TRUE(w.Adodc1->recordset()->isDirty());
        // Closing the program stops at the window that keeps the edit.
        dialogs_.answerMessage(MsgResult::Ok, QStringLiteral("数据库正被别的程序使用,请稍后再试."));
        EXPECT_FALSE(main_->close());
        other.run("ROLLBACK");
    }
    EXPECT_EQ(rows("SELECT 名称 FROM 区域表 ORDER BY rowid").front(), before);
    EXPECT_TRUE(w.close());
    EXPECT_EQ(rows("SELECT 名称 FROM 区域表 ORDER BY rowid").front(), (QVariantList{"新街"}));
}

// ---------------------------------------------------------------- register update

TEST_F(RecordsWindows, UpdateBringsTheRegisterInLineAndKeepsPersonalFields) {
    score({"20040001", "2004", "01", "张三"});
    score({"20040002", "2004", "01", "李四"});
    score({"20040003", "2004", "01", "王五"});
    start();
    auto db = school_.db();
    db->execute("UPDATE 学籍表 SET 籍贯='北京', 备注='留' WHERE STID IN ('20040001', '20040002')");
    db->execute("UPDATE 成绩表 SET 姓名='张叁' WHERE STID='20040001'");
    db->execute("UPDATE 成绩表 SET 班='02' WHERE STID='20040002'");
    db->execute("DELETE FROM 成绩表 WHERE STID='20040003'");
    score({"20040004", "2004", "02", "赵六"});
    score({"20040004", "2004", "01", "赵陆"});     // twice: the later row's name and class
    score({"20050001", "2005", QVariant(), QVariant()});
    reg({"20049999", "2004", "01", "走了"});
    reg({"20040001", "2004", "01", "重复"});       // a second row of one STID

    XJNew w;
    w.Form_Load();
    EXPECT_EQ(w.windowTitle(), QStringLiteral("更新学籍库"));
    // No: nothing at all is written.
    const auto before = rows("SELECT * FROM 学籍表 ORDER BY rowid");
    dialogs_.answerMessage(MsgResult::No);
    w.Command1_Click();
    EXPECT_EQ(dialogs_.shown().back().buttons, platform::MsgButtons::YesNo);
    EXPECT_TRUE(dialogs_.lastMessage().contains("3"));
    EXPECT_EQ(rows("SELECT * FROM 学籍表 ORDER BY rowid"), before);

    int highest = 0;
    bool overran = false;
    QObject::connect(w.ProgressBar1, &QProgressBar::valueChanged, [&](int v) {
        highest = std::max(highest, v);
        overran = overran || v > w.ProgressBar1->maximum();
    });
    w.show();
    dialogs_.answerMessage(MsgResult::Yes).answerMessage(MsgResult::Ok, QStringLiteral("更新完成！"));
    w.Command1_Click();
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(highest, w.ProgressBar1->maximum());
    EXPECT_FALSE(overran);
    EXPECT_EQ(w.ProgressBar1->maximum(), 5 + 5 + 2);   // N, then the register after the adds

    EXPECT_EQ(rows("SELECT STID, 年级, 班, 姓名, 籍贯, 备注 FROM 学籍表 ORDER BY rowid"),
              (std::vector<QVariantList>{{"20040001", "2004", "01", "张叁", "北京", "留"},
                                         {"20040002", "2004", "02", "李四", "北京", "留"},
                                         {"20040004", "2004", "01", "赵陆", QVariant(), QVariant()},
                                         {"20050001", "2005", QVariant(), QVariant(), QVariant(), QVariant()}}));
    EXPECT_TRUE(rows("SELECT 1 FROM 学籍表 WHERE 年级='----'").empty());
}

TEST_F(RecordsWindows, UpdateRefusesOrDoesNothing) {
    start();
    XJNew w;
    w.Form_Load();
    w.show();
    w.Command1_Click();   // an empty 成绩表: nothing, no message
    EXPECT_TRUE(w.isVisible());
    EXPECT_TRUE(dialogs_.shown().empty());

    score({QVariant(), "2004", "01", "无号"});
    score({"20040001", "2004", "01", "张三"});
    dialogs_.answerMessage(MsgResult::Ok, kCheckFirst);
    w.Command1_Click();
    EXPECT_EQ(dialogs_.lastTitle(), platform::programTitle());
    EXPECT_TRUE(w.isVisible());
    EXPECT_TRUE(rows("SELECT * FROM 学籍表").empty());
}

TEST_F(RecordsWindows, AFailingUpdateLeavesTheRegisterAsItWas) {
    // A score table whose classes are longer than the register takes.
    school_.db()->dropTable("成绩表");
    school_.db()->createTable({"成绩表", {{"STID", platform::db::FieldType::Text, 8}, {"年级", platform::db::FieldType::Text, 4},
                                          {"班", platform::db::FieldType::Text, 5}, {"姓名", platform::db::FieldType::Text, 3}}});
    score({"20040001", "2004", "01", "张三"});
    score({"20040002", "2004", "01", "李四"});
    start();
    score({"20040003", "2004", "01", "新生"});
    school_.db()->execute("UPDATE 成绩表 SET 班='01234' WHERE STID='20040002'");
    reg({"20049999", "2004", "01", "走了"});
    const auto before = rows("SELECT * FROM 学籍表 ORDER BY rowid");
    XJNew w;
    w.Form_Load();
    dialogs_.answerMessage(MsgResult::Yes).answerMessage();
    w.Command1_Click();
    EXPECT_EQ(dialogs_.lastTitle(), QStringLiteral("小错误..."));
    EXPECT_EQ(rows("SELECT * FROM 学籍表 ORDER BY rowid"), before);
}

TEST_F(RecordsWindows, MenuEntriesShowOneWindowEach) {
    start();
    main_->menuItem("Menu_D_Refe")->trigger();
    XJNew* update = main_->registerUpdate();
    ASSERT_TRUE(update);
    main_->menuItem("Menu_D_Refe")->trigger();
    EXPECT_EQ(main_->registerUpdate(), update);
    EXPECT_EQ(main_->findChildren<XJNew*>().size(), 1);
    main_->menuItem("Menu2_SQ")->trigger();
    ASSERT_TRUE(main_->areaEditor());
    EXPECT_TRUE(main_->areaEditor()->isVisible());

    // Closing the main window closes the area editor with its own closing work.
    QYset* areas = main_->areaEditor();
    ASSERT_TRUE(areas->DataGrid1->editCell(areas->Adodc1->recordset()->recordCount(), 0, "008"));
    main_->close();
    EXPECT_TRUE(rows("SELECT 1 FROM 区域表 WHERE ID = '008'").empty());
    EXPECT_TRUE(rows("SELECT 1 FROM 区域表 WHERE 名称 IS NULL").empty());
}

} // namespace
