#include "grades/maintenance/Form14.h"

#include "common/data_connections.h"
#include "common/program_state.h"
#include "common/schema.h"
#include "common/settings_files.h"
#include "grades/frame/form2_panel.h"
#include "grades/maintenance/import_guard.h"
#include "platform/db/datacontrol.h"
#include "platform/dbui/datagrid.h"
#include "platform/text/message_text.h"
#include "platform/text/values.h"
#include "platform/ui/build_control.h"
#include "platform/ui/controls.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/show_modeless.h"
#include "platform/ui/twips.h"

#include <QTableView>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

namespace {

// Window events run this often during a run: often enough for 停止 to feel
// at once, seldom enough to cost the run nothing.
constexpr qint64 kPollEveryMs = 25;

const QString kStart = QStringLiteral("开始");
const QString kStop = QStringLiteral("停止");

} // namespace

Form14::Form14(QWidget* owner) : QWidget(owner, Qt::Window) {
    setObjectName(QStringLiteral("Form14"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("从文本文件中导入数据"));
    platform::resizeTwips(*this, 9600, 6720);
    setFixedSize(size());

    for (int i = 0; i < 3; ++i) {
        Frame1[i] = new QGroupBox(this);
        Frame1[i]->setObjectName(QStringLiteral("Frame1_%1").arg(i));
    }

    // Page 1
    QWidget* p = Frame1[0];
    Label1 = platform::buildControl<QLabel>(p, "Label1", 120, 180, 840, 300, QStringLiteral("源文件:"));
    Label2 = platform::buildControl<QLabel>(p, "Label2", 960, 180, 6720, 300);
    Command1 = platform::buildControl<QPushButton>(p, "Command1", 7920, 120, 1200, 390, QStringLiteral("打开"));
    Text1 = platform::buildControl<QPlainTextEdit>(p, "Text1", 120, 600, 9360, 3840);
    Text1->setReadOnly(true);
    Text1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Text1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Text1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Label3 = platform::buildControl<QLabel>(p, "Label3", 120, 4680, 2640, 300, QStringLiteral("标题位于第            行"));
    Combo1 = platform::buildControl<platform::ComboBox>(p, "Combo1", 1140, 4620, 900, 330, {}, true);
    {
        // The box stands in the caption's gap, so that "行" follows it.
        const QFontMetrics fm(Label3->font());
        const QString caption = Label3->text();
        const qsizetype gapAt = caption.indexOf(QStringLiteral("  "));
        const int before = fm.horizontalAdvance(caption.left(gapAt));
        const int gap = fm.horizontalAdvance(caption.mid(gapAt, caption.lastIndexOf(u' ') + 1 - gapAt));
        Combo1->setGeometry(Label3->x() + before + 2, Combo1->y(), gap - 4, Combo1->height());
    }
    Label4 = platform::buildControl<QLabel>(p, "Label4", 120, 5220, 1560, 300, QStringLiteral("字段间的分隔符"));
    Combo2 = platform::buildControl<platform::ComboBox>(p, "Combo2", 1740, 5160, 1440, 330, {}, true);
    Label5 = platform::buildControl<QLabel>(p, "Label5", 3600, 5220, 1560, 300, QStringLiteral("记录间的分隔符"));
    Combo3 = platform::buildControl<platform::ComboBox>(p, "Combo3", 5220, 5160, 1560, 330, {}, true);
    Command2 = platform::buildControl<QPushButton>(p, "Command2", 5520, 6000, 1680, 450, QStringLiteral("设置完成"));
    Command3 = platform::buildControl<QPushButton>(p, "Command3", 7440, 6000, 1680, 450, QStringLiteral("下一页"));
    Command3->setEnabled(false);

    // Page 2
    p = Frame1[1];
    List1 = platform::buildControl<QListWidget>(p, "List1", 120, 120, 2520, 5640);
    Label6 = platform::buildControl<QLabel>(p, "Label6", 2880, 2040, 1800, 300, QStringLiteral("对应"));
    Label6->setAlignment(Qt::AlignCenter);
    Text2 = platform::buildControl<QLineEdit>(p, "Text2", 2880, 2400, 1800, 330);
    Text2->setReadOnly(true);
    Command4 = platform::buildControl<QPushButton>(p, "Command4", 2880, 3000, 1800, 450, QStringLiteral("清除对应"));
    List2 = platform::buildControl<QListWidget>(p, "List2", 4920, 120, 2160, 5640);
    Frame3 = platform::buildControl<QGroupBox>(p, "Frame3", 7320, 120, 2160, 2520, QStringLiteral("校对的内容:"));
    Check1 = platform::buildControl<QCheckBox>(Frame3, "Check1", 240, 360, 1680, 330, QStringLiteral("年级"));
    Check2 = platform::buildControl<QCheckBox>(Frame3, "Check2", 240, 780, 1680, 330, QStringLiteral("班"));
    Check3 = platform::buildControl<QCheckBox>(Frame3, "Check3", 240, 1200, 1680, 330, QStringLiteral("姓名"));
    Check4 = platform::buildControl<QCheckBox>(Frame3, "Check4", 240, 1620, 1680, 330, QStringLiteral("学号"));
    Check5 = platform::buildControl<QCheckBox>(Frame3, "Check5", 240, 2040, 1680, 330, QStringLiteral("STID"));
    Check3->setChecked(true);
    Frame2 = platform::buildControl<QGroupBox>(p, "Frame2", 7320, 2880, 2160, 1680, QStringLiteral("没有找到时"));
    const char* options[3] = {"追加", "提示", "不处理"};
    for (int i = 0; i < 3; ++i) {
        Option1[i] = platform::buildControl<QRadioButton>(Frame2, QStringLiteral("Option1_%1").arg(i), 240, 360 + 420 * i, 1680,
                                                330, QString::fromUtf8(options[i]));
    }
    Option1[1]->setChecked(true);
    Command5 = platform::buildControl<QPushButton>(p, "Command5", 5520, 6000, 1680, 450, QStringLiteral("回上一页"));
    Command6 = platform::buildControl<QPushButton>(p, "Command6", 7440, 6000, 1680, 450, QStringLiteral("下一页"));
    Adodc1 = new platform::db::DataControl(this);
    Adodc1->setObjectName(QStringLiteral("Adodc1"));

    // Page 3
    p = Frame1[2];
    Label7 = platform::buildControl<QLabel>(p, "Label7", 120, 120, 2400, 300, QStringLiteral("从文本文件到"));
    Label9 = platform::buildControl<QLabel>(p, "Label9", 120, 480, 9360, 660);
    Label9->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label8 = platform::buildControl<QLabel>(p, "Label8", 120, 1200, 9360, 300);
    DataGrid1 = platform::buildControl<platform::db::DataGrid>(p, "DataGrid1", 120, 1560, 9360, 4260);
    // The grid is for picking a student; the marks come from the file.
    DataGrid1->setAllowUpdate(false);
    Command7 = platform::buildControl<QPushButton>(p, "Command7", 120, 6000, 1440, 450, kStart);
    Command8 = platform::buildControl<QPushButton>(p, "Command8", 1800, 6000, 1440, 450, QStringLiteral("继续"));
    Command9 = platform::buildControl<QPushButton>(p, "Command9", 3480, 6000, 1440, 450, QStringLiteral("上一页"));
    Text3 = platform::buildControl<QLineEdit>(p, "Text3", 5160, 6060, 960, 330, QStringLiteral("0"));
    Text3->setEnabled(false);

    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    connect(Command2, &QPushButton::clicked, this, [this] { Command2_Click(); });
    connect(Command3, &QPushButton::clicked, this, [this] { Command3_Click(); });
    connect(List1, &QListWidget::itemClicked, this, [this] { List1_Click(); });
    connect(List1, &QListWidget::currentRowChanged, this, [this] { List1_Click(); });
    connect(List2, &QListWidget::itemClicked, this, [this] { List2_Click(); });
    connect(Command4, &QPushButton::clicked, this, [this] { Command4_Click(); });
    connect(Command5, &QPushButton::clicked, this, [this] { Command5_Click(); });
    connect(Command6, &QPushButton::clicked, this, [this] { Command6_Click(); });
    connect(Command7, &QPushButton::clicked, this, [this] { Command7_Click(); });
    connect(Command8, &QPushButton::clicked, this, [this] { Command8_Click(); });
    connect(Command9, &QPushButton::clicked, this, [this] { Command9_Click(); });
    connect(DataGrid1, &platform::db::DataGrid::rowChosen, this, [this] { DataGrid1_RowHandler(); });
    // A click on the row already current is a pick too.
    connect(DataGrid1->view(), &QAbstractItemView::clicked, this, [this] { DataGrid1_RowHandler(); });
    if (owner)
        owner->installEventFilter(this);

    Form_Load();
}

Form14::~Form14() {
    if (destroyed_)
        *destroyed_ = true;
}

void Form14::Form_Load() {
    for (QGroupBox* page : Frame1) {
        platform::placeTwips(*page, 0, 0, 9600, 6720);
        page->setFlat(true);
        page->setStyleSheet(QStringLiteral("QGroupBox#%1 { border: 0; margin: 0; padding: 0; }")
                                .arg(page->objectName()));
        page->hide();
    }
    Combo1->clear();
    for (int i = 1; i <= 10; ++i)
        Combo1->addItem(QString::number(i));
    Combo1->setEditText(QStringLiteral("1"));
    Combo2->clear();
    Combo2->addItems({QStringLiteral("."), QStringLiteral(","), QStringLiteral(":"), QStringLiteral(";"),
                      QStringLiteral("制表符"), QStringLiteral("空格")});
    Combo2->setEditText(QStringLiteral("制表符"));
    Combo3->clear();
    Combo3->addItems({QStringLiteral("回车"), QStringLiteral("换行"), QStringLiteral("回车换行"),
                      QStringLiteral("换行回车")});
    Combo3->setEditText(QStringLiteral("回车换行"));
    Combo3->setEnabled(false);
    Command8->hide();
    showPage(0);
}

int Form14::currentPage() const {
    for (int i = 0; i < 3; ++i)
        if (!Frame1[i]->isHidden())
            return i;
    return -1;
}

void Form14::showPage(int page) {
    for (int i = 0; i < 3; ++i)
        Frame1[i]->setVisible(i == page);
}

QString Form14::logPath() {
    return QDir(programFolder()).filePath(QStringLiteral("导入数据记录.txt"));
}

// ---------------------------------------------------------------------------
// Page 1

void Form14::Command1_Click() {
    platform::FileRequest request;
    request.filter = QStringLiteral("TXT文件(*.txt)|*.txt|所有文件(*.*)|*.*");
    request.fileName = dialogFileName_;
    if (auto chosen = platform::dialogs().openFile(request))
        dialogFileName_ = *chosen;
    // Anything else there (a FIFO, a device) is refused by the reader, with its message.
    if (dialogFileName_.isEmpty() || !QFileInfo::exists(dialogFileName_) || QFileInfo(dialogFileName_).isDir())
        return;
    QString text;
    try {
        text = maintenance::readImportText(dialogFileName_);
    } catch (const maintenance::ImportFileError& e) {
        // Shown garbled it would be imported garbled: refused here.
        platform::dialogs().message(e.message(), platform::MsgButtons::Ok, platform::kPromptTitle);
        return;
    }
    SourceFileName = dialogFileName_;
    Label2->setText(SourceFileName);
    Text1->setPlainText(text);
}

bool Form14::ApplyImportSettings() {
    const QString refusal = maintenance::checkImportSettings(
        {Label2->text(), Combo2->currentText(), Combo3->currentText(), Combo1->currentText()});
    if (!refusal.isEmpty()) {
        platform::dialogs().message(refusal, platform::MsgButtons::Ok, maintenance::kSettingsRefusedTitle);
        return false;
    }
    FieldSeparator = maintenance::fieldSeparatorFor(Combo2->currentText());
    RecordSeparator = QStringLiteral("\r\n");
    acceptedFieldSeparator_ = FieldSeparator;

    QStringList fieldNames;
    try {
        connectToDatabase(*Adodc1);
        Adodc1->setRecordSource(table::Scores);
        Adodc1->refresh();
        if (auto* rs = Adodc1->recordset())
            for (int i = 0; i < rs->fieldCount(); ++i)
                fieldNames << rs->fieldName(i);
    } catch (const platform::db::DbError&) {
    }
    const QStringList titles =
        maintenance::headerTitles(SourceFileName, maintenance::headerLineNumber(Combo1->currentText()),
                                  FieldSeparator);
    ColumnPairings = maintenance::pairEqualNames(fieldNames, titles);
    List1->clear();
    List1->addItems(fieldNames);
    List2->clear();
    List2->addItems(titles);
    Text2->clear();
    Command3->setEnabled(true);
    Command2->setText(QStringLiteral("重新设置"));
    acceptedHeaderLine_ = maintenance::headerLineNumber(Combo1->currentText());
    return true;
}

void Form14::Command2_Click() {
    if (ApplyImportSettings())
        showPage(1);
}

void Form14::Command3_Click() { showPage(1); }

// ---------------------------------------------------------------------------
// Page 2

void Form14::List1_Click() {
    const int f = List1->currentRow();
    if (f < 0 || f >= int(ColumnPairings.size()))
        return;
    const qint64 c = ColumnPairings[f].ColumnIndex;
    if (c < 0 || c >= List2->count()) {
        Text2->clear();
        List2->clearSelection();
        List2->setCurrentRow(-1);
        return;
    }
    List2->setCurrentRow(int(c));
    Text2->setText(List2->item(int(c))->text());
}

void Form14::List2_Click() {
    const int f = List1->currentRow();
    const int c = List2->currentRow();
    if (f < 0 || f >= int(ColumnPairings.size()) || c < 0)
        return;
    ColumnPairings[f].ColumnTitle = List2->item(c)->text();
    ColumnPairings[f].ColumnIndex = c;
    Text2->setText(ColumnPairings[f].ColumnTitle);
}

void Form14::Command4_Click() {
    // 清除对应: the field chosen in List1 is no longer paired.
    const int f = List1->currentRow();
    if (f < 0 || f >= int(ColumnPairings.size()))
        return;
    ColumnPairings[f].ColumnTitle.clear();
    ColumnPairings[f].ColumnIndex = -1;
    Text2->clear();
    List2->clearSelection();
    List2->setCurrentRow(-1);
}

void Form14::Command5_Click() { showPage(0); }

void Form14::Command6_Click() {
    DataGrid1->setDataSource(Adodc1);
    try {
        Adodc1->setRecordSource(table::Scores);
        Adodc1->refresh();
    } catch (const platform::db::DbError&) {
    }
    // In the order STID, 年级, 班, 姓名, 学号: field positions 0..4.
    QCheckBox* boxes[5] = {Check5, Check1, Check2, Check3, Check4};
    bool unticked = false;
    for (int f = 0; f < 5; ++f) {
        const bool paired = f < int(ColumnPairings.size()) && ColumnPairings[f].ColumnIndex >= 0;
        if (boxes[f]->isChecked() && !paired) {
            boxes[f]->setChecked(false);
            unticked = true;
        }
    }
    if (unticked) {
        platform::dialogs().message(
            QStringLiteral("由于你要校对的字段没有找到与之对应的内容,系统自动将其设置为不较对.请你看一下这样行不行."),
            platform::MsgButtons::Ok, QStringLiteral("不能进入下一步"));
        return;
    }
    if (!Check1->isChecked() && !Check2->isChecked() && !Check3->isChecked() && !Check4->isChecked()
        && !Check5->isChecked()) {
        platform::dialogs().message(QStringLiteral("你必须选择一个校对项目."));
        return;
    }
    // Key 1..5: 年级, 班, 姓名, 学号, STID.
    QCheckBox* keys[6] = {nullptr, Check1, Check2, Check3, Check4, Check5};
    const int fieldOfKey[6] = {-1, 1, 2, 3, 4, 0};
    for (int k = 1; k <= 5; ++k)
        KeyColumn[k] = keys[k]->isChecked() ? ColumnPairings[fieldOfKey[k]].ColumnIndex : -1;
    LinesConsumed = acceptedHeaderLine_;
    showPage(2);
}

// ---------------------------------------------------------------------------
// Page 3

void Form14::Command7_Click() {
    if (Command7->text() == kStart) {
        RunHalted = 0;
        Command7->setText(kStop);
        counts_ = {};
        qint64 chosen = 0;
        RunTextImport(chosen);
    } else {
        stopRun();
    }
}

void Form14::stopRun() {
    Label9->clear();
    Label8->clear();
    Command8->hide();
    RunHalted = -1;
    LinesConsumed = acceptedHeaderLine_;
    Command7->setText(kStart);
}

void Form14::Command8_Click() {
    Command8->hide();
    qint64 chosen = platform::leadingWholeNumber(Text3->text());
    RunTextImport(chosen);
}

void Form14::Command9_Click() {
    if (Command7->text() == kStop)
        stopRun();
    showPage(1);
}

void Form14::DataGrid1_RowHandler() {
    if (auto* rs = Adodc1->recordset())
        Text3->setText(QString::number(rs->absolutePosition()));
}

maintenance::ImportPlan Form14::plan() const {
    maintenance::ImportPlan p;
    p.sourceFile = SourceFileName;
    p.separator = acceptedFieldSeparator_;
    p.pairings = ColumnPairings;
    p.keyColumn = KeyColumn;
    return p;
}

QString Form14::progressText(qint64 lineNumber, const QString& line) const {
    // The number keeps the space where a sign would stand.
    return QStringLiteral("正在处理文本文件中的第 %1行\r\n").arg(lineNumber) + line;
}

void Form14::showRows(const QString& conditions, const QVariantList& values) {
    try {
        Adodc1->setRecordSource(QStringLiteral("select * from 成绩表 where ") + conditions, values);
        Adodc1->refresh();
    } catch (const platform::db::DbError&) {
    }
}

void Form14::showWholeSchool() {
    try {
        Adodc1->setRecordSource(QStringLiteral("select * from 成绩表 order by 年级,班,学号 "));
        Adodc1->refresh();
    } catch (const platform::db::DbError&) {
    }
}

qint64 Form14::rowIdAtPosition(qint64 position) {
    auto* rs = Adodc1->recordset();
    if (!rs || position < 1 || position > rs->recordCount())
        return 0;
    try {
        rs->setAbsolutePosition(int(position));
    } catch (const platform::db::DbError&) {
        return 0;
    }
    return rs->rowIdAt(int(position) - 1);
}

void Form14::RunTextImport(qint64& ChosenRow) {
    using maintenance::TextImportRun;
    Text3->setText(QStringLiteral("0"));
    RunHalted = 0;
    // A completed run let the grid go; a new one shows its rows again.
    if (DataGrid1->dataSource() != Adodc1)
        DataGrid1->setDataSource(Adodc1);

    std::shared_ptr<platform::db::Database> db = Adodc1->database();
    std::unique_ptr<TextImportRun> run;
    try {
        if (!db)
            db = openProgramDatabase();
        run = std::make_unique<TextImportRun>(db, plan(), logPath(), LinesConsumed);
    } catch (const maintenance::ImportFileError& e) {
        stopRun();
        platform::dialogs().message(e.message() + QStringLiteral("\r\n没有导入任何数据."), platform::MsgButtons::Ok,
                                    platform::kPromptTitle);
        return;
    } catch (const platform::db::DbError& e) {
        // The file refused even the reading (another program's lock): the
        // place stays, so that 开始 does not add the new students again.
        refused(e);
        return;
    }

    bool destroyed = false;
    destroyed_ = &destroyed;
    running_ = true;
    struct Leave {
        Form14* self;
        bool& destroyed;
        std::unique_ptr<TextImportRun>& run;
        ~Leave() {
            if (destroyed)
                return;
            if (run)
                maintenance::addCounts(self->counts_, run->counts());
            self->running_ = false;
            self->destroyed_ = nullptr;
            if (self->closeWhenStopped_)
                QMetaObject::invokeMethod(self, &QWidget::close, Qt::QueuedConnection);
        }
    } leave{this, destroyed, run};

    try {
        if (!runLines(*run, ChosenRow, destroyed))
            return;
        run->commit();
    } catch (const platform::db::DbError& e) {
        // A write the file refused (a full disk, another program's lock): the
        // work since the last commit is undone, the run ends as a completed
        // one does, and the next 开始 goes on at the first line not stored.
        LinesConsumed = run->linesStored();
        refused(e);
        return;
    }
    endRun();
    maintenance::addCounts(counts_, run->counts());
    const maintenance::ImportCounts counts = counts_;
    run.reset();
    platform::dialogs().message(maintenance::completionMessage(counts));
}

void Form14::refused(const platform::db::DbError& e) {
    endRun();
    platform::dialogs().message(
        platform::reasonThen(e.text(), QStringLiteral("文本文件从第%1行起没有导入.").arg(LinesConsumed + 1)),
        platform::MsgButtons::Ok, platform::kPromptTitle);
}

void Form14::endRun() {
    Label8->clear();
    Label9->clear();
    DataGrid1->setDataSource(nullptr);
    Command8->hide();
    Command7->setText(kStart);
    Command7->repaint();
}

bool Form14::runLines(maintenance::TextImportRun& run, qint64& ChosenRow, const bool& destroyed) {
    using maintenance::TextImportRun;
    auto pause = [&](const QString& request) {
        run.commit();
        Label9->setText(progressText(run.lineNumber(), run.lineText()));
        Label8->setText(request);
        Command8->show();
        RunHalted = -1;
    };
    QElapsedTimer sincePoll;
    sincePoll.start();
    for (;;) {
        const TextImportRun::Outcome outcome = run.next();
        LinesConsumed = run.linesConsumed();
        if (outcome == TextImportRun::Outcome::End)
            break;
        switch (outcome) {
        case TextImportRun::Outcome::Single:
            run.write(run.matches().front());
            break;
        case TextImportRun::Outcome::Several:
            if (ChosenRow > 0) {
                showRows(run.conditions(), run.conditionValues());
                const qint64 rowid = rowIdAtPosition(ChosenRow);
                ChosenRow = 0;
                if (rowid > 0) {
                    run.write(rowid);
                    break;
                }
            }
            showRows(run.conditions(), run.conditionValues());
            pause(QStringLiteral("有几个满足要求的记录，请选择一个合适的。"));
            return false;
        case TextImportRun::Outcome::NotFound: {
            if (ChosenRow > 0) {
                showWholeSchool();
                const qint64 rowid = rowIdAtPosition(ChosenRow);
                ChosenRow = 0;
                if (rowid > 0) {
                    run.write(rowid);
                    break;
                }
            }
            if (Option1[0]->isChecked()) {
                run.append();
            } else if (Option1[1]->isChecked()) {
                run.commit();
                const QString progress = progressText(run.lineNumber(), run.lineText());
                Label9->setText(progress);
                const platform::MsgResult answer = platform::dialogs().message(
                    progress + QStringLiteral("\r\n这个同学在数据库中不存在，是否要添加一个？"
                                              "\r\n   是-----添加一个新记录"
                                              "\r\n   否-----从现有学生中选择"
                                              "\r\n   取消---跳过这一行,不进行任何处理"),
                    platform::MsgButtons::YesNoCancel, QStringLiteral("没有找到"));
                if (destroyed)
                    return false;
                if (answer == platform::MsgResult::Yes) {
                    run.append();
                } else if (answer == platform::MsgResult::No) {
                    showWholeSchool();
                    pause(QStringLiteral("没有一个满足要求的记录，请在全校同学中选择一个合适的。"));
                    return false;
                } else {
                    run.pass();
                }
            } else {
                run.pass();
            }
            break;
        }
        default:
            break;
        }
        LinesConsumed = run.linesConsumed();
        // Only between lines: a stop never leaves a row half written.
        if (sincePoll.elapsed() >= kPollEveryMs) {
            // The work stays in the run's transaction (committed every second):
            // a commit at every poll would cost more than the writes.
            Label9->setText(progressText(run.lineNumber(), run.lineText()));
            if (outcome != TextImportRun::Outcome::Handled)
                showRows(run.conditions(), run.conditionValues());
            QApplication::processEvents();
            if (destroyed)
                return false;
            if (RunHalted == -1) {
                return false;
            }
            sincePoll.restart();
        }
    }
    return true;
}

// ---------------------------------------------------------------------------

void Form14::closeEvent(QCloseEvent* event) {
    if (running_) {
        // The run stops at its next poll and commits; then the window closes.
        RunHalted = -1;
        closeWhenStopped_ = true;
        event->ignore();
        return;
    }
    event->accept();
}

bool Form14::eventFilter(QObject* watched, QEvent* event) {
    if (watched == parent() && event->type() == QEvent::Close && running_)
        RunHalted = -1;
    return QWidget::eventFilter(watched, event);
}

void Form14::menuin3_Click(PanelHost& host) {
    if (!maintenance::backedUpAndAdministrator(host))
        return;
    QWidget* owner = host.hostWindow();
    platform::showModeless<Form14>(owner, [owner] { return new Form14(owner); });
}
