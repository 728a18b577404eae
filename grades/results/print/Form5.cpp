#include "grades/results/print/Form5.h"

#include "common/class_label.h"
#include "common/program_state.h"
#include "grades/frame/form2_panel.h"
#include "grades/results/core/grade_preview.h"
#include "grades/results/core/results_view.h"
#include "grades/results/view/results_choosers.h"
#include "platform/db/database.h"
#include "platform/db/datacontrol.h"
#include "platform/db/recordset.h"
#include "platform/text/gbk.h"
#include "platform/ui/build_control.h"
#include "platform/ui/controls.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/key_filter.h"
#include "platform/ui/richtextbox.h"
#include "platform/ui/show_modeless.h"
#include "platform/ui/twips.h"

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QResizeEvent>

namespace {

// Sets a selector's text as code does: no handler of the results view runs.
void showListText(QComboBox* box, const QString& text) {
    const int i = box->findText(text);
    box->setCurrentIndex(i);
    if (i < 0)
        box->setEditText(text);
}

QStringList scoreSubjects() {
    QStringList subjects;
    try {
        auto db = openProgramDatabase();
        const auto fields = db->tableDef(QStringLiteral("成绩表")).fields;
        for (size_t i = 10; i < fields.size(); ++i)
            subjects << fields[i].name;
    } catch (const platform::db::DbError&) {
    }
    return subjects;
}

} // namespace

Form5* Form5::showFor(PanelHost& host, const QString& query) {
    QWidget* owner = host.hostWindow();
    return platform::showModeless<Form5>(owner, [&host, owner, &query] { return new Form5(host, owner, query); });
}

Form5::Form5(PanelHost& host, QWidget* owner, const QString& query)
    : QWidget(owner, Qt::Window), host_(host), view_(host.offered<results::ResultsChoosers>()), query_(query) {
    setObjectName(QStringLiteral("Form5"));
    setWindowTitle(QStringLiteral("打印成绩预览"));
    setAttribute(Qt::WA_DeleteOnClose);

    RichTextBox1 = platform::buildControl<platform::RichTextBox>(this, "RichTextBox1");
    RichTextBox1->setLineWrapMode(QTextEdit::NoWrap);
    Label1[0] = platform::buildControl<QLabel>(this, "Label1_0", QStringLiteral("只打印前"));
    Label1[1] = platform::buildControl<QLabel>(this, "Label1_1", QStringLiteral("名"));
    Combo1 = platform::buildControl<platform::ComboBox>(this, "Combo1", {}, true);
    Command1 = platform::buildControl<QPushButton>(this, "Command1", QStringLiteral("另存为"));
    Command2 = platform::buildControl<QPushButton>(this, "Command2", QStringLiteral("打印"));
    Adodc1 = new platform::db::DataControl(this);
    Adodc1->setObjectName(QStringLiteral("Adodc1"));

    connect(Combo1, &QComboBox::activated, this, [this] { Combo1_Click(); });
    // The keys reach the box itself, which hands them to its line edit past
    // any filter there. Enter is taken here whatever was typed; the box's own
    // Enter would also choose an entry typed exactly and rebuild twice.
    platform::filterKeys(Combo1, [this](int16_t& key) {
        if (key != 13)
            return;
        key = 0;
        // The entry of that text becomes the chosen one, so that leaving
        // the box does not choose it again.
        showListText(Combo1, Combo1->currentText());
        Combo1_Click();
    });
    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    connect(Command2, &QPushButton::clicked, this, [this] { Command2_Click(); });

    setMinimumSize(platform::twipsToPixels(7875), platform::twipsToPixels(5340));
    platform::resizeTwips(*this, 9600, 7200);
    Form_Load();
}

Form5::~Form5() {
    // Going away takes the focus from the box, which then chooses the entry
    // its text names: nothing is rebuilt, the results view may be gone.
    disconnect(Combo1, nullptr, this, nullptr);
}

void Form5::Form_Load() {
    Adodc1->setConnectionString(state().connectionText());
    Adodc1->setCommandType(8);
    Text1.clear();
    for (int n = -10; n <= 10; ++n)
        Combo1->addItem(QString::number(n));
    showListText(Combo1, QStringLiteral("0"));
    buildBlocks(true);
}

void Form5::Combo1_Click() {
    RichTextBox1->clear();
    Text1.clear();
    buildBlocks(false);
}

void Form5::runBlock(const QString& query) {
    try {
        Adodc1->setRecordSource(query);
        Adodc1->refresh();
    } catch (const platform::db::DbError&) {
        return;   // a list that cannot be read is left out
    }
    BuildGradePreview();
}

