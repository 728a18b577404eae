#pragma once
// The two ways a first run ends: a new school database with its settings files,
// or an existing database folder attached. Both fill state() only on success.

#include <QString>
#include <QStringList>

// What the setup wizard gathered, as typed (the creation trims what it must).
struct NewSchool {
    QString schoolName;
    QString databasePath;
    QString password;        // as typed; at most 8 characters
    QStringList subjects;    // column order of every grade table
    QStringList grades;      // 年级表 rows, in this order
    QStringList classes;     // class labels such as "2004级01班", 班级表 rows in this order
};

// The outcome the wizard shows: on failure a message (and its title) for the user.
struct SetupOutcome {
    bool ok = false;
    QString message;
    QString title;
};

// Creates the database, scro.dat beside it and system.txt in the program folder,
// then fills the program state. A failure removes whatever it made, puts back a
// scro.dat or system.txt that was there before, and leaves the state alone.
SetupOutcome createSchoolDatabase(const NewSchool& school);

// Attaches the database at `typedPath` (spaces around it ignored) by reading the
// scro.dat beside it and writing system.txt. The database file is not opened.
SetupOutcome attachExistingDatabase(const QString& typedPath);

// The message of a failed creation.
QString creationFailedMessage(const QString& reason);
