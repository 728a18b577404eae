#pragma once
// Finding the school's database and adding the records program's two tables:
// the student register 学籍表 (filled from the score table the first time) and
// the residential areas 区域表.

#include "platform/db/database.h"
#include "records/core/Tavisk.h"

#include <QString>
#include <variant>

namespace platform::db { class DataControl; }

namespace records {

inline const QString kRegisterTable = QStringLiteral("学籍表");
inline const QString kAreaTable = QStringLiteral("区域表");

platform::db::TableDef registerTableDef();
platform::db::TableDef areaTableDef();

// A start that cannot go on: the message to show before the program ends.
struct StartFailure {
    QString message;
    QString title;
};

struct DatabaseLocation {
    QString path;
    QString folder;
    QString password;
};

// system.txt, then the password of scro.dat beside the database. When the
// database is not found, system.txt is deleted (the grade program then runs its
// setup again) and nothing else is read.
std::variant<DatabaseLocation, StartFailure> ReadDatabaseLocation();

struct OpenOutcome {
    std::optional<StartFailure> failure;
    bool registerCreated = false;
    int studentsLeftOut = 0;     // score-table rows without STID, not copied
};

// Checks the database and adds the missing tables in one transaction: the new
// tables, the copy of the students and the seed areas are stored together or
// not at all. Existing tables are never changed.
OpenOutcome OpenRecordsDatabase(const QString& path, const QString& password);

// The message telling how many students could not be copied.
QString leftOutMessage(int count);

// The areas in the table's order, read through the main window's data control.
void loadRegions(platform::db::DataControl& control, RegionList& regions);

} // namespace records
