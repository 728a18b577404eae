#include "grades/results/TeacherScorePanel.h"

#include "common/program_state.h"
#include "common/schema.h"
#include "common/settings_rows.h"
#include "platform/db/database.h"
#include "platform/db/datacontrol.h"
#include "platform/db/recordset.h"
#include "platform/ui/dialogs.h"

#include <QComboBox>

void TeacherScorePanel::bind(PanelHost& host) {
    host_ = &host;
    const PanelControls c = host.controlsOf(index());
    Combo11 = c.get<QComboBox>(QStringLiteral("Combo11"));
    Ad71 = &c.data(QStringLiteral("Ad71"));
}

bool TeacherScorePanel::mayOpen() {
    try {
        state().CurrentScoreTable = host_->settings().value(Setting::AssessmentScoreTable);
        Ad71->setRecordSource(table::Teachers);
        Ad71->refresh();
        auto* rs = Ad71->recordset();
        if (rs->recordCount() == 0)
            return false;
        Combo11->clear();
        for (rs->moveFirst(); !rs->eof(); rs->moveNext())
            Combo11->addItem(rs->value(QStringLiteral("姓名")).toString());
        return true;
    } catch (const platform::db::DbError& e) {
        platform::dialogs().message(e.text(), platform::MsgButtons::Ok, platform::kErrorTitle,
                                    platform::MsgIcon::Warning);
        return false;
    }
}

void TeacherScorePanel::finish() { form2::emptyDataControl(*Ad71); }
