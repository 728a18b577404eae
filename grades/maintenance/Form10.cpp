#include "grades/maintenance/Form10.h"

#include "common/program_state.h"
#include "common/schema.h"
#include "grades/frame/form2_panel.h"
#include "grades/maintenance/import_guard.h"
#include "platform/db/database.h"
#include "platform/db/foreign_database.h"
#include "platform/text/values.h"
#include "platform/ui/build_control.h"
#include "platform/ui/common_dialog.h"
#include "platform/ui/controls.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/show_modeless.h"
#include "platform/ui/twips.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

namespace {

const QString kName = QStringLiteral("姓名");
const QString kCannotOpenTitle = QStringLiteral("无法打开数据文件");
const QString kPairArrow = QStringLiteral(" <--- ");

void tellUser(const QString& text, const QString& title) {
    platform::dialogs().message(text, platform::MsgButtons::Ok, title);
}

// The run's questions as message and input boxes.
class DialogQuestions final : public maintenance::ImportQuestions {
public:
    bool overwriteSameName(const QString& name) override {
        return platform::dialogs().message(name + QStringLiteral("这个名字已有人使用,是否将其覆盖?"),
                                           platform::MsgButtons::YesNo, QStringLiteral("有同学姓名相同"))
            == platform::MsgResult::Yes;
    }
    QString input(const QString& prompt, const QString& title, const QString& defaultText) override {
        return platform::dialogs().input(prompt, title, defaultText);
    }
    bool stopAfterCancel() override {
        return platform::dialogs().message(
                   QStringLiteral("你没有输入。是否停止导入?\r\n   是-----停止导入,已导入的记录保留"
                                  "\r\n   否-----重新输入"),
                   platform::MsgButtons::YesNo, platform::kAttentionTitle)
            == platform::MsgResult::Yes;
    }
};

} // namespace

