#include "platform/ui/dialogs.h"
#include "platform/ui/fonts.h"
#include "platform/ui/twips.h"
#include "support/dialog_double.h"

#include <QApplication>
#include <QComboBox>
#include <QFontDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <gtest/gtest.h>

using namespace platform;

TEST(Twips, FifteenToAPixelAt96Dpi) {
    EXPECT_EQ(twipsToPixels(1440, 96), 96);
    EXPECT_EQ(twipsToPixels(5760, 96), 384);
    EXPECT_EQ(twipsToPixels(1440, 120), 120);
    EXPECT_EQ(pixelsToTwips(96, 96), 1440);
    EXPECT_EQ(twipsToPixels(0, 96), 0);
    EXPECT_EQ(twipsToPixels(-150, 96), -10);
    EXPECT_EQ(twipsToPixels(2, 96), 0);
}

TEST(Twips, ControlsThatTouchInTwipsTouchOnScreen) {
    const QRect a = twipsRect(120, 120, 1215, 375);
    const QRect b = twipsRect(120 + 1215, 120, 1215, 375);
    EXPECT_EQ(a.right() + 1, b.left());
    QWidget parent;
    QWidget child(&parent);
    placeTwips(child, 1440, 720, 2880, 360);
    const double dpi = screenDpi();
    EXPECT_EQ(child.geometry(), QRect(twipsToPixels(1440, dpi), twipsToPixels(720, dpi),
                                      twipsToPixels(2880, dpi), twipsToPixels(360, dpi)));
}

TEST(FileFilters, SystemFilterTextsBecomeQtNameFilters) {
    EXPECT_EQ(qtNameFilters(QStringLiteral("Access数据库(*.mdb)|*.mdb|所有文件(*.*)|*.*")),
              QStringList({QStringLiteral("Access数据库(*.mdb) (*.mdb)"), QStringLiteral("所有文件(*.*) (*)")}));
    EXPECT_EQ(qtNameFilters(QStringLiteral("文本文件|*.txt;*.csv")), QStringList({QStringLiteral("文本文件 (*.txt *.csv)")}));
    EXPECT_EQ(qtNameFilters(QString()), QStringList());
}

TEST(Fonts, ChineseDesktopFontNamesResolveToInstalledCjkFamilies) {
    installFontSubstitutions();
    for (const char* name : {"宋体", "黑体", "隶书"})
        EXPECT_TRUE(resolvedFamily(QString::fromUtf8(name)).contains(QStringLiteral("CJK"))) << name;
    EXPECT_TRUE(QFontInfo(QApplication::font()).family().contains(QStringLiteral("CJK")));
}

namespace {
// Acts on the Qt dialog that the service opens, once it is up; a dialog
// still open after a few seconds is closed so that the test fails, not hangs.
void whenModalShows(std::function<void(QWidget*)> act) {
    auto tries = std::make_shared<int>(0);
    auto poll = std::make_shared<std::function<void()>>();
    *poll = [act, tries, poll] {
        if (QWidget* w = QApplication::activeModalWidget()) {
            act(w);
            if (QApplication::activeModalWidget() == w) {
                ADD_FAILURE() << "dialog left open: " << w->windowTitle().toStdString();
                if (auto* d = qobject_cast<QDialog*>(w)) d->reject();
            }
        } else if (++*tries < 500) {
            QTimer::singleShot(10, *poll);
        }
    };
    QTimer::singleShot(0, *poll);
}

QStringList buttonTexts(QWidget* w) {
    QStringList out;
    for (auto* b : w->findChildren<QPushButton*>()) out << b->text();
    out.sort();
    return out;
}
} // namespace

// The real Qt service, put back to the stray-dialog guard afterwards.
class QtDialogs : public ::testing::Test {
protected:
    void SetUp() override { setDialogService(nullptr); }
    void TearDown() override { installStrayDialogGuard(); }
};

