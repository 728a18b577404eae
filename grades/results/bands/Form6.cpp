#include "grades/results/bands/Form6.h"

#include "grades/results/bands/BandCanvas.h"

#include "common/program_state.h"
#include "common/schema.h"
#include "common/settings_files.h"
#include "common/settings_rows.h"
#include "grades/frame/form2_panel.h"
#include "grades/results/view/results_choosers.h"
#include "platform/db/database.h"
#include "platform/db/datacontrol.h"
#include "platform/db/recordset.h"
#include "platform/text/gbk.h"
#include "platform/text/number_text.h"
#include "platform/text/values.h"
#include "platform/ui/build_control.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/fixed_font.h"
#include "platform/ui/plain_print.h"
#include "platform/ui/show_modeless.h"
#include "platform/ui/twips.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalBlocker>

namespace {

const QString kAllClasses = QStringLiteral("所有班级");

// The graph's viewport, in twips.
constexpr int kViewportWidth = 6975;
constexpr int kViewportHeight = 4815;

// Sets a selector's text as code does: its click handling does not run.
void setChooserText(QComboBox* box, const QString& text) {
    if (box->currentText() == text) return;
    const int i = box->findText(text);
    box->setCurrentIndex(i);
    if (i < 0) box->setEditText(text);
}

QStringList chooserItems(const QComboBox* box) {
    QStringList items;
    for (int i = 0; i < box->count(); ++i) items << box->itemText(i);
    return items;
}

QComboBox* editableList(QWidget* parent, const char* name, int left, int top, int width, int height) {
    auto* box = platform::buildControl<QComboBox>(parent, QString::fromLatin1(name), left, top, width, height);
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->setCompleter(nullptr);
    return box;
}

} // namespace

Form6* Form6::showFor(PanelHost& host) {
    QWidget* owner = host.hostWindow();
    return platform::showModeless<Form6>(owner, [&host, owner] { return new Form6(host, owner); });
}

Form6::Form6(PanelHost& host, QWidget* owner)
    : QWidget(owner, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                         Qt::MSWindowsFixedSizeDialogHint),
      host_(host) {
    setObjectName(QStringLiteral("Form6"));
    setWindowTitle(QStringLiteral("高级查看"));
    setAttribute(Qt::WA_DeleteOnClose);
    buildControls();
    setFixedSize(platform::twipsToPixels(8640), platform::twipsToPixels(5985));
    Form_Load();
}

Form6::~Form6() { Form_Unload(); }

