// The card text as run lists, the settings rows of the card window, the
// viewer's filter items and queries, and the card window's layout numbers.
#include "grades/examno/core/exam_cards.h"

#include <gtest/gtest.h>
#include <map>

using namespace examno;

namespace {

// The runs as one text: number-font text between « and », title-font text bare.
QString render(const std::vector<CardRun>& runs) {
    QString out;
    for (const CardRun& r : runs)
        out += r.font == CardFont::Number ? QStringLiteral("«") + r.text + QStringLiteral("»") : r.text;
    return out;
}

CardStudent student(const QString& number, const QString& seat, const QString& name, const QString& room = "003",
                    const QString& grade = "2004", const QString& cls = "01") {
    return {number, seat, name, room, grade, cls};
}

CardSettings settings(const QString& perLine = "3", const QString& extra = "1", bool simple = true) {
    CardSettings s;
    s.perLine = perLine;
    s.extraLines = extra;
    s.simple = simple;
    s.title = "期末考试";
    s.schoolName = "测试中学";
    s.roomLabel = "3考室";
    return s;
}

const std::vector<CardStudent> kFour = {student("20040100301", "01", "张三丰"), student("20040100302", "02", "李四"),
                                        student("20040100303", "03", "王"), student("20040100304", "04", "赵六")};

} // namespace

TEST(CardText, SimpleLayoutThreeToALineWithOneBlankLine) {
    EXPECT_EQ(render(BuildExamSlipPreview(kFour, settings())),
              "测试中学期末考试第3考室的所有同学的考号如下:\n\n"
              "«20040100301 张三丰   20040100302 李四     20040100303 王    \n\n"
              "20040100304 赵六     \n\n»");
}

TEST(CardText, PerLineAndBlankLinesAsTyped) {
    struct Case {
        const char* perLine;
        const char* extra;
        const char* body;   // after the heading
    };
    const Case cases[] = {
        // Fewer students than n: one line ending in three blanks.
        {"5", "1", "«20040100301 张三丰   20040100302 李四     20040100303 王       20040100304 赵六     \n\n»"},
        // 2.5 never equals the counter: one line.
        {"2.5", "0", "«20040100301 张三丰   20040100302 李四     20040100303 王       20040100304 赵六     \n»"},
        // m 0: no blank lines; m 1.5 rounds to 2, 0.9 is none.
        {"2", "0", "«20040100301 张三丰   20040100302 李四  \n20040100303 王       20040100304 赵六  \n\n»"},
        {"4", "1.5", "«20040100301 张三丰   20040100302 李四     20040100303 王       20040100304 赵六  \n\n\n\n\n\n»"},
        {"4", "0.9", "«20040100301 张三丰   20040100302 李四     20040100303 王       20040100304 赵六  \n\n»"},
    };
    const QString head = "测试中学期末考试第3考室的所有同学的考号如下:\n\n";
    for (const Case& c : cases)
        EXPECT_EQ(render(BuildExamSlipPreview(kFour, settings(c.perLine, c.extra))), head + c.body)
            << c.perLine << " " << c.extra;
}

TEST(CardText, NothingAtAllForNoCountNoStudentsOrAnotherPrintSource) {
    for (const char* perLine : {"0", "", "abc"}) {
        EXPECT_TRUE(BuildExamSlipPreview(kFour, settings(perLine)).empty()) << perLine;
        EXPECT_TRUE(BuildExamSlipPreview(kFour, settings(perLine, "1", false)).empty()) << perLine;
    }
    EXPECT_TRUE(BuildExamSlipPreview({}, settings()).empty());
    CardSettings other = settings();
    other.printSource = 2;
    EXPECT_TRUE(BuildExamSlipPreview(kFour, other).empty());
}

TEST(CardText, SeatOnlyShowsTheSeatInTheListNotOnTheCard) {
    CardSettings s = settings("3", "0");
    s.seatOnly = true;
    EXPECT_EQ(render(BuildExamSlipPreview({kFour[0], kFour[2]}, s)),
              "测试中学期末考试第3考室的所有同学的考号如下:\n\n«01 张三丰   03 王       \n»");
    s.simple = false;
    EXPECT_TRUE(render(BuildExamSlipPreview({kFour[0]}, s)).contains("«20040100301 »"));
}

TEST(CardText, FullCardHasFiveLinesInTwoFonts) {
    CardSettings s = settings("3", "1", false);
    s.title = " 2005年期末考试";   // the heading drops leading blanks, the card keeps them
    s.roomLabel.clear();
    s.classLabel = "2004级01班";
    EXPECT_EQ(render(BuildExamSlipPreview({student("00312", "12", "李")}, s)),
              "测试中学2005年期末考试2004级01班的所有同学的考号如下:\n\n"
              "测试中学 2005年期末考试\n"
              "      准考证\n"
              "考号:«00312 »姓名:«李    \n»"
              "考室: 3 座位号: 12\n"
              "班级:  2004级 1班\n"
              "\n"      // m blank lines after the card
              "\n\n");  // and after the group
}

