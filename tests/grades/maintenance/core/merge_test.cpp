// Merging another database of this system: the steps, keys and counts with
// both answers, and the sources that are refused before anything is written.
#include "grades/maintenance/core/merge.h"

#include "platform/db/database.h"
#include "platform/db/foreign_database.h"
#include "support/old_databases.h"
#include "support/school_fixture.h"

#include <QCryptographicHash>
#include <QFile>
#include <gtest/gtest.h>
#include "support/test_files.h"

using maintenance::MergeRefused;
using maintenance::MergeResult;
using platform::db::Database;
using platform::db::FieldType;

namespace {

using testsupport::fileHash;

const QStringList kStudentFields = {"年级", "班", "STID", "姓名", "语文", "数学"};

struct Schools {
    // The source is made first: the program state is the target's, as in a run.
    SchoolFixture from{{"语文", "数学", "物理"}, {"2004", "2005"}, {"2004级01班", "2005级01班"}};
    SchoolFixture to{{"语文", "数学", "英语"}, {"2004"}, {"2004级01班", "2004级02班"}};
    Database& target = *to.db();

    Schools() {
        Database& s = *from.db();
        target.insertRow("成绩表", {"年级", "班", "STID", "姓名", "语文", "数学", "英语"},
                         {"2004", "01", "20040001", "张三", 80, 70, 66});
        target.insertRow("成绩表", kStudentFields, {"2004", "02", "20040002", "李四", 60, 61});
        target.insertRow("教师表", {"姓名", "考绩分", "任课班级1"}, {"王老师", 88, "2004级01班"});
        s.insertRow("成绩表", {"年级", "班", "STID", "姓名", "语文", "数学", "物理"},
                    {"2004", "01", "20040001", "张三丰", QVariant(), 55, 90});
        s.insertRow("成绩表", kStudentFields, {"2004", "01", "20040003", "王五", 88, 1});
        s.insertRow("成绩表", kStudentFields, {"2004", "01", "20040003", "王五二", 77, 2});
        s.insertRow("成绩表", kStudentFields, {"2005", "01", QVariant(), "赵六", 50, 3});
        s.insertRow("教师表", {"姓名", "考绩分", "任课班级1"}, {"王老师", 10, "2005级01班"});
        s.insertRow("教师表", {"姓名", "考绩分"}, {"李老师", 20});
        s.execute("UPDATE 班级表 SET 语文 = '李老师' WHERE 班 = '01'");
    }

    std::shared_ptr<Database> source() { return maintenance::openMergeSource(from.databasePath(), target); }

