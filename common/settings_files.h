#pragma once
// The two small files that tie an installation to its database:
// system.txt in the program folder names the database file (GBK, no line end);
// scro.dat next to the database holds the school's counts, its name and the
// administrator password in a fixed 510-byte record. Both programs use these.

#include <QString>
#include <cstdint>
#include <optional>

struct SchoolSettings {
    int16_t gradeCount = 0, classCount = 0, subjectCount = 0;
    QString schoolName, password;
    float studentCount = 0, teacherCount = 0;
};

// The folder of the executable, or the folder a test set.
QString programFolder();
// Tests point the program folder at a temporary folder; "" goes back to the executable's.
void setProgramFolder(const QString& folder);
// The path without its last separator ("/" or "\") and what follows it; "" when it has none.
QString folderOf(const QString& path);

// The database path held in system.txt; none when the file is missing or holds only spaces.
// Throws platform::FileError / GbkError when the file exists but cannot be read or decoded.
std::optional<QString> ReadDatabaseLocator();
// The database file both programs open: the path in system.txt, a bare name
// taken in the program folder (the open-another-database window can store
// one), not wherever the program was started from. None when system.txt is
// missing, unreadable or blank, or names no file.
std::optional<QString> LocateDatabase();
// Replaces system.txt with one holding exactly `path`. Throws platform::FileError / GbkError;
// a path that GBK cannot hold leaves the old file as it was.
void WriteDatabaseLocator(const QString& path);

// Writes a new scro.dat in `folder` (replacing one there) and returns the password in
// the form used from then on: cut to 8 characters, spaces trimmed.
// Throws platform::FileError, or GbkError for a name or password GBK cannot hold;
// on failure an older scro.dat stays as it was.
QString WriteSchoolSettings(const QString& folder, int16_t grades, int16_t classes, int16_t subjects,
                            const QString& schoolName, const QString& password);
// None when scro.dat is missing. Throws platform::FileError when it is too short or
// its name or password codes name no character (a damaged record).
std::optional<SchoolSettings> ReadSchoolSettings(const QString& folder);
// The password field alone, for a reader that needs nothing else of the record.
// None when scro.dat is missing; FileError when it is shorter than the field or
// the field names no character.
std::optional<QString> ReadAdministratorPassword(const QString& folder);
// In-place rewrites of one field. They refuse (false, nothing written) a missing or
// short record rather than make one that would decode to a wrong name or password.
bool StoreAdministratorPassword(const QString& folder, const QString& password);
bool StoreStudentCount(const QString& folder, float count);

// The file names, for the code that cleans up or tests for them.
inline constexpr const char* kLocatorFileName = "system.txt";
inline constexpr const char* kSettingsFileName = "scro.dat";
QString locatorFilePath();                        // system.txt in the program folder
QString settingsFilePath(const QString& folder);  // scro.dat in `folder`
