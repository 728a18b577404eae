#include "grades/frame/frmAbout.h"

#include "platform/ui/dialogs.h"
#include "platform/ui/system_info.h"
#include "platform/ui/twips.h"

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QStyle>

namespace {

QFrame* separatorLine(QWidget* parent, const QColor& color, int top, int thickness) {
    auto* line = new QFrame(parent);
    line->setGeometry(platform::twipsRect(90, top, 5654 - 90, 15 * thickness));
    line->setAutoFillBackground(true);
    QPalette pal = line->palette();
    pal.setColor(QPalette::Window, color);
    line->setPalette(pal);
    return line;
}

} // namespace

frmAbout::frmAbout(QWidget* parent) : QDialog(parent) {
    platform::resizeTwips(*this, 5970, 4080);
    setFixedSize(size());

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(platform::twipsRect(120, 240, 1320, 1200));
    Image1->setScaledContents(true);
    QIcon icon = QApplication::windowIcon();
    if (icon.isNull())
        icon = style()->standardIcon(QStyle::SP_ComputerIcon);
    Image1->setPixmap(icon.pixmap(Image1->size()));

    lblTitle = new QLabel(this);
    lblTitle->setObjectName(QStringLiteral("lblTitle"));
    lblTitle->setGeometry(platform::twipsRect(1800, 120, 3885, 480));
    QFont titleFont(QStringLiteral("宋体"));
    titleFont.setPointSize(18);
    titleFont.setBold(true);
    lblTitle->setFont(titleFont);
    QPalette red = lblTitle->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    lblTitle->setPalette(red);

    lblVersion = new QLabel(this);
    lblVersion->setObjectName(QStringLiteral("lblVersion"));
    lblVersion->setGeometry(platform::twipsRect(1680, 600, 3885, 225));

    lblDescription = new QLabel(
        QStringLiteral("   本程序能完成从考号的编写,成绩录入及成绩分析等全部的操作,能大大加快学校和教师处理成绩的速度."),
        this);
    lblDescription->setObjectName(QStringLiteral("lblDescription"));
    lblDescription->setGeometry(platform::twipsRect(1680, 840, 3885, 1170));
    lblDescription->setWordWrap(true);
    lblDescription->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    Line1_1 = separatorLine(this, QColor(128, 128, 128), 2445, 1);
    Line1_1->setObjectName(QStringLiteral("Line1_1"));
    Line1_0 = separatorLine(this, Qt::white, 2460, 2);
    Line1_0->setObjectName(QStringLiteral("Line1_0"));

    cmdOK = new QPushButton(QStringLiteral("确定"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setGeometry(platform::twipsRect(4245, 2625, 1260, 345));
    cmdOK->setDefault(true);   // Esc closes the dialog as well
    cmdSysInfo = new QPushButton(QStringLiteral("系统信息(&S)..."), this);
    cmdSysInfo->setObjectName(QStringLiteral("cmdSysInfo"));
    cmdSysInfo->setGeometry(platform::twipsRect(4125, 3075, 1380, 345));
    cmdSysInfo->setAutoDefault(false);

    connect(cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);
    connect(cmdSysInfo, &QPushButton::clicked, this, &frmAbout::cmdSysInfo_Click);
    Form_Load();
}

void frmAbout::Form_Load() {
    setWindowTitle(QStringLiteral("关于 ") + platform::programTitle());
    lblVersion->setText(platform::versionText());
    lblTitle->setText(platform::programTitle());
}

void frmAbout::cmdOK_Click() {
    accept();
}

void frmAbout::cmdSysInfo_Click() {
    StartSysInfo();
}

void frmAbout::StartSysInfo() { platform::StartSysInfo(); }

void ShowAbout() {
    frmAbout form;
    platform::dialogs().runModal(form);
}
