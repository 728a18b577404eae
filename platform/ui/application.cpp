#include "platform/ui/application.h"

#include "platform/ui/dialogs.h"
#include "platform/text/process_memory.h"
#include "platform/text/system_errors.h"

#include <exception>
#include <system_error>

namespace platform {
namespace {

// Outside a desktop session no message bus is named. Qt's accessibility then
// asks the bus library to start one, which forks and runs dbus-launch (seldom
// installed) while the first window waits: several milliseconds of the start
// for a bus nothing else in such a session listens on.
int& withoutBusLaunch(int& argc) {
    if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        qputenv("DBUS_SESSION_BUS_ADDRESS", "disabled:");
    return argc;
}

} // namespace

Application::Application(int& argc, char** argv) : QApplication(withoutBusLaunch(argc), argv) { keepFreedMemory(); }

bool Application::notify(QObject* receiver, QEvent* event) {
    QString text;
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::system_error& e) {
        // The library's own text is English: the reason is ours.
        text = QStringLiteral("操作没有完成: ") + systemErrorReason(e.code());
    } catch (const std::exception& e) {
        // The system's errors carry their message as UTF-8.
        text = QString::fromUtf8(e.what());
    }
    dialogs().message(text, MsgButtons::Ok, kErrorTitle, MsgIcon::Warning);
    return false;
}

} // namespace platform
