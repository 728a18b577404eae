// 数据 > 导入外部数据 on the real main window: Form10 driven through its
// controls as a person would, sources made by the test, every dialog
// answered by the double.
#include "common/program_state.h"
#include "grades/app/main_window.h"
#include "grades/frame/Form2.h"
#include "grades/maintenance/Form10.h"
#include "platform/db/database.h"
#include "platform/db/reader_process.h"
#include "platform/ui/common_dialog.h"
#include "support/dialog_double.h"
#include "support/login_script.h"
#include "support/old_databases.h"
#include "support/school_fixture.h"
#include "support/test_files.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using platform::MsgResult;
using platform::db::Database;
using platform::db::FieldType;

namespace {

const QString kBackup = QStringLiteral("在导入数据前请一定要备份现有的数据库,你备份了吗?");
const QString kCannotOpen = QStringLiteral("无法打开数据文件");

QStringList items(const QListWidget* list) {
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

// A person clicks the entry with this text.
void click(QListWidget* list, const QString& text) {
    const auto found = list->findItems(text, Qt::MatchExactly);
    ASSERT_FALSE(found.isEmpty()) << text.toStdString();
    list->setCurrentItem(found.front());
    emit list->itemClicked(found.front());
}

struct Form10Test : ::testing::Test {
    SchoolFixture school{{"语文", "数学"}, {"2004"}, {"2004级01班", "2004级02班"}};
    std::unique_ptr<Form2> window = makeMainWindow();
    Form2& w = *window;
    DialogDouble dialogs;
    QTemporaryDir dir;
    QString sourcePath = dir.filePath(QStringLiteral("来源.mdb"));

    Form10Test() {
        w.ConnectDataControls();
        school.db()->insertRow("成绩表", {"STID", "年级", "班", "姓名", "学号"}, {"20040057", "2004", "01", "张三", "12"});
        auto db = Database::create(sourcePath);
        platform::db::TableDef list{QStringLiteral("学生名单"), {}};
        for (const char* f : {"xm", "nj", "bj"})
            list.fields.push_back({QString::fromLatin1(f), FieldType::Text, 10, false, true});
        list.fields.push_back({QStringLiteral("yw"), FieldType::Single});
        list.fields.push_back({QStringLiteral("sx"), FieldType::Single});
        db->createTable(list);
        db->createTable({QStringLiteral("Students"), {{QStringLiteral("a"), FieldType::Text, 5}}});
        db->createTable({QStringLiteral("教师名单"), {{QStringLiteral("xm"), FieldType::Text, 5}}});
        db->insertRow(list.name, {"xm", "nj", "bj", "yw", "sx"}, {"甲", "2004", "01", 81, 71});
        db->insertRow(list.name, {"xm", "nj", "bj", "yw", "sx"}, {"乙", "2004", QVariant(), 82, 72});
        db->insertRow(list.name, {"xm", "nj", "bj", "yw", "sx"}, {"丙", "2004", "02", 83, 73});
        db->insertRow("教师名单", {"xm"}, {"李老师"});
    }
    Form10* open() {
        dialogs.answerMessage(MsgResult::Yes, kBackup);
        scriptLogin(dialogs, state().DatabasePassword);
        w.menuItem(QStringLiteral("menuin2"))->trigger();
        return w.findChild<Form10*>(QString(), Qt::FindDirectChildrenOnly);
    }
    // Opens the source and picks a table.
    Form10* withTable(const QString& table = QStringLiteral("学生名单")) {
        Form10* f = open();
        f->Text1->setText(u' ' + sourcePath + u' ');
        f->Command3->click();
        click(f->List1, table);
        return f;
    }
    static void pair(Form10* f, const QString& source, const QString& target) {
        click(f->List2, source);
        click(f->List3, target);
        f->Command4->click();
    }
    int students() { return school.db()->scalar("SELECT count(*) FROM 成绩表").toInt(); }
};

TEST_F(Form10Test, MenuAsksForTheBackupAndTheAdministratorAndOpensInItsStartState) {
    dialogs.answerMessage(MsgResult::No, kBackup);
    w.menuItem(QStringLiteral("menuin2"))->trigger();
    EXPECT_EQ(dialogs.shown().size(), 1u);   // no login
    EXPECT_EQ(dialogs.shown().front().title, QStringLiteral("请注意..."));
    dialogs.answerMessage(MsgResult::Yes, kBackup);
    scriptLogin(dialogs, QStringLiteral("wrong"));
    w.menuItem(QStringLiteral("menuin2"))->trigger();
    EXPECT_EQ(w.findChild<Form10*>(), nullptr);

    w.openPanel(2);
    Form10* f = open();
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(w.visiblePanel(), 2);
    EXPECT_EQ(f->windowTitle(), QStringLiteral("导入外部数据"));
    EXPECT_TRUE(f->Option1[1]->isChecked());
    EXPECT_TRUE(f->Check2->isChecked());
    EXPECT_EQ(f->Combo1->currentText(), QStringLiteral("成绩表"));
    EXPECT_EQ(items(f->List3).mid(0, 5), (QStringList{"STID", "年级", "班", "姓名", "学号"}));
    EXPECT_EQ(f->GradeListText(), QStringLiteral("2004  "));
    EXPECT_EQ(f->Counters.grades[0].count, 57);
    f->Current.CurrentGrade = QStringLiteral("2004");
    f->Current.CurrentClass = QStringLiteral("02");
    EXPECT_TRUE(f->JClj());
    EXPECT_TRUE(f->JCban());
    f->Current.CurrentClass = QStringLiteral("03");
    EXPECT_FALSE(f->JCban());
    f->Text4->setText(QStringLiteral("kept"));
    EXPECT_EQ(open(), f);   // brought forward as it was
    EXPECT_EQ(f->Text4->text(), QStringLiteral("kept"));
}

TEST_F(Form10Test, BrowsingAndOpeningListTheChineseTablesOrSayWhyNot) {
    Form10* f = open();
    w.CommonDialog1().FileName = QStringLiteral("以前的.mdb");
    dialogs.cancelDialog();
    f->Command1->click();
    EXPECT_EQ(f->Text1->text(), QStringLiteral("以前的.mdb"));
    EXPECT_EQ(dialogs.shown().back().file.filter, QStringLiteral("Access数据库(*.mdb)|*.mdb|所有文件(*.*)|*.*"));
    dialogs.chooseFile(sourcePath);
    f->Command1->click();
    EXPECT_EQ(f->Text1->text(), sourcePath);

    // An old Access file opens without a message; its Latin table names are not listed.
    f->Text1->setText(testsupport::copyOldDatabase(QStringLiteral("trading-jet3.mdb"), dir.path()));
    const size_t before = dialogs.shown().size();
    f->Command3->click();
    EXPECT_EQ(dialogs.shown().size(), before);
    EXPECT_EQ(f->List1->count(), 0);

    f->Text1->setText(QStringLiteral("  ") + sourcePath + QStringLiteral("  "));
    f->Command3->click();
    EXPECT_EQ(items(f->List1), (QStringList{"学生名单", "教师名单"}));
    EXPECT_EQ(f->SourceKind, QStringLiteral("mdb"));

    // Not a database, and a file with a password: the message, the list as it was.
    const QString notDb = dir.filePath("notes.mdb");
    {
        QFile n(notDb);
        ASSERT_TRUE(n.open(QIODevice::WriteOnly));
        n.write("just some text, not a database");
    }
    const QString locked = dir.filePath("locked.mdb");
    Database::create(locked)->setPassword({}, QStringLiteral("pw"));
    for (const QString& path : {notDb, locked}) {
        dialogs.answerMessage(MsgResult::Ok, QStringLiteral("无效的数据格式,如果你的数据库有密码,请将密码清除后再试。"));
        f->Text1->setText(path);
        f->Command3->click();
        EXPECT_EQ(dialogs.lastTitle(), kCannotOpen);
        EXPECT_EQ(items(f->List1), (QStringList{"学生名单", "教师名单"}));
    }

    // A text file, a missing file and an empty path do nothing.
    const QString text = dir.filePath("list.txt");
    QFile(text).open(QIODevice::WriteOnly);
    const size_t shown = dialogs.shown().size();
    for (const QString& path : {text, dir.filePath("missing.mdb"), QStringLiteral("   ")}) {
        f->Text1->setText(path);
        f->Command3->click();
    }
    EXPECT_EQ(dialogs.shown().size(), shown);
    EXPECT_EQ(items(f->List1), (QStringList{"学生名单", "教师名单"}));

    // A spreadsheet: 完成 says how it can be imported.
    const QString sheet = dir.filePath("list.xls");
    QFile(sheet).open(QIODevice::WriteOnly);
    f->Text1->setText(sheet);
    f->Command3->click();
    f->Text2->setText("xm");
    f->Text3->setText("姓名");
    f->Command4->click();
    dialogs.answerMessage(MsgResult::Ok,
                          QStringLiteral("对不起,请首先将电子表格数据保存为文本文件,然后再用导入文本文件功能导入系统."));
    f->Command2->click();
}

TEST_F(Form10Test, TheWindowGoesOnWhileASlowReaderReadsAnOldFileAndTakesNoSecondClick) {
    Form10* f = open();
    f->show();
    const QString old = testsupport::copyOldDatabase(QStringLiteral("trading-jet3.mdb"), dir.path());
    // The real reader, started after half a second; each start leaves a line.
    const QString starts = dir.filePath(QStringLiteral("starts.txt"));
    const QString reader = platform::db::jetReaderCommand().first();
    platform::db::setJetReaderCommand(
        {QStringLiteral("/bin/sh"), QStringLiteral("-c"),
         QStringLiteral("echo started >> '%1'; sleep 0.6; exec '%2' \"$0\"").arg(starts, reader)});
    struct Restore { ~Restore() { platform::db::setJetReaderCommand({}); } } restore;

    int ticks = 0, paints = 0;
    struct Paints : QObject {
        int& n;
        explicit Paints(int& count) : n(count) {}
        bool eventFilter(QObject*, QEvent* e) override {
            if (e->type() == QEvent::Paint)
                ++n;
            return false;
        }
    } paintCounter(paints);
    f->installEventFilter(&paintCounter);
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (++ticks == 2) {
            // Meanwhile the person clicks 打开 again, types, presses Enter and closes the window.
            QTest::mouseClick(f->Command3, Qt::LeftButton);
            QTest::keyClicks(f->Text1, QStringLiteral("x"));
            QTest::keyClick(f->Command3, Qt::Key_Return);
            f->close();
        }
        f->update();
    });
    timer.start(50);
    f->Text1->setText(old);
    const size_t shown = dialogs.shown().size();
    f->Command3->click();
    timer.stop();

