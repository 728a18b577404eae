#include "platform/ui/export_excel.h"

#include "support/dialog_double.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(ExportExcel, ShowsItsNoticeOnceAndReportsFailureWithoutWritingAFile) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("成绩.xls"));
    DialogDouble d;
    d.answerMessage(platform::MsgResult::Ok,
                    QStringLiteral("由于这一模块的速度实在太慢而且存在兼容性差的毛病,因此它已被打印中的导出功能所代替."));
    EXPECT_EQ(ExportExcel(file, QStringLiteral("考号"), 1), 1);
    ASSERT_EQ(d.shown().size(), 1u);
    EXPECT_EQ(d.lastTitle(), platform::programTitle());
    EXPECT_EQ(d.shown()[0].buttons, platform::MsgButtons::Ok);
    EXPECT_TRUE(QDir(dir.path()).isEmpty());
}
