#include "platform/ui/application.h"
#include "platform/db/db_error.h"
#include "platform/text/gbk.h"
#include "support/dialog_double.h"

#include <QEvent>
#include <QFile>
#include <QObject>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>
#include <cstring>
#include <functional>
#include <future>
#include <new>
#include <optional>
#include <stdexcept>
#include <sys/socket.h>
#include <sys/un.h>
#include <system_error>
#include <unistd.h>

namespace {

class Failing : public QObject {
protected:
    bool event(QEvent* e) override {
        if (e->type() == QEvent::User)
            throw platform::db::DbError(platform::db::DbError::Busy,
                                        QStringLiteral("数据库正被别的程序使用,请稍后再试."));
        if (e->type() == QEvent::User + 1)
            throw std::system_error(std::make_error_code(std::errc::read_only_file_system), "rename");
        if (e->type() == QEvent::User + 2)
            throw std::logic_error("Form2: no data control named Ad3");
        // A write on a thread of the program's own, handed on by its future.
        if (e->type() == QEvent::User + 3)
            std::async(std::launch::async, [] {
                throw std::system_error(std::make_error_code(std::errc::no_space_on_device), "write");
            }).get();
        // A library's text that is not UTF-8.
        if (e->type() == QEvent::User + 4)
            throw std::logic_error("bad \xff byte");
        return QObject::event(e);
    }
};

// Sets an environment variable for the test's time; unset when `value` is none.
class EnvironmentVariable {
public:
    EnvironmentVariable(const char* name, const std::optional<QByteArray>& value)
        : name_(name), old_(qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt) {
        set(value);
    }
    ~EnvironmentVariable() { set(old_); }
private:
    void set(const std::optional<QByteArray>& value) {
        if (value)
            qputenv(name_, *value);
        else
            qunsetenv(name_);
    }
    const char* name_;
    std::optional<QByteArray> old_;
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

// A fault of the program shows the short message of its own, not its English
// text, puts the detail in the program's log, and fails the test it happens in.
TEST(Application, AFaultOfTheProgramIsToldShortLoggedAndFailsTheTest) {
    auto* app = static_cast<platform::Application*>(QCoreApplication::instance());
    QTemporaryDir folder;
    const QString log = folder.filePath(platform::kProgramLogName);
    platform::setProgramLog(log);
    DialogDouble dialogs;
    Failing target;
    QEvent event(QEvent::Type(QEvent::User + 2));
    EXPECT_NONFATAL_FAILURE(EXPECT_FALSE(app->notify(&target, &event)), "no data control named Ad3");
    platform::setProgramLog({});
    EXPECT_EQ(dialogs.messages(), QStringList{platform::kProgramFaultText});
    EXPECT_EQ(dialogs.lastTitle(), platform::kErrorTitle);
    ASSERT_EQ(dialogs.faults().size(), 1);
    EXPECT_TRUE(dialogs.faults()[0].contains(QStringLiteral("std::logic_error: Form2: no data control named Ad3")));
    const QString logged = platform::readGbkFile(log);
    EXPECT_TRUE(logged.contains(QStringLiteral("std::logic_error: Form2: no data control named Ad3"))) << logged.toStdString();
    EXPECT_TRUE(logged.endsWith(QStringLiteral("\r\n")));
}

// A system error is told as the system's own message also when it began on a
// thread of the program's own.
TEST(Application, ASystemErrorFromAThreadOfTheProgramsOwnIsToldAsASystemMessage) {
    auto* app = static_cast<platform::Application*>(QCoreApplication::instance());
    DialogDouble dialogs;
    dialogs.answerMessage(platform::MsgResult::Ok, QStringLiteral("操作没有完成: 磁盘已满"));
    Failing target;
    QEvent event(QEvent::Type(QEvent::User + 3));
    EXPECT_FALSE(app->notify(&target, &event));
    EXPECT_EQ(dialogs.lastTitle(), platform::kErrorTitle);
    EXPECT_TRUE(dialogs.faults().isEmpty());
}

// Outside the event loop (a program's start) a failure is told by its kind as
// in it: the system's own messages as they are, a program fault in its short
// message with the detail logged.
TEST(Application, AFailureStoppedOutsideTheEventLoopIsToldByItsKind) {
    const struct {
        const char* name;
        std::function<void()> fail;
        QString told;
    } cases[] = {
        {"a file's refusal", [] { throw platform::FileError(QStringLiteral("文件scro.dat已损坏")); },
         QStringLiteral("文件scro.dat已损坏")},
        {"a thread's system error",
         [] {
             std::async(std::launch::async, [] {
                 throw std::system_error(std::make_error_code(std::errc::read_only_file_system), "rename");
             }).get();
         },
         QStringLiteral("操作没有完成: 磁盘是只读的,不能写入")},
        {"memory run out", [] { throw std::bad_alloc(); }, QStringLiteral("操作没有完成: 内存不足")},
    };
    for (const auto& c : cases) {
        DialogDouble dialogs;
        dialogs.answerMessage(platform::MsgResult::Ok, c.told);
        try {
            c.fail();
        } catch (...) {
            platform::reportCurrentFailure(QStringLiteral("start"));
        }
        EXPECT_EQ(dialogs.lastTitle(), platform::kErrorTitle) << c.name;
        EXPECT_TRUE(dialogs.faults().isEmpty()) << c.name;
    }

    QTemporaryDir folder;
    const QString log = folder.filePath(platform::kProgramLogName);
    platform::setProgramLog(log);
    DialogDouble dialogs;
    EXPECT_NONFATAL_FAILURE(
        {
            try {
                throw std::out_of_range("no row 9");
            } catch (...) {
                platform::reportCurrentFailure(QStringLiteral("start"));
            }
        },
        "no row 9");
    platform::setProgramLog({});
    EXPECT_EQ(dialogs.messages(), QStringList{platform::kProgramFaultText});
    EXPECT_TRUE(platform::readGbkFile(log).contains(QStringLiteral("std::out_of_range: no row 9 (start)")));
}

// A fault whose detail GBK cannot hold all of reaches the log all the same,
// each character it lacks as "?": a what() that is not UTF-8, a rare
// character in an object's name.
TEST(Application, AFaultGbkCannotHoldIsLoggedWithTheCharacterReplaced) {
    auto* app = static_cast<platform::Application*>(QCoreApplication::instance());
    QTemporaryDir folder;
    const QString log = folder.filePath(platform::kProgramLogName);
    platform::setProgramLog(log);
    DialogDouble dialogs;
    Failing target;
    target.setObjectName(QStringLiteral("学生\U00020000一"));
    QEvent event(QEvent::Type(QEvent::User + 4));
    EXPECT_NONFATAL_FAILURE(EXPECT_FALSE(app->notify(&target, &event)), "byte");
    platform::setProgramLog({});
    ASSERT_TRUE(QFile::exists(log));
    const QString logged = platform::readGbkFile(log);
    EXPECT_TRUE(logged.contains(QStringLiteral("std::logic_error: bad ? byte (")) &&
                logged.contains(QStringLiteral("学生?一, event")))
        << logged.toStdString();
}

// The bus is named off only when there is none to find; what the program
// starts gets the environment the program was started with.
TEST(Application, TheUsersBusIsFoundAndChildrenGetTheStartEnvironment) {
    QTemporaryDir runtime;
    EnvironmentVariable dir("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    EnvironmentVariable bus("DBUS_SESSION_BUS_ADDRESS", std::nullopt);

    const QByteArray socketPath = QFile::encodeName(runtime.filePath(QStringLiteral("bus")));
    const int listening = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(listening, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(size_t(socketPath.size()), sizeof(address.sun_path));
    std::memcpy(address.sun_path, socketPath.constData(), size_t(socketPath.size()));
    ASSERT_EQ(::bind(listening, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    platform::disableAbsentBus();
    EXPECT_FALSE(qEnvironmentVariableIsSet("DBUS_SESSION_BUS_ADDRESS"));
    ::close(listening);
    ::unlink(socketPath.constData());

    // A plain file there is no bus.
    QFile plain(QFile::decodeName(socketPath));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    platform::disableAbsentBus();
    EXPECT_EQ(qgetenv("DBUS_SESSION_BUS_ADDRESS"), "disabled:");

    const QString seen = runtime.filePath(QStringLiteral("seen"));
    ASSERT_TRUE(platform::startDetachedAsStarted(
        QStringLiteral("/bin/sh"),
        {QStringLiteral("-c"), QStringLiteral("printf '%s' \"${DBUS_SESSION_BUS_ADDRESS-unset}\" > \"$1.part\" && mv "
                                              "\"$1.part\" \"$1\""),
         QStringLiteral("sh"), seen}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(seen); }, 30000));
    QFile child(seen);
    ASSERT_TRUE(child.open(QIODevice::ReadOnly));
    const QByteArray value = child.readAll();
    EXPECT_NE(value, "disabled:");
    EXPECT_EQ(value, platform::startEnvironment().value(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("unset")).toLocal8Bit());
}
