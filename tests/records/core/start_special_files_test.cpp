// A FIFO where the start reads system.txt or scro.dat: the start ends with
// the message for a missing or damaged file at once, never waiting on it.
#include "common/settings_files.h"
#include "records/core/records_database.h"

#include "support/school_fixture.h"
#include "support/special_files.h"

#include <gtest/gtest.h>

TEST(RecordsStartFiles, AFifoInPlaceOfSystemTxtOrScroDatIsTakenAsMissingOrDamaged) {
    struct Case {
        const char* name;
        bool locator;
        const char* message;
    };
    const Case cases[] = {
        {"system.txt", true, "没有找到指定的数据库，请首先运行Orbisca！"},
        {"scro.dat", false, "文件scro.dat已损坏"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SchoolFixture school;
        const QString file = c.locator ? locatorFilePath() : settingsFilePath(school.folder());
        // The FIFO gives the sound file's bytes to a reader that opens it.
        const FifoFeeder fifo(file);
        const auto read = records::ReadDatabaseLocation();
        ASSERT_TRUE(std::holds_alternative<records::StartFailure>(read));
        EXPECT_EQ(std::get<records::StartFailure>(read).message, QString::fromUtf8(c.message));
    }
}
