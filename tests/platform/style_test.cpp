#include "platform/ui/style.h"

#include <QApplication>
#include <QIcon>
#include <QImage>
#include <QLineEdit>
#include <QMessageBox>
#include <QPixmap>
#include <QStyle>
#include <QStyleOption>
#include <gtest/gtest.h>

TEST(SystemStyle, PasswordBoxesShowStars) {
    platform::installSystemStyle();
    QLineEdit box;
    box.setEchoMode(QLineEdit::Password);
    EXPECT_EQ(QApplication::style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, &box), '*');
}

// Each dialog opened asks for its pictures again: it gets the icon the last
// one had, so the pixmaps painted from it are found in the toolkit's cache
// instead of being added to it once more.
TEST(SystemStyle, GivesEveryDialogTheSameIcons) {
    platform::installSystemStyle();
    QStyle* style = QApplication::style();
    QMessageBox first, second;
    EXPECT_EQ(style->standardIcon(QStyle::SP_MessageBoxQuestion, nullptr, &first).cacheKey(),
              style->standardIcon(QStyle::SP_MessageBoxQuestion, nullptr, &second).cacheKey());
    EXPECT_EQ(style->standardIcon(QStyle::SP_FileIcon).cacheKey(), style->standardIcon(QStyle::SP_FileIcon).cacheKey());
    EXPECT_NE(style->standardIcon(QStyle::SP_FileIcon).cacheKey(), style->standardIcon(QStyle::SP_DirIcon).cacheKey());

    // Drawn right to left, a back arrow is still its own picture, pointing right.
    QStyleOption rtl;
    rtl.direction = Qt::RightToLeft;
    const QImage back = style->standardIcon(QStyle::SP_ArrowBack, &rtl).pixmap(16).toImage();
    EXPECT_EQ(back, style->standardIcon(QStyle::SP_ArrowRight).pixmap(16).toImage());
    EXPECT_NE(back, style->standardIcon(QStyle::SP_ArrowBack).pixmap(16).toImage());
}
