#include "common/settings_files.h"
#include "platform/db/recordset.h"
#include "platform/text/gbk.h"
#include "records/core/Tavisk.h"
#include "records/XJmain.h"
#include "records/core/records_database.h"
#include "support/dialog_double.h"
#include "support/school_fixture.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

using platform::db::Database;
using platform::db::FieldType;
using platform::db::TableDef;

namespace {

const QStringList kCopied = {"STID", "年级", "班", "姓名"};

class RecordsStart : public ::testing::Test {
protected:
    void SetUp() override { Tavisk::resetState(); }
    void TearDown() override { Tavisk::resetState(); }

    void addStudent(const QVariantList& values) { school_.db()->insertRow("成绩表", kCopied, values); }
    void addClassOf(int n) {
        for (int i = 1; i <= n; ++i)
            addStudent({QStringLiteral("2004%1").arg(i, 4, 10, QLatin1Char('0')), "2004", "01",
                        QStringLiteral("学生%1").arg(i)});
    }
    // The start sequence as the program runs it; true when the window may show.
    bool start() {
        XJmain w;
        return w.Form_Load();
    }
    std::vector<QVariantList> rows(const QString& table) {
        return school_.db()->query(QStringLiteral("SELECT * FROM %1 ORDER BY rowid").arg(table));
    }
    QString ini() const { return school_.folder() + QStringLiteral("/参数设置.ini"); }
    QStringList files() const { return QDir(school_.folder()).entryList(QDir::Files, QDir::Name); }