    EXPECT_GE(ticks, 5);
    EXPECT_GE(paints, 3);
    EXPECT_TRUE(f->isVisible());
    EXPECT_EQ(f->Text1->text(), old);
    QFile log(starts);
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_EQ(log.readAll(), "started\n");
    // Read, as without the wait: no message, its Latin table names not listed.
    EXPECT_EQ(dialogs.shown().size(), shown);
    EXPECT_EQ(f->SourceKind, QStringLiteral("mdb"));
    EXPECT_EQ(f->List1->count(), 0);
    f->removeEventFilter(&paintCounter);
}

TEST_F(Form10Test, ADamagedOldFileGetsTheMessageAndLeavesTheListAsItWas) {
    Form10* f = open();
    f->Text1->setText(sourcePath);
    f->Command3->click();
    ASSERT_EQ(items(f->List1), (QStringList{"学生名单", "教师名单"}));
    for (const char* name : {"jet4-catalog-loop.mdb", "jet3-bits-flipped.mdb"}) {
        SCOPED_TRACE(name);
        dialogs.answerMessage(MsgResult::Ok, QStringLiteral("无效的数据格式,如果你的数据库有密码,请将密码清除后再试。"));
        f->Text1->setText(testsupport::copyOldDatabase(QStringLiteral("damaged/") + name, dir.path()));
        f->Command3->click();
        EXPECT_EQ(dialogs.lastTitle(), kCannotOpen);
        EXPECT_EQ(items(f->List1), (QStringList{"学生名单", "教师名单"}));
    }
}

