#pragma once
// Scripts the next login window as a person would answer it: types the
// password and presses 确定; when that is refused (and the message answered)
// leaves with 普通用户.

#include "support/dialog_double.h"

#include <QString>

void scriptLogin(DialogDouble& dialogs, const QString& typed);
