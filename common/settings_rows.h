#pragma once
// The rows of 状态表 by name. The rows are addressed by their position, which
// is the stored format: no row is ever deleted, reordered or inserted before
// another, so these numbers never change.

#include <QString>

namespace platform::db {
class DataControl;
class Recordset;
}

enum class Setting : int {
    SchoolName = 1,
    CurrentStatus = 4,
    ExamNumberMethod = 5,
    TeacherAssessmentMethod = 6,
    ExamRoomCount = 7,            // greater than 0: exam numbers exist
    ExamCardsPrinted = 8,         // "是" once the cards were printed
    ScoresCalculated = 9,
    ScoresPrinted = 10,
    ExamTitle = 11,
    ComparisonRange = 12,         // "1" 成绩表, "2" 绝对成绩表, "3" 相对成绩表
    AskOnZeroMark = 13,           // "t"/"f"
    AskOnZeroTotal = 14,
    NoNegativeTotal = 15,
    NoNegativePart = 16,
    TeacherFormula1 = 17,
    TeacherFormula2 = 18,
    TeacherFormula3 = 19,
    ExcellentLine = 20,
    PassLine = 21,
    PoorLine = 22,
    ExamNumberCrossing = 23,      // "1" none, "2" across the class, "3" across the grade
    ExamNumberParts = 24,         // three "1"/"0" flags: grade, class, room
    TeacherFormula4 = 25,
    AssessmentScoreTable = 26,    // the score table of the last teacher calculation
    EarlierDatabase1 = 27,        // to EarlierDatabase1 + 4; "0" = none
    EarlierDatabaseWeights = 32,
    ExamCardLayout = 33,
    ExamCardFonts = 34,
    LockLevel = 35,               // "0" to "3"
    AdvancedView = 36,
    ExamNumberLength = 37,
};

// The n-th earlier score database, n from 1 to 5.
inline Setting earlierDatabaseRow(int n) {
    return Setting(int(Setting::EarlierDatabase1) + n - 1);
}

// Reads and writes the 状态 of a row through a record set open on the whole
// of 状态表 (the main window's settings cursor, or a window's own data
// control). Each call positions the record set on its row first; a row the
// table does not have throws platform::db::DbError.
class SettingsRows {
public:
    explicit SettingsRows(platform::db::Recordset& settings) : rs_(&settings) {}
    // The record set of the control, which must be open.
    explicit SettingsRows(platform::db::DataControl& settings);

    QString value(Setting row) const;          // "" when empty
    void store(Setting row, const QString& value) const;   // stored at once

private:
    platform::db::Recordset* rs_;
};
