#pragma once
// A temporary folder that is the program folder (system.txt, logs, help)
// while it lives, with the program state at its start values before and after.

#include <QString>
#include <QTemporaryDir>

class TemporaryProgramFolder {
public:
    TemporaryProgramFolder();
    ~TemporaryProgramFolder();
    TemporaryProgramFolder(const TemporaryProgramFolder&) = delete;
    TemporaryProgramFolder& operator=(const TemporaryProgramFolder&) = delete;

    bool isValid() const { return dir_.isValid(); }
    QString path() const { return dir_.path(); }
    QString filePath(const QString& name) const { return dir_.filePath(name); }

private:
    QTemporaryDir dir_;
};
