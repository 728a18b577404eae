#include "grades/maintenance/Dialog.h"

#include "common/class_label.h"
#include "platform/ui/build_control.h"
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

// Captions from the top, as designed.
constexpr Qt::Alignment kFromTop = Qt::AlignLeft | Qt::AlignTop;

} // namespace

Dialog::Dialog(QWidget* owner) : QDialog(owner) {
    setObjectName(QStringLiteral("Dialog"));
    setWindowTitle(QStringLiteral("增加/删除一个班"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    platform::resizeTwips(*this, 6015, 3480);
    setFixedSize(size());

    List1 = platform::buildControl<platform::ListBox>(this, "List1", 120, 120, 2055, 3210);

    // The four frames lie on one another; the caller shows one.
    for (int i = 0; i < 4; ++i)
        Frame1[i] = platform::buildControl<platform::Frame>(this, QStringLiteral("Frame1_%1").arg(i), 2340, 120, 3555, 2505);

    // What was typed is what is checked: the combo boxes complete nothing.
    Combo3 = platform::buildControl<platform::ComboBox>(Frame1[AddGrade], "Combo3", 360, 720, 1500, 300, {}, true);
    platform::buildControl<QLabel>(Frame1[AddGrade], {}, 1950, 765, 375, 255, QStringLiteral("级"))->setAlignment(kFromTop);
    Command3 = platform::buildControl<QPushButton>(Frame1[AddGrade], "Command3", 1080, 1800, 1335, 420, QStringLiteral("增加"));

    Label3 = platform::buildControl<QLabel>(Frame1[DeleteClass], "Label3", 240, 480, 3075, 1080,
                                  QStringLiteral("警告:   当一个班被删除后,这个班          的所有同学也会被删除!"));
    Label3->setAlignment(kFromTop);
    Label3->setWordWrap(true);
    Command2 = platform::buildControl<QPushButton>(Frame1[DeleteClass], "Command2", 1080, 1800, 1335, 420, QStringLiteral("删除"));

    Combo1 = platform::buildControl<platform::ComboBox>(Frame1[AddClass], "Combo1", 240, 720, 1215, 300, {}, true);
    platform::buildControl<QLabel>(Frame1[AddClass], {}, 1515, 765, 300, 255, QStringLiteral("级"))->setAlignment(kFromTop);
    Combo2 = platform::buildControl<platform::ComboBox>(Frame1[AddClass], "Combo2", 1860, 720, 900, 300, {}, true);
    platform::buildControl<QLabel>(Frame1[AddClass], {}, 2820, 765, 300, 255, QStringLiteral("班"))->setAlignment(kFromTop);
    Command1 = platform::buildControl<QPushButton>(Frame1[AddClass], "Command1", 1080, 1800, 1335, 420, QStringLiteral("增加"));

    Label5 = platform::buildControl<QLabel>(Frame1[DeleteGrade], "Label5", 240, 480, 3075, 1080,
                                  QStringLiteral("警告:   当一个年级被删除后,这个         年级的所有同学也会被删除!"));
    Label5->setAlignment(kFromTop);
    Label5->setWordWrap(true);
    Command4 = platform::buildControl<QPushButton>(Frame1[DeleteGrade], "Command4", 1080, 1800, 1335, 420, QStringLiteral("删除"));

    CancelButton = platform::buildControl<QPushButton>(this, "CancelButton", 3420, 2850, 1335, 420, QStringLiteral("取消"));

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
