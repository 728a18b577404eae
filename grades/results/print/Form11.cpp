#include "grades/results/print/Form11.h"

#include "common/class_label.h"
#include "common/schema.h"
#include "grades/frame/form2_panel.h"
#include "grades/results/core/custom_print.h"
#include "platform/db/datacontrol.h"
#include "platform/db/recordset.h"
#include "platform/db/typedsql.h"
#include "platform/ui/build_control.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/key_filter.h"
#include "platform/ui/richtextbox.h"
#include "platform/ui/twips.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QResizeEvent>
#include <QTextCursor>

namespace {

const QString kFileFilter = QStringLiteral("RTF文件(*.rtf)|*.rtf|TXT文件(*.txt)|*.txt|所有文件(*.*)|*.*");

void warnUser(const QString& text) {
    platform::dialogs().message(text, platform::MsgButtons::Ok, platform::kErrorTitle, platform::MsgIcon::Warning);
}

} // namespace

Form11::Form11(PanelHost& host, QWidget* owner)
    : QDialog(owner), host_(host), source_(host.dataControl(QStringLiteral("Adodc1"))) {
    setObjectName(QStringLiteral("Form11"));
    setWindowTitle(QStringLiteral("自定义打印"));
    setWindowFlags(windowFlags() | Qt::WindowMinMaxButtonsHint);
    for (int i = 0; i < 2; ++i) {
        Frame1[i] = platform::buildControl<QWidget>(this, QStringLiteral("Frame1_%1").arg(i), 0, 0, 7455, 4455);
    }
    QWidget* design = Frame1[0];
    Command1 = platform::buildControl<QPushButton>(design, "Command1", 120, 120, 1455, 255, QStringLiteral("预览"));
    Option1[0] = platform::buildControl<QRadioButton>(design, "Option1_0", 1800, 120, 1215, 255, QStringLiteral("选择数据源"));
    Option1[1] = platform::buildControl<QRadioButton>(design, "Option1_1", 3120, 120, 1335, 255, QStringLiteral("使用SQL语言"));
    Option1[0]->setChecked(true);
    Combo1 = platform::buildControl<QComboBox>(design, "Combo1", 4560, 120, 1695, 300);
    Combo1->setEditable(true);
    Combo1->setInsertPolicy(QComboBox::NoInsert);
    Combo1->setCompleter(nullptr);
    Text1 = platform::buildControl<QLineEdit>(design, "Text1", 4560, 120, 2775, 270);
    List1 = platform::buildControl<QListWidget>(design, "List1", 120, 480, 1455, 3480);
    RichTextBox1 = platform::buildControl<platform::RichTextBox>(design, "RichTextBox1", 1680, 480, 5655, 3855);
    Label1 = platform::buildControl<QLabel>(design, "Label1", 120, 4080, 1455, 255);
    RichTextBox2 = platform::buildControl<platform::RichTextBox>(Frame1[1], "RichTextBox2", 120, 240, 6975, 4095);
    Command1->setObjectName(QStringLiteral("Command1"));
    Option1[0]->setObjectName(QStringLiteral("Option1_0"));
    Option1[1]->setObjectName(QStringLiteral("Option1_1"));
    Combo1->setObjectName(QStringLiteral("Combo1"));
    Text1->setObjectName(QStringLiteral("Text1"));
    List1->setObjectName(QStringLiteral("List1"));
    RichTextBox1->setObjectName(QStringLiteral("RichTextBox1"));
    RichTextBox2->setObjectName(QStringLiteral("RichTextBox2"));
    Label1->setObjectName(QStringLiteral("Label1"));

    MenuMain = new QMenu(QStringLiteral("菜单"), this);
    MenuMain->setObjectName(QStringLiteral("MenuMain"));
    auto item = [this](const char* name, const QString& caption, void (Form11::*fn)()) {
        QAction* a = MenuMain->addAction(caption);
        a->setObjectName(QString::fromLatin1(name));
        connect(a, &QAction::triggered, this, [this, fn] { (this->*fn)(); });
        return a;
    };
    MenuAll = item("MenuAll", QStringLiteral("全选"), &Form11::MenuAll_Click);
    MenuMain->addSeparator();
    MenuCut = item("MenuCut", QStringLiteral("剪切"), &Form11::MenuCut_Click);
    MenuCopy = item("MenuCopy", QStringLiteral("复制"), &Form11::MenuCopy_Click);
    MenuPase = item("MenuPase", QStringLiteral("粘贴"), &Form11::MenuPase_Click);
    MenuMain->addSeparator();
    MenuFont = item("MenuFont", QStringLiteral("字体"), &Form11::MenuFont_Click);
    MenuMain->addSeparator();
    MenuSave = item("MenuSave", QStringLiteral("保存"), &Form11::MenuSave_Click);
    MenuOpen = item("MenuOpen", QStringLiteral("打开"), &Form11::MenuOpen_Click);
    MenuPrint = item("MenuPrint", QStringLiteral("打印"), &Form11::MenuPrint_Click);
    MenuMain->addSeparator();
    MenuWin = item("MenuWin", QStringLiteral("预览窗口"), &Form11::MenuWin_Click);

    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    for (int i = 0; i < 2; ++i)
        connect(Option1[i], &QRadioButton::clicked, this, [this, i] { Option1_Click(i); });
    connect(Combo1, &QComboBox::activated, this, [this] { Combo1_Click(); });
    platform::filterKeys(Text1, [this](int16_t& key) { Text1_KeyPress(key); });
    connect(List1, &QListWidget::itemClicked, this, [this] { List1_Click(); });
    connect(RichTextBox1, &platform::RichTextBox::mouseUp, this,
            [this](Qt::MouseButton b, Qt::KeyboardModifiers, const QPoint& pos) { RichTextBox1_MouseUp(b, pos); });
    connect(RichTextBox2, &platform::RichTextBox::mouseUp, this,
            [this](Qt::MouseButton b, Qt::KeyboardModifiers, const QPoint& pos) { RichTextBox2_MouseUp(b, pos); });

    platform::resizeTwips(*this, 7470, 4560);
    Form_Load();
}

