#include "platform/ui/application.h"

#include "platform/text/gbk.h"
#include "platform/text/message_error.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/file_opener.h"
#include "platform/text/process_memory.h"
#include "platform/text/system_errors.h"

#include <QDateTime>
#include <QDesktopServices>
#include <QEvent>
#include <QProcess>
#include <QUrl>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cxxabi.h>
#include <exception>
#include <memory>
#include <new>
#include <sys/stat.h>
#include <unistd.h>
#include <system_error>
#include <typeinfo>

namespace platform {
namespace {

QString g_programLog;

QProcessEnvironment& noted() {
    static QProcessEnvironment environment;
    return environment;
}

// Qt's accessibility asks the bus library for the session bus; with no bus to
// find, the library starts one, forking dbus-launch (seldom installed) while
// the first window waits: several milliseconds of the start for a bus nothing
// else in such a session listens on.
int& withoutBusLaunch(int& argc) {
    if (noted().isEmpty())
        noted() = QProcessEnvironment::systemEnvironment();
    disableAbsentBus();
    return argc;
}

QString typeName(const std::type_info& type) {
    int status = 0;
    std::unique_ptr<char, void (*)(void*)> name(abi::__cxa_demangle(type.name(), nullptr, nullptr, &status),
                                                 std::free);
    return QString::fromLatin1(status == 0 && name ? name.get() : type.name());
}

QString currentExceptionType() {
    const std::type_info* type = abi::__cxa_current_exception_type();
    return type ? typeName(*type) : QStringLiteral("?");
}

void writeToLog(const QString& detail) {
    const QString line = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss ")) +
                         programTitle() + QLatin1Char(' ') + detail + QStringLiteral("\r\n");
    if (!g_programLog.isEmpty()) {
        try {
            // A detail GBK cannot hold all of (a what() that is not UTF-8, a
            // rare character in an object name) still reaches the log, which is
            // all a desktop start keeps.
            appendFileWhole(g_programLog, toGbkReplacing(line));
            return;
        } catch (const MessageError&) {
            // The detail is not lost for a log that cannot be written.
        }
    }
    fprintf(stderr, "%s", line.toLocal8Bit().constData());
}

} // namespace

void setProgramLog(const QString& path) { g_programLog = path; }

void disableAbsentBus() {
    if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        return;
    // Several display managers and session starters export no address: the
    // bus library then finds the user's bus at this socket, and so must we,
    // taking it as the library does (the user's own socket, not a link to one).
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    struct stat info {};
    if (!runtime.isEmpty() && ::lstat((runtime + "/bus").constData(), &info) == 0 && S_ISSOCK(info.st_mode) &&
        info.st_uid == ::getuid())
        return;
    qputenv("DBUS_SESSION_BUS_ADDRESS", "disabled:");
}

QProcessEnvironment startEnvironment() {
    return noted().isEmpty() ? QProcessEnvironment::systemEnvironment() : noted();
}

void FileOpener::open(const QUrl& url) { startDetachedAsStarted(QStringLiteral("xdg-open"), {url.toLocalFile()}); }

bool startDetachedAsStarted(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    process.setProcessEnvironment(startEnvironment());
    return process.startDetached();
}

Application::Application(int& argc, char** argv) : QApplication(withoutBusLaunch(argc), argv) {
    keepFreedMemory();
    QDesktopServices::setUrlHandler(QStringLiteral("file"), new FileOpener(this), "open");
}

Application::~Application() { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); }

bool Application::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        reportCurrentFailure(QStringLiteral("%1 %2, event %3")
                                 .arg(receiver ? QString::fromLatin1(receiver->metaObject()->className())
                                               : QStringLiteral("-"),
                                      receiver ? receiver->objectName() : QString())
                                 .arg(event ? int(event->type()) : -1));
        return false;
    }
}

void reportCurrentFailure(const QString& where) {
    QString text;
    try {
        throw;
    } catch (const MessageError& e) {
        text = e.text();
    } catch (const std::system_error& e) {
        // The library's own text is English: the reason is ours.
        text = QStringLiteral("操作没有完成: ") + systemErrorReason(e.code());
    } catch (const std::bad_alloc&) {
        text = QStringLiteral("操作没有完成: ") + systemErrorReason(ENOMEM);
    } catch (...) {
        // Anything else is a fault of the program: its text is for us, not the user.
        QString what;
        try {
            throw;
        } catch (const std::exception& e) {
            what = QString::fromUtf8(e.what());
        } catch (...) {
        }
        const QString detail = QStringLiteral("%1: %2 (%3)").arg(currentExceptionType(), what, where);
        writeToLog(detail);
        dialogs().programFault(detail);
        return;
    }
    dialogs().message(text, MsgButtons::Ok, kErrorTitle, MsgIcon::Warning);
}

} // namespace platform
