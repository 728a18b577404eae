#include "grades/frame/password_change.h"

#include "common/program_state.h"
#include "common/settings_files.h"
#include "platform/db/database.h"
#include "platform/text/gbk.h"
#include "platform/text/message_text.h"
#include "platform/text/values.h"
#include "platform/ui/dialogs.h"

namespace {

void call(const std::function<void()>& f) {
    if (f) f();
}

// Takes our connections back; a failure there does not undo the change but
// must not pass unnoticed.
void reacquire(const OwnConnections& own) {
    try {
        call(own.reacquire);
    } catch (const platform::db::DbError& e) {
        platform::dialogs().message(e.text(), platform::MsgButtons::Ok, platform::kErrorTitle);
    }
}

} // namespace

QString newPasswordProblem(const QString& password) {
    // The same trimming as the reader of scro.dat.
    if (password != platform::trimBlanks(password))
        return QStringLiteral("密码的前后不能有空格，请重试!");
    if (!platform::canEncodeGbk(password))
        return QStringLiteral("密码中有不能保存的字符，请重试!");
    return {};
}

bool ChangeAdministratorPassword(const QString& typed, const OwnConnections& own) {
    ProgramState& s = state();
    // scro.dat holds 8 characters; the database gets the very same text.
    const QString newPassword = typed.left(8);
    const QString oldPassword = s.DatabasePassword;

    try {
        call(own.release);
        platform::db::Database::changePassword(s.DatabasePath, oldPassword, newPassword);
    } catch (const platform::db::DbError& e) {
        reacquire(own);
        const QString why = e.kind() == platform::db::DbError::InUse
                                ? QStringLiteral("数据库正在被使用，密码没有修改！")
                                : platform::reasonThen(e.text(), QStringLiteral("密码没有修改！"));
        platform::dialogs().message(why, platform::MsgButtons::Ok, platform::kErrorTitle);
        return false;
    }

    if (!StoreAdministratorPassword(s.DatabaseFolder, newPassword)) {
        try {
            platform::db::Database::changePassword(s.DatabasePath, newPassword, oldPassword);
        } catch (const platform::db::DbError&) {
            // The database keeps the new password: this run follows it, and
            // the user learns that scro.dat still holds the old one.
            s.DatabasePassword = newPassword;
            reacquire(own);
            platform::dialogs().message(
                QStringLiteral("无法写入文件scro.dat，数据库的密码却已改成新密码！请在scro.dat可以写入后再修改一次密码。"),
                platform::MsgButtons::Ok, platform::kErrorTitle);
            return false;
        }
        reacquire(own);
        platform::dialogs().message(QStringLiteral("无法写入文件scro.dat，密码没有修改！"),
                                    platform::MsgButtons::Ok, platform::kErrorTitle);
        return false;
    }

    s.DatabasePassword = newPassword;
    reacquire(own);
    platform::dialogs().message(QStringLiteral("密码修改完成！"), platform::MsgButtons::Ok,
                                QStringLiteral("完成"));
    return true;
}