TEST(CardText, EachCardsFiveLinesAreMarkedAsThatCardAndNothingElseIs) {
    // The card window keeps each marked card on one page; the heading and the
    // blank lines between cards may break anywhere.
    for (const char* extra : {"0", "2"}) {
        const auto runs = BuildExamSlipPreview(kFour, settings("3", extra, false));
        std::map<int, QString> byCard;
        for (const CardRun& r : runs)
            byCard[r.card] += r.text;
        ASSERT_EQ(byCard.size(), 5u) << extra;
        for (int card = 1; card <= 4; ++card) {
            EXPECT_TRUE(byCard[card].startsWith("测试中学期末考试\n")) << card;
            EXPECT_EQ(byCard[card].count('\n'), 5) << card;
            EXPECT_TRUE(byCard[card].endsWith("班\n")) << card;
        }
        EXPECT_EQ(byCard[0].count('\n'), 2 + 4 * QString(extra).toInt() + 1 + QString(extra).toInt());
        EXPECT_FALSE(byCard[0].contains("准考证"));
    }
    // The simple list has no cards.
    for (const CardRun& r : BuildExamSlipPreview(kFour, settings()))
        EXPECT_EQ(r.card, 0);
}

TEST(CardText, TitleWordCentredUnderTheFirstLine) {
    // L characters of school name and title: k blanks before 准考证; none below 0.
    const std::pair<int, int> table[] = {{14, 6}, {15, 6}, {17, 8}, {20, 9}, {1, 0}};
    for (auto [length, k] : table) {
        CardSettings s = settings("1", "0", false);
        s.schoolName = QString(length, QChar(0x4E2D));
        s.title.clear();
        const QString text = render(BuildExamSlipPreview({student("1", "1", "甲")}, s));
        EXPECT_TRUE(text.contains("\n" + QString(k, ' ') + "准考证\n")) << length;
    }
    CardSettings s = settings("1", "0", false);
    s.schoolName.clear();
    s.title.clear();
    EXPECT_FALSE(render(BuildExamSlipPreview({student("1", "1", "甲")}, s)).contains("准考证"));
}

TEST(CardText, HeadingNamesTheViewersGroupWhenNoneIsChosenHere) {
    CardSettings s = settings("3", "0");
    s.roomLabel.clear();
    s.viewerLabel = "所有考室";
    EXPECT_TRUE(render(BuildExamSlipPreview(kFour, s)).startsWith("测试中学期末考试所有考室 所有同学的考号如下:\n\n"));
    s.viewerLabel.clear();   // the main window is gone
    EXPECT_TRUE(render(BuildExamSlipPreview(kFour, s)).startsWith("测试中学期末考试 所有同学的考号如下:\n\n"));
}

TEST(CardText, NamesPaddedToSixColumnsAndNullsShowEmpty) {
    const std::pair<QString, QString> names[] = {
        {"王", "王    "}, {"李四", "李四  "}, {"张三丰", "张三丰"}, {"欧阳大伟", "欧阳大伟"}, {"", ""}};
    for (const auto& [name, padded] : names)
        EXPECT_EQ(PaddedName(name), padded) << name.toStdString();

    CardStudent nulls{QVariant(), QVariant(), QVariant(), QVariant(), "2004", "A1"};
    CardSettings s = settings("1", "0", false);
    s.title.clear();
    EXPECT_EQ(render(BuildExamSlipPreview({nulls}, s)),
              "测试中学第3考室的所有同学的考号如下:\n\n测试中学\n 准考证\n考号:« »姓名:«\n»考室: 座位号:\n班级:  2004级 0班\n\n");
}

TEST(CardSettingsRows, ReadByTheirFieldsAndWrittenBack) {
    EXPECT_EQ(cardLayoutFromRow("0,0,3,1"), (CardLayoutSetting{false, false, "3", "1"}));
    EXPECT_EQ(cardLayoutFromRow("1,1,5,2,9"), (CardLayoutSetting{true, true, "5", "2"}));
    // Seat only is ticked unless its field is "0"; missing fields leave the boxes empty.
    EXPECT_EQ(cardLayoutFromRow("1"), (CardLayoutSetting{true, true, "", ""}));
    EXPECT_EQ(cardLayoutRow({true, true, "5", "2"}), "1,1,5,2");
    EXPECT_EQ(cardLayoutRow({false, false, "", "x"}), "0,0,,x");

    EXPECT_EQ(cardFontsFromRow("宋体,10,宋体,20"), (CardFontSetting{"宋体", 10, "宋体", 20}));
    EXPECT_EQ(cardFontsFromRow("黑体,big,,10.5"), (CardFontSetting{"黑体", 0, "", 10.5}));
    EXPECT_EQ(cardFontsRow({"黑体", 12, "隶书", 10.5}), "黑体,12,隶书,10.5");
}

