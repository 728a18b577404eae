#include "grades/frame/frmLogin.h"

#include "common/program_state.h"
#include "support/dialog_double.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// A stand-in main window that has the 全部编辑 item the login window sets.
struct Owner {
    QMainWindow window;
    QAction* editAll;
    Owner() {
        QMenu* edit = window.menuBar()->addMenu("编辑(&E)");
        edit->setObjectName("MenuEDIT");
        editAll = edit->addAction("全部编辑");
        editAll->setObjectName("MenuEditAll");
    }
};

frmLogin& login(QDialog& d) { return static_cast<frmLogin&>(d); }

void type(QDialog& d, const QString& text) {
    login(d).txtPassword->setText(text);
}

class Login : public ::testing::Test {
protected:
    void SetUp() override {
        resetState();
        state().DatabasePassword = "Abc 1";
    }
    void TearDown() override { resetState(); }

    // Shows the login window, lets the script act on it, and returns what it showed.
    void show(std::function<void(frmLogin&)> script) {
        dialogs.runModalWith([script](QDialog& d) {
            script(login(d));
            return int(d.result());
        });
        frmLogin w(&owner.window);
        platform::dialogs().runModal(w);
        EXPECT_FALSE(w.isVisible());
    }

    Owner owner;
    DialogDouble dialogs;
};

TEST_F(Login, TheWindowAsItOpens) {
    show([](frmLogin& w) {
        EXPECT_EQ(w.windowTitle(), "登录");
        EXPECT_EQ(w.lblLabels[0]->text(), "用户名称(&U):   系统管理员");
        EXPECT_EQ(w.lblLabels[1]->text(), "密码(&P):");
        // A label shows its access letter underlined only with a buddy.
        EXPECT_EQ(w.lblLabels[0]->buddy(), w.txtPassword);
        EXPECT_EQ(w.lblLabels[1]->buddy(), w.txtPassword);
        EXPECT_EQ(w.txtPassword->echoMode(), QLineEdit::Password);
        EXPECT_EQ(w.txtPassword->maxLength(), 8);
        EXPECT_EQ(w.cmdOK->text(), "确定");
        EXPECT_TRUE(w.cmdOK->isDefault());
        EXPECT_EQ(w.cmdCancel->text(), "普通用户");
        EXPECT_EQ(w.Command1->text(), "修改密码");
        EXPECT_LT(w.cmdOK->x(), w.cmdCancel->x());
        EXPECT_LT(w.cmdCancel->x(), w.Command1->x());
        EXPECT_EQ(w.size(), QSize(300, 111));   // 4500 x 1665 twips
        w.close();
    });
}

TEST_F(Login, TheRightPasswordMakesTheAdministrator) {
    owner.editAll->setEnabled(false);
    show([](frmLogin& w) {
        type(w, "Abc 1");
        QTest::mouseClick(w.cmdOK, Qt::LeftButton);
    });
    EXPECT_EQ(state().IsAdministrator, -1);
    EXPECT_TRUE(owner.editAll->isEnabled());
}

TEST_F(Login, AWrongPasswordIsRefusedAndMayBeTriedAgain) {
    // Letter case and blanks count; nothing is trimmed.
    dialogs.answerMessage(platform::MsgResult::Ok, "无效的密码，请重试!")
        .answerMessage(platform::MsgResult::Ok, "无效的密码，请重试!");
    show([](frmLogin& w) {
        type(w, "abc 1");
        w.cmdOK_Click();
        EXPECT_TRUE(w.isVisible());
        EXPECT_EQ(w.txtPassword->selectedText(), "abc 1");
        type(w, "Abc 1 ");
        w.cmdOK_Click();
        EXPECT_TRUE(w.isVisible());
        type(w, "Abc 1");
        w.cmdOK_Click();
    });
    EXPECT_EQ(dialogs.lastTitle(), "登录");
    EXPECT_EQ(state().IsAdministrator, -1);
}

TEST_F(Login, AnEmptyPasswordIsMatchedByAnEmptyBox) {
    state().DatabasePassword = "";
    show([](frmLogin& w) { w.cmdOK_Click(); });
    EXPECT_EQ(state().IsAdministrator, -1);
}

