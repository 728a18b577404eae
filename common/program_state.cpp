#include "common/program_state.h"

#include "platform/db/database.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

namespace {
ProgramState g_state;
QString g_helpFile;
}

QString ProgramState::connectionText() const {
    return QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + platform::db::connectionValue(DatabasePath) +
           QStringLiteral(";Persist Security Info=False;Jet OLEDB:Database Password=") +
           platform::db::connectionValue(DatabasePassword);
}

ProgramState& state() { return g_state; }

std::shared_ptr<platform::db::Database> openProgramDatabase() {
    return platform::db::Database::openConnectionText(g_state.connectionText());
}
void resetState() { g_state = ProgramState{}; }

void setHelpFile(const QString& path) { g_helpFile = path; }
QString helpFile() { return g_helpFile; }

bool openHelpFile() {
    if (g_helpFile.isEmpty() || !QFileInfo(g_helpFile).isFile()) return false;
    return QDesktopServices::openUrl(QUrl::fromLocalFile(g_helpFile));
}
