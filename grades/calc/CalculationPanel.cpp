#include "grades/calc/CalculationPanel.h"

#include "common/settings_rows.h"
#include "platform/db/database.h"
#include "platform/db/datacontrol.h"
#include "platform/ui/dialogs.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>

void CalculationPanel::bind(PanelHost& host) {
    host_ = &host;
    controls_ = host.controlsOf(index());
    // Every control the panel fills, looked up now so that a wrong name stops the start.
    for (const char* name : {"Option51", "Option52", "Option53"})
        controls_.get<QRadioButton>(QLatin1String(name));
    for (const char* name : {"Check51", "Check52", "Check53", "Check54"})
        controls_.get<QCheckBox>(QLatin1String(name));
    for (const char* name : {"Te52", "Text3", "Text4", "Text5", "Te51_0", "Te51_1", "Te51_2"})
        controls_.get<QLineEdit>(QLatin1String(name));
    for (const char* name : {"Frame10_0", "Frame10_1", "La54", "La56", "Te53", "Com53"})
        controls_.get<QWidget>(QLatin1String(name));
    Ad50 = &controls_.data(QStringLiteral("Ad50"));
    Ad51 = &controls_.data(QStringLiteral("Ad51"));
    connect(controls_.get<QCheckBox>(QStringLiteral("Check55")), &QCheckBox::clicked, this,
            [this] { Check55_Click(); });
}

void CalculationPanel::load() {
    Check55_Click();
    controls_.get<QWidget>(QStringLiteral("Frame10_1"))->setVisible(false);
    controls_.get<QWidget>(QStringLiteral("Frame10_0"))->setVisible(true);
    try {
        const SettingsRows rows = host_->settings();
        const QString scope = rows.value(Setting::ComparisonRange);
        if (scope == QLatin1String("1") || scope == QLatin1String("2") || scope == QLatin1String("3"))
            controls_.get<QRadioButton>(QStringLiteral("Option5") + scope)->setChecked(true);
        const char* checks[] = {"Check51", "Check52", "Check53", "Check54"};
        for (int i = 0; i < 4; ++i)
            controls_.get<QCheckBox>(QLatin1String(checks[i]))
                ->setChecked(rows.value(Setting(int(Setting::AskOnZeroMark) + i)) == QLatin1String("t"));
        const std::pair<Setting, const char*> formulas[] = {{Setting::TeacherFormula1, "Te52"},
                                                                {Setting::TeacherFormula2, "Text3"},
                                                                {Setting::TeacherFormula3, "Text4"},
                                                                {Setting::TeacherFormula4, "Text5"}};
        for (const auto& [row, box] : formulas)
            controls_.get<QLineEdit>(QLatin1String(box))->setText(rows.value(row));
        const Setting lines[] = {Setting::ExcellentLine, Setting::PassLine, Setting::PoorLine};
        for (int i = 0; i < 3; ++i)
            controls_.get<QLineEdit>(QStringLiteral("Te51_%1").arg(i))->setText(rows.value(lines[i]));
        for (const auto& [row, box] : formulas) {
            auto* edit = controls_.get<QLineEdit>(QLatin1String(box));
            edit->setToolTip(edit->text());
        }
    } catch (const platform::db::DbError& e) {
        platform::dialogs().message(e.text(), platform::MsgButtons::Ok, platform::kErrorTitle,
                                    platform::MsgIcon::Warning);
    }
}

void CalculationPanel::Check55_Click() {
    const bool on = controls_.get<QCheckBox>(QStringLiteral("Check55"))->isChecked();
    for (const char* name : {"La54", "La56", "Te53", "Com53"})
        controls_.get<QWidget>(QLatin1String(name))->setVisible(on);
}

void CalculationPanel::finish() {
    form2::emptyDataControl(*Ad51);
    form2::emptyDataControl(*Ad50);
}
