// Teachers, their assignment slots with the mirror in 班级表, and the walk
// through the subjects without a teacher, on a small school database.
#include "grades/entry/core/teaching.h"

#include "platform/db/recordset.h"
#include "support/school_fixture.h"
#include "support/test_files.h"

#include <gtest/gtest.h>

using namespace entry;
using platform::db::Database;
using platform::db::DbError;
using platform::db::Recordset;

namespace {

// Grade 2004 with two classes, 2005 with one; 2005 does not take 英语.
struct TeachingTest : ::testing::Test {
    SchoolFixture school{{"语文", "数学", "英语"}, {"2004", "2005"},
                         {"2004级01班", "2004级02班", "2005级01班"}};
    std::unique_ptr<Recordset> teachers;
    std::unique_ptr<Recordset> classes;

    TeachingTest() {
        db().execute("update 年级表 set 英语=0 where 年级='2005'");
        reopen();
    }
    Database& db() { return *school.db(); }
    void reopen() {
        teachers = std::make_unique<Recordset>(school.db(), teacherQuery());
        classes = std::make_unique<Recordset>(school.db(), "班级表");
    }
    Teaching teaching() { return Teaching(*teachers, *classes); }
    void current(const QString& name) { ASSERT_TRUE(teachers->findValue("姓名", name, 0, true)); }

