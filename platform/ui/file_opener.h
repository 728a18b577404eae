#pragma once
// Opens a local file (the help file) in the desktop's viewer, which gets the
// environment the program was started with, not the program's own changes to
// it. The application object makes it the handler of file URLs.

#include <QObject>
#include <QUrl>

namespace platform {

class FileOpener : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    Q_INVOKABLE void open(const QUrl& url);
};

} // namespace platform
