// Adding and deleting classes and grade levels on a small school, without windows.
#include "grades/maintenance/core/school_structure.h"

#include "platform/db/database.h"
#include "support/school_fixture.h"

#include <gtest/gtest.h>

using platform::db::Database;
using platform::db::DbError;

namespace {

struct SchoolStructureTest : ::testing::Test {
    SchoolFixture school{{"语文", "数学"}, {"2004", "2005"}, {"2004级01班", "2004级02班", "2005级01班"}};
    Database& db = *school.db();

    void addStudents(const QString& grade, const QString& cls, int count) {
        for (int i = 0; i < count; ++i)
            db.insertRow(QStringLiteral("成绩表"), {"STID", "年级", "班", "姓名"},
                         {grade + cls + QString::number(i), grade, cls, QStringLiteral("学生")});
    }
    int rows(const QString& sql, const QVariantList& params = {}) {
        return db.scalar(sql, params).toInt();
    }
    QVariantList teacherSlots(const QString& name) {
        QStringList fields;
        for (int n = 1; n <= 20; ++n)
            fields << QStringLiteral("[任课班级%1], [科目%1]").arg(n);
        return db.query(QStringLiteral("SELECT %1 FROM 教师表 WHERE 姓名 = ?").arg(fields.join(", ")), {name})
            .at(0);
    }
    void addTeacher(const QString& name, const QStringList& classesBySlot) {
        QStringList fields{"姓名"};
        QVariantList values{name};
        for (int n = 0; n < classesBySlot.size(); ++n) {
            if (classesBySlot[n].isEmpty())
                continue;
            fields << QStringLiteral("任课班级%1").arg(n + 1) << QStringLiteral("科目%1").arg(n + 1);
            values << classesBySlot[n] << QStringLiteral("语文");
        }
        db.insertRow(QStringLiteral("教师表"), fields, values);
    }
};

TEST_F(SchoolStructureTest, ListsFollowTheStoredOrder) {
    db.insertRow(QStringLiteral("班级表"), {"年级", "班"}, {"2003", "09"});
    EXPECT_EQ(maintenance::classLabels(db),
              (QStringList{"2004级01班", "2004级02班", "2005级01班", "2003级09班"}));
    EXPECT_EQ(maintenance::gradeLabels(db), (QStringList{"2004级", "2005级"}));
}

TEST_F(SchoolStructureTest, AddedClassHasNoTeacherAndAddedGradeLevelNoFullMark) {
    const auto c = maintenance::addClass(db, "2004", "05");
    EXPECT_EQ(c.classes, 1);
    EXPECT_EQ(rows("SELECT COUNT(*) FROM 班级表 WHERE 年级 = '2004' AND 班 = '05' AND 语文 IS NULL AND 数学 IS NULL"), 1);

    const auto g = maintenance::addGradeLevel(db, "2008");
    EXPECT_EQ(g.grades, 1);
    EXPECT_EQ(rows("SELECT COUNT(*) FROM 年级表 WHERE 年级 = '2008' AND 语文 IS NULL AND 数学 IS NULL"), 1);
    EXPECT_EQ(rows("SELECT COUNT(*) FROM 班级表"), 4);   // no class comes with a grade level
}

TEST_F(SchoolStructureTest, DeletingAClassTakesItsStudentsAndLeavesTheRest) {
    addStudents("2004", "01", 45);
    addStudents("2004", "02", 3);
    addTeacher("王老师", {"2004级01班"});
    db.insertRow(QStringLiteral("绝对成绩表"), {"STID", "年级", "班"}, {"20040001", "2004", "01"});

    const auto done = maintenance::deleteClass(db, "2004", "01");
    ASSERT_TRUE(done);
    EXPECT_EQ(done->classes, -1);
    EXPECT_EQ(done->students, -45);
    EXPECT_EQ(rows("SELECT COUNT(*) FROM 成绩表"), 3);
    EXPECT_EQ(rows("SELECT COUNT(*) FROM 班级表 WHERE 班 = '01' AND 年级 = '2004'"), 0);
    EXPECT_EQ(teacherSlots("王老师").value(0).toString(), "2004级01班");
    EXPECT_EQ(rows("SELECT COUNT(*) FROM 绝对成绩表"), 1);
}

TEST_F(SchoolStructureTest, ClassIdsAreComparedWithTheirCase) {
    maintenance::addClass(db, "2004", "0a");
    maintenance::addClass(db, "2004", "0A");
    addStudents("2004", "0a", 2);
    addStudents("2004", "0A", 1);

    const auto done = maintenance::deleteClass(db, "2004", "0A");
    ASSERT_TRUE(done);
    EXPECT_EQ(done->students, -1);
    EXPECT_EQ(maintenance::classLabels(db).filter("0a").size(), 1);
    EXPECT_EQ(maintenance::classLabels(db).filter("0A").size(), 0);
    EXPECT_EQ(rows("SELECT COUNT(*) FROM 成绩表"), 2);

    EXPECT_FALSE(maintenance::deleteClass(db, "2004", "09"));
    EXPECT_FALSE(maintenance::deleteGradeLevel(db, "2010"));
}

TEST_F(SchoolStructureTest, DeletingAGradeLevelEmptiesOnlyTheAssignmentsNamingIt) {
    addStudents("2004", "01", 4);
    addStudents("2004", "02", 2);
    addStudents("2005", "01", 5);
    // Slots 1 and 7 name the grade level, slot 2 another one.
    addTeacher("李老师", {"2004级01班", "2005级01班", "", "", "", "", "2004级02班"});

    const auto done = maintenance::deleteGradeLevel(db, "2004");
    ASSERT_TRUE(done);
    EXPECT_EQ(done->grades, -1);
    EXPECT_EQ(done->classes, -2);
    EXPECT_EQ(done->students, -6);
    EXPECT_EQ(maintenance::gradeLabels(db), QStringList{"2005级"});
    EXPECT_EQ(maintenance::classLabels(db), QStringList{"2005级01班"});
    EXPECT_EQ(rows("SELECT COUNT(*) FROM 成绩表"), 5);
    const QVariantList pairs = teacherSlots("李老师");
    EXPECT_TRUE(pairs[0].isNull());
    EXPECT_TRUE(pairs[1].isNull());
    EXPECT_EQ(pairs[2].toString(), "2005级01班");   // stays in its slot
    EXPECT_EQ(pairs[3].toString(), "语文");
    EXPECT_TRUE(pairs[12].isNull());
    EXPECT_TRUE(pairs[13].isNull());

    // The only grade level left may go too.
    EXPECT_TRUE(maintenance::deleteGradeLevel(db, "2005"));
    EXPECT_EQ(rows("SELECT COUNT(*) FROM 年级表"), 0);
}

TEST_F(SchoolStructureTest, AFailurePartWayLeavesEveryTableAsItWas) {
    addStudents("2004", "01", 4);
    addTeacher("李老师", {"2004级01班"});
    // The classes refuse to go after the students went.
    db.execute("CREATE TRIGGER refuse BEFORE DELETE ON 班级表 BEGIN SELECT RAISE(ABORT, '磁盘已满'); END");

    EXPECT_THROW(maintenance::deleteGradeLevel(db, "2004"), DbError);
    EXPECT_EQ(rows("SELECT COUNT(*) FROM 年级表"), 2);
    EXPECT_EQ(rows("SELECT COUNT(*) FROM 成绩表"), 4);
    EXPECT_EQ(rows("SELECT COUNT(*) FROM 班级表"), 3);
    EXPECT_EQ(teacherSlots("李老师").value(0).toString(), "2004级01班");
    EXPECT_FALSE(db.inTransaction());
}

} // namespace