TEST(ViewerFilter, RoomLabelsInNumberOrderThenTheAllItem) {
    EXPECT_EQ(viewerRoomItems(3), QStringList({"001考室", "002考室", "003考室", "所有考室"}));
    const QStringList twelve = viewerRoomItems(12);
    EXPECT_EQ(twelve.size(), 13);
    EXPECT_EQ(twelve.mid(8, 5), QStringList({"009考室", "010考室", "011考室", "012考室", "所有考室"}));
    EXPECT_EQ(viewerRoomItems(0), QStringList({"所有考室"}));
    EXPECT_EQ(viewerClassItems({"2005级01班", "2004级02班", "2004级01班"}),
              QStringList({"2004级01班", "2004级02班", "2005级01班", "所有班级"}));
    EXPECT_EQ(cardRoomItems(2), QStringList({"1考室", "2考室", "所有考室"}));
}

TEST(ViewerFilter, RoomLabelsParsedToTheirCode) {
    const std::pair<QString, QString> codes[] = {
        {"001考室", "001"}, {"1考室", "001"}, {" 12 考室", "012"}, {"1234考室", "1234"}, {"考室", ""}, {"", ""}};
    for (const auto& [label, code] : codes)
        EXPECT_EQ(roomCodeOfLabel(label), code) << label.toStdString();
    // The card window builds nothing for a text that is no room label.
    EXPECT_EQ(cardRoomOfLabel("2考室"), QString("002"));
    EXPECT_EQ(cardRoomOfLabel("考室"), std::nullopt);
    EXPECT_EQ(cardRoomOfLabel("12"), std::nullopt);
    EXPECT_EQ(cardRoomOfLabel("abc"), std::nullopt);
}

TEST(ViewerQueries, SearchByNumberOrNameAndTypedTextsQuoted) {
    const QString select = "select 考号,座位,姓名,考室,学号,年级,班 from 成绩表";
    EXPECT_EQ(roomListQuery("001"), select + " where 考室 = '001'");
    EXPECT_EQ(classListQuery("2004", "01"), select + " where 年级='2004' and 班='01'");
    EXPECT_EQ(allRoomsListQuery(), select + " order by 考室,座位 asc");
    EXPECT_EQ(searchQuery("  00312 "), select + " where 考号 = '00312'");
    EXPECT_EQ(searchQuery("A张"), select + " where 姓名 = 'A张'");
    EXPECT_EQ(searchQuery("O'Neil"), select + " where 姓名 = 'O''Neil'");
    EXPECT_EQ(searchQuery("   "), "");
    EXPECT_EQ(cardClassQuery("2004", "0'"), select + " where 年级 = '2004' and 班='0''' order by 座位 asc");
}

TEST(CardWindowLayout, FollowsTheWindowSizeDownToItsMinimum) {
    // Client 9360 x 6795 is the outer 9480 x 7200.
    const CardWindowLayout big = cardWindowLayout(9360, 6795);
    EXPECT_EQ(big.at("RichTextBox1"), (CardRect{0, 0, 9330, 5385}));
    EXPECT_EQ(big.at("Option1").top, 5490);
    EXPECT_EQ(big.at("Label1"), (CardRect{6198, 5530, 3200, 255}));
    EXPECT_EQ(big.at("Combo1").left, 6558);
    EXPECT_EQ(big.at("Text2").left, 8598);
    EXPECT_EQ(big.at("Label2").top, 5895);
    EXPECT_EQ(big.at("Text1"), (CardRect{1080, 5885, 8130, 270}));
    EXPECT_EQ(big.at("Combo2").top, 6330);
    EXPECT_EQ(big.at("Command1").left, 8595);
    EXPECT_EQ(big.at("Command5").left, 8595 - 4 * 720);
    EXPECT_EQ(big.at("Command5").top, 6330);

    const CardWindowLayout small = cardWindowLayout(100, 100);
    EXPECT_EQ(small.clientWidth, 6885 - 120);
    EXPECT_EQ(small.clientHeight, 5190 - 405);
    EXPECT_EQ(small.at("RichTextBox1"), (CardRect{0, 0, 6735, 3375}));
    EXPECT_EQ(small.at("Command1").left, 6000);
}
