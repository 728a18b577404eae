#pragma once
// How the grade program's data controls reach the database: every one gets the
// program's connection text and command type 8 (table name or query, the layer decides).

#include "platform/db/datacontrol.h"

#include <vector>

inline constexpr int kCommandTypeUnknown = 8;

// Gives one data control the connection of the program state; opens nothing.
void connectToDatabase(platform::db::DataControl& control);

// The main window's start-up connection, in its order: the panel controls get the
// connection; the settings cursor is bound to 状态表 and refreshed (the first
// connection of the run, left on row 1); the general control gets the connection
// and keeps its record source. Throws platform::db::DbError when the database
// cannot be opened.
void ConnectDataControls(const std::vector<platform::db::DataControl*>& panelControls,
                         platform::db::DataControl& settingsCursor, platform::db::DataControl& general);
