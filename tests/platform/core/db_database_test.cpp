#include "support/db_fixture.h"
#include "support/failing_vfs.h"

#include "platform/db/recordset.h"
#include "platform/db/textorder.h"

#include <QFile>
#include <atomic>
#include <cmath>
#include <thread>
#include <vector>

using namespace platform::db;
using testsupport::DbFixture;

namespace {

using testsupport::errorOf;

} // namespace

using DatabaseTest = DbFixture;

TEST_F(DatabaseTest, SchemaKeepsTablesAndFieldsInOrderAndHidesItsOwn) {
    TableDef grades{QStringLiteral("年级表"), {{QStringLiteral("年级"), FieldType::Text, 4, true},
                                              {QStringLiteral("语文"), FieldType::Single}}};
    db_->createTable(grades);
    EXPECT_EQ(db_->tableNames(), (QStringList{QStringLiteral("成绩表"), QStringLiteral("年级表")}));
    EXPECT_TRUE(db_->hasTable(QStringLiteral("成绩表")));
    EXPECT_FALSE(db_->hasTable(QStringLiteral("msys_fields")));

    const TableDef t = db_->tableDef(QStringLiteral("成绩表"));
    ASSERT_EQ(t.fields.size(), 12u);
    EXPECT_EQ(t.fields[3].name, QStringLiteral("姓名"));
    EXPECT_EQ(t.fields[3].size, 3);
    EXPECT_EQ(t.fields[8].type, FieldType::Single);
    EXPECT_TRUE(db_->tableDef(QStringLiteral("年级表")).fields[0].required);
    EXPECT_EQ(db_->locale(), QStringLiteral(";LANGID=0x0804;CP=936;COUNTRY=0"));

    EXPECT_EQ(errorOf([&] { db_->createTable(grades); }), DbError::AlreadyExists);
    EXPECT_EQ(errorOf([&] { db_->tableDef(QStringLiteral("无此表")); }), DbError::NoSuchTable);
    db_->dropTable(QStringLiteral("年级表"));
    EXPECT_EQ(db_->tableNames(), QStringList{QStringLiteral("成绩表")});
}

TEST_F(DatabaseTest, OneConnectionPerFileAndClearOpeningErrors) {
    auto again = Database::open(path(), QString());
    EXPECT_EQ(again.get(), db_.get());
    EXPECT_EQ(errorOf([&] { Database::create(path()); }), DbError::AlreadyExists);
    EXPECT_EQ(errorOf([&] { Database::open(dir_.filePath(QStringLiteral("无.mdb")), {}); }), DbError::NotFound);
    EXPECT_EQ(errorOf([&] { Database::create(dir_.filePath(QStringLiteral("没有/a.mdb"))); }), DbError::CannotCreate);
    QFile junk(dir_.filePath(QStringLiteral("junk.mdb")));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write(QByteArray(4096, 'x'));
    junk.close();
    EXPECT_EQ(errorOf([&] { Database::open(junk.fileName(), {}); }), DbError::NotADatabase);

    const auto [p, pw] = Database::parseConnectionText(
        QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + path()
        + QStringLiteral(";Persist Security Info=False;Jet OLEDB:Database Password="));
    EXPECT_EQ(p, path());
    EXPECT_EQ(pw, QString());
}

TEST(ConnectionText, AnyPasswordAndPathSurviveBuildingAndParsing) {
    for (const char* pw : {"", "abc", "ab;c", "a=b", "a\"b", "'ab'", "\"", ";=;", "密码;1"}) {
        const QString password = QString::fromUtf8(pw);
        const QString path = QStringLiteral("/学校/a;b=c/学生成绩库.mdb");
        const QString text = QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + connectionValue(path)
            + QStringLiteral(";Persist Security Info=False;Jet OLEDB:Database Password=") + connectionValue(password);
        EXPECT_EQ(Database::parseConnectionText(text), std::make_pair(path, password)) << pw;
    }
    // Texts written before quoting existed read as they did.
    EXPECT_EQ(Database::parseConnectionText(QStringLiteral("Data Source=/a b/x.mdb;Jet OLEDB:Database Password=pw")),
              std::make_pair(QStringLiteral("/a b/x.mdb"), QStringLiteral("pw")));
}

