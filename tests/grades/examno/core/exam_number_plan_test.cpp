// The exam-number values and the seating a build plans, on schools held in
// memory: no database, the random numbers scripted.
#include "grades/examno/core/exam_number_builder.h"

#include "support/scripted_random.h"

#include <gtest/gtest.h>
#include <map>

using namespace examno;

namespace {

struct ClassShape {
    QString grade, cls;
    int students;
};

// A school with the classes given (class tables in that order), students named
// by grade, class and number, in stored order by class.
School schoolOf(const std::vector<ClassShape>& classes) {
    School s;
    qint64 row = 0;
    for (const ClassShape& c : classes) {
        if (std::none_of(s.grades.begin(), s.grades.end(), [&](const GradeRow& g) { return g.grade == c.grade; }))
            s.grades.push_back({++row, c.grade});
        s.classes.push_back({++row, c.grade, c.cls});
        for (int i = 1; i <= c.students; ++i) {
            const QString n = QStringLiteral("%1").arg(i, 2, 10, QLatin1Char('0'));
            s.students.push_back({++row, c.grade + n, c.grade, c.cls, c.cls + "-" + n, n});
        }
    }
    return s;
}

// The seating as runs: "2004/01 001:01-30 002:01-05 | 2004/02 002:06-25".
QString layout(const Plan& plan) {
    QStringList classes;
    QString cur, text;
    int room = -1, first = 0, last = -1;
    auto flush = [&] {
        if (room >= 0)
            text += " " + RoomCode(room) + ":" + SeatCode(first) + "-" + SeatCode(last);
    };
    for (const SeatedStudent& s : plan.seats) {
        const QString cls = s.grade + "/" + s.cls;
        if (cls != cur || s.room != room || s.seat != last + 1) {
            flush();
            if (cls != cur) {
                if (!cur.isEmpty())
                    classes << text;
                text = cls;
                cur = cls;
            }
            room = s.room;
            first = s.seat;
        }
        last = s.seat;
    }
    flush();
    if (!cur.isEmpty())
        classes << text;
    return classes.join(" | ");
}

BuildRequest request(CrossingMethod method, std::optional<double> roomSize, int startRoom = 1) {
    BuildRequest r;
    r.method = method;
    r.roomSize = roomSize;
    r.startRoom = startRoom;
    return r;
}

const std::vector<ClassShape> k352010 = {{"2004", "01", 35}, {"2004", "02", 20}, {"2005", "01", 10}};

} // namespace

TEST(ExamNumberFormat, ComposesTheTickedPartsInFullOrCompactForm) {
    struct Case {
        Composition parts;
        QString grade, cls;
        int room, seat;
        QString number;
        int length;
        QString example;
    } cases[] = {
        {{true, true, true, true, false}, "2004", "01", 3, 21, "20040100321", 11, "2002 02 031 21"},
        {{false, false, true, true, false}, "2004", "01", 3, 21, "00321", 5, "031 21"},
        {{true, true, true, true, true}, "2004", "01", 3, 21, "410321", 6, "2 2 31 21"},
        {{true, true, true, true, true}, "2004", "01", 31, 5, "413105", 6, "2 2 31 21"},
        {{true, false, true, true, false}, "2004", "01", 31, 5, "200403105", 9, "2002 031 21"},
        {{true, false, true, true, true}, "2004", "01", 31, 5, "43105", 5, "2 31 21"},
        {{false, true, false, true, false}, "2005", "A2", 999, 99, "A299", 4, "02 21"},
        {{false, false, false, true, true}, "2005", "A2", 7, 7, "07", 2, "21"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.number.toStdString());
        EXPECT_EQ(ExamNumberFormat(c.parts, c.grade, c.cls, c.room, c.seat), c.number);
        EXPECT_EQ(examNumberLength(c.parts), c.length);
        EXPECT_EQ(c.number.size(), c.length);
        EXPECT_EQ(compositionExample(c.parts), c.example);
    }
    EXPECT_EQ(RoomCode(3), "003");
    EXPECT_EQ(RoomCode(31), "031");
    EXPECT_EQ(SeatCode(7), "07");
}

TEST(ExamNumberFormat, StoredFlagsTickGradeClassAndRoomAndKeepTheRest) {
    Composition compact;
    compact.compact = true;
    const Composition read = compositionFromFlags("101", compact);
    EXPECT_TRUE(read.grade);
    EXPECT_FALSE(read.cls);
    EXPECT_TRUE(read.room);
    EXPECT_TRUE(read.compact);
    EXPECT_EQ(compositionExample(read), "2 31 21");
    EXPECT_EQ(compositionFlags(read), "101");
    const Composition none = compositionFromFlags("");
    EXPECT_FALSE(none.grade || none.cls || none.room);
    EXPECT_TRUE(none.seat);
}

