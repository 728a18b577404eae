#include "grades/results/print/Form13.h"

#include "common/class_label.h"
#include "common/program_state.h"
#include "grades/results/core/check_list.h"
#include "platform/db/datacontrol.h"
#include "platform/db/recordset.h"
#include "platform/ui/build_control.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/fixed_font.h"
#include "platform/ui/richtextbox.h"
#include "platform/ui/show_modeless.h"
#include "platform/ui/twips.h"

#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QResizeEvent>

namespace {

QComboBox* numberList(QWidget* parent, const char* name, const QRect& twips, int from, int to, const QString& text) {
    auto* box = platform::buildControl<QComboBox>(parent, QString::fromLatin1(name), twips.x(), twips.y(), twips.width(),
                                        twips.height());
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->setCompleter(nullptr);
    for (int n = from; n <= to; ++n)
        box->addItem(QString::number(n));
    box->setCurrentIndex(box->findText(text));
    return box;
}

// 宋体 9 pt by name (so files say 宋体), shown in the fixed-column font so that
// the names line up.
platform::FontChoice previewFont() {
    platform::FontChoice f;
    f.name = QStringLiteral("宋体");
    f.size = 9;
    return f;
}

} // namespace

Form13* Form13::showFor(QWidget* owner) {
    return platform::showModeless<Form13>(owner, [owner] { return new Form13(owner); });
}

Form13::Form13(QWidget* owner) : QWidget(owner, Qt::Window) {
    setObjectName(QStringLiteral("Form13"));
    setWindowTitle(QStringLiteral("核对学生情况"));
    setAttribute(Qt::WA_DeleteOnClose);
    List1 = platform::buildControl<QListWidget>(this, "List1", 120, 120, 1095, 4260);
    List1->setSelectionMode(QAbstractItemView::MultiSelection);
    Combo1 = platform::buildControl<QComboBox>(this, "Combo1", 1320, 120, 1455, 300);
    Combo1->setEditable(true);
    Combo1->setInsertPolicy(QComboBox::NoInsert);
    Combo1->setCompleter(nullptr);
    Option1 = platform::buildControl<QRadioButton>(this, "Option1", 3360, 120, 735, 255, QStringLiteral("学号"));
    Option2 = platform::buildControl<QRadioButton>(this, "Option2", 4200, 120, 855, 255, QStringLiteral("总分"));
    Option1->setChecked(true);
    Label4 = platform::buildControl<QLabel>(this, "Label4", 5160, 120, 375, 255, QStringLiteral("标题"));
    Text1 = platform::buildControl<QLineEdit>(this, "Text1", 5640, 120, 1575, 270);
    Label1 = platform::buildControl<QLabel>(this, "Label1", 1440, 720, 495, 375, QStringLiteral("每行"));
    Combo2 = numberList(this, "Combo2", QRect(1920, 720, 615, 300), 0, 20, QStringLiteral("1"));
    Label2 = platform::buildControl<QLabel>(this, "Label2", 2640, 720, 375, 255, QStringLiteral("行距"));
    Combo3 = numberList(this, "Combo3", QRect(3120, 720, 615, 300), 0, 20, QStringLiteral("1"));
    Label3 = platform::buildControl<QLabel>(this, "Label3", 3960, 720, 975, 255, QStringLiteral("每页行数"));
    Combo4 = numberList(this, "Combo4", QRect(4800, 720, 735, 300), 20, 40, QStringLiteral("20"));
    Command1 = platform::buildControl<QPushButton>(this, "Command1", 5760, 720, 615, 375, QStringLiteral("确定"));
    Command2 = platform::buildControl<QPushButton>(this, "Command2", 6600, 720, 615, 375, QStringLiteral("另存"));
    RichTextBox1 = platform::buildControl<platform::RichTextBox>(this, "RichTextBox1", 1320, 1200, 5895, 3495);
    RichTextBox1->setLineWrapMode(QTextEdit::NoWrap);
    Adodc1 = new platform::db::DataControl(this);
    Adodc1->setObjectName(QStringLiteral("Adodc1"));
    Adodc2 = new platform::db::DataControl(this);
    Adodc2->setObjectName(QStringLiteral("Adodc2"));

    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    connect(Command2, &QPushButton::clicked, this, [this] { Command2_Click(); });
    platform::resizeTwips(*this, 7425, 4935);
    Form_Load();
}

Form13::~Form13() = default;