struct TypeCase {
    const char* label;
    FieldDef field;
    QVariant in;
    QVariant out;                  // expected stored value, when accepted
    std::optional<DbError::Kind> refused;
};

TEST(DatabaseValues, TypeRulesConvertOrRefuse) {
    const FieldDef name{QStringLiteral("姓名"), FieldType::Text, 3};
    const FieldDef memo{QStringLiteral("备注"), FieldType::Memo, 0, false, true};
    const FieldDef zeroOk{QStringLiteral("性别"), FieldType::Text, 1, false, true};
    const FieldDef mark{QStringLiteral("语文"), FieldType::Single};
    const FieldDef count{QStringLiteral("学生总数"), FieldType::Integer};
    const FieldDef grade{QStringLiteral("年级"), FieldType::Text, 4, true};
    const FieldDef born{QStringLiteral("出生年月"), FieldType::Date};
    const TypeCase cases[] = {
        {"three characters fit", name, QStringLiteral("欧阳修"), QStringLiteral("欧阳修"), {}},
        {"four are too long", name, QStringLiteral("欧阳修文"), {}, DbError::TooLong},
        {"characters, not bytes nor units", name, QStringLiteral("a\U00020000b"), QStringLiteral("a\U00020000b"), {}},
        {"empty text refused", name, QString(""), {}, DbError::ZeroLength},
        {"empty text allowed", zeroOk, QString(""), QString(""), {}},
        {"memo takes long text", memo, QString(300, u'字'), QString(300, u'字'), {}},
        {"null in a plain field", name, QVariant(), QVariant(), {}},
        {"null in a required field", grade, QVariant(), {}, DbError::RequiredNull},
        {"number into text", name, 12, QStringLiteral("12"), {}},
        {"single precision", mark, 0.1, QVariant(0.1f), {}},
        {"text to number", mark, QStringLiteral(" 85.5 "), QVariant(85.5f), {}},
        {"letters into number", mark, QStringLiteral("八十"), {}, DbError::TypeMismatch},
        {"empty into number", mark, QString(""), {}, DbError::TypeMismatch},
        {"single overflow", mark, 1e39, {}, DbError::OutOfRange},
        {"integer top", count, 32767, 32767, {}},
        {"integer overflow", count, 32768, {}, DbError::OutOfRange},
        {"integer bottom", count, -32768, -32768, {}},
        {"integer rounds half to even", count, 2.5, 2, {}},
        {"integer from text", count, QStringLiteral("42"), 42, {}},
        {"date from text", born, QStringLiteral("1990-5-4"), QDate(1990, 5, 4), {}},
        {"bad date", born, QStringLiteral("明天"), {}, DbError::TypeMismatch},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        try {
            const QVariant v = Database::checkedValue(c.field, c.in);
            EXPECT_FALSE(c.refused.has_value());
            EXPECT_EQ(v, c.out);
        } catch (const DbError& e) {
            ASSERT_TRUE(c.refused.has_value()) << e.what();
            EXPECT_EQ(e.kind(), *c.refused);
            EXPECT_TRUE(e.text().contains(c.field.name));
        }
    }
}

TEST_F(DatabaseTest, RefusedRowWritesNothingAndReadsBackTyped) {
    EXPECT_EQ(errorOf([&] {
        db_->insertRow(QStringLiteral("成绩表"), {QStringLiteral("STID"), QStringLiteral("姓名")},
                       {QStringLiteral("20040001"), QStringLiteral("太长的名字")});
    }), DbError::TooLong);
    EXPECT_EQ(db_->scalar(QStringLiteral("SELECT count(*) FROM 成绩表")).toInt(), 0);

    db_->insertRow(QStringLiteral("成绩表"), {QStringLiteral("STID"), QStringLiteral("语文")},
                   {QStringLiteral("20040001"), 0.1});
    const QVariant mark = db_->scalar(QStringLiteral("SELECT 语文 FROM 成绩表"));
    EXPECT_EQ(mark.metaType().id(), QMetaType::Float);
    EXPECT_EQ(mark.toFloat(), 0.1f);
}

