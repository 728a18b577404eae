// The password change end to end on a real school database: the database,
// scro.dat and the program state must agree afterwards whatever fails.
#include "grades/frame/frmLogin.h"
#include "grades/frame/password_change.h"

#include "common/create_database.h"
#include "common/program_state.h"
#include "common/settings_files.h"
#include "platform/db/datacontrol.h"
#include "support/dialog_double.h"
#include "support/failing_vfs.h"
#include "support/login_script.h"
#include "support/program_folder.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <gtest/gtest.h>

using platform::db::Database;
using platform::db::DataControl;
using platform::db::DbError;

namespace {

const QString kOld = QStringLiteral("old1");

// A school made by the real creation code that, unlike the shared fixture,
// keeps no connection of its own open: the password change needs the file.
class PasswordChange : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        path = dir.path() + QStringLiteral("/学生成绩库.mdb");
        const SetupOutcome made =
            createSchoolDatabase({"测试中学", path, kOld, {"语文", "数学"}, {"2004"}, {"2004级01班"}});
        ASSERT_TRUE(made.ok) << made.message.toStdString();
        ASSERT_EQ(state().DatabasePassword, kOld);
    }
    void TearDown() override {
    }

    QByteArray settingsBytes() const {
        QFile f(settingsFilePath(dir.path()));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    // What the next start finds: the password in scro.dat, and a database that
    // opens with it and refuses the other one (a database without a password
    // refuses none).
    void expectNextStartUses(const QString& password, const std::optional<QString>& refused) {
        resetState();
        const std::optional<QString> located = ReadDatabaseLocator();
        ASSERT_TRUE(located.has_value());
        const std::optional<SchoolSettings> s = ReadSchoolSettings(folderOf(*located));
        ASSERT_TRUE(s.has_value());
        EXPECT_EQ(s->password, password);
        EXPECT_NO_THROW(Database::open(*located, password));
        if (refused) {
            try {
                Database::open(*located, *refused);
                ADD_FAILURE() << "the database opened with the password it should refuse";
            } catch (const DbError& e) {
                EXPECT_EQ(e.kind(), DbError::WrongPassword);
            }
        }
        state().DatabasePath = *located;
        state().DatabaseFolder = folderOf(*located);
        state().DatabasePassword = s->password;
    }

    // The user logs in with `typed`; true when the login made the administrator.
    bool logsIn(const QString& typed) {
        DialogDouble dialogs;
        scriptLogin(dialogs, typed);
        state().IsAdministrator = 0;
        frmLogin w(nullptr);
        platform::dialogs().runModal(w);
        return state().IsAdministrator == -1;
    }

    TemporaryProgramFolder dir;
    QString path;
};

TEST_F(PasswordChange, ThroughTheLoginWindowAndARestart) {
    QStringList calls;
    const OwnConnections own{[&] { calls << "release"; },
                             [&] { calls << "reacquire:" + state().DatabasePassword; }};
    {
        DialogDouble dialogs;
        dialogs.runModalWith([](QDialog& d) {
            auto& w = static_cast<frmLogin&>(d);
            w.Command1_Click();
            w.txtPassword->setText(kOld);
            w.cmdOK_Click();
            w.txtPassword->setText("新pw 2");
            w.cmdOK_Click();
            return int(d.result());
        });
        dialogs.answerMessage(platform::MsgResult::Ok, "密码修改完成！");
        frmLogin w(nullptr, own);
        platform::dialogs().runModal(w);
        EXPECT_EQ(dialogs.lastTitle(), "完成");
    }
    EXPECT_EQ(state().DatabasePassword, "新pw 2");
    EXPECT_EQ(state().IsAdministrator, -1);
    EXPECT_EQ(calls, QStringList({"release", "reacquire:新pw 2"}));

    expectNextStartUses("新pw 2", kOld);
    EXPECT_TRUE(logsIn("新pw 2"));
    EXPECT_FALSE(logsIn(kOld));
}

TEST_F(PasswordChange, ToEmptyRemovesThePassword) {
    DialogDouble dialogs;
    dialogs.answerMessage(platform::MsgResult::Ok, "密码修改完成！");
    EXPECT_TRUE(ChangeAdministratorPassword("", {}));
    expectNextStartUses("", std::nullopt);
    EXPECT_TRUE(logsIn(""));
    EXPECT_FALSE(logsIn(kOld));
}