Form11::~Form11() = default;

void Form11::Form_Load() {
    Frame1[0]->show();
    Frame1[1]->hide();
    Option1_Click(0);
    Combo1->clear();
    try {
        // Grade labels, then class labels, each in the table's order.
        for (const QString& table : {table::Grades, table::Classes}) {
            source_.setRecordSource(table);
            source_.refresh();
            auto* rs = source_.recordset();
            if (rs->recordCount() > 0)
                for (rs->moveFirst(); !rs->eof(); rs->moveNext())
                    Combo1->addItem(table == table::Grades
                                        ? gradeLabel(rs->value(QStringLiteral("年级")).toString())
                                        : classLabel(rs->value(QStringLiteral("年级")).toString(),
                                                     rs->value(QStringLiteral("班")).toString()));
        }
    } catch (const platform::db::DbError& e) {
        warnUser(e.text());
    }
    Combo1->addItem(QStringLiteral("所有班级"));
    Combo1->setCurrentIndex(0);
    Combo1_Click();
}

void Form11::Option1_Click(int index) {
    Option1[index]->setChecked(true);
    Combo1->setVisible(index == 0);
    Text1->setVisible(index == 1);
}

bool Form11::openSource(const QString& source, bool typed) {
    const QString previous = source_.recordSource();
    try {
        if (typed)
            source_.setTypedRecordSource(source);
        else
            source_.setRecordSource(source);
        source_.refresh();
    } catch (const platform::db::DbError& e) {
        warnUser(e.text());
        // The previous source stays open.
        try {
            source_.setRecordSource(previous);
            source_.refresh();
        } catch (const platform::db::DbError&) {
        }
        return false;
    }
    showSource();
    return true;
}

void Form11::showSource() {
    auto* rs = source_.recordset();
    Label1->setText(QStringLiteral("共%1人.").arg(rs ? rs->recordCount() : 0));
    List1->clear();
    if (rs)
        for (int i = 0; i < rs->fieldCount(); ++i)
            List1->addItem(rs->fieldName(i));
}

void Form11::Combo1_Click() {
    // Always the score table, whatever the results view shows.
    openSource(results::templateSourceQuery(Combo1->currentText()), false);
}

void Form11::Text1_KeyPress(int16_t& keyAscii) {
    if (keyAscii != 13)
        return;
    keyAscii = 0;
    const QString sql = Text1->text();
    if (!platform::db::isReadOnlySelect(sql)) {
        warnUser(QStringLiteral("SQL语句只能是一条查询(select)语句,不能修改数据!"));
        return;
    }
    openSource(sql, true);
}

void Form11::List1_Click() {
    QListWidgetItem* item = List1->currentItem();
    if (!item)
        return;
    RichTextBox1->textCursor().insertText(QStringLiteral("<") + item->text() + QStringLiteral(">"));
}

void Form11::Command1_Click() {
    Frame1[0]->hide();
    Frame1[1]->show();
    RichTextBox2->clear();
    const QList<results::TemplateChar> units = results::TemplateChars(*RichTextBox1->document());
    auto* rs = source_.recordset();
    if (!rs)
        return;
    try {
        results::mergeTemplate(units, *rs, *RichTextBox2->document());
    } catch (const platform::db::DbError& e) {
        warnUser(e.text());
    }
}

platform::RichTextBox* Form11::activeEditor() const {
    return Frame1[0]->isHidden() ? RichTextBox2 : RichTextBox1;
}

void Form11::prepareMenu(platform::RichTextBox* editor) {
    const bool selected = editor->selLength() != 0;
    MenuCut->setEnabled(selected);
    MenuCopy->setEnabled(selected);
    MenuPase->setEnabled(platform::RichTextBox::clipboardHasText());
    MenuWin->setText(editor == RichTextBox1 ? QStringLiteral("预览窗口") : QStringLiteral("设计窗口"));
}

void Form11::RichTextBox1_MouseUp(Qt::MouseButton button, const QPoint& pos) {
    if (button != Qt::RightButton)
        return;
    prepareMenu(RichTextBox1);
    MenuMain->exec(RichTextBox1->mapToGlobal(pos));
}

