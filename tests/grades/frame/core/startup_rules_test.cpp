// The start-up's rules that need no screen: the lock level and the wizard's checks.
#include "grades/frame/core/form2_startup.h"
#include "grades/frame/core/lock_rules.h"
#include "grades/frame/core/setup_wizard.h"

#include <QFile>
#include <gtest/gtest.h>

TEST(LockLevel, LimitsOnlyANormalUser) {
    struct Case { const char* row35; bool admin; std::optional<int> level; };
    const Case cases[] = {
        {"0", false, 0}, {"1", false, 1}, {"2", false, 2}, {"3", false, std::nullopt},
        {"0", true, std::nullopt}, {"2.6", false, 3}, {"x", false, 0}, {"", false, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.row35 << (c.admin ? " admin" : " user"));
        EXPECT_EQ(form2::lockLevelFor(c.row35, c.admin), c.level);
    }
}

TEST(LockLevel, LevelTextIsReadByItsLeadingNumber) {
    const std::pair<const char*, int> cases[] = {
        {"0", 0}, {"2", 2}, {"3", 3}, {"", 0}, {"abc", 0}, {" 2", 2}, {"1.5", 2}, {"2.5", 2}, {"21", 21},
    };
    for (const auto& [text, level] : cases) EXPECT_EQ(lockLevelFromText(text), level) << text;
}


TEST(WizardChecks, AFileStraightInTheRootFolderIsAnAbsolutePath) {
    ASSERT_FALSE(QFile::exists("/学生成绩库.mdb"));
    const WizardVerdict v = ValidateWizardInput(
        {"第一实验中学", "/学生成绩库.mdb", "", "", {"语文"}, {"2027"}, {"2027级01班"}});
    EXPECT_EQ(v.action, WizardVerdict::Create) << v.message.toStdString();
}
