#pragma once
// The full-mark panel of the main window (panel 4): the full mark of every
// paper of every grade level.

#include "grades/frame/form2_panel.h"

#include <QObject>
#include <QVariantList>

class QLabel;

class FullMarkPanel : public QObject, public Form2Panel {
    Q_OBJECT
public:
    int index() const override { return 4; }
    const std::vector<form2::ControlDesign>& designs() const override;
    void layout(form2::LayoutPass& pass, double width, double height) const override;
    QStringList dataControls() const override { return {QStringLiteral("Ad4"), QStringLiteral("Ad41")}; }
    void bind(PanelHost& host) override;
    // The full marks of every grade level in the grid; the grade ids stay as they are.
    void load() override;
    // Papers a grade level does not take (full mark empty or 0) lose their
    // teachers, in one transaction.
    void finish() override;

private:
    // The row of the grid with a full mark typed and not stored: its table row and values.
    struct TypedRow {
        qint64 rowid = 0;
        QVariantList values;
    };
    static TypedRow typedRow(const platform::db::Recordset& grades);
    // After finishing work rolled back at its commit: the sets read again.
    void showTheFileAgain();
    // The typed row's values pending again on its row, as typed.
    void typeAgain(const TypedRow& typed);

    PanelHost* host_ = nullptr;
    QLabel* La42 = nullptr;
    platform::db::DataGrid* DataGrid4 = nullptr;
    platform::db::DataControl* Ad4 = nullptr;
    platform::db::DataControl* Ad41 = nullptr;
};
