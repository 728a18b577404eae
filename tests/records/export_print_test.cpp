#include "platform/db/recordset.h"
#include "platform/text/gbk.h"
#include "platform/ui/plain_print.h"
#include "records/XJAbout.h"
#include "records/XJmain.h"
#include "records/XJprint.h"
#include "records/XYOutDat.h"
#include "records/core/Tavisk.h"
#include "records/core/student_export.h"
#include "records/core/student_list.h"
#include "support/dialog_double.h"
#include "support/failing_file.h"
#include "support/printed_pdf.h"
#include "support/school_fixture.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using platform::MsgResult;

namespace {

const char* kHeading = "STID\t年级\t班\t姓名\t性别\t职务\t籍贯\t出生年月\t联系地址\t所在区域\t联系电话\t家长姓名\t家长职务\t民族\t政治面貌\t备注";

class ExportPrint : public ::testing::Test {
protected:
    void SetUp() override {
        Tavisk::resetState();
        auto db = school_.db();
        db->insertRow("成绩表", {"STID", "年级", "班", "姓名"}, {"20040001", "2004", "01", "张三"});
        db->insertRow("成绩表", {"STID", "年级", "班", "姓名"}, {"20040002", "2004", "01", "李梅"});
        main_ = std::make_unique<XJmain>();
        ASSERT_TRUE(main_->Form_Load());
        db->execute("UPDATE 学籍表 SET 性别='男', 出生年月='2003-07-21', 所在区域='001', 联系电话='0', 民族='汉' "
                    "WHERE STID='20040001'");
        db->execute("UPDATE 学籍表 SET 性别='女', 联系地址='', 备注='好' WHERE STID='20040002'");
        Tavisk::state().ListQuery = records::classQuery("2004", "01");
    }
    void TearDown() override {
        main_.reset();
        Tavisk::resetState();
    }
    platform::db::Recordset list() { return platform::db::Recordset(school_.db(), Tavisk::state().ListQuery); }
    static QByteArray gbk(const QString& s) { return platform::toGbk(s); }
    static QByteArray read(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<none>");
    }
    QString out(const char* name) const { return files_.filePath(QString::fromUtf8(name)); }

