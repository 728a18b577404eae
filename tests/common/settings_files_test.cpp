#include "common/settings_files.h"
#include "platform/text/gbk.h"
#include "platform/text/profile.h"
#include "support/failing_file.h"
#include "support/program_folder.h"
#include "support/special_files.h"
#include "support/test_files.h"

#include <QDir>
#include <QFile>
#include <QtEndian>
#include <bit>
#include <functional>
#include <gtest/gtest.h>

namespace {

int16_t int16At(const QByteArray& b, int at) { return qFromLittleEndian<int16_t>(b.constData() + at); }
float singleAt(const QByteArray& b, int at) {
    return std::bit_cast<float>(qFromLittleEndian<uint32_t>(b.constData() + at));
}

class SettingsFiles : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
    }
    QString locator() const { return dir.path() + "/system.txt"; }
    QString record() const { return dir.path() + "/scro.dat"; }
    TemporaryProgramFolder dir;
};

TEST(SettingsFolders, FolderOfSplitsAtTheLastSeparatorOfEitherKind) {
    EXPECT_EQ(folderOf("/home/school/学生成绩库.mdb"), "/home/school");
    EXPECT_EQ(folderOf("C:\\数据\\学生成绩库.mdb"), "C:\\数据");
    EXPECT_EQ(folderOf("/a\\b/c.mdb"), "/a\\b");
    EXPECT_EQ(folderOf("学生成绩库.mdb"), "");
}

TEST_F(SettingsFiles, LocatorHoldsExactlyTheGbkBytesOfAChinesePath) {
    const QString path = dir.path() + "/我的 数据/学生成绩库.mdb";
    WriteDatabaseLocator(path);
    const QByteArray bytes = testsupport::readFileBytes(locator());
    EXPECT_EQ(bytes, platform::toGbk(path));
    EXPECT_TRUE(bytes.endsWith(QByteArray::fromHex("d1a7c9fab3c9bca8bfe22e6d6462")));  // 学生成绩库.mdb
    EXPECT_FALSE(bytes.contains('\n'));
    EXPECT_FALSE(bytes.contains('\r'));
    EXPECT_EQ(ReadDatabaseLocator(), path);
}

TEST_F(SettingsFiles, ShorterPathOverALongerOneLeavesNoOldBytes) {
    WriteDatabaseLocator("/一个很长很长的文件夹名字/再一层/学生成绩库.mdb");
    WriteDatabaseLocator("/d/库.mdb");
    EXPECT_EQ(testsupport::readFileBytes(locator()), platform::toGbk("/d/库.mdb"));
    EXPECT_EQ(ReadDatabaseLocator(), "/d/库.mdb");
}

TEST_F(SettingsFiles, LocatorMissingEmptyOrBlankNamesNoDatabase) {
    EXPECT_FALSE(ReadDatabaseLocator().has_value());
    for (const QByteArray& content : {QByteArray(), QByteArray("   ")}) {
        testsupport::writeFileBytes(locator(), content);
        EXPECT_FALSE(ReadDatabaseLocator().has_value()) << content.size();
    }
    testsupport::writeFileBytes(locator(), "  /x/y.mdb ");
    EXPECT_EQ(ReadDatabaseLocator(), "/x/y.mdb");
}

TEST_F(SettingsFiles, LocatorPathGbkCannotHoldKeepsTheOldFile) {
    WriteDatabaseLocator("/d/old.mdb");
    EXPECT_THROW(WriteDatabaseLocator("/d/😀.mdb"), platform::GbkError);
    EXPECT_EQ(ReadDatabaseLocator(), "/d/old.mdb");
}

TEST_F(SettingsFiles, NewRecordLayout) {
    const QString pw = WriteSchoolSettings(dir.path(), 3, 12, 9, "ABCD", "abc");
    EXPECT_EQ(pw, "abc");
    const QByteArray b = testsupport::readFileBytes(record());
    ASSERT_EQ(b.size(), 510);
    EXPECT_EQ(int16At(b, 36), 3);
    EXPECT_EQ(int16At(b, 38), 12);
    EXPECT_EQ(int16At(b, 40), 9);
    const int16_t name[4] = {65, 66 + 35, 67, 68};
    for (int i = 0; i < 40; ++i) EXPECT_EQ(int16At(b, 130 + 2 * i), i < 4 ? name[i] : 32) << i;
    const float password[3] = {97, 98, 99};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(singleAt(b, 210 + 4 * i), i < 3 ? password[i] : 32.0f) << i;
    EXPECT_EQ(singleAt(b, 242), 0.0f);
    EXPECT_EQ(singleAt(b, 246), 0.0f);
    // Filler: nine Singles in front, 65 behind, each in [0, 100).
    for (int at : {0, 4, 32, 250, 254, 506}) {
        const float v = singleAt(b, at);
        EXPECT_TRUE(v >= 0.0f && v < 100.0f) << at << " " << v;
    }

    const auto s = ReadSchoolSettings(dir.path());
    ASSERT_TRUE(s.has_value());
    EXPECT_EQ(s->gradeCount, 3);
    EXPECT_EQ(s->classCount, 12);
    EXPECT_EQ(s->subjectCount, 9);
    EXPECT_EQ(s->schoolName, "ABCD");
    EXPECT_EQ(s->password, "abc");
    EXPECT_EQ(s->studentCount, 0.0f);
    EXPECT_EQ(s->teacherCount, 0.0f);
}

