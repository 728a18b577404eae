#include "common/create_database.h"
#include "common/program_state.h"
#include "common/settings_files.h"
#include "support/school_fixture.h"
#include "support/program_folder.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace {

class FirstRun : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
    }
    void TearDown() override {
    }
    QString at(const QString& name) const { return dir.path() + '/' + name; }
    NewSchool school(const QString& path) const {
        return {"  实验中学 ", path, "", {"语文", "数学"}, {"2004", "2005"}, {"2004级01班", "2005级01班"}};
    }
    QStringList files() const { return QDir(dir.path()).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot); }
    TemporaryProgramFolder dir;
};

TEST_F(FirstRun, AttachReadsTheSettingsBesideTheDatabaseAndWritesOnlyTheLocator) {
    QDir(dir.path()).mkdir("库");
    const QString folder = at("库");
    WriteSchoolSettings(folder, 3, 7, 9, "第一中学", " secret ");
    StoreStudentCount(folder, 321);
    QFile db(folder + "/old.mdb");
    ASSERT_TRUE(db.open(QIODevice::WriteOnly));
    db.write("any bytes: the file is not opened");
    db.close();
    const QByteArray recordBefore = [&] { QFile f(folder + "/scro.dat"); f.open(QIODevice::ReadOnly); return f.readAll(); }();

    const SetupOutcome r = attachExistingDatabase("  " + folder + "/old.mdb  ");
    ASSERT_TRUE(r.ok) << r.message.toStdString();
    EXPECT_EQ(ReadDatabaseLocator(), folder + "/old.mdb");
    const ProgramState& s = state();
    EXPECT_EQ(s.DatabasePath, folder + "/old.mdb");
    EXPECT_EQ(s.DatabaseFolder, folder);
    EXPECT_EQ(s.SchoolName, "第一中学");
    EXPECT_EQ(s.DatabasePassword, "secret");
    EXPECT_EQ(s.GradeCount, 3);
    EXPECT_EQ(s.ClassCount, 7);
    EXPECT_EQ(s.SubjectCount, 9);
    EXPECT_EQ(s.StudentCount, 321.0f);
    EXPECT_EQ(s.TeacherCount, 0.0f);
    QFile f(folder + "/scro.dat");
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), recordBefore);
}

TEST_F(FirstRun, AttachWithoutSettingsRecordChangesNothing) {
    QFile db(at("old.mdb"));
    ASSERT_TRUE(db.open(QIODevice::WriteOnly));
    db.close();
    const SetupOutcome r = attachExistingDatabase(at("old.mdb"));
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.message, "没有找到文件scro.dat");
    EXPECT_EQ(r.title, "小错误...");
    EXPECT_FALSE(QFile::exists(at("system.txt")));
    EXPECT_TRUE(state().DatabasePath.isEmpty());
    EXPECT_TRUE(state().SchoolName.isEmpty());
}

TEST_F(FirstRun, AttachWithADamagedRecordIsRefused) {
    QFile rec(at("scro.dat"));
    ASSERT_TRUE(rec.open(QIODevice::WriteOnly));
    rec.write(QByteArray(100, 'x'));
    rec.close();
    const SetupOutcome r = attachExistingDatabase(at("old.mdb"));
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.title, "小错误...");
    EXPECT_FALSE(QFile::exists(at("system.txt")));
}

TEST_F(FirstRun, CreationIntoAMissingFolderLeavesNothingBehind) {
    const SetupOutcome r = createSchoolDatabase(school(at("没有的文件夹/学生成绩库.mdb")));
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.message.startsWith(creationFailedMessage({})));
    EXPECT_EQ(r.title, "提示");
    EXPECT_TRUE(files().isEmpty()) << files().join(',').toStdString();
    EXPECT_TRUE(state().DatabasePath.isEmpty());
}

// A subject named like a fixed field cannot be a second column of that name:
// the engine refuses the table after scro.dat was already written.
TEST_F(FirstRun, CreationFailingInTheEngineRemovesTheRecordAndTheDatabase) {
    NewSchool s = school(at("学生成绩库.mdb"));
    s.subjects = {"语文", "总分"};
    const SetupOutcome r = createSchoolDatabase(s);
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(files().isEmpty()) << files().join(',').toStdString();
    EXPECT_TRUE(state().SchoolName.isEmpty());
}

TEST_F(FirstRun, FailedCreationPutsBackTheFilesThatWereThere) {
    WriteSchoolSettings(dir.path(), 1, 1, 1, "原来的学校", "pw");
    WriteDatabaseLocator("/elsewhere/原来的.mdb");
    NewSchool s = school(at("学生成绩库.mdb"));
    s.subjects = {"总分"};
    EXPECT_FALSE(createSchoolDatabase(s).ok);
    EXPECT_EQ(ReadSchoolSettings(dir.path())->schoolName, "原来的学校");
    EXPECT_EQ(ReadDatabaseLocator(), "/elsewhere/原来的.mdb");
    EXPECT_FALSE(QFile::exists(at("学生成绩库.mdb")));
}

} // namespace