TEST(InterleaveGrade, PicksTheLargestClassButNeverOneClassTwiceWhileAnotherHasStudents) {
    // a1 a2 / b1 b2 b3: picks a1, b1, a2, b2, b3, seated b3, b2, a2, b1, a1.
    EXPECT_EQ(InterleaveGrade({2, 3}), (std::vector<int>{0, 1, 0, 1, 1}));
    // The second class counts as picked before the first pick.
    EXPECT_EQ(InterleaveGrade({3, 3}), (std::vector<int>{0, 1, 0, 1, 0, 1}));
    EXPECT_EQ(InterleaveGrade({1, 1, 4}), (std::vector<int>{2, 0, 2, 1, 2, 2}));
    EXPECT_EQ(InterleaveGrade({4, 1}), (std::vector<int>{0, 1, 0, 0, 0}));
}

TEST(PlanBuild, RoomSizeOrKeptSizesForEveryMethodOfTheSameSchool) {
    const School school = schoolOf(k352010);
    struct Case {
        const char* what;
        CrossingMethod method;
        std::optional<double> size;
        QString layout;
        int lastRoom;
    } cases[] = {
        {"size 30", CrossingMethod::InClassOrder, 30,
         "2004/01 001:01-30 002:01-05 | 2004/02 002:06-25 | 2005/01 003:01-10", 3},
        {"kept sizes", CrossingMethod::InClassOrder, std::nullopt,
         "2004/01 001:01-35 | 2004/02 002:01-20 | 2005/01 003:01-10", 3},
        {"size 99", CrossingMethod::InClassOrder, 99, "2004/01 001:01-35 | 2004/02 001:36-55 | 2005/01 002:01-10", 2},
        {"size 20 fills rooms exactly", CrossingMethod::InClassOrder, 20,
         "2004/01 001:01-20 002:01-15 | 2004/02 002:16-20 003:01-15 | 2005/01 004:01-10", 4},
        {"size 10", CrossingMethod::InClassOrder, 10,
         "2004/01 001:01-10 002:01-10 003:01-10 004:01-05 | 2004/02 004:06-10 005:01-10 006:01-05 | "
         "2005/01 007:01-10",
         7},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScriptedRandom none;
        const Plan plan = planBuild(school, request(c.method, c.size), none);
        EXPECT_FALSE(plan.refusal);
        EXPECT_EQ(layout(plan), c.layout);
        EXPECT_EQ(plan.lastRoom, c.lastRoom);
        EXPECT_EQ(plan.classCount, 3);
    }
}

TEST(PlanBuild, NoRoomSizePutsEveryStudentAloneAtSeatOne) {
    const School school = schoolOf({{"2004", "01", 3}, {"2005", "01", 2}});
    for (double size : {0.0, -4.0}) {
        ScriptedRandom none;
        const Plan plan = planBuild(school, request(CrossingMethod::InClassOrder, size), none);
        EXPECT_EQ(layout(plan), "2004/01 001:01-01 002:01-01 003:01-01 | 2005/01 004:01-01 005:01-01");
        EXPECT_EQ(plan.lastRoom, 5);
    }
}

TEST(PlanBuild, InClassOrderSortsByClassNumberAsText) {
    School school = schoolOf({{"2004", "01", 3}});
    school.students[0].number = "03";
    school.students[2].number = "01";
    ScriptedRandom none;
    const Plan plan = planBuild(school, request(CrossingMethod::InClassOrder, 30), none);
    ASSERT_EQ(plan.seats.size(), 3u);
    EXPECT_EQ(plan.seats[0].name, "01-03");
    EXPECT_EQ(plan.seats[2].name, "01-01");
    EXPECT_EQ(plan.seats[0].examNumber, "00101");
}

TEST(PlanBuild, ClassCrossedOrdersEachClassByItsDrawsAndTiesKeepStoredOrder) {
    const School school = schoolOf({{"2004", "01", 4}, {"2004", "02", 2}});
    ScriptedRandom draws({0.9, 0.1, 0.5, 0.1, /* class 02 */ 0.3, 0.2});
    const Plan plan = planBuild(school, request(CrossingMethod::ClassCrossed, 30), draws);
    QStringList order;
    for (const SeatedStudent& s : plan.seats)
        order << s.name;
    EXPECT_EQ(order.join(" "), "01-02 01-04 01-03 01-01 02-02 02-01");
    EXPECT_EQ(layout(plan), "2004/01 001:01-04 | 2004/02 001:05-06");
}

