#include "school_fixture.h"

#include "common/create_database.h"
#include "common/program_state.h"
#include "common/settings_files.h"

#include <gtest/gtest.h>

SchoolFixture::SchoolFixture(const QStringList& subjects, const QStringList& grades,
                             const QStringList& classes, const QString& password) {
    path_ = dir_.path() + QStringLiteral("/学生成绩库.mdb");
    const SetupOutcome made =
        createSchoolDatabase({kSchoolName, path_, password, subjects, grades, classes});
    if (!made.ok) {
        ADD_FAILURE() << "school fixture: " << made.message.toStdString();
        return;
    }
    // As the main window's start-up leaves it: the counts of the new school.
    state().StudentCount = 0;
    state().TeacherCount = 0;
    try {
        db_ = platform::db::Database::open(path_, state().DatabasePassword);
    } catch (const platform::db::DbError& e) {
        ADD_FAILURE() << "school fixture: " << e.text().toStdString();
    }
}

SchoolFixture::~SchoolFixture() {
    db_.reset();
}

QString SchoolFixture::folder() const { return dir_.path(); }
QString SchoolFixture::databasePath() const { return path_; }
std::shared_ptr<platform::db::Database> SchoolFixture::db() const {
    return closed_ ? platform::db::Database::open(path_, state().DatabasePassword) : db_;
}
