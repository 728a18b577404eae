#pragma once
// The main window's one file dialog: it keeps its file name, filter, title
// and flags from one use to the next, as the windows that borrow it expect.
// Shown through the dialog service.

#include <QString>

namespace platform {

class CommonDialog {
public:
    // The flag a save dialog uses to ask before an existing file is replaced.
    static constexpr int OverwritePrompt = 2;

    QString FileName;
    QString Filter;          // "Access数据库(*.mdb)|*.mdb|所有文件(*.*)|*.*"
    int FilterIndex = 1;
    QString DialogTitle;
    QString InitDir;
    int Flags = 0;
    // With it, a cancelled dialog ends the caller's operation (ShowOpen and
    // ShowSave return false); without it FileName stays as it was and they
    // return true.
    bool CancelError = false;

    bool ShowOpen();
    bool ShowSave();

private:
    bool show(bool save);
};

} // namespace platform
