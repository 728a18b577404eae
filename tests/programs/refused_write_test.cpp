// Every writing command of both programs that reads what the user typed,
// tried while another program holds the file: its write lock, refusing the
// command's first write, or a read left open, refusing only the command's
// commit. After the busy message every box still holds the typing and the
// file is as it was; once the file is free the same command stores the
// typing, and only the records it names change (by their key).
#include "common/program_state.h"
#include "common/settings_files.h"
#include "common/settings_rows.h"
#include "grades/app/main_window.h"
#include "grades/calc/Dialog1.h"
#include "grades/entry/Form12.h"
#include "grades/entry/MarkEntryPanel.h"
#include "grades/examno/Form4.h"
#include "grades/frame/Form2.h"
#include "grades/frame/Form8.h"
#include "grades/frame/frmLogin.h"
#include "grades/maintenance/Form15.h"
#include "platform/db/datacontrol.h"
#include "platform/db/recordset.h"
#include "platform/dbui/datagrid.h"
#include "records/EditAll.h"
#include "records/QYset.h"
#include "records/XJmain.h"
#include "records/core/Tavisk.h"
#include "support/dialog_double.h"
#include "support/mark_school.h"
#include "support/other_program.h"
#include "support/school_fixture.h"
#include "support/test_files.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>
#include <map>

using platform::MsgResult;

namespace {

const QString kBusy = QStringLiteral("数据库正被别的程序使用,请稍后再试.");

// Every row of every table by its key ("成绩表 20040003"), as text.
using Snapshot = std::map<QString, QString>;

QString keyOf(const QString& table, const QStringList& fields, const QVariantList& row) {
    auto at = [&](const char* name) { return row.value(fields.indexOf(QString::fromUtf8(name))).toString(); };
    if (fields.contains("STID"))
        return at("STID");
    if (table == "教师表")
        return at("姓名");
    if (table == "年级表")
        return at("年级");
    if (table == "班级表")
        return at("年级") + at("班");
    return at("rowid");
}

Snapshot snapshot(platform::db::Database& db) {
    Snapshot out;
    for (const QString& table : db.tableNames()) {
        QStringList fields{"rowid"};
        for (const auto& f : db.tableDef(table).fields)
            fields << f.name;
        for (const auto& row : db.query(QStringLiteral("select rowid, * from \"%1\"").arg(table))) {
            QStringList cells;
            for (const QVariant& v : row)
                cells << (v.isNull() ? QStringLiteral("∅") : v.toString());
            out[table + u' ' + keyOf(table, fields, row)] += cells.join(u'|') + u'\n';
        }
    }
    return out;
}

QStringList changedKeys(const Snapshot& before, const Snapshot& after) {
    QStringList out;
    for (const auto& [key, text] : before)
        if (!after.count(key) || after.at(key) != text)
            out << key;
    for (const auto& [key, text] : after)
        if (!before.count(key))
            out << key;
    out.sort();
    return out;
}

// A grid cell's editor opened and typed into, as a person starts typing in a cell.
void typeInCell(QTableView* view, int row, int column, const QString& text) {
    const QModelIndex cell = view->model()->index(row, column);
    view->setCurrentIndex(cell);
    view->edit(cell);
    for (auto* editor : view->viewport()->findChildren<QLineEdit*>())
        if (editor->isVisible())
            editor->setText(text);
}

QString cellText(QTableView* view, int row, int column) {
    return view->model()->index(row, column).data().toString();
}

// The school every row starts from: marks in 2004级01班 (甲一 to 甲五,
// 20040001 to 20040005) and 2005级01班, a teacher without classes.
struct Scene {
    SchoolFixture school{{"语文", "数学"}, {"2004", "2005"}, {"2004级01班", "2004级02班", "2005级01班"}};
    DialogDouble dialogs;
    std::unique_ptr<Form2> window;
    std::unique_ptr<XJmain> records;
    std::unique_ptr<QWidget> other;   // a records window beside the main one
    struct Box {
        QString name;
        std::function<QString()> read;
        QString typed;
    };
    std::vector<Box> boxes;
    Snapshot before;
    bool tried = false;
    QStringList hold = {"BEGIN IMMEDIATE"};   // what the other program runs before the command

