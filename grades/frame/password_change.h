#pragma once
// The administrator password lives in three places: the database, scro.dat
// and the program state. A change keeps the three equal whatever fails.

#include <QString>
#include <functional>

// Our own connections to the database file. The engine changes a password only
// while nobody of ours holds the file, so the change lets them go and takes
// them back afterwards (with the password then in force).
struct OwnConnections {
    std::function<void()> release;
    std::function<void()> reacquire;
};

// The message that refuses a typed new password, or "" when it is acceptable.
// Blanks around it would be trimmed from scro.dat at the next start, so the
// stored password could never be matched.
QString newPasswordProblem(const QString& password);

// Changes the password from DatabasePassword to `newPassword`: first the
// database, then scro.dat in DatabaseFolder, then the program state. A failed
// step puts back what was changed. The outcome is told in a message box.
// Returns true when the password was changed.
bool ChangeAdministratorPassword(const QString& newPassword, const OwnConnections& own);
