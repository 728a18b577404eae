#include "support/dialog_double.h"

#include <QDialog>
#include <QLineEdit>
#include <QPrinter>
#include <memory>
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

using namespace platform;

TEST(DialogDouble, ScriptedAnswersReachTheCallerInOrderAndEverythingIsRecorded) {
    DialogDouble d;
    d.answerMessage(MsgResult::Yes, QStringLiteral("确定删除吗?"))
        .answerInput(QStringLiteral("2"))
        .chooseFile(QStringLiteral("/data/成绩.mdb"))
        .cancelDialog()
        .answerMessage();

    EXPECT_EQ(dialogs().message(QStringLiteral("确定删除吗?"), MsgButtons::YesNo), MsgResult::Yes);
    EXPECT_EQ(dialogs().input(QStringLiteral("请输入年级数"), QStringLiteral("设置")), QStringLiteral("2"));
    FileRequest open;
    open.title = QStringLiteral("打开");
    open.filter = QStringLiteral("Access数据库(*.mdb)|*.mdb");
    EXPECT_EQ(dialogs().openFile(open), QStringLiteral("/data/成绩.mdb"));
    EXPECT_EQ(dialogs().saveFile(FileRequest{}), std::nullopt);
    EXPECT_EQ(dialogs().message(QStringLiteral("完成"), MsgButtons::Ok, QStringLiteral(" 提示")), MsgResult::Ok);

    ASSERT_EQ(d.shown().size(), 5u);
    EXPECT_EQ(d.shown()[0].title, QStringLiteral("VantalooOrbisca"));   // no title given
    EXPECT_EQ(d.shown()[0].buttons, MsgButtons::YesNo);
    EXPECT_EQ(d.shown()[1].kind, QStringLiteral("input"));
    EXPECT_EQ(d.shown()[1].title, QStringLiteral("设置"));
    EXPECT_EQ(d.shown()[2].file.filter, QStringLiteral("Access数据库(*.mdb)|*.mdb"));
    EXPECT_EQ(d.shown()[3].kind, QStringLiteral("save"));
    EXPECT_EQ(d.messages(), QStringList({QStringLiteral("确定删除吗?"), QStringLiteral("完成")}));
    EXPECT_EQ(d.lastMessage(), QStringLiteral("完成"));
    EXPECT_EQ(d.lastTitle(), QStringLiteral(" 提示"));
}

TEST(DialogDouble, AnEntryAnswersOnlyADialogOfItsKind) {
    DialogDouble d;
    d.answerInput(QString()).answerMessage(MsgResult::No);
    // The message comes first although the input answer was scripted first.
    EXPECT_EQ(dialogs().message(QStringLiteral("继续?"), MsgButtons::YesNo), MsgResult::No);
    EXPECT_EQ(dialogs().input(QStringLiteral("考室号")), QString());   // Cancel
}

TEST(DialogDouble, ModalWindowIsShownToItsScriptAndEndsWithItsResult) {
    DialogDouble d;
    d.runModalWith([](QDialog& w) {
        EXPECT_TRUE(w.isVisible());
        w.findChild<QLineEdit*>()->setText(QStringLiteral("abc"));
        return int(QDialog::Accepted);
    });
    QDialog w;
    w.setWindowTitle(QStringLiteral("登录"));
    auto* edit = new QLineEdit(&w);
    EXPECT_EQ(dialogs().runModal(w), QDialog::Accepted);
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(edit->text(), QStringLiteral("abc"));
    EXPECT_EQ(d.shown().back().text, QStringLiteral("登录"));
}

TEST(DialogDouble, UnscriptedDialogFailsAtOnceWithItsTextAndGetsTheSafeAnswer) {
    EXPECT_NONFATAL_FAILURE(
        {
            DialogDouble d;
            EXPECT_EQ(dialogs().message(QStringLiteral("是否覆盖?"), MsgButtons::YesNo), MsgResult::No);
        },
        "是否覆盖?");
    DialogDouble d;
    EXPECT_NONFATAL_FAILURE(
        EXPECT_EQ(dialogs().message(QStringLiteral("x"), MsgButtons::OkCancel), MsgResult::Cancel), "unscripted");
    EXPECT_NONFATAL_FAILURE(EXPECT_EQ(dialogs().input(QStringLiteral("y")), QString()), "unscripted");
    EXPECT_NONFATAL_FAILURE(EXPECT_EQ(dialogs().openFile({}), std::nullopt), "unscripted");
    EXPECT_NONFATAL_FAILURE(EXPECT_FALSE(dialogs().chooseFont({}).has_value()), "unscripted");
    static QDialog* w;   // the failure check sees only statics
    auto owned = std::make_unique<QDialog>();
    w = owned.get();
    w->setWindowTitle(QStringLiteral("登录"));
    EXPECT_NONFATAL_FAILURE(EXPECT_EQ(dialogs().runModal(*w), QDialog::Rejected), "登录");
    EXPECT_FALSE(w->isVisible());
}

TEST(DialogDouble, WrongTextUnusedAnswersAndImpossibleAnswersFail) {
    EXPECT_NONFATAL_FAILURE(
        {
            DialogDouble d;
            d.answerMessage(MsgResult::Ok, QStringLiteral("保存成功"));
            dialogs().message(QStringLiteral("保存失败"));
        },
        "保存失败");
    EXPECT_NONFATAL_FAILURE({ DialogDouble d; d.answerInput(QStringLiteral("5")); }, "never used");
    EXPECT_NONFATAL_FAILURE(
        {
            DialogDouble d;
            d.answerMessage(MsgResult::Yes);
            EXPECT_EQ(dialogs().message(QStringLiteral("好"), MsgButtons::Ok), MsgResult::Ok);
        },
        "no button");
}

TEST(DialogDouble, OutsideADoubleEveryDialogFailsTheTest) {
    { DialogDouble d; }   // installing and removing one puts the guard back
    EXPECT_NONFATAL_FAILURE(dialogs().message(QStringLiteral("迷途的对话框")), "迷途的对话框");
}

TEST(DialogDouble, PrinterAnswersFollowWhatTheDialogOfferedAndPrintToPdf) {
    QPrinter printer;
    {
        DialogDouble d;
        d.printToPdf(QStringLiteral("out.pdf")).acceptPrinter(PrintRange::Selection).acceptPrinter(PrintRange::Selection);
        EXPECT_EQ(dialogs().choosePrinter(printer, true), PrintRange::Selection);
        EXPECT_TRUE(d.shown().back().selectionOffered);
        EXPECT_EQ(printer.outputFormat(), QPrinter::PdfFormat);
        EXPECT_TRUE(printer.outputFileName().endsWith(QStringLiteral("out.pdf")));
        EXPECT_NONFATAL_FAILURE(EXPECT_EQ(dialogs().choosePrinter(printer, false), PrintRange::All), "did not offer");
        EXPECT_TRUE(dialogs().defaultPrinter(printer));
    }
    DialogDouble noPdf;
    EXPECT_NONFATAL_FAILURE(EXPECT_FALSE(dialogs().defaultPrinter(printer)), "no PDF file");
    noPdf.noPrinterInstalled();
    EXPECT_FALSE(dialogs().defaultPrinter(printer));
}