    SchoolFixture school_;
    DialogDouble dialogs_;
    QTemporaryDir files_;
    std::unique_ptr<XJmain> main_;
};

TEST_F(ExportPrint, PlainAndQuotedFilesByteForByte) {
    const QString heading = QString::fromUtf8(kHeading) + "\r\n";
    const QString first = "20040001\t2004\t01\t张三\t男\t\t\t2003-7-21\t\t001\t0\t\t\t汉\t\t";
    const QString second = "20040002\t2004\t01\t李梅\t女\t\t\t\t\t\t\t\t\t\t\t好";
    auto rs = list();
    ASSERT_TRUE(records::exportStudents(rs, out("学生.txt")).ok);
    EXPECT_EQ(read(out("学生.txt")), gbk(heading + first + "\r\n" + second + "\r\n"));

    auto quote = [](const QString& line) {
        QStringList v = line.split('\t');
        for (QString& s : v)
            s = '"' + s + '"';
        return v.join('\t');
    };
    ASSERT_TRUE(records::exportStudents(rs, out("学生.xls")).ok);
    EXPECT_EQ(read(out("学生.xls")), gbk(heading + quote(first) + "\r\n" + quote(second) + "\r\n"));
    ASSERT_TRUE(records::exportStudents(rs, out("学生.XLS")).ok);
    EXPECT_EQ(read(out("学生.XLS")), read(out("学生.txt")));
    EXPECT_TRUE(records::quotedExportFor(" a.xls "));
    EXPECT_FALSE(records::quotedExportFor("a.Xls"));

    // Nothing inside a value is escaped: a line break and a quote go as they are.
    school_.db()->execute("UPDATE 学籍表 SET 备注='一行\r\n又一行\"引号' WHERE STID='20040002'");
    auto changed = list();
    ASSERT_TRUE(records::exportStudents(changed, out("学生.txt")).ok);
    EXPECT_TRUE(read(out("学生.txt")).endsWith(gbk("\t一行\r\n又一行\"引号\r\n")));
}

TEST_F(ExportPrint, FailedExportKeepsTheOldFileAndLeavesNothing) {
    const QString target = out("学生.txt");
    QFile old(target);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("old");
    old.close();
    // A value GBK cannot hold, in the last record: the write fails part way.
    school_.db()->execute("UPDATE 学籍表 SET 备注=? WHERE STID='20040002'", {QStringLiteral("\U0001F600")});
    auto rs = list();
    const auto failed = records::exportStudents(rs, target);
    EXPECT_FALSE(failed.ok);
    EXPECT_TRUE(failed.error.contains("20040002"));   // the student whose record holds it
    EXPECT_EQ(failed.error, QStringLiteral("学生“李梅”(20040002)的记录中有GBK编码不能表示的字符“\U0001F600”(U+1F600),不能保存."));
    EXPECT_EQ(read(target), QByteArray("old"));
    EXPECT_EQ(QDir(files_.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"学生.txt"});

    const auto missing = records::exportStudents(rs, out("没有/学生.txt"));
    EXPECT_FALSE(missing.ok);
    EXPECT_TRUE(missing.error.endsWith(QStringLiteral(": 文件或文件夹不存在"))) << missing.error.toStdString();

    school_.db()->execute("UPDATE 学籍表 SET 备注='好' WHERE STID='20040002'");
    auto good = list();
    // The disk fills up part way.
    {
        const FileSizeLimit full(100);
        const auto failedPartWay = records::exportStudents(good, target);
        EXPECT_FALSE(failedPartWay.ok);
        EXPECT_TRUE(failedPartWay.error.endsWith(QStringLiteral(": 文件太大"))) << failedPartWay.error.toStdString();
    }
    EXPECT_EQ(read(target), QByteArray("old"));
    EXPECT_EQ(QDir(files_.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"学生.txt"});

    ASSERT_TRUE(records::exportStudents(good, target).ok);
    EXPECT_TRUE(read(target).startsWith(gbk("STID\t")));
}

TEST_F(ExportPrint, ExportWindowMessages) {
    XYOutDat w;
    w.Form_Load();
    EXPECT_EQ(w.windowTitle(), QStringLiteral("导出数据"));
    EXPECT_EQ(w.text1->text(), QDir::homePath() + QStringLiteral("/学生学籍.txt"));

    // 浏览: the dialog as designed; cancel keeps the path.
    dialogs_.cancelDialog();
    w.Command1_Click();
    EXPECT_EQ(dialogs_.shown().back().file.title, QStringLiteral("将数据文件保存为"));
    EXPECT_EQ(dialogs_.shown().back().file.filter,
              QStringLiteral("文本文件(*.TXT)|*.txt|电子表格(*.xls)|*.xls|所有文件(*.*)|*.*"));
    EXPECT_EQ(dialogs_.shown().back().file.fileName, QDir::homePath() + QStringLiteral("/学生学籍.txt"));
    EXPECT_EQ(w.text1->text(), QDir::homePath() + QStringLiteral("/学生学籍.txt"));
    dialogs_.chooseFile(out("班.xls"));
    w.Command1_Click();
    EXPECT_EQ(w.text1->text(), out("班.xls"));

    w.show();
    w.text1->clear();
    w.Command2_Click();   // an empty path: nothing
    EXPECT_TRUE(w.isVisible());
    w.text1->setText(out("班.xls"));
    dialogs_.answerMessage(MsgResult::Ok, QStringLiteral("成功导出"));
    w.Command2_Click();
    EXPECT_FALSE(w.isVisible());
    EXPECT_TRUE(QFile::exists(out("班.xls")));

    w.show();
    Tavisk::state().ListQuery = records::classQuery("2004", "02");
    dialogs_.answerMessage(MsgResult::Ok, QStringLiteral("可导出的学生数为零！"));
    w.text1->setText(out("空.txt"));
    w.Command2_Click();
    EXPECT_TRUE(w.isVisible());
    EXPECT_FALSE(QFile::exists(out("空.txt")));

    Tavisk::state().ListQuery.clear();
    dialogs_.answerMessage(MsgResult::Ok, QStringLiteral("没有可以导出的学生！"));
    w.Command2_Click();
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(dialogs_.lastTitle(), platform::programTitle());
}

TEST_F(ExportPrint, ExportOntoAFullDiskKeepsTheOldFileAndClaimsNoSuccess) {
    XYOutDat w;
    w.Form_Load();
    const QString target = out("学生学籍.txt");
    QFile old(target);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("old");
    old.close();
    w.text1->setText(target);
    w.show();
    dialogs_.answerMessage(MsgResult::Ok);
    {
        const FileSizeLimit full(16);
        w.Command2_Click();
    }
    EXPECT_EQ(read(target), QByteArray("old"));
    EXPECT_NE(dialogs_.lastMessage(), QStringLiteral("成功导出"));
    EXPECT_TRUE(dialogs_.lastMessage().startsWith(QStringLiteral("导出没有成功，原有的文件没有改变。")));
    EXPECT_TRUE(dialogs_.lastMessage().endsWith(QStringLiteral(": 文件太大"))) << dialogs_.lastMessage().toStdString();
    EXPECT_TRUE(w.isVisible());
}

TEST_F(ExportPrint, PreviewTextAndPrinting) {
    XJprint w;
    ASSERT_TRUE(w.Form_Load());
    EXPECT_EQ(w.windowTitle(), QStringLiteral("打印预览"));
    const QString text = w.previewText();
    EXPECT_EQ(text, "\t" + QString::fromUtf8(kHeading) + "\r\n" +
                        "20040001\t2004\t01\t张三\t男\t--\t--\t2003-7-21\t--\t001\t0\t--\t--\t汉\t--\t--\r\n"
                        "20040002\t2004\t01\t李梅\t女\t--\t--\t--\t--\t--\t--\t--\t--\t--\t--\t好\r\n");

    w.text1->appendPlainText("手写的一行");
    const QString pdf = out("打印.pdf");
    dialogs_.printToPdf(pdf);
    w.show();
    w.Command1_Click();
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(dialogs_.shown().back().kind, QStringLiteral("default printer"));   // no dialog
    EXPECT_GT(QFileInfo(pdf).size(), 0);

    dialogs_.noPrinterInstalled();
    dialogs_.answerMessage();
    w.Command1_Click();
    EXPECT_EQ(dialogs_.lastTitle(), QStringLiteral("无法打印"));
    EXPECT_TRUE(w.isVisible());
}

TEST_F(ExportPrint, PrintedListIsALinePerRecordWithinThePageUnderTheWindowsCaption) {
    school_.db()->execute("UPDATE 学籍表 SET 联系地址='湖南省长沙市岳麓区麓山南路九百三十二号' "
                          "WHERE STID='20040001'");
    XJprint w;
    ASSERT_TRUE(w.Form_Load());
    const QString pdf = out("名单.pdf");
    dialogs_.printToPdf(pdf);
    w.Command1_Click();
    EXPECT_EQ(printedTitle(pdf), "打印预览");
    const auto pages = printedPages(pdf);
    ASSERT_EQ(pages.size(), 1u);
    const QStringList lines = pages[0].lines();
    const QStringList text = w.previewText().split("\r\n", Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), text.size());
    for (qsizetype i = 0; i < lines.size(); ++i)
        EXPECT_EQ(lines[i].split(' '), text[i].split('\t', Qt::SkipEmptyParts)) << lines[i].toStdString();
    const QRectF ink = pages[0].inked();
    EXPECT_GT(ink.left(), 10);
    EXPECT_LT(ink.right(), pages[0].size.width() - 10);
    // Each name of the heading stands over its values.
    const auto leftOf = [&](const QString& word) {
        for (const PrintedWord& w : pages[0].words)
            if (w.text == word)
                return w.box.left();
        return -1.0;
    };
    EXPECT_NEAR(leftOf("STID"), leftOf("20040001"), 0.5);
    EXPECT_NEAR(leftOf("联系地址"), leftOf("湖南省长沙市岳麓区麓山南路九百三十二号"), 0.5);
    EXPECT_NEAR(leftOf("备注"), leftOf("好"), 0.5);

