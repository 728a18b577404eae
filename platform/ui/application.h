#pragma once
// The application object of both programs. A failure that a handler did not
// catch (a database or file error) is told to the user instead of ending the
// program: the work already stored stays, the user can go on or save. A fault
// of the program itself is told in a short message of its own; its detail
// goes to the program's log.

#include "platform/text/message_titles.h"

#include <QApplication>
#include <QProcessEnvironment>

namespace platform {

class Application : public QApplication {
public:
    Application(int& argc, char** argv);
    ~Application() override;
    bool notify(QObject* receiver, QEvent* event) override;
};

// Tells the user of the failure being handled; call it in a catch block,
// wherever a failure stops, in the event loop or not, on whichever thread it
// began (a future hands its thread's exception on as it is). One of the
// system's own messages, a system error and memory run out are told as
// messages; anything else is a fault of the program: its short message, and
// its detail, with `where` it happened, in the program's log.
void reportCurrentFailure(const QString& where);

// The program's log of its own faults (kProgramLogName in the program folder),
// a GBK text file appended to; until one is set (tests) the detail goes to the
// standard error output.
void setProgramLog(const QString& path);

// Outside a desktop session no message bus is named, and the bus library
// would start one for the accessibility layer (see application.cpp). Named
// off only when there is none to find: neither the variable nor the user's
// bus socket at $XDG_RUNTIME_DIR/bus. Done by the application object.
void disableAbsentBus();

// The environment the program was started with, before it changed any of it
// for itself, and the way a process it starts gets that environment.
QProcessEnvironment startEnvironment();
bool startDetachedAsStarted(const QString& program, const QStringList& arguments);

} // namespace platform
