// A FIFO where the start reads system.txt or scro.dat: the start ends with
// the message for a missing or damaged file at once, never waiting on it.
#include "common/settings_files.h"
#include "grades/frame/core/form2_startup.h"

#include "support/school_fixture.h"
#include "support/special_files.h"

#include <gtest/gtest.h>

TEST(StartupFiles, AFifoInPlaceOfSystemTxtOrScroDatIsTakenAsMissingOrDamaged) {
    struct Case {
        const char* name;
        bool locator;
        const char* message;
    };
    const Case cases[] = {
        {"system.txt", true, "没有找到指定的数据库，请重新起动本程序！"},
        {"scro.dat", false, "文件scro.dat已损坏，请重新起动本程序！"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SchoolFixture school;
        const QString file = c.locator ? locatorFilePath() : settingsFilePath(school.folder());
        // The FIFO gives the sound file's bytes to a reader that opens it.
        const FifoFeeder fifo(file);
        const auto read = form2::readStartupFiles();
        ASSERT_TRUE(std::holds_alternative<form2::StartupFailure>(read));
        EXPECT_EQ(std::get<form2::StartupFailure>(read).text, QString::fromUtf8(c.message));
    }
}