    SchoolFixture school_;
};

TEST_F(RecordsStart, FirstStartMakesBothTablesCopiesTheStudentsAndSeedsTheAreas) {
    addClassOf(3);
    DialogDouble dialogs;
    ASSERT_TRUE(start());

    // The tables as the records program defines them, field for field.
    for (const TableDef& wanted : {records::registerTableDef(), records::areaTableDef()}) {
        const TableDef made = school_.db()->tableDef(wanted.name);
        ASSERT_EQ(made.fields.size(), wanted.fields.size());
        for (size_t i = 0; i < made.fields.size(); ++i) {
            EXPECT_EQ(made.fields[i].name, wanted.fields[i].name);
            EXPECT_EQ(made.fields[i].type, wanted.fields[i].type) << made.fields[i].name.toStdString();
            EXPECT_EQ(made.fields[i].size, wanted.fields[i].size) << made.fields[i].name.toStdString();
            EXPECT_EQ(made.fields[i].required, wanted.fields[i].required) << made.fields[i].name.toStdString();
            EXPECT_EQ(made.fields[i].allowZeroLength, wanted.fields[i].allowZeroLength)
                << made.fields[i].name.toStdString();
        }
    }
    const TableDef reg = records::registerTableDef();
    EXPECT_EQ(reg.fields.size(), 16u);
    EXPECT_EQ(reg.fields[7].type, FieldType::Date);
    EXPECT_EQ(reg.fields[15].type, FieldType::Memo);
    EXPECT_TRUE(reg.fields[0].required);
    EXPECT_FALSE(reg.fields[3].allowZeroLength);
    EXPECT_TRUE(reg.fields[4].allowZeroLength);

    const auto students = rows("学籍表");
    ASSERT_EQ(students.size(), 3u);
    EXPECT_EQ(students[2][0].toString(), QStringLiteral("20040003"));
    EXPECT_EQ(students[2][3].toString(), QStringLiteral("学生3"));
    for (int f = 4; f < 16; ++f)
        EXPECT_TRUE(students[0][f].isNull()) << f;

    const auto areas = rows("区域表");
    ASSERT_EQ(areas.size(), 3u);
    EXPECT_EQ(areas[0], (QVariantList{"001", "长安街", 5}));
    EXPECT_EQ(areas[1], (QVariantList{"002", "南大街", 2}));
    EXPECT_EQ(areas[2], (QVariantList{"003", "杏花村", 20}));

    const RecordsState& s = Tavisk::state();
    ASSERT_EQ(s.Regions.count(), 3);
    EXPECT_EQ(s.Regions.at(1).id, QStringLiteral("001"));
    EXPECT_EQ(s.Regions.at(3).name, QStringLiteral("杏花村"));
    EXPECT_EQ(s.Regions.at(3).distance, 20);
    EXPECT_EQ(s.DatabaseFolder, school_.folder());
    EXPECT_EQ(s.SettingsFilePath, ini());
    EXPECT_TRUE(s.DatabaseConnectString.contains(QStringLiteral("Data Source=") + school_.databasePath() + ";"));

    // The profile: the five lists in GBK, and the start's toggle wrote Tool.
    EXPECT_EQ(Tavisk::readList(ini(), "ZhiWu").size(), 8);
    EXPECT_EQ(Tavisk::ReadIni(ini(), "Window", "Tool"), QStringLiteral("No"));
    QFile f(ini());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    EXPECT_TRUE(bytes.contains(platform::toGbk(QStringLiteral("J001=未知\r\n"))));
    EXPECT_FALSE(bytes.startsWith("\xEF\xBB\xBF"));
}

TEST_F(RecordsStart, SecondStartChangesNothing) {
    addClassOf(2);
    DialogDouble dialogs;
    ASSERT_TRUE(start());
    // Changes the later starts must leave alone.
    addStudent({"20040009", "2004", "02", "新生"});
    school_.db()->execute("DELETE FROM 区域表 WHERE ID = '002'");
    school_.db()->execute("UPDATE 学籍表 SET 籍贯 = '北京' WHERE STID = '20040001'");
    const auto registerBefore = rows("学籍表");
    const auto areasBefore = rows("区域表");
    ASSERT_TRUE(start());
    EXPECT_EQ(rows("学籍表"), registerBefore);
    EXPECT_EQ(rows("区域表"), areasBefore);
    EXPECT_EQ(Tavisk::state().Regions.count(), 2);
}

TEST_F(RecordsStart, RegisterWithoutAreasGetsAnEmptyAreaTable) {
    school_.db()->createTable(records::registerTableDef());
    DialogDouble dialogs;
    ASSERT_TRUE(start());
    EXPECT_TRUE(school_.db()->hasTable("区域表"));
    EXPECT_TRUE(rows("区域表").empty());
    EXPECT_EQ(Tavisk::state().Regions.count(), 0);
}

TEST_F(RecordsStart, AreasAreLoadedFittedAndWithoutANumberAsZero) {
    school_.db()->createTable(records::registerTableDef());
    school_.db()->createTable(records::areaTableDef());
    school_.db()->insertRow("区域表", {"ID", "名称", "距学校"}, {"7", "西村", QVariant()});
    school_.db()->insertRow("区域表", {"ID", "名称", "距学校"}, {QVariant(), QVariant(), 12});
    DialogDouble dialogs;
    ASSERT_TRUE(start());
    const RegionList& r = Tavisk::state().Regions;
    ASSERT_EQ(r.count(), 2);
    EXPECT_EQ(r.at(1).id, QStringLiteral("7  "));
    EXPECT_EQ(r.at(1).distance, 0);
    EXPECT_EQ(r.at(2).id, QStringLiteral("   "));
    EXPECT_EQ(r.at(2).name, QString());
    EXPECT_EQ(r.at(2).distance, 12);
}

TEST_F(RecordsStart, StudentsWithoutStidAreLeftOutAndCounted) {
    addClassOf(2);
    addStudent({QVariant(), "2004", "01", "无号"});
    addStudent({"20040005", "2004", QVariant(), "没班"});
    DialogDouble dialogs;
    dialogs.answerMessage(platform::MsgResult::Ok, records::leftOutMessage(1));
    ASSERT_TRUE(start());
    const auto students = rows("学籍表");
    ASSERT_EQ(students.size(), 3u);
    EXPECT_EQ(students[2][0].toString(), QStringLiteral("20040005"));
    EXPECT_TRUE(students[2][2].isNull());
}

TEST_F(RecordsStart, AFailingFillLeavesNeitherTable) {
    // A score table whose names are longer than the register takes.
    school_.db()->dropTable("成绩表");
    TableDef wide{"成绩表", {{"STID", FieldType::Text, 8}, {"年级", FieldType::Text, 4},
                             {"班", FieldType::Text, 2}, {"姓名", FieldType::Text, 10}}};
    school_.db()->createTable(wide);
    addStudent({"20040001", "2004", "01", "张三"});
    addStudent({"20040002", "2004", "01", "欧阳长名字"});
    DialogDouble dialogs;
    dialogs.answerMessage();
    EXPECT_FALSE(start());
    EXPECT_EQ(dialogs.lastTitle(), QStringLiteral("小错误..."));
    EXPECT_FALSE(school_.db()->hasTable("学籍表"));
    EXPECT_FALSE(school_.db()->hasTable("区域表"));
    EXPECT_FALSE(QFile::exists(ini()));
}

TEST_F(RecordsStart, DatabaseNotFoundDeletesTheLocatorAndReadsNothingElse) {
    const QString message = QStringLiteral("没有找到指定的数据库，请首先运行Orbisca！");
    const QString moved = school_.folder() + "/moved.mdb";
    struct Case { const char* name; std::function<void()> prepare; };
    const Case cases[] = {
        {"missing", [] { QFile::remove(locatorFilePath()); }},
        {"blank", [] { platform::writeGbkFile(locatorFilePath(), "   "); }},
        {"moved", [&] { platform::writeGbkFile(locatorFilePath(), moved); }},
    };
    for (const Case& c : cases) {
        WriteDatabaseLocator(school_.databasePath());
        c.prepare();
        // Without scro.dat: a read of it would fail differently.
        QFile::remove(settingsFilePath(school_.folder()));
        const QStringList before = files();
        DialogDouble dialogs;
        dialogs.answerMessage(platform::MsgResult::Ok, message);
        EXPECT_FALSE(start()) << c.name;
        EXPECT_EQ(dialogs.lastTitle(), QStringLiteral("小错误...")) << c.name;
        EXPECT_FALSE(QFile::exists(locatorFilePath())) << c.name;
        QStringList expected = before;
        expected.removeAll(QStringLiteral("system.txt"));
        EXPECT_EQ(files(), expected) << c.name;
    }
    EXPECT_FALSE(school_.db()->hasTable("学籍表"));
}

TEST_F(RecordsStart, LocatorPathIsTrimmed) {
    platform::writeGbkFile(locatorFilePath(), "  " + school_.databasePath() + "  ");
    const auto located = records::ReadDatabaseLocation();
    ASSERT_TRUE(std::holds_alternative<records::DatabaseLocation>(located));
    EXPECT_EQ(std::get<records::DatabaseLocation>(located).path, school_.databasePath());
}

TEST(RecordsStartRefused, EndsWithAMessageHavingWrittenNothing) {
    struct Case { const char* name; std::function<void(SchoolFixture&)> spoil; };
    const Case cases[] = {
        {"wrong password", [](SchoolFixture& s) { StoreAdministratorPassword(s.folder(), "other"); }},
        {"no scro.dat", [](SchoolFixture& s) { QFile::remove(settingsFilePath(s.folder())); }},
        {"short scro.dat", [](SchoolFixture& s) { QFile::resize(settingsFilePath(s.folder()), 230); }},
        {"no 成绩表", [](SchoolFixture& s) { s.db()->dropTable("成绩表"); }},
        {"no 姓名", [](SchoolFixture& s) {
             s.db()->dropTable("成绩表");
             s.db()->createTable({"成绩表", {{"STID", FieldType::Text, 8}, {"年级", FieldType::Text, 4},
                                           {"班", FieldType::Text, 2}}});
         }},
    };
    for (const Case& c : cases) {
        Tavisk::resetState();
        SchoolFixture school({"语文"}, {"2004"}, {"2004级01班"}, "pw");
        c.spoil(school);
        const QStringList before = QDir(school.folder()).entryList(QDir::Files);
        DialogDouble dialogs;
        dialogs.answerMessage();
        XJmain w;
        EXPECT_FALSE(w.Form_Load()) << c.name;
        EXPECT_EQ(dialogs.lastTitle(), QStringLiteral("小错误...")) << c.name;
        EXPECT_FALSE(school.db()->hasTable("学籍表")) << c.name;
        EXPECT_FALSE(school.db()->hasTable("区域表")) << c.name;
        EXPECT_EQ(QDir(school.folder()).entryList(QDir::Files), before) << c.name;
    }
    Tavisk::resetState();
}

TEST(RecordsStartRefused, OddFieldsOfScroDatBesideThePasswordDoNotMatter) {
    Tavisk::resetState();
    SchoolFixture school({"语文"}, {"2004"}, {"2004级01班"}, "pw");
    // The school name codes name no character: the grade program would call the record damaged.
    QFile f(settingsFilePath(school.folder()));
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    f.seek(130);
    f.write(QByteArray(80, '\x81'));
    f.close();
    DialogDouble dialogs;
    XJmain w;
    EXPECT_TRUE(w.Form_Load());
    EXPECT_EQ(Tavisk::state().DatabasePassword, QStringLiteral("pw"));
    Tavisk::resetState();
}

} // namespace
