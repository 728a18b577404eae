// Other writers, rollbacks and failing files under open record sets: an edit
// reaches the row it was made on or nothing, and no row the file does not hold
// stays on show.
#include "support/db_fixture.h"
#include "support/failing_vfs.h"
#include "support/other_program.h"

#include "platform/db/recordset.h"
#include "platform/db/textorder.h"

#include <QFile>
#include <sqlite3.h>
#include "support/test_files.h"

using namespace platform::db;
using testsupport::OtherProgram;

namespace {

using testsupport::s;

using testsupport::errorOf;

class IntegrityTest : public testsupport::DbFixture {
protected:
    void SetUp() override {
        DbFixture::SetUp();
        addStudents({{s("20040001"), s("2004"), s("01"), s("张三"), s("01"), 250},
                     {s("20040002"), s("2004"), s("01"), s("李四"), s("02"), 280},
                     {s("20040003"), s("2004"), s("01"), s("王五"), s("03"), 260}});
    }
    QStringList names() {
        QStringList out;
        for (const auto& r : db_->query(s("SELECT 姓名 FROM 成绩表 ORDER BY rowid")))
            out << r[0].toString();
        return out;
    }
    static QStringList shown(Recordset& rs) {
        QStringList out;
        for (int r = 0; r < rs.recordCount(); ++r)
            out << rs.valueAt(r, rs.fieldIndex(s("姓名"))).toString();
        return out;
    }
};

TEST_F(IntegrityTest, AnEditOrDeleteOfARowGoneUnderTheSetReachesNothing) {
    // Two record sets on one table: one deletes, the other still shows the row.
    Recordset a(db_, s("成绩表"));
    Recordset b(db_, s("select 学号,姓名,年级,班,STID,考号 from 成绩表 where 班='01'"));
    a.setAbsolutePosition(2);
    a.deleteCurrent();
    b.setAbsolutePosition(2);
    b.setValue(s("姓名"), s("赵六"));
    EXPECT_EQ(errorOf([&] { b.update(); }), DbError::RowChanged);
    b.cancelUpdate();
    EXPECT_EQ(errorOf([&] { b.deleteCurrent(); }), DbError::RowChanged);
    EXPECT_EQ(names(), (QStringList{s("张三"), s("王五")}));

    // Another program deletes the last row and adds one, which gets its row id.
    addStudents({{s("20040004"), s("2004"), s("01"), s("周九"), s("04"), 270}});
    Recordset c(db_, s("select 学号,姓名,年级,班,STID,考号 from 成绩表 where 班='01'"));
    c.moveLast();
    ASSERT_EQ(c.value(s("姓名")).toString(), s("周九"));
    {
        OtherProgram other(path());
        other.run(s("DELETE FROM 成绩表 WHERE STID='20040004'"));
        other.run(s("INSERT INTO 成绩表(STID, 年级, 班, 姓名, 学号) VALUES ('20040005', '2004', '01', '钱七', '04')"));
    }
    ASSERT_EQ(db_->scalar(s("SELECT rowid FROM 成绩表 WHERE STID='20040005'")).toInt(), 4);
    c.setValue(s("姓名"), s("孙八"));
    EXPECT_EQ(errorOf([&] { c.moveFirst(); }), DbError::RowChanged);
    c.cancelUpdate();
    EXPECT_EQ(names(), (QStringList{s("张三"), s("王五"), s("钱七")}));

    // A row the others left alone is still written.
    c.moveFirst();
    c.storeValue(s("姓名"), s("张三丰"));
    EXPECT_EQ(names(), (QStringList{s("张三丰"), s("王五"), s("钱七")}));
}

TEST_F(IntegrityTest, AVacuumByAnotherProgramRenumbersNoEditIntoAnotherRow) {
    Recordset rs(db_, s("成绩表"));
    {
        OtherProgram other(path());
        other.run(s("DELETE FROM 成绩表 WHERE STID='20040001'"));
        other.run(s("VACUUM"));
    }
    // 李四 had row id 2; after the vacuum that id is 王五's.
    ASSERT_EQ(db_->scalar(s("SELECT 姓名 FROM 成绩表 WHERE rowid=2")).toString(), s("王五"));
    rs.setAbsolutePosition(2);
    EXPECT_EQ(errorOf([&] { rs.storeValue(s("总分"), 1); }), DbError::RowChanged);
    EXPECT_EQ(db_->query(s("SELECT 姓名, 总分 FROM 成绩表 ORDER BY rowid")),
              (std::vector<QVariantList>{{s("李四"), 280.0f}, {s("王五"), 260.0f}}));
    rs.requery();
    rs.setAbsolutePosition(2);
    rs.storeValue(s("总分"), 1);
    EXPECT_EQ(db_->scalar(s("SELECT 总分 FROM 成绩表 WHERE STID='20040003'")).toFloat(), 1.0f);
}

TEST_F(IntegrityTest, RolledBackWorkIsReadAgainInTheSetsThatDidIt) {
    Recordset rs(db_, s("成绩表"));
    rs.setSort(s("姓名"));
    {
        Transaction t(*db_);
        rs.addNew({s("STID"), s("姓名")}, {s("20040009"), s("周九")});
        rs.addNew({s("STID"), s("姓名")}, {s("20040010"), s("吴十")});
        rs.setAbsolutePosition(1);
        rs.deleteCurrent();
        EXPECT_EQ(rs.recordCount(), 4);
    }
    EXPECT_EQ(rs.recordCount(), 3);
    EXPECT_EQ(shown(rs), (QStringList{s("李四"), s("王五"), s("张三")}));
    // The ids of the undone rows are given again: the set cannot reach them.
    addStudents({{s("20049999"), s("2004"), s("02"), s("新生"), s("01"), 1}});
    EXPECT_FALSE(rs.find(s("STID='20040009'"), 0, true, true));

    // An inner scope rolled back, the outer one kept; a table made inside is gone again.
    {
        Transaction outer(*db_);
        rs.addNew({s("STID"), s("姓名")}, {s("20040011"), s("郑")});
        {
            Transaction inner(*db_);
            rs.addNew({s("STID"), s("姓名")}, {s("20040012"), s("冯")});
            db_->createTable({s("临时表"), {{s("名"), FieldType::Text, 4}}});
            EXPECT_TRUE(db_->hasTable(s("临时表")));
        }
        EXPECT_FALSE(db_->hasTable(s("临时表")));
        EXPECT_EQ(rs.recordCount(), 5);
        outer.commit();
    }
    EXPECT_TRUE(rs.find(s("STID='20040011'"), 0, true, true));
    EXPECT_FALSE(rs.find(s("STID='20040012'"), 0, true, true));
    EXPECT_EQ(db_->scalar(s("SELECT count(*) FROM 成绩表")).toInt(), 5);
}

TEST_F(IntegrityTest, ARequeryThatFindsTheFileBusyKeepsTheRowsAndTheCursor) {
    Recordset rs(db_, s("select 学号,姓名,总分 from 成绩表"));
    rs.setSort(s("总分 desc"));
    rs.setAbsolutePosition(2);
    addStudents({{s("20040004"), s("2004"), s("02"), s("新生"), s("01"), 300}});
    sqlite3_busy_timeout(db_->handle(), 20);
    {
        OtherProgram other(path());
        other.run(s("BEGIN EXCLUSIVE"));
        EXPECT_EQ(errorOf([&] { rs.requery(); }), DbError::Busy);
        EXPECT_EQ(shown(rs), (QStringList{s("李四"), s("王五"), s("张三")}));
        EXPECT_EQ(rs.absolutePosition(), 2);
        EXPECT_EQ(rs.value(s("姓名")).toString(), s("王五"));
        rs.moveNext();
        EXPECT_EQ(rs.value(s("姓名")).toString(), s("张三"));
        other.run(s("ROLLBACK"));
    }
    rs.requery();
    EXPECT_EQ(shown(rs), (QStringList{s("新生"), s("李四"), s("王五"), s("张三")}));
}

TEST_F(IntegrityTest, AnEditMadeWhileLeavingARowBelongsToThatRow) {
    Recordset rs(db_, s("成绩表"));
    QObject::connect(&rs, &Recordset::willMove, [&] {
        if (rs.absolutePosition() > 0)
            rs.setValue(s("总分"), 1);
    });
    rs.moveNext();
    rs.setSort(QString());
    EXPECT_EQ(db_->query(s("SELECT STID, 总分 FROM 成绩表 ORDER BY rowid")),
              (std::vector<QVariantList>{{s("20040001"), 1.0f}, {s("20040002"), 1.0f}, {s("20040003"), 260.0f}}));
}

TEST_F(IntegrityTest, OrderByAColumnNumberSortsByTheColumnNamed) {
    for (const char* sql : {"select 姓名, 总分 from 成绩表 order by 2 desc",
                            "select 姓名, 总分 -- a note\n from 成绩表 order by 2 desc"}) {
        SCOPED_TRACE(sql);
        Recordset rs(db_, s(sql));
        ASSERT_TRUE(rs.isUpdatable());
        ASSERT_EQ(rs.fieldCount(), 2);
        EXPECT_EQ(shown(rs), (QStringList{s("李四"), s("王五"), s("张三")}));
        rs.storeValue(s("总分"), 300);
        EXPECT_EQ(db_->scalar(s("SELECT 总分 FROM 成绩表 WHERE 姓名='李四'")).toFloat(), 300.0f);
        db_->execute(s("UPDATE 成绩表 SET 总分 = 280 WHERE 姓名='李四'"));
    }
}

TEST_F(IntegrityTest, OneStatementPerText) {
    EXPECT_EQ(errorOf([&] { db_->execute(s("UPDATE 成绩表 SET 总分 = 0; DELETE FROM 成绩表")); }), DbError::BadSql);
    EXPECT_EQ(errorOf([&] { db_->query(s("SELECT 1; SELECT 2")); }), DbError::BadSql);
    EXPECT_EQ(errorOf([&] { Recordset rs(db_, s("select * from 成绩表; delete from 成绩表")); }), DbError::BadSql);
    EXPECT_EQ(db_->scalar(s("SELECT count(*) FROM 成绩表 WHERE 总分 > 0")).toInt(), 3);
    EXPECT_EQ(db_->execute(s("UPDATE 成绩表 SET 总分 = 1 WHERE STID = '20040001' ;  ")), 1);
    EXPECT_EQ(db_->query(s("SELECT 2; -- a note")).size(), 1u);
}

TEST_F(IntegrityTest, AStatementBeingSteppedIsNeverFinalizedNorHandedOutTwice) {
    sqlite3_stmt* running = db_->prepared(s("SELECT 姓名 FROM 成绩表 ORDER BY rowid"));
    ASSERT_EQ(sqlite3_step(running), SQLITE_ROW);
    // The same text again gets a statement of its own; a full cache evicts others.
    sqlite3_stmt* again = db_->prepared(s("SELECT 姓名 FROM 成绩表 ORDER BY rowid"));
    EXPECT_NE(again, running);
    db_->release(again);
    for (int i = 0; i < 100; ++i)
        EXPECT_EQ(db_->scalar(s("SELECT %1").arg(i)).toInt(), i);
    QStringList rest;
    while (sqlite3_step(running) == SQLITE_ROW)
        rest << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(running, 0)));
    db_->release(running);
    EXPECT_EQ(rest, (QStringList{s("李四"), s("王五")}));
}

