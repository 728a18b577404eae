#pragma once
// The exam-number build: removes classes without students and grade levels
// without classes, orders the students of the school, a grade level or a class
// by one of three crossing methods, seats them room by room, and writes 考号,
// 考室 and 座位. The seating is planned in memory first, so that a build that
// cannot be done is refused before anything is changed, and the writing is one
// transaction. No screen: the panel shows the messages through the dialog
// service and the progress line through a callback.

#include "grades/examno/core/exam_number_format.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

class RandomSource;
class SettingsRows;

namespace platform::db {
class Database;
}

namespace examno {

enum class CrossingMethod { InClassOrder = 1, ClassCrossed = 2, GradeCrossed = 3 };

// The order in which a grade level of several classes is picked: for every pick
// the index of the class whose next student it takes, first pick first. The
// pick goes to the class with the most students left, but never twice running
// while another class has students; the second class counts as picked before
// the first pick. The seating runs in the opposite order.
std::vector<int> InterleaveGrade(const std::vector<int>& classSizes);

// The rows the build works on, each table in stored order.
struct StudentRow {
    qint64 rowid = 0;
    QString stid, grade, cls, name, number;
};
struct ClassRow {
    qint64 rowid = 0;
    QString grade, cls;
};
struct GradeRow {
    qint64 rowid = 0;
    QString grade;
};
struct School {
    std::vector<GradeRow> grades;
    std::vector<ClassRow> classes;
    std::vector<StudentRow> students;
};
School readSchool(platform::db::Database& db);

// What the purge removes, with its messages, every class message before every
// grade-level message.
struct Purge {
    std::vector<qint64> classRows;
    std::vector<qint64> gradeRows;
    QStringList messages;
};
Purge PurgeEmptyClassesAndGrades(const School& school);
School withoutPurged(School school, const Purge& purge);

struct BuildRequest {
    QString targetGrade;               // empty: the whole school
    QString targetClass;               // empty: the whole grade level
    int startRoom = 1;
    std::optional<double> roomSize;    // none: keep the classes' own sizes
    CrossingMethod method = CrossingMethod::InClassOrder;
    Composition parts;
    bool partial() const { return !targetGrade.isEmpty() || !targetClass.isEmpty(); }
};

struct SeatedStudent {
    qint64 rowid = 0;
    QString grade, cls, name;
    int room = 0;
    int seat = 0;
    QString examNumber;
    bool startsClass = false;          // first of its class in a class-by-class build
};

struct Refusal {
    QString text;
    QString title;
};

struct Plan {
    std::vector<SeatedStudent> seats;  // in seating order
    int lastRoom = 0;                  // the last room that got a student, or one below the start room
    int classCount = 0;
    std::optional<int> gradeCount;     // whole-school 全年级交叉 only
    std::optional<Refusal> refusal;
    bool nothingToNumber = false;      // 全年级交叉 found no grade level: stop without a word
};

// Plans a build on a school the purge has already been applied to. Draws from
// `random` in this order: 全班交叉 one key per student, class by class; 全年级交叉
// per grade level one key per student of each class, then, for a grade level of
// one class, one more per student. Students are drawn for in stored order, and
// equal keys keep that order.
Plan planBuild(const School& school, const BuildRequest& request, RandomSource& random);

// The build as the panel starts it, with the panel's choices as they stand.
struct BuildChoices {
    bool partial = false;
    QString target;                    // the target box's text
    QString startRoomAnswer;           // what the user typed for the start room
    QString roomSizeText;              // the room-size box's text
    CrossingMethod method = CrossingMethod::InClassOrder;
    Composition parts;
};

inline const QString kKeepClassSizes = QStringLiteral("保持各班现有人数");

// The start room an answer gives: empty, cancelled, not a number and 0 give 1.
// None outside 1 to 999.
std::optional<int> startRoomFromAnswer(const QString& answer);
// The room size a box text gives: none for "保持各班现有人数".
std::optional<double> roomSizeFromText(const QString& text);
// The target of a partial build from the target box: "2004级" or "2004级01班".
BuildRequest targetFromText(const QString& text);

// The items of the room-size box: "保持各班现有人数", then "10" to "30".
QStringList roomSizeItems();
// The items of the target box: a grade label ("2004级") for every row of 年级表,
// then a class label for every row of 班级表, both in stored order.
QStringList targetItems(platform::db::Database& db);
// The crossing method a stored text names: "1", "2" or "3"; none for anything else.
std::optional<CrossingMethod> crossingMethodFromText(const QString& text);

enum class BuildResult { Refused, Stopped, Failed, Completed };

// What the build tells the user: `message` shows a box with an OK button and
// returns when it is closed; `progress` gets every text of the progress line.
struct BuildUi {
    std::function<void(const QString& text, const QString& title)> message;
    std::function<void(const QString& text)> progress;
};

// The whole build after the start room was asked: refusals, the purge's
// messages, the one transaction, "考号编写完成!", then the settings rows and the
// program state.
BuildResult buildExamNumbers(platform::db::Database& db, const SettingsRows& settings,
                             const BuildChoices& choices, RandomSource& random, const BuildUi& ui);

} // namespace examno
