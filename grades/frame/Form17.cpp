#include "grades/frame/Form17.h"

#include "common/program_state.h"
#include "common/settings_files.h"
#include "platform/text/gbk.h"
#include "platform/text/system_errors.h"
#include "platform/text/values.h"
#include "platform/text/whole_file.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/show_modeless.h"
#include "platform/ui/twips.h"

#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>

QString databasePathRefusal(const QString& path) {
    if (path.isEmpty())
        return QStringLiteral("请输入库所在的完整位置！");
    if (const int e = platform::plainFileState(path); e == platform::kNotAPlainFile)
        return platform::cannotOpenFileText(path, e);
    if (!QFileInfo(path).isFile())
        return QStringLiteral("没有找到指定的数据库，请重新选择！");
    if (!QFileInfo::exists(settingsFilePath(folderOf(path))))
        return QStringLiteral("没有找到文件scro.dat");
    return {};
}

Form17::Form17(QWidget* owner) : QDialog(owner) {
    setWindowTitle(QStringLiteral("请选择要打开的库"));
    setFixedSize(platform::twipsToPixels(5760), platform::twipsToPixels(1740));

    Label1 = new QLabel(QStringLiteral("请输入库所在的完整位置："), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(platform::twipsRect(120, 180, 3975, 255));
    Command3 = new QPushButton(QStringLiteral("浏览"), this);
    Command3->setObjectName(QStringLiteral("Command3"));
    Command3->setGeometry(platform::twipsRect(4440, 120, 1215, 375));
    Text1 = new QLineEdit(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setGeometry(platform::twipsRect(120, 600, 5535, 315));
    Command1 = new QPushButton(QStringLiteral("确定"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setGeometry(platform::twipsRect(2880, 1200, 1215, 375));
    Command1->setDefault(true);
    Command2 = new QPushButton(QStringLiteral("取消"), this);
    Command2->setObjectName(QStringLiteral("Command2"));
    Command2->setGeometry(platform::twipsRect(4440, 1200, 1215, 375));

    connect(Command1, &QPushButton::clicked, this, &Form17::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form17::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &Form17::Command3_Click);
    Form_Load();
}

Form17* Form17::showFor(QWidget* owner) {
    return platform::showModeless<Form17>(owner, [owner] {
        auto* form = new Form17(owner);
        form->setAttribute(Qt::WA_DeleteOnClose);
        return form;
    });
}

void Form17::Form_Load() {
    Text1->setText(state().DatabasePath);
}

void Form17::Command1_Click() {
    const QString p = platform::trimBlanks(Text1->text());
    if (p == state().DatabasePath) {
        close();
        return;
    }
    // A path the next start could not open would only cost the user a restart
    // and a rerun of the setup, so it is refused here; the window stays open.
    const QString refusal = databasePathRefusal(p);
    if (!refusal.isEmpty()) {
        platform::dialogs().message(refusal, platform::MsgButtons::Ok, platform::kErrorTitle);
        Text1->setFocus();
        return;
    }
    try {
        WriteDatabaseLocator(p);
    } catch (const platform::FileError& e) {
        platform::dialogs().message(e.text(), platform::MsgButtons::Ok, platform::kErrorTitle);
        return;
    } catch (const platform::GbkError& e) {
        platform::dialogs().message(e.text(), platform::MsgButtons::Ok, platform::kErrorTitle);
        return;
    }
    // The running program keeps its database, folder and password: everything
    // in this run stays on one file, and the new one is opened at the next start.
    const auto answer = platform::dialogs().message(
        QStringLiteral("关闭本程序然后重新打开，将使您的设置生效。现在就关闭本程序吗？"),
        platform::MsgButtons::YesNo, QStringLiteral("设置完成!"));
    QPointer<QWidget> owner = parentWidget() ? parentWidget()->window() : nullptr;
    close();
    if (answer == platform::MsgResult::Yes && owner)
        owner->close();
}

void Form17::Command2_Click() {
    close();
}

void Form17::Command3_Click() {
    platform::FileRequest request;
    request.title = QStringLiteral("查找数据库文件");
    request.filter = QStringLiteral("Access数据库(*.mdb)|*.mdb|所有文件(*.*)|*.*");
    request.fileName = QStringLiteral("学生成绩库.mdb");
    // A cancelled dialog leaves its preset name, which the box then shows.
    Text1->setText(platform::dialogs().openFile(request).value_or(request.fileName));
}