    Scene() {
        seedMarkSchool(*school.db());
        school.db()->insertRow("教师表", {"姓名"}, {"王老师"});
        Tavisk::resetState();
        testsupport::OtherProgram::waitAtMost(*school.db(), 50);
    }
    ~Scene() {
        other.reset();
        records.reset();
        window.reset();
        Tavisk::resetState();
    }

    Form2& grades() {
        if (!window) {
            window = makeMainWindow();
            window->ConnectDataControls();
            window->resize(1000, 700);
            window->show();
        }
        return *window;
    }
    template <class T> T* at(const char* name) { return grades().control<T>(QString::fromUtf8(name)); }
    XJmain& recordsMain() {
        if (!records) {
            records = std::make_unique<XJmain>();
            EXPECT_TRUE(records->Form_Load());
        }
        return *records;
    }

    // What the user typed into a box, and how the box shows it.
    void typed(const QString& name, std::function<QString()> read, const QString& text) {
        boxes.push_back({name, std::move(read), text});
    }
    void typedInto(QLineEdit* box, const QString& text) {
        box->setText(text);
        typed(box->objectName(), [box] { return box->text(); }, text);
    }
    void typedInto(QComboBox* box, const QString& text) {
        box->setEditText(text);
        typed(box->objectName(), [box] { return box->currentText(); }, text);
    }