TEST(PlanBuild, ClassOfAGradeFromItsStartRoomWhileTheOthersAreLeft) {
    const School school = schoolOf({{"2004", "01", 30}, {"2004", "02", 25}, {"2005", "01", 5}});
    BuildRequest r = request(CrossingMethod::ClassCrossed, 30, 12);
    r.targetGrade = "2004";
    r.targetClass = "02";
    ScriptedRandom draws(std::vector<double>(25, 0.5));
    const Plan plan = planBuild(school, r, draws);
    EXPECT_EQ(layout(plan), "2004/02 012:01-25");
    EXPECT_EQ(plan.lastRoom, 12);

    // A grade level alone, kept sizes, from room 20.
    r = request(CrossingMethod::InClassOrder, std::nullopt, 20);
    r.targetGrade = "2004";
    ScriptedRandom none;
    EXPECT_EQ(layout(planBuild(school, r, none)), "2004/01 020:01-30 | 2004/02 021:01-25");
}

TEST(PlanBuild, GradeCrossedAlternatesTheClassesAndSeatsTheLastPicksFirst) {
    const School school = schoolOf({{"2004", "01", 40}, {"2004", "02", 45}});
    // Class 01 keeps its stored order (equal keys); class 02 is reversed.
    std::vector<double> draws(40, 0.5);
    for (int i = 0; i < 45; ++i)
        draws.push_back((45 - i) / 100.0);

    struct Case {
        std::optional<double> size;
        QString rooms;
    } cases[] = {
        {30, "001:30 002:30 003:25"},
        {std::nullopt, "001:40 002:45"},
    };
    for (const Case& c : cases) {
        ScriptedRandom random(draws);
        const Plan plan = planBuild(school, request(CrossingMethod::GradeCrossed, c.size), random);
        ASSERT_EQ(plan.seats.size(), 85u);
        QString classes;
        std::map<int, int> perRoom;
        for (const SeatedStudent& s : plan.seats) {
            classes += s.cls.right(1);
            ++perRoom[s.room];
        }
        // The first pick comes from class 01 and sits last; the picks alternate until
        // class 01 is used up, and the last five picks, from class 02, sit first.
        EXPECT_EQ(classes, QString("2").repeated(6) + QString("12").repeated(39) + "1");
        EXPECT_EQ(plan.seats.front().name, "02-01");
        EXPECT_EQ(plan.seats.back().name, "01-01");
        QStringList rooms;
        for (const auto& [room, n] : perRoom)
            rooms << RoomCode(room) + ":" + QString::number(n);
        EXPECT_EQ(rooms.join(" "), c.rooms);
        EXPECT_EQ(plan.gradeCount, 1);
    }
}

TEST(PlanBuild, GradeCrossedGivesAOneClassGradeItsOwnDrawsAndEveryGradeItsOwnRooms) {
    const School school = schoolOf({{"2004", "01", 2}, {"2004", "02", 1}, {"2005", "01", 3}});
    ScriptedRandom random({
        0.2, 0.1, 0.7,     // 2004: the class shuffles
        0.5, 0.5, 0.5,     // 2005: its class shuffle
        0.7, 0.1, 0.4,     // 2005: the keys of a one-class grade level, in stored order
    });
    const Plan plan = planBuild(school, request(CrossingMethod::GradeCrossed, 30), random);
    QStringList order;
    for (const SeatedStudent& s : plan.seats)
        order << s.grade + ":" + s.name + "@" + RoomCode(s.room) + SeatCode(s.seat);
    EXPECT_EQ(order.join(" "), "2004:01-01@00101 2004:02-01@00102 2004:01-02@00103 "
                               "2005:01-02@00201 2005:01-03@00202 2005:01-01@00203");
    EXPECT_EQ(plan.lastRoom, 2);
    EXPECT_EQ(plan.gradeCount, 2);
}