    QVariantList student(const QString& stid, const QString& fields = "姓名, 语文, 数学, 英语") {
        const auto rows = target.query(QStringLiteral("SELECT %1 FROM 成绩表 WHERE STID = ? ORDER BY rowid").arg(fields), {stid});
        return rows.empty() ? QVariantList{} : rows.front();
    }
    int count(const QString& table, const QString& where = "1") {
        return target.scalar(QStringLiteral("SELECT COUNT(*) FROM [%1] WHERE %2").arg(table, where)).toInt();
    }
};

struct MergeTest : ::testing::Test, Schools {};

TEST(Merge, YesReplacesMatchingRowsAndNoKeepsThem) {
    struct Case {
        bool overwrite;
        QVariantList first;       // 20040001 afterwards
        QVariantList third;       // 20040003: the second source row matches the first one added
        int replaced, unchanged, renamed;
    };
    const Case cases[] = {
        {true, {"张三丰", QVariant(), 55.0f, 66.0f}, {"王五二", 77.0f, 2.0f, QVariant()}, 2, 0, 2},
        {false, {"张三", 80.0f, 70.0f, 66.0f}, {"王五", 88.0f, 1.0f, QVariant()}, 0, 2, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.overwrite ? "Yes" : "No");
        Schools t;
        const QByteArray sourceBefore = fileHash(t.from.databasePath());
        const MergeResult r = maintenance::mergeDatabase(t.target, *t.source(), c.overwrite);
        ASSERT_EQ(r.tables.size(), 4u);

        EXPECT_EQ(t.student("20040001"), c.first);
        EXPECT_EQ(t.student("20040003"), c.third);
        EXPECT_EQ(t.count("成绩表", "STID = '20040003'"), 1);
        EXPECT_EQ(t.student("20040002"), (QVariantList{"李四", 60.0f, 61.0f, QVariant()}));
        EXPECT_EQ(t.count("成绩表", "STID IS NULL AND 姓名 = '赵六'"), 1);
        const auto& scores = r.tables[2];
        EXPECT_EQ(scores.added, 2);
        EXPECT_EQ(scores.replaced, c.replaced);
        EXPECT_EQ(scores.unchanged, c.unchanged);
        EXPECT_EQ(scores.renamedStudents, c.renamed);

        // Grade levels and classes: the new ones added, a class taken whole on Yes.
        EXPECT_EQ(t.count("年级表"), 2);
        EXPECT_EQ(t.count("班级表"), 3);
        EXPECT_EQ(t.target.scalar("SELECT 语文 FROM 班级表 WHERE 年级 = '2004' AND 班 = '01'"),
                  c.overwrite ? QVariant("李老师") : QVariant());
        EXPECT_EQ(r.tables[1].replaced, c.overwrite ? 1 : 0);

        // A teacher already there is never changed; a new one comes whole.
        EXPECT_EQ(t.target.query("SELECT 考绩分, 任课班级1 FROM 教师表 WHERE 姓名 = '王老师'"),
                  (std::vector<QVariantList>{{88.0f, "2004级01班"}}));
        EXPECT_EQ(t.target.scalar("SELECT 考绩分 FROM 教师表 WHERE 姓名 = '李老师'"), QVariant(20.0f));
        EXPECT_EQ(r.tables[3].unchanged, 1);
        EXPECT_EQ(r.tables[3].added, 1);

        const QStringList tables = {"年级表", "班级表", "成绩表", "教师表"};
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(r.tables[i].rowCount, t.count(tables[i])) << tables[i].toStdString();
        EXPECT_EQ(fileHash(t.from.databasePath()), sourceBefore);
        const QString text = maintenance::mergeReportText(r);
        EXPECT_TRUE(text.startsWith("数据导入完成,你可以进行其它操作了。"));
        EXPECT_TRUE(text.contains("成绩表: 新增2条")) << text.toStdString();
        EXPECT_EQ(text.contains("姓名与原来的不同"), c.overwrite);
    }
}

TEST_F(MergeTest, StudentWithoutIdIsAddedEachTimeAndAnEmptyTableStillCounts) {
    from.db()->execute("DELETE FROM 教师表");
    maintenance::mergeDatabase(target, *source(), false);
    const MergeResult again = maintenance::mergeDatabase(target, *source(), false);
    EXPECT_EQ(count("成绩表", "姓名 = '赵六'"), 2);
    EXPECT_EQ(again.tables[2].added, 1);
    EXPECT_EQ(again.tables[3].added, 0);
    EXPECT_EQ(again.tables[3].rowCount, 1);
}

TEST_F(MergeTest, ValueAFieldCannotTakeKeepsTheFieldAndIsReported) {
    // A source whose 成绩表 holds a text in a subject and a name too long for ours.
    Database& s = *from.db();
    auto def = s.tableDef("成绩表");
    for (auto& f : def.fields) {
        if (f.name == "语文") f.type = FieldType::Text, f.size = 10;
        if (f.name == "姓名") f.size = 10;
    }
    s.dropTable("成绩表");
    s.createTable(def);
    s.insertRow("成绩表", kStudentFields, {"2004", "01", "20040001", "张三", "缺考", 99});
    s.insertRow("成绩表", kStudentFields, {"2004", "01", "20040009", "欧阳小明明", "90", 98});
    const MergeResult r = maintenance::mergeDatabase(target, *source(), true);
    EXPECT_EQ(student("20040001"), (QVariantList{"张三", 80.0f, 99.0f, 66.0f}));
    EXPECT_EQ(student("20040009"), (QVariantList{QVariant(), 90.0f, 98.0f, QVariant()}));
    EXPECT_EQ(r.tables[2].refusedValues, 2);
    EXPECT_EQ(r.tables[2].firstRefusals.size(), 2);
    EXPECT_TRUE(maintenance::mergeReportText(r).contains("2个值不能写入"));
}

TEST_F(MergeTest, UnusableSourcesAreRefusedAndNothingChanges) {
    const QString folder = from.folder();
    QFile text(folder + "/notes.mdb");
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("年级,班\n2004,01\n");
    text.close();
    {
        SchoolFixture locked{{"语文"}, {"2004"}, {"2004级01班"}, "secret"};
        QFile::copy(locked.databasePath(), folder + "/locked.mdb");
    }
    {
        SchoolFixture partial{{"语文"}, {"2004"}, {"2004级01班"}};
        partial.db()->dropTable("教师表");
        auto def = partial.db()->tableDef("成绩表");
        std::erase_if(def.fields, [](const auto& f) { return f.name == "STID"; });
        partial.db()->dropTable("成绩表");
        partial.db()->createTable(def);
        QFile::copy(partial.databasePath(), folder + "/partial.mdb");
    }
    // Old Access files open, but lack the four tables; one with a password does not.
    const QString jet3 = testsupport::copyOldDatabase("trading-jet3.mdb", folder);
    const QString jet4 = testsupport::copyOldDatabase("dates-jet4.mdb", folder);
    const QByteArray jet3Bytes = testsupport::fileBytes(jet3);
    const QString lockedJet = folder + "/locked-jet4.mdb";
    QFile::copy(jet4, lockedJet);
    QFile::setPermissions(lockedJet, QFile::permissions(lockedJet) | QFileDevice::WriteOwner);
    testsupport::xorIntoFile(lockedJet, 0x42, QByteArray("p\0w\0", 4));
    // Bytes inserted in the middle: the pages after no longer line up.
    const QString shifted = folder + "/shifted-jet4.mdb";
    testsupport::writeFileBytes(shifted, testsupport::fileBytes(jet4).insert(6 * 4096 + 300, QByteArray(193, 'Z')));
    struct Case { QString path; QString says; };
    const Case cases[] = {
        {folder + "/notes.mdb", "无效的数据格式,如果你的数据库有密码,请将密码清除后再试。"},
        {folder + "/locked.mdb", "无效的数据格式,如果你的数据库有密码,请将密码清除后再试。"},
        {lockedJet, "无效的数据格式,如果你的数据库有密码,请将密码清除后再试。"},
        // Damaged: one that made the reader loop without bound, one that read a row it never held.
        {testsupport::copyOldDatabase("damaged/jet3-catalog-loop.mdb", folder),
         "无效的数据格式,如果你的数据库有密码,请将密码清除后再试。"},
        {testsupport::copyOldDatabase("damaged/jet4-row-count-too-big.mdb", folder),
         "无效的数据格式,如果你的数据库有密码,请将密码清除后再试。"},
        {shifted, "无效的数据格式,如果你的数据库有密码,请将密码清除后再试。"},
        {jet3, "这个数据文件不是本系统的数据库,缺少: 年级表、班级表、成绩表、教师表。"},
        {jet4, "这个数据文件不是本系统的数据库,缺少: 年级表、班级表、成绩表、教师表。"},
        {folder + "/partial.mdb", "缺少: 成绩表的字段STID、教师表。"},
        {to.databasePath(), "当前正在使用的数据库"},
        {folder + "/missing.mdb", "找不到"},
    };
    const QByteArray before = fileHash(to.databasePath());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        try {
            maintenance::openMergeSource(c.path, target);
            ADD_FAILURE() << "not refused";
        } catch (const MergeRefused& r) {
            EXPECT_EQ(r.title, "无法打开数据文件");
            EXPECT_TRUE(r.text.contains(c.says)) << r.text.toStdString();
        }
    }
    EXPECT_EQ(fileHash(to.databasePath()), before);
    EXPECT_EQ(testsupport::fileBytes(jet3), jet3Bytes);
}