TEST_F(SettingsFiles, TwentyChineseCharactersAsNegativeCodes) {
    const QString name = "北京市海淀区第一中学实验学校高中部分校";
    ASSERT_EQ(name.size(), 19);
    const QString twenty = name + "中";
    WriteSchoolSettings(dir.path(), 1, 1, 1, twenty, {});
    const QByteArray b = testsupport::readFileBytes(record());
    for (int i = 0; i < 20; ++i) {
        const int expected = *platform::gbkCharCode(twenty.mid(i, 1)) + (i == 1 ? 35 : 0);
        EXPECT_LT(int16At(b, 130 + 2 * i), 0) << i;
        EXPECT_EQ(int16At(b, 130 + 2 * i), expected) << i;
    }
    EXPECT_EQ(int16At(b, 130 + 2 * 19), -10544);  // 中
    for (int i = 20; i < 40; ++i) EXPECT_EQ(int16At(b, 130 + 2 * i), 32) << i;
    EXPECT_EQ(ReadSchoolSettings(dir.path())->schoolName, twenty);
}

TEST_F(SettingsFiles, PasswordCases) {
    struct Case { QString typed; QString inUse; QString stored8; };
    const Case cases[] = {
        {"abc", "abc", "abc     "},
        {"0123456789", "01234567", "01234567"},
        {"", "", "        "},
        {" pw", "pw", " pw     "},
        {"密码12", "密码12", "密码12    "},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(WriteSchoolSettings(dir.path(), 1, 1, 1, "学校名称", c.typed), c.inUse) << c.typed.toStdString();
        const QByteArray b = testsupport::readFileBytes(record());
        for (int i = 0; i < 8; ++i)
            EXPECT_EQ(singleAt(b, 210 + 4 * i), *platform::gbkCharCode(c.stored8.mid(i, 1)))
                << c.typed.toStdString() << " " << i;
        EXPECT_EQ(ReadSchoolSettings(dir.path())->password, c.inUse) << c.typed.toStdString();
    }
}

TEST_F(SettingsFiles, InPlaceRewritesTouchOnlyTheirBytes) {
    WriteSchoolSettings(dir.path(), 2, 5, 3, "一所学校", "old");
    const QByteArray before = testsupport::readFileBytes(record());

    ASSERT_TRUE(StoreStudentCount(dir.path(), 350));
    QByteArray after = testsupport::readFileBytes(record());
    ASSERT_EQ(after.size(), 510);
    EXPECT_EQ(singleAt(after, 242), 350.0f);
    for (int i = 0; i < 510; ++i) {
        if (i < 242 || i > 245) { ASSERT_EQ(after[i], before[i]) << "offset " << i; }
    }

    const QByteArray beforePassword = after;
    ASSERT_TRUE(StoreAdministratorPassword(dir.path(), "新密码"));
    after = testsupport::readFileBytes(record());
    ASSERT_EQ(after.size(), 510);
    for (int i = 0; i < 510; ++i) {
        if (i < 210 || i > 241) { ASSERT_EQ(after[i], beforePassword[i]) << "offset " << i; }
    }
    const auto s = ReadSchoolSettings(dir.path());
    EXPECT_EQ(s->password, "新密码");
    EXPECT_EQ(s->schoolName, "一所学校");
    EXPECT_EQ(s->studentCount, 350.0f);
}

TEST_F(SettingsFiles, InPlaceRewritesRefuseAMissingOrShortRecord) {
    EXPECT_FALSE(StoreStudentCount(dir.path(), 10));
    EXPECT_FALSE(StoreAdministratorPassword(dir.path(), "x"));
    EXPECT_FALSE(QFile::exists(record()));

    testsupport::writeFileBytes(record(), QByteArray(200, ' '));
    EXPECT_FALSE(StoreStudentCount(dir.path(), 10));
    EXPECT_FALSE(StoreAdministratorPassword(dir.path(), "x"));
    EXPECT_EQ(testsupport::readFileBytes(record()), QByteArray(200, ' '));
}

TEST_F(SettingsFiles, MissingOrDamagedRecord) {
    EXPECT_FALSE(ReadSchoolSettings(dir.path()).has_value());
    EXPECT_FALSE(QFile::exists(record()));  // reading never creates it
    testsupport::writeFileBytes(record(), QByteArray(249, '\0'));
    EXPECT_THROW(ReadSchoolSettings(dir.path()), platform::FileError);
}

