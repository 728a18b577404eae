#include "grades/frame/Form17.h"

#include "common/program_state.h"
#include "common/settings_files.h"
#include "support/dialog_double.h"
#include "support/program_folder.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>

#include <memory>

using platform::MsgResult;

namespace {

const QString kQuestion = QStringLiteral("关闭本程序然后重新打开，将使您的设置生效。现在就关闭本程序吗？");

void touch(const QString& path) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
}

// Two school folders: the one this run uses and another one, each with a
// database file and scro.dat; the program folder holds system.txt.
class Form17Test : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        QDir(dir.path()).mkpath("now");
        QDir(dir.path()).mkpath("other");
        current = dir.filePath("now/学生成绩库.mdb");
        other = dir.filePath("other/学生成绩库.mdb");
        for (const QString& f : {current, other, dir.filePath("now/scro.dat"), dir.filePath("other/scro.dat")})
            touch(f);
        state().DatabasePath = current;
        state().DatabaseFolder = folderOf(current);
        WriteDatabaseLocator(current);
        owner = std::make_unique<QWidget>();
        owner->show();
        form = Form17::showFor(owner.get());
    }
    void TearDown() override {
        owner.reset();
    }

    TemporaryProgramFolder dir;
    QString current, other;
    std::unique_ptr<QWidget> owner;
    Form17* form = nullptr;
};

TEST_F(Form17Test, OpensOnTheCurrentPathAndComesBackToTheFront) {
    EXPECT_EQ(form->windowTitle(), QStringLiteral("请选择要打开的库"));
    EXPECT_FALSE(form->isModal());
    EXPECT_EQ(form->parentWidget(), owner.get());
    EXPECT_EQ(form->Text1->text(), current);
    EXPECT_EQ(Form17::showFor(owner.get()), form);
}

TEST_F(Form17Test, UnchangedPathClosesSilently) {
    DialogDouble dialogs;
    form->Text1->setText("  " + current + " ");
    QFile::remove(locatorFilePath());
    form->Command1->click();
    EXPECT_FALSE(form->isVisible());
    EXPECT_TRUE(dialogs.shown().empty());
    EXPECT_FALSE(QFile::exists(locatorFilePath()));
}

TEST_F(Form17Test, NewPathIsWrittenTrimmedAndTheAnswerDecidesTheProgram) {
    for (MsgResult answer : {MsgResult::No, MsgResult::Yes}) {
        SCOPED_TRACE(answer == MsgResult::Yes ? "Yes" : "No");
        owner->show();
        form = Form17::showFor(owner.get());
        WriteDatabaseLocator(current);
        DialogDouble dialogs;
        dialogs.answerMessage(answer, kQuestion);
        form->Text1->setText("  " + other + "  ");
        form->Command1->click();
        EXPECT_EQ(ReadDatabaseLocator(), other);
        EXPECT_EQ(dialogs.lastTitle(), QStringLiteral("设置完成!"));
        EXPECT_EQ(dialogs.shown().at(0).buttons, platform::MsgButtons::YesNo);
        EXPECT_FALSE(form->isVisible());
        EXPECT_EQ(owner->isVisible(), answer == MsgResult::No);
        // This run stays on its own database until the restart.
        EXPECT_EQ(state().DatabasePath, current);
        EXPECT_EQ(state().DatabaseFolder, folderOf(current));
    }
}

TEST_F(Form17Test, PathDifferingOnlyInLetterCaseIsANewPath) {
    const QString upper = dir.filePath("now/学生成绩库.MDB");
    touch(upper);
    DialogDouble dialogs;
    dialogs.answerMessage(MsgResult::No, kQuestion);
    form->Text1->setText(upper);
    form->Command1->click();
    EXPECT_EQ(ReadDatabaseLocator(), upper);
}

TEST_F(Form17Test, UnusablePathsAreRefusedAndNothingIsWritten) {
    QDir(dir.path()).mkpath("bare");
    touch(dir.filePath("bare/学生成绩库.mdb"));
    const struct {
        QString typed, message;
    } cases[] = {
        {"", QStringLiteral("请输入库所在的完整位置！")},
        {"   ", QStringLiteral("请输入库所在的完整位置！")},
        {dir.filePath("other/没有这个库.mdb"), QStringLiteral("没有找到指定的数据库，请重新选择！")},
        {dir.filePath("other"), QStringLiteral("没有找到指定的数据库，请重新选择！")},
        {QStringLiteral("学生成绩库.mdb"), QStringLiteral("没有找到指定的数据库，请重新选择！")},
        {dir.filePath("bare/学生成绩库.mdb"), QStringLiteral("没有找到文件scro.dat")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed.toStdString());
        DialogDouble dialogs;
        dialogs.answerMessage(MsgResult::Ok, c.message);
        form->Text1->setText(c.typed);
        form->Command1->click();
        EXPECT_EQ(dialogs.lastTitle(), QStringLiteral("小错误..."));
        EXPECT_EQ(ReadDatabaseLocator(), current);
        // The window stays open with the typed text, for a correction.
        EXPECT_TRUE(form->isVisible());
        EXPECT_EQ(form->Text1->text(), c.typed);
        EXPECT_TRUE(owner->isVisible());
    }
}

TEST_F(Form17Test, BrowseFillsTheBoxAndCancelLeavesThePresetName) {
    DialogDouble dialogs;
    dialogs.chooseFile(other).cancelDialog();
    form->Command3->click();
    EXPECT_EQ(form->Text1->text(), other);
    const auto& request = dialogs.shown().at(0).file;
    EXPECT_EQ(request.title, QStringLiteral("查找数据库文件"));
    EXPECT_EQ(request.filter, QStringLiteral("Access数据库(*.mdb)|*.mdb|所有文件(*.*)|*.*"));
    EXPECT_EQ(request.fileName, QStringLiteral("学生成绩库.mdb"));
    form->Command3->click();
    EXPECT_EQ(form->Text1->text(), QStringLiteral("学生成绩库.mdb"));
}

TEST_F(Form17Test, CancelWritesNothing) {
    DialogDouble dialogs;
    form->Text1->setText(other);
    form->Command2->click();
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(ReadDatabaseLocator(), current);
    EXPECT_TRUE(dialogs.shown().empty());
}

} // namespace