namespace {

using platform::db::Database;
using platform::db::DbError;

TEST_F(FirstRun, CreationMakesTheTablesRowsAndBothSettingsFiles) {
    WriteDatabaseLocator("/somewhere/else.mdb");  // replaced by the new one
    NewSchool s = school(at("学生成绩库.mdb"));
    s.subjects = {"语文", "数学", "英语"};
    s.grades = {"2004", "2005", "2006"};
    s.classes = {"2004级01班", "2005级01班", "2006级01班", "2006级02班"};
    s.password = " pw ";
    const SetupOutcome r = createSchoolDatabase(s);
    ASSERT_TRUE(r.ok) << r.message.toStdString();

    const ProgramState& st = state();
    EXPECT_EQ(st.SchoolName, "实验中学");
    EXPECT_EQ(st.DatabasePath, at("学生成绩库.mdb"));
    EXPECT_EQ(st.DatabaseFolder, dir.path());
    EXPECT_EQ(st.DatabasePassword, "pw");
    EXPECT_EQ(st.GradeCount, 3);
    EXPECT_EQ(st.ClassCount, 4);
    EXPECT_EQ(st.SubjectCount, 3);
    EXPECT_EQ(ReadDatabaseLocator(), at("学生成绩库.mdb"));
    const auto settings = ReadSchoolSettings(dir.path());
    ASSERT_TRUE(settings.has_value());
    EXPECT_EQ(settings->schoolName, "实验中学");
    EXPECT_EQ(settings->password, "pw");
    EXPECT_EQ(settings->classCount, 4);

    EXPECT_THROW(Database::open(st.DatabasePath, ""), DbError);
    const auto db = Database::open(st.DatabasePath, "pw");
    EXPECT_EQ(db->tableNames(),
              QStringList({"成绩表", "绝对成绩表", "相对成绩表", "年级表", "班级表", "教师表", "状态表"}));
    for (const QString table : {"成绩表", "绝对成绩表", "相对成绩表"}) {
        const auto def = db->tableDef(table);
        ASSERT_EQ(def.fields.size(), 13u);
        EXPECT_EQ(def.fields[10].name, "语文");
        EXPECT_EQ(def.fields[12].name, "英语");
        EXPECT_EQ(db->scalar("SELECT COUNT(*) FROM " + table).toInt(), 0);
    }
    EXPECT_EQ(db->tableDef("教师表").fields.size(), 55u);

    const auto grades = db->query("SELECT 年级, 语文, 数学, 英语 FROM 年级表 ORDER BY rowid");
    ASSERT_EQ(grades.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(grades[i][0].toString(), s.grades[i]);
        for (int j = 1; j <= 3; ++j) EXPECT_EQ(grades[i][j].toDouble(), 100.0);
    }
    const auto classes = db->query("SELECT 年级, 班, 语文, 英语 FROM 班级表 ORDER BY rowid");
    ASSERT_EQ(classes.size(), 4u);
    EXPECT_EQ(classes[0][0].toString(), "2004");
    EXPECT_EQ(classes[0][1].toString(), "01");
    EXPECT_TRUE(classes[0][2].isNull());
    EXPECT_TRUE(classes[0][3].isNull());
    EXPECT_EQ(classes[3][0].toString(), "2006");
    EXPECT_EQ(classes[3][1].toString(), "02");

    const auto rows = db->query("SELECT 说明, 状态 FROM 状态表 ORDER BY rowid");
    ASSERT_EQ(rows.size(), 37u);
    EXPECT_EQ(rows[0][0].toString(), "学校名称");
    EXPECT_EQ(rows[0][1].toString(), "实验中学");
    EXPECT_EQ(rows[10][1].toString(), "2000年第二学年度期未考试");
    EXPECT_EQ(rows[34][0].toString(), "解锁");
    EXPECT_EQ(rows[34][1].toString(), "0");
    EXPECT_EQ(rows[36][0].toString(), "考号长度");
    EXPECT_EQ(rows[36][1].toString(), "0");
}

TEST_F(FirstRun, AnEmptyPasswordMakesADatabaseWithoutOne) {
    ASSERT_TRUE(createSchoolDatabase(school(at("学生成绩库.mdb"))).ok);
    EXPECT_TRUE(state().connectionText().endsWith("Jet OLEDB:Database Password="));
    const auto db = Database::openConnectionText(state().connectionText());
    EXPECT_FALSE(db->hasPassword());
    EXPECT_EQ(db->tableNames().size(), 7);
}

TEST(SchoolFixtureTest, GivesAnOpenSchoolDatabase) {
    QString folder;
    {
        SchoolFixture school({"语文", "数学"}, {"2004", "2005"}, {"2004级01班", "2005级01班"}, "abc");
        ASSERT_TRUE(school.db());
        folder = school.folder();
        EXPECT_EQ(programFolder(), folder);
        EXPECT_EQ(state().DatabasePath, school.databasePath());
        EXPECT_EQ(state().DatabasePassword, "abc");
        EXPECT_EQ(state().SchoolName, SchoolFixture::kSchoolName);
        EXPECT_EQ(school.db()->scalar("SELECT COUNT(*) FROM 班级表").toInt(), 2);
        EXPECT_TRUE(QFile::exists(folder + "/scro.dat"));
        EXPECT_TRUE(QFile::exists(folder + "/system.txt"));
    }
    EXPECT_TRUE(state().DatabasePath.isEmpty());
    EXPECT_FALSE(QDir(folder).exists());
}

} // namespace