TEST_F(DatabaseTest, SqlWrittenPastTheRecordSetsKeepsTheRulesToo) {
    db_->createTable({QStringLiteral("教师表"), {{QStringLiteral("姓名"), FieldType::Text, 3, true},
                                                {QStringLiteral("学生总数"), FieldType::Integer},
                                                {QStringLiteral("出生"), FieldType::Date}}});
    db_->insertRow(QStringLiteral("教师表"), {QStringLiteral("姓名")}, {QStringLiteral("王")});
    const struct {
        const char* sql;
        DbError::Kind kind;
    } cases[] = {
        {"UPDATE 教师表 SET 姓名 = '四个字的'", DbError::TooLong},
        {"UPDATE 教师表 SET 姓名 = ''", DbError::ZeroLength},
        {"UPDATE 教师表 SET 姓名 = NULL", DbError::RequiredNull},
        {"UPDATE 教师表 SET 学生总数 = 40000", DbError::OutOfRange},
        {"UPDATE 教师表 SET 学生总数 = 'x'", DbError::TypeMismatch},
        {"UPDATE 教师表 SET 出生 = '明天'", DbError::TypeMismatch},
        {"INSERT INTO 教师表(学生总数) VALUES (1)", DbError::RequiredNull},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sql);
        EXPECT_EQ(errorOf([&] { db_->execute(QString::fromUtf8(c.sql)); }), c.kind);
    }
    db_->execute(QStringLiteral("UPDATE 教师表 SET 学生总数 = '12', 出生 = '1970-01-02'"));
    EXPECT_EQ(db_->query(QStringLiteral("SELECT 姓名, 学生总数, 出生 FROM 教师表")).front(),
              (QVariantList{QStringLiteral("王"), 12, QDate(1970, 1, 2)}));
}

TEST_F(DatabaseTest, TextComparesWithoutCaseAndSortsInGbkOrder) {
    EXPECT_EQ(compareText(QStringLiteral("abc"), QStringLiteral("ABC")), 0);
    EXPECT_LT(compareText(QStringLiteral("安"), QStringLiteral("北")), 0);     // pinyin an < bei
    EXPECT_LT(compareText(QStringLiteral("北"), QStringLiteral("张")), 0);     // bei < zhang
    EXPECT_LT(compareText(QStringLiteral("Z"), QStringLiteral("安")), 0);      // ASCII before Chinese
    EXPECT_LT(compareText(QStringLiteral("01"), QStringLiteral("1")), 0);

    addStudents({{QStringLiteral("a"), QStringLiteral("2004"), QStringLiteral("01"), QStringLiteral("张三"), QStringLiteral("01"), 1},
                 {QStringLiteral("b"), QStringLiteral("2004"), QStringLiteral("01"), QStringLiteral("安娜"), QStringLiteral("02"), 2},
                 {QStringLiteral("C"), QStringLiteral("2004"), QStringLiteral("01"), QStringLiteral("北辰"), QStringLiteral("03"), 3}});
    auto rows = db_->query(QStringLiteral("SELECT 姓名 FROM 成绩表 ORDER BY 姓名"));
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0][0].toString(), QStringLiteral("安娜"));
    EXPECT_EQ(rows[2][0].toString(), QStringLiteral("张三"));
    EXPECT_EQ(db_->scalar(QStringLiteral("SELECT 姓名 FROM 成绩表 WHERE STID = 'c'")).toString(), QStringLiteral("北辰"));
}

// The key the calculation and the class division group texts by is equal
// exactly when the database's order calls the texts equal.
TEST(TextOrder, EqualityKeysAgreeWithTheOrder) {
    const char* pairs[][2] = {{"abc", "ABC"}, {"2004A", "2004a"}, {"张三", "张三"}, {"01", "1"},
                              {"Ａ", "ａ"}, {"安", "北"}, {"", " "}, {"z", "Z "}};
    for (const auto& [a, b] : pairs) {
        const QString x = QString::fromUtf8(a), y = QString::fromUtf8(b);
        EXPECT_EQ(equalityKey(x) == equalityKey(y), compareText(x, y) == 0) << a << " / " << b;
    }
}

