#include "grades/results/export/Form16.h"

#include "common/class_label.h"
#include "common/program_state.h"
#include "common/schema.h"
#include "grades/results/core/tab_text.h"
#include "platform/db/database.h"
#include "platform/db/datacontrol.h"
#include "platform/db/recordset.h"
#include "platform/db/typedsql.h"
#include "platform/dbui/datagrid.h"
#include "platform/text/gbk.h"
#include "platform/ui/build_control.h"
#include "platform/ui/controls.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/show_modeless.h"
#include "platform/ui/twips.h"

#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

namespace {

const QString kAll = QStringLiteral("所有班级");
const char16_t* const kExportTables[3] = {u"成绩表", u"相对成绩表", u"绝对成绩表"};

void warn(const QString& text) {
    platform::dialogs().message(text, platform::MsgButtons::Ok, platform::kErrorTitle, platform::MsgIcon::Warning);
}

} // namespace

Form16* Form16::showFor(QWidget* owner) {
    return platform::showModeless<Form16>(owner, [owner] { return new Form16(owner); });
}

void menuOUTtxt_Click(QWidget* owner) { Form16::showFor(owner); }

Form16::Form16(QWidget* owner) : QWidget(owner, Qt::Window) {
    setObjectName(QStringLiteral("Form16"));
    setWindowTitle(QStringLiteral("导出数据到文本文件"));
    setAttribute(Qt::WA_DeleteOnClose);

    Combo1 = platform::buildControl<platform::ComboBox>(this, "Combo1", 120, 240, 2175, 300, {}, true);
    Frame1 = platform::buildControl<platform::Frame>(this, "Frame1", 2520, 60, 4095, 615, QStringLiteral("要导出的数据库"));
    const QString captions[3] = {QStringLiteral("真实成绩"), QStringLiteral("相对成绩"), QStringLiteral("绝对成绩")};
    for (int i = 0; i < 3; ++i) {
        Option1[i] = platform::buildControl<QRadioButton>(Frame1, QStringLiteral("Option1_%1").arg(i), 120 + 1320 * i, 270, 1215,
                                                255, captions[i]);
        connect(Option1[i], &QRadioButton::clicked, this, [this, i] { Option1_Click(i); });
    }
    Label1 = platform::buildControl<QLabel>(this, "Label1", 120, 840, 975, 255, QStringLiteral("SQL语言:"));
    Text1 = platform::buildControl<QPlainTextEdit>(this, "Text1", 1080, 780, 7815, 615);
    Command1 = platform::buildControl<QPushButton>(this, "Command1", 6840, 180, 975, 375, QStringLiteral("预览"));
    Command2 = platform::buildControl<QPushButton>(this, "Command2", 7920, 180, 975, 375, QStringLiteral("导出"));
    DataGrid1 = platform::buildControl<platform::db::DataGrid>(this, "DataGrid1", 120, 1560, 8775, 4455);
    DataGrid1->setAllowUpdate(false);   // the window only reads
    Adodc1 = new platform::db::DataControl(this);
    Adodc1->setObjectName(QStringLiteral("Adodc1"));

    connect(Combo1, &QComboBox::activated, this, [this] { Combo1_Click(); });
    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    connect(Command2, &QPushButton::clicked, this, [this] { Command2_Click(); });

    platform::resizeTwips(*this, 9015, 6135);
    Form_Load();
}

Form16::~Form16() = default;

void Form16::Form_Load() {
    Adodc1->setConnectionString(state().connectionText());
    Adodc1->setCommandType(8);
    Combo1->clear();
    Combo1->addItem(kAll);
    // Table order, not sorted: grade levels first, then the classes.
    try {
        auto db = Adodc1->database() ? Adodc1->database()
                                     : openProgramDatabase();
        platform::db::Recordset grades(db, table::Grades);
        for (int r = 0; r < grades.recordCount(); ++r)
            Combo1->addItem(gradeLabel(grades.valueAt(r, 0).toString()));
        platform::db::Recordset classes(db, table::Classes);
        for (int r = 0; r < classes.recordCount(); ++r)
            Combo1->addItem(classLabel(classes.valueAt(r, 0).toString(), classes.valueAt(r, 1).toString()));
    } catch (const platform::db::DbError& e) {
        warn(e.text());
    }
    Combo1->setCurrentIndex(0);
    Option1[0]->setChecked(true);
    tableName_ = table::Scores;
    Combo1_Click();
}

void Form16::Option1_Click(int index) {
    tableName_ = QString::fromUtf16(kExportTables[index]);
    Combo1_Click();
}

void Form16::Combo1_Click() {
    Text1->clear();
    QString choice = Combo1->currentText().trimmed();
    if (choice.isEmpty()) {
        choice = Combo1->itemText(0);
        Combo1->setCurrentIndex(0);
    }
    QString sql = QStringLiteral("select * from ") + tableName_;
    if (choice == kAll) {
        gradeId_.clear();
        classId_.clear();
        sql += QStringLiteral(" order by 年级,班,学号 desc");
    } else if (isGradeLabel(choice)) {
        gradeId_ = gradeOfLabel(choice);
        classId_.clear();
        // A typed choice goes between quotes as a value, never as SQL.
        sql += QStringLiteral(" where 年级=") + platform::db::quoteText(gradeId_);
    } else {
        gradeId_ = gradeOfLabel(choice);
        classId_ = classOfLabel(choice);
        sql += QStringLiteral(" where 年级=") + platform::db::quoteText(gradeId_) + QStringLiteral(" and 班=")
            + platform::db::quoteText(classId_);
    }
    Text1->setPlainText(sql);
    Command1_Click();
}

bool Form16::Command1_Click() {
    const QString sql = Text1->toPlainText();
    // The box is the user's to edit: only one query that reads may run.
    if (!platform::db::isReadOnlySelect(sql)) {
        warn(QStringLiteral("SQL语句只能是一条查询(select)语句,不能修改数据!"));
        return false;
    }
    try {
        DataGrid1->setDataSource(nullptr);
        Adodc1->setTypedRecordSource(sql);
        Adodc1->refresh();
    } catch (const platform::db::DbError& e) {
        warn(e.text());
        return false;
    }
    DataGrid1->setDataSource(Adodc1);
    DataGrid1->rebind();
    return true;
}

void Form16::Command2_Click() {
    platform::FileRequest request;
    request.filter = QStringLiteral("TXT文件(*.txt)|*.txt|Excel文档(*.xls)|*.xls|所有文件(*.*)|*.*");
    request.confirmOverwrite = false;   // the window asks itself
    const auto chosen = platform::dialogs().saveFile(request);
    if (!chosen || chosen->isEmpty())
        return;
    const QString name = *chosen;
    if (QFile::exists(name)
        && platform::dialogs().message(QStringLiteral("文件") + name + QStringLiteral("已经存在,是否将其覆盖?"),
                                       platform::MsgButtons::YesNo, QStringLiteral("保存文件"))
               != platform::MsgResult::Yes)
        return;
    if (!Command1_Click())
        return;
    try {
        results::writeTabText(name, *Adodc1->recordset());
    } catch (const platform::FileError& e) {
        warn(e.text());
        return;
    } catch (const platform::GbkError& e) {
        warn(QStringLiteral("导出失败! ") + e.text());
        return;
    }
    platform::dialogs().message(QStringLiteral("成功导出!"), platform::MsgButtons::Ok, QStringLiteral("祝获你."));
}
