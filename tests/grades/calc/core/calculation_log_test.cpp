// The calculation's log takes the place of the previous run's only when it
// was written whole.
#include "grades/calc/core/calculation_log.h"

#include "support/failing_file.h"
#include "support/test_files.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(CalculationLogFile, AFullDiskKeepsThePreviousRunsLogAndSaysWhy) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("记算过程中产生的数据.txt"));
    testsupport::writeFileBytes(path, "previous run");
    CalculationLog log;
    {
        const FileSizeLimit full(16);
        ASSERT_TRUE(log.open(path));
        log.write(QStringLiteral("20040001 2004.01  张三   "));
        log.endLines(2);
        EXPECT_FALSE(log.close());
    }
    EXPECT_EQ(log.errorText(), QStringLiteral("文件太大"));
    EXPECT_EQ(testsupport::readFileBytes(path), "previous run");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("记算过程中产生的数据.txt")});

    // With room the new log replaces it, and an empty one (a run stopped at once) too.
    ASSERT_TRUE(log.open(path));
    log.write(QStringLiteral("张三"));
    log.endLines();
    EXPECT_TRUE(log.close());
    EXPECT_EQ(testsupport::readFileBytes(path), QByteArray("\xD5\xC5\xC8\xFD\r\n"));
    ASSERT_TRUE(log.open(path));
    EXPECT_TRUE(log.close());
    EXPECT_EQ(testsupport::readFileBytes(path), QByteArray());
}
