#include "grades/frame/frmLogin.h"

#include "common/program_state.h"
#include "platform/ui/build_control.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/twips.h"

#include <QAction>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

const QString kLoginCaption = QStringLiteral("登录");
const QString kChangeCaption = QStringLiteral("修改密码");
const QString kOldStage = QStringLiteral("旧密码");
const QString kNewStage = QStringLiteral("新密码");

} // namespace

frmLogin::frmLogin(QWidget* owner, OwnConnections own)
    : QDialog(owner), owner_(owner), own_(std::move(own)) {
    setObjectName(QStringLiteral("frmLogin"));
    setWindowTitle(kLoginCaption);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    platform::resizeTwips(*this, 4500, 1665);
    setFixedSize(size());

    lblLabels[0] = platform::buildControl<QLabel>(this, "lblLabels_0", 105, 150, 4290, 270, QStringLiteral("用户名称(&U):   系统管理员"));

    lblLabels[1] = platform::buildControl<QLabel>(this, "lblLabels_1", 105, 585, 1080, 270, QStringLiteral("密码(&P):"));

    txtPassword = platform::buildControl<QLineEdit>(this, "txtPassword", 1290, 540, 3105, 345);
    txtPassword->setEchoMode(QLineEdit::Password);
    txtPassword->setMaxLength(8);
    // Without a buddy a label shows its "&" instead of underlining the letter.
    lblLabels[0]->setBuddy(txtPassword);
    lblLabels[1]->setBuddy(txtPassword);

    cmdOK = platform::buildControl<QPushButton>(this, "cmdOK", 105, 1140, 1320, 390, QStringLiteral("确定"));
    // Enter in the password box is 确定; on a button that has the focus it
    // presses that button, as everywhere on this desktop.
    cmdOK->setDefault(true);

    cmdCancel = platform::buildControl<QPushButton>(this, "cmdCancel", 1590, 1140, 1320, 390, QStringLiteral("普通用户"));

    Command1 = platform::buildControl<QPushButton>(this, "Command1", 3075, 1140, 1320, 390, QStringLiteral("修改密码"));

    connect(cmdOK, &QPushButton::clicked, this, &frmLogin::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmLogin::cmdCancel_Click);
    connect(Command1, &QPushButton::clicked, this, &frmLogin::Command1_Click);

    txtPassword->setFocus();
}

bool frmLogin::passwordMatches() const {
    // Exactly as typed: case and blanks count.
    return txtPassword->text() == state().DatabasePassword;
}

void frmLogin::enterStage() {
    txtPassword->clear();
    txtPassword->setFocus();
    txtPassword->selectAll();
}

void frmLogin::refuse(const QString& message) {
    platform::dialogs().message(message, platform::MsgButtons::Ok, kLoginCaption);
    txtPassword->setFocus();
    txtPassword->selectAll();
}

void frmLogin::cmdOK_Click() {
    if (windowTitle() != kChangeCaption) {
        if (!passwordMatches()) return refuse(QStringLiteral("无效的密码，请重试!"));
        state().IsAdministrator = -1;
        accept();
        return;
    }
    if (lblLabels[1]->text() != kNewStage) {
        if (!passwordMatches()) return refuse(QStringLiteral("无效的密码，请重试!"));
        state().IsAdministrator = -1;
        lblLabels[1]->setText(kNewStage);
        enterStage();
        return;
    }
    const QString problem = newPasswordProblem(txtPassword->text());
    if (!problem.isEmpty()) return refuse(problem);
    state().IsAdministrator = -1;
    newPasswordAccepted_ = true;
    accept();
}

void frmLogin::cmdCancel_Click() {
    setWindowTitle(kLoginCaption);
    state().IsAdministrator = 0;
    reject();
}

void frmLogin::Command1_Click() {
    setWindowTitle(kChangeCaption);
    lblLabels[1]->setText(state().IsAdministrator != 0 ? kNewStage : kOldStage);
    enterStage();
}

void frmLogin::keyPressEvent(QKeyEvent* event) {
    // Esc is 普通用户; only the close box leaves the rights as they were.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        cmdCancel_Click();
        return;
    }
    QDialog::keyPressEvent(event);
}

void frmLogin::done(int result) {
    if (newPasswordAccepted_ && windowTitle() == kChangeCaption) {
        newPasswordAccepted_ = false;
        ChangeAdministratorPassword(txtPassword->text(), own_);
    }
    if (owner_) {
        const bool administrator = state().IsAdministrator == -1;
        for (QAction* a : owner_->findChildren<QAction*>(QStringLiteral("MenuEditAll")))
            a->setEnabled(administrator);
    }
    QDialog::done(result);
}
