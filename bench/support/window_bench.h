#pragma once
// What a benchmark of the windows starts with: an offscreen application,
// optionally every dialog answered at once, and a temporary folder for the
// school's database.

#include "bench/support/quiet_dialogs.h"

#include <QApplication>
#include <QTemporaryDir>
#include <optional>

namespace bench {

class WindowBench {
public:
    enum class Dialogs { Real, Quiet };

    WindowBench(int& argc, char** argv, Dialogs dialogs = Dialogs::Quiet);
    ~WindowBench();
    WindowBench(const WindowBench&) = delete;
    WindowBench& operator=(const WindowBench&) = delete;

    // A file in the temporary folder.
    QString path(const QString& name) const { return dir.filePath(name); }
    // 学生成绩库.mdb in the temporary folder.
    QString schoolPath() const { return path(QStringLiteral("学生成绩库.mdb")); }

    QTemporaryDir dir;

private:
    struct Offscreen {
        Offscreen();
    } offscreen_;
    QApplication app_;
    std::optional<QuietDialogs> quiet_;
};

} // namespace bench
