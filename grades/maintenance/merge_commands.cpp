#include "grades/maintenance/merge_commands.h"

#include "common/program_state.h"
#include "grades/frame/form2_panel.h"
#include "grades/maintenance/core/merge.h"
#include "platform/db/database.h"
#include "platform/db/datacontrol.h"
#include "platform/db/recordset.h"
#include "platform/ui/common_dialog.h"
#include "platform/ui/dialogs.h"

namespace maintenance {

using platform::db::Database;
using platform::db::DbError;

void menuin1_Click(PanelHost& host) {
    auto tell = [](const QString& text, const QString& title) {
        platform::dialogs().message(text, platform::MsgButtons::Ok, title);
    };
    if (state().IsAdministrator == 0) {
        tell(QStringLiteral("只有系统管理员才有权使用本功能。"), platform::kPromptTitle);
        return;
    }
    platform::CommonDialog& dialog = host.CommonDialog1();
    dialog.CancelError = true;
    dialog.Filter = QStringLiteral("Access数据库(*.mdb)|*.mdb|所有文件(*.*)|*.*");
    if (!dialog.ShowOpen() || dialog.FileName.isEmpty())
        return;

    std::shared_ptr<Database> target, source;
    try {
        target = openProgramDatabase();
        // Checked before the question, so that a file that cannot be used changes nothing.
        source = openMergeSource(dialog.FileName, *target);
    } catch (const MergeRefused& r) {
        tell(r.text, r.title);
        return;
    } catch (const DbError& e) {
        tell(e.text(), platform::kErrorTitle);
        return;
    }
    const bool overwrite = platform::dialogs().message(QStringLiteral("如果有相同的记录,是否将其覆盖?"),
                                                       platform::MsgButtons::YesNo, platform::kPromptTitle)
                           == platform::MsgResult::Yes;
    if (!host.Comout_Click(0))
        return;

    MergeResult result;
    try {
        result = mergeDatabase(*target, *source, overwrite);
    } catch (const DbError& e) {
        tell(QStringLiteral("数据导入没有完成,当前数据库没有改变。\n%1").arg(e.text()), platform::kErrorTitle);
        return;
    }
    source.reset();
    // Only after the commit: the counts are the tables' rows as they now stand.
    state().GradeCount = int16_t(result.tables[0].rowCount);
    state().ClassCount = int16_t(result.tables[1].rowCount);
    state().StudentCount = float(result.tables[2].rowCount);
    state().TeacherCount = float(result.tables[3].rowCount);
    // Sets still open on the window read the merged rows.
    for (platform::db::Recordset* rs : host.openRecordsets()) {
        try {
            rs->requery();
        } catch (const DbError&) {
        }
    }
    tell(mergeReportText(result), platform::kPromptTitle);
}

} // namespace maintenance
