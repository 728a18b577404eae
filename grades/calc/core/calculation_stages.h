#pragma once
// The stages of a calculation run, one source file each.

#include "grades/calc/core/calculation_run.h"

struct StudentRows;

// Checks every mark against its full mark, asks about doubtful ones, and
// writes 总分 and 平均分 of every student. `students` is 成绩表 as read, and
// as the stage left it, for the next stage.
StageEnd checkMarks(CalculationRun& run, StudentRows& students);
// Empties and refills 绝对成绩表 and 相对成绩表 and logs their factors.
StageEnd buildScoreTables(CalculationRun& run, const StudentRows& students);
