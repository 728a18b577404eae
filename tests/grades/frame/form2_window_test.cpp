#include "grades/app/main_window.h"
#include "grades/frame/Form2.h"
#include "grades/frame/form2_design.h"
#include "grades/frame/form2_resize.h"
#include "platform/ui/twips.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSet>
#include <algorithm>
#include <gtest/gtest.h>

namespace {

// The frame's controls and every panel's, as the window builds them.
std::vector<form2::ControlDesign> allDesigns(const std::vector<std::unique_ptr<Form2Panel>>& panels) {
    std::vector<form2::ControlDesign> all = form2::controlDesigns();
    for (const auto& p : panels)
        all.insert(all.end(), p->designs().begin(), p->designs().end());
    return all;
}

} // namespace

TEST(Form2Design, LayoutAndDesignNameTheSameControls) {
    const auto panels = makeMainWindowPanels();
    std::vector<const Form2Panel*> laidOut;
    for (const auto& p : panels)
        laidOut.push_back(p.get());
    const auto layout = form2::layoutForm2(form2::kMinClientWidth, form2::kMinClientHeight, false, laidOut);
    QSet<QString> designed, placedByLayout;
    for (const auto& d : allDesigns(panels)) {
        EXPECT_FALSE(designed.contains(d.name)) << "twice: " << d.name.toStdString();
        designed.insert(d.name);
        if (!d.rect)
            placedByLayout.insert(d.name);
    }
    QSet<QString> placed;
    for (const auto& p : layout.placements)
        placed.insert(p.name);
    // Nothing the layout moves is missing, and nothing without a place is forgotten.
    for (const auto& n : placed)
        EXPECT_TRUE(designed.contains(n)) << n.toStdString();
    EXPECT_EQ(placedByLayout, placed);
}

TEST(Form2Window, EveryControlIsAWidgetFoundByItsName) {
    std::unique_ptr<Form2> wWindow = makeMainWindow();
    Form2& w = *wWindow;
    for (const auto& d : allDesigns(makeMainWindowPanels())) {
        QWidget* c = w.findChild<QWidget*>(d.name);
        ASSERT_NE(c, nullptr) << d.name.toStdString();
        EXPECT_EQ(c, w.control(d.name));
    }
    // Fixed controls stand at their design place.
    EXPECT_EQ(w.control("Comout_0")->geometry(), platform::twipsRect(2520, 600, 735, 375));
    EXPECT_EQ(w.control("Com27")->geometry(), platform::twipsRect(1200, 720, 855, 375));
    EXPECT_EQ(w.control("Comout_0")->parentWidget(), w.control("Frame1_1"));
    EXPECT_EQ(w.control("Comout_1")->parentWidget(), w.control("Frame3_0"));
    EXPECT_EQ(w.control("Comout_2")->parentWidget(), w.control("Frame4_0"));
    EXPECT_EQ(w.control("Comout_4")->parentWidget(), w.control("Frame10_0"));
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(w.control<QPushButton>(QStringLiteral("Comout_%1").arg(i))->text(), "完成");
}

TEST(Form2Window, PanelButtonsStandInTheirOrderAndStartDisabled) {
    std::unique_ptr<Form2> wWindow = makeMainWindow();
    Form2& w = *wWindow;
    w.resize(1200, 800);
    w.Form_Resize();
    struct Button { const char* name; const char* caption; const char* tip; };
    const Button order[] = {
        {"Command1", " 学生", "输入或修改学生情况"},
        {"Command2", "教师", "输入或修改教师的情况"},
        {"Command3", "考号", "编写或查看全校的考号"},
        {"Command4", "总分", "录入/修改本次考试时各科试卷上的总分数"},
        {"Command8", "成绩", "录入/修改每个同学的各科成绩"},
        {"Command5", "计算", "只有计算后,才能排各次或查看总分平均分"},
        {"Command6", "查看", "查看全校同学的各科考试情况"},
        {"Command7", "绩分", "查看教师的考绩分"},
    };
    int lastX = -1;
    for (const auto& b : order) {
        auto* button = w.control<QPushButton>(b.name);
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->text(), QString::fromUtf8(b.caption));
        EXPECT_EQ(button->toolTip(), QString::fromUtf8(b.tip));
        EXPECT_FALSE(button->isEnabled());
        EXPECT_GT(button->x(), lastX) << b.name;
        lastX = button->x();
    }
}

