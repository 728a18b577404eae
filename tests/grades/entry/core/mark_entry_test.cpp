// Mark entry without a screen: the lists, the full marks they are checked
// against, the store rule and the shifting of marks, on a small school.
#include "grades/entry/core/mark_entry.h"

#include "common/program_state.h"
#include "common/room_code.h"
#include "platform/db/datacontrol.h"
#include "platform/db/recordset.h"
#include "support/mark_school.h"
#include "support/other_program.h"
#include "support/school_fixture.h"
#include "support/test_files.h"

#include <gtest/gtest.h>

using namespace entry;
using platform::db::DataControl;
using platform::db::Recordset;

namespace {

struct MarkEntryTest : ::testing::Test {
    SchoolFixture school{{"语文", "数学"}, {"2004", "2005"}, {"2004级01班", "2005级01班"}};
    platform::db::Database& db = *school.db();
    DataControl ad8;

    MarkEntryTest() {
        seedMarkSchool(db);
        ad8.setConnectionString(state().connectionText());
    }

    Recordset& open(const ListSource& source) {
        ad8.setRecordSource(source.sql, source.params);
        ad8.refresh();
        return *ad8.recordset();
    }
    QStringList names(Recordset& rs) {
        QStringList out;
        for (int i = 0; i < rs.recordCount(); ++i)
            out << rs.valueAt(i, 2).toString();
        return out;
    }
};

TEST_F(MarkEntryTest, ListsOfAClassARoomAndASearch) {
    Recordset& cls = open(classList(db, " 2004级01班 ", "数学"));
    EXPECT_EQ(cls.fieldName(0), "座位");
    EXPECT_EQ(cls.fieldName(kListMarkColumn), "数学");
    EXPECT_EQ(cls.fieldCount(), 8);
    EXPECT_EQ(names(cls), (QStringList{"甲一", "甲二", "甲三", "甲四", "甲五"}));
    EXPECT_TRUE(cls.isUpdatable());

    // The room lists by seat, across grade levels.
    EXPECT_EQ(names(open(roomList(db, "1考室", "数学"))), (QStringList{"甲一", "乙一", "甲二"}));
    EXPECT_EQ(names(open(roomList(db, "2考室", "数学"))), QStringList{});

    // A first digit searches the exam number; a quote in a name finds its row.
    EXPECT_EQ(names(open(searchList(db, "20050102", "数学"))), QStringList{"乙二"});
    EXPECT_EQ(names(open(searchList(db, " 乙'三 ", "数学"))), QStringList{"乙'三"});
    EXPECT_EQ(names(open(searchList(db, "20050102' or '1'='1", "数学"))), QStringList{});
}

TEST_F(MarkEntryTest, WhatNamesNothingListsNothing) {
    // A subject that is no mark column never reaches a query text.
    EXPECT_TRUE(classList(db, "2004级01班", "总分").isEmpty());
    EXPECT_TRUE(classList(db, "2004级01班", "数学 from 成绩表 --").isEmpty());
    EXPECT_TRUE(roomList(db, "1考室", "").isEmpty());
    EXPECT_TRUE(searchList(db, "甲一", "").isEmpty());
    EXPECT_TRUE(searchList(db, "  ", "数学").isEmpty());
    EXPECT_EQ(names(open(classList(db, "2009级07班", "数学"))), QStringList{});
    EXPECT_EQ(*scoreSubject(db, "数学"), "数学");
    EXPECT_EQ(entrySubjects(db), (QStringList{"语文", "数学"}));
}

TEST_F(MarkEntryTest, RoomLabelsSortAsTextAndReadBackAsCodes) {
    const QStringList ten = roomLabels(10);
    ASSERT_EQ(ten.size(), 10);
    EXPECT_EQ(ten.front(), "10考室");
    EXPECT_EQ(ten.at(1), "1考室");
    EXPECT_TRUE(roomLabels(0).isEmpty());
    EXPECT_TRUE(roomLabels(-3).isEmpty());
    EXPECT_EQ(roomLabels(5000).size(), 999);   // 考室 holds three digits
    for (auto [label, code] : std::vector<std::pair<QString, QString>>{
             {"7考室", "007"}, {"10考室", "010"}, {"123考室", "123"}, {" 7 考室", "007"}})
        EXPECT_EQ(roomCodeOfLabel(label), code) << label.toStdString();
}

TEST_F(MarkEntryTest, FullMarksPerGradeLevel) {
    const FullMarks maths = FullMarks::read(db, "数学");
    EXPECT_EQ(maths.of("2004"), 100.0f);
    EXPECT_EQ(maths.of("2005"), 120.5f);
    EXPECT_EQ(maths.of("2009"), 0.0f);   // no row
    db.execute("update 年级表 set 语文 = null where 年级 = '2004'");
    EXPECT_EQ(FullMarks::read(db, "语文").of("2004"), 0.0f);
    EXPECT_EQ(FullMarks::read(db, "语文").of("2005"), 100.0f);
    EXPECT_EQ(FullMarks::read(db, "物理").of("2004"), 0.0f);
}

TEST_F(MarkEntryTest, KeysOfTheMarkBox) {
    struct Case { int16_t code; bool allowed; };
    const Case cases[] = {
        {'0', true}, {'9', true}, {'.', true}, {8, true}, {13, true}, {' ', true}, {127, true},
        {int16_t(-12103), true},   // a double-byte character
        {'a', false}, {'Z', false}, {'-', false}, {'/', false}, {'+', false}, {'!', false},
        {':', false}, {'~', false}, {',', false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(markKeyAllowed(c.code), c.allowed) << c.code;
}

// Every mark is checked against the full mark of its own student's grade:
// the room holds 甲一 (2004, 100), 乙一 (2005, 120.5) and 甲二 (2004).
TEST_F(MarkEntryTest, StoreRule) {
    struct Case {
        int position;
        QString typed;
        MarkCheck check;
        QVariant stored;   // the student's 数学 afterwards
    };
    const QVariant null;
    const Case cases[] = {
        {1, "100", MarkCheck::Accepted, 100.0},
        {1, "100.5", MarkCheck::AboveFullMark, 10.0},
        {2, "120.5", MarkCheck::Accepted, 120.5},
        {2, "110", MarkCheck::Accepted, 110.0},     // above the first student's paper, within his own
        {2, "121", MarkCheck::AboveFullMark, null},
        {3, "0", MarkCheck::Accepted, null},
        {3, "", MarkCheck::Accepted, null},
        {3, " 0.0 ", MarkCheck::Accepted, null},
        {3, "8 5", MarkCheck::Accepted, 85.0},
        {3, "8中", MarkCheck::Accepted, 8.0},
        {3, "-5", MarkCheck::Negative, 20.0},
        {3, "99.5分", MarkCheck::Accepted, 99.5},
        {3, "1e9", MarkCheck::AboveFullMark, 20.0},
    };
    const FullMarks marks = FullMarks::read(db, "数学");
    for (const Case& c : cases) {
        db.execute("update 成绩表 set 数学 = case 年级 when '2004' then 学号 * 10 end");
        Recordset& room = open(roomList(db, "1考室", "数学"));
        room.setAbsolutePosition(c.position);
        const QString name = room.value("姓名").toString();
        EXPECT_EQ(storeEnteredScore(room, c.typed, marks), c.check) << c.typed.toStdString();
        const QVariant stored = storedMark(db, name);
        EXPECT_EQ(stored.isNull(), c.stored.isNull()) << c.typed.toStdString();
        if (!c.stored.isNull()) {
            EXPECT_FLOAT_EQ(stored.toFloat(), c.stored.toFloat()) << c.typed.toStdString();
        }
        EXPECT_EQ(room.absolutePosition(), c.position);
    }
}

TEST_F(MarkEntryTest, ASearchChecksAgainstTheFoundStudentsOwnPaper) {
    Recordset& found = open(searchList(db, "乙二", "数学"));
    const FullMarks marks = FullMarks::read(db, "数学");
    EXPECT_EQ(fullMarkOfCurrent(found, marks), 120.5f);
    EXPECT_EQ(storeEnteredScore(found, "120", marks), MarkCheck::Accepted);
    EXPECT_FLOAT_EQ(storedMark(db, "乙二").toFloat(), 120.0f);
}

TEST_F(MarkEntryTest, APaperNotTakenStoresOnlyEmptyMarks) {
    db.execute("update 年级表 set 数学 = 0 where 年级 = '2004'");
    Recordset& cls = open(classList(db, "2004级01班", "数学"));
    const FullMarks marks = FullMarks::read(db, "数学");
    EXPECT_EQ(storeEnteredScore(cls, "5", marks), MarkCheck::AboveFullMark);
    EXPECT_EQ(storeEnteredScore(cls, "0", marks), MarkCheck::Accepted);
    EXPECT_TRUE(storedMark(db, "甲一").isNull());
}

TEST_F(MarkEntryTest, InsertShiftsTheFollowingMarksDown) {
    const FullMarks marks = FullMarks::read(db, "数学");
    Recordset& cls = open(classList(db, "2004级01班", "数学"));
    cls.setAbsolutePosition(3);
    EXPECT_EQ(insertMark(cls, "75", marks), MarkCheck::Accepted);
    EXPECT_EQ(classMarks(db), "10 20 75 30 40");
    EXPECT_EQ(cls.absolutePosition(), 3);
    EXPECT_EQ(cls.valueAt(4, kListMarkColumn).toDouble(), 40.0);   // the list shows what is stored

    // Refused: nothing moves.
    EXPECT_EQ(insertMark(cls, "101", marks), MarkCheck::AboveFullMark);
    EXPECT_EQ(insertMark(cls, "-1", marks), MarkCheck::Negative);
    EXPECT_EQ(classMarks(db), "10 20 75 30 40");

    // Empty marks move as empty marks; an empty box inserts an empty mark.
    cls.setAbsolutePosition(1);
    EXPECT_EQ(insertMark(cls, "", marks), MarkCheck::Accepted);
    EXPECT_EQ(classMarks(db), "- 10 20 75 30");
    cls.setAbsolutePosition(5);
    EXPECT_EQ(insertMark(cls, "0", marks), MarkCheck::Accepted);
    EXPECT_EQ(classMarks(db), "- 10 20 75 -");
}

TEST_F(MarkEntryTest, DeleteShiftsTheFollowingMarksUp) {
    Recordset& cls = open(classList(db, "2004级01班", "数学"));
    cls.setAbsolutePosition(3);
    deleteMark(cls);
    EXPECT_EQ(classMarks(db), "10 20 40 50 -");
    EXPECT_EQ(cls.absolutePosition(), 3);
    cls.setAbsolutePosition(5);
    deleteMark(cls);
    EXPECT_EQ(classMarks(db), "10 20 40 50 -");
    cls.setAbsolutePosition(4);
    deleteMark(cls);
    EXPECT_EQ(classMarks(db), "10 20 40 - -");
    cls.setAbsolutePosition(1);
    deleteMark(cls);
    EXPECT_EQ(classMarks(db), "20 40 - - -");
}

TEST_F(MarkEntryTest, AShiftTheDatabaseRefusesChangesNothing) {
    Recordset& cls = open(classList(db, "2004级01班", "数学"));
    cls.setAbsolutePosition(2);
    // A trigger stands for a failure half-way through the walk.
    db.execute("create trigger refuse before update on 成绩表 when new.学号 = '04' "
               "begin select raise(abort, 'refused'); end");
    EXPECT_THROW(deleteMark(cls), platform::db::DbError);
    db.execute("drop trigger refuse");
    EXPECT_EQ(classMarks(db), "10 20 30 40 50");
    EXPECT_EQ(cls.absolutePosition(), 2);
    EXPECT_EQ(cls.valueAt(1, kListMarkColumn).toDouble(), 20.0);   // read again
}

// Another program took a student out of the list meanwhile, then holds the
// file: the shift refused leaves the student chosen current, and the next
// try shifts from him.
TEST_F(MarkEntryTest, AShiftRefusedByABusyFileStaysOnTheStudentChosen) {
    const FullMarks marks = FullMarks::read(db, "数学");
    Recordset& cls = open(classList(db, "2004级01班", "数学"));
    cls.setAbsolutePosition(3);
    const QString chosen = cls.value("考号").toString();
    testsupport::OtherProgram::waitAtMost(db, 50);
    testsupport::OtherProgram other(school.databasePath());
    other.run("DELETE FROM 成绩表 WHERE 年级 = '2004' AND 学号 = '01'");
    other.run("BEGIN IMMEDIATE");
    EXPECT_THROW(insertMark(cls, "75", marks), platform::db::DbError);
    other.run("ROLLBACK");
    EXPECT_EQ(cls.value("考号").toString(), chosen);
    EXPECT_EQ(insertMark(cls, "75", marks), MarkCheck::Accepted);
    EXPECT_EQ(classMarks(db), "20 75 30 40");
}

} // namespace
