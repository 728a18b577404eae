// 数据 > 导入文本 on the real main window: Form14's three pages driven through
// their controls as a person would, files written by the test in GBK, every
// dialog answered by the double.
#include "common/program_state.h"
#include "common/schema.h"
#include "grades/app/main_window.h"
#include "grades/frame/Form2.h"
#include "grades/maintenance/Form14.h"
#include "grades/maintenance/core/text_import.h"
#include "platform/db/datacontrol.h"
#include "platform/dbui/datagrid.h"
#include "platform/text/gbk.h"
#include "support/dialog_double.h"
#include "support/failing_vfs.h"
#include "support/login_script.h"
#include "support/other_program.h"
#include "support/school_fixture.h"
#include "support/test_files.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTimer>
#include <gtest/gtest.h>

using platform::MsgResult;

namespace {

const QString kBackupQuestion = QStringLiteral("在导入数据前请一定要备份现有的数据库,你备份了吗?");
const QString kDone = QStringLiteral("数据导入完成! 为了保证数据的完整性,请使用菜单中的 '数据/检查数据完整性' 进行检查.");

struct Form14Test : ::testing::Test {
    SchoolFixture school{{"语文", "数学"}, {"2004"}, {"2004级01班", "2004级02班"}};
    std::unique_ptr<Form2> window = makeMainWindow();
    Form2& w = *window;
    DialogDouble dialogs;
    QString source = school.folder() + QStringLiteral("/class.txt");

