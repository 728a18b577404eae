#include "support/db_fixture.h"

#include "platform/db/foreign_database.h"

#include <QFile>

using namespace platform::db;
using testsupport::DbFixture;

using ForeignDatabaseTest = DbFixture;

TEST_F(ForeignDatabaseTest, FileOfThisSystemListsTablesFieldsAndRowsWithNullApartFromEmpty) {
    addStudents({{1001, QStringLiteral("2004"), QStringLiteral("01"), QStringLiteral("王芳"), QVariant(), 90},
                 {1002, QStringLiteral("2004"), QStringLiteral("01"), QVariant(), QVariant(), QVariant()}});
    FieldDef note{QStringLiteral("备注"), FieldType::Text, 10};
    note.allowZeroLength = true;
    db_->createTable({QStringLiteral("备注表"), {note}});
    db_->insertRow(QStringLiteral("备注表"), {QStringLiteral("备注")}, {QString()});
    db_->insertRow(QStringLiteral("备注表"), {QStringLiteral("备注")}, {QVariant()});
    const auto src = ForeignDatabase::open(path());
    EXPECT_EQ(src->kind(), ForeignDatabase::Kind::ThisSystem);
    EXPECT_EQ(src->tableNames(), db_->tableNames());
    const auto fields = src->fields(QStringLiteral("成绩表"));
    ASSERT_EQ(fields.size(), db_->tableDef(QStringLiteral("成绩表")).fields.size());
    EXPECT_EQ(fields[3].name, QStringLiteral("姓名"));

    std::vector<QVariantList> rows;
    src->readRows(QStringLiteral("成绩表"), [&](const QVariantList& r) { rows.push_back(r); return true; });
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0][3].toString(), QStringLiteral("王芳"));
    EXPECT_FALSE(rows[1][3].isValid());
    rows.clear();
    src->readRows(QStringLiteral("备注表"), [&](const QVariantList& r) { rows.push_back(r); return true; });
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_TRUE(rows[0][0].isValid() && rows[0][0].toString().isEmpty());
    EXPECT_FALSE(rows[1][0].isValid());

    // A scratch copy takes the rows as read, and the source cannot be written.
    auto scratch = Database::createInMemory();
    EXPECT_EQ(copyTable(*src, QStringLiteral("备注表"), *scratch, QStringLiteral("源表")), 2);
    EXPECT_EQ(scratch->scalar(QStringLiteral("SELECT count(*) FROM 源表 WHERE 备注=''")).toInt(), 1);
    EXPECT_EQ(scratch->scalar(QStringLiteral("SELECT count(*) FROM 源表 WHERE 备注 IS NULL")).toInt(), 1);
    EXPECT_THROW(src->database()->execute(QStringLiteral("DELETE FROM 成绩表")), DbError);
}

TEST_F(ForeignDatabaseTest, RefusesPasswordTextAndMissingFiles) {
    db_->setPassword(QString(), QStringLiteral("pw"));
    auto kindOf = [](const QString& p) {
        try {
            ForeignDatabase::open(p);
        } catch (const DbError& e) {
            return e.kind();
        }
        return DbError::Stale;
    };
    EXPECT_EQ(kindOf(path()), DbError::WrongPassword);
    const QString text = dir_.filePath(QStringLiteral("名单.txt"));
    QFile f(text);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("not a database at all");
    f.close();
    EXPECT_EQ(kindOf(text), DbError::NotADatabase);
    EXPECT_EQ(kindOf(dir_.filePath(QStringLiteral("无.mdb"))), DbError::NotFound);
}
