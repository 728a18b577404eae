#pragma once
// The login window: the administrator gives the password, anybody else goes
// on as a normal user. It also changes the administrator password.
// Callers show it with platform::dialogs().runModal() and then read
// state().IsAdministrator.

#include "grades/frame/password_change.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

class frmLogin : public QDialog {
    Q_OBJECT
public:
    // `owner` is the main window: the window centres on it and sets its
    // 全部编辑 item on closing. `own` lets a password change release the
    // owner's connections to the database while the password changes.
    explicit frmLogin(QWidget* owner, OwnConnections own = {});

    QLabel* lblLabels[2];
    QLineEdit* txtPassword;
    QPushButton* cmdOK;
    QPushButton* cmdCancel;
    QPushButton* Command1;

    void cmdOK_Click();
    void cmdCancel_Click();
    void Command1_Click();

    // Every way of closing ends here: the accepted new password is stored,
    // and 全部编辑 follows the rights of the user.
    void done(int result) override;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool passwordMatches() const;
    void refuse(const QString& message);
    void enterStage();

    QWidget* owner_;
    OwnConnections own_;
    bool newPasswordAccepted_ = false;
};
