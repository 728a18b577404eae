#include "grades/frame/Form8.h"

#include "common/program_state.h"
#include "platform/db/datacontrol.h"
#include "platform/dbui/datagrid.h"
#include "platform/ui/twips.h"
#include "support/dialog_double.h"

#include <QDesktopServices>
#include <QFile>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <gtest/gtest.h>

namespace {

using platform::twipsToPixels;

// Stands in for the desktop's viewer: records what it was asked to open.
class ViewerDouble : public QObject {
    Q_OBJECT
public:
    ViewerDouble() { QDesktopServices::setUrlHandler("file", this, "open"); }
    ~ViewerDouble() override { QDesktopServices::unsetUrlHandler("file"); }
    QList<QUrl> opened;
public slots:
    void open(const QUrl& url) { opened.append(url); }
};

void hover(QWidget* w) {
    const QPointF at(5, 5);
    QMouseEvent move(QEvent::MouseMove, at, w->mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &move);
}

// Sizes in whole pixels, so that the window's twips come back exactly.
void resizeToTwips(QWidget& w, int width, int height) {
    w.resize(twipsToPixels(width), twipsToPixels(height));
}

TEST(HelpWindow, MouseOverShowsTheStepsExplanationAndPressingThanks) {
    Form8 form;
    form.show();
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Orbisca帮助"));
    EXPECT_TRUE(form.Label1->text().isEmpty());
    EXPECT_EQ(form.Command1.size(), 12u);

    hover(form.stepButton(0));
    EXPECT_EQ(form.Label1->text(),
              QStringLiteral("能看见这个窗口,说明数据的初始化已经完成,如果要修改初始化时的设置,请先将数据刷新."));
    EXPECT_EQ(form.focusWidget(), form.stepButton(0));
    hover(form.stepButton(12));
    EXPECT_EQ(form.Label1->text(), QStringLiteral("使用分班操作可以避免重复输入学生姓名的麻烦,并有助于提高率的计算."));
    EXPECT_EQ(form.focusWidget(), form.stepButton(12));

    QPushButton* step = form.stepButton(2);
    EXPECT_EQ(step->text(), QStringLiteral("计算学生的成绩,教师的考绩分"));
    QTest::mousePress(step, Qt::LeftButton);
    EXPECT_EQ(form.Label2_0->text(), QStringLiteral("非常感谢您使用本系统!"));
    QTest::mouseRelease(step, Qt::LeftButton);
    EXPECT_EQ(form.Label2_0->text(), QStringLiteral("下图是本系统的工作流程："));
}

// The layout follows the outer size the rules assume: the client size and a
// frame of 120 x 400 twips, whatever frame the window manager draws.
QSize outerTwips(const QWidget& w) {
    return {platform::pixelsToTwips(w.width()) + 120, platform::pixelsToTwips(w.height()) + 400};
}

TEST(HelpWindow, SmallWindowScrollsTheCanvasWithItsBars) {
    Form8 form;
    form.show();
    resizeToTwips(form, 8010, 8010);
    const QSize outer = outerTwips(form);
    ASSERT_GE(outer.width(), 8010);
    ASSERT_LT(outer.width(), 9570);
    ASSERT_GE(outer.height(), 7230);
    const frame::HelpGeometry g = frame::helpModeLayout(outer.width(), outer.height());
    // Only the horizontal bar, its range and steps from the diagram's width.
    EXPECT_FALSE(form.HScroll1->isHidden());
    EXPECT_TRUE(form.VScroll1->isHidden());
    EXPECT_EQ(form.HScroll1->maximum(), 9570 - outer.width());
    EXPECT_EQ(form.HScroll1->pageStep(), g.hLargeStep);
    EXPECT_EQ(form.HScroll1->singleStep(), g.hSmallStep);
    EXPECT_EQ(form.Picture1->geometry(), platform::twipsRect(0, 0, outer.width(), outer.height() - 670));
    EXPECT_EQ(form.HScroll1->y(), twipsToPixels(outer.height() - 670));

    form.HScroll1->setValue(600);
    EXPECT_EQ(form.Frame1_0->pos(), QPoint(-twipsToPixels(600), 0));

    // Both bars: the canvas keeps the full diagram, and a new size starts at the top left.
    resizeToTwips(form, 6000, 6000);
    EXPECT_FALSE(form.VScroll1->isHidden());
    EXPECT_EQ(form.VScroll1->maximum(), 7230 - (outerTwips(form).height() - 670));
    EXPECT_EQ(form.Frame1_0->size(), QSize(twipsToPixels(9570), twipsToPixels(7230)));
    EXPECT_EQ(form.Frame1_0->pos(), QPoint(0, 0));
    EXPECT_EQ(form.HScroll1->value(), 0);
    form.VScroll1->setValue(300);
    EXPECT_EQ(form.Frame1_0->pos(), QPoint(0, -twipsToPixels(300)));
    // Both bars lie inside the client area, just below and right of the viewport.
    EXPECT_TRUE(form.rect().contains(form.HScroll1->geometry()));
    EXPECT_TRUE(form.rect().contains(form.VScroll1->geometry()));
}

TEST(HelpWindow, LargeWindowShowsNoBarsAndACanvasAsLargeAsTheWindow) {
    Form8 form;
    form.show();
    resizeToTwips(form, 9570, 7230);
    EXPECT_TRUE(form.HScroll1->isHidden());
    EXPECT_TRUE(form.VScroll1->isHidden());
    EXPECT_EQ(form.Frame1_0->size(), QSize(twipsToPixels(9570 + 120), twipsToPixels(7230 + 400)));
    EXPECT_EQ(form.Label1->width(), twipsToPixels(outerTwips(form).width() - 3150));
}

TEST(HelpWindow, EditModeLaysOutOnlyTheGrid) {
    Form8 form;
    form.setWindowTitle(QStringLiteral("编辑所有情况"));
    form.Picture1->hide();
    form.HScroll1->hide();
    form.VScroll1->hide();
    form.show();
    resizeToTwips(form, 8400, 6330);
    const QSize outer = outerTwips(form);
    EXPECT_EQ(form.DataGrid1->geometry(), platform::twipsRect(0, 0, outer.width() - 100, outer.height() - 400));
    EXPECT_TRUE(form.HScroll1->isHidden());
    EXPECT_TRUE(form.VScroll1->isHidden());
}

class HelpMenu : public ::testing::Test {
protected:
    void SetUp() override {
        setHelpFile(dir.filePath("Orbisca.chm"));
        QFile f(helpFile());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    void TearDown() override { setHelpFile({}); }
    QTemporaryDir dir;
    ViewerDouble viewer;
};

TEST_F(HelpMenu, WorkflowWindowWhileTheHomePanelShows) {
    QWidget owner;
    DialogDouble dialogs;
    bool seen = false;
    dialogs.runModalWith([&](QDialog& d) {
        auto* form = dynamic_cast<Form8*>(&d);
        EXPECT_NE(form, nullptr);
        if (form) {
            seen = true;
            EXPECT_TRUE(form->isHelpMode());
            EXPECT_EQ(form->parentWidget(), &owner);
            EXPECT_TRUE(form->DataGrid1->isHidden());
            EXPECT_FALSE(form->Picture1->isHidden());
        }
        return 0;
    });
    ShowWorkflowOrHelp(&owner, true);
    EXPECT_TRUE(seen);
    EXPECT_TRUE(viewer.opened.isEmpty());
}

TEST_F(HelpMenu, HelpFileElsewhere) {
    DialogDouble dialogs;   // no window may be shown
    ShowWorkflowOrHelp(nullptr, false);
    ASSERT_EQ(viewer.opened.size(), 1);
    EXPECT_EQ(viewer.opened[0], QUrl::fromLocalFile(dir.filePath("Orbisca.chm")));
}

} // namespace

#include "help_window_test.moc"