TEST_F(MergeTest, SourceOpenedReadOnlyCannotBeWritten) {
    auto s = source();
    EXPECT_THROW(s->execute("DELETE FROM 成绩表"), platform::db::DbError);
    EXPECT_EQ(from.db()->scalar("SELECT COUNT(*) FROM 成绩表").toInt(), 4);
}

// Another kind of file holding the four tables, as the Access reader gives them.
class OtherKindOfFile final : public platform::db::ForeignDatabase {
public:
    struct Table { QString name; std::vector<platform::db::ForeignField> fields; std::vector<QVariantList> rows; };
    std::vector<Table> tables;

    Kind kind() const override { return Kind::Jet3; }
    QString path() const override { return "old.mdb"; }
    QStringList tableNames() const override {
        QStringList out;
        for (const Table& t : tables)
            out << t.name;
        return out;
    }
    std::vector<platform::db::ForeignField> fields(const QString& table) const override { return find(table).fields; }
    void readRows(const QString& table, const std::function<bool(const QVariantList&)>& row) const override {
        for (const QVariantList& r : find(table).rows)
            if (!row(r))
                return;
    }
    const Table& find(const QString& name) const {
        for (const Table& t : tables)
            if (t.name == name)
                return t;
        throw platform::db::DbError(platform::db::DbError::NoSuchTable, name);
    }
};