TEST_F(Form10Test, PairingAndCancellingMoveTheFieldsBetweenTheLists) {
    Form10* f = withTable();
    EXPECT_EQ(items(f->List2), (QStringList{"xm", "nj", "bj", "yw", "sx"}));
    pair(f, "yw", "语文");
    EXPECT_EQ(items(f->List2), (QStringList{"xm", "nj", "bj", "sx"}));
    EXPECT_EQ(f->List3->item(10)->text(), QStringLiteral("语文 <--- yw"));
    EXPECT_EQ(f->List3->currentRow(), 10);
    EXPECT_EQ(f->Text2->text(), QStringLiteral("yw"));
    EXPECT_EQ(f->PairedSourceFields[10], QStringLiteral("yw"));

    // 确定 again: the pair shown never matches the bare name.
    f->Command4->click();
    EXPECT_EQ(f->List3->item(10)->text(), QStringLiteral("语文 <--- yw"));
    f->Text3->setText(QStringLiteral("语文 <--- yw"));
    f->Text2->setText(QStringLiteral("sx"));
    f->Command4->click();
    EXPECT_EQ(items(f->List2).size(), 4);

    // 取消 with an unpaired field: nothing; with no field: only the boxes emptied.
    f->Text3->setText(QStringLiteral("数学"));
    f->Command5->click();
    EXPECT_EQ(f->Text3->text(), QStringLiteral("数学"));
    EXPECT_EQ(f->Text2->text(), QStringLiteral("sx"));
    f->Text3->setText(QStringLiteral("无此字段"));
    f->Command5->click();
    EXPECT_TRUE(f->Text2->text().isEmpty());
    EXPECT_TRUE(f->Text3->text().isEmpty());

    // Clicking the pair fills both boxes; 取消 puts the field back on top.
    click(f->List3, QStringLiteral("语文 <--- yw"));
    EXPECT_EQ(f->Text3->text(), QStringLiteral("语文"));
    EXPECT_EQ(f->Text2->text(), QStringLiteral("yw"));
    f->Command5->click();
    EXPECT_EQ(items(f->List2), (QStringList{"yw", "xm", "nj", "bj", "sx"}));
    EXPECT_EQ(f->List3->item(10)->text(), QStringLiteral("语文"));
    EXPECT_TRUE(f->Text2->text().isEmpty() && f->Text3->text().isEmpty());

    // Another target table forgets the pairs but keeps the field out of List2; the table again brings it back.
    pair(f, "xm", "姓名");
    f->Combo1->setCurrentIndex(1);
    emit f->Combo1->activated(1);
    EXPECT_EQ(f->List3->item(0)->text(), QStringLiteral("姓名"));
    EXPECT_FALSE(items(f->List2).contains("xm"));
    EXPECT_TRUE(f->PairedSourceFields[0].isEmpty());
    click(f->List1, QStringLiteral("学生名单"));
    EXPECT_TRUE(items(f->List2).contains("xm"));
}

