#pragma once
// The records program's main window and start-up window: the school tree on
// the left, the students of the chosen node on the right, a status bar with
// two panels, the menus, the popup menu and the toolbar.

#include "platform/db/datacontrol.h"

#include <QHash>
#include <QMainWindow>
#include <QPointer>
#include <QWindow>

class QAction;
class QMenu;
class QStatusBar;
class QLabel;
class QToolBar;
class QTreeWidget;
class QTreeWidgetItem;
class QListWidget;
class QListWidgetItem;
class QWindow;

class EditAll;
class QYset;
class XJNew;
class XYOutDat;
class XJprint;
class XJAbout;
class HelpNote;

class XJmain : public QMainWindow {
    Q_OBJECT
public:
    explicit XJmain(QWidget* parent = nullptr);
    ~XJmain() override;

    // The start sequence. False when the program cannot go on: the message has
    // been shown and the window must not be shown.
    bool Form_Load();
    // Shows the window in the state the start sequence settled.
    void showAsLoaded();

    void Menu_F_Exit_Click();
    void Menu_L_GJ_Click();
    void Menu_D_Refe_Click();
    void Menu2_SQ_Click();
    void Menu_H_Note_Click();
    void Menu_H_About_Click();
    void Toolbar1_ButtonClick(int index);   // 1 to 7 from the left
    void Form_Resize();
    void Form_Unload();

    void BuildTree();
    void TreeView1_NodeClick(QTreeWidgetItem* node);
    void TreeView1_Click();
    void FillStudentList(const QString& grade, const QString& cls);
    void ListView1_Click();
    void ListView1_DblClick();
    void MenuPedit_Click();
    // Each time the window becomes the program's active window.
    void Form_Activate();
    // The record editor while it is open.
    EditAll* editor() const;
    QYset* areaEditor() const;
    XJNew* registerUpdate() const;
    XYOutDat* exportWindow() const;
    XJprint* printPreview() const;
    XJAbout* aboutWindow() const;
    HelpNote* noteWindow() const;

    // The tree node or list item of a key; null when there is none.
    QTreeWidgetItem* node(const QString& key) const;
    QListWidgetItem* listItem(const QString& key) const;

    QAction* menuItem(const QString& name) const { return items_.value(name); }
    QMenu* menu(const QString& name) const { return menus_.value(name); }
    QAction* toolbarButton(int index) const;
    bool toolbarShown() const;
    Qt::WindowStates startState() const { return startState_; }

    QToolBar* Toolbar1 = nullptr;
    QTreeWidget* TreeView1 = nullptr;
    QListWidget* ListView1 = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    QLabel* StatusPanel1 = nullptr;
    QLabel* StatusPanel2 = nullptr;
    platform::db::DataControl Adodc1;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildMenus();
    void buildControls();
    void TreeView1_MouseUp(Qt::MouseButton button, const QPoint& at);
    void ListView1_MouseUp(Qt::MouseButton button, const QPoint& at);
    void restoreWindow();
    QString windowStateText() const;
    // The students a tree node stands for, as the editor is given them; "" for none.
    QString nodeQuery(const QString& key);
    // The query of a teacher's classes; "" without assignments or without the teacher.
    QString teacherListQuery(const QString& name);
    void focusMoved(QWindow* window);
    void showEditor();
    template <class W> W* ownedWindow() const;
    template <class W> W* showOwned();

    QWidget* client_ = nullptr;
    QHash<QString, QAction*> items_;
    QHash<QString, QMenu*> menus_;
    QList<QAction*> buttons_;
    Qt::WindowStates startState_ = Qt::WindowMaximized;
    bool unloaded_ = false;
    QPointer<QWindow> lastActive_;
};
