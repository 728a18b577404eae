#include "grades/frame/form2_panel.h"

#include "platform/db/datacontrol.h"
#include "platform/dbui/datacontrolbar.h"
#include "platform/dbui/datagrid.h"

#include <QAction>
#include <QWidget>

namespace {

std::string text(const QString& s) { return s.toStdString(); }

} // namespace

QWidget* PanelControls::find(const QString& name) const {
    QWidget* w = frame_ ? frame_->findChild<QWidget*>(name) : nullptr;
    if (!w)
        throw MissingControl("panel " + std::to_string(panel_) + ": no control named " + text(name));
    return w;
}

void PanelControls::wrongKind(const QString& name, const char* kind) const {
    throw MissingControl("panel " + std::to_string(panel_) + ": " + text(name) + " is not a " + kind);
}

platform::db::DataControl& PanelControls::data(const QString& name) const {
    return get<platform::db::DataControlBar>(name)->control();
}

platform::db::DataGrid* PanelControls::grid(const QString& name) const {
    return get<platform::db::DataGrid>(name);
}

void PanelHost::onMenu(const QString& name, std::function<void()> handler) {
    QAction* item = menuItem(name);
    if (!item)
        throw MissingControl("main window: no menu item named " + text(name));
    QObject::connect(item, &QAction::triggered, hostWindow(), [handler = std::move(handler)] { handler(); });
}

namespace form2 {

void emptyDataControl(platform::db::DataControl& control) {
    control.setRecordSource(QString());
    control.close();
}

void detachGrid(platform::db::DataGrid* grid) {
    grid->setDataSource(nullptr);
    grid->update();
}

} // namespace form2
