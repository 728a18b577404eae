#include "platform/ui/show_modeless.h"

#include <QDialog>
#include <QWidget>
#include <gtest/gtest.h>
#include <memory>

using Tool = QDialog;

TEST(ShowModeless, OneWindowPerOwnerShownAgainInsteadOfASecond) {
    QWidget owner, otherOwner;
    int made = 0;
    auto make = [&made](QWidget* o) { return [&made, o] { ++made; return new Tool(o); }; };
    Tool* first = platform::showModeless<Tool>(&owner, make(&owner));
    first->hide();
    EXPECT_EQ(platform::showModeless<Tool>(&owner, make(&owner)), first);
    EXPECT_TRUE(first->isVisible());
    Tool* other = platform::showModeless<Tool>(&otherOwner, make(&otherOwner));
    EXPECT_NE(other, first);
    EXPECT_EQ(made, 2);

    // Without an owner: the one top-level window of the kind that has none.
    std::unique_ptr<Tool> alone(platform::showModeless<Tool>(nullptr, make(nullptr)));
    EXPECT_EQ(platform::showModeless<Tool>(nullptr, make(nullptr)), alone.get());
    EXPECT_EQ(made, 3);
}
