#include "grades/results/ResultsPanel.h"

#include "common/class_label.h"
#include "common/program_state.h"
#include "common/schema.h"
#include "common/settings_rows.h"
#include "platform/db/database.h"
#include "platform/db/datacontrol.h"
#include "platform/db/recordset.h"
#include "platform/text/values.h"
#include "platform/ui/dialogs.h"

#include <QComboBox>

void ResultsPanel::bind(PanelHost& host) {
    host_ = &host;
    const PanelControls c = host.controlsOf(index());
    Combo9 = c.get<QComboBox>(QStringLiteral("Combo9"));
    Combo10 = c.get<QComboBox>(QStringLiteral("Combo10"));
    Combo12 = c.get<QComboBox>(QStringLiteral("Combo12"));
    Combo13 = c.get<QComboBox>(QStringLiteral("Combo13"));
    Combo14 = c.get<QComboBox>(QStringLiteral("Combo14"));
    DataGrid6 = c.grid(QStringLiteral("DataGrid6"));
    Ad61 = &c.data(QStringLiteral("Ad61"));
}

void ResultsPanel::load() {
    ProgramState& s = state();
    if (s.CurrentScoreTable.isEmpty())
        s.CurrentScoreTable = table::Scores;
    platform::db::DataControl& general = host_->dataControl(QStringLiteral("Adodc1"));
    try {
        fillChoosers();
        general.setRecordSource(table::Scores);
        general.refresh();
        if (general.recordset()->recordCount() == 0) {
            platform::dialogs().message(QStringLiteral("你现在还没有输入任何一名同学，不能进行各种查看！"),
                                        platform::MsgButtons::Ok, platform::kPromptTitle);
            host_->Comout_Click(0);
            return;
        }
        general.setRecordSource(table::Classes);
        general.refresh();
        // Showing the chosen class or room is the results view's own work.
    } catch (const platform::db::DbError& e) {
        platform::dialogs().message(e.text(), platform::MsgButtons::Ok, platform::kErrorTitle,
                                    platform::MsgIcon::Warning);
    }
}

void ResultsPanel::fillChoosers() {
    platform::db::DataControl& general = host_->dataControl(QStringLiteral("Adodc1"));
    if (Combo9->count() == 0) {
        QStringList labels;
        general.setRecordSource(table::Classes);
        general.refresh();
        auto* rs = general.recordset();
        for (rs->recordCount() ? rs->moveFirst() : void(); rs->recordCount() && !rs->eof(); rs->moveNext())
            labels << classLabel(rs->value(QStringLiteral("年级")).toString(), rs->value(QStringLiteral("班")).toString());
        general.setRecordSource(table::Grades);
        general.refresh();
        rs = general.recordset();
        for (rs->recordCount() ? rs->moveFirst() : void(); rs->recordCount() && !rs->eof(); rs->moveNext())
            labels << gradeLabel(rs->value(0).toString());
        sortClassLabels(labels);
        Combo9->addItems(labels);
        Combo9->addItem(QStringLiteral("所有班级"));
        Combo9->setCurrentIndex(0);
    }
    if (Combo12->count() == 0) {
        general.setRecordSource(table::Grades);
        general.refresh();
        auto* rs = general.recordset();
        for (int i = 1; i < rs->fieldCount(); ++i)
            Combo12->addItem(rs->fieldName(i));
        Combo12->addItems({QStringLiteral("总分"), QStringLiteral("平均分"), QStringLiteral("考号")});
        Combo12->setCurrentIndex(Combo12->findText(QStringLiteral("平均分")));
    }
    if (Combo13->count() == 0) {
        for (int i = 0; i <= 8; ++i)
            Combo13->addItem(QString::number(i));
        Combo13->setCurrentIndex(0);
    }
    if (Combo14->count() == 0) {
        for (int i = 1; i <= 10; ++i)
            Combo14->addItem(QString::number(i));
        Combo14->setCurrentIndex(3);
    }
    if (Combo10->count() == 0) {
        state().ExamRoomCount = static_cast<int16_t>(
            platform::leadingWholeNumber(host_->settings().value(Setting::ExamRoomCount)));
        for (int i = 1; i <= state().ExamRoomCount; ++i)
            Combo10->addItem(QString::number(i) + QStringLiteral("考室"));
        Combo10->addItem(QStringLiteral("所有考室"));
        Combo10->setCurrentIndex(-1);
    }
}

void ResultsPanel::finish() {
    form2::detachGrid(DataGrid6);
    form2::emptyDataControl(*Ad61);
}