    // The command while another program holds the file, then once it is free.
    void refusedThenStored(const std::function<void()>& command) {
        tried = true;
        before = snapshot(*school.db());
        {
            testsupport::OtherProgram holder(school.databasePath());
            for (const QString& sql : hold)
                holder.run(sql);
            dialogs.answerMessage(MsgResult::Ok);   // the busy message, alone or after its context
            command();
            QCoreApplication::processEvents();
            EXPECT_EQ(dialogs.messages().filter(kBusy).size(), 1) << dialogs.messages().join('\n').toStdString();
            for (const Box& b : boxes)
                EXPECT_EQ(b.read(), b.typed) << "box " << b.name.toStdString();
            holder.run("ROLLBACK");
        }
        EXPECT_TRUE(changedKeys(before, snapshot(*school.db())).isEmpty());
        command();
        QCoreApplication::processEvents();
    }
};

struct Case {
    const char* name;
    std::function<void(Scene&)> run;   // opens, chooses, types, then refusedThenStored
    QStringList changed;               // the records the stored command changes
};

// ------------------------------------------------------------ the grade program

void markEntry(Scene& s, const char* button) {
    Form2& w = s.grades();
    w.Command8_Click();
    auto& panel = dynamic_cast<MarkEntryPanel&>(*w.panel(8));
    auto* subject = s.at<QComboBox>("Combo8");
    subject->setCurrentIndex(subject->findText("数学"));
    panel.Combo8_Click();
    w.anyDataControl("Ad8").recordset()->setAbsolutePosition(3);
    QLineEdit* mark = s.at<QLineEdit>("Te81");
    mark->selectAll();
    QTest::keyClicks(mark, "77");
    s.typed("Te81", [mark] { return mark->text(); }, "77");
    s.refusedThenStored([&] {
        if (button)
            s.at<QPushButton>(button)->click();
        else
            QTest::keyClick(mark, Qt::Key_Return);
    });
    EXPECT_EQ(storedMark(*s.school.db(), "甲三").toDouble(), 77.0);
}

void studentPanel(Scene& s, const char* button) {
    Form2& w = s.grades();
    w.Command1_Click();
    ASSERT_TRUE(w.anyDataControl("Ad1").recordset()->findValue("学号", "03", 0, true));
    s.at<QCheckBox>("Che11")->setChecked(true);
    s.typedInto(s.at<QLineEdit>("Te11"), "戊");
    s.typedInto(s.at<QLineEdit>("tx12"), "06");
    s.refusedThenStored([&] { s.at<QPushButton>(button)->click(); });
}

void fullMark(Scene& s, const std::function<void()>& leave) {
    Form2& w = s.grades();
    w.Command4_Click();
    QTableView* view = w.grid("DataGrid4")->view();
    typeInCell(view, 1, 2, "120");   // 2005's 数学
    s.typed("DataGrid4 2005 数学", [view] { return cellText(view, 1, 2); }, "120");
    s.typed("the panel shown", [&w] { return QString::number(w.visiblePanel()); }, "4");
    s.refusedThenStored(leave);
    EXPECT_EQ(s.school.db()->scalar("select 数学 from 年级表 where 年级 = '2005'").toDouble(), 120.0);
    EXPECT_NE(w.visiblePanel(), 4);   // left once stored
}

void form12(Scene& s, const std::function<void(Form12&)> typeAndPress) {
    Form12* f = Form12::showFor(&s.grades());
    ASSERT_TRUE(f->Adodc1->recordset()->findValue("姓名", "甲三", 0, true));
    typeAndPress(*f);
}

const Case kCases[] = {
    {"MarkEnteredWithEnter", [](Scene& s) { markEntry(s, nullptr); }, {"成绩表 20040003"}},
    {"MarkInserted",
     [](Scene& s) { markEntry(s, "Command11"); },
     {"成绩表 20040003", "成绩表 20040004", "成绩表 20040005"}},
    {"StudentAdded", [](Scene& s) { studentPanel(s, "Com10"); }, {"成绩表 20040006"}},
    {"StudentInserted",
     [](Scene& s) { studentPanel(s, "Com12"); },
     {"成绩表 20040003", "成绩表 20040004", "成绩表 20040005", "成绩表 20040006"}},
    {"StudentRenamed", [](Scene& s) { studentPanel(s, "Com13"); }, {"成绩表 20040003"}},
    {"StudentListCellLeftByDone",
     [](Scene& s) {
         Form2& w = s.grades();
         w.Command1_Click();
         QTableView* view = w.grid("DataGrid1")->view();
         const int name = w.anyDataControl("Ad1").recordset()->fieldIndex("姓名");
         typeInCell(view, 2, name, "甲叁");
         s.typed("DataGrid1 姓名", [view, name] { return cellText(view, 2, name); }, "甲叁");
         s.typed("the panel shown", [&w] { return QString::number(w.visiblePanel()); }, "1");
         s.refusedThenStored([&] { s.at<QPushButton>("Comout_0")->click(); });
         EXPECT_EQ(w.visiblePanel(), 0);
     },
     {"成绩表 20040003"}},
    {"TeacherAdded",
     [](Scene& s) {
         s.grades().Command2_Click();
         s.typedInto(s.at<QLineEdit>("Te21"), "丙");
         s.refusedThenStored([&] { s.at<QPushButton>("Com21")->click(); });
     },
     {"教师表 丙"}},
    {"TeacherAssigned",
     [](Scene& s) {
         s.grades().Command2_Click();
         s.typedInto(s.at<QComboBox>("Combo2"), "2005级01班");
         s.typedInto(s.at<QComboBox>("Combo3"), "数学");
         s.refusedThenStored([&] { s.at<QPushButton>("Com26")->click(); });
     },
     {"教师表 王老师", "班级表 200501"}},
    {"TeacherAssignmentRemoved",
     [](Scene& s) {
         s.school.db()->execute("update 教师表 set 任课班级1 = '2004级01班', 科目1 = '数学' where 姓名 = '王老师'");
         s.school.db()->execute("update 班级表 set 数学 = '王老师' where 年级 = '2004' and 班 = '01'");
         s.grades().Command2_Click();
         s.typedInto(s.at<QComboBox>("Combo2"), "2004级01班");
         s.typedInto(s.at<QComboBox>("Combo3"), "数学");
         s.refusedThenStored([&] { s.at<QPushButton>("Com27")->click(); });
     },
     {"教师表 王老师", "班级表 200401"}},
    // Read again after a rollback, the teacher shows his first class: the retry is of the one chosen.
    {"TeacherSecondAssignmentRemoved",
     [](Scene& s) {
         s.school.db()->execute("update 教师表 set 任课班级1 = '2004级01班', 科目1 = '数学', "
                                "任课班级2 = '2005级01班', 科目2 = '语文' where 姓名 = '王老师'");
         s.school.db()->execute("update 班级表 set 数学 = '王老师' where 年级 = '2004' and 班 = '01'");
         s.school.db()->execute("update 班级表 set 语文 = '王老师' where 年级 = '2005' and 班 = '01'");
         s.grades().Command2_Click();
         s.typedInto(s.at<QComboBox>("Combo2"), "2005级01班");
         s.typedInto(s.at<QComboBox>("Combo3"), "语文");
         s.refusedThenStored([&] { s.at<QPushButton>("Com27")->click(); });
     },
     {"教师表 王老师", "班级表 200501"}},
    // The check's gap is the chosen record: a refused assignment stays on it.
    {"TeacherCheckGapAssigned",
     [](Scene& s) {
         s.grades().Command2_Click();
         s.at<QPushButton>("Com23")->click();
         auto* gap = s.at<QLabel>("Latea");
         s.typed("Latea", [gap] { return gap->text(); }, "2004级01班 语文");
         s.typedInto(s.at<QComboBox>("Combo4"), "王老师");
         s.refusedThenStored([&] { s.at<QPushButton>("Comtea2")->click(); });
         EXPECT_EQ(gap->text(), "2004级01班 数学");
     },
     {"教师表 王老师", "班级表 200401"}},
    {"FullMarkLeftByDone",
     [](Scene& s) { fullMark(s, [&] { s.at<QPushButton>("Comout_3")->click(); }); },
     {"年级表 2005"}},
    // The panel buttons hide while a panel shows: another panel's button is its menu item.
    {"FullMarkLeftByAnotherPanelsButton",
     [](Scene& s) { fullMark(s, [&] { s.grades().menuItem("MenuStudent")->trigger(); }); },
     {"年级表 2005"}},
    {"Form12Added",
     [](Scene& s) {
         form12(s, [&](Form12& f) {
             s.typedInto(f.Text1, "丙");
             s.refusedThenStored([&] { f.Command3->click(); });
         });
     },
     {"成绩表 20040006"}},
    {"Form12Moved",
     [](Scene& s) {
         form12(s, [&](Form12& f) {
             s.typedInto(f.Combo2, "02");
             s.refusedThenStored([&] { f.Command5->click(); });
         });
     },
     {"成绩表 20040003"}},
    {"Form12MovedIn",
     [](Scene& s) {
         s.school.db()->insertRow("成绩表", {"STID", "年级", "班", "姓名"}, {"20040010", "2004", "02", "丙一"});
         form12(s, [&](Form12& f) {
             s.typedInto(f.Text2, "丙一");
             QTest::keyClick(f.Text2, Qt::Key_Return);
             ASSERT_EQ(f.List1->count(), 1);
             f.List1->setCurrentRow(0);
             s.typed("List1", [&f] { return f.List1->currentItem() ? f.List1->currentItem()->text() : QString(); },
                     f.List1->item(0)->text());
             s.refusedThenStored([&] { f.Command1->click(); });
             EXPECT_EQ(f.List1->count(), 0);
         });
     },
     {"成绩表 20040010"}},
    {"RawEditorCell",
     [](Scene& s) {
         state().IsAdministrator = -1;
         s.dialogs.runModalWith([&](QDialog& d) {
             auto& f = dynamic_cast<Form8&>(d);
             f.show();
             f.Combo1->setCurrentIndex(0);
             f.Combo1_Click();
             QTableView* view = f.DataGrid1->view();
             const int name = s.grades().dataControl("Adodc1").recordset()->fieldIndex("姓名");
             typeInCell(view, 2, name, "甲叁");
             s.typed("DataGrid1 姓名", [view, name] { return cellText(view, 2, name); }, "甲叁");
             s.refusedThenStored([&] { f.reject(); });
             EXPECT_FALSE(f.isVisible());
             return 0;
         });
         s.grades().menuItem("MenuEditAll")->trigger();
     },
     {"成绩表 20040003"}},
    // The exam-number list's cell typed and not left when 完成 is pressed.
    {"ExamNumberListCellLeftByDone",
     [](Scene& s) {
         Form2& w = s.grades();
         w.settings().store(Setting::ExamRoomCount, "1");
         w.Command3_Click();
         QTableView* view = w.grid("DataGrid3")->view();
         const int name = w.anyDataControl("Ad32").recordset()->fieldIndex("姓名");
         ASSERT_EQ(cellText(view, 2, name), "甲二");
         typeInCell(view, 2, name, "甲贰");
         s.typed("DataGrid3 姓名", [view, name] { return cellText(view, 2, name); }, "甲贰");
         s.typed("the panel shown", [&w] { return QString::number(w.visiblePanel()); }, "3");
         s.refusedThenStored([&] { s.at<QPushButton>("Comkh1")->click(); });
         EXPECT_EQ(w.visiblePanel(), 0);
     },
     {"成绩表 20040002"}},
    // The card window's settings are stored as it closes.
    {"ExamCardWindowClosed",
     [](Scene& s) {
         s.grades().menuItem("MenuPrintKH")->trigger();
         Form4* cards = nullptr;
         for (QWidget* top : QApplication::topLevelWidgets())
             if (auto* f = qobject_cast<Form4*>(top); f && f->isVisible())
                 cards = f;
         ASSERT_TRUE(cards);
         s.typedInto(cards->Text1, "期中考试");
         s.typed("the window shown", [cards] { return QString::number(cards->isVisible()); }, "1");
         s.refusedThenStored([&] { cards->close(); });
         QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
         EXPECT_EQ(s.school.db()->scalar("select 状态 from 状态表 where rowid = 11").toString(), "期中考试");
     },
     {"状态表 11"}},
    // Every student gets a number, so every student's record changes.
    {"ExamNumbersBuilt",
     [](Scene& s) {
         s.school.db()->insertRow("成绩表", {"STID", "年级", "班", "姓名"}, {"20040010", "2004", "02", "丙一"});
         s.grades().Command3_Click();
         s.typedInto(s.at<QComboBox>("Combo5"), "2");
         int presses = 0;
         s.refusedThenStored([&] {
             if (presses++ == 1)
                 s.dialogs.answerMessage(MsgResult::Ok, "考号编写完成!");
             s.at<QPushButton>("Com31")->click();
         });
     },
     {"成绩表 20040001", "成绩表 20040002", "成绩表 20040003", "成绩表 20040004", "成绩表 20040005",
      "成绩表 20040010", "成绩表 20050001", "成绩表 20050002", "成绩表 20050003", "状态表 37", "状态表 7"}},
    {"IntegrityCheckFilledIn",
     [](Scene& s) {
         s.school.db()->insertRow("成绩表", {"STID", "年级", "班", "姓名"}, {"20040009", "2004", "09", "李四"});
         s.grades().menuItem("menuJIanca")->trigger();
         auto* f = s.grades().findChild<Form15*>();
         ASSERT_TRUE(f);
         f->Command1->click();
         ASSERT_EQ(f->Text1->text(), "李四");
         s.typedInto(f->Combo2, "02");
         s.typed("Command1", [f] { return f->Command1->text(); }, "继续");
         int presses = 0;
         s.refusedThenStored([&] {
             if (presses++ == 1)
                 s.dialogs.answerMessage(MsgResult::Ok, "检查完毕！");
             f->Command1->click();
         });
         f->close();
     },
     {"成绩表 20040009"}},
    {"CalculationDefaults",
     [](Scene& s) {
         s.grades().Command5_Click();
         s.typedInto(s.at<QLineEdit>("Te51_0"), "86");
         s.refusedThenStored([&] { s.at<QPushButton>("Command9")->click(); });
     },
     {"状态表 20"}},
    // The old password stays in the database, scro.dat and the program until
    // the change can be written; the retry changes all three.
    {"PasswordChanged",
     [](Scene& s) {
         s.grades();
         s.school.closeConnection();   // the change needs the file, apart from the other program
         state().IsAdministrator = 0;
         const QString old = state().DatabasePassword;
         const QString settings = settingsFilePath(s.school.folder());
         const QByteArray settingsBefore = testsupport::fileHash(settings);
         const QString typed = QStringLiteral("新密码");
         int tries = 0;
         s.refusedThenStored([&] {
             if (++tries == 2)
                 s.dialogs.answerMessage(MsgResult::Ok, "密码修改完成！");
             s.dialogs.runModalWith([&](QDialog& d) {
                 auto& login = static_cast<frmLogin&>(d);
                 login.Command1_Click();
                 // Once the old password has been given, the change asks only for the new one.
                 if (state().IsAdministrator == 0) {
                     login.txtPassword->setText(old);
                     login.cmdOK_Click();
                 }
                 login.txtPassword->setText(typed);
                 login.cmdOK_Click();
                 return int(d.result());
             });
             s.dialogs.answerInput({});   // no lock level chosen
             s.grades().menuItem("MenuSuper")->trigger();
             if (tries == 1) {
                 EXPECT_EQ(state().DatabasePassword, old);
                 EXPECT_EQ(testsupport::fileHash(settings), settingsBefore);
                 EXPECT_NO_THROW(platform::db::Database::open(s.school.databasePath(), old));
             }
         });
         EXPECT_EQ(state().DatabasePassword, typed);
         EXPECT_EQ(ReadSchoolSettings(s.school.folder())->password, typed);
         EXPECT_THROW(platform::db::Database::open(s.school.databasePath(), old), platform::db::DbError);
     },
     {}},
    {"EarlierExaminations",
     [](Scene& s) {
         state().IsAdministrator = -1;
         s.grades().menuItem("MenuYiQian")->trigger();
         Dialog1* d = s.grades().findChild<Dialog1*>();
         ASSERT_TRUE(d);
         s.typedInto(d->Text1[0], "上期.db");
         s.refusedThenStored([&] { d->OKButton_Click(); });
     },
     {"状态表 27"}},

    // -------------------------------------------------------- the records program

    {"RecordEditor",
     [](Scene& s) {
         s.recordsMain();
         Tavisk::state().SelectedStudentId = "20040003";
         auto* e = new EditAll;
         s.other.reset(e);
         e->Form_Load();
         e->show();
         s.typedInto(e->Textxm, "甲叁");
         s.typedInto(e->Textbz, "转学");
         s.refusedThenStored([&] { e->Command1_Click(); });
     },
     {"学籍表 20040003", "成绩表 20040003"}},
    {"AreaEditorCell",
     [](Scene& s) {
         s.recordsMain();
         auto* a = new QYset;
         s.other.reset(a);
         a->Form_Load();
         a->show();
         QTableView* view = a->DataGrid1->view();
         typeInCell(view, 0, 1, "新街");
         s.typed("DataGrid1 名称", [view] { return cellText(view, 0, 1); }, "新街");
         s.refusedThenStored([&] { a->close(); });
     },
     {"区域表 1"}},
};

struct Hold {
    const char* name;
    QStringList sql;
};

const Hold kHolds[] = {
    {"WriteLock", {"BEGIN IMMEDIATE"}},
    // A read not finished keeps its shared lock: writes wait for it only at the commit.
    {"OpenRead", {"BEGIN", "SELECT count(*) FROM 状态表"}},
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }
void PrintTo(const Hold& h, std::ostream* os) { *os << h.name; }

struct RefusedWrite : ::testing::TestWithParam<std::tuple<Case, Hold>> {};

} // namespace

TEST_P(RefusedWrite, KeepsEveryBoxTypedAndTheRetryChangesOnlyTheChosenRecord) {
    const auto& [command, hold] = GetParam();
    Scene s;
    s.hold = hold.sql;
    command.run(s);
    ASSERT_TRUE(s.tried);
    EXPECT_EQ(changedKeys(s.before, snapshot(*s.school.db())), command.changed);
}

INSTANTIATE_TEST_SUITE_P(EveryWritingCommand, RefusedWrite,
                         ::testing::Combine(::testing::ValuesIn(kCases), ::testing::ValuesIn(kHolds)),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).name) + "_" + std::get<1>(info.param).name;
                         });
