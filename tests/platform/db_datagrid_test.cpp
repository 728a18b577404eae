#include "support/db_fixture.h"
#include "support/dialog_double.h"
#include "support/other_program.h"

#include "platform/db/datacontrol.h"
#include "platform/dbui/datagrid.h"
#include "platform/db/recordset.h"
#include "platform/db/value_text.h"

#include <QApplication>
#include <QLineEdit>
#include <QTableView>
#include "support/test_files.h"

using namespace platform::db;

namespace {

using testsupport::s;

class DataGridTest : public testsupport::DbFixture {
protected:
    void SetUp() override {
        DbFixture::SetUp();
        addStudents({{s("20040001"), s("2004"), s("01"), s("张三"), s("01"), 1},
                     {s("20040002"), s("2004"), s("01"), s("李四"), s("02"), 2},
                     {s("20040003"), s("2004"), s("01"), s("王五"), s("03"), 3}});
        ad1_.setConnectionString(s("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + path()
                                 + s(";Persist Security Info=False;Jet OLEDB:Database Password="));
        ad1_.setRecordSource(s("select 学号,姓名,年级,班,STID,考号 from 成绩表 where 年级 = '2004' and 班 = '01'"));
        ad1_.refresh();
        grid_.setDataSource(&ad1_);
    }
    QString storedName(const char* stid) {
        return db_->scalar(s("SELECT 姓名 FROM 成绩表 WHERE STID=?"), {s(stid)}).toString();
    }
    DataControl ad1_;
    DataGrid grid_;
};

TEST_F(DataGridTest, CurrentRowFollowsBothWays) {
    EXPECT_EQ(grid_.columnCount(), 6);
    EXPECT_EQ(grid_.view()->model()->headerData(1, Qt::Horizontal).toString(), s("姓名"));
    ad1_.recordset()->setAbsolutePosition(3);
    EXPECT_EQ(grid_.view()->currentIndex().row(), 2);
    grid_.view()->setCurrentIndex(grid_.view()->model()->index(1, 1));     // the user picks a row
    EXPECT_EQ(ad1_.recordset()->absolutePosition(), 2);
    ad1_.recordset()->setSort(s("学号 desc"));
    EXPECT_EQ(grid_.view()->model()->index(0, 0).data().toString(), s("03"));
}

TEST_F(DataGridTest, ColumnWidthsAreSetAndReadInTwips) {
    for (int twips : {1440, 735, 2880}) {
        grid_.setColumnWidthTwips(1, twips);
        EXPECT_NEAR(grid_.columnWidthTwips(1), twips, 15);
    }
    EXPECT_NE(grid_.columnWidthTwips(0), grid_.columnWidthTwips(1));
}

TEST_F(DataGridTest, EditIsStoredWhenTheRowIsLeftAndRefusalsAreShown) {
    ASSERT_TRUE(grid_.editCell(0, 1, s("赵六")));
    EXPECT_EQ(grid_.view()->model()->index(0, 1).data().toString(), s("赵六"));
    EXPECT_EQ(storedName("20040001"), s("张三"));
    ASSERT_TRUE(grid_.chooseRow(1));
    EXPECT_EQ(storedName("20040001"), s("赵六"));

    {
        DialogDouble dialogs;
        dialogs.answerMessage(platform::MsgResult::Ok, s("字段 姓名 最多只能有 3 个字符."));
        EXPECT_FALSE(grid_.editCell(1, 1, s("四个字的")));
    }
    EXPECT_FALSE(ad1_.recordset()->isDirty());
    grid_.chooseRow(2);
    EXPECT_EQ(storedName("20040002"), s("李四"));

    grid_.setColumnLocked(4, true);
    EXPECT_FALSE(grid_.view()->model()->flags(grid_.view()->model()->index(0, 4)) & Qt::ItemIsEditable);
    EXPECT_FALSE(grid_.editCell(2, 4, s("x")));
    grid_.setAllowUpdate(false);
    EXPECT_FALSE(grid_.editCell(2, 1, s("钱")));
    EXPECT_EQ(storedName("20040003"), s("王五"));
}

// A row left while another program holds the file keeps its edit and the
// grid stays on it; leaving it once the file is free stores the edit.
TEST_F(DataGridTest, AnEditRefusedByABusyFileStaysOnItsRowForTheNextTry) {
    testsupport::OtherProgram::waitAtMost(*db_, 50);
    ASSERT_TRUE(grid_.editCell(0, 1, s("赵六")));
    {
        testsupport::OtherProgram other(path());
        other.run(s("BEGIN IMMEDIATE"));
        DialogDouble dialogs;
        dialogs.answerMessage(platform::MsgResult::Ok, s("数据库正被别的程序使用,请稍后再试."));
        EXPECT_FALSE(grid_.chooseRow(1));
        EXPECT_TRUE(ad1_.recordset()->isDirty());
        EXPECT_EQ(ad1_.recordset()->absolutePosition(), 1);
        EXPECT_EQ(grid_.view()->currentIndex().row(), 0);
        EXPECT_EQ(grid_.view()->model()->index(0, 1).data().toString(), s("赵六"));
        other.run(s("ROLLBACK"));
    }
    EXPECT_EQ(storedName("20040001"), s("张三"));
    ASSERT_TRUE(grid_.chooseRow(1));
    EXPECT_EQ(storedName("20040001"), s("赵六"));
}

TEST_F(DataGridTest, AValueCheckRefusesUnderThePromptTitle) {
    std::vector<int> asked;
    grid_.setValueCheck([&](int column, const QVariant& value) {
        asked.push_back(column);
        return value.toString() == s("坏") ? s("不行!") : QString();
    });
    {
        DialogDouble dialogs;
        dialogs.answerMessage(platform::MsgResult::Ok, s("不行!"));
        EXPECT_FALSE(grid_.editCell(0, 1, s("坏")));
        EXPECT_EQ(dialogs.lastTitle(), s("提示"));
    }
    EXPECT_FALSE(ad1_.recordset()->isDirty());
    EXPECT_TRUE(grid_.editCell(0, 1, s("好")));
    EXPECT_EQ(asked, (std::vector<int>{1, 1}));
}

// A value typed into a cell and not yet left reaches the row when the grid is told to take it.
TEST_F(DataGridTest, AnOpenEditorIsCommittedOnRequest) {
    EXPECT_TRUE(grid_.commitEditor());   // none open
    grid_.show();
    const QModelIndex cell = grid_.view()->model()->index(1, 1);
    auto type = [&](const QString& text) {
        grid_.view()->setCurrentIndex(cell);
        grid_.view()->edit(cell);
        QLineEdit* editor = nullptr;
        for (auto* e : grid_.view()->viewport()->findChildren<QLineEdit*>())
            if (!e->isHidden())
                editor = e;
        if (editor)
            editor->setText(text);
        return editor;
    };
    QLineEdit* editor = type(s("钱七"));
    ASSERT_NE(editor, nullptr);
    EXPECT_TRUE(grid_.commitEditor());
    EXPECT_TRUE(editor->isHidden());
    ad1_.recordset()->update();
    EXPECT_EQ(storedName("20040002"), s("钱七"));
    EXPECT_TRUE(grid_.commitEditor());   // closed: nothing more to take

    ASSERT_NE(type(s("四个字的")), nullptr);
    DialogDouble dialogs;
    dialogs.answerMessage();
    EXPECT_FALSE(grid_.commitEditor());
    EXPECT_EQ(storedName("20040002"), s("钱七"));
}

// A cell shows a number as the exports write it: the digits of its field's
// precision, never the binary neighbour of a single; editing starts from it.
TEST_F(DataGridTest, NumbersReadAsTheNumberTextOfTheirFieldsPrecision) {
    TableDef t{s("数表"), {{s("ID"), FieldType::Long}, {s("单"), FieldType::Single}, {s("双"), FieldType::Double}}};
    db_->createTable(t);
    struct Case { double value; const char* single; const char* dbl; };
    const Case cases[] = {
        {66.9, "66.9", "66.9"},
        {375.4686, "375.4686", "375.4686"},
        {80.4, "80.4", "80.4"},
        {1e9, "1E+09", "1000000000"},
        {0.1, "0.1", "0.1"},
        {-0.000001, "-1E-06", "-1E-06"},
        {1e20, "1E+20", "1E+20"},
        {13.333333333333334, "13.33333", "13.3333333333333"},
    };
    int id = 0;
    for (const Case& c : cases)
        db_->insertRow(s("数表"), {s("ID"), s("单"), s("双")}, {++id, c.value, c.value});
    ad1_.setRecordSource(s("select ID,单,双 from 数表 order by ID"));
    ad1_.refresh();
    QAbstractItemModel* model = grid_.view()->model();
    for (int row = 0; row < int(std::size(cases)); ++row) {
        const Case& c = cases[row];
        for (int role : {int(Qt::DisplayRole), int(Qt::EditRole)}) {
            EXPECT_EQ(model->index(row, 1).data(role).toString(), s(c.single)) << c.single;
            EXPECT_EQ(model->index(row, 2).data(role).toString(), s(c.dbl)) << c.dbl;
        }
        // The export's text of the same value.
        EXPECT_EQ(plainValueText(ad1_.recordset()->valueAt(row, 1), FieldType::Single), s(c.single));
    }

    // A double left as its cell showed it keeps the digits beyond the text.
    const int last = int(std::size(cases)) - 1;
    ASSERT_TRUE(model->setData(model->index(last, 2), s("13.3333333333333"), Qt::EditRole));
    ASSERT_TRUE(grid_.chooseRow(0));
    EXPECT_EQ(db_->scalar(s("SELECT 双 FROM 数表 WHERE ID=?"), {last + 1}).toDouble(), 13.333333333333334);
    // A typed change is stored as typed.
    ASSERT_TRUE(model->setData(model->index(last, 1), s("66.9"), Qt::EditRole));
    ASSERT_TRUE(grid_.chooseRow(0));
    EXPECT_EQ(model->index(last, 1).data().toString(), s("66.9"));
    EXPECT_FLOAT_EQ(db_->scalar(s("SELECT 单 FROM 数表 WHERE ID=?"), {last + 1}).toFloat(), 66.9f);
}

TEST_F(DataGridTest, UnbindingAndClosingLeaveAnEmptyGrid) {
    ad1_.setRecordSource(QString());
    EXPECT_EQ(grid_.columnCount(), 0);
    ad1_.setRecordSource(s("成绩表"));
    ad1_.refresh();
    EXPECT_EQ(grid_.columnCount(), 12);
    grid_.setDataSource(nullptr);
    EXPECT_EQ(grid_.columnCount(), 0);
}

} // namespace
