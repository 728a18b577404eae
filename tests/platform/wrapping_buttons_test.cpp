#include "platform/ui/wrapping_buttons.h"

#include <QFontInfo>
#include <QTest>
#include <gtest/gtest.h>

// A caption too long for one line goes on a second one, and a click there
// still reaches the control.
TEST(WrappingButtons, ACaptionTooWideWrapsAndItsSecondLineTakesClicks) {
    platform::WrappingCheckBox box(QStringLiteral("每一项都不出现负数"));
    box.resize(90, 40);
    box.show();
    const QImage image = box.grab().toImage();
    const auto inkBelowMiddle = [&] {
        const QColor back = image.pixelColor(image.width() - 1, image.height() - 1);
        for (int y = image.height() / 2 + 2; y < image.height(); ++y)
            for (int x = 25; x < image.width(); ++x)
                if (image.pixelColor(x, y) != back)
                    return true;
        return false;
    };
    EXPECT_TRUE(inkBelowMiddle());
    EXPECT_EQ(box.text(), QStringLiteral("每一项都不出现负数"));
    QTest::mouseClick(&box, Qt::LeftButton, {}, QPoint(80, 35));
    EXPECT_TRUE(box.isChecked());

    platform::WrappingRadioButton option(QStringLiteral("同年级同科"));
    option.resize(200, 20);
    QTest::mouseClick(&option, Qt::LeftButton, {}, QPoint(190, 10));
    EXPECT_TRUE(option.isChecked());
}

// Two lines of a label fit in the height the design gives two lines of the
// old desktop's font, about twice the font size.
TEST(WrappingButtons, ATwoLineLabelShowsBothLinesInTwiceTheFontSize) {
    platform::WrappingLabel label(QStringLiteral("a:任课班数 b:优生人数 c:及格人数 d:差生人数"));
    label.setWordWrap(true);
    label.setAlignment(Qt::AlignLeft | Qt::AlignTop);
    const int em = QFontInfo(label.font()).pixelSize();
    label.resize(em * 12, em * 23 / 10);
    const QImage image = label.grab().toImage();
    const QColor back = image.pixelColor(image.width() - 1, image.height() - 1);
    int inkRows = 0;
    for (int y = em + em / 4; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y) != back) {
                ++inkRows;
                break;
            }
    EXPECT_GE(inkRows, em * 85 / 100);   // the second line is there whole, not cut off
}
