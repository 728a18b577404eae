// The panels of the main window: showing one, opening it from its button,
// and the finishing work when it closes.
#include "grades/frame/Form2.h"

#include "platform/db/recordset.h"

// ---------------------------------------------------------------- panels

void Form2::ShowPanel(int index) {
    buildPanel(index);
    for (int i = 0; i <= 8; ++i)
        control(QStringLiteral("Frame1_%1").arg(i))->setVisible(false);
    QWidget* panel = control(QStringLiteral("Frame1_%1").arg(index));
    panel->setVisible(true);
    panel->repaint();
}

void Form2::ShowStartPanel() {
    for (int i = 0; i <= 8; ++i)
        control(QStringLiteral("Frame1_%1").arg(i))->setVisible(false);
    control(QStringLiteral("Frame1_0"))->setVisible(true);
    for (int i = 1; i <= 8; ++i)
        control(QStringLiteral("Command%1").arg(i))->setVisible(true);
}

int Form2::visiblePanel() const {
    int visible = -1;
    for (int i = 0; i <= 8; ++i)
        if (!control(QStringLiteral("Frame1_%1").arg(i))->isHidden())
            visible = i;
    return visible;
}

bool Form2::Comout_Click(int) {
    const int p = visiblePanel();
    if (p >= 1 && p <= 8) {
        if (Form2Panel* shown = panel(p); shown && !finishPanel(*shown))
            return false;
        ShowStartPanel();
    }
    try {
        form2::emptyDataControl(Adodc1_);
    } catch (const platform::db::DbError& e) {
        showDbError(e);
        dropDataControl(Adodc1_);
    }
    return true;
}

bool Form2::finishPanel(Form2Panel& panel) {
    try {
        panel.finish();
        return true;
    } catch (const platform::db::DbError& e) {
        showDbError(e);
        dropDataControl(Adodc1_);
        // A busy file refuses before anything is written: the panel stays
        // with what was typed, for 完成 once the file is free.
        if (e.kind() == platform::db::DbError::Busy)
            return false;
        // Other failures broke off data work that was rolled back; the panel
        // still closes and lets go of its record sets.
        dropPanelData(panel);
        return true;
    }
}

void Form2::dropPanelData(const Form2Panel& panel) {
    for (const QString& name : panel.dataControls())
        dropDataControl(anyDataControl(name));
}

void Form2::dropDataControl(platform::db::DataControl& dc) {
    // An edit still pending is thrown away, not stored: after a rollback it
    // would write half of the work outside the transaction.
    if (auto* rs = dc.recordset(); rs && rs->isDirty())
        rs->cancelUpdate();
    try {
        form2::emptyDataControl(dc);
    } catch (const platform::db::DbError&) {
    }
}

void Form2::openPanel(int index) {
    if (!Comout_Click(0))
        return;
    buildPanel(index);
    Form2Panel* opened = panel(index);
    try {
        if (opened && !opened->mayOpen())
            return;
        ShowPanel(index);
        if (opened)
            opened->load();
    } catch (const platform::db::DbError& e) {
        showDbError(e);
    }
}

void Form2::Command1_Click() { openPanel(1); }
void Form2::Command2_Click() { openPanel(2); }
void Form2::Command3_Click() { openPanel(3); }
void Form2::Command4_Click() { openPanel(4); }
void Form2::Command5_Click() { openPanel(5); }
void Form2::Command6_Click() { openPanel(6); }
void Form2::Command7_Click() { openPanel(7); }
void Form2::Command8_Click() { openPanel(8); }
