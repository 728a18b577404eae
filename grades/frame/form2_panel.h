#pragma once
// How a panel plugs into the main window. A panel of Form2 is its own class
// behind Form2Panel: it names its controls and where they go, looks them up
// once, and answers the three moments of its life (may it open, fill it,
// finish it). The window knows panels only through this interface; the
// one function that builds the main window adds them (grades/app).

#include "grades/frame/form2_design.h"
#include "grades/frame/form2_layout.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <typeindex>
#include <typeinfo>
#include <vector>

class QAction;
class QPushButton;
class QWidget;
class SettingsRows;
class Form2Panel;
struct OwnConnections;

namespace platform {
class CommonDialog;
}

namespace platform::db {
class DataControl;
class DataGrid;
class Recordset;
}

// A control a panel asks for that its frame does not hold, or holds as
// another kind. Thrown while the window is built, so that a misspelt name
// stops the program at start-up in every build instead of failing later.
class MissingControl : public std::logic_error {
public:
    using std::logic_error::logic_error;
};

// The controls of one panel, looked up inside its own panel frame only.
class PanelControls {
public:
    PanelControls(QWidget* panelFrame, int panel) : frame_(panelFrame), panel_(panel) {}

    template <class T> T* get(const QString& name) const {
        QWidget* w = find(name);
        auto* t = qobject_cast<T*>(w);
        if (!t)
            wrongKind(name, T::staticMetaObject.className());
        return t;
    }
    // The record-set control of a data control bar (Ad1, Ad2 ...).
    platform::db::DataControl& data(const QString& name) const;
    platform::db::DataGrid* grid(const QString& name) const;

private:
    QWidget* find(const QString& name) const;
    [[noreturn]] void wrongKind(const QString& name, const char* kind) const;
    QWidget* frame_;
    int panel_;
};

// What the main window offers its panels and the subsystems' menu handlers.
class PanelHost {
public:
    // The main window, owner of the windows a panel or menu handler opens.
    virtual QWidget* hostWindow() = 0;
    // A panel's own controls; only the panel itself holds the key.
    virtual PanelControls controlsOf(const Form2Panel& panel) = 0;
    // The window's own data controls: Adodc0 (the settings cursor) and Adodc1
    // (the general data control). A panel's data controls are its own: any
    // other name throws MissingControl.
    virtual platform::db::DataControl& dataControl(const QString& name) = 0;
    // The rows of 状态表 through the settings cursor Adodc0.
    virtual SettingsRows settings() = 0;
    // A menu item or top-level menu by its design name; null when there is none.
    virtual QAction* menuItem(const QString& name) const = 0;

    // Every record set open on the window: Adodc0's, Adodc1's and those of
    // the panels built, for work that must store or reread them all.
    virtual std::vector<platform::db::Recordset*> openRecordsets() = 0;
    // The panel buttons Command1 to 8 and the 完成 buttons of the panels
    // built: what a long run keeps the user from pressing.
    virtual std::vector<QPushButton*> panelButtons() const = 0;
    // The window's file dialog, shared by every window it owns.
    virtual platform::CommonDialog& CommonDialog1() = 0;

    virtual void ShowPanel(int index) = 0;
    virtual void ShowStartPanel() = 0;
    // The last visible member of Frame1 (0 the home panel), -1 when none.
    virtual int visiblePanel() const = 0;
    // What a panel button does: finish the visible panel, then open this one.
    virtual void openPanel(int index) = 0;
    // The finishing work of the visible panel, then the home panel. The index is ignored.
    // False when a busy file refused the finishing work: the panel stays, with
    // what was typed, and a command that leaves it does not go on.
    virtual bool Comout_Click(int index = 0) = 0;
    // What a login or password change does with the window's connections.
    virtual OwnConnections ownConnections() = 0;

    // Connects a menu item to a handler; throws MissingControl when the
    // menu bar has no item of that name.
    void onMenu(const QString& name, std::function<void()> handler);

    // What a panel offers the rest of the program, by the type of its small
    // interface: offered while the panel binds, handed to the subsystems that
    // need it by the function that builds the main window. Another
    // subsystem never names a panel's controls.
    // A panel not built yet is built when what it offers is first asked for.
    template <class Interface> void offer(Interface& service) { offers_[typeid(Interface)] = &service; }
    template <class Interface> Interface& offered() {
        auto it = offers_.find(typeid(Interface));
        if (it == offers_.end()) {
            buildPanelsOffering(typeid(Interface));
            it = offers_.find(typeid(Interface));
        }
        if (it == offers_.end())
            throw MissingControl(std::string("no panel offers ") + typeid(Interface).name());
        return *static_cast<Interface*>(it->second);
    }

    // Window-level fields shared by the panels.
    bool BackupDone = false;
    QString CurrentGradeId;
    QString CurrentClassId;

protected:
    ~PanelHost() = default;
    // Builds the panel not built yet that offers it.
    virtual void buildPanelsOffering(const std::type_info&) {}
    bool isOffered(const std::type_info& service) const { return offers_.count(service) != 0; }

private:
    std::map<std::type_index, void*> offers_;
};

// When a panel's controls are built: as it is added, or when it is first
// shown or what it offers first asked for (the program's start: the login
// window waits for nothing the user does not see yet).
enum class PanelBuild { WhenAdded, WhenFirstNeeded };

class Form2Panel {
public:
    virtual ~Form2Panel() = default;

    // Its member of the panel array Frame1, 1 to 8.
    virtual int index() const = 0;
    // Its controls, containers before what they hold; the outermost ones sit
    // in its panel frame "Frame1_<index>".
    virtual const std::vector<form2::ControlDesign>& designs() const = 0;
    // Places the controls that follow the panel's size (width x height in twips).
    virtual void layout(form2::LayoutPass& pass, double width, double height) const = 0;
    // Its data controls, connected with the window's and dropped after a
    // failed finishing work.
    virtual QStringList dataControls() const { return {}; }

    // Called once, after its controls were built: look them up and connect them.
    virtual void bind(PanelHost& host) = 0;
    // Whether its bind offers this interface: a window that builds panels
    // when first needed builds this one when the interface is asked for.
    virtual bool offers(const std::type_info&) const { return false; }
    // Before the panel is shown; false keeps the home panel.
    virtual bool mayOpen() { return true; }
    // After the panel is shown: fill it. It may go back to the home panel
    // with the host's Comout_Click.
    virtual void load() {}
    // The finishing work when the panel is left. Runs while the panel still
    // shows; a platform::db::DbError it throws is told to the user. A busy
    // file's refusal keeps the panel shown with what was typed, so the work
    // must store pending edits before it changes the panel; after any other
    // failure its data controls are let go without storing and it closes.
    virtual void finish() {}
};

// Helpers of the finishing work.
namespace form2 {
// Sets the record source to nothing, which closes the record set.
void emptyDataControl(platform::db::DataControl& control);
// Binds the grid to no data source and repaints it.
void detachGrid(platform::db::DataGrid* grid);
} // namespace form2
