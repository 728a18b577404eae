#pragma once
// A small school database in a temporary folder.

#include "platform/db/database.h"

#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

namespace testsupport {

class DbFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    QString path() const { return dir_.filePath(QStringLiteral("学生成绩库.mdb")); }
    // The score table's fixed fields and two subjects, no rows.
    static platform::db::TableDef scoreTable();
    // Adds students (STID, 年级, 班, 姓名, 学号, 总分) in one transaction.
    void addStudents(const std::vector<QVariantList>& rows);

    QTemporaryDir dir_;
    std::shared_ptr<platform::db::Database> db_;
};

// The kind of the database error `f` throws, which must carry a text; a
// failure of the test when it throws none.
platform::db::DbError::Kind errorOf(const std::function<void()>& f);

} // namespace testsupport
