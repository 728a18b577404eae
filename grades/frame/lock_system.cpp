#include "grades/frame/lock_system.h"

#include "common/program_state.h"
#include "common/settings_rows.h"
#include "grades/frame/frmLogin.h"
#include "platform/db/datacontrol.h"
#include "platform/text/values.h"
#include "platform/ui/dialogs.h"

std::optional<QChar> lockLevelFromAnswer(const QString& answer) {
    const QString t = platform::trimBlanks(answer);
    if (t.isEmpty()) return std::nullopt;
    const QChar c = t.front();
    if (c < QLatin1Char('0') || c > QLatin1Char('3')) return std::nullopt;
    return c;
}

void MenuSuper_Click(QWidget* form2, platform::db::DataControl* settingsCursor,
                     const OwnConnections& own) {
    {
        frmLogin login(form2, own);
        platform::dialogs().runModal(login);
    }
    if (state().IsAdministrator == 0) return;

    const QString answer = platform::dialogs().input(
        QStringLiteral("请选择你要锁定的内容: 0.全部锁定 1.只允许查看 2.允许录入成绩 3.全部打开 4.退出"),
        QStringLiteral("锁定系统"), QStringLiteral("4"));
    const std::optional<QChar> level = lockLevelFromAnswer(answer);
    if (!level) return;

    try {
        // A password change inside the login may have reopened the cursor.
        if (!settingsCursor->recordset()) settingsCursor->refresh();
        SettingsRows(*settingsCursor).store(Setting::LockLevel, QString(*level));
    } catch (const platform::db::DbError& e) {
        platform::dialogs().message(e.text(), platform::MsgButtons::Ok, platform::kErrorTitle);
    }
}
