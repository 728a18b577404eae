#include "grades/maintenance/new_examination_commands.h"

#include "common/program_state.h"
#include "common/today.h"
#include "grades/frame/form2_panel.h"
#include "grades/frame/frmLogin.h"
#include "grades/maintenance/core/new_examination.h"
#include "grades/maintenance/undone_change.h"
#include "platform/db/backup.h"
#include "platform/db/datacontrol.h"
#include "platform/db/database.h"
#include "platform/db/recordset.h"
#include "platform/ui/common_dialog.h"
#include "platform/ui/dialogs.h"

namespace maintenance {

using platform::db::Database;
using platform::db::DbError;

namespace {

constexpr int kTeacherPanel = 2;

bool administratorLogin(PanelHost& host) {
    frmLogin login(host.hostWindow(), host.ownConnections());
    platform::dialogs().runModal(login);
    return state().IsAdministrator != 0;
}

// The save dialog, then the copy. True when a copy was made; a failure is
// told, so nobody believes a copy exists that does not.
bool backUp(PanelHost& host) {
    platform::CommonDialog& dialog = host.CommonDialog1();
    dialog.CancelError = true;
    dialog.FileName = defaultBackupName(today());
    dialog.Filter = QStringLiteral("Access数据库(*.mdb)|*.mdb|所有文件(*.*)|*.*");
    dialog.DialogTitle = QStringLiteral("将数据文件保存为");
    dialog.Flags = platform::CommonDialog::OverwritePrompt;
    if (!dialog.ShowSave() || dialog.FileName.isEmpty())
        return false;
    try {
        platform::db::backupDatabase(*openProgramDatabase(), dialog.FileName);
    } catch (const DbError& e) {
        platform::dialogs().message(e.text(), platform::MsgButtons::Ok, platform::kErrorTitle);
        return false;
    }
    host.BackupDone = true;
    return true;
}

// The window's record sets: an edit still pending is stored before the
// tables change under them, so it cannot be written back over the clearing.
void storePendingEdits(PanelHost& host) {
    for (platform::db::Recordset* rs : host.openRecordsets())
        rs->update();
}

// And read again afterwards, so that no panel shows what was cleared.
void requeryOpenSets(PanelHost& host) {
    for (platform::db::Recordset* rs : host.openRecordsets())
        rs->requery();
}

} // namespace

void outsj1_Click(PanelHost& host) { backUp(host); }

void ResetZero_Click(PanelHost& host) {
    if (!administratorLogin(host))
        return;
    if (platform::dialogs().message(
            QStringLiteral("数据刷新会将所有的数据清零,以便开始新的考试,你确实要将所有数据清零吗?"),
            platform::MsgButtons::YesNo, platform::kPromptTitle) != platform::MsgResult::Yes)
        return;
    backUp(host);
    // A backup made earlier in this run is enough.
    if (!host.BackupDone) {
        platform::dialogs().message(QStringLiteral("你必须成功将本系统的数据备份以后才能将所有数据清零."),
                                    platform::MsgButtons::Ok, platform::kPromptTitle);
        return;
    }
    try {
        storePendingEdits(host);
        clearForNewExamination(*openProgramDatabase());
    } catch (const DbError& e) {
        // Nothing changed: the lists stay on the rows they show.
        reportUndone(e);
        return;
    }
    try {
        requeryOpenSets(host);
    } catch (const DbError&) {
        // A set that cannot be read again keeps its rows; the next opening reads them.
    }
}

void RestRK_Click(PanelHost& host) {
    if (!administratorLogin(host))
        return;
    if (host.visiblePanel() != 0 && !host.Comout_Click(0))
        return;
    try {
        clearTeachingAssignments(*openProgramDatabase());
    } catch (const DbError& e) {
        reportUndone(e);
        return;
    }
    host.openPanel(kTeacherPanel);
}

} // namespace maintenance
