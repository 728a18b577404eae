#include "support/login_script.h"

#include "common/program_state.h"
#include "grades/frame/frmLogin.h"

#include <QLineEdit>

void scriptLogin(DialogDouble& dialogs, const QString& typed) {
    if (typed != state().DatabasePassword)
        dialogs.answerMessage(platform::MsgResult::Ok, QStringLiteral("无效的密码，请重试!"));
    dialogs.runModalWith([typed](QDialog& d) {
        auto& w = static_cast<frmLogin&>(d);
        w.txtPassword->setText(typed);
        w.cmdOK_Click();
        if (w.isVisible())
            w.cmdCancel_Click();
        return int(d.result());
    });
}
