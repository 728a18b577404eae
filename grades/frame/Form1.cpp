#include "grades/frame/Form1.h"

#include "common/class_label.h"
#include "common/today.h"
#include "common/create_database.h"
#include "common/program_state.h"
#include "common/settings_files.h"
#include "grades/frame/core/setup_wizard.h"
#include "platform/text/values.h"
#include "platform/ui/build_control.h"
#include "platform/ui/controls.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/twips.h"

#include <QApplication>
#include <QComboBox>
#include <QDate>
#include <QFile>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

namespace {

std::function<void()>& mainWindowOpener() {
    static std::function<void()> opener;
    return opener;
}

// F1 anywhere in the program opens the help file.
class HelpKey : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_F1 &&
            watched->isWidgetType() && static_cast<QWidget*>(watched)->isWindow()) {
            openHelpFile();
            return true;
        }
        return false;
    }
};

void installHelpKey() {
    static HelpKey* key = nullptr;
    if (key || !qApp) return;
    key = new HelpKey(qApp);
    qApp->installEventFilter(key);
}

void tell(const QString& text, const QString& title = platform::kPromptTitle) {
    platform::dialogs().message(text, platform::MsgButtons::Ok, title);
}

QString selectedText(const QListWidget* list) {
    const auto items = list->selectedItems();
    return items.isEmpty() ? QString() : items.first()->text();
}

QStringList entries(const QListWidget* list) {
    QStringList out;
    for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
    return out;
}

bool holds(const QListWidget* list, const QString& text) {
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->text() == text) return true;
    return false;
}

// "共" count unit, or nothing for an empty list.
void writeCount(QLabel* label, int count, const QString& unit) {
    label->setText(count == 0 ? QString() : QStringLiteral("共%1").arg(count) + unit);
}

const QString kDefaultDatabaseName = QStringLiteral("学生成绩库.mdb");

} // namespace

void Form1::setMainWindowOpener(std::function<void()> opener) { mainWindowOpener() = std::move(opener); }

Form1::Form1(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("数据初始化"));
}

