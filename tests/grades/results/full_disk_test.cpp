// Every command of the results windows that writes a file, with the disk
// full part way: the old file keeps its bytes, no success is claimed, and the
// commands that tell the user give the Chinese reason.

#include "common/settings_files.h"
#include "grades/frame/Form2.h"
#include "grades/results/bands/Form6.h"
#include "grades/results/core/score_bands.h"
#include "grades/results/export/Form16.h"
#include "grades/results/print/Form11.h"
#include "grades/results/print/Form13.h"
#include "grades/results/print/Form5.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/richtextbox.h"
#include "results_school.h"
#include "support/dialog_double.h"
#include "support/failing_file.h"
#include "support/test_files.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <functional>
#include <gtest/gtest.h>

using platform::MsgResult;

namespace {

struct FullDiskSchool : ResultsSchool {
    FullDiskSchool() : ResultsSchool({"语文", "数学"}) {
        add("20040001", "01", "张三", 150, 80, 70);
        add("20040002", "01", "李四", 90, 60, 30);
        add("20040003", "02", "王五", 40, 20, 20);
    }
    void add(const char* stid, const char* cls, const char* name, double total, QVariant chinese, QVariant maths) {
        school.db()->insertRow("成绩表", {"STID", "年级", "班", "姓名", "学号", "总分", "平均分", "语文", "数学"},
                               {stid, "2004", cls, name, QString(stid).right(2), total, total / 2, chinese, maths});
    }
    template <class T> T* child() { return w.findChild<T*>(QString(), Qt::FindDirectChildrenOnly); }
};

// Runs `write` with no file able to grow past 16 bytes.
void whenFull(const std::function<void()>& write) {
    const FileSizeLimit full(16);
    write();
}

using Act = std::function<void(DialogDouble&, const QString& path)>;

struct Writer {
    const char* name;
    const char* file;   // in the test's folder; empty: the program folder's band notation
    bool tells;         // the command reports a failure (others end quietly, as they always did)
    // Opens the window as the user does and gives the act of writing.
    std::function<Act(FullDiskSchool&)> open;
};

// 打印成绩's 另存: rich text or GBK text by the name's extension.
Act saveGradeList(FullDiskSchool& s) {
    s.w.menuItem("MenuPrintCJ")->trigger();
    Form5* f = s.child<Form5>();
    return [f](DialogDouble& d, const QString& path) {
        d.chooseFile(path).answerMessage(MsgResult::Yes).answerMessage(MsgResult::Ok);
        whenFull([&] { f->Command1_Click(); });
    };
}

const Writer kWriters[] = {
    {"导出到文本文件", "成绩.txt", true,
     [](FullDiskSchool& s) -> Act {
         s.w.menuItem("menuOUTtxt")->trigger();
         Form16* f = s.child<Form16>();
         f->Text1->setPlainText("select 姓名, 总分 from 成绩表");
         return [f](DialogDouble& d, const QString& path) {
             d.chooseFile(path).answerMessage(MsgResult::Yes).answerMessage(MsgResult::Ok);
             whenFull([&] { f->Command2->click(); });
         };
     }},
    {"打印成绩 另存 rich text", "成绩.rtf", true, saveGradeList},
    {"打印成绩 另存 text", "成绩.txt", true, saveGradeList},
    {"高级查看 另存为 (added to the file)", "分段.txt", true,
     [](FullDiskSchool& s) -> Act {
         s.w.Command6_Click();
         ResultsSchool::pick(s.w.control<QComboBox>("Combo9"), "2004级01班");
         s.w.control<QPushButton>("Com64")->click();
         Form6* f = s.child<Form6>();
         f->Command[2]->click();
         return [f](DialogDouble& d, const QString& path) {
             d.chooseFile(path).answerMessage(MsgResult::Ok);
             whenFull([&] { f->Command5_Click(); });
         };
     }},
    {"高级查看 设为默认", "", true,
     [](FullDiskSchool& s) -> Act {
         s.w.Command6_Click();
         ResultsSchool::pick(s.w.control<QComboBox>("Combo9"), "2004级01班");
         s.w.control<QPushButton>("Com64")->click();
         Form6* f = s.child<Form6>();
         f->Text1->setPlainText("[90-100]%\n[80-90)\n[70-80)\n[60-70)\n(-60)");
         return [f](DialogDouble& d, const QString&) {
             d.answerMessage(MsgResult::Ok);
             whenFull([&] { f->Command6_Click(); });
         };
     }},
    {"核对学生情况 另存", "核对.rtf", true,
     [](FullDiskSchool& s) -> Act {
         s.w.menuItem("Menu_HDXS")->trigger();
         Form13* f = s.child<Form13>();
         f->RichTextBox1->insertRun(QString(100, u'核'), platform::FontChoice{QStringLiteral("宋体"), 9});
         return [f](DialogDouble& d, const QString& path) {
             d.chooseFile(path).answerMessage(MsgResult::Yes).answerMessage(MsgResult::Ok);
             whenFull([&] { f->Command2_Click(); });
         };
     }},
    {"自定义打印 保存", "模板.rtf", true,
     [](FullDiskSchool& s) -> Act {
         return [&s](DialogDouble& d, const QString& path) {
             d.runModalWith([&](QDialog& dialog) {
                 auto& f = dynamic_cast<Form11&>(dialog);
                 f.RichTextBox1->insertRun(QString(100, u'模'), platform::FontChoice{QStringLiteral("宋体"), 9});
                 d.chooseFile(path).answerMessage(MsgResult::Ok);
                 whenFull([&] { f.MenuSave_Click(); });
                 return 0;
             });
             s.w.menuItem("MenuPrintZDY")->trigger();
         };
     }},
    {"生成网页", "Index.htm", false,
     [](FullDiskSchool& s) -> Act {
         return [&s](DialogDouble& d, const QString& path) {
             d.chooseFile(path);
             whenFull([&] { s.w.menuItem("MakeHTM")->trigger(); });
         };
     }},
    {"单科成绩 导出 (added to the file)", "单科.txt", false,
     [](FullDiskSchool& s) -> Act {
         s.w.Command6_Click();
         ResultsSchool::pick(s.w.control<QComboBox>("Combo9"), "2004级01班");
         ResultsSchool::pick(s.w.control<QComboBox>("Combo12"), "总分");
         s.w.control<QRadioButton>("Option8_2")->click();
         return [&s](DialogDouble& d, const QString& path) {
             d.chooseFile(path);
             whenFull([&] { s.w.control<QPushButton>("Com61")->click(); });
         };
     }},
};

} // namespace

TEST(FullDisk, EveryResultsWriterKeepsTheOldFileAndClaimsNoSuccess) {
    for (const Writer& writer : kWriters) {
        SCOPED_TRACE(writer.name);
        FullDiskSchool s;
        const Act act = writer.open(s);
        const QString path = *writer.file ? s.path(writer.file) : QDir(programFolder()).filePath(bands::kBandNotationFileName);
        testsupport::writeFileBytes(path, "old");
        const QDir folder(QFileInfo(path).absolutePath());
        const QStringList before = folder.entryList(QDir::Files | QDir::Hidden);
        DialogDouble d;
        act(d, path);
        EXPECT_EQ(testsupport::readFileBytes(path), "old");
        // No other page, no half-written file beside it.
        EXPECT_EQ(folder.entryList(QDir::Files | QDir::Hidden), before);
        for (const QString& m : d.messages()) {
            EXPECT_FALSE(m.contains("成功")) << m.toStdString();
        }
        if (writer.tells) {
            EXPECT_TRUE(d.lastMessage().endsWith("文件太大")) << d.lastMessage().toStdString();
        }
    }
}
