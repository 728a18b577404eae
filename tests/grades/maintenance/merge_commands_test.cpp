// 导入本系统的数据 on the real main window: the right, the open dialog, the
// question, the finishing of the visible panel and the counts.
#include "common/program_state.h"
#include "grades/app/main_window.h"
#include "grades/frame/Form2.h"
#include "platform/db/database.h"
#include "support/dialog_double.h"
#include "support/old_databases.h"
#include "support/school_fixture.h"

#include <QAction>
#include <QCryptographicHash>
#include <QFile>
#include <gtest/gtest.h>
#include "support/test_files.h"

using platform::MsgResult;

namespace {

const QString kQuestion = QStringLiteral("如果有相同的记录,是否将其覆盖?");

using testsupport::fileHash;

struct MergeCommand : ::testing::Test {
    SchoolFixture other{{"语文", "数学"}, {"2005"}, {"2005级01班", "2005级02班"}};
    SchoolFixture school{{"语文", "数学"}, {"2004"}, {"2004级01班"}, QStringLiteral("pw")};
    std::unique_ptr<Form2> window = makeMainWindow();
    Form2& w = *window;
    DialogDouble dialogs;

    MergeCommand() {
        w.ConnectDataControls();
        school.db()->insertRow("成绩表", {"STID", "年级", "班", "姓名"}, {"20040001", "2004", "01", "张三"});
        for (int i = 1; i <= 3; ++i)
            other.db()->insertRow("成绩表", {"STID", "年级", "班", "姓名", "语文"},
                                  {QStringLiteral("2005000%1").arg(i), "2005", "01", QStringLiteral("学生%1").arg(i), 80 + i});
        other.db()->insertRow("教师表", {"姓名"}, {"李老师"});
        state().IsAdministrator = -1;
    }
    void run() { w.menuItem(QStringLiteral("menuin1"))->trigger(); }
    int rows(const char* table) {
        return school.db()->scalar(QStringLiteral("SELECT COUNT(*) FROM [%1]").arg(QString::fromUtf8(table))).toInt();
    }
};

TEST_F(MergeCommand, MergesAfterTheQuestionAndSetsTheCounts) {
    w.openPanel(2);
    const QByteArray sourceBefore = fileHash(other.databasePath());
    dialogs.chooseFile(other.databasePath()).answerMessage(MsgResult::No, kQuestion).answerMessage();
    run();
    const auto& asked = dialogs.shown().front();
    EXPECT_EQ(asked.kind, "open");
    EXPECT_EQ(asked.file.filter, QStringLiteral("Access数据库(*.mdb)|*.mdb|所有文件(*.*)|*.*"));
    EXPECT_EQ(dialogs.lastTitle(), platform::kPromptTitle);
    EXPECT_TRUE(dialogs.lastMessage().startsWith(QStringLiteral("数据导入完成,你可以进行其它操作了。")));
    EXPECT_TRUE(dialogs.lastMessage().contains(QStringLiteral("成绩表: 新增3条, 覆盖0条, 未改变0条。")))
        << dialogs.lastMessage().toStdString();
    EXPECT_EQ(w.visiblePanel(), 0);
    EXPECT_EQ(rows("成绩表"), 4);
    EXPECT_EQ(state().GradeCount, 2);
    EXPECT_EQ(state().ClassCount, 3);
    EXPECT_EQ(state().StudentCount, 4.0f);
    EXPECT_EQ(state().TeacherCount, 1.0f);
    EXPECT_EQ(fileHash(other.databasePath()), sourceBefore);
}

TEST_F(MergeCommand, NormalUserCancelAndUnusableFileChangeNothing) {
    w.openPanel(2);
    const QByteArray before = fileHash(school.databasePath());

    state().IsAdministrator = 0;
    dialogs.answerMessage(MsgResult::Ok, QStringLiteral("只有系统管理员才有权使用本功能。"));
    run();
    EXPECT_EQ(dialogs.shown().size(), 1u);   // no file dialog

    state().IsAdministrator = -1;
    dialogs.cancelDialog();
    run();
    EXPECT_EQ(dialogs.shown().size(), 2u);

    dialogs.chooseFile(school.databasePath()).answerMessage();
    run();
    EXPECT_EQ(dialogs.lastTitle(), QStringLiteral("无法打开数据文件"));
    EXPECT_TRUE(dialogs.lastMessage().contains(QStringLiteral("当前正在使用的数据库")));

    // An old Access file opens but is not a database of this system.
    const QString old = testsupport::copyOldDatabase(QStringLiteral("trading-jet3.mdb"), other.folder());
    dialogs.chooseFile(old).answerMessage();
    run();
    EXPECT_EQ(dialogs.lastTitle(), QStringLiteral("无法打开数据文件"));
    EXPECT_EQ(dialogs.lastMessage(), QStringLiteral("这个数据文件不是本系统的数据库,缺少: 年级表、班级表、成绩表、教师表。"));

    EXPECT_EQ(w.visiblePanel(), 2);
    EXPECT_EQ(rows("成绩表"), 1);
    EXPECT_EQ(fileHash(school.databasePath()), before);
}

} // namespace
