// The custom print window (template, merge, pop-up menu) and the student
// check list, in the main window on a small school, through the dialog double.

#include "grades/app/main_window.h"
#include "grades/frame/Form2.h"
#include "grades/results/core/custom_print.h"
#include "grades/results/print/Form11.h"
#include "grades/results/print/Form13.h"
#include "platform/db/database.h"
#include "platform/db/datacontrol.h"
#include "platform/ui/richtextbox.h"
#include "results_school.h"
#include "support/dialog_double.h"
#include "support/printed_pdf.h"
#include "support/test_files.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QTextDocument>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using platform::FontChoice;
using platform::MsgResult;

namespace {

QStringList items(const QListWidget* list) {
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

FontChoice font(bool bold = false, QColor color = Qt::black, bool strike = false, double size = 9) {
    FontChoice f;
    f.name = QStringLiteral("宋体");
    f.size = size;
    f.bold = bold;
    f.strikeout = strike;
    f.color = color;
    return f;
}

struct CustomPrintSchool : ResultsSchool {
    CustomPrintSchool() : ResultsSchool({"语文", "数学"}, {"2004", "2005"}, {"2004级01班", "2004级02班", "2005级01班"}) {
        add("20040001", "2004", "01", "张三", "01", 80, 85.5);
        add("20040002", "2004", "01", "李四", "02", 70, {});
        add("20040003", "2004", "01", "王五", "03", 60, 100);
        add("20040004", "2004", "02", "赵六", "01", 50, 40);
    }
    void add(const char* stid, const char* grade, const char* cls, const char* name, const char* no, double total,
             QVariant maths) {
        school.db()->insertRow("成绩表", {"STID", "年级", "班", "姓名", "学号", "总分", "数学"},
                               {stid, grade, cls, name, no, total, maths});
    }
    // Opens 自定义打印 and runs `body` while it is shown.
    void withForm11(const std::function<void(Form11&)>& body) {
        DialogDouble d;
        d.runModalWith([&](QDialog& dlg) {
            body(dynamic_cast<Form11&>(dlg));
            return 0;
        });
        w.menuItem("MenuPrintZDY")->trigger();
    }
};

void typeSql(Form11& f, const QString& sql) {
    f.Option1_Click(1);
    f.Text1->setText(sql);
    int16_t key = 13;
    f.Text1_KeyPress(key);
}

} // namespace

TEST(CustomPrint, SourcesAndTypedQueries) {
    CustomPrintSchool s;
    s.withForm11([&](Form11& f) {
        EXPECT_EQ(f.windowTitle(), "自定义打印");
        EXPECT_FALSE(f.Frame1[0]->isHidden());
        EXPECT_TRUE(f.Frame1[1]->isHidden());
        QStringList entries;
        for (int i = 0; i < f.Combo1->count(); ++i)
            entries << f.Combo1->itemText(i);
        EXPECT_EQ(entries, QStringList({"2004级", "2005级", "2004级01班", "2004级02班", "2005级01班", "所有班级"}));
        EXPECT_EQ(f.Combo1->currentText(), "2004级");
        EXPECT_EQ(f.Label1->text(), "共4人.");
        EXPECT_EQ(items(f.List1).first(), "STID");
        ResultsSchool::pick(f.Combo1, "2004级01班");
        EXPECT_EQ(s.w.anyDataControl("Adodc1").recordSource(), "select * from 成绩表  where 年级='2004' and  班='01'");
        EXPECT_EQ(f.Label1->text(), "共3人.");

        typeSql(f, "select 姓名,数学 from 成绩表 where 班='01'");
        EXPECT_TRUE(f.Combo1->isHidden());
        EXPECT_FALSE(f.Text1->isHidden());
        EXPECT_EQ(items(f.List1), QStringList({"姓名", "数学"}));
        EXPECT_EQ(f.Label1->text(), "共3人.");

        // Refused, by the check or by the database: a message, the source stays.
        for (const QString& bad : {QStringLiteral("delete from 成绩表"), QStringLiteral("select 姓名 from 成绩表; drop table 成绩表"),
                                   QStringLiteral("select 无此字段 from 成绩表")}) {
            DialogDouble d;
            d.answerMessage(MsgResult::Ok);
            typeSql(f, bad);
            EXPECT_EQ(items(f.List1), QStringList({"姓名", "数学"})) << bad.toStdString();
            EXPECT_EQ(s.w.anyDataControl("Adodc1").recordSource(), "select 姓名,数学 from 成绩表 where 班='01'");
        }
    });
    EXPECT_EQ(s.school.db()->scalar("select count(*) from 成绩表").toInt(), 4);
}

TEST(CustomPrint, MergeCarriesFormatsAndValues) {
    CustomPrintSchool s;
    s.withForm11([&](Form11& f) {
        ResultsSchool::pick(f.Combo1, "2004级01班");
        auto* t = f.RichTextBox1;
        // "<姓名>" bold; ":" struck out; "<数学>" with only its letters red.
        t->insertRun("<姓名>", font(true));
        t->insertRun(":", font(false, Qt::black, true));
        t->insertRun("<", font());
        t->insertRun("数学", font(false, Qt::red));
        t->insertRun(">", font());
        t->insertRun("\n", font());
        const QString before = t->text();
        f.Command1_Click();
        EXPECT_TRUE(f.Frame1[0]->isHidden());
        auto* p = f.RichTextBox2;
        // 85.5, Null as nothing, 100 as a whole number.
        EXPECT_EQ(p->text(), "张三:85.5\n李四:\n王五:100\n");
        EXPECT_EQ(t->text(), before);   // the template is not changed
        p->setSelection(0, 2);
        EXPECT_EQ(p->selectionFont().bold, true);
        p->setSelection(2, 1);
        EXPECT_EQ(p->selectionFont().bold, false);
        EXPECT_EQ(p->selectionFont().strikeout, false);   // not carried
        p->setSelection(3, 4);
        EXPECT_EQ(p->selectionFont().color, QColor(Qt::red));
        // The preview stays editable with its undo, though the merge itself is
        // no step to undo.
        EXPECT_TRUE(p->document()->isUndoRedoEnabled());
        EXPECT_FALSE(p->document()->isUndoAvailable());

        // Marks naming nothing, empty or unclosed copy their own text; no marks repeats.
        t->clear();
        t->insertRun("[<无此><>]<姓名", font());
        f.MenuWin_Click();
        f.Command1_Click();
        EXPECT_EQ(p->text(), QString("[<无此><>]<姓名").repeated(3));
    });
}

TEST(CustomPrint, MenuCommands) {
    CustomPrintSchool s;
    s.withForm11([&](Form11& f) {
        ResultsSchool::pick(f.Combo1, "2004级01班");
        QApplication::clipboard()->clear();
        auto* t = f.RichTextBox1;
        t->insertRun("<姓名> <总分>\n", font());
        f.prepareMenu(t);
        EXPECT_FALSE(f.MenuCut->isEnabled());
        EXPECT_FALSE(f.MenuCopy->isEnabled());
        EXPECT_FALSE(f.MenuPase->isEnabled());
        EXPECT_EQ(f.MenuWin->text(), "预览窗口");
        QStringList captions;
        for (QAction* a : f.MenuMain->actions())
            captions << (a->isSeparator() ? "-" : a->text());
        EXPECT_EQ(captions, QStringList({"全选", "-", "剪切", "复制", "粘贴", "-", "字体", "-", "保存", "打开", "打印", "-",
                                         "预览窗口"}));

        // 字体 bold 12 on the name mark shows in the next 预览.
        t->setSelection(0, 4);
        {
            DialogDouble d;
            d.chooseFont(font(true, Qt::black, false, 12));
            f.MenuFont_Click();
        }
        f.Command1_Click();
        EXPECT_EQ(f.activeEditor(), f.RichTextBox2);
        auto* p = f.RichTextBox2;
        EXPECT_EQ(p->text(), "张三 80\n李四 70\n王五 60\n");
        p->setSelection(0, 2);
        EXPECT_EQ(p->selectionFont().bold, true);
        EXPECT_EQ(p->selectionFont().size, 12.0);

        // 全选, 复制: plain text on the clipboard.
        f.MenuAll_Click();
        f.prepareMenu(p);
        EXPECT_TRUE(f.MenuCut->isEnabled());
        EXPECT_EQ(f.MenuWin->text(), "设计窗口");
        f.MenuCopy_Click();
        EXPECT_EQ(QApplication::clipboard()->text(), "张三 80\n李四 70\n王五 60\n");
        EXPECT_FALSE(QApplication::clipboard()->mimeData()->hasHtml());
        f.prepareMenu(p);
        EXPECT_TRUE(f.MenuPase->isEnabled());

        // 打印 with a selection prints only it, without a printer dialog.
        p->setSelection(0, 5);
        const QString pdf = s.path("sel.pdf");
        {
            DialogDouble d;
            d.printToPdf(pdf);
            f.MenuPrint_Click();
            EXPECT_EQ(d.shown().back().kind, "default printer");
        }
        const QString printed = printedLayoutText(pdf);
        EXPECT_TRUE(printed.contains("张三 80"));
        EXPECT_FALSE(printed.contains("李四"));
        EXPECT_EQ(printedTitle(pdf), "自定义打印");
        {
            DialogDouble d;
            d.printToPdf(pdf).queueRefuses().answerMessage(MsgResult::Ok, "打印没有完成,请检查打印机.");
            f.MenuPrint_Click();
            EXPECT_EQ(d.lastTitle(), "无法打印");
        }

        // Back to the template; 粘贴 takes the caret's format.
        f.MenuWin_Click();
        EXPECT_EQ(f.activeEditor(), t);
        t->setSelection(t->text().size(), 0);
        t->setSelColor(Qt::blue);
        QApplication::clipboard()->setText("甲乙");
        f.MenuPase_Click();
        EXPECT_TRUE(t->text().endsWith("甲乙"));
        t->setSelection(t->text().size() - 2, 2);
        EXPECT_EQ(t->selectionFont().color, QColor(Qt::blue));

        // 保存 as .txt writes rich text; 打开 restores the formatting.
        const QString file = s.path("模板.txt");
        {
            DialogDouble d;
            d.chooseFile(file);
            f.MenuSave_Click();
        }
        QFile saved(file);
        ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
        EXPECT_TRUE(saved.readAll().startsWith("{\\rtf1"));
        t->clear();
        {
            DialogDouble d;
            d.chooseFile(file);
            f.MenuOpen_Click();
        }
        t->setSelection(0, 4);
        EXPECT_EQ(t->selectionFont().bold, true);
        EXPECT_EQ(t->selectionFont().size, 12.0);
        // A file that cannot be read: a message, the template stays.
        const QString kept = t->text();
        {
            DialogDouble d;
            d.chooseFile(s.path("无此文件.rtf")).answerMessage(MsgResult::Ok);
            f.MenuOpen_Click();
        }
        EXPECT_EQ(t->text(), kept);
    });
}

TEST(CustomPrint, FieldClickReplacesTheSelection) {
    CustomPrintSchool s;
    s.withForm11([&](Form11& f) {
        f.RichTextBox1->insertRun("姓名: XX", font(false, Qt::red));
        f.RichTextBox1->setSelection(4, 2);
        f.List1->setCurrentRow(items(f.List1).indexOf("姓名"));
        f.List1_Click();
        EXPECT_EQ(f.RichTextBox1->text(), "姓名: <姓名>");
        f.RichTextBox1->setSelection(5, 2);
        EXPECT_EQ(f.RichTextBox1->selectionFont().color, QColor(Qt::red));
    });
}

namespace {

struct CheckList : CustomPrintSchool {
    Form13* open() {
        w.menuItem("Menu_HDXS")->trigger();
        return w.findChild<Form13*>(QString(), Qt::FindDirectChildrenOnly);
    }
};

} // namespace

TEST(StudentCheckList, DefaultsBuildAndAllClasses) {
    CheckList s;
    Form13* f = s.open();
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->windowTitle(), "核对学生情况");
    EXPECT_EQ(f->Combo1->currentText(), "2004级01班");
    EXPECT_EQ(f->Combo1->itemText(f->Combo1->count() - 1), "所有班级");
    EXPECT_EQ(f->Combo2->currentText(), "1");
    EXPECT_EQ(f->Combo3->currentText(), "1");
    EXPECT_EQ(f->Combo4->currentText(), "20");
    EXPECT_EQ(f->Combo2->count(), 21);
    EXPECT_EQ(f->Text1->text(), "核对学生姓名");
    EXPECT_TRUE(f->Option1->isChecked());
    ASSERT_EQ(f->List1->selectedItems().size(), 1);
    EXPECT_EQ(f->List1->selectedItems().front()->text(), "姓名");
    EXPECT_EQ(f->RichTextBox1->text(), "请单击确定可以预览你所做的设置");