void Form11::RichTextBox2_MouseUp(Qt::MouseButton button, const QPoint& pos) {
    if (button != Qt::RightButton)
        return;
    prepareMenu(RichTextBox2);
    MenuMain->exec(RichTextBox2->mapToGlobal(pos));
}

void Form11::MenuAll_Click() {
    activeEditor()->setSelection(0, activeEditor()->text().size());
}

void Form11::MenuCut_Click() {
    activeEditor()->cut();
}

void Form11::MenuCopy_Click() {
    activeEditor()->copy();
}

void Form11::MenuPase_Click() {
    activeEditor()->paste();
}

void Form11::MenuFont_Click() {
    platform::RichTextBox* box = activeEditor();
    const platform::SelectionFont sel = box->selectionFont();
    // Preset from the selection; a mixed value keeps the dialog's own.
    platform::FontChoice preset;
    if (sel.name) preset.name = *sel.name;
    if (sel.size) preset.size = *sel.size;
    if (sel.bold) preset.bold = *sel.bold;
    if (sel.italic) preset.italic = *sel.italic;
    if (sel.underline) preset.underline = *sel.underline;
    if (sel.strikeout) preset.strikeout = *sel.strikeout;
    if (sel.color) preset.color = *sel.color;
    const auto chosen = platform::dialogs().chooseFont(preset);
    if (!chosen)
        return;
    box->setSelFontSize(chosen->size);
    if (!chosen->name.isEmpty())
        box->setSelFontName(chosen->name);
    box->setSelBold(chosen->bold);
    box->setSelItalic(chosen->italic);
    box->setSelUnderline(chosen->underline);
    box->setSelStrikeout(chosen->strikeout);
    box->setSelColor(chosen->color);
}

void Form11::MenuSave_Click() {
    platform::FileRequest request;
    request.filter = kFileFilter;
    request.confirmOverwrite = true;
    const auto name = platform::dialogs().saveFile(request);
    if (!name || name->isEmpty())
        return;
    try {
        // Rich text whatever the extension.
        activeEditor()->saveFile(*name, platform::richtext::FileFormat::RichText);
    } catch (const platform::FileError& e) {
        platform::dialogs().message(e.text(), platform::MsgButtons::Ok, platform::kFailedTitle,
                                    platform::MsgIcon::Warning);
    }
}

void Form11::MenuOpen_Click() {
    platform::FileRequest request;
    request.filter = kFileFilter;
    request.confirmOverwrite = false;
    const auto name = platform::dialogs().openFile(request);
    if (!name || name->isEmpty())
        return;
    try {
        activeEditor()->loadFile(*name);
    } catch (const platform::FileError& e) {
        platform::dialogs().message(e.text(), platform::MsgButtons::Ok, platform::kFailedTitle,
                                    platform::MsgIcon::Warning);
    } catch (const platform::GbkError& e) {
        platform::dialogs().message(e.text(), platform::MsgButtons::Ok, platform::kFailedTitle,
                                    platform::MsgIcon::Warning);
    }
}

void Form11::MenuPrint_Click() {
    try {
        activeEditor()->print(platform::PrintPrompt::DefaultPrinter);
    } catch (const platform::PrintError& e) {
        platform::dialogs().message(e.text(), platform::MsgButtons::Ok, platform::kCannotPrintTitle,
                                    platform::MsgIcon::Warning);
    }
}

void Form11::MenuWin_Click() {
    const bool toPreview = !Frame1[0]->isHidden();
    Frame1[0]->setVisible(!toPreview);
    Frame1[1]->setVisible(toPreview);
}

void Form11::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    const int w = platform::pixelsToTwips(frameGeometry().width());
    const int h = platform::pixelsToTwips(frameGeometry().height());
    const int pw = w - 100, ph = h - 400;
    // Each step on its own: one that cannot apply leaves the rest.
    if (pw > 0 && ph > 0)
        for (QWidget* pane : Frame1)
            pane->resize(platform::twipsToPixels(pw), platform::twipsToPixels(ph));
    if (pw - 1800 > 0 && ph - 615 > 0)
        RichTextBox1->resize(platform::twipsToPixels(pw - 1800), platform::twipsToPixels(ph - 615));
    if (ph - 975 > 0)
        List1->resize(List1->width(), platform::twipsToPixels(ph - 975));
    if (pw - 4680 > 0)
        Text1->resize(platform::twipsToPixels(pw - 4680), Text1->height());
    if (pw - 100 > 0 && ph - 100 > 0)
        platform::placeTwips(*RichTextBox2, 50, 50, pw - 100, ph - 100);
    if (h - 885 > 0)
        Label1->move(Label1->x(), platform::twipsToPixels(h - 885));
}

namespace results {

void MenuPrintZDY_Click(PanelHost& host) {
    if (!host.Comout_Click(0))
        return;
    Form11 form(host, host.hostWindow());
    platform::dialogs().runModal(form);
}

} // namespace results
