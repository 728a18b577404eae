#include "records/core/Tavisk.h"
#include "records/XJmain.h"
#include "records/core/xjmain_layout.h"
#include "records/core/student_list.h"
#include "support/dialog_double.h"
#include "support/school_fixture.h"

#include <QAction>
#include <QCoreApplication>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QToolBar>
#include <QTreeWidget>
#include <gtest/gtest.h>

using records::layoutXJmain;
using records::Rect;

namespace {

TEST(XJmainLayout, FollowsTheOuterSizeAndTheToolbar) {
    auto shown = layoutXJmain(9000, 7000, true, 400, 8800);
    ASSERT_TRUE(shown.tree && shown.list);
    EXPECT_EQ(*shown.tree, (Rect{0, 400, 2000, 5500}));
    EXPECT_EQ(*shown.list, (Rect{2010, 400, 6850, 5500}));
    EXPECT_EQ(shown.panel1Width, 2000);
    EXPECT_EQ(shown.panel2Width, 6800);

    // Hidden: up to the top edge and taller by the toolbar's height.
    auto hidden = layoutXJmain(9000, 7000, false, 400, 8800);
    EXPECT_EQ(*hidden.tree, (Rect{0, 0, 2000, 5900}));
    EXPECT_EQ(*hidden.list, (Rect{2010, 0, 6850, 5900}));

    // Too small: the parts that would be negative are left where they were.
    auto tiny = layoutXJmain(1500, 1000, false, 400, 1400);
    EXPECT_FALSE(tiny.tree);
    EXPECT_FALSE(tiny.list);
    EXPECT_FALSE(tiny.panel2Width);
    auto narrow = layoutXJmain(2100, 3000, false, 400, 2000);
    EXPECT_TRUE(narrow.tree);
    EXPECT_FALSE(narrow.list);
    EXPECT_EQ(narrow.panel2Width, 0);
}

class MainWindow : public ::testing::Test {
protected:
    void SetUp() override { Tavisk::resetState(); }
    void TearDown() override { Tavisk::resetState(); }
    QString ini() const { return school_.folder() + QStringLiteral("/参数设置.ini"); }
    void window(const char* tool, const char* state) {
        if (tool)
            Tavisk::WriteIni(ini(), "Window", "Tool", QString::fromUtf8(tool));
        if (state)
            Tavisk::WriteIni(ini(), "Window", "State", QString::fromUtf8(state));
    }
    SchoolFixture school_;
    DialogDouble dialogs_;
};

TEST_F(MainWindow, MenusByNameAndCaption) {
    XJmain w;
    QStringList bar;
    for (QAction* a : w.menuBar()->actions())
        bar << a->text();
    EXPECT_EQ(bar, (QStringList{"文件", "查看", "数据", "系统", "帮助"}));   // no popup on the bar
    const std::pair<const char*, const char*> items[] = {
        {"Menu_F_Exit", "退出"}, {"Menu_L_GJ", "显示工具条"}, {"Menu_D_ChanKu", "改变库文件"},
        {"Menu_D_Refe", "更新学籍库"}, {"Menu2_SQ", "区域"}, {"Menu_H_Note", "注意事项"},
        {"Menu_H_About", "关于"}, {"MenuPedit", "编辑"}, {"Menu_P_Add", "添加"}, {"Menu_P_Addban", "班"},
        {"Menu_P_AddLj", "年级"}, {"Menu_P_Add_Stu", "学生"}, {"Menu_P_Addtea", "教师"},
        {"Menu_P_Del", "删除"}, {"Menu_P_pro", "属性"}};
    for (const auto& [name, caption] : items) {
        QAction* a = w.menuItem(QString::fromUtf8(name));
        ASSERT_TRUE(a) << name;
        EXPECT_EQ(a->text(), QString::fromUtf8(caption));
        EXPECT_TRUE(a->shortcut().isEmpty());
    }
    EXPECT_EQ(w.toolbarButton(6)->text(), QStringLiteral("导出数据"));
    EXPECT_EQ(w.toolbarButton(7)->text(), QStringLiteral("打印"));
    EXPECT_EQ(w.windowTitle(), QStringLiteral("VantalooPellomir系统"));
}

TEST_F(MainWindow, ToolbarFromTheProfileAndEveryToggleWritten) {
    struct Case { const char* tool; bool shown; const char* written; };
    const Case cases[] = {{"Yes", true, "Yes"}, {"yes", false, "No"}, {"1", false, "No"}, {nullptr, false, "No"}};
    for (const Case& c : cases) {
        QFile::remove(ini());
        window(c.tool, nullptr);
        XJmain w;
        ASSERT_TRUE(w.Form_Load());
        EXPECT_EQ(w.toolbarShown(), c.shown) << (c.tool ? c.tool : "absent");
        EXPECT_EQ(Tavisk::ReadIni(ini(), "Window", "Tool"), QString::fromUtf8(c.written));
        w.menuItem("Menu_L_GJ")->trigger();
        EXPECT_EQ(w.toolbarShown(), !c.shown);
        EXPECT_EQ(Tavisk::ReadIni(ini(), "Window", "Tool"), c.shown ? QStringLiteral("No") : QStringLiteral("Yes"));
        Tavisk::resetState();
    }
}

TEST_F(MainWindow, WindowStateRestoredAndWrittenAtClosing) {
    struct Case { const char* state; Qt::WindowStates start; };
    const Case cases[] = {{"1", Qt::WindowMinimized}, {"0", Qt::WindowNoState}, {"2", Qt::WindowMaximized},
                          {nullptr, Qt::WindowMaximized}, {"7", Qt::WindowMaximized}};
    for (const Case& c : cases) {
        QFile::remove(ini());
        window(nullptr, c.state);
        XJmain w;
        ASSERT_TRUE(w.Form_Load());
        EXPECT_EQ(w.startState(), c.start) << (c.state ? c.state : "absent");
        Tavisk::resetState();
    }

    XJmain big;
    ASSERT_TRUE(big.Form_Load());
    big.showAsLoaded();
    big.close();
    EXPECT_EQ(Tavisk::ReadIni(ini(), "Window", "State"), QStringLiteral("2"));

    XJmain normal;
    ASSERT_TRUE(normal.Form_Load());
    normal.setWindowState(Qt::WindowNoState);
    normal.show();
    normal.menuItem("Menu_F_Exit")->trigger();
    EXPECT_FALSE(normal.isVisible());
    EXPECT_EQ(Tavisk::ReadIni(ini(), "Window", "State"), QStringLiteral("0"));
}

TEST_F(MainWindow, ControlsFollowTheToolbar) {
    XJmain w;
    ASSERT_TRUE(w.Form_Load());
    w.setWindowState(Qt::WindowNoState);
    w.resize(800, 600);
    w.show();
    const int top = w.TreeView1->y();
    const int height = w.TreeView1->height();
    EXPECT_EQ(top, 0);
    w.menuItem("Menu_L_GJ")->trigger();
    EXPECT_GT(w.TreeView1->y(), 0);
    EXPECT_EQ(w.TreeView1->y() + w.TreeView1->height(), top + height);
    EXPECT_EQ(w.ListView1->y(), w.TreeView1->y());
    EXPECT_EQ(w.ListView1->x(), w.TreeView1->width() + 1);   // 10 twips
}

TEST_F(MainWindow, RightClickShowsThePopupButNotOnARoot) {
    XJmain w;
    ASSERT_TRUE(w.Form_Load());
    w.setWindowState(Qt::WindowNoState);
    w.resize(800, 600);
    w.show();
    auto* root = new QTreeWidgetItem(w.TreeView1, {"年级和班"});
    root->setData(0, Qt::UserRole, "M");
    auto* grade = new QTreeWidgetItem(root, {"2004级"});
    grade->setData(0, Qt::UserRole, "m2004");
    w.TreeView1->expandAll();
    QMenu* popup = w.menu("PmeuST");
    auto rightClick = [&](QTreeWidgetItem* item) {
        const QPoint at = w.TreeView1->visualItemRect(item).center();
        QTest::mouseRelease(w.TreeView1->viewport(), Qt::RightButton, {}, at);
    };
    rightClick(root);
    EXPECT_EQ(w.TreeView1->currentItem(), root);
    EXPECT_FALSE(popup->isVisible());
    rightClick(grade);
    EXPECT_EQ(w.TreeView1->currentItem(), grade);
    EXPECT_TRUE(popup->isVisible());
    popup->hide();
    // Empty space does nothing.
    QTest::mouseRelease(w.TreeView1->viewport(), Qt::RightButton, {}, QPoint(5, w.TreeView1->viewport()->height() - 3));
    EXPECT_EQ(w.TreeView1->currentItem(), grade);
    EXPECT_FALSE(popup->isVisible());
}

// A name of up to four characters shows whole under its picture, whatever
// name comes first in the list and after the font changed.
TEST_F(MainWindow, StudentNamesAreNeverCutInTheList) {
    auto db = school_.db();
    const char* names[] = {"甲", "乙丙", "丁戊己", "庚辛壬"};
    int n = 0;
    for (const char* name : names)
        db->insertRow("成绩表", {"STID", "年级", "班", "姓名", "学号"},
                      {QStringLiteral("2004010%1").arg(++n), "2004", "01", QString::fromUtf8(name),
                       QStringLiteral("0%1").arg(n)});
    XJmain w;
    ASSERT_TRUE(w.Form_Load());
    w.setWindowState(Qt::WindowNoState);
    w.resize(800, 600);
    w.show();
    auto expectWhole = [&](const char* when) {
        QCoreApplication::processEvents();
        QListWidget* list = w.ListView1;
        ASSERT_GE(list->count(), 4) << when;
        for (int i = 0; i < list->count(); ++i) {
            QListWidgetItem* item = list->item(i);
            QStyleOptionViewItem option;
            option.initFrom(list->viewport());
            option.font = list->font();
            option.fontMetrics = QFontMetrics(list->font());
            option.rect = list->visualItemRect(item);
            option.decorationPosition = QStyleOptionViewItem::Top;
            option.decorationSize = list->iconSize();
            option.displayAlignment = Qt::AlignHCenter | Qt::AlignTop;
            option.features = QStyleOptionViewItem::HasDisplay | QStyleOptionViewItem::HasDecoration |
                              QStyleOptionViewItem::WrapText;
            option.text = item->text();
            const QRect text = list->style()->subElementRect(QStyle::SE_ItemViewItemText, &option, list);
            EXPECT_GE(text.width(), option.fontMetrics.horizontalAdvance(item->text())) << when << " " << i;
            EXPECT_GE(text.height(), option.fontMetrics.height()) << when << " " << i;
        }
        EXPECT_EQ(list->textElideMode(), Qt::ElideNone);
    };
    Tavisk::state().ListQuery = records::classQuery("2004", "01");
    w.FillStudentList("2004", "01");
    new QListWidgetItem(QStringLiteral("欧阳小明"), w.ListView1);   // the longest name the list is laid out for
    expectWhole("first fill");
    // Filled again in another order, as after the record editor stored a change.
    Tavisk::state().ListQuery = records::classQuery("2004", "01") + QStringLiteral(" order by 姓名 desc");
    w.FillStudentList("2004", "01");
    new QListWidgetItem(QStringLiteral("欧阳小明"), w.ListView1);
    expectWhole("filled again");
    QFont larger = w.ListView1->font();
    larger.setPointSize(larger.pointSize() + 4);
    w.ListView1->setFont(larger);
    expectWhole("larger font");
}

} // namespace
