#include "platform/ui/application.h"
#include "support/dialog_double.h"

#include <QEvent>
#include <QObject>
#include <gtest/gtest.h>
#include <stdexcept>
#include <system_error>

namespace {

class Failing : public QObject {
protected:
    bool event(QEvent* e) override {
        if (e->type() == QEvent::User)
            throw std::runtime_error(QStringLiteral("数据库正被别的程序使用,请稍后再试.").toStdString());
        if (e->type() == QEvent::User + 1)
            throw std::system_error(std::make_error_code(std::errc::read_only_file_system), "rename");
        return QObject::event(e);
    }
};

} // namespace

// A failure no handler caught is told to the user, and the program goes on.
TEST(Application, AFailureNoHandlerCaughtIsToldNotFatal) {
    auto* app = static_cast<platform::Application*>(QCoreApplication::instance());
    DialogDouble dialogs;
    dialogs.answerMessage(platform::MsgResult::Ok, QStringLiteral("数据库正被别的程序使用,请稍后再试."));
    Failing target;
    QEvent event(QEvent::User);
    EXPECT_FALSE(app->notify(&target, &event));
    EXPECT_EQ(dialogs.lastTitle(), QStringLiteral("小错误..."));
}

// A system error's English text stays out of the message: its reason is said in Chinese.
TEST(Application, ASystemErrorNoHandlerCaughtSaysItsReasonInChinese) {
    auto* app = static_cast<platform::Application*>(QCoreApplication::instance());
    DialogDouble dialogs;
    dialogs.answerMessage(platform::MsgResult::Ok, QStringLiteral("操作没有完成: 磁盘是只读的,不能写入"));
    Failing target;
    QEvent event(QEvent::Type(QEvent::User + 1));
    EXPECT_FALSE(app->notify(&target, &event));
}
