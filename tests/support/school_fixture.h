#pragma once
// A small school database in a temporary folder, made by the real creation code,
// with the program folder pointed there and state() filled as after a start-up.

#include "platform/db/database.h"
#include "support/program_folder.h"

#include <QString>
#include <QStringList>
#include <memory>

struct SchoolFixture {
    explicit SchoolFixture(const QStringList& subjects = {"语文", "数学", "英语"},
                           const QStringList& grades = {"2004"},
                           const QStringList& classes = {"2004级01班", "2004级02班"},
                           const QString& password = {});
    ~SchoolFixture();                 // resets state(), closes what it opened
    SchoolFixture(const SchoolFixture&) = delete;
    SchoolFixture& operator=(const SchoolFixture&) = delete;

    QString folder() const;           // temporary folder: program folder and database folder
    QString databasePath() const;
    // Its connection, or once closeConnection() has let it go, a new one
    // for each call (with the password then in force).
    std::shared_ptr<platform::db::Database> db() const;
    // For a command that needs the file to itself, as the password change does.
    void closeConnection() {
        db_.reset();
        closed_ = true;
    }

    static inline const QString kSchoolName = QStringLiteral("测试中学");

private:
    TemporaryProgramFolder dir_;
    QString path_;
    std::shared_ptr<platform::db::Database> db_;
    bool closed_ = false;
};
