// 生成网页 and 导出到文本文件 in the main window on a small school, answered
// by the dialog double, the files read back as bytes.

#include "common/program_state.h"
#include "grades/app/main_window.h"
#include "grades/frame/Form2.h"
#include "grades/results/export/Form16.h"
#include "platform/db/datacontrol.h"
#include "platform/db/recordset.h"
#include "platform/dbui/datagrid.h"
#include "platform/text/gbk.h"
#include "platform/ui/dialogs.h"
#include "results_school.h"
#include "support/dialog_double.h"
#include "support/test_files.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using platform::MsgResult;

namespace {

// Grade levels 2004 (01, 02) and 2005 (01), one subject.
struct ExportSchool : ResultsSchool {
    ExportSchool() : ResultsSchool({"语文"}, {"2004", "2005"}, {"2004级01班", "2004级02班", "2005级01班"}) {
        add("20040001", "2004", "01", "03", "张三", 180, 90);
        add("20040002", "2004", "01", "01", "李四", 150, {});
        add("20040003", "2004", "02", "02", "王五", 100, 50);
        add("20050001", "2005", "01", "01", "赵六", 120, 60);
    }
    void add(const char* stid, const char* g, const char* c, const char* number, const char* name, double total,
             QVariant chinese) {
        school.db()->insertRow("成绩表", {"STID", "年级", "班", "学号", "姓名", "总分", "语文"},
                               {stid, g, c, number, name, total, chinese});
    }
    Form16* form() { return w.findChild<Form16*>(QString(), Qt::FindDirectChildrenOnly); }
    Form16& open() {
        w.menuItem("menuOUTtxt")->trigger();
        return *form();
    }
    QString sql() { return form()->Text1->toPlainText(); }
    int rows() { return form()->Adodc1->recordset()->recordCount(); }
    QString column(int field) {
        QStringList out;
        auto* rs = form()->Adodc1->recordset();
        for (int r = 0; r < rs->recordCount(); ++r)
            out << rs->valueAt(r, field).toString();
        return out.join(',');
    }
    void pick(const QString& entry) { ResultsSchool::pick(form()->Combo1, entry); }
};

} // namespace

TEST(WebPagesCommand, WritesEveryPageIntoTheChosenFolder) {
    ExportSchool s;
    DialogDouble d;
    d.chooseFile(s.path("Index.htm"));
    s.w.menuItem("MakeHTM")->trigger();
    const auto& dialog = d.shown().at(0);
    EXPECT_EQ(dialog.kind, "save");
    EXPECT_EQ(dialog.file.title, "将数据文件生成网页后保存为");
    EXPECT_EQ(dialog.file.fileName, "Index.htm");
    EXPECT_EQ(dialog.file.filter, "网页(*.htm)|*.htm|所有文件(*.*)|*.*");
    EXPECT_TRUE(dialog.file.confirmOverwrite);
    EXPECT_EQ(QDir(s.dir.path()).entryList(QDir::Files),
              QStringList({"2004.htm", "200401.htm", "200402.htm", "2005.htm", "200501.htm", "Index.htm"}));
    const QString page = platform::fromGbk(testsupport::readFileBytes(s.path("200401.htm")));
    EXPECT_TRUE(page.contains("<title> " + SchoolFixture::kSchoolName + "2004级01班所有学生的成绩</title>"));
    EXPECT_TRUE(page.contains("<a href='" + s.path("Index.htm") + "'>返回主页</a>"));
    EXPECT_EQ(d.messages(), QStringList());
    EXPECT_EQ(s.w.CurrentGradeId, "2005");
    EXPECT_EQ(s.w.CurrentClassId, "");
}

TEST(WebPagesCommand, CancelWritesNothing) {
    ExportSchool s;
    DialogDouble d;
    d.cancelDialog();
    s.w.menuItem("MakeHTM")->trigger();
    EXPECT_TRUE(QDir(s.dir.path()).entryList(QDir::Files).isEmpty());
}

TEST(TextExport, OpeningGradeClassAndTableChoices) {
    ExportSchool s;
    DialogDouble d;
    Form16& f = s.open();
    EXPECT_EQ(f.windowTitle(), "导出数据到文本文件");
    QStringList items;
    for (int i = 0; i < f.Combo1->count(); ++i)
        items << f.Combo1->itemText(i);
    EXPECT_EQ(items, QStringList({"所有班级", "2004级", "2005级", "2004级01班", "2004级02班", "2005级01班"}));
    EXPECT_TRUE(f.Option1[0]->isChecked());
    EXPECT_EQ(s.sql(), "select * from 成绩表 order by 年级,班,学号 desc");
    EXPECT_EQ(s.column(0), "20040001,20040002,20040003,20050001");
    EXPECT_EQ(f.DataGrid1->dataSource(), f.Adodc1);
    EXPECT_FALSE(f.DataGrid1->allowUpdate());

    s.pick("2004级");
    EXPECT_EQ(s.sql(), "select * from 成绩表 where 年级='2004'");
    EXPECT_EQ(s.rows(), 3);
    s.pick("2004级02班");
    EXPECT_EQ(s.sql(), "select * from 成绩表 where 年级='2004' and 班='02'");
    s.school.db()->insertRow("相对成绩表", {"STID", "年级", "班", "姓名"}, {"20040003", "2004", "02", "相对"});
    f.Option1[1]->click();
    EXPECT_EQ(s.sql(), "select * from 相对成绩表 where 年级='2004' and 班='02'");
    EXPECT_EQ(s.column(3), "相对");

    // A typed choice is a value between quotes, never SQL.
    f.Combo1->setEditText("2004级0' or ''='班");
    emit f.Combo1->activated(-1);
    EXPECT_EQ(s.sql(), "select * from 相对成绩表 where 年级='2004' and 班='0'''");
    EXPECT_EQ(s.rows(), 0);

    // One window: a second use brings it forward; closing unloads it.
    s.w.menuItem("menuOUTtxt")->trigger();
    EXPECT_EQ(s.w.findChildren<Form16*>(QString(), Qt::FindDirectChildrenOnly).size(), 1);
    EXPECT_TRUE(f.Option1[1]->isChecked());
    f.close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(s.open().Option1[0]->isChecked(), true);
    EXPECT_EQ(s.sql(), "select * from 成绩表 order by 年级,班,学号 desc");
}

