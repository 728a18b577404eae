#include "common/data_connections.h"

#include "common/program_state.h"
#include "common/schema.h"

void connectToDatabase(platform::db::DataControl& control) {
    control.setConnectionString(state().connectionText());
    control.setCommandType(kCommandTypeUnknown);
}

void ConnectDataControls(const std::vector<platform::db::DataControl*>& panelControls,
                         platform::db::DataControl& settingsCursor, platform::db::DataControl& general) {
    for (platform::db::DataControl* c : panelControls) connectToDatabase(*c);
    connectToDatabase(settingsCursor);
    settingsCursor.setRecordSource(table::Settings);
    settingsCursor.refresh();
    connectToDatabase(general);
}
