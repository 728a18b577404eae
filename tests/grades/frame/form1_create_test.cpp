#include "common/create_database.h"
#include "common/program_state.h"
#include "common/settings_files.h"
#include "grades/frame/Form1.h"
#include "grades/frame/password_change.h"
#include "platform/db/datacontrol.h"
#include "platform/db/database.h"
#include "support/dialog_double.h"
#include "support/program_folder.h"

#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <gtest/gtest.h>

using platform::MsgResult;

namespace {

class WizardCreation : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        Form1::setMainWindowOpener([this] { ++mainWindowsOpened; });
        form.Form_Load();
        form.Text1->setText(" 第一实验中学 ");
        form.Combo1->setEditText("英语");
        form.Command2_Click();
        for (int i = 0; i < 4; ++i) form.Command16_Click();
        form.Text3->setText("abc");
        form.Text4->setText("abc");
    }
    void TearDown() override {
        Form1::setMainWindowOpener({});
    }
    QStringList files() const { return QDir(dir.path()).entryList(QDir::Files | QDir::NoDotAndDotDot); }

    TemporaryProgramFolder dir;
    int mainWindowsOpened = 0;
    Form1 form;
};

TEST_F(WizardCreation, FinishingCreatesTheThreeFilesAndOpensTheMainWindow) {
    DialogDouble dialogs;
    dialogs.answerMessage(MsgResult::Ok, "恭喜你数据初始化已完成！");
    form.Command17->click();
    EXPECT_EQ(dialogs.lastTitle(), "提示");
    EXPECT_EQ(mainWindowsOpened, 1);
    EXPECT_EQ(files(), QStringList({"scro.dat", "system.txt", "学生成绩库.mdb"}));
    EXPECT_EQ(state().SchoolName, "第一实验中学");
    EXPECT_EQ(state().SubjectCount, 3);
    const auto db = platform::db::Database::openConnectionText(state().connectionText());
    EXPECT_EQ(db->tableDef("成绩表").fields.back().name, "英语");

    // The next start goes straight to the main window.
    Form1 again;
    again.Form_Load();
    EXPECT_FALSE(again.wizardPrepared());
    EXPECT_EQ(mainWindowsOpened, 2);
}

// ";" and "=" separate the parts of a connection text; a password may hold them.
TEST_F(WizardCreation, APasswordWithSeparatorsOpensTheDatabaseAfterCreationChangeAndRestart) {
    auto opensWith = [](const QString& password) {
        platform::db::DataControl control;
        control.setConnectionString(state().connectionText());
        control.setRecordSource("状态表");
        control.refresh();
        EXPECT_EQ(platform::db::Database::parseConnectionText(state().connectionText()).second, password);
        return control.recordset()->recordCount() > 0;
    };
    form.Text3->setText("ab;c");
    form.Text4->setText("ab;c");
    {
        DialogDouble dialogs;
        dialogs.answerMessage(MsgResult::Ok, "恭喜你数据初始化已完成！");
        form.Command17->click();
    }
    ASSERT_EQ(state().DatabasePassword, "ab;c");
    EXPECT_TRUE(opensWith("ab;c"));
    {
        DialogDouble dialogs;
        dialogs.answerMessage(MsgResult::Ok, "密码修改完成！");
        EXPECT_TRUE(ChangeAdministratorPassword("a=b", {}));
    }
    // The next start reads the password from scro.dat and opens with it.
    resetState();
    const auto located = ReadDatabaseLocator();
    ASSERT_TRUE(located.has_value());
    const auto school = ReadSchoolSettings(folderOf(*located));
    ASSERT_TRUE(school.has_value());
    EXPECT_EQ(school->password, "a=b");
    state().DatabasePath = *located;
    state().DatabasePassword = school->password;
    EXPECT_TRUE(opensWith("a=b"));
    state().DatabasePassword = "a";
    EXPECT_THROW(opensWith("a"), platform::db::DbError);
}

TEST_F(WizardCreation, AFailedCreationSaysSoAndLeavesNothingBehind) {
    form.List1->addItem("总分");  // collides with a fixed column of the score tables
    DialogDouble dialogs;
    dialogs.answerMessage();
    form.Command17_Click();
    ASSERT_EQ(dialogs.messages().size(), 1);
    EXPECT_TRUE(dialogs.lastMessage().startsWith(creationFailedMessage({}))) << dialogs.lastMessage().toStdString();
    EXPECT_EQ(dialogs.lastTitle(), "提示");
    EXPECT_TRUE(files().isEmpty()) << files().join(',').toStdString();
    EXPECT_EQ(mainWindowsOpened, 0);
    EXPECT_TRUE(form.isEnabled());
    EXPECT_EQ(form.WizardStep(), 4);
}

} // namespace