void Form1::buildControls() {
    // Client area 6060 x 3495 twips, fixed.
    const QRect client = platform::twipsRect(0, 0, 6060, 3495);
    setFixedSize(client.size());

    Image1 = platform::buildControl<QLabel>(this, "Image1", 120, 120, 1440, 1560);
    Image1->setScaledContents(true);
    Image1->setPixmap(style()->standardIcon(QStyle::SP_DriveHDIcon).pixmap(96, 104));

    for (size_t i = 0; i < Frame1.size(); ++i) {
        Frame1[i] = platform::buildControl<QFrame>(this, QStringLiteral("Frame1_%1").arg(i), 1560, 120, 4380, 2640);
        Frame1[i]->setFrameShape(QFrame::NoFrame);
    }

    // Step 1: school name.
    QFrame* f = Frame1[0];
    Label1 = platform::buildControl<QLabel>(f, "Label1", 0, 0, 4380, 300, QStringLiteral("第一步：输入学校的名字（20个字以内）："));
    Text1 = platform::buildControl<QLineEdit>(f, "Text1", 0, 360, 4380, 330);
    limitTypedLength(Text1, 20);
    Label6 = platform::buildControl<QLabel>(f, "Label6", 0, 840, 4380, 720,
                                  QStringLiteral("    在数据初始化时，请严格按要求填写各个项目，否则有可能出现意想不到的结果。"));
    Label6->setWordWrap(true);
    Command12 = platform::buildControl<QPushButton>(f, "Command12", 0, 1920, 4380, 420, QStringLiteral("使用本机或网络上已有的数据库文件"));
    connect(Command12, &QPushButton::clicked, this, &Form1::Command12_Click);

    // Step 2: subjects.
    f = Frame1[1];
    Label2 = platform::buildControl<QLabel>(f, "Label2", 0, 0, 4380, 300, QStringLiteral("第二步：输入全校所有的科目（请使用两个汉字）"));
    Label2->setWordWrap(true);
    Combo1 = platform::buildControl<platform::ComboBox>(f, "Combo1", 0, 420, 1440, 315, {}, true);
    Label5 = platform::buildControl<QLabel>(f, "Label5", 0, 900, 1440, 300);
    List1 = platform::buildControl<platform::ListBox>(f, "List1", 1560, 420, 1560, 2160);
    Command2 = platform::buildControl<QPushButton>(f, "Command2", 3300, 420, 1020, 375, QStringLiteral("添加"));
    connect(Command2, &QPushButton::clicked, this, &Form1::Command2_Click);
    Command3 = platform::buildControl<QPushButton>(f, "Command3", 3300, 900, 1020, 375, QStringLiteral("删除"));
    connect(Command3, &QPushButton::clicked, this, &Form1::Command3_Click);
    Command4 = platform::buildControl<QPushButton>(f, "Command4", 3300, 1380, 1020, 375, QStringLiteral("清除"));
    connect(Command4, &QPushButton::clicked, this, &Form1::Command4_Click);

    // Step 3: grade levels.
    f = Frame1[2];
    Label3 = platform::buildControl<QLabel>(f, "Label3", 0, 0, 4380, 300, QStringLiteral("第三步：输入全校的年级（4个数字或字母）："));
    Combo2 = platform::buildControl<platform::ComboBox>(f, "Combo2", 0, 420, 1440, 315, {}, true);
    Label7 = platform::buildControl<QLabel>(f, "Label7", 0, 900, 1440, 300);
    List2 = platform::buildControl<platform::ListBox>(f, "List2", 1560, 420, 1560, 2160);
    List2->setSortingEnabled(true);
    Command7 = platform::buildControl<QPushButton>(f, "Command7", 3300, 420, 1020, 375, QStringLiteral("添加"));
    connect(Command7, &QPushButton::clicked, this, &Form1::Command7_Click);
    Command6 = platform::buildControl<QPushButton>(f, "Command6", 3300, 900, 1020, 375, QStringLiteral("删除"));
    connect(Command6, &QPushButton::clicked, this, &Form1::Command6_Click);
    Command5 = platform::buildControl<QPushButton>(f, "Command5", 3300, 1380, 1020, 375, QStringLiteral("清除"));
    connect(Command5, &QPushButton::clicked, this, &Form1::Command5_Click);

    // Step 4: classes.
    f = Frame1[3];
    Label4 = platform::buildControl<QLabel>(f, "Label4", 0, 0, 4380, 300, QStringLiteral("第四步：输入全校的所有班级（2个数字或字母）："));
    List3 = platform::buildControl<platform::ListBox>(f, "List3", 0, 420, 1200, 2160);
    List3->setSortingEnabled(true);
    List4 = platform::buildControl<platform::ListBox>(f, "List4", 1320, 420, 1800, 1680);
    List4->setSortingEnabled(true);
    Combo3 = platform::buildControl<platform::ComboBox>(f, "Combo3", 1320, 2220, 1800, 315, {}, true);
    Command10 = platform::buildControl<QPushButton>(f, "Command10", 3300, 420, 1020, 375, QStringLiteral("添加"));
    connect(Command10, &QPushButton::clicked, this, &Form1::Command10_Click);
    Command9 = platform::buildControl<QPushButton>(f, "Command9", 3300, 900, 1020, 375, QStringLiteral("删除"));
    connect(Command9, &QPushButton::clicked, this, &Form1::Command9_Click);
    Command8 = platform::buildControl<QPushButton>(f, "Command8", 3300, 1380, 1020, 375, QStringLiteral("清除"));
    connect(Command8, &QPushButton::clicked, this, &Form1::Command8_Click);
    Label8 = platform::buildControl<QLabel>(f, "Label8", 3300, 1860, 1020, 300);

    // Step 5: database file and password.
    f = Frame1[4];
    Label10 = platform::buildControl<QLabel>(f, "Label10", 0, 0, 4380, 480, QStringLiteral("第五步：输入数据文件的所在的文件夹和文件名(请使用绝对路径)："));
    Label10->setWordWrap(true);
    Text2 = platform::buildControl<QLineEdit>(f, "Text2", 0, 540, 3420, 330);
    Command11 = platform::buildControl<QPushButton>(f, "Command11", 3540, 518, 840, 375, QStringLiteral("浏览"));
    connect(Command11, &QPushButton::clicked, this, &Form1::Command11_Click);
    Label9 = platform::buildControl<QLabel>(f, "Label9", 0, 1020, 4380, 480,
                                  QStringLiteral("    如果要在整个网络中使用本软件，请注意使这个地址指向同一个文件。"));
    Label9->setWordWrap(true);
    Label11 = platform::buildControl<QLabel>(f, "Label11", 0, 1680, 1200, 300, QStringLiteral("管理员密码："));
    Text3 = platform::buildControl<QLineEdit>(f, "Text3", 1200, 1640, 1800, 330);
    Label12 = platform::buildControl<QLabel>(f, "Label12", 0, 2160, 1200, 300, QStringLiteral("确认密码："));
    Text4 = platform::buildControl<QLineEdit>(f, "Text4", 1200, 2120, 1800, 330);
    for (QLineEdit* pw : {Text3, Text4}) {
        pw->setEchoMode(QLineEdit::Password);
        pw->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));  // "*"
        pw->setMaxLength(8);
    }

    // The buttons along the bottom edge, 1170 twips apart.
    Command1 = platform::buildControl<QPushButton>(this, "Command1", 120, 2880, 1095, 375, QStringLiteral("帮助"));
    Command14 = platform::buildControl<QPushButton>(this, "Command14", 1290, 2880, 1095, 375, QStringLiteral("取消"));
    Command15 = platform::buildControl<QPushButton>(this, "Command15", 2460, 2880, 1095, 375, QStringLiteral("上一步"));
    Command16 = platform::buildControl<QPushButton>(this, "Command16", 3630, 2880, 1095, 375, QStringLiteral("下一步"));
    Command17 = platform::buildControl<QPushButton>(this, "Command17", 4800, 2880, 1095, 375, QStringLiteral("完成"));
    connect(Command1, &QPushButton::clicked, this, &Form1::Command1_Click);
    connect(Command14, &QPushButton::clicked, this, &Form1::Command14_Click);
    connect(Command15, &QPushButton::clicked, this, &Form1::Command15_Click);
    connect(Command16, &QPushButton::clicked, this, &Form1::Command16_Click);
    connect(Command17, &QPushButton::clicked, this, &Form1::Command17_Click);
}

