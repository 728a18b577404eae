#include "platform/ui/dialogs.h"
#include "platform/ui/fonts.h"
#include "platform/ui/twips.h"
#include "support/dialog_double.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileSystemModel>
#include <QFontDialog>
#include <QFontMetrics>
#include <QGlyphRun>
#include <QGuiApplication>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRawFont>
#include <QScreen>
#include <QTest>
#include <QTextLayout>
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

TEST(FileFilters, ACaptionThatNamesItsPatternsIsShownAsItStands) {
    using F = NameFilter;
    struct Case { const char* filter; QList<NameFilter> types; };
    const Case cases[] = {
        {"Access数据库(*.mdb)|*.mdb|所有文件(*.*)|*.*",
         {F{"Access数据库(*.mdb)", {"*.mdb"}}, F{"所有文件(*.*)", {"*"}}}},
        {"文本文件(*.TXT)|*.txt|电子表格(*.xls)|*.xls", {F{"文本文件(*.TXT)", {"*.txt"}}, F{"电子表格(*.xls)", {"*.xls"}}}},
        // Captions that do not name their patterns, or name others, get them added.
        {"文本文件|*.txt;*.csv", {F{"文本文件 (*.txt *.csv)", {"*.txt", "*.csv"}}}},
        {"文本(*.txt)|*.txt;*.csv", {F{"文本(*.txt) (*.txt *.csv)", {"*.txt", "*.csv"}}}},
        {"数据(*.mdb)|*.xls", {F{"数据(*.mdb) (*.xls)", {"*.xls"}}}},
        {"全部", {F{"全部 (*)", {"*"}}}},
        {"", {}},
    };
    for (const Case& c : cases) EXPECT_EQ(fileTypes(QString::fromUtf8(c.filter)), c.types) << c.filter;
}

TEST(Fonts, OldFontNamesResolveToFamiliesWithTheDesignsMetrics) {
    installFontSubstitutions();
    struct Case { const char* name; const char* family; };
    const Case cases[] = {{"宋体", "AR PL UMing CN"}, {"SimSun", "AR PL UMing CN"}, {"新宋体", "AR PL UMing CN"},
                          {"黑体", "WenQuanYi Zen Hei Mono"}, {"隶书", "AR PL UKai CN"}, {"LiSu", "AR PL UKai CN"}};
    for (const Case& c : cases) {
        const QString name = QString::fromUtf8(c.name);
        EXPECT_EQ(resolvedFamily(name), c.family) << c.name;
        // Noto CJK stays behind each for the characters it lacks.
        EXPECT_TRUE(substituteFamilies(name).filter(QStringLiteral("Noto")).size() >= 1) << c.name;
        // The font keeps the name the system stores.
        EXPECT_EQ(QFont(name).family(), name);
    }
    EXPECT_EQ(QFontInfo(QApplication::font()).family(), "AR PL UMing CN");
    EXPECT_TRUE(substituteFamilies(QStringLiteral("Arial")).isEmpty());

    // Numbers laid out in display columns: a Latin letter is exactly half a
    // Chinese character, at every size; a Song line is about one font size.
    for (const char* name : {"宋体", "黑体"})
        for (int px : {12, 14, 16, 21}) {
            QFont f(QString::fromUtf8(name));
            f.setPixelSize(px);
            const QFontMetricsF m(f);
            for (QChar c : QStringLiteral("Wi0.,: "))
                EXPECT_EQ(2 * m.horizontalAdvance(c), m.horizontalAdvance(u'国')) << name << " " << px << " " << char(c.unicode());
            if (QString::fromUtf8(name) == u"宋体") {
                EXPECT_LE(m.height(), px * 1.1) << px;
            }
        }
}

