#pragma once
// The application object of both programs. A failure that a handler did not
// catch (a database or file error) is told to the user instead of ending the
// program: the work already stored stays, the user can go on or save.

#include <QApplication>

namespace platform {

class Application : public QApplication {
public:
    Application(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

} // namespace platform