void Form6::buildControls() {
    static const char* const kPaneButtons[] = {"设置", "报表", "图像", "学生"};
    for (int i = 0; i < 7; ++i) {
        Frame1[i] = platform::buildControl<QFrame>(this, QStringLiteral("Frame1_%1").arg(i));
        Frame1[i]->hide();
    }
    platform::placeTwips(*Frame1[0], 120, 0, 8535, 5280);
    platform::placeTwips(*Frame1[1], 1081, 0, 7575, 5280);
    platform::placeTwips(*Frame1[2], 1081, 0, 7575, 5280);
    for (int i = 0; i < 4; ++i)
        Command[i + 1] = platform::buildControl<QPushButton>(this, QStringLiteral("Command%1").arg(i + 1), 120, 240 + 600 * i,
                                                   735, 375, QString::fromUtf8(kPaneButtons[i]));
    Label3 = platform::buildControl<QLabel>(this, "Label3", 120, 5430, 480, 255, QStringLiteral("班级:"));
    // Both selectors a little wider than the old design: with today's fonts and
    // drop-down buttons "2004级01班" and "平均分" were cut.
    Combo1 = editableList(this, "Combo1", 600, 5400, 1455, 300);
    Label4 = platform::buildControl<QLabel>(this, "Label4", 2160, 5430, 480, 255, QStringLiteral("科目:"));
    Combo2 = editableList(this, "Combo2", 2640, 5400, 1095, 300);

    // Settings pane: the pane buttons stand over its left edge.
    QWidget* s = Frame1[0];
    platform::buildControl<QLabel>(s, {}, 1080, 240, 3960, 255, QStringLiteral("请在下面文本框中输入分段情况:"));
    Text1 = platform::buildControl<QPlainTextEdit>(s, "Text1", 1080, 540, 4200, 4260);
    Text1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Text1->setFont(platform::fixedColumnFont());
    static const char* const kChecks[] = {"显示最高分", "显示最低分", "显示平均分", "显示总分",
                                          "显示学生人数", "显示教师姓名", "零分不作最低分"};
    for (int i = 0; i < 7; ++i) {
        Check2[i] = platform::buildControl<QCheckBox>(s, QStringLiteral("Check2_%1").arg(i), 5520, 240 + 400 * i, 2760, 300,
                                            QString::fromUtf8(kChecks[i]));
    }
    Option1[0] = platform::buildControl<QRadioButton>(s, "Option1_0", 5520, 3120, 1380, 300, QStringLiteral("横向比较"));
    Option1[1] = platform::buildControl<QRadioButton>(s, "Option1_1", 6960, 3120, 1380, 300, QStringLiteral("纵向比较"));
    platform::buildControl<QLabel>(s, {}, 5520, 3690, 600, 255, QStringLiteral("行距:"));
    Combo3 = editableList(s, "Combo3", 6120, 3660, 855, 300);
    Command[6] = platform::buildControl<QPushButton>(s, "Command6", 5520, 4425, 1215, 375, QStringLiteral("设为默认"));
    Command[8] = platform::buildControl<QPushButton>(s, "Command8", 6960, 4425, 1215, 375, QStringLiteral("设定完成"));

    // Report pane.
    Text2 = platform::buildControl<QPlainTextEdit>(Frame1[1], "Text2", 120, 240, 7455, 4335);
    Text2->setLineWrapMode(QPlainTextEdit::NoWrap);
    Text2->setFont(platform::fixedColumnFont());
    Command[5] = platform::buildControl<QPushButton>(Frame1[1], "Command5", 5040, 4680, 975, 375, QStringLiteral("另存为"));
    Command[7] = platform::buildControl<QPushButton>(Frame1[1], "Command7", 6360, 4680, 975, 375, QStringLiteral("打印"));

    // Graph pane: the viewport clips the canvas; the scroll bar shows when the chart is taller.
    Picture1 = platform::buildControl<QWidget>(Frame1[2], "Picture1", 240, 240, kViewportWidth, kViewportHeight);
    Picture2 = platform::buildControl<BandCanvas>(Picture1, "Picture2", 0, 0, kViewportWidth, kViewportHeight);
    VScroll1 = platform::buildControl<QScrollBar>(Frame1[2], "VScroll1", 7200, 240, 255, kViewportHeight);   // vertical
    VScroll1->hide();

    for (int i : {5, 6, 7, 8}) Command[i]->setObjectName(QStringLiteral("Command%1").arg(i));

    Adodc1 = new platform::db::DataControl(this);
    Adodc1->setObjectName(QStringLiteral("Adodc1"));
    Adodc2 = new platform::db::DataControl(this);
    Adodc2->setObjectName(QStringLiteral("Adodc2"));

    connect(Command[1], &QPushButton::clicked, this, [this] { Command1_Click(); });
    connect(Command[2], &QPushButton::clicked, this, [this] { Command2_Click(); });
    connect(Command[3], &QPushButton::clicked, this, [this] { Command3_Click(); });
    connect(Command[4], &QPushButton::clicked, this, [this] { Command4_Click(); });
    connect(Command[5], &QPushButton::clicked, this, [this] { Command5_Click(); });
    connect(Command[6], &QPushButton::clicked, this, [this] { Command6_Click(); });
    connect(Command[7], &QPushButton::clicked, this, [this] { Command7_Click(); });
    connect(Command[8], &QPushButton::clicked, this, [this] { Command8_Click(); });
    connect(VScroll1, &QScrollBar::valueChanged, this, [this] { VScroll1_Change(); });
    // The selectors answer a pick from the list only, never code or typing.
    connect(Combo1, &QComboBox::activated, this, [this] { Combo1_Click(); });
    connect(Combo2, &QComboBox::activated, this, [this] { Combo2_Click(); });
    for (QCheckBox* c : Check2) connect(c, &QCheckBox::clicked, this, [this] { ClearReport(); });
    for (QRadioButton* o : Option1) connect(o, &QRadioButton::clicked, this, [this] { ClearReport(); });
    connect(Combo3, &QComboBox::editTextChanged, this, [this] { ClearReport(); });
    connect(Combo3, &QComboBox::activated, this, [this] { ClearReport(); });
    connect(Text1, &QPlainTextEdit::textChanged, this, [this] { ClearReport(); });
}