// The school file opened through the failing VFS.
class FailingWrites : public testsupport::DbFixture {
protected:
    void SetUp() override {
        vfs_.emplace();
        DbFixture::SetUp();
    }
    void TearDown() override {
        DbFixture::TearDown();
        vfs_.reset();
    }
    std::optional<testsupport::FailingVfs> vfs_;
};

TEST_F(FailingWrites, ALostTransactionRefusesFurtherWritesAndEndsCleanly) {
    auto db = db_;
    db->execute(s("PRAGMA cache_size = 8"));     // pages go to the file during the transaction
    Recordset rs(db, s("成绩表"));
    rs.addNew({s("STID"), s("姓名")}, {s("20040001"), s("张三")});

    DbError::Kind failure = DbError::Io;
    {
        Transaction t(*db);
        try {
            for (int i = 2; i < 5000; ++i) {
                if (i == 200)
                    vfs_->failWrites(true);
                rs.addNew({s("STID"), s("姓名"), s("考号")},
                          {s("2004%1").arg(i, 4, 10, QLatin1Char('0')), s("学生"), QString(11, u'9')});
            }
            ADD_FAILURE() << "no write failed";
        } catch (const DbError& e) {
            failure = e.kind();
            EXPECT_TRUE(e.text().contains(s("撤消"))) << e.text().toStdString();
        }
        EXPECT_EQ(failure, DbError::TransactionLost);
        vfs_->failWrites(false);
        // Nothing more is written in a scope whose work is gone, not even by plain SQL.
        EXPECT_EQ(errorOf([&] { rs.addNew({s("STID")}, {s("20049999")}); }), DbError::TransactionLost);
        EXPECT_EQ(errorOf([&] { db->execute(s("DELETE FROM 成绩表")); }), DbError::TransactionLost);
        EXPECT_EQ(errorOf([&] { t.commit(); }), DbError::TransactionLost);
    }
    EXPECT_FALSE(db->inTransaction());
    EXPECT_EQ(db->query(s("SELECT STID FROM 成绩表")), (std::vector<QVariantList>{{s("20040001")}}));
    EXPECT_EQ(rs.recordCount(), 1);

    // The file works again once its writes do.
    rs.addNew({s("STID"), s("姓名")}, {s("20040002"), s("李四")});
    EXPECT_EQ(db->scalar(s("SELECT count(*) FROM 成绩表")).toInt(), 2);
}

