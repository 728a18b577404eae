#pragma once
// The main window of the grade program: nine panels shown one at a time, the
// eight panel buttons under them, and the menu bar.
//
// Names. Every control and menu item carries its design name as Qt
// objectName, so that code outside the window (lock level, colour schemes,
// the panels) can find it by name. Members of a control array are named
// Name_Index: Frame1_0 ... Frame1_8, Comout_0 ... Comout_7, Check1_2,
// Frame10_1, Te51_0, Lab51_6, Frame12_3, Option8_1, Opt60_2, La51_3, Label10_0.
// Widget kinds: Frame = QGroupBox, Label = QLabel, TextBox = QLineEdit
// (QPlainTextEdit for the multi-line ones: Text1, Text2, Text6, Text7, Text8),
// CommandButton = QPushButton, ComboBox = QComboBox, ListBox = QListWidget,
// CheckBox = QCheckBox, OptionButton = QRadioButton, DataGrid =
// platform::db::DataGrid, PictureBox = QFrame, data control on a panel
// (Ad1, Ad2 ...) = platform::db::DataControlBar.
// Menus: each top-level menu is a QMenu named MenuFile, MenuEDIT, MeuLook,
// menuSJ, MenuTs, Help; its menuAction() carries the same name, so disabling
// a whole menu is menuItem("MenuFile")->setEnabled(false). Items and
// separators are QActions named as designed (MenuStudent, kon6, menucolor ...).
//
// Panels 1 to 8 are Form2Panel objects added by the function that builds
// the window (grades/app); the window itself holds the frame, the button
// row and the home panel.

#include "grades/frame/form2_panel.h"
#include "platform/db/datacontrol.h"
#include "platform/ui/common_dialog.h"

#include <QHash>
#include <QMainWindow>
#include <memory>

class QAction;
struct OwnConnections;

namespace platform::db { class DataGrid; }

class Form2 : public QMainWindow, public PanelHost {
    Q_OBJECT
public:
    explicit Form2(QWidget* parent = nullptr);
    ~Form2() override;

    // Builds the panel's controls in its panel frame, lets it look them up,
    // and lays the window out again. Throws MissingControl on a name the
    // panel looks for in vain, or std::logic_error on a panel index taken,
    // a control name used twice or a container that does not exist.
    // With PanelBuild::WhenFirstNeeded only the index is checked now; the
    // rest happens when the panel is first opened or its offer asked for.
    void addPanel(std::unique_ptr<Form2Panel> panel, PanelBuild build = PanelBuild::WhenAdded);
    // The panel with that index, or null.
    Form2Panel* panel(int index) const;
    // Whether the panel's controls exist yet; builds them when asked to.
    bool isBuilt(int index) const;
    void buildPanel(int index);

    // The loading of the window: closes the start window, finds the database,
    // shows the window maximised, has the user log in, connects the data
    // controls and counts the tables. False when the program cannot go on: the
    // user has been told and this window is closed.
    bool startUp(QWidget* startWindow);

    // Gives every data control the connection text and opens the settings
    // cursor Adodc0 on 状态表. Throws platform::db::DbError when the database
    // does not open.
    void ConnectDataControls();
    // Closes every data control of the window (the password change needs the
    // database to itself); ConnectDataControls opens them again.
    void DisconnectDataControls();
    bool isConnected() const { return connected_; }

    // Panel switching.
    void ShowPanel(int index) override;
    void ShowStartPanel() override;
    // The panels lose their caption and border at start-up.
    void RemovePanelBorders();
    int visiblePanel() const override;   // the last visible member of Frame1, -1 when none
    // The finishing work of the visible panel, then the home panel. The index is ignored.
    // False when the panel stays because a busy file refused its finishing work.
    bool Comout_Click(int index = 0) override;
    // The opening of every panel button: the finishing work of the panel
    // showing, then the panel's mayOpen, ShowPanel and load.
    void openPanel(int index) override;

    // Panel buttons.
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();
    void Command5_Click();
    void Command6_Click();
    void Command7_Click();
    void Command8_Click();

    // Menu handlers of this window.
    void menu12_Click();
    void MenuStudent_Click();
    void Menuteacher_Click();
    void MenuKh_Click();
    void MenuZf_Click();
    void MenuCj_Click();
    void MenuJs_Click();
    void MenuCk_Click();
    void MenuJf_Click();
    void MenuEditAll_Click();
    void MenuXueJi_Click();
    void MenuOpenOther_Click();
    void helpuser_Click();
    void MenuHowtouse_Click();
    void about_Click();
    void menucolor_Click();

    // Lays the window out for its present size.
    void Form_Resize();

    // Controls anywhere in the window by design name; null when none (as
    // for every control of a panel not built yet).
    QWidget* control(const QString& name) const;
    template <class T> T* control(const QString& name) const { return qobject_cast<T*>(control(name)); }
    QAction* menuItem(const QString& name) const override;
    // Adodc0 and Adodc1; throws MissingControl on any other name.
    platform::db::DataControl& dataControl(const QString& name) override;
    // Those two and the built panels' data controls (Ad1, Ad2 ...): for the
    // window's own work on every panel and for tests; throws MissingControl
    // when there is none.
    platform::db::DataControl& anyDataControl(const QString& name);
    platform::db::DataGrid* grid(const QString& name) const;

    // The host's services for the panels.
    QWidget* hostWindow() override { return this; }
    PanelControls controlsOf(const Form2Panel& panel) override;
    // The frame's own look-up of a panel's controls by its number.
    PanelControls controlsOf(int panel);
    SettingsRows settings() override;
    // What a login or password change does with our connections around its work.
    OwnConnections ownConnections() override;
    std::vector<platform::db::Recordset*> openRecordsets() override;
    std::vector<QPushButton*> panelButtons() const override;
    platform::CommonDialog& CommonDialog1() override { return CommonDialog1_; }

    // The settings cursor: the 状态 text of row n of 状态表 ("" when empty).
    QString settingsValue(int row);
    void setSettingsValue(int row, const QString& value);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void buildPanelsOffering(const std::type_info& service) override;

private:
    void buildControls();
    QWidget* buildControl(const form2::ControlDesign& d);
    void buildMenus();
    void wireHandlers();
    // False when a busy file refused the finishing work and the panel stays.
    bool finishPanel(Form2Panel& panel);
    // The panel's record sets let go without storing, after its finishing work failed.
    void dropPanelData(const Form2Panel& panel);
    void buildPanelControls(Form2Panel& panel);
    void dropDataControl(platform::db::DataControl& dc);   // after a failure; never throws
    static void showDbError(const platform::db::DbError& e);
    QStringList panelDataControls() const;
    void releaseConnections();
    void reacquireConnections();

    std::vector<std::unique_ptr<Form2Panel>> panels_;
    std::vector<Form2Panel*> unbuilt_;   // added to be built when first needed
    bool coloured_ = false;              // a colour scheme has been applied
    QWidget* client_ = nullptr;
    QHash<QString, QWidget*> controls_;
    QHash<QString, QAction*> menuItems_;
    platform::db::DataControl Adodc0_;
    platform::db::DataControl Adodc1_;
    platform::CommonDialog CommonDialog1_;
    bool connected_ = false;
    bool reconnect_ = false;
};