void Form6::Form_Load() {
    view_ = &host_.offered<results::ResultsChoosers>();
    viewAlive_ = dynamic_cast<QObject*>(view_);
    view_->allowAdvancedView(false);

    Adodc1->setConnectionString(state().connectionText());
    Adodc1->setCommandType(8);
    Adodc2->setConnectionString(state().connectionText());
    Adodc2->setCommandType(8);
    Adodc2->setRecordSource(table::Classes);
    try {
        Adodc2->refresh();
    } catch (const platform::db::DbError&) {
        // without 班级表 the teachers stay empty
    }
    showPane(1);

    if (Combo1->count() == 0) {
        Combo1->addItems(view_->classChoices());
        const QString chosen = view_->chosenClass();
        setChooserText(Combo1, !chosen.isEmpty() ? chosen : Combo1->itemText(1));
    }
    if (Combo2->count() == 0) {
        Combo2->addItems({QStringLiteral("总分"), QStringLiteral("平均分")});
        if (auto* rs = Adodc2->recordset())
            for (int i = 2; i < rs->fieldCount(); ++i) Combo2->addItem(rs->fieldName(i));
        const QString key = view_->sortKey();
        setChooserText(Combo2, key == QStringLiteral("考号") ? QStringLiteral("平均分") : key);
    }
    if (Combo3->count() == 0) {
        for (int n = 0; n <= 10; ++n) Combo3->addItem(QString::number(n));
        setChooserText(Combo3, QStringLiteral("0"));
    }

    QString notation = bands::builtInBandNotation();
    const QString file = QDir(programFolder()).filePath(bands::kBandNotationFileName);
    if (QFile::exists(file)) {
        try {
            notation = platform::readGbkFile(file);
        } catch (const platform::MessageError&) {
            // an unreadable file leaves the built-in notation
        }
    }
    Text1->setPlainText(QString(notation).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));

    QString row;
    try {
        row = host_.settings().value(Setting::AdvancedView);
    } catch (const platform::db::DbError&) {
    }
    const bands::BandOptions o = bands::readBandOptions(row);
    for (int j = 0; j < 7; ++j) Check2[j]->setChecked(o.checks[j]);
    Option1[o.horizontal ? 0 : 1]->setChecked(true);
    setChooserText(Combo3, QString::number(o.spacing));

    Command8_Click();
}

void Form6::closeEvent(QCloseEvent* event) {
    Form_Unload();
    QWidget::closeEvent(event);
}

void Form6::Form_Unload() {
    if (viewAlive_) view_->allowAdvancedView(true);
}

void Form6::showPane(int index) {
    for (QFrame* f : Frame1) {
        f->hide();
        f->setFrameShape(QFrame::NoFrame);
    }
    Frame1[index]->show();
}

QString Form6::notationText() const {
    return Text1->toPlainText().replace(u'\n', QStringLiteral("\r\n"));
}

QString Form6::reportText() const {
    return Text2->toPlainText().replace(u'\n', QStringLiteral("\r\n"));
}

bands::ReportLayout Form6::layout() const {
    bands::ReportLayout l;
    for (int k = 0; k < 6; ++k) l.show[k] = Check2[k]->isChecked();
    l.horizontal = Option1[0]->isChecked();
    l.spacing = bands::typedSpacing(Combo3->currentText());
    return l;
}

