#include "records/XJprint.h"

#include "platform/db/datacontrol.h"
#include "platform/db/recordset.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/plain_print.h"
#include "platform/ui/twips.h"
#include "records/core/Tavisk.h"
#include "records/core/student_export.h"

#include <QFontMetricsF>
#include <QPlainTextEdit>
#include <QPushButton>

XJprint::XJprint(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("XJprint"));
    setWindowTitle(QStringLiteral("打印预览"));
    platform::resizeTwips(*this, 9600, 6600);
    text1 = new QPlainTextEdit(this);
    text1->setObjectName(QStringLiteral("text1"));
    text1->setLineWrapMode(QPlainTextEdit::NoWrap);
    text1->setTabStopDistance(QFontMetricsF(text1->font()).horizontalAdvance(QLatin1Char('x')) * 10);
    Command1 = new QPushButton(QStringLiteral("打印"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Adodc1 = new platform::db::DataControl(this);
    Adodc1->setObjectName(QStringLiteral("Adodc1"));
    connect(Command1, &QPushButton::clicked, this, &XJprint::Command1_Click);
}

XJprint::~XJprint() = default;

void XJprint::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const int button = platform::twipsToPixels(375);
    const int gap = platform::twipsToPixels(120);
    text1->setGeometry(0, 0, width(), height() - button - 2 * gap);
    Command1->setGeometry((width() - platform::twipsToPixels(1215)) / 2, height() - button - gap,
                          platform::twipsToPixels(1215), button);
}

bool XJprint::Form_Load() {
    Adodc1->setConnectionString(Tavisk::state().DatabaseConnectString);
    Adodc1->setCommandType(8);
    return BuildPrintPreview();
}

bool XJprint::BuildPrintPreview() {
    text1->clear();
    const QString query = Tavisk::state().ListQuery;
    if (query.isEmpty()) {
        platform::dialogs().message(QStringLiteral("没有可以导出的学生！"));
        close();
        return false;
    }
    Adodc1->setRecordSource(query);
    Adodc1->refresh();
    platform::db::Recordset* rs = Adodc1->recordset();
    if (!rs || rs->recordCount() == 0) {
        platform::dialogs().message(QStringLiteral("可导出的学生数为零！"));
        return true;
    }
    text1->setPlainText(QString(records::printPreviewText(*rs)).remove(QLatin1Char('\r')));
    return true;
}

QString XJprint::previewText() const {
    QString text = text1->toPlainText();
    text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return text;
}

void XJprint::Command1_Click() {
    // The box's text as it stands, a line per record, its Tabs as columns;
    // without a printer the user is told and the window stays.
    QString text = previewText();
    if (text.endsWith(QStringLiteral("\r\n")))
        text.chop(2);
    QStringList lines = text.split(QStringLiteral("\r\n"));
    // The heading's leading Tab stood each name over its values on the old
    // printers' stops of eight columns, which an eight-digit STID filled; in
    // columns of their own the names stand over their values without it.
    if (lines.front().startsWith(QLatin1Char('\t')))
        lines.front().remove(0, 1);
    platform::printColumns(lines, windowTitle());
}
