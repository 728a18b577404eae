#include "platform/ui/style.h"

#include <QApplication>
#include <QLineEdit>
#include <QStyle>
#include <gtest/gtest.h>

TEST(SystemStyle, PasswordBoxesShowStars) {
    platform::installSystemStyle();
    QLineEdit box;
    box.setEchoMode(QLineEdit::Password);
    EXPECT_EQ(QApplication::style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, &box), '*');
}