void Form5::buildBlocks(bool freshQueries) {
    const QString table = state().CurrentScoreTable.isEmpty() ? QStringLiteral("成绩表") : state().CurrentScoreTable;
    if (view_.chosenClass() == results::kAllClasses) {
        // Every class label in front of the last entry; grade labels are passed over.
        const QStringList classes = view_.classChoices();
        for (int i = 0; i + 1 < classes.size(); ++i) {
            const QString label = classes[i];
            if (!isClassLabel(label))
                continue;
            view_.showClass(label);
            runBlock(results::classBlockQuery(table, label));
        }
        if (!classes.isEmpty())
            view_.showClass(classes.last());
    } else if (view_.chosenRoom() == results::kAllRooms) {
        const QStringList rooms = view_.roomChoices();
        for (int i = 0; i + 1 < rooms.size(); ++i) {
            const QString label = rooms[i];
            view_.showRoom(label);
            runBlock(results::roomBlockQuery(table, label));
        }
        view_.showRoom(rooms.value(rooms.size() - 1));
    } else if (freshQueries) {
        if (query_.trimmed().isEmpty())
            return;   // nothing handed over: an empty preview
        runBlock(query_);
    } else {
        BuildGradePreview();   // the rows already held
    }
}

void Form5::BuildGradePreview() {
    const auto* rs = Adodc1->recordset();
    if (!rs)
        return;
    const results::GradeBlock block =
        results::gradeBlock(*rs, view_.chosenClass(), view_.chosenRoom(), results::previewCount(Combo1->currentText()),
                            state().ExamNumberLength, scoreSubjects());
    if (block.preview.isEmpty())
        return;
    // One insertion per block at the end: setting the whole text anew for
    // every block grows with the square of the lists.
    QTextCursor end = RichTextBox1->textCursor();
    end.movePosition(QTextCursor::End);
    RichTextBox1->setTextCursor(end);
    const QString separator = RichTextBox1->document()->isEmpty() ? QString() : QStringLiteral("\n");
    platform::FontChoice font;
    font.name = QStringLiteral("宋体");
    font.size = 9;
    RichTextBox1->insertRun(separator + block.preview, font);
    if (!Text1.isEmpty())
        Text1 += QStringLiteral("\r\n");
    Text1 += block.copy;
}

void Form5::Command1_Click() {
    platform::FileRequest request;
    request.filter = QStringLiteral("RTF文件(*.rtf)|*.rtf|Excel文件(*.xls)|*.xls|TXT文件(*.txt)|*.txt|所有文件(*.*)|*.*");
    request.fileName = fileName_;
    request.confirmOverwrite = false;   // the window asks itself
    const auto chosen = platform::dialogs().saveFile(request);
    if (!chosen || chosen->isEmpty())
        return;
    const QString name = *chosen;
    fileName_ = name;
    if (QFile::exists(name) &&
        platform::dialogs().message(QStringLiteral("文件") + name + QStringLiteral("已经存在,是否将其覆盖?"),
                                    platform::MsgButtons::YesNo, QStringLiteral("保存文件")) != platform::MsgResult::Yes)
        return;
    try {
        if (name.right(3).compare(QStringLiteral("RTF"), Qt::CaseInsensitive) == 0) {
            RichTextBox1->saveFile(name, platform::richtext::FileFormat::RichText);
        } else {
            // Whole or not at all: an old file stays as it was when writing fails.
            platform::writeFileWhole(name, platform::toGbk(Text1));
        }
    } catch (const platform::FileError& e) {
        platform::dialogs().message(e.text(), platform::MsgButtons::Ok, platform::kFailedTitle);
    } catch (const platform::GbkError& e) {
        platform::dialogs().message(e.text(), platform::MsgButtons::Ok, platform::kFailedTitle);
    }
}

void Form5::Command2_Click() {
    try {
        RichTextBox1->print(platform::PrintPrompt::PrinterDialog);
    } catch (const platform::PrintError&) {
        // Printing failures pass silently here, as they always did.
    }
}

void Form5::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const int w = platform::pixelsToTwips(width()), h = platform::pixelsToTwips(height());
    platform::placeTwips(*RichTextBox1, 0, 0, w - 60, h - 1125);
    const int top = h - 900;
    platform::placeTwips(*Command2, w - 1275, top, 1095, 375);
    platform::placeTwips(*Command1, w - 1275 - 1320, top, 1095, 375);
    platform::placeTwips(*Label1[0], 360, top + 60, 975, 255);
    platform::placeTwips(*Combo1, 1320, top, 1215, 300);
    platform::placeTwips(*Label1[1], 2640, top + 60, 375, 255);
}
