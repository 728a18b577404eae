#pragma once
// The one definition of the database both programs share: the seven tables the
// grade program creates, their fields in stored order (code addresses several of
// them by position), and the 37 settings rows of 状态表.

#include "platform/db/database.h"

#include <QString>
#include <QStringList>
#include <vector>

// The settings rows of 状态表, 37 of them in order (说明, default 状态).
// Rows are addressed by position, never by name; row 1's value is the school name.
struct SettingsRow { QString name; QString value; };
const std::vector<SettingsRow>& settingsRowDefaults();
inline constexpr int kSettingsRowCount = 37;

// The table names.
namespace table {
inline const QString Scores = QStringLiteral("成绩表");
inline const QString AbsoluteScores = QStringLiteral("绝对成绩表");   // scaled to 100
inline const QString RelativeScores = QStringLiteral("相对成绩表");   // best class of a grade at 80
inline const QString Grades = QStringLiteral("年级表");
inline const QString Classes = QStringLiteral("班级表");
inline const QString Teachers = QStringLiteral("教师表");
inline const QString Settings = QStringLiteral("状态表");
} // namespace table

// The fixed fields of the score tables, for code that reads them by name.
namespace scorefield {
inline const QString StudentId = QStringLiteral("STID");
inline const QString Grade = QStringLiteral("年级");
inline const QString Class = QStringLiteral("班");
inline const QString Name = QStringLiteral("姓名");
inline const QString Number = QStringLiteral("学号");
inline const QString ExamNumber = QStringLiteral("考号");
inline const QString Total = QStringLiteral("总分");
} // namespace scorefield

// The marks of a score table start at this field; the subject count is the field count less it.
inline constexpr int kFirstSubjectField = 10;

// Field definitions of the grade tables for a subject list (subject columns in list order).
platform::db::TableDef scoreTableDef(const QString& name, const QStringList& subjects); // 成绩表/绝对成绩表/相对成绩表
platform::db::TableDef gradeTableDef(const QStringList& subjects);     // 年级表
platform::db::TableDef classTableDef(const QStringList& subjects);     // 班级表
platform::db::TableDef teacherTableDef();                              // 教师表, 55 fields
platform::db::TableDef settingsTableDef();                             // 状态表
