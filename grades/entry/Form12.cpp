#include "grades/entry/Form12.h"

#include "common/program_state.h"
#include "grades/entry/core/student_roster.h"
#include "grades/entry/student_class_choice.h"
#include "grades/frame/Form2.h"
#include "platform/dbui/datacontrolbar.h"
#include "platform/db/datacontrol.h"
#include "platform/dbui/datagrid.h"
#include "platform/db/recordset.h"
#include "platform/ui/build_control.h"
#include "platform/ui/controls.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/key_filter.h"
#include "platform/ui/show_modeless.h"
#include "platform/text/values.h"
#include "platform/ui/twips.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

using Outcome = entry::StudentManager::Outcome;

namespace {
// The class the main window's student panel shows, asked through what the panel offers.
QString studentPanelClass(QWidget* owner) {
    if (auto* main = qobject_cast<Form2*>(owner))
        return main->offered<entry::StudentClassChoice>().chosenClass();
    return {};
}
} // namespace

Form12::Form12(QWidget* owner)
    : QWidget(owner, Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                         Qt::MSWindowsFixedSizeDialogHint),
      adodc1Bar_(new platform::db::DataControlBar(this)), Adodc1(&adodc1Bar_->control()), manager_(*Adodc1) {
    setObjectName(QStringLiteral("Form12"));
    setWindowTitle(QStringLiteral("高级学生管理"));
    setAttribute(Qt::WA_DeleteOnClose);
    platform::resizeTwips(*this, 7605, 4620);
    setFixedSize(size());
    Adodc1->setObjectName(QStringLiteral("Adodc1"));

    platform::buildControl<QLabel>(this, "Label1", 120, 120, 1935, 255, QStringLiteral("请选择要处理的班级："));
    Combo1 = platform::buildControl<platform::ComboBox>(this, "Combo1", 2160, 120, 1575, 300);
    platform::buildControl<QLabel>(this, "Label6", 120, 720, 855, 255, QStringLiteral("SQL语句:"));
    Text3 = platform::buildControl<QLineEdit>(this, "Text3", 840, 585, 2535, 390);
    Command7 = platform::buildControl<QPushButton>(this, "Command7", 3600, 600, 495, 375, QStringLiteral("确定"));
    platform::buildControl<QLabel>(this, "Label2", 120, 1320, 1575, 255, QStringLiteral("当前处理的学生："));
    Command3 = platform::buildControl<QPushButton>(this, "Command3", 1800, 1320, 615, 375, QStringLiteral("增加"));
    Command4 = platform::buildControl<QPushButton>(this, "Command4", 2640, 1320, 615, 375, QStringLiteral("删除"));
    Command6 = platform::buildControl<QPushButton>(this, "Command6", 3480, 1320, 615, 375, QStringLiteral("查找"));
    Text1 = platform::buildControl<QLineEdit>(this, "Text1", 120, 1560, 1215, 375);
    Label5 = platform::buildControl<QLabel>(this, "Label5", 120, 2160, 1215, 735);
    Label5->setWordWrap(true);
    Command5 = platform::buildControl<QPushButton>(this, "Command5", 1800, 1920, 615, 375, QStringLiteral("转到"));
    auto* classBox = platform::buildControl<platform::ComboBox>(this, "Combo2", 2640, 1920, 855, 300);
    classBox->setEditable(true);
    Combo2 = classBox;
    platform::buildControl<QLabel>(this, "Label4", 3600, 1920, 375, 255, QStringLiteral("班"));
    platform::buildControl<QLabel>(this, "Label3", 120, 3240, 1335, 375, QStringLiteral("查找学生："));
    Text2 = platform::buildControl<QLineEdit>(this, "Text2", 1200, 3240, 1575, 270);
    Command2 = platform::buildControl<QPushButton>(this, "Command2", 2880, 3240, 1215, 375, QStringLiteral("查找"));
    List1 = platform::buildControl<platform::ListBox>(this, "List1", 120, 3600, 2655, 780);
    Command1 = platform::buildControl<QPushButton>(this, "Command1", 2880, 3720, 1215, 375, QStringLiteral("转入本班"));
    DataGrid1 = platform::buildControl<platform::db::DataGrid>(this, "DataGrid1", 4320, 120, 3135, 3975);
    adodc1Bar_->setObjectName(QStringLiteral("Adodc1"));
    platform::placeTwips(*adodc1Bar_, 4320, 4200, 3135, 330);
    // 删除 and the upper 查找 have no action of their own.
    Command4->setEnabled(false);
    Command6->setEnabled(false);

    connect(Combo1, &QComboBox::activated, this, [this] { Combo1_Click(); });
    connect(Command7, &QPushButton::clicked, this, [this] { Command7_Click(); });
    connect(Command3, &QPushButton::clicked, this, [this] { Command3_Click(); });
    connect(Command5, &QPushButton::clicked, this, [this] { Command5_Click(); });
    connect(Command2, &QPushButton::clicked, this, [this] { Command2_Click(); });
    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    connect(Adodc1, &platform::db::DataControl::moveComplete, this, [this] { Adodc1_MoveComplete(); });
    platform::filterKeys(Text1, [this](int16_t& key) { Text1_KeyPress(key); });
    platform::filterKeys(Text2, [this](int16_t& key) { Text2_KeyPress(key); });

    Form_Load();
}

Form12::~Form12() = default;

Form12* Form12::showFor(QWidget* owner) {
    return platform::showModeless<Form12>(owner, [owner] {
        auto* window = new Form12(owner);
        if (owner)
            window->move(owner->geometry().center() - window->rect().center());
        return window;
    });
}

void Form12::refuse(const QString& text) {
    platform::dialogs().message(text, platform::MsgButtons::Ok, platform::kPromptTitle);
}