    f->Command1_Click();
    EXPECT_EQ(f->RichTextBox1->text(), "核对学生姓名\n2004级01班全体同学的情况如下：\n\n"
                                       "张三     \n\n李四     \n\n王五     \n\n");
    // Selected out of table order: the table's order holds.
    f->List1->item(items(f->List1).indexOf("学号"))->setSelected(true);
    f->Combo2->setEditText("4");
    f->Combo3->setEditText("0");
    ResultsSchool::pick(f->Combo1, "所有班级");
    f->Command1_Click();
    EXPECT_EQ(f->RichTextBox1->text(), "核对学生姓名\n2004级01班全体同学的情况如下：\n\n"
                                       "张三  01    李四  02    王五  03    \n\n\n"
                                       "核对学生姓名\n2004级02班全体同学的情况如下：\n\n"
                                       "赵六  01    \n\n\n"
                                       "核对学生姓名\n2005级01班全体同学的情况如下：\n\n\n\n\n");
    // Shown again: brought forward, not reloaded.
    EXPECT_EQ(s.open(), f);
    EXPECT_TRUE(f->RichTextBox1->text().startsWith("核对学生姓名\n2004级01班"));
}

TEST(StudentCheckList, SavingAsksBeforeReplacing) {
    CheckList s;
    Form13* f = s.open();
    f->Command1_Click();
    const QString file = s.path("核对.txt");
    {
        QFile old(file);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("old");
    }
    {
        DialogDouble d;
        d.chooseFile(file).answerMessage(MsgResult::No);
        f->Command2_Click();
        EXPECT_EQ(d.shown().back().text, "文件" + file + "已经存在,是否将其覆盖?");
        EXPECT_EQ(d.shown().back().title, "保存文件");
        EXPECT_EQ(d.shown().back().buttons, platform::MsgButtons::YesNo);
        EXPECT_FALSE(d.shown().front().file.confirmOverwrite);
    }
    QFile kept(file);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), "old");
    kept.close();
    {
        DialogDouble d;
        d.chooseFile(file).answerMessage(MsgResult::Yes);
        f->Command2_Click();
    }
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    const QByteArray rtf = kept.readAll();
    EXPECT_TRUE(rtf.startsWith("{\\rtf1"));
    QTextDocument doc;
    platform::richtext::readRtf(rtf, doc);
    EXPECT_TRUE(platform::richtext::plainText(doc).contains("张三"));
}
