#include "grades/maintenance/Dialog.h"

#include "common/class_label.h"
#include "platform/ui/controls.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/twips.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <algorithm>

namespace {

// The ids are letters and digits, as the messages say; a Chinese character
// counts as a letter, since a school may have set its ids up that way.
bool lettersAndDigits(const QString& id) {
    return std::all_of(id.begin(), id.end(), [](QChar c) { return c.isLetterOrNumber(); });
}

void tell(const QString& text, const QString& title = {}) {
    platform::dialogs().message(text, platform::MsgButtons::Ok, title);
}

// What was typed is what is checked: the box completes nothing.
QComboBox* editableCombo(QWidget* parent, const char* name) {
    auto* box = new platform::ComboBox(parent, true);
    box->setObjectName(QString::fromLatin1(name));
    return box;
}

QLabel* label(QWidget* parent, const QString& text, int l, int t, int w, int h) {
    auto* lab = new QLabel(text, parent);
    lab->setAlignment(Qt::AlignLeft | Qt::AlignTop);   // text from the top, as designed
    platform::placeTwips(*lab, l, t, w, h);
    return lab;
}

QPushButton* button(QWidget* parent, const char* name, const QString& caption, int l, int t, int w, int h) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    platform::placeTwips(*b, l, t, w, h);
    return b;
}

} // namespace

Dialog::Dialog(QWidget* owner) : QDialog(owner) {
    setObjectName(QStringLiteral("Dialog"));
    setWindowTitle(QStringLiteral("增加/删除一个班"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    platform::resizeTwips(*this, 6015, 3480);
    setFixedSize(size());

    List1 = new platform::ListBox(this);
    List1->setObjectName(QStringLiteral("List1"));
    platform::placeTwips(*List1, 120, 120, 2055, 3210);

    // The four frames lie on one another; the caller shows one.
    for (int i = 0; i < 4; ++i) {
        Frame1[i] = new platform::Frame(this);
        Frame1[i]->setObjectName(QStringLiteral("Frame1_%1").arg(i));
        platform::placeTwips(*Frame1[i], 2340, 120, 3555, 2505);
    }

    Combo3 = editableCombo(Frame1[AddGrade], "Combo3");
    platform::placeTwips(*Combo3, 360, 720, 1500, 300);
    label(Frame1[AddGrade], QStringLiteral("级"), 1950, 765, 375, 255);
    Command3 = button(Frame1[AddGrade], "Command3", QStringLiteral("增加"), 1080, 1800, 1335, 420);

    Label3 = label(Frame1[DeleteClass],
                   QStringLiteral("警告:   当一个班被删除后,这个班          的所有同学也会被删除!"),
                   240, 480, 3075, 1080);
    Label3->setObjectName(QStringLiteral("Label3"));
    Label3->setWordWrap(true);
    Command2 = button(Frame1[DeleteClass], "Command2", QStringLiteral("删除"), 1080, 1800, 1335, 420);

    Combo1 = editableCombo(Frame1[AddClass], "Combo1");
    platform::placeTwips(*Combo1, 240, 720, 1215, 300);
    label(Frame1[AddClass], QStringLiteral("级"), 1515, 765, 300, 255);
    Combo2 = editableCombo(Frame1[AddClass], "Combo2");
    platform::placeTwips(*Combo2, 1860, 720, 900, 300);
    label(Frame1[AddClass], QStringLiteral("班"), 2820, 765, 300, 255);
    Command1 = button(Frame1[AddClass], "Command1", QStringLiteral("增加"), 1080, 1800, 1335, 420);

    Label5 = label(Frame1[DeleteGrade],
                   QStringLiteral("警告:   当一个年级被删除后,这个         年级的所有同学也会被删除!"),
                   240, 480, 3075, 1080);
    Label5->setObjectName(QStringLiteral("Label5"));
    Label5->setWordWrap(true);
    Command4 = button(Frame1[DeleteGrade], "Command4", QStringLiteral("删除"), 1080, 1800, 1335, 420);

    CancelButton = button(this, "CancelButton", QStringLiteral("取消"), 3420, 2850, 1335, 420);

    connect(Command1, &QPushButton::clicked, this, &Dialog::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Dialog::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &Dialog::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &Dialog::Command4_Click);
    connect(CancelButton, &QPushButton::clicked, this, &Dialog::CancelButton_Click);

    Form_Load();
}

void Dialog::Form_Load() {
    Combo2->clear();
    for (int i = 1; i <= 15; ++i)
        Combo2->addItem(QStringLiteral("%1").arg(i, 2, 10, QLatin1Char('0')));
    Combo2->setEditText(QStringLiteral("01"));
}

void Dialog::showFrame(Task task) {
    for (QGroupBox* frame : Frame1)
        frame->setVisible(false);
    Frame1[task]->setVisible(true);
}

void Dialog::answer(const QString& text) {
    answer_ = text;
    accept();
}

void Dialog::Command1_Click() {
    const QString classId = Combo2->currentText().trimmed();
    if (classId.size() != 2 || !lettersAndDigits(classId))
        return tell(QStringLiteral("班必须是由两个字母或数字构成!"), platform::kPromptTitle);
    const QString grade = Combo1->currentText();
    const QString label = classLabel(grade, classId);
    for (int i = 0; i < List1->count(); ++i)
        if (List1->item(i)->text() == label)
            return tell(QStringLiteral("这个班已经存在，请重新输入一个班。"), platform::kPromptTitle);
    bool listed = false;
    for (int i = 0; i < Combo1->count() && !listed; ++i)
        listed = Combo1->itemText(i) == grade;
    if (!listed)
        return tell(QStringLiteral("你输入的年级不正确，如果确有这个年级，请先添加这个年级！"));
    answer(label);
}

void Dialog::Command2_Click() {
    const QListWidgetItem* chosen = List1->currentItem();
    if (!chosen || !chosen->isSelected() || chosen->text().isEmpty())
        return tell(QStringLiteral("请在左边列表框中选择一个班."), platform::kPromptTitle);
    answer(chosen->text());
}

void Dialog::Command3_Click() {
    const QString typed = Combo3->currentText();
    const QString gradeId = typed.trimmed();
    if (gradeId.size() != 4 || !lettersAndDigits(gradeId))
        return tell(QStringLiteral("年级号必须由4个数字或字母组成,且中间不能有空格,请重新输入!"));
    for (int i = 0; i < List1->count(); ++i)
        if (gradeOfLabel(List1->item(i)->text()) == gradeId)
            return tell(typed + QStringLiteral("级已经存在,请重新输入一个系统还没有的年级!"),
                        platform::kPromptTitle);
    answer(gradeId);
}

void Dialog::Command4_Click() {
    const QListWidgetItem* chosen = List1->currentItem();
    if (!chosen || !chosen->isSelected() || chosen->text().isEmpty())
        return tell(QStringLiteral("请在左边列表框中选择一个年级."), platform::kPromptTitle);
    answer(chosen->text());
}

void Dialog::CancelButton_Click() {
    answer_.clear();
    reject();
}