// Sorts run on the calculation's threads too: two threads that first meet
// characters at once see one order (a race here is what ThreadSanitizer finds).
TEST(TextOrder, TwoThreadsSeeOneOrder) {
    std::atomic<bool> go{false};
    std::vector<uint32_t> seen[2];
    auto walk = [&](std::vector<uint32_t>& out, bool backwards) {
        while (!go.load())
            std::this_thread::yield();
        out.resize(0x10000);
        for (uint32_t i = 0; i < 0x10000; ++i) {
            const char16_t u = char16_t(backwards ? 0xFFFF - i : i);
            out[u] = textWeight(u);
        }
    };
    std::thread first(walk, std::ref(seen[0]), false), second(walk, std::ref(seen[1]), true);
    go = true;
    first.join();
    second.join();
    EXPECT_EQ(seen[0], seen[1]);
    EXPECT_LT(seen[0][u'安'], seen[0][u'北']);
    EXPECT_EQ(seen[0][u'A'], seen[0][u'a']);
}

TEST_F(DatabaseTest, TransactionsRollBackUnlessCommitted) {
    {
        Transaction outer(*db_);
        addStudents({{QStringLiteral("1"), QStringLiteral("2004"), QStringLiteral("01"), QStringLiteral("甲"), QStringLiteral("01"), 1}});
        EXPECT_TRUE(db_->inTransaction());
    }
    EXPECT_FALSE(db_->inTransaction());
    EXPECT_EQ(db_->scalar(QStringLiteral("SELECT count(*) FROM 成绩表")).toInt(), 0);
    addStudents({{QStringLiteral("1"), QStringLiteral("2004"), QStringLiteral("01"), QStringLiteral("甲"), QStringLiteral("01"), 1}});
    EXPECT_EQ(db_->scalar(QStringLiteral("SELECT count(*) FROM 成绩表")).toInt(), 1);
}

// A connection is opened without the engine's lock: a use from another
// thread stops the program before it can meet the owner inside the engine.
TEST_F(DatabaseTest, AConnectionUsedByAnotherThreadStopsTheProgram) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(
        {
            std::thread other([this] { db_->scalar(QStringLiteral("SELECT count(*) FROM 成绩表")); });
            other.join();
        },
        "used by a thread other than the one that opened it");
    EXPECT_EQ(db_->scalar(QStringLiteral("SELECT count(*) FROM 成绩表")).toInt(), 0);
}

TEST_F(DatabaseTest, PasswordGatesOpeningAndChangesOnlyWhenAlone) {
    db_->setPassword(QString(), QStringLiteral("ab'c"));
    EXPECT_TRUE(db_->hasPassword());
    EXPECT_EQ(errorOf([&] { Database::open(path(), QStringLiteral("abc")); }), DbError::WrongPassword);
    {
        Recordset holder(db_, QStringLiteral("成绩表"));
        EXPECT_EQ(errorOf([&] { db_->setPassword(QStringLiteral("ab'c"), QStringLiteral("x")); }), DbError::InUse);
        EXPECT_EQ(errorOf([&] { Database::changePassword(path(), QStringLiteral("ab'c"), QStringLiteral("x")); }),
                  DbError::InUse);
    }
    EXPECT_EQ(errorOf([&] { db_->setPassword(QStringLiteral("wrong"), QStringLiteral("x")); }), DbError::WrongPassword);
    db_.reset();

    QFile f(path());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_FALSE(f.readAll().contains("ab'c"));      // only a salted hash is kept
    f.close();

    EXPECT_EQ(errorOf([&] { Database::open(path(), QString()); }), DbError::WrongPassword);
    Database::changePassword(path(), QStringLiteral("ab'c"), QString());
    db_ = Database::open(path(), QString());
    EXPECT_FALSE(db_->hasPassword());
}