TEST_F(Login, NormalUserByButtonOrEscapeTakesAwayTheRights) {
    for (bool byEscape : {false, true}) {
        state().IsAdministrator = -1;
        owner.editAll->setEnabled(true);
        show([byEscape](frmLogin& w) {
            if (byEscape)
                QTest::keyClick(&w, Qt::Key_Escape);
            else
                QTest::mouseClick(w.cmdCancel, Qt::LeftButton);
        });
        EXPECT_EQ(state().IsAdministrator, 0) << byEscape;
        EXPECT_FALSE(owner.editAll->isEnabled()) << byEscape;
    }
}

TEST_F(Login, EnterPressesTheFocusedButtonElseOK) {
    state().IsAdministrator = -1;
    show([](frmLogin& w) {
        w.activateWindow();
        w.cmdCancel->setFocus();
        QTest::keyClick(w.cmdCancel, Qt::Key_Return);
    });
    EXPECT_EQ(state().IsAdministrator, 0);
    show([](frmLogin& w) {
        type(w, "Abc 1");
        QTest::keyClick(w.txtPassword, Qt::Key_Return);
    });
    EXPECT_EQ(state().IsAdministrator, -1);
}

TEST_F(Login, TheCloseBoxKeepsTheRightsTheUserHad) {
    for (int16_t before : {0, -1}) {
        state().IsAdministrator = before;
        owner.editAll->setEnabled(before != 0);
        show([](frmLogin& w) { w.close(); });
        EXPECT_EQ(state().IsAdministrator, before);
        EXPECT_EQ(owner.editAll->isEnabled(), before != 0);
    }
}

TEST_F(Login, PasswordChangeAsksForTheOldPasswordUnlessAlreadyAdministrator) {
    for (int16_t before : {0, -1}) {
        state().IsAdministrator = before;
        show([before](frmLogin& w) {
            type(w, "xyz");
            w.Command1_Click();
            EXPECT_EQ(w.windowTitle(), "修改密码");
            EXPECT_EQ(w.lblLabels[1]->text(), before ? "新密码" : "旧密码");
            EXPECT_EQ(w.txtPassword->text(), "");
            w.close();
        });
        // Leaving by the close box changes nothing and says nothing.
        EXPECT_EQ(state().DatabasePassword, "Abc 1");
        EXPECT_EQ(state().IsAdministrator, before);
    }
}

TEST_F(Login, OldPasswordStage) {
    dialogs.answerMessage(platform::MsgResult::Ok, "无效的密码，请重试!");
    show([](frmLogin& w) {
        w.Command1_Click();
        type(w, "wrong");
        w.cmdOK_Click();
        EXPECT_EQ(w.lblLabels[1]->text(), "旧密码");
        EXPECT_EQ(state().IsAdministrator, 0);
        type(w, "Abc 1");
        w.cmdOK_Click();
        EXPECT_TRUE(w.isVisible());
        EXPECT_EQ(w.windowTitle(), "修改密码");
        EXPECT_EQ(w.lblLabels[1]->text(), "新密码");
        EXPECT_EQ(w.txtPassword->text(), "");
        EXPECT_EQ(state().IsAdministrator, -1);
        // 普通用户 ends the change: a normal user, nothing changed.
        w.cmdCancel_Click();
        EXPECT_EQ(w.windowTitle(), "登录");
    });
    EXPECT_EQ(state().IsAdministrator, 0);
    EXPECT_EQ(state().DatabasePassword, "Abc 1");
    EXPECT_FALSE(owner.editAll->isEnabled());
}

TEST_F(Login, ANewPasswordWithBlanksAroundItIsRefused) {
    state().IsAdministrator = -1;
    for (const char* typed : {" abc", "abc ", " "}) {
        dialogs.answerMessage(platform::MsgResult::Ok, "密码的前后不能有空格，请重试!");
        show([typed](frmLogin& w) {
            w.Command1_Click();
            type(w, typed);
            w.cmdOK_Click();
            EXPECT_TRUE(w.isVisible()) << typed;
            EXPECT_EQ(w.lblLabels[1]->text(), "新密码");
            w.close();
        });
        EXPECT_EQ(state().DatabasePassword, "Abc 1");
    }
    EXPECT_EQ(dialogs.lastTitle(), "登录");
}

} // namespace