TEST(Form2Window, MenuBarHasEveryItemWithItsCaptionAndState) {
    std::unique_ptr<Form2> wWindow = makeMainWindow();
    Form2& w = *wWindow;
    QStringList top;
    for (QAction* a : w.menuBar()->actions())
        top << a->objectName() + "=" + a->text();
    EXPECT_EQ(top, QStringList({"MenuFile=文件(&F)", "MenuEDIT=编辑(&E)", "MeuLook=查看(&L)", "menuSJ=数据(&D)",
                                "MenuTs=特殊(&A)", "Help=帮助(&H)"}));
    for (const auto& m : form2::menuDesigns()) {
        auto* menu = w.findChild<QMenu*>(m.name);
        ASSERT_NE(menu, nullptr);
        // Top-level menus are found as actions by their names too.
        EXPECT_EQ(w.findChild<QAction*>(m.name), menu->menuAction());
        const auto actions = menu->actions();
        ASSERT_EQ(actions.size(), static_cast<qsizetype>(m.items.size())) << m.name.toStdString();
        for (size_t i = 0; i < m.items.size(); ++i) {
            QAction* a = actions[static_cast<qsizetype>(i)];
            EXPECT_EQ(a->objectName(), m.items[i].name);
            EXPECT_EQ(a, w.menuItem(m.items[i].name));
            EXPECT_TRUE(a->shortcut().isEmpty());
            if (m.items[i].caption == "-")
                EXPECT_TRUE(a->isSeparator()) << m.items[i].name.toStdString();
            else
                EXPECT_EQ(a->text(), m.items[i].caption);
        }
    }
    EXPECT_FALSE(w.menuItem("MenuXueJi")->isVisible());
    EXPECT_FALSE(w.menuItem("MenuYiQian")->isVisible());
    EXPECT_TRUE(w.menuItem("MenuEditAll")->isVisible());
    EXPECT_TRUE(w.menuItem("menucolor")->isCheckable());
    EXPECT_TRUE(w.menuItem("menucolor")->isChecked());
    EXPECT_EQ(w.menuItem("menu12")->text(), "退出(&E)");
    EXPECT_EQ(w.menuItem("MenuSuper")->text(), "锁定系统");
    EXPECT_EQ(w.menuItem("MenuOpenOther")->text(), "打开其他库");
}

TEST(Form2Window, OnePanelShowsAtATime) {
    std::unique_ptr<Form2> wWindow = makeMainWindow();
    Form2& w = *wWindow;
    w.ShowPanel(0);
    EXPECT_EQ(w.visiblePanel(), 0);
    for (int p : {3, 5, 6, 7, 8}) {
        SCOPED_TRACE(p);
        w.ShowPanel(p);
        int shown = 0;
        for (int i = 0; i <= 8; ++i)
            shown += w.control(QStringLiteral("Frame1_%1").arg(i))->isHidden() ? 0 : 1;
        EXPECT_EQ(shown, 1);
        EXPECT_EQ(w.visiblePanel(), p);
        // 完成 on an unconnected panel still brings the home panel back.
        w.Comout_Click(p - 1);
        EXPECT_EQ(w.visiblePanel(), 0);
    }
    w.control("Command3")->setVisible(false);
    w.ShowStartPanel();
    EXPECT_FALSE(w.control("Command3")->isHidden());
}

TEST(Form2Window, ResizingAppliesTheLayout) {
    std::unique_ptr<Form2> wWindow = makeMainWindow();
    Form2& w = *wWindow;
    w.show();
    w.resize(1000, 700);
    QCoreApplication::processEvents();
    QWidget* client = w.centralWidget();
    std::vector<const Form2Panel*> panels;
    for (int i = 1; i <= 8; ++i)
        panels.push_back(w.panel(i));
    const auto layout = form2::layoutForm2(platform::pixelsToTwips(client->width()),
                                           platform::pixelsToTwips(client->height()), false, panels);
    for (const char* name : {"Command8", "Frame1_2", "DataGrid1", "Frame4_0", "La42", "Text5", "Lab51_3", "Text7", "Label7"}) {
        SCOPED_TRACE(name);
        const auto& r = layout.at(name);
        EXPECT_EQ(w.control(name)->geometry(),
                  platform::twipsRect(int(std::lround(r.left)), int(std::lround(r.top)),
                                      int(std::lround(r.width)), int(std::lround(r.height))));
    }
    // The window cannot be made smaller than the minimum client area.
    w.resize(100, 100);
    QCoreApplication::processEvents();
    EXPECT_GE(client->width(), platform::twipsToPixels(int(form2::kMinClientWidth)));
    EXPECT_GE(client->height(), platform::twipsToPixels(int(form2::kMinClientHeight)));
}

TEST(Form2Window, LowPanelCoversTheButtonRow) {
    std::unique_ptr<Form2> wWindow = makeMainWindow();
    Form2& w = *wWindow;
    w.show();
    w.resize(100, 100);  // the minimum: panels 1 to 8 reach over the button row
    QCoreApplication::processEvents();
    w.ShowPanel(6);
    QWidget* button = w.control("Command6");
    QWidget* under = w.centralWidget()->childAt(button->geometry().center());
    ASSERT_NE(under, nullptr);
    EXPECT_TRUE(w.control("Frame1_6")->isAncestorOf(under) || under == w.control("Frame1_6"));
    // The results panel's bottom row lies in that band and can be reached.
    QWidget* done = w.control("Comout_5");
    const QPoint centre = done->mapTo(w.centralWidget(), done->rect().center());
    EXPECT_EQ(w.centralWidget()->childAt(centre), done);
}