TEST_F(DatabaseTest, BoundParametersCarryQuotes) {
    addStudents({{QStringLiteral("1"), QStringLiteral("2004"), QStringLiteral("01"), QStringLiteral("张'三"), QStringLiteral("01"), 1}});
    EXPECT_EQ(db_->scalar(QStringLiteral("SELECT STID FROM 成绩表 WHERE 姓名 = ?"), {QStringLiteral("张'三")}).toString(),
              QStringLiteral("1"));
    EXPECT_EQ(quoteText(QStringLiteral("O'Brien")), QStringLiteral("'O''Brien'"));
    EXPECT_EQ(db_->scalar(QStringLiteral("SELECT STID FROM 成绩表 WHERE 姓名 = ") + quoteText(QStringLiteral("张'三"))).toString(),
              QStringLiteral("1"));
}

TEST_F(DatabaseTest, ReadOnlyOpeningReadsAndNeverWrites) {
    addStudents({{QStringLiteral("1"), QStringLiteral("2004"), QStringLiteral("01"), QStringLiteral("甲"), QStringLiteral("01"), 1}});
    // A file this process holds open for writing gets a connection of its own that cannot write.
    {
        auto ro = Database::openReadOnly(path(), QString());
        EXPECT_NE(ro.get(), db_.get());
        EXPECT_ANY_THROW(ro->execute(QStringLiteral("DELETE FROM 成绩表")));
    }
    db_->setPassword(QString(), QStringLiteral("pw"));
    db_.reset();
    QFile f(path());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray before = f.readAll();
    f.close();

    EXPECT_EQ(errorOf([&] { Database::openReadOnly(path(), QStringLiteral("别的")); }), DbError::WrongPassword);
    {
        auto ro = Database::openReadOnly(path(), QStringLiteral("pw"));
        EXPECT_EQ(ro->scalar(QStringLiteral("SELECT count(*) FROM 成绩表")).toInt(), 1);
        EXPECT_ANY_THROW(ro->execute(QStringLiteral("DELETE FROM 成绩表")));
        // Not shared: opening for writing gets a connection of its own.
        auto rw = Database::open(path(), QStringLiteral("pw"));
        EXPECT_NE(rw.get(), ro.get());
    }
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), before);
}

// A file that cannot be written says so in the system's words, with the
// reason, at the first write; what the file holds stays as it was.
TEST_F(DatabaseTest, AFileOrFolderThatCannotBeWrittenIsToldAtTheFirstWrite) {
    addStudents({{QStringLiteral("1"), QStringLiteral("2004"), QStringLiteral("01"), QStringLiteral("甲"), QStringLiteral("01"), 1}});
    db_.reset();
    const struct {
        const char* label;
        bool readOnlyFile;
        const char* said;
    } cases[] = {
        {"read-only file", true, "数据库文件是只读的"},
        {"read-only folder", false, "数据库所在的文件夹是只读的"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        testsupport::FailingVfs vfs;
        vfs.openReadOnly(c.readOnlyFile);
        vfs.refuseJournals(!c.readOnlyFile);
        auto db = Database::open(path(), QString());
        EXPECT_EQ(db->scalar(QStringLiteral("SELECT count(*) FROM 成绩表")).toInt(), 1);
        const std::function<void()> writes[] = {
            [&] { db->execute(QStringLiteral("DELETE FROM 成绩表")); },
            [&] {
                Transaction t(*db);
                db->insertRow(QStringLiteral("成绩表"), {QStringLiteral("STID")}, {QStringLiteral("2")});
                t.commit();
            },
            [&] {
                Recordset rs(db, QStringLiteral("成绩表"));
                rs.setValue(QStringLiteral("姓名"), QStringLiteral("乙"));
                rs.update();
            },
        };
        for (const auto& write : writes) {
            try {
                write();
                ADD_FAILURE() << "written";
            } catch (const DbError& e) {
                EXPECT_EQ(e.kind(), DbError::ReadOnly);
                EXPECT_TRUE(e.text().startsWith(QString::fromUtf8(c.said))) << e.text().toStdString();
                EXPECT_TRUE(e.text().endsWith(db->path())) << e.text().toStdString();
            }
        }
        EXPECT_FALSE(db->inTransaction());
        EXPECT_EQ(db->query(QStringLiteral("SELECT STID, 姓名 FROM 成绩表")),
                  (std::vector<QVariantList>{{QStringLiteral("1"), QStringLiteral("甲")}}));
    }
}
