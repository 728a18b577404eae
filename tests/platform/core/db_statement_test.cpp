#include "support/db_fixture.h"

#include "platform/db/statement.h"

#include <cmath>
#include <limits>

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

// What the checks in code vouch for, the file's rules accept, and the other
// way round: each value is written with the rules on and the answers compared.
TEST_F(StatementTest, ValuesVouchedForAreExactlyThoseTheRulesAccept) {
    const TableDef def = db_->tableDef(QStringLiteral("成绩表"));
    const FieldDef& name = def.fields[3];    // Text, 3 characters
    const FieldDef& total = def.fields[8];   // Single
    Statement insert(*db_, QStringLiteral("INSERT INTO 成绩表 (姓名, 总分) VALUES (?, ?)"));
    auto accepted = [&](const QByteArray& text, double number) {
        insert.bindUtf8(1, text);
        insert.bind(2, number);
        try {
            insert.run();
            return true;
        } catch (const DbError&) {
            return false;
        }
    };
    const QByteArray texts[] = {QByteArray(), QByteArray(""), "abc", "abcd", QStringLiteral("张三").toUtf8(),
                                QStringLiteral("欧阳长名").toUtf8(), QStringLiteral("é𠀀x").toUtf8(),
                                QStringLiteral("é𠀀xy").toUtf8()};
    for (const QByteArray& t : texts)
        EXPECT_EQ(fitsTextField(name, t), accepted(t, 1.5)) << t.toStdString();
    const double inf = std::numeric_limits<double>::infinity();
    const double numbers[] = {0, -1.5, 3.4028234663852886e38, -3.4028234663852886e38, 3.4028236e38, 1e39, inf,
                              -inf, std::nan(""), 1e-45};
    for (const double n : numbers)
        EXPECT_EQ(fitsNumberField(total, n), accepted(QByteArray("ab"), n)) << n;
    // A field of another type is never vouched for.
    EXPECT_FALSE(fitsTextField(total, "1"));
    EXPECT_FALSE(fitsNumberField(name, 1));
    EXPECT_FALSE(fitsNumberField(FieldDef{QStringLiteral("n"), FieldType::Integer}, 1));
    EXPECT_TRUE(fitsNumberField(FieldDef{QStringLiteral("d"), FieldType::Double}, 1e300));
}

namespace {

// Runs `insert` (STID, 姓名) with the values; false when the name's length
// rule refuses them.
bool insertName(Statement& insert, const char* stid, const QString& name) {
    insert.bind(1, QVariant(QString::fromLatin1(stid)));
    insert.bind(2, QVariant(name));
    try {
        insert.run();
        return true;
    } catch (const DbError& e) {
        EXPECT_EQ(e.kind(), DbError::TooLong);
        return false;
    }
}

} // namespace

// The rules are left out only for the scope's own writes while it lives: a
// statement prepared before it, and run again after it, refuses again.
TEST_F(StatementTest, RulesLeftOutOnlyWhileTheScopeLives) {
    Statement insert(*db_, QStringLiteral("INSERT INTO 成绩表 (STID, 姓名) VALUES (?, ?)"));
    auto write = [&](const char* stid, const QString& name) { return insertName(insert, stid, name); };
    const QString tooLong = QStringLiteral("欧阳长名");
    EXPECT_FALSE(write("1", tooLong));
    {
        FieldRulesOff off(*db_);
        EXPECT_TRUE(off.active());
        EXPECT_TRUE(off.write([&] { return write("2", tooLong); }));
        off.restore();
        EXPECT_FALSE(off.active());
        EXPECT_FALSE(off.write([&] { return write("3", tooLong); }));
    }
    {
        FieldRulesOff off(*db_);
        EXPECT_TRUE(off.write([&] { return write("4", tooLong); }));
    }
    EXPECT_FALSE(write("5", tooLong));
    // Another statement made after the scope keeps the rules too.
    EXPECT_THROW(db_->execute(QStringLiteral("UPDATE 成绩表 SET 姓名=? WHERE STID='2'"), {tooLong + tooLong}), DbError);
    EXPECT_EQ(db_->scalar(QStringLiteral("SELECT group_concat(STID) FROM 成绩表")).toString(), QStringLiteral("2,4"));
}

// While the rules are left out for a scope's writes, any other write on the
// connection (a timer's, between two of the scope's) meets them, whether made
// by the same statement or another; the scope's next write leaves them out again.
TEST_F(StatementTest, AnotherWriteWhileTheRulesAreLeftOutMeetsThem) {
    Statement insert(*db_, QStringLiteral("INSERT INTO 成绩表 (STID, 姓名) VALUES (?, ?)"));
    auto write = [&](const char* stid, const QString& name) { return insertName(insert, stid, name); };
    const QString tooLong = QStringLiteral("欧阳长名");
    FieldRulesOff off(*db_);
    EXPECT_TRUE(off.write([&] { return write("1", tooLong); }));
    EXPECT_FALSE(write("2", tooLong));
    EXPECT_TRUE(off.write([&] { return write("3", tooLong); }));
    EXPECT_THROW(db_->execute(QStringLiteral("UPDATE 成绩表 SET 姓名=? WHERE STID='1'"), {tooLong + tooLong}), DbError);
    EXPECT_EQ(db_->execute(QStringLiteral("UPDATE 成绩表 SET 姓名='张三' WHERE STID='1'")), 1);
    EXPECT_TRUE(off.write([&] { return write("4", tooLong); }));
    EXPECT_EQ(db_->scalar(QStringLiteral("SELECT group_concat(STID || 姓名) FROM 成绩表")).toString(),
              QStringLiteral("1张三,3欧阳长名,4欧阳长名"));
}