TEST_F(QtDialogs, MessageBoxUsesChineseButtonsAndTheProgramTitle) {
    QString title;
    QStringList buttons;
    whenModalShows([&](QWidget* w) {
        title = w->windowTitle();
        buttons = buttonTexts(w);
        for (auto* b : w->findChildren<QPushButton*>())
            if (b->text() == u"否(&N)") b->click();
    });
    const MsgResult r = dialogs().message(QStringLiteral("是否继续?"), MsgButtons::YesNoCancel);
    EXPECT_EQ(r, MsgResult::No);
    EXPECT_EQ(title, QStringLiteral("VantalooOrbisca"));
    EXPECT_EQ(buttons, QStringList({QStringLiteral("取消"), QStringLiteral("否(&N)"), QStringLiteral("是(&Y)")}));
}

TEST_F(QtDialogs, InputBoxGivesTheTypedTextAndEmptyOnCancel) {
    whenModalShows([](QWidget* w) {
        auto* d = qobject_cast<QInputDialog*>(w);
        ASSERT_NE(d, nullptr);
        EXPECT_EQ(d->textValue(), QStringLiteral("1"));
        d->setTextValue(QStringLiteral("3"));
        d->accept();
    });
    EXPECT_EQ(dialogs().input(QStringLiteral("请输入考室号"), {}, QStringLiteral("1")), QStringLiteral("3"));
    whenModalShows([](QWidget* w) { qobject_cast<QDialog*>(w)->reject(); });
    EXPECT_EQ(dialogs().input(QStringLiteral("请输入考室号"), {}, QStringLiteral("1")), QString());
}

TEST_F(QtDialogs, FontDialogSetsTheColourAndGivesTheSystemsNameForAStandInFamily) {
    installFontSubstitutions();
    FontChoice initial;
    initial.name = QStringLiteral("宋体");
    initial.size = 10.5;
    initial.underline = true;
    whenModalShows([](QWidget* w) {
        auto* fonts = w->findChild<QFontDialog*>();
        auto* colours = w->findChild<QComboBox*>(QString(), Qt::FindDirectChildrenOnly);
        ASSERT_NE(fonts, nullptr);
        ASSERT_NE(colours, nullptr);
        EXPECT_EQ(colours->currentText(), QStringLiteral("黑色"));
        EXPECT_TRUE(fonts->currentFont().underline());
        QFont f(resolvedFamily(QStringLiteral("黑体")));
        f.setPointSizeF(fonts->currentFont().pointSizeF());
        f.setBold(true);
        f.setUnderline(true);
        fonts->setCurrentFont(f);
        colours->setCurrentIndex(colours->findText(QStringLiteral("红色")));
        qobject_cast<QDialog*>(w)->accept();
    });
    const auto chosen = dialogs().chooseFont(initial);
    ASSERT_TRUE(chosen.has_value());
    EXPECT_EQ(chosen->name, QStringLiteral("黑体"));
    EXPECT_EQ(chosen->size, 10.5);   // the dialog lists whole sizes; an untouched one stays
    EXPECT_TRUE(chosen->bold);
    EXPECT_TRUE(chosen->underline);
    EXPECT_EQ(chosen->color, QColor(255, 0, 0));

    whenModalShows([](QWidget* w) {
        auto* fonts = w->findChild<QFontDialog*>();
        QFont f = fonts->currentFont();
        f.setPointSize(12);
        fonts->setCurrentFont(f);
        qobject_cast<QDialog*>(w)->accept();
    });
    EXPECT_EQ(dialogs().chooseFont(initial)->size, 12);

    whenModalShows([](QWidget* w) { qobject_cast<QDialog*>(w)->reject(); });
    EXPECT_FALSE(dialogs().chooseFont(initial).has_value());
}

TEST_F(QtDialogs, PrinterDialogOffersAndPresetsTheSelectionOnlyWhenAsked) {
    for (bool offer : {false, true}) {
        bool offered = !offer;
        bool preset = !offer;
        whenModalShows([&](QWidget* w) {
            auto* d = qobject_cast<QPrintDialog*>(w);
            ASSERT_NE(d, nullptr);
            offered = d->testOption(QAbstractPrintDialog::PrintSelection);
            preset = d->printRange() == QAbstractPrintDialog::Selection;
            EXPECT_FALSE(d->testOption(QAbstractPrintDialog::PrintPageRange));
            d->reject();
        });
        QPrinter printer;
        EXPECT_EQ(dialogs().choosePrinter(printer, offer), std::nullopt);
        EXPECT_EQ(offered, offer);
        EXPECT_EQ(preset, offer);
    }
}