TEST_F(MergeTest, AccessFileWithTheFourTablesIsMergedFromAScratchCopy) {
    using platform::db::ForeignField;
    auto text = [](const QString& name, int size) { return ForeignField{name, FieldType::Text, size, "Text"}; };
    OtherKindOfFile old;
    old.tables = {
        {"年级表", {text("年级", 4)}, {{"2006"}}},
        {"班级表", {text("年级", 4), text("班", 2)}, {{"2006", "01"}}},
        {"成绩表", {text("年级", 4), text("班", 2), text("STID", 8), text("姓名", 10),
                    ForeignField{"语文", FieldType::Single, 0, "Single"}},
         {{"2006", "01", "20060001", "欧阳娜", 91.5}, {"2004", "01", "20040001", "张三丰", QVariant()}}},
        {"教师表", {text("姓名", 10)}, {{"新老师"}}},
    };
    const auto scratch = maintenance::mergeSourceOf(old);
    const MergeResult r = maintenance::mergeDatabase(target, *scratch, true);
    EXPECT_EQ(r.tables[0].added, 1);
    EXPECT_EQ(r.tables[2].added, 1);
    EXPECT_EQ(r.tables[2].replaced, 1);
    EXPECT_EQ(student("20060001", "姓名, 语文"), (QVariantList{"欧阳娜", 91.5}));
    EXPECT_EQ(student("20040001", "姓名, 语文, 英语"), (QVariantList{"张三丰", QVariant(), 66}));
    EXPECT_EQ(count("教师表", "姓名 = '新老师'"), 1);

    // A missing key field is named, as for a file of this system.
    old.tables[2].fields.erase(old.tables[2].fields.begin() + 2);
    try {
        maintenance::mergeSourceOf(old);
        ADD_FAILURE() << "not refused";
    } catch (const MergeRefused& e) {
        EXPECT_TRUE(e.text.contains("缺少: 成绩表的字段STID。")) << e.text.toStdString();
    }
}

} // namespace

// A subject may be any two characters the setup takes, a closing bracket too.
TEST(Merge, SubjectsWhoseNamesHoldSignsOfSqlAreCarried) {
    SchoolFixture from{{"a]", "x'"}, {"2004"}, {"2004级01班"}};
    SchoolFixture to{{"a]", "x'"}, {"2004"}, {"2004级01班"}};
    from.db()->insertRow("成绩表", {"年级", "班", "STID", "姓名", "a]", "x'"}, {"2004", "01", "20040001", "张三", 81, 82});
    const MergeResult r = maintenance::mergeDatabase(*to.db(), *maintenance::openMergeSource(from.databasePath(), *to.db()), false);
    EXPECT_EQ(r.tables[2].added, 1);
    EXPECT_EQ(to.db()->query("SELECT 姓名, \"a]\", \"x'\" FROM 成绩表"),
              (std::vector<QVariantList>{{"张三", 81.0f, 82.0f}}));
}
