#include "records/XYOutDat.h"

#include "platform/db/datacontrol.h"
#include "platform/db/recordset.h"
#include "platform/ui/build_control.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/twips.h"
#include "records/core/Tavisk.h"
#include "records/core/student_export.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

XYOutDat::XYOutDat(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("XYOutDat"));
    setWindowTitle(QStringLiteral("导出数据"));
    platform::resizeTwips(*this, 5640, 2520);
    Label1 = platform::buildControl<QLabel>(this, "Label1", 240, 180, 5160, 480,
                                  QStringLiteral("  请输入你要将显示出来的同学数据存放的位置，请使用完整的路径。"));
    Label1->setWordWrap(true);
    text1 = platform::buildControl<QLineEdit>(this, "text1", 240, 780, 3960, 300);
    Command1 = platform::buildControl<QPushButton>(this, "Command1", 4320, 750, 1080, 360, QStringLiteral("浏览"));
    Command2 = platform::buildControl<QPushButton>(this, "Command2", 2280, 1320, 1080, 375, QStringLiteral("开始"));
    ProgressBar1 = platform::buildControl<QProgressBar>(this, "ProgressBar1", 240, 1920, 5160, 300);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setValue(0);
    Adodc1 = new platform::db::DataControl(this);
    Adodc1->setObjectName(QStringLiteral("Adodc1"));
    connect(Command1, &QPushButton::clicked, this, &XYOutDat::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &XYOutDat::Command2_Click);
}

XYOutDat::~XYOutDat() = default;

void XYOutDat::Form_Load() {
    Adodc1->setConnectionString(Tavisk::state().DatabaseConnectString);
    Adodc1->setCommandType(8);
    // The user's own folder stands for the root of the system drive.
    text1->setText(QDir::homePath() + QStringLiteral("/学生学籍.txt"));
}

void XYOutDat::Command1_Click() {
    platform::FileRequest request;
    request.title = QStringLiteral("将数据文件保存为");
    request.filter = QStringLiteral("文本文件(*.TXT)|*.txt|电子表格(*.xls)|*.xls|所有文件(*.*)|*.*");
    request.fileName = text1->text();
    // The export replaces a file without asking.
    request.confirmOverwrite = false;
    if (const auto chosen = platform::dialogs().saveFile(request))
        text1->setText(*chosen);
}

void XYOutDat::Command2_Click() {
    const QString query = Tavisk::state().ListQuery;
    if (query.isEmpty()) {
        platform::dialogs().message(QStringLiteral("没有可以导出的学生！"));
        close();
        return;
    }
    Adodc1->setRecordSource(query);
    Adodc1->refresh();
    platform::db::Recordset* rs = Adodc1->recordset();
    if (!rs || rs->recordCount() == 0) {
        platform::dialogs().message(QStringLiteral("可导出的学生数为零！"));
        return;
    }
    const QString path = text1->text();
    if (path.isEmpty())
        return;
    ProgressBar1->setMaximum(rs->recordCount());
    ProgressBar1->setValue(0);
    const records::ExportResult result =
        records::exportStudents(*rs, path, [this](int written) { ProgressBar1->setValue(written); });
    if (!result.ok) {
        ProgressBar1->setValue(0);
        platform::dialogs().message(QStringLiteral("导出没有成功，原有的文件没有改变。\n") + result.error,
                                    platform::MsgButtons::Ok, platform::kErrorTitle);
        return;
    }
    platform::dialogs().message(QStringLiteral("成功导出"));
    close();
}