TEST(PlanBuild, RefusesWhatTheFieldsCannotHoldBeforeDrawingAnything) {
    struct Case {
        const char* what;
        CrossingMethod method;
        std::optional<double> size;
        int startRoom;
        int students;
        QString refusal;
    } cases[] = {
        {"class of 100 crossed by grade", CrossingMethod::GradeCrossed, 30, 1, 100,
         "2004级01班的学生总数超过100人,你不能使用这种方法编写考号!"},
        {"seat 100 with kept sizes", CrossingMethod::ClassCrossed, std::nullopt, 1, 100,
         "2004级01班的学生总数超过100人,你不能使用这种方法编写考号!"},
        {"seat 100 in class order", CrossingMethod::InClassOrder, std::nullopt, 1, 100,
         "2004级01班的学生总数超过100人,你不能使用这种方法编写考号!"},
        {"room 1000", CrossingMethod::InClassOrder, 30, 999, 31,
         "考室的号码不能超过999,请从较小的考室号码开始编写,或者让每一考室多坐一些人!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScriptedRandom none;
        BuildRequest r = request(c.method, c.size, c.startRoom);
        const Plan plan = planBuild(schoolOf({{"2004", "01", c.students}}), r, none);
        ASSERT_TRUE(plan.refusal);
        EXPECT_EQ(plan.refusal->text, c.refusal);
        EXPECT_TRUE(plan.seats.empty());
    }
    // 99 students fit one room; room 999 is the last there is.
    ScriptedRandom none;
    const Plan plan = planBuild(schoolOf({{"2004", "01", 99}}), request(CrossingMethod::InClassOrder, std::nullopt, 999), none);
    EXPECT_FALSE(plan.refusal);
    EXPECT_EQ(plan.lastRoom, 999);
}

TEST(PlanBuild, EmptyClassesAndGradesArePurgedWithTheirMessagesClassesFirst) {
    School school = schoolOf({{"2004", "01", 2}, {"2004", "02", 0}, {"2005", "01", 0}, {"2006", "01", 1}});
    school.grades.push_back({100, "2007"});
    const Purge purge = PurgeEmptyClassesAndGrades(school);
    EXPECT_EQ(purge.messages, QStringList({"2004级02班 的学生总数为零,系统会自动将它删除",
                                           "2005级01班 的学生总数为零,系统会自动将它删除",
                                           "2005级一个班也没有,系统会自动将这个年级删除",
                                           "2007级一个班也没有,系统会自动将这个年级删除"}));
    const School left = withoutPurged(school, purge);
    EXPECT_EQ(left.classes.size(), 2u);
    EXPECT_EQ(left.grades.size(), 2u);
    // Without any class the grade levels are not looked at.
    School noClasses;
    noClasses.grades.push_back({1, "2004"});
    EXPECT_TRUE(PurgeEmptyClassesAndGrades(noClasses).messages.isEmpty());
}

TEST(BuildInputs, StartRoomRoomSizeAndTargetAsTyped) {
    struct StartCase { QString answer; std::optional<int> room; } starts[] = {
        {"", 1}, {"abc", 1}, {"0", 1}, {"12", 12}, {"12.5", 12}, {"13.5", 14}, {" 7号", 7},
        {"999", 999}, {"1000", std::nullopt}, {"-3", std::nullopt}, {"99999999999", std::nullopt},
    };
    for (const auto& c : starts)
        EXPECT_EQ(startRoomFromAnswer(c.answer), c.room) << c.answer.toStdString();
    EXPECT_EQ(roomSizeFromText(" 保持各班现有人数 "), std::nullopt);
    EXPECT_EQ(roomSizeFromText("25"), 25.0);
    EXPECT_EQ(roomSizeFromText("abc"), 0.0);
    EXPECT_EQ(targetFromText("2004级01班").targetClass, "01");
    EXPECT_EQ(targetFromText("2004级").targetGrade, "2004");
    EXPECT_TRUE(targetFromText("2004级").targetClass.isEmpty());
}

TEST(PlanBuild, StudentsOfAClassWithoutARowAreLeftAsTheyAreByEveryMethod) {
    School school = schoolOf({{"2004", "01", 2}, {"2004", "02", 2}});
    school.students.push_back({99, "20049999", "2004", "07", "07-01", "01"});
    for (CrossingMethod m : {CrossingMethod::InClassOrder, CrossingMethod::ClassCrossed, CrossingMethod::GradeCrossed}) {
        ScriptedRandom random(m == CrossingMethod::InClassOrder ? std::vector<double>{}
                                                                 : std::vector<double>{0.1, 0.2, 0.3, 0.4});
        const Plan plan = planBuild(school, request(m, 30), random);
        EXPECT_EQ(plan.seats.size(), 4u) << int(m);
        for (const SeatedStudent& s : plan.seats)
            EXPECT_NE(s.cls, "07");
    }
}