    // "class subject" of slot n as stored, "" when its class is empty.
    QString slot(const QString& name, int n) {
        const auto rows = db().query(QStringLiteral("select %1, %2 from 教师表 where 姓名=?")
                                         .arg(slotClassField(n), slotSubjectField(n)), {name});
        return rows.at(0).at(0).isNull() ? QString()
                                         : rows.at(0).at(0).toString() + " " + rows.at(0).at(1).toString();
    }
    QVariant cell(const QString& grade, const QString& cls, const QString& subject) {
        return db().scalar(QStringLiteral("select %1 from 班级表 where 年级=? and 班=?").arg(subject),
                           {grade, cls});
    }
    void addTeachers(const QStringList& names) {
        for (const QString& n : names)
            db().insertRow("教师表", {"姓名"}, {n});
        reopen();
    }
    QStringList walk() {
        UnassignedSubjectScan scan;
        QStringList gaps;
        while (auto gap = scan.next(*classes))
            gaps << *gap;
        return gaps;
    }
};

TEST_F(TeachingTest, AddingTeachersByTypedName) {
    EXPECT_EQ(addTeacher(*teachers, "  "), TeacherAdded::NoName);
    EXPECT_EQ(addTeacher(*teachers, "欧阳小明"), TeacherAdded::TooLong);
    EXPECT_EQ(addTeacher(*teachers, " 王 "), TeacherAdded::Added);
    EXPECT_EQ(addTeacher(*teachers, "O'B"), TeacherAdded::Added);   // a quote is only a character
    EXPECT_EQ(teachers->value("姓名"), "O'B");
    EXPECT_EQ(addTeacher(*teachers, "王"), TeacherAdded::Found);
    EXPECT_EQ(teachers->value("姓名"), "王");
    EXPECT_EQ(addTeacher(*teachers, "O'B"), TeacherAdded::Found);
    EXPECT_EQ(db().scalar("select count(*) from 教师表").toInt(), 2);
}

TEST_F(TeachingTest, DeletingMakesTheNextTeacherElseThePreviousCurrent) {
    addTeachers({"甲", "乙", "丙"});
    current("乙");
    ASSERT_TRUE(deleteTeacher(*teachers));
    EXPECT_EQ(teachers->value("姓名"), "丙");
    ASSERT_TRUE(deleteTeacher(*teachers));
    EXPECT_EQ(teachers->value("姓名"), "甲");
    ASSERT_TRUE(deleteTeacher(*teachers));
    EXPECT_EQ(teachers->recordCount(), 0);
    EXPECT_FALSE(deleteTeacher(*teachers));
}

TEST_F(TeachingTest, SlotsFillFromTheLowestFreeOneAndHolesAreReused) {
    addTeachers({"甲"});
    auto t = teaching();
    const QStringList pairs = {"2004级01班 语文", "2004级01班 数学", "2004级02班 语文", "2004级02班 数学",
                               "2005级01班 语文"};
    for (const QString& p : pairs)
        ASSERT_EQ(t.add(classOfEntry(p), subjectOfEntry(p)), Assignment::Done) << p.toStdString();
    EXPECT_EQ(slot("甲", 3), "2004级02班 语文");
    EXPECT_EQ(cell("2004", "02", "语文"), "甲");

    ASSERT_EQ(t.remove("2004级02班", "语文"), Assignment::Done);
    EXPECT_EQ(slot("甲", 3), "");
    EXPECT_TRUE(cell("2004", "02", "语文").isNull());
    EXPECT_EQ(teachingList(*teachers).size(), 4);

    ASSERT_EQ(t.add("2004级02班", "英语"), Assignment::Done);
    EXPECT_EQ(slot("甲", 3), "2004级02班 英语");
    EXPECT_EQ(slot("甲", 6), "");
}

TEST_F(TeachingTest, TwentyFirstAssignmentWritesNothing) {
    QStringList fields = {"姓名"};
    QVariantList values = {"甲"};
    for (int n = 1; n <= 20; ++n) {
        fields << slotClassField(n) << slotSubjectField(n);
        values << "2003级01班" << QString::number(n);
    }
    db().insertRow("教师表", fields, values);
    reopen();
    EXPECT_EQ(teaching().add("2004级01班", "语文"), Assignment::SlotsFull);
    EXPECT_TRUE(cell("2004", "01", "语文").isNull());
}

TEST_F(TeachingTest, ListIsInTextOrderWhateverTheOrderOfAdding) {
    addTeachers({"甲"});
    auto t = teaching();
    for (const char* p : {"2005级01班 语文", "2004级01班 语文", "2004级01班 数学"})
        ASSERT_EQ(t.add(classOfEntry(p), subjectOfEntry(p)), Assignment::Done);
    EXPECT_EQ(teachingList(*teachers),
              (QStringList{"2004级01班 数学", "2004级01班 语文", "2005级01班 语文"}));
    EXPECT_EQ(slot("甲", 1), "2005级01班 语文");
}

TEST_F(TeachingTest, RemovalClearsOnlyThisTeachersCell) {
    addTeachers({"甲", "乙"});
    current("甲");
    auto t = teaching();
    ASSERT_EQ(t.add("2004级01班", "语文"), Assignment::Done);
    EXPECT_EQ(t.remove("2004级01班", "数学"), Assignment::NotHeld);
    EXPECT_EQ(t.remove("2004级02班", "语文"), Assignment::NotHeld);
    EXPECT_EQ(cell("2004", "01", "语文"), "甲");

    // The class was deleted and added again, and 乙 took the subject: 甲's old slot stays behind.
    db().execute("update 班级表 set 语文='乙' where 年级='2004' and 班='01'");
    db().execute("update 教师表 set 任课班级1='2004级01班', 科目1='语文' where 姓名='乙'");
    // 甲 also holds a slot of a class that is gone.
    db().execute("update 教师表 set 任课班级2='2006级01班', 科目2='语文' where 姓名='甲'");
    classes->requery();
    teachers->requery();
    current("甲");
    EXPECT_EQ(t.remove("2004级01班", "语文"), Assignment::Done);
    EXPECT_EQ(t.remove("2006级01班", "语文"), Assignment::Done);
    EXPECT_EQ(slot("甲", 1), "");
    EXPECT_EQ(slot("甲", 2), "");
    EXPECT_EQ(cell("2004", "01", "语文"), "乙");
    EXPECT_EQ(slot("乙", 1), "2004级01班 语文");

    teachers->moveLast();
    teachers->moveNext();
    EXPECT_EQ(t.remove("2004级01班", "语文"), Assignment::Nothing);   // no teacher current
}

TEST_F(TeachingTest, SlotAndCellAreStoredTogetherOrNotAtAll) {
    addTeachers({"甲"});
    db().execute("create trigger refuse before update on 班级表 begin select raise(abort, 'refused'); end");
    auto t = teaching();
    EXPECT_THROW(t.add("2004级01班", "语文"), DbError);
    EXPECT_EQ(slot("甲", 1), "");
    EXPECT_TRUE(teachingList(*teachers).isEmpty());   // the cursor shows what is stored
    db().execute("drop trigger refuse");
    EXPECT_EQ(t.add("2004级01班", "语文"), Assignment::Done);
    EXPECT_EQ(slot("甲", 1), "2004级01班 语文");
}

TEST_F(TeachingTest, ScanGoesClassByClassLeftToRightPastSubjectsNotTaken) {
    db().execute("update 年级表 set 数学=null where 年级='2004'");
    db().execute("update 班级表 set 语文='甲' where 年级='2004' and 班='02'");
    db().execute("update 班级表 set 英语=' ' where 年级='2004' and 班='01'");   // any text is a teacher
    classes->requery();
    EXPECT_EQ(walk(), (QStringList{"2004级01班 语文", "2004级02班 英语", "2005级01班 语文", "2005级01班 数学"}));
    EXPECT_EQ(countUnassignedSubjects(db()), 4);
}

TEST_F(TeachingTest, ScanPositionFollowsTheGap) {
    UnassignedSubjectScan scan;
    EXPECT_EQ(scan.next(*classes), "2004级01班 语文");
    EXPECT_EQ(scan.ScanRow, 1);
    EXPECT_EQ(scan.ScanColumn, 2);
    EXPECT_EQ(classes->absolutePosition(), 1);
    for (int i = 0; i < 4; ++i)
        scan.next(*classes);
    EXPECT_EQ(scan.ScanRow, 2);
    EXPECT_EQ(scan.ScanColumn, 3);
    EXPECT_EQ(classes->value("班"), "02");
}

TEST_F(TeachingTest, ScanEndsAtOnceWithoutGapsOrClasses) {
    db().execute("update 班级表 set 语文='甲', 数学='乙' where 年级='2005'");
    classes->requery();
    EXPECT_EQ(walk().size(), 6);
    db().execute("update 班级表 set 语文='甲', 数学='乙', 英语='丙'");
    classes->requery();
    EXPECT_TRUE(walk().isEmpty());
    EXPECT_EQ(countUnassignedSubjects(db()), 0);
    db().execute("delete from 班级表");
    classes->requery();
    EXPECT_TRUE(walk().isEmpty());
}

} // namespace