    dialogs_.queueRefuses().answerMessage(MsgResult::Ok, "打印没有完成,请检查打印机.");
    w.Command1_Click();
    EXPECT_EQ(dialogs_.lastTitle(), "无法打印");
}

TEST_F(ExportPrint, PreviewWithoutAListDoesNotStay) {
    Tavisk::state().ListQuery.clear();
    dialogs_.answerMessage(MsgResult::Ok, QStringLiteral("没有可以导出的学生！"));
    main_->Toolbar1_ButtonClick(7);
    EXPECT_FALSE(main_->printPreview());

    Tavisk::state().ListQuery = records::classQuery("2004", "02");
    dialogs_.answerMessage(MsgResult::Ok, QStringLiteral("可导出的学生数为零！"));
    main_->Toolbar1_ButtonClick(7);
    ASSERT_TRUE(main_->printPreview());
    EXPECT_TRUE(main_->printPreview()->text1->toPlainText().isEmpty());
    main_->Toolbar1_ButtonClick(6);
    EXPECT_TRUE(main_->exportWindow());
}

TEST_F(ExportPrint, AboutAndNote) {
    const QString before = platform::programTitle();
    platform::setProgramTitle("VantalooPellomir");
    main_->Menu_H_About_Click();
    XJAbout* about = main_->aboutWindow();
    ASSERT_TRUE(about);
    EXPECT_EQ(about->windowTitle(), QStringLiteral("关于 VantalooPellomir"));
    EXPECT_EQ(about->lblTitle->text(), QStringLiteral("VantalooPellomir"));
    EXPECT_EQ(about->lblVersion->text(), QStringLiteral("版本 1.0.0"));
    EXPECT_FALSE(about->isModal());
    dialogs_.answerMessage(MsgResult::Ok, QStringLiteral("此时系统信息不可用"));
    about->cmdSysInfo_Click();
    EXPECT_EQ(dialogs_.lastTitle(), QStringLiteral("VantalooPellomir"));
    EXPECT_TRUE(about->isVisible());

    EXPECT_EQ(HelpNote::noteText("D/参数设置.ini"),
              QStringLiteral("为了减少输入量，系统会自动帮助你完成一些输入过程，这些自动完成的数据，保存在 D/参数设置.ini "
                             "文件中，你可以修改它，也可以将其删除以回到原始状态。\r\n"));
    main_->Menu_H_Note_Click();
    ASSERT_TRUE(main_->noteWindow());
    EXPECT_TRUE(main_->noteWindow()->text1->toPlainText().contains(school_.folder() + "/参数设置.ini 文件中"));
    platform::setProgramTitle(before);
}

} // namespace
