// The integrity walk over 成绩表, stop by stop, without the window.
#include "grades/maintenance/core/integrity_check.h"

#include "platform/db/database.h"
#include "platform/db/recordset.h"
#include "support/school_fixture.h"
#include "support/test_files.h"

#include <gtest/gtest.h>

using platform::db::Database;
using platform::db::Recordset;
using Outcome = maintenance::IntegrityWalk::Outcome;

namespace {

struct IntegrityTest : ::testing::Test {
    SchoolFixture school{{"语文"}, {"2004", "2005"}, {"2004级01班", "2004级02班", "2005级01班"}};
    Database& db = *school.db();

    void student(const QVariant& id, const QString& grade, const QString& cls, const QString& name) {
        db.insertRow("成绩表", {"STID", "年级", "班", "姓名"}, {id, grade, cls, name.isEmpty() ? QVariant() : name});
    }
    QStringList row(int n) {
        const auto r = db.query("SELECT STID, 年级, 班, 姓名 FROM 成绩表 ORDER BY rowid").at(n - 1);
        QStringList out;
        for (const QVariant& v : r)
            out << (v.isNull() ? QStringLiteral("-") : v.toString());
        return out;
    }
};

TEST_F(IntegrityTest, StopsWhereSomethingIsMissingAndGivesNewIdsAtTheEnd) {
    student("20040030", "2004", "01", "张三");
    student(QVariant(), "2009", "01", "李四");       // unknown grade level
    student("2004001", "2004", "01", "王五");        // id of 7 characters
    student(QVariant(), "2004", "09", "赵六");       // unknown class
    student(QVariant(), "2004", "02", "");           // no name
    student("20050031", "2004", "02", "孙七");       // counts toward 2004
    student("20040032", "2005", "01", "周八");       // holds 2004's next serial

    Recordset rs(school.db(), "成绩表");
    auto grades = maintenance::loadCheckGrades(db);
    ASSERT_EQ(grades.size(), 2u);
    EXPECT_EQ(grades[0].classes, (QStringList{"01", "02"}));
    maintenance::IntegrityWalk walk(rs, grades);

    ASSERT_EQ(walk.start(), Outcome::Stopped);
    EXPECT_EQ(rs.absolutePosition(), 2);
    EXPECT_EQ(row(2), (QStringList{"-", "-", "01", "李四"}));   // class shown unchecked

    Outcome outcome;
    EXPECT_FALSE(walk.resume("20045", "", "", outcome).isEmpty());   // too long: nothing written
    EXPECT_EQ(outcome, Outcome::Stopped);
    EXPECT_EQ(row(2), (QStringList{"-", "-", "01", "李四"}));

    EXPECT_EQ(walk.resume("2004", "", "", outcome), "");
    ASSERT_EQ(outcome, Outcome::Stopped);
    EXPECT_EQ(rs.absolutePosition(), 4);
    EXPECT_EQ(row(3), (QStringList{"-", "2004", "01", "王五"}));   // emptied without a stop
    EXPECT_EQ(row(4), (QStringList{"-", "2004", "-", "赵六"}));

    EXPECT_EQ(walk.resume("", "02", "", outcome), "");
    ASSERT_EQ(outcome, Outcome::Stopped);
    EXPECT_EQ(rs.absolutePosition(), 5);
    EXPECT_EQ(row(5), (QStringList{"-", "2004", "02", "-"}));     // nothing emptied

    EXPECT_EQ(walk.resume("", "", "", outcome), "");
    ASSERT_EQ(outcome, Outcome::Finished);
    // After 31 (an id of 2005 in a 2004 row), 32 is held by another row.
    EXPECT_EQ(row(2).at(0), "20040033");
    EXPECT_EQ(row(3).at(0), "20040034");
    EXPECT_EQ(row(4).at(0), "20040035");
    EXPECT_EQ(row(5).at(0), "20040036");
    EXPECT_EQ(row(7).at(0), "20040032");
    EXPECT_TRUE(walk.exhaustedGrades().isEmpty());

    // A new walk starts again from the first row (the nameless row stops it
    // again) and lowers no serial.
    EXPECT_EQ(walk.start(), Outcome::Stopped);
    EXPECT_EQ(rs.absolutePosition(), 5);
    EXPECT_EQ(grades[0].largestSerial, 36);
}

TEST_F(IntegrityTest, ARowSkippedDuringAStopGetsNoOtherStudentsId) {
    student(QVariant(), "2004", "01", "");           // stops
    student("20040031", "2004", "01", "王五");       // skipped by the user
    student("20040030", "2004", "01", "张三");
    Recordset rs(school.db(), "成绩表");
    auto grades = maintenance::loadCheckGrades(db);
    maintenance::IntegrityWalk walk(rs, grades);
    ASSERT_EQ(walk.start(), Outcome::Stopped);
    rs.moveLast();   // the user moves the data control past the next row
    Outcome outcome;
    walk.resume("", "", "", outcome);
    ASSERT_EQ(outcome, Outcome::Finished);
    EXPECT_EQ(row(1).at(0), "20040032");
}

TEST_F(IntegrityTest, SerialsRunningOutAreNamed) {
    student("20049999", "2004", "01", "张三");
    student(QVariant(), "2004", "01", "李四");
    student(QVariant(), "2005", "01", "王五");
    Recordset rs(school.db(), "成绩表");
    auto grades = maintenance::loadCheckGrades(db);
    maintenance::IntegrityWalk walk(rs, grades);
    EXPECT_EQ(walk.start(), Outcome::Finished);
    EXPECT_EQ(row(2).at(0), "-");
    EXPECT_EQ(row(3).at(0), "20050001");
    EXPECT_EQ(walk.exhaustedGrades(), QStringList{"2004"});
}

TEST_F(IntegrityTest, AGradeLevelWithoutClassesKeepsItsStudentsClasses) {
    db.insertRow("年级表", {"年级"}, {"2006"});
    student(QVariant(), "2006", "01", "张三");
    Recordset rs(school.db(), "成绩表");
    auto grades = maintenance::loadCheckGrades(db);
    maintenance::IntegrityWalk walk(rs, grades);
    EXPECT_EQ(walk.start(), Outcome::Stopped);
    EXPECT_EQ(row(1), (QStringList{"-", "2006", "01", "张三"}));
}

TEST_F(IntegrityTest, TheCursorGoesOnlyWhereARowChangesOrTheWalkStops) {
    // Whatever follows the cursor (the window's caption and grid) works at
    // each move: sound rows are read in place.
    for (int i = 1; i <= 40; ++i)
        student(QString("200400%1").arg(i, 2, 10, QChar('0')), "2004", "01", QString("生%1").arg(i));
    student("2004001", "2004", "02", "王五");        // id emptied, no stop
    for (int i = 41; i <= 60; ++i)
        student(QString("200400%1").arg(i), "2004", "02", QString("生%1").arg(i));
    student(QVariant(), "2004", "09", "赵六");       // class emptied: stops
    student(QVariant(), "2005", "01", "孙七");
    Recordset rs(school.db(), "成绩表");
    auto grades = maintenance::loadCheckGrades(db);
    maintenance::IntegrityWalk walk(rs, grades);
    std::vector<int> moves;
    QObject::connect(&rs, &Recordset::moveComplete, [&] { moves.push_back(rs.absolutePosition()); });

    ASSERT_EQ(walk.start(), Outcome::Stopped);
    EXPECT_EQ(moves, (std::vector<int>{1, 41, 62}));
    EXPECT_EQ(rs.absolutePosition(), 62);
    EXPECT_EQ(row(41), (QStringList{"-", "2004", "02", "王五"}));
    EXPECT_EQ(row(62), (QStringList{"-", "2004", "-", "赵六"}));

    moves.clear();
    Outcome outcome;
    EXPECT_EQ(walk.resume("", "01", "", outcome), "");
    ASSERT_EQ(outcome, Outcome::Finished);
    EXPECT_EQ(row(41).at(0), "20040061");
    EXPECT_EQ(row(62).at(0), "20040062");
    EXPECT_EQ(row(63).at(0), "20050001");
    // On to the next row, then to each row given an id, then past the last.
    EXPECT_EQ(moves, (std::vector<int>{63, 41, 62, 63, 63, 0}));
}

} // namespace
