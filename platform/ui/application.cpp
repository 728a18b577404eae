#include "platform/ui/application.h"

#include "platform/ui/dialogs.h"
#include "platform/text/process_memory.h"
#include "platform/text/system_errors.h"

#include <exception>
#include <system_error>

namespace platform {

Application::Application(int& argc, char** argv) : QApplication(argc, argv) { keepFreedMemory(); }

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
