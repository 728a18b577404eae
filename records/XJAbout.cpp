#include "records/XJAbout.h"

#include "platform/ui/build_control.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/system_info.h"
#include "platform/ui/twips.h"
#include "records/core/Tavisk.h"
#include "records/pictures.h"

#include <QFrame>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

namespace {

QFrame* separator(QWidget* parent, const QColor& colour, int top) {
    auto* line = new QFrame(parent);
    line->setGeometry(platform::twipsRect(90, top, 5564, 15));
    line->setAutoFillBackground(true);
    QPalette pal = line->palette();
    pal.setColor(QPalette::Window, colour);
    line->setPalette(pal);
    return line;
}

} // namespace

XJAbout::XJAbout(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("XJAbout"));
    platform::resizeTwips(*this, 5760, 3000);
    setFixedSize(size());
    picIcon = new QLabel(this);
    picIcon->setObjectName(QStringLiteral("picIcon"));
    picIcon->setPixmap(records::recordsPicture(1, 32));
    picIcon->setGeometry(platform::twipsRect(240, 240, 540, 540));
    lblTitle = new QLabel(this);
    lblTitle->setObjectName(QStringLiteral("lblTitle"));
    QFont title = font();
    title.setPointSize(16);
    title.setBold(true);
    lblTitle->setFont(title);
    lblTitle->setGeometry(platform::twipsRect(1050, 240, 4400, 480));
    lblVersion = new QLabel(this);
    lblVersion->setObjectName(QStringLiteral("lblVersion"));
    lblVersion->setGeometry(platform::twipsRect(1050, 780, 4400, 300));
    Line1_1 = separator(this, QColor(128, 128, 128), 1680);
    Line1_1->setObjectName(QStringLiteral("Line1_1"));
    Line1_0 = separator(this, Qt::white, 1695);
    Line1_0->setObjectName(QStringLiteral("Line1_0"));
    cmdOK = new QPushButton(QStringLiteral("确定"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setGeometry(platform::twipsRect(4245, 1950, 1260, 345));
    cmdSysInfo = new QPushButton(QStringLiteral("系统信息(&S)..."), this);
    cmdSysInfo->setObjectName(QStringLiteral("cmdSysInfo"));
    cmdSysInfo->setGeometry(platform::twipsRect(4125, 2400, 1380, 345));   // room for its caption in today's fonts
    connect(cmdOK, &QPushButton::clicked, this, &XJAbout::cmdOK_Click);
    connect(cmdSysInfo, &QPushButton::clicked, this, &XJAbout::cmdSysInfo_Click);
}

void XJAbout::Form_Load() {
    setWindowTitle(QStringLiteral("关于 ") + platform::programTitle());
    lblVersion->setText(platform::versionText());
    lblTitle->setText(platform::programTitle());
}

void XJAbout::cmdOK_Click() { close(); }

void XJAbout::cmdSysInfo_Click() { platform::StartSysInfo(); }

HelpNote::HelpNote(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("HelpNote"));
    setWindowTitle(QStringLiteral("注意事项"));
    platform::resizeTwips(*this, 5400, 2400);
    text1 = platform::buildControl<QPlainTextEdit>(this, "text1");
    text1->setReadOnly(true);
}

void HelpNote::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    text1->setGeometry(rect());
}

QString HelpNote::noteText(const QString& settingsFilePath) {
    return QStringLiteral("为了减少输入量，系统会自动帮助你完成一些输入过程，这些自动完成的数据，保存在 ") +
           settingsFilePath + QStringLiteral(" 文件中，你可以修改它，也可以将其删除以回到原始状态。") +
           QStringLiteral("\r\n");
}

void HelpNote::Form_Load() {
    text1->clear();
    text1->setPlainText(QString(noteText(Tavisk::state().SettingsFilePath)).remove(QLatin1Char('\r')));
}
