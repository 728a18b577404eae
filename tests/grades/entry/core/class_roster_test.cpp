// Adding, inserting, renaming and deleting students of a class on a small
// school database, with the renumbering of the others and the student ids.
#include "grades/entry/core/student_roster.h"

#include "common/program_state.h"
#include "platform/db/datacontrol.h"
#include "platform/db/recordset.h"
#include "support/school_fixture.h"

#include <gtest/gtest.h>

using namespace entry;
using platform::db::DataControl;
using Outcome = ClassRoster::Outcome;

namespace {

// Two classes of grade 2004, and grade 2005 with one class.
struct RosterTest : ::testing::Test {
    SchoolFixture school{{"语文", "数学", "英语"}, {"2004", "2005"},
                         {"2004级01班", "2004级02班", "2005级01班"}};
    DataControl ad1;
    ClassRoster roster{ad1};
    std::vector<bool> gridShown;

    RosterTest() {
        ad1.setConnectionString(state().connectionText());
        roster.setGridVisible = [this](bool v) { gridShown.push_back(v); };
    }

    // Students stored directly, as an import or the other window would leave them.
    void seed(const QString& grade, const QString& cls, int count, int firstSerial = 1) {
        platform::db::Transaction t(*school.db());
        for (int i = 1; i <= count; ++i)
            school.db()->insertRow(
                "成绩表", {"STID", "年级", "班", "姓名", "学号", "考号"},
                {studentIdFor(grade, firstSerial + i - 1), grade, cls, i < 100 ? "生" + QString::number(i) : QString::number(i),
                 classNumberText(i, count >= 100 ? 3 : 2), classNumberText(i, count >= 100 ? 3 : 2)});
        t.commit();
    }