    Form14Test() {
        w.ConnectDataControls();
        add("20040001", "01", "张三", "01");
        add("20040002", "01", "李四", "02");
        add("20040003", "02", "王五", "01");
        add("20040004", "02", "王五", "02");
    }
    void add(const char* id, const char* cls, const char* name, const char* no) {
        school.db()->insertRow(table::Scores, {"STID", "年级", "班", "姓名", "学号", "语文"},
                               {QString::fromUtf8(id), "2004", QString::fromUtf8(cls), QString::fromUtf8(name),
                                QString::fromUtf8(no), 50});
    }
    void file(const QString& text) {
        QFile f(source);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(platform::toGbk(text));
    }
    Form14* open() {
        dialogs.answerMessage(MsgResult::Yes, kBackupQuestion);
        scriptLogin(dialogs, state().DatabasePassword);
        w.menuItem(QStringLiteral("menuin3"))->trigger();
        return w.findChild<Form14*>(QString(), Qt::FindDirectChildrenOnly);
    }
    // Page 1 with the file, tab-separated, header on line 1: accepted, on page 2.
    Form14* toPage2(const QString& text) {
        file(text);
        Form14* f = open();
        dialogs.chooseFile(source);
        f->Command1->click();
        f->Command2->click();
        EXPECT_EQ(f->currentPage(), 1);
        return f;
    }
    // Then key 姓名 and the policy (0 追加, 1 提示, 2 不处理), on page 3.
    Form14* toPage3(const QString& text, int policy = 1) {
        Form14* f = toPage2(text);
        f->Option1[policy]->setChecked(true);
        f->Command6->click();
        EXPECT_EQ(f->currentPage(), 2);
        return f;
    }
    QVariant value(const char* id, const char* field = "语文") {
        return school.db()->scalar(QStringLiteral("SELECT \"%1\" FROM 成绩表 WHERE STID=?").arg(QString::fromUtf8(field)),
                                   {QString::fromUtf8(id)});
    }
    int students() { return school.db()->scalar("SELECT count(*) FROM 成绩表").toInt(); }
    // A person clicks a row of the grid.
    static void pick(Form14* f, int row) {
        QTableView* view = f->DataGrid1->view();
        view->setCurrentIndex(view->model()->index(row, 0));
        emit view->clicked(view->currentIndex());
    }
    QByteArray log() {
        QFile f(Form14::logPath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};

// The school's file on a disk that fills on demand: the layer comes first,
// so that the file is opened through it.
struct DiskUnderTheSchool {
    testsupport::FailingVfs disk;
};
struct Form14FullDiskTest : DiskUnderTheSchool, Form14Test {};

TEST_F(Form14Test, MenuAsksForTheBackupAndTheAdministratorAndKeepsOneWindow) {
    dialogs.answerMessage(MsgResult::No, kBackupQuestion);
    w.menuItem(QStringLiteral("menuin3"))->trigger();
    EXPECT_EQ(w.findChild<Form14*>(), nullptr);
    dialogs.answerMessage(MsgResult::Yes, kBackupQuestion);
    scriptLogin(dialogs, QStringLiteral("wrong"));
    w.menuItem(QStringLiteral("menuin3"))->trigger();
    EXPECT_EQ(w.findChild<Form14*>(), nullptr);
    EXPECT_EQ(dialogs.shown().front().title, QStringLiteral("请注意..."));

    Form14* f = open();
    ASSERT_NE(f, nullptr);
    EXPECT_TRUE(f->isVisible());
    EXPECT_EQ(f->windowTitle(), QStringLiteral("从文本文件中导入数据"));
    EXPECT_EQ(f->currentPage(), 0);
    EXPECT_EQ(f->Combo2->currentText(), QStringLiteral("制表符"));
    EXPECT_FALSE(f->Combo3->isEnabled());
    EXPECT_FALSE(f->Command3->isEnabled());
    EXPECT_TRUE(f->Check3->isChecked());
    EXPECT_TRUE(f->Option1[1]->isChecked());
    f->Combo1->setEditText(QStringLiteral("3"));
    EXPECT_EQ(open(), f);   // brought forward with its state
    EXPECT_EQ(f->Combo1->currentText(), QStringLiteral("3"));
}

TEST_F(Form14Test, PageOneRefusesWhatItCannotTakeAndPairsByName) {
    Form14* f = open();
    dialogs.answerMessage(MsgResult::Ok, QStringLiteral("请先单击打开按钮,打开一个文本文件."));
    f->Command2->click();
    EXPECT_EQ(dialogs.lastTitle(), QStringLiteral("无法进行下一步工作"));

    // UTF-8 Chinese decodes as GBK into other characters: refused, never shown garbled.
    {
        QFile u(source);
        ASSERT_TRUE(u.open(QIODevice::WriteOnly));
        u.write(QStringLiteral("姓名\t语文\r\n张三\t80\r\n").toUtf8());
    }
    dialogs.chooseFile(source).answerMessage(MsgResult::Ok);
    f->Command1->click();
    EXPECT_TRUE(dialogs.lastMessage().contains(QStringLiteral("UTF-8")));
    EXPECT_TRUE(f->Label2->text().isEmpty());
    EXPECT_TRUE(f->Text1->toPlainText().isEmpty());

    // A line no roster has is refused by its number before the box has to lay it out.
    {
        QFile u(source);
        ASSERT_TRUE(u.open(QIODevice::WriteOnly));
        u.write("a\tb\r\n" + QByteArray("x\t").repeated(maintenance::kLongestImportLine) + "\r\n");
    }
    dialogs.chooseFile(source).answerMessage(MsgResult::Ok);
    f->Command1->click();
    EXPECT_TRUE(dialogs.lastMessage().startsWith(QStringLiteral("文件的第2行太长"))) << dialogs.lastMessage().toStdString();
    EXPECT_EQ(dialogs.lastTitle(), QStringLiteral("提示"));
    EXPECT_TRUE(f->Label2->text().isEmpty());
    EXPECT_TRUE(f->Text1->toPlainText().isEmpty());

    file(QStringLiteral("姓名\t语文\t学号\t语文\r\n张三\t80\t01\t81\r\n"));
    dialogs.chooseFile(source);
    f->Command1->click();
    EXPECT_EQ(f->Label2->text(), source);
    EXPECT_TRUE(f->Text1->toPlainText().contains(QStringLiteral("张三")));
    dialogs.cancelDialog();   // a cancel keeps the file
    f->Command1->click();
    EXPECT_EQ(f->Label2->text(), source);

    f->Combo2->setEditText(QStringLiteral("  "));
    dialogs.answerMessage(MsgResult::Ok);
    f->Command2->click();
    EXPECT_EQ(dialogs.lastTitle(), QStringLiteral("无法进行下一步工作"));
    EXPECT_EQ(f->currentPage(), 0);
    f->Combo2->setEditText(QStringLiteral("制表符"));
    f->Command2->click();
    ASSERT_EQ(f->currentPage(), 1);
    EXPECT_EQ(f->Command2->text(), QStringLiteral("重新设置"));
    EXPECT_TRUE(f->Command3->isEnabled());
    EXPECT_EQ(f->List2->count(), 4);
    const int chinese = f->List1->row(f->List1->findItems(QStringLiteral("语文"), Qt::MatchExactly)[0]);
    EXPECT_EQ(f->ColumnPairings[chinese].ColumnIndex, 3);   // the second 语文
    EXPECT_EQ(f->ColumnPairings[4].ColumnIndex, 2);          // 学号

    // Pair 数学 by hand, clear 学号 with 清除对应; a new accept discards both.
    const int maths = f->List1->row(f->List1->findItems(QStringLiteral("数学"), Qt::MatchExactly)[0]);
    f->List1->setCurrentRow(maths);
    f->List2->setCurrentRow(1);
    f->List2_Click();
    EXPECT_EQ(f->ColumnPairings[maths].ColumnIndex, 1);
    EXPECT_EQ(f->Text2->text(), QStringLiteral("语文"));
    f->List1->setCurrentRow(4);
    f->Command4->click();
    EXPECT_EQ(f->ColumnPairings[4].ColumnIndex, -1);
    EXPECT_TRUE(f->Text2->text().isEmpty());
    f->Command5->click();
    f->Combo1->setEditText(QStringLiteral("x"));
    dialogs.answerMessage(MsgResult::Ok, QStringLiteral("必须要有标题行"));
    f->Command2->click();
    EXPECT_EQ(f->currentPage(), 0);   // refused: page 1 stays
    f->Combo1->setEditText(QStringLiteral("1"));
    f->Command2->click();
    EXPECT_EQ(f->ColumnPairings[maths].ColumnIndex, -1);
    EXPECT_EQ(f->ColumnPairings[4].ColumnIndex, 2);
}

TEST_F(Form14Test, PageTwoUnticksUnpairedKeysAndWantsOne) {
    Form14* f = toPage2(QStringLiteral("姓名\t语文\r\n张三\t80\r\n"));
    f->Check4->setChecked(true);   // 学号 has no column
    dialogs.answerMessage(MsgResult::Ok);
    f->Command6->click();
    EXPECT_EQ(dialogs.lastTitle(), QStringLiteral("不能进入下一步"));
    EXPECT_FALSE(f->Check4->isChecked());
    EXPECT_EQ(f->currentPage(), 1);
    f->Command6->click();
    EXPECT_EQ(f->currentPage(), 2);
    f->Command9->click();
    f->Check3->setChecked(false);
    dialogs.answerMessage(MsgResult::Ok, QStringLiteral("你必须选择一个校对项目."));
    f->Command6->click();
    EXPECT_EQ(dialogs.lastTitle(), platform::programTitle());
    EXPECT_EQ(f->currentPage(), 1);
}

TEST_F(Form14Test, NotFoundPolicies) {
    const QString text = QStringLiteral("姓名\t语文\r\n张三\t88\r\n赵六\t77\r\n");
    struct Case {
        int policy;
        std::optional<MsgResult> answer;
        int students;
        QByteArray log;
    };
    const QByteArray zhang = platform::toGbk(QStringLiteral("姓名=张三\r\n语文=88\r\n"));
    const QByteArray zhao = platform::toGbk(QStringLiteral("姓名=赵六\r\n语文=77\r\n"));
    const Case cases[] = {
        {0, {}, 5, zhang + zhao},
        {1, MsgResult::Yes, 5, zhang + zhao},
        {1, MsgResult::Cancel, 4, zhang},
        {2, {}, 4, zhang},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.policy);
        Form14* f = toPage3(text, c.policy);
        if (c.answer)
            dialogs.answerMessage(*c.answer);
        dialogs.answerMessage(MsgResult::Ok);
        f->Command7->click();
        EXPECT_TRUE(dialogs.lastMessage().startsWith(kDone));
        EXPECT_EQ(dialogs.lastTitle(), platform::programTitle());
        EXPECT_EQ(value("20040001").toDouble(), 88);   // one match: written whatever the policy
        EXPECT_EQ(students(), c.students);
        EXPECT_EQ(log(), c.log);
        EXPECT_EQ(f->Command7->text(), QStringLiteral("开始"));
        // 开始 after a completed run finds no line.
        dialogs.answerMessage(MsgResult::Ok);
        f->Command7->click();
        EXPECT_TRUE(dialogs.lastMessage().startsWith(kDone));
        f->close();
        QApplication::processEvents();
        school.db()->execute("DELETE FROM 成绩表 WHERE 姓名='赵六'");
    }
    // The question names the line and its number with the sign's space.
    bool asked = false;
    for (const auto& s : dialogs.shown())
        if (s.title == QStringLiteral("没有找到")) {
            asked = true;
            EXPECT_EQ(s.text, QStringLiteral("正在处理文本文件中的第 3行\r\n赵六\t77\r\n"
                                             "这个同学在数据库中不存在，是否要添加一个？\r\n"
                                             "   是-----添加一个新记录\r\n"
                                             "   否-----从现有学生中选择\r\n"
                                             "   取消---跳过这一行,不进行任何处理"));
            EXPECT_EQ(s.buttons, platform::MsgButtons::YesNoCancel);
        }
    EXPECT_TRUE(asked);
}

TEST_F(Form14Test, SeveralMatchesPauseForAPickAppliedOnResume) {
    Form14* f = toPage3(QStringLiteral("姓名\t语文\r\n张三\t81\r\n王五\t92\r\n李四\t83\r\n"), 2);
    f->Command7->click();   // pauses at 王五 even under 不处理
    EXPECT_EQ(f->Label8->text(), QStringLiteral("有几个满足要求的记录，请选择一个合适的。"));
    EXPECT_TRUE(f->Label9->text().startsWith(QStringLiteral("正在处理文本文件中的第 3行")));
    EXPECT_FALSE(f->Command8->isHidden());
    EXPECT_EQ(f->RunHalted, -1);
    EXPECT_EQ(f->Command7->text(), QStringLiteral("停止"));
    EXPECT_EQ(f->Adodc1->recordset()->recordCount(), 2);
    EXPECT_EQ(value("20040001").toDouble(), 81);   // committed at the pause

    // 继续 without a pick: the same pause again.
    f->Command8->click();
    EXPECT_FALSE(f->Command8->isHidden());
    pick(f, 1);
    EXPECT_EQ(f->Text3->text(), QStringLiteral("2"));
    dialogs.answerMessage(MsgResult::Ok);
    f->Command8->click();
    EXPECT_TRUE(dialogs.lastMessage().startsWith(kDone));
    EXPECT_EQ(value("20040003").toDouble(), 50);
    EXPECT_EQ(value("20040004").toDouble(), 92);
    EXPECT_EQ(value("20040002").toDouble(), 83);
    EXPECT_EQ(log(), platform::toGbk(QStringLiteral("姓名=王五\r\n语文=92\r\n姓名=李四\r\n语文=83\r\n")));
    // The counts cover the whole run, not only the part after the resume.
    EXPECT_TRUE(dialogs.lastMessage().contains(QStringLiteral("写入已有学生 3 行")));
}

TEST_F(Form14Test, NoPicksFromTheWholeSchoolAndStopStartsOver) {
    Form14* f = toPage3(QStringLiteral("姓名\t语文\r\n赵六\t66\r\n"), 1);
    dialogs.answerMessage(MsgResult::No);
    f->Command7->click();
    EXPECT_EQ(f->Label8->text(), QStringLiteral("没有一个满足要求的记录，请在全校同学中选择一个合适的。"));
    EXPECT_EQ(f->Adodc1->recordset()->recordCount(), 4);
    // 停止, then 开始 asks again for the same first line.
    f->Command7->click();
    EXPECT_EQ(f->Command7->text(), QStringLiteral("开始"));
    EXPECT_TRUE(f->Command8->isHidden());
    EXPECT_EQ(f->LinesConsumed, 1);
    dialogs.answerMessage(MsgResult::No);
    f->Command7->click();
    pick(f, 1);   // the school ordered by 年级,班,学号: 李四
    dialogs.answerMessage(MsgResult::Ok);
    f->Command8->click();
    EXPECT_EQ(value("20040002").toDouble(), 66);
    EXPECT_EQ(value("20040002", "姓名").toString(), QStringLiteral("赵六"));
    EXPECT_EQ(students(), 4);
}

TEST_F(Form14Test, ClosingDuringAPauseOrARunStopsAndCommits) {
    Form14* f = toPage3(QStringLiteral("姓名\t语文\r\n张三\t71\r\n王五\t72\r\n"), 1);
    f->Command7->click();
    QPointer<Form14> gone = f;
    f->close();
    QApplication::processEvents();
    EXPECT_TRUE(gone.isNull());
    EXPECT_EQ(value("20040001").toDouble(), 71);

    // A long file: the close comes at the first poll, the run stops between
    // lines, commits, and the window goes.
    QString text = QStringLiteral("姓名\t语文\r\n");
    for (int i = 0; i < 20000; ++i)
        text += QStringLiteral("张三\t%1\r\n").arg(i % 100);
    f = toPage3(text, 1);
    gone = f;
    QTimer::singleShot(0, f, [f] { f->close(); });
    f->Command7->click();
    QApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(gone.isNull());
    const QByteArray written = log();
    EXPECT_FALSE(written.isEmpty());
    EXPECT_LT(written.count('\n'), 40000);   // stopped before the end
    EXPECT_TRUE(written.endsWith("\r\n"));
    // The last logged mark is the one the row holds: no line half written.
    const QList<QByteArray> lines = written.split('\n');
    const QByteArray last = lines[lines.size() - 2].trimmed();
    EXPECT_EQ(QByteArray::number(value("20040001").toInt()), last.mid(last.indexOf('=') + 1));
}

TEST_F(Form14Test, AFileGoneBeforeTheRunWritesNothing) {
    Form14* f = toPage3(QStringLiteral("姓名\t语文\r\n张三\t71\r\n"), 1);
    QFile::remove(source);
    dialogs.answerMessage(MsgResult::Ok);
    f->Command7->click();
    EXPECT_TRUE(dialogs.lastMessage().contains(QStringLiteral("没有导入任何数据")));
    EXPECT_EQ(f->Command7->text(), QStringLiteral("开始"));
    EXPECT_EQ(value("20040001").toDouble(), 50);
}

TEST_F(Form14FullDiskTest, ARefusedWriteEndsTheRunAsItsEndDoesAndTheNextStartGoesOn) {
    Form14* f = toPage3(QStringLiteral("姓名\t语文\r\n张三\t71\r\n王五\t73\r\n李四\t72\r\n"), 1);
    f->Command7->click();   // 张三 written, committed at the pause for 王五
    ASSERT_FALSE(f->Command8->isHidden());
    disk.failWrites(true);
    pick(f, 1);
    dialogs.answerMessage(MsgResult::Ok);
    f->Command8->click();
    EXPECT_EQ(dialogs.lastMessage(), QStringLiteral("磁盘已满, 数据没有写入. 这一组修改已全部撤消, 没有写入数据库. 文本文件从第3行起没有导入."));
    EXPECT_EQ(dialogs.lastTitle(), QStringLiteral("提示"));
    // What the end of a run leaves.
    EXPECT_EQ(f->Command7->text(), QStringLiteral("开始"));
    EXPECT_TRUE(f->Command8->isHidden());
    EXPECT_EQ(f->Label8->text(), QString());
    EXPECT_EQ(f->Label9->text(), QString());
    EXPECT_FALSE(f->isRunning());
    EXPECT_EQ(f->LinesConsumed, 2);
    EXPECT_EQ(value("20040001").toDouble(), 71);
    EXPECT_EQ(value("20040004").toDouble(), 50);
    EXPECT_EQ(value("20040002").toDouble(), 50);

    // No transaction was left open on the windows' connection, and with room
    // on the disk 开始 goes on at the first line not stored.
    disk.failWrites(false);
    testsupport::OtherProgram(school.databasePath()).run("UPDATE 成绩表 SET 数学=1 WHERE STID='20040001'");
    f->Command7->click();
    EXPECT_TRUE(f->Label9->text().startsWith(QStringLiteral("正在处理文本文件中的第 3行")));
    pick(f, 1);
    dialogs.answerMessage(MsgResult::Ok);
    f->Command8->click();
    EXPECT_TRUE(dialogs.lastMessage().startsWith(kDone));
    EXPECT_EQ(value("20040004").toDouble(), 73);
    EXPECT_EQ(value("20040002").toDouble(), 72);
    EXPECT_EQ(value("20040001").toDouble(), 71);
}

} // namespace

namespace {

// 继续 on a file another program holds is refused before a line is read: the
// place stays, so that 开始 does not append the new students a second time.
TEST_F(Form14Test, AFileHeldAtContinueKeepsThePlaceForTheNextStart) {
    Form14* f = toPage3(QStringLiteral("姓名\t语文\r\n张三\t71\r\n赵七\t74\r\n王五\t73\r\n李四\t72\r\n"), 0);
    f->Command7->click();   // 张三 written, 赵七 added, a pause at 王五
    ASSERT_FALSE(f->Command8->isHidden());
    ASSERT_EQ(students(), 5);
    {
        testsupport::OtherProgram other(school.databasePath());
        testsupport::OtherProgram::waitAtMost(*f->Adodc1->database(), 50);
        other.run("BEGIN EXCLUSIVE");
        dialogs.answerMessage(MsgResult::Ok);
        f->Command8->click();
        EXPECT_TRUE(dialogs.lastMessage().endsWith(QStringLiteral("文本文件从第4行起没有导入.")))
            << dialogs.lastMessage().toStdString();
        EXPECT_EQ(f->Command7->text(), QStringLiteral("开始"));
        EXPECT_TRUE(f->Command8->isHidden());
        EXPECT_FALSE(f->isRunning());
        EXPECT_EQ(f->LinesConsumed, 3);
        other.run("ROLLBACK");
    }
    f->Command7->click();
    EXPECT_TRUE(f->Label9->text().startsWith(QStringLiteral("正在处理文本文件中的第 4行")));
    pick(f, 1);
    dialogs.answerMessage(MsgResult::Ok);
    f->Command8->click();
    EXPECT_TRUE(dialogs.lastMessage().startsWith(kDone));
    EXPECT_EQ(students(), 5);
    EXPECT_EQ(value("20040004").toDouble(), 73);
    EXPECT_EQ(value("20040002").toDouble(), 72);
}

} // namespace
