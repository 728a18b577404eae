#include "common/create_database.h"
#include "common/program_state.h"
#include "common/settings_files.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class FirstRun : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        resetState();
        setProgramFolder(dir.path());
    }
    void TearDown() override {
        resetState();
        setProgramFolder({});
    }
    QString at(const QString& name) const { return dir.path() + '/' + name; }
    NewSchool school(const QString& path) const {
        return {"  实验中学 ", path, "", {"语文", "数学"}, {"2004", "2005"}, {"2004级01班", "2005级01班"}};
    }
    QStringList files() const { return QDir(dir.path()).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot); }
    QTemporaryDir dir;
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