QStringList Form6::scoreFields() const {
    QStringList fields;
    try {
        auto db = openProgramDatabase();
        for (const auto& f : db->tableDef(state().CurrentScoreTable).fields) fields << f.name;
    } catch (const platform::db::DbError&) {
    }
    return fields;
}

void Form6::Command8_Click() {
    table_ = bands::ParseBandNotation(notationText());
    captions_ = BuildBandCaptions(table_);
    const QStringList entries = chooserItems(Combo1);
    filed_.assign(std::max<qsizetype>(0, entries.size() - 1), bands::EntryFigures{});
    const QString remembered = Combo1->currentText();
    const QStringList fields = scoreFields();
    const int items = std::max(0, Combo2->count() - 1);
    const bool zeroNotLowest = Check2[6]->isChecked();
    for (int k = 0; k + 1 < entries.size(); ++k) {
        setChooserText(Combo1, entries[k]);
        const bands::ClassQuery q =
            bands::LoadClassBySubject(entries[k], state().CurrentScoreTable, Combo2->currentText(), fields);
        try {
            Adodc1->setRecordSource(q.sql);
            Adodc1->refresh();
            const bool isClass = !q.gradeId.isEmpty() && !q.classId.isEmpty();
            QVariantList teachers;
            if (isClass && Adodc2->recordset()) teachers = bands::teacherRowOf(*Adodc2->recordset(), q.gradeId, q.classId);
            filed_[k] = ComputeBandStatistics(*Adodc1->recordset(), table_, zeroNotLowest, teachers, isClass);
        } catch (const platform::db::DbError&) {
            filed_[k] = bands::emptyFigures(items, int(table_.size()));   // left out of the report
        }
    }
    setChooserText(Combo1, remembered);
    Command2_Click();
}

void Form6::Command1_Click() { showPane(0); }

