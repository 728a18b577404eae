#include "grades/maintenance/school_structure_commands.h"

#include "common/class_label.h"
#include "common/program_state.h"
#include "common/today.h"
#include "grades/frame/form2_panel.h"
#include "grades/maintenance/Dialog.h"
#include "grades/maintenance/core/school_structure.h"
#include "grades/maintenance/undone_change.h"
#include "grades/results/view/results_choosers.h"
#include "platform/db/datacontrol.h"
#include "platform/db/database.h"
#include "platform/ui/dialogs.h"

#include <QComboBox>
#include <QGroupBox>
#include <QListWidget>
#include <functional>
#include <optional>

namespace maintenance {

using platform::db::DbError;

namespace {

void tellStructure(const QString& text, const QString& title) {
    platform::dialogs().message(text, platform::MsgButtons::Ok, title);
}

// What every command does first: the visible panel is finished for every
// user, then the right is tested, then the results view's choosers are
// emptied so that its next opening lists the classes as they then stand.
bool begin(PanelHost& host, results::ResultsChoosers& view) {
    if (!host.Comout_Click(0))
        return false;
    if (state().IsAdministrator == 0) {
        tellStructure(QStringLiteral("只有系统管理员才有权使用本功能。"), platform::kPromptTitle);
        return false;
    }
    view.forgetClasses();
    view.forgetRooms();
    return true;
}

// Shows the dialog with one frame and gives back the answer, "" when cancelled.
QString ask(Dialog& dialog, Dialog::Task task, const QString& caption) {
    // The caption names the task both in the title bar and on its frame.
    dialog.setWindowTitle(caption);
    dialog.Frame1[task]->setTitle(caption);
    dialog.showFrame(task);
    platform::dialogs().runModal(dialog);
    return dialog.answerText();
}

void count(const RowChanges& done) {
    ProgramState& s = state();
    s.GradeCount = static_cast<int16_t>(s.GradeCount + done.grades);
    s.ClassCount = static_cast<int16_t>(s.ClassCount + done.classes);
    s.StudentCount += static_cast<float>(done.students);
}

// What a command changed and the words that tell it.
struct StructureChangeDone {
    RowChanges rows;
    QString text;
    QString title;
};

// One command of the four: the right, the dialog on its one frame, the change
// in one transaction, the counts and the word of success. `fill` readies the
// dialog (false: the command ends before it is shown); `apply` changes the
// database for the answer, or gives back nothing when there was nothing to
// change, the user having been told why.
struct StructureCommand {
    Dialog::Task task;
    QString caption;
    bool trimAnswer;   // the adding commands take the answer without blanks around it
    std::function<bool(platform::db::Database&, Dialog&)> fill;
    std::function<std::optional<StructureChangeDone>(platform::db::Database&, const QString&)> apply;
};

void runStructureCommand(PanelHost& host, results::ResultsChoosers& view, const StructureCommand& command) {
    if (!begin(host, view))
        return;
    try {
        const auto connection = openProgramDatabase();
        auto& db = *connection;
        Dialog dialog(host.hostWindow());
        if (!command.fill(db, dialog))
            return;
        QString answer = ask(dialog, command.task, command.caption);
        if (command.trimAnswer)
            answer = answer.trimmed();
        if (answer.isEmpty())
            return;
        view.forgetClasses();
        const auto done = command.apply(db, answer);
        if (!done)
            return;
        count(done->rows);
        tellStructure(done->text, done->title);
    } catch (const DbError& e) {
        reportUndone(e);
    }
}

} // namespace

void AddBan_Click(PanelHost& host, results::ResultsChoosers& view) {
    runStructureCommand(host, view,
                        {Dialog::AddClass, QStringLiteral("增加一个班"), true,
                         [](platform::db::Database& db, Dialog& dialog) {
                             const QStringList grades = gradeIds(db);
                             dialog.Combo1->addItems(grades);
                             dialog.Combo1->setEditText(grades.value(0));
                             dialog.List1->addItems(classLabels(db));
                             return true;
                         },
                         [](platform::db::Database& db, const QString& answer) -> std::optional<StructureChangeDone> {
                             const QString grade = gradeOfLabel(answer);
                             const QString cls = classOfLabel(answer);
                             return StructureChangeDone{addClass(db, grade, cls),
                                                        classLabel(grade, cls) + QStringLiteral("添加成功!"),
                                                        QStringLiteral("添加完成")};
                         }});
}

void DeleBan_Click(PanelHost& host, results::ResultsChoosers& view) {
    runStructureCommand(
        host, view,
        {Dialog::DeleteClass, QStringLiteral("删除一个班"), false,
         [](platform::db::Database& db, Dialog& dialog) {
             const QStringList labels = classLabels(db);
             if (labels.size() <= 1) {
                 tellStructure(QStringLiteral("必须要有一个班,请先添加一些班之后再作删除操作!"), QStringLiteral("必须要有一个班"));
                 return false;
             }
             dialog.List1->addItems(labels);
             return true;
         },
         [](platform::db::Database& db, const QString& answer) -> std::optional<StructureChangeDone> {
             const QString grade = gradeOfLabel(answer);
             const QString cls = classOfLabel(answer);
             // The class and its students go in one transaction; success is told
             // only once both are gone.
             const auto done = deleteClass(db, grade, cls);
             if (!done) {
                 tellStructure(QStringLiteral("没有这样一个班!"), platform::kPromptTitle);
                 return std::nullopt;
             }
             return StructureChangeDone{*done, classLabel(grade, cls) + QStringLiteral("删除成功!"),
                                        QStringLiteral("删除完成")};
         }});
}

void Menu_Addlj_Click(PanelHost& host, results::ResultsChoosers& view) {
    runStructureCommand(host, view,
                        {Dialog::AddGrade, QStringLiteral("增加一个年级"), true,
                         [](platform::db::Database& db, Dialog& dialog) {
                             dialog.List1->addItems(gradeLabels(db));
                             dialog.Combo3->clear();
                             const int year = today().year();
                             for (int y = year - 3; y <= year + 3; ++y)
                                 dialog.Combo3->addItem(QString::number(y));
                             dialog.Combo3->setEditText(dialog.Combo3->itemText(0));
                             return true;
                         },
                         [](platform::db::Database& db, const QString& answer) -> std::optional<StructureChangeDone> {
                             const QString& grade = answer;   // the dialog takes four letters or digits only
                             return StructureChangeDone{addGradeLevel(db, grade), grade + QStringLiteral("级添加成功!"),
                                                        QStringLiteral("添加完成")};
                         }});
}

void Menu_Dellj_Click(PanelHost& host, results::ResultsChoosers& view) {
    runStructureCommand(host, view,
                        {Dialog::DeleteGrade, QStringLiteral("删除一个年级"), false,
                         [](platform::db::Database& db, Dialog& dialog) {
                             dialog.List1->addItems(gradeLabels(db));
                             return true;
                         },
                         [](platform::db::Database& db, const QString& answer) -> std::optional<StructureChangeDone> {
                             const QString grade = gradeOfLabel(answer.trimmed());
                             const auto done = deleteGradeLevel(db, grade);
                             if (!done) {
                                 tellStructure(QStringLiteral("没有这样一个年级!"), platform::kPromptTitle);
                                 return std::nullopt;
                             }
                             return StructureChangeDone{*done, grade + QStringLiteral("级删除成功!"),
                                                        QStringLiteral("删除完成")};
                         }});
}

} // namespace maintenance
