#include "common/program_state.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

namespace {
ProgramState g_state;
QString g_helpFile;
}

ProgramState& state() { return g_state; }
void resetState() { g_state = ProgramState{}; }

void setHelpFile(const QString& path) { g_helpFile = path; }
QString helpFile() { return g_helpFile; }

bool openHelpFile() {
    if (g_helpFile.isEmpty() || !QFileInfo(g_helpFile).isFile()) return false;
    return QDesktopServices::openUrl(QUrl::fromLocalFile(g_helpFile));
}