Form10::Form10(PanelHost& host, QWidget* owner) : QWidget(owner, Qt::Window), host_(host) {
    setObjectName(QStringLiteral("Form10"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("导入外部数据"));
    platform::resizeTwips(*this, 9600, 6300);
    setFixedSize(size());

    const char* labels[5] = {"源数据库中的表", "选中表中的字段", "本系统中的字段", "请输入源数据库：",
                             "源数据的条件:"};
    Label1[3] = platform::buildControl<QLabel>(this, "Label1_3", 120, 240, 1800, 300, QString::fromUtf8(labels[3]));
    Text1 = platform::buildControl<QLineEdit>(this, "Text1", 1920, 180, 5040, 330);
    Command1 = platform::buildControl<QPushButton>(this, "Command1", 7080, 150, 1140, 390, QStringLiteral("浏览"));
    Command3 = platform::buildControl<QPushButton>(this, "Command3", 8340, 150, 1140, 390, QStringLiteral("打开"));

    Label1[0] = platform::buildControl<QLabel>(this, "Label1_0", 120, 780, 2520, 300, QString::fromUtf8(labels[0]));
    List1 = platform::buildControl<platform::ListBox>(this, "List1", 120, 1080, 2520, 3240);
    Label1[1] = platform::buildControl<QLabel>(this, "Label1_1", 2760, 780, 2160, 300, QString::fromUtf8(labels[1]));
    List2 = platform::buildControl<platform::ListBox>(this, "List2", 2760, 1080, 2160, 3240);

    Text2 = platform::buildControl<QLineEdit>(this, "Text2", 5040, 1380, 1440, 330);
    Command4 = platform::buildControl<QPushButton>(this, "Command4", 5040, 2160, 1440, 390, QStringLiteral("确定"));
    Command5 = platform::buildControl<QPushButton>(this, "Command5", 5040, 2700, 1440, 390, QStringLiteral("取消"));
    Text3 = platform::buildControl<QLineEdit>(this, "Text3", 5040, 3480, 1440, 330);

    Label1[2] = platform::buildControl<QLabel>(this, "Label1_2", 6600, 780, 2880, 300, QString::fromUtf8(labels[2]));
    Combo1 = platform::buildControl<platform::ComboBox>(this, "Combo1", 6600, 1080, 2880, 330);
    List3 = platform::buildControl<platform::ListBox>(this, "List3", 6600, 1500, 2880, 2820);

    Label1[4] = platform::buildControl<QLabel>(this, "Label1_4", 120, 4560, 1440, 300, QString::fromUtf8(labels[4]));
    Text4 = platform::buildControl<QLineEdit>(this, "Text4", 1560, 4500, 7920, 330);

    Option1[0] = platform::buildControl<QRadioButton>(this, "Option1_0", 120, 5040, 2640, 330, QStringLiteral("姓名相同记录时提示"));
    Option1[1] = platform::buildControl<QRadioButton>(this, "Option1_1", 120, 5460, 2640, 330, QStringLiteral("追加全部记录"));
    Option1[1]->setChecked(true);
    Check2 = platform::buildControl<QCheckBox>(this, "Check2", 2880, 5040, 4320, 330, QStringLiteral("自动产生学号和STID并检查数据合法性"));
    Check2->setChecked(true);
    Command2 = platform::buildControl<QPushButton>(this, "Command2", 8040, 5340, 1440, 450, QStringLiteral("完成"));

    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    connect(Command3, &QPushButton::clicked, this, [this] { Command3_Click(); });
    connect(List1, &QListWidget::itemClicked, this, [this] { List1_Click(); });
    connect(List2, &QListWidget::itemClicked, this, [this] { List2_Click(); });
    connect(List3, &QListWidget::itemClicked, this, [this] { List3_Click(); });
    connect(Combo1, &QComboBox::activated, this, [this] { Combo1_Click(); });
    connect(Command4, &QPushButton::clicked, this, [this] { Command4_Click(); });
    connect(Command5, &QPushButton::clicked, this, [this] { Command5_Click(); });
    connect(Command2, &QPushButton::clicked, this, [this] { Command2_Click(); });

    Form_Load();
}

Form10::~Form10() = default;

void Form10::Form_Load() {
    try {
        target_ = openProgramDatabase();
        Counters = maintenance::ImportCounters::load(*target_);
    } catch (const platform::db::DbError& e) {
        tellUser(e.text(), platform::kErrorTitle);
    }
    Combo1->clear();
    Combo1->addItems({table::Scores, table::Teachers});
    Combo1->setCurrentIndex(0);
    Combo1_Click();
}

bool Form10::JClj() const { return Counters.hasGrade(Current.CurrentGrade); }

bool Form10::JCban() const { return Counters.hasClass(Current.CurrentGrade, Current.CurrentClass); }

void Form10::Combo1_Click() {
    TargetFieldNames.clear();
    try {
        if (target_)
            for (const auto& f : target_->tableDef(Combo1->currentText()).fields)
                TargetFieldNames << f.name;
    } catch (const platform::db::DbError& e) {
        tellUser(e.text(), platform::kErrorTitle);
    }
    PairedSourceFields = QStringList();
    for (qsizetype i = 0; i < TargetFieldNames.size(); ++i)
        PairedSourceFields << QString();
    List3->clear();
    List3->addItems(TargetFieldNames);
}

void Form10::Command1_Click() {
    platform::CommonDialog& dialog = host_.CommonDialog1();
    dialog.CancelError = false;
    dialog.Filter = QStringLiteral("Access数据库(*.mdb)|*.mdb|所有文件(*.*)|*.*");
    dialog.Flags = platform::CommonDialog::OverwritePrompt;
    dialog.ShowOpen();
    Text1->setText(dialog.FileName);
}

void Form10::Command3_Click() {
    const QString path = platform::trimBlanks(Text1->text());
    // Anything else there (a FIFO, a device) is a file that cannot be opened: the message below.
    if (path.isEmpty() || !QFileInfo::exists(path) || QFileInfo(path).isDir())
        return;
    const QString ending = path.right(3).toLower();
    if (ending == QStringLiteral("xls")) {
        // 完成 then says how a spreadsheet is imported.
        SourceKind = QStringLiteral("xls");
        return;
    }
    if (ending != QStringLiteral("mdb"))
        return;
    SourceKind = QStringLiteral("mdb");
    try {
        std::unique_ptr<platform::db::ForeignDatabase> opened = platform::db::ForeignDatabase::open(path);
        const QStringList tables = maintenance::listedSourceTables(*opened);
        source_ = std::move(opened);
        sourceTable_.clear();
        List1->clear();
        List1->addItems(tables);
    } catch (const platform::db::DbError&) {
        tellUser(QStringLiteral("无效的数据格式,如果你的数据库有密码,请将密码清除后再试。"), kCannotOpenTitle);
    }
}

void Form10::List1_Click() {
    QListWidgetItem* item = List1->currentItem();
    if (!item || item->text().isEmpty())
        return;
    if (SourceKind == QStringLiteral("mdb") && source_) {
        QStringList fields;
        try {
            for (const auto& f : source_->fields(item->text()))
                fields << f.name;
        } catch (const platform::db::DbError& e) {
            tellUser(QStringLiteral("不能读取源数据中的表 %1 。\n%2").arg(item->text(), e.text()), kCannotOpenTitle);
            return;
        }
        sourceTable_ = item->text();
        List2->clear();
        List2->addItems(fields);
    }
    Combo1_Click();
}

void Form10::List2_Click() {
    if (QListWidgetItem* item = List2->currentItem())
        Text2->setText(item->text());
}

void Form10::List3_Click() {
    const QList<QListWidgetItem*> chosen = List3->selectedItems();
    if (chosen.isEmpty())
        return;
    int i = List3->count();
    for (QListWidgetItem* it : chosen)
        i = std::min(i, List3->row(it));
    if (i >= TargetFieldNames.size())
        return;
    Text3->setText(TargetFieldNames[i]);
    if (PairedSourceFields[i].isEmpty())
        return;
    Text2->setText(PairedSourceFields[i]);
    for (int r = 0; r < List2->count(); ++r)
        if (List2->item(r)->text() == PairedSourceFields[i]) {
            List2->setCurrentRow(r);
            break;
        }
}

void Form10::Command4_Click() {
    if (platform::trimBlanks(Text2->text()).isEmpty() || platform::trimBlanks(Text3->text()).isEmpty())
        return;
    int i = -1;
    for (int r = 0; r < List3->count(); ++r)
        if (List3->item(r)->text() == Text3->text()) {
            i = r;
            break;
        }
    if (i < 0 || i >= TargetFieldNames.size() || !PairedSourceFields[i].isEmpty())
        return;
    const QString source = Text2->text();
    PairedSourceFields[i] = source;
    List3->item(i)->setText(TargetFieldNames[i] + kPairArrow + source);
    List3->setCurrentRow(i);
    for (int r = 0; r < List2->count(); ++r)
        if (List2->item(r)->text() == source) {
            delete List2->takeItem(r);
            break;
        }
}

void Form10::Command5_Click() {
    const int i = int(TargetFieldNames.indexOf(Text3->text()));
    if (i >= 0) {
        if (PairedSourceFields[i].isEmpty())
            return;
        List2->insertItem(0, PairedSourceFields[i]);
        PairedSourceFields[i].clear();
        List3->item(i)->setText(TargetFieldNames[i]);
        List3->setCurrentRow(i);
        List2->setCurrentRow(0);
    }
    Text2->clear();
    Text3->clear();
}

void Form10::Command2_Click() {
    const qsizetype name = TargetFieldNames.indexOf(kName);
    if (name < 0 || PairedSourceFields[name].isEmpty()) {
        tellUser(QStringLiteral("必须将姓名输入。"), platform::kPromptTitle);
        return;
    }
    if (SourceKind == QStringLiteral("xls")) {
        tellUser(QStringLiteral("对不起,请首先将电子表格数据保存为文本文件,然后再用导入文本文件功能导入系统."),
             platform::kPromptTitle);
        return;
    }
    if (!target_)
        return;
    maintenance::ExternalImportPlan plan;
    plan.targetTable = Combo1->currentText();
    plan.pairedSourceFields = PairedSourceFields;
    plan.askOnSameName = Option1[0]->isChecked();
    plan.check = Check2->isChecked();

    maintenance::ImportResult result;
    try {
        const maintenance::ImportRefusal refused = maintenance::checkPlan(*target_, plan, Counters);
        if (!refused.title.isEmpty()) {
            tellUser(refused.text, refused.title);
            return;
        }
        maintenance::SourceRows rows;
        if (SourceKind == QStringLiteral("mdb") && source_ && !sourceTable_.isEmpty())
            rows = maintenance::readSourceRows(*source_, sourceTable_, Text4->text());
        DialogQuestions questions;
        result = maintenance::runExternalImport(*target_, rows, plan, Counters, Current, questions);
    } catch (const maintenance::ImportRefusal& r) {
        tellUser(r.text, r.title);
        return;
    } catch (const platform::db::DbError& e) {
        tellUser(maintenance::kImportErrorText + QStringLiteral("\n\n") + e.text(), platform::kPlainErrorTitle);
        return;
    }
    try {
        // The main window's counts follow the rows added.
        if (result.added > 0) {
            const double rows =
                target_->scalar(QStringLiteral("SELECT COUNT(*) FROM ") + platform::db::quoteName(plan.targetTable))
                    .toDouble();
            if (plan.targetTable == table::Scores)
                state().StudentCount = float(rows);
            else
                state().TeacherCount = float(rows);
        }
    } catch (const platform::db::DbError&) {
    }
    switch (result.kind) {
    case maintenance::ImportResult::Kind::Refused:
        tellUser(result.refusal.text, result.refusal.title);
        return;
    case maintenance::ImportResult::Kind::Stopped:
        tellUser(maintenance::stoppedMessage(result.stored), platform::kPromptTitle);
        return;
    case maintenance::ImportResult::Kind::Done:
        break;
    }
    tellUser(QStringLiteral("导入完成!"), platform::kDoneTitle);
    List2->clear();
    List3->clear();
    if (!sourceTable_.isEmpty()) {
        for (int r = 0; r < List1->count(); ++r)
            if (List1->item(r)->text() == sourceTable_) {
                delete List1->takeItem(r);
                break;
            }
        sourceTable_.clear();
    }
}

void Form10::menuin2_Click(PanelHost& host) {
    if (!maintenance::backedUpAndAdministrator(host))
        return;
    QWidget* owner = host.hostWindow();
    platform::showModeless<Form10>(owner, [&host, owner] { return new Form10(host, owner); });
}
