#pragma once
// The parts of the main window's start-up that need no screen: finding the
// database and the school settings, the lock level, the exam-number length,
// the counts and the check for incomplete student rows.

#include "common/settings_files.h"

#include <QString>
#include <optional>
#include <variant>

namespace platform::db {
class Database;
class Recordset;
}

namespace form2 {

struct StartupFiles {
    QString databasePath;
    QString databaseFolder;
    SchoolSettings school;
};

// Why the program cannot go on; shown in a message box, then the program ends.
struct StartupFailure {
    QString text;
    QString title;
};

// Reads system.txt and scro.dat. When the database named in system.txt is
// gone, system.txt is deleted so that the next start runs the setup wizard.
// A missing or damaged scro.dat leaves every file as it is.
std::variant<StartupFiles, StartupFailure> readStartupFiles();

// The lock level to apply for a normal user, from the text of settings row 35;
// none when nobody is limited (the administrator, or a text "3").
std::optional<int> lockLevelFor(const QString& row35, bool administrator);

// The exam-number length from settings row 37. A settings table from before
// that row existed (36 rows) gets it appended as "考号长度" = "0".
int16_t readExamNumberLength(platform::db::Recordset& settings);

struct TableCounts {
    int16_t grades = 0, classes = 0, subjects = 0;
    float students = 0, teachers = 0;
};
// Counted by the engine: the rows are not read.
TableCounts countTables(platform::db::Database& db);

// True when some student row lacks its STID, 年级, 班 or 姓名 (the first four
// fields of 成绩表): Null or an empty text.
bool hasIncompleteStudentRow(platform::db::Database& db);

} // namespace form2
