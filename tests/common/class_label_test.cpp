// The shapes of the class and grade-level labels and of the room labels that
// the choosers show, and what each gives.
#include "common/class_label.h"
#include "common/room_code.h"

#include <QString>
#include <gtest/gtest.h>

TEST(ClassLabel, EachShapeGivesItsGradeAndClass) {
    struct Case {
        const char* text;
        bool grade, cls;
        const char* gradeId;
        const char* classId;
    };
    const Case cases[] = {
        {"2004级01班", false, true, "2004", "01"},
        {"2004级", true, false, "2004", ""},
        {"所有班级", false, false, "所有班级", ""},   // the chooser's last entry is neither
        {"2004级1班", false, false, "2004", "1班"},   // one-character class ids are not made
        {"abcd级Z9班", false, true, "abcd", "Z9"},    // ids are letters or digits
        {"", false, false, "", ""},
    };
    for (const Case& c : cases) {
        const QString text = QString::fromUtf8(c.text);
        SCOPED_TRACE(c.text);
        EXPECT_EQ(isGradeLabel(text), c.grade);
        EXPECT_EQ(isClassLabel(text), c.cls);
        EXPECT_EQ(gradeOfLabel(text), QString::fromUtf8(c.gradeId));
        EXPECT_EQ(classOfLabel(text), QString::fromUtf8(c.classId));
    }
    // The parts of a label read back the ids it was made of.
    EXPECT_EQ(gradeOfLabel(classLabel("2005", "A1")), "2005");
    EXPECT_EQ(classOfLabel(classLabel("2005", "A1")), "A1");
    EXPECT_TRUE(isGradeLabel(gradeLabel("2005")));
    EXPECT_TRUE(isClassLabel(classLabel("2005", "A1")));
}

TEST(RoomCode, EachLabelShapeGivesTheStoredCode) {
    const std::pair<const char*, const char*> cases[] = {
        {"1考室", "001"},       {"12考室", "012"},   {"123考室", "123"},
        {"001考室", "001"},     {" 7 考室", "007"},  // typed with blanks
        {"1234考室", "1234"},   // past three digits kept whole, never cut
        {"考室", ""},           {"  考室", ""},     {"", ""},   // no number: no room
        {"7", ""},               // too short to hold the word
    };
    for (const auto& [label, code] : cases)
        EXPECT_EQ(roomCodeOfLabel(QString::fromUtf8(label)), QString::fromUtf8(code)) << label;
}