TEST_F(Form10Test, ARunAsksForAMissingClassAndAddsTheStudents) {
    Form10* f = withTable();
    dialogs.answerMessage(MsgResult::Ok, QStringLiteral("必须将姓名输入。"));
    f->Command2->click();
    EXPECT_EQ(dialogs.lastTitle(), QStringLiteral("提示"));

    pair(f, "xm", "姓名");
    pair(f, "nj", "年级");
    pair(f, "bj", "班");
    pair(f, "yw", "语文");
    pair(f, "sx", "数学");
    dialogs.answerInput(QStringLiteral("02"))
        .answerMessage(MsgResult::Ok, QStringLiteral("导入完成!"));
    f->Command2->click();
    const auto& asked = dialogs.shown()[dialogs.shown().size() - 2];
    EXPECT_EQ(asked.kind, "input");
    EXPECT_EQ(asked.title, QStringLiteral("请输入一个2004级乙所在的班"));
    EXPECT_EQ(asked.defaultText, QStringLiteral("01"));
    EXPECT_EQ(dialogs.lastTitle(), QStringLiteral("完成"));
    const auto rows = school.db()->query("SELECT 姓名, STID, 班, 学号, 数学 FROM 成绩表 ORDER BY rowid");
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[2], (QVariantList{"乙", "20040059", "02", "01", 72.0f}));
    EXPECT_EQ(state().StudentCount, 4.0f);
    EXPECT_TRUE(items(f->List2).isEmpty());
    EXPECT_TRUE(items(f->List3).isEmpty());
    EXPECT_EQ(items(f->List1), QStringList{"教师名单"});

    // Again without a table: nothing to import.
    dialogs.answerMessage(MsgResult::Ok, QStringLiteral("导入完成!"));
    f->Command2->click();
    EXPECT_EQ(students(), 4);
}

