#pragma once
// 锁定系统: the administrator chooses what normal users may do from the next
// start on. The level is settings row 35.

#include "grades/frame/password_change.h"

#include <QString>
#include <optional>

class QWidget;
namespace platform::db { class DataControl; }

// The level an answer to the lock prompt names: its first character after
// the blanks around it are dropped, when that is "0" to "3"; none otherwise.
std::optional<QChar> lockLevelFromAnswer(const QString& answer);

// Asks for the administrator login, then for the level, and stores it in
// row 35 through the settings cursor (a data control open on 状态表).
// A normal user is stopped silently.
void MenuSuper_Click(QWidget* form2, platform::db::DataControl* settingsCursor,
                     const OwnConnections& own = {});
