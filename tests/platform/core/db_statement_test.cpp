#include "support/db_fixture.h"

#include "platform/db/statement.h"

using namespace platform::db;
using testsupport::DbFixture;

using StatementTest = DbFixture;

TEST_F(StatementTest, ReadsRowsTypedAndRunsAgainAfterItsEnd) {
    addStudents({{"20040001", "2004", "01", "张三", "01", 150.5f}, {"20040002", "2004", "02", "李四", "02", QVariant()}});
    Statement read(*db_, QStringLiteral("SELECT rowid, 姓名, 总分, 考号 FROM 成绩表 WHERE 年级=? ORDER BY rowid"));
    for (int pass = 0; pass < 2; ++pass) {
        read.bind(1, QVariant(QStringLiteral("2004")));
        ASSERT_TRUE(read.next());
        EXPECT_EQ(read.integer(0), 1);
        EXPECT_EQ(read.text(1), QStringLiteral("张三"));
        EXPECT_EQ(read.number(2), 150.5);
        EXPECT_TRUE(read.isNull(3));
        EXPECT_TRUE(read.text(3).isNull());
        EXPECT_EQ(read.utf8(1), QStringLiteral("张三").toUtf8());
        EXPECT_TRUE(read.utf8(3).isNull());
        ASSERT_TRUE(read.next());
        EXPECT_TRUE(read.isNull(2));
        EXPECT_FALSE(read.next());
    }
}

// A refused row leaves the statement ready for the next one, and the refusal
// is the layer's own, naming the field.
TEST_F(StatementTest, WritesBoundValuesAndRefusesWhatTheFieldsRefuse) {
    Statement insert(*db_, QStringLiteral("INSERT INTO 成绩表 (STID, 姓名, 总分, 语文) VALUES (?, ?, ?, ?)"));
    const QVariantList names{QStringLiteral("张三"), QStringLiteral("名字太长了"), QStringLiteral("李四")};
    for (int i = 0; i < names.size(); ++i) {
        insert.bind(1, QVariant(QStringLiteral("2004000%1").arg(i)));
        insert.bind(2, names[i]);
        insert.bind(3, 12.5);
        insert.bindNull(4);
        if (i == 1) {
            try {
                insert.run();
                ADD_FAILURE() << "a name too long was stored";
            } catch (const DbError& e) {
                EXPECT_EQ(e.kind(), DbError::TooLong);
                EXPECT_TRUE(e.text().contains(QStringLiteral("姓名"))) << e.text().toStdString();
            }
        } else {
            EXPECT_EQ(insert.run(), 1);
        }
    }
    const auto rows = db_->query(QStringLiteral("SELECT STID, 姓名, 总分, 语文 FROM 成绩表 ORDER BY rowid"));
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1][0].toString(), QStringLiteral("20040002"));
    EXPECT_EQ(rows[1][2].toFloat(), 12.5f);
    EXPECT_TRUE(rows[1][3].isNull());
}

// Texts copied as their bytes arrive as they were, Null as Null.
TEST_F(StatementTest, TextsCopyAsTheirBytes) {
    addStudents({{"20040001", "2004", "01", "张三", QVariant(), 1.0f}});
    Statement read(*db_, QStringLiteral("SELECT STID, 姓名, 学号 FROM 成绩表"));
    Statement copy(*db_, QStringLiteral("INSERT INTO 成绩表 (STID, 姓名, 学号) VALUES (?, ?, ?)"));
    ASSERT_TRUE(read.next());
    for (int f = 0; f < 3; ++f)
        copy.bindUtf8(f + 1, read.utf8(f));
    EXPECT_FALSE(read.next());
    EXPECT_EQ(copy.run(), 1);
    const auto rows = db_->query(QStringLiteral("SELECT STID, 姓名, 学号 FROM 成绩表 ORDER BY rowid"));
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1][1].toString(), QStringLiteral("张三"));
    EXPECT_TRUE(rows[1][2].isNull());
    EXPECT_EQ(rows[1][0], rows[0][0]);
}
