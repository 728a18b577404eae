#pragma once
// The program-wide values of the grade program: where the database is and how
// to open it, who the user is, how large the school is, and the score table the
// results view lists. One object; every window sees it.

#include <QString>
#include <cstdint>
#include <memory>

namespace platform::db {
class Database;
}

struct ProgramState {
    QString SchoolName;
    QString DatabaseFolder;      // without a trailing separator; holds scro.dat
    QString DatabasePath;
    QString DatabasePassword;    // at most 8 characters, may be empty
    int16_t GradeCount = 0;
    int16_t ClassCount = 0;
    int16_t SubjectCount = 0;
    int16_t ExamRoomCount = 0;
    float StudentCount = 0;
    float TeacherCount = 0;
    int16_t IsAdministrator = 0; // -1 administrator, 0 normal user
    int16_t ExamNumberLength = 0;
    QString CurrentScoreTable;   // "成绩表", "绝对成绩表" or "相对成绩表"; empty until the results view opens

    // The connection text every data control is given. A path or password holding
    // ";" or "=" stands between quotes, so that any password opens the database.
    QString connectionText() const;
};

// The one program state of this process.
ProgramState& state();
// The program's database, opened with the state's connection text. Throws
// platform::db::DbError when it cannot be opened.
std::shared_ptr<platform::db::Database> openProgramDatabase();
// Back to the start values (every text empty, every number 0); tests use it.
void resetState();

// The program's help file, set once at start-up; F1 and the help commands open it.
void setHelpFile(const QString& path);
QString helpFile();
// Opens the help file with the desktop's handler for it; false (and nothing shown)
// when no help file is set or it does not exist.
bool openHelpFile();
