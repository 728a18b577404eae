#pragma once
// The last stage of a calculation: every teacher's figures over his
// assignments in 教师表, compared with the previous term's database when asked,
// and his assessment score from the four formula parts.

#include "grades/calc/core/calculation_run.h"

#include <QString>
#include <functional>

// Records in 状态表 the score table the figures were taken from, once every
// teacher is done (the teacher assessment view lists marks of that table).
using ScoreTableRecorder = std::function<void(const QString& table)>;

// The stage for CalculationRun::setLaterStage.
CalculationRun::LaterStage teacherStage(ScoreTableRecorder recordTable);

// The score table of a 比较范围 option (1 to 3).
QString scoreTableOfScope(int scope);

// Opens the previous term's database as any file is opened, walked for
// damage, and closes it again; false when it cannot be opened so.
bool walkPreviousTerm(const QString& path, const QString& password);

// The message shown when the previous term's database cannot serve.
QString previousTermUnusableMessage();