TEST(Fonts, AFamilyMissingFromTheMachineFallsBackToNotoCjk) {
    // The same order of families as an old name, with its first one absent.
    const QString name = QStringLiteral("旧字体");
    QFont::insertSubstitutions(name, QStringList{QStringLiteral("No Such Family")} +
                                         substituteFamilies(QStringLiteral("宋体")).mid(1));
    EXPECT_EQ(resolvedFamily(name), "Noto Serif CJK SC");
    QFont::removeSubstitutions(name);

    // A character the Song family lacks is drawn from Noto CJK.
    installFontSubstitutions();
    const QChar late(0x9FEA);  // a character added to Unicode after the Song family was made
    ASSERT_FALSE(QRawFont::fromFont(QFont(QStringLiteral("AR PL UMing CN"))).supportsCharacter(late));
    QTextLayout layout(QString(late), QFont(QStringLiteral("宋体")));
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    const auto runs = layout.glyphRuns();
    ASSERT_EQ(runs.size(), 1);
    EXPECT_TRUE(runs.first().rawFont().familyName().startsWith(QStringLiteral("Noto"))) << runs.first().rawFont().familyName().toStdString();
}

namespace {
// Acts on the Qt dialog that the service opens, once it is up; a dialog
// still open after a few seconds is closed so that the test fails, not hangs.
void whenModalShows(std::function<void(QWidget*)> act) {
    // Each pending timer holds the poll; the poll holds itself only weakly, so
    // it is freed with the last timer.
    auto tries = std::make_shared<int>(0);
    auto poll = std::make_shared<std::function<void()>>();
    std::weak_ptr<std::function<void()>> self = poll;
    *poll = [act, tries, self] {
        if (QWidget* w = QApplication::activeModalWidget()) {
            act(w);
            if (QApplication::activeModalWidget() == w) {
                ADD_FAILURE() << "dialog left open: " << w->windowTitle().toStdString();
                if (auto* d = qobject_cast<QDialog*>(w)) d->reject();
            }
        } else if (++*tries < 500) {
            if (auto again = self.lock()) QTimer::singleShot(10, [again] { (*again)(); });
        }
    };
    QTimer::singleShot(0, [poll] { (*poll)(); });
}

QCheckBox* checkBox(QWidget* w, const QString& text) {
    for (auto* c : w->findChildren<QCheckBox*>())
        if (c->text() == text) return c;
    ADD_FAILURE() << "no check box " << text.toStdString();
    static QCheckBox none;
    return &none;
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

TEST_F(QtDialogs, AMessageTallerThanTheScreenShowsWhatFitsAndKeepsTheWholeInItsDetails) {
    QStringList lines;
    for (int i = 1; i <= 2000; ++i)
        lines << QStringLiteral("第%1行 20040001 张三 90 80 70").arg(i);
    const QString text = lines.join(u'\n');
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    QRect shown;
    QString visible, details;
    whenModalShows([&](QWidget* w) {
        shown = w->frameGeometry();
        auto* box = qobject_cast<QMessageBox*>(w);
        ASSERT_NE(box, nullptr);
        visible = box->text();
        details = box->detailedText();
        for (auto* b : w->findChildren<QPushButton*>())
            if (b->text() == u"确定") b->click();
    });
    EXPECT_EQ(dialogs().message(text), MsgResult::Ok);
    EXPECT_TRUE(screen.contains(shown)) << shown.height() << " > " << screen.height();
    EXPECT_TRUE(visible.startsWith(QStringLiteral("第1行 20040001"))) << visible.left(40).toStdString();
    EXPECT_TRUE(visible.endsWith(QStringLiteral("\n……")));
    EXPECT_EQ(details, text);
    // One line as long as a whole file is cut the same way.
    EXPECT_LE(messageBoxGeometry(lines.join(u' ')).height(), screen.height());
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

TEST_F(QtDialogs, AnInputBoxWithALongPromptFitsTheScreenWithItsButtons) {
    // The import asks for a class with every class of the school in its prompt.
    QString classes;
    for (int grade = 2004; grade <= 2006; ++grade)
        for (int c = 1; c <= 60; ++c)
            classes += QStringLiteral("%1%2  ").arg(grade).arg(c, 2, 10, QLatin1Char('0'));
    QStringList many;
    for (int i = 1; i <= 400; ++i)
        many << QStringLiteral("第%1行 请输入班号").arg(i);
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    const struct {
        const char* what;
        QString prompt;
        bool whole;   // shown whole, wrapped
    } cases[] = {
        {"one long line", QStringLiteral("请有以下班级(") + classes + QStringLiteral(")中选择一个 2004级中的班:现在的班01无效"),
         true},
        {"one line with no blank", QString(600, QChar(0x73ED)), true},
        {"many lines", many.join(u'\n'), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QRect shown, ok, edit;
        QString label;
        whenModalShows([&](QWidget* w) {
            shown = w->frameGeometry();
            label = w->findChild<QLabel*>()->text();
            for (auto* b : w->findChildren<QPushButton*>())
                if (b->text() == u"确定")
                    ok = QRect(b->mapToGlobal(QPoint(0, 0)), b->size());
            if (auto* e = w->findChild<QLineEdit*>())
                edit = QRect(e->mapToGlobal(QPoint(0, 0)), e->size());
            qobject_cast<QInputDialog*>(w)->setTextValue(QStringLiteral("01"));
            qobject_cast<QDialog*>(w)->accept();
        });
        EXPECT_EQ(dialogs().input(c.prompt, QStringLiteral("请输入一个2004级张三所在的班"), QStringLiteral("01")),
                  QStringLiteral("01"));
        EXPECT_TRUE(screen.contains(shown)) << shown.width() << "x" << shown.height();
        EXPECT_TRUE(screen.contains(ok)) << ok.x() << "," << ok.y();
        EXPECT_TRUE(screen.contains(edit)) << edit.x() << "," << edit.y();
        if (c.whole)
            EXPECT_EQ(label, c.prompt);
        else
            EXPECT_TRUE(label.startsWith(many.front()) && label.endsWith(QStringLiteral("\n……"))) << label.toStdString();
    }
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
        f.setUnderline(true);
        fonts->setCurrentFont(f);
        // The Hei family has one face: bold is ticked beside it.
        checkBox(w, QStringLiteral("粗体(&B)"))->setChecked(true);
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

    // A family with faces of its own: choosing its bold or regular face sets the box.
    for (bool bold : {true, false}) {
        bool ticked = !bold;
        whenModalShows([&](QWidget* w) {
            auto* fonts = w->findChild<QFontDialog*>();
            QFont f(QStringLiteral("Noto Sans CJK SC"));
            f.setBold(bold);
            fonts->setCurrentFont(f);
            ticked = checkBox(w, QStringLiteral("粗体(&B)"))->isChecked();
            qobject_cast<QDialog*>(w)->accept();
        });
        initial.bold = !bold;
        EXPECT_EQ(dialogs().chooseFont(initial)->bold, bold);
        EXPECT_EQ(ticked, bold);
    }

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

// The file types read once; every file shows under 所有文件(*.*), and choosing
// it in a save dialog keeps the typed name's extension.
TEST_F(QtDialogs, FileTypesShowTheirCaptionsAsTheyStand) {
    QStringList shown;
    QString nameAfter;
    QStringList patternsAfter;
    whenModalShows([&](QWidget* w) {
        auto* types = w->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
        auto* name = w->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        auto* files = w->findChild<QFileSystemModel*>();
        if (types && name && files) {
            for (int i = 0; i < types->count(); ++i) shown << types->itemText(i);
            name->setText(QStringLiteral("成绩.mdb"));
            types->setFocus();
            QTest::keyClick(types, Qt::Key_Down);
            nameAfter = name->text();
            patternsAfter = files->nameFilters();
        }
        qobject_cast<QDialog*>(w)->reject();
    });
    FileRequest request;
    request.filter = QStringLiteral("Access数据库(*.mdb)|*.mdb|所有文件(*.*)|*.*");
    EXPECT_FALSE(dialogs().saveFile(request).has_value());
    EXPECT_EQ(shown, QStringList({QStringLiteral("Access数据库(*.mdb)"), QStringLiteral("所有文件(*.*)")}));
    EXPECT_EQ(nameAfter, QStringLiteral("成绩.mdb"));
    EXPECT_EQ(patternsAfter, QStringList{QStringLiteral("*")});
}