// A whole record of zeros has every field's length but no written character in it:
// each reader must call it damaged, never hand back a blank password that lets anyone in.
TEST_F(SettingsFiles, ZeroedRecordIsDamagedForEveryReader) {
    testsupport::writeFileBytes(record(), QByteArray(510, '\0'));
    EXPECT_THROW(ReadSchoolSettings(dir.path()), platform::FileError);
    EXPECT_THROW(ReadAdministratorPassword(dir.path()), platform::FileError);

    // Zeros in the password alone are enough.
    WriteSchoolSettings(dir.path(), 1, 1, 1, "学校名称", "");
    QByteArray bytes = testsupport::readFileBytes(record());
    bytes.replace(210, 32, QByteArray(32, '\0'));
    testsupport::writeFileBytes(record(), bytes);
    EXPECT_THROW(ReadAdministratorPassword(dir.path()), platform::FileError);
    EXPECT_THROW(ReadSchoolSettings(dir.path()), platform::FileError);
}

TEST_F(SettingsFiles, AFailedWriteKeepsTheOldRecord) {
    WriteSchoolSettings(dir.path(), 1, 1, 1, "老的学校", "");
    EXPECT_THROW(WriteSchoolSettings(dir.path(), 1, 1, 1, "新的😀学校", ""), platform::GbkError);
    EXPECT_EQ(ReadSchoolSettings(dir.path())->schoolName, "老的学校");
    EXPECT_THROW(WriteSchoolSettings(dir.path() + "/没有的文件夹", 1, 1, 1, "学校名称", ""),
                 platform::FileError);
}

TEST_F(SettingsFiles, AFullDiskKeepsSystemTxtAndScroDatAsTheyWere) {
    WriteDatabaseLocator("/old/学生成绩库.mdb");
    WriteSchoolSettings(dir.path(), 1, 1, 1, "老的学校", "old");
    const QByteArray locatorBefore = testsupport::readFileBytes(locator());
    const QByteArray recordBefore = testsupport::readFileBytes(record());
    {
        const FileSizeLimit full(64);   // less than either new file
        try {
            WriteDatabaseLocator("/" + QString(100, u'长') + "/学生成绩库.mdb");
            ADD_FAILURE() << "system.txt written";
        } catch (const platform::FileError& e) {
            EXPECT_EQ(e.text(), "不能写入文件 " + locator() + ": 文件太大");
        }
        EXPECT_THROW(WriteSchoolSettings(dir.path(), 2, 2, 2, "新的学校", "new"), platform::FileError);
    }
    EXPECT_EQ(testsupport::readFileBytes(locator()), locatorBefore);
    EXPECT_EQ(testsupport::readFileBytes(record()), recordBefore);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList({"scro.dat", "system.txt"}));
}

} // namespace

// A FIFO in place of system.txt, scro.dat or 参数设置.ini (left by a user or
// another program) is neither read nor waited on: each reader takes it as a
// missing or damaged file, and each in-place write refuses it. The FIFO would
// give a sound file's bytes to a reader that opened it.
TEST_F(SettingsFiles, AFifoInPlaceOfAFileIsNeitherReadNorWaitedOn) {
    const QString folder = dir.path();
    WriteDatabaseLocator(folder + "/学生成绩库.mdb");
    QFile(folder + "/学生成绩库.mdb").open(QIODevice::WriteOnly);
    WriteSchoolSettings(folder, 1, 1, 1, "学校", "pw");
    const QString ini = folder + "/参数设置.ini";
    ASSERT_TRUE(platform::writeProfileString(ini, "JiGuan", "Total", "3"));
    struct Case {
        const char* name;
        QString file;
        std::function<void()> check;
    };
    const auto damaged = [](const std::function<void()>& read) { EXPECT_THROW(read(), platform::FileError); };
    // One read a row: the FIFO gives its bytes once.
    const Case cases[] = {
        {"system.txt, LocateDatabase", locator(), [] { EXPECT_FALSE(LocateDatabase().has_value()); }},
        {"system.txt, ReadDatabaseLocator", locator(), [&] { damaged([] { ReadDatabaseLocator(); }); }},
        {"scro.dat, ReadSchoolSettings", record(), [&] { damaged([&] { ReadSchoolSettings(folder); }); }},
        {"scro.dat, ReadAdministratorPassword", record(), [&] { damaged([&] { ReadAdministratorPassword(folder); }); }},
        {"scro.dat, StoreStudentCount", record(), [&] { EXPECT_FALSE(StoreStudentCount(folder, 7)); }},
        {"scro.dat, StoreAdministratorPassword", record(),
         [&] { EXPECT_FALSE(StoreAdministratorPassword(folder, "x")); }},
        {"参数设置.ini, read", ini, [&] { EXPECT_EQ(platform::readProfileString(ini, "JiGuan", "Total"), ""); }},
        {"参数设置.ini, write", ini,
         [&] { EXPECT_FALSE(platform::writeProfileString(ini, "JiGuan", "Total", "4")); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QByteArray sound = testsupport::readFileBytes(c.file);
        ASSERT_FALSE(sound.isEmpty());
        {
            const FifoFeeder fifo(c.file);
            c.check();
            EXPECT_TRUE(isSpecialFile(c.file, 'p'));
        }
        ASSERT_TRUE(QFile::remove(c.file));
        testsupport::writeFileBytes(c.file, sound);
    }
}
