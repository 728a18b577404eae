#include "grades/frame/lock_system.h"

#include "grades/frame/frmLogin.h"
#include "common/program_state.h"
#include "platform/db/datacontrol.h"
#include "support/dialog_double.h"
#include "support/login_script.h"
#include "support/school_fixture.h"

#include <QLineEdit>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

const QString kPrompt =
    QStringLiteral("请选择你要锁定的内容: 0.全部锁定 1.只允许查看 2.允许录入成绩 3.全部打开 4.退出");

TEST(LockSystem, AnswerNamesALevelByItsFirstCharacter) {
    const std::pair<const char*, std::optional<QChar>> cases[] = {
        {" 2 ", QChar('2')}, {"21", QChar('2')}, {"0", QChar('0')}, {"3", QChar('3')},
        {"5", std::nullopt}, {"4", std::nullopt}, {"", std::nullopt},  {"   ", std::nullopt},
        {"a1", std::nullopt}, {"-1", std::nullopt},
    };
    for (const auto& [answer, level] : cases) EXPECT_EQ(lockLevelFromAnswer(answer), level) << answer;
}

// 锁定系统 on a school database, with the settings cursor open on 状态表.
class MenuSuper : public ::testing::Test {
protected:
    MenuSuper() : school({"语文"}, {"2004"}, {"2004级01班"}, "pw") {
        adodc0.setConnectionString(state().connectionText());
        adodc0.setRecordSource("状态表");
        adodc0.refresh();
        setLevel("1");
    }
    void setLevel(const QString& level) {
        adodc0.recordset()->setAbsolutePosition(35);
        adodc0.recordset()->setValue(1, level);
        adodc0.recordset()->update();
    }
    QString storedLevel() {
        platform::db::Recordset* rs = adodc0.recordset();
        rs->requery();
        rs->setAbsolutePosition(35);
        return rs->value(1).toString();
    }
    // The login as the given password would go: 确定, or 普通用户 when refused.
    void loginWith(const QString& typed) {
        scriptLogin(dialogs, typed);
    }

    SchoolFixture school;
    platform::db::DataControl adodc0;
    QWidget form2;
    DialogDouble dialogs;
};

TEST_F(MenuSuper, StoresTheLevelTheAdministratorChooses) {
    struct Case { const char* answer; const char* stored; };
    const Case cases[] = {
        {" 2 ", "2"}, {"21", "2"}, {"0", "0"}, {"3", "3"},
        {"5", "1"}, {"4", "1"}, {"", "1"},   // "" is also what Cancel gives
    };
    for (const Case& c : cases) {
        setLevel("1");
        loginWith("pw");
        dialogs.answerInput(c.answer, kPrompt);
        MenuSuper_Click(&form2, &adodc0);
        EXPECT_EQ(storedLevel(), c.stored) << "answer \"" << c.answer << "\"";
        EXPECT_EQ(dialogs.shown().back().title, "锁定系统");
        EXPECT_EQ(dialogs.shown().back().defaultText, "4");
    }
    EXPECT_TRUE(dialogs.messages().isEmpty());   // no confirmation either way
}

TEST_F(MenuSuper, ANormalUserSeesNoInputBox) {
    // 普通用户 at once, then after a password refused for its letter case.
    dialogs.runModalWith([](QDialog& d) {
        static_cast<frmLogin&>(d).cmdCancel_Click();
        return int(d.result());
    });
    MenuSuper_Click(&form2, &adodc0);
    EXPECT_EQ(state().IsAdministrator, 0);
    loginWith("PW");
    MenuSuper_Click(&form2, &adodc0);
    EXPECT_EQ(state().IsAdministrator, 0);
    for (const auto& s : dialogs.shown()) EXPECT_NE(s.kind, "input");
    EXPECT_EQ(storedLevel(), "1");
}

} // namespace