void Form6::Command2_Click() {
    ActiveView = 2;
    if (platform::LeadingNumber(Combo3->currentText()) < 0) setChooserText(Combo3, QStringLiteral("0"));
    showPane(1);
    Text2->clear();
    bands::ReportChoice choice{Combo1->currentText(), Combo2->currentText()};
    // Built whole and set once: appending block by block re-lays out the box every time.
    const QString report =
        composeBandReport(chooserItems(Combo1), chooserItems(Combo2), choice, filed_, captions_, layout());
    setChooserText(Combo1, choice.classText);
    setChooserText(Combo2, choice.itemText);
    Text2->setPlainText(QString(report).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
}

void Form6::Command3_Click() {
    ActiveView = 3;
    Picture2->clear();
    showPane(2);
    LoadSubjectScores();
    DrawBandGraph(1);
}

void Form6::LoadSubjectScores() {
    graph_ = {};
    const QString sql = bands::subjectScoresQuery(Combo1->currentText(), Combo2->currentText(),
                                           state().CurrentScoreTable, scoreFields());
    if (sql.isEmpty()) return;
    const QString previous = Adodc1->recordSource();
    try {
        Adodc1->setRecordSource(sql);
        Adodc1->refresh();
        graph_ = countBandScores(*Adodc1->recordset(), table_, captions_);
    } catch (const platform::db::DbError&) {
        graph_ = {};   // the band graph's message
    }
    try {
        Adodc1->setRecordSource(previous);
        if (!previous.isEmpty()) Adodc1->refresh();
    } catch (const platform::db::DbError&) {
    }
}

void Form6::Command4_Click() {
    ActiveView = 4;
    Picture2->clear();
    showPane(2);
    graph_ = {};
    const QString item = Combo2->currentText();
    const QStringList fields = scoreFields();
    if (!fields.contains(item)) {
        VScroll1->hide();   // a typed item that is no score: nothing to draw
        return;
    }
    const bands::ClassQuery q = bands::LoadClassBySubject(Combo1->currentText(), state().CurrentScoreTable, item, fields);
    try {
        Adodc1->setRecordSource(q.sql);
        Adodc1->refresh();
        graph_ = bands::studentScores(*Adodc1->recordset(), item);
    } catch (const platform::db::DbError& e) {
        VScroll1->hide();
        platform::dialogs().message(e.text(), platform::MsgButtons::Ok, platform::kErrorTitle);
        return;
    }
    if (graph_.count() == 0) {
        platform::dialogs().message(
            QStringLiteral("对不起,你所选择的班级中没有同学,请重新选择一个有学生的班."), platform::MsgButtons::Ok,
            platform::kPromptTitle);
        Frame1[2]->hide();
        return;
    }
    DrawBandGraph(2);
}

void Form6::DrawBandGraph(int16_t mode) {
    const bands::ChartLayout l = layoutBandChart(graph_, bands::ChartMode(mode), Combo2->currentText(), kViewportWidth,
                                          kViewportHeight);
    if (l.scrollVisible) {
        // A new chart starts at its top; the canvas is placed by the layout, not by this reset.
        const QSignalBlocker quiet(VScroll1);
        VScroll1->setRange(l.scrollMinimum, l.scrollMaximum);
        VScroll1->setSingleStep(l.smallStep);
        VScroll1->setPageStep(l.largeStep);
        VScroll1->setValue(l.scrollMinimum);
    }
    VScroll1->setVisible(l.scrollVisible);
    Picture2->setChart(l);
}

void Form6::VScroll1_Change() {
    Picture2->move(Picture2->x(), platform::twipsToPixels(-VScroll1->value()));
}

void Form6::Combo1_Click() {
    Text2->clear();
    Combo2_Click();
}

void Form6::Combo2_Click() {
    switch (ActiveView) {
    case 2: Command2_Click(); break;
    case 3: Command3_Click(); break;
    case 4: Command4_Click(); break;
    default: break;
    }
}

void Form6::ClearReport() {
    if (!Text2->document()->isEmpty()) Text2->clear();
}

void Form6::Command5_Click() {
    platform::FileRequest request;
    request.filter = QStringLiteral("文本文件(*.txt)|*.txt|所有文件(*.*)|*.*");
    request.allowNewFile = true;
    request.confirmOverwrite = false;
    const std::optional<QString> name = platform::dialogs().openFile(request);
    if (!name || name->isEmpty()) return;
    try {
        // An existing file is extended, never replaced.
        if (QFileInfo::exists(*name)) platform::appendGbkFile(*name, QStringLiteral("\r\n") + reportText());
        else platform::writeGbkFile(*name, reportText());
    } catch (const platform::FileError& e) {
        platform::dialogs().message(e.text(), platform::MsgButtons::Ok, platform::kFailedTitle);
    } catch (const platform::GbkError& e) {
        platform::dialogs().message(e.text(), platform::MsgButtons::Ok, platform::kFailedTitle);
    }
}

// Each line of the report on one printed line: a wrapped line would put its
// last columns at the start of the next, under the row labels.
void Form6::Command7_Click() { platform::printLines(Text2->toPlainText().split(u'\n'), windowTitle()); }

void Form6::Command6_Click() {
    const QDir folder(programFolder());
    // Written beside the old file and renamed over it, so a failed write keeps the saved notation.
    QString failure;
    try {
        platform::writeFileWhole(folder.filePath(bands::kBandNotationFileName), platform::toGbk(notationText()));
    } catch (const platform::FileError& e) {
        failure = e.text();
    } catch (const platform::GbkError& e) {
        failure = e.text();
    }
    if (!failure.isEmpty()) {
        platform::dialogs().message(failure, platform::MsgButtons::Ok, platform::kFailedTitle);
        return;
    }
    QFile::remove(folder.filePath(bands::kOldRequirementsFileName));
    bands::BandOptions o;
    for (int j = 0; j < 7; ++j) o.checks[j] = Check2[j]->isChecked();
    o.horizontal = Option1[0]->isChecked();
    o.spacing = bands::typedSpacing(Combo3->currentText());
    try {
        host_.settings().store(Setting::AdvancedView, bands::bandOptionsText(o));
    } catch (const platform::db::DbError& e) {
        platform::dialogs().message(e.text(), platform::MsgButtons::Ok, platform::kFailedTitle);
    }
}
