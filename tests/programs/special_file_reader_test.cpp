// Every command that reads a file the user chose or typed, given a FIFO:
// the window's message for a file it cannot use, at once, with the FIFO
// never opened, nothing of the window filled and the database as it was.
// A reader that opened it anyway would wait for ever; the watchdog lets it
// go with a sound file's bytes and counts it, so the test fails instead.
#include "common/program_state.h"
#include "common/settings_files.h"
#include "grades/app/main_window.h"
#include "grades/calc/CalculationPanel.h"
#include "grades/frame/Form1.h"
#include "grades/frame/Form17.h"
#include "grades/frame/Form2.h"
#include "grades/maintenance/Form10.h"
#include "grades/maintenance/Form14.h"
#include "grades/results/print/Form11.h"
#include "platform/text/gbk.h"
#include "platform/text/message_titles.h"
#include "platform/ui/richtextbox.h"
#include "support/dialog_double.h"
#include "support/login_script.h"
#include "support/school_fixture.h"
#include "support/special_files.h"

#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <functional>
#include <gtest/gtest.h>

using platform::MsgResult;

// Named: the files of this folder are built as one unit.
namespace chosen_files {

const QString kNotPlain = QStringLiteral("这不是一个普通文件(是设备、管道等)");
const QString kBackup = QStringLiteral("在导入数据前请一定要备份现有的数据库,你备份了吗?");

// Every table's rows, as text.
QStringList snapshot(platform::db::Database& db) {
    QStringList out;
    for (const QString& table : db.tableNames())
        for (const auto& row : db.query(QStringLiteral("SELECT * FROM \"%1\" ORDER BY rowid").arg(table))) {
            QStringList cells;
            for (const QVariant& v : row)
                cells << (v.isNull() ? QStringLiteral("∅") : v.toString());
            out << table + u' ' + cells.join(u'|');
        }
    return out;
}

QString fileText(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

struct Scene {
    SchoolFixture school{{"语文", "数学"}, {"2004"}, {"2004级01班", "2004级02班"}};
    DialogDouble dialogs;
    std::unique_ptr<Form2> window;
    QString refusal;   // the message the command must give

    Scene() {
        school.db()->insertRow("成绩表", {"STID", "年级", "班", "姓名", "学号"}, {"20040001", "2004", "01", "张三", "01"});
    }
    ~Scene() { window.reset(); }

    Form2& grades() {
        if (!window) {
            window = makeMainWindow();
            window->ConnectDataControls();
            window->show();
        }
        return *window;
    }
    // The refusal, answered where the command shows it.
    void refused() { dialogs.answerMessage(MsgResult::Ok, refusal); }
    // A window the menu opens after the backup question and the administrator's login.
    template <class T> T* afterLogin(const char* menu) {
        dialogs.answerMessage(MsgResult::Yes, kBackup);
        scriptLogin(dialogs, state().DatabasePassword);
        grades().menuItem(QString::fromUtf8(menu))->trigger();
        return grades().findChild<T*>(QString(), Qt::FindDirectChildrenOnly);
    }
};

// What the FIFO gives a reader that opens it: a sound file of the kind chosen.
enum class Kind { Text, RichText, Database };

QByteArray soundFile(Scene& s, Kind kind) {
    switch (kind) {
    case Kind::Text: return platform::toGbk(QStringLiteral("姓名\t学号\r\n李四\t02\r\n"));
    case Kind::RichText: return QByteArrayLiteral("{\\rtf1 from the pipe}");
    case Kind::Database: {
        QFile f(s.school.databasePath());
        return f.open(QIODevice::ReadOnly) ? f.read(60000) : QByteArray();
    }
    }
    return {};
}

struct Reader {
    const char* name;
    const char* file;   // the FIFO, in the school's folder
    Kind kind;
    QString (*message)(const QString& fifo);
    QString title;
    // Opens the window as the user does, chooses or types the FIFO, runs the
    // command and checks that the window took nothing from it.
    std::function<void(Scene&, const QString& fifo)> run;
};

QString cannotOpen(const QString& fifo) { return QStringLiteral("不能打开文件 ") + fifo + QStringLiteral(": ") + kNotPlain; }

const Reader kReaders[] = {
    {"TextImport", "名单.txt", Kind::Text,
     [](const QString& fifo) { return QStringLiteral("无法打开文件 %1 : %2.").arg(fifo, kNotPlain); },
     platform::kPromptTitle,
     [](Scene& s, const QString& fifo) {
         auto* f = s.afterLogin<Form14>("menuin3");
         ASSERT_TRUE(f);
         s.dialogs.chooseFile(fifo);
         s.refused();
         f->Command1->click();
         EXPECT_EQ(f->Label2->text(), QString());
         EXPECT_EQ(f->Text1->toPlainText(), QString());
     }},
    {"ExternalDataSource", "来源.mdb", Kind::Database,
     [](const QString&) { return QStringLiteral("无效的数据格式,如果你的数据库有密码,请将密码清除后再试。"); },
     QStringLiteral("无法打开数据文件"),
     [](Scene& s, const QString& fifo) {
         auto* f = s.afterLogin<Form10>("menuin2");
         ASSERT_TRUE(f);
         s.dialogs.chooseFile(fifo);
         f->Command1->click();
         s.refused();
         f->Command3->click();
         EXPECT_EQ(f->List1->count(), 0);
     }},
    {"MergeThisSystemsData", "另一个学校.mdb", Kind::Database,
     [](const QString& fifo) { return QStringLiteral("不能打开数据库文件: %1 (%2)").arg(fifo, kNotPlain); },
     QStringLiteral("无法打开数据文件"),
     [](Scene& s, const QString& fifo) {
         state().IsAdministrator = -1;
         s.dialogs.chooseFile(fifo);
         s.refused();
         s.grades().menuItem(QStringLiteral("menuin1"))->trigger();
     }},
    {"CustomPrintOpen", "模板.rtf", Kind::RichText,
     [](const QString&) { return QStringLiteral("不能打开文件 模板.rtf: ") + kNotPlain; },
     platform::kFailedTitle,
     [](Scene& s, const QString& fifo) {
         s.dialogs.runModalWith([&](QDialog& d) {
             auto& f = dynamic_cast<Form11&>(d);
             const QString kept = f.activeEditor()->text();
             s.dialogs.chooseFile(fifo);
             s.refused();
             f.MenuOpen_Click();
             EXPECT_EQ(f.activeEditor()->text(), kept);
             return 0;
         });
         s.grades().menuItem(QStringLiteral("MenuPrintZDY"))->trigger();
     }},
    {"DatabaseChanged", "别的库.mdb", Kind::Database, cannotOpen, platform::kErrorTitle,
     [](Scene& s, const QString& fifo) {
         const QString locator = fileText(locatorFilePath());
         Form17* f = Form17::showFor(&s.grades());
         s.dialogs.chooseFile(fifo);
         f->Command3->click();
         s.refused();
         f->Command1->click();
         EXPECT_TRUE(f->isVisible());
         EXPECT_EQ(fileText(locatorFilePath()), locator);
         f->close();
     }},
    {"PreviousTermBrowsed", "上期.mdb", Kind::Database, cannotOpen, QStringLiteral("打开数据库文件"),
     [](Scene& s, const QString& fifo) {
         s.grades().Command5_Click();
         auto* te53 = s.grades().control<QLineEdit>(QStringLiteral("Te53"));
         te53->setText(QStringLiteral("旧.mdb"));
         s.dialogs.chooseFile(fifo);
         s.refused();
         dynamic_cast<CalculationPanel&>(*s.grades().panel(5)).Com53_Click();
         EXPECT_EQ(te53->text(), QStringLiteral("旧.mdb"));
     }},
    {"PreviousTermTypedThenCalculated", "上期.mdb", Kind::Database, cannotOpen, platform::kPromptTitle,
     [](Scene& s, const QString& fifo) {
         s.grades().Command5_Click();
         s.grades().control<QCheckBox>(QStringLiteral("Check55"))->setChecked(true);
         s.grades().control<QLineEdit>(QStringLiteral("Te53"))->setText(fifo);
         s.dialogs.answerMessage(MsgResult::Yes);   // 开始计算?
         s.refused();
         dynamic_cast<CalculationPanel&>(*s.grades().panel(5)).Com51_Click();
     }},
    // The wizard of a first start, the database's path typed: neither opened
    // as the school's database nor replaced by a new one.
    {"SetupWizardPath", "新学校.mdb", Kind::Database, cannotOpen, platform::kPromptTitle,
     [](Scene& s, const QString& fifo) {
         ASSERT_TRUE(QFile::remove(locatorFilePath()));
         int opened = 0;
         Form1::setMainWindowOpener([&] { ++opened; });
         {
             Form1 form;
             form.Form_Load();
             form.Text1->setText(QStringLiteral("第一实验中学"));
             form.Text2->setText(fifo);
             form.Text3->setText(QStringLiteral("abc"));
             form.Text4->setText(QStringLiteral("abc"));
             s.refused();
             form.Command17_Click();
         }
         Form1::setMainWindowOpener({});
         EXPECT_EQ(opened, 0);
         EXPECT_FALSE(QFile::exists(locatorFilePath()));
     }},
};

struct SpecialFileReader : ::testing::TestWithParam<Reader> {};

} // namespace chosen_files

using chosen_files::SpecialFileReader;

TEST_P(SpecialFileReader, AFifoGetsTheMessageAtOnceAndIsNeverOpened) {
    const chosen_files::Reader& r = GetParam();
    chosen_files::Scene s;
    const QString fifo = s.school.folder() + u'/' + QString::fromUtf8(r.file);
    FifoWatchdog watchdog(fifo, chosen_files::soundFile(s, r.kind));
    const QStringList before = chosen_files::snapshot(*s.school.db());
    s.refusal = r.message(fifo);
    r.run(s, fifo);
    QCoreApplication::processEvents();
    watchdog.stop();

    EXPECT_EQ(watchdog.released(), 0) << "a reader opened the FIFO and waited on it";
    EXPECT_EQ(s.dialogs.lastMessage(), s.refusal);
    EXPECT_EQ(s.dialogs.lastTitle(), r.title);
    EXPECT_EQ(chosen_files::snapshot(*s.school.db()), before);
    EXPECT_TRUE(isSpecialFile(fifo, 'p'));
}

INSTANTIATE_TEST_SUITE_P(EveryChosenFileReader, SpecialFileReader, ::testing::ValuesIn(chosen_files::kReaders),
                         [](const auto& info) { return std::string(info.param.name); });