TEST_F(Form10Test, TheRunsQuestionsAsThePersonSeesThem) {
    school.db()->insertRow("成绩表", {"STID", "年级", "班", "姓名", "学号", "语文"}, {"20040058", "2004", "02", "甲", "01", 10});
    Form10* f = withTable();
    pair(f, "xm", "姓名");
    pair(f, "yw", "语文");
    f->Option1[0]->setChecked(true);
    f->Check2->setChecked(false);
    dialogs.answerMessage(MsgResult::Yes, QStringLiteral("甲这个名字已有人使用,是否将其覆盖?"))
        .answerMessage(MsgResult::Ok, QStringLiteral("导入完成!"));
    f->Command2->click();
    EXPECT_EQ(dialogs.shown()[dialogs.shown().size() - 2].title, QStringLiteral("有同学姓名相同"));
    EXPECT_EQ(school.db()->scalar("SELECT 语文 FROM 成绩表 WHERE STID = '20040058'").toFloat(), 81.0f);
    EXPECT_EQ(students(), 4);

    // The record check's prompt cancelled, then the run stopped: what was stored stays.
    f->Command3->click();
    click(f->List1, QStringLiteral("学生名单"));
    pair(f, "xm", "姓名");
    pair(f, "bj", "班");
    f->Option1[1]->setChecked(true);
    f->Check2->setChecked(true);
    dialogs.answerInput({}).answerMessage(MsgResult::Yes).answerMessage();
    f->Command2->click();
    const auto& shown = dialogs.shown();
    const auto& prompt = shown[shown.size() - 3];
    EXPECT_EQ(prompt.text, QStringLiteral("请输入有效的年级号(可用的年级号有:2004  )现在的年级无效"));
    EXPECT_EQ(prompt.title, QStringLiteral("请输入甲 所在的年级"));
    EXPECT_EQ(prompt.defaultText, QStringLiteral("2004"));
    EXPECT_EQ(shown[shown.size() - 2].buttons, platform::MsgButtons::YesNo);
    EXPECT_TRUE(dialogs.lastMessage().contains(QStringLiteral("已导入0条记录"))) << dialogs.lastMessage().toStdString();
    EXPECT_EQ(students(), 4);
    EXPECT_EQ(items(f->List1), (QStringList{"学生名单", "教师名单"}));
}

TEST_F(Form10Test, TeachersAreImportedWithoutTheCheckOnly) {
    Form10* f = withTable(QStringLiteral("教师名单"));
    f->Combo1->setCurrentIndex(1);
    emit f->Combo1->activated(1);
    pair(f, "xm", "姓名");
    dialogs.answerMessage();
    f->Command2->click();
    EXPECT_TRUE(dialogs.lastMessage().contains(QStringLiteral("成绩表"))) << dialogs.lastMessage().toStdString();
    EXPECT_EQ(school.db()->scalar("SELECT count(*) FROM 教师表").toInt(), 0);

    f->Check2->setChecked(false);
    dialogs.answerMessage(MsgResult::Ok, QStringLiteral("导入完成!"));
    f->Command2->click();
    EXPECT_EQ(school.db()->scalar("SELECT count(*) FROM 教师表 WHERE 姓名 = '李老师'").toInt(), 1);
}

} // namespace