TEST_F(PasswordChange, OurOwnDataControlsAreReleasedAndComeBackWithTheNewPassword) {
    DataControl adodc0;
    auto connect = [&] {
        adodc0.setConnectionString(state().connectionText());
        adodc0.setRecordSource("状态表");
        adodc0.refresh();
    };
    connect();
    DialogDouble dialogs;
    dialogs.answerMessage(platform::MsgResult::Ok, "密码修改完成！");
    EXPECT_TRUE(ChangeAdministratorPassword("abc", {[&] { adodc0.close(); }, connect}));
    ASSERT_NE(adodc0.recordset(), nullptr);
    adodc0.recordset()->setAbsolutePosition(35);
    EXPECT_EQ(adodc0.recordset()->value(1).toString(), "0");
    adodc0.close();
    expectNextStartUses("abc", kOld);
}

TEST_F(PasswordChange, AFileWeDoNotReleaseKeepsEverythingAsItWas) {
    DataControl other;   // as if held by a window the change knows nothing of
    other.setConnectionString(state().connectionText());
    other.setRecordSource("状态表");
    other.refresh();
    const QByteArray before = settingsBytes();
    int reacquired = 0;
    DialogDouble dialogs;
    dialogs.answerMessage(platform::MsgResult::Ok, "数据库正在被使用，密码没有修改！");
    EXPECT_FALSE(ChangeAdministratorPassword("abc", {{}, [&] { ++reacquired; }}));
    EXPECT_EQ(dialogs.lastTitle(), "小错误...");
    EXPECT_EQ(reacquired, 1);
    EXPECT_EQ(state().DatabasePassword, kOld);
    EXPECT_EQ(settingsBytes(), before);
    other.close();
    expectNextStartUses(kOld, "abc");
}

TEST_F(PasswordChange, AFailedReleaseChangesNothing) {
    const QByteArray before = settingsBytes();
    DialogDouble dialogs;
    dialogs.answerMessage(platform::MsgResult::Ok);
    EXPECT_FALSE(ChangeAdministratorPassword(
        "abc", {[] { throw DbError(DbError::Io, "磁盘错误"); }, [] {}}));
    EXPECT_EQ(dialogs.lastTitle(), "小错误...");
    EXPECT_EQ(state().DatabasePassword, kOld);
    EXPECT_EQ(settingsBytes(), before);
    expectNextStartUses(kOld, "abc");
}

TEST_F(PasswordChange, AFullDiskSaysWhyInOneSentenceAndChangesNothing) {
    const QByteArray before = settingsBytes();
    DialogDouble dialogs;
    dialogs.answerMessage(platform::MsgResult::Ok);
    {
        testsupport::FailingVfs disk;
        disk.failWrites(true);
        EXPECT_FALSE(ChangeAdministratorPassword("abc", {[] {}, [] {}}));
    }
    EXPECT_EQ(dialogs.lastTitle(), "小错误...");
    EXPECT_EQ(dialogs.lastMessage(), "磁盘已满, 数据没有写入. 这一组修改已全部撤消, 没有写入数据库. 密码没有修改！");
    EXPECT_EQ(state().DatabasePassword, kOld);
    EXPECT_EQ(settingsBytes(), before);
    expectNextStartUses(kOld, "abc");
}

TEST_F(PasswordChange, AnUnwritableSettingsRecordPutsTheDatabasePasswordBack) {
    // A damaged (short) record and a missing one: the writer refuses both.
    for (bool missing : {false, true}) {
        const QString file = settingsFilePath(dir.path());
        const QByteArray whole = settingsBytes();
        if (missing) {
            QFile::remove(file);
        } else {
            QFile f(file);
            ASSERT_TRUE(f.resize(200));
        }
        const QByteArray before = settingsBytes();
        int reacquired = 0;
        DialogDouble dialogs;
        dialogs.answerMessage(platform::MsgResult::Ok, "无法写入文件scro.dat，密码没有修改！");
        EXPECT_FALSE(ChangeAdministratorPassword("abc", {[] {}, [&] { ++reacquired; }})) << missing;
        EXPECT_EQ(reacquired, 1);
        EXPECT_EQ(state().DatabasePassword, kOld);
        EXPECT_EQ(settingsBytes(), before);
        EXPECT_EQ(QFile::exists(file), !missing);
        EXPECT_NO_THROW(Database::open(path, kOld));
        EXPECT_THROW(Database::open(path, "abc"), DbError);

        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(whole);
    }
}

} // namespace
