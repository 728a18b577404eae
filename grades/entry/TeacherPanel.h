#pragma once
// The teacher panel of the main window (panel 2): the teachers and the
// classes and subjects each of them teaches, and the check that walks every
// class and subject still without a teacher.

#include "grades/entry/core/teaching.h"
#include "grades/frame/form2_panel.h"

#include <QObject>
#include <cstdint>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace platform::db {
class DataControl;
class DataGrid;
class Recordset;
}

class TeacherPanel : public QObject, public Form2Panel {
    Q_OBJECT
public:
    int index() const override { return 2; }
    const std::vector<form2::ControlDesign>& designs() const override;
    void layout(form2::LayoutPass& pass, double width, double height) const override;
    QStringList dataControls() const override { return {QStringLiteral("Ad2")}; }
    void bind(PanelHost& host) override;
    // Fills the class and subject boxes and shows the teachers, the first one current.
    void load() override;
    // Closes up every teacher's assignment slots, in one transaction.
    void finish() override;

    // Whether the unassigned-subject check is running; leaving the panel does not end it.
    bool checking() const;
    const entry::UnassignedSubjectScan& scan() const { return scan_; }

    // Handlers of the panel's controls.
    void Ad2_MoveComplete();
    void Com21_Click();
    void Te21_KeyPress(int16_t& keyAscii);
    void Te21_GotFocus();
    void Com28_Click();
    void Com26_Click();
    void Com27_Click();
    void List1_Click();
    void Com24_Click();
    void Com25_Click();
    void Com23_Click();
    void Combo4_Click();
    void Comtea2_Click();
    void Comtea4_Click();
    void Comtea1_Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Rebuilds List1 from the current teacher; mode 1 also loads its first
    // entry into the boxes. Throws DbError when no teacher is current.
    void RefreshTeachingList(int mode);
    // One step of the check: the next gap shown, or the end told.
    void FindNextUnassignedSubject();
    void loadEntry(int row);
    int selectedEntry() const;
    void clearBoxes();
    // The class and subject chosen, back in their boxes after a refused write.
    void keepChoice(const QString& label, const QString& subject);
    platform::db::Recordset* teachers() const;
    // The class cursor: Adodc1 on 班级表, bound again when it was let go.
    platform::db::Recordset& classes();
    void tell(const QString& text, const QString& title);

    PanelHost* host_ = nullptr;
    QGroupBox* Frame3_0 = nullptr;
    QGroupBox* Frame3_1 = nullptr;
    QGroupBox* Frame2_0 = nullptr;
    QLineEdit* Te21 = nullptr;
    QPushButton* Com21 = nullptr;
    QPushButton* Com23 = nullptr;
    QPushButton* Com24 = nullptr;
    QPushButton* Com25 = nullptr;
    QPushButton* Com26 = nullptr;
    QPushButton* Com27 = nullptr;
    QPushButton* Com28 = nullptr;
    QComboBox* Combo2 = nullptr;
    QComboBox* Combo3 = nullptr;
    QComboBox* Combo4 = nullptr;
    QListWidget* List1 = nullptr;
    QLabel* Latea = nullptr;
    QPushButton* Comtea1 = nullptr;
    QPushButton* Comtea2 = nullptr;
    QPushButton* Comtea4 = nullptr;
    platform::db::DataGrid* DataGrid2 = nullptr;
    platform::db::DataControl* Ad2 = nullptr;
    platform::db::DataControl* Adodc1 = nullptr;
    entry::UnassignedSubjectScan scan_;
};