TEST(TextExport, ExportsTheTypedQueryAndAsksBeforeReplacing) {
    ExportSchool s;
    DialogDouble d;
    Form16& f = s.open();
    f.Text1->setPlainText("select 姓名,总分 from 成绩表 where 年级='2004' order by 总分 desc");
    const QByteArray expected = platform::toGbk("姓名\t总分\r\n张三\t180\r\n李四\t150\r\n王五\t100\r\n");
    d.chooseFile(s.path("a.xls")).answerMessage(MsgResult::Ok, "成功导出!");
    f.Command2->click();
    EXPECT_EQ(testsupport::readFileBytes(s.path("a.xls")), expected);
    EXPECT_EQ(d.lastTitle(), "祝获你.");
    const auto& request = d.shown().at(0).file;
    EXPECT_EQ(request.filter, "TXT文件(*.txt)|*.txt|Excel文档(*.xls)|*.xls|所有文件(*.*)|*.*");
    EXPECT_FALSE(request.confirmOverwrite);

    testsupport::writeFileBytes(s.path("old.txt"), "old contents that are longer");
    d.chooseFile(s.path("old.txt")).answerMessage(MsgResult::No, "文件" + s.path("old.txt") + "已经存在,是否将其覆盖?");
    f.Command2->click();
    EXPECT_EQ(testsupport::readFileBytes(s.path("old.txt")), "old contents that are longer");
    EXPECT_EQ(d.lastTitle(), "保存文件");

    // The export runs the box as it is now: a changed database shows.
    s.school.db()->execute("update 成绩表 set 总分=null where STID='20040003'");
    d.chooseFile(s.path("old.txt")).answerMessage(MsgResult::Yes).answerMessage(MsgResult::Ok, "成功导出!");
    f.Command2->click();
    EXPECT_EQ(testsupport::readFileBytes(s.path("old.txt")), platform::toGbk("姓名\t总分\r\n张三\t180\r\n李四\t150\r\n王五\t\r\n"));
}

TEST(TextExport, RefusedQueriesAndUnwritableFilesSayNoSuccess) {
    ExportSchool s;
    DialogDouble d;
    Form16& f = s.open();
    testsupport::writeFileBytes(s.path("old.txt"), "old");

    f.Text1->setPlainText("delete from 成绩表");
    d.chooseFile(s.path("old.txt")).answerMessage(MsgResult::Yes).answerMessage(
        MsgResult::Ok, "SQL语句只能是一条查询(select)语句,不能修改数据!");
    f.Command2->click();
    EXPECT_EQ(testsupport::readFileBytes(s.path("old.txt")), "old");
    EXPECT_EQ(s.school.db()->execute("update 成绩表 set 班=班"), 4);   // every student still there

    f.Text1->setPlainText("select * from 没有的表");
    d.answerMessage(MsgResult::Ok);
    f.Command1->click();
    EXPECT_FALSE(d.lastMessage().contains("成功"));

    s.school.db()->execute("update 成绩表 set 姓名=? where STID='20040001'", {QString::fromUtf8("\xF0\x9F\x98\x80")});
    f.Text1->setPlainText("select 姓名 from 成绩表");
    d.chooseFile(s.path("old.txt")).answerMessage(MsgResult::Yes).answerMessage(MsgResult::Ok);
    f.Command2->click();
    EXPECT_NE(d.lastMessage(), "成功导出!");
    EXPECT_EQ(testsupport::readFileBytes(s.path("old.txt")), "old");

    d.chooseFile(s.path("no/such/x.txt")).answerMessage(MsgResult::Ok);
    f.Command2->click();
    EXPECT_NE(d.lastMessage(), "成功导出!");
    EXPECT_FALSE(QFile::exists(s.path("no/such/x.txt")));
}

TEST(TextExport, ACharacterGbkCannotHoldIsNamedWithItsStudentInABoxThatFitsTheScreen) {
    ExportSchool s;
    for (int i = 2; i <= 700; ++i) {
        const QByteArray stid = "2005" + QByteArray::number(i).rightJustified(4, '0');
        s.add(stid.constData(), "2005", "01", QByteArray::number(i % 100).rightJustified(2, '0').constData(), "同学",
              100, 60);
    }
    s.school.db()->execute("update 成绩表 set 姓名=? where STID='20040002'", {QStringLiteral("\U00020000一")});
    DialogDouble d;
    Form16& f = s.open();
    testsupport::writeFileBytes(s.path("old.txt"), "old");
    d.chooseFile(s.path("old.txt")).answerMessage(MsgResult::Yes).answerMessage(MsgResult::Ok);
    f.Command2->click();   // the whole table
    const QString shown = d.lastMessage();
    EXPECT_EQ(shown, QStringLiteral("导出失败! 学生“\U00020000一”(20040002)的记录中有GBK编码不能表示的字符“\U00020000”"
                                    "(U+20000),不能保存."));
    EXPECT_EQ(testsupport::readFileBytes(s.path("old.txt")), "old");

    // The box fits the screen.
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    const QRect box = platform::messageBoxGeometry(shown, d.lastTitle());
    EXPECT_LE(box.height(), screen.height());
    EXPECT_LE(box.width(), screen.width());
}