// Typing stops at maxLength, but a longer text put in by the program (the prompt)
// stays whole and can still be shortened.
void Form1::limitTypedLength(QLineEdit* edit, int maxLength) {
    auto previous = std::make_shared<QString>();
    connect(edit, &QLineEdit::textEdited, this, [edit, previous, maxLength](const QString& typed) {
        if (typed.size() > maxLength && typed.size() > previous->size()) {
            const int cursor = edit->cursorPosition() - int(typed.size() - previous->size());
            edit->setText(*previous);
            edit->setCursorPosition(std::max(0, cursor));
        }
        *previous = edit->text();
    });
    // A text set by the program clears the modified flag; typing sets it.
    connect(edit, &QLineEdit::textChanged, this, [edit, previous](const QString&) {
        if (!edit->isModified()) *previous = edit->text();
    });
}

void Form1::Form_Load() {
    setHelpFile(programFolder() + QStringLiteral("/Orbisca.chm"));
    installHelpKey();

    if (QFile::exists(locatorFilePath())) {
        handOver();
        return;
    }

    // Built only for the wizard: a start with a database goes on without ever
    // showing this window, and its icon and controls would only delay the login.
    if (!Command1)
        buildControls();
    for (QFrame* f : Frame1) f->hide();
    showStep(0);

    Combo1->clear();
    Combo1->addItems({QStringLiteral("语文"), QStringLiteral("数学"), QStringLiteral("英语"), QStringLiteral("历史"),
                      QStringLiteral("政治"), QStringLiteral("物理"), QStringLiteral("化学"), QStringLiteral("生物"),
                      QStringLiteral("地理")});
    Combo1->setEditText({});
    List1->clear();
    List1->addItems({QStringLiteral("语文"), QStringLiteral("数学")});

    const int year = today().year();
    Combo2->clear();
    for (int y = year - 4; y <= year + 4; ++y) Combo2->addItem(QString::number(y));
    Combo2->setEditText({});
    const QString nextYear = QString::number(year + 1);
    List2->clear();
    List2->addItem(nextYear);
    List3->clear();
    List3->addItem(nextYear);
    List4->clear();
    List4->addItem(classLabel(nextYear, QStringLiteral("01")));
    rewriteClassCount();
    Label5->clear();
    Label7->clear();

    Combo3->clear();
    for (int n = 1; n <= 20; ++n) Combo3->addItem(QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0')));
    Combo3->setEditText({});

    Text1->setText(QStringLiteral("请在此输入贵校的真实名称，最好在十个字以内。"));
    Text1->setModified(false);
    Text2->setText(programFolder() + u'/' + kDefaultDatabaseName);
    fileDialogFolder_ = programFolder();

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    wizardPrepared_ = true;
}

void Form1::showStep(int step) {
    wizardStep_ = step;
    Command15->setEnabled(step > 0);
    Command16->setEnabled(step < 4);
    Command17->setEnabled(step == 4);
    for (size_t i = 0; i < Frame1.size(); ++i) Frame1[i]->setVisible(int(i) == step);
}

void Form1::handOver() {
    // The main window's start-up begins by putting this window away, before
    // it asks for the login.
    hide();
    if (mainWindowOpener()) mainWindowOpener()();
    close();
}

void Form1::rewriteSubjectCount() { writeCount(Label5, List1->count(), QStringLiteral("科")); }
void Form1::rewriteGradeCount() { writeCount(Label7, List2->count(), QStringLiteral("个年级")); }
void Form1::rewriteClassCount() { writeCount(Label8, List4->count(), QStringLiteral("个班")); }

void Form1::Command1_Click() { openHelpFile(); }

void Form1::Command2_Click() {
    const QString s = platform::trimBlanks(Combo1->currentText());
    if (s.isEmpty()) return tell(QStringLiteral("请在左边空格输入科目名称！"));
    if (s.size() != 2) return tell(QStringLiteral("科目名称必须是两个汉字！"));
    if (holds(List1, s)) return;
    List1->addItem(s);
    rewriteSubjectCount();
    Combo1->setEditText({});
}

void Form1::Command3_Click() {
    const auto items = List1->selectedItems();
    if (items.isEmpty()) return;
    delete List1->takeItem(List1->row(items.first()));
    rewriteSubjectCount();
}

void Form1::Command4_Click() {
    List1->clear();
    Label5->clear();
}

void Form1::Command7_Click() {
    const QString g = platform::trimBlanks(Combo2->currentText());
    if (g.size() != 4) return tell(QStringLiteral("请检查左边空格的的内容是否满足要求！"));
    if (holds(List2, g)) return;
    List2->addItem(g);
    List3->addItem(g);
    List4->addItem(classLabel(g, QStringLiteral("01")));
    rewriteClassCount();
    rewriteGradeCount();
    Combo2->setEditText({});
}

void Form1::Command6_Click() {
    const auto items = List2->selectedItems();
    if (items.isEmpty()) return;
    const int row = List2->row(items.first());
    const QString grade = items.first()->text();
    delete List2->takeItem(row);
    delete List3->takeItem(row);
    for (int i = List4->count() - 1; i >= 0; --i)
        if (gradeOfLabel(List4->item(i)->text()) == grade) delete List4->takeItem(i);
    rewriteClassCount();
    rewriteGradeCount();
}

void Form1::Command5_Click() {
    List2->clear();
    List3->clear();
    List4->clear();
    Label7->clear();
    Label8->clear();
    Combo3->setEditText({});
}

void Form1::Command10_Click() {
    if (List3->count() == 0) return tell(QStringLiteral("请在上一步中至少输入一个年级！"));
    if (List3->count() == 1) List3->item(0)->setSelected(true);
    const QString c = platform::trimBlanks(Combo3->currentText());
    if (c.isEmpty()) return tell(QStringLiteral("请在左边空格是输入班级号！"));
    if (c.size() != 2) return tell(QStringLiteral("班级号必须是两个数字或字母！"));
    const QString grade = selectedText(List3);
    if (grade.isEmpty()) return tell(QStringLiteral("请在左边选择一个年级！"));
    const QString entry = classLabel(grade, c);
    if (holds(List4, entry)) return;
    List4->addItem(entry);
    rewriteClassCount();
    Combo3->setEditText({});
}

void Form1::Command9_Click() {
    const auto items = List4->selectedItems();
    if (items.isEmpty()) return;
    delete List4->takeItem(List4->row(items.first()));
    rewriteClassCount();
}

void Form1::Command8_Click() {
    List4->clear();
    Label8->clear();
}

void Form1::Command11_Click() {
    platform::FileRequest request;
    request.title = QStringLiteral("将数据文件保存为");
    request.filter = QStringLiteral("Access数据库(*.mdb)|*.mdb|所有文件(*.*)|*.*");
    request.fileName = kDefaultDatabaseName;
    request.initialFolder = fileDialogFolder_;
    // An existing file chosen here is attached, never replaced: no question about replacing it.
    request.confirmOverwrite = false;
    // A cancelled dialog keeps what was typed.
    if (const auto chosen = platform::dialogs().saveFile(request)) Text2->setText(*chosen);
}

void Form1::Command12_Click() { showStep(4); }

void Form1::Command14_Click() { close(); }

void Form1::Command15_Click() {
    if (wizardStep_ == 0) return;
    showStep(wizardStep_ - 1);
}

void Form1::Command16_Click() {
    if (wizardStep_ == 4) return;
    showStep(wizardStep_ + 1);
}

void Form1::Command17_Click() {
    const WizardVerdict verdict = ValidateWizardInput(
        {Text1->text(), Text2->text(), Text3->text(), Text4->text(), entries(List1), entries(List3), entries(List4)});
    switch (verdict.action) {
    case WizardVerdict::Attach:
        return UseExistingDatabase();
    case WizardVerdict::Create:
        return CreateNewDatabase();
    case WizardVerdict::Refuse:
        tell(verdict.message);
        if (verdict.goToStep >= 0) showStep(verdict.goToStep);
        return;
    }
}

void Form1::CreateNewDatabase() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    setEnabled(false);
    const SetupOutcome outcome = createSchoolDatabase(
        {Text1->text(), Text2->text(), Text3->text(), entries(List1), entries(List2), entries(List4)});
    QApplication::restoreOverrideCursor();
    if (!outcome.ok) {
        tell(outcome.message, outcome.title);
        setEnabled(true);
        return;
    }
    tell(QStringLiteral("恭喜你数据初始化已完成！"));
    setEnabled(true);
    handOver();
}

void Form1::UseExistingDatabase() {
    const SetupOutcome outcome = attachExistingDatabase(Text2->text());
    if (!outcome.ok) return tell(outcome.message, outcome.title);
    tell(QStringLiteral("恭喜你数据初始化已完成！"));
    setEnabled(true);
    handOver();
}
