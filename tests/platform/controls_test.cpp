#include "platform/ui/controls.h"
#include "support/typing.h"

#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

using platform::ComboBox;
using platform::ListBox;

// Typed text stays as typed, whether it starts an entry, differs from one in
// case only or matches one exactly; an entry chosen from the list still is.
TEST(ComboBoxRule, TypedTextIsNeverCompletedOrCorrected) {
    struct Case { const char* typed; const char* kept; };
    const Case cases[] = {{"物", "物"}, {"203", "203"}, {"1", "1"}, {"abc", "abc"}, {"物理", "物理"}, {"10", "10"}};
    for (bool editableLater : {false, true}) {
        ComboBox box(nullptr, !editableLater);
        if (editableLater) static_cast<QComboBox&>(box).setEditable(true);  // as any window may do it
        box.addItems({"语文", "物理", "2030", "10", "11", "ABC"});
        box.show();
        box.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&box));
        for (const Case& c : cases) {
            box.setEditText({});
            box.setFocus();
            typeText(&box, QString::fromUtf8(c.typed));
            EXPECT_EQ(box.currentText(), QString::fromUtf8(c.kept)) << c.typed;
            box.clearFocus();  // losing the focus corrects nothing either
            EXPECT_EQ(box.currentText(), QString::fromUtf8(c.kept)) << c.typed;
        }
        box.setCurrentIndex(1);
        EXPECT_EQ(box.currentText(), "物理");
        const int count = box.count();
        box.setEditText("新的");
        QTest::keyClick(&box, Qt::Key_Return);
        EXPECT_EQ(box.count(), count) << "Return adds nothing to the list";
    }
}

TEST(ListBoxRule, RemovingTheSelectedEntryLeavesNoSelection) {
    for (bool byClick : {false, true}) {
        ListBox list;
        list.addItems({"语文", "数学", "英语"});
        if (byClick)
            list.setCurrentRow(1);   // as a click leaves it: current and selected
        else
            list.item(1)->setSelected(true);
        delete list.takeItem(1);
        EXPECT_TRUE(list.selectedItems().isEmpty()) << byClick;
        EXPECT_EQ(list.currentRow(), -1) << byClick;
    }
    // Removing another entry keeps the selection where it is.
    ListBox list;
    list.addItems({"语文", "数学", "英语"});
    list.setCurrentRow(2);
    delete list.takeItem(0);
    EXPECT_EQ(list.currentItem()->text(), "英语");
    EXPECT_EQ(list.selectedItems().size(), 1);
}