TEST_F(IntegrityTest, ADamagedFileIsToldApartFromAFileThatIsNoDatabaseOfOurs) {
    db_.reset();
    const QString path = this->path();
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    ASSERT_TRUE(f.seek(f.size() - 2000));
    f.write(QByteArray(2000, '\x5a'));
    f.close();
    try {
        Database::open(path, {});
        ADD_FAILURE() << "a damaged file opened";
    } catch (const DbError& e) {
        EXPECT_EQ(e.kind(), DbError::Damaged);
        EXPECT_TRUE(e.text().contains(s("损坏")));
    }

    // A sound SQLite file that some other program made.
    const QString other = dir_.filePath(s("别的.db"));
    sqlite3* h = nullptr;
    sqlite3_open(QFile::encodeName(other).constData(), &h);
    sqlite3_exec(h, "CREATE TABLE t(x)", nullptr, nullptr, nullptr);
    sqlite3_close(h);
    EXPECT_EQ(errorOf([&] { Database::open(other, {}); }), DbError::NotADatabase);
}

// The programs make no trigger: a file holding one, on a table of the school's
// or of the system's, is refused as damaged by every kind of opening, before
// the trigger can write a row.
TEST_F(IntegrityTest, AFileHoldingATriggerIsRefusedAsDamaged) {
    db_.reset();
    for (const char* trigger :
         {"CREATE TRIGGER t AFTER UPDATE ON 成绩表 BEGIN UPDATE 成绩表 SET 姓名='欧阳长名字'; END",
          "CREATE TRIGGER t BEFORE INSERT ON msys_tables BEGIN SELECT 1; END"}) {
        SCOPED_TRACE(trigger);
        testsupport::OtherProgram(path()).run(s(trigger));
        try {
            Database::open(path(), {});
            ADD_FAILURE() << "a file with a trigger opened";
        } catch (const DbError& e) {
            EXPECT_EQ(e.kind(), DbError::Damaged);
            EXPECT_EQ(e.text(), s("数据库文件已损坏: ") + path());
        }
        EXPECT_EQ(errorOf([&] { Database::openReadOnly(path(), {}, Database::DamageCheck::OnRead); }),
                  DbError::Damaged);
        testsupport::OtherProgram(path()).run(s("DROP TRIGGER t"));
    }
    std::shared_ptr<Database> db;
    ASSERT_NO_THROW(db = Database::open(path(), {}));
    EXPECT_EQ(db->scalar(s("SELECT count(*) FROM 成绩表 WHERE 姓名='欧阳长名字'")).toInt(), 0);
}

TEST_F(IntegrityTest, ARowBreakingAFieldRuleIsNoDamageAndTheRulesHoldAgainAfterTheCheck) {
    // A name longer than its field, written by a program that ignores the rules.
    db_.reset();
    {
        testsupport::OtherProgram other(path());
        other.run(s("PRAGMA ignore_check_constraints=1"));
        ASSERT_EQ(other.run(s("UPDATE 成绩表 SET 姓名='欧阳长名字' WHERE STID='20040001'")), 0);
    }
    std::shared_ptr<Database> db;
    ASSERT_NO_THROW(db = Database::open(path(), {}));
    EXPECT_EQ(db->scalar(s("SELECT 姓名 FROM 成绩表 WHERE STID='20040001'")).toString(), s("欧阳长名字"));
    // The check at opening set the rules aside for itself only.
    EXPECT_EQ(errorOf([&] { db->execute(s("UPDATE 成绩表 SET 姓名='上官长名字' WHERE STID='20040002'")); }),
              DbError::TooLong);
    EXPECT_EQ(db->scalar(s("SELECT 姓名 FROM 成绩表 WHERE STID='20040002'")).toString(), s("李四"));
}

} // namespace
