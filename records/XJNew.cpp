#include "records/XJNew.h"

#include "platform/db/database.h"
#include "platform/ui/build_control.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/twips.h"
#include "records/core/Tavisk.h"
#include "records/core/register_update.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

XJNew::XJNew(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("XJNew"));
    setWindowTitle(QStringLiteral("更新学籍库"));
    platform::resizeTwips(*this, 5280, 2640);
    Label1 = platform::buildControl<QLabel>(
        this, "Label1", 240, 240, 4800, 900,
        QStringLiteral("    当你在Orbisca中对学生进行了增删可者改名之类的操作后，运行这一模块可以将学籍库中的数据自动更新。"));
    Label1->setWordWrap(true);
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Command1 = platform::buildControl<QPushButton>(this, "Command1", 1980, 1320, 1215, 375, QStringLiteral("开始"));
    ProgressBar1 = platform::buildControl<QProgressBar>(this, "ProgressBar1", 240, 1920, 4800, 300);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setValue(0);
    connect(Command1, &QPushButton::clicked, this, &XJNew::Command1_Click);
}

XJNew::~XJNew() = default;

void XJNew::Form_Load() { db_ = platform::db::Database::openConnectionText(Tavisk::state().DatabaseConnectString); }

void XJNew::Command1_Click() {
    if (!db_)
        return;
    const records::RegisterUpdate plan = records::planRegisterUpdate(*db_);
    if (plan.missingStudentId) {
        platform::dialogs().message(QStringLiteral("请在Orbisca中检查你的成绩库中数据的完整性，然后再运行本程序！"));
        return;
    }
    if (plan.scoreRows == 0)
        return;
    // Their birth dates, addresses and remarks go with them: the user decides.
    if (!plan.deletes.empty()) {
        const QString question =
            QStringLiteral("学籍库中有%1个学生在成绩库中已经没有了，更新将删除他们的学籍记录"
                           "（包括出生年月、联系地址、备注等）。\n要继续更新吗？")
                .arg(plan.deletes.size());
        if (platform::dialogs().message(question, platform::MsgButtons::YesNo, {}, platform::MsgIcon::Question) !=
            platform::MsgResult::Yes)
            return;
    }
    ProgressBar1->setMaximum(2 * plan.scoreRows);
    ProgressBar1->setValue(0);
    try {
        records::applyRegisterUpdate(*db_, plan, [this](int step, int maximum) {
            ProgressBar1->setMaximum(maximum);
            ProgressBar1->setValue(step);
        });
    } catch (const platform::db::DbError& e) {
        ProgressBar1->setValue(0);
        platform::dialogs().message(QStringLiteral("学籍库没有更新，一切保持原样：") + e.text(),
                                    platform::MsgButtons::Ok, platform::kErrorTitle);
        return;
    }
    platform::dialogs().message(QStringLiteral("更新完成！"));
    close();
}