    // "学号 姓名" of every stored student of a class, by number.
    QStringList stored(const QString& grade = "2004", const QString& cls = "01") {
        QStringList out;
        for (const auto& row : school.db()->query(
                 "select 学号, 姓名 from 成绩表 where 年级 = ? and 班 = ? order by 学号", {grade, cls}))
            out << row.value(0).toString() + " " + row.value(1).toString();
        return out;
    }
    QVariantList storedRow(const QString& name) {
        const auto rows = school.db()->query(
            "select 学号, 考号, STID, 年级, 班 from 成绩表 where 姓名 = ?", {name});
        return rows.size() == 1 ? rows.front() : QVariantList{};
    }
    QString current(const char* field) { return roster.rows()->value(QString::fromUtf8(field)).toString(); }
    void goTo(const QString& number) { ASSERT_TRUE(roster.rows()->findValue("学号", number, 0, true)); }
};

TEST_F(RosterTest, FirstStudentOfAnEmptyGradeGetsSerialOneAndNumberOne) {
    roster.open("2004", "01");
    EXPECT_EQ(roster.offerNumber(), "01");
    const auto r = roster.add("  张三 ", "01");
    EXPECT_EQ(r.outcome, Outcome::Done);
    EXPECT_EQ(r.offered, QString("02"));
    EXPECT_EQ(storedRow("张三"), (QVariantList{"01", "01", "20040001", "2004", "01"}));
    EXPECT_EQ(state().StudentCount, 1);
    EXPECT_EQ(current("姓名"), "张三");
    EXPECT_EQ(gridShown.back(), true);
}

TEST_F(RosterTest, StudentIdsCountOnAcrossTheClassesOfAGradeLevel) {
    roster.open("2004", "01");
    roster.add("甲", "01");
    roster.add("乙", "02");
    roster.open("2004", "02");
    roster.add("丙", "01");
    roster.open("2005", "01");
    roster.add("丁", "01");
    roster.open("2004", "01");
    roster.add("戊", "03");
    EXPECT_EQ(storedRow("甲").value(2), "20040001");
    EXPECT_EQ(storedRow("乙").value(2), "20040002");
    EXPECT_EQ(storedRow("丙").value(2), "20040003");
    EXPECT_EQ(storedRow("丁").value(2), "20050001");
    EXPECT_EQ(storedRow("戊").value(2), "20040004");
    EXPECT_EQ(state().StudentCount, 5);
}

TEST_F(RosterTest, SerialIsReadAgainAtTheMomentOfAdding) {
    roster.open("2004", "01");
    roster.add("甲", "01");
    // Meanwhile the other window gave serial 7 in class 02.
    school.db()->insertRow("成绩表", {"STID", "年级", "班", "姓名", "学号"},
                           {"20040007", "2004", "02", "乙", "00"});
    roster.add("丙", "02");
    EXPECT_EQ(storedRow("丙").value(2), "20040008");
    // A student who moved to another grade level keeps his id: it is not handed out again.
    school.db()->insertRow("成绩表", {"STID", "年级", "班", "姓名", "学号"},
                           {"20040020", "2005", "01", "丁", "01"});
    roster.add("戊", "03");
    EXPECT_EQ(storedRow("戊").value(2), "20040021");
}

TEST_F(RosterTest, NoSerialLeftRefusesAndStoresNothing) {
    seed("2004", "02", 1, 9999);
    roster.open("2004", "01");
    const auto r = roster.add("张三", "01");
    EXPECT_EQ(r.outcome, Outcome::SerialsUsedUp);
    EXPECT_TRUE(stored().isEmpty());
    EXPECT_EQ(state().StudentCount, 0);
    seed("2004", "01", 3);
    roster.open("2004", "01");
    goTo("02");
    EXPECT_EQ(roster.insert("张三", "04").outcome, Outcome::SerialsUsedUp);
    EXPECT_EQ(stored(), (QStringList{"01 生1", "02 生2", "03 生3"}));
    EXPECT_EQ(current("学号"), "02");
}

TEST_F(RosterTest, NamesakeIsNotAddedAndBecomesCurrent) {
    seed("2004", "01", 5);
    roster.open("2004", "01");
    goTo("05");
    const auto r = roster.add("生2", "06");
    EXPECT_EQ(r.outcome, Outcome::Namesake);
    EXPECT_EQ(current("学号"), "02");
    EXPECT_EQ(stored().size(), 5);
    goTo("04");
    EXPECT_EQ(roster.insert("生3", "06").outcome, Outcome::Namesake);
    EXPECT_EQ(current("学号"), "03");
    EXPECT_EQ(stored().size(), 5);
}

TEST_F(RosterTest, TypedNumberOfAnotherStudentIsRefused) {
    seed("2004", "01", 5);
    roster.open("2004", "01");
    goTo("04");
    for (const char* taken : {"03", "3", "003"}) {
        EXPECT_EQ(roster.add("新人", taken).outcome, Outcome::NumberTaken) << taken;
        EXPECT_EQ(current("学号"), "04");
    }
    EXPECT_EQ(stored().size(), 5);
    EXPECT_EQ(roster.add("新人", "07").outcome, Outcome::Done);
    EXPECT_EQ(storedRow("新人").value(0), "07");
}

// A typed number takes the width of the class, so that the offered number is
// never one that is refused; what is not a number is refused.
TEST_F(RosterTest, TypedNumberTakesTheWidthOfTheClass) {
    struct Case { int seeded; const char* typed; Outcome outcome; const char* stored; };
    const Case cases[] = {
        {3, "6", Outcome::Done, "06"},     {3, " 7 ", Outcome::Done, "07"},
        {3, "010", Outcome::Done, "10"},   {3, "100", Outcome::Done, "100"},
        {100, "102", Outcome::Done, "102"}, {100, "", Outcome::BadNumber, nullptr},
        {3, "xxx", Outcome::BadNumber, nullptr}, {3, "", Outcome::BadNumber, nullptr},
        {3, "6a", Outcome::BadNumber, nullptr},
    };
    for (const Case& c : cases) {
        school.db()->execute("delete from 成绩表");
        seed("2004", "01", c.seeded);
        roster.open("2004", "01");
        const auto r = roster.add("新人", c.typed);
        EXPECT_EQ(r.outcome, c.outcome) << c.typed;
        const QVariantList row = storedRow("新人");
        EXPECT_EQ(row.value(0).toString(), c.stored ? QString(c.stored) : QString()) << c.typed;
        EXPECT_EQ(stored().size(), c.seeded + (c.stored ? 1 : 0)) << c.typed;
    }
    // "6" stored as "06": the next number offered in 01 ... 03, 06 is "04", and taken by value.
    school.db()->execute("delete from 成绩表");
    seed("2004", "01", 3);
    roster.open("2004", "01");
    roster.add("新人", "6");
    EXPECT_EQ(roster.add("又一", "6").outcome, Outcome::NumberTaken);
    EXPECT_EQ(roster.add("又一", "04").outcome, Outcome::Done);
    EXPECT_EQ(roster.add("再一", "05").offered, QString("07"));
}

// The id of a student deleted in this window is not handed out again while it works.
TEST_F(RosterTest, DeletedStudentsIdIsNotGivenAgain) {
    roster.open("2004", "01");
    roster.add("甲", "01");
    roster.add("乙", "02");
    ASSERT_EQ(roster.remove(true).outcome, Outcome::Done);   // 乙, serial 2
    roster.add("丙", "02");
    EXPECT_EQ(storedRow("丙").value(2), "20040003");
}

TEST_F(RosterTest, NameWithAQuoteIsStoredAndFound) {
    roster.open("2004", "01");
    EXPECT_EQ(roster.add("O'N", "01").outcome, Outcome::Done);
    EXPECT_EQ(roster.add("a'", "02").outcome, Outcome::Done);
    EXPECT_EQ(roster.add("O'N", "03").outcome, Outcome::Namesake);
    EXPECT_EQ(current("姓名"), "O'N");
    EXPECT_EQ(stored(), (QStringList{"01 O'N", "02 a'"}));
}

TEST_F(RosterTest, NameLongerThanTheFieldIsRefusedEverywhere) {
    seed("2004", "01", 2);
    roster.open("2004", "01");
    goTo("02");
    EXPECT_EQ(roster.add("欧阳小明", "03").outcome, Outcome::NameTooLong);
    EXPECT_EQ(roster.insert("欧阳小明", "03").outcome, Outcome::NameTooLong);
    EXPECT_EQ(roster.rename("欧阳小明").outcome, Outcome::NameTooLong);
    EXPECT_EQ(stored(), (QStringList{"01 生1", "02 生2"}));
}

TEST_F(RosterTest, EmptyNameOnlyRefreshesTheOfferedNumber) {
    seed("2004", "01", 2);
    roster.open("2004", "01");
    EXPECT_EQ(roster.add("   ", "xx").offered, QString("03"));
    EXPECT_EQ(roster.insert("", "03").outcome, Outcome::Nothing);
    EXPECT_EQ(roster.rename("  ").outcome, Outcome::Nothing);
    EXPECT_EQ(stored().size(), 2);
}

TEST_F(RosterTest, RenameStoresTheNameAtOnce) {
    seed("2004", "01", 3);
    roster.open("2004", "01");
    goTo("02");
    EXPECT_EQ(roster.rename("  李四").outcome, Outcome::Done);
    EXPECT_EQ(stored(), (QStringList{"01 生1", "02 李四", "03 生3"}));
}

TEST_F(RosterTest, InsertMovesTheFollowingNumbersUp) {
    seed("2004", "01", 30);
    roster.open("2004", "01");
    const QString offered = roster.offerNumber();
    EXPECT_EQ(offered, "31");
    goTo("05");
    const auto r = roster.insert("新人", offered);
    EXPECT_EQ(r.outcome, Outcome::Done);
    EXPECT_EQ(r.offered, QString("32"));
    const QStringList after = stored();
    ASSERT_EQ(after.size(), 31);
    EXPECT_EQ(after[3], "04 生4");
    EXPECT_EQ(after[4], "05 新人");
    EXPECT_EQ(after[5], "06 生5");
    EXPECT_EQ(after[30], "31 生30");
    // Its exam number is the number the box offered; the others keep theirs.
    EXPECT_EQ(storedRow("新人").mid(0, 3), (QVariantList{"05", "31", "20040031"}));
    EXPECT_EQ(storedRow("生5").value(1), "05");
    EXPECT_EQ(state().StudentCount, 1);
}

TEST_F(RosterTest, InsertBeforeNumberZeroMovesEveryone) {
    seed("2004", "01", 2);
    school.db()->insertRow("成绩表", {"STID", "年级", "班", "姓名", "学号"},
                           {"20040003", "2004", "01", "零", "00"});
    roster.open("2004", "01");
    goTo("00");
    EXPECT_EQ(roster.insert("新人", "03").outcome, Outcome::Done);
    EXPECT_EQ(stored(), (QStringList{"00 新人", "01 零", "02 生1", "03 生2"}));
}

TEST_F(RosterTest, InsertIntoAnEmptyClassAdds) {
    roster.open("2004", "02");
    EXPECT_EQ(roster.insert("张三", "01").outcome, Outcome::Done);
    EXPECT_EQ(stored("2004", "02"), QStringList{"01 张三"});
}

TEST_F(RosterTest, DeleteMovesTheFollowingNumbersDownUnlessKept) {
    seed("2004", "01", 30);
    roster.open("2004", "01");
    goTo("05");
    auto r = roster.remove(false);
    EXPECT_EQ(r.offered, QString("30"));
    QStringList after = stored();
    ASSERT_EQ(after.size(), 29);
    EXPECT_EQ(after[4], "05 生6");
    EXPECT_EQ(after[28], "29 生30");
    EXPECT_EQ(current("学号"), "05");
    EXPECT_EQ(state().StudentCount, -1);

    goTo("10");
    r = roster.remove(true);
    EXPECT_EQ(r.offered, QString("10"));
    after = stored();
    EXPECT_EQ(after.size(), 28);
    EXPECT_EQ(after[9], "11 生12");
}

TEST_F(RosterTest, DeletingTheLastRowLeavesTheNewLastRowCurrent) {
    seed("2004", "01", 4);
    roster.open("2004", "01");
    roster.rows()->moveLast();
    roster.remove(false);
    ASSERT_EQ(roster.size(), 3);
    EXPECT_EQ(roster.rows()->absolutePosition(), 3);
    EXPECT_EQ(current("学号"), "03");
    roster.remove(true);
    EXPECT_EQ(roster.rows()->absolutePosition(), 2);
    EXPECT_EQ(current("学号"), "02");
}

TEST_F(RosterTest, DeletingTheOnlyStudentOffersHisNumber) {
    seed("2004", "01", 1);
    roster.open("2004", "01");
    EXPECT_EQ(roster.remove(false).offered, QString("01"));
    EXPECT_TRUE(stored().isEmpty());
    EXPECT_EQ(roster.remove(false).outcome, Outcome::Nothing);
}

TEST_F(RosterTest, HundredthStudentWidensEveryNumber) {
    seed("2004", "01", 99);
    roster.open("2004", "01");
    goTo("50");
    EXPECT_EQ(roster.offerNumber(), "100");
    EXPECT_EQ(current("学号"), "50");
    const auto r = roster.add("新人", "100");
    EXPECT_EQ(r.outcome, Outcome::Done);
    EXPECT_EQ(r.offered, QString("101"));
    const QStringList after = stored();
    ASSERT_EQ(after.size(), 100);
    EXPECT_EQ(after.first(), "001 生1");
    EXPECT_EQ(after[98], "099 生99");
    EXPECT_EQ(after.last(), "100 新人");
    EXPECT_EQ(current("姓名"), "新人");
}

TEST_F(RosterTest, InsertingTheHundredthStudentWidensToo) {
    seed("2004", "01", 99);
    roster.open("2004", "01");
    goTo("50");
    EXPECT_EQ(roster.insert("新人", "100").outcome, Outcome::Done);
    const QStringList after = stored();
    ASSERT_EQ(after.size(), 100);
    EXPECT_EQ(after[48], "049 生49");
    EXPECT_EQ(after[49], "050 新人");
    EXPECT_EQ(after[50], "051 生50");
    EXPECT_EQ(after.last(), "100 生99");
    EXPECT_EQ(roster.offerNumber(), "101");
}

TEST_F(RosterTest, WidenedClassKeepsThreeDigitsWhenItShrinks) {
    seed("2004", "01", 100);
    roster.open("2004", "01");
    goTo("100");
    roster.remove(false);
    goTo("007");
    const auto r = roster.remove(false);
    EXPECT_EQ(r.offered, QString("099"));
    const QStringList after = stored();
    ASSERT_EQ(after.size(), 98);
    EXPECT_EQ(after[6], "007 生8");
    EXPECT_EQ(after.last(), "098 生99");
    goTo("010");
    EXPECT_EQ(roster.insert("新人", r.offered.value()).outcome, Outcome::Done);
    EXPECT_EQ(stored()[9], "010 新人");
    EXPECT_EQ(stored()[10], "011 生11");
}

TEST_F(RosterTest, WalksKeepTheGridHiddenAndShowItAgain) {
    seed("2004", "01", 5);
    roster.open("2004", "01");
    goTo("03");
    gridShown.clear();
    roster.insert("新人", "06");
    ASSERT_FALSE(gridShown.empty());
    EXPECT_FALSE(gridShown.front());
    EXPECT_TRUE(gridShown.back());
}

TEST_F(RosterTest, ClassChoosersReadTheClassTable) {
    EXPECT_EQ(classLabels(*school.db()), (QStringList{"2004级01班", "2004级02班", "2005级01班"}));
    EXPECT_EQ(classIdsOfGrade(*school.db(), "2004"), (QStringList{"01", "02"}));
    EXPECT_TRUE(classExists(*school.db(), "2005", "01"));
    EXPECT_FALSE(classExists(*school.db(), "2005", "02"));
}

} // namespace