void Form12::say(Outcome outcome) {
    switch (outcome) {
    case Outcome::NameTooLong:
        refuse(QStringLiteral("学生的名字最多只能有%1个字!").arg(entry::kNameLength));
        break;
    case Outcome::SerialsUsedUp:
        refuse(QStringLiteral("%1级的学生编号(STID)已经用完,不能再增加学生!").arg(manager_.grade()));
        break;
    case Outcome::ListUnsuitable:
        refuse(QStringLiteral("现在的列表中没有要修改的字段(学号,姓名,年级,班,STID,考号),请先按\"确定\"显示本班的学生。"));
        break;
    case Outcome::NoSuchClass:
        refuse(QStringLiteral("本年级没有%1班,请在列表中选择一个班。").arg(Combo2->currentText()));
        break;
    case Outcome::OtherGrade:
        refuse(QStringLiteral("这个学生不是%1级的学生,不能转入本班。").arg(manager_.grade()));
        break;
    default:
        break;
    }
}

void Form12::Form_Load() {
    Adodc1->setConnectionString(state().connectionText());
    Combo1->clear();
    try {
        auto db = openProgramDatabase();
        Combo1->addItems(entry::classLabels(*db));
    } catch (const platform::db::DbError& e) {
        refuse(e.text());
        return;
    }
    const QString chosen = studentPanelClass(parentWidget());
    const int index = chosen.isEmpty() ? 0 : Combo1->findText(chosen);
    if (index >= 0)
        Combo1->setCurrentIndex(index);
    Combo1_Click();
}

void Form12::Combo1_Click() {
    if (!manager_.chooseClass(Combo1->currentText()))
        return;
    Text3->setText(entry::StudentManager::defaultSql(manager_.grade(), manager_.classId()));
    Command7_Click();
}

void Form12::Command7_Click() {
    DataGrid1->setDataSource(nullptr);
    const auto refused = manager_.run(Text3->text());
    DataGrid1->setDataSource(Adodc1);
    DataGrid1->rebind();
    if (refused) {
        refuse(*refused);
        return;
    }
    Combo2->clear();
    Combo2->addItems(manager_.classIds());
    if (Combo2->count() > 0)
        Combo2->setEditText(manager_.classId());
    Adodc1_MoveComplete();
}

void Form12::Command3_Click() {
    const QString typed = Text1->text();
    try {
        const Outcome outcome = manager_.add(typed);
        say(outcome);
        // The new row is current: its name, position and count are shown.
        if (outcome == Outcome::Done)
            Adodc1_MoveComplete();
    } catch (const platform::db::DbError& e) {
        // The student chosen before is current again, which showed his name:
        // the name typed goes back for the next try.
        Text1->setText(typed);
        refuse(e.text());
    }
}

void Form12::Command5_Click() {
    Outcome outcome;
    try {
        outcome = manager_.moveCurrentTo(platform::trimBlanks(Combo2->currentText()));
    } catch (const platform::db::DbError& e) {
        refuse(e.text());
        // The list is read again on the same student, and the class typed
        // stays for the next try.
        const QString typed = Combo2->currentText();
        platform::db::Recordset* rs = Adodc1->recordset();
        const int position = rs ? rs->absolutePosition() : 0;
        const int idField = rs ? rs->fieldIndex(QStringLiteral("STID")) : -1;
        const QVariant id = position > 0 && idField >= 0 ? rs->value(idField) : QVariant();
        Command7_Click();
        rs = Adodc1->recordset();
        try {
            if (rs && !id.isNull())
                rs->findValue(QStringLiteral("STID"), id, 0, true);
            else if (rs && position > 0 && position <= rs->recordCount())
                rs->setAbsolutePosition(position);
        } catch (const platform::db::DbError&) {
        }
        Combo2->setEditText(typed);
        return;
    }
    say(outcome);
    if (outcome == Outcome::Done)
        Command7_Click();
}

void Form12::Command2_Click() {
    try {
        const auto lines = manager_.search(Text2->text());
        if (!lines)
            return;
        List1->clear();
        List1->addItems(*lines);
        if (List1->count() > 0)
            List1->setCurrentRow(0);
    } catch (const platform::db::DbError& e) {
        refuse(e.text());
    }
}

void Form12::Command1_Click() {
    QListWidgetItem* selected = List1->currentItem();
    if (!selected || !selected->isSelected())
        return;
    // Identical lines stand for students who look the same; the last one goes first.
    int line = List1->count() - 1;
    while (line >= 0 && List1->item(line)->text() != selected->text())
        --line;
    Outcome outcome;
    try {
        outcome = manager_.moveIn(line);
    } catch (const platform::db::DbError& e) {
        refuse(e.text());
        return;
    }
    say(outcome);
    if (outcome != Outcome::Done)
        return;
    delete List1->takeItem(line);
    Command7_Click();
}

void Form12::Text1_KeyPress(int16_t& keyAscii) {
    if (keyAscii != 13)
        return;
    keyAscii = 0;
    Command3_Click();
}

void Form12::Text2_KeyPress(int16_t& keyAscii) {
    if (keyAscii != 13)
        return;
    keyAscii = 0;
    Command2_Click();
}

void Form12::Adodc1_MoveComplete() {
    platform::db::Recordset* rs = Adodc1->recordset();
    if (!rs || rs->absolutePosition() <= 0)
        return;
    // Each step of the display stands alone.
    try { Text1->setText(rs->value(QStringLiteral("姓名")).toString()); } catch (const platform::db::DbError&) {}
    Label5->setText(QStringLiteral("这个班有这一个学生"));
    Adodc1->setCaption(QString::number(rs->absolutePosition()) + QStringLiteral("/") +
                       QString::number(rs->recordCount()));
}