void Form13::Form_Load() {
    for (auto* dc : {Adodc1, Adodc2}) {
        dc->setConnectionString(state().connectionText());
        dc->setCommandType(8);
    }
    try {
        Adodc2->setRecordSource(QStringLiteral("成绩表"));
        Adodc2->refresh();
        Adodc1->setRecordSource(QStringLiteral("select * from 班级表 order by 年级,班"));
        Adodc1->refresh();
        auto* rs = Adodc1->recordset();
        if (rs->recordCount() > 0)
            for (rs->moveFirst(); !rs->eof(); rs->moveNext())
                Combo1->addItem(classLabel(rs->value(QStringLiteral("年级")).toString(),
                                           rs->value(QStringLiteral("班")).toString()));
        auto* scores = Adodc2->recordset();
        for (int i = 0; i < scores->fieldCount(); ++i)
            List1->addItem(scores->fieldName(i));
    } catch (const platform::db::DbError& e) {
        platform::dialogs().message(e.text(), platform::MsgButtons::Ok, platform::kErrorTitle,
                                    platform::MsgIcon::Warning);
    }
    Combo1->addItem(QStringLiteral("所有班级"));
    Combo1->setCurrentIndex(0);
    if (List1->count() > 3)
        List1->item(3)->setSelected(true);
    Text1->setText(QStringLiteral("核对学生姓名"));
    RichTextBox1->document()->setDefaultFont(platform::fixedColumnFont(9));
    RichTextBox1->clear();
    RichTextBox1->insertRun(QStringLiteral("请单击确定可以预览你所做的设置"), previewFont());
}

void Form13::Command1_Click() {
    RichTextBox1->clear();
    lineCount_ = 0;
    const QString entry = Combo1->currentText();
    if (entry != QStringLiteral("所有班级")) {
        grade_ = gradeOfLabel(entry);
        class_ = classOfLabel(entry);
        BuildStudentCheckList();
        return;
    }
    auto* rs = Adodc1->recordset();
    if (!rs || rs->recordCount() == 0)
        return;
    for (rs->moveFirst(); !rs->eof(); rs->moveNext()) {
        grade_ = rs->value(QStringLiteral("年级")).toString();
        class_ = rs->value(QStringLiteral("班")).toString();
        BuildStudentCheckList();
        RichTextBox1->insertRun(QStringLiteral("\r\n\r\n\r\n"), previewFont());
    }
}

void Form13::BuildStudentCheckList() {
    QStringList fields;
    for (int i = 0; i < List1->count(); ++i)
        if (List1->item(i)->isSelected())
            fields << List1->item(i)->text();
    if (fields.isEmpty())
        return;
    const results::CheckListOptions options{Text1->text(), Option2->isChecked(),
                                            results::typedCount(Combo2->currentText()),
                                            results::typedSpacing(Combo3->currentText()),
                                            results::typedCount(Combo4->currentText())};
    try {
        Adodc2->setRecordSource(results::checkListQuery(fields, grade_, class_, options.byTotal));
        Adodc2->refresh();
    } catch (const platform::db::DbError& e) {
        platform::dialogs().message(e.text(), platform::MsgButtons::Ok, platform::kErrorTitle,
                                    platform::MsgIcon::Warning);
        return;
    }
    RichTextBox1->insertRun(results::checkListBlock(*Adodc2->recordset(), grade_, class_, options, lineCount_),
                            previewFont());
}

void Form13::Command2_Click() {
    platform::FileRequest request;
    request.filter = QStringLiteral("RTF文件(*.rtf)|*.rtf|TXT文件(*.txt)|*.txt|所有文件(*.*)|*.*");
    request.confirmOverwrite = false;   // the window asks itself
    const auto name = platform::dialogs().saveFile(request);
    if (!name || name->isEmpty())
        return;
    if (QFileInfo::exists(*name) &&
        platform::dialogs().message(QStringLiteral("文件") + *name + QStringLiteral("已经存在,是否将其覆盖?"),
                                    platform::MsgButtons::YesNo, QStringLiteral("保存文件")) != platform::MsgResult::Yes)
        return;
    try {
        RichTextBox1->saveFile(*name, platform::richtext::FileFormat::RichText);
    } catch (const platform::FileError& e) {
        platform::dialogs().message(e.text(), platform::MsgButtons::Ok, platform::kFailedTitle,
                                    platform::MsgIcon::Warning);
    }
}

void Form13::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const int w = platform::pixelsToTwips(frameGeometry().width());
    const int h = platform::pixelsToTwips(frameGeometry().height());
    if (h - 780 > 0)
        List1->resize(List1->width(), platform::twipsToPixels(h - 780));
    if (h - 1845 > 0 && w - 1650 > 0)
        RichTextBox1->resize(platform::twipsToPixels(w - 1650), platform::twipsToPixels(h - 1845));
}
